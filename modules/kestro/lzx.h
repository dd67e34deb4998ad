// LZX decoder of the CHM reader: decodes a whole "MSCompressed" section (LZXC transform) in one call.
// Portable core: no platform headers; one module-wide decoder state, not re-entrant.
#pragma once

#include <stdint.h>

// Every result of this unit. LzxInit and LzxDecompress share the value 1 with different meanings.
enum LzxResult {
    LZX_OK = 0,
    LZX_BAD_WINDOW_BITS = 1, // LzxInit: window bits outside 15..21
    LZX_WINDOW_OVERRUN = 1,  // LzxDecompress: a run would cross the end of the window
    LZX_BAD_DATA = 2,        // invalid block type, unbuildable tree, bad symbol, input exhausted
    LZX_NO_MEMORY = 3,       // LzxInit: window not allocated; LzxDecompress: no successful LzxInit
};

// Tree shapes. A decode table has (1 << bits) direct entries followed by 2 * symbols entries of
// node pairs: a direct entry below the symbol count is a symbol; an entry e at or above it is a
// node whose two children sit at (1 << bits) + 2 * (e - symbols) (next bit 0) and the entry after
// it (next bit 1). LZX_TABLE_EMPTY marks an entry no code reaches (only in an all-zero tree).
enum {
    LZX_PRETREE_SYMBOLS = 20,
    LZX_PRETREE_BITS = 6,
    LZX_MAIN_SYMBOLS = 656, // 256 literals + 8 * 50 position slots
    LZX_MAIN_BITS = 12,
    LZX_LENGTH_SYMBOLS = 250, // 249 read, the last only ever set by a run spilling past them
    LZX_LENGTH_BITS = 12,
    LZX_ALIGNED_SYMBOLS = 8,
    LZX_ALIGNED_BITS = 7,
    LZX_MAX_CODE_LENGTH = 16,
    // A pretree run of equal lengths may spill up to 50 entries past the range being read.
    LZX_LENGTHS_SLACK = 64,
    LZX_TABLE_EMPTY = 0xFFFF,
};
#define LZX_TABLE_SIZE(bits, symbols) ((1u << (bits)) + 2u * (symbols))

// Bit input over one block of bytes: 16-bit little-endian words, most significant bit first.
// Bytes past the end read as zero and are counted in overrun, so that exhaustion is detected
// without touching memory beyond the block.
struct LzxBitReader {
    const unsigned char* next; // next unread byte
    const unsigned char* end;
    uint32_t buffer;  // unread bits, left-aligned
    uint32_t count;   // number of unread bits in buffer (0..32)
    uint32_t overrun; // bytes taken as zero beyond end
};

void LzxBitReaderInit(LzxBitReader* bits, const unsigned char* data, uint32_t length);

// Starts a fresh stream with a window of 2^windowBits bytes (15..21). The window buffer is kept
// for the life of the module and only replaced by a larger one. Returns LZX_OK,
// LZX_BAD_WINDOW_BITS or LZX_NO_MEMORY.
int LzxInit(int windowBits);

// Decodes exactly outputLength bytes of the stream from inputLength bytes of input. Never reads
// outside input[0, inputLength) nor writes outside output[0, outputLength). Returns LZX_OK,
// LZX_WINDOW_OVERRUN, LZX_BAD_DATA, or LZX_NO_MEMORY when no LzxInit has succeeded.
int LzxDecompress(const unsigned char* input, unsigned char* output, uint32_t inputLength,
                  uint32_t outputLength);

// Builds the canonical Huffman decode table (layout above) of symbolCount code lengths (0..16).
// table must hold LZX_TABLE_SIZE(tableBits, symbolCount) entries. Returns 0, or 1 when the lengths
// over- or under-fill the code space (an all-zero set is an empty tree and returns 0), a length
// exceeds 16, or the shape arguments are unusable (tableBits 1..15, symbolCount 1..4096).
int BuildDecodeTable(const unsigned char* lengths, unsigned symbolCount, unsigned tableBits, uint16_t* table);

// Reads the code lengths of symbols [first, last) through a freshly read pretree, as deltas
// against the lengths already there. lengths must hold last + LZX_LENGTHS_SLACK entries: runs
// may write past last. Returns LZX_OK or LZX_BAD_DATA.
int ReadCodeLengths(LzxBitReader* bits, unsigned char* lengths, unsigned first, unsigned last);
