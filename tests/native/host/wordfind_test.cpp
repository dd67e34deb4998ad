// The ranges taken from an editor line: the word nearest the cursor, a usable
// selection, and the blank-separated run that the shell opens.
#include "wordfind.hpp"

#include <gtest/gtest.h>

#include <string.h>

#include <string>

namespace {

// Far's default delimiters, completed as the plug-in does at start-up.
WordDelimiters Delimiters(const char* host = "~!%^&*()+|{}:\"<>?`-=\\[];',./") {
    WordDelimiters set;
    memset(&set, 0, sizeof set);
    size_t n = strlen(host);
    memcpy(set.Chars, host, n);
    CompleteWordDelimiters(&set, (int)n);
    return set;
}

// The word FindWordAt finds over the whole line, or "(none)".
std::string WordAt(const std::string& line, int cursor, const WordDelimiters& set = Delimiters()) {
    int start = 0, end = (int)line.size();
    if (!FindWordAt(&set, line.c_str(), (int)line.size(), cursor, &start, &end)) {
        EXPECT_EQ(start, -1);
        EXPECT_EQ(end, -1);
        return "(none)";
    }
    EXPECT_LE(0, start);
    EXPECT_LT(start, end);
    EXPECT_LE(end, (int)line.size());
    return line.substr(start, end - start);
}

TEST(FindWordAt, CursorInsideAWordTakesTheWholeWord) {
    EXPECT_EQ(WordAt("call printf(x);", 5), "printf");
    EXPECT_EQ(WordAt("call printf(x);", 10), "printf");
    EXPECT_EQ(WordAt("call printf(x);", 0), "call");
    EXPECT_EQ(WordAt("x", 0), "x");
}

TEST(FindWordAt, BetweenWordsTheNearerOneWinsAndTiesGoLeft) {
    EXPECT_EQ(WordAt("ab cd", 2), "ab") << "both 1 away";
    EXPECT_EQ(WordAt("ab  cd", 3), "cd") << "left 2, right 1";
    EXPECT_EQ(WordAt("ab  cd", 2), "ab") << "left 1, right 2";
    EXPECT_EQ(WordAt("ab   cd", 3), "ab") << "2 and 2: a tie";
    EXPECT_EQ(WordAt("ab    cd", 4), "cd") << "left 3, right 2";
    EXPECT_EQ(WordAt("   cd", 0), "cd") << "nothing on the left";
    EXPECT_EQ(WordAt("ab   ", 4), "ab") << "nothing on the right";
}

TEST(FindWordAt, CursorPastTheEndStandsOnTheLinesEnd) {
    EXPECT_EQ(WordAt("abc", 10), "abc");
    EXPECT_EQ(WordAt("abc", 3), "abc");
    EXPECT_EQ(WordAt("abc  ", 5), "abc");
    EXPECT_EQ(WordAt("abc", -7), "abc") << "a negative cursor stands on the first character";
}

TEST(FindWordAt, HostDelimitersSplitWords) {
    EXPECT_EQ(WordAt("foo.bar", 3), "foo") << "the full stop is a delimiter: a tie";
    EXPECT_EQ(WordAt("foo.bar", 4), "bar");
    WordDelimiters none = Delimiters("");
    EXPECT_EQ(WordAt("foo.bar", 3, none), "foo.bar") << "without it the line is one word";
    WordDelimiters dots = Delimiters(".");
    EXPECT_EQ(WordAt("a(b).c", 2, dots), "a(b)");
    EXPECT_EQ(WordAt("tab\there", 3), "tab") << "TAB always separates";
}

TEST(FindWordAt, NulInsideTheLineIsADelimiter) {
    std::string line("ab\0cd", 5);
    EXPECT_EQ(WordAt(line, 4), "cd");
    EXPECT_EQ(WordAt(line, 0), "ab");
    EXPECT_EQ(WordAt(line, 2), "ab") << "on the NUL: a tie";
}

TEST(FindWordAt, NothingOnEmptyOrBlankLines) {
    EXPECT_EQ(WordAt("", 0), "(none)");
    EXPECT_EQ(WordAt("", 5), "(none)");
    EXPECT_EQ(WordAt("   \t  ", 2), "(none)");
    EXPECT_EQ(WordAt("..;;", 1), "(none)");
    std::string nuls(4, '\0');
    EXPECT_EQ(WordAt(nuls, 1), "(none)");
}

TEST(FindWordAt, BoundsLimitTheSearch) {
    WordDelimiters set = Delimiters();
    const char* line = "alpha beta gamma";
    int start = 6, end = 10; // "beta"
    ASSERT_TRUE(FindWordAt(&set, line, 16, 0, &start, &end));
    EXPECT_EQ(start, 6);
    EXPECT_EQ(end, 10) << "the cursor is moved into the bounds";

    start = 2, end = 4; // inside "alpha": the word is cut at both bounds
    ASSERT_TRUE(FindWordAt(&set, line, 16, 3, &start, &end));
    EXPECT_EQ(start, 2);
    EXPECT_EQ(end, 4);

    start = 16, end = 20;
    EXPECT_FALSE(FindWordAt(&set, line, 16, 3, &start, &end)) << "lo at the length";
    EXPECT_EQ(start, -1);
    start = 8, end = 8;
    EXPECT_FALSE(FindWordAt(&set, line, 16, 8, &start, &end)) << "an empty search range";
    start = 0, end = 100;
    ASSERT_TRUE(FindWordAt(&set, line, 16, 100, &start, &end));
    EXPECT_EQ(start, 11) << "hi is cut to the length";
    EXPECT_EQ(end, 16);
    start = 0, end = 3;
    EXPECT_FALSE(FindWordAt(&set, nullptr, 3, 0, &start, &end));
}

TEST(SelectionRange, UsableSelectionsAndTheirEnds) {
    int start = 99, end = 99;
    EXPECT_TRUE(SelectionRange(2, 5, 10, &start, &end));
    EXPECT_EQ(start, 2);
    EXPECT_EQ(end, 5);
    EXPECT_TRUE(SelectionRange(4, -1, 10, &start, &end)) << "runs past the line's end";
    EXPECT_EQ(start, 4);
    EXPECT_EQ(end, 10);
    EXPECT_TRUE(SelectionRange(0, 30, 10, &start, &end)) << "a column block wider than the line";
    EXPECT_EQ(end, 10);

    start = end = 99;
    EXPECT_FALSE(SelectionRange(-1, 0, 10, &start, &end)) << "no selection";
    EXPECT_FALSE(SelectionRange(3, 3, 10, &start, &end)) << "empty";
    EXPECT_FALSE(SelectionRange(10, -1, 10, &start, &end)) << "starts at the end: only the line break";
    EXPECT_FALSE(SelectionRange(14, 20, 10, &start, &end)) << "a column block right of a short line";
    EXPECT_FALSE(SelectionRange(6, 2, 10, &start, &end)) << "ends before it starts";
    EXPECT_FALSE(SelectionRange(-5, 2, 10, &start, &end));
    EXPECT_EQ(start, 99) << "nothing written on failure";
}

std::string ShellText(const std::string& line, int cursor) {
    int start = -1, end = -1;
    if (!FindShellRange(line.c_str(), (int)line.size(), cursor, &start, &end)) return "(none)";
    return line.substr(start, end - start);
}

TEST(FindShellRange, OnlyBlanksSeparate) {
    const std::string line = "see C:\\docs\\read-me.txt,\there";
    EXPECT_EQ(ShellText(line, 6), "C:\\docs\\read-me.txt,");
    EXPECT_EQ(ShellText(line, 15), "C:\\docs\\read-me.txt,");
    EXPECT_EQ(ShellText(line, 0), "see");
    EXPECT_EQ(ShellText(line, (int)line.size() - 1), "here");
    EXPECT_EQ(ShellText("http://example.org/a?b=c", 9), "http://example.org/a?b=c");
}

TEST(FindShellRange, NothingOnBlanksEmptyLinesOrPastTheEnd) {
    EXPECT_EQ(ShellText("a b", 1), "(none)");
    EXPECT_EQ(ShellText("a\tb", 1), "(none)");
    EXPECT_EQ(ShellText("", 0), "(none)");
    EXPECT_EQ(ShellText("abc", 3), "(none)") << "the cursor at the end";
    EXPECT_EQ(ShellText("abc", 9), "(none)");
    EXPECT_EQ(ShellText("abc", -1), "(none)");
}

} // namespace
