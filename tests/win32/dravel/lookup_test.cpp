// Dravel.lvx answering the host: a lookup that builds the index under a notice, the candidate menu,
// the result file in its LUMV folder and the window that deletes it. Its description, settings and
// window flags are tested in tests/win32/resultview, with Kestro's.
#include "support.hpp"

#include "article.h"

using farhost::CallKind;
using farhost::WindowAnswer;
using farhost::WindowRecord;

namespace {

std::string Laid(const std::string& line) {
    std::string text;
    dravel::LayoutArticle(line.data(), line.size(), &text);
    return text;
}

class Lookup : public DravelTest {};

TEST_F(Lookup, FirstLookupBuildsTheIndexUnderANoticeThenOpensTheArticle) {
    Load();
    host->QueueWindow(WindowAnswer::Close);
    Answer a = Show("abandoned");
    EXPECT_EQ(1, a.Result);
    EXPECT_EQ("", a.ErrorText);
    EXPECT_TRUE(farhost::Host::FileExists(Dict + ".hsh"));

    // The notice: no buttons, between a whole-screen save and its restore, gone afterwards.
    ASSERT_EQ(1u, host->Messages().size());
    const farhost::MessageRecord& notice = host->Messages()[0];
    EXPECT_TRUE(notice.Notice);
    EXPECT_FALSE(notice.OnScreen);
    EXPECT_EQ(0u, notice.Flags);
    EXPECT_EQ("", notice.HelpTopic);
    EXPECT_EQ(LanguageLine("English", 0), notice.Title);
    EXPECT_EQ(std::vector<std::string>{LanguageLine("English", 1)}, notice.Lines);
    EXPECT_TRUE(notice.Buttons.empty());
    ASSERT_EQ(1u, host->Screens().size());
    const farhost::ScreenRecord& screen = host->Screens()[0];
    EXPECT_EQ(0, screen.X1);
    EXPECT_EQ(0, screen.Y1);
    EXPECT_EQ(-1, screen.X2);
    EXPECT_EQ(-1, screen.Y2);
    EXPECT_TRUE(screen.Restored);
    std::vector<CallKind> order;
    for (const farhost::CallRef& call : host->Calls())
        order.push_back(call.Kind);
    EXPECT_EQ((std::vector<CallKind>{CallKind::SaveScreen, CallKind::Message, CallKind::RestoreScreen,
                                     CallKind::Window}),
              order);

    // One candidate: no menu; the article in the editor, non-modal from the panels.
    EXPECT_TRUE(host->Menus().empty());
    ASSERT_EQ(1u, host->Windows().size());
    const WindowRecord& w = host->Windows()[0];
    EXPECT_TRUE(w.Editor);
    ExpectResultPath(TempFolder, w.FileName, "Dravel");
    EXPECT_EQ("abandoned", w.Title);
    EXPECT_EQ(0x11u, w.Flags);
    EXPECT_FALSE(w.Modal);
    EXPECT_EQ(0, w.X1);
    EXPECT_EQ(0, w.Y1);
    EXPECT_EQ(-1, w.X2);
    EXPECT_EQ(-1, w.Y2);
    EXPECT_EQ(0, w.StartLine);
    EXPECT_EQ(1, w.StartChar);
    EXPECT_TRUE(w.Opened);
    EXPECT_EQ(Laid(ArticleLine("abandoned")), w.Content);
    EXPECT_EQ(0u, w.Content.find("abandoned\r\n"));

    // Closing the window takes the file and its LUMV folder with it.
    EXPECT_TRUE(w.Closed);
    EXPECT_TRUE(w.FileDeleted);
    EXPECT_TRUE(w.FolderDeleted);
    EXPECT_TRUE(TempEntries().empty());

    // The index is there now: no notice the second time.
    host->ClearRecords();
    host->QueueWindow(WindowAnswer::Close);
    EXPECT_EQ(1, Show("ABANDONED").Result);
    EXPECT_TRUE(host->Messages().empty());
    EXPECT_TRUE(host->Screens().empty());
    ASSERT_EQ(2u, host->Windows().size());
    EXPECT_EQ("ABANDONED", host->Windows()[1].Title);
    EXPECT_EQ(Laid(ArticleLine("abandoned")), host->Windows()[1].Content);
}

TEST_F(Lookup, SeveralCandidatesComeInAMenu) {
    Load();
    host->QueueMenu({"Down", "Enter"});
    host->QueueWindow(WindowAnswer::Close);
    EXPECT_EQ(1, Show("aban").Result);

    ASSERT_EQ(1u, host->Menus().size());
    const farhost::MenuRecord& menu = host->Menus()[0];
    ExpectCandidateMenu(menu);
    const char* const words[] = {"abandon", "abandoned", "abandonee", "abandonment"};
    ASSERT_EQ(4u, menu.Items.size());
    for (size_t i = 0; i < 4; i++) {
        size_t offset = 0;
        ArticleLine(words[i], &offset);
        EXPECT_EQ(words[i], menu.Items[i].Text);
        EXPECT_EQ(offset, menu.Items[i].UserData) << words[i];
        EXPECT_FALSE(menu.Items[i].Selected || menu.Items[i].Disabled || menu.Items[i].Separator);
    }
    EXPECT_EQ(1, menu.Result);

    ASSERT_EQ(1u, host->Windows().size());
    EXPECT_EQ("aban", host->Windows()[0].Title);
    EXPECT_EQ(Laid(ArticleLine("abandoned")), host->Windows()[0].Content);
    EXPECT_TRUE(TempEntries().empty());
}

TEST_F(Lookup, ACancelledMenuShowsNothingAndNoCandidateSaysSo) {
    Load();
    host->QueueMenu({"Esc"});
    Answer a = Show("aban");
    EXPECT_EQ(1, a.Result);
    EXPECT_EQ("", a.ErrorText);
    EXPECT_EQ(1u, host->Menus().size());
    EXPECT_TRUE(host->Windows().empty());
    EXPECT_TRUE(TempEntries().empty());
    size_t messages = host->Messages().size(); // the notice of the index build

    // The run "ab" exists, but no headword begins with the keyword: a box naming it, no failure.
    host->QueueMessage(0);
    a = Show("abzzz");
    EXPECT_EQ(1, a.Result);
    EXPECT_EQ("", a.ErrorText);
    ASSERT_EQ(messages + 1, host->Messages().size());
    const farhost::MessageRecord& box = host->Messages().back();
    EXPECT_EQ(LanguageLine("English", 0), box.Title);
    EXPECT_EQ((std::vector<std::string>{LanguageLine("English", 15), "abzzz"}), box.Lines);
    EXPECT_EQ(std::vector<std::string>{LanguageLine("English", 13)}, box.Buttons);
    EXPECT_EQ(0u, box.Flags & FMSG_WARNING);
    // Longer than every headword of its run; a keyword far too long for the box is cut.
    host->QueueMessage(-1);
    EXPECT_EQ(1, Show("abandonmentabandonment").Result);
    host->QueueMessage(0);
    EXPECT_EQ(1, Show("ab" + std::string(200, 'q')).Result);
    EXPECT_EQ("ab" + std::string(58, 'q'), host->Messages().back().Lines[1]);
    EXPECT_EQ(1u, host->Menus().size());
    EXPECT_TRUE(host->Windows().empty());
    EXPECT_TRUE(TempEntries().empty());
}

TEST_F(Lookup, EmptyKeywordTouchesNothing) {
    Load();
    Answer a = Show("");
    EXPECT_EQ(1, a.Result);
    EXPECT_EQ("", a.ErrorText);
    EXPECT_FALSE(farhost::Host::FileExists(Dict + ".hsh"));
    EXPECT_TRUE(host->Calls().empty());
}

TEST_F(Lookup, OneCharacterKeywordLooksForItsRunWithASpace) {
    Load();
    host->QueueMenu({"Enter"});
    host->QueueWindow(WindowAnswer::Close);
    EXPECT_EQ(1, Show("a").Result);
    ASSERT_EQ(1u, host->Menus().size());
    std::vector<std::string> texts;
    for (const farhost::MenuItemRecord& item : host->Menus()[0].Items)
        texts.push_back(item.Text);
    // The two spaces stand at position 1: the headword length counts as 2, space included.
    EXPECT_EQ((std::vector<std::string>{"A ", "a ", "a posteriori", "a priori"}), texts);
    ASSERT_EQ(1u, host->Windows().size());
    EXPECT_EQ("a ", host->Windows()[0].Title);
    EXPECT_EQ(Laid(ArticleLine("A")), host->Windows()[0].Content);
}

TEST_F(Lookup, CyrillicTextOfTheArticleArrivesUnchanged) {
    Load();
    host->QueueWindow(WindowAnswer::Close);
    EXPECT_EQ(1, Show("abandonee").Result);
    ASSERT_EQ(1u, host->Windows().size());
    const std::string& content = host->Windows()[0].Content;
    // "страховщик" in code page 866, as the dictionary holds it.
    EXPECT_NE(std::string::npos, content.find("\xe1\xe2\xe0\xa0\xe5\xae\xa2\xe9\xa8\xaa"));
    EXPECT_EQ(Laid(ArticleLine("abandonee")), content);
}

TEST_F(Lookup, TooManyHeadwordsEndTheMenuWithALineSayingMoreMatch) {
    const size_t CandidateLimit = 10000; // the most headwords a menu lists, as many as Kestro's titles
    // 10,001 headwords "ab0" ... "ab10000" in one run.
    std::string dict = DataFolder + "\\many.txt", bytes = "'c\r\n";
    for (size_t i = 0; i <= CandidateLimit; i++)
        bytes += "ab" + std::to_string(i) + "  article " + std::to_string(i) + "\r\n";
    ASSERT_TRUE(farhost::Host::WriteFile(dict, bytes));
    Load();
    host->QueueMenu({"End", "Enter"}); // the last line cannot be chosen: End stops above it
    host->QueueWindow(WindowAnswer::Close);
    EXPECT_EQ(1, Show("ab", dict).Result);
    ASSERT_EQ(1u, host->Menus().size());
    const farhost::MenuRecord& menu = host->Menus()[0];
    ExpectCandidateMenu(menu);
    ASSERT_EQ(CandidateLimit + 1, menu.Items.size());
    EXPECT_EQ("ab9999", menu.Items[CandidateLimit - 1].Text);
    EXPECT_EQ(LanguageLine("English", 16), menu.Items.back().Text);
    EXPECT_TRUE(menu.Items.back().Disabled);
    EXPECT_EQ(static_cast<int>(CandidateLimit) - 1, menu.Result);
    ASSERT_EQ(1u, host->Windows().size());
    EXPECT_EQ("ab9999\r\narticle 9999\r\n", host->Windows()[0].Content);

    // "ab10000" is the one that did not fit: typed out, it opens at once.
    host->QueueWindow(WindowAnswer::Close);
    EXPECT_EQ(1, Show("ab10000", dict).Result);
    EXPECT_EQ(1u, host->Menus().size());
    EXPECT_EQ("ab10000\r\narticle 10000\r\n", host->Windows().back().Content);
    EXPECT_TRUE(TempEntries().empty());
}

} // namespace
