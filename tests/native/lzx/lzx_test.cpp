// Tests of the LZX decoder: streams built by construction with the test writer, grouped by operation
// (set-up, tables, code lengths, each block type, the window, E8 translation, bad input).
#include "chm/lebytes.h"
#include "chm/lzx.h"
#include "lzx_writer.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string.h>
#include <string>

namespace {

// A decoder state of the test's own, released when it goes.
struct State {
    LzxState s = {};
    ~State() { LzxRelease(&s); }
    LzxState* operator&() { return &s; }
};

// Decodes from an exact-size heap copy of the input, so that a sanitizer sees any read outside it,
// into an output followed by guard bytes that must stay untouched. A state given continues to serve
// after the call (its window keeps what the stream left there).
int Decode(int windowBits, const std::vector<unsigned char>& input, uint32_t outputLength,
           std::vector<unsigned char>* output = nullptr, LzxState* state = nullptr) {
    State own;
    LzxState* s = state ? state : &own;
    int rc = LzxInit(s, windowBits);
    if (rc != LZX_OK) return 100 + rc;
    std::unique_ptr<unsigned char[]> in(input.empty() ? nullptr : new unsigned char[input.size()]);
    if (!input.empty()) memcpy(in.get(), input.data(), input.size());
    const size_t guard = 32;
    std::unique_ptr<unsigned char[]> out(new unsigned char[outputLength + guard]);
    memset(out.get() + outputLength, 0xA5, guard);
    rc = LzxDecompress(s, in.get(), out.get(), (uint32_t)input.size(), outputLength);
    for (size_t i = 0; i < guard; i++)
        if (out[outputLength + i] != 0xA5) ADD_FAILURE() << "write past the output's end, at +" << i;
    if (output) output->assign(out.get(), out.get() + outputLength);
    return rc;
}

std::vector<unsigned char> Bytes(const std::string& s) {
    return std::vector<unsigned char>(s.begin(), s.end());
}
std::string Text(const std::vector<unsigned char>& v) {
    return std::string(v.begin(), v.end());
}

std::vector<unsigned char> RandomBytes(size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<unsigned char> v(n);
    for (auto& b : v)
        b = (unsigned char)rng();
    return v;
}

std::vector<LzxToken> LiteralTokens(const std::vector<unsigned char>& bytes) {
    std::vector<LzxToken> t;
    for (unsigned char b : bytes)
        t.push_back(Lit(b));
    return t;
}

void PutLE32(std::vector<unsigned char>& v, size_t at, uint32_t x) {
    for (int i = 0; i < 4; i++)
        v[at + i] = (unsigned char)(x >> (8 * i));
}
uint32_t GetLE32(const std::vector<unsigned char>& v, size_t at) {
    return ReadLe32(&v[at]);
}

// Offsets at both ends of every position slot from 3 up to the given one.
std::vector<uint32_t> SlotEdgeOffsets(unsigned lastSlot) {
    std::vector<uint32_t> offsets;
    uint32_t base = 0;
    for (unsigned s = 0; s <= lastSlot; s++) {
        unsigned extra = s < 4 ? 0 : std::min(17u, s / 2 - 1);
        if (s >= 3) {
            offsets.push_back(base - 2);
            offsets.push_back(base - 2 + (1u << extra) - 1);
        }
        base += 1u << extra;
    }
    return offsets;
}

} // namespace

// ---- set-up ----

TEST(LzxInit, AcceptsWindowBits15To21AndRejectsOthers) {
    State state;
    for (int bits = 15; bits <= 21; bits++)
        EXPECT_EQ(LZX_OK, LzxInit(&state, bits)) << bits;
    for (int bits : {14, 22, 0, -1, 64})
        EXPECT_EQ(LZX_BAD_WINDOW_BITS, LzxInit(&state, bits)) << bits;
}

TEST(LzxInit, DecompressAfterFailedInitIsRefused) {
    State state;
    unsigned char in[4] = {0}, out[4];
    EXPECT_EQ(LZX_NOT_STARTED, LzxDecompress(&state, in, out, 4, 4)); // never started
    ASSERT_EQ(LZX_BAD_WINDOW_BITS, LzxInit(&state, 22));
    EXPECT_EQ(LZX_NOT_STARTED, LzxDecompress(&state, in, out, 4, 4));
}

// ---- decode tables ----

TEST(LzxBuildDecodeTable, DirectCodesSelectTheirSymbols) {
    std::vector<unsigned char> lengths = {2, 0, 3, 3, 2, 3, 0, 3};
    uint16_t table[LZX_TABLE_SIZE(7, 8)];
    ASSERT_EQ(0, BuildDecodeTable(lengths.data(), 8, 7, table));
    std::vector<uint32_t> codes = CanonicalCodes(lengths);
    for (unsigned s = 0; s < 8; s++)
        if (lengths[s]) {
            EXPECT_EQ(s, DecodeWithTable(table, 7, 8, codes[s], lengths[s])) << s;
        }
    // canonical order: the two 2-bit codes first (symbols 0 and 4), then the 3-bit ones
    EXPECT_EQ(0u, table[0]);
    EXPECT_EQ(4u, table[32]);
    EXPECT_EQ(2u, table[64]);
    EXPECT_EQ(7u, table[127]);
}

TEST(LzxBuildDecodeTable, CodesLongerThanTableBitsContinueInNodePairs) {
    // lengths 1, 2, ..., 16, 16 spread over a main tree: five codes are longer than 12 bits.
    std::vector<unsigned char> lengths(LZX_MAIN_SYMBOLS, 0);
    for (unsigned i = 0; i < 16; i++)
        lengths[i * 37] = (unsigned char)(i + 1);
    lengths[600] = 16;
    std::vector<uint16_t> table(LZX_TABLE_SIZE(LZX_MAIN_BITS, LZX_MAIN_SYMBOLS));
    ASSERT_EQ(0, BuildDecodeTable(lengths.data(), LZX_MAIN_SYMBOLS, LZX_MAIN_BITS, table.data()));
    std::vector<uint32_t> codes = CanonicalCodes(lengths);
    for (unsigned s = 0; s < LZX_MAIN_SYMBOLS; s++)
        if (lengths[s]) {
            EXPECT_EQ(s, DecodeWithTable(table.data(), LZX_MAIN_BITS, LZX_MAIN_SYMBOLS, codes[s], lengths[s]))
                << s;
        }
    EXPECT_GE(table[(1 << 12) - 1], LZX_MAIN_SYMBOLS); // the all-ones prefix is a node
}

TEST(LzxBuildDecodeTable, RejectsOverAndUnderFullSets) {
    uint16_t table[LZX_TABLE_SIZE(6, 20)];
    unsigned char over[20] = {1, 1, 1};
    EXPECT_EQ(1, BuildDecodeTable(over, 20, 6, table));
    unsigned char under[20] = {1};
    EXPECT_EQ(1, BuildDecodeTable(under, 20, 6, table));
    unsigned char underLong[20] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    EXPECT_EQ(1, BuildDecodeTable(underLong, 20, 6, table));
    unsigned char tooLong[20] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 17};
    EXPECT_EQ(1, BuildDecodeTable(tooLong, 20, 6, table));
}

TEST(LzxBuildDecodeTable, AllZeroLengthsAreAnEmptyTree) {
    unsigned char zero[20] = {0};
    uint16_t table[LZX_TABLE_SIZE(6, 20)];
    ASSERT_EQ(0, BuildDecodeTable(zero, 20, 6, table));
    for (uint16_t e : table)
        EXPECT_EQ(LZX_TABLE_EMPTY, e);
}

// ---- code lengths ----

namespace {
std::vector<unsigned char> FixedPretreeLengths() {
    std::vector<unsigned char> l(20);
    for (unsigned i = 0; i < 20; i++)
        l[i] = i < 12 ? 4 : 5;
    return l;
}

int ReadItems(const std::vector<PretreeItem>& items, unsigned char* lengths, unsigned first, unsigned last) {
    LzxWriter w(16);
    w.PretreeRange(FixedPretreeLengths(), items);
    std::vector<unsigned char> bytes = w.Finish();
    LzxBitReader bits;
    LzxBitReaderInit(&bits, bytes.data(), (uint32_t)bytes.size());
    State state;
    return ReadCodeLengths(&state, &bits, lengths, first, last);
}
} // namespace

TEST(LzxReadCodeLengths, DeltasApplyModulo17ToTheOldLengths) {
    unsigned char lengths[4 + LZX_LENGTHS_SLACK] = {5, 0, 16, 3};
    ASSERT_EQ(LZX_OK, ReadItems({{2, 0, 0}, {16, 0, 0}, {0, 0, 0}, {5, 0, 0}}, lengths, 0, 4));
    EXPECT_EQ(3, lengths[0]);  // 5 - 2
    EXPECT_EQ(1, lengths[1]);  // 0 - 16 mod 17
    EXPECT_EQ(16, lengths[2]); // unchanged
    EXPECT_EQ(15, lengths[3]); // 3 - 5 mod 17
}

TEST(LzxReadCodeLengths, RunsOfZerosAndOfOneNewLength) {
    unsigned char lengths[100 + LZX_LENGTHS_SLACK];
    memset(lengths, 7, sizeof lengths);
    // 17: 6 zeros; 18: 25 zeros; 19: 5 times (7 - 3); 19: 4 times (7 - 0); one delta.
    ASSERT_EQ(LZX_OK,
              ReadItems({{17, 6, 0}, {18, 25, 0}, {19, 5, 3}, {19, 4, 0}, {1, 0, 0}}, lengths, 10, 51));
    for (int i = 0; i < 10; i++)
        EXPECT_EQ(7, lengths[i]);
    for (int i = 10; i < 41; i++)
        EXPECT_EQ(0, lengths[i]) << i;
    for (int i = 41; i < 46; i++)
        EXPECT_EQ(4, lengths[i]) << i;
    for (int i = 46; i < 50; i++)
        EXPECT_EQ(7, lengths[i]) << i;
    EXPECT_EQ(6, lengths[50]);
    EXPECT_EQ(7, lengths[51]);
}

TEST(LzxReadCodeLengths, RunReachingPastTheRangeSpillsAndEndsIt) {
    unsigned char lengths[10 + LZX_LENGTHS_SLACK];
    memset(lengths, 9, sizeof lengths);
    ASSERT_EQ(LZX_OK, ReadItems({{0, 0, 0}, {18, 51, 0}}, lengths, 0, 10));
    for (int i = 1; i < 52; i++)
        EXPECT_EQ(0, lengths[i]) << i;
    EXPECT_EQ(9, lengths[52]);
}

TEST(LzxReadCodeLengths, RunOf19WithARunSymbolIsInvalid) {
    unsigned char lengths[8 + LZX_LENGTHS_SLACK] = {0};
    EXPECT_EQ(LZX_BAD_DATA, ReadItems({{19, 4, 17}}, lengths, 0, 8));
}

TEST(LzxReadCodeLengths, EmptyOrBrokenPretreeIsInvalid) {
    unsigned char lengths[8 + LZX_LENGTHS_SLACK] = {0};
    unsigned char zeros[16] = {0};
    State state;
    LzxBitReader bits;
    LzxBitReaderInit(&bits, zeros, sizeof zeros);
    EXPECT_EQ(LZX_BAD_DATA, ReadCodeLengths(&state, &bits, lengths, 0, 8));
    unsigned char ones[16];
    memset(ones, 0x11, sizeof ones); // every pretree length 1: over-full
    LzxBitReaderInit(&bits, ones, sizeof ones);
    EXPECT_EQ(LZX_BAD_DATA, ReadCodeLengths(&state, &bits, lengths, 0, 8));
}

// ---- uncompressed blocks ----

TEST(LzxUncompressed, OddAndEvenLengthsWithThePaddingByte) {
    LzxWriter w(16);
    w.Uncompressed(Bytes("abc"), 1, 1, 1);
    w.Uncompressed(Bytes("defg"), 1, 1, 1);
    w.Uncompressed(Bytes("h"), 1, 1, 1);
    w.Verbatim(Literals("ij"));
    std::vector<unsigned char> out;
    ASSERT_EQ(LZX_OK, Decode(16, w.Finish(), 10, &out));
    EXPECT_EQ("abcdefghij", Text(out));
}

TEST(LzxUncompressed, HeaderWordsSetTheRepeatedOffsets) {
    LzxWriter w(16);
    w.Uncompressed(Bytes("0123456789"), 10, 3, 7);
    w.Verbatim({Repeat(4, 0), Repeat(3, 1), Repeat(2, 2)});
    std::vector<unsigned char> out;
    ASSERT_EQ(LZX_OK, Decode(16, w.Finish(), 19, &out));
    EXPECT_EQ("0123456789012312301", Text(out));
}

TEST(LzxUncompressed, HeaderEndingOnAWordBoundaryIsFollowedByAWholePaddingWord) {
    // Literal 'x' has a 7-bit code, the other literals 8 bits: enough 'x's put the next block
    // header's end on a word boundary.
    std::vector<unsigned char> main(LZX_MAIN_SYMBOLS, 0);
    for (unsigned s = 0; s < 256; s++)
        main[s] = 8;
    main['x'] = 7;
    main['y'] = 0;
    bool found = false;
    for (unsigned xs = 0; xs < 16 && !found; xs++) {
        LzxWriter w(15);
        LzxWriter::BlockOptions options;
        options.mainLengths = main;
        std::vector<LzxToken> tokens = Literals("abc");
        tokens.insert(tokens.end(), xs, Lit('x'));
        w.Verbatim(tokens, options);
        if ((w.BitPosition() + 27) % 16 != 0) continue;
        found = true;
        w.Uncompressed(Bytes("tail"), 1, 1, 1);
        std::vector<unsigned char> out;
        ASSERT_EQ(LZX_OK, Decode(15, w.Finish(), (uint32_t)w.Expected().size(), &out));
        EXPECT_EQ("abc" + std::string(xs, 'x') + "tail", Text(out));
    }
    EXPECT_TRUE(found);
}

// ---- verbatim and aligned-offset blocks ----

TEST(LzxVerbatim, LiteralsAndOverlappingMatches) {
    LzxWriter w(16);
    std::vector<LzxToken> tokens = Literals("abc");
    tokens.push_back(Match(9, 3));  // abcabcabc
    tokens.push_back(Match(4, 1));  // cccc
    tokens.push_back(Match(12, 8)); // non-overlapping, longer than its distance's chunk
    tokens.push_back(Repeat(2, 1)); // R1 = 1
    w.Verbatim(tokens);
    std::vector<unsigned char> out;
    ASSERT_EQ(LZX_OK, Decode(16, w.Finish(), 30, &out));
    EXPECT_EQ("abcabcabcabccccc"
              "cabccccccabc"
              "cc",
              Text(out));
    EXPECT_EQ(w.Expected(), out);
}

TEST(LzxVerbatim, MatchLengthsThroughTheLengthTree) {
    LzxWriter w(16);
    std::vector<LzxToken> tokens = Literals("xyz");
    for (uint32_t len : {9u, 10u, 100u, 257u, 3u, 8u})
        tokens.push_back(Match(len, 3));
    w.Verbatim(tokens);
    std::vector<unsigned char> out;
    ASSERT_EQ(LZX_OK, Decode(16, w.Finish(), (uint32_t)w.Expected().size(), &out));
    ASSERT_EQ(3u + 9 + 10 + 100 + 257 + 3 + 8, out.size());
    for (size_t i = 0; i < out.size(); i++)
        ASSERT_EQ("xyz"[i % 3], out[i]) << i;
}

TEST(LzxVerbatim, CodesLongerThanTheDirectTable) {
    std::vector<unsigned char> main(LZX_MAIN_SYMBOLS, 0);
    const char* letters = "abcdefghijklmnop";
    for (unsigned i = 0; i < 16; i++)
        main[(unsigned char)letters[i]] = (unsigned char)(i + 1);
    main['q'] = 16;
    LzxWriter w(15);
    LzxWriter::BlockOptions options;
    options.mainLengths = main;
    w.Verbatim(Literals("qponmlkjihgfedcbaqmnop"), options);
    std::vector<unsigned char> out;
    ASSERT_EQ(LZX_OK, Decode(15, w.Finish(), 22, &out));
    EXPECT_EQ("qponmlkjihgfedcbaqmnop", Text(out));
}

namespace {
// A long random prefix, then a match at both edges of every slot: every extra-bit count is read.
void EverySlot(bool aligned, const std::vector<unsigned char>& alignedLengths) {
    const int bits = 20; // 42 slots; slots 36 and up read 17 extra bits
    LzxWriter w(bits);
    std::vector<unsigned char> prefix = RandomBytes(920000, 7);
    w.Verbatim(LiteralTokens(prefix));
    std::vector<LzxToken> tokens;
    for (uint32_t offset : SlotEdgeOffsets(40)) {
        tokens.push_back(Match(3 + offset % 5, offset));
        tokens.push_back(Lit((unsigned char)offset));
    }
    tokens.push_back(Repeat(5, 2));
    LzxWriter::BlockOptions options;
    options.alignedLengths = alignedLengths;
    if (aligned)
        w.Aligned(tokens, options);
    else
        w.Verbatim(tokens);
    std::vector<unsigned char> out;
    ASSERT_EQ(LZX_OK, Decode(bits, w.Finish(), (uint32_t)w.Expected().size(), &out));
    EXPECT_TRUE(out == w.Expected());
    EXPECT_TRUE(std::equal(prefix.begin(), prefix.end(), out.begin()));
}
} // namespace

TEST(LzxVerbatim, OffsetsAtTheEdgesOfEverySlot) {
    EverySlot(false, {});
}

TEST(LzxAligned, OffsetsAtTheEdgesOfEverySlotWithASkewedAlignedTree) {
    EverySlot(true, {1, 2, 3, 4, 5, 6, 7, 7});
}

TEST(LzxAligned, FlatAlignedTreeAndRepeatedOffsets) {
    LzxWriter w(16);
    std::vector<LzxToken> tokens = LiteralTokens(RandomBytes(3000, 3));
    for (uint32_t offset : {1u, 2u, 5u, 8u, 13u, 100u, 1000u, 2047u, 2999u}) {
        tokens.push_back(Match(7, offset));
        tokens.push_back(Repeat(3, 1));
        tokens.push_back(Repeat(4, 2));
    }
    w.Aligned(tokens);
    w.Verbatim({Repeat(6, 0), Lit('!')});
    std::vector<unsigned char> out;
    ASSERT_EQ(LZX_OK, Decode(16, w.Finish(), (uint32_t)w.Expected().size(), &out));
    EXPECT_TRUE(out == w.Expected());
}

TEST(LzxVerbatim, TreesCarryOverAsDeltasBetweenBlocks) {
    LzxWriter w(16);
    w.Verbatim(Literals("abababab"));
    w.Verbatim({Lit('c'), Match(8, 9), Lit('d')});
    w.Aligned({Match(20, 10), Lit('e')});
    w.Verbatim(Literals("ab"));
    std::vector<unsigned char> out;
    ASSERT_EQ(LZX_OK, Decode(16, w.Finish(), (uint32_t)w.Expected().size(), &out));
    EXPECT_EQ("abababab"
              "c"
              "abababab"
              "d"
              "cababababdcababababd"
              "e"
              "ab",
              Text(out));
}

// ---- the window ----

TEST(LzxWindow, SectionLongerThanTheWindowResetsEachTimeItFills) {
    const int bits = 15;
    LzxWriter w(bits);
    std::vector<unsigned char> data = RandomBytes(32768 * 3 + 12000, 11);
    size_t at = 0;
    for (int fill = 0; fill < 4; fill++) {
        // each fill: literals, a match right after the reset through R0 = 1, more literals, a match
        std::vector<LzxToken> first = {Lit(data[at]), Repeat(3, 0)};
        for (int i = 0; i < 10000; i++)
            first.push_back(Lit(data[at + 1 + i]));
        w.Verbatim(first);
        size_t fillEnd = fill < 3 ? 32768 : 12000;
        std::vector<LzxToken> second;
        second.push_back(Match(50, 7000));
        for (size_t i = 10054; i < fillEnd; i++)
            second.push_back(Lit(data[at + i]));
        fill % 2 ? w.Aligned(second) : w.Verbatim(second);
        at += 32768;
    }
    std::vector<unsigned char> out;
    ASSERT_EQ(32768u * 3 + 12000, w.Expected().size());
    ASSERT_EQ(LZX_OK, Decode(bits, w.Finish(), (uint32_t)w.Expected().size(), &out));
    EXPECT_TRUE(out == w.Expected());
    EXPECT_EQ(out[32768], out[32769]); // R0 was 1 again after the reset
}

namespace {
// Literals up to just before 32 KB, a match from there, literals and a short match after it.
void MatchNear32K(int bits, uint32_t matchAt, uint32_t length, uint32_t offset) {
    LzxWriter w(bits);
    std::vector<unsigned char> data = RandomBytes(40000, 5);
    std::vector<LzxToken> tokens =
        LiteralTokens(std::vector<unsigned char>(data.begin(), data.begin() + matchAt));
    tokens.push_back(Match(length, offset));
    for (int i = 0; i < 100; i++)
        tokens.push_back(Lit(data[33000 + i]));
    tokens.push_back(Match(10, 3));
    w.Verbatim(tokens);
    std::vector<unsigned char> out;
    ASSERT_EQ(LZX_OK, Decode(bits, w.Finish(), (uint32_t)w.Expected().size(), &out));
    EXPECT_TRUE(out == w.Expected());
}
} // namespace

TEST(LzxWindow, RealignsAfterTheSymbolThatReaches32K) {
    MatchNear32K(16, 32760, 8, 1000);
}

TEST(LzxWindow, MatchCrossingA32KBoundaryDoesNotRealign) {
    MatchNear32K(17, 32760, 20, 3000);
}

TEST(LzxWindow, MatchReachingBeforeTheWindowStartWrapsToItsEnd) {
    LzxWriter w(15);
    std::vector<unsigned char> fill = RandomBytes(32768, 8);
    w.Verbatim(LiteralTokens(fill));
    w.Verbatim({Lit('a'), Lit('b'), Match(10, 100), Lit('c')});
    std::vector<unsigned char> out;
    ASSERT_EQ(LZX_OK, Decode(15, w.Finish(), (uint32_t)w.Expected().size(), &out));
    EXPECT_TRUE(out == w.Expected());
    EXPECT_TRUE(std::equal(out.begin() + 32770, out.begin() + 32780, fill.begin() + 32768 - 98));
}

TEST(LzxWindow, FirstFillReachesIntoThePreviousStreamsWindow) {
    LzxWriter a(15);
    std::vector<unsigned char> data = RandomBytes(40000, 9);
    a.Verbatim(LiteralTokens(std::vector<unsigned char>(data.begin(), data.begin() + 32768)));
    a.Verbatim(LiteralTokens(std::vector<unsigned char>(data.begin() + 32768, data.end())));
    State state;
    ASSERT_EQ(LZX_OK, Decode(15, a.Finish(), 40000, nullptr, &state));
    LzxWriter b(15);
    b.ModelWindow() = a.ModelWindow();
    b.Verbatim({Lit('x'), Match(30, 1000), Match(5, 32000)});
    std::vector<unsigned char> out;
    ASSERT_EQ(LZX_OK, Decode(15, b.Finish(), 36, &out, &state));
    EXPECT_TRUE(out == b.Expected());
}

TEST(LzxWindow, RepeatedOffsetsBeyondTheWindowWrapInsideIt) {
    // Only an uncompressed block's header can set offsets of a window or more.
    const uint32_t window = 1u << 15;
    LzxWriter w(15);
    w.Verbatim(LiteralTokens(RandomBytes(window, 10)));
    w.Uncompressed(RandomBytes(200, 10), window * 3 + 150, window * 5 + 7, 0xFFFF0000u + 20);
    w.Verbatim({Repeat(40, 0), Repeat(10, 1), Repeat(5, 2)});
    w.Uncompressed(RandomBytes(10, 11), 0, window, window * 7); // all three mean one window back
    w.Verbatim({Repeat(5, 0), Repeat(5, 1), Repeat(5, 2)});
    std::vector<unsigned char> out;
    ASSERT_EQ(LZX_OK, Decode(15, w.Finish(), (uint32_t)w.Expected().size(), &out));
    EXPECT_TRUE(out == w.Expected());
    EXPECT_TRUE(
        std::equal(out.begin() + window + 200, out.begin() + window + 240, out.begin() + window + 50));
    const uint32_t at = window + 255;
    EXPECT_TRUE(std::equal(out.begin() + at + 10, out.begin() + at + 25, out.begin() + at + 10 - window));
}

TEST(LzxWindow, BlockLongerThanTheWindowsRoomIsCode1) {
    LzxWriter w(15);
    w.Verbatim(LiteralTokens(RandomBytes(10000, 12)));
    LzxWriter::BlockOptions options;
    options.blockLength = 30000; // 10000 + 30000 > 32768
    w.Verbatim(LiteralTokens(RandomBytes(30000, 13)), options);
    EXPECT_EQ(LZX_WINDOW_OVERRUN, Decode(15, w.Finish(), 40000));

    LzxWriter u(15);
    u.Uncompressed(RandomBytes(40000, 14), 1, 1, 1);
    EXPECT_EQ(LZX_WINDOW_OVERRUN, Decode(15, u.Finish(), 40000));
}

TEST(LzxWindow, StopsExactlyAtTheRequestedLengthInsideABlock) {
    LzxWriter w(16);
    std::vector<LzxToken> tokens = Literals("0123456789");
    tokens.push_back(Match(200, 10)); // the requested end cuts this match
    for (int i = 0; i < 50; i++)
        tokens.push_back(Lit('z'));
    w.Verbatim(tokens);
    std::vector<unsigned char> bytes = w.Finish();
    for (uint32_t length : {1u, 10u, 11u, 105u, 210u, 211u, 260u}) {
        std::vector<unsigned char> out;
        ASSERT_EQ(LZX_OK, Decode(16, bytes, length, &out)) << length;
        EXPECT_TRUE(std::equal(out.begin(), out.end(), w.Expected().begin())) << length;
    }
    EXPECT_EQ(LZX_BAD_DATA, Decode(16, bytes, 261)); // past the block: no further block header
}

TEST(LzxWindow, MatchAcrossABlocksEndIsInvalid) {
    LzxWriter w(16);
    LzxWriter::BlockOptions options;
    options.blockLength = 5;
    w.Verbatim({Lit('a'), Lit('b'), Match(5, 2)}, options);
    w.Verbatim(Literals("cd"));
    EXPECT_EQ(LZX_BAD_DATA, Decode(16, w.Finish(), 7)); // cutting the match would decode 5 + "cd"
}

// ---- E8 call translation ----

namespace {
// E8 operands at chosen places of a run of filler bytes.
std::vector<unsigned char> WithCalls(size_t size, const std::vector<std::pair<size_t, uint32_t>>& calls) {
    std::vector<unsigned char> v(size, 0x90);
    for (auto& c : calls) {
        v[c.first] = 0xE8;
        PutLE32(v, c.first + 1, c.second);
    }
    return v;
}
} // namespace

TEST(LzxE8, TranslatesCallsInRangeAndLeavesOthers) {
    std::vector<unsigned char> data =
        WithCalls(80, {{20, 100}, {30, (uint32_t)-5}, {40, 2000}, {50, (uint32_t)-100}, {72, 7}});
    for (bool uncompressed : {true, false}) {
        LzxWriter w(16);
        w.E8FileSize(1000);
        uncompressed ? w.Uncompressed(data, 1, 1, 1) : w.Verbatim(LiteralTokens(data));
        std::vector<unsigned char> out;
        ASSERT_EQ(LZX_OK, Decode(16, w.Finish(), 80, &out));
        EXPECT_EQ(80u, GetLE32(out, 21));            // 100 - 20
        EXPECT_EQ(995u, GetLE32(out, 31));           // -5 + 1000
        EXPECT_EQ(2000u, GetLE32(out, 41));          // not below the file size
        EXPECT_EQ((uint32_t)-100, GetLE32(out, 51)); // before the stream's start
        EXPECT_EQ(7u, GetLE32(out, 73));             // in the last 10 bytes
        EXPECT_EQ(0x90, out[0]);
    }
}

TEST(LzxE8, NoTranslationWithFileSizeZero) {
    std::vector<unsigned char> data = WithCalls(64, {{5, 10}, {20, 3}});
    LzxWriter w(16);
    w.Uncompressed(data, 1, 1, 1);
    std::vector<unsigned char> out;
    ASSERT_EQ(LZX_OK, Decode(16, w.Finish(), 64, &out));
    EXPECT_TRUE(out == data);
}

TEST(LzxE8, EachFrameKeepsItsLast10BytesAndCountsFromTheStreamStart) {
    std::vector<unsigned char> data =
        WithCalls(40000, {{32768 - 8, 50000}, {32768 - 15, 50000}, {32768 + 3, 50000}, {39000, 40000}});
    LzxWriter w(16);
    w.E8FileSize(60000);
    w.Uncompressed(std::vector<unsigned char>(data.begin(), data.begin() + 20000), 1, 1, 1);
    w.Verbatim(LiteralTokens(std::vector<unsigned char>(data.begin() + 20000, data.end())));
    std::vector<unsigned char> out;
    ASSERT_EQ(LZX_OK, Decode(16, w.Finish(), 40000, &out));
    EXPECT_EQ(50000u, GetLE32(out, 32768 - 7));
    EXPECT_EQ(50000u - (32768 - 15), GetLE32(out, 32768 - 14));
    EXPECT_EQ(50000u - (32768 + 3), GetLE32(out, 32768 + 4));
    EXPECT_EQ(1000u, GetLE32(out, 39001));
}

TEST(LzxE8, FileSizeOfEachWindowFillComesFromItsOwnHeader) {
    const int bits = 15;
    std::vector<unsigned char> data =
        WithCalls(32768 * 3, {{100, 3000}, {32768 + 100, 3000}, {65536 + 100, 3000}});
    LzxWriter w(bits);
    w.E8FileSize(1000); // fill 0: 3000 is out of range
    w.Uncompressed(std::vector<unsigned char>(data.begin(), data.begin() + 32768), 1, 1, 1);
    w.E8FileSize(5000); // fill 1
    w.Uncompressed(std::vector<unsigned char>(data.begin() + 32768, data.begin() + 65536), 1, 1, 1);
    w.E8FileSize(0); // fill 2: no translation
    w.Verbatim(LiteralTokens(std::vector<unsigned char>(data.begin() + 65536, data.end())));
    std::vector<unsigned char> out;
    ASSERT_EQ(LZX_OK, Decode(bits, w.Finish(), (uint32_t)data.size(), &out));
    EXPECT_EQ(3000u, GetLE32(out, 101));
    EXPECT_EQ(3000u - (32768 + 100), GetLE32(out, 32768 + 101));
    EXPECT_EQ(3000u, GetLE32(out, 65536 + 101));
}

TEST(LzxE8, MatchesCopyCallsBeforeTranslation) {
    // A call in fill 0 is copied into fill 1, and that copy into fill 2: each copy is translated
    // for its own place, so every match must have read untranslated bytes.
    const int bits = 15;
    std::vector<unsigned char> data = WithCalls(32768, {{32000, 100000}});
    LzxWriter w(bits);
    w.E8FileSize(200000);
    w.Verbatim(LiteralTokens(data));
    std::vector<LzxToken> fill1 = LiteralTokens(RandomBytes(100, 15));
    fill1.push_back(Match(30, 32768 + 100 - 31990)); // bytes 31990..32019 to 32868..
    fill1.push_back(Lit(1));
    for (unsigned char b : RandomBytes(32768 - 131, 16))
        fill1.push_back(Lit(b));
    w.Verbatim(fill1);
    std::vector<LzxToken> fill2 = LiteralTokens(RandomBytes(50, 17));
    fill2.push_back(Match(30, 65536 + 50 - 32868)); // that copy to 65586..
    fill2.push_back(Match(30, 65536 + 80 - 32868)); // and again, by bytes of this fill's past
    for (int i = 0; i < 40; i++)
        fill2.push_back(Lit('.'));
    w.Verbatim(fill2);
    std::vector<unsigned char> out;
    ASSERT_EQ(65536u + 150, w.Expected().size());
    ASSERT_EQ(LZX_OK, Decode(bits, w.Finish(), 65536 + 150, &out));
    EXPECT_EQ(100000u - 32000, GetLE32(out, 32001));
    EXPECT_EQ(100000u - 32878, GetLE32(out, 32879));
    EXPECT_EQ(100000u - 65596, GetLE32(out, 65597));
    EXPECT_EQ(100000u - 65626, GetLE32(out, 65627));
}

TEST(LzxE8, FileSizeWithTheHighBitSetIsBadData) {
    // Decoders disagree on its sign (and so on the bytes); the format's own refuse it.
    for (uint32_t size : {0x80000000u, 0xFFFFFFFFu, 0x7FFFFFFFu}) {
        LzxWriter w(16);
        w.E8FileSize(size);
        w.Uncompressed(WithCalls(64, {{5, 10}}), 1, 1, 1);
        EXPECT_EQ(size & 0x80000000u ? LZX_BAD_DATA : LZX_OK, Decode(16, w.Finish(), 64)) << size;
    }
}

// ---- several calls, and spans from a reset point ----

namespace {
// Three 32 KB windows, each restarting: literals and matches inside their own window.
LzxWriter ThreeWindows() {
    LzxWriter w(15);
    std::vector<unsigned char> data = RandomBytes(3 * 32768, 50);
    for (int k = 0; k < 3; k++) {
        std::vector<LzxToken> tokens;
        for (uint32_t i = 0; i < 32768;) {
            if (i >= 100 && i % 7 == 0 && i + 20 <= 32768) {
                tokens.push_back(Match(20, 1 + i % 90));
                i += 20;
            } else {
                tokens.push_back(Lit(data[k * 32768 + i]));
                i++;
            }
        }
        k == 1 ? w.Aligned(tokens) : w.Verbatim(tokens);
    }
    return w;
}
} // namespace

TEST(LzxStream, CallsThatContinueAStreamGiveTheBytesOfOne) {
    LzxWriter w = ThreeWindows();
    std::vector<unsigned char> stream = w.Finish();
    for (uint32_t cut : {1u, 100u, 32768u, 40000u, 65536u, 98303u}) {
        State state;
        ASSERT_EQ(LZX_OK, LzxInit(&state, 15));
        std::vector<unsigned char> out(3 * 32768);
        ASSERT_EQ(LZX_OK, LzxDecompress(&state, stream.data(), out.data(), (uint32_t)stream.size(), cut))
            << cut;
        uint32_t used = state.s.inputUsed;
        ASSERT_LE(used, stream.size());
        ASSERT_EQ(LZX_OK, LzxDecompress(&state, stream.data() + used, out.data() + cut,
                                        (uint32_t)(stream.size() - used), (uint32_t)out.size() - cut))
            << cut;
        EXPECT_TRUE(out == w.Expected()) << cut;
    }
}

TEST(LzxSpan, FromEachResetPointASpanGivesTheBytesOfTheWholeStream) {
    LzxWriter w = ThreeWindows();
    std::vector<unsigned char> stream = w.Finish();
    const std::vector<uint64_t>& frames = w.FrameStarts();
    ASSERT_EQ(frames.size(), 4u); // three windows and the end
    State state;
    for (uint32_t k = 0; k < 3; k++) {
        uint32_t from = (uint32_t)frames[k], to = (uint32_t)frames[k + 1];
        std::vector<unsigned char> input(stream.begin() + from, stream.begin() + to), out(32768);
        ASSERT_EQ(LZX_OK,
                  LzxDecodeSpan(&state, 15, k * 32768, input.data(), to - from, out.data(), 32768, k < 2))
            << k;
        EXPECT_TRUE(std::equal(out.begin(), out.end(), w.Expected().begin() + k * 32768)) << k;
        EXPECT_EQ(state.s.streamOffset, to - from) << k; // where the next span's input begins
        EXPECT_EQ(state.s.window, nullptr);              // a span keeps no window
    }
    // Two windows in one span reset between them as the whole stream does.
    std::vector<unsigned char> out(2 * 32768);
    ASSERT_EQ(LZX_OK, LzxDecodeSpan(&state, 15, 32768, stream.data() + frames[1],
                                    (uint32_t)(stream.size() - frames[1]), out.data(), 2 * 32768, false));
    EXPECT_TRUE(std::equal(out.begin(), out.end(), w.Expected().begin() + 32768));
}

TEST(LzxSpan, NothingBeforeASpanNorPastItsResetIsKnown) {
    // A match into the previous window: the whole stream reads it, a span from the reset cannot.
    LzxWriter w(15);
    std::vector<unsigned char> data = RandomBytes(32768, 60);
    w.Verbatim(LiteralTokens(data));
    w.Verbatim({Lit('a'), Match(30, 1000), Lit('b')});
    std::vector<unsigned char> stream = w.Finish();
    ASSERT_EQ(LZX_OK, Decode(15, stream, 32768 + 32));
    uint32_t from = (uint32_t)w.FrameStarts()[1];
    std::vector<unsigned char> out(32);
    State state;
    EXPECT_EQ(LZX_BAD_DATA, LzxDecodeSpan(&state, 15, 32768, stream.data() + from,
                                          (uint32_t)stream.size() - from, out.data(), 32, false));

    // A span that should end where the stream resets, but whose block runs on, or whose last
    // match does.
    LzxWriter v(16);
    v.Verbatim(LiteralTokens(RandomBytes(40000, 61)));
    stream = v.Finish();
    out.resize(32768);
    EXPECT_EQ(LZX_BAD_DATA,
              LzxDecodeSpan(&state, 16, 0, stream.data(), (uint32_t)stream.size(), out.data(), 32768, true));
    EXPECT_EQ(LZX_OK,
              LzxDecodeSpan(&state, 16, 0, stream.data(), (uint32_t)stream.size(), out.data(), 32768, false));
    LzxWriter m(16);
    LzxWriter::BlockOptions options;
    options.blockLength = 20;
    m.Verbatim({Lit('a'), Lit('b'), Match(18, 2)}, options);
    stream = m.Finish();
    out.resize(10);
    EXPECT_EQ(LZX_BAD_DATA,
              LzxDecodeSpan(&state, 16, 0, stream.data(), (uint32_t)stream.size(), out.data(), 10, true));
    EXPECT_EQ(LZX_OK,
              LzxDecodeSpan(&state, 16, 0, stream.data(), (uint32_t)stream.size(), out.data(), 10, false));
    EXPECT_EQ(LZX_BAD_WINDOW_BITS, LzxDecodeSpan(&state, 22, 0, stream.data(), 4, out.data(), 10, false));
    EXPECT_EQ(LZX_NOT_STARTED, LzxDecompress(&state, stream.data(), out.data(), 4, 10)); // a span is one call
}

TEST(LzxSpan, E8TranslationCountsFromTheSectionsStart) {
    // The same bytes at section offset 65536 translate as they do in the whole stream.
    std::vector<unsigned char> data = WithCalls(32768, {{100, 70000}, {200, 65636}});
    LzxWriter w(15);
    w.E8FileSize(100000);
    w.Verbatim(LiteralTokens(RandomBytes(32768, 62)));
    w.Verbatim(LiteralTokens(RandomBytes(32768, 63)));
    w.Uncompressed(data, 1, 1, 1);
    std::vector<unsigned char> stream = w.Finish(), whole;
    ASSERT_EQ(LZX_OK, Decode(15, stream, 3 * 32768, &whole));
    uint32_t from = (uint32_t)w.FrameStarts()[2];
    std::vector<unsigned char> out(32768);
    State state;
    ASSERT_EQ(LZX_OK, LzxDecodeSpan(&state, 15, 65536, stream.data() + from, (uint32_t)stream.size() - from,
                                    out.data(), 32768, false));
    EXPECT_TRUE(std::equal(out.begin(), out.end(), whole.begin() + 65536));
    EXPECT_EQ(70000u - 65636, GetLE32(out, 101));
}

// ---- bad input ----

namespace {
std::vector<unsigned char> MixedStream(LzxWriter& w) {
    w.E8FileSize(12345);
    w.Uncompressed(Bytes("odd"), 1, 2, 3);
    std::vector<unsigned char> main(LZX_MAIN_SYMBOLS, 0);
    const char* letters = "abcdefghijklmnop";
    for (unsigned i = 0; i < 16; i++)
        main[(unsigned char)letters[i]] = (unsigned char)(i + 1);
    main[256 + 8 * 5 + 7] = 16; // a match, slot 5, through the length tree
    LzxWriter::BlockOptions options;
    options.mainLengths = main;
    w.Verbatim({Lit('a'), Lit('p'), Match(20, 5), Lit('c')}, options);
    w.Aligned({Lit('q'), Match(11, 20), Repeat(4, 1), Lit(0xE8), Lit('z')});
    return w.Finish();
}
} // namespace

TEST(LzxBadInput, TruncatedAtEveryByteGivesGoodBytesOrCode2) {
    LzxWriter w(16);
    std::vector<unsigned char> full = MixedStream(w);
    const uint32_t length = (uint32_t)w.Expected().size();
    std::vector<unsigned char> out;
    ASSERT_EQ(LZX_OK, Decode(16, full, length, &out));
    ASSERT_TRUE(out == w.Expected());
    for (size_t n = 0; n < full.size(); n++) {
        std::vector<unsigned char> cut(full.begin(), full.begin() + n);
        int rc = Decode(16, cut, length, &out);
        ASSERT_TRUE(rc == LZX_OK || rc == LZX_BAD_DATA) << n << " " << rc;
        if (rc == LZX_OK) {
            EXPECT_TRUE(out == w.Expected()) << n;
        }
    }
}

TEST(LzxBadInput, BlockTypesOutside1To3AreInvalid) {
    for (unsigned type : {0u, 4u, 5u, 6u, 7u}) {
        LzxWriter w(15);
        w.BlockHeader(type, 100);
        w.Bits(0xFFFF, 16);
        EXPECT_EQ(LZX_BAD_DATA, Decode(15, w.Finish(), 100)) << type;
    }
}

TEST(LzxBadInput, LongOutputFromAShortInputFailsWithoutRunningOn) {
    LzxWriter w(21);
    LzxWriter::BlockOptions options;
    options.blockLength = 1u << 21;
    w.Verbatim(Literals("abcd"), options);
    EXPECT_EQ(LZX_BAD_DATA, Decode(21, w.Finish(), 1u << 21));
}

TEST(LzxBadInput, EmptyAndMissingBlocks) {
    EXPECT_EQ(LZX_OK, Decode(15, {}, 0));
    EXPECT_EQ(LZX_BAD_DATA, Decode(15, {}, 10));
    State state;
    ASSERT_EQ(LZX_OK, LzxInit(&state, 15));
    EXPECT_EQ(LZX_BAD_DATA, LzxDecompress(&state, nullptr, nullptr, 0, 10));
}

TEST(LzxBadInput, RandomBytesNeverEscapeTheirBlocks) {
    std::mt19937 rng(42);
    for (int i = 0; i < 3000; i++) {
        std::vector<unsigned char> in = RandomBytes(rng() % 300, (unsigned)rng());
        int bits = 15 + (int)(rng() % 7);
        int rc = Decode(bits, in, static_cast<uint32_t>(rng() % 70000));
        ASSERT_TRUE(rc == LZX_OK || rc == LZX_WINDOW_OVERRUN || rc == LZX_BAD_DATA) << i;
    }
}
