// One help request of the CHM reader, short of showing it: the topic tables from the help
// file's companion index file or from the help file itself, the answer's lines (the topics whose
// titles begin with the keyword, or the keyword index and the titles ranked, then perhaps the
// pages' text, by the Search setting), the user's choice among several, and the chosen page's bytes.
// The module front supplies the host's compare, conversions and menu, and turns the
// outcome into a language-file message.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "find/answer.h"
#include "find/topics.h"

// Where a lookup looks for the keyword: Kestro's setting "Search". Each value past the first
// consults what the one before it does, and more; a new value is appended.
enum TopicSearch {
    SearchTitles = 0, // titles that begin with the keyword, in table order (the default)
    SearchIndex = 1,  // the keyword index and the titles, ranked: exact matches first
    SearchText = 2,   // as SearchIndex, then the pages' text (the full-text index) when that finds nothing
    TopicSearchCount
};

enum TopicLookupStatus {
    TopicPageFound = 0,    // the page's bytes are in the TopicPage
    TopicNoMatch,          // nothing matches the keyword
    TopicChoiceCancelled,  // several matched and the user chose none
    TopicFileUnopened,     // neither the index file nor the help file opens
    TopicTablesUnreadable, // the four topic tables are in neither file
    TopicPageUnreadable,   // the chosen page is missing, damaged, or its path too long
    TopicNoMemory
};

// Shows the answer's lines (two or more, best first; answer.More: further lines match than the
// TopicCandidateLimit listed) and returns the chosen index, TopicChoiceNone when the user chose
// none, or TopicChoiceNoMemory when they could not be shown.
typedef int (*TopicChooser)(void* context, const TopicAnswer& answer);
enum { TopicChoiceNone = -1, TopicChoiceNoMemory = -2 };

struct TopicLookupHost {
    TopicPrefixCompare Compare; // required for SearchTitles
    TopicTitleConvert Convert;  // may be null: titles compared and shown as stored
    void* ConvertContext;
    TopicChooser Choose; // required
    void* ChooseContext;
    // For the ranked search. The characters of bytes 0x80..0xFF of the help file's ANSI code page,
    // given its language id (null, or a null result: those bytes are undefined).
    const char32_t* (*FileCharacters)(void* context, uint32_t languageId);
    // A line's text in the menu's code page (required for the ranked search).
    void (*MenuText)(void* context, const char16_t* text, size_t length, char* out, size_t size);
    char32_t (*NamedEntity)(const char* name, size_t length); // may be null: only the basic four
    void* TextContext;
};

struct TopicRequest {
    TopicSearch Search;
    const char* Keyword;  // for SearchTitles: in the code page the titles are converted to
    const char16_t* Word; // for the ranked search: the keyword in UTF-16
    size_t WordLength;
};

struct TopicPage {
    char Path[TopicPathSize]; // "/" + the page's path in the help file, anchor cut
    unsigned char* Data;      // the page's bytes exactly as stored; FreeObject
    uint32_t Length;
    uint32_t LanguageId; // the help file's, from its "/#SYSTEM" (0 when it records none)
    // What the lookup cost and found, whatever its outcome.
    uint32_t ContainersOpened; // files opened as containers
    uint32_t FramesDecoded;    // 32 KB frames of compressed sections decoded
    uint32_t IndexBlocksRead;  // blocks of the binary keyword index read
    uint32_t Lines;            // lines of the answer (before the choice)
    bool IndexDamaged;         // the keyword index could not be read whole: what was read was used
    bool TextSearched;         // the pages' text was searched: the full-text index was read
    uint32_t TextNodesRead;    // nodes of the full-text index read
};

// The index file's path: the help file's with its three-character extension replaced by
// "chi" ("help.chm" -> "help.chi"). Returns 0, or -1 when the file name has no such
// extension or the result does not fit `size`; the help file is then read alone.
int FormIndexPath(const char* helpFile, char* indexPath, size_t size);

// The language id a container's "/#SYSTEM" records (0 when it records none or cannot be read).
uint32_t ContainerLanguageId(ChmContainer* container);

// The help file's name without its folder and extension: a sitemap index may be named after it.
void HelpFileStem(const char* helpFile, char* stem, size_t size);

// The answer alone, as the menu would show it (no choice, no page): TopicPageFound when it has
// lines. page gets what the lookup cost; its Path and Data stay empty.
TopicLookupStatus FindTopicAnswer(const char* helpFile, const TopicRequest& request,
                                  const TopicLookupHost* host, TopicAnswer* answer, TopicPage* page);

// Runs the lookup. Only TopicPageFound leaves page->Data set (else null, length 0).
TopicLookupStatus FindTopicPage(const char* helpFile, const TopicRequest& request,
                                const TopicLookupHost* host, TopicPage* page);
