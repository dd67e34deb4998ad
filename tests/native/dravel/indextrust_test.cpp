// An index that cannot lie: what an interrupted build, an edited dictionary, a damaged index or a
// folder that takes no file lead to. Every case ends in the dictionary's own entries.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <chrono>
#include <filesystem>

#include "codepage.h"
#include "dravel_test_util.h"
#include "index.h"

using dravel::Error;
using dravel_test::Ask;
using dravel_test::Lines;
using dravel_test::OffsetOf;
using dravel_test::ReadFile;
using dravel_test::RecordingHost;
using dravel_test::TempDir;
using dravel_test::WriteFile;
using V = std::vector<std::string>;

namespace {

const std::string kDict =
    Lines({"header", "'cause  [1] because", "aback  [2] backwards", "abandon  [3] to leave", "ac  [4] other",
           "bad  [5] not good", "be  [6] to exist"});

// The user's temporary folder pointed at a folder of the test's own (or at one that does not
// exist), and back when it goes.
class TemporaryFolderAt {
  public:
    explicit TemporaryFolderAt(const std::string& folder) {
        const char* old = getenv(kName);
        had_ = old != nullptr;
        if (had_) old_ = old;
        Set(folder.c_str());
    }
    ~TemporaryFolderAt() { Set(had_ ? old_.c_str() : ""); }

  private:
#ifdef _WIN32
    static constexpr const char* kName = "TMP";
    static void Set(const char* value) {
        _putenv_s(kName, value);
    }
#else
    static constexpr const char* kName = "TMPDIR";
    static void Set(const char* value) {
        setenv(kName, value, 1);
    }
#endif
    bool had_ = false;
    std::string old_;
};

// A file's time moved by the given seconds.
void Age(const std::string& path, int seconds) {
    auto time = std::filesystem::last_write_time(path);
    std::filesystem::last_write_time(path, time + std::chrono::seconds(seconds));
}

struct Dictionary {
    TempDir dir, spare;
    std::string path;
    explicit Dictionary(const std::string& bytes = kDict) : path(dir.File("dict.txt")) {
        WriteFile(path, bytes);
    }
    std::string Index() const { return path + ".hsh"; }

    // OpenIndex as a lookup calls it; the error, whether it built, and what the index holds.
    Error Open(bool* built = nullptr, std::string* held = nullptr) {
        TemporaryFolderAt temp(spare.Path());
        dravel::File dict, index;
        EXPECT_TRUE(dict.OpenRead(path.c_str()));
        dravel::LineReader reader(dict);
        bool b = false;
        Error error =
            dravel::OpenIndex(path.c_str(), reader, &index, dravel::CompareNoCase866, nullptr, false, &b);
        if (built) *built = b;
        if (held) {
            held->clear();
            char chunk[4096];
            int got;
            while ((got = index.Read(chunk, sizeof chunk)) > 0)
                held->append(chunk, (size_t)got);
        }
        return error;
    }
    // The entries a fresh build gives, from a copy of the dictionary.
    std::string Fresh() const {
        Dictionary copy(ReadFile(path));
        std::string held;
        EXPECT_EQ(copy.Open(nullptr, &held), Error::None);
        return held;
    }
};

} // namespace

TEST(IndexTrust, AnIndexThatFitsIsUsedAsItIs) {
    Dictionary d;
    bool built = false;
    ASSERT_EQ(d.Open(&built), Error::None);
    EXPECT_TRUE(built);
    EXPECT_EQ(d.dir.List(), (V{"dict.txt", "dict.txt.hsh"})) << "no draft left beside it";
    ASSERT_EQ(d.Open(&built), Error::None);
    EXPECT_FALSE(built);
    // An index from another tool that fits is trusted too: only its fit counts, not who wrote it.
    WriteFile(d.Index(), "'c8\r\nab29\r\nac74\r\nba89\r\nbe108\r\n");
    std::string held;
    ASSERT_EQ(d.Open(&built, &held), Error::None);
    EXPECT_FALSE(built);
    EXPECT_EQ(held, "'c8\r\nab29\r\nac74\r\nba89\r\nbe108\r\n");
}

TEST(IndexTrust, AnInterruptedBuildIsBuiltAgain) {
    Dictionary d;
    std::string whole = d.Fresh();
    ASSERT_EQ(whole, "'c8\r\nab29\r\nac74\r\nba89\r\nbe108\r\n");
    // Cut after any byte: at an entry's end (later runs missing), inside one, empty.
    for (size_t cut = 0; cut < whole.size(); ++cut) {
        SCOPED_TRACE("index cut after " + std::to_string(cut) + " bytes");
        WriteFile(d.Index(), whole.substr(0, cut));
        bool built = false;
        std::string held;
        ASSERT_EQ(d.Open(&built, &held), Error::None);
        EXPECT_TRUE(built);
        EXPECT_EQ(held, whole);
    }
    // The draft an interrupted build left is written over and goes.
    WriteFile(d.Index() + ".new", "'c8\r\nab2");
    std::filesystem::remove(d.Index());
    ASSERT_EQ(d.Open(), Error::None);
    EXPECT_EQ(d.dir.List(), (V{"dict.txt", "dict.txt.hsh"}));
}

TEST(IndexTrust, AnEditedDictionaryGetsItsIndexAgain) {
    Dictionary d;
    ASSERT_EQ(d.Open(), Error::None);
    // A line inserted before the runs: every later offset moves. The dictionary is newer.
    WriteFile(d.path,
              Lines({"header", "'cause  [1] because", "abacus  [0] counting", "aback  [2] backwards",
                     "abandon  [3] to leave", "ac  [4] other", "bad  [5] not good", "be  [6] to exist"}));
    Age(d.path, 10);
    std::string held;
    bool built = false;
    ASSERT_EQ(d.Open(&built, &held), Error::None);
    EXPECT_TRUE(built);
    EXPECT_EQ(held, d.Fresh());
}

TEST(IndexTrust, EntriesThatDoNotFitAreBuiltAgain) {
    Dictionary d;
    std::string whole = d.Fresh();
    const char* damaged[] = {
        "'c8\r\nab29\r\nac74\r\nba89\r\nbe108",      // no line end after the last entry
        "'c8\r\nab29\r\nac74\r\nba89\r\nbe9999\r\n", // an offset past the end
        "'c8\r\nac74\r\nab29\r\nba89\r\nbe108\r\n",  // offsets out of order
        "ab29\r\nac74\r\nba89\r\nbe108\r\n",         // no body start first
        "'c8\r\nab\r\nac74\r\nba89\r\nbe108\r\n",    // an entry without its offset
        "'c8\r\nab29\r\nac74\r\nba89\r\nbe109\r\n",  // the last run not at its line
        "'c8\r\nab29\r\nac74\r\nba89\r\n",           // a run after the last entry's
        "garbage that is no index at all\r\n",
    };
    for (const char* index : damaged) {
        SCOPED_TRACE(index);
        WriteFile(d.Index(), index);
        bool built = false;
        std::string held;
        ASSERT_EQ(d.Open(&built, &held), Error::None);
        EXPECT_TRUE(built);
        EXPECT_EQ(held, whole);
    }
}

TEST(IndexTrust, AnIndexOlderThanItsDictionaryIsBuiltAgain) {
    Dictionary d;
    ASSERT_EQ(d.Open(), Error::None);
    Age(d.Index(), -60); // same bytes, but written before the dictionary last changed
    bool built = false;
    ASSERT_EQ(d.Open(&built), Error::None);
    EXPECT_TRUE(built);
    ASSERT_EQ(d.Open(&built), Error::None);
    EXPECT_FALSE(built);
}

TEST(IndexTrust, AnEditWithinTheIndexTimeEndsInTheRightArticle) {
    // The index looks whole and newer, yet one run's entry no longer starts its line: the lookup
    // that meets it builds the index again and still finds the article.
    TempDir result;
    Dictionary d;
    ASSERT_EQ(d.Open(), Error::None);
    WriteFile(d.path,
              Lines({"header", "'cause  [1] because", "aback  [2] backwards, moved", "abandon  [3] to leave",
                     "ac  [4] other", "bad  [5] not good", "be  [6] to exist"}));
    Age(d.Index(), 60);
    RecordingHost host(result.Path());
    TemporaryFolderAt temp(d.spare.Path());
    dravel::LookupResult r = Ask(&host, d.path, "bad");
    ASSERT_EQ(r.outcome, dravel::Outcome::Written);
    EXPECT_EQ(ReadFile(result.File("Dravel.txt")), "bad\r\n[5] not good\r\n");
    EXPECT_EQ(host.noticeBegins, 1);
}

TEST(IndexTrust, AFolderThatTakesNoFileGetsTheIndexInTheTemporaryFolder) {
    Dictionary d;
    // A folder of that name stands where the draft would go: nothing can be written beside.
    std::filesystem::create_directory(d.Index() + ".new");
    bool built = false;
    std::string held;
    ASSERT_EQ(d.Open(&built, &held), Error::None);
    EXPECT_TRUE(built);
    EXPECT_EQ(held, "'c8\r\nab29\r\nac74\r\nba89\r\nbe108\r\n");
    EXPECT_FALSE(dravel_test::FileExists(d.Index()));
    ASSERT_EQ(d.spare.List().size(), 1u);
    EXPECT_EQ(d.spare.List()[0].compare(0, 7, "Dravel-"), 0);

    // Found there the next time; an edited dictionary gets an index of its own there.
    ASSERT_EQ(d.Open(&built), Error::None);
    EXPECT_FALSE(built);
    WriteFile(d.path, kDict + "bed  [7] to sleep in\r\n");
    Age(d.path, 10);
    ASSERT_EQ(d.Open(&built, &held), Error::None);
    EXPECT_TRUE(built);
    EXPECT_EQ(held, d.Fresh());
    EXPECT_EQ(d.spare.List().size(), 2u);

    // Neither place takes it: message 8.
    std::string nowhere = d.spare.File("missing") + dravel::PathSeparator() + "folder";
    TemporaryFolderAt gone(nowhere);
    dravel::File dict, index;
    ASSERT_TRUE(dict.OpenRead(d.path.c_str()));
    dravel::LineReader reader(dict);
    for (const std::string& name : d.spare.List())
        std::filesystem::remove(d.spare.File(name.c_str()));
    EXPECT_EQ(dravel::OpenIndex(d.path.c_str(), reader, &index, dravel::CompareNoCase866, nullptr),
              Error::CreateIndex);
}

TEST(IndexTrust, TheSpareNameFollowsPathSizeAndTime) {
    std::string a = dravel::SpareIndexPath("C:\\dict\\a.txt", 100, 5);
    EXPECT_EQ(a, dravel::SpareIndexPath("C:\\dict\\a.txt", 100, 5));
    EXPECT_NE(a, dravel::SpareIndexPath("C:\\dict\\b.txt", 100, 5));
    EXPECT_NE(a, dravel::SpareIndexPath("C:\\dict\\a.txt", 101, 5));
    EXPECT_NE(a, dravel::SpareIndexPath("C:\\dict\\a.txt", 100, 6));
    EXPECT_EQ(a.compare(0, dravel::TemporaryFolder().size(), dravel::TemporaryFolder()), 0);
}
