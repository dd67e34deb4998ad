// A lookup in a dictionary as it is shipped, dictd or StarDict, whichever it is: the headwords a
// keyword begins, and the chosen headword's articles as text. The one-line form with its own
// index is lookup.h's.
#pragma once

#include <stddef.h>

#include <memory>
#include <string>
#include <vector>

#include "text/charsets.h"
#include "core.h"
#include "dictd.h"
#include "stardict.h"

namespace dravel {

enum class Format {
    OneLine,  // "headword  text" lines with the ".hsh" index built beside them
    Dictd,    // NAME.index and NAME.dict(.dz)
    StarDict, // NAME.ifo, NAME.idx(.gz), NAME.syn, NAME.dict(.dz)
};

// The format a file's name and its neighbours tell: a StarDict file or a body beside a ".ifo",
// a dictd file or a body beside a ".index", otherwise the one-line form.
Format DetectFormat(const char* path);
const char* FormatName(Format format);

class ShippedLookup {
  public:
    ShippedLookup();
    ~ShippedLookup();
    ShippedLookup(const ShippedLookup&) = delete;
    ShippedLookup& operator=(const ShippedLookup&) = delete;

    // Opens the dictionary named by any of its files (format Dictd or StarDict).
    Error Open(const char* path, Format format);
    // Its name: dictd's "00-database-short", StarDict's bookname; may be empty.
    const std::string& Name() const { return name_; }
    // Whether its headwords and texts are UTF-8; else they are 8-bit bytes of an unnamed code
    // page, shown as they stand (a dictd dictionary without "00-database-utf8").
    bool Utf8() const;

    // The headwords that begin with the keyword (UTF-8, or the dictionary's bytes when not Utf8),
    // those equal to it first: at most CandidateLimit, *more telling whether there are others.
    Error Find(const std::string& keyword, std::vector<std::string>* headwords, bool* more);
    // Whether the headword Find gave as number `which` is the keyword itself (in the collation of
    // the dictionary's index, or without regard to case).
    bool IsExact(size_t which) const { return which < exact_.size() && exact_[which]; }
    // The articles of the headword Find gave as number `which`, as text; for a UTF-8 dictionary
    // target (null: any character) measures what StarDict's markup lays out.
    Error Text(size_t which, const TextTarget* target, std::u32string* text);
    // The same for a dictionary that is not UTF-8: its bytes, lines ending in '\n'.
    Error Bytes(size_t which, std::string* bytes);

  private:
    Format format_ = Format::Dictd;
    std::unique_ptr<DictdDictionary> dictd_;
    std::unique_ptr<StarDictDictionary> stardict_;
    std::vector<DictdHeadword> dictdFound_;
    std::vector<StarDictHeadword> stardictFound_;
    std::vector<bool> exact_;
    std::string name_;
};

} // namespace dravel
