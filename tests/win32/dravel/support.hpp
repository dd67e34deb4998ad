// Shared by the Dravel module's Wine tests: the common module fixture with the sample dictionary
// copied into a fresh folder per test, and the dictionary's lines read here independently.
#pragma once

#include "../common/modulefixture.hpp"

#ifndef DRAVEL_LVX
#error LUMIVO_DLL, DRAVEL_LVX, LANG_DIR and SAMPLE_DICT come from the build
#endif

inline void InstallDravelData(const std::string& dataFolder) {
    ASSERT_TRUE(CopyFileA(BuiltPath(SAMPLE_DICT).c_str(), (dataFolder + "\\sample.txt").c_str(), FALSE));
}

inline const ModuleTraits& DravelModule() {
    static const ModuleTraits traits = {"Dravel", DRAVEL_LVX, LANG_DIR, "dict", "drv", InstallDravelData};
    return traits;
}

// The dictionary's line whose headword is exactly word, and its offset.
inline std::string DictionaryLine(const std::string& dict, const std::string& word,
                                  size_t* offset = nullptr) {
    std::string bytes;
    EXPECT_TRUE(farhost::Host::ReadFile(dict, &bytes));
    size_t at = bytes.find("\n" + word + "  ");
    EXPECT_NE(std::string::npos, at) << word;
    if (at == std::string::npos) return "";
    at++;
    if (offset) *offset = at;
    size_t end = bytes.find_first_of("\r\n", at);
    return bytes.substr(at, end - at);
}

class DravelTest : public ModuleFixture {
  protected:
    std::string Dict; // DataFolder + "\sample.txt"

    DravelTest() : ModuleFixture(DravelModule()) {}

    void SetUp() override {
        ModuleFixture::SetUp();
        Dict = DataFolder + "\\sample.txt";
    }

    // A catalogue-less request, as the host sends it for a help file picked by its type.
    Answer Show(const std::string& keyword, const std::string& file = std::string()) {
        return ShowFile(keyword, file.empty() ? Dict : file, "");
    }

    std::string ArticleLine(const std::string& word, size_t* offset = nullptr) {
        return DictionaryLine(Dict, word, offset);
    }
};
