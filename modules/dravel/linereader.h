// The line reader every file access of the dictionary provider goes through, buffered.
//
// A line ends at the first CR or LF; CR LF and LF CR count as one line end, CR CR and LF LF as
// two (the second line empty). An empty line reads as a line; only the end of the file or a
// read error ends the reading. A line longer than the caller's buffer is kept to the buffer's
// size, and the rest of it is consumed with it: it never reads as a line of its own. The reader
// holds one 64 KB block, so a pass over a file reads each byte once, and moving back to a line
// already in the block (the candidate chosen from a menu) costs no read.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>

#include "fileio.h"

namespace dravel {

class LineReader {
  public:
    enum : int { BlockSize = 64 * 1024 };

    explicit LineReader(File& file);
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // Forgets the block and any failure: for a file that was (re)opened after construction.
    void Reset();
    // The next line starts at offset. Reading past the end finds no line.
    void Seek(int64_t offset);
    // Offset at which the next line starts.
    int64_t Tell() const { return pos_; }

    // Reads one line: up to cap bytes of it go to out, followed by a NUL (out holds cap + 1).
    // stored receives the bytes kept, length (may be null) the whole line's length. False at the
    // end of the file or on a read error (then Failed() is true); out is then empty.
    bool ReadLine(char* out, size_t cap, size_t* stored, int64_t* length = nullptr);
    // The same into a string, keeping at most limit bytes.
    bool ReadLine(std::string* out, size_t limit, int64_t* length = nullptr);

    // The byte at an offset, through the block; false past the end or on a read error.
    bool ByteAt(int64_t offset, unsigned char* byte);
    // Up to size bytes at an offset, for looking back from a line: from the block when it holds
    // them, else straight from the file (the block is kept). The count, or -1 on a failed read.
    int ReadAt(int64_t offset, char* buffer, int size);

    bool Failed() const { return failed_; }
    // The file it reads.
    File& Source() { return file_; }

  private:
    // Makes the block hold pos_; false at the end of the file or on a failed read.
    bool Fill();
    template <class Sink> bool Next(Sink& sink, int64_t* length);

    File& file_;
    char* block_;            // BlockSize bytes, or null when it could not be had
    int64_t blockStart_ = 0; // file offset of block_[0]
    int blockLength_ = 0;    // valid bytes in block_
    int64_t filePos_ = -1;   // where the file itself stands; -1 when unknown
    int64_t pos_ = 0;        // start of the next line
    bool failed_ = false;
};

// The line-end search's variants (0: 8 bytes at a time, 1: SSE2, 2: AVX2), for the tests that
// hold them against each other; null when the build or the processor lacks one.
typedef const char* (*LineEndSearch)(const char* p, const char* end);
LineEndSearch LineEndSearchVariant(int which);

} // namespace dravel
