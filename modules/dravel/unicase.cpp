// Case and character classes by ranges of the Unicode blocks that hold cased letters of Latin,
// Greek and Cyrillic. Within most of those blocks a capital and its small letter stand side by
// side (capital at the even or at the odd code point); the table below says which, block part by
// block part, and the few letters that stand apart are listed singly.
#include "unicase.h"

#include "codepage.h"

namespace dravel {

namespace {

// A range of letters whose capitals stand at code points of one parity, each followed by its
// small letter.
struct PairedRange {
    char32_t first, last; // first is a capital
};

const PairedRange kPaired[] = {
    {0x0100, 0x012F}, {0x0132, 0x0137}, {0x0139, 0x0148}, {0x014A, 0x0177}, {0x0179, 0x017E},
    {0x0182, 0x0185}, {0x0187, 0x0188}, {0x018B, 0x018C}, {0x0191, 0x0192}, {0x0198, 0x0199},
    {0x01A0, 0x01A5}, {0x01A7, 0x01A8}, {0x01AC, 0x01AD}, {0x01AF, 0x01B0}, {0x01B3, 0x01B6},
    {0x01CD, 0x01DC}, {0x01DE, 0x01EF}, {0x01F8, 0x021F}, {0x0222, 0x0233}, {0x03D8, 0x03EF},
    {0x0460, 0x0481}, {0x048A, 0x04BF}, {0x04C1, 0x04CE}, {0x04D0, 0x052F}, {0x1E00, 0x1E95},
    {0x1EA0, 0x1EFF},
};

// Capitals whose small letter lies apart.
struct Single {
    char32_t upper, lower;
};

const Single kSingles[] = {
    {0x0130, 0x0069}, {0x0178, 0x00FF}, {0x0181, 0x0253}, {0x0186, 0x0254}, {0x0189, 0x0256},
    {0x018A, 0x0257}, {0x018E, 0x01DD}, {0x018F, 0x0259}, {0x0190, 0x025B}, {0x0193, 0x0260},
    {0x0194, 0x0263}, {0x0196, 0x0269}, {0x0197, 0x0268}, {0x019C, 0x026F}, {0x019D, 0x0272},
    {0x01A9, 0x0283}, {0x01AE, 0x0288}, {0x01B1, 0x028A}, {0x01B2, 0x028B}, {0x01B7, 0x0292},
    {0x01C4, 0x01C6}, {0x01C7, 0x01C9}, {0x01CA, 0x01CC}, {0x01F1, 0x01F3}, {0x0386, 0x03AC},
    {0x0388, 0x03AD}, {0x0389, 0x03AE}, {0x038A, 0x03AF}, {0x038C, 0x03CC}, {0x038E, 0x03CD},
    {0x038F, 0x03CE}, {0x04C0, 0x04CF}, {0x1E9E, 0x00DF},
};

// Which code point of a paired range is the capital's parity.
bool PairedCapital(char32_t c, bool* isCapital) {
    for (const PairedRange& r : kPaired) {
        if (c >= r.first && c <= r.last) {
            *isCapital = ((c - r.first) & 1) == 0;
            return true;
        }
    }
    return false;
}

} // namespace

char32_t LowerCase(char32_t c) {
    if (c < 0x80) return c >= 'A' && c <= 'Z' ? c + 0x20 : c;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
    if (c >= 0x0391 && c <= 0x03AB && c != 0x03A2) return c + 0x20;
    if (c >= 0x0400 && c <= 0x040F) return c + 0x50;
    if (c >= 0x0410 && c <= 0x042F) return c + 0x20;
    bool capital = false;
    if (PairedCapital(c, &capital)) return capital ? c + 1 : c;
    for (const Single& s : kSingles)
        if (s.upper == c) return s.lower;
    return c;
}

char32_t UpperCase(char32_t c) {
    if (c < 0x80) return c >= 'a' && c <= 'z' ? c - 0x20 : c;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
    if (c >= 0x03B1 && c <= 0x03CB && c != 0x03C2) return c - 0x20;
    if (c >= 0x0450 && c <= 0x045F) return c - 0x50;
    if (c >= 0x0430 && c <= 0x044F) return c - 0x20;
    bool capital = false;
    if (PairedCapital(c, &capital)) return capital ? c : c - 1;
    for (const Single& s : kSingles)
        if (s.lower == c && s.upper != 0x0130 && s.upper != 0x1E9E) return s.upper;
    return c;
}

bool IsLetterOrDigit(char32_t c) {
    if (c < 0x80) return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    if (c < 0xC0) return c == 0xAA || c == 0xB2 || c == 0xB3 || c == 0xB5 || c == 0xB9 || c == 0xBA;
    if (c == 0xD7 || c == 0xF7) return false;
    if (c >= 0x0300 && c <= 0x036F) return false; // combining marks
    if (c >= 0x0482 && c <= 0x0489) return false; // Cyrillic signs and combining marks
    if (c == 0x037E || c == 0x0387) return false; // Greek question mark and ano teleia
    if (c >= 0x2000 && c <= 0x2BFF) return false; // punctuation, signs, arrows, symbols, shapes
    if (c >= 0x2E00 && c <= 0x2E7F) return false; // supplemental punctuation
    if (c >= 0x3000 && c <= 0x303F) return false; // CJK symbols and punctuation
    if (c >= 0xD800 && c <= 0xF8FF) return false; // surrogates and private use
    if (c >= 0xFE00 && c <= 0xFE6F) return false; // variation selectors, small forms
    if (c >= 0xFF00 && c <= 0xFF0F) return false; // full-width punctuation
    if (c >= 0xFFF0) return c > 0xFFFF;           // specials
    return true;
}

bool IsWhiteSpace(char32_t c) {
    if (c < 0x80) return c == ' ' || (c >= '\t' && c <= '\r');
    return c == 0x1680 || (c >= 0x2000 && c <= 0x2006) || (c >= 0x2008 && c <= 0x200A) || c == 0x2028 ||
           c == 0x2029 || c == 0x205F || c == 0x3000;
}

char32_t NextCharacter(const char* text, size_t length, size_t* at) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text) + *at;
    size_t left = length - *at;
    unsigned char b = p[0];
    int extra = b >= 0xF0 && b < 0xF5 ? 3 : b >= 0xE0 && b < 0xF0 ? 2 : b >= 0xC2 && b < 0xE0 ? 1 : 0;
    if (extra == 0 || (size_t)extra >= left) {
        *at += 1;
        return b;
    }
    char32_t c = extra == 3 ? b & 0x07u : extra == 2 ? b & 0x0Fu : b & 0x1Fu;
    for (int k = 1; k <= extra; ++k) {
        if ((p[k] & 0xC0) != 0x80) {
            *at += 1;
            return b;
        }
        c = (c << 6) | (p[k] & 0x3Fu);
    }
    if ((extra == 2 && c < 0x800) || (extra == 3 && (c < 0x10000 || c > 0x10FFFF)) ||
        (c >= 0xD800 && c <= 0xDFFF)) {
        *at += 1;
        return b;
    }
    *at += (size_t)extra + 1;
    return c;
}

std::string LowerCaseUtf8(const char* text, size_t length) {
    std::string out;
    out.reserve(length);
    for (size_t at = 0; at < length;)
        AppendUtf8(&out, LowerCase(NextCharacter(text, length, &at)));
    return out;
}

} // namespace dravel
