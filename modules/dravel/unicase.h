// Unicode case and character classes as the shipped dictionaries' collations need them: lower
// case for the Latin, Greek and Cyrillic letters (the scripts of the dictionaries users keep),
// which characters count as letters or digits and which as spaces, and UTF-8 read one character
// at a time.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>

namespace dravel {

// The lower-case form of a Latin, Greek or Cyrillic capital; any other character as it is.
char32_t LowerCase(char32_t c);
// The capital of a Latin, Greek or Cyrillic small letter; any other character as it is.
char32_t UpperCase(char32_t c);

// A letter or a digit, as the C library's Unicode classes count them, closely enough for the
// dictionaries' collations: punctuation, symbols, combining marks and spaces are not.
bool IsLetterOrDigit(char32_t c);
// White space, as the C library's Unicode classes count it (no-break spaces are not).
bool IsWhiteSpace(char32_t c);

// The character at text[*at] (a UTF-8 sequence, advancing *at past it). A byte that starts no
// well-formed sequence is read alone, as the Latin-1 character of its value.
char32_t NextCharacter(const char* text, size_t length, size_t* at);

// Text in lower case (UTF-8 in, UTF-8 out), for comparing without regard to case.
std::string LowerCaseUtf8(const char* text, size_t length);

} // namespace dravel
