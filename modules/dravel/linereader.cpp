// Buffered line reader: the block is refilled only when a line runs past it, and the file is
// sought only when the wanted offset is not where the file already stands.
#include "linereader.h"

#include <string.h>

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
#define LINE_END_DISPATCH 1
#include <immintrin.h>
#else
#define LINE_END_DISPATCH 0
#endif

#include <new>

namespace dravel {

namespace {

// First CR or LF in [p, end), or end. A pass over a dictionary is mostly this search, so on x86
// it compares 64 bytes at a time with the widest vectors the processor has (chosen once, at
// start), and 8 bytes at a time elsewhere.
const char* FindLineEndBytes(const char* p, const char* end) {
    const uint64_t ones = 0x0101010101010101ull, highs = 0x8080808080808080ull;
    while (end - p >= 8) {
        uint64_t x;
        memcpy(&x, p, 8);
        uint64_t a = x ^ (ones * '\r'), b = x ^ (ones * '\n');
        if (((a - ones) & ~a & highs) | ((b - ones) & ~b & highs)) break;
        p += 8;
    }
    while (p < end) {
        unsigned char c = (unsigned char)*p;
        if (c <= '\r' && (c == '\r' || c == '\n')) return p;
        ++p;
    }
    return end;
}

#if LINE_END_DISPATCH
__attribute__((target("sse2"))) const char* FindLineEndSse2(const char* p, const char* end) {
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    while (end - p >= 64) {
        __m128i ha = _mm_loadu_si128((const __m128i*)p);
        __m128i hb = _mm_loadu_si128((const __m128i*)(p + 16));
        __m128i hc = _mm_loadu_si128((const __m128i*)(p + 32));
        __m128i hd = _mm_loadu_si128((const __m128i*)(p + 48));
        ha = _mm_or_si128(_mm_cmpeq_epi8(ha, cr), _mm_cmpeq_epi8(ha, lf));
        hb = _mm_or_si128(_mm_cmpeq_epi8(hb, cr), _mm_cmpeq_epi8(hb, lf));
        hc = _mm_or_si128(_mm_cmpeq_epi8(hc, cr), _mm_cmpeq_epi8(hc, lf));
        hd = _mm_or_si128(_mm_cmpeq_epi8(hd, cr), _mm_cmpeq_epi8(hd, lf));
        if (_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(ha, hb), _mm_or_si128(hc, hd)))) {
            uint64_t mask = (uint64_t)(unsigned)_mm_movemask_epi8(ha) |
                            (uint64_t)(unsigned)_mm_movemask_epi8(hb) << 16 |
                            (uint64_t)(unsigned)_mm_movemask_epi8(hc) << 32 |
                            (uint64_t)(unsigned)_mm_movemask_epi8(hd) << 48;
            return p + __builtin_ctzll(mask);
        }
        p += 64;
    }
    return FindLineEndBytes(p, end);
}

__attribute__((target("avx2"))) const char* FindLineEndAvx2(const char* p, const char* end) {
    const __m256i cr = _mm256_set1_epi8('\r');
    const __m256i lf = _mm256_set1_epi8('\n');
    while (end - p >= 64) {
        __m256i ha = _mm256_loadu_si256((const __m256i*)p);
        __m256i hb = _mm256_loadu_si256((const __m256i*)(p + 32));
        ha = _mm256_or_si256(_mm256_cmpeq_epi8(ha, cr), _mm256_cmpeq_epi8(ha, lf));
        hb = _mm256_or_si256(_mm256_cmpeq_epi8(hb, cr), _mm256_cmpeq_epi8(hb, lf));
        __m256i any = _mm256_or_si256(ha, hb);
        if (!_mm256_testz_si256(any, any)) {
            uint64_t mask = (uint64_t)(uint32_t)_mm256_movemask_epi8(ha) |
                            (uint64_t)(uint32_t)_mm256_movemask_epi8(hb) << 32;
            return p + __builtin_ctzll(mask);
        }
        p += 64;
    }
    return FindLineEndBytes(p, end);
}

typedef const char* (*LineEndFinder)(const char*, const char*);

LineEndFinder ChooseLineEndFinder() {
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2")) return FindLineEndAvx2;
    if (__builtin_cpu_supports("sse2")) return FindLineEndSse2;
    return FindLineEndBytes;
}

const LineEndFinder FindLineEnd = ChooseLineEndFinder();
#else
const char* FindLineEnd(const char* p, const char* end) {
    return FindLineEndBytes(p, end);
}
#endif

struct BufferSink {
    char* out;
    size_t cap;
    size_t stored = 0;
    void Add(const char* p, size_t n) {
        size_t room = cap - stored;
        if (n > room) n = room;
        if (n <= 8) {
            for (size_t i = 0; i < n; ++i)
                out[stored + i] = p[i];
        } else {
            memcpy(out + stored, p, n);
        }
        stored += n;
    }
};

struct StringSink {
    std::string* out;
    size_t limit;
    bool full = false; // the string could not grow
    void Add(const char* p, size_t n) {
        size_t room = limit - out->size();
        if (n > room) n = room;
        if (n == 0 || full) return;
        try {
            out->append(p, n);
        } catch (const std::bad_alloc&) {
            full = true;
        }
    }
};

} // namespace

LineEndSearch LineEndSearchVariant(int which) {
    if (which == 0) return FindLineEndBytes;
#if LINE_END_DISPATCH
    __builtin_cpu_init();
    if (which == 1 && __builtin_cpu_supports("sse2")) return FindLineEndSse2;
    if (which == 2 && __builtin_cpu_supports("avx2")) return FindLineEndAvx2;
#endif
    return nullptr;
}

LineReader::LineReader(File& file) : file_(file), block_(new (std::nothrow) char[BlockSize]) {}

LineReader::~LineReader() {
    delete[] block_;
}

void LineReader::Reset() {
    blockStart_ = 0;
    blockLength_ = 0;
    filePos_ = -1;
    pos_ = 0;
    failed_ = false;
}

void LineReader::Seek(int64_t offset) {
    pos_ = offset < 0 ? 0 : offset;
}

bool LineReader::Fill() {
    if (pos_ >= blockStart_ && pos_ - blockStart_ < blockLength_) return true;
    if (failed_) return false;
    if (!block_) {
        failed_ = true;
        return false;
    }
    if (filePos_ != pos_) {
        if (!file_.Seek(pos_)) {
            failed_ = true;
            return false;
        }
        filePos_ = pos_;
    }
    int got = file_.Read(block_, BlockSize);
    if (got < 0) {
        failed_ = true;
        filePos_ = -1;
        return false;
    }
    blockStart_ = pos_;
    blockLength_ = got;
    filePos_ = pos_ + got;
    return got > 0;
}

template <class Sink> bool LineReader::Next(Sink& sink, int64_t* length) {
    int64_t whole = 0;
    bool any = false;
    for (;;) {
        bool inBlock = pos_ >= blockStart_ && pos_ - blockStart_ < blockLength_;
        if (!inBlock && !Fill()) {
            if (failed_ || !any) return false;
            break; // the file ends without a line end
        }
        const char* p = block_ + (pos_ - blockStart_);
        const char* end = block_ + blockLength_;
        const char* q = FindLineEnd(p, end);
        sink.Add(p, (size_t)(q - p));
        whole += q - p;
        pos_ += q - p;
        any = true;
        if (q == end) continue;
        char other = *q == '\r' ? '\n' : '\r';
        ++pos_;
        unsigned char next;
        if (q + 1 < end) {
            if (q[1] == other) ++pos_;
        } else if (ByteAt(pos_, &next) && next == other) {
            ++pos_;
        }
        if (failed_) return false;
        break;
    }
    if (length) *length = whole;
    return true;
}

bool LineReader::ReadLine(char* out, size_t cap, size_t* stored, int64_t* length) {
    BufferSink sink{out, cap};
    bool ok = Next(sink, length);
    if (!ok) sink.stored = 0;
    out[sink.stored] = '\0';
    *stored = sink.stored;
    return ok;
}

bool LineReader::ReadLine(std::string* out, size_t limit, int64_t* length) {
    out->clear();
    StringSink sink{out, limit};
    bool ok = Next(sink, length);
    if (!ok) out->clear();
    return ok;
}

bool LineReader::ByteAt(int64_t offset, unsigned char* byte) {
    if (offset < 0) return false;
    int64_t saved = pos_;
    pos_ = offset;
    bool ok = Fill();
    if (ok) *byte = (unsigned char)block_[offset - blockStart_];
    pos_ = saved;
    return ok;
}

int LineReader::ReadAt(int64_t offset, char* buffer, int size) {
    if (offset < 0 || size < 0) return -1;
    if (offset >= blockStart_ && size <= blockLength_ && offset - blockStart_ <= blockLength_ - size) {
        memcpy(buffer, block_ + (offset - blockStart_), (size_t)size);
        return size;
    }
    if (!file_.Seek(offset)) {
        filePos_ = -1;
        return -1;
    }
    int got = file_.Read(buffer, size);
    filePos_ = got < 0 ? -1 : offset + got;
    return got;
}

} // namespace dravel
