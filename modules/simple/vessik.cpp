// Vessik: the help module for Far Manager's own help files (*.hlf). It reads
// nothing itself: the file and the keyword go to Far's help viewer through the
// host's ShowHelp, which also reports a missing file or topic.
#include "far.hpp"
#include "helpmodule.hpp"
#include "modulefront.hpp"

#include <string.h>

namespace {

// Copied in Start; only ShowHelp is used. Zero until then.
PluginStartupInfo g_far;

// The module's one help type. The host keeps the pointer for as long as the
// module is loaded, so it lives in static storage and keeps its address.
HelpTypeInfo g_type;

int Describe(HelpModuleInfo* info) {
    if (!info) return 0;
    DescribeOneType(info, &g_type, HO_FIXEDKEYWORD, "Vessik", "*.hlf", "");
    return 1;
}

// The viewer reports its own failures and falls back to the file's Contents
// topic, so the request counts as done whatever ShowHelp returns.
int ShowHelp(const HelpRequest* request) {
    if (request && g_far.ShowHelp)
        g_far.ShowHelp(request->FileName, request->Keyword, FHELP_CUSTOMFILE | FHELP_USECONTENTS);
    return 1;
}

} // namespace

extern "C" int WINAPI Start(const PluginStartupInfo* Info, const ModuleStartupInfo* /*ModuleInfo*/) {
    if (Info) memcpy(&g_far, Info, sizeof g_far);
    return 0;
}

extern "C" void WINAPI Exit() {}

extern "C" int WINAPI Message(int Msg, void* InData, void* OutData) {
    switch (Msg) {
    case HM_DESCRIBE:
        return Describe(static_cast<HelpModuleInfo*>(OutData));
    case HM_SHOWHELP:
        return ShowHelp(static_cast<const HelpRequest*>(InData));
    default:
        return 0;
    }
}
