// Section line picker (see sectionline.hpp).
#include "sectionline.hpp"

#include <string.h>

int PickSectionLine(const char* section, size_t length, int n, char* dest, size_t destSize) {
    if (!destSize) return 0;
    dest[0] = 0;
    if (n < 0) return 0;
    const char* p = section;
    const char* end = section + length;
    for (;;) {
        if (p >= end || !*p) return 0; // the list's final NUL: no such line
        const char* nul = (const char*)memchr(p, 0, (size_t)(end - p));
        size_t lineLength = nul ? (size_t)(nul - p) : (size_t)(end - p);
        if (n-- == 0) {
            if (lineLength > destSize - 1) lineLength = destSize - 1;
            memcpy(dest, p, lineLength);
            dest[lineLength] = 0;
            return (int)lineLength;
        }
        if (!nul) return 0;
        p = nul + 1;
    }
}

namespace {

bool Blank(char c) {
    return c == ' ' || c == '\t';
}

// [begin, end) without the blanks at either end.
void Trim(const char** begin, const char** end) {
    while (*begin < *end && Blank(**begin))
        ++*begin;
    while (*end > *begin && Blank((*end)[-1]))
        --*end;
}

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c;
}

bool SameName(const char* a, size_t length, const char* b) {
    for (size_t i = 0; i < length; i++, b++)
        if (!*b || LowerAscii(a[i]) != LowerAscii(*b)) return false;
    return !*b;
}

} // namespace

size_t CollectSection(const char* text, size_t length, const char* name, size_t maxLines, size_t lineRoom,
                      char* out, size_t outSize) {
    size_t used = 0;
    if (outSize < 2) {
        if (outSize) out[0] = 0;
        return 0;
    }
    bool inside = false;
    const char* p = text;
    const char* end = text + length;
    for (size_t lines = 0; p < end && lines < maxLines;) {
        const char* eol = p;
        while (eol < end && *eol != '\r' && *eol != '\n')
            ++eol;
        const char* b = p;
        const char* e = eol;
        p = eol < end ? eol + 1 : end;
        Trim(&b, &e);
        if (b == e || *b == ';') continue;
        const char* close = b;
        while (close < e && *close != ']')
            ++close;
        if (*b == '[' && close < e) { // "[name]"; a '[' without its ']' starts a plain line
            if (inside) break;        // the next section
            const char* nb = b + 1;
            const char* ne = close;
            Trim(&nb, &ne);
            inside = SameName(nb, (size_t)(ne - nb), name);
            continue;
        }
        if (!inside) continue;
        // The line as the platform gives it: blanks around the first '=' dropped.
        const char* eq = b;
        while (eq < e && *eq != '=')
            ++eq;
        const char* parts[2][2] = {{b, eq}, {eq < e ? eq + 1 : e, e}};
        if (eq < e) {
            Trim(&parts[0][0], &parts[0][1]);
            Trim(&parts[1][0], &parts[1][1]);
        }
        size_t key = (size_t)(parts[0][1] - parts[0][0]);
        size_t whole = key + (eq < e ? 1 + (size_t)(parts[1][1] - parts[1][0]) : 0);
        size_t n = whole < lineRoom ? whole : lineRoom;
        if (n + 2 > outSize - used) break; // the line, its NUL and the final NUL
        size_t first = key < n ? key : n;
        memcpy(out + used, parts[0][0], first);
        if (n > key) {
            out[used + key] = '=';
            memcpy(out + used + key + 1, parts[1][0], n - key - 1);
        }
        used += n;
        out[used++] = 0;
        ++lines;
    }
    out[used] = 0;
    return used;
}
