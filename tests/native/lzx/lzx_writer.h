// Test-only LZX stream writer: builds compressed streams by construction (chosen blocks, trees and
// tokens) and keeps the bytes a decoder must produce from them, computed byte by byte through a
// plain window model.
#pragma once

#include <stdint.h>

#include <vector>

// One decoded item: a literal byte, or a match of length bytes. offsetField is 0..2 for the repeated
// offsets R0..R2, or offset + 2 for an explicit offset.
struct LzxToken {
    uint32_t length; // 0 for a literal
    unsigned char literal;
    uint32_t offsetField;
};

inline LzxToken Lit(unsigned char c) {
    return LzxToken{0, c, 0};
}
inline LzxToken Match(uint32_t length, uint32_t offset) {
    return LzxToken{length, 0, offset + 2};
}
inline LzxToken Repeat(uint32_t length, unsigned which) {
    return LzxToken{length, 0, which};
}
std::vector<LzxToken> Literals(const char* text);

// One pretree item of a code-length range: a delta symbol 0..16, or a run 17/18/19.
struct PretreeItem {
    unsigned symbol; // 0..19
    unsigned count;  // run length for 17 (4..19), 18 (20..51), 19 (4..5)
    unsigned delta;  // the delta symbol that follows 19
};

// Code lengths for the given used symbols that fill the code space exactly (short codes first).
std::vector<unsigned char> CompleteLengths(unsigned symbolCount, const std::vector<unsigned>& used);

// Choices for one compressed block; empty means derived from the tokens.
struct LzxBlockOptions {
    uint32_t blockLength = 0xFFFFFFFF;      // default: the tokens' total length
    std::vector<unsigned char> mainLengths; // default: CompleteLengths of the used symbols
    std::vector<unsigned char> lengthLengths;
    std::vector<unsigned char> alignedLengths; // 8 values 0..7
};

class LzxWriter {
  public:
    using BlockOptions = LzxBlockOptions;

    explicit LzxWriter(int windowBits);

    // Raw bit and byte output.
    void Bits(uint32_t value, unsigned n); // most significant first, n <= 32
    void AlignWord();                      // zero bits up to the next 16-bit boundary
    void RawByte(unsigned char b);         // only at a word boundary
    uint64_t BitPosition() const { return bytes_.size() * 8 + pending_; }

    // Pieces of a block.
    void E8FileSize(uint32_t size) { e8FileSize_ = size; } // used by every E8 header written
    void BlockHeader(unsigned type, uint32_t length);      // E8 header first when one is due
    void PretreeRange(const std::vector<unsigned char>& pretreeLengths,
                      const std::vector<PretreeItem>& items);
    // Plain deltas from old to now over [first, last), through a fixed complete pretree.
    void DeltaRange(const unsigned char* old, const unsigned char* now, unsigned first, unsigned last);

    // Whole blocks; each updates the expected output.
    void Verbatim(const std::vector<LzxToken>& tokens, const BlockOptions& options = BlockOptions());
    void Aligned(const std::vector<LzxToken>& tokens, const BlockOptions& options = BlockOptions());
    void Uncompressed(const std::vector<unsigned char>& data, uint32_t r0, uint32_t r1, uint32_t r2,
                      uint32_t blockLength = 0xFFFFFFFF);

    std::vector<unsigned char> Finish(); // flushes the last partial word
    const std::vector<unsigned char>& Expected() const { return expected_; }
    // The stream offset of every 32 KB frame's first bit so far (frame 0 at 0), as a reset table
    // lists them; a frame that ends an odd uncompressed block starts after its padding byte.
    const std::vector<uint64_t>& FrameStarts() const { return frameStarts_; }
    std::vector<unsigned char>& ModelWindow() { return window_; } // what the window holds before the stream
    uint32_t MainSymbols() const { return mainSymbols_; }

  private:
    void Compressed(unsigned type, const std::vector<LzxToken>& tokens, const BlockOptions& options);
    void StartBlock();
    void Code(const std::vector<unsigned char>& lengths, unsigned symbol);
    void Emit(unsigned char b);
    void ModelToken(const LzxToken& t);

    std::vector<unsigned char> bytes_;
    uint32_t word_ = 0;
    unsigned pending_ = 0; // bits in word_
    uint32_t windowSize_;
    unsigned mainSymbols_;
    uint32_t e8FileSize_ = 0;
    bool headerDue_ = true;
    uint64_t lastReset_ = 0;
    unsigned char mainOld_[656 + 64] = {};
    unsigned char lengthOld_[250 + 64] = {};
    // model
    uint64_t position_ = 0;
    uint32_t r_[3] = {1, 1, 1};
    std::vector<unsigned char> window_;
    std::vector<unsigned char> expected_;
    std::vector<uint64_t> frameStarts_ = {0};
};

// Reads the tree lengths of a decode table back as the symbol a code selects (test helper).
unsigned DecodeWithTable(const uint16_t* table, unsigned tableBits, unsigned symbols, uint32_t code,
                         unsigned codeLength);
// Canonical codes of a length set, as the writer uses them.
std::vector<uint32_t> CanonicalCodes(const std::vector<unsigned char>& lengths);
