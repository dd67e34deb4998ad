// LZX decoder of the CHM reader: decodes an LZXC-compressed section straight into the caller's output
// block, from its start (one or several calls) or one span from a reset point, with the state in a
// value its caller owns.
//
// Format quirks and our decisions:
// - Bits come as 16-bit little-endian words, most significant bit first, through a 32-bit buffer
//   refilled one word at a time and carried from one call to the next. Bytes past the input's end
//   read as zero and are counted; once more bits have been consumed than the input holds, the data
//   are invalid (checked after block headers and at least every 32 KB of output, so garbage never
//   runs on for long).
// - The compressor restarts each time the window fills: that is our one reset rule (trees cleared,
//   R0..R2 = 1, the E8 header read again). The container reads reset-table entries to start spans
//   at such restarts; within a span the same rule applies.
// - A pretree run (symbols 17..19) may spill past the range being read; every length array carries
//   LZX_LENGTHS_SLACK spare entries for it, and the spilled values are the "old" lengths of the next
//   range, as the format's own decoders have it. A delta symbol after 19 above 16 is invalid data.
// - The bit stream realigns to a word after the symbol that reaches each 32 KB of output, only in
//   verbatim and aligned-offset blocks. An uncompressed block's header is followed by 1..16 bits of
//   padding to the next word, and an odd-length block by one padding byte.
// - Matches may not cross a block's end; the only match allowed past its run is the one that ends
//   the requested output (real files' last block runs past the stated length), and it is cut there.
//   A span that ends where the stream resets allows no such match.
// - History: the output block itself serves as the window while this call has produced enough of it;
//   distances reaching before the call's first byte read the window buffer, which holds what a window
//   would hold (zeros, or the previous stream's last window). Offsets larger than the window wrap
//   inside it. The buffer is brought up to date at the end of each call. A span has no window: a
//   distance reaching before its first byte is invalid there.
// - E8 call translation follows the format: per 32 KB frame of output, the frame's last 10 bytes
//   untouched, only in the first 1 GB, with the file size of the header in force for that frame.
//   Frames are translated in place once no match can read them any more. A file size with its high
//   bit set is invalid: decoders disagree on its sign, and the format's own refuse it.
// - Speed: the main and length trees decode through packed tables (symbol and code length in one
//   entry); matches copy in 8- or 16-byte chunks and may scribble a few bytes ahead of the output
//   position, never past the output block, where later symbols overwrite them.
#include "chm/lzx.h"

#include <stdlib.h>
#include <string.h>

#include "chm/lebytes.h"

namespace {

enum BlockType : uint16_t { BLOCK_NONE = 0, BLOCK_VERBATIM = 1, BLOCK_ALIGNED = 2, BLOCK_UNCOMPRESSED = 3 };

const uint32_t kFrameSize = LZX_FRAME_SIZE;
const unsigned kMaxSlots = LZX_MAX_SLOTS;
const unsigned kMinMatch = 2;
const uint32_t kE8FrameLimit = 32768; // frames past the first 1 GB are never translated
const uint32_t kNoPosition = 0xFFFFFFFFu;
const uint16_t kPackedSymbol = 0x1000;   // packed direct entries are at or above this
const uint16_t kPackedEmpty = 0x0FFF;    // the empty marker of packed tables
const unsigned kPackedMaxSymbols = 2047; // node values (symbols + nodes) stay below kPackedEmpty

#if defined(__GNUC__)
#define LZX_LIKELY(x) __builtin_expect(!!(x), 1)
#define LZX_UNLIKELY(x) __builtin_expect(!!(x), 0)
#define LZX_INLINE inline __attribute__((always_inline))
#define LZX_NOINLINE __attribute__((noinline))
#else
#define LZX_LIKELY(x) (x)
#define LZX_UNLIKELY(x) (x)
#define LZX_INLINE inline
#define LZX_NOINLINE
#endif

// ---- bit input ----

const unsigned kBufferBits = sizeof(LzxBitBuffer) * 8;

// Adds one word below the buffered bits; the caller guarantees count <= kBufferBits - 16.
LZX_INLINE void Refill(LzxBitReader& b) {
    uint32_t word;
    if (LZX_LIKELY(b.end - b.next >= 2)) {
        word = b.next[0] | (uint32_t)b.next[1] << 8;
        b.next += 2;
    } else if (b.next != b.end) {
        word = b.next[0];
        b.next = b.end;
        b.overrun += 1;
    } else {
        word = 0;
        b.overrun += 2;
    }
    b.buffer |= (LzxBitBuffer)word << (kBufferBits - 16 - b.count);
    b.count += 16;
}

// Tops the buffer up, three words at once where a wide buffer and the input allow: the main
// loop then seldom needs another refill for a match's length symbol and extra bits.
LZX_INLINE void TopUp(LzxBitReader& b) { // count < 16
    if (kBufferBits == 64 && LZX_LIKELY(b.end - b.next >= 6)) {
        const unsigned char* p = b.next;
        uint64_t words =
            (uint64_t)(p[0] | p[1] << 8) << 32 | (uint64_t)(p[2] | p[3] << 8) << 16 | (p[4] | p[5] << 8);
        b.buffer |= (LzxBitBuffer)(words << (16 - b.count));
        b.next += 6;
        b.count += 48;
    } else {
        Refill(b);
    }
}

LZX_INLINE void Ensure(LzxBitReader& b, unsigned n) { // n <= 17
    if (b.count < n) {
        Refill(b);
        if (b.count < n) Refill(b);
    }
}

LZX_INLINE uint32_t ReadBits(LzxBitReader& b, unsigned n) { // 1..16
    if (b.count < n) Refill(b);
    uint32_t v = (uint32_t)(b.buffer >> (kBufferBits - n));
    b.buffer <<= n;
    b.count -= n;
    return v;
}

// More bits consumed than the input holds: the stream ran out.
LZX_INLINE bool Exhausted(const LzxBitReader& b) {
    return (uint64_t)b.overrun * 8 > b.count;
}

// Moves the byte position by delta bytes (bit buffer empty), counting positions past the end.
void MoveBytes(LzxBitReader& b, long delta) {
    if (delta >= 0) {
        uint32_t left = (uint32_t)(b.end - b.next);
        uint32_t step = (uint32_t)delta;
        if (step > left) {
            b.overrun += step - left;
            step = left;
        }
        b.next += step;
    } else {
        uint32_t back = (uint32_t)-delta;
        uint32_t fromOverrun = back < b.overrun ? back : b.overrun;
        b.overrun -= fromOverrun;
        b.next -= back - fromOverrun;
    }
}

// Drops the partial word and, when already aligned, one whole padding word; hands any whole
// buffered words back to the byte stream so that bytes can be read directly.
void AlignForUncompressed(LzxBitReader& b) {
    uint32_t partial = b.count & 15;
    long back = (long)((b.count - partial) / 8); // bytes of whole words still buffered
    if (partial == 0) back -= 2;                 // the padding word
    b.buffer = 0;
    b.count = 0;
    MoveBytes(b, -back);
}

// Reads n bytes directly (bit buffer empty), missing bytes as zero.
void ReadBytes(LzxBitReader& b, unsigned char* to, uint32_t n) {
    uint32_t have = (uint32_t)(b.end - b.next);
    if (have > n) have = n;
    memcpy(to, b.next, have);
    memset(to + have, 0, n - have);
    b.next += have;
    b.overrun += n - have;
}

// ---- Huffman symbols ----

// Continues below the direct table for codes longer than its bits. buffer holds at least 16 bits.
LZX_NOINLINE unsigned WalkTree(const uint16_t* table, unsigned tableBits, unsigned symbols, unsigned entry,
                               LzxBitBuffer buffer, unsigned empty) {
    LzxBitBuffer bit = (LzxBitBuffer)1 << (kBufferBits - 1 - tableBits);
    while (entry >= symbols) {
        if (entry == empty || bit == 0) return LZX_TABLE_EMPTY;
        entry = table[(1u << tableBits) + 2 * (entry - symbols) + ((buffer & bit) ? 1 : 0)];
        bit >>= 1;
    }
    return entry;
}

// Returns the next symbol, or LZX_TABLE_EMPTY when no code matches (an empty tree).
LZX_INLINE unsigned ReadSymbol(LzxBitReader& b, const uint16_t* table, const unsigned char* lengths,
                               unsigned tableBits, unsigned symbols) {
    if (b.count < 16) Refill(b);
    unsigned entry = table[b.buffer >> (kBufferBits - tableBits)];
    if (LZX_UNLIKELY(entry >= symbols)) {
        entry = WalkTree(table, tableBits, symbols, entry, b.buffer, LZX_TABLE_EMPTY);
        if (entry == LZX_TABLE_EMPTY) return entry;
    }
    unsigned n = lengths[entry];
    b.buffer <<= n;
    b.count -= n;
    return entry;
}

// The same through a packed table: the direct hit needs no second load for its length.
LZX_INLINE unsigned ReadPackedSymbol(LzxBitReader& b, const uint16_t* table, const unsigned char* lengths,
                                     unsigned tableBits, unsigned symbols) {
    if (b.count < 16) TopUp(b);
    unsigned entry = table[b.buffer >> (kBufferBits - tableBits)];
    unsigned n;
    if (LZX_LIKELY(entry >= kPackedSymbol)) {
        n = entry >> 12;
        entry &= kPackedSymbol - 1;
    } else {
        entry = WalkTree(table, tableBits, symbols, entry, b.buffer, kPackedEmpty);
        if (entry == LZX_TABLE_EMPTY) return entry;
        n = lengths[entry];
    }
    b.buffer <<= n;
    b.count -= n;
    return entry;
}

// Builds a decode table of the public layout or, Packed, the decoder's own for the main and length
// trees: a direct entry holds symbol | length << 12, so that one load gives both; node values and
// the empty marker stay below 0x1000.
template <bool Packed>
int FillDecodeTable(const unsigned char* lengths, unsigned symbolCount, unsigned tableBits, uint16_t* table) {
    const uint16_t empty = Packed ? kPackedEmpty : (uint16_t)LZX_TABLE_EMPTY;
    if (tableBits < 1 || tableBits > 15 || symbolCount < 1 ||
        symbolCount > (Packed ? kPackedMaxSymbols : 4096))
        return 1;
    unsigned count[LZX_MAX_CODE_LENGTH + 1] = {0};
    for (unsigned i = 0; i < symbolCount; i++) {
        if (lengths[i] > LZX_MAX_CODE_LENGTH) return 1;
        count[lengths[i]]++;
    }
    const uint32_t direct = 1u << tableBits;

    int32_t left = 1; // code space still free, in units of the current length
    for (unsigned len = 1; len <= LZX_MAX_CODE_LENGTH; len++) {
        left = left * 2 - (int32_t)count[len];
        if (left < 0) return 1;
    }
    if (left != 0) {
        if (count[0] != symbolCount) return 1;
        for (uint32_t i = 0; i < LZX_TABLE_SIZE(tableBits, symbolCount); i++)
            table[i] = empty;
        return 0; // an empty tree: every lookup fails
    }

    // Canonical codes: ascending by length, then by symbol. Sorting the symbols that way makes the
    // direct ranges of the short codes consecutive from the table's start.
    uint32_t nextCode[LZX_MAX_CODE_LENGTH + 1];
    uint32_t sortedAt[LZX_MAX_CODE_LENGTH + 2];
    uint32_t code = 0;
    sortedAt[1] = 0;
    for (unsigned len = 1; len <= LZX_MAX_CODE_LENGTH; len++) {
        code = (code + (len > 1 ? count[len - 1] : 0)) << 1;
        nextCode[len] = code;
        sortedAt[len + 1] = sortedAt[len] + count[len];
    }
    uint16_t sorted[4096];
    for (unsigned symbol = 0; symbol < symbolCount; symbol++)
        if (lengths[symbol]) sorted[sortedAt[lengths[symbol]]++] = (uint16_t)symbol;
    const uint32_t coded = symbolCount - count[0];

    uint32_t i = 0, filled = 0;
    for (; i < coded && lengths[sorted[i]] <= tableBits; i++) {
        uint32_t n = 1u << (tableBits - lengths[sorted[i]]);
        uint16_t symbol = Packed ? (uint16_t)(sorted[i] | lengths[sorted[i]] << 12) : sorted[i];
        if (n >= 4) {
            uint64_t four = symbol * 0x0001000100010001ull;
            for (uint32_t k = 0; k < n; k += 4)
                memcpy(table + filled + k, &four, 8);
        } else {
            for (uint32_t k = 0; k < n; k++)
                table[filled + k] = symbol;
        }
        filled += n;
    }
    for (uint32_t k = filled; k < direct; k++)
        table[k] = empty; // prefixes of longer codes

    // Longer codes continue below their prefix entry, one node pair per further bit.
    uint32_t nodes = 0;
    for (; i < coded; i++) {
        uint16_t symbol = sorted[i];
        unsigned len = lengths[symbol];
        uint32_t c = nextCode[len]++;
        uint16_t* entry = &table[c >> (len - tableBits)];
        for (int bit = (int)(len - tableBits) - 1; bit >= 0; bit--) {
            if (*entry == empty) {
                if (nodes >= symbolCount) return 1;
                table[direct + 2 * nodes] = table[direct + 2 * nodes + 1] = empty;
                *entry = (uint16_t)(symbolCount + nodes++);
            } else if (*entry < symbolCount || (Packed && *entry >= kPackedSymbol)) {
                return 1; // a shorter code already owns this prefix
            }
            entry = &table[direct + 2 * (*entry - symbolCount) + ((c >> bit) & 1)];
        }
        if (*entry != empty) return 1;
        *entry = symbol;
    }
    return 0;
}

// ---- E8 call translation ----

void TranslateE8Frame(unsigned char* data, uint32_t size, uint32_t current, uint32_t fileSize) {
    unsigned char* p = data;
    unsigned char* const stop = data + size - 10;
    while (p < stop) {
        if (*p++ != 0xE8) {
            current++;
            continue;
        }
        int64_t absolute = (int32_t)ReadLe32(p);
        if (absolute >= -(int64_t)current && absolute < (int64_t)fileSize) {
            int64_t relative = absolute >= 0 ? absolute - current : absolute + fileSize;
            uint32_t v = (uint32_t)relative;
            p[0] = (unsigned char)v;
            p[1] = (unsigned char)(v >> 8);
            p[2] = (unsigned char)(v >> 16);
            p[3] = (unsigned char)(v >> 24);
        }
        p += 4;
        current += 5;
    }
}

// Translation is delayed until no match can read the bytes any more: a match reaches back at most
// one window, and headers (the only source of a new file size) come only where the window filled.
struct E8Plan {
    uint32_t done;           // output bytes already translated (or passed over)
    uint32_t olderSize;      // file size in force before newerFrom
    uint32_t newerSize;      // file size in force from newerFrom
    uint32_t newerFrom;      // output index of the last header read
    uint32_t startedAt;      // output index where translation started, or kNoPosition
    uint32_t streamPosition; // stream position of output[0]
};

void TranslateE8(unsigned char* out, const E8Plan& plan, uint32_t from, uint32_t to, uint32_t fileSize) {
    while (from < to) {
        uint32_t stream = plan.streamPosition + from;
        uint32_t frameLeft = kFrameSize - (stream & (kFrameSize - 1));
        uint32_t frameEnd = to - from > frameLeft ? from + frameLeft : to;
        if (fileSize != 0 && plan.startedAt < frameEnd && frameEnd - from > 10 &&
            stream / kFrameSize < kE8FrameLimit)
            TranslateE8Frame(out + from, frameEnd - from, stream, fileSize);
        from = frameEnd;
    }
}

// A header at output index position brings a new file size.
void NoteE8Header(unsigned char* out, E8Plan& plan, uint32_t position, uint32_t fileSize) {
    TranslateE8(out, plan, plan.done, plan.newerFrom, plan.olderSize);
    if (plan.newerFrom > plan.done) plan.done = plan.newerFrom;
    plan.olderSize = plan.newerSize;
    plan.newerSize = fileSize;
    plan.newerFrom = position;
}

void FinishE8(unsigned char* out, E8Plan& plan, uint32_t end) {
    if (plan.newerFrom > plan.done) {
        TranslateE8(out, plan, plan.done, plan.newerFrom, plan.olderSize);
        plan.done = plan.newerFrom;
    }
    TranslateE8(out, plan, plan.done, end, plan.newerSize);
    plan.done = end;
}

// ---- matches ----

// Where the bytes of this call and, before them, the window's are found.
struct History {
    unsigned char* out;          // output[0] of this call
    unsigned char* outEnd;       // output[outputLength]
    const unsigned char* window; // the window as it was when the call began; null for a span
    uint32_t windowMask;
    uint32_t windowStart; // window position of output[0]
};

// Copies a match byte by byte, writing exactly [op, op + length): sources before this call's first
// byte come from the window.
LZX_NOINLINE void CopyBytes(const History& h, unsigned char* op, uint32_t distance, uint32_t length) {
    uint32_t at = (uint32_t)(op - h.out);
    for (uint32_t i = 0; i < length; i++, at++)
        op[i] =
            at >= distance ? h.out[at - distance] : h.window[(h.windowStart + at - distance) & h.windowMask];
}

// Copies length bytes from distance back, as a byte-by-byte copy would (overlaps repeat bytes). With
// room before the output's end it copies whole chunks and may write up to 15 bytes past the match:
// those bytes lie ahead of everything decoded so far, nothing reads them, and later symbols or runs
// overwrite them. Near the end it writes exactly [op, op + length). length is at least 2.
LZX_INLINE void CopyMatch(unsigned char* op, uint32_t distance, uint32_t length,
                          const unsigned char* outEnd) {
    const unsigned char* src = op - distance;
    if (LZX_LIKELY(distance >= 8 && (size_t)(outEnd - op) >= length + 16)) {
        unsigned char* const end = op + length;
        if (distance >= 16) {
            do {
                memcpy(op, src, 16);
                op += 16;
                src += 16;
            } while (op < end);
        } else {
            do {
                memcpy(op, src, 8);
                op += 8;
                src += 8;
            } while (op < end);
        }
        return;
    }
    if (distance >= 8 && length >= 8) {
        uint32_t i = 0;
        do {
            memcpy(op + i, src + i, 8);
            i += 8;
        } while (i + 8 < length);
        memcpy(op + length - 8, src + length - 8, 8);
    } else if (distance >= length) {
        if (length >= 4) {
            memcpy(op, src, 4);
            memcpy(op + length - 4, src + length - 4, 4);
        } else {
            op[0] = src[0];
            op[1] = src[1];
            if (length == 3) op[2] = src[2];
        }
    } else if (distance == 1) {
        memset(op, op[-1], length);
    } else {
        for (uint32_t i = 0; i < length; i++)
            op[i] = src[i];
    }
}

// ---- blocks ----

int ReadCompressedHeader(LzxState& s, LzxBitReader& in, uint16_t type) {
    if (type == BLOCK_ALIGNED) {
        for (unsigned i = 0; i < LZX_ALIGNED_SYMBOLS; i++)
            s.alignedLengths[i] = (unsigned char)ReadBits(in, 3);
        if (BuildDecodeTable(s.alignedLengths, LZX_ALIGNED_SYMBOLS, LZX_ALIGNED_BITS, s.alignedTable))
            return LZX_BAD_DATA;
    }
    if (ReadCodeLengths(&s, &in, s.mainLengths, 0, 256) ||
        ReadCodeLengths(&s, &in, s.mainLengths, 256, s.mainElements))
        return LZX_BAD_DATA;
    if (FillDecodeTable<true>(s.mainLengths, s.mainElements, LZX_MAIN_BITS, s.mainTable)) return LZX_BAD_DATA;
    if (ReadCodeLengths(&s, &in, s.lengthLengths, 0, LZX_LENGTH_SYMBOLS - 1)) return LZX_BAD_DATA;
    if (FillDecodeTable<true>(s.lengthLengths, LZX_LENGTH_SYMBOLS, LZX_LENGTH_BITS, s.lengthTable))
        return LZX_BAD_DATA;
    return LZX_OK;
}

// Decodes the symbols of one run of a verbatim or aligned-offset block into [op, runEnd). Only the
// final run of the call may end with a match that overshoots it; that match is cut at runEnd.
template <bool Aligned>
int DecodeRun(LzxState& s, LzxBitReader& in, const History& h, unsigned char* op, unsigned char* const runEnd,
              bool finalRun) {
    LzxBitReader b = in;
    uint32_t r0 = s.r0, r1 = s.r1, r2 = s.r2;
    const uint16_t* const mainTable = s.mainTable;
    const unsigned char* const mainLengths = s.mainLengths;
    const unsigned mainSymbols = s.mainElements;
    const uint32_t windowSize = h.windowMask + 1;
    int result = LZX_OK;

    if (s.matchRemaining) { // the rest of the match that ended the previous call's output
        uint32_t length =
            s.matchRemaining < (size_t)(runEnd - op) ? s.matchRemaining : (uint32_t)(runEnd - op);
        CopyBytes(h, op, s.matchDistance, length);
        op += length;
        s.matchRemaining -= length;
        if (s.matchRemaining && !finalRun) return LZX_BAD_DATA; // across the block's end
        if (((h.windowStart + (uint32_t)(op - h.out)) & (kFrameSize - 1)) == 0) {
            uint32_t partial = b.count & 15;
            b.buffer <<= partial;
            b.count -= partial;
        }
    }

    while (op < runEnd) {
        // Stop at the next 32 KB boundary of the window position to realign there.
        uint32_t position = h.windowStart + (uint32_t)(op - h.out);
        uint32_t toFrame = kFrameSize - (position & (kFrameSize - 1));
        unsigned char* const limit = (size_t)(runEnd - op) > toFrame ? op + toFrame : runEnd;

        while (op < limit) {
            unsigned symbol = ReadPackedSymbol(b, mainTable, mainLengths, LZX_MAIN_BITS, mainSymbols);
            if (symbol < 256) {
                *op++ = (unsigned char)symbol;
                continue;
            }
            if (LZX_UNLIKELY(symbol == LZX_TABLE_EMPTY)) {
                result = LZX_BAD_DATA;
                goto done;
            }
            symbol -= 256;
            uint32_t length = symbol & 7;
            unsigned slot = symbol >> 3;
            if (length == 7) {
                unsigned extra =
                    ReadPackedSymbol(b, s.lengthTable, s.lengthLengths, LZX_LENGTH_BITS, LZX_LENGTH_SYMBOLS);
                if (LZX_UNLIKELY(extra == LZX_TABLE_EMPTY)) {
                    result = LZX_BAD_DATA;
                    goto done;
                }
                length += extra;
            }
            length += kMinMatch;

            uint32_t offset;
            if (slot < 3) {
                if (slot == 0) {
                    offset = r0;
                } else if (slot == 1) {
                    offset = r1;
                    r1 = r0;
                    r0 = offset;
                } else {
                    offset = r2;
                    r2 = r0;
                    r0 = offset;
                }
            } else {
                unsigned extraBits = s.extraBits[slot];
                offset = s.positionBase[slot] - 2;
                if (!Aligned || extraBits < 3) {
                    if (extraBits) {
                        Ensure(b, extraBits);
                        offset += (uint32_t)(b.buffer >> (kBufferBits - extraBits));
                        b.buffer <<= extraBits;
                        b.count -= extraBits;
                    }
                } else {
                    if (extraBits > 3) offset += ReadBits(b, extraBits - 3) << 3;
                    if (b.count < 16) Refill(b);
                    unsigned aligned = s.alignedTable[b.buffer >> (kBufferBits - LZX_ALIGNED_BITS)];
                    if (LZX_UNLIKELY(aligned >= LZX_ALIGNED_SYMBOLS)) {
                        result = LZX_BAD_DATA;
                        goto done;
                    }
                    unsigned n = s.alignedLengths[aligned];
                    b.buffer <<= n;
                    b.count -= n;
                    offset += aligned;
                }
                r2 = r1;
                r1 = r0;
                r0 = offset;
            }

            uint32_t distance = offset;
            if (LZX_UNLIKELY(distance - 1 >= windowSize)) distance = ((distance - 1) & h.windowMask) + 1;
            if (LZX_UNLIKELY(length > (size_t)(runEnd - op))) {
                if (!finalRun) {
                    result = LZX_BAD_DATA; // a match across a block's end
                    goto done;
                }
                // The requested output ends inside this match: a later call takes the rest.
                s.matchRemaining = length - (uint32_t)(runEnd - op);
                s.matchDistance = distance;
                length = (uint32_t)(runEnd - op);
                if (!h.window && distance > (size_t)(op - h.out)) {
                    result = LZX_BAD_DATA;
                    goto done;
                }
                CopyBytes(h, op, distance, length);
            } else if (LZX_LIKELY(distance <= (size_t)(op - h.out))) {
                CopyMatch(op, distance, length, h.outEnd);
            } else if (h.window) {
                CopyBytes(h, op, distance, length);
            } else {
                result = LZX_BAD_DATA; // a span knows nothing before its first byte
                goto done;
            }
            op += length;
        }
        if (Exhausted(b)) {
            result = LZX_BAD_DATA;
            goto done;
        }
        if (((h.windowStart + (uint32_t)(op - h.out)) & (kFrameSize - 1)) == 0) {
            uint32_t partial = b.count & 15;
            b.buffer <<= partial;
            b.count -= partial;
        }
    }
done:
    in = b;
    s.r0 = r0;
    s.r1 = r1;
    s.r2 = r2;
    return result;
}

void ResetTrees(LzxState& s) {
    s.headerRead = false;
    memset(s.mainLengths, 0, sizeof s.mainLengths);
    memset(s.lengthLengths, 0, sizeof s.lengthLengths);
    s.r0 = s.r1 = s.r2 = 1;
}

// Sets up the tables of a window size and starts a fresh stream; the window buffer is not touched.
void StartStream(LzxState& s, int windowBits) {
    static const unsigned char kSlots[] = {30, 32, 34, 36, 38, 42, 50}; // window bits 15..21
    s.windowSize = 1u << windowBits;
    for (unsigned i = 0, j = 0; i <= kMaxSlots; i += 2) {
        s.extraBits[i] = (unsigned char)j;
        if (i + 1 <= kMaxSlots) s.extraBits[i + 1] = (unsigned char)j;
        if (i != 0 && j < 17) j++;
    }
    s.positionBase[0] = 0;
    for (unsigned i = 0; i < kMaxSlots; i++)
        s.positionBase[i + 1] = s.positionBase[i] + (1u << s.extraBits[i]);
    s.mainElements = (uint16_t)(256 + 8 * kSlots[windowBits - 15]);

    ResetTrees(s);
    s.blockType = BLOCK_NONE;
    s.blockLength = 0;
    s.blockRemaining = 0;
    s.windowPosition = 0;
    s.e8FileSize = 0;
    s.e8Position = 0;
    s.e8Started = false;
    s.bitBuffer = 0;
    s.bitCount = 0;
    s.matchRemaining = 0;
    s.matchDistance = 0;
    s.inputUsed = 0;
    s.streamOffset = 0;
    s.ready = true;
}

// Continues the state's stream for outputLength bytes. window holds the history before output (the
// state's window buffer), or is null for a span, which has none.
int Run(LzxState& s, const unsigned char* input, uint32_t inputLength, unsigned char* output,
        uint32_t outputLength, const unsigned char* window, bool endsAtReset) {
    LzxBitReader in;
    LzxBitReaderInit(&in, input, input ? inputLength : 0);
    in.buffer = s.bitBuffer;
    in.count = s.bitCount;
    const uint32_t windowSize = s.windowSize;
    const History history = {output, output + outputLength, window, windowSize - 1, s.windowPosition};
    E8Plan e8 = {0, s.e8FileSize, s.e8FileSize, 0, s.e8Started ? 0 : kNoPosition, s.e8Position};
    uint32_t windowPosition = s.windowPosition;
    uint32_t produced = 0;

    if (s.matchRemaining && s.blockRemaining == 0) return LZX_BAD_DATA; // the match ran past its block
    while (produced < outputLength) {
        if (s.blockRemaining == 0) {
            if (s.blockType == BLOCK_UNCOMPRESSED && (s.blockLength & 1)) MoveBytes(in, 1);
            if (windowPosition == windowSize) ResetTrees(s);
            if (!s.headerRead) {
                uint32_t fileSize = 0;
                if (ReadBits(in, 1)) {
                    fileSize = ReadBits(in, 16) << 16;
                    fileSize |= ReadBits(in, 16);
                }
                if (fileSize & 0x80000000u) return LZX_BAD_DATA;
                s.e8FileSize = fileSize;
                s.headerRead = true;
                NoteE8Header(output, e8, produced, fileSize);
            }
            s.blockType = (uint16_t)ReadBits(in, 3);
            uint32_t high = ReadBits(in, 16);
            s.blockLength = high << 8 | ReadBits(in, 8);
            s.blockRemaining = s.blockLength;
            if (s.blockType == BLOCK_VERBATIM || s.blockType == BLOCK_ALIGNED) {
                if (ReadCompressedHeader(s, in, s.blockType)) return LZX_BAD_DATA;
                if (s.mainLengths[0xE8] != 0) s.e8Started = true;
            } else if (s.blockType == BLOCK_UNCOMPRESSED) {
                s.e8Started = true;
                AlignForUncompressed(in);
                unsigned char r[12];
                ReadBytes(in, r, sizeof r);
                s.r0 = ReadLe32(r);
                s.r1 = ReadLe32(r + 4);
                s.r2 = ReadLe32(r + 8);
            } else {
                return LZX_BAD_DATA;
            }
            if (s.e8Started && e8.startedAt == kNoPosition) e8.startedAt = produced;
        }
        if (Exhausted(in)) return LZX_BAD_DATA;

        uint32_t run = outputLength - produced;
        if (run > s.blockRemaining) run = s.blockRemaining;
        windowPosition &= windowSize - 1;
        if (run > windowSize - windowPosition) return LZX_WINDOW_OVERRUN;
        s.blockRemaining -= run;

        unsigned char* op = output + produced;
        if (s.blockType == BLOCK_UNCOMPRESSED) {
            if (run > (uint32_t)(in.end - in.next)) return LZX_BAD_DATA;
            memcpy(op, in.next, run);
            in.next += run;
        } else {
            bool finalRun = run == outputLength - produced && !endsAtReset;
            int rc = s.blockType == BLOCK_ALIGNED ? DecodeRun<true>(s, in, history, op, op + run, finalRun)
                                                  : DecodeRun<false>(s, in, history, op, op + run, finalRun);
            if (rc != LZX_OK) return rc;
        }
        windowPosition += run;
        produced += run;
    }
    if (endsAtReset && s.blockRemaining != 0) return LZX_BAD_DATA; // the stream does not reset here
    s.windowPosition = windowPosition;
    s.bitBuffer = in.buffer;
    s.bitCount = in.count;
    s.inputUsed = (uint32_t)(in.next - (input ? input : in.next));
    bool padDue = s.blockType == BLOCK_UNCOMPRESSED && (s.blockLength & 1) && s.blockRemaining == 0;
    s.streamOffset = s.inputUsed + in.overrun - in.count / 8 + (padDue ? 1 : 0);

    // Bring the window up to date with the bytes a window would hold, before translation.
    if (s.window) {
        uint32_t keep = produced < windowSize ? produced : windowSize;
        for (uint32_t i = produced - keep; i < produced;) {
            uint32_t at = (history.windowStart + i) & history.windowMask;
            uint32_t n = windowSize - at;
            if (n > produced - i) n = produced - i;
            memcpy(s.window + at, output + i, n);
            i += n;
        }
    }

    FinishE8(output, e8, produced);
    s.e8Position += produced;
    return LZX_OK;
}

} // namespace

void LzxBitReaderInit(LzxBitReader* bits, const unsigned char* data, uint32_t length) {
    bits->next = data;
    bits->end = data ? data + length : data;
    bits->buffer = 0;
    bits->count = 0;
    bits->overrun = 0;
}

int BuildDecodeTable(const unsigned char* lengths, unsigned symbolCount, unsigned tableBits,
                     uint16_t* table) {
    return FillDecodeTable<false>(lengths, symbolCount, tableBits, table);
}

int ReadCodeLengths(LzxState* state, LzxBitReader* bits, unsigned char* lengths, unsigned first,
                    unsigned last) {
    LzxState& s = *state;
    LzxBitReader& b = *bits;
    for (unsigned i = 0; i < LZX_PRETREE_SYMBOLS; i++)
        s.pretreeLengths[i] = (unsigned char)ReadBits(b, 4);
    if (BuildDecodeTable(s.pretreeLengths, LZX_PRETREE_SYMBOLS, LZX_PRETREE_BITS, s.pretreeTable))
        return LZX_BAD_DATA;
    for (unsigned x = first; x < last;) {
        unsigned z = ReadSymbol(b, s.pretreeTable, s.pretreeLengths, LZX_PRETREE_BITS, LZX_PRETREE_SYMBOLS);
        if (z == LZX_TABLE_EMPTY) return LZX_BAD_DATA;
        if (z == 17 || z == 18) {
            unsigned n = z == 17 ? ReadBits(b, 4) + 4 : ReadBits(b, 5) + 20;
            memset(lengths + x, 0, n);
            x += n;
        } else if (z == 19) {
            unsigned n = ReadBits(b, 1) + 4;
            unsigned delta =
                ReadSymbol(b, s.pretreeTable, s.pretreeLengths, LZX_PRETREE_BITS, LZX_PRETREE_SYMBOLS);
            if (delta > 16) return LZX_BAD_DATA;
            unsigned char v = (unsigned char)((lengths[x] + 17 - delta) % 17);
            memset(lengths + x, v, n);
            x += n;
        } else {
            lengths[x] = (unsigned char)((lengths[x] + 17 - z) % 17);
            x++;
        }
    }
    return LZX_OK;
}

int LzxInit(LzxState* state, int windowBits) {
    LzxState& s = *state;
    s.ready = false;
    if (windowBits < 15 || windowBits > 21) return LZX_BAD_WINDOW_BITS;
    uint32_t size = 1u << windowBits;
    if (s.window && s.windowAllocated < size) {
        free(s.window);
        s.window = nullptr;
        s.windowAllocated = 0;
    }
    if (!s.window) {
        s.window = (unsigned char*)calloc(size, 1);
        if (!s.window) return LZX_NO_MEMORY;
        s.windowAllocated = size;
    }
    StartStream(s, windowBits);
    return LZX_OK;
}

int LzxDecompress(LzxState* state, const unsigned char* input, unsigned char* output, uint32_t inputLength,
                  uint32_t outputLength) {
    LzxState& s = *state;
    if (!s.ready || !s.window) return LZX_NOT_STARTED;
    if (outputLength == 0) return LZX_OK;
    if (!output) return LZX_BAD_DATA;
    return Run(s, input, inputLength, output, outputLength, s.window, false);
}

int LzxDecodeSpan(LzxState* state, int windowBits, uint32_t streamPosition, const unsigned char* input,
                  uint32_t inputLength, unsigned char* output, uint32_t outputLength, bool endsAtReset) {
    LzxState& s = *state;
    s.ready = false;
    if (windowBits < 15 || windowBits > 21) return LZX_BAD_WINDOW_BITS;
    StartStream(s, windowBits);
    s.ready = false; // a span is one call: LzxDecompress may not continue it without a window
    s.e8Position = streamPosition;
    if (outputLength == 0) return LZX_OK;
    if (!output) return LZX_BAD_DATA;
    return Run(s, input, inputLength, output, outputLength, nullptr, endsAtReset);
}

void LzxRelease(LzxState* state) {
    free(state->window);
    memset(state, 0, sizeof *state);
}
