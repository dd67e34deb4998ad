// ITSF container reader: the directory from the PMGL listing chunks, the section table
// from "::DataSpace/NameList", and object reads. An object of an LZX section is decoded
// from the reset point at or before its first byte up to the reset point after its last,
// through a cache of decoded spans that lives as long as the container.
//
// Quirks of real files, and what we decided about them:
// - Free Pascal-made files write the first header GUID twice, and put 1 in the ITSP
//   "first listing chunk" field when there are several listing chunks. Nothing in the
//   ITSF header is validated, and the listing chain is always walked from chunk 0.
// - The content offset is the 64-bit field at 88, which version 3 headers carry. A header
//   that declares itself shorter than 96 bytes has no such field; its section 0 then
//   starts right after the directory, as the older layout puts it.
// - The last LZX block of a section usually runs past the uncompressed length that the
//   reset table states; the decoder stops at that length in mid-block.
// - OpenContainer loads the flat directory and finds names through a hash of it, compared byte
//   for byte (case-sensitive, no locale), so no two different stored names can ever compare
//   equal. A name that the listing repeats is stored once; a lookup finds its first record, a
//   section's Content its last. The quick-reference area is never read.
// - OpenContainerIndexed finds a name through the PMGI index chunks instead: from the root the
//   ITSP header names, the last entry at or before the name (names sort without regard to ASCII
//   case in the files of every compiler we know) down to the listing chunk that holds it. Only
//   a name found there, exactly, is taken from there; a name not found, a child link out of
//   range or back up the path, a chunk of the wrong kind, or a tree deeper than any real one
//   loads the whole directory, so that the answer is the flat directory's. Real files thus read
//   two or three 4 KB chunks a name instead of every chunk (225 of them in lcl.chm) at open.
// - A name length is a variable-length integer like the other entry fields. Names that do
//   not fit ChmNameSize are parsed past but not kept.
//
// Random access. The reset table lists the compressed offset of every 32 KB frame (Free
// Pascal's compiler adds one more entry for the stream's end, Microsoft's does not); the
// decoder restarts where the window fills, and the control data declares a reset interval.
// Units start and end at the common multiples of the two (64 KB in the files we meet). The
// header states the rule that makes every object read the same in any order: the table is
// judged once (its shape, then its last two units against the stream: an error that shifts the
// entries from some unit on cannot end well there), each unit is decoded by itself and checked
// against the next entry, and a unit whose predecessor ends elsewhere is not believed either.
// What the table cannot serve (no table, when the span info gives the length instead; a short
// table; entries that do not increase or pass the compressed length; a frame length other than
// 32 KB; a declared interval the stream does not follow; a unit that fails its check) is read
// from the sequential decode of the section from its start, which runs only as far as the read
// needs, a frame a call, keeps the last ChmSequentialKeep bytes for later reads, and never runs
// past ChmSequentialReach. Every section named MSCompressed shares the container's one LZX
// section (they name the same helper objects), so aliases never multiply the work or the memory.
//
// Every value read from the file is checked before use: positions are 64-bit and compared
// with the file size (files of 2 GiB or more are refused at open), the chunk count is
// capped by the chunks that the file really holds, entries are parsed within their own
// chunk, a listing chain stops at the first chunk it has seen before, the helper objects
// of a compressed section (control data, reset table, content) must lie in an
// uncompressed section, and the declared uncompressed length may not exceed what LZX can
// possibly produce from the content's size. Opening costs time in proportion to the listing
// and the name list, whatever they hold: two passes over each chunk's entries, one over the
// names, one over the directory for the sections' Content records.
#include "chm/container.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include "chm/lebytes.h"

namespace {

typedef ChmContainer::NameSlot NameSlot;

const char LzxTransformGuid[] = "{7FC28940-9D31-11D0-9B27-00A0C91E9C7C}";
const char CompressedSectionName[] = "MSCompressed";
const char StoragePrefix[] = "::DataSpace/Storage/";
const char ContentSuffix[] = "/Content";
const uint32_t LastListingChunk = 0xFFFFFFFFu;

enum {
    ItsfContentOffsetField = 88,
    ItsfHeaderWithContentOffset = 96, // version 3 header length
    ItspChunkSizeField = 16,
    ItspIndexRootField = 28,
    ItspChunkCountField = 44,
    PmgiHeaderSize = 8,
    MaxIndexLevels = 8,    // a tree of 4 KB chunks this deep would index more names than files hold
    IndexChunksCached = 4, // the root, a level below it, a listing chunk, and one more
    PmglHeaderSize = 20,
    PmglFreeSpaceField = 4,
    PmglNextChunkField = 16,
    ControlSignatureField = 4,
    ControlResetIntervalField = 12,
    ControlWindowSizeField = 16,
    ResetEntryCountField = 4,
    ResetEntrySizeField = 8,
    ResetEntriesField = 12,
    ResetUncompressedField = 16,
    ResetCompressedField = 24,
    ResetFrameLengthField = 32,
    ResetTableMinSize = 32,
    ResetTableWithFrameLength = 40,
    ResetEntrySize = 8,
    SpanInfoSize = 8,
    NameListCountField = 2,
    NameListFirstEntry = 4,
    ObjectNameSize = 512
};

// One LZX symbol pair of two bits can emit at most 257 bytes, so no stream expands more
// than about 1030 times; twice that is a safe cap on a declared uncompressed length.
const uint64_t MaxLzxExpansion = 2048;

// How far a reset table's compressed length may pass the Content record and still be read as it.
const uint64_t CompressedLengthSlack = 16;

// Units larger than this (a declared interval far beyond the window) are not worth a random
// access: the section is read sequentially.
const uint32_t MaxUnitSize = 4u << 20;

// A 64-bit file position beyond any file we accept is pinned there, so that later sums of
// it with 32-bit offsets cannot wrap around.
uint64_t Pin(uint64_t position) {
    return position > ChmMaxFileSize ? ChmMaxFileSize : position;
}

bool ReadExactly(ChmContainer* c, uint64_t offset, void* buffer, uint32_t length) {
    return ChmFileReadAt(c->File, offset, buffer, length) == length;
}

uint32_t FramesIn(uint32_t bytes) {
    return bytes / LZX_FRAME_SIZE + (bytes % LZX_FRAME_SIZE != 0);
}

// ---- names ----

// Word at a time: names are many and long ("/lcl/forms/tform.html"); the seed differs by run, so
// that a file cannot choose names whose probes collide.
uint32_t HashName(const char* name, size_t length, uint32_t seed) {
    uint32_t h = seed ^ static_cast<uint32_t>(length) * 0x9E3779B1u;
    size_t i = 0;
    for (; i + 4 <= length; i += 4) {
        uint32_t word;
        memcpy(&word, name + i, 4);
        h = (h ^ word) * 0x9E3779B1u;
        h ^= h >> 15;
    }
    uint32_t tail = 0;
    for (; i < length; i++)
        tail = tail << 8 | static_cast<unsigned char>(name[i]);
    h = (h ^ tail) * 0x85EBCA77u;
    h ^= h >> 13;
    h *= 0xC2B2AE3Du;
    return h ^ h >> 16;
}

// A power of two at least twice `count`, so that probes stay short.
uint32_t SlotsFor(uint32_t count) {
    uint32_t slots = 16;
    while (slots < 2 * static_cast<uint64_t>(count))
        slots *= 2;
    return slots;
}

// A stored (NUL-terminated) name against `length` bytes of a name; stops at the stored one's end.
bool SameName(const char* stored, const char* name, size_t length) {
    return strncmp(stored, name, length) == 0 && stored[length] == 0;
}

// The slot where `name` (of hash `hash`) is or would go; counts the slots passed.
uint32_t FindSlot(const ChmContainer* c, const char* name, size_t length, uint32_t hash, uint64_t* probes) {
    uint32_t slot = hash & c->NameIndexMask;
    for (;;) {
        const ChmContainer::NameSlot& s = c->NameIndex[slot];
        if (s.Record == 0 || (s.Hash == hash && SameName(c->Directory[s.Record - 1].Name, name, length)))
            return slot;
        slot = (slot + 1) & c->NameIndexMask;
        ++*probes;
    }
}

// (Re)builds the index for at least `names` names: twice as many slots, grown with the names
// rather than with the records, of which a damaged listing may repeat a few many times. A new seed
// means hashing every name again.
bool RebuildNameIndex(ChmContainer* c, uint32_t names, bool reseed) {
    uint32_t oldSlots = c->NameIndex ? c->NameIndexMask + 1 : 0;
    uint32_t slots = SlotsFor(names);
    if (slots < oldSlots) slots = oldSlots;
    NameSlot* old = c->NameIndex;
    c->NameIndex = static_cast<NameSlot*>(calloc(slots, sizeof(NameSlot)));
    if (!c->NameIndex) {
        c->NameIndex = old;
        return false;
    }
    c->NameIndexMask = slots - 1;
    if (reseed) c->NameIndexSeed = c->NameIndexSeed * 0x9E3779B1u + 0x7F4A7C15u;
    for (uint32_t i = 0; i < oldSlots; i++) {
        if (!old[i].Record) continue;
        uint32_t hash = old[i].Hash;
        if (reseed) {
            const char* name = c->Directory[old[i].Record - 1].Name;
            hash = HashName(name, strlen(name), c->NameIndexSeed);
        }
        uint32_t slot = hash & c->NameIndexMask; // the names are distinct: the first free slot
        while (c->NameIndex[slot].Record)
            slot = (slot + 1) & c->NameIndexMask;
        c->NameIndex[slot].Record = old[i].Record;
        c->NameIndex[slot].Hash = hash;
    }
    free(old);
    return true;
}

// A variable-length integer as wide as it is written; values past 64 bits are pinned at the
// largest. Returns false when it runs past `end`.
bool ReadWideInt(const unsigned char** cursor, const unsigned char* end, uint64_t* value) {
    const unsigned char* p = *cursor;
    uint64_t accumulator = 0;
    for (;;) {
        if (p >= end) return false;
        unsigned char byte = *p++;
        accumulator = accumulator >> 57 ? ~0ull : accumulator << 7 | (byte & 0x7Fu);
        if (!(byte & 0x80)) break;
    }
    *cursor = p;
    *value = accumulator;
    return true;
}

// Walks one chunk's entries; calls `take` for every entry whose name fits a record. An entry
// whose section, offset or length does not fit 32 bits is taken with section ChmWideSection,
// so that it lists but never reads (its value is refused, never cut).
template <typename Take> void ParseEntries(const unsigned char* p, const unsigned char* end, Take take) {
    while (p < end) {
        uint64_t nameLength, section, offset, length;
        if (!ReadWideInt(&p, end, &nameLength) || nameLength > static_cast<uint64_t>(end - p)) return;
        const unsigned char* name = p;
        p += nameLength;
        if (!ReadWideInt(&p, end, &section) || !ReadWideInt(&p, end, &offset) ||
            !ReadWideInt(&p, end, &length))
            return;
        if (section > 0xFFFFFFFFu || offset > 0xFFFFFFFFu || length > 0xFFFFFFFFu)
            section = ChmWideSection, offset = 0, length = 0;
        if (nameLength > 0 && nameLength < ChmNameSize)
            take(reinterpret_cast<const char*>(name), static_cast<uint32_t>(nameLength),
                 static_cast<uint32_t>(section), static_cast<uint32_t>(offset),
                 static_cast<uint32_t>(length));
    }
}

// Records every entry, with its name stored once in the pool and the first record of each
// name in the index. The pool, sized for every name, shrinks to the distinct ones.
bool BuildDirectory(ChmContainer* c, const unsigned char* entries, const uint32_t* segmentEnds,
                    uint32_t segments) {
    uint32_t count = 0;
    uint64_t nameBytes = 0;
    for (uint32_t s = 0, start = 0; s < segments; start = segmentEnds[s++])
        ParseEntries(entries + start, entries + segmentEnds[s],
                     [&](const char*, uint32_t nameLength, uint32_t, uint32_t, uint32_t) {
                         count++;
                         nameBytes += nameLength + 1;
                     });
    if (count == 0) return true;
    if (count > SIZE_MAX / sizeof(DirectoryRecord) || nameBytes > SIZE_MAX) return false;
    c->Directory = static_cast<DirectoryRecord*>(malloc(count * sizeof(DirectoryRecord)));
    c->NamePool = static_cast<char*>(malloc(static_cast<size_t>(nameBytes)));
    // Sized for every record as a distinct name up to 32,768 of them (512 KB); beyond, it grows
    // with the names.
    if (!c->Directory || !c->NamePool || !RebuildNameIndex(c, count < 32768 ? count : 32768, false))
        return false;
    char* pool = c->NamePool;
    uint32_t names = 0, reseeds = 0;
    uint64_t probes = 0;
    bool ok = true;
    for (uint32_t s = 0, start = 0; s < segments && ok; start = segmentEnds[s++])
        ParseEntries(
            entries + start, entries + segmentEnds[s],
            [&](const char* name, uint32_t nameLength, uint32_t section, uint32_t offset, uint32_t length) {
                if (!ok) return;
                uint32_t hash = HashName(name, nameLength, c->NameIndexSeed);
                uint32_t slot = FindSlot(c, name, nameLength, hash, &probes);
                DirectoryRecord* record = &c->Directory[c->DirectoryCount];
                if (c->NameIndex[slot].Record != 0) {
                    record->Name = c->Directory[c->NameIndex[slot].Record - 1].Name;
                } else {
                    memcpy(pool, name, nameLength);
                    pool[nameLength] = 0;
                    record->Name = pool;
                    pool += nameLength + 1;
                    names++;
                    // Probes far longer than a hash gives mean names chosen to collide
                    // under this seed: a few new seeds settle it.
                    bool reseed = probes > 32 * static_cast<uint64_t>(names) + 1024 && reseeds < 4;
                    if (reseed || 2 * static_cast<uint64_t>(names) > c->NameIndexMask + 1) {
                        if (!RebuildNameIndex(c, names, reseed)) {
                            ok = false;
                            return;
                        }
                        if (reseed) reseeds++, probes = 0;
                        hash = HashName(name, nameLength, c->NameIndexSeed);
                        slot = FindSlot(c, name, nameLength, hash, &probes);
                    }
                    c->NameIndex[slot].Record = c->DirectoryCount + 1;
                    c->NameIndex[slot].Hash = hash;
                }
                record->Section = section;
                record->Offset = offset;
                record->Length = length;
                c->DirectoryCount++;
            });
    size_t used = static_cast<size_t>(pool - c->NamePool);
    if (ok && used < nameBytes / 2) {
        if (char* exact = static_cast<char*>(malloc(used ? used : 1))) {
            memcpy(exact, c->NamePool, used);
            for (uint32_t i = 0; i < c->DirectoryCount; i++)
                c->Directory[i].Name = exact + (c->Directory[i].Name - c->NamePool);
            free(c->NamePool);
            c->NamePool = exact;
        }
    }
    // What the directory holds: the records, each name once, and the index.
    c->DirectoryBytes = static_cast<uint64_t>(count) * sizeof(DirectoryRecord) + used +
                        static_cast<uint64_t>(c->NameIndexMask + 1) * sizeof(NameSlot);
    return ok;
}

// Where the directory's chunks lie; false when there are none worth reading.
bool DirectoryChunks(ChmContainer* c, uint64_t* first, uint32_t* chunkSize, uint64_t* chunkCount) {
    uint64_t itsp = Pin(c->HeaderSections[2]);
    if (itsp >= c->FileSize || ChmDirectoryHeaderSize > c->FileSize - itsp) return false;
    if (!ReadExactly(c, itsp, c->DirectoryHeader, ChmDirectoryHeaderSize)) return false;
    *chunkSize = ReadLe32(c->DirectoryHeader + ItspChunkSizeField);
    *chunkCount = ReadLe32(c->DirectoryHeader + ItspChunkCountField);
    *first = itsp + ChmDirectoryHeaderSize;
    if (*chunkSize <= PmglHeaderSize) return false;
    uint64_t whole = (c->FileSize - *first) / *chunkSize; // chunks that the file really holds
    if (*chunkCount > whole) *chunkCount = whole;
    return *chunkCount > 0;
}

// Returns false only when memory runs out; a damaged directory just yields fewer records.
bool LoadDirectory(ChmContainer* c) {
    uint64_t first, chunkCount;
    uint32_t chunkSize;
    if (!DirectoryChunks(c, &first, &chunkSize, &chunkCount)) return true;

    uint32_t areaSize = chunkSize - PmglHeaderSize;
    unsigned char* entries = static_cast<unsigned char*>(malloc(static_cast<size_t>(chunkCount * areaSize)));
    uint32_t* segmentEnds = static_cast<uint32_t*>(calloc(static_cast<size_t>(chunkCount), sizeof(uint32_t)));
    unsigned char* seen = static_cast<unsigned char*>(calloc(static_cast<size_t>(chunkCount), 1));
    if (!entries || !segmentEnds || !seen) {
        free(entries), free(segmentEnds), free(seen);
        return false;
    }

    uint32_t used = 0, segments = 0;
    uint32_t chunk = 0;
    while (chunk < chunkCount && !seen[chunk]) {
        seen[chunk] = 1;
        uint64_t position = first + static_cast<uint64_t>(chunk) * chunkSize;
        unsigned char head[PmglHeaderSize];
        if (!ReadExactly(c, position, head, PmglHeaderSize) || memcmp(head, "PMGL", 4) != 0) break;
        uint32_t freeSpace = ReadLe32(head + PmglFreeSpaceField);
        uint32_t entryBytes = freeSpace > areaSize ? 0 : areaSize - freeSpace;
        used += ChmFileReadAt(c->File, position + PmglHeaderSize, entries + used, entryBytes);
        segmentEnds[segments++] = used;
        c->ChunksRead++;
        chunk = ReadLe32(head + PmglNextChunkField);
        if (chunk == LastListingChunk) break;
    }
    bool ok = BuildDirectory(c, entries, segmentEnds, segments);
    free(entries), free(segmentEnds), free(seen);
    return ok;
}

} // namespace

// ---- names through the index chunks ----

struct DirectoryIndex {
    uint64_t FirstChunk; // where chunk 0 lies in the file
    uint32_t ChunkSize;
    uint32_t ChunkCount;
    uint32_t Root;
    struct Chunk {
        uint32_t Number; // 0xFFFFFFFF: an empty slot
        uint64_t LastUse;
        unsigned char* Data;
    } Cached[IndexChunksCached];
    uint64_t Clock;
    bool Retired; // the whole directory is loaded: the index is no longer asked
    // The records found, each with its name: they live as long as the container.
    struct Found {
        Found* Next;
        DirectoryRecord Record;
        char Name[ChmNameSize];
    } * Records;
};

namespace {

void FreeDirectoryIndex(DirectoryIndex* x) {
    if (!x) return;
    for (DirectoryIndex::Chunk& chunk : x->Cached)
        free(chunk.Data);
    while (x->Records) {
        DirectoryIndex::Found* next = x->Records->Next;
        free(x->Records);
        x->Records = next;
    }
    free(x);
}

// Chunk n of the directory, through the cache; null when it cannot be read.
const unsigned char* IndexChunk(ChmContainer* c, uint32_t n) {
    DirectoryIndex* x = c->Index;
    DirectoryIndex::Chunk* slot = &x->Cached[0];
    for (DirectoryIndex::Chunk& chunk : x->Cached) {
        if (chunk.Number == n) {
            chunk.LastUse = ++x->Clock;
            return chunk.Data;
        }
        if (chunk.LastUse < slot->LastUse) slot = &chunk;
    }
    if (n >= x->ChunkCount) return nullptr;
    slot->Number = 0xFFFFFFFFu;
    if (!ReadExactly(c, x->FirstChunk + static_cast<uint64_t>(n) * x->ChunkSize, slot->Data, x->ChunkSize))
        return nullptr;
    c->ChunksRead++;
    slot->Number = n;
    slot->LastUse = ++x->Clock;
    return slot->Data;
}

// Compares a stored name with the one looked up as the directory sorts them: ASCII letters
// without regard to case, other bytes as they are.
int CompareNames(const unsigned char* stored, size_t storedLength, const char* name, size_t length) {
    for (size_t i = 0; i < storedLength && i < length; i++) {
        unsigned char a = stored[i], b = static_cast<unsigned char>(name[i]);
        if (a >= 'A' && a <= 'Z') a = static_cast<unsigned char>(a + 32);
        if (b >= 'A' && b <= 'Z') b = static_cast<unsigned char>(b + 32);
        if (a != b) return a < b ? -1 : 1;
    }
    return storedLength < length ? -1 : storedLength > length ? 1 : 0;
}

// The entries of a chunk: from its head up to its free space at the end.
const unsigned char* ChunkEnd(const DirectoryIndex* x, const unsigned char* chunk, uint32_t head) {
    uint32_t freeSpace = ReadLe32(chunk + PmglFreeSpaceField);
    return freeSpace <= x->ChunkSize - head ? chunk + x->ChunkSize - freeSpace : chunk + head;
}

// The record of `name` through the index, or null when the index does not lead to it.
const DirectoryRecord* FindThroughIndex(ChmContainer* c, const char* name) {
    DirectoryIndex* x = c->Index;
    size_t length = strlen(name);
    if (length == 0 || length >= ChmNameSize) return nullptr;
    for (DirectoryIndex::Found* f = x->Records; f; f = f->Next)
        if (strcmp(f->Name, name) == 0) return &f->Record;
    uint32_t path[MaxIndexLevels];
    uint32_t chunk = x->Root;
    for (uint32_t level = 0; level < MaxIndexLevels; level++) {
        for (uint32_t i = 0; i < level; i++)
            if (path[i] == chunk) return nullptr;
        path[level] = chunk;
        const unsigned char* data = IndexChunk(c, chunk);
        if (!data) return nullptr;
        if (memcmp(data, "PMGI", 4) == 0) {
            const unsigned char* p = data + PmgiHeaderSize;
            const unsigned char* end = ChunkEnd(x, data, PmgiHeaderSize);
            bool any = false;
            while (p < end) {
                uint32_t keyLength, child;
                if (ReadEncInt(&p, end, &keyLength) != 0 || keyLength > static_cast<size_t>(end - p)) break;
                const unsigned char* key = p;
                p += keyLength;
                if (ReadEncInt(&p, end, &child) != 0 || CompareNames(key, keyLength, name, length) > 0) break;
                chunk = child;
                any = true;
            }
            if (!any) return nullptr;
            continue;
        }
        if (memcmp(data, "PMGL", 4) != 0) return nullptr;
        DirectoryIndex::Found* found = nullptr;
        bool noMemory = false;
        ParseEntries(
            data + PmglHeaderSize, ChunkEnd(x, data, PmglHeaderSize),
            [&](const char* stored, uint32_t storedLength, uint32_t section, uint32_t offset, uint32_t size) {
                if (found || noMemory || storedLength != length || memcmp(stored, name, length) != 0) return;
                found = static_cast<DirectoryIndex::Found*>(calloc(1, sizeof(DirectoryIndex::Found)));
                if (!found) {
                    noMemory = true;
                    return;
                }
                memcpy(found->Name, name, length);
                found->Record = {section, offset, size, found->Name};
            });
        if (!found) return nullptr;
        found->Next = x->Records;
        x->Records = found;
        return &found->Record;
    }
    return nullptr;
}

// Takes the directory's index when it has one that can be followed from its root; false leaves
// the container to load the whole directory.
bool PrepareDirectoryIndex(ChmContainer* c) {
    uint64_t first, chunkCount;
    uint32_t chunkSize;
    if (!DirectoryChunks(c, &first, &chunkSize, &chunkCount)) return false;
    uint32_t root = ReadLe32(c->DirectoryHeader + ItspIndexRootField);
    if (root >= chunkCount || chunkSize <= PmglHeaderSize || chunkSize > (1u << 20)) return false;
    DirectoryIndex* x = static_cast<DirectoryIndex*>(calloc(1, sizeof(DirectoryIndex)));
    if (!x) return false;
    x->FirstChunk = first;
    x->ChunkSize = chunkSize;
    x->ChunkCount = static_cast<uint32_t>(chunkCount);
    x->Root = root;
    for (DirectoryIndex::Chunk& chunk : x->Cached) {
        chunk.Number = 0xFFFFFFFFu;
        chunk.Data = static_cast<unsigned char*>(malloc(chunkSize));
        if (!chunk.Data) {
            FreeDirectoryIndex(x);
            return false;
        }
    }
    c->Index = x;
    const unsigned char* data = IndexChunk(c, root);
    if (!data || memcmp(data, "PMGI", 4) != 0) {
        FreeDirectoryIndex(x);
        c->Index = nullptr;
        c->ChunksRead = 0;
        return false;
    }
    c->DirectoryBytes = static_cast<uint64_t>(IndexChunksCached) * chunkSize;
    return true;
}

// The offset of the last record named "::DataSpace/Storage/<section name>/Content", for every
// section, in one pass over the directory. Sections of the same name share it.
bool FindContentOffsets(ChmContainer* c) {
    if (c->Index) {
        // Through the index: the record of each section's Content.
        char name[ObjectNameSize];
        for (uint32_t i = 1; i < c->SectionCount; i++) {
            snprintf(name, sizeof(name), "%s%s%s", StoragePrefix, c->Sections[i].Name, ContentSuffix);
            if (const DirectoryRecord* content = FindDirectoryRecord(c, name))
                c->Sections[i].ContentOffset = content->Offset;
        }
        if (!c->Index->Retired) return true;
        // A name the index did not lead to loaded the whole directory: it decides, as without an index.
    }
    uint32_t slots = SlotsFor(c->SectionCount), mask = slots - 1;
    uint32_t* index = static_cast<uint32_t*>(calloc(slots, sizeof(uint32_t))); // 1 + first section
    if (!index) return false;
    auto find = [&](const char* name, size_t length) {
        uint32_t slot = HashName(name, length, c->NameIndexSeed) & mask;
        while (index[slot] != 0 && !SameName(c->Sections[index[slot] - 1].Name, name, length))
            slot = (slot + 1) & mask;
        return slot;
    };
    for (uint32_t i = 1; i < c->SectionCount; i++) {
        uint32_t slot = find(c->Sections[i].Name, strlen(c->Sections[i].Name));
        if (index[slot] == 0) index[slot] = i + 1;
    }
    const size_t prefix = sizeof StoragePrefix - 1, suffix = sizeof ContentSuffix - 1;
    for (uint32_t r = 0; r < c->DirectoryCount; r++) {
        const char* name = c->Directory[r].Name;
        if (strncmp(name, StoragePrefix, prefix) != 0) continue;
        size_t length = strlen(name);
        if (length < prefix + suffix || memcmp(name + length - suffix, ContentSuffix, suffix) != 0) continue;
        uint32_t slot = find(name + prefix, length - prefix - suffix);
        if (index[slot] != 0) c->Sections[index[slot] - 1].ContentOffset = c->Directory[r].Offset;
    }
    for (uint32_t i = 1; i < c->SectionCount; i++) {
        uint32_t first = index[find(c->Sections[i].Name, strlen(c->Sections[i].Name))] - 1;
        c->Sections[i].ContentOffset = c->Sections[first].ContentOffset;
    }
    free(index);
    return true;
}

// ---- plain reads ----

// Where a record of an uncompressed section (or of section 0 while there is no section table
// yet) lies in the file; false when it is not such a record or lies outside the file.
bool PlainPosition(const ChmContainer* c, const DirectoryRecord* record, uint64_t* position) {
    uint64_t at = c->ContentOffset + record->Offset;
    if (record->Section != 0 || c->SectionCount > 0) {
        if (record->Section >= c->SectionCount || c->Sections[record->Section].Compressed) return false;
        at += c->Sections[record->Section].ContentOffset;
    }
    if (at > c->FileSize || record->Length > c->FileSize - at) return false;
    *position = at;
    return true;
}

int ReadPlain(ChmContainer* c, const DirectoryRecord* record, unsigned char** data, uint32_t* length) {
    uint64_t position;
    if (!PlainPosition(c, record, &position)) return -1;
    unsigned char* block = static_cast<unsigned char*>(calloc(record->Length ? record->Length : 1, 1));
    if (!block) return -1;
    if (!ReadExactly(c, position, block, record->Length)) {
        free(block);
        return -1;
    }
    *data = block;
    *length = record->Length;
    return 0;
}

// Reads a helper object of a compressed section by its formed name; it must be plain.
int ReadHelper(ChmContainer* c, const char* name, unsigned char** data, uint32_t* length) {
    *data = nullptr;
    *length = 0;
    const DirectoryRecord* record = FindDirectoryRecord(c, name);
    return record ? ReadPlain(c, record, data, length) : -1;
}

int WindowBits(uint32_t windowSize) {
    for (int bits = 15; bits <= 21; bits++)
        if (windowSize == 1u << (bits - 15)) return bits;
    return -1;
}

} // namespace

// ---- compressed sections ----

struct CompressedSection {
    // Decided once, when the section is first read (see the header's rule): RandomAccess when
    // the reset table is trusted, Sequential when not, Broken when nothing can be decoded.
    enum Mode { Broken, RandomAccess, Sequential } Mode;
    int WindowBits;
    uint32_t Uncompressed, Compressed;
    uint64_t ContentPosition; // where the compressed stream lies in the file

    // Random access: UnitCount units of UnitSize bytes (the last one shorter), each starting
    // at UnitStart[u] in the stream; UnitStart[UnitCount] is the stream's length.
    uint32_t UnitSize, UnitCount;
    uint32_t* UnitStart;
    uint32_t* UnitSpan;     // 1 + the span that holds a unit, 0 when none does
    unsigned char* Verdict; // per unit, what its own decode showed (UnitVerdict)
    struct Span {
        unsigned char* Data;
        uint32_t FirstUnit, Units, Bytes;
        uint64_t LastUse;
    } * Spans;
    uint32_t SpanCount, SpanCapacity;
    uint64_t Clock;

    // The sequential decode from the section's start, for what the table cannot serve: its own
    // decoder (spans restart theirs), how far it has come in the section and in the stream, the
    // last bytes it decoded (a ring of KeepSize bytes, section offset o at o % KeepSize), and the
    // stream bytes it reads ahead. A decode that failed fails the same way again: FailedAt.
    LzxState* Decoder;
    uint32_t Done, StreamUsed;
    unsigned char* Kept;
    uint32_t KeepSize, KeptBytes;
    unsigned char* Input;
    uint32_t InputSize, InputFrom, InputLength;
    uint32_t FailedAt; // 0xFFFFFFFF: no failure yet
};

namespace {

typedef CompressedSection::Span Span;

// Counts `more` bytes about to be decoded on top of what the container holds, for the peak.
void Hold(ChmContainer* c, uint32_t more) {
    uint32_t held = c->DecodedBytes + more;
    if (c->Lzx && c->Lzx->Decoder) held += c->Lzx->Decoder->windowAllocated;
    if (held > c->PeakDecodedBytes) c->PeakDecodedBytes = held;
}

void DropSpan(ChmContainer* c, CompressedSection* s, uint32_t index) {
    Span& span = s->Spans[index];
    for (uint32_t u = 0; u < span.Units; u++)
        s->UnitSpan[span.FirstUnit + u] = 0;
    c->CachedSpanBytes -= span.Bytes;
    c->DecodedBytes -= span.Bytes;
    free(span.Data);
    uint32_t last = --s->SpanCount;
    if (index != last) {
        s->Spans[index] = s->Spans[last];
        for (uint32_t u = 0; u < s->Spans[index].Units; u++)
            s->UnitSpan[s->Spans[index].FirstUnit + u] = index + 1;
    }
}

void DropAllSpans(ChmContainer* c, CompressedSection* s) {
    while (s->SpanCount > 0)
        DropSpan(c, s, s->SpanCount - 1);
}

void FreeCompressedSection(ChmContainer* c, CompressedSection* s) {
    if (!s) return;
    if (s->Spans) DropAllSpans(c, s);
    free(s->Spans);
    free(s->UnitStart);
    free(s->UnitSpan);
    free(s->Verdict);
    if (s->Decoder) {
        LzxRelease(s->Decoder);
        free(s->Decoder);
    }
    c->DecodedBytes -= s->Kept ? s->KeepSize : 0;
    free(s->Kept);
    free(s->Input);
    free(s);
}

uint64_t CommonMultiple(uint64_t a, uint64_t b) {
    uint64_t x = a, y = b;
    while (y) {
        uint64_t t = x % y;
        x = y;
        y = t;
    }
    return a / x * b;
}

// Takes the reset points from the reset table, or leaves UnitCount 0 when the table cannot be
// trusted for random access.
bool ReadResetPoints(CompressedSection* s, const unsigned char* reset, uint32_t resetLength,
                     uint32_t intervalFrames) {
    if (resetLength < ResetTableWithFrameLength || intervalFrames == 0) return true;
    if (ReadLe32(reset + ResetEntrySizeField) != ResetEntrySize ||
        ReadLe64(reset + ResetFrameLengthField) != LZX_FRAME_SIZE)
        return true;
    uint32_t entries = ReadLe32(reset + ResetEntryCountField);
    uint32_t table = ReadLe32(reset + ResetEntriesField);
    if (table < ResetTableWithFrameLength || table > resetLength ||
        entries > (resetLength - table) / ResetEntrySize)
        return true;
    uint64_t unit =
        CommonMultiple(static_cast<uint64_t>(intervalFrames) * LZX_FRAME_SIZE, 1u << s->WindowBits);
    if (unit > MaxUnitSize || s->Uncompressed == 0) return true;
    uint32_t unitFrames = static_cast<uint32_t>(unit / LZX_FRAME_SIZE);
    // A declared length that runs less than a unit past the frames the entries start (an entry at
    // or past the stream's end starts none: Free Pascal's compiler ends the table with one) ends
    // the section with them, as the peer reads it: its entries decide the frames, the length only
    // bounds the objects.
    uint32_t frames = entries;
    while (frames > 0 &&
           ReadLe64(reset + table + static_cast<uint64_t>(frames - 1) * ResetEntrySize) >= s->Compressed)
        frames--;
    uint64_t covered = static_cast<uint64_t>(frames) * LZX_FRAME_SIZE;
    if (frames > 0 && s->Uncompressed > covered && s->Uncompressed - covered < unit)
        s->Uncompressed = static_cast<uint32_t>(covered);
    uint32_t units = static_cast<uint32_t>((s->Uncompressed + unit - 1) / unit);
    if (units > (entries + unitFrames - 1) / unitFrames) return true; // short: a unit has no entry
    uint32_t* starts = static_cast<uint32_t*>(malloc((units + 1) * sizeof(uint32_t)));
    uint32_t* spans = static_cast<uint32_t*>(calloc(units, sizeof(uint32_t)));
    unsigned char* verdicts = static_cast<unsigned char*>(calloc(units, 1));
    if (!starts || !spans || !verdicts) {
        free(starts), free(spans), free(verdicts);
        return false;
    }
    bool sound = true;
    for (uint32_t u = 0; u < units && sound; u++) {
        uint64_t start = ReadLe64(reset + table + static_cast<uint64_t>(u) * unitFrames * ResetEntrySize);
        sound = u == 0 ? start == 0 : start > starts[u - 1] && start < s->Compressed;
        starts[u] = static_cast<uint32_t>(start);
    }
    if (!sound) {
        free(starts), free(spans), free(verdicts);
        return true;
    }
    starts[units] = s->Compressed;
    s->UnitSize = static_cast<uint32_t>(unit);
    s->UnitCount = units;
    s->UnitStart = starts;
    s->UnitSpan = spans;
    s->Verdict = verdicts;
    return true;
}

// Reads what a compressed section's reads need: the control data, the reset table and where the
// content lies. Returns false only when memory runs out; a section that cannot be decoded is
// marked Broken.
bool PrepareSection(ChmContainer* c, SectionRecord* section) {
    CompressedSection* s = static_cast<CompressedSection*>(calloc(1, sizeof(CompressedSection)));
    if (!s) return false;
    s->Mode = CompressedSection::Broken;
    s->FailedAt = 0xFFFFFFFFu;
    c->Lzx = s;

    char name[ObjectNameSize];
    unsigned char* control = nullptr;
    uint32_t controlLength = 0;
    snprintf(name, sizeof(name), "::DataSpace/Storage/%s/ControlData", section->Name);
    if (ReadHelper(c, name, &control, &controlLength) != 0) return true;
    int bits = -1;
    uint32_t intervalFrames = 0;
    if (controlLength >= ControlWindowSizeField + 4 &&
        memcmp(control + ControlSignatureField, "LZXC", 4) == 0) {
        bits = WindowBits(ReadLe32(control + ControlWindowSizeField));
        intervalFrames = ReadLe32(control + ControlResetIntervalField);
    }
    free(control);
    if (bits < 0) return true;
    s->WindowBits = bits;

    snprintf(name, sizeof(name), "::DataSpace/Storage/%s/Content", section->Name);
    const DirectoryRecord* content = FindDirectoryRecord(c, name);
    unsigned char* reset = nullptr;
    uint32_t resetLength = 0;
    uint64_t uncompressed = ~0ull, compressed = ~0ull;
    snprintf(name, sizeof(name), "::DataSpace/Storage/%s/Transform/%s/InstanceData/ResetTable", section->Name,
             LzxTransformGuid);
    if (ReadHelper(c, name, &reset, &resetLength) == 0) {
        if (resetLength >= ResetTableMinSize) {
            uncompressed = ReadLe64(reset + ResetUncompressedField);
            compressed = ReadLe64(reset + ResetCompressedField);
        }
    } else if (content) {
        // No reset table: the span info gives the length, the stream is the whole content.
        unsigned char* span = nullptr;
        uint32_t spanLength = 0;
        snprintf(name, sizeof(name), "::DataSpace/Storage/%s/SpanInfo", section->Name);
        if (ReadHelper(c, name, &span, &spanLength) == 0 && spanLength >= SpanInfoSize) {
            uncompressed = ReadLe64(span);
            compressed = content->Length;
        }
        free(span);
    }
    // A compressed length a few bytes past the Content record, as the peer tolerates it, is the
    // record's: the decoder takes the bytes it would read beyond as zeros.
    if (content && compressed > content->Length && compressed - content->Length <= CompressedLengthSlack)
        compressed = content->Length;
    uint64_t position;
    if (uncompressed > 0xFFFFFFFFu || compressed > 0xFFFFFFFFu || !content ||
        !PlainPosition(c, content, &position) || compressed > content->Length ||
        uncompressed > compressed * MaxLzxExpansion) {
        free(reset);
        return true;
    }
    s->Uncompressed = static_cast<uint32_t>(uncompressed);
    s->Compressed = static_cast<uint32_t>(compressed);
    s->ContentPosition = position;
    bool ok = ReadResetPoints(s, reset, resetLength, intervalFrames);
    free(reset);
    s->Mode = s->UnitCount ? CompressedSection::RandomAccess : CompressedSection::Sequential;
    return ok;
}

// The compressed bytes [from, to) of the stream, read from the file.
unsigned char* ReadStream(ChmContainer* c, const CompressedSection* s, uint32_t from, uint32_t to) {
    uint32_t length = to - from;
    unsigned char* bytes = static_cast<unsigned char*>(malloc(length ? length : 1));
    if (bytes && !ReadExactly(c, s->ContentPosition + from, bytes, length)) {
        free(bytes);
        return nullptr;
    }
    c->CompressedRead += length;
    return bytes;
}

// The sequential decode goes one frame a call (calls continue exactly at frame boundaries), so
// that the frame where a damaged stream fails is the same however far earlier reads took it.
const uint32_t SequentialStep = LZX_FRAME_SIZE;

// Starts (again) the sequential decode at the section's start.
bool StartSequential(ChmContainer* c, CompressedSection* s) {
    if (!s->Decoder) s->Decoder = static_cast<LzxState*>(calloc(1, sizeof(LzxState)));
    if (!s->Kept) {
        uint64_t section = (static_cast<uint64_t>(s->Uncompressed) + SequentialStep - 1) / SequentialStep;
        uint64_t size = section * SequentialStep;
        s->KeepSize = static_cast<uint32_t>(size < ChmSequentialKeep ? (size ? size : SequentialStep)
                                                                     : ChmSequentialKeep);
        s->Kept = static_cast<unsigned char*>(malloc(s->KeepSize));
        if (s->Kept) c->DecodedBytes += s->KeepSize;
    }
    if (!s->Input) {
        s->InputSize =
            s->Compressed < ChmSequentialInput ? (s->Compressed ? s->Compressed : 1) : ChmSequentialInput;
        s->Input = static_cast<unsigned char*>(malloc(s->InputSize));
    }
    if (!s->Decoder || !s->Kept || !s->Input || LzxInit(s->Decoder, s->WindowBits) != LZX_OK) return false;
    s->Done = s->StreamUsed = s->KeptBytes = 0;
    s->InputFrom = s->InputLength = 0;
    c->WholeDecodes++;
    Hold(c, 0);
    return true;
}

// Decodes the next step of the section into the ring; false when the stream fails there (for good).
bool SequentialStepOn(ChmContainer* c, CompressedSection* s) {
    uint32_t step = s->Uncompressed - s->Done < SequentialStep ? s->Uncompressed - s->Done : SequentialStep;
    // The stream from where the decoder stands: read ahead again once less than half a buffer is left.
    uint32_t ahead = s->InputFrom + s->InputLength - s->StreamUsed;
    if (s->InputFrom + s->InputLength < s->Compressed && ahead < s->InputSize / 2) {
        uint32_t length =
            s->Compressed - s->StreamUsed < s->InputSize ? s->Compressed - s->StreamUsed : s->InputSize;
        if (!ReadExactly(c, s->ContentPosition + s->StreamUsed, s->Input, length)) return false;
        c->CompressedRead += length;
        s->InputFrom = s->StreamUsed;
        s->InputLength = length;
    }
    // A stream larger than the read-ahead gives a frame at most half of it, whatever the buffer
    // holds at the moment: a frame that takes all of that (no real one comes near) fails rather
    // than read on into zeros.
    const unsigned char* input = s->Input + (s->StreamUsed - s->InputFrom);
    uint32_t available = s->InputFrom + s->InputLength - s->StreamUsed;
    uint32_t cap = s->Compressed <= s->InputSize ? available : s->InputSize / 2;
    bool cut = available > cap || s->InputFrom + s->InputLength < s->Compressed;
    if (available > cap) available = cap;
    int status = LzxDecompress(s->Decoder, input, s->Kept + s->Done % s->KeepSize, available, step);
    if (status != LZX_OK || (cut && s->Decoder->inputUsed >= available)) return false;
    s->StreamUsed += s->Decoder->inputUsed;
    s->Done += step;
    s->KeptBytes = s->KeptBytes + step < s->KeepSize ? s->KeptBytes + step : s->KeepSize;
    c->FramesDecoded += FramesIn(step);
    return true;
}

// Copies [offset, offset + length) of the section into out from the sequential decode, which runs
// on from where it stands, or from the start when the range begins before what it keeps.
bool ReadSequential(ChmContainer* c, CompressedSection* s, uint32_t offset, uint32_t length,
                    unsigned char* out) {
    if (offset + length > ChmSequentialReach) {
        c->WholeRefusals++;
        return false;
    }
    if (offset + length > s->FailedAt) return false;
    while (length > 0) {
        if (!s->Decoder || !s->Decoder->ready || offset < s->Done - s->KeptBytes) {
            if (!StartSequential(c, s)) return false;
        }
        if (offset >= s->Done) {
            if (!SequentialStepOn(c, s)) {
                s->FailedAt = s->Done;
                s->Decoder->ready = false; // a later read starts again, and stops before FailedAt
                return false;
            }
            continue;
        }
        uint32_t n = s->Done - offset < length ? s->Done - offset : length;
        uint32_t at = offset % s->KeepSize;
        uint32_t first = s->KeepSize - at < n ? s->KeepSize - at : n;
        memcpy(out, s->Kept + at, first);
        memcpy(out + first, s->Kept, n - first);
        out += n, offset += n, length -= n;
    }
    return true;
}

// What a unit's own decode, from its entry to the next, showed.
enum UnitVerdict : unsigned char {
    UnitUnknown,
    UnitGood,          // its bytes, ending exactly where the next entry says, the stream resetting there
    UnitEndsElsewhere, // its bytes decoded cleanly but ended elsewhere: the next entry is wrong
    UnitBad,           // no clean decode from its entry (damaged data, or an entry that is no reset)
    UnitNoMemory       // not decoded: memory ran out (not recorded)
};

// Decodes unit u alone from its entry and records its verdict. Every unit is decoded by itself,
// so that its verdict never depends on which reads came first. With `into` (room for the whole
// unit: a read that covers it) the bytes go there and nothing is cached, which spares a copy and
// the memory of a span that the read would not use again; without, they go into a fresh span,
// kept in the cache when good. Either way the bytes are the unit's only when the verdict is good.
UnitVerdict DecodeUnit(ChmContainer* c, CompressedSection* s, uint32_t u, unsigned char* into = nullptr) {
    uint32_t begin = u * s->UnitSize;
    bool last = u + 1 == s->UnitCount;
    uint32_t bytes = last ? s->Uncompressed - begin : s->UnitSize;
    uint32_t from = s->UnitStart[u], to = s->UnitStart[u + 1];

    if (!into && s->SpanCount == s->SpanCapacity) {
        uint32_t capacity = s->SpanCapacity ? 2 * s->SpanCapacity : 8;
        Span* grown = static_cast<Span*>(realloc(s->Spans, capacity * sizeof(Span)));
        if (!grown) return UnitNoMemory;
        s->Spans = grown;
        s->SpanCapacity = capacity;
    }
    unsigned char* input = ReadStream(c, s, from, to);
    unsigned char* out = into ? into : static_cast<unsigned char*>(malloc(bytes ? bytes : 1));
    if (!input || !out) {
        free(input);
        if (!into) free(out);
        return UnitNoMemory;
    }
    if (!into) Hold(c, bytes);
    int status = LzxDecodeSpan(&c->Decoder, s->WindowBits, begin, input, to - from, out, bytes, !last);
    free(input);
    c->SpanDecodes++;
    c->FramesDecoded += FramesIn(bytes);
    UnitVerdict verdict = status != LZX_OK                                ? UnitBad
                          : !last && c->Decoder.streamOffset != to - from ? UnitEndsElsewhere
                                                                          : UnitGood;
    s->Verdict[u] = verdict;
    if (into) return verdict;
    if (verdict != UnitGood) {
        free(out);
        return verdict;
    }
    c->DecodedBytes += bytes;
    Span& span = s->Spans[s->SpanCount++];
    span.Data = out;
    span.FirstUnit = u;
    span.Units = 1;
    span.Bytes = bytes;
    span.LastUse = ++s->Clock;
    s->UnitSpan[u] = s->SpanCount;
    c->CachedSpanBytes += bytes;
    if (c->CachedSpanBytes > c->PeakCachedBytes) c->PeakCachedBytes = c->CachedSpanBytes;
    Hold(c, 0);
    return verdict;
}

UnitVerdict VerdictOf(ChmContainer* c, CompressedSection* s, uint32_t u) {
    return s->Verdict[u] != UnitUnknown ? static_cast<UnitVerdict>(s->Verdict[u]) : DecodeUnit(c, s, u);
}

// Whether unit u reads from its own span: it decodes cleanly to the next entry, and the unit
// before it does not decode cleanly to somewhere other than u's entry (which would make that
// entry, and so u's span, wrong).
UnitVerdict UnitServes(ChmContainer* c, CompressedSection* s, uint32_t u) {
    UnitVerdict own = VerdictOf(c, s, u);
    if (own != UnitGood || u == 0) return own;
    UnitVerdict before = VerdictOf(c, s, u - 1);
    if (before == UnitNoMemory) return before;
    return before == UnitEndsElsewhere ? UnitBad : UnitGood;
}

// The decision, made once at the section's first read: a table whose last two units do not
// check out against the stream is not trusted at all. An error that shifts the entries from some
// unit on can only end there (entries increase, and no unit follows the last), while each span
// before it may still look right on its own.
bool DecideTrust(ChmContainer* c, CompressedSection* s) {
    uint32_t first = s->UnitCount >= 2 ? s->UnitCount - 2 : 0;
    for (uint32_t u = first; u < s->UnitCount; u++) {
        UnitVerdict v = VerdictOf(c, s, u);
        if (v == UnitNoMemory) return false;
        if (v != UnitGood) {
            DropAllSpans(c, s);
            s->Mode = CompressedSection::Sequential;
            return true;
        }
    }
    return true;
}

// Keeps the cache within its budget, the most recently used span always kept.
void TrimSpans(ChmContainer* c, CompressedSection* s) {
    while (c->CachedSpanBytes > ChmSpanCacheBytes && s->SpanCount > 1) {
        uint32_t oldest = 0;
        for (uint32_t i = 1; i < s->SpanCount; i++)
            if (s->Spans[i].LastUse < s->Spans[oldest].LastUse) oldest = i;
        DropSpan(c, s, oldest);
    }
}

// Copies [offset, offset + length) of the section into out: each unit through its span when it
// serves, else from the sequential decode.
bool ReadThroughSpans(ChmContainer* c, CompressedSection* s, uint32_t offset, uint32_t length,
                      unsigned char* out) {
    uint32_t done = 0;
    while (done < length) {
        uint32_t at = offset + done;
        uint32_t unit = at / s->UnitSize;
        uint32_t inUnit = at - unit * s->UnitSize;
        uint32_t unitBytes = unit + 1 == s->UnitCount ? s->Uncompressed - unit * s->UnitSize : s->UnitSize;
        uint32_t n = unitBytes - inUnit;
        if (n > length - done) n = length - done;
        // A unit the read covers whole and the cache does not hold is decoded straight into out;
        // its bytes stand when it serves, else the sequential decode writes over them.
        bool direct = inUnit == 0 && n == unitBytes && s->UnitSpan[unit] == 0 &&
                      (s->Verdict[unit] == UnitUnknown || s->Verdict[unit] == UnitGood);
        if (direct && DecodeUnit(c, s, unit, out + done) == UnitNoMemory) return false;
        UnitVerdict serves = UnitServes(c, s, unit);
        if (serves == UnitNoMemory) return false;
        if (serves != UnitGood) {
            if (!ReadSequential(c, s, at, n, out + done)) return false;
        } else if (!direct) {
            if (s->UnitSpan[unit] == 0 && DecodeUnit(c, s, unit) != UnitGood) return false;
            Span& span = s->Spans[s->UnitSpan[unit] - 1];
            span.LastUse = ++s->Clock;
            memcpy(out + done, span.Data + inUnit, n);
        }
        done += n;
        TrimSpans(c, s);
    }
    return true;
}

// Copies `length` bytes of the section from `offset` (already checked against its length) into out.
bool ReadCompressedRange(ChmContainer* c, CompressedSection* s, uint32_t offset, uint32_t length,
                         unsigned char* out) {
    if (length == 0) return true;
    if (s->Mode == CompressedSection::RandomAccess) return ReadThroughSpans(c, s, offset, length, out);
    return s->Mode == CompressedSection::Sequential && ReadSequential(c, s, offset, length, out);
}

// The prepared section of a record of a compressed section, when the range [offset, offset +
// length) of the record lies inside both the record and the section; else null.
CompressedSection* CompressedRange(ChmContainer* c, SectionRecord* section, const DirectoryRecord* record,
                                   uint32_t offset, uint32_t length) {
    if (!c->Lzx) {
        if (!PrepareSection(c, section)) return nullptr;
        if (c->Lzx->Mode == CompressedSection::RandomAccess && !DecideTrust(c, c->Lzx)) {
            c->Lzx->Mode = CompressedSection::Broken;
            return nullptr;
        }
    }
    CompressedSection* s = c->Lzx;
    if (s->Mode == CompressedSection::Broken) return nullptr;
    if (record->Offset > s->Uncompressed || record->Length > s->Uncompressed - record->Offset ||
        offset > record->Length || length > record->Length - offset)
        return nullptr;
    return s;
}

int ReadCompressed(ChmContainer* c, SectionRecord* section, const DirectoryRecord* record,
                   unsigned char** data, uint32_t* length) {
    if (record->Length > ChmMaxDecodedBlock) return -1;
    CompressedSection* s = CompressedRange(c, section, record, 0, record->Length);
    if (!s) return -1;
    unsigned char* block = static_cast<unsigned char*>(malloc(record->Length ? record->Length : 1));
    if (!block) return -1;
    c->DecodedBytes += record->Length; // the block is the container's until it is handed over
    Hold(c, 0);
    bool read = ReadCompressedRange(c, s, record->Offset, record->Length, block);
    c->DecodedBytes -= record->Length;
    if (!read) {
        free(block);
        return -1;
    }
    *data = block;
    *length = record->Length;
    return 0;
}

bool LoadSections(ChmContainer* c) {
    unsigned char* list = nullptr;
    uint32_t length = 0;
    if (ReadHelper(c, "::DataSpace/NameList", &list, &length) != 0) return true;
    const unsigned char* end = list + length;
    uint32_t declared = length >= NameListFirstEntry ? ReadLe16(list + NameListCountField) : 0;
    // Each entry takes at least its length word and its terminating code unit.
    uint32_t room = length >= NameListFirstEntry ? (length - NameListFirstEntry) / 4 : 0;
    uint32_t count = declared < room ? declared : room;
    if (count == 0) {
        free(list);
        return true;
    }
    c->Sections = static_cast<SectionRecord*>(calloc(count, sizeof(SectionRecord)));
    if (!c->Sections) {
        free(list);
        return false;
    }
    const unsigned char* p = list + NameListFirstEntry;
    uint32_t parsed = 0;
    while (parsed < count && 2 <= end - p) {
        uint32_t units = ReadLe16(p) + 1u; // the name and its terminating zero
        p += 2;
        if (units > static_cast<size_t>(end - p) / 2) break;
        SectionRecord* section = &c->Sections[parsed++];
        uint32_t keep = units < ChmNameSize ? units : ChmNameSize - 1;
        for (uint32_t i = 0; i < keep; i++)
            section->Name[i] = static_cast<char>(p[2 * i]);
        section->Name[ChmNameSize - 1] = 0;
        section->Compressed = strcmp(section->Name, CompressedSectionName) == 0;
        p += 2 * units;
    }
    free(list);
    c->SectionCount = parsed;
    return FindContentOffsets(c);
}

} // namespace

int ReadEncInt(const unsigned char** cursor, const unsigned char* end, uint32_t* value) {
    const unsigned char* p = *cursor;
    uint64_t wide;
    if (!ReadWideInt(&p, end, &wide) || wide > 0xFFFFFFFFu) return -1;
    *cursor = p;
    *value = static_cast<uint32_t>(wide);
    return 0;
}

const DirectoryRecord* FindDirectoryRecord(ChmContainer* c, const char* name) {
    if (!c || !name) return nullptr;
    if (c->Index && !c->Index->Retired) {
        if (const DirectoryRecord* found = FindThroughIndex(c, name)) return found;
        // The index does not lead to it: the whole directory decides. The records found through
        // the index stay where they are, for those who hold them.
        if (!LoadDirectory(c)) return nullptr;
        c->Index->Retired = true;
    }
    if (c->DirectoryCount == 0) return nullptr;
    size_t length = strlen(name);
    uint64_t probes = 0;
    const ChmContainer::NameSlot& slot =
        c->NameIndex[FindSlot(c, name, length, HashName(name, length, c->NameIndexSeed), &probes)];
    return slot.Record ? &c->Directory[slot.Record - 1] : nullptr;
}

namespace {

ChmContainer* Open(ChmFile* file, bool indexed) {
    if (!file) return nullptr;
    if (ChmFileSize(file) >= ChmMaxFileSize) {
        ChmFileClose(file);
        return nullptr;
    }
    ChmContainer* c = static_cast<ChmContainer*>(calloc(1, sizeof(ChmContainer)));
    if (!c) {
        ChmFileClose(file);
        return nullptr;
    }
    c->File = file;
    c->FileSize = ChmFileSize(file);
    // Names the file chooses cannot be made to share probe sequences: the seed differs by run.
    static uint32_t opened;
    c->NameIndexSeed = (static_cast<uint32_t>(reinterpret_cast<uintptr_t>(c) >> 4) ^ ++opened * 0x85EBCA77u ^
                        static_cast<uint32_t>(time(nullptr))) *
                       0x9E3779B1u;

    // Short reads leave zeros, which the checks below treat as absent structures.
    unsigned char fields[ItsfHeaderWithContentOffset - ChmHeaderSize] = {};
    ChmFileReadAt(file, 0, c->Header, ChmHeaderSize);
    ChmFileReadAt(file, ChmHeaderSize, fields, sizeof(fields));
    for (int i = 0; i < 4; i++)
        c->HeaderSections[i] = ReadLe64(fields + 8 * i);
    if (ReadLe32(c->Header + 8) >= ItsfHeaderWithContentOffset)
        c->ContentOffset = Pin(ReadLe64(fields + (ItsfContentOffsetField - ChmHeaderSize)));
    else
        c->ContentOffset = Pin(Pin(c->HeaderSections[2]) + Pin(c->HeaderSections[3]));

    if (!(indexed && PrepareDirectoryIndex(c)) && !LoadDirectory(c)) {
        CloseContainer(c);
        return nullptr;
    }
    if (!LoadSections(c)) {
        CloseContainer(c);
        return nullptr;
    }
    return c;
}

} // namespace

ChmContainer* OpenContainerFile(ChmFile* file) {
    return Open(file, false);
}

ChmContainer* OpenContainerFileIndexed(ChmFile* file) {
    return Open(file, true);
}

ChmContainer* OpenContainer(const char* path) {
    return OpenContainerFile(ChmFileOpen(path));
}

ChmContainer* OpenContainerIndexed(const char* path) {
    return OpenContainerFileIndexed(ChmFileOpen(path));
}

int ReadObject(ChmContainer* c, const char* name, unsigned char** data, uint32_t* length) {
    if (!data || !length) return -1;
    *data = nullptr;
    *length = 0;
    if (!c) return -1;
    const DirectoryRecord* record = FindDirectoryRecord(c, name);
    if (!record) return -1;
    if (record->Section >= c->SectionCount || !c->Sections[record->Section].Compressed)
        return ReadPlain(c, record, data, length);
    return ReadCompressed(c, &c->Sections[record->Section], record, data, length);
}

int ReadObjectRange(ChmContainer* c, const DirectoryRecord* record, uint32_t offset, uint32_t length,
                    unsigned char* out) {
    if (!c || !record || !out || offset > record->Length || length > record->Length - offset) return -1;
    if (record->Section >= c->SectionCount || !c->Sections[record->Section].Compressed) {
        uint64_t position;
        if (!PlainPosition(c, record, &position)) return -1;
        return ReadExactly(c, position + offset, out, length) ? 0 : -1;
    }
    SectionRecord* section = &c->Sections[record->Section];
    CompressedSection* s = CompressedRange(c, section, record, offset, length);
    return s && ReadCompressedRange(c, s, record->Offset + offset, length, out) ? 0 : -1;
}

void FreeObject(void* data) {
    free(data);
}

void CloseContainer(ChmContainer* c) {
    if (!c) return;
    FreeCompressedSection(c, c->Lzx);
    free(c->Sections);
    free(c->Directory);
    free(c->NamePool);
    free(c->NameIndex);
    FreeDirectoryIndex(c->Index);
    LzxRelease(&c->Decoder);
    ChmFileClose(c->File);
    free(c);
}
