// Shared by Kestro's Wine tests: the common module fixture with the CHM fixtures copied into a
// fresh folder per test. Page contents are checked against the independent reader's record
// (tests/data/chm/expected.tsv).
#pragma once

#include "../common/modulefixture.hpp"
#include "sha256.h"

#include <map>

#ifndef KESTRO_LVX
#error LUMIVO_DLL, KESTRO_LVX, LANG_DIR and CHM_DIR come from the build
#endif

// A fixture copied into the data folder, under its own name or another one.
inline std::string CopyChmFixture(const std::string& dataFolder, const std::string& name,
                                  const std::string& as = std::string()) {
    std::string path = dataFolder + "\\" + (as.empty() ? name : as);
    EXPECT_TRUE(CopyFileA((BuiltPath(CHM_DIR) + "\\" + name).c_str(), path.c_str(), FALSE)) << name;
    return path;
}

inline void InstallKestroData(const std::string& dataFolder) {
    for (const char* name : {"titles.chm", "accented.chm", "cyrillic.chm", "large.chm", "many.chm",
                             "pages.chm", "keywords.chm", "russian.chm"})
        CopyChmFixture(dataFolder, name);
}

inline const ModuleTraits& KestroModule() {
    // Its dialog holds the page form's and the search's labels and lists before the buttons.
    static const ModuleTraits traits = {"Kestro", KESTRO_LVX, LANG_DIR, "help", "kst", InstallKestroData, 9};
    return traits;
}

// The SHA-256 the independent reader recorded for an object of a fixture.
inline std::string ExpectedSha(const std::string& fixture, const std::string& object) {
    static std::map<std::string, std::string> manifest;
    if (manifest.empty()) {
        std::string bytes;
        EXPECT_TRUE(farhost::Host::ReadFile(BuiltPath(CHM_DIR) + "\\expected.tsv", &bytes));
        size_t start = 0;
        while (start < bytes.size()) {
            size_t end = bytes.find('\n', start);
            if (end == std::string::npos) end = bytes.size();
            std::string line = bytes.substr(start, end - start);
            start = end + 1;
            size_t a = line.find('\t'), b = line.find('\t', a + 1), c = line.find('\t', b + 1);
            if (c == std::string::npos) continue;
            manifest[line.substr(0, a) + "\t" + line.substr(a + 1, b - a - 1)] = line.substr(c + 1);
        }
    }
    auto found = manifest.find(fixture + "\t" + object);
    return found == manifest.end() ? "(not recorded: " + fixture + " " + object + ")" : found->second;
}
inline void ExpectPage(const std::string& content, const std::string& fixture, const std::string& object) {
    EXPECT_EQ(ExpectedSha(fixture, object), Sha256Hex(content.data(), content.size()))
        << "not the bytes of " << fixture << " " << object;
}

class KestroTest : public ModuleFixture {
  protected:
    KestroTest() : ModuleFixture(KestroModule()) {}

    std::string Fixture(const std::string& name, const std::string& as = std::string()) {
        return CopyChmFixture(DataFolder, name, as);
    }
    std::string Help(const std::string& name) { return DataFolder + "\\" + name; }

    // One of the module's own settings in a dialog record: its label (item `label`, message
    // `labelText`), its list below it with the rows' messages, the row of `selected` chosen.
    void ExpectOwnSetting(const farhost::DialogRecord& d, int label, int labelText,
                          const std::vector<int>& rows, int selected) const {
        EXPECT_EQ(LanguageLine("English", labelText), d.Before[label].Data);
        std::vector<std::string> texts;
        for (int row : rows)
            texts.push_back(LanguageLine("English", row));
        EXPECT_EQ(texts, d.Before[label + 1].List);
        EXPECT_EQ(LanguageLine("English", selected), d.Before[label + 1].Data); // the setting read at start
        EXPECT_EQ(1, d.Before[Traits->AcceptItem].DefaultButton);
    }

    // A request as the host sends it for the Kestro type: the keyword already in the encoding.
    Answer Show(const std::string& keyword, const std::string& file, const char* encoding = "WIN") {
        return ShowFile(keyword, file, encoding);
    }
};
