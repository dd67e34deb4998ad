// Test-only LZX stream writer (see lzx_writer.h). Written from the format description, independently
// of the decoder: its own slot tables, canonical codes and a byte-by-byte window model.
#include "lzx_writer.h"

#include <algorithm>
#include <stdexcept>

namespace {

const unsigned kSlotsByBits[] = {30, 32, 34, 36, 38, 42, 50}; // window bits 15..21

struct SlotTables {
    unsigned extra[51];
    uint32_t base[52];
    SlotTables() {
        for (unsigned s = 0; s < 51; s++)
            extra[s] = s < 4 ? 0 : std::min(17u, (s - 2) / 2);
        base[0] = 0;
        for (unsigned s = 0; s < 51; s++)
            base[s + 1] = base[s] + (1u << extra[s]);
    }
    unsigned SlotOf(uint32_t offsetField) const { // offsetField >= 3
        unsigned s = 3;
        while (s < 50 && base[s + 1] <= offsetField)
            s++;
        return s;
    }
};
const SlotTables kSlots;

// A fixed complete pretree: symbols 0..11 of 4 bits, 12..19 of 5 bits.
std::vector<unsigned char> FixedPretree() {
    std::vector<unsigned char> lengths(20);
    for (unsigned i = 0; i < 20; i++)
        lengths[i] = i < 12 ? 4 : 5;
    return lengths;
}

} // namespace

std::vector<LzxToken> Literals(const char* text) {
    std::vector<LzxToken> tokens;
    for (const char* p = text; *p; p++)
        tokens.push_back(Lit((unsigned char)*p));
    return tokens;
}

std::vector<unsigned char> CompleteLengths(unsigned symbolCount, const std::vector<unsigned>& used) {
    std::vector<unsigned> symbols(used);
    std::sort(symbols.begin(), symbols.end());
    symbols.erase(std::unique(symbols.begin(), symbols.end()), symbols.end());
    std::vector<unsigned char> lengths(symbolCount, 0);
    if (symbols.empty()) return lengths;
    if (symbols.size() == 1) symbols.push_back(symbols[0] == 0 ? 1 : 0); // a lone code still needs a partner
    std::sort(symbols.begin(), symbols.end());
    unsigned k = (unsigned)symbols.size(), bits = 0;
    while ((1u << bits) < k)
        bits++;
    unsigned shorter = (1u << bits) - k;
    for (unsigned i = 0; i < k; i++)
        lengths[symbols[i]] = (unsigned char)(i < shorter ? bits - 1 : bits);
    return lengths;
}

std::vector<uint32_t> CanonicalCodes(const std::vector<unsigned char>& lengths) {
    unsigned count[17] = {0};
    for (unsigned char l : lengths)
        count[l]++;
    count[0] = 0;
    uint32_t next[17] = {0}, code = 0;
    for (unsigned len = 1; len <= 16; len++) {
        code = (code + count[len - 1]) << 1;
        next[len] = code;
    }
    std::vector<uint32_t> codes(lengths.size(), 0);
    for (size_t s = 0; s < lengths.size(); s++)
        if (lengths[s]) codes[s] = next[lengths[s]]++;
    return codes;
}

unsigned DecodeWithTable(const uint16_t* table, unsigned tableBits, unsigned symbols, uint32_t code,
                         unsigned codeLength) {
    uint32_t buffer = code << (32 - codeLength);
    unsigned e = table[buffer >> (32 - tableBits)];
    for (unsigned bit = tableBits; e >= symbols; bit++) {
        if (e == 0xFFFF || bit >= 32) return 0xFFFF;
        e = table[(1u << tableBits) + 2 * (e - symbols) + ((buffer >> (31 - bit)) & 1)];
    }
    return e;
}

LzxWriter::LzxWriter(int windowBits)
    : windowSize_(1u << windowBits), mainSymbols_(256 + 8 * kSlotsByBits[windowBits - 15]),
      window_(windowSize_, 0) {}

void LzxWriter::Bits(uint32_t value, unsigned n) {
    for (unsigned i = n; i-- > 0;) {
        word_ = word_ << 1 | ((value >> i) & 1);
        if (++pending_ == 16) {
            bytes_.push_back((unsigned char)word_);
            bytes_.push_back((unsigned char)(word_ >> 8));
            word_ = 0;
            pending_ = 0;
        }
    }
}

void LzxWriter::AlignWord() {
    if (pending_) Bits(0, 16 - pending_);
}

void LzxWriter::RawByte(unsigned char b) {
    if (pending_) throw std::logic_error("raw byte inside a word");
    bytes_.push_back(b);
}

void LzxWriter::StartBlock() {
    if (position_ > 0 && position_ % windowSize_ == 0 && lastReset_ != position_) {
        lastReset_ = position_;
        headerDue_ = true;
        std::fill(std::begin(mainOld_), std::end(mainOld_), 0);
        std::fill(std::begin(lengthOld_), std::end(lengthOld_), 0);
        r_[0] = r_[1] = r_[2] = 1;
    }
    if (headerDue_) {
        headerDue_ = false;
        if (e8FileSize_) {
            Bits(1, 1);
            Bits(e8FileSize_ >> 16, 16);
            Bits(e8FileSize_ & 0xFFFF, 16);
        } else {
            Bits(0, 1);
        }
    }
}

void LzxWriter::BlockHeader(unsigned type, uint32_t length) {
    StartBlock();
    Bits(type, 3);
    Bits(length >> 8, 16);
    Bits(length & 0xFF, 8);
}

void LzxWriter::PretreeRange(const std::vector<unsigned char>& pretreeLengths,
                             const std::vector<PretreeItem>& items) {
    for (unsigned i = 0; i < 20; i++)
        Bits(pretreeLengths[i], 4);
    std::vector<uint32_t> codes = CanonicalCodes(pretreeLengths);
    auto code = [&](unsigned s) { Bits(codes[s], pretreeLengths[s]); };
    for (const PretreeItem& item : items) {
        code(item.symbol);
        if (item.symbol == 17) Bits(item.count - 4, 4);
        if (item.symbol == 18) Bits(item.count - 20, 5);
        if (item.symbol == 19) {
            Bits(item.count - 4, 1);
            code(item.delta);
        }
    }
}

void LzxWriter::DeltaRange(const unsigned char* old, const unsigned char* now, unsigned first,
                           unsigned last) {
    std::vector<PretreeItem> items;
    for (unsigned x = first; x < last; x++)
        items.push_back(PretreeItem{(old[x] + 17u - now[x]) % 17u, 0, 0});
    PretreeRange(FixedPretree(), items);
}

void LzxWriter::Emit(unsigned char b) {
    window_[static_cast<size_t>(position_ & (windowSize_ - 1))] = b;
    expected_.push_back(b);
    position_++;
}

void LzxWriter::ModelToken(const LzxToken& t) {
    if (t.length == 0) {
        Emit(t.literal);
        return;
    }
    uint32_t offset;
    if (t.offsetField == 0) {
        offset = r_[0];
    } else if (t.offsetField < 3) {
        offset = r_[t.offsetField];
        std::swap(r_[0], r_[t.offsetField]);
    } else {
        offset = t.offsetField - 2;
        r_[2] = r_[1];
        r_[1] = r_[0];
        r_[0] = offset;
    }
    for (uint32_t i = 0; i < t.length; i++)
        Emit(window_[static_cast<size_t>((position_ - offset) & (windowSize_ - 1))]);
}

void LzxWriter::Compressed(unsigned type, const std::vector<LzxToken>& tokens, const BlockOptions& options) {
    std::vector<unsigned> usedMain, usedLength, usedAligned;
    uint32_t total = 0;
    for (const LzxToken& t : tokens) {
        total += t.length ? t.length : 1;
        if (!t.length) {
            usedMain.push_back(t.literal);
            continue;
        }
        unsigned slot = t.offsetField < 3 ? t.offsetField : kSlots.SlotOf(t.offsetField);
        usedMain.push_back(256 + slot * 8 + std::min(t.length - 2, 7u));
        if (t.length - 2 >= 7) usedLength.push_back(t.length - 9);
        if (slot >= 3 && kSlots.extra[slot] >= 3)
            usedAligned.push_back((t.offsetField - kSlots.base[slot]) & 7);
    }
    std::vector<unsigned char> mainL =
        options.mainLengths.empty() ? CompleteLengths(mainSymbols_, usedMain) : options.mainLengths;
    std::vector<unsigned char> lengthL =
        options.lengthLengths.empty() ? CompleteLengths(250, usedLength) : options.lengthLengths;
    std::vector<unsigned char> alignedL = options.alignedLengths;
    if (alignedL.empty())
        alignedL = usedAligned.empty() ? std::vector<unsigned char>(8, 3) : CompleteLengths(8, usedAligned);
    mainL.resize(mainSymbols_);
    lengthL.resize(250);

    BlockHeader(type, options.blockLength == 0xFFFFFFFF ? total : options.blockLength);
    if (type == 2)
        for (unsigned i = 0; i < 8; i++)
            Bits(alignedL[i], 3);
    DeltaRange(mainOld_, mainL.data(), 0, 256);
    DeltaRange(mainOld_, mainL.data(), 256, mainSymbols_);
    std::copy(mainL.begin(), mainL.end(), mainOld_);
    DeltaRange(lengthOld_, lengthL.data(), 0, 249);
    std::copy(lengthL.begin(), lengthL.begin() + 249, lengthOld_);

    std::vector<uint32_t> mainCodes = CanonicalCodes(mainL), lengthCodes = CanonicalCodes(lengthL),
                          alignedCodes = CanonicalCodes(alignedL);
    for (const LzxToken& t : tokens) {
        if (!t.length) {
            Bits(mainCodes[t.literal], mainL[t.literal]);
        } else {
            unsigned slot = t.offsetField < 3 ? t.offsetField : kSlots.SlotOf(t.offsetField);
            unsigned symbol = 256 + slot * 8 + std::min(t.length - 2, 7u);
            Bits(mainCodes[symbol], mainL[symbol]);
            if (t.length - 2 >= 7) Bits(lengthCodes[t.length - 9], lengthL[t.length - 9]);
            if (slot >= 3) {
                unsigned e = kSlots.extra[slot];
                uint32_t v = t.offsetField - kSlots.base[slot];
                if (type == 2 && e >= 3) {
                    Bits(v >> 3, e - 3);
                    Bits(alignedCodes[v & 7], alignedL[v & 7]);
                } else {
                    Bits(v, e);
                }
            }
        }
        uint64_t before = position_;
        ModelToken(t);
        if (position_ % 32768 == 0) AlignWord();
        if (position_ / 32768 != before / 32768)
            frameStarts_.push_back(bytes_.size()); // mid-word when a match crossed it
    }
}

void LzxWriter::Verbatim(const std::vector<LzxToken>& tokens, const BlockOptions& options) {
    Compressed(1, tokens, options);
}

void LzxWriter::Aligned(const std::vector<LzxToken>& tokens, const BlockOptions& options) {
    Compressed(2, tokens, options);
}

void LzxWriter::Uncompressed(const std::vector<unsigned char>& data, uint32_t r0, uint32_t r1, uint32_t r2,
                             uint32_t blockLength) {
    uint32_t length = blockLength == 0xFFFFFFFF ? (uint32_t)data.size() : blockLength;
    BlockHeader(3, length);
    if (pending_ == 0)
        Bits(0, 16);
    else
        AlignWord();
    for (uint32_t r : {r0, r1, r2})
        for (unsigned i = 0; i < 4; i++)
            RawByte((unsigned char)(r >> (8 * i)));
    r_[0] = r0;
    r_[1] = r1;
    r_[2] = r2;
    for (unsigned char b : data) {
        RawByte(b);
        Emit(b);
        if (position_ % 32768 == 0) frameStarts_.push_back(bytes_.size());
    }
    if (data.size() == length && (length & 1)) {
        RawByte(0);
        if (position_ % 32768 == 0) frameStarts_.back() = bytes_.size();
    }
}

std::vector<unsigned char> LzxWriter::Finish() {
    AlignWord();
    return bytes_;
}
