// Kestro.lvx's failures as the host sees them: result 0 and one of the module's messages in
// ErrorText, and nothing left behind in the temporary folder.
#include "support.hpp"

#include "chm_builder.h"

using farhost::WindowAnswer;

namespace {

class Failure : public KestroTest {
  protected:
    void ExpectFailure(const Answer& a, int message, const char* language = "English") {
        EXPECT_EQ(0, a.Result);
        EXPECT_EQ(LanguageLine(language, message), a.ErrorText);
        EXPECT_FALSE(a.ErrorText.empty());
        EXPECT_TRUE(host->Windows().empty());
        EXPECT_TRUE(TempEntries().empty());
    }
};

TEST_F(Failure, AHelpFileThatDoesNotOpenIsMessage7) {
    Load();
    ExpectFailure(Show("file", Help("missing.chm")), 7);
    ExpectFailure(Show("file", DataFolder), 7); // a folder is no help file
    ExpectFailure(Show("file", ""), 7);
    EXPECT_TRUE(host->Menus().empty());
}

TEST_F(Failure, AFileWithoutTopicTablesIsMessage8) {
    Load();
    // Not a compiled help file at all.
    ASSERT_TRUE(farhost::Host::WriteFile(Help("notes.chm"), "<html><body>just a page</body></html>\r\n"));
    ExpectFailure(Show("file", Help("notes.chm")), 8);
    ASSERT_TRUE(farhost::Host::WriteFile(Help("empty.chm"), ""));
    ExpectFailure(Show("file", Help("empty.chm")), 8);
    // A container with pages but no topic tables.
    ChmBuilder builder;
    builder.Plain = {{"/page.html", "<html></html>"}};
    Bytes bytes = builder.Build();
    ASSERT_TRUE(farhost::Host::WriteFile(Help("pages.its"), std::string(bytes.begin(), bytes.end())));
    ExpectFailure(Show("page", Help("pages.its")), 8);
}

TEST_F(Failure, NoMatchingTitleSaysSoAndIsNoFailure) {
    Load();
    for (const char* keyword : {"zz", "Files and folders and more"}) {
        host->QueueMessage(0);
        Answer a = Show(keyword, Help("titles.chm"));
        EXPECT_EQ(1, a.Result) << keyword;
        EXPECT_EQ("", a.ErrorText) << keyword;
        const farhost::MessageRecord& box = host->Messages().back();
        EXPECT_EQ(LanguageLine("English", 0), box.Title);
        EXPECT_EQ((std::vector<std::string>{LanguageLine("English", 1), keyword}), box.Lines);
        EXPECT_EQ(std::vector<std::string>{LanguageLine("English", 11)}, box.Buttons);
        EXPECT_EQ(0u, box.Flags) << "a notice, not a warning";
    }
    host->QueueMessage(-1);
    EXPECT_EQ(1, Show("Part 9", Help("large.chm")).Result);
    EXPECT_EQ(3u, host->Messages().size());
    EXPECT_TRUE(host->Menus().empty());
    EXPECT_TRUE(host->Windows().empty());
    EXPECT_TRUE(TempEntries().empty());
}

TEST_F(Failure, APageThatCannotBeReadIsMessage9) {
    Load();
    // The index file names pages that this help file does not hold.
    std::string help = Fixture("accented.chm", "book.chm");
    Fixture("titles.chm", "book.chi");
    ExpectFailure(Show("profile", help), 9);
    // Chosen from the menu first.
    host->QueueMenu({"Enter"});
    ExpectFailure(Show("print", help), 9);
    EXPECT_EQ(1u, host->Menus().size());
}

TEST_F(Failure, AResultFolderThatCannotBeMadeIsMessage10) {
    Load();
    FarSetTempFolder((TempFolder + "\\missing").c_str());
    ExpectFailure(Show("profile", Help("titles.chm")), 10);
    // MkTemp itself fails when its folder leaves no room for a name.
    FarSetTempFolder((TempFolder + "\\" + std::string(240, 'x')).c_str());
    ExpectFailure(Show("profile", Help("titles.chm")), 10);
    // The menu came first: a cancelled choice is still no failure.
    host->QueueMenu({"Esc"});
    Answer a = Show("file", Help("titles.chm"));
    EXPECT_EQ(1, a.Result);
    EXPECT_EQ("", a.ErrorText);
}

TEST_F(Failure, TextsFollowFarlang) {
    host->SetLanguage("Russian");
    Load();
    Answer a = Show("zz", Help("missing.chm"));
    ExpectFailure(a, 7, "Russian");
    EXPECT_NE(LanguageLine("English", 7), a.ErrorText);
}

} // namespace
