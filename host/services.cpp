// Host services for the help modules (see services.hpp). Module language files
// are initialisation files with one section per language; line n of the
// section is message n.
#include "services.hpp"

#include "heap.hpp"
#include "lumivo.hpp"
#include "sectionline.hpp"

#include <string.h>

void GetModuleLanguage(char* buffer) {
    DWORD length = GetEnvironmentVariableA("FARLANG", buffer, LANGUAGE_NAME_SIZE);
    if (length == 0 || length >= LANGUAGE_NAME_SIZE) strcpy(buffer, "English");
}

int WINAPI GetModuleMsg(const char* langFile, int n, char* dest) {
    if (!dest) return 0;
    dest[0] = 0;
    if (!langFile) return 0;
    char language[LANGUAGE_NAME_SIZE];
    GetModuleLanguage(language);
    // The file is read here rather than through GetPrivateProfileSectionA, which fills its
    // buffer with one overlong line and loses every line after it.
    HANDLE file = CreateFileA(langFile, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    DWORD size = GetFileSize(file, nullptr), got = 0;
    char* text = size <= LANG_FILE_LIMIT ? (char*)HeapAllocZero(size + 1) : nullptr;
    char* section = text ? (char*)HeapAllocZero(LANG_SECTION_SIZE) : nullptr;
    int copied = 0;
    if (section && ReadFile(file, text, size, &got, nullptr)) {
        // The modules promise buffers of 128 characters; a longer line is cut to fit. Lines up
        // to n are all it takes, and at 128 characters each they fit the buffer up to 255.
        size_t lines = n < 0 ? 0 : (size_t)n + 1;
        size_t length =
            CollectSection(text, got, language, lines, MODULE_MSG_SIZE - 1, section, LANG_SECTION_SIZE);
        copied = PickSectionLine(section, length, n, dest, MODULE_MSG_SIZE);
    }
    HeapFreeBlock(section);
    HeapFreeBlock(text);
    CloseHandle(file);
    return copied;
}

// The module path of the dialog that is open; only one module dialog at a time.
static char DialogModulePath[NM];

long WINAPI ModuleDlgProc(HANDLE hDlg, int msg, int param1, long param2) {
    if (msg == DN_INITDIALOG) {
        const char* path = (const char*)param2;
        DialogModulePath[0] = 0;
        if (path) {
            strncpy(DialogModulePath, path, NM - 1);
            DialogModulePath[NM - 1] = 0;
        }
        return 0;
    }
    if (msg == DN_HELP) {
        Info.ShowHelp(DialogModulePath, (const char*)param2, FHELP_SELFHELP);
        return 0;
    }
    return Info.DefDlgProc(hDlg, msg, param1, param2);
}

int WINAPI ModuleMenu(const char* modulePath, int pluginNumber, int x, int y, int maxHeight, DWORD flags,
                      const char* title, const char* bottom, const char* helpTopic, const int* breakKeys,
                      int* breakCode, const FarMenuItem* items, int itemsNumber) {
    static const int HelpKeyOnly[] = {VK_F1, 0};
    int ownBreakCode;
    if (!breakKeys) breakKeys = HelpKeyOnly, breakCode = &ownBreakCode;
    if (!breakCode) breakCode = &ownBreakCode;
    for (;;) {
        int result = Info.Menu(pluginNumber, x, y, maxHeight, flags, title, bottom, helpTopic, breakKeys,
                               breakCode, items, itemsNumber);
        if (result < 0 || *breakCode != 0) return result;
        Info.ShowHelp(modulePath, helpTopic, FHELP_SELFHELP);
    }
}

enum EncodingKind { ENCODING_OEM, ENCODING_WIN, ENCODING_UNKNOWN };

static EncodingKind ClassifyEncoding(const char* encoding) {
    if (!encoding || !*encoding || !strcmp(encoding, "OEM")) return ENCODING_OEM;
    return !strcmp(encoding, "WIN") ? ENCODING_WIN : ENCODING_UNKNOWN;
}

// A negative length or a null buffer with a positive length converts nothing.
static int Convert(char* buffer, int length, const char* encoding,
                   BOOL(WINAPI* convert)(LPCSTR, LPSTR, DWORD)) {
    switch (ClassifyEncoding(encoding)) {
    case ENCODING_OEM:
        return 1;
    case ENCODING_WIN:
        if (length < 0 || (!buffer && length > 0)) return 0;
        if (length) convert(buffer, buffer, (DWORD)length);
        return 1;
    default:
        return 0;
    }
}

int WINAPI OemToEncoding(char* buffer, int length, const char* encoding) {
    return Convert(buffer, length, encoding, OemToCharBuffA);
}

int WINAPI EncodingToOem(char* buffer, int length, const char* encoding) {
    return Convert(buffer, length, encoding, CharToOemBuffA);
}
