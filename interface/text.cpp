// Bounded text copies (see text.hpp).
#include "text.hpp"

#include <string.h>

void CopyText(char* to, const char* from, size_t size) {
    if (!size) return;
    size_t length = from ? strnlen(from, size - 1) : 0;
    if (length) memcpy(to, from, length);
    to[length] = 0;
}
