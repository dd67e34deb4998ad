// Code page tables and the case fold the tools compare with.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <iconv.h>
#endif

#include "codepage.h"

using dravel::CodePage;

#ifndef _WIN32
TEST(CodePage, TablesAgreeWithIconv) {
    for (CodePage cp : {CodePage::Cp866, CodePage::Cp1251}) {
        iconv_t cd = iconv_open("UTF-8", cp == CodePage::Cp866 ? "CP866" : "CP1251");
        ASSERT_NE(cd, (iconv_t)-1);
        for (int b = 0x80; b < 0x100; ++b) {
            char in[1] = {(char)b};
            char out[8] = {0};
            char* pin = in;
            char* pout = out;
            size_t inLeft = 1, outLeft = sizeof out;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            size_t rc = iconv(cd, &pin, &inLeft, &pout, &outLeft);
            std::string expected = rc == (size_t)-1 ? "\xEF\xBF\xBD" : std::string(out, sizeof out - outLeft);
            EXPECT_EQ(dravel::ToUtf8(cp, in, 1), expected) << dravel::CodePageName(cp) << " byte " << b;
        }
        iconv_close(cd);
    }
}
#endif

TEST(CodePage, FoldAndCompareLikeLStrnicmp) {
    // а/А, я/Я, ё/Ё in cp866 and cp1251
    EXPECT_EQ(dravel::CompareNoCase866("\xA0\xEF\xF1", "\x80\x9F\xF0", 3), 0);
    EXPECT_EQ(dravel::CompareNoCase1251("\xE0\xFF\xB8", "\xC0\xDF\xA8", 3), 0);
    EXPECT_EQ(dravel::CompareNoCase866("AbC", "aBc", 3), 0);
    EXPECT_NE(dravel::CompareNoCase866("ab", "ac", 2), 0);
    EXPECT_EQ(dravel::CompareNoCase866("ab", "abc", 2), 0);
    EXPECT_NE(dravel::CompareNoCase866("a", "ab", 2), 0);
    EXPECT_EQ(dravel::CompareNoCase866("a\0x", "a\0y", 3), 0);
    EXPECT_EQ(dravel::FoldCase(CodePage::Cp866, 0xB0), 0xB0); // box drawing stays
    EXPECT_EQ(dravel::FromUtf8(CodePage::Cp866, "Ёж\xE2\x86\x97"), "\xF0\xA6?");
}
