// The buffered line reader: its line ends, its positions, and equality with the literal
// one-read-per-line reader; long lines consumed whole; NUL bytes kept.
#include <gtest/gtest.h>

#include <random>

#include "dravel_test_util.h"
#include "fileio.h"
#include "linereader.h"
#include "literal_reader.h"

using dravel::File;
using dravel::LineReader;
using dravel_test::TempDir;

namespace {

struct ReadBack {
    std::vector<std::string> lines;
    std::vector<int64_t> starts;
};

ReadBack ReadAll(const std::string& path, size_t cap = dravel::LineLimit) {
    ReadBack out;
    File file;
    EXPECT_TRUE(file.OpenRead(path.c_str()));
    LineReader reader(file);
    std::vector<char> buffer(cap + 1);
    size_t stored;
    for (;;) {
        int64_t start = reader.Tell();
        if (!reader.ReadLine(buffer.data(), cap, &stored)) break;
        out.lines.emplace_back(buffer.data(), stored);
        out.starts.push_back(start);
    }
    EXPECT_FALSE(reader.Failed());
    return out;
}

ReadBack ReadAllLiterally(const std::string& path) {
    ReadBack out;
    File file;
    EXPECT_TRUE(file.OpenRead(path.c_str()));
    std::vector<char> buffer(dravel::LineLimit + 1);
    int64_t position = 0;
    int length;
    for (;;) {
        int64_t start = position;
        if (!LiteralReadLine(file, &position, buffer.data(), (int)buffer.size(), &length)) break;
        out.lines.emplace_back(buffer.data(), (size_t)length);
        out.starts.push_back(start);
    }
    return out;
}

std::vector<std::string> LinesOf(const std::string& bytes) {
    TempDir dir;
    dravel_test::WriteFile(dir.File("d.txt"), bytes);
    return ReadAll(dir.File("d.txt")).lines;
}

using V = std::vector<std::string>;

} // namespace

TEST(LineReader, FourLineEndsAndTheirDoubles) {
    EXPECT_EQ(LinesOf("a\rb\nc\r\nd\n\re"), (V{"a", "b", "c", "d", "e"}));
    EXPECT_EQ(LinesOf("a\r\rb"), (V{"a", "", "b"}));
    EXPECT_EQ(LinesOf("a\n\nb"), (V{"a", "", "b"}));
    EXPECT_EQ(LinesOf("a\r\n\r\nb\n"), (V{"a", "", "b"}));
    EXPECT_EQ(LinesOf("a\n\r\n\rb"), (V{"a", "", "b"}));
    EXPECT_EQ(LinesOf("a\r\n\nb"), (V{"a", "", "b"}));
}

TEST(LineReader, LastLineWithoutLineEndAndEmptyFile) {
    EXPECT_EQ(LinesOf("one\r\nlast"), (V{"one", "last"}));
    EXPECT_EQ(LinesOf("\r\n"), (V{""}));
    EXPECT_EQ(LinesOf(""), (V{}));
}

TEST(LineReader, KeepsNulBytesAndConsumesTheirLineWhole) {
    V lines = LinesOf(std::string("ab\0cd\r\nef", 9));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], std::string("ab\0cd", 5));
    EXPECT_EQ(lines[1], "ef");
}

TEST(LineReader, RestOfALongLineIsNeverALineOfItsOwn) {
    TempDir dir;
    std::string longLine(25000, 'x');
    longLine[12000] = 'y';
    dravel_test::WriteFile(dir.File("d.txt"), "ab\r\n" + longLine + "\r\nzz\r\n");
    ReadBack got = ReadAll(dir.File("d.txt"));
    ASSERT_EQ(got.lines.size(), 3u);
    EXPECT_EQ(got.lines[1], longLine.substr(0, dravel::LineLimit));
    EXPECT_EQ(got.lines[2], "zz");
    EXPECT_EQ(got.starts[2], 4 + 25000 + 2);

    File file;
    ASSERT_TRUE(file.OpenRead(dir.File("d.txt").c_str()));
    LineReader reader(file);
    reader.Seek(4);
    std::string whole;
    int64_t length = 0;
    ASSERT_TRUE(reader.ReadLine(&whole, dravel::ArticleLimit, &length));
    EXPECT_EQ(whole, longLine);
    EXPECT_EQ(length, 25000);
}

TEST(LineReader, PairSplitAcrossBlocksCountsAsOneLineEnd) {
    for (char first : {'\r', '\n'}) {
        TempDir dir;
        std::string bytes(LineReader::BlockSize - 1, 'a');
        bytes += first;
        bytes += first == '\r' ? '\n' : '\r';
        bytes += "next";
        dravel_test::WriteFile(dir.File("d.txt"), bytes);
        ReadBack got = ReadAll(dir.File("d.txt"), 100000);
        ASSERT_EQ(got.lines.size(), 2u);
        EXPECT_EQ(got.lines[1], "next");
    }
}

TEST(LineReader, MatchesTheLiteralReaderLineForLine) {
    std::mt19937 random(1234);
    const char* ends[] = {"\r", "\n", "\r\n", "\n\r"};
    for (int round = 0; round < 40; ++round) {
        std::string bytes;
        int lines = 1 + (int)(random() % 400);
        for (int i = 0; i < lines; ++i) {
            int length = (int)(random() % (round % 4 == 0 ? 300 : 40));
            for (int k = 0; k < length; ++k)
                bytes += (char)(' ' + random() % 90 + (random() % 50 == 0 ? 100 : 0));
            if (i + 1 < lines || random() % 2) bytes += ends[random() % 4];
        }
        TempDir dir;
        dravel_test::WriteFile(dir.File("d.txt"), bytes);
        ReadBack buffered = ReadAll(dir.File("d.txt"));
        ReadBack literal = ReadAllLiterally(dir.File("d.txt"));
        ASSERT_EQ(buffered.lines, literal.lines) << "round " << round;
        ASSERT_EQ(buffered.starts, literal.starts) << "round " << round;
    }
}

TEST(LineReader, SeekBackWithinTheBlockAndByteAt) {
    TempDir dir;
    dravel_test::WriteFile(dir.File("d.txt"), "first\r\nsecond\r\nthird");
    File file;
    ASSERT_TRUE(file.OpenRead(dir.File("d.txt").c_str()));
    LineReader reader(file);
    char line[32];
    size_t stored;
    ASSERT_TRUE(reader.ReadLine(line, 31, &stored));
    ASSERT_TRUE(reader.ReadLine(line, 31, &stored));
    reader.Seek(7);
    ASSERT_TRUE(reader.ReadLine(line, 31, &stored));
    EXPECT_STREQ(line, "second");
    unsigned char byte = 0;
    EXPECT_TRUE(reader.ByteAt(6, &byte));
    EXPECT_EQ(byte, '\n');
    EXPECT_FALSE(reader.ByteAt(20, &byte));
    EXPECT_EQ(reader.Tell(), 15);
    reader.Seek(1000);
    EXPECT_FALSE(reader.ReadLine(line, 31, &stored));
    EXPECT_STREQ(line, "");
}

TEST(LineReader, LineEndSearchVariantsAgree) {
    std::mt19937 random(99);
    std::string bytes(3000, 'x');
    for (int round = 0; round < 300; ++round) {
        for (char& c : bytes)
            c = (char)(random() % 100 == 0 ? "\r\n"[random() % 2] : 'a' + random() % 200);
        size_t start = random() % 200, end = start + random() % 2000;
        const char* p = bytes.data() + start;
        const char* e = bytes.data() + end;
        const char* expected = p;
        while (expected < e && *expected != '\r' && *expected != '\n')
            ++expected;
        for (int which = 0; which < 3; ++which) {
            dravel::LineEndSearch search = dravel::LineEndSearchVariant(which);
            if (!search) continue;
            ASSERT_EQ(search(p, e), expected) << "variant " << which << " round " << round;
        }
    }
}
