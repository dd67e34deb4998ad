// Read-only random access to one file for the CHM reader: a path opened natively
// (POSIX, or CreateFileA under Windows) or a block of bytes already in memory.
// No Windows types here, so the container core stays portable.
#pragma once

#include <stddef.h>
#include <stdint.h>

struct ChmFile;

// Opens a file for reading (shared for reading with others). Null when it cannot be opened.
ChmFile* ChmFileOpen(const char* path);

// A memory-backed file over bytes that the caller keeps alive until ChmFileClose.
// Null only when the record cannot be allocated.
ChmFile* ChmFileOpenMemory(const unsigned char* data, size_t size);

// The file's size in bytes, as found when it was opened.
uint64_t ChmFileSize(const ChmFile* file);

// Reads up to `length` bytes at `offset` into `buffer`; returns the number of bytes
// read, fewer only at the end of the file or on a read error.
uint32_t ChmFileReadAt(ChmFile* file, uint64_t offset, void* buffer, uint32_t length);

void ChmFileClose(ChmFile* file);
