// ITSF container reader (compiled HTML Help files, their index files and plain
// storages): loads the directory and the section list at open, and returns any
// stored object as a fresh block, decompressing LZX sections once per container.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "chmfile.h"

enum {
    ChmNameSize = 256,          // name fields, NUL included
    ChmHeaderSize = 56,         // the part of the ITSF header kept as read
    ChmDirectoryHeaderSize = 84 // the ITSP header
};

// Files of this size or more are refused at open: every position is 32-bit.
const uint64_t ChmMaxFileSize = 0x80000000u;

struct DirectoryRecord {
    uint32_t Section;       // index into the section table
    uint32_t Offset;        // within the section
    uint32_t Length;        // bytes
    char Name[ChmNameSize]; // exactly as stored, e.g. "/#TOPICS" or "::DataSpace/NameList"
};

struct SectionRecord {
    char Name[ChmNameSize];    // "MSCompressed" for the LZX section
    uint32_t ContentOffset;    // 0 for section 0; else the offset of its ".../Content" record
    uint16_t Compressed;       // 1 when the name is exactly "MSCompressed"
    uint16_t DecodeFailed;     // set once a decompression failed, so later reads fail at once
    unsigned char* CachedData; // the whole decompressed section, null until first read
    uint32_t CachedLength;     // its length
};

struct ChmContainer {
    ChmFile* File;
    uint64_t FileSize;
    unsigned char Header[ChmHeaderSize]; // ITSF header, first 56 bytes as read
    uint64_t HeaderSections[4];          // section 0 offset, length; section 1 (directory) offset, length
    uint64_t ContentOffset;              // where section 0's data begins
    unsigned char DirectoryHeader[ChmDirectoryHeaderSize];
    uint32_t DirectoryCount;
    DirectoryRecord* Directory; // in listing-chunk order
    uint32_t SectionCount;
    SectionRecord* Sections;  // in name-list order; empty while opening
    uint32_t DecompressCount; // sections decompressed so far (the cache saves the rest)
    uint32_t ChunksRead;      // listing chunks walked at open
};

// Opens a file and loads its directory and section table. Null when the file cannot be
// opened, is 2 GiB or larger, or memory runs out. A file whose structures are damaged
// still opens; what cannot be read safely is simply absent.
ChmContainer* OpenContainer(const char* path);

// The same over a file already opened; the container takes it over (closed on failure too).
ChmContainer* OpenContainerFile(ChmFile* file);

// Reads a stored object. On success returns 0 and sets *data to a fresh block of exactly
// *length bytes (never null, even for length 0), freed with FreeObject. On any failure
// returns -1 with (*data, *length) = (null, 0).
int ReadObject(ChmContainer* container, const char* name, unsigned char** data, uint32_t* length);

void FreeObject(void* data);

// Closes the file and frees the caches, both tables and the container itself.
void CloseContainer(ChmContainer* container);

// The first record whose name equals `name`, byte for byte (case-sensitive), or null.
const DirectoryRecord* FindDirectoryRecord(const DirectoryRecord* records, uint32_t count, const char* name);

// Reads one variable-length integer (7 bits a byte, most significant group first, high bit
// = more follows) at *cursor, stopping at `end`. Bits above 32 are lost. Returns 0 and
// advances the cursor, or -1 when the integer runs past `end` (cursor left unchanged).
int ReadEncInt(const unsigned char** cursor, const unsigned char* end, uint32_t* value);
