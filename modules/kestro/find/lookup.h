// One help request of the CHM reader, short of showing it: the topic tables from the help
// file's companion index file or from the help file itself, the topics whose titles begin
// with the keyword, the user's choice among several, and the chosen page's bytes.
// The module front supplies the host's compare, conversion and menu, and turns the
// outcome into a language-file message.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "find/topics.h"

enum TopicLookupStatus {
    TopicPageFound = 0,    // the page's bytes are in the TopicPage
    TopicNoMatch,          // no title begins with the keyword
    TopicChoiceCancelled,  // several matched and the user chose none
    TopicFileUnopened,     // neither the index file nor the help file opens
    TopicTablesUnreadable, // the four topic tables are in neither file
    TopicPageUnreadable,   // the chosen page is missing, damaged, or its path too long
    TopicNoMemory
};

// Shows the candidates (two or more, in table order; more: further titles match than the
// TopicCandidateLimit listed) and returns the chosen index, TopicChoiceNone when the user chose
// none, or TopicChoiceNoMemory when they could not be shown.
typedef int (*TopicChooser)(void* context, const TopicCandidate* candidates, uint32_t count, bool more);
enum { TopicChoiceNone = -1, TopicChoiceNoMemory = -2 };

struct TopicLookupHost {
    TopicPrefixCompare Compare; // required
    TopicTitleConvert Convert;  // may be null: titles compared as stored
    void* ConvertContext;
    TopicChooser Choose; // required
    void* ChooseContext;
};

struct TopicPage {
    char Path[TopicPathSize]; // "/" + the page's path in the help file, anchor cut
    unsigned char* Data;      // the page's bytes exactly as stored; FreeObject
    uint32_t Length;
    uint32_t LanguageId; // the help file's, from its "/#SYSTEM" (0 when it records none)
    // What the lookup cost, whatever its outcome.
    uint32_t ContainersOpened; // files opened as containers
    uint32_t FramesDecoded;    // 32 KB frames of compressed sections decoded
};

// The index file's path: the help file's with its three-character extension replaced by
// "chi" ("help.chm" -> "help.chi"). Returns 0, or -1 when the file name has no such
// extension or the result does not fit `size`; the help file is then read alone.
int FormIndexPath(const char* helpFile, char* indexPath, size_t size);

// Runs the lookup. Only TopicPageFound leaves page->Data set (else null, length 0).
TopicLookupStatus FindTopicPage(const char* helpFile, const char* keyword, const TopicLookupHost* host,
                                TopicPage* page);
