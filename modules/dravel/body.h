// The body of a dictd or StarDict dictionary, the file that holds the articles' text: plain
// (".dict") or gzip (".dict.dz"). A dictzip body, gzip whose header carries the "RA" table of its
// chunks, is read by random access: a read inflates only the chunks that hold its bytes. Any other
// gzip file is inflated from its start up to the bytes a read wants.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "core.h"
#include "fileio.h"

namespace dravel {

class DictionaryBody {
  public:
    DictionaryBody();
    ~DictionaryBody();
    DictionaryBody(const DictionaryBody&) = delete;
    DictionaryBody& operator=(const DictionaryBody&) = delete;

    // Opens the file and reads its header. OpenDictionary when it cannot be opened, BadBody when
    // a gzip header or its chunk table cannot be read, Unsupported for a compression other than
    // deflate or a chunk table of another version.
    Error Open(const char* path);
    void Close();

    // The length of the text: exact for a plain file and for a whole dictzip file (its chunk table
    // and its trailer agree); for a dictzip file cut short, what its chunk table claims.
    int64_t Size() const { return size_; }
    bool Chunked() const { return kind_ == Kind::Chunked; }
    uint32_t ChunkCount() const { return (uint32_t)chunkStart_.size() - 1; }

    // The text's bytes [offset, offset + length): the whole range or an error. BadIndex when the
    // range lies outside the text, BadBody when the file is cut short or does not inflate to what
    // its table says, NoMemory when the bytes cannot be held.
    Error Read(int64_t offset, uint32_t length, std::string* out);

  private:
    enum class Kind { Plain, Chunked, Stream };
    Error OpenGzip();
    Error ReadChunked(int64_t offset, uint32_t length, std::string* out);
    Error ReadStream(int64_t offset, uint32_t length, std::string* out);
    Error Inflate(uint32_t chunk);

    File file_;
    Kind kind_ = Kind::Plain;
    int64_t fileSize_ = 0;
    int64_t size_ = 0;
    int64_t dataStart_ = 0;             // first byte of the deflate data
    uint32_t chunkLength_ = 0;          // text bytes of every chunk but the last
    std::vector<int64_t> chunkStart_;   // file offset of each chunk's data, and of the data's end
    uint32_t cachedChunk_ = 0xFFFFFFFF; // the chunk in text_, if any
    std::string text_;                  // its text
    std::vector<unsigned char> packed_; // a chunk's deflate data while it is inflated
    void* stream_ = nullptr;            // the inflater, made on first use
};

} // namespace dravel
