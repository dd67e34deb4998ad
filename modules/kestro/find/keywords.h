// The keyword index of a CHM, as its author wrote it: the binary index "/$WWKeywordLinks/BTree"
// (a B-tree of UTF-16 keywords, each with its topic numbers or a see-also target), or, in a file
// without one, the sitemap index (the ".hhk" object) it is compiled from. A lookup reads only
// the blocks that can hold its word; entries come out in the index's order, sub-keywords
// flattened as "Parent, Child".
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "chm/container.h"

// One page of a sitemap keyword: the title the index gives it (may be empty) and its path.
struct KeywordPage {
    std::u16string Title;
    std::string Path; // as the index writes it, relative to the file's root
};

struct KeywordEntry {
    std::u16string Keyword; // flattened: "Parent, Child" for a sub-keyword
    uint32_t Depth;         // 0 for a top-level keyword
    uint32_t OwnPart;       // where its own (last) part begins in Keyword; 0 at depth 0
    bool SeeAlso;
    std::u16string Target;          // the keyword a see-also entry refers to
    std::vector<uint32_t> Topics;   // binary index: rows of "/#TOPICS"
    std::vector<KeywordPage> Pages; // sitemap index: the pages themselves
};

enum KeywordIndexKind { KeywordIndexNone = 0, KeywordIndexBinary, KeywordIndexSitemap };

enum KeywordStatus {
    KeywordOk = 0,
    KeywordDamaged, // a block or the sitemap could not be read or parsed: what was read stands
    KeywordNoMemory
};

// What the binary index's header says, as read (the lookup trusts none of it blindly).
struct KeywordIndexHeader {
    uint32_t BlockSize;
    uint32_t LastListingBlock; // blocks 0..this hold the entries; later ones are index blocks
    uint32_t RootBlock;
    uint32_t BlockCount; // as stated; blocks past the object's end are not read
    uint32_t Depth;      // levels as stated (some compilers get it wrong; it is not used)
    uint32_t KeywordCount;
    uint32_t CodePage;
    uint32_t Locale;
};

// How text of the file (a sitemap index, titles) turns into Unicode: the characters of the bytes
// 0x80..0xFF of the file's ANSI code page, and the character of a named HTML entity.
struct KeywordText {
    const char32_t* UpperHalf;                                // null: those bytes are undefined
    char32_t (*NamedEntity)(const char* name, size_t length); // null: only &amp; &lt; &gt; &quot;
};

struct KeywordIndex;

// Opens the index of a container: the binary one, else the sitemap one that "/#SYSTEM" names (or
// "/#WINDOWS", or "<stem>.hhk"). The index is of kind KeywordIndexNone when the file has neither
// (or the binary index's header is unusable and there is no sitemap); it then finds nothing.
// KeywordNoMemory leaves *index null. The container must outlive the index.
KeywordStatus OpenKeywordIndex(ChmContainer* container, const char* stem, const KeywordText& text,
                               KeywordIndex** index);

// The sitemap index alone, even where the file has a binary one (to hold one against the other).
KeywordStatus OpenKeywordSitemap(ChmContainer* container, const char* stem, const KeywordText& text,
                                 KeywordIndex** index);

void CloseKeywordIndex(KeywordIndex* index);

KeywordIndexKind KeywordIndexKindOf(const KeywordIndex* index);

// The binary index's header (false for a sitemap index).
bool KeywordIndexHeaderOf(const KeywordIndex* index, KeywordIndexHeader* header);

// Why the binary index was passed over, when it was (null when it was not, or is absent).
const char* KeywordIndexRefusal(const KeywordIndex* index);

// Blocks of the binary index read so far, and which (in the order read; the benchmark's peer reads
// the same bytes).
uint32_t KeywordBlocksRead(const KeywordIndex* index);
std::vector<uint32_t> KeywordBlockList(const KeywordIndex* index);

// Called for each entry; false stops the visit.
typedef bool (*KeywordVisitor)(void* context, const KeywordEntry& entry);

// Visits, in the index's order, the entries whose keyword begins with `prefix` (compared
// case-insensitively for Latin and Cyrillic letters); an empty prefix visits them all. The binary
// index is entered through its tree (or, where the tree's links cannot be right, by a search over
// the listing blocks) and walked only while entries can still begin with the prefix.
KeywordStatus VisitKeywords(KeywordIndex* index, const char16_t* prefix, size_t length, KeywordVisitor visit,
                            void* context);

// Case folding for comparisons: Latin (ASCII, Latin-1, Latin Extended-A) and Cyrillic letters to
// their lower case; every other code unit as it is.
char16_t FoldCase(char16_t c);

// Text of the help file (a title, a sitemap value) in UTF-16: as UTF-8 when it is well-formed
// UTF-8 with a character beyond ASCII, else in the code page whose bytes 0x80..0xFF upperHalf
// gives (null: U+FFFD for them).
std::u16string DecodeFileText(const char* text, size_t length, const char32_t* upperHalf);

// UTF-8 to UTF-16 (a malformed sequence as U+FFFD) and back, for keywords given and shown as UTF-8.
std::u16string Utf16FromUtf8(const char* text, size_t length);
std::string Utf8FromUtf16(const std::u16string& text);
