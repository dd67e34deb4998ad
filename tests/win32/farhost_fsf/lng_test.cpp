// Far's choice of language/help file in a folder and its reading of .lng
// messages and .hlf topics, as the stand-in host does it.
#include "lng.hpp"
#include "scratch.hpp"

#include <gtest/gtest.h>

namespace {

TEST(LngParse, QuotedLinesEscapesAndDoubledQuotes) {
    std::vector<std::string> m = FarParseLng(".Language=English,English\r\n"
                                             "// comment\r\n"
                                             "\"First\"\r\n"
                                             "   \"Trimmed\"  \t\r\n"
                                             "\r\n"
                                             "\"Tab\\tNew\\nRet\\rBack\\bSlash\\\\Quote\\\"\"\n"
                                             "\"He said \"\"hi\"\" and \"left\"\"\n"
                                             "\"no closing quote\n"
                                             "\"\"\n"
                                             "\"unknown \\q escape\"\n"
                                             "not a message \"x\"\n");
    ASSERT_EQ(7u, m.size());
    EXPECT_EQ("First", m[0]);
    EXPECT_EQ("Trimmed", m[1]);
    EXPECT_EQ("Tab\tNew\nRet\rBack\bSlash\\Quote\"", m[2]);
    EXPECT_EQ("He said \"hi\" and \"left\"", m[3]);
    EXPECT_EQ("no closing quote", m[4]);
    EXPECT_EQ("", m[5]);
    EXPECT_EQ("unknown \\q escape", m[6]);
}

TEST(LngPick, WantedLanguageThenEnglishThenLast) {
    ScratchFolder dir;
    dir.File("aEng.lng", ".Language=English,English\r\n\"e\"\r\n");
    dir.File("bRus.lng", ".LANGUAGE=Russian,Russian (\x90\xE3\xE1\xE1\xAA\xA8\xA9)\r\n\"r\"\r\n");
    dir.File("cGer.lng", "// German\r\n.Language=German ,Deutsch\r\n\"g\"\r\n");
    dir.Folder("sub");
    dir.File("sub\\fr.lng", ".Language=French,Francais\r\n\"f\"\r\n");
    dir.File("notes.txt", ".Language=French,Francais\r\n");

    EXPECT_EQ(dir / "bRus.lng", FarPickLanguageFile(dir.Path(), "*.lng", "russian"));
    EXPECT_EQ(dir / "cGer.lng", FarPickLanguageFile(dir.Path(), "*.lng", "German"));
    EXPECT_EQ(dir / "aEng.lng",
              FarPickLanguageFile(dir.Path(), "*.lng", "French")); // sub folders are not searched
    EXPECT_EQ("German", FarReadLanguageName(dir / "cGer.lng"));

    std::vector<std::string> msgs;
    ASSERT_TRUE(FarLoadLng(FarPickLanguageFile(dir.Path() + "\\", "*.lng", "Russian"), &msgs));
    EXPECT_EQ(std::vector<std::string>{"r"}, msgs);
    EXPECT_FALSE(FarLoadLng(dir / "missing.lng", &msgs));
    EXPECT_EQ("", FarPickLanguageFile(dir / "sub\\none", "*.lng", "English"));
}

TEST(LngPick, WithoutEnglishTheLastListedWins) {
    ScratchFolder dir;
    dir.File("x1.lng", ".Language=Russian,Russian\r\n");
    dir.File("x2.lng", ".Language=German,Deutsch\r\n");
    dir.File("x3.lng", "\"no language line\"\r\n");
    std::string last;
    WIN32_FIND_DATAA d;
    HANDLE h = FindFirstFileA((dir / "*.lng").c_str(), &d);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    do
        last = dir / d.cFileName;
    while (FindNextFileA(h, &d));
    FindClose(h);
    EXPECT_EQ(last, FarPickLanguageFile(dir.Path(), "*.lng", "French"));
}

const char kHelp[] = ".Language=English,English\r\n"
                     ".PluginContents=Lumivo\r\n"
                     ".Options CtrlColorChar=\\\r\n"
                     "\r\n"
                     "@Contents\r\n"
                     "$ #Lumivo#\r\n"
                     "$ ^Second header\r\n"
                     "Welcome. See ~Usage~@Usage@.\r\n"
                     "@-\r\n"
                     "   fixed line\r\n"
                     "@+\r\n"
                     "\r\n"
                     "@Usage\r\n"
                     "How to use it.  \r\n"
                     "@EnterKeyword\r\n";

TEST(HlfParse, TopicsHeadersAndCaseInsensitiveLookup) {
    HlfFile f = FarParseHlf(kHelp);
    EXPECT_EQ("English", f.Language);
    EXPECT_EQ("Lumivo", f.PluginContents);
    ASSERT_EQ(3u, f.Topics.size());
    const HlfTopic* c = f.Find("contents");
    ASSERT_NE(nullptr, c);
    EXPECT_EQ((std::vector<std::string>{"#Lumivo#", "^Second header"}), c->Header);
    // @- and @+ do not end the topic.
    EXPECT_EQ((std::vector<std::string>{"Welcome. See ~Usage~@Usage@.", "@-", "   fixed line", "@+", ""}),
              c->Lines);
    const HlfTopic* u = f.Find("USAGE");
    ASSERT_NE(nullptr, u);
    EXPECT_TRUE(u->Header.empty());
    EXPECT_EQ(std::vector<std::string>{"How to use it."}, u->Lines);
    ASSERT_NE(nullptr, f.Find("EnterKeyword"));
    EXPECT_TRUE(f.Find("EnterKeyword")->Lines.empty());
    EXPECT_EQ(nullptr, f.Find("Missing"));
}

TEST(HlfParse, LanguageMustPrecedeContents) {
    HlfFile f = FarParseHlf("@Contents\r\nText\r\n.Language=Russian,Russian\r\n");
    EXPECT_EQ("", f.Language);
    ScratchFolder dir;
    dir.File("late.hlf", "@Contents\r\n.Language=Russian,Russian\r\n");
    dir.File("eng.hlf", kHelp);
    EXPECT_EQ("", FarReadLanguageName(dir / "late.hlf"));
    // The late declaration does not count, so Russian falls back to English.
    EXPECT_EQ(dir / "eng.hlf", FarPickLanguageFile(dir.Path(), "*.hlf", "Russian"));
    HlfFile loaded;
    ASSERT_TRUE(FarLoadHlf(dir / "eng.hlf", &loaded));
    EXPECT_EQ(3u, loaded.Topics.size());
}

} // namespace
