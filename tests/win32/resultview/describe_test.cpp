// The description both modules give the host: configurable types in records the host holds on
// to, and a text for every message in both languages. Run for every module.
#include "resultmodules.hpp"

namespace {

class Describe : public ResultViewTest {};

TEST_P(Describe, ConfigurableTypesInTheSameRecordsEveryTime) {
    Load();
    HelpModuleInfo first, second;
    memset(&first, 0, sizeof first);
    first.StructSize = sizeof first;
    ASSERT_EQ(1, Message(HM_DESCRIBE, nullptr, &first));
    EXPECT_EQ(4u, first.Flags);
    EXPECT_EQ(M().Types, first.TypesNumber);
    ASSERT_NE(nullptr, first.Types);
    EXPECT_EQ(392, first.Types->StructSize);
    EXPECT_EQ(1u, first.Types->DefaultOptions);
    EXPECT_STREQ(M().Label, first.Types->Name);
    EXPECT_STREQ(M().Masks, first.Types->Masks);
    EXPECT_STREQ(M().Encoding, first.Types->Encoding);
    EXPECT_EQ(LanguageLine("English", 0), first.Title);
    EXPECT_FALSE(std::string(first.Title).empty());

    // The host holds on to the array: a second description refills the same record.
    memset(first.Types->Name, 'x', sizeof first.Types->Name);
    memset(first.Types->Masks, 'x', sizeof first.Types->Masks);
    memset(&second, 0, sizeof second);
    second.StructSize = sizeof second;
    host->SetLanguage("Russian");
    ASSERT_EQ(1, Message(HM_DESCRIBE, nullptr, &second));
    EXPECT_EQ(first.Types, second.Types);
    EXPECT_STREQ(M().Label, second.Types->Name);
    EXPECT_STREQ(M().Masks, second.Types->Masks);
    EXPECT_EQ(LanguageLine("Russian", 0), second.Title);
    EXPECT_NE(std::string(first.Title), second.Title);

    EXPECT_EQ(0, Message(HM_DESCRIBE, nullptr, nullptr));
    for (int code : {0, 3, 5, -1})
        EXPECT_EQ(0, Message(code, nullptr, &second)) << code;
    EXPECT_EQ(0, Message(HM_SHOWHELP, nullptr, nullptr));
}

TEST_P(Describe, EveryMessageHasATextInBothLanguages) {
    for (const char* language : {"English", "Russian"}) {
        for (int n = 0; n <= M().LastMessage; n++) {
            std::string text = LanguageLine(language, n);
            EXPECT_FALSE(text.empty()) << language << " " << n;
            EXPECT_LT(text.size(), 128u) << language << " " << n;
        }
        EXPECT_EQ("", LanguageLine(language, M().LastMessage + 1)) << language;
    }
}

INSTANTIATE_TEST_SUITE_P(Modules, Describe, ::testing::ValuesIn(kResultModules), ResultModuleName);

} // namespace
