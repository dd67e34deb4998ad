// The settings store: REG_SZ values under a key below HKEY_CURRENT_USER.
// Numbers are stored as decimal text. Failures are never reported: a value
// that cannot be read is its default, a failed write leaves the registry as it was.
#pragma once

#include <windows.h>

// Reads the value into buffer (at most size bytes, terminating NUL included).
// Returns true when it was read; otherwise copies the default (cut to fit) and
// returns false: missing key or value, a value too long for the buffer, one
// that is not text (REG_DWORD, REG_BINARY, ...) or one without its NUL in room.
bool ReadSetting(const char* key, const char* name, char* buffer, const char* defaultText, DWORD size);
// The number of bytes the value holds, its NUL included when it was stored with one; 0 when
// it is missing.
DWORD SettingSize(const char* key, const char* name);
// Sets the value as REG_SZ, length including the NUL; creates the key when needed.
void WriteSetting(const char* key, const char* name, const char* text);
// Deletes the value; a missing key or value is no error.
void DeleteSetting(const char* key, const char* name);
