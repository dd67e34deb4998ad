// Buffered line reader: the block is refilled only when a line runs past it, and the file is
// sought only when the wanted offset is not where the file already stands.
#include "linereader.h"

#include <string.h>

#include <new>

namespace dravel {

namespace {

// First CR or LF in [p, end), or end.
const char* FindLineEnd(const char* p, const char* end) {
    while (p < end) {
        unsigned char c = (unsigned char)*p;
        if (c <= '\r' && (c == '\r' || c == '\n')) return p;
        ++p;
    }
    return end;
}

struct BufferSink {
    char* out;
    size_t cap;
    size_t stored = 0;
    void Add(const char* p, size_t n) {
        size_t room = cap - stored;
        if (n > room) n = room;
        memcpy(out + stored, p, n);
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
        if (!Fill()) {
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

} // namespace dravel
