// The answer of a lookup (see answer.h). Lines past the limit are dropped as they come once the
// limit's worth of better or equal ones is there, so a keyword that matches a million titles
// costs no more memory than one that matches the limit.
#include "find/answer.h"

#include <string.h>

#include <algorithm>
#include <new>

void InitAnswer(TopicAnswer* a, bool onePerPage, uint32_t limit) {
    a->OnePerPage = onePerPage;
    a->Limit = limit;
    a->More = false;
    a->Lines.clear();
    a->Ranks.clear();
    a->Pages.clear();
    a->LineOfPage.clear();
    for (uint32_t& n : a->ByRank)
        n = 0;
}

uint32_t LinesBefore(const TopicAnswer& a, AnswerRank rank) {
    uint32_t n = 0;
    for (int r = 0; r < rank; r++)
        n += a.ByRank[r];
    return n;
}

bool AddAnswerLine(TopicAnswer* a, AnswerRank rank, const char* text, const std::string& path) {
    try {
        if (a->OnePerPage) {
            auto known = a->LineOfPage.find(path);
            if (known != a->LineOfPage.end()) {
                uint32_t line = known->second;
                if (rank < a->Ranks[line]) { // a better line for the same page replaces it
                    a->ByRank[a->Ranks[line]]--;
                    a->ByRank[rank]++;
                    a->Ranks[line] = static_cast<uint8_t>(rank);
                    strncpy(a->Lines[line].Text, text, TopicMenuTitleSize - 1);
                }
                return true;
            }
        }
        if (LinesBefore(*a, rank) + a->ByRank[rank] >= a->Limit) {
            a->More = true;
            return true;
        }
        AnswerLine line;
        memset(&line, 0, sizeof line);
        strncpy(line.Text, text, TopicMenuTitleSize - 1);
        line.Page = static_cast<uint32_t>(a->Pages.size());
        a->Pages.push_back(path);
        if (a->OnePerPage) a->LineOfPage.emplace(path, static_cast<uint32_t>(a->Lines.size()));
        a->Lines.push_back(line);
        a->Ranks.push_back(static_cast<uint8_t>(rank));
        a->ByRank[rank]++;
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool FinishAnswer(TopicAnswer* a) {
    try {
        std::vector<uint32_t> order(a->Lines.size());
        for (uint32_t i = 0; i < order.size(); i++)
            order[i] = i;
        std::stable_sort(order.begin(), order.end(),
                         [&](uint32_t x, uint32_t y) { return a->Ranks[x] < a->Ranks[y]; });
        if (order.size() > a->Limit) {
            order.resize(a->Limit);
            a->More = true;
        }
        std::vector<AnswerLine> lines;
        std::vector<uint8_t> ranks;
        lines.reserve(order.size());
        ranks.reserve(order.size());
        for (uint32_t i : order) {
            lines.push_back(a->Lines[i]);
            ranks.push_back(a->Ranks[i]);
        }
        a->Lines.swap(lines);
        a->Ranks.swap(ranks);
        a->LineOfPage.clear();
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}
