// Code pages of the CHM reader's text view (see charsets.h).
//
// Decisions:
// - Each carried page is written out as the 128 characters of its upper half, so that a table is
//   read as what it is; the tests compare every one with iconv's. U+FFFD marks a byte the page
//   leaves undefined; U+00A0 and U+00AD are written as escapes, being invisible.
// - Stand-ins are ASCII, so that any target page can write them: a console page without a
//   character gets the nearest plain form of it (the base letter of an accented one, a Latin
//   transliteration of a Cyrillic one), never a wrong letter of its own.
#include "text/charsets.h"

#include <string.h>

#include <algorithm>

namespace {

struct CarriedPage {
    unsigned CodePage;
    const char* UpperHalf; // UTF-8, 128 characters
};

const CarriedPage CarriedPages[] = {
    {437, u8"ÇüéâäàåçêëèïîìÄÅÉæÆôöòûùÿÖÜ¢£¥₧ƒ"
          u8"áíóúñÑªº¿⌐¬½¼¡«»░▒▓│┤╡╢╖╕╣║╗╝╜╛┐"
          u8"└┴┬├─┼╞╟╚╔╩╦╠═╬╧╨╤╥╙╘╒╓╫╪┘┌█▄▌▐▀"
          u8"αßΓπΣσµτΦΘΩδ∞φε∩≡±≥≤⌠⌡÷≈°∙·√ⁿ²■\u00A0"},
    {850, u8"ÇüéâäàåçêëèïîìÄÅÉæÆôöòûùÿÖÜø£Ø×ƒ"
          u8"áíóúñÑªº¿®¬½¼¡«»░▒▓│┤ÁÂÀ©╣║╗╝¢¥┐"
          u8"└┴┬├─┼ãÃ╚╔╩╦╠═╬¤ðÐÊËÈıÍÎÏ┘┌█▄¦Ì▀"
          u8"ÓßÔÒõÕµþÞÚÛÙýÝ¯´\u00AD±‗¾¶§÷¸°¨·¹³²■\u00A0"},
    {852, u8"ÇüéâäůćçłëŐőîŹÄĆÉĹĺôöĽľŚśÖÜŤťŁ×č"
          u8"áíóúĄąŽžĘę¬źČş«»░▒▓│┤ÁÂĚŞ╣║╗╝Żż┐"
          u8"└┴┬├─┼Ăă╚╔╩╦╠═╬¤đĐĎËďŇÍÎě┘┌█▄ŢŮ▀"
          u8"ÓßÔŃńňŠšŔÚŕŰýÝţ´\u00AD˝˛ˇ˘§÷¸°¨˙űŘř■\u00A0"},
    {866, u8"АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ"
          u8"абвгдежзийклмноп░▒▓│┤╡╢╖╕╣║╗╝╜╛┐"
          u8"└┴┬├─┼╞╟╚╔╩╦╠═╬╧╨╤╥╙╘╒╓╫╪┘┌█▄▌▐▀"
          u8"рстуфхцчшщъыьэюяЁёЄєЇїЎў°∙·√№¤■\u00A0"},
    {1250, u8"€�‚�„…†‡�‰Š‹ŚŤŽŹ�‘’“”•–—�™š›śťžź"
           u8"\u00A0ˇ˘Ł¤Ą¦§¨©Ş«¬\u00AD®Ż°±˛ł´µ¶·¸ąş»Ľ˝ľż"
           u8"ŔÁÂĂÄĹĆÇČÉĘËĚÍÎĎĐŃŇÓÔŐÖ×ŘŮÚŰÜÝŢß"
           u8"ŕáâăäĺćçčéęëěíîďđńňóôőö÷řůúűüýţ˙"},
    {1251, u8"ЂЃ‚ѓ„…†‡€‰Љ‹ЊЌЋЏђ‘’“”•–—�™љ›њќћџ"
           u8"\u00A0ЎўЈ¤Ґ¦§Ё©Є«¬\u00AD®Ї°±Ііґµ¶·ё№є»јЅѕї"
           u8"АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ"
           u8"абвгдежзийклмнопрстуфхцчшщъыьэюя"},
    {1252, u8"€�‚ƒ„…†‡ˆ‰Š‹Œ�Ž��‘’“”•–—˜™š›œ�žŸ"
           u8"\u00A0¡¢£¤¥¦§¨©ª«¬\u00AD®¯°±²³´µ¶·¸¹º»¼½¾¿"
           u8"ÀÁÂÃÄÅÆÇÈÉÊËÌÍÎÏÐÑÒÓÔÕÖ×ØÙÚÛÜÝÞß"
           u8"àáâãäåæçèéêëìíîïðñòóôõö÷øùúûüýþÿ"},
};
const size_t CarriedCount = sizeof CarriedPages / sizeof CarriedPages[0];

// One UTF-8 sequence at p (the tables' literals are well formed); advances p.
char32_t NextUtf8(const unsigned char*& p) {
    char32_t c = *p++;
    if (c < 0x80) return c;
    int more = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : 1;
    c &= 0x3F >> more;
    while (more--)
        c = (c << 6) | (*p++ & 0x3F);
    return c;
}

struct DecodedPages {
    char32_t Tables[CarriedCount][CodePageUpperHalf];
    DecodedPages() {
        for (size_t i = 0; i < CarriedCount; i++) {
            const unsigned char* p = reinterpret_cast<const unsigned char*>(CarriedPages[i].UpperHalf);
            for (unsigned b = 0; b < CodePageUpperHalf; b++)
                Tables[i][b] = *p ? NextUtf8(p) : UndefinedChar;
        }
    }
};

// Windows' primary language ids (the low ten bits of a language id) by ANSI code page.
struct LanguagePage {
    uint16_t Primary;
    uint16_t CodePage;
};
const LanguagePage LanguagePages[] = {
    {0x01, 1256}, {0x02, 1251}, {0x04, 936},  {0x05, 1250}, {0x08, 1253}, {0x0D, 1255}, {0x0E, 1250},
    {0x11, 932},  {0x12, 949},  {0x15, 1250}, {0x18, 1250}, {0x19, 1251}, {0x1B, 1250}, {0x1C, 1250},
    {0x1E, 874},  {0x1F, 1254}, {0x20, 1256}, {0x22, 1251}, {0x23, 1251}, {0x24, 1250}, {0x25, 1257},
    {0x26, 1257}, {0x27, 1257}, {0x28, 1251}, {0x29, 1256}, {0x2A, 1258}, {0x2F, 1251}, {0x3F, 1251},
    {0x40, 1251}, {0x42, 1250}, {0x44, 1251}, {0x50, 1251}, {0x6D, 1251}, {0x85, 1251},
};

// Stand-ins of the Latin letters U+00C0..U+017F: the base letter, or '*' where it takes more
// than one (those are in StandIns) or the character is no letter.
const char LatinBase[] = "AAAAAA*CEEEEIIII*NOOOOO**UUUUY**"
                         "aaaaaa*ceeeeiiii*nooooo**uuuuy*y"
                         "AaAaAaCcCcCcCcDd**EeEeEeEeEeGgGg"
                         "GgGgHh**IiIiIiIiI*IiJjKk*LlLlLlL"
                         "l**NnNnNn***OoOoOo**RrRrRrSsSsSs"
                         "SsTtTt**UuUuUuUuUuUuWwYyYZzZzZzs";
const char32_t LatinFirst = 0xC0, LatinEnd = 0x180;

struct StandInEntry {
    char32_t Char;
    const char* Text;
};
// Sorted by character.
const StandInEntry StandIns[] = {
    {0x00A1, "!"},   {0x00A2, "c"},   {0x00A3, "L"},   {0x00A5, "Y"},   {0x00A6, "|"},   {0x00A7, "S"},
    {0x00A8, "\""},  {0x00A9, "(c)"}, {0x00AA, "a"},   {0x00AB, "\""},  {0x00AC, "-"},   {0x00AE, "(R)"},
    {0x00AF, "-"},   {0x00B0, "o"},   {0x00B1, "+-"},  {0x00B2, "2"},   {0x00B3, "3"},   {0x00B4, "'"},
    {0x00B5, "u"},   {0x00B7, "."},   {0x00B8, ","},   {0x00B9, "1"},   {0x00BA, "o"},   {0x00BB, "\""},
    {0x00BC, "1/4"}, {0x00BD, "1/2"}, {0x00BE, "3/4"}, {0x00BF, "?"},   {0x00C6, "AE"},  {0x00D0, "D"},
    {0x00D7, "x"},   {0x00D8, "O"},   {0x00DE, "Th"},  {0x00DF, "ss"},  {0x00E6, "ae"},  {0x00F0, "d"},
    {0x00F7, "/"},   {0x00F8, "o"},   {0x00FE, "th"},  {0x0110, "D"},   {0x0111, "d"},   {0x0126, "H"},
    {0x0127, "h"},   {0x0131, "i"},   {0x0138, "k"},   {0x0141, "L"},   {0x0142, "l"},   {0x0149, "'n"},
    {0x014A, "N"},   {0x014B, "n"},   {0x0152, "OE"},  {0x0153, "oe"},  {0x0166, "T"},   {0x0167, "t"},
    {0x0192, "f"},   {0x0218, "S"},   {0x0219, "s"},   {0x021A, "T"},   {0x021B, "t"},   {0x02C6, "^"},
    {0x02DC, "~"},   {0x0401, "Yo"},  {0x0402, "Dj"},  {0x0403, "G"},   {0x0404, "Ye"},  {0x0405, "Dz"},
    {0x0406, "I"},   {0x0407, "Yi"},  {0x0408, "J"},   {0x0409, "Lj"},  {0x040A, "Nj"},  {0x040B, "C"},
    {0x040C, "K"},   {0x040E, "U"},   {0x040F, "Dz"},  {0x0451, "yo"},  {0x0452, "dj"},  {0x0453, "g"},
    {0x0454, "ye"},  {0x0455, "dz"},  {0x0456, "i"},   {0x0457, "yi"},  {0x0458, "j"},   {0x0459, "lj"},
    {0x045A, "nj"},  {0x045B, "c"},   {0x045C, "k"},   {0x045E, "u"},   {0x045F, "dz"},  {0x0490, "G"},
    {0x0491, "g"},   {0x2010, "-"},   {0x2011, "-"},   {0x2012, "-"},   {0x2013, "-"},   {0x2014, "--"},
    {0x2015, "--"},  {0x2016, "||"},  {0x2018, "'"},   {0x2019, "'"},   {0x201A, ","},   {0x201B, "'"},
    {0x201C, "\""},  {0x201D, "\""},  {0x201E, "\""},  {0x201F, "\""},  {0x2020, "+"},   {0x2021, "+"},
    {0x2022, "*"},   {0x2024, "."},   {0x2026, "..."}, {0x2030, "%o"},  {0x2032, "'"},   {0x2033, "\""},
    {0x2039, "'"},   {0x203A, "'"},   {0x2044, "/"},   {0x20AC, "EUR"}, {0x2116, "No."}, {0x2122, "(TM)"},
    {0x2190, "<-"},  {0x2191, "^"},   {0x2192, "->"},  {0x2193, "v"},   {0x2194, "<->"}, {0x21D0, "<="},
    {0x21D2, "=>"},  {0x21D4, "<=>"}, {0x2212, "-"},   {0x2215, "/"},   {0x2217, "*"},   {0x2219, "."},
    {0x221E, "oo"},  {0x2248, "~"},   {0x2260, "!="},  {0x2261, "=="},  {0x2264, "<="},  {0x2265, ">="},
    {0x2329, "<"},   {0x232A, ">"},   {0x2500, "-"},   {0x2502, "|"},   {0x250C, "+"},   {0x2510, "+"},
    {0x2514, "+"},   {0x2518, "+"},   {0x251C, "+"},   {0x2524, "+"},   {0x252C, "+"},   {0x2534, "+"},
    {0x253C, "+"},   {0x2550, "="},   {0x2551, "|"},   {0x25A0, "#"},   {0x25A1, "o"},   {0x25AA, "+"},
    {0x25B2, "^"},   {0x25B6, ">"},   {0x25BA, ">"},   {0x25BC, "v"},   {0x25C0, "<"},   {0x25C4, "<"},
    {0x25CB, "o"},   {0x25CF, "*"},   {0x25E6, "o"},   {0x2605, "*"},
};

// Transliteration of the Russian letters U+0410..U+044F, upper case first.
const char* const RussianLatin[32] = {"A",  "B",  "V",  "G",    "D",  "E", "Zh", "Z", "I",  "Y", "K",
                                      "L",  "M",  "N",  "O",    "P",  "R", "S",  "T", "U",  "F", "Kh",
                                      "Ts", "Ch", "Sh", "Shch", "\"", "Y", "'",  "E", "Yu", "Ya"};
const char* const RussianLatinLower[32] = {"a",  "b",  "v",  "g",    "d",  "e", "zh", "z", "i",  "y", "k",
                                           "l",  "m",  "n",  "o",    "p",  "r", "s",  "t", "u",  "f", "kh",
                                           "ts", "ch", "sh", "shch", "\"", "y", "'",  "e", "yu", "ya"};

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool LabelIs(const char* label, size_t length, const char* name) {
    size_t n = strlen(name);
    if (n != length) return false;
    for (size_t i = 0; i < n; i++) {
        char c = label[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != name[i]) return false;
    }
    return true;
}

} // namespace

const char32_t* BuiltInUpperHalf(unsigned codePage) {
    static const DecodedPages decoded;
    for (size_t i = 0; i < CarriedCount; i++)
        if (CarriedPages[i].CodePage == codePage) return decoded.Tables[i];
    return nullptr;
}

unsigned AnsiCodePageOfLanguage(uint32_t languageId) {
    unsigned primary = languageId & 0x3FF, sub = (languageId >> 10) & 0x3F;
    switch (primary) {
    case 0x04: // Chinese: traditional for Taiwan, Hong Kong and Macao
        return sub == 1 || sub == 3 || sub == 5 ? 950 : 936;
    case 0x1A: // Croatian, Bosnian and Serbian: Cyrillic for Serbian and Bosnian Cyrillic
        return sub == 3 || sub == 7 || sub == 8 ? 1251 : 1250;
    case 0x2C: // Azeri
    case 0x43: // Uzbek
        return sub == 2 ? 1251 : 1254;
    }
    for (const LanguagePage& p : LanguagePages)
        if (p.Primary == primary) return p.CodePage;
    return 1252;
}

uint32_t SystemLanguageId(const unsigned char* system, uint32_t length) {
    if (!system || length < 4) return 0;
    const unsigned char* p = system + 4; // the object's version
    const unsigned char* end = system + length;
    while (end - p >= 4) {
        unsigned code = p[0] | p[1] << 8, size = p[2] | p[3] << 8;
        p += 4;
        if (size > static_cast<size_t>(end - p)) return 0;
        if (code == 4 && size >= 4) return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
        p += size;
    }
    return 0;
}

unsigned CodePageOfCharset(const char* label, size_t length) {
    while (length && IsBlank(label[0])) {
        label++;
        length--;
    }
    while (length && IsBlank(label[length - 1]))
        length--;
    struct Name {
        const char* Label;
        unsigned CodePage;
    };
    static const Name names[] = {
        {"utf-8", CodePageUtf8},
        {"utf8", CodePageUtf8},
        {"unicode-1-1-utf-8", CodePageUtf8},
        {"windows-1250", 1250},
        {"cp1250", 1250},
        {"x-cp1250", 1250},
        {"windows-1251", 1251},
        {"cp1251", 1251},
        {"x-cp1251", 1251},
        {"windows-1252", 1252},
        {"cp1252", 1252},
        {"x-cp1252", 1252},
        {"iso-8859-1", 1252},
        {"iso8859-1", 1252},
        {"latin1", 1252},
        {"l1", 1252},
        {"iso_8859-1", 1252},
        {"us-ascii", 1252},
        {"ascii", 1252},
        {"ansi_x3.4-1968", 1252},
    };
    for (const Name& n : names)
        if (LabelIs(label, length, n.Label)) return n.CodePage;
    return 0;
}

void InitTextTarget(TextTarget* target, const char32_t* upperHalf) {
    target->Count = 0;
    for (unsigned b = 0; b < CodePageUpperHalf; b++) {
        char32_t c = upperHalf[b];
        if (c < 0x80 || c == UndefinedChar) continue;
        unsigned at = target->Count;
        while (at > 0 && target->Characters[at - 1] > c) {
            target->Characters[at] = target->Characters[at - 1];
            target->Bytes[at] = target->Bytes[at - 1];
            at--;
        }
        if (at > 0 && target->Characters[at - 1] == c) { // the first byte of a doubled character wins
            for (unsigned i = at; i < target->Count; i++) {
                target->Characters[i] = target->Characters[i + 1];
                target->Bytes[i] = target->Bytes[i + 1];
            }
            continue;
        }
        target->Characters[at] = c;
        target->Bytes[at] = static_cast<unsigned char>(0x80 + b);
        target->Count++;
    }
}

int TargetByte(const TextTarget& target, char32_t c) {
    if (c < 0x80) return static_cast<int>(c);
    const char32_t* end = target.Characters + target.Count;
    const char32_t* at = std::lower_bound(target.Characters, end, c);
    return at != end && *at == c ? target.Bytes[at - target.Characters] : -1;
}

const char* StandIn(char32_t c) {
    struct LatinLetters {
        char Text[LatinEnd - LatinFirst][2];
        LatinLetters() {
            for (char32_t i = 0; i < LatinEnd - LatinFirst; i++)
                Text[i][0] = LatinBase[i], Text[i][1] = 0;
        }
    };
    static const LatinLetters latin;
    if (c >= 0x0410 && c <= 0x044F)
        return c < 0x0430 ? RussianLatin[c - 0x0410] : RussianLatinLower[c - 0x0430];
    const StandInEntry* end = StandIns + sizeof StandIns / sizeof StandIns[0];
    const StandInEntry* at =
        std::lower_bound(StandIns, end, c, [](const StandInEntry& e, char32_t x) { return e.Char < x; });
    if (at != end && at->Char == c) return at->Text;
    if (c >= LatinFirst && c < LatinEnd && LatinBase[c - LatinFirst] != '*')
        return latin.Text[c - LatinFirst];
    return nullptr;
}

void AppendUtf8(std::string* out, char32_t c) {
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = UndefinedChar;
    if (c < 0x80) {
        out->push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out->push_back(static_cast<char>(0xC0 | c >> 6));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out->push_back(static_cast<char>(0xE0 | c >> 12));
        out->push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xF0 | c >> 18));
        out->push_back(static_cast<char>(0x80 | (c >> 12 & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

std::string TextAsUtf8(const std::u32string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    for (char32_t c : text)
        AppendUtf8(&out, c);
    return out;
}

std::string TextInTarget(const std::u32string& text, const TextTarget& target) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (char32_t c : text) {
        if (c == '\n') {
            out += "\r\n";
            continue;
        }
        int byte = TargetByte(target, c);
        if (byte >= 0) {
            out.push_back(static_cast<char>(byte));
        } else {
            const char* standIn = StandIn(c);
            out += standIn ? standIn : "?";
        }
    }
    return out;
}
