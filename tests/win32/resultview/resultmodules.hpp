// The modules that show their answer through the shared result view, and what the tests of that
// view need from each: a lookup that opens one answer without a menu, and the texts of the dialog.
#pragma once

#include "../dravel/support.hpp"
#include "../kestro/support.hpp"

#include "article.h"

struct ResultModule {
    const char* Label; // the module and its first type
    const char* Masks; // of that type
    int Types;         // the module's help types
    const ModuleTraits& (*Traits)();
    const char* File;          // the help file the lookups ask, in the data folder
    const char* Encoding;      // of the type: the host converts the keyword to it
    const char* Keyword;       // opens one answer, without a menu
    const char* SecondKeyword; // opens another one
    int OkMessage;             // the OK button's message; Cancel's is the next
    int LastMessage;           // the language file's last message
    int ChoiceLabels[2];       // the labels of the module's own settings in the dialog, -1 past them
    bool Ansi;                 // its answer is in the ANSI code page (else the OEM one)
    // Checks the bytes of the answer to Keyword.
    void (*ExpectAnswer)(const std::string& dataFolder, const std::string& bytes);
};

inline void ExpectDravelAnswer(const std::string& dataFolder, const std::string& content) {
    std::string line = DictionaryLine(dataFolder + "\\sample.txt", "abandonment"), expected;
    dravel::LayoutArticle(line.data(), line.size(), &expected);
    EXPECT_EQ(expected, content);
}

inline void ExpectKestroAnswer(const std::string&, const std::string& content) {
    ExpectPage(content, "titles.chm", "/profile.html");
}

inline const ResultModule kResultModules[] = {
    {"Dravel",
     "Dravel.txt",
     3,
     DravelModule,
     "sample.txt",
     "",
     "abandonment",
     "abandonee",
     13,
     22,
     {-1, -1},
     false,
     ExpectDravelAnswer},
    {"Kestro",
     "*.chm,*.its",
     1,
     KestroModule,
     "titles.chm",
     "WIN",
     "profile",
     "deep",
     11,
     22,
     {13, 17},
     true,
     ExpectKestroAnswer},
};

// One module's package under the stand-in host, picked by the test's parameter.
class ResultViewTest : public ::testing::WithParamInterface<ResultModule>, public ModuleFixture {
  protected:
    ResultViewTest() : ModuleFixture(GetParam().Traits()) {}

    const ResultModule& M() const { return GetParam(); }
    int Accept() const { return Traits->AcceptItem; } // the dialog's first button
    int Extra() const { return Accept() - 5; }        // the items of the module's own settings

    Answer Lookup(const char* keyword) {
        return ShowFile(keyword, DataFolder + "\\" + M().File, M().Encoding);
    }
    // What a lookup opens: 'E' or 'V', then 'n' (non-modal) or 'm'.
    std::string Opens() {
        host->QueueWindow(farhost::WindowAnswer::Close);
        EXPECT_EQ(1, Lookup(M().Keyword).Result);
        if (host->Windows().empty()) return "";
        const farhost::WindowRecord& w = host->Windows().back();
        return std::string(w.Editor ? "E" : "V") + ((w.Flags & 1) ? "n" : "m");
    }
};

inline void PrintTo(const ResultModule& m, std::ostream* os) {
    *os << m.Label;
}

inline std::string ResultModuleName(const ::testing::TestParamInfo<ResultModule>& info) {
    return info.param.Label;
}
