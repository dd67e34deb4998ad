// LZX decoder of the CHM reader: decodes an LZXC-compressed section ("MSCompressed") from its start,
// in one call or several, or one span of it from a reset point.
// Portable core: no platform headers. The decoder state is a value its caller owns (the container
// keeps one); nothing is module-wide, so two states decode independently. A state's window buffer is
// allocated by LzxInit, kept while the state lives (reused, with its old contents, by the next
// LzxInit of no larger window) and freed by LzxRelease. A span decode needs no window.
#pragma once

#include <stdint.h>

// Every result of this unit; each value has one meaning.
enum LzxResult {
    LZX_OK = 0,
    LZX_WINDOW_OVERRUN = 1,  // a run would cross the end of the window
    LZX_BAD_DATA = 2,        // invalid block type, unbuildable tree, bad symbol, input exhausted, ...
    LZX_NO_MEMORY = 3,       // the window cannot be allocated
    LZX_BAD_WINDOW_BITS = 4, // window bits outside 15..21
    LZX_NOT_STARTED = 5,     // LzxDecompress without a successful LzxInit
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
    LZX_MAX_SLOTS = 50,
    LZX_FRAME_SIZE = 32768, // output unit of the format: the bit stream realigns after each
};
#define LZX_TABLE_SIZE(bits, symbols) ((1u << (bits)) + 2u * (symbols))

// Bit input over one block of bytes: 16-bit little-endian words, most significant bit first,
// through a buffer as wide as the machine's word. Bytes past the end read as zero and are counted
// in overrun, so that exhaustion is detected without touching memory beyond the block.
#if UINTPTR_MAX > 0xFFFFFFFFu
typedef uint64_t LzxBitBuffer;
#else
typedef uint32_t LzxBitBuffer;
#endif
struct LzxBitReader {
    const unsigned char* next; // next unread byte
    const unsigned char* end;
    LzxBitBuffer buffer; // unread bits, left-aligned
    uint32_t count;      // number of unread bits in buffer
    uint32_t overrun;    // bytes taken as zero beyond end
};

void LzxBitReaderInit(LzxBitReader* bits, const unsigned char* data, uint32_t length);

// The decoder's state between calls. Zero-filled is a valid empty state (no window, no stream).
struct LzxState {
    unsigned char* window;    // the last window of output, for calls that continue a stream
    uint32_t windowAllocated; // bytes allocated (0: none)
    uint32_t windowSize;      // 2^bits in use
    uint32_t windowPosition;  // unmasked: equals windowSize right after the window filled
    uint32_t r0, r1, r2;      // repeated offsets
    uint16_t mainElements;    // 256 + 8 * position slots
    bool ready;               // a stream has been started
    bool headerRead;          // E8 header read since the last reset
    uint16_t blockType;       // block type of the open (or last) block: 0 none, 1..3
    uint32_t blockLength;     // 24-bit
    uint32_t blockRemaining;  // 24-bit; 0 when the stream stands between blocks
    uint32_t e8FileSize;      // 0: no translation
    uint32_t e8Position;      // stream position of the next output byte, for translation
    bool e8Started;           // an E8 literal or an uncompressed block has been seen
    uint32_t matchRemaining;  // bytes of the match that ended the last call's output, still to copy
    uint32_t matchDistance;   // its distance
    LzxBitBuffer bitBuffer;   // bits read ahead, carried to the next call (left-aligned)
    uint32_t bitCount;        // how many
    uint32_t inputUsed;       // bytes the last call took from its input (into bitBuffer or output)
    uint32_t streamOffset;    // after a call that ended on a frame boundary: the offset in its input
                              // of the word where the stream goes on (an odd block's pad passed)

    unsigned char pretreeLengths[LZX_PRETREE_SYMBOLS + LZX_LENGTHS_SLACK];
    uint16_t pretreeTable[LZX_TABLE_SIZE(LZX_PRETREE_BITS, LZX_PRETREE_SYMBOLS)];
    unsigned char mainLengths[LZX_MAIN_SYMBOLS + LZX_LENGTHS_SLACK];
    uint16_t mainTable[LZX_TABLE_SIZE(LZX_MAIN_BITS, LZX_MAIN_SYMBOLS)];
    unsigned char lengthLengths[LZX_LENGTH_SYMBOLS + LZX_LENGTHS_SLACK];
    uint16_t lengthTable[LZX_TABLE_SIZE(LZX_LENGTH_BITS, LZX_LENGTH_SYMBOLS)];
    unsigned char alignedLengths[LZX_ALIGNED_SYMBOLS + LZX_LENGTHS_SLACK];
    uint16_t alignedTable[LZX_TABLE_SIZE(LZX_ALIGNED_BITS, LZX_ALIGNED_SYMBOLS)];

    unsigned char extraBits[LZX_MAX_SLOTS + 1];
    uint32_t positionBase[LZX_MAX_SLOTS + 1];
};

// Starts a fresh stream with a window of 2^windowBits bytes (15..21). The state's window buffer is
// kept and only replaced by a larger one. Returns LZX_OK, LZX_BAD_WINDOW_BITS or LZX_NO_MEMORY.
int LzxInit(LzxState* state, int windowBits);

// Decodes the next outputLength bytes of the stream. input continues where the previous call's
// input stopped (at its inputUsed); bits that call read ahead, and the rest of a match it cut, are
// kept in the state. A call may end anywhere, but E8 translation works on each call's output by
// itself: with translation on, calls continue exactly only at 32 KB frame boundaries. Never reads
// outside input[0, inputLength) nor writes outside output[0, outputLength). Returns LZX_OK,
// LZX_WINDOW_OVERRUN, LZX_BAD_DATA, or LZX_NOT_STARTED when no LzxInit has succeeded.
int LzxDecompress(LzxState* state, const unsigned char* input, unsigned char* output, uint32_t inputLength,
                  uint32_t outputLength);

// Decodes one span that begins at a reset point of a section: a fresh stream whose first byte lies
// at streamPosition of the section (the E8 translation counts from the section's start). Nothing
// before the span is known, so a match reaching before its first byte is bad data, and no window
// is used. With endsAtReset the stream must also reset where the span ends: a match or block that
// runs on past its last byte is bad data. Returns LZX_OK, LZX_BAD_WINDOW_BITS, LZX_WINDOW_OVERRUN
// or LZX_BAD_DATA; state->streamOffset then says where the next span's input begins.
int LzxDecodeSpan(LzxState* state, int windowBits, uint32_t streamPosition, const unsigned char* input,
                  uint32_t inputLength, unsigned char* output, uint32_t outputLength, bool endsAtReset);

// Frees the window; the state is empty again.
void LzxRelease(LzxState* state);

// Builds the canonical Huffman decode table (layout above) of symbolCount code lengths (0..16).
// table must hold LZX_TABLE_SIZE(tableBits, symbolCount) entries. Returns 0, or 1 when the lengths
// over- or under-fill the code space (an all-zero set is an empty tree and returns 0), a length
// exceeds 16, or the shape arguments are unusable (tableBits 1..15, symbolCount 1..4096).
int BuildDecodeTable(const unsigned char* lengths, unsigned symbolCount, unsigned tableBits, uint16_t* table);

// Reads the code lengths of symbols [first, last) through a freshly read pretree (kept in the
// state), as deltas against the lengths already there. lengths must hold last + LZX_LENGTHS_SLACK
// entries: runs may write past last. Returns LZX_OK or LZX_BAD_DATA.
int ReadCodeLengths(LzxState* state, LzxBitReader* bits, unsigned char* lengths, unsigned first,
                    unsigned last);
