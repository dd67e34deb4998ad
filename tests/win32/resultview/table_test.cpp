// A module's answer reads right in Far's editor and viewer whatever table Far would open it in:
// a fresh Far ("ANSI as default", Win), one with the option off (DOS), and one where the user
// last chose the other table with F8. Run for every module, under the Western and the Russian
// code pages.
#include "resultmodules.hpp"

using farhost::TextTable;
using farhost::WindowAnswer;
using farhost::WindowRecord;

namespace {

struct TableCase {
    const char* Name;
    bool AnsiAsDefault;
    int Carried; // -1: nothing chosen with F8 since Far started; else the TextTable chosen
};

const TableCase kTableCases[] = {
    {"FreshFar", true, -1},
    {"AnsiAsDefaultOff", false, -1},
    {"F8ToDos", true, (int)TextTable::Dos},
    {"F8ToWin", false, (int)TextTable::Win},
};

void PrintTo(const TableCase& c, std::ostream* os) {
    *os << c.Name;
}

class Tables : public ::testing::WithParamInterface<std::tuple<ResultModule, TableCase>>,
               public ModuleFixture {
  protected:
    Tables() : ModuleFixture(std::get<0>(GetParam()).Traits()) {}
    const ResultModule& M() const { return std::get<0>(GetParam()); }

    void SetTables() {
        const TableCase& c = std::get<1>(GetParam());
        for (bool editor : {true, false}) {
            host->SetAnsiAsDefault(editor, c.AnsiAsDefault);
            if (c.Carried >= 0) host->SetCarriedTable(editor, (TextTable)c.Carried);
        }
    }
    // The answer to keyword in the editor (visuality 0) or the viewer.
    const WindowRecord* Answer(int visuality, const std::string& keyword, const std::string& file,
                               const char* encoding) {
        EXPECT_EQ(1, Configure(0, visuality));
        host->QueueWindow(WindowAnswer::Close);
        size_t before = host->Windows().size();
        EXPECT_EQ(1, ShowFile(keyword, file, encoding).Result);
        if (host->Windows().size() != before + 1) return nullptr;
        const WindowRecord& w = host->Windows().back();
        EXPECT_EQ(visuality == 0, w.Editor);
        return &w;
    }
};

TEST_P(Tables, TheAnswerReadsRightInTheEditorAndTheViewer) {
    Load();
    SetTables();
    for (int visuality = 0; visuality < 2; visuality++) {
        SCOPED_TRACE(visuality ? "viewer" : "editor");
        const WindowRecord* w = Answer(visuality, M().Keyword, DataFolder + "\\" + M().File, M().Encoding);
        ASSERT_NE(nullptr, w);
        M().ExpectAnswer(DataFolder, ExpectReadsRight(*w, M().Ansi));
        EXPECT_TRUE(w->FileDeleted && w->FolderDeleted);
    }
    // What Far does with a table set by a plug-in: the next editor opens in it.
    EXPECT_EQ(M().Ansi ? TextTable::Win : TextTable::Dos, host->CarriedTable(true));
}

// The answers with Cyrillic text: a cp1251 page of a CHM, a cp866 article of the dictionary, and
// the same dictionary named by an entry whose encoding is WIN (its text then taken as ANSI).
TEST_P(Tables, CyrillicAnswersShowTheirLetters) {
    Load();
    SetTables();
    std::string file, keyword, expected;
    bool ansi = M().Ansi;
    const char* encoding = M().Encoding;
    if (M().Ansi) {
        file = DataFolder + "\\cyrillic.chm";
        keyword = "\xD4\xE0\xE7";      // "Фаз" in code page 1251: the title "Фаза" only
        expected = "\x94\xA0\xA7\xA0"; // "Фаза" in code page 866
    } else {
        file = DataFolder + "\\" + M().File;
        keyword = "abandonment";
        expected = "\xAE\xE1\xE2\xA0\xA2\xAB\xA5\xAD\xA8\xA5"; // "оставление" in code page 866
    }
    for (int visuality = 0; visuality < 2; visuality++) {
        SCOPED_TRACE(visuality ? "viewer" : "editor");
        const WindowRecord* w = Answer(visuality, keyword, file, encoding);
        ASSERT_NE(nullptr, w);
        std::string bytes = ExpectReadsRight(*w, ansi);
        if (GetOEMCP() == 866) {
            EXPECT_NE(std::string::npos, w->Shown.find(expected)) << w->Shown;
            // The other table would have shown something else: the test sees the difference.
            EXPECT_EQ(std::string::npos,
                      farhost::ShownThrough(bytes, ansi ? TextTable::Dos : TextTable::Win).find(expected));
        }
    }
    if (!M().Ansi) {
        // The same dictionary behind an entry with the encoding WIN: shown through the Win table.
        const WindowRecord* w = Answer(0, keyword, file, "WIN");
        ASSERT_NE(nullptr, w);
        ExpectReadsRight(*w, true);
        w = Answer(1, keyword, file, "WIN");
        ASSERT_NE(nullptr, w);
        ExpectReadsRight(*w, true);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Tables, ::testing::Combine(::testing::ValuesIn(kResultModules), ::testing::ValuesIn(kTableCases)),
    [](const ::testing::TestParamInfo<std::tuple<ResultModule, TableCase>>& test) {
        return std::string(std::get<0>(test.param).Label) + "_" + std::get<1>(test.param).Name;
    });

} // namespace
