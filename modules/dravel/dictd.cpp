// The dictd reader.
//
// The index is searched by halves within the file, as the look(1) family does: a probe at a byte
// offset skips to the next line start and compares that line's key; once the span is small it
// is read line by line. Decisions:
// - The collation is the one the index names. An index marked "utf8" or "allchars" is in the byte
//   order of its (lower-cased) headwords; an unmarked one in dictionary order. Both are served by
//   comparing keys (DictdKey), so an index that keeps its headwords in their own case is read too.
// - Every key the search meets must keep the order: the probes must lie between the keys that
//   bounded them, and the lines read one by one must not go down. An index out of order is named
//   as such, rather than answered from wherever the halving happened to lead.
// - A line that cannot be read (no two TABs, a digit that is not base 64) is a damaged index where
//   it is one of the answer's entries; elsewhere only its headword counts, for the order, so that
//   one bad line costs only its own headword. A line longer than LineCap is a damaged index; an
//   empty line is passed over.
// - Entries with the same key are one headword; its articles come in the index's order, as dictd
//   gives them. A headword holds at most CandidateLimit articles.
#include "dictd.h"

#include <string.h>

#include <new>

#include "codepage.h"
#include "unicase.h"

namespace dravel {

namespace {

enum : size_t {
    LineCap = 4096, // the longest index line read; dictd's own headwords stop at 512 bytes
    LinearSpan = 8 * 1024,
    ShortNameCap = 1024,
};

struct Entry {
    std::string headword, shown;
    uint64_t offset = 0, length = 0;
    bool valid = false; // the offset and length could be read
};

// Reads an index line: its headword (the text before the first TAB, or the whole line) always,
// the rest when it is well formed.
void ParseEntry(const std::string& line, Entry* e) {
    size_t t1 = line.find('\t');
    e->headword.assign(line, 0, t1);
    e->shown = e->headword;
    e->valid = false;
    if (t1 == std::string::npos || t1 == 0) return;
    size_t t2 = line.find('\t', t1 + 1);
    if (t2 == std::string::npos) return;
    size_t t3 = line.find('\t', t2 + 1);
    size_t end = t3 == std::string::npos ? line.size() : t3;
    if (!DecodeBase64Number(line.data() + t1 + 1, t2 - t1 - 1, &e->offset) ||
        !DecodeBase64Number(line.data() + t2 + 1, end - t2 - 1, &e->length))
        return;
    if (t3 != std::string::npos && t3 + 1 < line.size()) e->shown.assign(line, t3 + 1, std::string::npos);
    e->valid = true;
}

bool IsDatabaseEntry(const std::string& headword) {
    return headword.compare(0, 12, "00-database-") == 0 || headword.compare(0, 10, "00database") == 0;
}

// The first line of a "00-database-*" article that is not the entry's own name, trimmed.
std::string FirstTextLine(const std::string& text) {
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        size_t s = at, e = end;
        while (s < e && (text[s] == ' ' || text[s] == '\t' || text[s] == '\r'))
            ++s;
        while (e > s && (text[e - 1] == ' ' || text[e - 1] == '\t' || text[e - 1] == '\r'))
            --e;
        std::string line = text.substr(s, e - s);
        at = end + 1;
        if (!line.empty() && !IsDatabaseEntry(line)) return line;
    }
    return std::string();
}

} // namespace

std::string DictdKey(const char* text, size_t length, const DictdCollation& collation) {
    std::string key;
    key.reserve(length);
    if (collation.utf8) {
        for (size_t at = 0; at < length;) {
            char32_t c = NextCharacter(text, length, &at);
            if (IsWhiteSpace(c))
                key += ' ';
            else if (collation.allchars || IsLetterOrDigit(c))
                AppendUtf8(&key, LowerCase(c));
        }
        return key;
    }
    for (size_t i = 0; i < length; ++i) {
        unsigned char b = (unsigned char)text[i];
        if (b == ' ' || (b >= '\t' && b <= '\r'))
            key += ' ';
        else if (collation.allchars || b >= 0x80 || IsLetterOrDigit(b))
            key += (char)(b >= 'A' && b <= 'Z' ? b + 0x20 : b);
    }
    return key;
}

bool DecodeBase64Number(const char* text, size_t length, uint64_t* value) {
    if (length == 0) return false;
    uint64_t v = 0;
    for (size_t i = 0; i < length; ++i) {
        char c = text[i];
        unsigned digit;
        if (c >= 'A' && c <= 'Z')
            digit = (unsigned)(c - 'A');
        else if (c >= 'a' && c <= 'z')
            digit = (unsigned)(c - 'a') + 26;
        else if (c >= '0' && c <= '9')
            digit = (unsigned)(c - '0') + 52;
        else if (c == '+')
            digit = 62;
        else if (c == '/')
            digit = 63;
        else
            return false;
        v = v * 64 + digit;
        if (v > ((uint64_t)1 << 40)) return false;
    }
    *value = v;
    return true;
}

std::string DictdBaseName(const char* path) {
    std::string base = path;
    for (const char* ext : {".index", ".dict.dz", ".dict"}) {
        if (PathEndsWith(base, ext)) {
            base.resize(base.size() - strlen(ext));
            break;
        }
    }
    return base;
}

DictdDictionary::DictdDictionary() : index_(indexFile_) {}

void DictdDictionary::Close() {
    indexFile_.Close();
    index_.Reset();
    body_.Close();
    collation_ = DictdCollation();
    shortName_.clear();
}

Error DictdDictionary::Open(const char* path) {
    Close();
    std::string base;
    try {
        base = DictdBaseName(path);
    } catch (const std::bad_alloc&) {
        return Error::NoMemory;
    }
    if (!indexFile_.OpenRead((base + ".index").c_str()) || !indexFile_.Size(&indexSize_))
        return Error::OpenDictionary;
    index_.Reset();
    Error error = body_.Open((base + ".dict.dz").c_str());
    if (error == Error::OpenDictionary) error = body_.Open((base + ".dict").c_str());
    if (error != Error::None) return error;

    // The entries that say how the index is sorted are found in the collation each of them
    // implies: "allchars" with every character counting, "utf8" in the collation found so far.
    std::vector<DictdHeadword> found;
    bool more = false;
    DictdCollation probe;
    probe.allchars = true;
    auto has = [&](const char* name, const DictdCollation& collation, bool* present) {
        std::string key = DictdKey(name, strlen(name), collation);
        Error e = Search(key, collation, true, 1, &found, &more);
        *present = e == Error::None && !found.empty();
        return e == Error::ReadFailed || e == Error::NoMemory ? e : Error::None;
    };
    if ((error = has("00-database-allchars", probe, &collation_.allchars)) != Error::None) return error;
    probe.allchars = collation_.allchars;
    if ((error = has("00-database-utf8", probe, &collation_.utf8)) != Error::None) return error;
    bool named = false;
    if ((error = has("00-database-short", collation_, &named)) != Error::None) return error;
    if (named && !found[0].articles.empty()) {
        std::string text;
        const DictdHeadword::Article& a = found[0].articles[0];
        if (a.length <= ShortNameCap && ReadArticle(a.offset, a.length, &text) == Error::None)
            shortName_ = FirstTextLine(text);
    }
    return Error::None;
}

Error DictdDictionary::Find(const std::string& keyword, size_t limit, std::vector<DictdHeadword>* found,
                            bool* more) {
    found->clear();
    *more = false;
    try {
        std::string key = DictdKey(keyword.data(), keyword.size(), collation_);
        if (key.empty()) return Error::None;
        Error error = Search(key, collation_, false, limit, found, more);
        if (error != Error::None) found->clear();
        return error;
    } catch (const std::bad_alloc&) {
        found->clear();
        return Error::NoMemory;
    }
}

Error DictdDictionary::Search(const std::string& key, const DictdCollation& collation, bool exactOnly,
                              size_t limit, std::vector<DictdHeadword>* found, bool* more) {
    found->clear();
    *more = false;
    std::string line, lineKey, below, above;
    bool haveBelow = false, haveAbove = false;
    Entry e;
    int64_t length = 0;
    int64_t lo = 0, hi = indexSize_;
    while (hi - lo > (int64_t)LinearSpan) {
        index_.Seek(lo + (hi - lo) / 2);
        if (!index_.ReadLine(&line, 0)) break; // the rest of the probed line
        int64_t start = index_.Tell();
        if (start >= hi || !index_.ReadLine(&line, LineCap, &length)) break;
        if (length > (int64_t)LineCap) return Error::BadIndex;
        ParseEntry(line, &e);
        lineKey = DictdKey(e.headword.data(), e.headword.size(), collation);
        if ((haveBelow && lineKey < below) || (haveAbove && lineKey > above)) return Error::UnsortedIndex;
        if (lineKey < key) {
            lo = index_.Tell();
            below.swap(lineKey);
            haveBelow = true;
        } else {
            hi = start;
            above.swap(lineKey);
            haveAbove = true;
        }
    }
    if (index_.Failed()) return Error::ReadFailed;

    index_.Seek(lo);
    std::string& previous = below;
    bool havePrevious = haveBelow;
    while (index_.ReadLine(&line, LineCap, &length)) {
        if (line.empty()) continue;
        if (length > (int64_t)LineCap) return Error::BadIndex;
        ParseEntry(line, &e);
        lineKey = DictdKey(e.headword.data(), e.headword.size(), collation);
        if (havePrevious && lineKey < previous) return Error::UnsortedIndex;
        previous = lineKey;
        havePrevious = true;
        if (lineKey < key) continue;
        if (lineKey.compare(0, key.size(), key) != 0 || (exactOnly && lineKey != key)) break;
        if (!exactOnly && IsDatabaseEntry(e.headword)) continue;
        if (!e.valid) return Error::BadIndex;
        if (found->empty() || found->back().key != lineKey) {
            if (found->size() == limit) {
                *more = true;
                break;
            }
            found->emplace_back();
            found->back().shown = e.shown;
            found->back().key = lineKey;
        }
        if (found->back().articles.size() < CandidateLimit)
            found->back().articles.push_back({e.offset, e.length});
    }
    return index_.Failed() ? Error::ReadFailed : Error::None;
}

Error DictdDictionary::ReadArticle(uint64_t offset, uint64_t length, std::string* text) {
    if (length > ArticleByteLimit) return Error::TooLarge;
    if (offset > (uint64_t)body_.Size()) return Error::BadIndex;
    return body_.Read((int64_t)offset, (uint32_t)length, text);
}

Error DictdDictionary::Articles(const DictdHeadword& headword, std::string* text) {
    text->clear();
    std::string one;
    try {
        for (const DictdHeadword::Article& a : headword.articles) {
            Error error = ReadArticle(a.offset, a.length, &one);
            if (error != Error::None) {
                text->clear();
                return error;
            }
            while (!one.empty() && (one.back() == '\n' || one.back() == '\r' || one.back() == ' '))
                one.pop_back();
            if (text->size() + one.size() + 2 > ArticleByteLimit) {
                text->clear();
                return Error::TooLarge;
            }
            if (!text->empty()) *text += "\n\n";
            *text += one;
        }
        if (!text->empty()) *text += '\n';
    } catch (const std::bad_alloc&) {
        text->clear();
        return Error::NoMemory;
    }
    return Error::None;
}

} // namespace dravel
