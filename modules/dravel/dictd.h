// A dictd dictionary read in place: NAME.index (one line per article: headword, TAB, the article's
// offset and length in base-64 digits, and sometimes a TAB and the headword to show) sorted in
// the collation its "00-database-*" entries name, and the body NAME.dict or NAME.dict.dz. A lookup
// searches the index by halves within the file and reads only the chosen articles from the body.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "body.h"
#include "core.h"
#include "fileio.h"
#include "linereader.h"

namespace dravel {

// How an index is sorted and compared, from its "00-database-*" entries.
struct DictdCollation {
    bool utf8 = false;     // "00-database-utf8": headwords are UTF-8, compared as Unicode text
    bool allchars = false; // "00-database-allchars": every character counts; otherwise only
                           // letters, digits and spaces do ("dictionary order")
};

// A headword's key in the collation: lower case (Latin, Greek and Cyrillic letters for UTF-8,
// ASCII letters otherwise), white space as one space, and, unless allchars, nothing but letters,
// digits and spaces. Keys compare as bytes; a headword begins with a keyword when its key begins
// with the keyword's key.
std::string DictdKey(const char* text, size_t length, const DictdCollation& collation);

// Base-64 digits of a dictd index ("A".."Z", "a".."z", "0".."9", "+", "/", most significant first)
// as a number; false for no digits, another character or a value above 2^40.
bool DecodeBase64Number(const char* text, size_t length, uint64_t* value);

// NAME from any of NAME.index, NAME.dict, NAME.dict.dz or NAME.
std::string DictdBaseName(const char* path);

// One headword of the index with the articles filed under it, in the index's order.
struct DictdHeadword {
    std::string shown; // as the index shows it: its fourth column when present, else its first
    std::string key;   // its key in the index's collation
    struct Article {
        uint64_t offset, length;
    };
    std::vector<Article> articles;
};

class DictdDictionary {
  public:
    DictdDictionary();
    DictdDictionary(const DictdDictionary&) = delete;
    DictdDictionary& operator=(const DictdDictionary&) = delete;

    // Opens NAME.index and NAME.dict.dz (else NAME.dict) for any of the dictionary's files, reads
    // the collation and the short name. OpenDictionary when either file is missing.
    Error Open(const char* path);
    // Closes both files (a dictionary is also closed when it goes).
    void Close();
    const DictdCollation& Collation() const { return collation_; }
    // The "00-database-short" entry's text (the dictionary's name), or empty.
    const std::string& ShortName() const { return shortName_; }

    // The headwords that begin with the keyword (UTF-8 for a UTF-8 dictionary, else its own
    // bytes), in the index's order, which puts the keyword itself first: at most limit of them,
    // *more telling whether there are others. The index's own entries ("00-database-*") are never
    // offered. UnsortedIndex when the entries the search meets are out of order, BadIndex when one
    // of them cannot be read.
    Error Find(const std::string& keyword, size_t limit, std::vector<DictdHeadword>* found, bool* more);

    // The articles of a headword as the body holds them, one after the other with an empty line
    // between. TooLarge for an article longer than ArticleByteLimit, BadIndex for one outside
    // the body.
    Error Articles(const DictdHeadword& headword, std::string* text);

  private:
    Error Search(const std::string& key, const DictdCollation& collation, bool exactOnly, size_t limit,
                 std::vector<DictdHeadword>* found, bool* more);
    Error ReadArticle(uint64_t offset, uint64_t length, std::string* text);

    File indexFile_;
    LineReader index_;
    int64_t indexSize_ = 0;
    DictionaryBody body_;
    DictdCollation collation_;
    std::string shortName_;
};

} // namespace dravel
