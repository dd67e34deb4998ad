// Kestro.lvx answering the host: one matching title straight to its page, prefix collisions
// through the module menu, anchors and duplicate topics, a cancelled menu, titles in the help
// file's 8-bit code page, and the companion index file. Its description is tested in
// tests/win32/resultview, with Dravel's.
#include "support.hpp"

#include "chm_builder.h"

using farhost::WindowAnswer;
using farhost::WindowRecord;

namespace {

class Lookup : public KestroTest {};

TEST_F(Lookup, OneMatchingTitleOpensItsPageWithoutAMenu) {
    Load();
    host->QueueWindow(WindowAnswer::Close);
    Answer a = Show("filen", Help("titles.chm"));
    EXPECT_EQ(1, a.Result);
    EXPECT_EQ("", a.ErrorText);
    EXPECT_TRUE(host->Menus().empty());
    ASSERT_EQ(1u, host->Windows().size());
    const WindowRecord& w = host->Windows()[0];
    EXPECT_TRUE(w.Editor);
    ExpectResultPath(TempFolder, w.FileName, "Kestro");
    EXPECT_EQ("filen", w.Title);
    EXPECT_EQ(0x11u, w.Flags); // non-modal, delete on close: from the panels
    EXPECT_FALSE(w.Modal);
    EXPECT_EQ(0, w.X1);
    EXPECT_EQ(0, w.Y1);
    EXPECT_EQ(-1, w.X2);
    EXPECT_EQ(-1, w.Y2);
    EXPECT_EQ(0, w.StartLine);
    EXPECT_EQ(1, w.StartChar);
    EXPECT_TRUE(w.Opened);
    ExpectPage(w.Content, "titles.chm", "/filename.html");
    EXPECT_NE(std::string::npos, w.Content.find("<title>Filename</title>"));

    // Closing the window takes the file and its LUMV folder with it.
    EXPECT_TRUE(w.Closed);
    EXPECT_TRUE(w.FileDeleted);
    EXPECT_TRUE(w.FolderDeleted);
    EXPECT_TRUE(TempEntries().empty());

    // Pages in a folder of the help file, in a large compressed section, among thousands.
    struct Case {
        const char *Keyword, *Fixture, *Page;
    };
    for (const Case& c :
         {Case{"deep", "titles.chm", "/sub/deep.html"}, Case{"Part 8", "large.chm", "/part8.html"},
          Case{"topic 2999", "many.chm", "/t2999.html"}}) {
        host->QueueWindow(WindowAnswer::Close);
        EXPECT_EQ(1, Show(c.Keyword, Help(c.Fixture)).Result) << c.Keyword;
        ExpectPage(host->Windows().back().Content, c.Fixture, c.Page);
    }
    EXPECT_TRUE(host->Menus().empty());
    EXPECT_TRUE(TempEntries().empty());
}

TEST_F(Lookup, PrefixCollisionsComeInTheMenuInTableOrder) {
    Load();
    host->QueueMenu({"Down", "Down", "Down", "Down", "Enter"});
    host->QueueWindow(WindowAnswer::Close);
    EXPECT_EQ(1, Show("file", Help("titles.chm")).Result);

    ASSERT_EQ(1u, host->Menus().size());
    const farhost::MenuRecord& menu = host->Menus()[0];
    ExpectCandidateMenu(menu);
    // The compiler keeps one title for "File", "file" and "FILE": three topics, one page.
    EXPECT_EQ(
        (std::vector<std::string>{"FILE", "FILE", "FILE", "File menu", "Filename", "Files and folders"}),
        MenuTexts(menu));
    for (const farhost::MenuItemRecord& item : menu.Items)
        EXPECT_FALSE(item.Selected || item.Disabled || item.Separator || item.Mark) << item.Text;
    // UserData: the line's page among the answer's; each topic has its own.
    for (size_t i = 1; i < menu.Items.size(); i++)
        EXPECT_LT(menu.Items[i - 1].UserData, menu.Items[i].UserData);
    EXPECT_EQ(4, menu.Result);

    ASSERT_EQ(1u, host->Windows().size());
    EXPECT_EQ("file", host->Windows()[0].Title);
    ExpectPage(host->Windows()[0].Content, "titles.chm", "/filename.html");
    EXPECT_TRUE(TempEntries().empty());
}

TEST_F(Lookup, AnchorsAndDuplicateTopicsOpenTheirPage) {
    Load();
    // Each "FILE" line: one through "#upper", one plain, one through "#lower".
    for (int item = 0; item < 3; item++) {
        host->QueueMenu({"#" + std::to_string(item)});
        host->QueueWindow(WindowAnswer::Close);
        EXPECT_EQ(1, Show("FILE", Help("titles.chm")).Result);
        ASSERT_EQ((size_t)item + 1, host->Windows().size());
        ExpectPage(host->Windows().back().Content, "titles.chm", "/file.html");
    }
    // "Printer setup" is "print.html#setup".
    host->QueueMenu({"End", "Enter"});
    host->QueueWindow(WindowAnswer::Close);
    EXPECT_EQ(1, Show("print", Help("titles.chm")).Result);
    EXPECT_EQ((std::vector<std::string>{"Print", "Printer setup"}), MenuTexts(host->Menus().back()));
    ExpectPage(host->Windows().back().Content, "titles.chm", "/print.html");
    EXPECT_TRUE(TempEntries().empty());
}

TEST_F(Lookup, EscInTheMenuShowsNothing) {
    Load();
    host->QueueMenu({"Esc"});
    Answer a = Show("file", Help("titles.chm"));
    EXPECT_EQ(1, a.Result);
    EXPECT_EQ("", a.ErrorText);
    EXPECT_TRUE(host->Windows().empty());
    EXPECT_TRUE(host->Messages().empty());
    EXPECT_TRUE(TempEntries().empty());
}

TEST_F(Lookup, EmptyKeywordTouchesNothing) {
    Load();
    Answer a = Show("", Help("missing.chm"));
    EXPECT_EQ(1, a.Result);
    EXPECT_EQ("", a.ErrorText);
    EXPECT_TRUE(host->Calls().empty());
    EXPECT_TRUE(TempEntries().empty());
}

// The keyword arrives in the Windows code page, as the host converts it for the "WIN" type;
// the module brings keyword and titles to the OEM code page before comparing them.
TEST_F(Lookup, CyrillicKeywordInTheWindowsCodePage) {
    Load();
    const std::string keyword = "\xf4\xe0\xe9\xeb"; // "файл", code page 1251
    bool cyrillic = GetACP() == 1251;
    if (cyrillic) host->QueueMenu({"End", "Enter"});
    host->QueueWindow(WindowAnswer::Close);
    Answer a = Show(keyword, Help("cyrillic.chm"));
    EXPECT_EQ(1, a.Result);
    EXPECT_EQ("", a.ErrorText);
    ASSERT_EQ(1u, host->Windows().size());
    std::string oemKeyword = keyword;
    CharToOemBuffA(oemKeyword.data(), &oemKeyword[0], (DWORD)oemKeyword.size());
    EXPECT_EQ(oemKeyword, host->Windows()[0].Title); // the title is the keyword in OEM
    if (cyrillic) {
        // "Файл", "файл меню", "Файлы и папки" in code page 866.
        ASSERT_EQ(1u, host->Menus().size());
        EXPECT_EQ((std::vector<std::string>{"\x94\xa0\xa9\xab", "\xe4\xa0\xa9\xab \xac\xa5\xad\xee",
                                            "\x94\xa0\xa9\xab\xeb \xa8 \xaf\xa0\xaf\xaa\xa8"}),
                  MenuTexts(host->Menus()[0]));
        ExpectPage(host->Windows()[0].Content, "cyrillic.chm", "/files.html");
    } else {
        // A Western code page has no Cyrillic letters: only the title written exactly as the
        // keyword still matches, and it is the only candidate.
        EXPECT_TRUE(host->Menus().empty());
        ExpectPage(host->Windows()[0].Content, "cyrillic.chm", "/file.html");
    }
    EXPECT_TRUE(TempEntries().empty());
}

TEST_F(Lookup, AccentedTitlesMatchWithoutRegardToCase) {
    Load();
    host->QueueMenu({"Enter"});
    host->QueueWindow(WindowAnswer::Close);
    EXPECT_EQ(1, Show("\xe9"
                      "clair",
                      Help("accented.chm"))
                     .Result); // "éclair", code page 1252
    ASSERT_EQ(1u, host->Menus().size());
    ASSERT_EQ(2u, host->Menus()[0].Items.size()); // "Éclair", "éclairage"; not "Ecole"
    std::string first = "\xc9"
                        "clair";
    CharToOemBuffA(first.data(), &first[0], (DWORD)first.size());
    EXPECT_EQ(first, host->Menus()[0].Items[0].Text);
    ExpectPage(host->Windows()[0].Content, "accented.chm", "/eclair.html");

    // An OEM request compares the titles as stored.
    host->QueueWindow(WindowAnswer::Close);
    EXPECT_EQ(1, Show("caf\xe9 c", Help("accented.chm"), "").Result);
    ExpectPage(host->Windows().back().Content, "accented.chm", "/cafe.html");
}

TEST_F(Lookup, TablesComeFromTheCompanionIndexFilePagesFromTheHelpFile) {
    Load();
    const std::string keyword = "\xcf\xe5\xf7\xe0\xf2\xfc"; // "Печать", code page 1251
    std::string help = Fixture("titles.chm", "book.chm");
    host->QueueMessage(0); // no title of its own begins with it
    Answer none = Show(keyword, help);
    EXPECT_EQ(1, none.Result);
    EXPECT_EQ("", none.ErrorText);
    EXPECT_TRUE(host->Windows().empty());

    // The Cyrillic tables lead to "/print.html", which the English help file holds too.
    Fixture("cyrillic.chm", "book.chi");
    host->QueueWindow(WindowAnswer::Close);
    EXPECT_EQ(1, Show(keyword, help).Result);
    ASSERT_EQ(1u, host->Windows().size());
    ExpectPage(host->Windows()[0].Content, "titles.chm", "/print.html");

    // An index file that holds no tables does not hide the help file's own.
    ASSERT_TRUE(farhost::Host::WriteFile(Help("book.chi"), "stale\r\n"));
    host->QueueWindow(WindowAnswer::Close);
    EXPECT_EQ(1, Show("profile", help).Result);
    ExpectPage(host->Windows().back().Content, "titles.chm", "/profile.html");
    EXPECT_TRUE(TempEntries().empty());
}

TEST_F(Lookup, TooManyMatchingTitlesEndTheMenuWithALineSayingMoreMatch) {
    const uint32_t TopicCandidateLimit = 10000; // the most titles a menu lists
    // 10,001 topics titled "Topic n", all on one page but the last.
    auto le32 = [](uint32_t v) {
        std::string s(4, 0);
        for (int i = 0; i < 4; i++)
            s[i] = static_cast<char>(v >> (8 * i));
        return s;
    };
    std::string topics, strings(1, '\0');
    for (uint32_t i = 0; i <= TopicCandidateLimit; i++) {
        topics += le32(0) + le32(static_cast<uint32_t>(strings.size())) +
                  le32(i == TopicCandidateLimit ? 12 : 0) + le32(0);
        strings += "Topic " + std::to_string(i) + '\0';
    }
    ChmBuilder builder;
    builder.Plain = {{"/#TOPICS", topics},
                     {"/#STRINGS", strings},
                     {"/#URLTBL", le32(0) + le32(0) + le32(0) + le32(0) + le32(0) + le32(14)},
                     {"/#URLSTR", std::string("\0\0\0\0page.html\0last.html\0", 24)},
                     {"/page.html", "<html>page</html>"},
                     {"/last.html", "<html>last</html>"}};
    Bytes bytes = builder.Build();
    ASSERT_TRUE(farhost::Host::WriteFile(Help("many.chm"), std::string(bytes.begin(), bytes.end())));
    Load();
    host->QueueMenu({"End", "Enter"}); // the last line cannot be chosen: End stops above it
    host->QueueWindow(WindowAnswer::Close);
    EXPECT_EQ(1, Show("topic", Help("many.chm")).Result);
    ASSERT_EQ(1u, host->Menus().size());
    const farhost::MenuRecord& menu = host->Menus()[0];
    ExpectCandidateMenu(menu);
    ASSERT_EQ(TopicCandidateLimit + 1u, menu.Items.size());
    EXPECT_EQ("Topic 9999", menu.Items[TopicCandidateLimit - 1].Text);
    EXPECT_EQ(LanguageLine("English", 16), menu.Items.back().Text);
    EXPECT_TRUE(menu.Items.back().Disabled);
    EXPECT_EQ(TopicCandidateLimit - 1, menu.Result);
    ASSERT_EQ(1u, host->Windows().size());
    EXPECT_EQ("<html>page</html>", host->Windows()[0].Content);

    // "Topic 10000" is the one that did not fit: typed out, it opens at once.
    host->QueueWindow(WindowAnswer::Close);
    EXPECT_EQ(1, Show("topic 10000", Help("many.chm")).Result);
    EXPECT_EQ(1u, host->Menus().size());
    EXPECT_EQ("<html>last</html>", host->Windows().back().Content);
    EXPECT_TRUE(TempEntries().empty());
}

} // namespace
