// Kestro's fourth setting, Search: stored and read like the others (an enumeration: a value that
// is no row reads as the default), its line in the settings dialog, its topic in the help, and what
// it does (its words in the help are checked with PageForm's): the keyword index and the titles ranked (1)
// against today's titles in table order (0), a single line straight to its page, the lines in the console's
// code page, Cyrillic keywords typed in a Cyrillic console, and the notice when nothing matches.
#include "support.hpp"

using farhost::DialogAnswer;
using farhost::WindowAnswer;

namespace {

enum { ItemSearchLabel = 6, ItemSearch = 7, ItemAccept = 9 };

class Search : public KestroTest {
  protected:
    // The menu a lookup shows (its lines), answered with Esc; empty when it opens a page at once,
    // as `menu` false says it should.
    std::vector<std::string> MenuOf(const std::string& keyword, const std::string& file, bool menu = true) {
        size_t menus = host->Menus().size(), windows = host->Windows().size();
        if (menu)
            host->QueueMenu({"Esc"});
        else
            host->QueueWindow(WindowAnswer::Close);
        Answer a = Show(keyword, Help(file));
        EXPECT_EQ(1, a.Result) << keyword;
        EXPECT_EQ("", a.ErrorText) << keyword;
        EXPECT_EQ(0u, host->PendingAnswers()) << keyword;
        if (host->Menus().size() == menus) {
            EXPECT_EQ(windows + 1, host->Windows().size()) << keyword;
            return {};
        }
        return MenuTexts(host->Menus().back());
    }
};

const std::vector<std::string> RankedShow = {"Show", "Show, TCustomForm", "Show, TForm"};

TEST_F(Search, StoredAndReadAsAnEnumeration) {
    struct Case {
        const char* Stored;
        bool Ranked;
    };
    for (const Case& c : {Case{nullptr, false}, Case{"0", false}, Case{"1", true}, Case{"0x1", true},
                          Case{"2", true}, Case{"3", false}, Case{"-1", false}, Case{"yes", false}}) {
        SCOPED_TRACE(c.Stored ? c.Stored : "(missing)");
        Fresh();
        if (c.Stored) {
            ASSERT_TRUE(farhost::Host::RegSetString(Key, "Search", c.Stored));
        }
        Load();
        // Today's rule: one title begins with "show", so its page opens without a menu.
        EXPECT_EQ(c.Ranked ? RankedShow : std::vector<std::string>{},
                  MenuOf("show", "keywords.chm", c.Ranked));
        ExpectNoHostErrors();
    }
}

TEST_F(Search, TheDialogShowsItOnALineOfItsOwnAndOkWritesIt) {
    ASSERT_TRUE(farhost::Host::RegSetString(Key, "Search", "1"));
    Load();
    ASSERT_TRUE(farhost::Host::RegRemoveKey(Key));
    host->QueueDialog(DialogAnswer().Choose(ItemSearch, 0).Esc());
    EXPECT_EQ(1, Message(HM_CONFIGURE, nullptr, nullptr));
    EXPECT_EQ("(missing)", Stored("Search"));
    ASSERT_EQ(1u, host->Dialogs().size());
    const farhost::DialogRecord& d = host->Dialogs()[0];
    EXPECT_EQ(12, d.Y2); // two lines for each of the module's own settings
    ASSERT_EQ(11u, d.Before.size());
    ExpectOwnSetting(d, ItemSearchLabel, 17, {18, 19, 21}, 19);

    // OK writes all four values, and the new one takes effect at once.
    host->QueueDialog(DialogAnswer().Choose(ItemSearch, 0).Button(ItemAccept));
    EXPECT_EQ(1, Message(HM_CONFIGURE, nullptr, nullptr));
    for (const char* name : {"Modality", "Visuality", "PageForm", "Search"})
        EXPECT_EQ("0", Stored(name)) << name;
    EXPECT_TRUE(MenuOf("show", "keywords.chm", false).empty());
    host->QueueDialog(DialogAnswer().Choose(ItemSearch, 1).Enter());
    EXPECT_EQ(1, Message(HM_CONFIGURE, nullptr, nullptr));
    EXPECT_EQ("1", Stored("Search"));
    EXPECT_EQ(RankedShow, MenuOf("show", "keywords.chm"));
    // And it survives a new start.
    Fresh(true);
    Load();
    EXPECT_EQ(RankedShow, MenuOf("show", "keywords.chm"));
}

TEST_F(Search, RankedLinesOpenTheChosenPageAndASingleLineOpensAtOnce) {
    ASSERT_TRUE(farhost::Host::RegSetString(Key, "Search", "1"));
    Load();
    host->QueueMenu({"Down", "Enter"});
    host->QueueWindow(WindowAnswer::Close);
    EXPECT_EQ(1, Show("show", Help("keywords.chm")).Result);
    ASSERT_EQ(1u, host->Menus().size());
    ExpectCandidateMenu(host->Menus()[0]);
    EXPECT_EQ(RankedShow, MenuTexts(host->Menus()[0]));
    ASSERT_EQ(1u, host->Windows().size());
    ExpectPage(host->Windows()[0].Content, "keywords.chm", "/tcustomform.show.html");

    // "TextOut function" names "textout" exactly: one line, no menu. "Display" leads on to "Show".
    struct Case {
        const char *Keyword, *Page;
    };
    for (const Case& c : {Case{"textout", "/textout.html"}, Case{"display", "/tcontrol.show.html"},
                          Case{"OnShow", "/tcustomform.onshow.html"}}) {
        host->QueueWindow(WindowAnswer::Close);
        EXPECT_EQ(1, Show(c.Keyword, Help("keywords.chm")).Result) << c.Keyword;
        ExpectPage(host->Windows().back().Content, "keywords.chm", c.Page);
    }
    EXPECT_EQ(1u, host->Menus().size());
    EXPECT_TRUE(TempEntries().empty());
}

TEST_F(Search, NothingMatchingSaysSoInItsOwnWords) {
    ASSERT_TRUE(farhost::Host::RegSetString(Key, "Search", "1"));
    Load();
    host->QueueMessage(0);
    EXPECT_EQ(1, Show("cycle", Help("keywords.chm")).Result); // a see-also loop leads nowhere
    ASSERT_EQ(1u, host->Messages().size());
    EXPECT_EQ((std::vector<std::string>{LanguageLine("English", 20), "cycle"}), host->Messages()[0].Lines);
    EXPECT_TRUE(host->Windows().empty());
}

// The keyword comes in the request's encoding (the type's "WIN"); a Cyrillic one matches the index
// whatever the case, and the menu lines come in the console's code page. (A Western Windows has no
// Cyrillic letters for the keyword to be typed in: its bytes are other letters there.)
TEST_F(Search, CyrillicKeywordsFindCyrillicKeywords) {
    ASSERT_TRUE(farhost::Host::RegSetString(Key, "Search", "1"));
    Load();
    const std::string window = "\xce\xca\xcd\xce"; // "ОКНО" in code page 1251
    if (GetACP() != 1251) {
        host->QueueMessage(0);
        EXPECT_EQ(1, Show(window, Help("russian.chm")).Result);
        EXPECT_EQ(1u, host->Messages().size());
        return;
    }
    std::vector<std::string> lines = MenuOf(window, "russian.chm");
    // "Окно" and "Окно, Показать метод" in code page 866.
    EXPECT_EQ(
        (std::vector<std::string>{"\x8e\xaa\xad\xae",
                                  "\x8e\xaa\xad\xae, \x8f\xae\xaa\xa0\xa7\xa0\xe2\xec \xac\xa5\xe2\xae\xa4"}),
        lines);
    host->QueueWindow(WindowAnswer::Close);
    EXPECT_EQ(1, Show("\xb8\xeb\xea\xe0", Help("russian.chm")).Result); // "ёлка": one line
    ExpectPage(host->Windows().back().Content, "russian.chm", "/elka.html");
}

} // namespace
