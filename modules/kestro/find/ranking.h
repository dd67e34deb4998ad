// Ranked search: the lines of an answer from the help file's keyword index and its topic titles,
// ranked by how well each names the keyword (answer.h). Words are compared in Unicode, Latin and
// Cyrillic letters case-insensitively; a "kind word" after a name ("Top property", "TextOut
// function") still names it exactly.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>

#include "find/answer.h"
#include "find/keywords.h"
#include "find/topics.h"

// What the stages of a ranked search share.
struct RankedSearch {
    const char16_t* Word; // the keyword
    size_t Length;
    const TopicTables* Tables; // the topic tables: titles, and the pages of topic numbers
    KeywordIndex* Index;       // null or of kind KeywordIndexNone: no keyword index
    // Bytes 0x80..0xFF of the titles' code page (the help file's ANSI one); null: undefined.
    const char32_t* UpperHalf;
    // Writes a line's text into out (size bytes, NUL included) in the menu's code page.
    void (*MenuText)(void* context, const char16_t* text, size_t length, char* out, size_t size);
    void* MenuContext;
};

enum RankedStatus { RankedOk = 0, RankedIndexDamaged, RankedNoMemory };

// The keyword index's lines: keywords that name the word, their sub-keywords, sub-keywords found
// on the way whose own part names it, then the keywords that begin with it; see-also entries lead
// to their target's pages.
RankedStatus AddIndexLines(const RankedSearch& search, TopicAnswer* answer);

// The topic titles' lines: titles that name the word or end in ".word", then titles that begin
// with it, in table order.
RankedStatus AddTitleLines(const RankedSearch& search, TopicAnswer* answer);

// Sub-keywords anywhere in the index whose own part names the word ("TCustomForm, Show"): a walk
// over the whole index, so the lookup runs it only when nothing else named the word.
RankedStatus AddSubKeywordLines(const RankedSearch& search, TopicAnswer* answer);

// The text names the word: equal to it, or to it and one kind word ("Top property").
bool NamesWord(const char16_t* text, size_t length, const char16_t* word, size_t wordLength);

// A title names the word: NamesWord, or its part after the last "." does ("TForm.Show").
bool TitleNamesWord(const std::u16string& title, const char16_t* word, size_t wordLength);
