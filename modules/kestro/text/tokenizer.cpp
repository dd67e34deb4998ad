// The text view's tokenizer (see builder.h): a page's markup read in one forward pass: start
// and end tags with their attributes, comments, declarations and processing instructions (passed
// over), the raw text of script, style, textarea and their like, and character references;
// with the tables of the elements and the entities it knows. What it reads goes straight to the
// tree builder (treebuilder.cpp).
#include "text/builder.h"

#include <string.h>

#include <algorithm>

#include "text/htmlchars.h"

namespace htmltext {
namespace {

enum {
    MaxEntityName = 32,
    MaxLegacyEntity = 8, // names read without their ';' are at most this long
};

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

} // namespace

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

namespace {

// A table of names sorted by strcmp, indexed for lookups that mostly miss (tag names) or hit a
// few short names (pages are full of &nbsp; and &amp;): a bucket per first character, each a
// run of the table, and the names' lengths, compared before their characters.
template <class Entry, size_t Count> class NameIndex {
  public:
    explicit NameIndex(const Entry (&table)[Count]) : Table(table) {
        for (int c = 0, e = 0; c <= 128; c++) {
            while (e < static_cast<int>(Count) && static_cast<unsigned char>(table[e].Name[0]) < c)
                e++;
            First[c] = e;
        }
        for (size_t e = 0; e < Count; e++)
            Length[e] = strlen(table[e].Name);
    }

    // The index in the table of the name at name[0..n), or -1.
    int Find(const char* name, size_t n) const {
        if (n == 0) return -1;
        unsigned char first = static_cast<unsigned char>(name[0]);
        if (first >= 128) return -1;
        for (int e = First[first]; e < First[first + 1]; e++)
            if (Length[e] == n && memcmp(Table[e].Name, name, n) == 0) return e;
        return -1;
    }

  private:
    const Entry* Table;
    int First[129]; // Table[First[c]..First[c + 1]) start with character c
    size_t Length[Count];
};

// The index in Tags of the name at s[0..n) (ASCII letters in any case), or -1. Most tags of a
// page are not in the table (a, span, b, ...): a bucket per first letter keeps each miss short.
int FindTag(const char32_t* s, size_t n) {
    static const NameIndex index(Tags);
    char name[12];
    if (n == 0 || n >= sizeof name) return -1;
    for (size_t i = 0; i < n; i++) {
        char32_t c = AsciiLower(s[i]);
        if (c >= 0x80) return -1;
        name[i] = static_cast<char>(c);
    }
    return index.Find(name, n);
}

} // namespace

void Builder::Html() {
    while (P < N) {
        if (D.Nodes.size() >= MaxTextBlocks) D.Cut = true;
        if (D.Cut) break; // the page is cut here
        char32_t c = S[P];
        if (c == '<') {
            Markup();
        } else if (c == '&') {
            Reference(false);
        } else {
            size_t end = P;
            while (end < N && S[end] != '<' && S[end] != '&')
                end++;
            Chars(P, end);
            P = end;
        }
    }
    if (InSelect) EndSelect();
    EndRun();
}

// -- character references

// Reads the reference at S[P] == '&' (or shows the '&' when it is none); attribute values
// take a name without ';' only when no letter, digit or '=' follows it.
char32_t Builder::ReferenceAt(size_t* at, bool inAttribute) const {
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

void Builder::Reference(bool inAttribute) {
    char32_t c = ReferenceAt(&P, inAttribute);
    if (c) {
        Char(c);
    } else {
        Char('&');
        P++;
    }
}

// -- markup

size_t Builder::Find(size_t from, char32_t c) const {
    while (from < N && S[from] != c)
        from++;
    return from;
}

bool Builder::At(size_t p, const char* text) const {
    for (; *text; text++, p++)
        if (p >= N || AsciiLower(S[p]) != static_cast<unsigned char>(*text)) return false;
    return true;
}

void Builder::Markup() {
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

void Builder::Comment() {
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

std::u32string Builder::AttributeValue(size_t from, size_t to, size_t most) const {
    std::u32string value;
    for (size_t p = from; p < to && value.size() < most;) {
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
inline int Builder::TagName(size_t* p) const {
    size_t start = *p;
    while (*p < N && !IsHtmlSpace(S[*p]) && S[*p] != '/' && S[*p] != '>')
        (*p)++;
    return FindTag(&S[start], *p - start);
}

// At S[P] == '<' followed by a letter.
void Builder::StartTag() {
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
        if (keep) KeepAttribute(name, nameEnd, valueStart, valueEnd);
    }
    P = p;
    StartElement(tag, cls, selfClosing);
}

// Keeps an attribute the tree builder asks for (the first of its name only), its value read up
// to what the text or a number can use of it.
void Builder::KeepAttribute(size_t name, size_t nameEnd, size_t valueStart, size_t valueEnd) {
    static const char* const used[] = {"alt",      "value",  "type",    "start",
                                       "selected", "valign", "colspan", "rowspan"};
    Attribute a = {};
    for (size_t i = 0; i < nameEnd - name && i + 1 < sizeof a.Name; i++)
        a.Name[i] = static_cast<char>(AsciiLower(S[name + i]) < 0x80 ? AsciiLower(S[name + i]) : '?');
    if (Attr(a.Name)) return;
    for (const char* u : used) {
        if (strcmp(a.Name, u) != 0) continue;
        size_t most = strcmp(u, "alt") == 0 ? MaxTextChars + 1 : MaxNumberValue;
        a.Value = AttributeValue(valueStart, valueEnd, most);
        Attributes.push_back(std::move(a));
        return;
    }
}

const std::u32string* Builder::Attr(const char* name) const {
    for (const Attribute& a : Attributes)
        if (strcmp(a.Name, name) == 0) return &a.Value;
    return nullptr;
}

// At S[P] == '<', '/' and a letter.
void Builder::EndTag() {
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
size_t Builder::RawTextEnd(int tag) {
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

void Builder::ShowRawText(size_t from, size_t to, bool references) {
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

} // namespace htmltext

using namespace htmltext;

char32_t NamedEntity(const char* name, size_t length) {
    static const NameIndex index(Entities);
    if (length > MaxEntityName) return 0;
    int e = index.Find(name, length);
    return e >= 0 ? Entities[e].Char : 0;
}
