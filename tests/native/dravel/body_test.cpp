// Dictionary bodies: plain, dictzip and plain gzip give the same bytes for every range, in any
// order of reads; a file cut short or a chunk table that lies gives a clear error, never other
// bytes; the real dictzip files of Debian's dictionaries read as zlib reads them whole.
#include <gtest/gtest.h>

#include <zlib.h>

#include <random>

#include "body.h"
#include "dravel_test_util.h"
#include "shipped_util.h"

using dravel::DictionaryBody;
using dravel::Error;
using dravel_test::Dictzip;
using dravel_test::TempDir;
using dravel_test::WriteFile;

namespace {

std::string SampleText(size_t size) {
    std::mt19937 random(7);
    const char* words[] = {"lisp ", "go ",  "abandon ", "\xd0\xbf\xd1\x80\xd0\xb8 ",
                           "x\n",   "the ", "dictzip\n"};
    std::string text;
    while (text.size() < size)
        text += words[random() % 7];
    text.resize(size);
    return text;
}

struct BodyFile {
    TempDir dir;
    std::string path;
    explicit BodyFile(const std::string& bytes) : path(dir.File("body.dict.dz")) { WriteFile(path, bytes); }
};

// Every range [a, a + n) of the text read through the body equals the text's.
void ExpectSameRanges(DictionaryBody& body, const std::string& text, unsigned seed, size_t longest = 0) {
    std::mt19937 random(seed);
    std::string got;
    for (int i = 0; i < 300; ++i) {
        size_t a = random() % (text.size() + 1);
        size_t n = random() % (text.size() - a + 1);
        if (i % 3 == 0) n = std::min<size_t>(n, 40);
        if (longest) n = std::min(n, longest);
        ASSERT_EQ(body.Read((int64_t)a, (uint32_t)n, &got), Error::None) << a << "+" << n;
        ASSERT_EQ(got, text.substr(a, n)) << a << "+" << n;
    }
}

void Put16(std::string* bytes, size_t at, uint32_t value) {
    (*bytes)[at] = (char)(value & 0xFF);
    (*bytes)[at + 1] = (char)(value >> 8);
}

} // namespace

TEST(DictionaryBodyRead, PlainDictzipAndGzipGiveTheSameBytesInAnyOrder) {
    std::string text = SampleText(5000);
    for (int kind = 0; kind < 3; ++kind) {
        SCOPED_TRACE(kind);
        BodyFile f(kind == 0 ? text : kind == 1 ? Dictzip(text, 97) : dravel_test::Gzip(text));
        DictionaryBody body;
        ASSERT_EQ(body.Open(f.path.c_str()), Error::None);
        EXPECT_EQ(body.Size(), (int64_t)text.size());
        EXPECT_EQ(body.Chunked(), kind == 1);
        ExpectSameRanges(body, text, 1);
        ExpectSameRanges(body, text, 2); // another order over the chunks kept from the first
        std::string got;
        EXPECT_EQ(body.Read(0, (uint32_t)text.size() + 1, &got), Error::BadIndex);
        EXPECT_EQ(body.Read((int64_t)text.size() + 1, 0, &got), Error::BadIndex);
        EXPECT_EQ(body.Read(-1, 1, &got), Error::BadIndex);
        EXPECT_TRUE(got.empty());
    }
}

TEST(DictionaryBodyRead, DebiansDictzipFilesReadAsZlibReadsThemWhole) {
    for (const char* name : {"foldoc", "mueller7"}) {
        std::string path = dravel_test::SystemFile(std::string("/usr/share/dictd/") + name + ".dict.dz");
        if (!dravel_test::FileExists(path)) GTEST_SKIP() << "dict-foldoc and mueller7-dict are not installed";
        gzFile gz = gzopen(path.c_str(), "rb");
        ASSERT_NE(gz, nullptr);
        std::string whole;
        char buffer[65536];
        int got;
        while ((got = gzread(gz, buffer, sizeof buffer)) > 0)
            whole.append(buffer, (size_t)got);
        gzclose(gz);
        DictionaryBody body;
        ASSERT_EQ(body.Open(path.c_str()), Error::None);
        EXPECT_TRUE(body.Chunked());
        EXPECT_EQ(body.Size(), (int64_t)whole.size());
        ExpectSameRanges(body, whole, 3, 200000);
    }
}

TEST(DictionaryBodyRead, AFileCutInsideAChunkReadsUpToTheCutAndNoFurther) {
    std::string text = SampleText(2000);
    std::vector<uint32_t> sizes;
    size_t header = 0;
    std::string whole = Dictzip(text, 100, &sizes, &header);
    // Cut inside every chunk and anywhere in the header and trailer.
    for (size_t cut = 0; cut < whole.size(); cut += cut < header + 40 ? 1 : 7) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        BodyFile f(whole.substr(0, cut));
        DictionaryBody body;
        Error opened = body.Open(f.path.c_str());
        if (opened != Error::None) {
            EXPECT_TRUE(opened == Error::BadBody) << dravel::ErrorText(opened);
            continue;
        }
        // The chunks the file still holds whole read right; the others fail, never read wrong.
        size_t whole_chunks = 0;
        for (size_t end = header; whole_chunks < sizes.size() && end + sizes[whole_chunks] <= cut;)
            end += sizes[whole_chunks++];
        std::string got;
        for (size_t chunk = 0; chunk < sizes.size(); ++chunk) {
            size_t from = chunk * 100, n = std::min<size_t>(100, text.size() - from);
            Error error = body.Read((int64_t)from, (uint32_t)n, &got);
            if (chunk < whole_chunks) {
                EXPECT_EQ(error, Error::None) << chunk;
                EXPECT_EQ(got, text.substr(from, n)) << chunk;
            } else {
                EXPECT_NE(error, Error::None) << chunk;
                EXPECT_TRUE(got.empty());
            }
        }
    }
}

TEST(DictionaryBodyRead, AChunkTableThatLiesIsADamagedBody) {
    std::string text = SampleText(1000);
    std::vector<uint32_t> sizes;
    size_t header = 0;
    const std::string whole = Dictzip(text, 100, &sizes, &header);
    const size_t table = dravel_test::DictzipCountOffset + 2;
    auto open = [](const std::string& bytes, std::string* got, int64_t offset = 0, uint32_t length = 1000) {
        BodyFile f(bytes);
        DictionaryBody body;
        Error error = body.Open(f.path.c_str());
        if (error != Error::None) return error;
        return body.Read(offset, length, got);
    };
    std::string got;
    ASSERT_EQ(open(whole, &got), Error::None);

    // Two chunk lengths shifted by a byte: every length still sums to the file, the chunks don't.
    std::string shifted = whole;
    Put16(&shifted, table, sizes[0] + 1);
    Put16(&shifted, table + 2, sizes[1] - 1);
    EXPECT_EQ(open(shifted, &got, 0, 100), Error::BadBody);
    EXPECT_TRUE(got.empty());
    EXPECT_EQ(open(shifted, &got, 500, 100), Error::None) << "the chunks after them still read";
    EXPECT_EQ(got, text.substr(500, 100));

    // A last chunk said to run past the file: that chunk cannot be read, the others can.
    std::string past = whole;
    Put16(&past, table + 2 * (sizes.size() - 1), 60000);
    EXPECT_EQ(open(past, &got, 900, 100), Error::BadBody);
    EXPECT_EQ(open(past, &got, 0, 100), Error::None);

    // A count of 0, a count the subfield cannot hold (65535), a chunk length of 0, a chunk of
    // 0 bytes, another version, a trailer whose length the chunks cannot give.
    std::string zero = whole;
    Put16(&zero, dravel_test::DictzipCountOffset, 0);
    EXPECT_EQ(open(zero, &got), Error::BadBody);
    std::string many = whole;
    Put16(&many, dravel_test::DictzipCountOffset, 65535);
    EXPECT_EQ(open(many, &got), Error::BadBody);
    std::string noLength = whole;
    Put16(&noLength, dravel_test::DictzipCountOffset - 2, 0);
    EXPECT_EQ(open(noLength, &got), Error::BadBody);
    std::string emptyChunk = whole;
    Put16(&emptyChunk, table + 4, 0);
    EXPECT_EQ(open(emptyChunk, &got), Error::BadBody);
    std::string version = whole;
    Put16(&version, dravel_test::DictzipCountOffset - 4, 2);
    EXPECT_EQ(open(version, &got), Error::Unsupported);
    std::string method = whole;
    method[2] = 7;
    EXPECT_EQ(open(method, &got), Error::Unsupported);
    std::string size = whole;
    Put16(&size, size.size() - 4, 100); // ISIZE 100: within the first chunk, not the last
    Put16(&size, size.size() - 2, 0);
    EXPECT_EQ(open(size, &got), Error::BadBody);
}

TEST(DictionaryBodyRead, ATruncatedGzipOrHeaderNeverReadsWrongBytes) {
    std::string text = SampleText(700);
    for (const std::string& whole : {dravel_test::Gzip(text), Dictzip(text, 64)}) {
        for (size_t cut = 0; cut <= whole.size(); ++cut) {
            BodyFile f(whole.substr(0, cut));
            DictionaryBody body;
            if (body.Open(f.path.c_str()) != Error::None) continue;
            std::string got;
            for (int64_t from : {0, 300, 650}) {
                uint32_t n = 50;
                Error error = body.Read(from, n, &got);
                if (error == Error::None) {
                    EXPECT_EQ(got, text.substr((size_t)from, n)) << cut << " " << from;
                }
            }
        }
    }
}
