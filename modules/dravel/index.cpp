// Index build and run lookup.
//
// Decisions beyond the plain format: a line whose first two bytes hold a NUL starts no run (its
// key could not be written as two characters); an index is built under another name and renamed
// into place only when whole, and one that does not fit its dictionary (older than it, empty,
// cut short, offsets out of order or past its end) is built again, so a partial or stale index is
// never trusted; a dictionary whose folder cannot be written gets its index in the user's
// temporary folder; a read error is reported, not taken for the end of the file; an entry's
// offset is checked against the dictionary before it is used.
#include "index.h"

#include <stdio.h>
#include <string.h>

#include <new>
#include <set>

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

std::string SpareIndexPath(const char* dictionaryPath, int64_t size, int64_t time) {
    // 64-bit FNV-1a over the path, then the size and the time.
    uint64_t hash = 0xcbf29ce484222325ull;
    auto mix = [&hash](unsigned char byte) {
        hash ^= byte;
        hash *= 0x100000001b3ull;
    };
    for (const char* p = dictionaryPath; *p; ++p)
        mix((unsigned char)*p);
    for (int i = 0; i < 8; ++i)
        mix((unsigned char)((uint64_t)size >> (8 * i)));
    for (int i = 0; i < 8; ++i)
        mix((unsigned char)((uint64_t)time >> (8 * i)));
    char name[40];
    snprintf(name, sizeof name, "Dravel-%016llX.hsh", (unsigned long long)hash);
    return TemporaryFolder() + name;
}

bool IndexFits(File& indexFile, LineReader& index, File& dictionaryFile, LineReader& dictionary,
               CompareFn compare) {
    int64_t indexSize = 0, dictionarySize = 0, indexTime = 0, dictionaryTime = 0;
    if (!indexFile.Size(&indexSize) || !dictionaryFile.Size(&dictionarySize) || indexSize == 0) return false;
    if (indexFile.ModifiedTime(&indexTime) && dictionaryFile.ModifiedTime(&dictionaryTime) &&
        indexTime < dictionaryTime)
        return false;
    unsigned char last = 0;
    if (!index.ByteAt(indexSize - 1, &last) || last != '\n') return false;

    char entry[EntryLimit + 1], lastKey[2] = {0, 0};
    size_t stored = 0;
    int64_t previous = -1;
    bool first = true;
    index.Seek(0);
    while (index.ReadLine(entry, EntryLimit, &stored)) {
        int64_t offset;
        if (stored < 3 || !StartsRun(entry, stored) || !ParseOffset(entry + 2, &offset)) return false;
        if (offset <= previous || offset >= dictionarySize) return false;
        if (first && compare(entry, "'c", 2) != 0) return false;
        first = false;
        previous = offset;
        lastKey[0] = entry[0];
        lastKey[1] = entry[1];
    }
    index.Seek(0);
    if (index.Failed() || previous < 0) return false;

    // The last run: its first line begins with its key, and no other run follows it.
    char line[3];
    dictionary.Seek(previous);
    if (!dictionary.ReadLine(line, 2, &stored) || stored < 2 || memcmp(line, lastKey, 2) != 0) return false;
    bool fits = true;
    while (fits && dictionary.ReadLine(line, 2, &stored))
        fits = !StartsRun(line, stored) || compare(line, lastKey, 2) == 0;
    fits = fits && !dictionary.Failed();
    dictionary.Seek(0);
    return fits;
}

namespace {

// Whether two files hold the same bytes.
bool SameContent(const std::string& a, const std::string& b) {
    File fa, fb;
    if (!fa.OpenRead(a.c_str()) || !fb.OpenRead(b.c_str())) return false;
    static char bufferA[16 * 1024], bufferB[16 * 1024];
    for (;;) {
        int gotA = fa.Read(bufferA, sizeof bufferA), gotB = fb.Read(bufferB, sizeof bufferB);
        if (gotA < 0 || gotA != gotB || memcmp(bufferA, bufferB, (size_t)gotA) != 0) return false;
        if (gotA == 0) return true;
    }
}

// Builds the index into "<path>.new" and renames it to path once it is whole; then opens it. With
// keepSame, an index already at path with the same bytes stays as it is (*changed false).
Error BuildAt(const std::string& path, LineReader& dictionary, File* index, CompareFn compare,
              bool keepSame = false, bool* changed = nullptr) {
    std::string fresh = path + ".new";
    File out;
    if (!out.Create(fresh.c_str())) return Error::CreateIndex;
    Error error = BuildIndex(dictionary, out, compare, nullptr);
    // A dictionary dated ahead of this clock (a share's server) must not look newer than its
    // index for ever after: the index takes the dictionary's time then.
    int64_t built = 0, edited = 0;
    if (error == Error::None && out.ModifiedTime(&built) && dictionary.Source().ModifiedTime(&edited) &&
        built < edited)
        out.SetModifiedTime(edited);
    if (!out.Close() && error == Error::None) error = Error::CreateIndex;
    bool same = error == Error::None && keepSame && SameContent(fresh, path);
    if (changed) *changed = !same;
    if (same) {
        RemoveFile(fresh.c_str());
    } else if (error == Error::None && !RenameFile(fresh.c_str(), path.c_str())) {
        error = Error::CreateIndex;
    }
    if (error != Error::None) {
        RemoveFile(fresh.c_str());
        return error;
    }
    return index->OpenRead(path.c_str()) && index->Seek(0) ? Error::None : Error::CreateIndex;
}

// The dictionaries whose index this run has checked, each with the state of both files then.
std::set<std::string>& CheckedIndexes() {
    static std::set<std::string> checked;
    return checked;
}

std::string CheckState(const char* dictionaryPath, File& dictionary, File& index) {
    int64_t values[4] = {-1, -1, -1, -1};
    dictionary.Size(&values[0]);
    dictionary.ModifiedTime(&values[1]);
    index.Size(&values[2]);
    index.ModifiedTime(&values[3]);
    std::string state = dictionaryPath;
    for (int64_t value : values)
        state += '|' + std::to_string(value);
    return state;
}

} // namespace

void NoteIndexChecked(const char* dictionaryPath, File& dictionary, File& index) {
    try {
        CheckedIndexes().insert(CheckState(dictionaryPath, dictionary, index));
    } catch (const std::bad_alloc&) {
        // Unnoted, the index is only checked again.
    }
}

bool IndexChecked(const char* dictionaryPath, File& dictionary, File& index) {
    return CheckedIndexes().count(CheckState(dictionaryPath, dictionary, index)) != 0;
}

void ResetIndexChecks() {
    CheckedIndexes().clear();
}

Error CheckIndex(const std::string& indexPath, LineReader& dictionary, File* index, CompareFn compare,
                 const BuildNotice* notice, bool* changed) {
    if (notice && notice->begin) notice->begin(notice->context);
    Error error = BuildAt(indexPath, dictionary, index, compare, true, changed);
    if (notice && notice->end) notice->end(notice->context);
    dictionary.Seek(0);
    return error;
}

Error OpenIndex(const char* dictionaryPath, LineReader& dictionary, File* index, CompareFn compare,
                const BuildNotice* notice, bool rebuild, bool* built, std::string* usedPath) {
    if (built) *built = false;
    File& dictionaryFile = dictionary.Source();
    int64_t size = 0, time = 0;
    dictionaryFile.Size(&size);
    dictionaryFile.ModifiedTime(&time);
    const std::string places[2] = {IndexPath(dictionaryPath), SpareIndexPath(dictionaryPath, size, time)};
    for (const std::string& place : places) {
        if (rebuild || !index->OpenRead(place.c_str())) continue;
        LineReader reader(*index);
        if (IndexFits(*index, reader, dictionaryFile, dictionary, compare) && index->Seek(0)) {
            if (usedPath) *usedPath = place;
            return Error::None;
        }
        index->Close();
    }

    if (notice && notice->begin) notice->begin(notice->context);
    const std::string* place = &places[0];
    Error error = BuildAt(*place, dictionary, index, compare);
    // The dictionary's folder takes no file (a CD, a share): the spare place.
    if (error == Error::CreateIndex) error = BuildAt(*(place = &places[1]), dictionary, index, compare);
    if (notice && notice->end) notice->end(notice->context);
    dictionary.Seek(0);
    if (error == Error::None && built) *built = true;
    if (error == Error::None && usedPath) *usedPath = *place;
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

namespace {

// Whether the nearest line before offset that could start a run (two characters or more) begins
// with the key: then offset lies inside a run rather than at its start. It looks back through at
// most one article and one line's worth of bytes; a line that starts farther back is not seen.
bool RunGoesBack(LineReader& dictionary, int64_t offset, const char* key, CompareFn compare) {
    enum { Window = 16 * 1024 };
    static char buffer[Window];
    const int64_t farthest = offset - (int64_t)(ArticleLimit + LineLimit);
    int64_t end = offset;      // the bytes before end are still to be seen
    int64_t lineEnd = -1;      // end of the text of the line being passed, -1 between lines
    char first[3] = {0, 0, 0}; // the first two bytes of the line being passed, as far as seen
    while (end > 0 && end > farthest) {
        int64_t start = end > Window ? end - Window : 0;
        int size = (int)(end - start);
        if (dictionary.ReadAt(start, buffer, size) != size) return false;
        for (int i = size - 1; i >= 0; --i) {
            bool lineBreak = buffer[i] == '\r' || buffer[i] == '\n';
            if (lineEnd < 0) {
                if (lineBreak) continue;
                lineEnd = start + i + 1;
                first[0] = buffer[i];
                first[1] = 0;
                continue;
            }
            if (!lineBreak) {
                first[1] = first[0];
                first[0] = buffer[i];
                continue;
            }
            if (lineEnd - (start + i + 1) >= 2) return first[0] && first[1] && compare(first, key, 2) == 0;
            lineEnd = -1;
        }
        end = start;
    }
    return end == 0 && lineEnd >= 2 && first[0] && first[1] && compare(first, key, 2) == 0;
}

} // namespace

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
    if (RunGoesBack(dictionary, offset, keyword, compare)) return Error::BadOffset;
    dictionary.Seek(offset);
    return Error::None;
}

} // namespace dravel
