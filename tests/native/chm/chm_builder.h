// A tiny test-only writer of ITSF containers (ITSF header, ITSP directory, PMGL
// listing chunks, name list, LZXC control data, reset table, span info, and an LZX
// stream: one uncompressed block, or one given), with knobs for the damaged shapes real
// files lack.
#pragma once

#include <stdint.h>
#include <string>
#include <vector>

typedef std::vector<unsigned char> Bytes;

// An LZX stream that holds `data` as one uncompressed block (at most one window).
Bytes StoredLzxStream(const std::string& data);

struct ChmBuilder {
    struct Entry {
        std::string Name;
        uint32_t Section, Offset, Length;
    };

    // Objects stored in section 0 and in the compressed section, in this order.
    std::vector<std::pair<std::string, std::string>> Plain, Compressed;
    // Extra directory entries written exactly as given (no data behind them).
    std::vector<Entry> Raw;

    uint32_t ChunkSize = 4096;
    uint32_t WindowCode = 2; // control data window size in 32 KB units
    std::string ControlSignature = "LZXC";
    bool WriteNameList = true;
    std::string Section0Name = "Uncompressed";
    std::string SectionName = "MSCompressed";
    int64_t ResetUncompressed = -1; // -1: the real length
    int64_t ResetCompressed = -1;   // -1: the real length
    // The compressed section's stream; empty: one uncompressed block of the Compressed objects
    // (at most one window). A stream given must decode to them, in their order.
    Bytes Stream;
    std::vector<uint64_t> ResetEntries = {0}; // the reset table's entries, one per 32 KB frame
    int64_t ResetInterval = -1;               // the control data's, in frames; -1: WindowCode
    uint64_t FrameLength = 0x8000;            // the reset table's
    bool WriteResetTable = true;
    int64_t SpanInfoLength = -1;           // -1: the real length
    std::vector<std::string> MoreSections; // names after the two sections in the name list
    uint32_t HeaderLength = 96;            // below 96: no content-offset field at 88
    int64_t ChunkCountOverride = -1;
    std::vector<uint32_t> NextChunk; // per chunk; empty: 1, 2, ..., 0xFFFFFFFF
    bool LongNameLengths = false;    // write every name length as a two-byte variable integer

    // The directory as it will be written (computed by Build).
    std::vector<Entry> Directory;
    Bytes Build();
};

void PutLe32(Bytes& b, size_t at, uint32_t v);
