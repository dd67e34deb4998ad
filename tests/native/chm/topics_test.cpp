// Topic lookup tests: prefix matching in table order on the real fixtures (prefix
// collisions, case variants, Cyrillic and accented titles in their 8-bit code pages,
// duplicates, anchors, thousands of topics), and tables that point outside themselves.
#include <gtest/gtest.h>

#include <string.h>

#include "fixtures.h"
#include "find/topics.h"

namespace {

// Case folding of the two 8-bit code pages the fixtures use, standing in for the host's
// locale-aware compare.
unsigned char FoldCp1251(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 32);
    if (c >= 0xC0 && c <= 0xDF) return static_cast<unsigned char>(c + 32);
    return c == 0xA8 ? 0xB8 : c; // Ё
}
unsigned char FoldCp1252(unsigned char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
        return static_cast<unsigned char>(c + 32);
    return c;
}
template <unsigned char (*Fold)(unsigned char)> int FoldedPrefixCompare(const char* a, const char* b, int n) {
    for (int i = 0; i < n; i++) {
        unsigned char x = Fold(static_cast<unsigned char>(a[i])), y = Fold(static_cast<unsigned char>(b[i]));
        if (x != y) return x < y ? -1 : 1;
        if (!x) break;
    }
    return 0;
}

typedef std::vector<std::pair<std::string, std::string>> TitlesAndPaths;

TitlesAndPaths Lookup(const char* fixture, const std::string& keyword,
                      TopicPrefixCompare compare = AsciiPrefixCompare, TopicTitleConvert convert = nullptr) {
    ChmContainer* c = OpenContainer(FixturePath(fixture).c_str());
    EXPECT_NE(c, nullptr);
    TopicTables tables;
    EXPECT_EQ(ReadTopicTables(c, &tables), 0);
    EXPECT_EQ(c->WholeDecodes, 0u); // the tables through the reset table, not the whole section
    CloseContainer(c);
    TopicCandidate* list;
    uint32_t count;
    bool more;
    EXPECT_EQ(CollectTopics(&tables, keyword.c_str(), compare, convert, nullptr, TopicCandidateLimit, &list,
                            &count, &more),
              0);
    EXPECT_FALSE(more);
    TitlesAndPaths result;
    for (uint32_t i = 0; i < count; i++) {
        char path[TopicPathSize];
        EXPECT_EQ(FormTopicPath(&tables, list[i].PathOffset, path, sizeof(path)), 0);
        result.push_back({list[i].Title, path});
    }
    FreeObject(list);
    FreeTopicTables(&tables);
    return result;
}

TEST(ChmTopics, PrefixCollisionsAndCaseVariantsInTableOrder) {
    // The compiler stores titles that differ only in case once ("File", "file", "FILE"
    // became three topics titled "FILE"), all on one page once the anchors are cut.
    TitlesAndPaths expected = {{"FILE", "/file.html"},         {"FILE", "/file.html"},
                               {"FILE", "/file.html"},         {"File menu", "/filemenu.html"},
                               {"Filename", "/filename.html"}, {"Files and folders", "/files.html"}};
    EXPECT_EQ(Lookup("titles.chm", "File"), expected);
    EXPECT_EQ(Lookup("titles.chm", "file"), expected);
    EXPECT_EQ(Lookup("titles.chm", "fIlE"), expected);
    EXPECT_EQ(Lookup("titles.chm", "Filen"), (TitlesAndPaths{{"Filename", "/filename.html"}}));
    EXPECT_EQ(Lookup("titles.chm", "files "), (TitlesAndPaths{{"Files and folders", "/files.html"}}));
    EXPECT_EQ(Lookup("titles.chm", "Pr"),
              (TitlesAndPaths{
                  {"Print", "/print.html"}, {"Printer setup", "/print.html"}, {"Profile", "/profile.html"}}));
    EXPECT_EQ(Lookup("titles.chm", "deep"), (TitlesAndPaths{{"Deep page", "/sub/deep.html"}}));
    EXPECT_TRUE(Lookup("titles.chm", "Filenames").empty()); // a keyword longer than the title
    EXPECT_TRUE(Lookup("titles.chm", "ile").empty());       // prefix only, not substring
    EXPECT_EQ(Lookup("titles.chm", "").size(), 13u);        // every topic, untitled ones too
}

TEST(ChmTopics, CyrillicTitlesInCp1251) {
    // "ФАЙЛ", "ёл" and "Ё" in code page 1251.
    const std::string file = "\xD4\xC0\xC9\xCB", yo = "\xB8\xEB", bigYo = "\xA8";
    auto found = Lookup("cyrillic.chm", file, FoldedPrefixCompare<FoldCp1251>);
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0], std::make_pair(std::string("\xD4\xE0\xE9\xEB"), std::string("/file.html"))); // Файл
    EXPECT_EQ(found[1].second, "/file.html");  // файл меню
    EXPECT_EQ(found[2].second, "/files.html"); // Файлы и папки
    auto trees = Lookup("cyrillic.chm", yo, FoldedPrefixCompare<FoldCp1251>);
    ASSERT_EQ(trees.size(), 2u);
    EXPECT_EQ(trees[0].second, "/tree.html");
    EXPECT_EQ(trees[1].second, "/tree.html");
    EXPECT_EQ(Lookup("cyrillic.chm", bigYo, FoldedPrefixCompare<FoldCp1251>).size(), 2u);
    EXPECT_TRUE(Lookup("cyrillic.chm", file).empty()); // ASCII folding alone leaves Cyrillic case apart
}

TEST(ChmTopics, AccentedTitlesInCp1252) {
    auto eAcute = Lookup("accented.chm", "\xC9", FoldedPrefixCompare<FoldCp1252>); // É
    ASSERT_EQ(eAcute.size(), 2u);
    EXPECT_EQ(eAcute[0], std::make_pair(std::string("\xC9"
                                                    "clair"),
                                        std::string("/eclair.html")));
    EXPECT_EQ(eAcute[1], std::make_pair(std::string("\xE9"
                                                    "clairage"),
                                        std::string("/eclairage.html")));
    EXPECT_EQ(Lookup("accented.chm", "E", FoldedPrefixCompare<FoldCp1252>),
              (TitlesAndPaths{{"Ecole", "/ecole.html"}}));
    auto cafe = Lookup("accented.chm", "CAF\xC9", FoldedPrefixCompare<FoldCp1252>);
    ASSERT_EQ(cafe.size(), 2u);
    EXPECT_EQ(cafe[0].second, "/cafe.html");
    EXPECT_EQ(cafe[1].second, "/cafe.html");
}

TEST(ChmTopics, ThousandsOfTopics) {
    EXPECT_EQ(Lookup("many.chm", "Topic 12").size(), 100u);
    EXPECT_EQ(Lookup("many.chm", "topic").size(), 3000u);
    EXPECT_EQ(Lookup("many.chm", "Topic 2999"), (TitlesAndPaths{{"Topic 2999", "/t2999.html"}}));
}

TEST(ChmTopics, TitlesAreConvertedBeforeTheyAreCompared) {
    auto upper = [](char* title, void*) {
        for (char* p = title; *p; p++)
            if (*p >= 'a' && *p <= 'z') *p = static_cast<char>(*p - 32);
    };
    auto exact = [](const char* a, const char* b, int n) { return strncmp(a, b, static_cast<size_t>(n)); };
    EXPECT_EQ(Lookup("titles.chm", "FILE MENU", exact, upper),
              (TitlesAndPaths{{"FILE MENU", "/filemenu.html"}}));
}

// ---- tables that lead outside themselves ----

struct Tables {
    std::string Topics, Strings, UrlTable, UrlStrings;
    TopicTables View() {
        auto bytes = [](std::string& s) { return reinterpret_cast<unsigned char*>(&s[0]); };
        return {bytes(Topics),     static_cast<uint32_t>(Topics.size()),
                bytes(Strings),    static_cast<uint32_t>(Strings.size()),
                bytes(UrlTable),   static_cast<uint32_t>(UrlTable.size()),
                bytes(UrlStrings), static_cast<uint32_t>(UrlStrings.size())};
    }
};

std::string Le32(uint32_t v) {
    std::string s(4, 0);
    for (int i = 0; i < 4; i++)
        s[i] = static_cast<char>(v >> (8 * i));
    return s;
}
std::string Topic(uint32_t title, uint32_t url) {
    return Le32(0) + Le32(title) + Le32(url) + Le32(0);
}
std::string Url(uint32_t path) {
    return Le32(0) + Le32(0) + Le32(path);
}

std::vector<std::string> Titles(Tables& t, const char* keyword) {
    TopicTables view = t.View();
    TopicCandidate* list;
    uint32_t count;
    bool more;
    EXPECT_EQ(CollectTopics(&view, keyword, AsciiPrefixCompare, nullptr, nullptr, TopicCandidateLimit, &list,
                            &count, &more),
              0);
    std::vector<std::string> titles;
    for (uint32_t i = 0; i < count; i++)
        titles.push_back(list[i].Title);
    FreeObject(list);
    return titles;
}

TEST(ChmTopics, OffsetsOutsideTheirTablesYieldNoCandidate) {
    Tables t;
    t.Strings = std::string("\0Alpha\0Beta\0Gamma\0Delta\0Omega", 29); // "Omega" unterminated at the end
    t.UrlStrings = std::string("\0\0\0\0\0\0\0\0a.html#top\0\0\0\0", 23);
    t.UrlTable = Url(0) + Url(100) + Url(19);
    t.Topics = Topic(1, 0)                  // Alpha: good (zeros skipped up to the path)
               + Topic(7, 12)               // Beta: its URLTBL entry points outside URLSTR
               + Topic(12, 1000)            // Gamma: URLTBL offset outside URLTBL
               + Topic(18, 24)              // Delta: URLSTR run of zeros reaching the end
               + Topic(24, 0)               // Omega: title cut at the table's end, still good
               + Topic(0xFFFFFFF0u, 0)      // title offset outside STRINGS: empty title
               + Topic(1, 0xFFFFFFFFu)      // URLTBL offset + 12 would wrap
               + Topic(1, 0).substr(0, 11); // a trailing partial entry is not read
    EXPECT_EQ(Titles(t, ""), (std::vector<std::string>{"Alpha", "Omega", ""}));
    EXPECT_EQ(Titles(t, "Alpha"), std::vector<std::string>{"Alpha"});
    TopicTables view = t.View();
    char path[TopicPathSize];
    ASSERT_EQ(FormTopicPath(&view, 8, path, sizeof(path)), 0);
    EXPECT_STREQ(path, "/a.html");
    EXPECT_EQ(FormTopicPath(&view, 23, path, sizeof(path)), -1);
    EXPECT_EQ(FormTopicPath(&view, 8, path, 7), -1); // "/a.html" needs 8
    ASSERT_EQ(FormTopicPath(&view, 8, path, 8), 0);
}

TEST(ChmTopics, ShortTopicTablesYieldNothing) {
    Tables t;
    t.Strings = std::string("\0Alpha\0", 7);
    t.UrlStrings = "a.html";
    t.UrlTable = Url(0);
    t.Topics = Topic(1, 0).substr(0, 12); // 12 bytes: nothing, by rule
    EXPECT_TRUE(Titles(t, "").empty());
    t.Topics = Topic(1, 0).substr(0, 13);
    EXPECT_EQ(Titles(t, ""), std::vector<std::string>{"Alpha"});
}

TEST(ChmTopics, LongTitlesAreCutForTheMenuAndLongPathsRefused) {
    Tables t;
    t.Strings = std::string(1, '\0') + std::string(600, 'x') + std::string(1, '\0');
    t.UrlStrings = std::string(2000, 'p') + std::string(1, '\0');
    t.UrlTable = Url(0);
    t.Topics = Topic(1, 0);
    auto titles = Titles(t, std::string(511, 'x').c_str());
    ASSERT_EQ(titles.size(), 1u); // compared on its first 511 characters
    EXPECT_EQ(titles[0], std::string(127, 'x'));
    EXPECT_TRUE(Titles(t, std::string(512, 'x').c_str()).empty());
    TopicTables view = t.View();
    char path[TopicPathSize];
    EXPECT_EQ(FormTopicPath(&view, 0, path, sizeof(path)), -1);
    EXPECT_EQ(FormTopicPath(&view, 2000 - 1022, path, sizeof(path)), 0); // 1 + 1022 + NUL fits
}

TEST(ChmTopics, MissingTableFailsTheRead) {
    ChmBuilder b;
    b.Compressed = {{"/#TOPICS", Topic(1, 0)}, {"/#STRINGS", std::string("\0A\0", 3)}, {"/#URLTBL", Url(0)}};
    Bytes file = b.Build();
    ChmContainer* c = OpenBytes(file);
    TopicTables tables;
    memset(&tables, 0x55, sizeof(tables));
    EXPECT_EQ(ReadTopicTables(c, &tables), -1);
    EXPECT_EQ(tables.Topics, nullptr);
    EXPECT_EQ(tables.UrlTable, nullptr);
    CloseContainer(c);
}

} // namespace
