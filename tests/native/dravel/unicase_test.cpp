// Case and character classes of the shipped formats' collations, and UTF-8 read a character at a
// time: every capital of Latin-1, Latin Extended-A, Greek and Cyrillic folds to its small letter
// and back, and malformed bytes read as themselves.
#include <gtest/gtest.h>

#include "unicase.h"

using dravel::LowerCase;
using dravel::NextCharacter;
using dravel::UpperCase;

TEST(UnicodeCase, CapitalsFoldToTheirSmallLettersAndBack) {
    const char32_t pairs[][2] = {
        {'A', 'a'},     {0xC0, 0xE0},     {0xDE, 0xFE},     {0x100, 0x101}, {0x139, 0x13A}, {0x14A, 0x14B},
        {0x178, 0xFF},  {0x17D, 0x17E},   {0x391, 0x3B1},   {0x3A3, 0x3C3}, {0x386, 0x3AC}, {0x400, 0x450},
        {0x401, 0x451}, {0x410, 0x430},   {0x42F, 0x44F},   {0x460, 0x461}, {0x490, 0x491}, {0x4C1, 0x4C2},
        {0x4D0, 0x4D1}, {0x1E00, 0x1E01}, {0x1EA0, 0x1EA1}, {0x18F, 0x259}};
    for (const auto& p : pairs) {
        EXPECT_EQ(LowerCase(p[0]), p[1]) << std::hex << (unsigned)p[0];
        EXPECT_EQ(UpperCase(p[1]), p[0]) << std::hex << (unsigned)p[1];
        EXPECT_EQ(LowerCase(p[1]), p[1]);
        EXPECT_EQ(UpperCase(p[0]), p[0]);
    }
    for (char32_t c : {U'1', U'-', U'\u00D7', U'\u00F7', U'\u00DF', U'\u2014', U'\u4E2D'}) {
        EXPECT_EQ(LowerCase(c), c);
        EXPECT_EQ(UpperCase(c), c);
    }
    EXPECT_EQ(LowerCase(0x130), U'i');
    EXPECT_EQ(dravel::LowerCaseUtf8("\xD0\x9F\xD0\xA0\xD0\x98 Ab\xC3\x84", 11),
              "\xD0\xBF\xD1\x80\xD0\xB8 ab\xC3\xA4");
}

TEST(UnicodeCase, LettersDigitsAndSpacesAsTheCollationsCountThem) {
    for (char32_t c : {U'a', U'Z', U'7', U'\u00E9', U'\u0436', U'\u03B1', U'\u4E2D', U'\u00B5'})
        EXPECT_TRUE(dravel::IsLetterOrDigit(c)) << std::hex << (unsigned)c;
    for (char32_t c : {U'-', U' ', U'.', U'\u00A0', U'\u00D7', U'\u2014', U'\u0301', U'\u3001', U'\u00AB'})
        EXPECT_FALSE(dravel::IsLetterOrDigit(c)) << std::hex << (unsigned)c;
    for (char32_t c : {U' ', U'\t', U'\n', U'\u2003', U'\u3000'})
        EXPECT_TRUE(dravel::IsWhiteSpace(c));
    for (char32_t c : {U'a', U'\u00A0', U'\u202F', U'\u2007'})
        EXPECT_FALSE(dravel::IsWhiteSpace(c));
}

TEST(UnicodeCase, MalformedUtf8ReadsAsSingleBytes) {
    struct Case {
        std::string bytes;
        std::u32string chars;
    } cases[] = {
        {"a\xD0\xBF", U"a\u043F"},
        {"\xE2\x80\x94!", U"\u2014!"},
        {"\xF0\x9F\x98\x80", U"\U0001F600"},
        {"\xD0", U"\u00D0"},                     // cut short
        {"\xE2\x80", U"\u00E2\u0080"},           // cut short
        {"\xC0\x80", U"\u00C0\u0080"},           // overlong
        {"\xED\xA0\x80", U"\u00ED\u00A0\u0080"}, // a surrogate
        {"\xF5\x80\x80\x80", U"\u00F5\u0080\u0080\u0080"},
        {"\xD0\x41", U"\u00D0A"},
    };
    for (const Case& c : cases) {
        std::u32string got;
        for (size_t at = 0; at < c.bytes.size();)
            got += NextCharacter(c.bytes.data(), c.bytes.size(), &at);
        EXPECT_EQ(got, c.chars);
    }
}
