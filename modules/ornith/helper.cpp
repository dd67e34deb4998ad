// Ornith.lvx as the helper process: rundll32.exe calls RundllEntry, which loads the HTML Help
// control, serves the module's requests through a hidden window, keeps count of the topic
// windows it has subclassed, and ends when the last of them closes.
#include "shared.hpp"

#include <oleauto.h>
#include <string.h>

namespace {

// The control's ANSI help function (ordinal 14) and the records of the commands we use.
typedef HWND(WINAPI* HTMLHELPFN)(HWND caller, LPCSTR file, UINT command, DWORD_PTR data);

enum {
    HELP_FUNCTION_ORDINAL = 14,
    HH_DISPLAY_TOPIC = 0x0000,
    HH_KEYWORD_LOOKUP = 0x000D,
    HH_GET_LAST_ERROR = 0x0014,
    SHOW_MODES = 3,
    WIDE_TEXT_LIMIT = 511, // characters of an error description converted; the rest is cut anyway
};

struct KeywordLookup {
    int cbStruct;
    BOOL fReserved;
    LPCSTR pszKeywords, pszUrl, pszMsgText, pszMsgTitle, pszWindow;
    BOOL fIndexOnFail;
};
static_assert(sizeof(KeywordLookup) == 32, "HH_AKLINK");

struct LastError {
    int cbStruct;
    HRESULT hr;
    BSTR description;
};
static_assert(sizeof(LastError) == 12, "HH_LAST_ERROR");

const int ShowModes[SHOW_MODES] = {SW_SHOWNORMAL, SW_SHOWMAXIMIZED, SW_SHOWDEFAULT};
// Each topic window's own procedure, kept on the window itself.
const char SavedProcProperty[] = "OrnithSavedProc";

struct Helper {
    HMODULE Control;
    HTMLHELPFN HtmlHelp;
    HANDLE Event;
    HWND Window;
    unsigned Tracked; // topic windows whose procedure we replaced and that are still open
    bool EverTracked;
};

Helper State;

// Ending: the event goes first, so that the next request starts a fresh helper instead of
// sending to this one while it goes away.
void EndHelper() {
    if (State.Event) {
        CloseHandle(State.Event);
        State.Event = nullptr;
    }
    PostMessageA(State.Window, WM_CLOSE, 0, 0);
}

LRESULT CALLBACK TopicWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    WNDPROC saved = (WNDPROC)GetPropA(window, SavedProcProperty);
    LRESULT result = saved ? CallWindowProcA(saved, window, msg, wParam, lParam)
                           : DefWindowProcA(window, msg, wParam, lParam);
    if (msg == WM_CLOSE && State.Tracked) {
        if (--State.Tracked == 0) EndHelper();
    }
    if (msg == WM_NCDESTROY) RemovePropA(window, SavedProcProperty);
    return result;
}

bool ReadKeyText(HKEY key, const char* name, char* text) {
    DWORD type = 0, size = ORNITH_PATH_SIZE - 1;
    if (RegQueryValueExA(key, name, nullptr, &type, (BYTE*)text, &size) != ERROR_SUCCESS) return false;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
    text[size] = 0;
    return *text != 0;
}

// The preferred developer collection's file, from three levels of HKEY_LOCAL_MACHINE.
bool FindCollection(char* file) {
    const char* names[3] = {"Language", "Preferred", "Filename"};
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\HTML Help Collections\\Developer Collections",
                      0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    char text[ORNITH_PATH_SIZE];
    for (int level = 0;; level++) {
        bool read = ReadKeyText(key, names[level], text);
        if (!read || level == 2) {
            RegCloseKey(key);
            if (read) lstrcpyA(file, text);
            return read;
        }
        HKEY sub;
        LONG opened = RegOpenKeyExA(key, text, 0, KEY_READ, &sub);
        RegCloseKey(key);
        if (opened != ERROR_SUCCESS) return false;
        key = sub;
    }
}

// HTML Help's reason for the last failure, into the shared error text in OEM. 1 when it
// reports success after all (a keyword not found, with the index shown instead).
int AskLastError() {
    LastError error;
    memset(&error, 0, sizeof error);
    error.cbStruct = sizeof error;
    if (!State.HtmlHelp(State.Window, nullptr, HH_GET_LAST_ERROR, (DWORD_PTR)&error)) return 0;
    int result = 0;
    if (error.hr >= 0) {
        result = 1;
    } else if (error.description) {
        char text[2 * (WIDE_TEXT_LIMIT + 1)];
        int length = (int)SysStringLen(error.description);
        if (length > WIDE_TEXT_LIMIT) length = WIDE_TEXT_LIMIT;
        int n = WideCharToMultiByte(CP_ACP, 0, error.description, length, text, sizeof text - 1, nullptr,
                                    nullptr);
        if (n > 0) {
            if (n > ORNITH_TEXT_SIZE - 1) n = ORNITH_TEXT_SIZE - 1;
            text[n] = 0;
            CharToOemA(text, Shared.Data.ErrorText);
        }
    }
    if (error.description) SysFreeString(error.description);
    return result;
}

int ShowTopic(const char* path, const char* keyword, int mode) {
    char collection[ORNITH_PATH_SIZE];
    int result = 0;
    if (lstrcmpiA(path, "MSDN") == 0) {
        if (!FindCollection(collection))
            path = nullptr;
        else
            path = collection;
    }
    if (path) {
        HWND topic;
        if (*keyword) {
            KeywordLookup link;
            memset(&link, 0, sizeof link);
            link.cbStruct = sizeof link;
            link.pszKeywords = keyword;
            link.fIndexOnFail = TRUE;
            topic = State.HtmlHelp(State.Window, path, HH_KEYWORD_LOOKUP, (DWORD_PTR)&link);
        } else {
            topic = State.HtmlHelp(State.Window, path, HH_DISPLAY_TOPIC, 0);
        }
        if (topic) {
            // HTML Help reuses its window for later topics: count each window once.
            WNDPROC old = (WNDPROC)GetWindowLongA(topic, GWL_WNDPROC);
            if (old != TopicWindowProc) {
                SetPropA(topic, SavedProcProperty, (HANDLE)old);
                SetWindowLongA(topic, GWL_WNDPROC, (LONG)TopicWindowProc);
                State.Tracked++;
                State.EverTracked = true;
            }
            ShowWindow(topic, SW_SHOW);
            ShowWindow(topic, ShowModes[mode]);
            return 1;
        }
        result = AskLastError();
    }
    if (!State.EverTracked && State.Tracked == 0) EndHelper();
    return result;
}

// Splits the request block (path, keyword, show mode); false when the block is malformed.
bool ServeRequest(HANDLE mapping, int* result) {
    const char* view = (const char*)MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0);
    if (!view) return false;
    MEMORY_BASIC_INFORMATION region;
    size_t size = VirtualQuery(view, &region, sizeof region) ? region.RegionSize : 0;
    const char* end = view + size;
    const char* path = view;
    const char* pathEnd = (const char*)memchr(path, 0, end - path);
    const char* keyword = pathEnd ? pathEnd + 1 : nullptr;
    const char* keywordEnd =
        keyword && keyword < end ? (const char*)memchr(keyword, 0, end - keyword) : nullptr;
    bool wellFormed = keywordEnd && 1 <= end - keywordEnd - 1;
    if (wellFormed) {
        unsigned mode = (unsigned char)keywordEnd[1];
        *result = ShowTopic(path, keyword, mode < SHOW_MODES ? (int)mode : 0);
    }
    UnmapViewOfFile(view);
    return wellFormed;
}

LRESULT CALLBACK HelperWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CLOSE) {
        PostQuitMessage(0);
        return 0;
    }
    if (msg != ORNITH_REQUEST) return DefWindowProcA(window, msg, wParam, lParam);
    HANDLE mapping = (HANDLE)wParam;
    int result = 0;
    if (State.HtmlHelp) ServeRequest(mapping, &result);
    CloseHandle(mapping);
    if (!result && State.Tracked == 0) EndHelper();
    return result;
}

// The control's own application icon: its first icon group (names are valid only here).
BOOL CALLBACK LoadFirstIcon(HMODULE module, LPCSTR, LPSTR name, LONG_PTR icon) {
    *(HICON*)icon = LoadIconA(module, name);
    return FALSE;
}

HWND CreateHelperWindow(HINSTANCE instance) {
    WNDCLASSA windowClass;
    memset(&windowClass, 0, sizeof windowClass);
    windowClass.lpfnWndProc = HelperWindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = OrnithClassName;
    if (State.Control) {
        EnumResourceNamesA(State.Control, RT_GROUP_ICON, (ENUMRESNAMEPROCA)LoadFirstIcon,
                           (LONG_PTR)&windowClass.hIcon);
    }
    if (!RegisterClassA(&windowClass)) return nullptr;
    HWND window = CreateWindowExA(0, OrnithClassName, "", WS_OVERLAPPEDWINDOW, 0, 0, 0, 0, nullptr, nullptr,
                                  instance, nullptr);
    // Without a desktop (a service session, Wine without a display) only a message-only
    // window can be had; it serves requests just as well.
    if (!window)
        window =
            CreateWindowExA(0, OrnithClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
    return window;
}

} // namespace

extern "C" void WINAPI RundllEntry(HWND, HINSTANCE instance, LPSTR, int) {
    memset(&State, 0, sizeof State);
    State.Event = OpenEventA(EVENT_ALL_ACCESS, FALSE, OrnithEventName);
    State.Control = LoadLibraryA("HHCTRL.OCX");
    if (State.Control)
        State.HtmlHelp =
            (HTMLHELPFN)(void*)GetProcAddress(State.Control, MAKEINTRESOURCEA(HELP_FUNCTION_ORDINAL));
    if (!instance) instance = GetModuleHandleA(nullptr);
    State.Window = CreateHelperWindow(instance);
    if (State.Window) {
        Shared.Data.HelperWindow = State.Window;
        if (State.Event) SetEvent(State.Event);
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    if (State.Event) CloseHandle(State.Event);
    if (State.Control) FreeLibrary(State.Control);
}
