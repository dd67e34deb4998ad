// The code pages of the CHM reader's text view: the 8-bit pages a help file's pages are written
// in (1250, 1251, 1252, besides UTF-8) and the console pages the text is shown in (437, 850, 852,
// 866, or whatever page the platform hands in as a table), the code page of a Windows language id
// and of a charset label, and the readable stand-ins for characters a console page lacks.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>

enum {
    CodePageUtf8 = 65001,
    CodePageUpperHalf = 128, // an 8-bit page differs from ASCII only in bytes 0x80..0xFF
};
const char32_t UndefinedChar = 0xFFFD; // what an undefined byte decodes to
const char32_t NoBreakSpace = 0x00A0;

// The characters of the bytes 0x80..0xFF of a code page this reader carries (437, 850, 852, 866,
// 1250, 1251, 1252), U+FFFD where the page leaves a byte undefined; null for any other page.
const char32_t* BuiltInUpperHalf(unsigned codePage);

// The Windows (ANSI) code page of a Windows language id: 1250 for the Central European languages,
// 1251 for the Cyrillic ones, 1252 for every other (the compiler's default).
unsigned AnsiCodePageOfLanguage(uint32_t languageId);

// The language id a CHM's "/#SYSTEM" object records (its record 4), or 0 when it records none.
uint32_t SystemLanguageId(const unsigned char* system, uint32_t length);

// The code page a charset label names ("windows-1251", "utf-8", "iso-8859-1", ...; case and
// surrounding blanks ignored), when it is one of the pages read here: 1250, 1251, 1252 or
// CodePageUtf8; else 0. Latin-1 and ASCII labels mean 1252, as they do to browsers.
unsigned CodePageOfCharset(const char* label, size_t length);

// An 8-bit target page: which byte writes a character. Built from the page's upper half
// (U+FFFD or 0 where a byte is undefined); bytes below 0x80 are ASCII.
struct TextTarget {
    char32_t Characters[CodePageUpperHalf]; // sorted
    unsigned char Bytes[CodePageUpperHalf]; // the byte of each
    unsigned Count;
};
void InitTextTarget(TextTarget* target, const char32_t* upperHalf);

// The byte that writes c in the target, or -1 when the page has none.
int TargetByte(const TextTarget& target, char32_t c);

// A readable stand-in for a character that a console page may lack: "--" for an em dash, '"' for
// guillemets and curly quotes, the base letter for an accented Latin one, a transliteration for a
// Cyrillic one, ...; null when there is none (the writer then shows "?"). Always ASCII.
const char* StandIn(char32_t c);

// Appends one character as UTF-8 (a surrogate or out-of-range value as U+FFFD).
void AppendUtf8(std::string* out, char32_t c);

// Text of the text view ('\n' line ends) as UTF-8.
std::string TextAsUtf8(const std::u32string& text);

// Text of the text view in the target page, lines ending in CR LF as Windows text files do; a
// character without a byte becomes its stand-in, or "?".
std::string TextInTarget(const std::u32string& text, const TextTarget& target);
