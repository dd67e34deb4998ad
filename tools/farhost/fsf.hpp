// The stand-in host's FarStandardFunctions table and the file-mask matcher behind
// ProcessName, CmpName and FarRecursiveSearch, with Far 1.70's semantics.
#pragma once

#include "far.hpp"

// Fills all 228 bytes of the table: StructSize 228, every function, the nine
// Reserved slots 0. The table may be copied freely; the functions keep no
// per-table state.
void FillStandardFunctions(FarStandardFunctions* fsf);

// Far's OEM case table: built once from the Windows case functions applied
// through the ANSI code page (OEM -> ANSI, CharLower/CharUpper, ANSI -> OEM).
unsigned char FarLowerOem(unsigned char c);
unsigned char FarUpperOem(unsigned char c);

// One mask against one name, as CmpName does it (case-insensitive through the OEM
// table, * ? [..] and the "*." special cases). With skipPath only the part of
// name after its last \ / or X: is compared.
bool FarMatchMask(const char* mask, const char* name, bool skipPath = false);

// A ProcessName (PN_CMPNAMELIST) list: split at ',' only, [..] protects commas,
// spaces after a comma skipped, quotes literal, no '|'. The first match wins.
bool FarMatchMaskList(const char* list, const char* name, bool skipPath = false);

// A file-filter list as FarRecursiveSearch takes it: ',' and ';' separators,
// trimmed spaces, quotes, [..], "include|exclude", *.* as *. Returns false for
// an invalid list (unterminated quote, empty element) as well as for no match.
// shortName (the 8.3 alias) may be null or empty; either name matching counts.
bool FarMatchFileFilter(const char* list, const char* name, const char* shortName);
// True when the list parses (the recursive search does nothing for an invalid one).
bool FarFileFilterValid(const char* list);

// The PluginStartupInfo.CmpName service: one mask, SkipPath non-zero to skip the path.
int WINAPI FarCmpName(const char* Pattern, const char* String, int SkipPath);

// MkTemp's folder is read once, like Far reads it at start-up. Tests and the engine
// may point it elsewhere; a null or empty path goes back to the Windows temp path.
// A trailing backslash is added when missing.
void FarSetTempFolder(const char* path);
