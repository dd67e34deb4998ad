// Settings store over the registry (see settings.hpp).
#include "settings.hpp"

#include <string.h>

static void CopyDefault(char* buffer, const char* defaultText, DWORD size) {
    if (!size) return;
    size_t len = defaultText ? strlen(defaultText) : 0;
    if (len >= size) len = size - 1;
    if (len) memcpy(buffer, defaultText, len);
    buffer[len] = 0;
}

bool ReadSetting(const char* key, const char* name, char* buffer, const char* defaultText, DWORD size) {
    HKEY hKey;
    bool read = false;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_QUERY_VALUE, &hKey) == ERROR_SUCCESS) {
        DWORD type = 0, length = size;
        if (RegQueryValueExA(hKey, name, nullptr, &type, (BYTE*)buffer, &length) == ERROR_SUCCESS &&
            (type == REG_SZ || type == REG_EXPAND_SZ)) {
            // A value stored without its NUL must still fit one in the buffer.
            if (length < size)
                buffer[length] = 0, read = true;
            else if (length && memchr(buffer, 0, length))
                read = true;
        }
        RegCloseKey(hKey);
    }
    if (!read) CopyDefault(buffer, defaultText, size);
    return read;
}

DWORD SettingSize(const char* key, const char* name) {
    HKEY hKey;
    DWORD size = 0;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_QUERY_VALUE, &hKey) != ERROR_SUCCESS) return 0;
    if (RegQueryValueExA(hKey, name, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) size = 0;
    RegCloseKey(hKey);
    return size;
}

void WriteSetting(const char* key, const char* name, const char* text) {
    HKEY hKey;
    DWORD disposition;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                        &hKey, &disposition) != ERROR_SUCCESS)
        return;
    RegSetValueExA(hKey, name, 0, REG_SZ, (const BYTE*)text, (DWORD)strlen(text) + 1);
    RegCloseKey(hKey);
}

void DeleteSetting(const char* key, const char* name) {
    HKEY hKey;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_SET_VALUE, &hKey) != ERROR_SUCCESS) return;
    RegDeleteValueA(hKey, name);
    RegCloseKey(hKey);
}
