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
