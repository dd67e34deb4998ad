// The text view's character classes of HTML (private to text/): what the charset prescan, the
// tokenizer and the tree builder take for space, for invisible and for an ASCII letter.
#pragma once

namespace htmltext {

inline bool IsHtmlSpace(char32_t c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

// Spaces a browser shows as spaces and breaks at (the no-break ones are not among them).
inline bool IsOtherSpace(char32_t c) {
    return (c >= 0x2000 && c <= 0x200A) || c == 0x205F || c == 0x3000 || c == 0x1680;
}

// Characters that show nothing: controls, the soft hyphen, zero-width marks, a stray BOM.
inline bool IsInvisible(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c < 0xA0) || c == 0xAD || (c >= 0x200B && c <= 0x200F) ||
           (c >= 0x202A && c <= 0x202E) || c == 0x2060 || c == 0xFEFF;
}

inline bool IsAsciiAlpha(char32_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

inline bool IsAsciiAlnum(char32_t c) {
    return IsAsciiAlpha(c) || (c >= '0' && c <= '9');
}

inline char32_t AsciiLower(char32_t c) {
    return c >= 'A' && c <= 'Z' ? c + 32 : c;
}

} // namespace htmltext
