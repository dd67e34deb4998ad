// A test-only plug-in: keeps what the stand-in host hands to SetStartupInfo the
// way a real plug-in does (both records copied, the copy's FSF pointing at the
// copied table), so that module tests can pass the host's services on to Start.
#include "far.hpp"

#include <string.h>

namespace {
PluginStartupInfo g_info;
FarStandardFunctions g_fsf;
} // namespace

extern "C" void WINAPI SetStartupInfo(const PluginStartupInfo* Info) {
    memcpy(&g_info, Info, sizeof g_info);
    memcpy(&g_fsf, Info->FSF, sizeof g_fsf);
    g_info.FSF = &g_fsf;
}

extern "C" const PluginStartupInfo* WINAPI CapturedStartupInfo() {
    return &g_info;
}
