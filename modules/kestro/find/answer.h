// The answer of a lookup: the lines a menu shows, best first, each leading to one page. Every
// source of lines (titles in table order, the keyword index, titles ranked) adds its lines here,
// with the rank that says how well the line names the keyword; the answer keeps one line per page
// when asked to (the best one), orders them by rank (by arrival within a rank), and keeps at most
// the candidate limit, remembering that more matched.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <unordered_map>
#include <vector>

#include "find/topics.h"

// How a line names the keyword, best first. A later source appends its ranks before RankCount.
enum AnswerRank {
    RankKeyword = 0, // an index keyword equal to it, or to it and a kind word ("Top property")
    RankSubKeyword,  // a sub-keyword naming it: its own part does, or its parent keyword does
    RankTitle,       // a title equal to it (with or without a kind word), or ending in ".keyword"
    RankBeginning,   // a keyword or title that begins with it
    RankText,        // a page whose text holds it (the full-text index)
    RankCount
};

struct AnswerLine {
    char Text[TopicMenuTitleSize]; // as the menu shows it, in the menu's code page
    uint32_t Page;                 // the line's page: AnswerPage(page)
};

struct TopicAnswer {
    bool OnePerPage; // a page reached twice keeps its best line only
    uint32_t Limit;  // the most lines kept
    bool More;       // further lines matched than the limit kept
    std::vector<AnswerLine> Lines;
    std::vector<uint8_t> Ranks; // of each line
    std::vector<std::string> Pages;
    std::unordered_map<std::string, uint32_t> LineOfPage; // with OnePerPage
    uint32_t ByRank[RankCount];                           // lines of each rank so far
};

void InitAnswer(TopicAnswer* answer, bool onePerPage, uint32_t limit);

// Adds a line (its text in the menu's code page, cut to fit) leading to `path` ("/" + the page's
// path, anchor cut). False when memory ran out: the answer is then unusable.
bool AddAnswerLine(TopicAnswer* answer, AnswerRank rank, const char* text, const std::string& path);

// Lines of ranks better than `rank` so far.
uint32_t LinesBefore(const TopicAnswer& answer, AnswerRank rank);

// Orders the lines by rank (by arrival within a rank) and cuts them at the limit. False when
// memory ran out.
bool FinishAnswer(TopicAnswer* answer);
