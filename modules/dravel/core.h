// Shared kinds of the dictionary core: the closed set of failures that the module front turns
// into its language-file messages, the host comparison it is handed, and the fixed limits.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace dravel {

// Every failure of a lookup. The module front shows the message MessageIndex() names.
enum class Error {
    None = 0,
    OpenDictionary, // the dictionary cannot be opened, or is 2 GB or larger
    CreateIndex,    // the index file cannot be created or written
    NoBodyStart,    // no line of the dictionary begins with "'c"
    NoIndexEntry,   // the keyword's first two characters have no index entry
    BadOffset,      // the indexed offset does not lead to a line of the keyword's run
    CreateResult,   // the result folder or file cannot be made or written
    ReadFailed,     // the dictionary failed to read part-way
    NoMemory,       // the candidate list or the article could not be held
    // The shipped formats (dictd, StarDict), which come with an index of their own:
    BadIndex,      // an index entry that cannot be read, or that points outside the body
    UnsortedIndex, // the index is not in the order of its own collation
    IndexMismatch, // the description (.ifo) disagrees with the index: its word count or size
    BadBody,       // the body (.dict, .dict.dz) is damaged or cut short where an article lies
    TooLarge,      // the index claims an article longer than ArticleByteLimit
    Unsupported,   // not a dictionary of the format, or a version of it that is not read
};

// Index of the module's message for a failure (7 to 12, 17 to 22); 0 for Error::None.
int MessageIndex(Error error);

// A short English text for the command-line tools (the module uses its language file).
const char* ErrorText(Error error);

// Case-insensitive comparison of at most n characters that stops at a NUL: the host's LStrnicmp
// in the module, a code-page fold (codepage.h) in the tools and tests. 0 means equal.
typedef int (*CompareFn)(const char* a, const char* b, int n);

enum : size_t {
    LineLimit = 10240,      // bytes of a dictionary line kept while indexing and collecting
    EntryLimit = 19,        // bytes of an index entry kept (the entry buffer holds 20)
    KeywordLimit = 511,     // bytes of the keyword kept (the keyword buffer holds 512)
    MenuTextLimit = 127,    // bytes of a headword shown in the candidate menu
    ArticleLimit = 1 << 20, // an article line longer than this is cut: a guard against junk files
    PathLimit = 259,        // longest result path (the path buffer holds 260)
    // Candidates offered in one menu, as many as the CHM reader offers topics: a menu of more is
    // no help, and a run of a million headwords must not make a list of a million.
    CandidateLimit = 10000,
};

// Largest offset an index entry can carry: offsets are signed 32-bit.
const int64_t OffsetLimit = 0x7FFFFFFF;

// The longest article of a dictd or StarDict dictionary that is shown: the largest of Debian's
// dictionaries stays below 200 KB an article, and Far is a 32-bit process.
const uint32_t ArticleByteLimit = 8u << 20;

} // namespace dravel
