// Container reader tests, by operation: open (directory, sections, refusals), look up
// (names), extract (byte equality with the independent reader, caching, order, bounds).
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <set>

#include "fixtures.h"
#include "sha256.h"

namespace {

const char* const Fixtures[] = {"titles.chm", "accented.chm", "cyrillic.chm", "large.chm",
                                "many.chm",   "pages.chm",    "keywords.chm", "russian.chm"};
const char ResetTableName[] = "::DataSpace/Storage/MSCompressed/Transform/"
                              "{7FC28940-9D31-11D0-9B27-00A0C91E9C7C}/InstanceData/ResetTable";

// Every object the independent reader knows, byte for byte, whether names are found in the whole
// directory or through its index chunks; and no object it does not know.
void ExpectSameAsIndependentReader(const std::string& path, const std::vector<ExpectedObject>& expected) {
    ChmContainer* c = OpenContainer(path.c_str());
    ASSERT_NE(c, nullptr) << path;
    std::set<std::string> ours, theirs;
    for (uint32_t i = 0; i < c->DirectoryCount; i++)
        ours.insert(c->Directory[i].Name);
    for (auto& object : expected) {
        theirs.insert(object.Name);
        unsigned char* data;
        uint32_t length;
        ASSERT_EQ(ReadObject(c, object.Name.c_str(), &data, &length), 0) << path << " " << object.Name;
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(length, object.Length) << object.Name;
        EXPECT_EQ(Sha256Hex(data, length), object.Sha256) << path << " " << object.Name;
        FreeObject(data);
    }
    EXPECT_EQ(ours, theirs) << path;
    EXPECT_EQ(c->WholeDecodes, 0u) << "the reset table of " << path << " was not used";
    CloseContainer(c);
    // The same bytes when names are found through the directory's index chunks.
    c = OpenContainerIndexed(path.c_str());
    ASSERT_NE(c, nullptr) << path;
    for (auto& object : expected) {
        unsigned char* data;
        uint32_t length;
        ASSERT_EQ(ReadObject(c, object.Name.c_str(), &data, &length), 0) << path << " " << object.Name;
        EXPECT_EQ(Sha256Hex(data, length), object.Sha256)
            << "through the index: " << path << " " << object.Name;
        FreeObject(data);
    }
    CloseContainer(c);
}

TEST(ChmExtract, EveryFixtureObjectMatchesIndependentReader) {
    auto manifest = LoadManifest(FixturePath("expected.tsv"));
    for (const char* name : Fixtures) {
        SCOPED_TRACE(name);
        ASSERT_FALSE(manifest[name].empty()) << "expected.tsv lacks " << name;
        ExpectSameAsIndependentReader(FixturePath(name), manifest[name]);
    }
}

TEST(ChmExtract, DebianShippedChmsMatchIndependentReader) {
    std::string dest = std::string(LUMIVO_SOURCE_DIR) + "/build/chm-debian";
#ifdef _WIN32
    // The fetch needs apt-get: the native run makes it, and this build reads what it left.
    if (ReadWholeFile(dest + "/expected.tsv").empty())
        GTEST_SKIP() << "Debian-shipped CHMs are not in " << dest << " yet: the native tests fetch them";
#else
    std::string command = FixturePath("fetch-debian.sh") + " '" + dest + "'";
    if (system(command.c_str()) != 0)
        GTEST_SKIP() << "Debian-shipped CHMs could not be fetched (apt-get download openmcdf failed)";
#endif
    auto manifest = LoadManifest(dest + "/expected.tsv");
    for (const char* name : {"OpenMCDF.chm", "Nini.chm"}) {
        SCOPED_TRACE(name);
        ASSERT_FALSE(manifest[name].empty());
        ExpectSameAsIndependentReader(dest + "/" + name, manifest[name]);
    }
}

TEST(ChmOpen, FixturesShowTheFormatsQuirks) {
    // large: a section several times the 64 KB window, so the decoder resets.
    ChmContainer* c = OpenContainer(FixturePath("large.chm").c_str());
    ASSERT_NE(c, nullptr);
    std::string reset;
    ASSERT_TRUE(ReadString(c, ResetTableName, &reset));
    uint32_t uncompressed = static_cast<unsigned char>(reset[16]) |
                            static_cast<unsigned char>(reset[17]) << 8 |
                            static_cast<unsigned char>(reset[18]) << 16;
    EXPECT_GT(uncompressed, 4u * 65536);
    CloseContainer(c);

    // many: several listing chunks, with the ITSP first-listing field saying 1 although
    // chunk 0 holds entries; walking from chunk 0 finds them.
    c = OpenContainer(FixturePath("many.chm").c_str());
    ASSERT_NE(c, nullptr);
    EXPECT_GT(c->ChunksRead, 10u);
    EXPECT_EQ(c->DirectoryHeader[32], 1);
    EXPECT_EQ(c->DirectoryCount, 3025u);
    EXPECT_NE(FindDirectoryRecord(c, "/t0000.html"), nullptr);
    EXPECT_EQ(memcmp(c->Header + 24, c->Header + 40, 16), 0); // the doubled GUID
    CloseContainer(c);
}

TEST(ChmExtract, ReadsFromOneSpanDecodeItOnce) {
    ChmContainer* c = OpenContainer(FixturePath("titles.chm").c_str());
    ASSERT_NE(c, nullptr);
    std::string first, again, other;
    ASSERT_TRUE(ReadString(c, "/#TOPICS", &first));
    EXPECT_EQ(c->SpanDecodes, 1u);
    ASSERT_TRUE(ReadString(c, "/#STRINGS", &other));
    ASSERT_TRUE(ReadString(c, "/#TOPICS", &again));
    EXPECT_EQ(c->SpanDecodes, 1u); // the section is one 64 KB unit
    EXPECT_EQ(first, again);
    // A second container on the same file decodes on its own.
    ChmContainer* second = OpenContainer(FixturePath("titles.chm").c_str());
    ASSERT_TRUE(ReadString(second, "/#TOPICS", &again));
    EXPECT_EQ(second->SpanDecodes, 1u);
    EXPECT_EQ(first, again);
    CloseContainer(second);
    CloseContainer(c);
}

TEST(ChmExtract, ReadsInDifferentOrdersGiveTheSameBytes) {
    for (const char* fixture : {"large.chm", "titles.chm"}) {
        Bytes file = ReadWholeFile(FixturePath(fixture));
        ChmContainer* forward = OpenContainer(FixturePath(fixture).c_str());
        ChmContainer* backward = OpenBytes(file); // also: memory-backed and path-backed agree
        ChmContainer* shuffled = OpenBytes(file);
        ASSERT_TRUE(forward && backward && shuffled);
        ASSERT_EQ(forward->DirectoryCount, backward->DirectoryCount);
        std::vector<std::string> names;
        for (uint32_t i = 0; i < forward->DirectoryCount; i++)
            names.push_back(forward->Directory[i].Name);
        std::map<std::string, std::string> a, b, s;
        for (auto& n : names)
            ASSERT_TRUE(ReadString(forward, n, &a[n])) << n;
        for (auto it = names.rbegin(); it != names.rend(); ++it)
            ASSERT_TRUE(ReadString(backward, *it, &b[*it])) << *it;
        std::vector<std::string> order = names;
        for (size_t i = order.size(); i > 1; i--)
            std::swap(order[i - 1], order[(i * 7919) % i]);
        for (auto& n : order)
            ASSERT_TRUE(ReadString(shuffled, n, &s[n])) << n;
        EXPECT_EQ(a, b);
        EXPECT_EQ(a, s);
        CloseContainer(forward), CloseContainer(backward), CloseContainer(shuffled);
    }
}

TEST(ChmLookup, NamesCompareCaseSensitively) {
    ChmContainer* c = OpenContainer(FixturePath("titles.chm").c_str());
    ASSERT_NE(c, nullptr);
    unsigned char* data = reinterpret_cast<unsigned char*>(1);
    uint32_t length = 7;
    EXPECT_EQ(ReadObject(c, "/#topics", &data, &length), -1);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(ReadObject(c, "/File.html", &data, &length), -1);
    EXPECT_EQ(ReadObject(c, "/file.html ", &data, &length), -1);
    EXPECT_EQ(ReadObject(c, "", &data, &length), -1);
    EXPECT_EQ(ReadObject(c, nullptr, &data, &length), -1);
    EXPECT_EQ(ReadObject(nullptr, "/#TOPICS", &data, &length), -1);
    CloseContainer(c);
}

// ---- hand-built containers for what real files lack ----

ChmBuilder SmallBuilder() {
    ChmBuilder b;
    b.Plain = {{"/plain.txt", "plain bytes"}, {"/empty-plain", ""}};
    b.Compressed = {{"/#TOPICS", std::string(40, 'T')}, {"/page.html", "<html>page</html>"}, {"/empty", ""}};
    return b;
}

std::string Read(const Bytes& file, const std::string& name, int* status = nullptr) {
    ChmContainer* c = OpenBytes(file);
    std::string out;
    int result = -2;
    if (c) result = ReadString(c, name, &out) ? 0 : -1;
    if (status) *status = result;
    CloseContainer(c);
    return out;
}

TEST(ChmExtract, HandBuiltContainerReadsBack) {
    ChmBuilder b = SmallBuilder();
    Bytes file = b.Build();
    int status;
    EXPECT_EQ(Read(file, "/plain.txt", &status), "plain bytes");
    EXPECT_EQ(Read(file, "/page.html", &status), "<html>page</html>");
    EXPECT_EQ(status, 0);
}

TEST(ChmExtract, ObjectsOfLengthZeroAreEmptyBlocks) {
    Bytes file = SmallBuilder().Build();
    ChmContainer* c = OpenBytes(file);
    ASSERT_NE(c, nullptr);
    for (const char* name : {"/empty-plain", "/empty"}) {
        unsigned char* data = nullptr;
        uint32_t length = 99;
        EXPECT_EQ(ReadObject(c, name, &data, &length), 0) << name;
        EXPECT_NE(data, nullptr);
        EXPECT_EQ(length, 0u);
        FreeObject(data);
    }
    CloseContainer(c);
}

TEST(ChmOpen, LongNamesUpTo255AreKeptLongerOnesSkipped) {
    ChmBuilder b;
    std::string n127 = "/" + std::string(126, 'a'), n128 = "/" + std::string(127, 'b');
    std::string n255 = "/" + std::string(254, 'c'), n300 = "/" + std::string(299, 'd');
    b.Plain = {{n127, "127"}, {n128, "128"}, {n255, "255"}, {n300, "300"}, {"/after", "after"}};
    Bytes file = b.Build();
    int status;
    EXPECT_EQ(Read(file, n127), "127");
    EXPECT_EQ(Read(file, n128), "128");
    EXPECT_EQ(Read(file, n255), "255");
    Read(file, n300.substr(0, 255), &status);
    EXPECT_EQ(status, -1);
    EXPECT_EQ(Read(file, "/after"), "after"); // parsing went on past the long name
    // A short name written with a redundant two-byte length is the same name.
    b.LongNameLengths = true;
    EXPECT_EQ(Read(b.Build(), n127), "127");
}

ChmBuilder ThreeChunkBuilder() {
    ChmBuilder b;
    b.ChunkSize = 256;
    for (int i = 0; i < 24; i++)
        b.Plain.push_back({"/object-with-a-longish-name-" + std::to_string(i), "data" + std::to_string(i)});
    return b;
}

TEST(ChmOpen, ListingChainThatEndsEarlyStopsThere) {
    ChmBuilder b = ThreeChunkBuilder();
    b.Build();
    b.NextChunk = {0xFFFFFFFFu};
    Bytes file = b.Build();
    ChmContainer* c = OpenBytes(file);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->ChunksRead, 1u);
    EXPECT_GT(c->DirectoryCount, 0u);
    EXPECT_LT(c->DirectoryCount, b.Directory.size());
    EXPECT_EQ(std::string(c->Directory[0].Name), "/object-with-a-longish-name-0");
    CloseContainer(c);
}

TEST(ChmOpen, ListingChainThatNeverEndsStops) {
    ChmBuilder b = ThreeChunkBuilder();
    std::string last;
    for (std::vector<uint32_t> chain : {std::vector<uint32_t>{0}, {1, 0}, {1, 2, 1}, {1, 2, 2}, {2, 7, 1}}) {
        b.NextChunk = chain;
        Bytes file = b.Build();
        ASSERT_GE(b.Directory.size(), 24u);
        ChmContainer* c = OpenBytes(file);
        ASSERT_NE(c, nullptr);
        EXPECT_LE(c->ChunksRead, 3u);
        std::set<std::string> names;
        for (uint32_t i = 0; i < c->DirectoryCount; i++)
            EXPECT_TRUE(names.insert(c->Directory[i].Name).second) << "read twice: " << c->Directory[i].Name;
        CloseContainer(c);
    }
    // A chunk count larger than the file holds is capped; the chain still ends normally.
    b.NextChunk.clear();
    b.ChunkCountOverride = 0x7FFFFFFF;
    EXPECT_EQ(Read(b.Build(), "/object-with-a-longish-name-11"), "data11");
}

TEST(ChmExtract, WindowSizeCodesOneToSixtyFourOthersRejected) {
    ChmBuilder b = SmallBuilder();
    for (uint32_t code : {1u, 2u, 4u, 8u, 16u, 32u, 64u}) {
        b.WindowCode = code;
        EXPECT_EQ(Read(b.Build(), "/page.html"), "<html>page</html>") << code;
    }
    for (uint32_t code : {0u, 3u, 5u, 63u, 128u, 0x80000000u, 0xFFFFFFFFu}) {
        b.WindowCode = code;
        int status;
        Read(b.Build(), "/page.html", &status);
        EXPECT_EQ(status, -1) << code;
    }
}

TEST(ChmExtract, ControlBlockWithoutLzxcFails) {
    ChmBuilder b = SmallBuilder();
    b.ControlSignature = "LZXD";
    Bytes file = b.Build();
    int status;
    Read(file, "/page.html", &status);
    EXPECT_EQ(status, -1);
    EXPECT_EQ(Read(file, "/plain.txt"), "plain bytes"); // the plain section is unaffected
}

TEST(ChmExtract, ResetTableExtremesFailCleanly) {
    ChmBuilder b = SmallBuilder();
    const int64_t badUncompressed[] = {0, 1, 0x7FFFFFFF, 0xFFFFFFFF, 0x100000000ll, 0x7FFFFFFFFFFFFFFFll};
    for (int64_t value : badUncompressed) {
        b.ResetUncompressed = value;
        int status;
        Read(b.Build(), "/page.html", &status);
        EXPECT_EQ(status, -1) << value;
    }
    // With an uncompressed length of 0, an empty object at offset 0 is still fine.
    b.ResetUncompressed = 0;
    b.Compressed.insert(b.Compressed.begin(), {"/first-empty", ""});
    int status;
    Read(b.Build(), "/first-empty", &status);
    EXPECT_EQ(status, 0);
    b = SmallBuilder();
    for (int64_t value : {0ll, 1ll, 12ll, 0x7FFFFFFFll, 0xFFFFFFFFll, 0x100000000ll}) {
        b.ResetCompressed = value;
        Read(b.Build(), "/page.html", &status);
        EXPECT_EQ(status, -1) << value;
    }
}

TEST(ChmExtract, OffsetPlusLengthNeverWraps) {
    ChmBuilder b = SmallBuilder();
    b.Raw = {{"/wrap0", 0, 0xFFFFFFF0u, 0x20},
             {"/long0", 0, 0, 0xFFFFFFFFu},
             {"/far0", 0, 0x7FFFFFFF, 1},
             {"/wrap1", 1, 0xFFFFFFFFu, 2},
             {"/long1", 1, 1, 0xFFFFFFFFu},
             {"/past1", 1, 60, 20},
             {"/sect9", 9, 0, 1},
             {"/sectmax", 0xFFFFFFFFu, 0, 0}};
    Bytes file = b.Build();
    ChmContainer* c = OpenBytes(file);
    ASSERT_NE(c, nullptr);
    for (auto& e : b.Raw) {
        unsigned char* data;
        uint32_t length;
        EXPECT_EQ(ReadObject(c, e.Name.c_str(), &data, &length), -1) << e.Name;
    }
    // The failures did not condemn the section: real objects still read.
    std::string page;
    EXPECT_TRUE(ReadString(c, "/page.html", &page));
    EXPECT_EQ(page, "<html>page</html>");
    CloseContainer(c);
}

TEST(ChmExtract, HelperObjectsInACompressedSectionAreRefused) {
    // Section 0 itself named "MSCompressed": its Content object would have to be
    // decompressed to decompress it. A naive reader recurses without end.
    ChmBuilder b = SmallBuilder();
    b.Section0Name = "MSCompressed";
    int status;
    Read(b.Build(), "/plain.txt", &status);
    EXPECT_EQ(status, -1);
    Read(b.Build(), "/page.html", &status);
    EXPECT_EQ(status, -1);
}

TEST(ChmOpen, WithoutNameListOnlySectionZeroReads) {
    ChmBuilder b = SmallBuilder();
    b.WriteNameList = false;
    Bytes file = b.Build();
    EXPECT_EQ(Read(file, "/plain.txt"), "plain bytes");
    int status;
    Read(file, "/page.html", &status);
    EXPECT_EQ(status, -1);
}

TEST(ChmOpen, OlderHeaderWithoutContentOffsetField) {
    ChmBuilder b = SmallBuilder();
    b.HeaderLength = 88;
    Bytes file = b.Build();
    EXPECT_EQ(Read(file, "/plain.txt"), "plain bytes");
    EXPECT_EQ(Read(file, "/page.html"), "<html>page</html>");
}

TEST(ChmOpen, GarbageAndTinyFilesOpenEmptyOrNotAtAll) {
    std::vector<Bytes> inputs = {{}, Bytes(10, 0), Bytes(95, 0xFF), Bytes(5000, 0)};
    Bytes noise(20000);
    uint32_t seed = 12345;
    for (auto& byte : noise)
        byte = static_cast<unsigned char>((seed = seed * 1103515245 + 12345) >> 16);
    inputs.push_back(noise);
    for (auto& input : inputs) {
        ChmContainer* c = OpenBytes(input);
        ASSERT_NE(c, nullptr);
        for (uint32_t i = 0; i < c->DirectoryCount; i++) {
            unsigned char* data;
            uint32_t length;
            ReadObject(c, c->Directory[i].Name, &data, &length);
            FreeObject(data);
        }
        CloseContainer(c);
    }
    EXPECT_EQ(OpenContainer("/nonexistent/file.chm"), nullptr);
    EXPECT_EQ(OpenContainer(LUMIVO_SOURCE_DIR), nullptr); // a folder is no file
}

// Writes `head` and extends the file to `size` bytes with one byte at its end (sparse
// where the file system allows).
bool WriteFileOfSize(const std::string& path, const Bytes& head, uint64_t size) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = fwrite(head.data(), 1, head.size(), f) == head.size();
#ifdef _WIN32
    ok = ok && _fseeki64(f, static_cast<__int64>(size - 1), SEEK_SET) == 0;
#else
    ok = ok && fseeko(f, static_cast<off_t>(size - 1), SEEK_SET) == 0;
#endif
    ok = ok && fputc(0, f) != EOF;
    return fclose(f) == 0 && ok;
}

TEST(ChmOpen, FilesOfTwoGibibytesOrMoreAreRefused) {
    std::string path = std::string(LUMIVO_BINARY_DIR) + "/kestro-2gib.chm";
    Bytes head = SmallBuilder().Build();
    if (!WriteFileOfSize(path, head, ChmMaxFileSize)) {
        remove(path.c_str());
        GTEST_SKIP() << "cannot make a 2 GiB file in " << LUMIVO_BINARY_DIR;
    }
    EXPECT_EQ(OpenContainer(path.c_str()), nullptr);
    ASSERT_TRUE(WriteFileOfSize(path, head, ChmMaxFileSize - 1));
    ChmContainer* c = OpenContainer(path.c_str());
    EXPECT_NE(c, nullptr); // just below the limit it opens and reads
    std::string plain;
    EXPECT_TRUE(ReadString(c, "/plain.txt", &plain));
    EXPECT_EQ(plain, "plain bytes");
    CloseContainer(c);
    remove(path.c_str());
}

TEST(ChmLookup, ReadEncIntStaysInsideItsBytes) {
    const unsigned char bytes[] = {0x05, 0x81, 0x00, 0x8F, 0xFF, 0xFF, 0xFF, 0x7F,
                                   0x9F, 0xFF, 0xFF, 0xFF, 0x7F, 0x80, 0x80};
    const unsigned char* p = bytes;
    uint32_t value;
    ASSERT_EQ(ReadEncInt(&p, bytes + sizeof(bytes), &value), 0);
    EXPECT_EQ(value, 5u);
    ASSERT_EQ(ReadEncInt(&p, bytes + sizeof(bytes), &value), 0);
    EXPECT_EQ(value, 128u);
    ASSERT_EQ(ReadEncInt(&p, bytes + sizeof(bytes), &value), 0);
    EXPECT_EQ(value, 0xFFFFFFFFu); // 32 bits in five bytes
    const unsigned char* before = p;
    EXPECT_EQ(ReadEncInt(&p, bytes + sizeof(bytes), &value), -1) << "33 bits: refused, not cut";
    EXPECT_EQ(p, before);
    p += 5;
    before = p;
    EXPECT_EQ(ReadEncInt(&p, bytes + sizeof(bytes), &value), -1); // runs off the end
    EXPECT_EQ(p, before);
    EXPECT_EQ(ReadEncInt(&p, p, &value), -1);
}

} // namespace
