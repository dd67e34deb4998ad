// One dictionary lookup: the keyword's run found through the index, the headwords of that run
// that the keyword begins offered as candidates, the chosen article read whole and written as
// "Dravel.txt". Lookup holds the open files of one request; RunLookup is the whole request with
// the module front's parts (notice, menu, result folder) passed in as functions.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "text/charsets.h"
#include "core.h"
#include "fileio.h"
#include "index.h"
#include "linereader.h"
#include "shipped.h"

namespace dravel {

struct Candidate {
    char text[MenuTextLimit + 1]; // the headword cut to 127 bytes, NULs shown as spaces
    uint32_t offset;              // where its line starts in the dictionary; in the shipped
                                  // formats, its number in the lookup's list
};

class Lookup {
  public:
    explicit Lookup(CompareFn compare);
    Lookup(const Lookup&) = delete;
    Lookup& operator=(const Lookup&) = delete;

    // Copies the keyword (one character gets a space appended), opens the dictionary and its
    // index (building it, with the notice, when missing) and finds the keyword's run. An empty
    // or null keyword opens nothing and returns None; Collect then finds nothing.
    Error Open(const char* dictionaryPath, const char* keyword, const BuildNotice* notice = nullptr);
    // The run's lines whose headword the keyword begins, in dictionary order, at most
    // CandidateLimit of them; *more tells whether the run holds more.
    Error Collect(std::vector<Candidate>* candidates, bool* more);
    // The whole line at a candidate's offset (up to ArticleLimit bytes).
    Error ReadArticle(uint32_t offset, std::string* line);
    void Close();

    // The keyword as used, with its appended space: the result window's title.
    const char* Keyword() const { return keyword_; }

  private:
    CompareFn compare_;
    char keyword_[KeywordLimit + 1];
    size_t keywordLength_ = 0;
    File dictionaryFile_;
    File indexFile_;
    LineReader dictionary_;
    int64_t runStart_ = -1; // -1 until a run is found
};

// What the module front supplies for a whole request.
struct LookupHost {
    CompareFn compare;
    BuildNotice notice;
    // Shows the candidates (count >= 2, or more set: the list stopped at CandidateLimit and the
    // menu ends with a line saying so) and gives the chosen index, or a negative for cancel (null:
    // the first is taken). name is the dictionary's own name, in the candidates' code page, or
    // empty.
    int (*choose)(void* context, const Candidate* candidates, size_t count, bool more, const char* keyword,
                  const char* name);
    // Makes a new, empty result folder and puts its path into folder (size bytes); false on failure
    // (null: every lookup that finds an article fails with CreateResult).
    bool (*makeFolder)(void* context, char* folder, size_t size);
    void* context;
    // The shipped formats' UTF-8 dictionaries only. The upper half of the keyword's 8-bit code
    // page (null: the keyword is UTF-8), and the code page the candidates and the result file are
    // written in (null: UTF-8).
    const char32_t* keywordUpperHalf = nullptr;
    const TextTarget* target = nullptr;
};

enum class Outcome {
    Failed,   // error says why
    Nothing,  // empty keyword, or the menu was cancelled: show nothing
    NotFound, // no headword of the keyword's run begins with it: say so
    Written,  // the article is in path: open it, titled with title
};

struct LookupResult {
    Outcome outcome = Outcome::Nothing;
    Error error = Error::None;
    std::string path;       // the result file
    std::string title;      // the keyword as used
    bool converted = false; // the file is in the host's target code page (UTF-8 without one),
                            // not in the dictionary's own bytes
};

// The whole lookup of one HM_SHOWHELP in a dictionary of the format: open, collect, choose, read,
// write.
LookupResult RunLookup(const char* dictionaryPath, const char* keyword, const LookupHost& host,
                       Format format = Format::OneLine);

// The result file's bytes of a shipped dictionary's article text: in the target's code page with
// its stand-ins, or UTF-8 without a target; lines ending in CR LF.
std::string ResultBytes(const std::u32string& text, const TextTarget* target);

// An 8-bit keyword as UTF-8, its bytes 0x80..0xFF read through the code page's upper half.
std::string KeywordAsUtf8(const char* keyword, const char32_t* upperHalf);

} // namespace dravel
