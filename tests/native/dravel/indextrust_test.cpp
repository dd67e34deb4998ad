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

// A well-formed index newer than its dictionary can still lie. A lookup that finds no entry for
// its pair, or an entry that starts no run, checks the index against the dictionary once and
// rebuilds it when they disagree.
namespace {

const std::string kGo =
    Lines({"header", "'cause  [1] because", "give  [2] to hand", "go  [3] to leave", "god  [4] a deity",
           "gold  [5] a metal", "good  [6] not bad", "gun  [7] a weapon"});

struct LyingIndex {
    Dictionary d{kGo};
    TempDir result;
    std::string fresh;
    LyingIndex() {
        EXPECT_EQ(d.Open(), Error::None);
        fresh = ReadFile(d.Index());
    }
    // The index written as given and dated after the dictionary, so that it fits by every
    // outward sign.
    void Write(const std::string& index) {
        WriteFile(d.Index(), index);
        Age(d.Index(), 60);
    }
    dravel::LookupResult Ask(RecordingHost* host, const char* keyword) {
        TemporaryFolderAt temp(d.spare.Path());
        return dravel_test::Ask(host, d.path, keyword);
    }
};

// The entry of the key, with its line end, cut out of an index.
std::string Without(const std::string& index, const char* key) {
    size_t at = index.find(std::string("\r\n") + key);
    EXPECT_NE(at, std::string::npos) << key;
    size_t end = index.find("\r\n", at + 2);
    return index.substr(0, at) + index.substr(end);
}

} // namespace

TEST(IndexTrust, AnIndexWithoutTheGoEntryIsCheckedAndRebuilt) {
    LyingIndex f;
    ASSERT_NE(f.fresh.find("\r\ngo"), std::string::npos);
    f.Write(Without(f.fresh, "go"));
    dravel::ResetIndexChecks();
    RecordingHost host(f.result.Path());
    host.choice = 0;
    for (const char* keyword : {"go", "good", "god", "gold"}) {
        dravel::LookupResult r = f.Ask(&host, keyword);
        EXPECT_EQ(r.outcome, dravel::Outcome::Written) << keyword << ": " << dravel::ErrorText(r.error);
        std::filesystem::remove_all(f.result.File("Dravel.txt"));
    }
    EXPECT_EQ(ReadFile(f.d.Index()), f.fresh);
    EXPECT_EQ(host.noticeBegins, 1) << "one check, one rebuild";
}

TEST(IndexTrust, AKeyWithoutAnEntryIsCheckedOncePerRun) {
    LyingIndex f;
    dravel::ResetIndexChecks();
    RecordingHost host(f.result.Path());
    for (int i = 0; i < 3; ++i) {
        dravel::LookupResult r = f.Ask(&host, "zz");
        EXPECT_EQ(r.outcome, dravel::Outcome::Failed);
        EXPECT_EQ(r.error, Error::NoIndexEntry);
    }
    EXPECT_EQ(host.noticeBegins, 1) << "the index agreed with its dictionary the first time";
    EXPECT_EQ(ReadFile(f.d.Index()), f.fresh);
    // A dictionary that changes is another dictionary: it is checked again.
    WriteFile(f.d.path, kGo + "zz  [8] sleep\r\n");
    Age(f.d.path, 120);
    dravel::LookupResult r = f.Ask(&host, "zz");
    EXPECT_EQ(r.outcome, dravel::Outcome::Written);
}

TEST(IndexTrust, AnEntryMovedToItsRunsSecondLineIsRebuilt) {
    LyingIndex f;
    std::string moved = f.fresh;
    std::string go = "go" + std::to_string(OffsetOf(kGo, "go  [3]"));
    size_t at = moved.find(go);
    ASSERT_NE(at, std::string::npos);
    moved.replace(at, go.size(), "go" + std::to_string(OffsetOf(kGo, "god  [4]")));
    f.Write(moved);
    dravel::ResetIndexChecks();
    RecordingHost host(f.result.Path());
    host.choice = 0;
    dravel::LookupResult r = f.Ask(&host, "go");
    ASSERT_EQ(r.outcome, dravel::Outcome::Written) << dravel::ErrorText(r.error);
    EXPECT_EQ(host.menu, (V{"go", "god", "gold", "good"}));
    EXPECT_EQ(ReadFile(f.result.File("Dravel.txt")), "go\r\n[3] to leave\r\n");
    EXPECT_EQ(ReadFile(f.d.Index()), f.fresh);
}
