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

namespace {
template <size_t N> std::string Lines(const char (&text)[N]) {
    return std::string(text, N - 1);
}
std::string Collected(const std::string& text, const char* name, size_t room = 127, size_t size = 4096) {
    std::string out(size, '#');
    size_t n = CollectSection(text.data(), text.size(), name, 1000, room, &out[0], size);
    EXPECT_EQ(out[n], '\0');
    return out.substr(0, n);
}
} // namespace

TEST(SectionLine, CollectsASectionAsThePlatformReadsIt) {
    const std::string file = "; top\r\n[english]\nfirst\r\n  two words  \r\n\r\n; skipped\n"
                             "key = value\r=starts with equals\r\n[x without bracket\r\n"
                             "  [Russian]  \r\nr\r\n[English]\r\nsecond section\r\n";
    EXPECT_EQ(Collected(file, "English"),
              Lines("first\0two words\0key=value\0=starts with equals\0[x without bracket\0"));
    EXPECT_EQ(Collected(file, "RUSSIAN"), Lines("r\0"));
    EXPECT_EQ(Collected(file, "Other"), "");
    EXPECT_EQ(Collected("[English]\r\nno line end", "English"), Lines("no line end\0"));
}

TEST(SectionLine, ALongLineIsCutAndTheLinesAfterItStay) {
    std::string file = "[English]\r\none\r\n" + std::string(50000, 'x') + "\r\nthree\r\n";
    std::string section = Collected(file, "English", 5);
    EXPECT_EQ(section, Lines("one\0xxxxx\0three\0"));
    char dest[128];
    EXPECT_EQ(PickSectionLine(section.data(), section.size(), 2, dest, sizeof dest), 5);
    EXPECT_STREQ(dest, "three");
    // A buffer that holds only some lines keeps whole lines and its final NUL.
    EXPECT_EQ(Collected(file, "English", 5, 12), Lines("one\0xxxxx\0"));
    EXPECT_EQ(Collected(file, "English", 5, 1).size(), 0u);
    // Only the lines asked for.
    std::string out(64, '#');
    EXPECT_EQ(CollectSection(file.data(), file.size(), "English", 2, 5, &out[0], out.size()), 10u);
    EXPECT_EQ(out.substr(0, 11), Lines("one\0xxxxx\0\0"));
}
