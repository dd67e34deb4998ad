// A StarDict dictionary read in place: NAME.ifo (its description: version 2.4.2 or 3.0.0, word
// count, index size, offset width, the types of its article fields), NAME.idx or NAME.idx.gz (the
// words, sorted, each with its article's offset and size in the body), NAME.syn when present
// (synonyms, each naming a word of the index) and the body NAME.dict.dz or NAME.dict. The index is
// read through once when opened and then a page at a time; a lookup reads only the chosen
// articles from the body.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "body.h"
#include "core.h"

namespace dravel {

struct StarDictInfo {
    std::string version;          // "2.4.2" or "3.0.0"
    std::string bookName;         // the dictionary's name
    std::string sameTypeSequence; // the types of every article's fields, or empty
    uint32_t wordCount = 0;       // words of the .idx
    uint32_t synWordCount = 0;    // synonyms of the .syn (0: none)
    uint64_t idxFileSize = 0;     // bytes of the .idx (of the .idx.gz once inflated)
    unsigned offsetBits = 32;     // width of an article's offset in the .idx: 32, or 64 in 3.0.0
};

// Reads an .ifo's text. Unsupported when it is not one (its first line) or of another version,
// IndexMismatch when a number it must give is missing or not a number, or idxoffsetbits is
// neither 32 nor 64.
Error ReadStarDictInfo(const char* text, size_t length, StarDictInfo* info);

// NAME from any of NAME.ifo, NAME.idx, NAME.idx.gz, NAME.syn, NAME.dict, NAME.dict.dz or NAME.
std::string StarDictBaseName(const char* path);

// The StarDict order of words: without regard to the case of ASCII letters, then by bytes.
int StarDictCompare(const char* a, size_t aLength, const char* b, size_t bLength);

// A sorted list of words, each followed by a fixed-size tail (the .idx's offset and size, the
// .syn's word number): read through once when it is opened (counted, checked for order, every
// PageSize-th entry's place noted), then a page of entries at a time as lookups need them, from
// the file, or from bytes held in memory (an inflated .idx.gz).
class WordList {
  public:
    // BadIndex for an entry that runs past the end or whose word is empty or longer than
    // WordLimit, IndexMismatch when the count differs from the description's, UnsortedIndex when
    // two neighbours are out of order, OpenDictionary or ReadFailed for the file.
    Error LoadFile(const std::string& path, uint32_t expectedCount, size_t tailSize);
    Error LoadBytes(std::vector<char>* bytes, uint32_t expectedCount, size_t tailSize);
    uint32_t Count() const { return count_; }
    // Word i (NUL-terminated) and its tail, valid until the next call; null when its page cannot
    // be read again (the file changed).
    const char* Word(uint32_t i, size_t* length, const unsigned char** tail);
    // The first word that is not below prefix when ASCII case is ignored.
    uint32_t LowerBound(const char* prefix, size_t length);

    enum : size_t { WordLimit = 1024, PageSize = 32 };

  private:
    Error Scan(uint32_t expectedCount);
    bool ReadAt(uint64_t offset, char* buffer, size_t size);

    File file_;
    bool inFile_ = false;
    uint64_t size_ = 0;
    std::vector<char> bytes_;     // the whole list (in memory), or the page last read
    uint32_t page_ = 0xFFFFFFFF;  // which page bytes_ holds, read from the file
    std::vector<uint64_t> pages_; // where every PageSize-th entry starts
    uint32_t count_ = 0;
    size_t tail_ = 0;
};

// A field of an article: its type letter and its bytes.
struct StarDictField {
    char type;
    std::string data;
};

// A word (or synonym) the keyword begins, with the index entries whose articles it shows.
struct StarDictHeadword {
    std::string shown;
    std::vector<uint32_t> entries;
};

class StarDictDictionary {
  public:
    // Opens the dictionary named by any of its files: the description, the index (inflated when
    // it is NAME.idx.gz), the synonyms when the description counts any, and the body.
    Error Open(const char* path);
    const StarDictInfo& Info() const { return info_; }

    // The words and synonyms that begin with the keyword (UTF-8), without regard to the case of
    // Latin, Greek and Cyrillic letters: those equal to it first, then in the index's order; at
    // most limit, *more telling whether there are others.
    Error Find(const std::string& keyword, size_t limit, std::vector<StarDictHeadword>* found, bool* more);

    // The word and the fields of an index entry's article. TooLarge for an article longer than
    // ArticleByteLimit, BadIndex for one outside the body, BadBody when its fields cannot be read.
    Error Article(uint32_t entry, std::string* word, std::vector<StarDictField>* fields);

  private:
    Error Collect(WordList& list, const std::string& keyword, size_t limit, std::vector<uint32_t>* hits);

    StarDictInfo info_;
    WordList words_, synonyms_;
    DictionaryBody body_;
};

// The fields of an article's data: by the description's type sequence when it has one (the last
// field then has neither its NUL nor its size: it runs to the end), else each led by its type.
// A field of a lower-case type ends at a NUL, one of an upper-case type is led by its size.
// False for data that does not hold them.
bool SplitStarDictFields(const std::string& data, const std::string& sameTypeSequence,
                         std::vector<StarDictField>* fields);

} // namespace dravel
