// Quapla: the help module for Windows Help files (*.hlp). It hands the file and
// the keyword to the platform's Windows Help call and turns a failure of that
// call into the system's own error text, in the OEM code page.
#include "far.hpp"
#include "helpmodule.hpp"
#include "modulefront.hpp"

namespace {

// The module's one help type, in static storage: the host keeps the pointer.
HelpTypeInfo g_type;

int Describe(HelpModuleInfo* info) {
    if (!info) return 0;
    DescribeOneType(info, &g_type, 0, "Quapla", "*.hlp", "WIN");
    return 1;
}

// The system text for error, cut so that its last character (normally the
// closing line feed) never arrives, then converted to OEM. Without a system
// text ErrorText stays as the host cleared it.
void SetErrorText(HelpResult* result, DWORD error) {
    char* text = nullptr;
    DWORD length = FormatMessageA(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr,
        error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&text), 0, nullptr);
    if (length != 0 && text) {
        int count = length > sizeof result->ErrorText ? static_cast<int>(sizeof result->ErrorText)
                                                      : static_cast<int>(length);
        lstrcpynA(result->ErrorText, text, count);
        CharToOemA(result->ErrorText, result->ErrorText);
    }
    if (text) LocalFree(text);
}

int ShowHelp(const HelpRequest* request, HelpResult* result) {
    if (!request || !result) return 0;
    const char* keyword = request->Keyword ? request->Keyword : "";
    // An empty keyword opens the file's contents and index window instead of a search.
    UINT command = *keyword ? HELP_KEY : HELP_FINDER;
    ULONG_PTR data = *keyword ? reinterpret_cast<ULONG_PTR>(keyword) : 0;
    BOOL shown = WinHelpA(GetDesktopWindow(), request->FileName, command, data);
    if (shown) return shown;
    SetErrorText(result, GetLastError());
    return 0;
}

} // namespace

extern "C" int WINAPI Start(const PluginStartupInfo* /*Info*/, const ModuleStartupInfo* /*ModuleInfo*/) {
    return 0;
}

extern "C" void WINAPI Exit() {}

extern "C" int WINAPI Message(int Msg, void* InData, void* OutData) {
    switch (Msg) {
    case HM_DESCRIBE:
        return Describe(static_cast<HelpModuleInfo*>(OutData));
    case HM_SHOWHELP:
        return ShowHelp(static_cast<const HelpRequest*>(InData), static_cast<HelpResult*>(OutData));
    default:
        return 0;
    }
}
