// Picking message lines out of a language section as the platform returns it.
#include "sectionline.hpp"

#include <gtest/gtest.h>

#include <string.h>
#include <string>

namespace {
const char Five[] = "one\0two=2\0three\0four\0five\0"; // final NUL from the literal
const size_t FiveLength = sizeof Five - 2;             // what the platform reports
} // namespace

TEST(SectionLine, LinesInOrderAndPastTheEnd) {
    char dest[128];
    EXPECT_EQ(PickSectionLine(Five, FiveLength, 0, dest, sizeof dest), 3);
    EXPECT_STREQ(dest, "one");
    EXPECT_EQ(PickSectionLine(Five, FiveLength, 1, dest, sizeof dest), 5);
    EXPECT_STREQ(dest, "two=2") << "lines are taken whole, key and value";
    EXPECT_EQ(PickSectionLine(Five, FiveLength, 4, dest, sizeof dest), 4);
    EXPECT_STREQ(dest, "five");
    strcpy(dest, "stale");
    EXPECT_EQ(PickSectionLine(Five, FiveLength, 5, dest, sizeof dest), 0);
    EXPECT_STREQ(dest, "");
    EXPECT_EQ(PickSectionLine(Five, FiveLength, -1, dest, sizeof dest), 0);
    EXPECT_EQ(PickSectionLine("\0", 0, 0, dest, sizeof dest), 0);
}

TEST(SectionLine, LongLinesAreCutToTheBuffer) {
    std::string section(300, 'x');
    section += '\0';
    section += '\0';
    char dest[129];
    dest[128] = '#';
    EXPECT_EQ(PickSectionLine(section.data(), 301, 0, dest, 128), 127);
    EXPECT_EQ(std::string(dest), std::string(127, 'x'));
    EXPECT_EQ(dest[128], '#');
}

TEST(SectionLine, ASectionWithoutItsFinalNulIsReadWithinItsLength) {
    const char cut[] = {'a', 'b', 0, 'c', 'd', 'e'}; // the last line runs to the end
    char dest[16];
    EXPECT_EQ(PickSectionLine(cut, sizeof cut, 1, dest, sizeof dest), 3);
    EXPECT_STREQ(dest, "cde");
    EXPECT_EQ(PickSectionLine(cut, sizeof cut, 2, dest, sizeof dest), 0);
}
