// Files built to cost a reader time or memory out of proportion to their size, each kept as a
// regression file named after the fault (the larger ones gzip-compressed): an expansion bomb, a
// name list that a directory scan per name makes quadratic, listing chunks that repeat their
// entries, a directory of tiny entries, a million titles that match one keyword, and an E8
// translation size with its high bit set. The benchmark prints what each costs.
#include <gtest/gtest.h>

#include <set>

#include "badfiles.h"
#include "fixtures.h"
#include "chm/lebytes.h"
#include "find/lookup.h"
#include "find/topics.h"

namespace {

std::string Regression(const std::string& name) {
    return FixtureDir() + "/regressions/" + name;
}

// An object's bytes, or a word saying that it did not read.
std::string Read(ChmContainer* c, const char* name) {
    std::string bytes;
    return ReadString(c, name, &bytes) ? bytes : "(does not read)";
}

const uint32_t BombSection = 300u << 20;

const char BombFile[] = "expansion-bomb-300mb-section.chm.gz";
const char NameListFile[] = "name-list-65535-sections-against-20000-entries.chm.gz";
const char RepeatFile[] = "listing-chunks-repeat-entries.chm.gz";
const char TinyFile[] = "directory-of-tiny-entries-53x-its-size.chm.gz";
const char TitlesFile[] = "million-matching-titles.chm.gz";
const char E8File[] = "e8-translation-size-high-bit.chm";
const char AliasFile[] = "four-section-aliases-over-an-untrusted-table.chm.gz";

// Writes the files above; run once by hand with --gtest_also_run_disabled_tests
// --gtest_filter='*WriteBadInputFiles*' after a change.
TEST(ChmBadInput, DISABLED_WriteBadInputFiles) {
    EXPECT_TRUE(WriteWholeFile(Regression(BombFile), ExpansionBomb(BombSection)));
    EXPECT_TRUE(WriteWholeFile(Regression(NameListFile), NameListAgainstDirectory()));
    EXPECT_TRUE(WriteWholeFile(Regression(RepeatFile), RepeatedListingEntries()));
    EXPECT_TRUE(WriteWholeFile(Regression(TinyFile), TinyEntries()));
    EXPECT_TRUE(WriteWholeFile(Regression(TitlesFile), MillionMatchingTitles()));
    EXPECT_TRUE(WriteWholeFile(Regression(E8File), E8SizeWithHighBit(0x80000000u)));
    EXPECT_TRUE(WriteWholeFile(Regression(AliasFile), ExpansionBomb(250u << 20, 4, true)));
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
    EXPECT_EQ(c->FramesDecoded, 4u); // the last 128 KB of 300 MB: the two units that check the table
    EXPECT_LT(c->CompressedRead, 2000u);
    EXPECT_FALSE(ReadString(c, "/whole", &bytes)); // an object above the limit is refused whole
    EXPECT_EQ(c->FramesDecoded, 4u);
    TopicTables tables;
    ASSERT_EQ(ReadTopicTables(c, &tables), 0); // four tables of "AAA...": nothing to list
    FreeTopicTables(&tables);
    EXPECT_EQ(c->FramesDecoded, 4u);
    EXPECT_LE(c->PeakCachedBytes, 2 * 65536u);
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

TEST(ChmBadInput, SectionAliasesShareOneDecodeWithinTheBudget) {
    // 96 MB of section behind a reset table that cannot be trusted, named by four sections: each
    // used to decode the whole of it for its own table.
    const uint32_t section = 96u << 20;
    Bytes file = ExpansionBomb(section, 4, true);
    ChmContainer* c = OpenBytes(file);
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(c->SectionCount, 6u);
    TopicTables tables;
    ASSERT_EQ(ReadTopicTables(c, &tables), 0);
    FreeTopicTables(&tables);
    EXPECT_EQ(c->WholeDecodes, 1u); // one decode, up to the tables, for all four
    const uint32_t tablesEnd = section - 65536 + 4 * 4096;
    EXPECT_EQ(c->FramesDecoded, (tablesEnd + 32767) / 32768); // up to the frame of the last table's end
    EXPECT_LE(c->PeakDecodedBytes, ChmDecodeBudget);
    EXPECT_LE(c->PeakDecodedBytes, ChmSequentialKeep + (4u << 20));
    // The first page: before what the decode keeps, so it starts again, and stops at the page.
    std::string bytes;
    ASSERT_TRUE(ReadString(c, "/first.html", &bytes));
    EXPECT_EQ(bytes, std::string(1000, 'A'));
    EXPECT_EQ(c->WholeDecodes, 2u);
    EXPECT_EQ(c->FramesDecoded, (tablesEnd + 32767) / 32768 + 1);
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
    // Beyond the records: 90 names and an index sized for them, well under a megabyte.
    EXPECT_LE(c->DirectoryBytes, c->DirectoryCount * sizeof(DirectoryRecord) + (1u << 20));
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
                            [](char*, void* context) { static_cast<Chosen*>(context)->Converted++; },
                            &chosen,
                            [](void* context, const TopicAnswer& answer) {
                                static_cast<Chosen*>(context)->Count =
                                    static_cast<uint32_t>(answer.Lines.size());
                                static_cast<Chosen*>(context)->More = answer.More;
                                return 9999;
                            },
                            &chosen,
                            nullptr,
                            nullptr,
                            nullptr,
                            nullptr};
    TopicPage page;
    TopicRequest request = {SearchTitles, "ti", nullptr, 0};
    ASSERT_EQ(FindTopicPage(path.c_str(), request, &host, &page), TopicPageFound);
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
