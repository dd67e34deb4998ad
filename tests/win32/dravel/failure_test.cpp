// Dravel.lvx's failures as the host sees them: result 0 and the module's message 7 to 12 in
// ErrorText; bad index files never lead to a wrong article, and nothing is written elsewhere.
#include "support.hpp"

#include "article.h"

using farhost::WindowAnswer;

namespace {

class Failure : public DravelTest {
  protected:
    void ExpectFailure(const Answer& a, int message) {
        EXPECT_EQ(0, a.Result);
        EXPECT_EQ(LanguageLine("English", message), a.ErrorText);
        EXPECT_TRUE(host->Windows().empty());
        EXPECT_TRUE(TempEntries().empty());
    }
    std::string IndexOf(const std::string& dict) {
        std::string index;
        EXPECT_TRUE(farhost::Host::ReadFile(dict + ".hsh", &index));
        return index;
    }
};

TEST_F(Failure, MissingDictionaryIsMessage7) {
    Load();
    ExpectFailure(Show("abandon", DataFolder + "\\missing.txt"), 7);
    ExpectFailure(Show("abandon", DataFolder), 7); // a folder is no dictionary
    EXPECT_FALSE(farhost::Host::FileExists(DataFolder + "\\missing.txt.hsh"));
}

TEST_F(Failure, IndexThatCannotBeCreatedIsMessage8) {
    Load();
    // Something that is not a file already holds the index's name.
    ASSERT_TRUE(CreateDirectoryA((Dict + ".hsh").c_str(), nullptr));
    ExpectFailure(Show("abandon"), 8);
    EXPECT_TRUE(host->Messages().empty()); // no notice for an index that is never built
    ASSERT_TRUE(RemoveDirectoryA((Dict + ".hsh").c_str()));

    // A read-only folder: only where the file system enforces it (not for root under Wine).
    std::string folder = DataFolder + "\\locked";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    ASSERT_TRUE(CopyFileA(Dict.c_str(), (folder + "\\sample.txt").c_str(), FALSE));
    ASSERT_TRUE(SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY));
    HANDLE probe = CreateFileA((folder + "\\probe").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (probe == INVALID_HANDLE_VALUE) {
        ExpectFailure(Show("abandon", folder + "\\sample.txt"), 8);
        EXPECT_FALSE(farhost::Host::FileExists(folder + "\\sample.txt.hsh"));
    } else {
        CloseHandle(probe);
        RecordProperty("ReadOnlyFolder", "not enforced for this user: /proc stands in");
    }
    SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_DIRECTORY);

    // A folder that no user may write to: Linux's /proc, through Wine's drive Z:.
    if (farhost::Host::FileExists("Z:\\proc\\version")) {
        ExpectFailure(Show("abandon", "Z:\\proc\\version"), 8);
        EXPECT_FALSE(farhost::Host::FileExists("Z:\\proc\\version.hsh"));
    }
}

TEST_F(Failure, DictionaryWithoutBodyIsMessage9ThenMessage10) {
    std::string dict = DataFolder + "\\nobody.txt";
    ASSERT_TRUE(farhost::Host::WriteFile(dict, "A header\r\nand no articles\r\nabandon  nothing\r\n"));
    Load();
    ExpectFailure(Show("abandon", dict), 9);
    // The index was built (under its notice) and stays, empty, until the user deletes it.
    ASSERT_EQ(1u, host->Messages().size());
    EXPECT_TRUE(host->Messages()[0].Notice);
    EXPECT_FALSE(host->Messages()[0].OnScreen);
    ASSERT_EQ(1u, host->Screens().size());
    EXPECT_TRUE(host->Screens()[0].Restored);
    EXPECT_EQ("", IndexOf(dict));
    ExpectFailure(Show("abandon", dict), 10);
}

TEST_F(Failure, NoIndexEntryIsMessage10) {
    Load();
    ExpectFailure(Show("zz"), 10);
    ExpectFailure(Show("z"), 10);
    EXPECT_TRUE(farhost::Host::FileExists(Dict + ".hsh"));
}

TEST_F(Failure, ResultFolderThatCannotBeMadeIsMessage12) {
    Load();
    FarSetTempFolder((TempFolder + "\\missing").c_str());
    ExpectFailure(Show("abandoned"), 12);
    // MkTemp itself fails when its folder leaves no room for a name.
    FarSetTempFolder((TempFolder + "\\" + std::string(240, 'x')).c_str());
    ExpectFailure(Show("abandoned"), 12);
    // The menu came first: a cancelled choice is still no failure.
    host->QueueMenu({"Esc"});
    EXPECT_EQ(1, Show("aban").Result);
}

TEST_F(Failure, TextsFollowFarlang) {
    host->SetLanguage("Russian");
    Load();
    Answer a = Show("zz");
    EXPECT_EQ(0, a.Result);
    EXPECT_EQ(LanguageLine("Russian", 10), a.ErrorText);
    EXPECT_NE(LanguageLine("English", 10), a.ErrorText);
}

// ---------------------------------------------------------------- bad index files

class BadIndex : public Failure {
  protected:
    bool windowQueued = false; // an answer for the next result window is waiting
    // The lookup of "abandoned" against the index text: "ok" when the right article opened,
    // else its message number. Anything else (a wrong article) fails the test.
    std::string Outcome(const std::string& index) {
        EXPECT_TRUE(farhost::Host::WriteFile(Dict + ".hsh", index));
        size_t windows = host->Windows().size();
        if (!windowQueued) host->QueueWindow(WindowAnswer::Close);
        windowQueued = true;
        Answer a = Show("abandoned");
        EXPECT_TRUE(host->Messages().empty()) << "an existing index is never rebuilt";
        if (host->Windows().size() > windows) {
            const farhost::WindowRecord& w = host->Windows().back();
            std::string expected;
            std::string line = ArticleLine("abandoned");
            dravel::LayoutArticle(line.data(), line.size(), &expected);
            EXPECT_EQ(1, a.Result);
            EXPECT_EQ(expected, w.Content) << "a wrong article";
            EXPECT_TRUE(w.FileDeleted && w.FolderDeleted);
            windowQueued = false;
            return "ok";
        }
        EXPECT_TRUE(TempEntries().empty());
        EXPECT_EQ(0, a.Result);
        for (int n = 7; n <= 12; n++)
            if (a.ErrorText == LanguageLine("English", n)) return std::to_string(n);
        return "result " + std::to_string(a.Result) + " \"" + a.ErrorText + "\"";
    }
};

TEST_F(BadIndex, HandEditedEntries) {
    Load();
    size_t offset = 0, other = 0, middle = 0;
    ArticleLine("aback", &offset);
    ArticleLine("'cause", &other);
    middle = offset + 3;
    std::string ab = std::to_string(offset);
    struct Case {
        std::string Index;
        const char* Outcome;
    };
    const Case cases[] = {
        {"ab" + ab + "\r\n", "ok"},
        {"AB" + ab + "\r\n", "ok"},                     // keys compare without regard to case
        {"ab+" + ab + "\r\n", "ok"},                    // atoi's sign
        {"ab" + ab, "ok"},                              // no final line end
        {"ab" + ab + "junk\r\n", "ok"},                 // atoi stops at the first non-digit
        {"ab999999\r\n", "11"},                         // past the dictionary's end
        {"ab" + std::to_string(middle) + "\r\n", "11"}, // inside a line
        {"ab" + std::to_string(other) + "\r\n", "11"},  // the start of another run
        {"ab-5\r\n", "11"},
        {"abxyz\r\n", "11"},
        {"ab99999999999999999999\r\n", "11"}, // beyond 32 bits
        {"ab\r\n", "10"},                     // no offset at all
        {" ab" + ab + "\r\n", "10"},
        {"", "10"},
        {std::string("ab\0", 3) + ab + "\r\n", "11"},
        // The first entry of a key wins, even when a later one would be right.
        {"ab" + std::to_string(other) + "\r\nab" + ab + "\r\n", "11"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.Outcome, Outcome(c.Index)) << c.Index;
}

TEST_F(BadIndex, TruncatedAtEveryByte) {
    Load();
    host->QueueWindow(WindowAnswer::Close);
    ASSERT_EQ(1, Show("abandoned").Result); // builds the real index
    std::string full = IndexOf(Dict);
    ASSERT_GT(full.size(), 100u);
    size_t ab = full.find("\r\nab");
    ASSERT_NE(std::string::npos, ab);
    host->ClearRecords();
    int ok = 0, missing = 0, bad = 0;
    for (size_t cut = 0; cut <= full.size(); cut++) {
        std::string outcome = Outcome(full.substr(0, cut));
        if (outcome == "ok")
            ok++;
        else if (outcome == "10")
            missing++;
        else if (outcome == "11")
            bad++;
        else
            ADD_FAILURE() << "cut at " << cut << ": " << outcome;
        host->ClearRecords();
    }
    // Cut before the "ab" entry: no entry; inside its offset: a bad one; after it: found.
    EXPECT_EQ((int)(full.size() - (full.find('\n', ab + 2) - 1) + 1), ok);
    EXPECT_GT(missing, 0);
    EXPECT_GT(bad, 0);
}

TEST_F(BadIndex, NothingIsWrittenBesideTheDictionaryButItsIndex) {
    Load();
    Outcome("ab999999\r\n");
    ExpectFailure(Show("zz"), 10);
    std::vector<std::string> files;
    Collect(DataFolder, &files);
    EXPECT_EQ((std::vector<std::string>{Dict, Dict + ".hsh"}), files);
}

} // namespace
