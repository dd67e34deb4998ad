// Index build and run lookup.
//
// Decisions beyond the plain format: a line whose first two bytes hold a NUL starts no run (its
// key could not be written as two characters); a failed write removes the partial index, which
// would otherwise hide runs for good; a read error is reported, not taken for the end of the
// file; an entry's offset is checked against the dictionary before it is used.
#include "index.h"

#include <stdio.h>
#include <string.h>

namespace dravel {

namespace {

class EntryWriter {
  public:
    explicit EntryWriter(File& file) : file_(file) {}
    bool Add(const char* key, int64_t offset) {
        if (used_ > sizeof buffer_ - 32 && !Flush()) return false;
        buffer_[used_++] = key[0];
        buffer_[used_++] = key[1];
        used_ += (size_t)snprintf(buffer_ + used_, 24, "%ld\r\n", (long)offset);
        return true;
    }
    bool Flush() {
        bool ok = used_ == 0 || file_.Write(buffer_, used_);
        used_ = 0;
        return ok;
    }

  private:
    File& file_;
    char buffer_[16 * 1024];
    size_t used_ = 0;
};

bool StartsRun(const char* line, size_t stored) {
    return stored >= 2 && line[0] != '\0' && line[1] != '\0';
}

} // namespace

std::string IndexPath(const char* dictionaryPath) {
    return std::string(dictionaryPath) + ".hsh";
}

Error BuildIndex(LineReader& dictionary, File& index, CompareFn compare, long* entries) {
    // Only a line's first two bytes matter here: the reader consumes the rest unseen.
    char line[3];
    size_t stored = 0;
    long count = 0;
    if (entries) *entries = 0;

    dictionary.Seek(0);
    int64_t bodyStart;
    for (;;) {
        bodyStart = dictionary.Tell();
        if (!dictionary.ReadLine(line, 2, &stored))
            return dictionary.Failed() ? Error::ReadFailed : Error::NoBodyStart;
        if (compare(line, "'c", 2) == 0) break;
    }

    dictionary.Seek(bodyStart);
    EntryWriter writer(index);
    char previous[3] = {'\'', 'b', '\0'};
    for (;;) {
        int64_t offset = dictionary.Tell();
        if (!dictionary.ReadLine(line, 2, &stored)) break;
        if (!StartsRun(line, stored)) continue;
        // Lines of a run mostly repeat its key byte for byte; only the others need the host.
        if ((line[0] == previous[0] && line[1] == previous[1]) || compare(line, previous, 2) == 0) continue;
        if (offset > OffsetLimit) return Error::OpenDictionary;
        if (!writer.Add(line, offset)) return Error::CreateIndex;
        previous[0] = line[0];
        previous[1] = line[1];
        ++count;
    }
    if (dictionary.Failed()) return Error::ReadFailed;
    if (!writer.Flush()) return Error::CreateIndex;
    if (entries) *entries = count;
    dictionary.Seek(0);
    return Error::None;
}

Error OpenIndex(const char* dictionaryPath, LineReader& dictionary, File* index, CompareFn compare,
                const BuildNotice* notice) {
    std::string path = IndexPath(dictionaryPath);
    if (index->OpenRead(path.c_str())) return Error::None;
    if (!index->Create(path.c_str())) return Error::CreateIndex;

    if (notice && notice->begin) notice->begin(notice->context);
    Error error = BuildIndex(dictionary, *index, compare, nullptr);
    if (notice && notice->end) notice->end(notice->context);

    if (error == Error::None && !index->Seek(0)) error = Error::CreateIndex;
    if (error != Error::None && error != Error::NoBodyStart) {
        index->Close();
        RemoveFile(path.c_str());
    }
    return error;
}

bool ParseOffset(const char* text, int64_t* offset) {
    const char* p = text;
    while (*p == ' ' || *p == '\t' || *p == '\v' || *p == '\f')
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    if (*p < '0' || *p > '9') return false;
    int64_t value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + (*p - '0');
        if (value > OffsetLimit) return false;
    }
    if (negative && value != 0) return false;
    *offset = value;
    return true;
}

Error FindRun(LineReader& index, LineReader& dictionary, int64_t dictionarySize, const char* keyword,
              CompareFn compare) {
    char entry[EntryLimit + 1];
    size_t stored = 0;
    index.Seek(0);
    do {
        if (!index.ReadLine(entry, EntryLimit, &stored)) return Error::NoIndexEntry;
    } while (compare(entry, keyword, 2) != 0);
    if (stored < 3) return Error::NoIndexEntry;

    int64_t offset;
    if (!ParseOffset(entry + 2, &offset) || offset >= dictionarySize) return Error::BadOffset;
    unsigned char before;
    if (offset > 0 && (!dictionary.ByteAt(offset - 1, &before) || (before != '\r' && before != '\n')))
        return Error::BadOffset;
    char start[3];
    dictionary.Seek(offset);
    if (!dictionary.ReadLine(start, 2, &stored) || compare(start, keyword, 2) != 0) return Error::BadOffset;
    dictionary.Seek(offset);
    return Error::None;
}

} // namespace dravel
