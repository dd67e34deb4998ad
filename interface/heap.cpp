// Process-heap helpers (see heap.hpp).
#include "heap.hpp"

#include <string.h>

void* HeapAllocZero(size_t size) {
    return HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size ? size : 1);
}

void* HeapReAllocZero(void* block, size_t size) {
    if (!block) return HeapAllocZero(size);
    return HeapReAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, block, size ? size : 1);
}

void HeapFreeBlock(void* block) {
    if (block) HeapFree(GetProcessHeap(), 0, block);
}

void* HeapAllocArray(size_t n, size_t size) {
    if (size && n > (size_t)-1 / size) return nullptr;
    return HeapAllocZero(n * size);
}

char* HeapStrDup(const char* text) {
    size_t len = strlen(text);
    char* copy = (char*)HeapAllocZero(len + 1);
    if (copy) memcpy(copy, text, len);
    return copy;
}

void MemCopy(void* dest, const void* src, size_t n) {
    memmove(dest, src, n);
}
void MemFill(void* dest, int value, size_t n) {
    memset(dest, value, n);
}
const void* MemFindByte(const void* block, int value, size_t n) {
    return memchr(block, value, n);
}
