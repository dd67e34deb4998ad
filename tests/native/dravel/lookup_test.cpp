// The whole lookup of one request: keyword, candidates and menu, result file, and each failure.
#include <gtest/gtest.h>

#include <algorithm>

#include "dravel_test_util.h"
#include "lookup.h"

using dravel::Error;
using dravel::Outcome;
using dravel_test::Ask;
using dravel_test::Lines;
using dravel_test::ReadFile;
using dravel_test::RecordingHost;
using dravel_test::TempDir;
using dravel_test::WriteFile;
using V = std::vector<std::string>;

namespace {

struct Fixture {
    TempDir dictDir, resultDir;
    std::string dict;
    RecordingHost host;
    explicit Fixture(const std::string& bytes) : dict(dictDir.File("Dravel.txt")), host(resultDir.Path()) {
        WriteFile(dict, bytes);
    }
    std::string Result() const { return ReadFile(resultDir.File("Dravel.txt")); }
};

const std::string kAb =
    Lines({"header", "'c  start", "a  [ei] the letter", "aback  [1] backwards", "abandon  [2] to leave",
           "abandoned  [3] left", "", "abandonment  [4] hidden", "ac  [5] other"});

} // namespace

TEST(Lookup, OneCharacterKeywordFindsItsPaddedRun) {
    Fixture f(kAb);
    dravel::LookupResult r = Ask(&f.host, f.dict, "a");
    ASSERT_EQ(r.outcome, Outcome::Written);
    EXPECT_EQ(r.title, "a ");
    EXPECT_EQ(f.host.menus, 0);
    EXPECT_EQ(f.Result(), "a\r\n[ei] the letter\r\n");
}

TEST(Lookup, PrefixOffersTheMatchingHeadwordsInOrder) {
    Fixture f(kAb);
    f.host.choice = 1;
    dravel::LookupResult r = Ask(&f.host, f.dict, "ABAN");
    ASSERT_EQ(r.outcome, Outcome::Written);
    EXPECT_EQ(f.host.menu, (V{"abandon", "abandoned"})); // the empty line ends the scan
    EXPECT_EQ(f.Result(), "abandoned\r\n[3] left\r\n");

    Fixture g(kAb);
    ASSERT_EQ(Ask(&g.host, g.dict, "abandoned").outcome, Outcome::Written);
    EXPECT_EQ(g.host.menus, 0);
    EXPECT_EQ(g.Result(), "abandoned\r\n[3] left\r\n");
}

TEST(Lookup, NothingFoundOrCancelledShowsNothing) {
    for (const char* keyword : {"abandonments", "abandonment", "", "zz"}) {
        Fixture f(kAb);
        dravel::LookupResult r = Ask(&f.host, f.dict, keyword);
        if (std::string(keyword) == "zz") {
            EXPECT_EQ(r.error, Error::NoIndexEntry);
            continue;
        }
        EXPECT_EQ(r.outcome, *keyword ? Outcome::NotFound : Outcome::Nothing) << keyword;
        EXPECT_EQ(f.resultDir.List(), V{}) << keyword;
    }
    Fixture empty(kAb);
    Ask(&empty.host, empty.dict, "");
    EXPECT_EQ(empty.dictDir.List(), V{"Dravel.txt"}); // an empty keyword does not even build the index

    Fixture cancel(kAb);
    cancel.host.choice = -1;
    EXPECT_EQ(Ask(&cancel.host, cancel.dict, "ab").outcome, Outcome::Nothing);
    EXPECT_EQ(cancel.host.menus, 1);
    EXPECT_EQ(cancel.resultDir.List(), V{});
}

TEST(Lookup, IndexIsBuiltOnceWithTheNotice) {
    Fixture f(kAb);
    Ask(&f.host, f.dict, "aback");
    Ask(&f.host, f.dict, "ac");
    EXPECT_EQ(f.host.noticeBegins, 1);
    EXPECT_EQ(f.host.noticeEnds, 1);
    EXPECT_EQ(f.dictDir.List(), (V{"Dravel.txt", "Dravel.txt.hsh"}));
}

TEST(Lookup, NoBodyFailsWithNineEveryTime) {
    Fixture f(Lines({"header", "cat  x"}));
    dravel::LookupResult r = Ask(&f.host, f.dict, "cat");
    EXPECT_EQ(r.outcome, Outcome::Failed);
    EXPECT_EQ(dravel::MessageIndex(r.error), 9);
    EXPECT_EQ(f.host.noticeEnds, 1);
    EXPECT_EQ(f.dictDir.List(), V{"Dravel.txt"}) << "no empty index that would hide the reason";
    EXPECT_EQ(dravel::MessageIndex(Ask(&f.host, f.dict, "cat").error), 9);
    EXPECT_EQ(f.host.noticeBegins, 2);
}

TEST(Lookup, LongHeadwordsAndArticles) {
    std::string headword(200, 'h');
    headword.replace(0, 2, "ab");
    std::string article = "x " + std::string(12000, 'y') + " z";
    Fixture f(Lines({"'c  x", (headword + "  text").c_str(), ("abc  " + article).c_str(), "abd  short"}));
    f.host.choice = 0;
    ASSERT_EQ(Ask(&f.host, f.dict, "ab").outcome, Outcome::Written);
    ASSERT_EQ(f.host.menu.size(), 3u);
    EXPECT_EQ(f.host.menu[0], headword.substr(0, 127));
    EXPECT_EQ(f.Result(), headword.substr(0, 76) + "\r\n" + headword.substr(76, 76) + "\r\n" +
                              headword.substr(152) + "\r\ntext\r\n");

    Fixture g(Lines({"'c  x", ("abc  " + article).c_str(), "abd  short"}));
    ASSERT_EQ(Ask(&g.host, g.dict, "abc").outcome, Outcome::Written);
    std::string text = g.Result();
    EXPECT_EQ(std::count(text.begin(), text.end(), 'y'),
              12000); // the whole article, not its first 10240 bytes
    EXPECT_EQ(text.substr(text.size() - 4), " z\r\n");
    ASSERT_EQ(Ask(&g.host, g.dict, "abd").outcome, Outcome::Written);
    EXPECT_EQ(g.Result(), "abd\r\nshort\r\n");
}

TEST(Lookup, NulBytesNeitherCutTheLineNorReachTheMenu) {
    std::string d = Lines({"'c  x", "ab"});
    d.pop_back();
    d.pop_back();
    d += std::string("\0c  one\0two\r\nabd  next\r\n", 24);
    Fixture f(d);
    ASSERT_EQ(Ask(&f.host, f.dict, "abd").outcome, Outcome::Written);
    EXPECT_EQ(f.Result(), "abd\r\nnext\r\n");
    ASSERT_EQ(Ask(&f.host, f.dict, "ab").outcome, Outcome::Written);
    EXPECT_EQ(f.host.menu, (V{"ab c", "abd"}));
    EXPECT_EQ(f.Result(), "ab c\r\none two\r\n");
}

TEST(Lookup, FailuresCarryTheirMessages) {
    Fixture missing(kAb);
    EXPECT_EQ(dravel::MessageIndex(Ask(&missing.host, missing.dict + "-gone", "ab").error), 7);

    Fixture noFolder(kAb);
    noFolder.host.folder.clear();
    dravel::LookupResult r = Ask(&noFolder.host, noFolder.dict, "aback");
    EXPECT_EQ(r.outcome, Outcome::Failed);
    EXPECT_EQ(dravel::MessageIndex(r.error), 12);

    Fixture gone(kAb);
    gone.host.folder = gone.resultDir.File("not-made");
    EXPECT_EQ(dravel::MessageIndex(Ask(&gone.host, gone.dict, "aback").error), 12);

    Fixture deep(kAb);
    deep.host.folder = deep.resultDir.Path() + std::string(250, 'x').insert(0, 1, '/');
    EXPECT_EQ(dravel::MessageIndex(Ask(&deep.host, deep.dict, "aback").error), 12);

    // An index whose offset lies past the dictionary is no failure any more: it is built again.
    Fixture badOffset(kAb);
    WriteFile(badOffset.dict + ".hsh", "'c7\r\nab4000\r\n");
    EXPECT_EQ(Ask(&badOffset.host, badOffset.dict, "aback").outcome, Outcome::Written);
    EXPECT_EQ(badOffset.Result(), "aback\r\n[1] backwards\r\n");
}

TEST(Lookup, BundledSample) {
    Fixture f(ReadFile(std::string(LUMIVO_SOURCE_DIR) + "/tests/data/dravel/sample.txt"));
    f.host.choice = 3;
    ASSERT_EQ(Ask(&f.host, f.dict, "aban").outcome, Outcome::Written);
    EXPECT_EQ(f.host.menu, (V{"abandon", "abandoned", "abandonee", "abandonment"}));
    EXPECT_EQ(f.Result().compare(0, 13, "abandonment\r\n"), 0);
    EXPECT_EQ(Ask(&f.host, f.dict, "'cause").outcome, Outcome::Written);
    EXPECT_EQ(f.Result(), "'cause\r\n[k@\\z] _\xE3\xE1\xE2. = because\r\n");
}

// A run of a million one-letter headwords once gave a million candidates (and a menu of them):
// the list stops at the limit, and the menu learns that more headwords match.
TEST(Lookup, AMillionOneLetterHeadwordsStopAtTheCandidateLimit) {
    std::string bytes = "'c\r\n";
    bytes.reserve(8u << 20);
    for (int i = 0; i < 1000000; ++i)
        bytes += "a  " + std::to_string(i % 10) + "\r\n";
    Fixture f(bytes);
    f.host.choice = 9999;
    dravel::LookupResult r = Ask(&f.host, f.dict, "a");
    ASSERT_EQ(r.outcome, Outcome::Written);
    EXPECT_EQ(f.host.menu.size(), (size_t)dravel::CandidateLimit);
    EXPECT_TRUE(f.host.more);
    EXPECT_EQ(f.Result(), "a\r\n9\r\n");
}
