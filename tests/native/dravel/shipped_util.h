// Dictionaries of the shipped formats made by the tests themselves: dictzip bodies (with chunk
// tables that may be made to lie), dictd indexes, StarDict descriptions, indexes and synonyms.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

namespace dravel_test {

// gzip of the text in the dictzip form: chunks of chunkLength text bytes, each deflated with a
// full flush; chunkSizes (may be null) receives each chunk's deflate length, headerSize the
// offset of the first chunk's data.
std::string Dictzip(const std::string& text, uint32_t chunkLength,
                    std::vector<uint32_t>* chunkSizes = nullptr, size_t* headerSize = nullptr);
// Plain gzip (no chunk table).
std::string Gzip(const std::string& text);
// The offset of the "RA" subfield's chunk count in a Dictzip file (the table follows it).
const size_t DictzipCountOffset = 20;

// A dictd base-64 number.
std::string Base64Number(uint64_t value);

struct DictdArticle {
    std::string headword; // as the index has it
    std::string text;
};
// A dictd dictionary NAME.index and NAME.dict (or NAME.dict.dz) from articles, written in the
// order given (sort them first); entries names extra "00-database-*" lines' headwords in front.
void WriteDictd(const std::string& base, const std::vector<DictdArticle>& articles, bool compress,
                const std::vector<std::string>& databaseEntries = {"00-database-utf8",
                                                                   "00-database-allchars"});

struct StarDictEntry {
    std::string word;
    std::string data; // the article's bytes as the body holds them
};
struct StarDictOptions {
    std::string version = "2.4.2";
    std::string sameTypeSequence = "m";
    bool offsets64 = false;
    bool gzipIndex = false;
    bool dictzipBody = true;
    std::vector<std::pair<std::string, uint32_t>> synonyms; // word, entry number
    long wordCountDelta = 0;                                // a description that lies about its count
};
// A StarDict dictionary from entries (sorted by the caller), returning the .ifo's path.
std::string WriteStarDict(const std::string& base, const std::vector<StarDictEntry>& entries,
                          const StarDictOptions& options = StarDictOptions());

} // namespace dravel_test
