// ITSF container reader (compiled HTML Help files, their index files and plain
// storages): loads the directory and the section list at open, and returns any
// stored object as a fresh block. An object of the LZX section is decoded from the
// reset point before it: the units a read covers whole straight into its block, the units
// it covers in part through a per-container cache of decoded spans; when its reset table
// cannot be trusted, sequentially from the section's start.
//
// One answer per object, whatever the order of reads. Whether a section's reset table is
// trusted is decided once, at the section's first read, and kept for the container's life:
// the table must be well formed (increasing unit starts inside the stream, 32 KB frames, a
// reset interval the window divides into units) and its last two units must decode from
// their entries, the one before the last ending exactly where the last begins. An untrusted
// table is not used at all. With a trusted one, each unit is decoded by itself from its entry
// and serves its bytes only when it ends exactly at the next entry with the stream resetting
// there, and the unit before it does not decode cleanly to somewhere else (which would show
// this unit's entry wrong); any other unit is read from the sequential decode. So what a
// read returns depends on the file alone, never on the reads before it.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "chm/chmfile.h"
#include "chm/lzx.h"

enum {
    ChmNameSize = 256,          // longest name kept, NUL included; longer ones are parsed past
    ChmHeaderSize = 56,         // the part of the ITSF header kept as read
    ChmDirectoryHeaderSize = 84 // the ITSP header
};

// Files of this size or more are refused at open: every position is 32-bit.
const uint64_t ChmMaxFileSize = 0x80000000u;

// What one container (one request) holds of decoded data at most, whatever the file says:
// the object being read whole (at most ChmMaxDecodedBlock), the span cache (ChmSpanCacheBytes),
// the sequential decode's kept output (ChmSequentialKeep) and its window (at most 2 MB), and
// the compressed bytes it reads ahead (ChmSequentialInput). Every section named MSCompressed
// shares one decode and these limits: the names lead to the same stream.
const uint32_t ChmDecodeBudget = 64u << 20;

// The largest object read whole; larger ones fail the read ("cannot be read") rather than
// exhaust the 32-bit address space of the host process. ReadObjectRange reads them in pieces.
const uint32_t ChmMaxDecodedBlock = 32u << 20;

// Decoded spans kept for later reads, beyond the spans the current read uses.
const uint32_t ChmSpanCacheBytes = 8u << 20;

// The sequential decode (for what the reset table cannot serve) runs from the section's start
// only as far as the object it reads, and keeps the last ChmSequentialKeep bytes it decoded
// for later reads; a read before them starts it again. It reads the stream ChmSequentialInput
// bytes at a time, and never runs past ChmSequentialReach into the section: an object beyond
// cannot be read that way.
const uint32_t ChmSequentialKeep = 16u << 20;
const uint32_t ChmSequentialInput = 4u << 20;
const uint32_t ChmSequentialReach = 256u << 20;

// The section of a record whose section, offset or length does not fit 32 bits (offset and
// length then 0): it is listed, and never read.
const uint32_t ChmWideSection = 0xFFFFFFFFu;

struct DirectoryRecord {
    uint32_t Section;
    uint32_t Offset; // within the section
    uint32_t Length; // bytes
    // Exactly as stored, e.g. "/#TOPICS" or "::DataSpace/NameList"; NUL-terminated in the
    // container's name pool, where a name that the listing repeats is stored once.
    const char* Name;
};

struct CompressedSection; // the reset table, the span cache and the fallback's whole section
struct DirectoryIndex;    // the index chunks' cache and the records found through them

struct SectionRecord {
    char Name[ChmNameSize]; // "MSCompressed" for the LZX section
    uint32_t ContentOffset; // 0 for section 0; else the offset of its ".../Content" record
    uint16_t Compressed;    // 1 when the name is exactly "MSCompressed"
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
    char* NamePool;             // the records' names
    struct NameSlot {
        uint32_t Record; // 1 + the first record of a name; 0: a free slot
        uint32_t Hash;
    } * NameIndex;          // open addressing, at most half full
    uint32_t NameIndexMask; // slots - 1 (a power of two)
    uint32_t NameIndexSeed;
    uint64_t DirectoryBytes; // memory the three take (and the index chunks' cache)
    // Opened with OpenContainerIndexed and the file has a usable index: names are found through
    // its index chunks, and Directory stays empty until a name is not found that way.
    DirectoryIndex* Index;
    uint32_t SectionCount;
    SectionRecord* Sections; // in name-list order; empty while opening
    // The LZX section, shared by every section named "MSCompressed"; null until the first read.
    CompressedSection* Lzx;
    // One decoder per container, for all its sections: every decode starts afresh and none
    // overlap. Its window (only the sequential fallback needs one) is freed with the container.
    LzxState Decoder;

    // What the reads have cost so far: for the tests and the benchmarks.
    uint32_t ChunksRead;       // directory chunks read: the listing at open, or index and listing chunks
    uint32_t SpanDecodes;      // decodes from a reset point
    uint32_t FramesDecoded;    // 32 KB frames decoded, by spans and by the fallback
    uint32_t WholeDecodes;     // sequential decodes started from the section's start (the fallback)
    uint32_t WholeRefusals;    // fallback reads refused: the object lies past ChmSequentialReach
    uint64_t CompressedRead;   // compressed bytes read from the file for decoding
    uint32_t CachedSpanBytes;  // decoded bytes the span cache holds now
    uint32_t PeakCachedBytes;  // the most it held
    uint32_t DecodedBytes;     // decoded data held now: spans, the sequential decode, the block read
    uint32_t PeakDecodedBytes; // the most held at once (within ChmDecodeBudget)
};

// Opens a file and loads its directory and section table. Null when the file cannot be
// opened, is 2 GiB or larger, or memory runs out. A file whose structures are damaged
// still opens; what cannot be read safely is simply absent.
ChmContainer* OpenContainer(const char* path);

// The same over a file already opened; the container takes it over (closed on failure too).
ChmContainer* OpenContainerFile(ChmFile* file);

// Opens a file for looking objects up by name: where the directory has index chunks, a name is
// found through them (reading a chunk or two of it) instead of loading every entry at open. A name
// they do not lead to, or an index that cannot be followed, loads the whole directory then, so
// every lookup finds what OpenContainer's would (in a listing that repeats a name, the index may
// lead to another of its records). Directory and DirectoryCount are not filled until that
// happens: for listing the directory, use OpenContainer.
ChmContainer* OpenContainerIndexed(const char* path);
ChmContainer* OpenContainerFileIndexed(ChmFile* file);

// Reads a stored object. On success returns 0 and sets *data to a fresh block of exactly
// *length bytes (never null, even for length 0), freed with FreeObject. On any failure
// returns -1 with (*data, *length) = (null, 0).
int ReadObject(ChmContainer* container, const char* name, unsigned char** data, uint32_t* length);

// Reads the `length` bytes at `offset` of a stored object into `out`, decoding only the spans of
// a compressed section that hold them: for large objects read in pieces (a keyword index of
// megabytes of which a lookup needs a few blocks). Returns 0, or -1 when the range lies outside
// the object or cannot be read.
int ReadObjectRange(ChmContainer* container, const DirectoryRecord* record, uint32_t offset, uint32_t length,
                    unsigned char* out);

void FreeObject(void* data);

// Closes the file and frees the caches, both tables and the container itself.
void CloseContainer(ChmContainer* container);

// The first record whose name equals `name`, byte for byte (case-sensitive), or null. The record
// stays valid while the container is open.
const DirectoryRecord* FindDirectoryRecord(ChmContainer* container, const char* name);

// Reads one variable-length integer (7 bits a byte, most significant group first, high bit
// = more follows) at *cursor, stopping at `end`. Returns 0 and advances the cursor, or -1
// when the integer runs past `end` or its value does not fit 32 bits (cursor left unchanged).
int ReadEncInt(const unsigned char** cursor, const unsigned char* end, uint32_t* value);
