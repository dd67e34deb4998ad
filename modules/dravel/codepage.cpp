// Code pages 866 and 1251 as tables of their upper halves; every fold and reverse lookup is
// derived from those two tables, so they are the only data to check (the tests compare them
// with the C library's iconv).
#include "codepage.h"

#include <string.h>

namespace dravel {

namespace {

const uint16_t kCp866[128] = {
    // 0x80: А..Я
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, 0x0418, 0x0419, 0x041A, 0x041B, 0x041C,
    0x041D, 0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429,
    0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    // 0xA0: а..п
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437, 0x0438, 0x0439, 0x043A, 0x043B, 0x043C,
    0x043D, 0x043E, 0x043F,
    // 0xB0: box drawing
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D,
    0x255C, 0x255B, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554,
    0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553,
    0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    // 0xE0: р..я
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447, 0x0448, 0x0449, 0x044A, 0x044B, 0x044C,
    0x044D, 0x044E, 0x044F,
    // 0xF0: Ё ё Є є Ї ї Ў ў ° ∙ · √ № ¤ ■ NBSP
    0x0401, 0x0451, 0x0404, 0x0454, 0x0407, 0x0457, 0x040E, 0x045E, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x2116,
    0x00A4, 0x25A0, 0x00A0};

const uint16_t kCp1251[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0000, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
    // 0xC0: А..я
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, 0x0418, 0x0419, 0x041A, 0x041B, 0x041C,
    0x041D, 0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429,
    0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F, 0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436,
    0x0437, 0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443,
    0x0444, 0x0445, 0x0446, 0x0447, 0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F};

uint32_t UpperUnicode(uint32_t u) {
    if (u >= 'a' && u <= 'z') return u - 0x20;
    if (u >= 0x0430 && u <= 0x044F) return u - 0x20;
    if (u >= 0x0450 && u <= 0x045F) return u - 0x50;
    if (u == 0x0491) return 0x0490;
    return u;
}

struct FoldTable {
    unsigned char upper[256];
    explicit FoldTable(CodePage cp) {
        for (int c = 0; c < 256; ++c) {
            uint32_t u = c < 0x80 ? (uint32_t)c : UpperHalf(cp)[c - 0x80];
            uint32_t up = UpperUnicode(u);
            int b = up == u ? -1 : ByteOf(cp, up);
            upper[c] = (unsigned char)(b < 0 ? c : b);
        }
    }
};

const FoldTable& FoldFor(CodePage cp) {
    static const FoldTable fold866(CodePage::Cp866);
    static const FoldTable fold1251(CodePage::Cp1251);
    return cp == CodePage::Cp866 ? fold866 : fold1251;
}

int CompareFolded(const unsigned char* upper, const char* a, const char* b, int n) {
    for (int i = 0; i < n; ++i) {
        unsigned char ca = upper[(unsigned char)a[i]];
        unsigned char cb = upper[(unsigned char)b[i]];
        if (ca != cb) return ca < cb ? -1 : 1;
        if (ca == 0) return 0;
    }
    return 0;
}

} // namespace

const uint16_t* UpperHalf(CodePage cp) {
    return cp == CodePage::Cp866 ? kCp866 : kCp1251;
}

int ByteOf(CodePage cp, uint32_t unicode) {
    if (unicode < 0x80) return (int)unicode;
    const uint16_t* half = UpperHalf(cp);
    for (int i = 0; i < 128; ++i)
        if (half[i] != 0 && half[i] == unicode) return 0x80 + i;
    return -1;
}

unsigned char FoldCase(CodePage cp, unsigned char c) {
    return FoldFor(cp).upper[c];
}

int CompareNoCase866(const char* a, const char* b, int n) {
    return CompareFolded(FoldFor(CodePage::Cp866).upper, a, b, n);
}

int CompareNoCase1251(const char* a, const char* b, int n) {
    return CompareFolded(FoldFor(CodePage::Cp1251).upper, a, b, n);
}

CompareFn CompareFor(CodePage cp) {
    return cp == CodePage::Cp866 ? CompareNoCase866 : CompareNoCase1251;
}

void AppendUtf8(std::string* out, uint32_t u) {
    if (u < 0x80) {
        *out += (char)u;
    } else if (u < 0x800) {
        *out += (char)(0xC0 | (u >> 6));
        *out += (char)(0x80 | (u & 0x3F));
    } else if (u < 0x10000) {
        *out += (char)(0xE0 | (u >> 12));
        *out += (char)(0x80 | ((u >> 6) & 0x3F));
        *out += (char)(0x80 | (u & 0x3F));
    } else {
        *out += (char)(0xF0 | (u >> 18));
        *out += (char)(0x80 | ((u >> 12) & 0x3F));
        *out += (char)(0x80 | ((u >> 6) & 0x3F));
        *out += (char)(0x80 | (u & 0x3F));
    }
}

std::string ToUtf8(CodePage cp, const char* text, size_t length) {
    std::string out;
    const uint16_t* half = UpperHalf(cp);
    for (size_t i = 0; i < length; ++i) {
        unsigned char c = (unsigned char)text[i];
        uint32_t u = c < 0x80 ? c : half[c - 0x80];
        AppendUtf8(&out, u ? u : 0xFFFD);
    }
    return out;
}

std::u32string DecodeUtf8(const std::string& s) {
    std::u32string out;
    out.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        unsigned char c = (unsigned char)s[i];
        int extra = c >= 0xF0 && c < 0xF8 ? 3 : c >= 0xE0 && c < 0xF0 ? 2 : c >= 0xC2 && c < 0xE0 ? 1 : 0;
        uint32_t u = extra == 3 ? c & 0x07 : extra == 2 ? c & 0x0F : c & 0x1F;
        bool valid = extra > 0 && (size_t)extra < s.size() - i;
        for (int k = 1; valid && k <= extra; ++k) {
            unsigned char d = (unsigned char)s[i + (size_t)k];
            if ((d & 0xC0) != 0x80) valid = false;
            u = (u << 6) | (d & 0x3F);
        }
        if (valid && ((extra == 2 && u < 0x800) || (extra == 3 && (u < 0x10000 || u > 0x10FFFF))))
            valid = false;
        if (valid) {
            out += (char32_t)u;
            i += (size_t)extra + 1;
        } else {
            out += (char32_t)c;
            ++i;
        }
    }
    return out;
}

std::string FromUtf8(CodePage cp, const std::string& utf8) {
    std::string out;
    for (char32_t u : DecodeUtf8(utf8)) {
        int b = ByteOf(cp, u);
        out += b < 0 ? '?' : (char)b;
    }
    return out;
}

bool ParseCodePage(const char* name, CodePage* cp) {
    if (!name) return false;
    if ((name[0] == 'c' || name[0] == 'C') && (name[1] == 'p' || name[1] == 'P')) name += 2;
    if (strcmp(name, "866") == 0) {
        *cp = CodePage::Cp866;
        return true;
    }
    if (strcmp(name, "1251") == 0) {
        *cp = CodePage::Cp1251;
        return true;
    }
    return false;
}

const char* CodePageName(CodePage cp) {
    return cp == CodePage::Cp866 ? "cp866" : "cp1251";
}

} // namespace dravel
