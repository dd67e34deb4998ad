// Index build and run lookup: the entries a dictionary gets, and what a missing, unwritable,
// truncated or hand-edited index leads to.
#include <gtest/gtest.h>

#include "codepage.h"
#include "dravel_test_util.h"
#include "index.h"

using dravel::Error;
using dravel_test::Lines;
using dravel_test::OffsetOf;
using dravel_test::ReadFile;
using dravel_test::TempDir;
using dravel_test::WriteFile;

namespace {

std::string Entry(const char* key, long offset) {
    return std::string(key) + std::to_string(offset) + "\r\n";
}

// Builds the index through OpenIndex and returns the index file's bytes.
std::string BuildFor(const TempDir& dir, const std::string& dictionary, Error* error = nullptr) {
    std::string path = dir.File("dict.txt");
    WriteFile(path, dictionary);
    dravel::RemoveFile(dravel::IndexPath(path.c_str()).c_str()); // an existing index is used unchanged
    dravel::File dict, index;
    EXPECT_TRUE(dict.OpenRead(path.c_str()));
    dravel::LineReader reader(dict);
    Error got = dravel::OpenIndex(path.c_str(), reader, &index, dravel::CompareNoCase866, nullptr);
    if (error) *error = got;
    index.Close();
    return ReadFile(dravel::IndexPath(path.c_str()));
}

// Positions a dictionary through a given index file and returns the error and the offset.
Error Find(const std::string& dictionary, const std::string& indexBytes, const char* keyword,
           int64_t* offset) {
    TempDir dir;
    WriteFile(dir.File("d"), dictionary);
    WriteFile(dir.File("i"), indexBytes);
    dravel::File dict, index;
    EXPECT_TRUE(dict.OpenRead(dir.File("d").c_str()));
    EXPECT_TRUE(index.OpenRead(dir.File("i").c_str()));
    dravel::LineReader dictReader(dict), indexReader(index);
    Error error = dravel::FindRun(indexReader, dictReader, (int64_t)dictionary.size(), keyword,
                                  dravel::CompareNoCase866);
    *offset = dictReader.Tell();
    return error;
}

} // namespace

TEST(IndexBuild, OneEntryPerRunKeyAsItStands) {
    TempDir dir;
    std::string d = Lines({"A header line", "'cause  x", "'em  y", "aback  z", "abandon  w", "Abba  v"});
    std::string expected = Entry("'c", OffsetOf(d, "'cause")) + Entry("'e", OffsetOf(d, "'em")) +
                           Entry("ab", OffsetOf(d, "aback"));
    EXPECT_EQ(BuildFor(dir, d), expected);
}

TEST(IndexBuild, BodyStartsAtAnApostropheAndUpperCaseC) {
    TempDir dir;
    std::string d = Lines({"header", "'Cello  x", "cat  y"});
    EXPECT_EQ(BuildFor(dir, d), Entry("'C", OffsetOf(d, "'Cello")) + Entry("ca", OffsetOf(d, "cat")));
}

TEST(IndexBuild, EmptyAndShortLinesStartNoRun) {
    TempDir dir;
    std::string d = Lines({"'c  x", "aback  y", "", "abc  z", "q", "abd  w"});
    d += std::string("a\0ef  v\r\nabe  u\r\n", 17);
    EXPECT_EQ(BuildFor(dir, d), Entry("'c", 0) + Entry("ab", OffsetOf(d, "aback")));
}

TEST(IndexBuild, RepeatedRunGetsASecondEntry) {
    TempDir dir;
    std::string d = Lines({"'c  x", "ab1  y", "cd  z", "ab2  w"});
    EXPECT_EQ(BuildFor(dir, d), Entry("'c", 0) + Entry("ab", OffsetOf(d, "ab1")) +
                                    Entry("cd", OffsetOf(d, "cd")) + Entry("ab", OffsetOf(d, "ab2")));
    int64_t offset = 0;
    EXPECT_EQ(Find(d, BuildFor(dir, d), "ab", &offset), Error::None);
    EXPECT_EQ(offset, OffsetOf(d, "ab1"));
}

TEST(IndexBuild, LongLineKeepsLaterOffsetsRight) {
    TempDir dir;
    std::string d = Lines({"'c  x", ("abc  " + std::string(30000, 'q')).c_str(), "abd  y", "ac  z"}, "\n");
    EXPECT_EQ(BuildFor(dir, d),
              Entry("'c", 0) + Entry("ab", OffsetOf(d, "abc")) + Entry("ac", OffsetOf(d, "ac  ")));
}

TEST(IndexBuild, MixedLineEndsGiveTheSameEntries) {
    TempDir dir;
    for (const char* eol : {"\r", "\n", "\r\n", "\n\r"}) {
        std::string d = Lines({"h", "'c  x", "ab  y", "ac  z"}, eol);
        EXPECT_EQ(BuildFor(dir, d), Entry("'c", OffsetOf(d, "'c")) + Entry("ab", OffsetOf(d, "ab")) +
                                        Entry("ac", OffsetOf(d, "ac")))
            << "line end " << (int)eol[0];
    }
    std::string last = "'c  x\r\r" + std::string("ab  no line end");
    EXPECT_EQ(BuildFor(dir, last), Entry("'c", 0) + Entry("ab", 7));
}

TEST(IndexBuild, NoBodyLeavesNoIndex) {
    TempDir dir;
    Error error = Error::None;
    EXPECT_EQ(BuildFor(dir, Lines({"header", "cat  x"}), &error), "");
    EXPECT_EQ(error, Error::NoBodyStart);
    EXPECT_EQ(dir.List(), (std::vector<std::string>{"dict.txt"})) << "neither an empty index nor its draft";
}

TEST(IndexBuild, FailedWriteIsReported) {
    TempDir dir;
    WriteFile(dir.File("d"), Lines({"'c  x", "ab  y"}));
    WriteFile(dir.File("i"), "");
    dravel::File dict, readOnly;
    ASSERT_TRUE(dict.OpenRead(dir.File("d").c_str()));
    ASSERT_TRUE(readOnly.OpenRead(dir.File("i").c_str()));
    dravel::LineReader reader(dict);
    long entries = -1;
    EXPECT_EQ(dravel::BuildIndex(reader, readOnly, dravel::CompareNoCase866, &entries), Error::CreateIndex);
}

TEST(FindRun, KeyComparedWithoutRegardToCase) {
    std::string d = Lines({"'c  x", "ab  y"});
    int64_t offset = 0;
    EXPECT_EQ(Find(d, "'c0\r\nab7\r\n", "AB", &offset), Error::None);
    EXPECT_EQ(offset, 7);
    EXPECT_EQ(Find(d, "'c0\r\nab7\r\n", "xy", &offset), Error::NoIndexEntry);
    EXPECT_EQ(Find(d, "'c0\nzz123456789012345678901234567890\nab7", "ab", &offset), Error::None);
    EXPECT_EQ(offset, 7);
}

TEST(FindRun, HandEditedOrTruncatedEntries) {
    std::string d = Lines({"header line", "'c  x", "abacus  y", "ab  z"});
    long ab = OffsetOf(d, "abacus");
    int64_t offset = 0;
    EXPECT_EQ(Find(d, "ab", "ab", &offset), Error::NoIndexEntry);                     // no offset at all
    EXPECT_EQ(Find(d, "abx\r\n", "ab", &offset), Error::BadOffset);                   // no digits
    EXPECT_EQ(Find(d, "ab-5\r\n", "ab", &offset), Error::BadOffset);                  // negative
    EXPECT_EQ(Find(d, "ab99999999999\r\n", "ab", &offset), Error::BadOffset);         // beyond 32 bits
    EXPECT_EQ(Find(d, Entry("ab", (long)d.size()), "ab", &offset), Error::BadOffset); // at the end
    EXPECT_EQ(Find(d, Entry("ab", (long)d.size() + 100), "ab", &offset), Error::BadOffset); // past it
    EXPECT_EQ(Find(d, Entry("ab", ab + 2), "ab", &offset), Error::BadOffset);               // inside a line
    EXPECT_EQ(Find(d, Entry("ab", OffsetOf(d, "'c")), "ab", &offset), Error::BadOffset);    // another run
    EXPECT_EQ(Find(d, "ab" + std::to_string(ab).substr(0, 1) + "\r\n", "ab", &offset), Error::BadOffset);
    EXPECT_EQ(Find(d, " ab" + std::to_string(ab), "ab", &offset), Error::NoIndexEntry);
    EXPECT_EQ(Find(d, "ab " + std::to_string(ab) + "junk", "ab", &offset), Error::None); // atoi's reading
    EXPECT_EQ(offset, ab);
}

TEST(FindRun, ParseOffsetReadsLikeAtoiWithinLimits) {
    int64_t v = -1;
    EXPECT_TRUE(dravel::ParseOffset("2147483647", &v));
    EXPECT_EQ(v, 2147483647);
    EXPECT_FALSE(dravel::ParseOffset("2147483648", &v));
    EXPECT_TRUE(dravel::ParseOffset("\t+12x", &v));
    EXPECT_EQ(v, 12);
    EXPECT_TRUE(dravel::ParseOffset("-0", &v));
    EXPECT_FALSE(dravel::ParseOffset("", &v));
    EXPECT_FALSE(dravel::ParseOffset("-", &v));
}
