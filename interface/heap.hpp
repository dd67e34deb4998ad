// Zero-filling helpers over the process heap, shared by every deliverable.
// Whoever allocates frees; a function that returns a block hands it over.
#pragma once

#include <windows.h>

void* HeapAllocZero(size_t size);
// Grows or shrinks a block; the grown part is zero-filled; a null block is allocated afresh.
void* HeapReAllocZero(void* block, size_t size);
void HeapFreeBlock(void* block); // a null block is ignored
// n elements of the given size, zero-filled; null when n * size overflows.
void* HeapAllocArray(size_t n, size_t size);
char* HeapStrDup(const char* text);

void MemCopy(void* dest, const void* src, size_t n);
void MemFill(void* dest, int value, size_t n);
// The first occurrence of a byte within n bytes, or null.
const void* MemFindByte(const void* block, int value, size_t n);
