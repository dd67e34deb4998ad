// Ranked search over the keyword index and the topic titles (see ranking.h).
//
// Decisions:
// - A sub-keyword whose parent keyword names the word ("Show, TCustomForm" under "Show") ranks
//   with the sub-keywords whose own part does ("TCustomForm, Show procedure"): indexes put the
//   documented name first or last, and both say where the word is documented. The first kind is
//   reached by the prefix walk; the second lies anywhere in the index, so it is looked for (a walk
//   over every block) only when neither a keyword nor a title names the word.
// - A see-also entry leads to the pages of the keyword it names, followed through further see-also
//   entries at most SeeAlsoHops times and never to a keyword already followed.
// - A topic number outside "/#TOPICS", or a page path that does not fit, gives no line.
// - A line shows the keyword, and the topic's title after it when the keyword does not already
//   contain it ("Show, TControl" for a title "TControl").
#include "find/ranking.h"

#include <string.h>

#include <new>
#include <unordered_set>
#include <vector>

namespace {

enum { SeeAlsoHops = 8 };

// Words that say what kind of thing a name is, folded; a keyword "Top property" names "Top".
const char16_t* const KindWords[] = {
    u"class",      u"constant",   u"constructor", u"delegate",  u"destructor",  u"enumeration", u"event",
    u"field",      u"function",   u"interface",   u"macro",     u"member",      u"method",      u"methods",
    u"module",     u"namespace",  u"object",      u"operator",  u"overload",    u"overloads",   u"procedure",
    u"properties", u"property",   u"record",      u"statement", u"structure",   u"type",        u"unit",
    u"variable",   u"keyword",    u"класс",       u"константа", u"конструктор", u"деструктор",  u"событие",
    u"поле",       u"функция",    u"интерфейс",   u"метод",     u"модуль",      u"процедура",   u"свойство",
    u"тип",        u"переменная", u"оператор",
};

bool SameFolded(const char16_t* a, size_t n, const char16_t* b, size_t m) {
    if (n != m) return false;
    for (size_t i = 0; i < n; i++)
        if (FoldCase(a[i]) != FoldCase(b[i])) return false;
    return true;
}

bool IsKindWord(const char16_t* text, size_t length) {
    for (const char16_t* kind : KindWords) {
        size_t n = std::char_traits<char16_t>::length(kind);
        if (SameFolded(text, length, kind, n)) return true;
    }
    return false;
}

bool ContainsFolded(const std::u16string& text, const std::u16string& part) {
    if (part.size() > text.size()) return false;
    for (size_t i = 0; i + part.size() <= text.size(); i++)
        if (SameFolded(text.data() + i, part.size(), part.data(), part.size())) return true;
    return false;
}

struct Lines {
    const RankedSearch& Search;
    TopicAnswer* Answer;
    bool NoMemory = false;

    void Add(AnswerRank rank, const std::u16string& text, const std::string& path) {
        char shown[TopicMenuTitleSize];
        Search.MenuText(Search.MenuContext, text.data(), text.size(), shown, sizeof shown);
        shown[TopicMenuTitleSize - 1] = 0;
        if (!AddAnswerLine(Answer, rank, shown, path)) NoMemory = true;
    }

    // A topic's page path and title; false when the topic has no page.
    bool Topic(uint32_t topic, std::string* path, std::u16string* title) {
        uint32_t offset;
        char buffer[TopicPathSize];
        if (TopicPathOffset(Search.Tables, topic, &offset) != 0 ||
            FormTopicPath(Search.Tables, offset, buffer, sizeof buffer) != 0)
            return false;
        *path = buffer;
        uint32_t length;
        const char* stored = TopicTitleBytes(Search.Tables, topic, &length);
        *title = DecodeFileText(stored, length, Search.UpperHalf);
        return true;
    }

    static std::u16string Text(const KeywordEntry& shown, const std::u16string& title) {
        if (title.empty() || ContainsFolded(shown.Keyword, title)) return shown.Keyword;
        return shown.Keyword + u" (" + title + u")";
    }

    // The lines of an entry's pages, shown as `shown` (the entry itself, or the see-also entry
    // that led to it).
    void Pages(AnswerRank rank, const KeywordEntry& entry, const KeywordEntry& shown) {
        std::string path;
        std::u16string title;
        for (uint32_t topic : entry.Topics)
            if (Topic(topic, &path, &title)) Add(rank, Text(shown, title), path);
        for (const KeywordPage& page : entry.Pages) {
            // "ms-its:help.chm::/page.html" and "page.html#anchor" name the page "/page.html".
            const std::string& local = page.Path;
            size_t from = local.find("::");
            from = from == std::string::npos ? 0 : from + 2;
            size_t to = local.find('#', from);
            path = local.substr(from, to == std::string::npos ? std::string::npos : to - from);
            if (path.empty() || path[0] != '/') path.insert(0, 1, '/');
            if (path.size() < TopicPathSize) Add(rank, Text(shown, page.Title), path);
        }
    }
};

struct SeeAlsoTarget {
    std::u16string Keyword;
    std::vector<KeywordEntry> Found;
};

bool CollectTarget(void* context, const KeywordEntry& entry) {
    SeeAlsoTarget* target = static_cast<SeeAlsoTarget*>(context);
    if (SameFolded(entry.Keyword.data(), entry.Keyword.size(), target->Keyword.data(),
                   target->Keyword.size()))
        target->Found.push_back(entry);
    return true;
}

// The lines a see-also entry leads to, under its own rank and text.
RankedStatus FollowSeeAlso(Lines* lines, AnswerRank rank, const KeywordEntry& entry) {
    std::unordered_set<std::u16string> followed;
    std::vector<std::u16string> pending = {entry.Target};
    RankedStatus status = RankedOk;
    for (int hop = 0; hop < SeeAlsoHops && !pending.empty() && !lines->NoMemory; hop++) {
        std::vector<std::u16string> next;
        for (const std::u16string& keyword : pending) {
            std::u16string folded = keyword;
            for (char16_t& c : folded)
                c = FoldCase(c);
            if (!followed.insert(folded).second) continue;
            SeeAlsoTarget target = {keyword, {}};
            KeywordStatus read =
                VisitKeywords(lines->Search.Index, keyword.data(), keyword.size(), CollectTarget, &target);
            if (read == KeywordNoMemory) return RankedNoMemory;
            if (read != KeywordOk) status = RankedIndexDamaged;
            for (const KeywordEntry& found : target.Found) {
                if (found.SeeAlso)
                    next.push_back(found.Target);
                else
                    lines->Pages(rank, found, entry);
            }
        }
        pending.swap(next);
    }
    return status;
}

// The part of a sub-keyword above it that names the word, if any: its top-level keyword.
bool ParentNamesWord(const KeywordEntry& e, const char16_t* word, size_t length) {
    if (e.Depth == 0) return false;
    size_t end = e.Depth == 1 && e.OwnPart >= 2 ? e.OwnPart - 2 : e.Keyword.find(u", ");
    return end != std::u16string::npos && NamesWord(e.Keyword.data(), end, word, length);
}

bool OwnPartNamesWord(const KeywordEntry& e, const char16_t* word, size_t length) {
    return e.Depth > 0 && NamesWord(e.Keyword.data() + e.OwnPart, e.Keyword.size() - e.OwnPart, word, length);
}

struct IndexWalk {
    Lines* Out;
    std::vector<KeywordEntry> SeeAlso; // followed after the walk, which they would interrupt
    std::vector<AnswerRank> SeeAlsoRanks;
    bool SubKeywordsOnly; // the walk over the whole index
};

bool TakeEntry(void* context, const KeywordEntry& e) {
    IndexWalk* walk = static_cast<IndexWalk*>(context);
    const RankedSearch& s = walk->Out->Search;
    AnswerRank rank;
    if (walk->SubKeywordsOnly) {
        if (!OwnPartNamesWord(e, s.Word, s.Length)) return true;
        rank = RankSubKeyword;
    } else if (NamesWord(e.Keyword.data(), e.Keyword.size(), s.Word, s.Length)) {
        rank = RankKeyword;
    } else if (ParentNamesWord(e, s.Word, s.Length) || OwnPartNamesWord(e, s.Word, s.Length)) {
        rank = RankSubKeyword;
    } else {
        rank = RankBeginning;
    }
    if (e.SeeAlso) {
        walk->SeeAlso.push_back(e);
        walk->SeeAlsoRanks.push_back(rank);
    } else {
        walk->Out->Pages(rank, e, e);
    }
    return !walk->Out->NoMemory;
}

RankedStatus WalkIndex(const RankedSearch& search, TopicAnswer* answer, bool subKeywordsOnly) {
    if (KeywordIndexKindOf(search.Index) == KeywordIndexNone) return RankedOk;
    try {
        Lines lines = {search, answer};
        IndexWalk walk = {&lines, {}, {}, subKeywordsOnly};
        KeywordStatus read = subKeywordsOnly
                                 ? VisitKeywords(search.Index, nullptr, 0, TakeEntry, &walk)
                                 : VisitKeywords(search.Index, search.Word, search.Length, TakeEntry, &walk);
        if (read == KeywordNoMemory || lines.NoMemory) return RankedNoMemory;
        RankedStatus status = read == KeywordOk ? RankedOk : RankedIndexDamaged;
        for (size_t i = 0; i < walk.SeeAlso.size(); i++) {
            RankedStatus followed = FollowSeeAlso(&lines, walk.SeeAlsoRanks[i], walk.SeeAlso[i]);
            if (followed == RankedNoMemory || lines.NoMemory) return RankedNoMemory;
            if (followed != RankedOk) status = followed;
        }
        return status;
    } catch (const std::bad_alloc&) {
        return RankedNoMemory;
    }
}

} // namespace

bool NamesWord(const char16_t* text, size_t length, const char16_t* word, size_t wordLength) {
    if (length < wordLength || !SameFolded(text, wordLength, word, wordLength)) return false;
    if (length == wordLength) return true;
    return length > wordLength + 1 && text[wordLength] == u' ' &&
           IsKindWord(text + wordLength + 1, length - wordLength - 1);
}

bool TitleNamesWord(const std::u16string& title, const char16_t* word, size_t wordLength) {
    if (NamesWord(title.data(), title.size(), word, wordLength)) return true;
    size_t dot = title.rfind(u'.');
    return dot != std::u16string::npos &&
           NamesWord(title.data() + dot + 1, title.size() - dot - 1, word, wordLength);
}

RankedStatus AddIndexLines(const RankedSearch& search, TopicAnswer* answer) {
    return WalkIndex(search, answer, false);
}

RankedStatus AddSubKeywordLines(const RankedSearch& search, TopicAnswer* answer) {
    return WalkIndex(search, answer, true);
}

RankedStatus AddTitleLines(const RankedSearch& search, TopicAnswer* answer) {
    try {
        Lines lines = {search, answer};
        uint32_t rows = TopicRows(search.Tables);
        std::string path;
        std::u16string title;
        // A title can name the word or begin with it only where it, or its part after the last ".",
        // begins with the word. For a word of ASCII letters, a title of ASCII bytes decodes to the
        // same characters, so that shows in its stored bytes: this spares decoding tens of
        // thousands of titles. A title with any other byte is decoded and judged whole.
        std::u16string folded(search.Word, search.Length);
        bool asciiWord = true;
        for (char16_t& c : folded) {
            asciiWord = asciiWord && c < 0x80;
            c = FoldCase(c);
        }
        auto begins = [&](const char* text, size_t length) {
            if (length < folded.size()) return false;
            for (size_t i = 0; i < folded.size(); i++)
                if (FoldCase(static_cast<unsigned char>(text[i])) != folded[i]) return false;
            return true;
        };
        auto mayMatch = [&](const char* stored, uint32_t length) {
            if (!asciiWord) return true;
            uint32_t dot = length;
            for (uint32_t i = 0; i < length; i++) {
                unsigned char b = static_cast<unsigned char>(stored[i]);
                if (b >= 0x80) return true;
                if (b == '.') dot = i;
            }
            return begins(stored, length) || (dot < length && begins(stored + dot + 1, length - dot - 1));
        };
        for (uint32_t topic = 0; topic < rows && !lines.NoMemory; topic++) {
            uint32_t length;
            const char* stored = TopicTitleBytes(search.Tables, topic, &length);
            if (!mayMatch(stored, length)) continue;
            title = DecodeFileText(stored, length, search.UpperHalf);
            AnswerRank rank;
            if (TitleNamesWord(title, search.Word, search.Length))
                rank = RankTitle;
            else if (title.size() >= search.Length &&
                     SameFolded(title.data(), search.Length, search.Word, search.Length))
                rank = RankBeginning;
            else
                continue;
            if (!lines.Topic(topic, &path, &title)) continue;
            lines.Add(rank, title.empty() ? std::u16string(path.begin(), path.end()) : title, path);
        }
        return lines.NoMemory ? RankedNoMemory : RankedOk;
    } catch (const std::bad_alloc&) {
        return RankedNoMemory;
    }
}
