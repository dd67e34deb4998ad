// ITSF container reader: the directory from the PMGL listing chunks, the section
// table from "::DataSpace/NameList", and object reads, with the LZX section decoded
// whole at its first read and served from a per-container cache afterwards.
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
// - The reset interval and the per-block reset entries are not read: the compressors we
//   meet restart exactly where the window fills, which the decoder assumes.
// - The PMGI index and the quick-reference area are never read; lookups scan the flat
//   directory table, comparing names byte for byte (case-sensitive, no locale), so no two
//   different stored names can ever compare equal.
// - A name length is a variable-length integer like the other entry fields. Names that do
//   not fit the 256-byte record are parsed past but not kept.
//
// Every value read from the file is checked before use: positions are 64-bit and compared
// with the file size (files of 2 GiB or more are refused at open), the chunk count is
// capped by the chunks that the file really holds, entries are parsed within their own
// chunk, a listing chain stops at the first chunk it has seen before, the helper objects
// of a compressed section (control data, reset table, content) must lie in an
// uncompressed section, and the declared uncompressed length may not exceed what LZX can
// possibly produce from the content's size.
#include "container.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "lzx.h"

namespace {

const char LzxTransformGuid[] = "{7FC28940-9D31-11D0-9B27-00A0C91E9C7C}";
const char CompressedSectionName[] = "MSCompressed";
const uint32_t LastListingChunk = 0xFFFFFFFFu;

enum {
    ItsfContentOffsetField = 88,
    ItsfHeaderWithContentOffset = 96, // version 3 header length
    ItspChunkSizeField = 16,
    ItspChunkCountField = 44,
    PmglHeaderSize = 20,
    PmglFreeSpaceField = 4,
    PmglNextChunkField = 16,
    ControlSignatureField = 4,
    ControlWindowSizeField = 16,
    ResetUncompressedField = 16,
    ResetCompressedField = 24,
    ResetTableMinSize = 32,
    NameListCountField = 2,
    NameListFirstEntry = 4,
    ObjectNameSize = 512
};

// One LZX symbol pair of two bits can emit at most 257 bytes, so no stream expands more
// than about 1030 times; twice that is a safe cap on a declared uncompressed length.
const uint64_t MaxLzxExpansion = 2048;

uint16_t Get16(const unsigned char* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

uint32_t Get32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

uint64_t Get64(const unsigned char* p) {
    return Get32(p) | static_cast<uint64_t>(Get32(p + 4)) << 32;
}

// A 64-bit file position beyond any file we accept is pinned there, so that later sums of
// it with 32-bit offsets cannot wrap around.
uint64_t Pin(uint64_t position) {
    return position > ChmMaxFileSize ? ChmMaxFileSize : position;
}

bool ReadExactly(ChmContainer* c, uint64_t offset, void* buffer, uint32_t length) {
    return ChmFileReadAt(c->File, offset, buffer, length) == length;
}

// Walks one chunk's entries; calls `take` for every entry whose name fits a record.
template <typename Take> void ParseEntries(const unsigned char* p, const unsigned char* end, Take take) {
    while (p < end) {
        uint32_t nameLength, section, offset, length;
        if (ReadEncInt(&p, end, &nameLength) != 0 || nameLength > static_cast<size_t>(end - p)) return;
        const unsigned char* name = p;
        p += nameLength;
        if (ReadEncInt(&p, end, &section) != 0 || ReadEncInt(&p, end, &offset) != 0 ||
            ReadEncInt(&p, end, &length) != 0)
            return;
        if (nameLength > 0 && nameLength < ChmNameSize) take(name, nameLength, section, offset, length);
    }
}

// Returns false only when memory runs out; a damaged directory just yields fewer records.
bool LoadDirectory(ChmContainer* c) {
    uint64_t itsp = Pin(c->HeaderSections[2]);
    if (itsp >= c->FileSize || ChmDirectoryHeaderSize > c->FileSize - itsp) return true;
    if (!ReadExactly(c, itsp, c->DirectoryHeader, ChmDirectoryHeaderSize)) return true;
    uint32_t chunkSize = Get32(c->DirectoryHeader + ItspChunkSizeField);
    uint64_t chunkCount = Get32(c->DirectoryHeader + ItspChunkCountField);
    uint64_t first = itsp + ChmDirectoryHeaderSize;
    if (chunkSize <= PmglHeaderSize) return true;
    uint64_t whole = (c->FileSize - first) / chunkSize; // chunks that the file really holds
    if (chunkCount > whole) chunkCount = whole;
    if (chunkCount == 0) return true;

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
        uint32_t freeSpace = Get32(head + PmglFreeSpaceField);
        uint32_t entryBytes = freeSpace > areaSize ? 0 : areaSize - freeSpace;
        used += ChmFileReadAt(c->File, position + PmglHeaderSize, entries + used, entryBytes);
        segmentEnds[segments++] = used;
        c->ChunksRead++;
        chunk = Get32(head + PmglNextChunkField);
        if (chunk == LastListingChunk) break;
    }

    uint32_t count = 0;
    for (uint32_t s = 0, start = 0; s < segments; start = segmentEnds[s++])
        ParseEntries(entries + start, entries + segmentEnds[s],
                     [&](const unsigned char*, uint32_t, uint32_t, uint32_t, uint32_t) { count++; });
    bool ok = true;
    if (count > 0) {
        c->Directory = static_cast<DirectoryRecord*>(calloc(count, sizeof(DirectoryRecord)));
        ok = c->Directory != nullptr;
    }
    if (ok) {
        for (uint32_t s = 0, start = 0; s < segments; start = segmentEnds[s++])
            ParseEntries(entries + start, entries + segmentEnds[s],
                         [&](const unsigned char* name, uint32_t nameLength, uint32_t section,
                             uint32_t offset, uint32_t length) {
                             DirectoryRecord* record = &c->Directory[c->DirectoryCount++];
                             memcpy(record->Name, name, nameLength);
                             record->Name[nameLength] = 0;
                             record->Section = section;
                             record->Offset = offset;
                             record->Length = length;
                         });
    }
    free(entries), free(segmentEnds), free(seen);
    return ok;
}

// The last record of that name: when a file repeats it, the later one wins.
const DirectoryRecord* FindLastRecord(const ChmContainer* c, const char* name) {
    for (uint32_t i = c->DirectoryCount; i-- > 0;)
        if (strcmp(c->Directory[i].Name, name) == 0) return &c->Directory[i];
    return nullptr;
}

// Reads a record that lies in an uncompressed section (or section 0 while there is no
// section table yet).
int ReadPlain(ChmContainer* c, const DirectoryRecord* record, unsigned char** data, uint32_t* length) {
    uint64_t position = c->ContentOffset + record->Offset;
    if (record->Section != 0 || c->SectionCount > 0) {
        if (record->Section >= c->SectionCount || c->Sections[record->Section].Compressed) return -1;
        position += c->Sections[record->Section].ContentOffset;
    }
    if (position > c->FileSize || record->Length > c->FileSize - position) return -1;
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
    const DirectoryRecord* record = FindDirectoryRecord(c->Directory, c->DirectoryCount, name);
    return record ? ReadPlain(c, record, data, length) : -1;
}

int WindowBits(uint32_t windowSize) {
    for (int bits = 15; bits <= 21; bits++)
        if (windowSize == 1u << (bits - 15)) return bits;
    return -1;
}

enum DecodeResult { Decoded, OutOfRange, SectionBroken };

// Decompresses a whole section into its cache. `record` is the read that asked for it: if
// it cannot lie inside the section, the read fails without condemning the section.
DecodeResult DecompressSection(ChmContainer* c, SectionRecord* section, const DirectoryRecord* record) {
    char name[ObjectNameSize];
    unsigned char* control = nullptr;
    uint32_t controlLength = 0;
    snprintf(name, sizeof(name), "::DataSpace/Storage/%s/ControlData", section->Name);
    if (ReadHelper(c, name, &control, &controlLength) != 0) return SectionBroken;
    int bits = -1;
    if (controlLength >= ControlWindowSizeField + 4 &&
        memcmp(control + ControlSignatureField, "LZXC", 4) == 0)
        bits = WindowBits(Get32(control + ControlWindowSizeField));
    free(control);
    if (bits < 0) return SectionBroken;

    unsigned char* reset = nullptr;
    uint32_t resetLength = 0;
    snprintf(name, sizeof(name), "::DataSpace/Storage/%s/Transform/%s/InstanceData/ResetTable", section->Name,
             LzxTransformGuid);
    if (ReadHelper(c, name, &reset, &resetLength) != 0) return SectionBroken;
    uint64_t uncompressed = resetLength >= ResetTableMinSize ? Get64(reset + ResetUncompressedField) : ~0ull;
    uint64_t compressed = resetLength >= ResetTableMinSize ? Get64(reset + ResetCompressedField) : ~0ull;
    free(reset);
    if (uncompressed > 0xFFFFFFFFu || compressed > 0xFFFFFFFFu) return SectionBroken;

    unsigned char* content = nullptr;
    uint32_t contentLength = 0;
    snprintf(name, sizeof(name), "::DataSpace/Storage/%s/Content", section->Name);
    if (ReadHelper(c, name, &content, &contentLength) != 0) return SectionBroken;
    if (compressed > contentLength || uncompressed > compressed * MaxLzxExpansion) {
        free(content);
        return SectionBroken;
    }
    if (record->Offset > uncompressed || record->Length > uncompressed - record->Offset) {
        free(content);
        return OutOfRange;
    }

    uint32_t outLength = static_cast<uint32_t>(uncompressed);
    unsigned char* out = static_cast<unsigned char*>(calloc(outLength ? outLength : 1, 1));
    int status = out ? LzxInit(bits) : -1;
    if (status == 0) status = LzxDecompress(content, out, static_cast<uint32_t>(compressed), outLength);
    free(content);
    if (status != 0) {
        free(out);
        return SectionBroken;
    }
    section->CachedData = out;
    section->CachedLength = outLength;
    c->DecompressCount++;
    return Decoded;
}

bool LoadSections(ChmContainer* c) {
    unsigned char* list = nullptr;
    uint32_t length = 0;
    if (ReadHelper(c, "::DataSpace/NameList", &list, &length) != 0) return true;
    const unsigned char* end = list + length;
    uint32_t declared = length >= NameListFirstEntry ? Get16(list + NameListCountField) : 0;
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
        uint32_t units = Get16(p) + 1u; // the name and its terminating zero
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
    for (uint32_t i = 1; i < c->SectionCount; i++) {
        char name[ObjectNameSize];
        snprintf(name, sizeof(name), "::DataSpace/Storage/%s/Content", c->Sections[i].Name);
        if (const DirectoryRecord* record = FindLastRecord(c, name))
            c->Sections[i].ContentOffset = record->Offset;
    }
    return true;
}

} // namespace

int ReadEncInt(const unsigned char** cursor, const unsigned char* end, uint32_t* value) {
    const unsigned char* p = *cursor;
    uint32_t accumulator = 0;
    for (;;) {
        if (p >= end) return -1;
        unsigned char byte = *p++;
        accumulator = accumulator << 7 | (byte & 0x7Fu);
        if (!(byte & 0x80)) break;
    }
    *cursor = p;
    *value = accumulator;
    return 0;
}

const DirectoryRecord* FindDirectoryRecord(const DirectoryRecord* records, uint32_t count, const char* name) {
    if (!records || !name) return nullptr;
    for (uint32_t i = 0; i < count; i++)
        if (strcmp(records[i].Name, name) == 0) return &records[i];
    return nullptr;
}

ChmContainer* OpenContainerFile(ChmFile* file) {
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

    // Short reads leave zeros, which the checks below treat as absent structures.
    unsigned char fields[ItsfHeaderWithContentOffset - ChmHeaderSize] = {};
    ChmFileReadAt(file, 0, c->Header, ChmHeaderSize);
    ChmFileReadAt(file, ChmHeaderSize, fields, sizeof(fields));
    for (int i = 0; i < 4; i++)
        c->HeaderSections[i] = Get64(fields + 8 * i);
    if (Get32(c->Header + 8) >= ItsfHeaderWithContentOffset)
        c->ContentOffset = Pin(Get64(fields + (ItsfContentOffsetField - ChmHeaderSize)));
    else
        c->ContentOffset = Pin(Pin(c->HeaderSections[2]) + Pin(c->HeaderSections[3]));

    if (!LoadDirectory(c) || !LoadSections(c)) {
        CloseContainer(c);
        return nullptr;
    }
    return c;
}

ChmContainer* OpenContainer(const char* path) {
    return OpenContainerFile(ChmFileOpen(path));
}

int ReadObject(ChmContainer* c, const char* name, unsigned char** data, uint32_t* length) {
    if (!data || !length) return -1;
    *data = nullptr;
    *length = 0;
    if (!c) return -1;
    const DirectoryRecord* record = FindDirectoryRecord(c->Directory, c->DirectoryCount, name);
    if (!record) return -1;
    if (record->Section >= c->SectionCount || !c->Sections[record->Section].Compressed)
        return ReadPlain(c, record, data, length);

    SectionRecord* section = &c->Sections[record->Section];
    if (!section->CachedData) {
        if (section->DecodeFailed) return -1;
        DecodeResult result = DecompressSection(c, section, record);
        if (result == SectionBroken) section->DecodeFailed = 1;
        if (result != Decoded) return -1;
    }
    if (record->Offset > section->CachedLength || record->Length > section->CachedLength - record->Offset)
        return -1;
    unsigned char* block = static_cast<unsigned char*>(malloc(record->Length ? record->Length : 1));
    if (!block) return -1;
    memcpy(block, section->CachedData + record->Offset, record->Length);
    *data = block;
    *length = record->Length;
    return 0;
}

void FreeObject(void* data) {
    free(data);
}

void CloseContainer(ChmContainer* c) {
    if (!c) return;
    for (uint32_t i = 0; i < c->SectionCount; i++)
        free(c->Sections[i].CachedData);
    free(c->Sections);
    free(c->Directory);
    ChmFileClose(c->File);
    free(c);
}
