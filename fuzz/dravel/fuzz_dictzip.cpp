// fuzz_dictzip: arbitrary bytes read as a dictionary body (plain, dictzip or gzip), each range
// read twice in two orders: both reads give the same answer, and in a file that zlib reads whole
// every range that reads at all holds the bytes zlib gives from the file's start.
//
// Input: six ranges of four bytes (offset and length, 16 bits each, little-endian), then the file.
#include <string.h>

#include <zlib.h>

#include "body.h"
#include "fuzz_files.h"

namespace {

// The file inflated whole by zlib, when it is a gzip file zlib reads to its end with the trailer's
// checksum and length right (up to 1 MB); the file itself when it is not gzip; otherwise nothing:
// a damaged chunk makes zlib's reading of all later chunks shift, while the chunk table still
// places them right.
std::string Whole(const std::string& file) {
    std::string out;
    if (file.size() < 2 || (unsigned char)file[0] != 0x1F || (unsigned char)file[1] != 0x8B) return file;
    z_stream z;
    memset(&z, 0, sizeof z);
    if (inflateInit2(&z, 15 + 16) != Z_OK) return out;
    z.next_in = (Bytef*)file.data();
    z.avail_in = (uInt)file.size();
    char buffer[65536];
    while (out.size() < (1u << 20)) {
        z.next_out = (Bytef*)buffer;
        z.avail_out = sizeof buffer;
        int rc = inflate(&z, Z_NO_FLUSH);
        out.append(buffer, sizeof buffer - z.avail_out);
        if (rc == Z_STREAM_END) {
            inflateEnd(&z);
            return out;
        }
        if (rc != Z_OK) break;
    }
    inflateEnd(&z);
    return std::string();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input in(data, size);
    int64_t offsets[6];
    uint32_t lengths[6];
    for (int i = 0; i < 6; ++i) {
        offsets[i] = (int64_t)in.Length();
        lengths[i] = (uint32_t)in.Length();
    }
    std::string file = in.Rest();
    std::string path = fuzz::Folder("fuzz-dictzip-") + "/d.dict.dz";
    fuzz::WriteAll(path, file);
    dravel::DictionaryBody body;
    if (body.Open(path.c_str()) != dravel::Error::None) return 0;
    std::string whole = Whole(file);
    std::string first[6], second;
    dravel::Error errors[6];
    for (int i = 0; i < 6; ++i)
        errors[i] = body.Read(offsets[i], lengths[i], &first[i]);
    for (int i = 5; i >= 0; --i) {
        dravel::Error error = body.Read(offsets[i], lengths[i], &second);
        fuzz::Check(error == errors[i] && second == first[i]);
        if (error != dravel::Error::None) {
            fuzz::Check(second.empty());
            continue;
        }
        fuzz::Check(second.size() == lengths[i]);
        if ((size_t)offsets[i] + lengths[i] <= whole.size())
            fuzz::Check(memcmp(second.data(), whole.data() + offsets[i], lengths[i]) == 0);
    }
    return 0;
}
