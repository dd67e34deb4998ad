// What the dictionary fuzz targets share: a scratch folder of their own, files written from the
// input's pieces, an input cut into pieces by its leading lengths, and a check that stops the run.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>

#include "fileio.h"

namespace fuzz {

inline void Check(bool ok) {
    if (!ok) __builtin_trap();
}

// The target's scratch folder, made on first use.
inline const std::string& Folder(const char* prefix) {
    static std::string folder;
    if (folder.empty()) Check(dravel::MakeTempFolder(prefix, &folder));
    return folder;
}

inline void WriteAll(const std::string& path, const uint8_t* data, size_t size) {
    dravel::File f;
    Check(f.Create(path.c_str()));
    Check(f.Write(data, size));
    f.Close();
}

// Takes pieces off the front of the input: a byte, a little-endian 16-bit length, a piece of at
// most that length, and the rest.
class Input {
  public:
    Input(const uint8_t* data, size_t size) : p_(data), end_(data + size) {}
    unsigned Byte() { return p_ < end_ ? *p_++ : 0; }
    size_t Length() { return Byte() | (size_t)Byte() << 8; }
    std::string Piece(size_t length) {
        if (length > (size_t)(end_ - p_)) length = (size_t)(end_ - p_);
        std::string piece((const char*)p_, length);
        p_ += length;
        return piece;
    }
    std::string Rest() { return Piece((size_t)(end_ - p_)); }

  private:
    const uint8_t* p_;
    const uint8_t* end_;
};

inline void WriteAll(const std::string& path, const std::string& bytes) {
    WriteAll(path, (const uint8_t*)bytes.data(), bytes.size());
}

} // namespace fuzz
