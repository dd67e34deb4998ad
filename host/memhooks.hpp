// Allocation hooks for the host's portable pieces: the plug-in hands them the
// process heap, the native tests plain calloc or an allocator that fails.
#pragma once

#include <stddef.h>

struct MemoryHooks {
    void* (*Allocate)(size_t size); // zero-filled block, or null
    void (*Free)(void* block);      // a null block is ignored
};
