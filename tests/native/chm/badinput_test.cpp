// Files built to cost a reader time or memory out of proportion to their size, each kept as a
// regression file named after the fault (the larger ones gzip-compressed): an expansion bomb, a
// name list that a directory scan per name makes quadratic, listing chunks that repeat their
// entries, a directory of tiny entries, a million titles that match one keyword, and an E8
// translation size with its high bit set. The benchmark prints what each costs.
#include <gtest/gtest.h>

#include <set>

#include "fixtures.h"
#include "lebytes.h"
#include "lookup.h"
#include "lzx_writer.h"
#include "topics.h"

namespace {

std::string Regression(const std::string& name) {
    return FixtureDir() + "/regressions/" + name;
}

// An object's bytes, or a word saying that it did not read.
std::string Read(ChmContainer* c, const char* name) {
    std::string bytes;
    return ReadString(c, name, &bytes) ? bytes : "(does not read)";
}

std::string Le32(uint32_t v) {
    std::string s(4, 0);
    for (int i = 0; i < 4; i++)
        s[i] = static_cast<char>(v >> (8 * i));
    return s;
}

// ---- the files ----

const uint32_t BombSection = 300u << 20;

// 300 MB of 'A' in 64 KB windows that all compress to the same bytes: one literal, then
// repeats of it, 257 bytes a match. The reset table is sound.
Bytes ExpansionBomb() {
    LzxWriter w(16);
    std::vector<LzxToken> tokens = {Lit('A')};
    for (int i = 0; i < 127; i++)
        tokens.push_back(Repeat(257, 0));
    tokens.push_back(Repeat(128, 0)); // the first frame ends at 32 KB: no match crosses it
    for (int i = 0; i < 128; i++)
        tokens.push_back(Repeat(256, 0));
    w.Verbatim(tokens);
    Bytes window = w.Finish();
    std::vector<uint64_t> frames = w.FrameStarts(); // 0, the second frame, the end
    ChmBuilder b;
    b.Compressed = {{"/first.html", std::string(1000, 'A')}};
    const uint32_t windows = BombSection / 65536;
    for (uint32_t k = 0; k < windows; k++) {
        b.Stream.insert(b.Stream.end(), window.begin(), window.end());
        b.ResetEntries.push_back(uint64_t(k) * window.size() + frames[1]);
        b.ResetEntries.push_back(uint64_t(k + 1) * window.size());
    }
    b.ResetEntries.pop_back();
    b.ResetUncompressed = BombSection;
    b.SpanInfoLength = BombSection;
    b.Raw = {{"/last.html", 1, BombSection - 1000, 1000}, {"/whole", 1, 0, BombSection}};
    uint32_t at = BombSection - 64 * 1024;
    for (const char* table : {"/#TOPICS", "/#STRINGS", "/#URLTBL", "/#URLSTR"}) {
        b.Raw.push_back({table, 1, at, 4096});
        at += 4096;
    }
    return b.Build();
}

const uint32_t PlainObjects = 20000, SectionNames = 65535;

// 65,535 section names against a directory of 20,000 records, two of the names with a Content
// record (one of them twice: the later one counts). Most names and records repeat, which keeps
// the file small; a scan of the directory per name costs the same either way.
Bytes NameListAgainstDirectory() {
    ChmBuilder b;
    b.Plain = {{"/n1", "one"}, {"/n2", "two"}};
    for (uint32_t i = 2; i < SectionNames; i++)
        b.MoreSections.push_back(i == 100 ? "s00100" : i == 65534 ? "s65534" : "x");
    b.Raw = {{"::DataSpace/Storage/s00100/Content", 0, 10, 1},
             {"::DataSpace/Storage/s65534/Content", 0, 30, 1},
             {"::DataSpace/Storage/s00100/Content", 0, 20, 1}};
    while (b.Raw.size() < PlainObjects)
        b.Raw.push_back({"/n" + std::to_string(b.Raw.size() % 3), 0, 0, 3});
    return b.Build();
}

// Small chunks that all list the same twenty entries.
Bytes RepeatedListingEntries() {
    ChmBuilder b;
    b.ChunkSize = 512;
    for (int i = 0; i < 20; i++)
        b.Plain.push_back({"/r" + std::to_string(10 + i), "object " + std::to_string(i)});
    b.Build();
    std::vector<ChmBuilder::Entry> entries(b.Directory.begin(), b.Directory.begin() + 20);
    for (int copy = 0; copy < 2000; copy++)
        b.Raw.insert(b.Raw.end(), entries.begin(), entries.end());
    return b.Build();
}

// About 4 MB of the smallest entries there are: a two-byte name and three one-byte integers.
Bytes TinyEntries() {
    ChmBuilder b;
    b.Plain = {{"/plain.txt", "plain bytes"}};
    for (uint32_t i = 0; i < 700000; i++)
        b.Raw.push_back({std::string("/") + static_cast<char>(' ' + i % 90), 0, 0, 0});
    return b.Build();
}

const uint32_t MatchingTitles = 1000000;

// A million topics titled "Title", all leading to one page, in plain tables.
Bytes MillionMatchingTitles() {
    std::string topic = Le32(0) + Le32(1) + Le32(0) + Le32(0);
    std::string topics;
    topics.reserve(size_t(MatchingTitles) * 16);
    for (uint32_t i = 0; i < MatchingTitles; i++)
        topics += topic;
    ChmBuilder b;
    b.Plain = {{"/#TOPICS", topics},
               {"/#STRINGS", std::string("\0Title\0", 7)},
               {"/#URLTBL", Le32(0) + Le32(0) + Le32(0)},
               {"/#URLSTR", std::string("\0\0\0\0page.html\0", 14)},
               {"/page.html", "<html>the page</html>"}};
    return b.Build();
}

// A page behind an E8 header whose translation size has its high bit set.
Bytes E8SizeWithHighBit(uint32_t size) {
    LzxWriter w(16);
    w.E8FileSize(size);
    const char text[] = "<html>\xE8\x10\0\0\0 page</html>";
    std::string page(text, sizeof text - 1);
    w.Uncompressed(std::vector<unsigned char>(page.begin(), page.end()), 1, 1, 1);
    ChmBuilder b;
    b.Compressed = {{"/page.html", page}};
    b.Stream = w.Finish();
    return b.Build();
}

const char BombFile[] = "expansion-bomb-300mb-section.chm.gz";
const char NameListFile[] = "name-list-65535-sections-against-20000-entries.chm.gz";
const char RepeatFile[] = "listing-chunks-repeat-entries.chm.gz";
const char TinyFile[] = "directory-of-tiny-entries-53x-its-size.chm.gz";
const char TitlesFile[] = "million-matching-titles.chm.gz";
const char E8File[] = "e8-translation-size-high-bit.chm";

// Writes the files above; run once by hand with --gtest_also_run_disabled_tests
// --gtest_filter='*WriteBadInputFiles*' after a change.
TEST(ChmBadInput, DISABLED_WriteBadInputFiles) {
    EXPECT_TRUE(WriteWholeFile(Regression(BombFile), ExpansionBomb()));
    EXPECT_TRUE(WriteWholeFile(Regression(NameListFile), NameListAgainstDirectory()));
    EXPECT_TRUE(WriteWholeFile(Regression(RepeatFile), RepeatedListingEntries()));
    EXPECT_TRUE(WriteWholeFile(Regression(TinyFile), TinyEntries()));
    EXPECT_TRUE(WriteWholeFile(Regression(TitlesFile), MillionMatchingTitles()));
    EXPECT_TRUE(WriteWholeFile(Regression(E8File), E8SizeWithHighBit(0x80000000u)));
}

// ---- what they cost now ----

TEST(ChmBadInput, AnExpansionBombDecodesOnlyTheUnitsARead) {
    Bytes file = ReadWholeFile(Regression(BombFile));
    ASSERT_GT(file.size(), 1000000u);
    ASSERT_LT(file.size(), 3000000u);
    ChmContainer* c = OpenBytes(file);
    ASSERT_NE(c, nullptr);
    std::string bytes;
    ASSERT_TRUE(ReadString(c, "/last.html", &bytes));
    EXPECT_EQ(bytes, std::string(1000, 'A'));
    EXPECT_EQ(c->FramesDecoded, 2u); // the last 64 KB of 300 MB
    EXPECT_LT(c->CompressedRead, 1000u);
    EXPECT_FALSE(ReadString(c, "/whole", &bytes)); // an object above the limit is refused whole
    EXPECT_EQ(c->FramesDecoded, 2u);
    TopicTables tables;
    ASSERT_EQ(ReadTopicTables(c, &tables), 0); // four tables of "AAA...": nothing to list
    FreeTopicTables(&tables);
    EXPECT_EQ(c->FramesDecoded, 2u);
    EXPECT_LE(c->PeakCachedBytes, 65536u);
    CloseContainer(c);

    // With a reset table it cannot trust, the reader would decode all 300 MB: it refuses.
    c = OpenBytes(file);
    ASSERT_NE(c, nullptr);
    const DirectoryRecord* reset = FindDirectoryRecord(c, "::DataSpace/Storage/MSCompressed/Transform/"
                                                          "{7FC28940-9D31-11D0-9B27-00A0C91E9C7C}/"
                                                          "InstanceData/ResetTable");
    ASSERT_NE(reset, nullptr);
    size_t frameLength = static_cast<size_t>(c->ContentOffset + reset->Offset + 32);
    CloseContainer(c);
    ASSERT_EQ(ReadLe32(&file[frameLength]), 0x8000u);
    file[frameLength + 2] = 1; // 0x18000
    c = OpenBytes(file);
    ASSERT_NE(c, nullptr);
    EXPECT_FALSE(ReadString(c, "/last.html", &bytes));
    EXPECT_EQ(c->WholeRefusals, 1u);
    EXPECT_EQ(c->FramesDecoded, 0u);
    CloseContainer(c);
}

TEST(ChmBadInput, SixtyFiveThousandSectionNamesCostOnePassOverTheDirectory) {
    Bytes file = ReadWholeFile(Regression(NameListFile));
    ChmContainer* c = OpenBytes(file);
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(c->SectionCount, SectionNames);
    EXPECT_GE(c->DirectoryCount, PlainObjects);
    EXPECT_EQ(c->Sections[100].ContentOffset, 20u); // the later of two records
    EXPECT_EQ(c->Sections[65534].ContentOffset, 30u);
    EXPECT_EQ(c->Sections[101].ContentOffset, 0u);
    EXPECT_EQ(c->Sections[3].ContentOffset, 0u); // "x": no Content record
    EXPECT_EQ(Read(c, "/n2"), "two");
    CloseContainer(c);
}

TEST(ChmBadInput, RepeatedListingEntriesKeepTheirNamesOnce) {
    Bytes file = ReadWholeFile(Regression(RepeatFile));
    ChmContainer* c = OpenBytes(file);
    ASSERT_NE(c, nullptr);
    EXPECT_GT(c->ChunksRead, 500u);
    ASSERT_GE(c->DirectoryCount, 40000u);
    std::set<const char*> stored;
    std::set<std::string> names;
    for (uint32_t i = 0; i < c->DirectoryCount; i++) {
        stored.insert(c->Directory[i].Name);
        names.insert(c->Directory[i].Name);
    }
    EXPECT_EQ(stored.size(), names.size()); // each name once in memory
    EXPECT_LT(names.size(), 30u);
    const DirectoryRecord* r = FindDirectoryRecord(c, "/r15");
    ASSERT_NE(r, nullptr);
    EXPECT_LT(r - c->Directory, 30); // the first record of the name
    EXPECT_EQ(Read(c, "/r15"), "object 5");
    CloseContainer(c);
}

TEST(ChmBadInput, ADirectoryOfTinyEntriesStaysWithinAFewTimesTheFile) {
    Bytes file = ReadWholeFile(Regression(TinyFile));
    ASSERT_GT(file.size(), 4000000u);
    ChmContainer* c = OpenBytes(file);
    ASSERT_NE(c, nullptr);
    EXPECT_GT(c->DirectoryCount, 700000u);
    // A record and each name once: at most 6 times the file (it was 53 times).
    EXPECT_LE(c->DirectoryBytes, 6 * file.size());
    EXPECT_LE(c->DirectoryBytes, c->DirectoryCount * sizeof(DirectoryRecord) + 4096);
    EXPECT_EQ(Read(c, "/plain.txt"), "plain bytes");
    CloseContainer(c);
}

struct Chosen {
    uint32_t Count = 0, Converted = 0;
    bool More = false;
};

TEST(ChmBadInput, AMillionMatchingTitlesListTheFirstTenThousand) {
    // The lookup reads the file from disk: it is written out of the compressed fixture first.
    std::string path = std::string(LUMIVO_BINARY_DIR) + "/million-matching-titles.chm";
    ASSERT_TRUE(WriteWholeFile(path, ReadWholeFile(Regression(TitlesFile))));
    Chosen chosen;
    TopicLookupHost host = {AsciiPrefixCompare,
                            [](char*, void* context) { static_cast<Chosen*>(context)->Converted++; }, &chosen,
                            [](void* context, const TopicCandidate*, uint32_t count, bool more) {
                                static_cast<Chosen*>(context)->Count = count;
                                static_cast<Chosen*>(context)->More = more;
                                return 9999;
                            },
                            &chosen};
    TopicPage page;
    ASSERT_EQ(FindTopicPage(path.c_str(), "ti", &host, &page), TopicPageFound);
    EXPECT_EQ(chosen.Count, static_cast<uint32_t>(TopicCandidateLimit));
    EXPECT_TRUE(chosen.More);
    EXPECT_EQ(chosen.Converted, TopicCandidateLimit + 1u); // the walk stopped at the first one more
    EXPECT_EQ(std::string(reinterpret_cast<char*>(page.Data), page.Length), "<html>the page</html>");
    FreeObject(page.Data);
    remove(path.c_str());
}

TEST(ChmBadInput, AnE8SizeWithItsHighBitSetIsBadData) {
    std::string bytes;
    Bytes file = ReadWholeFile(Regression(E8File));
    ChmContainer* c = OpenBytes(file);
    ASSERT_NE(c, nullptr);
    EXPECT_FALSE(ReadString(c, "/page.html", &bytes));
    CloseContainer(c);
    Bytes below = E8SizeWithHighBit(0x7FFFFFFFu);
    c = OpenBytes(below);
    ASSERT_NE(c, nullptr);
    EXPECT_TRUE(ReadString(c, "/page.html", &bytes));
    EXPECT_EQ(bytes.size(), 23u);
    CloseContainer(c);
}

} // namespace
