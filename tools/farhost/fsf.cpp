// The stand-in host's FarStandardFunctions: every member of Far 1.70's table with
// the behaviour that build 2087 shows to plug-ins, including its surprises.
#include "fsf.hpp"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

namespace {

// ---------------------------------------------------------------- OEM case table
// Far builds its table once from the Windows case functions, going through the
// ANSI code page. A byte that does not survive OEM -> ANSI -> OEM has no case.
struct CaseTable {
    unsigned char Lower[256];
    unsigned char Upper[256];
    bool IsLower[256];
    bool IsUpper[256];
    bool IsAlpha[256];
    bool IsAlnum[256];

    CaseTable() {
        for (int i = 0; i < 256; ++i) {
            unsigned char oem = static_cast<unsigned char>(i);
            Lower[i] = Upper[i] = oem;
            IsLower[i] = IsUpper[i] = IsAlpha[i] = IsAlnum[i] = false;
            if (i == 0) continue;
            char ansi = 0, back = 0;
            char src = static_cast<char>(oem);
            OemToCharBuffA(&src, &ansi, 1);
            CharToOemBuffA(&ansi, &back, 1);
            if (static_cast<unsigned char>(back) != oem) continue;
            IsAlnum[i] = IsCharAlphaNumericA(ansi) != 0;
            if (!IsCharAlphaA(ansi)) continue;
            IsAlpha[i] = true;
            IsLower[i] = IsCharLowerA(ansi) != 0;
            IsUpper[i] = IsCharUpperA(ansi) != 0;
            char up = ansi, low = ansi, upOem = 0, lowOem = 0;
            CharUpperBuffA(&up, 1);
            CharLowerBuffA(&low, 1);
            CharToOemBuffA(&up, &upOem, 1);
            CharToOemBuffA(&low, &lowOem, 1);
            Upper[i] = static_cast<unsigned char>(upOem);
            Lower[i] = static_cast<unsigned char>(lowOem);
        }
    }
};

const CaseTable& Case() {
    static const CaseTable table;
    return table;
}

inline unsigned char Up(char c) {
    return Case().Upper[static_cast<unsigned char>(c)];
}
inline unsigned char Low(char c) {
    return Case().Lower[static_cast<unsigned char>(c)];
}
inline bool IsSpace(char c) {
    return c == ' ' || c == '\t';
}

// ---------------------------------------------------------------- C runtime wrappers
int WINAPI FarAtoi(const char* s) {
    return s ? atoi(s) : 0;
}
__int64 WINAPI FarAtoi64(const char* s) {
    return s ? _atoi64(s) : 0;
}
char* WINAPI FarItoa(int value, char* buffer, int radix) {
    return buffer ? _itoa(value, buffer, radix) : nullptr;
}
char* WINAPI FarItoa64(__int64 value, char* buffer, int radix) {
    return buffer ? _i64toa(value, buffer, radix) : nullptr;
}

int WINAPIV FarSprintf(char* buffer, const char* format, ...) {
    if (!buffer || !format) return 0;
    va_list args;
    va_start(args, format);
    int n = vsprintf(buffer, format, args);
    va_end(args);
    return n;
}

int WINAPIV FarSscanf(const char* buffer, const char* format, ...) {
    if (!buffer || !format) return 0;
    va_list args;
    va_start(args, format);
    int n = vsscanf(buffer, format, args);
    va_end(args);
    return n;
}

void WINAPI FarQsort(void* base, size_t n, size_t width, int(__cdecl* cmp)(const void*, const void*)) {
    if (base && cmp && width) qsort(base, n, width, cmp);
}

void* WINAPI FarBsearch(const void* key, const void* base, size_t n, size_t width,
                        int(__cdecl* cmp)(const void*, const void*)) {
    if (!key || !base || !cmp || !width) return nullptr;
    return bsearch(key, base, n, width, cmp);
}

void SwapBytes(unsigned char* a, unsigned char* b, size_t width) {
    for (size_t i = 0; i < width; ++i) {
        unsigned char t = a[i];
        a[i] = b[i];
        b[i] = t;
    }
}

// Heap sort: no recursion and no extra memory, so a comparison function that
// itself sorts (through the same table) cannot disturb an outer sort.
void WINAPI FarQsortEx(void* base, size_t n, size_t width,
                       int(__cdecl* cmp)(const void*, const void*, void* user), void* user) {
    if (!base || !cmp || !width || n < 2) return;
    unsigned char* a = static_cast<unsigned char*>(base);
    auto at = [&](size_t i) { return a + i * width; };
    auto siftDown = [&](size_t root, size_t end) {
        for (;;) {
            size_t child = 2 * root + 1;
            if (child >= end) return;
            if (child + 1 < end && cmp(at(child), at(child + 1), user) < 0) ++child;
            if (cmp(at(root), at(child), user) >= 0) return;
            SwapBytes(at(root), at(child), width);
            root = child;
        }
    };
    for (size_t i = n / 2; i-- > 0;)
        siftDown(i, n);
    for (size_t end = n - 1; end > 0; --end) {
        SwapBytes(at(0), at(end), width);
        siftDown(0, end);
    }
}

// ---------------------------------------------------------------- case functions
int WINAPI FarIsLower(unsigned ch) {
    return ch < 256 && Case().IsLower[ch];
}
int WINAPI FarIsUpper(unsigned ch) {
    return ch < 256 && Case().IsUpper[ch];
}
int WINAPI FarIsAlpha(unsigned ch) {
    return ch < 256 && Case().IsAlpha[ch];
}
int WINAPI FarIsAlphanum(unsigned ch) {
    return ch < 256 && Case().IsAlnum[ch];
}
unsigned WINAPI FarUpper(unsigned ch) {
    return ch < 256 ? Case().Upper[ch] : ch;
}
unsigned WINAPI FarLower(unsigned ch) {
    return ch < 256 ? Case().Lower[ch] : ch;
}

void WINAPI FarUpperBuf(char* buf, int length) {
    for (int i = 0; buf && i < length; ++i)
        buf[i] = static_cast<char>(Up(buf[i]));
}
void WINAPI FarLowerBuf(char* buf, int length) {
    for (int i = 0; buf && i < length; ++i)
        buf[i] = static_cast<char>(Low(buf[i]));
}
void WINAPI FarStrupr(char* s) {
    for (; s && *s; ++s)
        *s = static_cast<char>(Up(*s));
}
void WINAPI FarStrlwr(char* s) {
    for (; s && *s; ++s)
        *s = static_cast<char>(Low(*s));
}

// Compares by the lowered byte codes, no collation; at most n characters when n >= 0.
int CompareLowered(const char* s1, const char* s2, long n) {
    if (!s1) s1 = "";
    if (!s2) s2 = "";
    for (long i = 0; n < 0 || i < n; ++i) {
        unsigned char a = Low(s1[i]), b = Low(s2[i]);
        if (a != b) return a < b ? -1 : 1;
        if (!a) break;
    }
    return 0;
}

int WINAPI FarStricmp(const char* s1, const char* s2) {
    return CompareLowered(s1, s2, -1);
}
int WINAPI FarStrnicmp(const char* s1, const char* s2, int n) {
    return n <= 0 ? 0 : CompareLowered(s1, s2, n);
}

// ---------------------------------------------------------------- string functions
void WINAPI FarUnquote(char* str) {
    if (!str) return;
    char* out = str;
    for (const char* in = str; *in; ++in)
        if (*in != '"') *out++ = *in;
    *out = 0;
}

DWORD WINAPI FarExpandEnvironmentStr(const char* src, char* dst, size_t size) {
    if (!src || !dst || size == 0) return 0;
    std::string ansi(strlen(src) + 1, '\0');
    OemToCharA(src, &ansi[0]);
    const std::string original(src); // src and dst may be one buffer
    // Windows expands to at most 32K characters, so a larger Size needs no larger buffer.
    const size_t room = size < 65536 ? size : 65536;
    std::vector<char> expanded(room + 1);
    DWORD need = ExpandEnvironmentStringsA(ansi.c_str(), expanded.data(), static_cast<DWORD>(room));
    if (need != 0 && need <= room) {
        CharToOemA(expanded.data(), dst);
    } else {
        size_t keep = original.size() < size - 1 ? original.size() : size - 1;
        memcpy(dst, original.data(), keep);
        dst[keep] = 0;
    }
    return static_cast<DWORD>(strlen(dst));
}

char* WINAPI FarLTrim(char* str) {
    if (!str) return nullptr;
    size_t skip = 0;
    while (IsSpace(str[skip]))
        ++skip;
    if (skip) memmove(str, str + skip, strlen(str + skip) + 1);
    return str;
}

char* WINAPI FarRTrim(char* str) {
    if (!str) return nullptr;
    size_t len = strlen(str);
    while (len > 0 && (IsSpace(str[len - 1]) || str[len - 1] == '\r' || str[len - 1] == '\n'))
        --len;
    str[len] = 0;
    return str;
}

char* WINAPI FarTrim(char* str) {
    return FarLTrim(FarRTrim(str));
}

char* WINAPI FarTruncStr(char* str, int maxLength) {
    if (!str) return nullptr;
    if (maxLength < 0) maxLength = 0;
    size_t len = strlen(str);
    size_t max = static_cast<size_t>(maxLength);
    if (len <= max) return str;
    if (max > 3) {
        memmove(str + 3, str + len - (max - 3), max - 3 + 1);
        memcpy(str, "...", 3);
    } else {
        str[max] = 0;
    }
    return str;
}

// Keeps the root ("C:\" or "\\server\share\") and puts "..." right after it;
// falls back to TruncStr when the root leaves no room.
char* WINAPI FarTruncPathStr(char* str, int maxLength) {
    if (!str) return nullptr;
    if (maxLength < 0) maxLength = 0;
    int len = static_cast<int>(strlen(str));
    if (len <= maxLength) return str;
    char* start = nullptr;
    if (str[0] && str[1] == ':' && str[2] == '\\') {
        start = str + 3;
    } else if (str[0] == '\\' && str[1] == '\\') {
        char* p = strchr(str + 2, '\\');
        if (p) p = strchr(p + 1, '\\');
        if (p) start = p + 1;
    }
    if (!start || start - str > maxLength - 5) return FarTruncStr(str, maxLength);
    char* from = start + 3 + (len - maxLength);
    memmove(start + 3, from, strlen(from) + 1);
    memcpy(start, "...", 3);
    return str;
}

char* WINAPI FarQuoteSpaceOnly(char* str) {
    if (!str || !strchr(str, ' ')) return str;
    size_t len = strlen(str);
    if (len >= 2 && str[0] == '"' && str[len - 1] == '"') return str;
    memmove(str + 1, str, len + 1);
    str[0] = '"';
    str[len + 1] = '"';
    str[len + 2] = 0;
    return str;
}

char* WINAPI FarPointToName(const char* path) {
    if (!path) return nullptr;
    const char* name = path;
    for (const char* p = path; *p; ++p)
        if (*p == '\\' || *p == '/' || (*p == ':' && p == path + 1)) name = p + 1;
    return const_cast<char*>(name);
}

void WINAPI FarGetPathRoot(const char* path, char* root) {
    if (!root) return;
    *root = 0;
    if (!path || !*path) return;
    char full[MAX_PATH];
    const char* p = path;
    if (!(p[0] == '\\' && p[1] == '\\') && !(p[0] && p[1] == ':')) {
        DWORD n = GetFullPathNameA(path, MAX_PATH, full, nullptr);
        if (n == 0 || n >= MAX_PATH) return;
        p = full;
    }
    if (p[0] == '\\' && p[1] == '\\') {
        const char* server = strchr(p + 2, '\\');
        const char* share = server ? strchr(server + 1, '\\') : nullptr;
        size_t n = share ? static_cast<size_t>(share - p) : strlen(p);
        if (n > MAX_PATH - 2) n = MAX_PATH - 2;
        memcpy(root, p, n);
        root[n] = '\\';
        root[n + 1] = 0;
    } else {
        root[0] = p[0];
        root[1] = ':';
        root[2] = '\\';
        root[3] = 0;
    }
}

// Adds the separator the path already uses most ('\' unless only '/' appear).
BOOL WINAPI FarAddEndSlash(char* path) {
    if (!path) return FALSE;
    int slashes = 0, backslashes = 0;
    char* end = path;
    for (; *end; ++end) {
        slashes += *end == '/';
        backslashes += *end == '\\';
    }
    char sep = backslashes < slashes ? '/' : '\\';
    if (end == path || (end[-1] != '\\' && end[-1] != '/')) {
        end[0] = sep;
        end[1] = 0;
    }
    return TRUE;
}

// ---------------------------------------------------------------- clipboard
// A process-local clipboard: the console host here has no desktop clipboard to
// rely on, and no test may depend on another program's clipboard.
std::string g_clipboard;
bool g_clipboardFull = false;

int WINAPI FarCopyToClipboard(const char* data) {
    g_clipboardFull = data != nullptr;
    g_clipboard = data ? data : "";
    return TRUE;
}

char* WINAPI FarPasteFromClipboard() {
    if (!g_clipboardFull) return nullptr;
    char* copy = static_cast<char*>(malloc(g_clipboard.size() + 1));
    if (copy) memcpy(copy, g_clipboard.c_str(), g_clipboard.size() + 1);
    return copy;
}

void WINAPI FarDeleteBuffer(char* buffer) {
    free(buffer);
}

// ---------------------------------------------------------------- key names
struct KeyName {
    int Code;
    const char* Name;
};

const KeyName kKeyNames[] = {
    {0x08, "BS"},
    {0x09, "Tab"},
    {0x0D, "Enter"},
    {0x1B, "Esc"},
    {0x20, "Space"},
    {KEY_FUNCTION_BASE + VK_PRIOR, "PgUp"},
    {KEY_FUNCTION_BASE + VK_NEXT, "PgDn"},
    {KEY_FUNCTION_BASE + VK_END, "End"},
    {KEY_FUNCTION_BASE + VK_HOME, "Home"},
    {KEY_FUNCTION_BASE + VK_LEFT, "Left"},
    {KEY_FUNCTION_BASE + VK_UP, "Up"},
    {KEY_FUNCTION_BASE + VK_RIGHT, "Right"},
    {KEY_FUNCTION_BASE + VK_DOWN, "Down"},
    {KEY_FUNCTION_BASE + VK_INSERT, "Ins"},
    {KEY_FUNCTION_BASE + VK_DELETE, "Del"},
    {KEY_FUNCTION_BASE + VK_F1, "F1"},
    {KEY_FUNCTION_BASE + VK_F2, "F2"},
    {KEY_FUNCTION_BASE + VK_F3, "F3"},
    {KEY_FUNCTION_BASE + VK_F4, "F4"},
    {KEY_FUNCTION_BASE + VK_F5, "F5"},
    {KEY_FUNCTION_BASE + VK_F6, "F6"},
    {KEY_FUNCTION_BASE + VK_F7, "F7"},
    {KEY_FUNCTION_BASE + VK_F8, "F8"},
    {KEY_FUNCTION_BASE + VK_F9, "F9"},
    {KEY_FUNCTION_BASE + VK_F10, "F10"},
    {KEY_FUNCTION_BASE + VK_F11, "F11"},
    {KEY_FUNCTION_BASE + VK_F12, "F12"},
};

const KeyName kModifierNames[] = {
    {KEY_CTRL, "Ctrl"}, {KEY_RCTRL, "RCtrl"}, {KEY_ALT, "Alt"}, {KEY_RALT, "RAlt"}, {KEY_SHIFT, "Shift"},
};
const int kModifierMask = KEY_CTRL | KEY_RCTRL | KEY_ALT | KEY_RALT | KEY_SHIFT;

BOOL WINAPI FarKeyToName(int key, char* keyText, int size) {
    if (!keyText || size <= 0) return FALSE;
    std::string name;
    for (const KeyName& m : kModifierNames)
        if (key & m.Code) name += m.Name;
    int base = key & ~kModifierMask;
    const char* baseName = nullptr;
    for (const KeyName& k : kKeyNames)
        if (k.Code == base) baseName = k.Name;
    if (baseName)
        name += baseName;
    else if (base > 0x20 && base < 0x100)
        name += static_cast<char>(base);
    else
        return FALSE;
    size_t n = name.size() < static_cast<size_t>(size - 1) ? name.size() : static_cast<size_t>(size - 1);
    memcpy(keyText, name.data(), n);
    keyText[n] = 0;
    return TRUE;
}

int WINAPI FarNameToKey(const char* name) {
    if (!name || !*name) return -1;
    int mods = 0;
    for (bool found = true; found;) {
        found = false;
        for (const KeyName& m : kModifierNames) {
            size_t n = strlen(m.Name);
            if (strncmp(name, m.Name, n) == 0 && name[n]) {
                mods |= m.Code;
                name += n;
                found = true;
                break;
            }
        }
    }
    for (const KeyName& k : kKeyNames)
        if (CompareLowered(name, k.Name, -1) == 0) return mods | k.Code;
    if (name[1] == 0) return mods | static_cast<unsigned char>(name[0]);
    return -1;
}

int WINAPI FarInputRecordToKey(const INPUT_RECORD* rec) {
    if (!rec || rec->EventType != KEY_EVENT || !rec->Event.KeyEvent.bKeyDown) return 0;
    const KEY_EVENT_RECORD& k = rec->Event.KeyEvent;
    int mods = 0;
    if (k.dwControlKeyState & LEFT_CTRL_PRESSED) mods |= KEY_CTRL;
    if (k.dwControlKeyState & RIGHT_CTRL_PRESSED) mods |= KEY_RCTRL;
    if (k.dwControlKeyState & LEFT_ALT_PRESSED) mods |= KEY_ALT;
    if (k.dwControlKeyState & RIGHT_ALT_PRESSED) mods |= KEY_RALT;
    if (k.dwControlKeyState & SHIFT_PRESSED) mods |= KEY_SHIFT;
    int vk = k.wVirtualKeyCode;
    for (const KeyName& n : kKeyNames)
        if (n.Code == KEY_FUNCTION_BASE + vk || n.Code == vk) return mods | n.Code;
    bool letterOrDigit = (vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z');
    if (letterOrDigit && (mods & (KEY_CTRL | KEY_RCTRL | KEY_ALT | KEY_RALT))) return mods | vk;
    unsigned char ch = static_cast<unsigned char>(k.uChar.AsciiChar);
    return ch ? ch : 0;
}

// Far switches a line between keyboard layouts with tables from its settings; the
// stand-in host has none configured, so the text stays as it is.
char* WINAPI FarXLat(char* line, int, int, const CharTableSet*, DWORD) {
    return line;
}

// ---------------------------------------------------------------- files
int WINAPI FarGetFileOwner(const char* computer, const char* name, char* owner) {
    if (!name || !owner) return FALSE;
    *owner = 0;
    DWORD need = 0;
    GetFileSecurityA(name, OWNER_SECURITY_INFORMATION, nullptr, 0, &need);
    if (need == 0) return FALSE;
    std::vector<unsigned char> sd(need);
    if (!GetFileSecurityA(name, OWNER_SECURITY_INFORMATION, sd.data(), need, &need)) return FALSE;
    PSID sid = nullptr;
    BOOL defaulted = FALSE;
    if (!GetSecurityDescriptorOwner(sd.data(), &sid, &defaulted) || !sid) return FALSE;
    char account[NM], domain[NM];
    DWORD accountLen = NM, domainLen = NM;
    SID_NAME_USE use;
    if (!LookupAccountSidA(computer, sid, account, &accountLen, domain, &domainLen, &use)) return FALSE;
    CharToOemA(account, owner);
    return TRUE;
}

// One link when the count cannot be read, as Far reports it.
int WINAPI FarGetNumberOfLinks(const char* name) {
    if (!name) return 1;
    HANDLE h = CreateFileA(name, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 1;
    BY_HANDLE_FILE_INFORMATION info;
    int links = GetFileInformationByHandle(h, &info) ? static_cast<int>(info.nNumberOfLinks) : 1;
    CloseHandle(h);
    return links;
}

// Hard links only (FLINK_HARDLINK = 1 in the low word); junctions and volume
// mount points are beyond the stand-in host.
int WINAPI FarMkLink(const char* src, const char* dest, DWORD flags) {
    if (!src || !dest || (flags & 0xFFFF) != 1) return FALSE;
    return CreateHardLinkA(dest, src, nullptr) ? TRUE : FALSE;
}

// The full path; returns the size it needs with its NUL, copying what fits.
int WINAPI FarConvertNameToReal(const char* src, char* dest, int destSize) {
    if (!src) return 0;
    char full[MAX_PATH];
    DWORD n = GetFullPathNameA(src, MAX_PATH, full, nullptr);
    if (n == 0 || n >= MAX_PATH) return 0;
    if (dest && destSize > 0) lstrcpynA(dest, full, destSize);
    return static_cast<int>(n) + 1;
}

// No reparse points are followed by the stand-in host.
int WINAPI FarGetReparsePointInfo(const char*, char* dest, int destSize) {
    if (dest && destSize > 0) *dest = 0;
    return 0;
}

// ---------------------------------------------------------------- masks
// CmpName as build 2087 has it, including the "*." shortcuts.
bool MatchOne(const char* pattern, const char* string) {
    for (;; ++string) {
        unsigned char sc = Up(*string);
        unsigned char pc = Up(*pattern++);
        switch (pc) {
        case 0:
            return sc == 0;
        case '?':
            if (sc == 0) return false;
            break;
        case '*':
            if (!*pattern) return true;
            if (*pattern == '.') {
                if (pattern[1] == '*' && pattern[2] == 0) return true;
                if (!strpbrk(pattern, "*?[")) {
                    const char* dot = strrchr(string, '.');
                    if (pattern[1] == 0) return dot == nullptr || dot[1] == 0;
                    const char* patDot = strchr(pattern + 1, '.');
                    if (patDot && !dot) return false;
                    if (!patDot && dot) return CompareLowered(pattern + 1, dot + 1, -1) == 0;
                }
            }
            do {
                if (MatchOne(pattern, string)) return true;
            } while (*string++);
            return false;
        case '[': {
            if (!strchr(pattern, ']')) {
                if (pc != sc) return false;
                break;
            }
            if (*pattern && pattern[1] == ']') {
                if (Up(*pattern) != sc) return false;
                pattern += 2;
                break;
            }
            bool match = false;
            unsigned char rc;
            while ((rc = Up(*pattern++)) != 0) {
                if (rc == ']') {
                    if (match) break;
                    return false;
                }
                if (match) continue;
                if (rc == '-' && pattern[-2] != '[' && *pattern != ']') {
                    match = sc <= Up(*pattern) && Up(pattern[-2]) <= sc;
                    ++pattern;
                } else {
                    match = sc == rc;
                }
            }
            if (rc == 0) return false;
            break;
        }
        default:
            if (pc != sc) {
                // The name has ended at a '.' of the mask: the rest must match nothing.
                if (pc == '.' && sc == 0) return *pattern != '.' && MatchOne(pattern, string);
                return false;
            }
            break;
        }
    }
}

// The next element of a ProcessName list, or false at the end. Only ',' splits;
// [..] protects it; spaces after a comma are skipped.
bool NextCommaWord(const char*& src, std::string& word) {
    if (!*src) return false;
    word.clear();
    bool inBrackets = false;
    for (; *src; ++src) {
        if (*src == '[' && strchr(src + 1, ']')) inBrackets = true;
        if (*src == ']') inBrackets = false;
        if (*src == ',' && !inBrackets) {
            ++src;
            while (IsSpace(*src))
                ++src;
            return true;
        }
        word += *src;
    }
    return true;
}

// A parsed file-filter list: include masks and exclude masks.
struct FileFilter {
    std::vector<std::string> Include;
    std::vector<std::string> Exclude;
};

// One part of a filter list (the text on one side of '|'), split at ',' and ';'.
bool ParseMaskPart(const std::string& text, std::vector<std::string>& out) {
    const char* p = text.c_str();
    for (;;) {
        while (IsSpace(*p))
            ++p;
        if (*p == ',' || *p == ';') ++p;
        while (IsSpace(*p))
            ++p;
        if (!*p) break;
        std::string item;
        if (*p == '"') {
            const char* close = strchr(p + 1, '"');
            if (!close) return false;
            item.assign(p + 1, close);
            p = close + 1;
            while (IsSpace(*p))
                ++p;
            if (*p && *p != ',' && *p != ';') return false;
        } else {
            const char* start = p;
            bool inBrackets = false;
            for (; *p; ++p) {
                if (*p == ']') inBrackets = false;
                if (*p == '[' && strchr(p + 1, ']')) inBrackets = true;
                if (!inBrackets && (*p == ',' || *p == ';')) break;
            }
            const char* end = p;
            while (end > start && IsSpace(end[-1]))
                --end;
            item.assign(start, end);
        }
        if (item.empty()) return false;
        if (item == "*.*") item = "*";
        out.push_back(item);
    }
    return !out.empty();
}

bool ParseFileFilter(const char* list, FileFilter& filter) {
    if (!list || !*list) return false;
    std::string include(list), exclude;
    size_t bar = include.find('|');
    bool hasExclude = bar != std::string::npos;
    if (hasExclude) {
        exclude = include.substr(bar + 1);
        include.erase(bar);
        if (exclude.find('|') != std::string::npos) return false;
    }
    bool blankInclude = include.find_first_not_of(" \t") == std::string::npos;
    if (hasExclude && blankInclude) include = "*";
    if (!ParseMaskPart(include, filter.Include)) return false;
    return !hasExclude || ParseMaskPart(exclude, filter.Exclude);
}

bool AnyMatches(const std::vector<std::string>& masks, const char* name) {
    for (const std::string& m : masks)
        if (MatchOne(m.c_str(), name)) return true;
    return false;
}

bool FilterMatches(const FileFilter& f, const char* name) {
    return AnyMatches(f.Include, name) && !AnyMatches(f.Exclude, name);
}

// Far's 8.3 alias is empty when the long name is already short; an empty alias
// must not count as a second name (it would match "*" and dodge every exclusion).
bool FilterMatchesEither(const FileFilter& f, const char* name, const char* shortName) {
    return FilterMatches(f, name) || (shortName && *shortName && FilterMatches(f, shortName));
}

// Builds a name from a wildcard mask and a source name, part by part (name and
// extension): '?' takes the source's next character, '*' the rest of it.
void GenerateName(const char* source, char* maskAndResult) {
    char* dest = FarPointToName(maskAndResult);
    std::string wild(dest);
    std::string src(FarPointToName(source));
    auto split = [](const std::string& s, std::string& name, std::string& ext) {
        size_t dot = s.rfind('.');
        name = dot == std::string::npos ? s : s.substr(0, dot);
        ext = dot == std::string::npos ? "" : s.substr(dot + 1);
        return dot != std::string::npos;
    };
    auto apply = [](const std::string& mask, const std::string& from) {
        std::string out;
        size_t pos = 0;
        for (char c : mask) {
            if (c == '*') {
                if (pos < from.size()) out += from.substr(pos);
                pos = from.size();
            } else if (c == '?') {
                if (pos < from.size()) out += from[pos++];
            } else {
                out += c;
                ++pos;
            }
        }
        return out;
    };
    std::string wName, wExt, sName, sExt;
    bool wildDot = split(wild, wName, wExt);
    split(src, sName, sExt);
    std::string result = apply(wName, sName);
    if (wildDot) result += "." + apply(wExt, sExt);
    while (!result.empty() && result.back() == '.')
        result.pop_back();
    size_t room = NM - 1 - static_cast<size_t>(dest - maskAndResult);
    if (result.size() > room) result.resize(room);
    memcpy(dest, result.c_str(), result.size() + 1);
}

int WINAPI FarProcessName(const char* param1, char* param2, DWORD flags) {
    if (!param1 || !param2) return FALSE;
    bool skipPath = (flags & PN_SKIPPATH) != 0;
    // Build 2087 tests PN_CMPNAME as a bit; its value is 0, so that branch never runs.
    if (flags & PN_CMPNAMELIST) return FarMatchMaskList(param1, param2, skipPath) ? TRUE : FALSE;
    if (flags & PN_GENERATENAME) {
        const char* name = FarPointToName(param2);
        if (!strpbrk(name, "*?")) return FALSE;
        GenerateName(param1, param2);
        return TRUE;
    }
    return FALSE;
}

// ---------------------------------------------------------------- recursive search
struct Search {
    FileFilter Filter;
    FRSUSERFUNC Func;
    void* Param;
    bool Recurse;
    bool ReturnUpDir;
    bool FollowLinks;
};

bool Offer(const Search& s, const WIN32_FIND_DATAA& data, const std::string& fullName) {
    if (!FilterMatchesEither(s.Filter, data.cFileName, data.cAlternateFileName)) return true;
    WIN32_FIND_DATAA copy = data; // the callback may scribble on it
    return s.Func(&copy, fullName.c_str(), s.Param) != 0;
}

// Returns false when the callback asked to stop.
bool ScanFolder(const Search& s, const std::string& dir) {
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA((dir + "*").c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) return true;
    bool go = true;
    do {
        if (strcmp(data.cFileName, ".") == 0 || strcmp(data.cFileName, "..") == 0) continue;
        std::string full = dir + data.cFileName;
        if (!Offer(s, data, full)) {
            go = false;
            break;
        }
        bool folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        bool link = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        if (folder && s.Recurse && (!link || s.FollowLinks)) {
            WIN32_FIND_DATAA self = data;
            if (!ScanFolder(s, full + "\\") || (s.ReturnUpDir && !Offer(s, self, full))) {
                go = false;
                break;
            }
        }
    } while (FindNextFileA(h, &data));
    FindClose(h);
    return go;
}

void WINAPI FarRecursiveSearch(const char* initDir, const char* mask, FRSUSERFUNC func, DWORD flags,
                               void* param) {
    if (!func || !initDir || !*initDir || !mask || !*mask) return;
    Search s;
    if (!ParseFileFilter(mask, s.Filter)) return;
    flags &= 0xFF;
    s.Func = func;
    s.Param = param;
    s.Recurse = (flags & FRS_RECUR) != 0;
    s.ReturnUpDir = (flags & FRS_RETUPDIR) != 0;
    s.FollowLinks = (flags & FRS_SCANSYMLINK) != 0;
    std::string dir(initDir);
    if (dir.back() != '\\' && dir.back() != '/') dir += '\\';
    ScanFolder(s, dir);
}

// ---------------------------------------------------------------- MkTemp
std::string g_tempFolder;

const std::string& TempFolder() {
    if (g_tempFolder.empty()) {
        char path[MAX_PATH + 1];
        DWORD n = GetTempPathA(sizeof path, path);
        g_tempFolder = n > 0 && n < sizeof path ? std::string(path, n) : std::string(".\\");
        if (g_tempFolder.back() != '\\') g_tempFolder += '\\';
    }
    return g_tempFolder;
}

char IdChar(unsigned value) {
    return "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"[value % 36];
}

char* WINAPI FarMkTemp(char* dest, const char* prefix) {
    if (!dest) return nullptr;
    if (!prefix || !*prefix) prefix = "FTMP";
    const std::string& folder = TempFolder();
    if (folder.size() + 12 >= NM) return nullptr;
    char name[13];
    size_t i = 0;
    for (; i < 4 && prefix[i]; ++i)
        name[i] = prefix[i];
    for (; i < 4; ++i)
        name[i] = '0';
    unsigned id = GetCurrentProcessId() * 31u + GetCurrentThreadId();
    name[7] = IdChar(id);
    name[8] = '.';
    name[9] = IdChar(id / 36);
    name[10] = IdChar(id / (36 * 36));
    name[11] = IdChar(id / (36 * 36 * 36));
    name[12] = 0;
    static const char kUnique[] = "0ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    const int kCount = sizeof kUnique - 1;
    for (int n = 0; n < kCount * kCount * kCount; ++n) {
        name[4] = kUnique[n / (kCount * kCount)];
        name[5] = kUnique[n / kCount % kCount];
        name[6] = kUnique[n % kCount];
        std::string path = folder + name;
        FarStrupr(&path[0]);
        if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) continue;
        DWORD err = GetLastError();
        if (err != ERROR_FILE_NOT_FOUND && err != ERROR_PATH_NOT_FOUND) continue;
        memcpy(dest, path.c_str(), path.size() + 1);
        return dest;
    }
    return nullptr;
}

} // namespace

// ---------------------------------------------------------------- public
unsigned char FarLowerOem(unsigned char c) {
    return Case().Lower[c];
}
unsigned char FarUpperOem(unsigned char c) {
    return Case().Upper[c];
}

bool FarMatchMask(const char* mask, const char* name, bool skipPath) {
    if (!mask || !name) return false;
    return MatchOne(mask, skipPath ? FarPointToName(name) : name);
}

bool FarMatchMaskList(const char* list, const char* name, bool skipPath) {
    if (!list || !name) return false;
    std::string word;
    for (const char* p = list; NextCommaWord(p, word);)
        if (FarMatchMask(word.c_str(), name, skipPath)) return true;
    return false;
}

bool FarMatchFileFilter(const char* list, const char* name, const char* shortName) {
    FileFilter f;
    return name && ParseFileFilter(list, f) && FilterMatchesEither(f, name, shortName);
}

bool FarFileFilterValid(const char* list) {
    FileFilter f;
    return ParseFileFilter(list, f);
}

int WINAPI FarCmpName(const char* Pattern, const char* String, int SkipPath) {
    return FarMatchMask(Pattern, String, SkipPath != 0) ? TRUE : FALSE;
}

void FarSetTempFolder(const char* path) {
    g_tempFolder = path ? path : "";
    if (!g_tempFolder.empty() && g_tempFolder.back() != '\\') g_tempFolder += '\\';
}

void FillStandardFunctions(FarStandardFunctions* fsf) {
    if (!fsf) return;
    memset(fsf, 0, sizeof *fsf);
    fsf->StructSize = sizeof *fsf;
    fsf->atoi = FarAtoi;
    fsf->atoi64 = FarAtoi64;
    fsf->itoa = FarItoa;
    fsf->itoa64 = FarItoa64;
    fsf->sprintf = FarSprintf;
    fsf->sscanf = FarSscanf;
    fsf->qsort = FarQsort;
    fsf->bsearch = FarBsearch;
    fsf->qsortex = FarQsortEx;
    fsf->LIsLower = FarIsLower;
    fsf->LIsUpper = FarIsUpper;
    fsf->LIsAlpha = FarIsAlpha;
    fsf->LIsAlphanum = FarIsAlphanum;
    fsf->LUpper = FarUpper;
    fsf->LLower = FarLower;
    fsf->LUpperBuf = FarUpperBuf;
    fsf->LLowerBuf = FarLowerBuf;
    fsf->LStrupr = FarStrupr;
    fsf->LStrlwr = FarStrlwr;
    fsf->LStricmp = FarStricmp;
    fsf->LStrnicmp = FarStrnicmp;
    fsf->Unquote = FarUnquote;
    fsf->ExpandEnvironmentStr = FarExpandEnvironmentStr;
    fsf->LTrim = FarLTrim;
    fsf->RTrim = FarRTrim;
    fsf->Trim = FarTrim;
    fsf->TruncStr = FarTruncStr;
    fsf->TruncPathStr = FarTruncPathStr;
    fsf->QuoteSpaceOnly = FarQuoteSpaceOnly;
    fsf->PointToName = FarPointToName;
    fsf->GetPathRoot = FarGetPathRoot;
    fsf->AddEndSlash = FarAddEndSlash;
    fsf->CopyToClipboard = FarCopyToClipboard;
    fsf->PasteFromClipboard = FarPasteFromClipboard;
    fsf->FarKeyToName = FarKeyToName;
    fsf->FarNameToKey = FarNameToKey;
    fsf->FarInputRecordToKey = FarInputRecordToKey;
    fsf->XLat = FarXLat;
    fsf->GetFileOwner = FarGetFileOwner;
    fsf->GetNumberOfLinks = FarGetNumberOfLinks;
    fsf->FarRecursiveSearch = FarRecursiveSearch;
    fsf->MkTemp = FarMkTemp;
    fsf->DeleteBuffer = FarDeleteBuffer;
    fsf->ProcessName = FarProcessName;
    fsf->MkLink = FarMkLink;
    fsf->ConvertNameToReal = FarConvertNameToReal;
    fsf->GetReparsePointInfo = FarGetReparsePointInfo;
}
