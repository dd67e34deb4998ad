// The CHM reader's text view (see htmltext.h): bytes to characters, characters to a tree of
// blocks, the tree to lines.
//
// Decisions:
// - The page is decoded whole first (line ends made LF, NUL dropped), then read in one pass
//   that builds a tree of block nodes only. Inline elements (a, b, span, font, code, ...) leave
//   no node: they change nothing in plain text. Text lives in one buffer, whitespace already
//   collapsed; '\n' in a run of flowing text is a forced line break.
// - Broken markup is recovered from as browsers do where that is cheap and costs no text: end
//   tags close what they name within their scope and are ignored otherwise; p, li, dt, dd, tr, td
//   and th close implicitly; a cell, row or list item with no table or list opens one; text
//   between a table's rows gets a cell of its own. Two departures keep text that a browser would
//   lose to a typo: a quoted attribute value never runs past the next '<' (it ends at the first
//   '>' before it), and a self-closed <script/>, <style/> or <title/> is empty.
// - Everything stays linear in the page's size: every scan moves forward, raw text and comments
//   are found with one search each, nesting is capped (deeper blocks and tables read as plain
//   content), and each table cell is measured once and laid out once.
// - Tables: columns get their widest line when that fits, else at least their longest word with
//   the room left shared by how much more each would take; when even the longest words do not
//   fit, each cell is laid out on lines of its own. Empty rows and columns take no room.
// - With a target code page, a character it lacks is replaced by its stand-in as it enters the
//   tree, so that wrapping and table columns count what will be written.
#include "text/htmltext.h"

#include <math.h>
#include <string.h>

#include <algorithm>
#include <new>
#include <stdexcept>
#include <vector>

namespace {

enum {
    MaxDepth = 100,     // open blocks; deeper ones read as plain content
    StructureSlack = 4, // rows, cells and implicit lists may go this much deeper
    MaxTables = 8,      // nested tables; deeper ones read as plain content
    MaxColumns = 64,    // a wider table is laid out a cell a line
    MaxSpan = 64,       // of colspan and rowspan
    MinTextWidth = 20,  // indentation stops where it would leave less
    IndentStep = 4,
    TabStop = 8,
    ColumnGap = 2,
    MaxEntityName = 32,
    MaxLegacyEntity = 8,  // names read without their ';' are at most this long
    PrescanLimit = 65536, // bytes searched for a meta charset
    XmlDeclarationLimit = 256,
    CodePageUtf16Le = 1200,
    CodePageUtf16Be = 1201,
};

const char32_t LineBreak = '\n';
const char32_t Bullets[3] = {0x2022, 0x25E6, 0x25AA};
const char32_t RuleChar = 0x2500;

struct EntityName {
    const char* Name;
    char32_t Char;
};
// The HTML 4 entities, and "apos"; sorted by name.
const EntityName Entities[] = {
    {"AElig", 0x00C6},    {"Aacute", 0x00C1},  {"Acirc", 0x00C2},   {"Agrave", 0x00C0},  {"Alpha", 0x0391},
    {"Aring", 0x00C5},    {"Atilde", 0x00C3},  {"Auml", 0x00C4},    {"Beta", 0x0392},    {"Ccedil", 0x00C7},
    {"Chi", 0x03A7},      {"Dagger", 0x2021},  {"Delta", 0x0394},   {"ETH", 0x00D0},     {"Eacute", 0x00C9},
    {"Ecirc", 0x00CA},    {"Egrave", 0x00C8},  {"Epsilon", 0x0395}, {"Eta", 0x0397},     {"Euml", 0x00CB},
    {"Gamma", 0x0393},    {"Iacute", 0x00CD},  {"Icirc", 0x00CE},   {"Igrave", 0x00CC},  {"Iota", 0x0399},
    {"Iuml", 0x00CF},     {"Kappa", 0x039A},   {"Lambda", 0x039B},  {"Mu", 0x039C},      {"Ntilde", 0x00D1},
    {"Nu", 0x039D},       {"OElig", 0x0152},   {"Oacute", 0x00D3},  {"Ocirc", 0x00D4},   {"Ograve", 0x00D2},
    {"Omega", 0x03A9},    {"Omicron", 0x039F}, {"Oslash", 0x00D8},  {"Otilde", 0x00D5},  {"Ouml", 0x00D6},
    {"Phi", 0x03A6},      {"Pi", 0x03A0},      {"Prime", 0x2033},   {"Psi", 0x03A8},     {"Rho", 0x03A1},
    {"Scaron", 0x0160},   {"Sigma", 0x03A3},   {"THORN", 0x00DE},   {"Tau", 0x03A4},     {"Theta", 0x0398},
    {"Uacute", 0x00DA},   {"Ucirc", 0x00DB},   {"Ugrave", 0x00D9},  {"Upsilon", 0x03A5}, {"Uuml", 0x00DC},
    {"Xi", 0x039E},       {"Yacute", 0x00DD},  {"Yuml", 0x0178},    {"Zeta", 0x0396},    {"aacute", 0x00E1},
    {"acirc", 0x00E2},    {"acute", 0x00B4},   {"aelig", 0x00E6},   {"agrave", 0x00E0},  {"alefsym", 0x2135},
    {"alpha", 0x03B1},    {"amp", 0x0026},     {"and", 0x2227},     {"ang", 0x2220},     {"apos", 0x0027},
    {"aring", 0x00E5},    {"asymp", 0x2248},   {"atilde", 0x00E3},  {"auml", 0x00E4},    {"bdquo", 0x201E},
    {"beta", 0x03B2},     {"brvbar", 0x00A6},  {"bull", 0x2022},    {"cap", 0x2229},     {"ccedil", 0x00E7},
    {"cedil", 0x00B8},    {"cent", 0x00A2},    {"chi", 0x03C7},     {"circ", 0x02C6},    {"clubs", 0x2663},
    {"cong", 0x2245},     {"copy", 0x00A9},    {"crarr", 0x21B5},   {"cup", 0x222A},     {"curren", 0x00A4},
    {"dArr", 0x21D3},     {"dagger", 0x2020},  {"darr", 0x2193},    {"deg", 0x00B0},     {"delta", 0x03B4},
    {"diams", 0x2666},    {"divide", 0x00F7},  {"eacute", 0x00E9},  {"ecirc", 0x00EA},   {"egrave", 0x00E8},
    {"empty", 0x2205},    {"emsp", 0x2003},    {"ensp", 0x2002},    {"epsilon", 0x03B5}, {"equiv", 0x2261},
    {"eta", 0x03B7},      {"eth", 0x00F0},     {"euml", 0x00EB},    {"euro", 0x20AC},    {"exist", 0x2203},
    {"fnof", 0x0192},     {"forall", 0x2200},  {"frac12", 0x00BD},  {"frac14", 0x00BC},  {"frac34", 0x00BE},
    {"frasl", 0x2044},    {"gamma", 0x03B3},   {"ge", 0x2265},      {"gt", 0x003E},      {"hArr", 0x21D4},
    {"harr", 0x2194},     {"hearts", 0x2665},  {"hellip", 0x2026},  {"iacute", 0x00ED},  {"icirc", 0x00EE},
    {"iexcl", 0x00A1},    {"igrave", 0x00EC},  {"image", 0x2111},   {"infin", 0x221E},   {"int", 0x222B},
    {"iota", 0x03B9},     {"iquest", 0x00BF},  {"isin", 0x2208},    {"iuml", 0x00EF},    {"kappa", 0x03BA},
    {"lArr", 0x21D0},     {"lambda", 0x03BB},  {"lang", 0x2329},    {"laquo", 0x00AB},   {"larr", 0x2190},
    {"lceil", 0x2308},    {"ldquo", 0x201C},   {"le", 0x2264},      {"lfloor", 0x230A},  {"lowast", 0x2217},
    {"loz", 0x25CA},      {"lrm", 0x200E},     {"lsaquo", 0x2039},  {"lsquo", 0x2018},   {"lt", 0x003C},
    {"macr", 0x00AF},     {"mdash", 0x2014},   {"micro", 0x00B5},   {"middot", 0x00B7},  {"minus", 0x2212},
    {"mu", 0x03BC},       {"nabla", 0x2207},   {"nbsp", 0x00A0},    {"ndash", 0x2013},   {"ne", 0x2260},
    {"ni", 0x220B},       {"not", 0x00AC},     {"notin", 0x2209},   {"nsub", 0x2284},    {"ntilde", 0x00F1},
    {"nu", 0x03BD},       {"oacute", 0x00F3},  {"ocirc", 0x00F4},   {"oelig", 0x0153},   {"ograve", 0x00F2},
    {"oline", 0x203E},    {"omega", 0x03C9},   {"omicron", 0x03BF}, {"oplus", 0x2295},   {"or", 0x2228},
    {"ordf", 0x00AA},     {"ordm", 0x00BA},    {"oslash", 0x00F8},  {"otilde", 0x00F5},  {"otimes", 0x2297},
    {"ouml", 0x00F6},     {"para", 0x00B6},    {"part", 0x2202},    {"permil", 0x2030},  {"perp", 0x22A5},
    {"phi", 0x03C6},      {"pi", 0x03C0},      {"piv", 0x03D6},     {"plusmn", 0x00B1},  {"pound", 0x00A3},
    {"prime", 0x2032},    {"prod", 0x220F},    {"prop", 0x221D},    {"psi", 0x03C8},     {"quot", 0x0022},
    {"rArr", 0x21D2},     {"radic", 0x221A},   {"rang", 0x232A},    {"raquo", 0x00BB},   {"rarr", 0x2192},
    {"rceil", 0x2309},    {"rdquo", 0x201D},   {"real", 0x211C},    {"reg", 0x00AE},     {"rfloor", 0x230B},
    {"rho", 0x03C1},      {"rlm", 0x200F},     {"rsaquo", 0x203A},  {"rsquo", 0x2019},   {"sbquo", 0x201A},
    {"scaron", 0x0161},   {"sdot", 0x22C5},    {"sect", 0x00A7},    {"shy", 0x00AD},     {"sigma", 0x03C3},
    {"sigmaf", 0x03C2},   {"sim", 0x223C},     {"spades", 0x2660},  {"sub", 0x2282},     {"sube", 0x2286},
    {"sum", 0x2211},      {"sup", 0x2283},     {"sup1", 0x00B9},    {"sup2", 0x00B2},    {"sup3", 0x00B3},
    {"supe", 0x2287},     {"szlig", 0x00DF},   {"tau", 0x03C4},     {"there4", 0x2234},  {"theta", 0x03B8},
    {"thetasym", 0x03D1}, {"thinsp", 0x2009},  {"thorn", 0x00FE},   {"tilde", 0x02DC},   {"times", 0x00D7},
    {"trade", 0x2122},    {"uArr", 0x21D1},    {"uacute", 0x00FA},  {"uarr", 0x2191},    {"ucirc", 0x00FB},
    {"ugrave", 0x00F9},   {"uml", 0x00A8},     {"upsih", 0x03D2},   {"upsilon", 0x03C5}, {"uuml", 0x00FC},
    {"weierp", 0x2118},   {"xi", 0x03BE},      {"yacute", 0x00FD},  {"yen", 0x00A5},     {"yuml", 0x00FF},
    {"zeta", 0x03B6},     {"zwj", 0x200D},     {"zwnj", 0x200C},
};

// ---------------------------------------------------------------------------------------------
// Characters

bool IsHtmlSpace(char32_t c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

// Spaces a browser shows as spaces and breaks at (the no-break ones are not among them).
bool IsOtherSpace(char32_t c) {
    return (c >= 0x2000 && c <= 0x200A) || c == 0x205F || c == 0x3000 || c == 0x1680;
}

// Characters that show nothing: controls, the soft hyphen, zero-width marks, a stray BOM.
bool IsInvisible(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c < 0xA0) || c == 0xAD || (c >= 0x200B && c <= 0x200F) ||
           (c >= 0x202A && c <= 0x202E) || c == 0x2060 || c == 0xFEFF;
}

bool IsAsciiAlpha(char32_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsAsciiAlnum(char32_t c) {
    return IsAsciiAlpha(c) || (c >= '0' && c <= '9');
}

char32_t AsciiLower(char32_t c) {
    return c >= 'A' && c <= 'Z' ? c + 32 : c;
}

// ---------------------------------------------------------------------------------------------
// Decoding

// One UTF-8 sequence at p[0..n); its length in *used (1 for a byte that starts no valid one).
char32_t DecodeUtf8(const unsigned char* p, size_t n, size_t* used) {
    unsigned char b = p[0];
    *used = 1;
    if (b < 0x80) return b;
    size_t more;
    char32_t c, least;
    if (b >= 0xC2 && b <= 0xDF) {
        more = 1, c = b & 0x1F, least = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
        more = 2, c = b & 0x0F, least = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
        more = 3, c = b & 0x07, least = 0x10000;
    } else {
        return UndefinedChar;
    }
    if (more >= n) return UndefinedChar;
    for (size_t i = 1; i <= more; i++) {
        if ((p[i] & 0xC0) != 0x80) return UndefinedChar;
        c = (c << 6) | (p[i] & 0x3F);
    }
    if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return UndefinedChar;
    *used = more + 1;
    return c;
}

bool IsValidUtf8(const unsigned char* p, size_t n) {
    size_t i = 0, used;
    while (i < n) {
        if (p[i] < 0x80) {
            i++;
            continue;
        }
        if (DecodeUtf8(p + i, n - i, &used) == UndefinedChar) return false;
        i += used;
    }
    return true;
}

// Appends characters with line ends made LF and NUL dropped, as an HTML reader takes its input.
struct InputStream {
    std::u32string* Out;
    bool AfterCr = false;
    void Put(char32_t c) {
        if (c == '\n' && AfterCr) {
            AfterCr = false;
            return;
        }
        AfterCr = c == '\r';
        if (c == '\r') c = '\n';
        if (c != 0) Out->push_back(c);
    }
};

void Decode(const unsigned char* p, size_t n, unsigned codePage, const char32_t* upperHalf,
            std::u32string* out) {
    out->clear();
    out->reserve(n);
    InputStream in{out};
    size_t i = 0;
    if (codePage == CodePageUtf8) {
        if (n >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) i = 3;
        while (i < n) {
            size_t used;
            in.Put(DecodeUtf8(p + i, n - i, &used));
            i += used;
        }
    } else if (codePage == CodePageUtf16Le || codePage == CodePageUtf16Be) {
        int high = codePage == CodePageUtf16Le ? 1 : 0;
        i = 2;
        char32_t lead = 0;
        for (; n - i >= 2; i += 2) {
            char32_t u = static_cast<char32_t>(p[i + high] << 8 | p[i + 1 - high]);
            if (u >= 0xD800 && u <= 0xDBFF) {
                if (lead) in.Put(UndefinedChar);
                lead = u;
                continue;
            }
            if (u >= 0xDC00 && u <= 0xDFFF) {
                in.Put(lead ? 0x10000 + ((lead - 0xD800) << 10) + (u - 0xDC00) : UndefinedChar);
                lead = 0;
                continue;
            }
            if (lead) in.Put(UndefinedChar);
            lead = 0;
            in.Put(u);
        }
        if (lead) in.Put(UndefinedChar);
    } else {
        const char32_t* table = BuiltInUpperHalf(codePage);
        if (!table) table = upperHalf;
        for (; i < n; i++) {
            unsigned char b = p[i];
            in.Put(b < 0x80 ? b : table ? table[b - 0x80] : UndefinedChar);
        }
    }
}

bool BytesAre(const unsigned char* p, size_t n, const char* lowerText) {
    size_t k = strlen(lowerText);
    if (k > n) return false;
    for (size_t i = 0; i < k; i++) {
        unsigned char c = p[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c + 32);
        if (c != static_cast<unsigned char>(lowerText[i])) return false;
    }
    return true;
}

const unsigned char* FindBytes(const unsigned char* p, const unsigned char* end, const char* text) {
    size_t k = strlen(text);
    for (; static_cast<size_t>(end - p) >= k; p++)
        if (*p == static_cast<unsigned char>(text[0]) && memcmp(p, text, k) == 0) return p;
    return nullptr;
}

// The code page named after the first "<name>" in [p, end) (as in `charset=utf-8` or
// `encoding="utf-8"`), or 0.
unsigned NamedCodePage(const unsigned char* p, const unsigned char* end, const char* name) {
    size_t k = strlen(name);
    for (; static_cast<size_t>(end - p) > k; p++) {
        if (!BytesAre(p, static_cast<size_t>(end - p), name)) continue;
        const unsigned char* q = p + k;
        while (q < end && IsHtmlSpace(*q))
            q++;
        if (q == end || *q != '=') continue;
        q++;
        while (q < end && (IsHtmlSpace(*q) || *q == '"' || *q == '\''))
            q++;
        const unsigned char* label = q;
        while (q < end && !IsHtmlSpace(*q) && *q != '"' && *q != '\'' && *q != ';' && *q != '>' && *q != '?')
            q++;
        unsigned codePage =
            CodePageOfCharset(reinterpret_cast<const char*>(label), static_cast<size_t>(q - label));
        if (codePage) return codePage;
    }
    return 0;
}

unsigned DeclaredCodePage(const unsigned char* page, size_t length) {
    const unsigned char* end = page + std::min<size_t>(length, PrescanLimit);
    if (BytesAre(page, length, "<?xml")) {
        const unsigned char* close =
            FindBytes(page, page + std::min<size_t>(length, XmlDeclarationLimit), "?>");
        if (close) {
            unsigned codePage = NamedCodePage(page, close, "encoding");
            if (codePage) return codePage;
        }
    }
    for (const unsigned char* p = page; p < end; p++) {
        if (*p != '<') continue;
        size_t left = static_cast<size_t>(end - p);
        if (BytesAre(p, left, "<!--")) {
            const unsigned char* close = FindBytes(p + 4, end, "-->");
            if (!close) return 0;
            p = close + 2;
        } else if (BytesAre(p, left, "<body")) {
            return 0;
        } else if (BytesAre(p, left, "<meta") && left > 5 && (IsHtmlSpace(p[5]) || p[5] == '/')) {
            const unsigned char* close = static_cast<const unsigned char*>(memchr(p, '>', left));
            if (!close) return 0;
            unsigned codePage = NamedCodePage(p + 5, close, "charset");
            if (codePage) return codePage;
            p = close;
        }
    }
    return 0;
}

// ---------------------------------------------------------------------------------------------
// The tree

enum Kind : uint8_t {
    KindRoot,
    KindBlock, // div and its like: on lines of its own
    KindPara,  // p: with blank lines around
    KindHeading,
    KindList,
    KindItem,
    KindDefList,
    KindTerm,
    KindDefinition,
    KindQuote,
    KindPre,
    KindRule,
    KindTable,
    KindRow,
    KindCell,
    KindCaption,
    KindText, // a run of text
};

struct Node {
    uint8_t Kind;
    uint8_t Level;    // heading: 1..6; list: its nesting depth from 1
    uint8_t Style;    // list: '1', 'a', 'A', 'i', 'I', or 0 for bullets; text: 1 when preformatted;
                      // row and cell: 't', 'm' or 'b', its vertical alignment
    uint8_t Measured; // Min and Max are set
    int32_t Parent, First, Last, Next;
    uint32_t Start, Length; // text: its characters in Document::Text
    int32_t Number;         // list: the next item's number; item: its own
    uint16_t ColSpan, RowSpan;
    uint32_t Min, Max; // the narrowest width it can take (its longest word) and its widest line
};

struct Document {
    std::vector<Node> Nodes;
    std::u32string Text;
};

enum TagClass : uint8_t {
    TagIgnored, // inline or unknown: leaves no node, its content shows
    TagVoid,    // no content, shows nothing
    TagBlock,
    TagPara,
    TagHeading,
    TagList,
    TagItem,
    TagDefList,
    TagTerm,
    TagDefinition,
    TagQuote,
    TagPre,
    TagRule,
    TagBreak,
    TagImage,
    TagTable,
    TagRowGroup,
    TagRow,
    TagCell,
    TagCaption,
    TagSelect,
    TagOption,
    TagDropped,   // raw text, not shown
    TagVerbatim,  // raw text shown as it is
    TagPlaintext, // everything after it is raw text
};

struct TagInfo {
    const char* Name;
    TagClass Class;
    uint8_t Extra; // heading: its level; ol: 1; raw text: 1 when entities are decoded in it
};

// The elements that are not simply inline; sorted by name.
const TagInfo Tags[] = {
    {"address", TagBlock, 0},
    {"area", TagVoid, 0},
    {"article", TagBlock, 0},
    {"aside", TagBlock, 0},
    {"base", TagVoid, 0},
    {"basefont", TagVoid, 0},
    {"bgsound", TagVoid, 0},
    {"blockquote", TagQuote, 0},
    {"br", TagBreak, 0},
    {"caption", TagCaption, 0},
    {"center", TagBlock, 0},
    {"col", TagVoid, 0},
    {"dd", TagDefinition, 0},
    {"details", TagBlock, 0},
    {"dialog", TagBlock, 0},
    {"dir", TagList, 0},
    {"div", TagBlock, 0},
    {"dl", TagDefList, 0},
    {"dt", TagTerm, 0},
    {"embed", TagVoid, 0},
    {"fieldset", TagBlock, 0},
    {"figcaption", TagBlock, 0},
    {"figure", TagBlock, 0},
    {"footer", TagBlock, 0},
    {"form", TagBlock, 0},
    {"frame", TagVoid, 0},
    {"h1", TagHeading, 1},
    {"h2", TagHeading, 2},
    {"h3", TagHeading, 3},
    {"h4", TagHeading, 4},
    {"h5", TagHeading, 5},
    {"h6", TagHeading, 6},
    {"header", TagBlock, 0},
    {"hgroup", TagBlock, 0},
    {"hr", TagRule, 0},
    {"iframe", TagDropped, 0},
    {"image", TagImage, 0},
    {"img", TagImage, 0},
    {"input", TagVoid, 0},
    {"isindex", TagVoid, 0},
    {"keygen", TagVoid, 0},
    {"legend", TagBlock, 0},
    {"li", TagItem, 0},
    {"link", TagVoid, 0},
    {"listing", TagPre, 0},
    {"main", TagBlock, 0},
    {"marquee", TagBlock, 0},
    {"menu", TagList, 0},
    {"meta", TagVoid, 0},
    {"nav", TagBlock, 0},
    {"noembed", TagDropped, 0},
    {"noframes", TagBlock, 0},
    {"noscript", TagBlock, 0},
    {"ol", TagList, 1},
    {"optgroup", TagOption, 0},
    {"option", TagOption, 0},
    {"p", TagPara, 0},
    {"param", TagVoid, 0},
    {"plaintext", TagPlaintext, 0},
    {"pre", TagPre, 0},
    {"script", TagDropped, 0},
    {"section", TagBlock, 0},
    {"select", TagSelect, 0},
    {"source", TagVoid, 0},
    {"style", TagDropped, 0},
    {"summary", TagBlock, 0},
    {"table", TagTable, 0},
    {"tbody", TagRowGroup, 0},
    {"td", TagCell, 0},
    {"template", TagDropped, 0},
    {"textarea", TagVerbatim, 1},
    {"tfoot", TagRowGroup, 0},
    {"th", TagCell, 0},
    {"thead", TagRowGroup, 0},
    {"title", TagDropped, 1},
    {"tr", TagRow, 0},
    {"track", TagVoid, 0},
    {"ul", TagList, 0},
    {"wbr", TagVoid, 0},
    {"xml", TagDropped, 0},
    {"xmp", TagVerbatim, 0},
};
const int TagCount = static_cast<int>(sizeof Tags / sizeof Tags[0]);

// The index in Tags of the name at s[0..n) (ASCII letters in any case), or -1. Most tags of a
// page are not in the table (a, span, b, ...): a bucket per first letter keeps each miss short.
int FindTag(const char32_t* s, size_t n) {
    struct Buckets {
        int First[27], Length[TagCount]; // Tags[First[c]..First[c + 1]) start with letter c
        Buckets() {
            for (int c = 0, t = 0; c <= 26; c++) {
                while (t < TagCount && Tags[t].Name[0] - 'a' < c)
                    t++;
                First[c] = t;
            }
            for (int t = 0; t < TagCount; t++)
                Length[t] = static_cast<int>(strlen(Tags[t].Name));
        }
    };
    static const Buckets buckets;
    char name[12];
    if (n == 0 || n >= sizeof name) return -1;
    for (size_t i = 0; i < n; i++) {
        char32_t c = AsciiLower(s[i]);
        if (c >= 0x80) return -1;
        name[i] = static_cast<char>(c);
    }
    int letter = name[0] - 'a';
    if (letter < 0 || letter >= 26) return -1;
    for (int t = buckets.First[letter]; t < buckets.First[letter + 1]; t++)
        if (buckets.Length[t] == static_cast<int>(n) && memcmp(Tags[t].Name, name, n) == 0) return t;
    return -1;
}

// The number an attribute value starts with (blanks first allowed), or `otherwise`.
int32_t AttributeNumber(const std::u32string& value, int32_t otherwise) {
    size_t i = 0;
    while (i < value.size() && IsHtmlSpace(value[i]))
        i++;
    bool negative = i < value.size() && value[i] == '-';
    if (i < value.size() && (value[i] == '-' || value[i] == '+')) i++;
    if (i == value.size() || value[i] < '0' || value[i] > '9') return otherwise;
    int64_t n = 0;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; i++)
        n = std::min<int64_t>(n * 10 + (value[i] - '0'), 1000000000);
    return static_cast<int32_t>(negative ? -n : n);
}

class Builder {
  public:
    Builder(const std::u32string& source, const HtmlTextOptions& options, Document* document)
        : S(source), N(source.size()), Options(options), D(*document) {
        Node root = {};
        root.Kind = KindRoot;
        root.Parent = root.First = root.Last = root.Next = -1;
        D.Nodes.push_back(root);
        Stack.push_back({0, -1, TagIgnored});
    }

    void Html() {
        while (P < N) {
            char32_t c = S[P];
            if (c == '<') {
                Markup();
            } else if (c == '&') {
                Reference(false);
            } else {
                size_t end = P;
                while (end < N && S[end] != '<' && S[end] != '&')
                    end++;
                for (; P < end; P++)
                    Char(S[P]);
            }
        }
        if (InSelect) EndSelect();
        EndRun();
    }

    void Plain() {
        OpenPre(-1, false);
        for (; P < N; P++)
            Char(S[P]);
        EndRun();
    }

  private:
    struct Open {
        int32_t Node;
        int Tag; // index in Tags, -1 for the root and implicit blocks
        TagClass Class;
    };
    struct Attribute {
        char Name[12]; // lower case, cut
        std::u32string Value;
    };

    const std::u32string& S;
    size_t N, P = 0;
    const HtmlTextOptions& Options;
    Document& D;
    std::vector<Open> Stack;
    std::vector<Attribute> Attributes; // of the current start tag, when it needs them
    int32_t Run = -1;                  // the text node being filled
    bool PendingSpace = false;         // collapsed whitespace before the next character of the run
    bool SkipNewline = false;          // right after <pre>: a first line end is not content
    unsigned PreColumn = 0;
    int PreDepth = 0, TableDepth = 0;
    bool InSelect = false;
    // A select shows as its chosen option (the first, or the one marked selected) in brackets.
    std::u32string SelectShown, Option;
    int OptionCount = 0;
    bool OptionSelected = false, SelectedSeen = false;

    Node& Top() { return D.Nodes[static_cast<size_t>(Stack.back().Node)]; }
    TagClass TopClass() const { return Stack.back().Class; }
    bool InTableContext() const {
        return TopClass() == TagTable || TopClass() == TagRow || TopClass() == TagRowGroup;
    }

    // -- nodes

    void EndRun() {
        if (Run >= 0) {
            Node& run = D.Nodes[static_cast<size_t>(Run)];
            run.Length = static_cast<uint32_t>(D.Text.size() - run.Start);
        }
        Run = -1;
        PendingSpace = false;
    }

    int32_t AddNode(Kind kind) {
        EndRun();
        int32_t parent = Stack.back().Node;
        int32_t index = static_cast<int32_t>(D.Nodes.size());
        Node node = {};
        node.Kind = kind;
        node.Parent = parent;
        node.First = node.Last = node.Next = -1;
        node.ColSpan = node.RowSpan = 1;
        D.Nodes.push_back(node);
        Node& p = D.Nodes[static_cast<size_t>(parent)];
        if (p.Last >= 0)
            D.Nodes[static_cast<size_t>(p.Last)].Next = index;
        else
            p.First = index;
        p.Last = index;
        return index;
    }

    bool CanOpen(bool structural) const {
        return Stack.size() < static_cast<size_t>(structural ? MaxDepth + StructureSlack : MaxDepth);
    }

    int32_t OpenNode(Kind kind, int tag, TagClass cls) {
        int32_t node = AddNode(kind);
        Stack.push_back({node, tag, cls});
        if (cls == TagPre) PreDepth++;
        if (cls == TagTable) TableDepth++;
        return node;
    }

    void Pop() {
        EndRun();
        TagClass cls = Stack.back().Class;
        if (cls == TagPre) PreDepth--;
        if (cls == TagTable) TableDepth--;
        Stack.pop_back();
    }

    void PopTo(size_t depth) {
        while (Stack.size() > depth)
            Pop();
    }

    // The stack position of the innermost open element of class `cls`, looking down no further
    // than an element of one of the classes in `stops`; 0 when there is none.
    size_t FindOpen(TagClass cls, std::initializer_list<TagClass> stops, int tag = -1) const {
        for (size_t i = Stack.size(); i-- > 1;) {
            const Open& o = Stack[i];
            if (o.Class == cls && (tag < 0 || o.Tag == tag)) return i;
            for (TagClass stop : stops)
                if (o.Class == stop) return 0;
        }
        return 0;
    }

    void ImplicitCell() {
        if (TopClass() == TagRowGroup) Pop();
        if (TopClass() == TagTable && CanOpen(true)) OpenNode(KindRow, -1, TagRow);
        if (TopClass() == TagRow && CanOpen(true)) OpenNode(KindCell, -1, TagCell);
    }

    // Content that is not part of a table's structure goes into a cell of its own.
    void BeforeContent() {
        if (InTableContext()) ImplicitCell();
    }

    void OpenPre(int tag, bool skipNewline) {
        OpenNode(KindPre, tag, TagPre);
        SkipNewline = skipNewline;
        PreColumn = 0;
    }

    // -- text

    void Push(char32_t c) {
        if (Options.Target && c != NoBreakSpace && TargetByte(*Options.Target, c) < 0) {
            const char* standIn = StandIn(c);
            if (!standIn) standIn = "?";
            for (; *standIn; standIn++) {
                D.Text.push_back(static_cast<unsigned char>(*standIn));
                PreColumn++;
            }
            return;
        }
        D.Text.push_back(c);
        PreColumn++;
    }

    void EnsureRun() {
        if (Run >= 0 && Top().Last == Run) return;
        int32_t node = AddNode(KindText);
        Node& run = D.Nodes[static_cast<size_t>(node)];
        run.Start = static_cast<uint32_t>(D.Text.size());
        run.Style = PreDepth ? 1 : 0;
        Run = node;
    }

    void PreChar(char32_t c) {
        if (SkipNewline) {
            SkipNewline = false;
            if (c == '\n') return;
        }
        if (c == '\n') {
            EnsureRun();
            D.Text.push_back(LineBreak);
            PreColumn = 0;
        } else if (c == '\t') {
            EnsureRun();
            unsigned spaces = TabStop - PreColumn % TabStop;
            while (spaces--)
                Push(' ');
        } else if (c == '\f' || c == '\r' || (IsInvisible(c) && c != 0xAD)) {
            return;
        } else {
            EnsureRun();
            Push(IsOtherSpace(c) ? ' ' : c);
        }
    }

    void Char(char32_t c) {
        if (InSelect) {
            if (OptionCount && !(IsHtmlSpace(c) && (Option.empty() || Option.back() == ' ')) &&
                !IsInvisible(c))
                Option.push_back(IsHtmlSpace(c) || IsOtherSpace(c) ? ' ' : c);
            return;
        }
        if (IsHtmlSpace(c) || IsOtherSpace(c)) {
            if (PreDepth) {
                BeforeContent();
                PreChar(c);
            } else if (Run >= 0 && Top().Last == Run) {
                PendingSpace = true;
            }
            return;
        }
        if (IsInvisible(c)) return;
        BeforeContent();
        if (PreDepth) {
            PreChar(c);
            return;
        }
        EnsureRun();
        if (PendingSpace && D.Text.size() > D.Nodes[static_cast<size_t>(Run)].Start &&
            D.Text.back() != LineBreak)
            D.Text.push_back(' ');
        PendingSpace = false;
        Push(c);
    }

    void Text(const std::u32string& text) {
        for (char32_t c : text)
            Char(c);
    }

    void FinishOption() {
        if (OptionCount && !SelectedSeen && (OptionCount == 1 || OptionSelected)) SelectShown = Option;
        SelectedSeen = SelectedSeen || OptionSelected;
        Option.clear();
    }

    void StartOption() {
        FinishOption();
        OptionCount++;
        OptionSelected = Attr("selected") != nullptr;
    }

    void EndSelect() {
        FinishOption();
        InSelect = false;
        while (!SelectShown.empty() && SelectShown.back() == ' ')
            SelectShown.pop_back();
        if (SelectShown.empty()) return;
        std::u32string shown = U"[" + SelectShown + U"]";
        Text(shown);
    }

    void StartSelect() {
        InSelect = true;
        SelectShown.clear();
        Option.clear();
        OptionCount = 0;
        OptionSelected = SelectedSeen = false;
    }

    void ForcedBreak() {
        if (InSelect) return;
        BeforeContent();
        if (PreDepth) {
            PreChar('\n');
            return;
        }
        EnsureRun();
        D.Text.push_back(LineBreak);
        PendingSpace = false;
    }

    // -- character references

    // Reads the reference at S[P] == '&' (or shows the '&' when it is none); attribute values
    // take a name without ';' only when no letter, digit or '=' follows it.
    char32_t ReferenceAt(size_t* at, bool inAttribute) const {
        size_t p = *at + 1;
        if (p < N && S[p] == '#') {
            p++;
            bool hex = p < N && (S[p] == 'x' || S[p] == 'X');
            if (hex) p++;
            size_t digits = p;
            uint32_t value = 0;
            for (; p < N; p++) {
                char32_t c = S[p];
                unsigned d;
                if (c >= '0' && c <= '9')
                    d = c - '0';
                else if (hex && AsciiLower(c) >= 'a' && AsciiLower(c) <= 'f')
                    d = AsciiLower(c) - 'a' + 10;
                else
                    break;
                value = std::min<uint32_t>(value * (hex ? 16 : 10) + d, 0x110000);
            }
            if (p == digits) return 0;
            if (p < N && S[p] == ';') p++;
            *at = p;
            if (value >= 0x80 && value < 0xA0) return BuiltInUpperHalf(1252)[value - 0x80];
            if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return UndefinedChar;
            return value;
        }
        size_t start = p;
        char name[MaxEntityName + 1];
        while (p < N && p - start < MaxEntityName && IsAsciiAlnum(S[p])) {
            name[p - start] = static_cast<char>(S[p]);
            p++;
        }
        size_t length = p - start;
        if (length == 0) return 0;
        if (p < N && S[p] == ';') {
            char32_t c = NamedEntity(name, length);
            if (c) {
                *at = p + 1;
                return c;
            }
        }
        if (inAttribute) {
            if (p < N && (IsAsciiAlnum(S[p]) || S[p] == '=')) return 0;
            char32_t c = length <= MaxLegacyEntity ? NamedEntity(name, length) : 0;
            if (c && c < 0x100) *at = p;
            return c < 0x100 ? c : 0;
        }
        for (size_t k = std::min<size_t>(length, MaxLegacyEntity); k >= 2; k--) {
            char32_t c = NamedEntity(name, k);
            if (c && c < 0x100) {
                *at = start + k;
                return c;
            }
        }
        return 0;
    }

    void Reference(bool inAttribute) {
        char32_t c = ReferenceAt(&P, inAttribute);
        if (c) {
            Char(c);
        } else {
            Char('&');
            P++;
        }
    }

    // -- markup

    size_t Find(size_t from, char32_t c) const {
        while (from < N && S[from] != c)
            from++;
        return from;
    }

    bool At(size_t p, const char* text) const {
        for (; *text; text++, p++)
            if (p >= N || AsciiLower(S[p]) != static_cast<unsigned char>(*text)) return false;
        return true;
    }

    void Markup() {
        char32_t next = P + 1 < N ? S[P + 1] : 0;
        if (IsAsciiAlpha(next)) {
            StartTag();
        } else if (next == '/') {
            char32_t after = P + 2 < N ? S[P + 2] : 0;
            if (IsAsciiAlpha(after)) {
                EndTag();
            } else {
                size_t close = Find(P + 2, '>'); // "</>" and bogus comments
                P = close < N ? close + 1 : N;
            }
        } else if (next == '!') {
            if (At(P, "<!--")) {
                Comment();
            } else {
                size_t close = Find(P + 2, '>');
                P = close < N ? close + 1 : N;
            }
        } else if (next == '?') {
            size_t close = Find(P + 2, '>');
            P = close < N ? close + 1 : N;
        } else {
            Char('<');
            P++;
        }
    }

    void Comment() {
        size_t p = P + 4;
        if (At(p, ">")) {
            P = p + 1;
            return;
        }
        if (At(p, "->")) {
            P = p + 2;
            return;
        }
        for (; p + 2 < N; p++) {
            if (S[p] == '-' && S[p + 1] == '-' && S[p + 2] == '>') {
                P = p + 3;
                return;
            }
            if (S[p] == '-' && S[p + 1] == '-' && S[p + 2] == '!' && p + 3 < N && S[p + 3] == '>') {
                P = p + 4;
                return;
            }
        }
        P = N; // an unclosed comment runs to the end, as in a browser
    }

    std::u32string AttributeValue(size_t from, size_t to) const {
        std::u32string value;
        for (size_t p = from; p < to;) {
            if (S[p] == '&') {
                size_t at = p;
                char32_t c = ReferenceAt(&at, true);
                if (c && at <= to) {
                    value.push_back(c);
                    p = at;
                    continue;
                }
            }
            value.push_back(S[p++]);
        }
        return value;
    }

    // The tag whose name starts at *p (its index in Tags, or -1); moves *p past the name.
    int TagName(size_t* p) const {
        size_t start = *p;
        while (*p < N && !IsHtmlSpace(S[*p]) && S[*p] != '/' && S[*p] != '>')
            (*p)++;
        return FindTag(&S[start], *p - start);
    }

    // At S[P] == '<' followed by a letter.
    void StartTag() {
        size_t p = P + 1;
        int tag = TagName(&p);
        TagClass cls = tag >= 0 ? Tags[tag].Class : TagIgnored;
        bool keep = cls == TagImage || cls == TagList || cls == TagItem || cls == TagCell || cls == TagRow ||
                    cls == TagOption;
        Attributes.clear();
        bool selfClosing = false, ended = false;
        while (!ended) {
            while (p < N && (IsHtmlSpace(S[p]) || S[p] == '/')) {
                selfClosing = S[p] == '/';
                p++;
            }
            if (p >= N) { // the page ends inside the tag: it is dropped
                P = N;
                return;
            }
            if (S[p] == '>') {
                p++;
                break;
            }
            selfClosing = false;
            size_t name = p++;
            while (p < N && !IsHtmlSpace(S[p]) && S[p] != '/' && S[p] != '>' && S[p] != '=')
                p++;
            size_t nameEnd = p;
            while (p < N && IsHtmlSpace(S[p]))
                p++;
            size_t valueStart = p, valueEnd = p;
            if (p < N && S[p] == '=') {
                p++;
                while (p < N && IsHtmlSpace(S[p]))
                    p++;
                if (p < N && (S[p] == '"' || S[p] == '\'')) {
                    char32_t quote = S[p++];
                    valueStart = p;
                    size_t firstClose = N;
                    while (p < N && S[p] != quote && S[p] != '<') {
                        if (S[p] == '>' && firstClose == N) firstClose = p;
                        p++;
                    }
                    if (p < N && S[p] == quote) {
                        valueEnd = p++;
                    } else if (firstClose < N) { // unclosed quote: the tag ends at its first '>'
                        valueEnd = firstClose;
                        p = firstClose + 1;
                        ended = true;
                    } else { // nor any '>' before the next tag: this one ends there
                        valueEnd = p;
                        ended = true;
                    }
                } else {
                    valueStart = p;
                    while (p < N && !IsHtmlSpace(S[p]) && S[p] != '>')
                        p++;
                    valueEnd = p;
                }
            } else {
                p = nameEnd;
            }
            if (keep) {
                Attribute a = {};
                for (size_t i = 0; i < nameEnd - name && i + 1 < sizeof a.Name; i++)
                    a.Name[i] =
                        static_cast<char>(AsciiLower(S[name + i]) < 0x80 ? AsciiLower(S[name + i]) : '?');
                a.Value = AttributeValue(valueStart, valueEnd);
                Attributes.push_back(std::move(a));
            }
        }
        P = p;
        StartElement(tag, cls, selfClosing);
    }

    const std::u32string* Attr(const char* name) const {
        for (const Attribute& a : Attributes)
            if (strcmp(a.Name, name) == 0) return &a.Value;
        return nullptr;
    }

    // At S[P] == '<', '/' and a letter.
    void EndTag() {
        size_t p = P + 2;
        int tag = TagName(&p);
        size_t close = Find(p, '>');
        if (close >= N) {
            P = N;
            return;
        }
        P = close + 1;
        EndElement(tag, tag >= 0 ? Tags[tag].Class : TagIgnored);
    }

    // The content of a raw text element up to its end tag, which is passed over; S.size() when
    // it has none (the content then runs to the end).
    size_t RawTextEnd(int tag) {
        const char* name = Tags[tag].Name;
        size_t length = strlen(name);
        for (size_t p = P; p < N; p++) {
            if (S[p] != '<' || p + 1 >= N || S[p + 1] != '/' || !At(p + 2, name)) continue;
            size_t after = p + 2 + length;
            if (after < N && !IsHtmlSpace(S[after]) && S[after] != '/' && S[after] != '>') continue;
            size_t close = Find(after, '>');
            P = close < N ? close + 1 : N;
            return p;
        }
        P = N;
        return N;
    }

    void ShowRawText(size_t from, size_t to, bool references) {
        for (size_t p = from; p < to;) {
            if (references && S[p] == '&') {
                size_t at = p;
                char32_t c = ReferenceAt(&at, false);
                if (c && at <= to) {
                    Char(c);
                    p = at;
                    continue;
                }
            }
            Char(S[p++]);
        }
    }

    // Block elements end an open paragraph; a heading ends an open heading.
    void CloseParagraph(TagClass cls) {
        if (TopClass() == TagPara || (cls == TagHeading && TopClass() == TagHeading)) Pop();
    }

    // li, dt and dd: end the open item of the same list, and open a list when there is none.
    void OpenItem(int tag, TagClass cls) {
        TagClass list = cls == TagItem ? TagList : TagDefList;
        for (size_t i = Stack.size(); i-- > 1;) {
            TagClass open = Stack[i].Class;
            if (open == cls || (cls != TagItem && (open == TagTerm || open == TagDefinition))) {
                PopTo(i);
                break;
            }
            if (open != TagPara && open != TagBlock) break;
        }
        if (TopClass() != list) {
            if (!CanOpen(true)) return;
            uint8_t level = ListLevel();
            int32_t node = OpenNode(list == TagList ? KindList : KindDefList, -1, list);
            D.Nodes[static_cast<size_t>(node)].Level = level;
            D.Nodes[static_cast<size_t>(node)].Number = 1;
        }
        if (!CanOpen(true)) return;
        Kind kind = cls == TagItem ? KindItem : cls == TagTerm ? KindTerm : KindDefinition;
        int32_t item = OpenNode(kind, tag, cls);
        if (cls == TagItem) {
            Node& parent = D.Nodes[static_cast<size_t>(D.Nodes[static_cast<size_t>(item)].Parent)];
            const std::u32string* value = Attr("value");
            if (value) parent.Number = AttributeNumber(*value, parent.Number);
            D.Nodes[static_cast<size_t>(item)].Number = parent.Number;
            if (parent.Number < 1000000000) parent.Number++;
        }
    }

    uint8_t ListLevel() const {
        unsigned level = 1;
        for (const Open& o : Stack)
            if (o.Class == TagList) level++;
        return static_cast<uint8_t>(std::min(level, 255u));
    }

    void OpenList(int tag) {
        int32_t node = OpenNode(KindList, tag, TagList);
        Node& list = D.Nodes[static_cast<size_t>(node)];
        list.Level = static_cast<uint8_t>(ListLevel() - 1);
        list.Style = 0;
        if (Tags[tag].Extra) {
            list.Style = '1';
            const std::u32string* type = Attr("type");
            char32_t t = type && type->size() == 1 ? (*type)[0] : 0;
            if (t == 'a' || t == 'A' || t == 'i' || t == 'I') list.Style = static_cast<uint8_t>(t);
        }
        const std::u32string* start = Attr("start");
        list.Number = start ? AttributeNumber(*start, 1) : 1;
    }

    // A cell's or row's valign: 't', 'b' or 'm' (the default), else what its row says.
    uint8_t VerticalAlignment(uint8_t otherwise) const {
        const std::u32string* valign = Attr("valign");
        if (valign && !valign->empty()) {
            char32_t c = AsciiLower((*valign)[0]);
            if (c == 't' || c == 'b' || c == 'm') return static_cast<uint8_t>(c);
        }
        return otherwise ? otherwise : 'm';
    }

    // Structure tags of tables: the stack position of the innermost table, or 0.
    size_t OpenTable() const { return FindOpen(TagTable, {}); }

    void StartElement(int tag, TagClass cls, bool selfClosing) {
        if (InSelect) {
            if (cls == TagOption) StartOption();
            if (cls == TagIgnored || cls == TagVoid || cls == TagOption || cls == TagBreak || cls == TagImage)
                return;
            EndSelect(); // a block ends an unclosed select
            if (cls == TagSelect) return;
        }
        if (PreDepth && cls != TagBreak && cls != TagImage && cls != TagDropped && cls != TagRow &&
            cls != TagCell && cls != TagCaption && cls != TagRowGroup)
            return; // inside a preformatted block only its text counts
        switch (cls) {
        case TagIgnored:
        case TagVoid:
        case TagOption:
            return;
        case TagDropped:
            if (!selfClosing) RawTextEnd(tag);
            return;
        case TagVerbatim:
        case TagPlaintext: {
            CloseParagraph(cls);
            BeforeContent();
            bool opened = CanOpen(false);
            if (opened) OpenPre(tag, true);
            size_t from = P;
            size_t to = cls == TagPlaintext ? (P = N) : RawTextEnd(tag);
            size_t resume = P;
            ShowRawText(from, to, Tags[tag].Extra != 0);
            P = resume;
            if (opened) PopTo(FindOpen(TagPre, {}));
            return;
        }
        case TagBreak:
            ForcedBreak();
            return;
        case TagImage: {
            const std::u32string* alt = Attr("alt");
            if (alt) Text(*alt);
            return;
        }
        case TagSelect:
            StartSelect();
            return;
        case TagRowGroup: {
            size_t table = OpenTable();
            if (table) PopTo(table + 1);
            return;
        }
        case TagRow: {
            size_t table = OpenTable();
            if (!table) return;
            PopTo(table + 1);
            int32_t row = OpenNode(KindRow, tag, TagRow);
            D.Nodes[static_cast<size_t>(row)].Style = VerticalAlignment(0);
            return;
        }
        case TagCell: {
            size_t table = OpenTable();
            if (!table) return;
            size_t row = FindOpen(TagRow, {TagTable});
            PopTo(row ? row + 1 : table + 1);
            if (!row) OpenNode(KindRow, -1, TagRow);
            uint8_t rowAlignment = Top().Style;
            int32_t cell = OpenNode(KindCell, tag, TagCell);
            D.Nodes[static_cast<size_t>(cell)].Style = VerticalAlignment(rowAlignment);
            const std::u32string* colspan = Attr("colspan");
            const std::u32string* rowspan = Attr("rowspan");
            Node& c = D.Nodes[static_cast<size_t>(cell)];
            c.ColSpan = static_cast<uint16_t>(
                std::max(1, std::min<int32_t>(colspan ? AttributeNumber(*colspan, 1) : 1, MaxSpan)));
            c.RowSpan = static_cast<uint16_t>(
                std::max(1, std::min<int32_t>(rowspan ? AttributeNumber(*rowspan, 1) : 1, MaxSpan)));
            return;
        }
        case TagCaption: {
            size_t table = OpenTable();
            if (!table) return;
            PopTo(table + 1);
            OpenNode(KindCaption, tag, TagCaption);
            return;
        }
        default:
            break;
        }
        // The blocks.
        if (cls == TagTable && TableDepth >= MaxTables) return;
        if (cls == TagTable && InTableContext()) PopTo(OpenTable()); // a table directly in a table ends it
        CloseParagraph(cls);
        BeforeContent();
        if (cls == TagRule) {
            AddNode(KindRule);
            return;
        }
        if (cls == TagItem || cls == TagTerm || cls == TagDefinition) {
            OpenItem(tag, cls);
            return;
        }
        if (!CanOpen(false)) return;
        switch (cls) {
        case TagPara:
            OpenNode(KindPara, tag, cls);
            break;
        case TagHeading: {
            int32_t node = OpenNode(KindHeading, tag, cls);
            D.Nodes[static_cast<size_t>(node)].Level = Tags[tag].Extra;
            break;
        }
        case TagList:
            OpenList(tag);
            break;
        case TagDefList:
            OpenNode(KindDefList, tag, cls);
            break;
        case TagQuote:
            OpenNode(KindQuote, tag, cls);
            break;
        case TagPre:
            OpenPre(tag, true);
            break;
        case TagTable:
            OpenNode(KindTable, tag, cls);
            break;
        default:
            OpenNode(KindBlock, tag, TagBlock);
            break;
        }
    }

    void EndElement(int tag, TagClass cls) {
        size_t at = 0;
        switch (cls) {
        case TagIgnored:
        case TagVoid:
        case TagOption:
        case TagDropped:
        case TagImage:
        case TagPlaintext:
        case TagVerbatim:
            return;
        case TagBreak:
            ForcedBreak(); // "</br>" is read as "<br>"
            return;
        case TagSelect:
            if (InSelect) EndSelect();
            return;
        case TagPara:
            at = FindOpen(TagPara, {TagTable, TagCell, TagCaption});
            if (!at) { // a lone "</p>" is an empty paragraph
                if (CanOpen(false) && !PreDepth) {
                    BeforeContent();
                    OpenNode(KindPara, tag, TagPara);
                    Pop();
                }
                return;
            }
            break;
        case TagHeading:
            at = FindOpen(TagHeading, {TagTable, TagCell, TagCaption});
            break;
        case TagItem:
            at = FindOpen(TagItem, {TagList, TagTable, TagCell, TagCaption});
            break;
        case TagTerm:
        case TagDefinition:
            at = FindOpen(cls, {TagDefList, TagTable, TagCell, TagCaption});
            break;
        case TagCell:
        case TagRow:
        case TagCaption:
            at = FindOpen(cls, {TagTable});
            break;
        case TagRowGroup:
            at = OpenTable();
            if (at) PopTo(at + 1);
            return;
        case TagTable:
            at = OpenTable();
            break;
        default:
            at = FindOpen(cls, {TagTable, TagCell, TagCaption}, tag);
            break;
        }
        if (at) PopTo(at);
    }
};

// ---------------------------------------------------------------------------------------------
// Lines

class Writer {
  public:
    Writer(unsigned width) : Width(std::max<unsigned>(width, 1)) {}

    std::vector<std::u32string> Lines;
    unsigned Width;
    unsigned Indent = 0;

    unsigned Available() const { return Width > Indent ? Width - Indent : 1; }

    // Ends the open line; level 2 asks for a blank line before whatever comes next.
    void Break(int level) {
        if (Open) End(false);
        Pending = std::max(Pending, level);
    }

    // A word, after a space; or, `glued`, a part of one that may start a line of its own.
    void Word(const char32_t* w, size_t n, bool glued = false) {
        if (!Open) {
            Begin();
        } else if (HasText) {
            if (Line.size() + (glued ? 0 : 1) + n > Width) {
                End(false);
                Begin();
            } else if (!glued) {
                Line.push_back(' ');
            }
        }
        Line.append(w, n);
        HasText = true;
    }

    void ForcedBreak() {
        if (!Open) Begin();
        End(false);
    }

    // A line as it is: of a preformatted block (verbatim) or laid out already.
    void Put(const char32_t* s, size_t n, bool verbatim) {
        Begin();
        Line.append(s, n);
        End(verbatim);
    }

    // The list marker of the next line: right-aligned to the indentation.
    void SetMarker(const std::u32string& marker) {
        if (MarkerPending) ForcedBreak(); // an item with nothing before the next one's marker
        Marker = marker;
        MarkerPending = true;
    }

    // Ends the text. A table cell keeps the empty lines it ends with (a "<br>" after its last
    // block), which make its row taller, as in a browser.
    void Finish(bool keepTrailingEmpty = false) {
        if (Open) End(false);
        while (!keepTrailingEmpty && !Lines.empty() && Lines.back().empty())
            Lines.pop_back();
        size_t first = 0;
        while (first < Lines.size() && Lines[first].empty())
            first++;
        Lines.erase(Lines.begin(), Lines.begin() + static_cast<std::ptrdiff_t>(first));
    }

  private:
    std::u32string Line, Marker;
    bool Open = false, HasText = false, MarkerPending = false;
    bool LastEmpty = true; // the last line is empty, or there is none yet
    int Pending = 0;

    void Begin() {
        if (Pending == 2 && !LastEmpty) {
            Lines.emplace_back();
            LastEmpty = true;
        }
        Pending = 0;
        Line.assign(Indent, ' ');
        if (MarkerPending) {
            if (Marker.size() <= Indent)
                Line.replace(Indent - Marker.size(), Marker.size(), Marker);
            else
                Line = Marker;
            MarkerPending = false;
        }
        Open = true;
        HasText = false;
    }

    void End(bool verbatim) {
        Open = false;
        for (char32_t& c : Line)
            if (c == NoBreakSpace) c = ' ';
        size_t end = Line.size();
        while (end > 0 && Line[end - 1] == ' ')
            end--;
        Line.resize(end);
        if (end == 0 && !verbatim && LastEmpty) return;
        LastEmpty = end == 0;
        Lines.push_back(Line);
    }
};

struct GridCell {
    int32_t Node;
    unsigned Column, Span;
};

struct Grid {
    std::vector<int32_t> Captions;
    std::vector<std::vector<GridCell>> Rows;
    unsigned Columns = 0;
};

class Layout {
  public:
    Layout(Document& document, const TextTarget* target) : D(document), Target(target) {}

    void Block(int32_t index, Writer& w) {
        Node& n = At(index);
        switch (n.Kind) {
        case KindText:
            if (n.Style)
                Preformatted(n, w);
            else
                Flow(n, w);
            return;
        case KindPara:
        case KindPre:
            Framed(index, w, 2, 0);
            return;
        case KindQuote:
            Framed(index, w, 2, IndentStep);
            return;
        case KindHeading:
            Heading(index, w);
            return;
        case KindList:
        case KindDefList:
            List(index, w);
            return;
        case KindItem:
            Item(index, w, IndentStep);
            return;
        case KindDefinition:
            Framed(index, w, 1, IndentStep);
            return;
        case KindRule: {
            w.Break(1);
            std::u32string rule(w.Available(), Shown(RuleChar));
            w.Put(rule.data(), rule.size(), false);
            w.Break(1);
            return;
        }
        case KindTable:
            Table(index, w);
            return;
        default: // root, block, term, row, cell, caption
            Framed(index, w, 1, 0);
            return;
        }
    }

  private:
    Document& D;
    const TextTarget* Target;
    int ListNesting = 0;

    Node& At(int32_t index) { return D.Nodes[static_cast<size_t>(index)]; }

    // The children on lines of their own, indented: with blank lines around for level 2.
    void Framed(int32_t index, Writer& w, int level, unsigned indent) {
        w.Break(level);
        unsigned step = Indent(w, indent);
        Children(index, w);
        w.Break(level);
        w.Indent -= step;
    }

    void Children(int32_t index, Writer& w) {
        for (int32_t c = At(index).First; c >= 0; c = At(c).Next)
            Block(c, w);
    }

    // The character as the target writes it: itself, or its stand-in's first character.
    char32_t Shown(char32_t c) const {
        if (!Target || TargetByte(*Target, c) >= 0) return c;
        const char* standIn = StandIn(c);
        return standIn ? static_cast<unsigned char>(standIn[0]) : '?';
    }

    // Indents by `step`, or less where that would leave too narrow a text; returns what it did.
    unsigned Indent(Writer& w, unsigned step) {
        unsigned room = w.Width > w.Indent + MinTextWidth ? w.Width - w.Indent - MinTextWidth : 0;
        step = std::min(step, room);
        w.Indent += step;
        return step;
    }

    void Flow(const Node& n, Writer& w) {
        const char32_t* p = D.Text.data() + n.Start;
        const char32_t* end = p + n.Length;
        while (p < end) {
            if (*p == ' ') {
                p++;
            } else if (*p == LineBreak) {
                w.ForcedBreak();
                p++;
            } else {
                const char32_t* q = WordPart(p, end);
                w.Word(p, static_cast<size_t>(q - p));
                while (q < end && *q == '(') { // "Name(Type, Type)" may break before the parenthesis
                    const char32_t* r = WordPart(q, end);
                    w.Word(q, static_cast<size_t>(r - q), true);
                    q = r;
                }
                p = q;
            }
        }
    }

    // The end of the part of a word that starts at p: the word's end or its next '('.
    static const char32_t* WordPart(const char32_t* p, const char32_t* end) {
        const char32_t* q = p + 1;
        while (q < end && *q != ' ' && *q != LineBreak && *q != '(')
            q++;
        return q;
    }

    void Preformatted(const Node& n, Writer& w) {
        const char32_t* p = D.Text.data() + n.Start;
        const char32_t* end = p + n.Length;
        while (p < end) {
            const char32_t* q = p;
            while (q < end && *q != LineBreak)
                q++;
            w.Put(p, static_cast<size_t>(q - p), true);
            p = q < end ? q + 1 : q;
        }
    }

    void Heading(int32_t index, Writer& w) {
        w.Break(2);
        size_t first = w.Lines.size();
        Children(index, w);
        w.Break(1);
        unsigned level = At(index).Level;
        if (level <= 2) {
            size_t longest = 0;
            for (size_t i = first; i < w.Lines.size(); i++)
                longest = std::max(longest, w.Lines[i].size() > w.Indent ? w.Lines[i].size() - w.Indent : 0);
            if (longest) {
                std::u32string underline(std::min<size_t>(longest, w.Available()), level == 1 ? '=' : '-');
                w.Put(underline.data(), underline.size(), false);
            }
        }
        w.Break(2);
    }

    std::u32string Marker(const Node& list, int32_t number) const {
        std::u32string marker;
        if (!list.Style) {
            marker.push_back(Shown(Bullets[(list.Level ? list.Level - 1 : 0) % 3]));
            marker.push_back(' ');
            return marker;
        }
        std::string digits;
        if ((list.Style == 'a' || list.Style == 'A') && number > 0) {
            for (int32_t k = number; k > 0; k = (k - 1) / 26)
                digits.insert(digits.begin(),
                              static_cast<char>((list.Style == 'a' ? 'a' : 'A') + (k - 1) % 26));
        } else if ((list.Style == 'i' || list.Style == 'I') && number > 0 && number < 4000) {
            static const char* const symbols[] = {"m",  "cm", "d",  "cd", "c",  "xc", "l",
                                                  "xl", "x",  "ix", "v",  "iv", "i"};
            static const int values[] = {1000, 900, 500, 400, 100, 90, 50, 40, 10, 9, 5, 4, 1};
            for (int k = 0, left = number; k < 13; k++)
                for (; left >= values[k]; left -= values[k])
                    digits += symbols[k];
            if (list.Style == 'I')
                for (char& c : digits)
                    c = static_cast<char>(c - 32);
        } else {
            digits = std::to_string(number);
        }
        for (char c : digits)
            marker.push_back(static_cast<unsigned char>(c));
        marker += U". ";
        return marker;
    }

    void List(int32_t index, Writer& w) {
        Node& list = At(index);
        w.Break(ListNesting ? 1 : 2);
        ListNesting++;
        unsigned step = IndentStep;
        if (list.Kind == KindList && list.Style)
            for (int32_t c = list.First; c >= 0; c = At(c).Next)
                if (At(c).Kind == KindItem)
                    step = std::max<unsigned>(step, static_cast<unsigned>(Marker(list, At(c).Number).size()));
        for (int32_t c = list.First; c >= 0; c = At(c).Next) {
            if (At(c).Kind == KindItem) {
                Item(c, w, step);
            } else if (list.Kind == KindList) { // text or blocks between the items
                unsigned applied = Indent(w, step);
                Block(c, w);
                w.Indent -= applied;
            } else {
                Block(c, w);
            }
        }
        ListNesting--;
        w.Break(ListNesting ? 1 : 2);
    }

    void Item(int32_t index, Writer& w, unsigned step) {
        Node& item = At(index);
        w.Break(1);
        unsigned applied = Indent(w, step);
        const Node& list = At(item.Parent);
        w.SetMarker(Marker(list.Kind == KindList ? list : item, item.Number));
        Children(index, w);
        w.Break(1);
        w.Indent -= applied;
    }

    // -- tables

    Grid GridOf(int32_t table) {
        Grid grid;
        std::vector<unsigned> busy; // per column: the first row a rowspan above leaves it free
        for (int32_t r = At(table).First; r >= 0; r = At(r).Next) {
            if (At(r).Kind == KindCaption) {
                grid.Captions.push_back(r);
                continue;
            }
            if (At(r).Kind != KindRow) continue;
            unsigned row = static_cast<unsigned>(grid.Rows.size());
            grid.Rows.emplace_back();
            unsigned column = 0;
            for (int32_t c = At(r).First; c >= 0; c = At(c).Next) {
                if (At(c).Kind != KindCell) continue;
                while (column < busy.size() && busy[column] > row)
                    column++;
                unsigned span = At(c).ColSpan;
                grid.Rows.back().push_back({c, column, span});
                if (column + span > busy.size())
                    busy.resize(std::min<size_t>(column + span, MaxColumns + MaxSpan), 0);
                for (unsigned k = column; k < column + span && k < busy.size(); k++)
                    busy[k] = row + At(c).RowSpan;
                column += span;
                grid.Columns = std::max(grid.Columns, column);
                if (column > MaxColumns) break;
            }
        }
        return grid;
    }

    struct ColumnWidths {
        std::vector<unsigned> Min, Max;
        unsigned SumMin = 0, SumMax = 0, Kept = 0; // over the columns that show anything
    };

    ColumnWidths Columns(const Grid& grid) {
        ColumnWidths cw;
        cw.Min.assign(grid.Columns, 0);
        cw.Max.assign(grid.Columns, 0);
        for (int pass = 0; pass < 2; pass++) {
            for (const std::vector<GridCell>& row : grid.Rows) {
                for (const GridCell& cell : row) {
                    if ((cell.Span == 1) != (pass == 0)) continue;
                    Measure(cell.Node);
                    const Node& n = At(cell.Node);
                    unsigned end = std::min(cell.Column + cell.Span, grid.Columns);
                    Spread(&cw.Min, cell.Column, end, n.Min);
                    Spread(&cw.Max, cell.Column, end, n.Max);
                }
            }
        }
        for (unsigned c = 0; c < grid.Columns; c++) {
            cw.Max[c] = std::max(cw.Max[c], cw.Min[c]);
            if (!cw.Max[c]) continue;
            cw.Kept++;
            cw.SumMin += cw.Min[c];
            cw.SumMax += cw.Max[c];
        }
        return cw;
    }

    // Widens columns [from, to) evenly until, gaps included, they take `need`.
    static void Spread(std::vector<unsigned>* widths, unsigned from, unsigned to, unsigned need) {
        if (from >= to) return;
        unsigned have = ColumnGap * (to - from - 1);
        for (unsigned c = from; c < to; c++)
            have += (*widths)[c];
        if (need <= have) return;
        unsigned more = need - have, count = to - from;
        for (unsigned c = from; c < to; c++)
            (*widths)[c] += more / count + (c - from < more % count ? 1 : 0);
    }

    void Measure(int32_t index) {
        Node& n = At(index);
        if (n.Measured) return;
        n.Measured = 1;
        unsigned lo = 0, hi = 0;
        if (n.Kind == KindText) {
            MeasureText(n, &lo, &hi);
        } else if (n.Kind == KindRule) {
            lo = hi = 1;
        } else if (n.Kind == KindTable) {
            Grid grid = GridOf(index);
            ColumnWidths cw = Columns(grid);
            hi = cw.SumMax + (cw.Kept ? ColumnGap * (cw.Kept - 1) : 0);
            for (const std::vector<GridCell>& row : grid.Rows)
                for (const GridCell& cell : row)
                    lo = std::max(lo, At(cell.Node).Min); // a cell a line at the narrowest
            for (int32_t c : grid.Captions) {
                Measure(c);
                lo = std::max(lo, At(c).Min);
                hi = std::max(hi, At(c).Max);
            }
        } else {
            unsigned indent =
                n.Kind == KindQuote || n.Kind == KindDefinition || n.Kind == KindItem ? IndentStep : 0;
            for (int32_t c = n.First; c >= 0; c = At(c).Next) {
                Measure(c);
                lo = std::max(lo, At(c).Min + indent);
                hi = std::max(hi, At(c).Max + indent);
            }
        }
        Node& m = At(index);
        m.Min = lo;
        m.Max = hi;
    }

    void MeasureText(const Node& n, unsigned* lo, unsigned* hi) const {
        const char32_t* p = D.Text.data() + n.Start;
        const char32_t* end = p + n.Length;
        unsigned line = 0, word = 0;
        for (; p <= end; p++) {
            char32_t c = p < end ? *p : LineBreak;
            if (c == '(' && word && !n.Style) { // a line may break before it
                *lo = std::max(*lo, word);
                word = 0;
            }
            if (c == LineBreak || (c == ' ' && !n.Style)) {
                *lo = std::max(*lo, n.Style ? line : word);
                word = 0;
                if (c == LineBreak) {
                    *hi = std::max(*hi, line);
                    line = 0;
                } else {
                    line++;
                }
                continue;
            }
            word++;
            line++;
        }
    }

    void Table(int32_t index, Writer& w) {
        Grid grid = GridOf(index);
        w.Break(2);
        for (int32_t c : grid.Captions)
            Block(c, w);
        ColumnWidths cw = Columns(grid);
        unsigned available = w.Available();
        unsigned gaps = cw.Kept ? ColumnGap * (cw.Kept - 1) : 0;
        if (grid.Columns > MaxColumns || cw.SumMin + gaps > available) {
            CellPerLine(grid, w);
        } else {
            std::vector<unsigned> widths = cw.Max;
            if (cw.SumMax + gaps > available) Share(cw, available - gaps, w.Width, &widths);
            Columned(grid, widths, w);
        }
        w.Break(2);
    }

    // Shares `room` among the columns by their widest lines, a very wide one counting for less
    // (logarithmically beyond a page's width), none narrower than its longest word nor wider
    // than its widest line.
    static void Share(const ColumnWidths& cw, unsigned room, unsigned page, std::vector<unsigned>* widths) {
        size_t count = cw.Max.size();
        std::vector<int> pinned(count, 0); // 1 at its narrowest, 2 at its widest
        for (size_t c = 0; c < count; c++)
            if (!cw.Max[c]) pinned[c] = 1;
        for (bool again = true; again;) {
            again = false;
            double left = room, total = 0;
            for (size_t c = 0; c < count; c++) {
                if (pinned[c])
                    left -= pinned[c] == 1 ? cw.Min[c] : cw.Max[c];
                else
                    total += Weight(cw.Max[c], page);
            }
            for (size_t c = 0; c < count; c++) {
                if (pinned[c]) {
                    (*widths)[c] = pinned[c] == 1 ? cw.Min[c] : cw.Max[c];
                    continue;
                }
                double share = total > 0 ? left * Weight(cw.Max[c], page) / total : 0;
                if (share < cw.Min[c] || share > cw.Max[c]) {
                    pinned[c] = share < cw.Min[c] ? 1 : 2;
                    again = true;
                }
                (*widths)[c] = static_cast<unsigned>(share);
            }
        }
        unsigned used = 0; // what rounding down left goes to the widest column that can take it
        for (size_t c = 0; c < count; c++)
            used += (*widths)[c];
        for (unsigned spare = room > used ? room - used : 0; spare > 0; spare--) {
            size_t best = count;
            for (size_t c = 0; c < count; c++)
                if ((*widths)[c] < cw.Max[c] && (best == count || cw.Max[c] > cw.Max[best])) best = c;
            if (best == count) break;
            (*widths)[best]++;
        }
    }

    static double Weight(unsigned width, unsigned page) {
        return width < page ? width : page * (log(static_cast<double>(width) / page) + 1);
    }

    void CellPerLine(const Grid& grid, Writer& w) {
        for (const std::vector<GridCell>& row : grid.Rows) {
            for (const GridCell& cell : row)
                Block(cell.Node, w);
            w.Break(2);
        }
    }

    void Columned(const Grid& grid, const std::vector<unsigned>& widths, Writer& w) {
        std::vector<unsigned> x(grid.Columns + 1, 0); // where each column starts; empty ones take no room
        for (unsigned c = 0, at = 0; c < grid.Columns; c++) {
            x[c] = at;
            if (widths[c]) at += widths[c] + ColumnGap;
            x[c + 1] = at;
        }
        std::vector<std::vector<std::u32string>> lines;
        std::vector<unsigned> starts;
        std::vector<uint8_t> alignments;
        std::u32string line;
        for (const std::vector<GridCell>& row : grid.Rows) {
            lines.clear();
            starts.clear();
            alignments.clear();
            size_t height = 0;
            for (const GridCell& cell : row) {
                unsigned end = std::min(cell.Column + cell.Span, grid.Columns);
                unsigned width = x[end] - x[cell.Column];
                width = width > ColumnGap ? width - ColumnGap : 0;
                Writer sub(width);
                if (width) {
                    Children(cell.Node, sub);
                    sub.Finish(true);
                }
                height = std::max(height, sub.Lines.size());
                lines.push_back(std::move(sub.Lines));
                starts.push_back(x[cell.Column]);
                alignments.push_back(At(cell.Node).Style);
            }
            for (size_t y = 0; y < height; y++) {
                line.clear();
                for (size_t i = 0; i < lines.size(); i++) {
                    size_t n = lines[i].size();
                    size_t top = alignments[i] == 't'   ? 0
                                 : alignments[i] == 'b' ? height - n
                                                        : (height - n) / 2;
                    if (y < top || y - top >= n || lines[i][y - top].empty()) continue;
                    if (line.size() < starts[i])
                        line.append(starts[i] - line.size(), ' ');
                    else if (!line.empty())
                        line.push_back(' ');
                    line += lines[i][y - top];
                }
                w.Put(line.data(), line.size(), false);
            }
        }
    }
};

} // namespace

char32_t NamedEntity(const char* name, size_t length) {
    // A bucket per first character (the names are sorted by strcmp, so each is one run), and
    // lengths compared before characters: pages are full of &nbsp; and &amp;.
    struct Buckets {
        int First[129], Length[sizeof Entities / sizeof Entities[0]];
        Buckets() {
            const int count = static_cast<int>(sizeof Entities / sizeof Entities[0]);
            for (int c = 0, e = 0; c <= 128; c++) {
                while (e < count && static_cast<unsigned char>(Entities[e].Name[0]) < c)
                    e++;
                First[c] = e;
            }
            for (int e = 0; e < count; e++)
                Length[e] = static_cast<int>(strlen(Entities[e].Name));
        }
    };
    static const Buckets buckets;
    if (length == 0 || length > MaxEntityName) return 0;
    unsigned char first = static_cast<unsigned char>(name[0]);
    if (first >= 128) return 0;
    for (int e = buckets.First[first]; e < buckets.First[first + 1]; e++)
        if (buckets.Length[e] == static_cast<int>(length) && memcmp(Entities[e].Name, name, length) == 0)
            return Entities[e].Char;
    return 0;
}

unsigned PageCodePage(const unsigned char* page, size_t length, unsigned fallback) {
    if (length >= 3 && page[0] == 0xEF && page[1] == 0xBB && page[2] == 0xBF) return CodePageUtf8;
    if (length >= 2 && page[0] == 0xFF && page[1] == 0xFE) return CodePageUtf16Le;
    if (length >= 2 && page[0] == 0xFE && page[1] == 0xFF) return CodePageUtf16Be;
    unsigned declared = DeclaredCodePage(page, length);
    // A page that claims UTF-8 but is not (a copied meta line) is read in the help file's page.
    if (declared == CodePageUtf8 && !IsValidUtf8(page, length)) return fallback;
    return declared ? declared : fallback;
}

HtmlTextStatus RenderHtmlText(const unsigned char* page, size_t length, const HtmlTextOptions& options,
                              std::u32string* text) {
    try {
        text->clear();
        unsigned codePage = options.CodePage;
        if (!options.Plain)
            codePage = PageCodePage(page, length, options.CodePage);
        else if (length >= 3 && page[0] == 0xEF && page[1] == 0xBB && page[2] == 0xBF)
            codePage = CodePageUtf8;
        Document document;
        {
            std::u32string source;
            Decode(page, length, codePage, codePage == options.CodePage ? options.UpperHalf : nullptr,
                   &source);
            Builder builder(source, options, &document);
            if (options.Plain)
                builder.Plain();
            else
                builder.Html();
        }
        Layout layout(document, options.Target);
        Writer writer(std::max<unsigned>(options.Width, MinTextWidth));
        layout.Block(0, writer);
        writer.Finish();
        size_t size = 0;
        for (const std::u32string& line : writer.Lines)
            size += line.size() + 1;
        text->reserve(size);
        for (const std::u32string& line : writer.Lines) {
            *text += line;
            text->push_back('\n');
        }
        return HtmlTextDone;
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    text->clear();
    text->shrink_to_fit();
    return HtmlTextNoMemory;
}

HtmlTextOptions TopicPageOptions(const char* path, uint32_t languageId) {
    HtmlTextOptions options;
    options.CodePage = AnsiCodePageOfLanguage(languageId);
    size_t length = path ? strlen(path) : 0;
    options.Plain =
        length >= 4 && BytesAre(reinterpret_cast<const unsigned char*>(path) + length - 4, 4, ".txt");
    return options;
}
