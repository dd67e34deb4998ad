// The text view's input: a page's bytes to characters (UTF-8, UTF-16 after its byte order mark,
// or an 8-bit code page), and which code page that is: its byte order mark, else the first XML
// declaration or meta charset the reader knows within the page's head, else the help file's.
// Also the options a help file's page is read with.
#include "text/decoding.h"

#include <string.h>

#include <algorithm>

#include "text/htmlchars.h"
#include "text/htmltext.h"

namespace htmltext {
namespace {

enum {
    PrescanLimit = 65536, // bytes searched for a meta charset
    XmlDeclarationLimit = 256,
    CodePageUtf16Le = 1200,
    CodePageUtf16Be = 1201,
};

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

} // namespace

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

namespace {

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

} // namespace
} // namespace htmltext

using namespace htmltext;

unsigned PageCodePage(const unsigned char* page, size_t length, unsigned fallback) {
    if (length >= 3 && page[0] == 0xEF && page[1] == 0xBB && page[2] == 0xBF) return CodePageUtf8;
    if (length >= 2 && page[0] == 0xFF && page[1] == 0xFE) return CodePageUtf16Le;
    if (length >= 2 && page[0] == 0xFE && page[1] == 0xFF) return CodePageUtf16Be;
    unsigned declared = DeclaredCodePage(page, length);
    // A page that claims UTF-8 but is not (a copied meta line) is read in the help file's page.
    if (declared == CodePageUtf8 && !IsValidUtf8(page, length)) return fallback;
    return declared ? declared : fallback;
}

HtmlTextOptions TopicPageOptions(const char* path, uint32_t languageId) {
    HtmlTextOptions options;
    options.CodePage = AnsiCodePageOfLanguage(languageId);
    size_t length = path ? strlen(path) : 0;
    options.Plain =
        length >= 4 && BytesAre(reinterpret_cast<const unsigned char*>(path) + length - 4, 4, ".txt");
    return options;
}
