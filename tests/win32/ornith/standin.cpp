// A test-only stand-in for the HTML Help control: the tests put it in the Wine prefix's system
// folder as hhctrl.ocx and tell Wine's loader to prefer it to the built-in control, so the helper
// process loads it as it would load the real one. Its ordinal 14 appends every call to the file
// that ORNITH_STANDIN_LOG names and answers as the request asks: a file named "missing..." fails
// with a description (300 letters for "missinglong..."), one named "silent..." fails without
// one, one named "hang..." never answers (as a control stuck in a dialog or a network share
// would), the keyword "nowhere" is not found but reported as success, anything else opens (or
// reuses) one topic window.
#include <windows.h>

#include <oleauto.h>
#include <stdio.h>
#include <string.h>

namespace {

struct KeywordLookup {
    int cbStruct;
    BOOL fReserved;
    LPCSTR pszKeywords, pszUrl, pszMsgText, pszMsgTitle, pszWindow;
    BOOL fIndexOnFail;
};

struct LastError {
    int cbStruct;
    HRESULT hr;
    BSTR description;
};

HWND Topic;
HRESULT LastResult;
const wchar_t* LastText;
bool LastErrorFails;

void Log(const char* line) {
    char path[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("ORNITH_STANDIN_LOG", path, sizeof path);
    if (!n || n >= sizeof path) return;
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written;
    WriteFile(file, line, (DWORD)strlen(line), &written, nullptr);
    CloseHandle(file);
}

// HTML Help's windows are ordinary top-level ones; a message-only window is what Wine without a
// display allows, and it takes a replaced procedure and WM_CLOSE the same way.
HWND TopicWindow() {
    if (Topic && IsWindow(Topic)) return Topic;
    WNDCLASSA windowClass;
    memset(&windowClass, 0, sizeof windowClass);
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "StandInTopic";
    RegisterClassA(&windowClass);
    Topic = CreateWindowExA(0, "StandInTopic", "", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                            windowClass.hInstance, nullptr);
    if (!Topic)
        Topic = CreateWindowExA(0, "StandInTopic", "", WS_OVERLAPPEDWINDOW, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                windowClass.hInstance, nullptr);
    return Topic;
}

} // namespace

extern "C" HWND WINAPI StandInHelp(HWND caller, LPCSTR file, UINT command, DWORD_PTR data) {
    if (command == 0x14) {
        LastError* error = (LastError*)data;
        if (LastErrorFails || !error || error->cbStruct != sizeof *error) return nullptr;
        error->hr = LastResult;
        error->description = LastText ? SysAllocString(LastText) : nullptr;
        return (HWND)1;
    }
    const KeywordLookup* link = command == 0x0D ? (const KeywordLookup*)data : nullptr;
    char callerClass[64] = "";
    GetClassNameA(caller, callerClass, sizeof callerClass);
    const char* name = file ? strrchr(file, '\\') : nullptr;
    name = name ? name + 1 : file ? file : "";
    HWND answer = nullptr;
    bool hangs = false;
    LastResult = S_OK;
    LastText = nullptr;
    LastErrorFails = false;
    static wchar_t longText[301];
    if (strncmp(name, "missinglong", 11) == 0) {
        for (int i = 0; i < 300; i++)
            longText[i] = static_cast<wchar_t>(L'a' + i % 26);
        LastResult = E_FAIL;
        LastText = longText;
    } else if (strncmp(name, "missing", 7) == 0) {
        LastResult = E_FAIL;
        LastText = L"The file cannot be opened: r\u00e9sum\u00e9";
    } else if (strncmp(name, "hang", 4) == 0) {
        hangs = true;
    } else if (strncmp(name, "silent", 6) == 0) {
        LastErrorFails = true;
    } else if (!(link && link->pszKeywords && strcmp(link->pszKeywords, "nowhere") == 0)) {
        answer = TopicWindow();
    }
    char line[2048];
    snprintf(line, sizeof line, "%lu\t%s\t%u\t%s\t%s\t%d\t%lu\t%lu\n", GetCurrentProcessId(), callerClass,
             command, file ? file : "(null)", link && link->pszKeywords ? link->pszKeywords : "",
             link ? link->fIndexOnFail : -1, command == 0 ? (unsigned long)data : 0ul,
             (unsigned long)(ULONG_PTR)answer);
    Log(line);
    // Long enough for any time limit the module has, short enough that a helper nobody ends
    // is gone before the next test run.
    if (hangs) Sleep(120000);
    return answer;
}
