// The help file's full-text index, "/$FIftiMain": the topics whose pages (or titles) hold a word,
// whole or as a prefix, with how often it occurs. Only the nodes on the path to the word and that
// word's location codes are read, through the container's span reads; the rest of the index stays
// on disk. Case is folded in the index's code page through a table the caller builds.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "chm/container.h"

enum FullTextStatus {
    FullTextDone = 0,
    FullTextAbsent, // no "/$FIftiMain", or an empty one: the file has no full-text index
    FullTextBadSignature,
    FullTextBadData,     // a node, an entry or the location codes contradict the layout
    FullTextTruncated,   // a node or the location codes lie past the end of the index
    FullTextUnsupported, // a scale other than 2, a root outside 1..31, a node size out of range
    FullTextNoMemory,
    FullTextUnreadable // the index object is listed but its bytes cannot be read
};

enum {
    FullTextWordSize = 512, // the longest stored word (255 + 254 bytes) and its NUL
    FullTextMaxDepth = 16,  // index levels above the leaves that a tree may have
    FullTextMinNodeSize = 64,
    FullTextMaxNodeSize = 65536
};

// What a search has to know of the index, from its header, and what searching has cost.
struct FullTextIndex {
    ChmContainer* Container;       // where "/$FIftiMain" is read from, span by span
    const DirectoryRecord* Record; // its record
    uint32_t Length;               // of the object
    uint32_t Documents;            // pages indexed, as the header says
    uint32_t RootOffset;
    uint32_t NodeSize;
    uint32_t Depth;          // 1: the root is a leaf
    uint32_t LeafCount;      // as the header says
    uint8_t DocumentRoot;    // root sizes of the scale-and-root codes: topic number steps,
    uint8_t CountRoot;       // location counts
    uint8_t LocationRoot;    // and location steps (every scale is 2)
    uint32_t CodePage;       // the words' code page (0 when the header gives none)
    uint32_t LocaleId;       // the words' language
    unsigned char Fold[256]; // byte -> its lower-case byte in CodePage; identity until set

    // What the searches so far have read.
    uint32_t NodesRead;     // index and leaf nodes
    uint32_t EntriesRead;   // leaf entries parsed
    uint32_t WordsMatched;  // leaf entries whose location codes were decoded
    uint64_t LocationBytes; // bytes of location codes read
};

// One topic that holds the word.
struct FullTextHit {
    uint32_t Topic;       // its number: row of "/#TOPICS"
    uint32_t Occurrences; // in the page's text
    uint32_t InTitle;     // occurrences in its title (nonzero: a title hit)
};

// Reads and checks the header. Fold is left as ASCII folding; FullTextFoldTable sets it for the
// index's code page.
FullTextStatus OpenFullTextIndex(ChmContainer* container, FullTextIndex* index);

// The fold table of an 8-bit code page: bytes whose character has a lower-case form in the same
// page map to that form's byte (Latin and Cyrillic letters, as FoldCase folds them); upperHalf gives the
// characters of the bytes 0x80..0xFF (U+FFFD where undefined), null for ASCII folding only.
void FullTextFoldTable(const char32_t* upperHalf, unsigned char fold[256]);

// A word (UTF-16) in the index's 8-bit code page, whose bytes 0x80..0xFF are the characters of
// upperHalf (null: ASCII only), NUL-terminated in `out`. False when a character has no byte there
// (no word of the index can hold it) or the word does not fit `size`.
bool FullTextWordBytes(const char16_t* word, size_t length, const char32_t* upperHalf, char* out,
                       size_t size);

// The topics whose text or title holds `word` (in the index's code page), or a word that begins
// with it when `prefix`: title hits first, then by occurrences, most first, then by topic number.
// Topics numbered `topicLimit` or more (past "/#TOPICS") are left out. *hits is a fresh array
// (null when *count is 0) freed with FreeObject; on failure nothing is kept.
FullTextStatus SearchFullText(FullTextIndex* index, const char* word, bool prefix, uint32_t topicLimit,
                              FullTextHit** hits, uint32_t* count);
