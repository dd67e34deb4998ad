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

TEST_F(Failure, IndexThatCannotBeWrittenAnywhereIsMessage8) {
    Load();
    // Something that is not a file holds the index's name, and the user's temporary folder is gone.
    ASSERT_TRUE(CreateDirectoryA((Dict + ".hsh").c_str(), nullptr));
    ASSERT_TRUE(RemoveDirectoryA(UserTempFolder.c_str()));
    ExpectFailure(Show("abandon"), 8);
    EXPECT_FALSE(farhost::Host::FileExists(Dict + ".hsh.new")) << "the draft goes with the failure";
}

TEST_F(Failure, DictionaryWithoutBodyIsMessage9EveryTime) {
    std::string dict = DataFolder + "\\nobody.txt";
    ASSERT_TRUE(farhost::Host::WriteFile(dict, "A header\r\nand no articles\r\nabandon  nothing\r\n"));
    Load();
    ExpectFailure(Show("abandon", dict), 9);
    // The index was tried (under its notice); nothing of it stays to hide the reason later.
    ASSERT_EQ(1u, host->Messages().size());
    EXPECT_TRUE(host->Messages()[0].Notice);
    EXPECT_FALSE(host->Messages()[0].OnScreen);
    ASSERT_EQ(1u, host->Screens().size());
    EXPECT_TRUE(host->Screens()[0].Restored);
    EXPECT_FALSE(farhost::Host::FileExists(dict + ".hsh"));
    EXPECT_FALSE(farhost::Host::FileExists(dict + ".hsh.new"));
    ExpectFailure(Show("abandon", dict), 9);
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

// ---------------------------------------------------------------- index files that do not fit

class BadIndex : public Failure {
  protected:
    bool windowQueued = false; // an answer for the next result window is waiting
    // The lookup of "abandoned" with the index text in place (none: as it stands): "ok" when the
    // right article opened through that index, "rebuilt" when it opened after the index was
    // built again (under its notice), else the message number. A wrong article fails the test.
    std::string Outcome(const std::string* index) {
        if (index) {
            EXPECT_TRUE(farhost::Host::WriteFile(Dict + ".hsh", *index));
        }
        size_t windows = host->Windows().size(), messages = host->Messages().size();
        if (!windowQueued) host->QueueWindow(WindowAnswer::Close);
        windowQueued = true;
        Answer a = Show("abandoned");
        bool rebuilt = host->Messages().size() > messages;
        if (host->Windows().size() > windows) {
            const farhost::WindowRecord& w = host->Windows().back();
            std::string expected;
            std::string line = ArticleLine("abandoned");
            dravel::LayoutArticle(line.data(), line.size(), &expected);
            EXPECT_EQ(1, a.Result);
            EXPECT_EQ(expected, w.Content) << "a wrong article";
            EXPECT_TRUE(w.FileDeleted && w.FolderDeleted);
            windowQueued = false;
            return rebuilt ? "rebuilt" : "ok";
        }
        EXPECT_TRUE(TempEntries().empty());
        EXPECT_EQ(0, a.Result);
        for (int n = 7; n <= 12; n++)
            if (a.ErrorText == LanguageLine("English", n)) return std::to_string(n);
        return "result " + std::to_string(a.Result) + " \"" + a.ErrorText + "\"";
    }
    std::string Outcome(const std::string& index) { return Outcome(&index); }
    std::string Outcome() { return Outcome(nullptr); }

    // The dictionary's time moved by the given seconds.
    static void Age(const std::string& path, int seconds) {
        HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, h);
        FILETIME t;
        ASSERT_TRUE(GetFileTime(h, nullptr, nullptr, &t));
        ULARGE_INTEGER u;
        u.LowPart = t.dwLowDateTime, u.HighPart = t.dwHighDateTime;
        u.QuadPart += (LONGLONG)seconds * 10000000;
        t.dwLowDateTime = u.LowPart, t.dwHighDateTime = u.HighPart;
        ASSERT_TRUE(SetFileTime(h, nullptr, nullptr, &t));
        CloseHandle(h);
    }
};

TEST_F(BadIndex, HandEditedEntriesAreBuiltAgain) {
    Load();
    EXPECT_EQ("rebuilt", Outcome()); // the first lookup builds it
    EXPECT_EQ("ok", Outcome());      // and later ones use it
    std::string real = IndexOf(Dict);
    size_t offset = 0, other = 0;
    ArticleLine("aback", &offset);
    ArticleLine("'cause", &other);
    std::string ab = std::to_string(offset);
    const std::string cases[] = {
        "ab" + ab + "\r\n",                         // a single entry: not the body's first
        "ab999999\r\n",                             // past the dictionary's end
        "ab" + std::to_string(offset + 3) + "\r\n", // inside a line
        "ab" + std::to_string(other) + "\r\n",      // the start of another run
        "ab-5\r\n",
        "abxyz\r\n",
        "ab99999999999999999999\r\n",
        "ab\r\n",
        " ab" + ab + "\r\n",
        "",
        std::string("ab\0", 3) + ab + "\r\n",
        real.substr(0, real.size() - 1),              // the last line end missing
        "ab" + std::to_string(other) + "\r\n" + real, // an entry before the body's
    };
    for (const std::string& c : cases) {
        EXPECT_EQ("rebuilt", Outcome(c)) << c;
        EXPECT_EQ(real, IndexOf(Dict)) << c;
    }
}

TEST_F(BadIndex, AnInterruptedBuildAtEveryByteIsBuiltAgain) {
    Load();
    ASSERT_EQ("rebuilt", Outcome());
    std::string full = IndexOf(Dict);
    ASSERT_GT(full.size(), 100u);
    host->ClearRecords();
    for (size_t cut = 0; cut < full.size(); cut++) {
        std::string outcome = Outcome(full.substr(0, cut));
        if (outcome != "rebuilt") ADD_FAILURE() << "cut at " << cut << ": " << outcome;
        host->ClearRecords();
    }
    EXPECT_EQ(full, IndexOf(Dict));
    // A draft that an interrupted build left behind does not stay.
    ASSERT_TRUE(farhost::Host::WriteFile(Dict + ".hsh.new", full.substr(0, 40)));
    ASSERT_TRUE(DeleteFileA((Dict + ".hsh").c_str()));
    EXPECT_EQ("rebuilt", Outcome());
    EXPECT_FALSE(farhost::Host::FileExists(Dict + ".hsh.new"));
}

TEST_F(BadIndex, AnEditedDictionaryGetsItsIndexAgain) {
    Load();
    ASSERT_EQ("rebuilt", Outcome());
    // Articles added near the top: every later run moves, and the dictionary is the newer file.
    std::string bytes;
    ASSERT_TRUE(farhost::Host::ReadFile(Dict, &bytes));
    size_t at = bytes.find("\naback  ");
    ASSERT_NE(std::string::npos, at);
    bytes.insert(at + 1, "abaa  [x] an article added\r\nabab  [y] and another\r\n");
    ASSERT_TRUE(farhost::Host::WriteFile(Dict, bytes));
    Age(Dict, 60);
    EXPECT_EQ("rebuilt", Outcome());
    EXPECT_EQ("ok", Outcome());
    // Edited again, its time put back before the index's: the last run's entry no longer starts
    // its line, which gives the index away all the same.
    bytes.insert(at + 1, "abaa  [z] one more\r\n");
    ASSERT_TRUE(farhost::Host::WriteFile(Dict, bytes));
    Age(Dict, -3600);
    EXPECT_EQ("rebuilt", Outcome());
}

TEST_F(BadIndex, AReadOnlyFolderKeepsItsIndexInTheUserTempFolder) {
    Load();
    // A folder where the draft would be written stands for a folder that takes no file (under
    // Wine the super-user writes anywhere, so no folder can be made read-only for real).
    ASSERT_TRUE(CreateDirectoryA((Dict + ".hsh.new").c_str(), nullptr));
    EXPECT_EQ("rebuilt", Outcome());
    EXPECT_FALSE(farhost::Host::FileExists(Dict + ".hsh"));
    std::vector<std::string> spare;
    Collect(UserTempFolder, &spare);
    ASSERT_EQ(1u, spare.size());
    EXPECT_EQ(0u, spare[0].find(UserTempFolder + "\\Dravel-"));
    EXPECT_EQ("ok", Outcome()); // found there next time
    // A folder the file system does keep read-only, where it does (not for root under Wine).
    std::string folder = DataFolder + "\\locked";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    ASSERT_TRUE(CopyFileA(Dict.c_str(), (folder + "\\sample.txt").c_str(), FALSE));
    ASSERT_TRUE(SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY));
    host->QueueWindow(WindowAnswer::Close);
    EXPECT_EQ(1, Show("abandoned", folder + "\\sample.txt").Result);
    SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(BadIndex, NothingIsWrittenBesideTheDictionaryButItsIndex) {
    Load();
    EXPECT_EQ("rebuilt", Outcome("ab999999\r\n"));
    Answer a = Show("zz");
    EXPECT_EQ(0, a.Result);
    EXPECT_EQ(LanguageLine("English", 10), a.ErrorText);
    std::vector<std::string> files;
    Collect(DataFolder, &files);
    EXPECT_EQ((std::vector<std::string>{Dict, Dict + ".hsh"}), files);
}

} // namespace
