// The two 8-bit Cyrillic code pages a dictionary may be kept in: their upper halves as Unicode,
// a case fold over each, and comparison functions with the host's LStrnicmp meaning, for the
// tools and tests (the module itself is handed the host's own comparison).
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>

#include "core.h"

namespace dravel {

enum class CodePage { Cp866, Cp1251 };

// Unicode of the bytes 0x80..0xFF (128 entries); 0 where the code page leaves a byte undefined.
const uint16_t* UpperHalf(CodePage cp);

// The byte of a Unicode character in the code page, or -1 when it has none.
int ByteOf(CodePage cp, uint32_t unicode);

// Upper-case form of a byte: Latin and Cyrillic letters fold; everything else stays.
unsigned char FoldCase(CodePage cp, unsigned char c);

int CompareNoCase866(const char* a, const char* b, int n);
int CompareNoCase1251(const char* a, const char* b, int n);
CompareFn CompareFor(CodePage cp);

// "cp866", "866", "cp1251" or "1251" (case ignored). False for anything else.
// The code page's bytes as UTF-8 (undefined bytes become U+FFFD), for showing them on a terminal.
std::string ToUtf8(CodePage cp, const char* text, size_t length);
// One Unicode character appended to a string as UTF-8.
void AppendUtf8(std::string* out, uint32_t unicode);

// UTF-8 as Unicode characters; a byte that does not start a valid sequence is taken as Latin-1.
std::u32string DecodeUtf8(const std::string& utf8);
// UTF-8 text in the code page; characters it lacks become "?".
std::string FromUtf8(CodePage cp, const std::string& utf8);

bool ParseCodePage(const char* name, CodePage* cp);
const char* CodePageName(CodePage cp);

} // namespace dravel
