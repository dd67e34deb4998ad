// The word-delimiter set: the host's characters, the four appended ones and the
// NUL, which also counts.
#include "worddelim.hpp"

#include <gtest/gtest.h>

#include <string.h>

TEST(WordDelimiters, HostSetFollowedBySpaceLfCrTabAndNul) {
    WordDelimiters set;
    memset(&set, 'z', sizeof set);
    memcpy(set.Chars, ".,;", 4);
    CompleteWordDelimiters(&set, 3);
    EXPECT_EQ(set.Count, 8);
    EXPECT_EQ(0, memcmp(set.Chars, ".,; \n\r\t", 8));
    for (char c : {'.', ',', ';', ' ', '\n', '\r', '\t', '\0'})
        EXPECT_FALSE(IsWordChar(&set, c)) << (int)c;
    for (char c : {'a', '_', '-', 'z', (char)0xA0})
        EXPECT_TRUE(IsWordChar(&set, c)) << (int)c;
}

TEST(WordDelimiters, NoHostSetLeavesTheFourAndTheNul) {
    WordDelimiters set;
    memset(&set, '.', sizeof set);
    CompleteWordDelimiters(&set, 0);
    EXPECT_EQ(set.Count, 5);
    EXPECT_TRUE(IsWordChar(&set, '.')) << "characters past the count must not count";
    EXPECT_FALSE(IsWordChar(&set, 0));
}

TEST(WordDelimiters, ABadHostCountIsBounded) {
    WordDelimiters set;
    memset(&set, '#', sizeof set);
    CompleteWordDelimiters(&set, -4);
    EXPECT_EQ(set.Count, 5);
    CompleteWordDelimiters(&set, 100000);
    EXPECT_EQ(set.Count, HOST_WORDDIV_MAX + 5);
    EXPECT_EQ(set.Chars[HOST_WORDDIV_MAX], ' ');
}
