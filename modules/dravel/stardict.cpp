// The StarDict reader.
//
// Format notes and decisions:
// - An .idx entry is the word (UTF-8, NUL-terminated), then the article's offset (32-bit, or
//   64-bit when a 3.0.0 description says idxoffsetbits=64) and size (32-bit), big-endian. A .syn
//   entry is the synonym, NUL, and the number of an .idx entry (32-bit big-endian).
// - Both lists are sorted by StarDictCompare. They are read through once when opened (a block at
//   a time), counted against the description and checked for order then, so that a list out of
//   order or of another size than the description says is named at once rather than searched
//   wrongly; only the place of every 32nd entry is kept, and a lookup reads the pages it needs.
// - Words are found without regard to case for Latin, Greek and Cyrillic, while the lists are
//   sorted without regard to ASCII case only: the range of a keyword is searched once for its
//   part up to the first letter that has case outside ASCII and once for each case of that letter;
//   the words of those ranges are then compared in full.
// - An .idx.gz is inflated into memory; one larger than IndexLimit is not read: Far is a 32-bit
//   process.
#include "stardict.h"

#include <string.h>

#include <algorithm>
#include <new>

#include <zlib.h>

#include "fileio.h"
#include "codepage.h"
#include "unicase.h"

namespace dravel {

namespace {

const uint64_t IndexLimit = 128u << 20;
const uint32_t InfoLimit = 64 * 1024;

uint32_t Be32(const unsigned char* p) {
    return (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | p[3];
}

unsigned char AsciiLower(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? (unsigned char)(c + 0x20) : c;
}

// Compares without regard to ASCII case. Opening an index compares every pair of neighbours, so
// the bytes that are equal as they stand are passed over first.
int AsciiCompare(const char* a, size_t aLength, const char* b, size_t bLength) {
    size_t n = aLength < bLength ? aLength : bLength;
    for (size_t i = 0; i < n; ++i) {
        if (a[i] == b[i]) continue;
        unsigned char x = AsciiLower((unsigned char)a[i]), y = AsciiLower((unsigned char)b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return aLength == bLength ? 0 : aLength < bLength ? -1 : 1;
}

bool StartsWithAsciiNoCase(const char* word, size_t length, const std::string& prefix) {
    return length >= prefix.size() && AsciiCompare(word, prefix.size(), prefix.data(), prefix.size()) == 0;
}

// A whole file into bytes, up to limit bytes. OpenDictionary when it cannot be opened or read.
Error ReadWhole(const std::string& path, uint64_t limit, std::vector<char>* bytes) {
    File file;
    int64_t size = 0;
    if (!file.OpenRead(path.c_str()) || !file.Size(&size)) return Error::OpenDictionary;
    if ((uint64_t)size > limit) return Error::IndexMismatch;
    try {
        bytes->resize((size_t)size);
    } catch (const std::bad_alloc&) {
        return Error::NoMemory;
    }
    size_t done = 0;
    while (done < bytes->size()) {
        size_t want = bytes->size() - done;
        int got = file.Read(bytes->data() + done, want > 0x40000000u ? 0x40000000 : (int)want);
        if (got <= 0) return Error::ReadFailed;
        done += (size_t)got;
    }
    return Error::None;
}

// A gzip file inflated whole; IndexMismatch when it gives other than exactly `size` bytes,
// BadIndex when it does not inflate.
Error InflateWhole(const std::string& path, uint64_t size, std::vector<char>* bytes) {
    std::vector<char> packed;
    Error error = ReadWhole(path, IndexLimit, &packed);
    if (error != Error::None) return error;
    try {
        bytes->resize((size_t)size + 1); // one more byte than promised tells a longer file
    } catch (const std::bad_alloc&) {
        return Error::NoMemory;
    }
    z_stream z;
    memset(&z, 0, sizeof z);
    if (inflateInit2(&z, 15 + 16) != Z_OK) return Error::NoMemory;
    z.next_in = (Bytef*)packed.data();
    z.avail_in = (uInt)packed.size();
    z.next_out = (Bytef*)bytes->data();
    z.avail_out = (uInt)bytes->size();
    int rc = inflate(&z, Z_FINISH);
    size_t produced = bytes->size() - z.avail_out;
    inflateEnd(&z);
    if (rc != Z_STREAM_END && !(rc == Z_BUF_ERROR && z.avail_out == 0)) return Error::BadIndex;
    if (produced != size) return Error::IndexMismatch;
    bytes->resize((size_t)size);
    return Error::None;
}

bool ParseNumber(const std::string& text, uint64_t limit, uint64_t* value) {
    if (text.empty() || text.size() > 20) return false;
    uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        if (v > (limit - (uint64_t)(c - '0')) / 10) return false;
        v = v * 10 + (uint64_t)(c - '0');
    }
    *value = v;
    return true;
}

} // namespace

int StarDictCompare(const char* a, size_t aLength, const char* b, size_t bLength) {
    int folded = AsciiCompare(a, aLength, b, bLength);
    if (folded != 0) return folded;
    int bytes = memcmp(a, b, aLength < bLength ? aLength : bLength);
    if (bytes != 0) return bytes < 0 ? -1 : 1;
    return aLength == bLength ? 0 : aLength < bLength ? -1 : 1;
}

Error ReadStarDictInfo(const char* text, size_t length, StarDictInfo* info) {
    *info = StarDictInfo();
    std::string s(text, length);
    if (s.compare(0, 3, "\xEF\xBB\xBF") == 0) s.erase(0, 3);
    bool first = true, haveWords = false, haveSize = false;
    size_t at = 0;
    while (at < s.size()) {
        size_t end = s.find('\n', at);
        if (end == std::string::npos) end = s.size();
        std::string line = s.substr(at, end - at);
        at = end + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
            line.pop_back();
        if (first) {
            if (line != "StarDict's dict ifo file") return Error::Unsupported;
            first = false;
            continue;
        }
        size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        uint64_t n = 0;
        if (key == "version") {
            info->version = value;
        } else if (key == "bookname") {
            info->bookName = value;
        } else if (key == "sametypesequence") {
            info->sameTypeSequence = value;
        } else if (key == "wordcount") {
            if (!ParseNumber(value, 0xFFFFFFFFu, &n)) return Error::IndexMismatch;
            info->wordCount = (uint32_t)n;
            haveWords = true;
        } else if (key == "synwordcount") {
            if (!ParseNumber(value, 0xFFFFFFFFu, &n)) return Error::IndexMismatch;
            info->synWordCount = (uint32_t)n;
        } else if (key == "idxfilesize") {
            if (!ParseNumber(value, ~(uint64_t)0, &info->idxFileSize)) return Error::IndexMismatch;
            haveSize = true;
        } else if (key == "idxoffsetbits") {
            if (!ParseNumber(value, 64, &n) || (n != 32 && n != 64)) return Error::IndexMismatch;
            info->offsetBits = (unsigned)n;
        }
    }
    if (first || (info->version != "2.4.2" && info->version != "3.0.0")) return Error::Unsupported;
    if (info->version == "2.4.2") info->offsetBits = 32;
    for (char c : info->sameTypeSequence)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) return Error::Unsupported;
    return haveWords && haveSize ? Error::None : Error::IndexMismatch;
}

std::string StarDictBaseName(const char* path) {
    std::string base = path;
    for (const char* ext : {".ifo", ".idx.gz", ".idx", ".syn", ".dict.dz", ".dict"}) {
        if (PathEndsWith(base, ext)) {
            base.resize(base.size() - strlen(ext));
            break;
        }
    }
    return base;
}

Error WordList::LoadFile(const std::string& path, uint32_t expectedCount, size_t tailSize) {
    int64_t size = 0;
    if (!file_.OpenRead(path.c_str()) || !file_.Size(&size)) return Error::OpenDictionary;
    inFile_ = true;
    size_ = (uint64_t)size;
    tail_ = tailSize;
    bytes_.clear();
    return Scan(expectedCount);
}

Error WordList::LoadBytes(std::vector<char>* bytes, uint32_t expectedCount, size_t tailSize) {
    file_.Close();
    inFile_ = false;
    bytes_.swap(*bytes);
    size_ = bytes_.size();
    tail_ = tailSize;
    return Scan(expectedCount);
}

bool WordList::ReadAt(uint64_t offset, char* buffer, size_t size) {
    if (!inFile_) {
        memcpy(buffer, bytes_.data() + offset, size);
        return true;
    }
    if (!file_.Seek((int64_t)offset)) return false;
    while (size > 0) {
        int got = file_.Read(buffer, (int)size);
        if (got <= 0) return false;
        buffer += got;
        size -= (size_t)got;
    }
    return true;
}

Error WordList::Scan(uint32_t expectedCount) {
    // A block of the list at a time, with room for one whole entry past its end, so that an entry
    // is always seen whole.
    const size_t entryLimit = WordLimit + 1 + tail_;
    std::vector<char> block;
    char previous[WordLimit + 1];
    size_t previousLength = 0;
    count_ = 0;
    page_ = 0xFFFFFFFF;
    pages_.clear();
    try {
        block.resize(64 * 1024 + entryLimit);
        // As many pages as the description promises, but no more than the file can hold: a count
        // that lies must not reserve memory for entries that are not there.
        uint64_t fits = size_ / (tail_ + 2);
        pages_.reserve((size_t)((expectedCount < fits ? expectedCount : fits) / PageSize + 1));
    } catch (const std::bad_alloc&) {
        return Error::NoMemory;
    }
    uint64_t blockStart = 0;
    size_t have = 0, at = 0;
    while (blockStart + at < size_) {
        if (have - at < entryLimit && blockStart + have < size_) {
            // Keep the unread rest and fill up behind it.
            memmove(block.data(), block.data() + at, have - at);
            blockStart += at;
            have -= at;
            at = 0;
            size_t want = block.size() - have;
            if (want > size_ - (blockStart + have)) want = (size_t)(size_ - (blockStart + have));
            if (!ReadAt(blockStart + have, block.data() + have, want)) return Error::ReadFailed;
            have += want;
        }
        const char* p = block.data() + at;
        size_t left = have - at;
        const char* nul = (const char*)memchr(p, 0, left < WordLimit + 1 ? left : WordLimit + 1);
        if (!nul) return Error::BadIndex;
        size_t length = (size_t)(nul - p);
        if (length == 0 || tail_ > left - length - 1) return Error::BadIndex;
        if (count_ == expectedCount) return Error::IndexMismatch; // more words than described
        if (count_ > 0 && StarDictCompare(previous, previousLength, p, length) > 0)
            return Error::UnsortedIndex;
        if (count_ % PageSize == 0) pages_.push_back(blockStart + at);
        memcpy(previous, p, length);
        previousLength = length;
        ++count_;
        at += length + 1 + tail_;
    }
    return count_ == expectedCount ? Error::None : Error::IndexMismatch;
}

const char* WordList::Word(uint32_t i, size_t* length, const unsigned char** tail) {
    uint32_t page = (uint32_t)(i / PageSize);
    const char* p;
    if (inFile_) {
        if (page != page_) {
            uint64_t start = pages_[page], end = page + 1 < pages_.size() ? pages_[(size_t)page + 1] : size_;
            page_ = 0xFFFFFFFF;
            try {
                bytes_.resize((size_t)(end - start) + 1);
            } catch (const std::bad_alloc&) {
                return nullptr;
            }
            if (!ReadAt(start, bytes_.data(), (size_t)(end - start))) return nullptr;
            bytes_.back() = 0; // the page ends with an entry's tail: its last word stays terminated
            page_ = page;
        }
        p = bytes_.data();
    } else {
        p = bytes_.data() + pages_[page];
    }
    for (uint32_t k = i % PageSize; k > 0; --k)
        p += strlen(p) + 1 + tail_;
    *length = strlen(p);
    if (tail) *tail = (const unsigned char*)p + *length + 1;
    return p;
}

uint32_t WordList::LowerBound(const char* prefix, size_t length) {
    uint32_t lo = 0, hi = count_;
    while (lo < hi) {
        uint32_t mid = lo + (hi - lo) / 2;
        size_t n = 0;
        const char* word = Word(mid, &n, nullptr);
        if (!word) return count_;
        if (AsciiCompare(word, n, prefix, length) < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

Error StarDictDictionary::Open(const char* path) {
    std::string base;
    std::vector<char> bytes;
    try {
        base = StarDictBaseName(path);
        Error error = ReadWhole(base + ".ifo", InfoLimit, &bytes);
        if (error == Error::IndexMismatch) return Error::Unsupported; // no description is that long
        if (error != Error::None) return error;
        if ((error = ReadStarDictInfo(bytes.data(), bytes.size(), &info_)) != Error::None) return error;

        const size_t tail = info_.offsetBits / 8 + 4;
        int64_t size = -1;
        File idx;
        if (idx.OpenRead((base + ".idx").c_str())) {
            if (!idx.Size(&size) || (uint64_t)size != info_.idxFileSize) return Error::IndexMismatch;
            idx.Close();
            error = words_.LoadFile(base + ".idx", info_.wordCount, tail);
        } else {
            error = info_.idxFileSize > IndexLimit
                        ? Error::Unsupported
                        : InflateWhole(base + ".idx.gz", info_.idxFileSize, &bytes);
            if (error == Error::None) error = words_.LoadBytes(&bytes, info_.wordCount, tail);
        }
        if (error != Error::None) return error;
        if (info_.synWordCount > 0 &&
            (error = synonyms_.LoadFile(base + ".syn", info_.synWordCount, 4)) != Error::None)
            return error;
        error = body_.Open((base + ".dict.dz").c_str());
        if (error == Error::OpenDictionary) error = body_.Open((base + ".dict").c_str());
        return error;
    } catch (const std::bad_alloc&) {
        return Error::NoMemory;
    }
}

Error StarDictDictionary::Collect(WordList& list, const std::string& keyword, size_t limit,
                                  std::vector<uint32_t>* hits) {
    // The keyword up to its first letter with a case outside ASCII, and that letter's cases.
    std::string head = keyword;
    std::vector<char32_t> cases;
    for (size_t at = 0; at < keyword.size();) {
        size_t start = at;
        char32_t c = NextCharacter(keyword.data(), keyword.size(), &at);
        if (c < 0x80) continue;
        char32_t lower = LowerCase(c), upper = UpperCase(c);
        if (lower == c && upper == c) continue;
        head = keyword.substr(0, start);
        cases = {lower};
        if (upper != lower) cases.push_back(upper);
        break;
    }
    std::string folded = LowerCaseUtf8(keyword.data(), keyword.size());
    std::vector<std::string> prefixes;
    if (cases.empty()) prefixes.push_back(head);
    for (char32_t c : cases) {
        prefixes.push_back(head);
        AppendUtf8(&prefixes.back(), c);
    }
    for (const std::string& prefix : prefixes) {
        size_t distinct = 0;
        std::string last;
        for (uint32_t i = list.LowerBound(prefix.data(), prefix.size()); i < list.Count(); ++i) {
            size_t length = 0;
            const char* word = list.Word(i, &length, nullptr);
            if (!word) return Error::ReadFailed;
            if (!StartsWithAsciiNoCase(word, length, prefix)) break;
            std::string lower = LowerCaseUtf8(word, length);
            if (lower.compare(0, folded.size(), folded) != 0) continue;
            bool repeat = distinct > 0 && last.size() == length && memcmp(last.data(), word, length) == 0;
            if (!repeat && ++distinct > limit) break; // one more than the limit tells there are more
            last.assign(word, length);
            hits->push_back(i);
        }
    }
    std::sort(hits->begin(), hits->end());
    return Error::None;
}

Error StarDictDictionary::Find(const std::string& keyword, size_t limit, std::vector<StarDictHeadword>* found,
                               bool* more) {
    found->clear();
    *more = false;
    if (keyword.empty()) return Error::None;
    try {
        std::string folded = LowerCaseUtf8(keyword.data(), keyword.size());
        struct Hit {
            std::string word;
            uint32_t entry;
            bool exact;
        };
        std::vector<Hit> all;
        for (int list = 0; list < 2; ++list) {
            WordList& words = list == 0 ? words_ : synonyms_;
            std::vector<uint32_t> hits;
            Error error = Collect(words, keyword, limit, &hits);
            if (error != Error::None) return error;
            for (uint32_t i : hits) {
                size_t length = 0;
                const unsigned char* tail = nullptr;
                const char* word = words.Word(i, &length, &tail);
                if (!word) return Error::ReadFailed;
                uint32_t entry = i;
                if (list == 1) {
                    entry = Be32(tail);
                    if (entry >= words_.Count()) return Error::BadIndex;
                }
                all.push_back({std::string(word, length), entry, LowerCaseUtf8(word, length) == folded});
            }
        }
        // Exact ones first, each part in the index's order; the same word from both lists is one.
        std::stable_sort(all.begin(), all.end(), [](const Hit& a, const Hit& b) {
            if (a.exact != b.exact) return a.exact;
            return StarDictCompare(a.word.data(), a.word.size(), b.word.data(), b.word.size()) < 0;
        });
        for (const Hit& hit : all) {
            if (found->empty() || found->back().shown != hit.word) {
                if (found->size() == limit) {
                    *more = true;
                    break;
                }
                found->push_back({hit.word, {}});
            }
            std::vector<uint32_t>& entries = found->back().entries;
            if (std::find(entries.begin(), entries.end(), hit.entry) == entries.end() &&
                entries.size() < CandidateLimit)
                entries.push_back(hit.entry);
        }
    } catch (const std::bad_alloc&) {
        found->clear();
        return Error::NoMemory;
    }
    return Error::None;
}

bool SplitStarDictFields(const std::string& data, const std::string& sameTypeSequence,
                         std::vector<StarDictField>* fields) {
    fields->clear();
    size_t at = 0;
    size_t typed = 0; // fields of the type sequence read so far
    while (at < data.size() || typed < sameTypeSequence.size()) {
        char type;
        bool last;
        if (!sameTypeSequence.empty()) {
            if (typed == sameTypeSequence.size()) return false; // bytes beyond the last field
            type = sameTypeSequence[typed++];
            last = typed == sameTypeSequence.size();
        } else {
            type = data[at++];
            last = false;
        }
        bool sized = type >= 'A' && type <= 'Z';
        if (!sized && !(type >= 'a' && type <= 'z')) return false;
        size_t begin = at, end;
        if (last) {
            end = data.size(); // neither a NUL nor a size: the rest is the field
        } else if (sized) {
            if (data.size() - at < 4) return false;
            uint32_t size = Be32((const unsigned char*)data.data() + at);
            if (size > data.size() - at - 4) return false;
            begin = at + 4;
            end = begin + size;
        } else {
            size_t nul = data.find('\0', at);
            // The last field of an article without a type sequence may end without its NUL.
            end = nul == std::string::npos ? data.size() : nul;
        }
        fields->push_back({type, data.substr(begin, end - begin)});
        at = (!last && !sized && end < data.size()) ? end + 1 : end;
    }
    return true;
}

Error StarDictDictionary::Article(uint32_t entry, std::string* word, std::vector<StarDictField>* fields) {
    if (entry >= words_.Count()) return Error::BadIndex;
    size_t length = 0;
    const unsigned char* tail = nullptr;
    const char* w = words_.Word(entry, &length, &tail);
    if (!w) return Error::ReadFailed;
    uint64_t offset = Be32(tail);
    if (info_.offsetBits == 64) {
        offset = offset << 32 | Be32(tail + 4);
        tail += 4;
    }
    uint32_t size = Be32(tail + 4);
    if (size > ArticleByteLimit) return Error::TooLarge;
    if (offset > (uint64_t)body_.Size()) return Error::BadIndex;
    std::string data;
    try {
        word->assign(w, length);
        Error error = body_.Read((int64_t)offset, size, &data);
        if (error != Error::None) return error;
        if (!SplitStarDictFields(data, info_.sameTypeSequence, fields)) return Error::BadBody;
    } catch (const std::bad_alloc&) {
        return Error::NoMemory;
    }
    return Error::None;
}

} // namespace dravel
