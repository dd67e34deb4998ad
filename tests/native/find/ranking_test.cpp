// The ranked answer: the order of its lines (a word with an exact keyword, one with only a kind
// word, one only as a sub-keyword, one only as a title, one only as a beginning), one line per page
// (the best), see-also entries and their loops, topic numbers outside the tables, the limit, a file
// without an index, the companion index file; then the chmcmd fixtures, Cyrillic ones included.
#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <fstream>

#include "find/keywords.h"
#include "find/ranking.h"
#include "fixtures.h"
#include "text/htmltext.h"
#include "keyword_writer.h"
#include "find/lookup.h"

namespace {

typedef std::vector<std::pair<std::string, std::string>> Lines; // text shown, page

const char32_t* FileCharacters(void*, uint32_t language) {
    return BuiltInUpperHalf(AnsiCodePageOfLanguage(language));
}

void MenuText(void*, const char16_t* text, size_t length, char* out, size_t size) {
    std::string utf8 = Utf8FromUtf16(std::u16string(text, length));
    snprintf(out, size, "%s", utf8.c_str());
}

struct Chooser {
    int Calls = 0;
    static int Choose(void* context, const TopicAnswer&) {
        static_cast<Chooser*>(context)->Calls++;
        return 0;
    }
};

TopicLookupHost Host(Chooser* chooser) {
    return {AsciiPrefixCompare, nullptr,  nullptr,     Chooser::Choose, chooser,
            FileCharacters,     MenuText, NamedEntity, nullptr};
}

struct Answer {
    TopicLookupStatus Status;
    Lines Shown;
    bool More;
    TopicPage Cost;
};

Answer Ask(const std::string& file, const char* word, TopicSearch search = SearchIndex) {
    std::u16string wide = Utf16FromUtf8(word, strlen(word));
    TopicRequest request = {search, word, wide.data(), wide.size()};
    Chooser chooser;
    TopicLookupHost host = Host(&chooser);
    TopicAnswer answer;
    Answer a;
    a.Status = FindTopicAnswer(file.c_str(), request, &host, &answer, &a.Cost);
    for (const AnswerLine& line : answer.Lines)
        a.Shown.push_back({line.Text, answer.Pages[line.Page]});
    a.More = answer.More;
    return a;
}

// Files of a test's own, in the test's working folder.
class Ranked : public ::testing::Test {
  protected:
    std::vector<std::string> made;
    std::string Write(const std::string& name, const Bytes& bytes) {
        std::string path = std::string("find_ranking_") +
                           ::testing::UnitTest::GetInstance()->current_test_info()->name() + "_" + name;
        made.push_back(path);
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path;
    }
    void TearDown() override {
        for (const std::string& path : made)
            remove(path.c_str());
    }

    // A help file whose index and titles name words in every way.
    std::string Help() {
        std::vector<HelpTopic> topics = {
            {"Show", "show.html"},                     // 0
            {"TForm.Show", "tform.show.html"},         // 1
            {"TCustomForm", "tcustomform.html"},       // 2
            {"TextOut function", "textout.html"},      // 3
            {"Widget.Paint", "widget.paint.html"},     // 4
            {"ScrollBar", "scrollbar.html"},           // 5
            {"ScrollBy", "scrollby.html"},             // 6
            {"Hiding forms", "tcustomform.hide.html"}, // 7
            {"Control", "tcontrol.show.html"},         // 8
            {"Show hints", "showhint.html#top"},       // 9
        };
        KeywordIndexWriter w;
        std::string index = w.Build({
            Keyword(u"Broken", {999, 5}),
            SeeAlso(u"Circle", u"Cycle"),
            SeeAlso(u"Cycle", u"Circle"),
            SeeAlso(u"Display", u"Show"),
            Keyword(u"PaintBox", {4}),
            Keyword(u"ScrollBar", {5}),
            Keyword(u"ScrollBy", {6}),
            Keyword(u"Show", {0}),
            SubKeyword(u"Show, TControl", {8}),
            SubKeyword(u"Show, TForm", {1}),
            Keyword(u"ShowHint", {9}),
            Keyword(u"TCustomForm", {2}),
            SubKeyword(u"TCustomForm, Hide procedure", {7}),
            Keyword(u"TextOut function", {3}),
        });
        return Write("help.chm", BuildHelpFile(topics, index));
    }
};

TEST_F(Ranked, ExactMatchesComeFirstInTheirOrder) {
    std::string help = Help();
    // An exact keyword, then the sub-keywords below it, then the titles (pages already listed are
    // not listed again), then what begins with the word.
    EXPECT_EQ((Lines{{"Show", "/show.html"},
                     {"Show, TControl", "/tcontrol.show.html"},
                     {"Show, TForm (TForm.Show)", "/tform.show.html"},
                     {"ShowHint (Show hints)", "/showhint.html"}}),
              Ask(help, "show").Shown);
    // Only with a kind word; only as a sub-keyword's own part; only as a title; only as a beginning.
    EXPECT_EQ((Lines{{"TextOut function", "/textout.html"}}), Ask(help, "TEXTOUT").Shown);
    EXPECT_EQ((Lines{{"TCustomForm, Hide procedure (Hiding forms)", "/tcustomform.hide.html"}}),
              Ask(help, "Hide").Shown);
    EXPECT_EQ((Lines{{"ScrollBar", "/scrollbar.html"}, {"ScrollBy", "/scrollby.html"}}),
              Ask(help, "scroll").Shown);
    // A page first reached as a beginning ("PaintBox") keeps the better line ("Widget.Paint").
    EXPECT_EQ((Lines{{"Widget.Paint", "/widget.paint.html"}}), Ask(help, "paint").Shown);
}

TEST_F(Ranked, ASingleLineOpensAtOnce) {
    std::string help = Help();
    for (const char* word : {"TextOut", "Hide", "Paint"}) {
        std::u16string wide = Utf16FromUtf8(word, strlen(word));
        TopicRequest request = {SearchIndex, word, wide.data(), wide.size()};
        Chooser chooser;
        TopicLookupHost host = Host(&chooser);
        TopicPage page;
        ASSERT_EQ(TopicPageFound, FindTopicPage(help.c_str(), request, &host, &page)) << word;
        EXPECT_EQ(0, chooser.Calls) << word;
        EXPECT_EQ(std::string("<p>") + (page.Path + 1),
                  std::string(reinterpret_cast<char*>(page.Data), page.Length));
        FreeObject(page.Data);
    }
}

TEST_F(Ranked, SeeAlsoLeadsToItsTargetAndLoopsEnd) {
    std::string help = Help();
    EXPECT_EQ((Lines{{"Display (Show)", "/show.html"}}), Ask(help, "display").Shown);
    // A loop of see-also entries leads nowhere, and ends.
    EXPECT_EQ(TopicNoMatch, Ask(help, "cycle").Status);
    EXPECT_EQ(TopicNoMatch, Ask(help, "circle").Status);
    // A topic number outside "/#TOPICS" gives no line; the entry's other one does.
    EXPECT_EQ((Lines{{"Broken (ScrollBar)", "/scrollbar.html"}}), Ask(help, "broken").Shown);
}

TEST_F(Ranked, TheTitlesRuleIsTodaysAndAFileWithoutAnIndexIsRankedByItsTitles) {
    std::string help = Help();
    Answer titles = Ask(help, "Show", SearchTitles);
    EXPECT_EQ((Lines{{"Show", "/show.html"}, {"Show hints", "/showhint.html"}}), titles.Shown);
    EXPECT_EQ(0u, titles.Cost.IndexBlocksRead);
    std::vector<HelpTopic> topics = {
        {"Show hints", "showhint.html"}, {"TForm.Show", "tform.show.html"}, {"Show", "show.html"}};
    std::string bare = Write("bare.chm", BuildHelpFile(topics, ""));
    EXPECT_EQ(
        (Lines{{"TForm.Show", "/tform.show.html"}, {"Show", "/show.html"}, {"Show hints", "/showhint.html"}}),
        Ask(bare, "show").Shown);
    EXPECT_EQ((Lines{{"Show hints", "/showhint.html"}, {"Show", "/show.html"}}),
              Ask(bare, "show", SearchTitles).Shown);
}

// A Turkish help file (code page 1254, where 0xDD is a capital I with a dot, which folds to an
// ASCII "i"): titles are judged as they decode, not by their stored bytes.
const char32_t* TurkishCharacters(void*, uint32_t) {
    static char32_t table[128];
    memcpy(table, BuiltInUpperHalf(1252), sizeof table);
    table[0xDD - 0x80] = 0x130;
    return table;
}

TEST_F(Ranked, TitlesAreJudgedAsTheyDecodeInTheFilesCodePage) {
    std::vector<HelpTopic> topics = {{"Other", "other.html"},      {"\xDDnsertion", "insertion.html"},
                                     {"\xDDnsert", "insert.html"}, {"Page.\xDDnsert", "page.insert.html"},
                                     {"Insert", "plain.html"},     {"Inserting", "inserting.html"}};
    std::string help = Write("tr.chm", BuildHelpFile(topics, "", 0x41F));
    const char* word = "insert";
    std::u16string wide = Utf16FromUtf8(word, strlen(word));
    TopicRequest request = {SearchIndex, word, wide.data(), wide.size()};
    Chooser chooser;
    TopicLookupHost host = Host(&chooser);
    host.FileCharacters = TurkishCharacters;
    TopicAnswer answer;
    TopicPage cost;
    ASSERT_EQ(TopicPageFound, FindTopicAnswer(help.c_str(), request, &host, &answer, &cost));
    Lines shown;
    for (const AnswerLine& line : answer.Lines)
        shown.push_back({line.Text, answer.Pages[line.Page]});
    EXPECT_EQ((Lines{{"\u0130nsert", "/insert.html"},
                     {"Page.\u0130nsert", "/page.insert.html"},
                     {"Insert", "/plain.html"},
                     {"\u0130nsertion", "/insertion.html"},
                     {"Inserting", "/inserting.html"}}),
              shown);
}

TEST_F(Ranked, TheLimitHoldsAndItsLastLineSaysMoreMatch) {
    std::vector<HelpTopic> topics;
    std::vector<WrittenEntry> entries;
    for (int i = 0; i <= TopicCandidateLimit; i++) {
        char word[16];
        snprintf(word, sizeof word, "Topic%05d", i);
        topics.push_back({word, std::string(word) + ".html"});
        entries.push_back(Keyword(std::u16string(word, word + strlen(word)), {static_cast<uint32_t>(i)}));
    }
    KeywordIndexWriter w;
    std::string index = w.Build(entries);
    ChmBuilder b;
    b.Plain = TopicTableObjects(topics);
    b.Plain.push_back({"/$WWKeywordLinks/BTree", index});
    std::string help = Write("many.chm", b.Build());
    Answer a = Ask(help, "topic");
    EXPECT_EQ(static_cast<size_t>(TopicCandidateLimit), a.Shown.size());
    EXPECT_TRUE(a.More);
    EXPECT_EQ("Topic00000", a.Shown.front().first);
    // The exact one still comes first, wherever the index holds it.
    a = Ask(help, "Topic10000");
    EXPECT_EQ((Lines{{"Topic10000", "/Topic10000.html"}}), a.Shown);
    EXPECT_FALSE(a.More);
}

TEST_F(Ranked, TheCompanionIndexFileGivesTheIndexAndTheTables) {
    std::string help = Write("book.chm", BuildHelpFile({{"Other", "other.html"}}, ""));
    Write("book.chi", ReadWholeFile(FixturePath("keywords.chm")));
    Answer a = Ask(help, "TextOut");
    EXPECT_EQ((Lines{{"TextOut function", "/textout.html"}}), a.Shown);
    EXPECT_EQ(1u, a.Cost.ContainersOpened);
}

// ---- the chmcmd fixtures ----

TEST(RankedFixtures, SubKeywordsSeeAlsoAndAKeywordTwice) {
    std::string keywords = FixturePath("keywords.chm");
    EXPECT_EQ((Lines{{"Show", "/tcontrol.show.html"},
                     {"Show, TCustomForm", "/tcustomform.show.html"},
                     {"Show, TForm", "/tform.show.html"}}),
              Ask(keywords, "Show").Shown);
    EXPECT_EQ((Lines{{"Display (Show)", "/tcontrol.show.html"}}), Ask(keywords, "Display").Shown);
    EXPECT_EQ((Lines{{"Beta", "/beta1.html"}, {"Beta", "/beta2.html"}}), Ask(keywords, "beta").Shown);
    EXPECT_EQ((Lines{{"TCustomForm, Events, OnShow", "/tcustomform.onshow.html"}}),
              Ask(keywords, "OnShow").Shown);
    EXPECT_EQ(TopicNoMatch, Ask(keywords, "Cycle").Status);
    // The titles rule on the same file, as before.
    EXPECT_EQ((Lines{{"Show", "/tcontrol.show.html"}}), Ask(keywords, "Show", SearchTitles).Shown);
}

TEST(RankedFixtures, CyrillicKeywordsInARussianFile) {
    std::string russian = FixturePath("russian.chm");
    EXPECT_EQ((Lines{{"Окно", "/okno.html"}, {"Окно, Показать метод", "/okno.pokazat.html"}}),
              Ask(russian, "ОКНО").Shown);
    EXPECT_EQ((Lines{{"Показать метод", "/okno.pokazat.html"}}), Ask(russian, "показать").Shown);
    EXPECT_EQ((Lines{{"Ёлка", "/elka.html"}}), Ask(russian, "ёлка").Shown);
    EXPECT_EQ((Lines{{"Печатать функция", "/pechatat.html"}}), Ask(russian, "Печатать").Shown);
    // The binary index of a file chmcmd made from an index in code page 1251 holds "?" for every
    // Cyrillic letter: its titles still answer.
    EXPECT_EQ((Lines{{"Печать", "/print.html"}}), Ask(FixturePath("cyrillic.chm"), "печать").Shown);
}

} // namespace
