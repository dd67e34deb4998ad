// Dictionary bodies: plain, dictzip, or any gzip.
//
// The dictzip form (RFC 1952 gzip with an extra subfield "RA": version 1, the text length of a
// chunk, the chunk count, then the deflate length of each chunk, all 16-bit little-endian) ends
// every chunk with a full flush, so each chunk inflates on its own, without the chunks before it.
// Decisions:
// - The header is checked where it is read: a subfield that runs past the extra field, a chunk
//   table longer than its subfield, a chunk count or chunk length of 0, or a chunk of 0 bytes is a
//   damaged body; a version other than 1 is one we do not read.
// - The text length is the trailer's ISIZE when the file is whole and ISIZE lies within the last
//   chunk, which the chunk table fixes (a table that lies about the chunks fails here); a file cut
//   short has no trailer, and its chunks are trusted as far as the file holds them: articles in the
//   chunks before the cut still read, an article in a missing or cut chunk is a damaged body.
// - A chunk must end with the full flush's mark (every writer of the form puts one there; the last
//   chunk may end the stream instead) and inflate to exactly its length (the last one to the rest
//   of the text), every byte of its deflate data used: a table whose lengths are shifted reads as a
//   damaged body, never as another article's text.
// - Texts of 4 GB or more are not read (the index offsets of a 32-bit program).
#include "body.h"

#include <string.h>

#include <new>

#include <zlib.h>

namespace dravel {

namespace {

enum : uint32_t {
    GzipFlagHeaderCrc = 0x02,
    GzipFlagExtra = 0x04,
    GzipFlagName = 0x08,
    GzipFlagComment = 0x10,
    GzipFlagsReserved = 0xE0,
    GzipTrailer = 8,           // CRC-32 and ISIZE
    GzipTextLimit = 64 * 1024, // the longest file name or comment in a header that is read
    BlockSize = 64 * 1024,     // input read at a time when inflating from the start
};

const int64_t TextLimit = 0xFFFFFFFFll; // texts of 4 GB or more are not read

uint32_t Le16(const unsigned char* p) {
    return (uint32_t)p[0] | (uint32_t)p[1] << 8;
}

uint32_t Le32(const unsigned char* p) {
    return Le16(p) | Le16(p + 2) << 16;
}

// Reads exactly size bytes at offset; false at the end of the file or on a failed read.
bool ReadExactly(File& file, int64_t offset, void* buffer, size_t size) {
    if (!file.Seek(offset)) return false;
    char* p = (char*)buffer;
    while (size > 0) {
        int chunk = size > 0x40000000u ? 0x40000000 : (int)size;
        int got = file.Read(p, chunk);
        if (got <= 0) return false;
        p += got;
        size -= (size_t)got;
    }
    return true;
}

} // namespace

DictionaryBody::DictionaryBody() = default;

DictionaryBody::~DictionaryBody() {
    Close();
}

void DictionaryBody::Close() {
    if (stream_) {
        inflateEnd((z_stream*)stream_);
        delete (z_stream*)stream_;
        stream_ = nullptr;
    }
    file_.Close();
    kind_ = Kind::Plain;
    fileSize_ = size_ = dataStart_ = 0;
    chunkLength_ = 0;
    chunkStart_.clear();
    cachedChunk_ = 0xFFFFFFFF;
    text_.clear();
}

Error DictionaryBody::Open(const char* path) {
    Close();
    if (!file_.OpenRead(path) || !file_.Size(&fileSize_)) {
        file_.Close();
        return Error::OpenDictionary;
    }
    unsigned char magic[2] = {0, 0};
    if (fileSize_ >= 2 && ReadExactly(file_, 0, magic, 2) && magic[0] == 0x1F && magic[1] == 0x8B) {
        Error error = OpenGzip();
        if (error != Error::None) Close();
        return error;
    }
    if (fileSize_ > TextLimit) {
        Close();
        return Error::Unsupported;
    }
    size_ = fileSize_;
    return Error::None;
}

Error DictionaryBody::OpenGzip() {
    unsigned char head[12];
    if (fileSize_ < 18 || !ReadExactly(file_, 0, head, 10)) return Error::BadBody;
    if (head[2] != 8) return Error::Unsupported; // deflate is the one method gzip defines
    uint32_t flags = head[3];
    if (flags & GzipFlagsReserved) return Error::BadBody;
    int64_t at = 10;
    bool chunked = false;
    uint32_t count = 0;
    try {
        if (flags & GzipFlagExtra) {
            if (!ReadExactly(file_, at, head, 2)) return Error::BadBody;
            uint32_t extraLength = Le16(head);
            std::vector<unsigned char> extra(extraLength);
            if (extraLength > fileSize_ - at - 2 || !ReadExactly(file_, at + 2, extra.data(), extraLength))
                return Error::BadBody;
            at += 2 + extraLength;
            const unsigned char* p = extra.data();
            const unsigned char* end = p + extraLength;
            while (end - p >= 4) {
                uint32_t length = Le16(p + 2);
                if (length > (size_t)(end - p - 4)) return Error::BadBody;
                if (p[0] == 'R' && p[1] == 'A' && !chunked) {
                    if (length < 6) return Error::BadBody;
                    if (Le16(p + 4) != 1) return Error::Unsupported;
                    chunkLength_ = Le16(p + 6);
                    count = Le16(p + 8);
                    if (chunkLength_ == 0 || count == 0 || count > (length - 6) / 2) return Error::BadBody;
                    chunkStart_.resize((size_t)count + 1);
                    for (uint32_t i = 0; i < count; ++i) {
                        uint32_t packed = Le16(p + 10 + 2 * i);
                        if (packed == 0) return Error::BadBody;
                        chunkStart_[i + 1] = packed; // lengths for now, offsets below
                    }
                    chunked = true;
                }
                p += 4 + length;
            }
            if (p != end) return Error::BadBody;
        }
        for (uint32_t flag : {(uint32_t)GzipFlagName, (uint32_t)GzipFlagComment}) {
            if (!(flags & flag)) continue;
            // A NUL-terminated text: read in pieces until its end.
            int64_t limit = at + GzipTextLimit;
            for (bool ended = false; !ended;) {
                if (at >= limit || at >= fileSize_) return Error::BadBody;
                unsigned char piece[256];
                size_t want =
                    fileSize_ - at < (int64_t)sizeof piece ? (size_t)(fileSize_ - at) : sizeof piece;
                if (!ReadExactly(file_, at, piece, want)) return Error::BadBody;
                const void* nul = memchr(piece, 0, want);
                ended = nul != nullptr;
                at += ended ? (const unsigned char*)nul - piece + 1 : (int64_t)want;
            }
        }
    } catch (const std::bad_alloc&) {
        return Error::NoMemory;
    }
    if (flags & GzipFlagHeaderCrc) at += 2;
    if (at > fileSize_) return Error::BadBody;
    dataStart_ = at;

    unsigned char trailer[4];
    uint32_t isize = 0;
    bool trailerRead = fileSize_ - dataStart_ >= GzipTrailer && ReadExactly(file_, fileSize_ - 4, trailer, 4);
    if (trailerRead) isize = Le32(trailer);
    if (!chunked) {
        kind_ = Kind::Stream;
        size_ = isize;
        return Error::None;
    }
    kind_ = Kind::Chunked;
    chunkStart_[0] = dataStart_;
    for (uint32_t i = 1; i <= count; ++i)
        chunkStart_[i] += chunkStart_[i - 1];
    int64_t claimed = (int64_t)count * chunkLength_;
    if (claimed > TextLimit) return Error::Unsupported;
    if (chunkStart_[count] <= fileSize_ - GzipTrailer) {
        // A whole file: its trailer's length must end inside the last chunk.
        if (!trailerRead || isize <= (int64_t)(count - 1) * chunkLength_ || isize > claimed)
            return Error::BadBody;
        size_ = isize;
    } else {
        size_ = claimed;
    }
    return Error::None;
}

Error DictionaryBody::Read(int64_t offset, uint32_t length, std::string* out) {
    out->clear();
    if (!file_.IsOpen()) return Error::ReadFailed;
    if (offset < 0 || offset > size_ || length > size_ - offset) return Error::BadIndex;
    try {
        out->reserve(length);
    } catch (const std::bad_alloc&) {
        return Error::NoMemory;
    }
    if (length == 0) return Error::None;
    switch (kind_) {
    case Kind::Plain:
        out->resize(length);
        return ReadExactly(file_, offset, &(*out)[0], length) ? Error::None : Error::ReadFailed;
    case Kind::Chunked:
        return ReadChunked(offset, length, out);
    case Kind::Stream:
        return ReadStream(offset, length, out);
    }
    return Error::ReadFailed;
}

Error DictionaryBody::Inflate(uint32_t chunk) {
    if (chunk == cachedChunk_) return Error::None;
    cachedChunk_ = 0xFFFFFFFF;
    int64_t start = chunkStart_[chunk], end = chunkStart_[(size_t)chunk + 1];
    if (end > fileSize_) return Error::BadBody; // the file is cut before this chunk's end
    bool last = chunk + 1 == ChunkCount();
    int64_t expected = last ? size_ - (int64_t)chunk * chunkLength_ : chunkLength_;
    try {
        packed_.resize((size_t)(end - start));
        text_.resize(chunkLength_);
        if (!stream_) {
            z_stream* z = new z_stream();
            if (inflateInit2(z, -MAX_WBITS) != Z_OK) {
                delete z;
                return Error::NoMemory;
            }
            stream_ = z;
        }
    } catch (const std::bad_alloc&) {
        return Error::NoMemory;
    }
    if (!ReadExactly(file_, start, packed_.data(), packed_.size())) return Error::ReadFailed;
    // A chunk's deflate data ends with the full flush's empty stored block; a table whose lengths
    // are off by some bytes cuts it elsewhere (the last chunk may end with the stream's end).
    static const unsigned char FlushMark[4] = {0x00, 0x00, 0xFF, 0xFF};
    if (!last && (packed_.size() < 4 || memcmp(packed_.data() + packed_.size() - 4, FlushMark, 4) != 0))
        return Error::BadBody;
    z_stream* z = (z_stream*)stream_;
    inflateReset(z);
    z->next_in = packed_.data();
    z->avail_in = (uInt)packed_.size();
    z->next_out = (Bytef*)&text_[0];
    z->avail_out = (uInt)text_.size();
    int rc = inflate(z, Z_SYNC_FLUSH);
    int64_t produced = (int64_t)text_.size() - z->avail_out;
    // Every byte of the chunk's data used and nothing more to come out: a chunk that would give
    // more than its length leaves input behind.
    bool whole = (rc == Z_OK || rc == Z_STREAM_END || rc == Z_BUF_ERROR) && z->avail_in == 0;
    if (whole && z->avail_out == 0 && rc == Z_OK) {
        unsigned char probe;
        z->next_out = &probe;
        z->avail_out = 1;
        rc = inflate(z, Z_SYNC_FLUSH);
        whole = z->avail_out == 1;
    }
    if (!whole || produced != expected) return Error::BadBody;
    cachedChunk_ = chunk;
    return Error::None;
}

Error DictionaryBody::ReadChunked(int64_t offset, uint32_t length, std::string* out) {
    int64_t end = offset + length;
    while (offset < end) {
        uint32_t chunk = (uint32_t)(offset / chunkLength_);
        Error error = Inflate(chunk);
        if (error != Error::None) {
            out->clear();
            return error;
        }
        int64_t within = offset - (int64_t)chunk * chunkLength_;
        int64_t take = (int64_t)chunkLength_ - within;
        if (take > end - offset) take = end - offset;
        out->append(text_, (size_t)within, (size_t)take);
        offset += take;
    }
    return Error::None;
}

Error DictionaryBody::ReadStream(int64_t offset, uint32_t length, std::string* out) {
    z_stream z;
    memset(&z, 0, sizeof z);
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return Error::NoMemory;
    std::vector<unsigned char> in, window;
    try {
        in.resize(BlockSize);
        window.resize(BlockSize);
    } catch (const std::bad_alloc&) {
        inflateEnd(&z);
        return Error::NoMemory;
    }
    int64_t at = dataStart_, produced = 0, end = offset + length;
    Error error = Error::None;
    int rc = Z_OK;
    while (produced < end && error == Error::None) {
        if (z.avail_in == 0) {
            if (at >= fileSize_) {
                error = Error::BadBody;
                break;
            }
            size_t want = fileSize_ - at < BlockSize ? (size_t)(fileSize_ - at) : (size_t)BlockSize;
            if (!ReadExactly(file_, at, in.data(), want)) {
                error = Error::ReadFailed;
                break;
            }
            at += (int64_t)want;
            z.next_in = in.data();
            z.avail_in = (uInt)want;
        }
        z.next_out = window.data();
        z.avail_out = (uInt)window.size();
        rc = inflate(&z, Z_NO_FLUSH);
        int64_t got = (int64_t)window.size() - z.avail_out;
        // The part of this window that falls in [offset, end).
        int64_t from = offset > produced ? offset - produced : 0;
        int64_t to = end - produced < got ? end - produced : got;
        if (to > from) out->append((const char*)window.data() + from, (size_t)(to - from));
        produced += got;
        if (rc == Z_STREAM_END) break;
        if (rc != Z_OK && rc != Z_BUF_ERROR) error = Error::BadBody;
        if (rc == Z_BUF_ERROR && z.avail_in != 0) error = Error::BadBody;
    }
    inflateEnd(&z);
    if (error == Error::None && produced < end) error = Error::BadBody;
    if (error != Error::None) out->clear();
    return error;
}

} // namespace dravel
