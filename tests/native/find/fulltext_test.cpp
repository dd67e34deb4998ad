// Full-text index tests: the topics found against what the independent reader (pychm) finds for
// words drawn from the pages of real help files; the answer's order on the chmcmd fixture; words
// in 8-bit code pages and indexes of many levels, written here; damaged indexes; what a search
// reads; and reads of a part of an object.
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "text/charsets.h"
#include "find/fulltext.h"
#include "fixtures.h"
#include "find/keywords.h"
#include "fulltext_writer.h"
#include "chm/lebytes.h"
#include "find/lookup.h"
#include "find/topics.h"

namespace {

// A help file opened for searching: its container, topic tables and index, the case folded in
// the index's code page.
struct Help {
    Bytes File; // when opened from memory
    ChmContainer* Container = nullptr;
    TopicTables Tables = {};
    bool HasTables = false;
    FullTextIndex Index = {};
    FullTextStatus Opened = FullTextAbsent;

    explicit Help(const std::string& path) { Start(OpenContainer(path.c_str())); }
    explicit Help(const Bytes& bytes) : File(bytes) { Start(OpenBytes(File)); }
    ~Help() {
        if (HasTables) FreeTopicTables(&Tables);
        CloseContainer(Container);
    }
    void Start(ChmContainer* c) {
        Container = c;
        if (!c) return;
        HasTables = ReadTopicTables(c, &Tables) == 0;
        Opened = OpenFullTextIndex(c, &Index);
        unsigned page = BuiltInUpperHalf(Index.CodePage) ? Index.CodePage : 1252;
        FullTextFoldTable(BuiltInUpperHalf(page), Index.Fold);
    }
    std::vector<FullTextHit> Search(const std::string& word, bool prefix, FullTextStatus* status = nullptr,
                                    uint32_t limit = UINT32_MAX) {
        FullTextHit* hits;
        uint32_t count;
        if (HasTables && limit == UINT32_MAX) limit = TopicRows(&Tables);
        FullTextStatus s = SearchFullText(&Index, word.c_str(), prefix, limit, &hits, &count);
        if (status)
            *status = s;
        else
            EXPECT_EQ(s, FullTextDone) << word;
        std::vector<FullTextHit> result(hits, hits + count);
        FreeObject(hits);
        return result;
    }
    std::string Title(uint32_t topic) const {
        char title[TopicMenuTitleSize];
        TopicTitle(&Tables, topic, title, sizeof title);
        return title;
    }
    std::string Page(uint32_t topic) const {
        uint32_t offset;
        char path[TopicPathSize];
        if (TopicPathOffset(&Tables, topic, &offset) != 0 ||
            FormTopicPath(&Tables, offset, path, sizeof path) != 0)
            return "(none)";
        return path;
    }
    // pychm names a topic whose title lies outside "/#STRINGS" (lcl.chm's extra topics of a
    // class's pages) "Untitled in index"; ours stays untitled.
    std::string TitleAsPychmReadsIt(uint32_t topic) const {
        uint32_t at = ReadLe32(Tables.Topics + 16 * topic + 4);
        return at < Tables.StringsLength ? Title(topic) : "Untitled in index";
    }
    // "occurrences title page" lines, as kestro-cli search prints them.
    std::vector<std::string> Lines(const std::vector<FullTextHit>& hits) const {
        std::vector<std::string> lines;
        for (const FullTextHit& h : hits)
            lines.push_back(std::to_string(h.Occurrences) + (h.InTitle ? "+T " : " ") + Title(h.Topic) + " " +
                            Page(h.Topic));
        return lines;
    }
};

// ---- against the independent reader ----

struct Answer {
    std::string File, Kind, Word;
    std::map<std::string, std::string> Pages; // title (cut as ours are) -> the one page pychm kept
};

std::string Unescape(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); i++) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        char c = s[++i];
        out += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
    }
    return out;
}

std::string CutTitle(const std::string& title) {
    return title.substr(0, TopicMenuTitleSize - 1);
}

std::vector<Answer> LoadAnswers(const std::string& path) {
    std::vector<Answer> answers;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        std::vector<std::string> fields;
        std::istringstream split(line);
        std::string field;
        while (std::getline(split, field, '\t'))
            fields.push_back(field);
        if (line.size() && line.back() == '\t') fields.push_back("");
        if (fields.size() < 3 || fields.size() % 2 == 0) continue;
        Answer a{fields[0], fields[1], fields[2], {}};
        for (size_t i = 3; i + 1 < fields.size(); i += 2)
            a.Pages[CutTitle(Unescape(fields[i]))] = Unescape(fields[i + 1]);
        answers.push_back(a);
    }
    return answers;
}

// Which of a word's two entries the compiler writes first: pychm's whole-word search takes only
// that one.
enum EntryOrder { TextFirst, TitleFirst };

struct Agreement {
    uint32_t Words = 0, Agree = 0, SharedTitles = 0;
};

// pychm keys its answer by title, keeping one page of several that share a title. Ours agree when
// both name the same titles, and under each title pychm's page is one of ours (the test counts the
// titles under which ours list several pages).
bool SameUnderTitles(const Help& help, const std::vector<FullTextHit>& ours, const Answer& theirs,
                     uint32_t* sharedTitles, std::string* why) {
    std::map<std::string, std::set<std::string>> byTitle;
    for (const FullTextHit& h : ours)
        byTitle[help.TitleAsPychmReadsIt(h.Topic)].insert(help.Page(h.Topic));
    std::ostringstream out;
    for (auto& t : byTitle) {
        *sharedTitles += t.second.size() > 1;
        auto it = theirs.Pages.find(t.first);
        if (it == theirs.Pages.end())
            out << " ours only: \"" << t.first << "\" " << *t.second.begin() << ";";
        else if (!t.second.count(it->second))
            out << " \"" << t.first << "\": pychm's page " << it->second << " is not ours;";
    }
    for (auto& t : theirs.Pages)
        if (!byTitle.count(t.first)) out << " pychm only: \"" << t.first << "\" " << t.second << ";";
    *why = out.str();
    return why->empty();
}

std::vector<FullTextHit> Only(const std::vector<FullTextHit>& hits, bool title) {
    std::vector<FullTextHit> kept;
    for (const FullTextHit& h : hits)
        if (title ? h.InTitle != 0 : h.Occurrences != 0) kept.push_back(h);
    return kept;
}

// Compares every recorded answer for one file; prints the figures per kind of search.
void ExpectAgreement(const std::string& path, const std::string& label, const std::vector<Answer>& answers,
                     EntryOrder order) {
    Help help(path);
    ASSERT_NE(help.Container, nullptr) << path;
    ASSERT_TRUE(help.HasTables) << path;
    std::map<std::string, Agreement> figures;
    for (const Answer& a : answers) {
        if (a.File != label) continue;
        std::vector<FullTextHit> ours;
        if (help.Opened == FullTextDone) {
            ours = help.Search(a.Word, a.Kind == "prefix");
            if (a.Kind == "title") ours = Only(ours, true);
            if (a.Kind == "whole") {
                std::vector<FullTextHit> first = Only(ours, order == TitleFirst);
                ours = first.empty() ? Only(ours, order != TitleFirst) : first;
            }
        } else {
            EXPECT_EQ(help.Opened, FullTextAbsent) << label; // clam.chm: an empty index
        }
        Agreement& f = figures[a.Kind];
        f.Words++;
        std::string why;
        bool same = SameUnderTitles(help, ours, a, &f.SharedTitles, &why);
        f.Agree += same;
        EXPECT_TRUE(same) << label << " " << a.Kind << " \"" << a.Word << "\":" << why;
    }
    ASSERT_FALSE(figures.empty()) << "no recorded answers for " << label;
    for (auto& f : figures)
        printf("[ pychm    ] %s %-6s: %u of %u words give the same pages (%u titles with several pages of "
               "ours)\n",
               label.c_str(), f.first.c_str(), f.second.Agree, f.second.Words, f.second.SharedTitles);
}

TEST(FullTextAgainstPychm, ChmcmdFixture) {
    ExpectAgreement(FixturePath("fulltext.chm"), "fulltext.chm",
                    LoadAnswers(FixturePath("fulltext-pychm.tsv")), TitleFirst);
}

TEST(FullTextAgainstPychm, DebianShippedChms) {
    std::string dest = std::string(LUMIVO_SOURCE_DIR) + "/build/chm-fulltext";
#ifdef _WIN32
    if (ReadWholeFile(dest + "/fulltext-pychm.tsv").empty())
        GTEST_SKIP() << "the Debian-shipped CHMs are not in " << dest << " yet: the native tests fetch them";
#else
    std::string command = FixturePath("fetch-fulltext.sh") + " '" + dest + "'";
    if (system(command.c_str()) != 0)
        GTEST_SKIP() << "the Debian-shipped CHMs or python3-chm could not be had (fetch-fulltext.sh failed)";
#endif
    std::vector<Answer> answers = LoadAnswers(dest + "/fulltext-pychm.tsv");
    const std::pair<const char*, EntryOrder> files[] = {{"Nini.chm", TextFirst},
                                                        {"OpenMCDF.chm", TextFirst},
                                                        {"clam.chm", TextFirst},
                                                        {"lcl.chm", TitleFirst}};
    for (auto& f : files) {
        SCOPED_TRACE(f.first);
        ExpectAgreement(dest + "/" + f.first, f.first, answers, f.second);
    }
}

// ---- the answer ----

TEST(FullTextAnswer, TitleHitsFirstThenByOccurrences) {
    Help help(FixturePath("fulltext.chm"));
    ASSERT_EQ(help.Opened, FullTextDone);
    EXPECT_EQ(help.Index.Depth, 2u); // chmcmd's glossary page makes three leaves
    EXPECT_EQ(help.Index.CodePage, 1252u);
    EXPECT_EQ(help.Lines(help.Search("river", false)),
              (std::vector<std::string>{"2+T River /river.html", "5 Delta /delta.html", "3 Bank /bank.html",
                                        "1 Ford /ford.html"}));
    // Case is folded; a prefix takes in "riverbank".
    EXPECT_EQ(help.Lines(help.Search("RiVeR", true)),
              (std::vector<std::string>{"2+T River /river.html", "5 Delta /delta.html", "4 Bank /bank.html",
                                        "1 Ford /ford.html"}));
    // Equal occurrences keep the topics' order; two topics of one title stay two lines.
    EXPECT_EQ(help.Lines(help.Search("compass", false)),
              (std::vector<std::string>{"2 Overview /overview2.html", "1 Overview /overview1.html"}));
    EXPECT_EQ(help.Lines(help.Search("overview", false)),
              (std::vector<std::string>{"1+T Overview /overview1.html", "1+T Overview /overview2.html"}));
}

TEST(FullTextAnswer, WordOnlyInTitlesAndWordInEveryPage) {
    Help help(FixturePath("fulltext.chm"));
    ASSERT_EQ(help.Opened, FullTextDone);
    EXPECT_EQ(help.Lines(help.Search("gazetteer", false)),
              (std::vector<std::string>{"0+T Gazetteer /gazetteer.html"}));
    std::vector<FullTextHit> the = help.Search("the", false);
    EXPECT_EQ(the.size(), 8u); // every page
    EXPECT_EQ(help.Lines(the).front(), "5 Bank /bank.html");
    for (const FullTextHit& h : the)
        EXPECT_EQ(h.InTitle, 0u);
    EXPECT_TRUE(help.Search("thesaurus", false).empty());
    EXPECT_TRUE(help.Search("zzz", true).empty()); // past the last word
    EXPECT_TRUE(help.Search("", true).empty());
    EXPECT_TRUE(help.Search(std::string(600, 'a'), true).empty());
}

TEST(FullTextAnswer, ReadsOnlyThePathToTheWord) {
    Help help(FixturePath("fulltext.chm"));
    ASSERT_EQ(help.Opened, FullTextDone);
    help.Search("river", false);
    EXPECT_EQ(help.Index.NodesRead, 2u);    // the root and one leaf
    EXPECT_EQ(help.Index.WordsMatched, 2u); // its title entry and its text entry
    // A prefix that runs over a leaf's end ("mame" ends the first) follows the link to the next.
    help.Index.NodesRead = 0;
    EXPECT_EQ(help.Lines(help.Search("ma", true)),
              (std::vector<std::string>{"22 Glossary /glossary.html", "1 Overview /overview1.html"}));
    EXPECT_EQ(help.Index.NodesRead, 3u);
}

TEST(FullTextAnswer, LclReadsAFewNodesNotTheIndex) {
    std::string path = std::string(LUMIVO_SOURCE_DIR) + "/build/chm-fulltext/lcl.chm";
    if (ReadWholeFile(path).empty()) GTEST_SKIP() << "lcl.chm is fetched by FullTextAgainstPychm";
    Help help(path);
    ASSERT_EQ(help.Opened, FullTextDone);
    EXPECT_GT(help.Index.Length, 5000000u);
    uint32_t before = help.Container->FramesDecoded;
    std::vector<FullTextHit> hits = help.Search("tform", false);
    ASSERT_FALSE(hits.empty());
    EXPECT_EQ(help.Page(hits[0].Topic), "/forms/tform.html");
    EXPECT_EQ(help.Index.NodesRead, 2u);
    EXPECT_LE(help.Container->FramesDecoded - before, 8u); // of the index's 157 frames
}

// ---- the lookup's third Search value: the index and titles, then the pages' text ----

IndexedWord Word(const std::string& word, bool title, std::vector<IndexedTopic> topics) {
    return {word, title, topics};
}

struct TextLookup {
    std::vector<std::string> Lines; // "text page", as the chooser was shown them
    int Choice = -1;
    static int Choose(void* context, const TopicAnswer& answer) {
        TextLookup* self = static_cast<TextLookup*>(context);
        for (const AnswerLine& line : answer.Lines)
            self->Lines.push_back(std::string(line.Text) + " " + answer.Pages[line.Page]);
        return self->Choice;
    }
    static const char32_t* Characters(void*, uint32_t language) {
        return BuiltInUpperHalf(AnsiCodePageOfLanguage(language));
    }
    static void Utf8(void*, const char16_t* text, size_t length, char* out, size_t size) {
        std::string utf8 = Utf8FromUtf16(std::u16string(text, length)).substr(0, size - 1);
        memcpy(out, utf8.c_str(), utf8.size() + 1);
    }
    TopicPage Page;
    TopicLookupStatus Run(const std::string& file, const std::u16string& word, TopicSearch search) {
        TopicLookupHost host = {AsciiPrefixCompare, nullptr, nullptr, Choose, this,
                                Characters,         Utf8,    nullptr, nullptr};
        std::string keyword(word.begin(), word.end());
        TopicRequest request = {search, keyword.c_str(), word.data(), word.size()};
        TopicLookupStatus status = FindTopicPage(file.c_str(), request, &host, &Page);
        FreeObject(Page.Data);
        return status;
    }
};

TEST(FullTextLookup, AWordOnlyTheTextHoldsGivesItsPagesMostUsesFirst) {
    TextLookup l;
    l.Choice = 0;
    EXPECT_EQ(l.Run(FixturePath("fulltext.chm"), u"Compass", SearchText), TopicPageFound);
    EXPECT_EQ(l.Lines, (std::vector<std::string>{"Overview /overview2.html", "Overview /overview1.html"}));
    EXPECT_STREQ(l.Page.Path, "/overview2.html");
    EXPECT_TRUE(l.Page.TextSearched);
    EXPECT_EQ(l.Page.TextNodesRead, 2u);
    // One line only: it opens at once.
    TextLookup one;
    EXPECT_EQ(one.Run(FixturePath("fulltext.chm"), u"hills", SearchText), TopicPageFound);
    EXPECT_TRUE(one.Lines.empty());
    EXPECT_STREQ(one.Page.Path, "/river.html");
}

TEST(FullTextLookup, TheTextIsSearchedOnlyWhenIndexAndTitlesFindNothing) {
    TextLookup titles; // "River" is a title: the text's four pages stay out
    titles.Choice = 0;
    EXPECT_EQ(titles.Run(FixturePath("fulltext.chm"), u"river", SearchText), TopicPageFound);
    EXPECT_STREQ(titles.Page.Path, "/river.html");
    EXPECT_FALSE(titles.Page.TextSearched);
    TextLookup index; // the second value never searches the text
    EXPECT_EQ(index.Run(FixturePath("fulltext.chm"), u"compass", SearchIndex), TopicNoMatch);
    EXPECT_FALSE(index.Page.TextSearched);
    TextLookup nowhere; // searched, and nothing there: the notice can say so
    EXPECT_EQ(nowhere.Run(FixturePath("fulltext.chm"), u"zebra", SearchText), TopicNoMatch);
    EXPECT_TRUE(nowhere.Page.TextSearched);
    TextLookup noIndex; // a file without a full-text index ends with its titles
    EXPECT_EQ(noIndex.Run(FixturePath("titles.chm"), u"zebra", SearchText), TopicNoMatch);
    EXPECT_FALSE(noIndex.Page.TextSearched);
    TextLookup unwritable; // a word its code page cannot hold is in no page
    EXPECT_EQ(unwritable.Run(FixturePath("fulltext.chm"), u"\u0444\u0430\u0439\u043B", SearchText),
              TopicNoMatch);
    EXPECT_TRUE(unwritable.Page.TextSearched);
}

TEST(FullTextLookup, CyrillicWordsInTheIndexsCodePage) {
    FullTextWriter w;
    w.CodePage = 1251;
    w.Locale = 0x419;
    // печать: twice in the second page, once in the first
    w.Words = {Word("\xEF\xE5\xF7\xE0\xF2\xFC", false, {{0, {4}}, {1, {1, 9}}})};
    std::string path = std::string(LUMIVO_BINARY_DIR) + "/fulltext-cyrillic.chm";
    ASSERT_TRUE(WriteWholeFile(path, HelpFileWithIndex(w.Build(), {{"a", "a.html"}, {"b", "b.html"}})));
    TextLookup l;
    EXPECT_EQ(l.Run(path, u"\u041F\u0415\u0427\u0410\u0422\u042C", SearchText),
              TopicChoiceCancelled); // ПЕЧАТЬ
    EXPECT_EQ(l.Lines, (std::vector<std::string>{"b /b.html", "a /a.html"}));
    remove(path.c_str());
}

// ---- words in 8-bit code pages, indexes of many levels ----

TEST(FullTextCodePages, AccentedWordsInCp1252) {
    FullTextWriter w;
    w.CodePage = 1252;
    w.Locale = 0x40C;
    w.ZeroAfterCodes = true; // as Microsoft's compiler writes them
    // Stored in lower case, sorted by their bytes ("\xE9" = é comes after every ASCII letter).
    w.Words = {Word("caf\xE9", false, {{0, {3, 9}}, {2, {4}}}),
               Word("caf\xE9", true, {{0, {1}}}),
               Word("cr\xE8me", false, {{0, {5}}}),
               Word("\xE9"
                    "clair",
                    false, {{1, {2}}}),
               Word("\xE9"
                    "clairage",
                    false, {{1, {7}}, {2, {1, 2, 3}}}),
               Word("\xFC"
                    "ber",
                    true, {{3, {1}}})};
    Help help(HelpFileWithIndex(w.Build(), {{"Caf\xE9", "cafe.html"},
                                            {"\xC9"
                                             "clair",
                                             "eclair.html"},
                                            {"\xC9"
                                             "clairage",
                                             "eclairage.html"},
                                            {"\xDC"
                                             "ber",
                                             "uber.html"}}));
    ASSERT_EQ(help.Opened, FullTextDone);
    EXPECT_EQ(help.Lines(help.Search("CAF\xC9", false)),
              (std::vector<std::string>{"2+T Caf\xE9 /cafe.html", "1 \xC9"
                                                                  "clairage /eclairage.html"}));
    EXPECT_EQ(help.Lines(help.Search("\xC9"
                                     "CLAIR",
                                     true)),
              (std::vector<std::string>{"3 \xC9"
                                        "clairage /eclairage.html",
                                        "2 \xC9"
                                        "clair /eclair.html"}));
    EXPECT_EQ(help.Lines(help.Search("\xC9"
                                     "clair",
                                     false)),
              (std::vector<std::string>{"1 \xC9"
                                        "clair /eclair.html"}));
    EXPECT_EQ(help.Lines(help.Search("\xDC"
                                     "BER",
                                     false)),
              (std::vector<std::string>{"0+T \xDC"
                                        "ber /uber.html"}));
    EXPECT_TRUE(help.Search("eclair", false).empty()); // accents are letters of their own
    EXPECT_TRUE(help.Search("cafe", true).empty());
}

TEST(FullTextCodePages, CyrillicWordsInCp1251) {
    FullTextWriter w;
    w.CodePage = 1251;
    w.Locale = 0x419;
    // файл, файлы, ёлка, печать (cp1251, lower case)
    const std::string file = "\xF4\xE0\xE9\xEB", files = file + "\xFB", tree = "\xB8\xEB\xEA\xE0",
                      print = "\xEF\xE5\xF7\xE0\xF2\xFC";
    w.Words = {Word(tree, true, {{2, {1}}}), Word(print, false, {{0, {4}}, {3, {1, 9}}}),
               Word(file, true, {{0, {1}}}), Word(file, false, {{0, {2, 6}}, {1, {3}}}),
               Word(files, false, {{1, {1, 2, 8}}})};
    std::sort(w.Words.begin(), w.Words.end(), [](const IndexedWord& a, const IndexedWord& b) {
        return a.Word < b.Word || (a.Word == b.Word && a.Title);
    });
    Help help(HelpFileWithIndex(w.Build(), {{"\xD4\xE0\xE9\xEB", "file.html"},
                                            {"\xD4\xE0\xE9\xEB\xFB", "files.html"},
                                            {"\xA8\xEB\xEA\xE0", "tree.html"},
                                            {"\xCF\xE5\xF7\xE0\xF2\xFC", "print.html"}}));
    ASSERT_EQ(help.Opened, FullTextDone);
    EXPECT_EQ(help.Index.CodePage, 1251u);
    // ФАЙЛ in upper case; ФАЙЛ as a prefix takes in файлы.
    EXPECT_EQ(
        help.Lines(help.Search("\xD4\xC0\xC9\xCB", false)),
        (std::vector<std::string>{"2+T \xD4\xE0\xE9\xEB /file.html", "1 \xD4\xE0\xE9\xEB\xFB /files.html"}));
    EXPECT_EQ(
        help.Lines(help.Search("\xD4\xC0", true)),
        (std::vector<std::string>{"2+T \xD4\xE0\xE9\xEB /file.html", "4 \xD4\xE0\xE9\xEB\xFB /files.html"}));
    EXPECT_EQ(help.Lines(help.Search("\xA8\xCB\xCA\xC0", false)), // ЁЛКА
              (std::vector<std::string>{"0+T \xA8\xEB\xEA\xE0 /tree.html"}));
    EXPECT_EQ(help.Lines(help.Search("\xCF\xC5\xD7\xC0\xD2\xDC", false)), // ПЕЧАТЬ
              (std::vector<std::string>{"2 \xCF\xE5\xF7\xE0\xF2\xFC /print.html",
                                        "1 \xD4\xE0\xE9\xEB /file.html"}));
}

TEST(FullTextCodePages, TheWordInTheIndexsCodePage) {
    char out[16];
    ASSERT_TRUE(FullTextWordBytes(u"Caf\u00E9", 4, BuiltInUpperHalf(1252), out, sizeof out));
    EXPECT_STREQ(out, "Caf\xE9");
    ASSERT_TRUE(FullTextWordBytes(u"\u0424\u0430\u0439\u043B", 4, BuiltInUpperHalf(1251), out, sizeof out));
    EXPECT_STREQ(out, "\xD4\xE0\xE9\xEB");
    EXPECT_FALSE(
        FullTextWordBytes(u"\u0424", 1, BuiltInUpperHalf(1252), out, sizeof out)); // no Cyrillic there
    EXPECT_FALSE(FullTextWordBytes(u"caf\u00E9", 4, nullptr, out, sizeof out));    // ASCII only
    EXPECT_FALSE(FullTextWordBytes(u"a\u0000b", 3, nullptr, out, sizeof out));
    EXPECT_FALSE(
        FullTextWordBytes(u"caf\uFFFD", 4, BuiltInUpperHalf(1252), out, sizeof out)); // not byte 0x81
    EXPECT_FALSE(FullTextWordBytes(u"abcd", 4, nullptr, out, 4));                     // and its NUL
    ASSERT_TRUE(FullTextWordBytes(u"abc", 3, nullptr, out, 4));
}

// Random words over random topics in a tree of tiny nodes (many leaves, several levels): every
// word, whole and as prefixes of it, finds what a plain scan of the writer's input finds.
TEST(FullTextTree, ManyLevelsAgreeWithAScanOfTheWords) {
    std::mt19937 engine(5);
    auto random = [&]() { return static_cast<uint32_t>(engine()); };
    for (uint32_t nodeSize : {64u, 128u, 512u, 4096u}) {
        SCOPED_TRACE(nodeSize);
        std::set<std::string> vocabulary;
        while (vocabulary.size() < 600) {
            std::string word;
            for (int n = 1 + static_cast<int>(random() % 9); n > 0; n--)
                word += static_cast<char>("abcdeflmnorst0_."[random() % 16]);
            vocabulary.insert(word);
        }
        FullTextWriter w;
        w.NodeSize = nodeSize;
        w.Roots[0] = 2, w.Roots[1] = 1, w.Roots[2] = 5;
        const uint32_t topics = 300;
        for (const std::string& word : vocabulary)
            for (bool title : {true, false}) {
                if (random() % 3 == 0) continue;
                IndexedWord entry{word, title, {}};
                for (uint32_t t = random() % 40; t < topics; t += 1 + random() % 60) {
                    IndexedTopic topic{t, {}};
                    for (uint32_t at = random() % 50, n = random() % 4 + 1; n > 0;
                         n--, at += 1 + random() % 3000)
                        topic.Locations.push_back(at);
                    entry.Topics.push_back(topic);
                }
                w.Words.push_back(entry);
            }
        Bytes index = w.Build();
        if (nodeSize == 64) {
            EXPECT_GE(w.Depth, 4u);
        }
        std::vector<HelpTopic> pages;
        for (uint32_t t = 0; t < topics; t++)
            pages.push_back({"Topic " + std::to_string(t), "t" + std::to_string(t) + ".html"});
        Help help(HelpFileWithIndex(index, pages));
        ASSERT_EQ(help.Opened, FullTextDone);
        auto expected = [&](const std::string& wanted, bool prefix) {
            std::map<uint32_t, FullTextHit> byTopic;
            for (const IndexedWord& e : w.Words) {
                if (prefix ? e.Word.compare(0, wanted.size(), wanted) != 0 : e.Word != wanted) continue;
                for (const IndexedTopic& t : e.Topics) {
                    FullTextHit& h = byTopic[t.Topic];
                    h.Topic = t.Topic;
                    uint32_t n = static_cast<uint32_t>(t.Locations.size());
                    (e.Title ? h.InTitle : h.Occurrences) += n;
                }
            }
            std::vector<std::pair<uint32_t, uint32_t>> list; // (topic, occurrences), title hits marked
            for (auto& h : byTopic)
                list.push_back({h.first, h.second.Occurrences + (h.second.InTitle ? 1000000u : 0u)});
            std::sort(list.begin(), list.end());
            return list;
        };
        auto got = [&](const std::string& wanted, bool prefix) {
            std::vector<std::pair<uint32_t, uint32_t>> list;
            for (const FullTextHit& h : help.Search(wanted, prefix))
                list.push_back({h.Topic, h.Occurrences + (h.InTitle ? 1000000u : 0u)});
            std::sort(list.begin(), list.end());
            return list;
        };
        for (const std::string& word : vocabulary) {
            ASSERT_EQ(got(word, false), expected(word, false)) << word;
            ASSERT_EQ(got(word.substr(0, 1 + word.size() / 2), true),
                      expected(word.substr(0, 1 + word.size() / 2), true))
                << word;
        }
        for (const char* absent : {"!", "zz", "a!", "~"})
            EXPECT_TRUE(help.Search(absent, false).empty()) << absent;
    }
}

// Writes the fuzz target's second seed, an index of tiny nodes four levels deep; run once by hand
// with --gtest_also_run_disabled_tests --gtest_filter='*WriteFuzzSeed*' after a change.
TEST(FullTextTree, DISABLED_WriteFuzzSeed) {
    FullTextWriter w;
    w.NodeSize = 64;
    for (int i = 0; i < 120; i++) {
        std::string word = std::string(1, static_cast<char>('a' + i % 26)) + std::to_string(i);
        w.Words.push_back(Word(word, i % 5 == 0, {{static_cast<uint32_t>(i % 7), {1, 4}}, {8, {2}}}));
    }
    std::sort(w.Words.begin(), w.Words.end(),
              [](const IndexedWord& a, const IndexedWord& b) { return a.Word < b.Word; });
    Bytes index = w.Build();
    ASSERT_GE(w.Depth, 4u);
    EXPECT_TRUE(WriteWholeFile(
        std::string(LUMIVO_SOURCE_DIR) + "/fuzz/seeds/fuzz_fulltext/tiny-nodes-four-levels", index));
}

// ---- damaged indexes ----

// The fixture's index with damage done to it, in a help file of the fixture's topics.
struct Damaged {
    FullTextWriter Writer;
    Bytes Index;
    Damaged() {
        Writer.Documents = 4;
        Writer.NodeSize = 512; // several leaves under one root
        for (int i = 0; i < 200; i++) {
            char word[16];
            snprintf(word, sizeof word, "w%03d", i);
            Writer.Words.push_back(Word(word, false, {{static_cast<uint32_t>(i % 4), {1, 5, 9}}, {3, {2}}}));
        }
        Writer.Words[7].Topics = {{0, {1}}, {1, {2}}, {2, {3}}}; // w007
        Index = Writer.Build();
    }
    FullTextStatus Search(const std::string& word = "w007", bool prefix = false, size_t* found = nullptr) {
        Help help(
            HelpFileWithIndex(Index, {{"a", "a.html"}, {"b", "b.html"}, {"c", "c.html"}, {"d", "d.html"}}));
        if (help.Opened != FullTextDone) return help.Opened;
        FullTextStatus status;
        std::vector<FullTextHit> hits = help.Search(word, prefix, &status);
        if (found) *found = hits.size();
        return status;
    }
};

TEST(FullTextBadInput, TheUndamagedIndexReads) {
    Damaged d;
    size_t found = 0;
    EXPECT_EQ(d.Search("w007", false, &found), FullTextDone);
    EXPECT_EQ(found, 3u);
    EXPECT_EQ(d.Search("w", true, &found), FullTextDone);
    EXPECT_EQ(found, 4u);
    EXPECT_GE(d.Writer.Leaves.size(), 2u);
}

TEST(FullTextBadInput, LocationCodesPastTheirBlockOrTheIndex) {
    const FullTextWriter::Placed e = Damaged().Writer.Entries[7];
    Damaged shorter; // the codes end before the third topic does
    shorter.Index[e.LengthField] = static_cast<unsigned char>(e.CodesLength - 1);
    EXPECT_EQ(shorter.Search(), FullTextBadData);
    Damaged more; // a topic count beyond the codes
    more.Index[e.CountField] = 9;
    EXPECT_EQ(more.Search(), FullTextBadData);
    Damaged far; // the codes past the end of the index
    PutLe32(far.Index, e.CodesField, static_cast<uint32_t>(far.Index.size()) - 1);
    EXPECT_EQ(far.Search(), FullTextTruncated);
    Damaged wrap;
    PutLe32(wrap.Index, e.CodesField, 0xFFFFFFF0u);
    EXPECT_EQ(wrap.Search(), FullTextTruncated);
    // Roots 1, 1, 4: "00" topic step 0, then a count of 64 ("1111110" and six bits) with 9 bits
    // left for its locations.
    Damaged count;
    count.Index[e.Codes] = 0x3F, count.Index[e.Codes + 1] = 0, count.Index[e.Codes + 2] = 0;
    EXPECT_EQ(count.Search(), FullTextBadData);
    Damaged ones; // a count whose one-bits run to the block's end
    ones.Index[e.Codes] = 0x3F, ones.Index[e.Codes + 1] = 0xFF, ones.Index[e.Codes + 2] = 0xFF;
    EXPECT_EQ(ones.Search(), FullTextBadData);
}

TEST(FullTextBadInput, ScalesRootsAndNodeSizesThatLie) {
    for (uint32_t field : {0x1Eu, 0x20u, 0x22u}) { // a scale other than 2
        Damaged d;
        d.Index[field] = 0;
        EXPECT_EQ(d.Search(), FullTextUnsupported) << field;
    }
    for (unsigned root : {0u, 32u, 255u}) {
        Damaged d;
        d.Index[0x23] = static_cast<unsigned char>(root);
        EXPECT_EQ(d.Search(), FullTextUnsupported) << root;
    }
    for (uint32_t size : {0u, 63u, 65537u, 0xFFFFFFFFu}) {
        Damaged d;
        PutLe32(d.Index, 0x2E, size);
        EXPECT_EQ(d.Search(), FullTextUnsupported) << size;
    }
    Damaged larger; // a node size that runs the root past the index's end
    PutLe32(larger.Index, 0x2E, 8192);
    EXPECT_EQ(larger.Search(), FullTextTruncated);
    Damaged smaller; // nodes read at half their size: entries past the used part
    PutLe32(smaller.Index, 0x2E, 2048);
    EXPECT_NE(smaller.Search(), FullTextDone);
    Damaged root;
    PutLe32(root.Index, 0x08, static_cast<uint32_t>(root.Index.size()) - 100);
    EXPECT_EQ(root.Search(), FullTextTruncated);
    Damaged free; // a free count larger than the node
    free.Index[free.Writer.Root + 1] = 0x20;
    EXPECT_EQ(free.Search(), FullTextBadData);
    for (unsigned depth : {0u, 17u}) {
        Damaged d;
        d.Index[0x18] = static_cast<unsigned char>(depth);
        EXPECT_EQ(d.Search(), FullTextBadData) << depth;
    }
    Damaged deeper; // one level too many: a leaf read as an index node
    deeper.Index[0x18] = 3;
    EXPECT_NE(deeper.Search(), FullTextDone);
    Damaged signature;
    signature.Index[2] = 0x29;
    EXPECT_EQ(signature.Search(), FullTextBadSignature);
}

TEST(FullTextBadInput, LeafChainsThatLoopOrLeadBack) {
    Damaged loop; // the last leaf leads to the first
    PutLe32(loop.Index, loop.Writer.Leaves.back(), loop.Writer.Leaves.front());
    EXPECT_EQ(loop.Search("w1", true), FullTextBadData);
    Damaged self;
    PutLe32(self.Index, self.Writer.Leaves[0], self.Writer.Leaves[0]);
    EXPECT_EQ(self.Search("w0", true), FullTextBadData);
    Damaged past; // a link past the end
    PutLe32(past.Index, past.Writer.Leaves[0], 0xFFFFF000u);
    EXPECT_EQ(past.Search("w0", true), FullTextTruncated);
}

TEST(FullTextBadInput, EntriesThatLie) {
    const FullTextWriter::Placed e = Damaged().Writer.Entries[8];
    Damaged shared; // more shared bytes than the previous word has
    shared.Index[e.Entry + 1] = 40;
    EXPECT_EQ(shared.Search("w0", true), FullTextBadData);
    Damaged zero; // a word length of 0
    zero.Index[e.Entry] = 0;
    EXPECT_EQ(zero.Search("w0", true), FullTextBadData);
    Damaged longer; // a word running past the node's used part
    longer.Index[e.Entry] = 250;
    EXPECT_NE(longer.Search("w0", true), FullTextDone);
    Damaged variable; // a count whose groups never end
    for (int i = 0; i < 6; i++)
        variable.Index[e.CountField + static_cast<size_t>(i)] = 0xFF;
    EXPECT_EQ(variable.Search("w0", true), FullTextBadData);
}

TEST(FullTextBadInput, TopicsPastTheTopicTableAreLeftOut) {
    Damaged d;
    Help help(HelpFileWithIndex(d.Index, {{"a", "a.html"}, {"b", "b.html"}})); // topics 2, 3 are not there
    ASSERT_EQ(help.Opened, FullTextDone);
    EXPECT_EQ(help.Lines(help.Search("w007", false)),
              (std::vector<std::string>{"1 a /a.html", "1 b /b.html"}));
}

TEST(FullTextBadInput, MissingEmptyOrShortIndexes) {
    Help none(HelpFileWithIndex(Bytes(), {{"a", "a.html"}}));
    EXPECT_EQ(none.Opened, FullTextAbsent);
    Help titles(FixturePath("titles.chm"));
    EXPECT_EQ(titles.Opened, FullTextAbsent);
    Damaged d;
    Bytes header(d.Index.begin(), d.Index.begin() + 0x81);
    Help shortHeader(HelpFileWithIndex(header, {{"a", "a.html"}}));
    EXPECT_EQ(shortHeader.Opened, FullTextTruncated);
}

// Cut short at every length, and bytes changed at random: never a crash, a hang or a read outside
// the object (the asan preset runs this too).
TEST(FullTextBadInput, TruncatedAtEveryLengthAndMutated) {
    Damaged d;
    const std::vector<HelpTopic> topics = {
        {"a", "a.html"}, {"b", "b.html"}, {"c", "c.html"}, {"d", "d.html"}};
    for (size_t length = 0; length < d.Index.size(); length += 1 + length / 64) {
        Bytes cut(d.Index.begin(), d.Index.begin() + static_cast<long>(length));
        Help help(HelpFileWithIndex(cut, topics));
        if (help.Opened != FullTextDone) continue;
        FullTextStatus status;
        help.Search("w1", true, &status);
        EXPECT_NE(status, FullTextNoMemory);
    }
    std::mt19937 engine(11);
    auto random = [&]() { return static_cast<uint32_t>(engine()); };
    for (int round = 0; round < 300; round++) {
        Bytes index = d.Index;
        for (int n = 1 + static_cast<int>(random() % 8); n > 0; n--)
            index[0x400 + random() % (index.size() - 0x400)] = static_cast<unsigned char>(random());
        Help help(HelpFileWithIndex(index, topics));
        if (help.Opened != FullTextDone) continue;
        FullTextStatus status;
        for (const char* word : {"w", "w1", "w150", "w199"})
            help.Search(word, word[1] == 0, &status);
    }
}

// ---- reading a part of an object, one topic at a time ----

// A topic read a few bytes at a time is the topic of the whole tables: every topic of the fixtures
// (anchors, folders, untitled topics, a table whose offsets point outside it), and past the last.
TEST(ObjectPart, ATopicReadPieceByPieceIsTheTopicOfTheWholeTables) {
    for (const char* fixture : {"fulltext.chm", "titles.chm", "cyrillic.chm", "many.chm",
                                "regressions/topic-offsets-outside-tables.chm"}) {
        SCOPED_TRACE(fixture);
        Help help(FixturePath(fixture));
        ASSERT_TRUE(help.HasTables);
        uint32_t topics = TopicRows(&help.Tables), found = 0;
        for (uint32_t t = 0; t <= topics; t++) {
            char title[TopicMenuTitleSize], path[TopicPathSize];
            int read = ReadTopic(help.Container, t, title, sizeof title, path, sizeof path);
            std::string wholePath = help.Page(t);
            bool exists = wholePath != "(none)";
            ASSERT_EQ(read == 0, exists) << t;
            if (!exists) continue;
            found++;
            EXPECT_EQ(title, help.Title(t)) << t;
            EXPECT_EQ(path, wholePath) << t;
        }
        if (!strstr(fixture, "regressions")) { // there, no topic leads to a page
            EXPECT_GT(found, 0u);
        }
        char title[4], path[8];
        EXPECT_EQ(ReadTopic(help.Container, 0xFFFFFFFFu, title, sizeof title, path, sizeof path), -1);
    }
    Help titles(FixturePath("titles.chm"));
    char title[4], path[5];
    EXPECT_EQ(ReadTopic(titles.Container, 0, title, sizeof title, path, sizeof path), -1); // too long a path
}

// ---- reading a part of an object ----

TEST(ObjectPart, PartsAreSlicesOfTheWholeObject) {
    for (const char* fixture : {"large.chm", "fulltext.chm"}) {
        ChmContainer* c = OpenContainer(FixturePath(fixture).c_str());
        ASSERT_NE(c, nullptr);
        for (const char* name :
             {"/part8.html", "/part1.html", "/$FIftiMain", "/#SYSTEM", "::DataSpace/NameList"}) {
            std::string whole;
            if (!ReadString(c, name, &whole)) continue;
            uint32_t length = static_cast<uint32_t>(whole.size());
            for (uint32_t at : {0u, 1u, length / 3, length - 1, length}) {
                for (uint32_t n : {0u, 1u, 100u, 70000u}) {
                    std::string part(n, '\0');
                    int read = ReadObjectRange(c, FindDirectoryRecord(c, name), at, n,
                                               reinterpret_cast<unsigned char*>(&part[0]));
                    if (n > length - at) {
                        EXPECT_EQ(read, -1) << name << " " << at << "+" << n;
                    } else {
                        ASSERT_EQ(read, 0) << name << " " << at << "+" << n;
                        EXPECT_EQ(part, whole.substr(at, n)) << name << " " << at << "+" << n;
                    }
                }
            }
        }
        unsigned char byte;
        EXPECT_EQ(ReadObjectRange(c, nullptr, 0, 1, &byte), -1);
        EXPECT_EQ(ReadObjectRange(c, FindDirectoryRecord(c, "/#SYSTEM"), 0xFFFFFFFFu, 2, &byte), -1);
        CloseContainer(c);
    }
}

} // namespace
