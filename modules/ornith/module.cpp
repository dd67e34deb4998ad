// Ornith.lvx inside Far's process, on the common module front (which supplies the exports): the
// HowShowWindow setting and its dialog, and the request path to the helper process (start it
// when no helper is alive, hand it the request block through a duplicated mapping handle, wait
// for its answer, ORNITH_TIME_LIMIT at most for each step).
#include "dlgtemplate.hpp"
#include "modulefront.hpp"
#include "shared.hpp"
#include "text.hpp"

#include <string.h>

namespace {

enum OrnithMessage {
    MsgTitle = 0,
    MsgLabel = 1,
    MsgNormal = 2, // list rows 0..2 are messages 2..4
    MsgMaximized = 3,
    MsgDefault = 4,
    MsgFailed = 5,
    MsgAccept = 6,
    MsgCancel = 7,
};

enum {
    SHOW_MODES = 3,
    ITEM_LIST = 2,
    ITEM_ACCEPT = 4,
    DIALOG_ITEMS = 6,
    COMMAND_SIZE = 260,
    HUNG_HELPER_END_WAIT = 5000, // for a helper that is being ended to be gone
};

const char HowShowWindowName[] = "HowShowWindow";

struct OrnithModule : ModuleFront {
    int HowShowWindow; // 0 normal, 1 maximized, 2 default
};

OrnithModule Front;
HelpTypeInfo HtmlHelpType; // the host keeps this pointer

void GetText(int n, char* dest) {
    ModuleText(Front.Module, n, dest);
}

int Describe(HelpModuleInfo* info) {
    return DescribeConfigurable(Front, &HtmlHelpType, 0, "Ornith", "*.chm,*.col,*.its,msdn", "WIN", info);
}

void Configure() {
    if (!Front.Info.Dialog) return;
    static const DialogTemplateItem layout[DIALOG_ITEMS] = {
        {DI_DOUBLEBOX, 3, 1, 50, 6, 0, MsgTitle},
        {DI_TEXT, 5, 2, 0, 0, 0, MsgLabel},
        {DI_COMBOBOX, 5, 3, 47, 0, DIF_DROPDOWNLIST, -1},
        {DI_TEXT, 4, 4, 0, 0, DIF_SEPARATOR, -1},
        {DI_BUTTON, 0, 5, 0, 0, DIF_CENTERGROUP, MsgAccept},
        {DI_BUTTON, 0, 5, 0, 0, DIF_CENTERGROUP, MsgCancel},
    };
    static const int rowTexts[SHOW_MODES] = {MsgNormal, MsgMaximized, MsgDefault};
    FarDialogItem items[DIALOG_ITEMS];
    ModuleDialogTexts texts = {&Front.Module, ""};
    ExpandDialog(layout, DIALOG_ITEMS, items, ModuleDialogText, &texts);
    FarListItem rows[SHOW_MODES];
    FarList list;
    FillModuleList(Front.Module, rowTexts, SHOW_MODES, Front.HowShowWindow, rows, &list);
    items[ITEM_LIST].ListItems = &list;
    items[ITEM_LIST].Focus = 1;
    items[ITEM_ACCEPT].DefaultButton = 1;

    int result = Front.Info.Dialog(Front.Info.ModuleNumber, -1, -1, 54, 8, nullptr, items, DIALOG_ITEMS);
    if (result != ITEM_ACCEPT) return;
    Front.HowShowWindow = ChosenListRow(items[ITEM_LIST], SHOW_MODES);
    WriteNumberSetting(Front.FSF, Front.SettingsKey, HowShowWindowName, Front.HowShowWindow);
}

// Starts rundll32.exe on this library's RundllEntry and waits until the helper's window
// exists. False when it cannot be started, ends first, or does not answer in time.
bool StartHelper() {
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, OrnithEventName);
    if (!event) return false;
    char shortPath[NM], command[COMMAND_SIZE];
    DWORD n = GetShortPathNameA(Front.Module.ModuleName, shortPath, sizeof shortPath);
    // rundll32.exe splits its command line at spaces: the long path will not do.
    if (!n || n >= sizeof shortPath || n + sizeof " ,RundllEntry" + 12 > sizeof command) {
        CloseHandle(event);
        return false;
    }
    lstrcpyA(command, "rundll32.exe ");
    lstrcatA(command, shortPath);
    lstrcatA(command, ",RundllEntry");
    // The system's own rundll32.exe by its full path: a bare name is looked for in Far's folder
    // and the current one first, where any rundll32.exe that lies there would run instead.
    char program[NM];
    UINT length = GetSystemDirectoryA(program, sizeof program);
    if (!length || length + sizeof "\\rundll32.exe" > sizeof program) {
        CloseHandle(event);
        return false;
    }
    lstrcatA(program, "\\rundll32.exe");
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    if (!CreateProcessA(program, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        CloseHandle(event);
        return false;
    }
    Shared.Data.HelperProcessId = process.dwProcessId;
    CloseHandle(process.hThread);
    // The process handle is kept for the wait: a helper that ends before it sets the event
    // would otherwise leave Far waiting for ever.
    HANDLE waits[2] = {event, process.hProcess};
    DWORD woke = WaitForMultipleObjects(2, waits, FALSE, ORNITH_TIME_LIMIT);
    CloseHandle(process.hProcess);
    CloseHandle(event);
    return woke == WAIT_OBJECT_0;
}

// A running helper's event, waited for (it may still be starting for another process).
bool WaitForRunningHelper(HANDLE event) {
    DWORD woke = WaitForSingleObject(event, ORNITH_TIME_LIMIT);
    CloseHandle(event);
    return woke == WAIT_OBJECT_0;
}

// The request block in a new mapping, its handle moved into the helper process; 0 on failure.
HANDLE HandRequestToHelper(const char* file, const char* keyword) {
    HANDLE process = OpenProcess(PROCESS_DUP_HANDLE, FALSE, Shared.Data.HelperProcessId);
    if (!process) return nullptr;
    size_t fileLength = strlen(file), keywordLength = strlen(keyword);
    DWORD size = (DWORD)(fileLength + keywordLength + 3);
    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, nullptr);
    char* view = mapping ? (char*)MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, size) : nullptr;
    HANDLE remote = nullptr;
    if (view) {
        memcpy(view, file, fileLength + 1);
        memcpy(view + fileLength + 1, keyword, keywordLength + 1);
        view[fileLength + keywordLength + 2] = (char)Front.HowShowWindow;
        if (!DuplicateHandle(GetCurrentProcess(), mapping, process, &remote, 0, FALSE,
                             DUPLICATE_CLOSE_SOURCE | DUPLICATE_SAME_ACCESS))
            remote = nullptr;
        mapping = nullptr; // closed by the duplication, whatever its outcome
        UnmapViewOfFile(view);
    }
    if (mapping) CloseHandle(mapping);
    CloseHandle(process);
    return remote;
}

// The helper window named in the shared section, if it is still one of ours.
HWND LiveHelperWindow() {
    HWND window = Shared.Data.HelperWindow;
    char name[sizeof "OrnithWClass" + 1];
    if (!window || !GetClassNameA(window, name, sizeof name)) return nullptr;
    return lstrcmpA(name, OrnithClassName) == 0 ? window : nullptr;
}

// A helper that did not answer in time: its one thread is stuck, and so are its topic windows.
// It is ended, so that its event goes with it and the next request starts a fresh helper rather
// than waiting for this one again. The process is found from the window itself, never from an id
// that may since have been reused.
void EndHungHelper(HWND window) {
    DWORD id = 0;
    if (LiveHelperWindow() != window || !GetWindowThreadProcessId(window, &id) || !id) return;
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
    if (!process) return;
    if (TerminateProcess(process, 1)) WaitForSingleObject(process, HUNG_HELPER_END_WAIT);
    CloseHandle(process);
}

int ShowHelp(const HelpRequest* request, HelpResult* result) {
    const char* file = request->FileName ? request->FileName : "";
    const char* keyword = request->Keyword ? request->Keyword : "";
    char failed[ORNITH_TEXT_SIZE];
    GetText(MsgFailed, failed);
    HANDLE event = OpenEventA(EVENT_ALL_ACCESS, FALSE, OrnithEventName);
    bool ready = event ? WaitForRunningHelper(event) : StartHelper();
    HWND window = Shared.Data.HelperWindow;
    HANDLE remote = ready && window ? HandRequestToHelper(file, keyword) : nullptr;
    if (!remote) {
        CopyText(result->ErrorText, failed, sizeof result->ErrorText);
        return 0;
    }
    SetForegroundWindow(window);
    CopyText(Shared.Data.ErrorText, failed, sizeof Shared.Data.ErrorText);
    DWORD_PTR reply = 0;
    if (!SendMessageTimeoutA(window, ORNITH_REQUEST, (WPARAM)remote, 0, SMTO_NORMAL, ORNITH_TIME_LIMIT,
                             &reply)) {
        // No answer in time, or the window went away with its helper. The shared text is not
        // this request's answer then: a late reply may still write it.
        EndHungHelper(window);
        CopyText(result->ErrorText, failed, sizeof result->ErrorText);
        return 0;
    }
    int answer = (int)reply;
    if (!answer) {
        Shared.Data.ErrorText[sizeof Shared.Data.ErrorText - 1] = 0;
        CopyText(result->ErrorText, Shared.Data.ErrorText, sizeof result->ErrorText);
    }
    return answer;
}

void ReadSettings() {
    Front.HowShowWindow =
        (int)((unsigned)ReadNumberSetting(Front.FSF, Front.SettingsKey, HowShowWindowName, "0") % SHOW_MODES);
}

// Ends the helper and with it every topic window it shows; a hung one is ended by force.
void EndHelper() {
    HWND window = LiveHelperWindow();
    DWORD_PTR reply;
    if (window && !SendMessageTimeoutA(window, WM_CLOSE, 0, 0, SMTO_NORMAL, ORNITH_TIME_LIMIT, &reply))
        EndHungHelper(window);
}

} // namespace

const ModuleDefinition ThisModule = {
    &Front, "Ornith", ReadSettings, {Describe, ShowHelp, Configure}, EndHelper};
