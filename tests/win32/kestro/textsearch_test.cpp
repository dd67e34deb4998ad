// Kestro's Search value 2 through the host: the index and titles first, then the pages' text
// (the help file's full-text index) when they find nothing; the notice that says the text was
// searched too; the dialog's third row (the help topic's words for it are checked with the other
// settings', in pageform_test.cpp).
#include "support.hpp"

using farhost::DialogAnswer;
using farhost::WindowAnswer;

namespace {

enum { ItemSearch = 7, ItemAccept = 9 };
enum { MsgSearchIndex = 19, MsgNoMatch = 20, MsgSearchText = 21, MsgNoMatchNorText = 22 };

class TextSearch : public KestroTest {
  protected:
    void Searching(const char* value) {
        ASSERT_TRUE(farhost::Host::RegSetString(Key, "Search", value));
        Load();
    }
    // The notice's line of the last message box.
    std::string Notice() {
        if (host->Messages().empty()) return "(no message)";
        const farhost::MessageRecord& box = host->Messages().back();
        return box.Lines.empty() ? "(empty)" : box.Lines[0];
    }
};

TEST_F(TextSearch, AWordOnlyThePagesHoldGivesTheirPagesMostUsesFirst) {
    Searching("2");
    std::string help = Fixture("fulltext.chm");
    host->QueueMenu({"Enter"});
    host->QueueWindow(WindowAnswer::Close);
    Answer a = Show("compass", help);
    EXPECT_EQ(1, a.Result);
    EXPECT_EQ("", a.ErrorText);
    ASSERT_EQ(1u, host->Menus().size());
    EXPECT_EQ((std::vector<std::string>{"Overview", "Overview"}), MenuTexts(host->Menus()[0]));
    ASSERT_EQ(1u, host->Windows().size());
    ExpectPage(host->Windows()[0].Content, "fulltext.chm", "/overview2.html"); // two uses, then one
    // A word of one page opens it at once.
    host->QueueWindow(WindowAnswer::Close);
    EXPECT_EQ(1, Show("HILLS", help).Result);
    EXPECT_EQ(1u, host->Menus().size());
    ExpectPage(host->Windows().back().Content, "fulltext.chm", "/river.html");
    ExpectNoHostErrors();
}

TEST_F(TextSearch, TheTextWaitsUntilIndexAndTitlesFindNothing) {
    Searching("2");
    std::string help = Fixture("fulltext.chm");
    host->QueueWindow(WindowAnswer::Close);
    EXPECT_EQ(1, Show("river", help).Result); // a title: the four pages of its text stay out
    EXPECT_TRUE(host->Menus().empty());
    ExpectPage(host->Windows().back().Content, "fulltext.chm", "/river.html");
    // With the second value the text is never searched.
    Fresh();
    Searching("1");
    host->QueueMessage(0);
    EXPECT_EQ(1, Show("compass", Fixture("fulltext.chm")).Result);
    EXPECT_TRUE(host->Windows().empty());
    EXPECT_EQ(LanguageLine("English", MsgNoMatch), Notice());
}

TEST_F(TextSearch, TheNoticeSaysTheTextWasSearchedOnlyWhenItWas) {
    Searching("2");
    std::string help = Fixture("fulltext.chm"), titles = Fixture("titles.chm");
    host->QueueMessage(0);
    Answer a = Show("zebra", help);
    EXPECT_EQ(1, a.Result);
    EXPECT_EQ("", a.ErrorText);
    EXPECT_EQ(LanguageLine("English", MsgNoMatchNorText), Notice());
    ASSERT_FALSE(host->Messages().empty());
    EXPECT_EQ("zebra", host->Messages().back().Lines.at(1));
    // A help file without a full-text index ends with the index and titles.
    host->QueueMessage(0);
    EXPECT_EQ(1, Show("zebra", titles).Result);
    EXPECT_EQ(LanguageLine("English", MsgNoMatch), Notice());
    EXPECT_TRUE(host->Windows().empty());
    ExpectNoHostErrors();
}

TEST_F(TextSearch, TheDialogsThirdRowWritesTwo) {
    Load();
    host->QueueDialog(DialogAnswer().Choose(ItemSearch, 2).Button(ItemAccept));
    EXPECT_EQ(1, Message(HM_CONFIGURE, nullptr, nullptr));
    EXPECT_EQ("2", Stored("Search"));
    ASSERT_EQ(1u, host->Dialogs().size());
    EXPECT_EQ((std::vector<std::string>{LanguageLine("English", 18), LanguageLine("English", MsgSearchIndex),
                                        LanguageLine("English", MsgSearchText)}),
              host->Dialogs()[0].Before[ItemSearch].List);
    // The new value takes effect at once, and is the row shown next time.
    host->QueueMenu({"Enter"});
    host->QueueWindow(WindowAnswer::Close);
    EXPECT_EQ(1, Show("compass", Fixture("fulltext.chm")).Result);
    EXPECT_EQ(1u, host->Windows().size());
    host->QueueDialog(DialogAnswer().Esc());
    EXPECT_EQ(1, Message(HM_CONFIGURE, nullptr, nullptr));
    EXPECT_EQ(LanguageLine("English", MsgSearchText), host->Dialogs().back().Before[ItemSearch].Data);
}

// Russian: its row fits the list, its notice comes in the OEM code page the language file keeps.
TEST_F(TextSearch, RussianTexts) {
    host->SetLanguage("Russian");
    Searching("2");
    host->QueueDialog(DialogAnswer().Esc());
    EXPECT_EQ(1, Message(HM_CONFIGURE, nullptr, nullptr));
    ASSERT_EQ(1u, host->Dialogs().size());
    const farhost::DialogItemRecord& list = host->Dialogs()[0].Before[ItemSearch];
    EXPECT_EQ(LanguageLine("Russian", MsgSearchText), list.Data);
    for (const std::string& row : list.List)
        EXPECT_LE((int)row.size(), list.X2 - list.X1 + 1) << row;
    host->QueueMessage(0);
    EXPECT_EQ(1, Show("zebra", Fixture("fulltext.chm")).Result);
    EXPECT_EQ(LanguageLine("Russian", MsgNoMatchNorText), Notice());
}

} // namespace
