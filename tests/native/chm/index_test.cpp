// Names found through the directory's index chunks (OpenContainerIndexed): every name of real
// files leads to the record the whole directory holds, reading a few chunks and never the
// listing; a name the index does not lead to, and an index that cannot be followed (a child link
// to itself, up the path or out of range, a root that is no index chunk, entries mangled), load
// the whole directory, so that every lookup answers as OpenContainer's does.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <random>

#include "chm/lebytes.h"
#include "fixtures.h"

namespace {

struct Chunks {
    size_t First; // where chunk 0 lies
    uint32_t Size, Count, Root;
};

Chunks ChunksOf(const Bytes& file) {
    size_t itsp = static_cast<size_t>(ReadLe64(file.data() + 0x48));
    return {itsp + 84, ReadLe32(file.data() + itsp + 16), ReadLe32(file.data() + itsp + 44),
            ReadLe32(file.data() + itsp + 28)};
}

// Every record of the whole directory, looked up through the index, gives the same record; and so
// does a name it does not hold. Returns the chunks the lookups read.
uint32_t ExpectSameRecords(const Bytes& file, const std::string& label) {
    ChmContainer* whole = OpenBytes(file);
    ChmContainer* indexed = OpenContainerFileIndexed(ChmFileOpenMemory(file.data(), file.size()));
    EXPECT_NE(nullptr, whole) << label;
    EXPECT_NE(nullptr, indexed) << label;
    if (!whole || !indexed) return 0;
    for (uint32_t i = 0; i < whole->DirectoryCount; i++) {
        const char* name = whole->Directory[i].Name;
        const DirectoryRecord* expected = FindDirectoryRecord(whole, name);
        const DirectoryRecord* found = FindDirectoryRecord(indexed, name);
        EXPECT_NE(nullptr, found) << label << " " << name;
        if (!found) continue;
        EXPECT_STREQ(name, found->Name);
        EXPECT_EQ(expected->Section, found->Section) << label << " " << name;
        EXPECT_EQ(expected->Offset, found->Offset) << label << " " << name;
        EXPECT_EQ(expected->Length, found->Length) << label << " " << name;
    }
    uint32_t chunks = indexed->ChunksRead;
    EXPECT_EQ(nullptr, FindDirectoryRecord(indexed, "/no such page.html")) << label;
    EXPECT_EQ(nullptr, FindDirectoryRecord(indexed, "")) << label;
    CloseContainer(indexed);
    CloseContainer(whole);
    return chunks;
}

TEST(ChmIndex, EveryNameOfRealFilesLeadsToItsRecord) {
    std::vector<std::string> files = {FixturePath("many.chm")};
    std::string dest = std::string(LUMIVO_SOURCE_DIR) + "/build/chm-debian";
    std::string command = FixturePath("fetch-debian.sh") + " '" + dest + "'";
    if (system(command.c_str()) == 0) files.insert(files.end(), {dest + "/Nini.chm", dest + "/OpenMCDF.chm"});
    std::string lcl = std::string(LUMIVO_SOURCE_DIR) + "/build/bench-data/lcl.chm";
    if (!ReadWholeFile(lcl).empty()) files.push_back(lcl);
    for (const std::string& path : files) {
        Bytes file = ReadWholeFile(path);
        ExpectSameRecords(file, path);
    }
}

TEST(ChmIndex, ALookupReadsAFewChunksAndNeverTheListing) {
    Bytes file = ReadWholeFile(FixturePath("many.chm"));
    ChmContainer* c = OpenContainerFileIndexed(ChmFileOpenMemory(file.data(), file.size()));
    ASSERT_NE(nullptr, c);
    ASSERT_NE(nullptr, c->Index);
    // The root, and the listing chunk that holds the name list.
    EXPECT_LE(c->ChunksRead, 2u);
    unsigned char* data;
    uint32_t length;
    for (const char* name : {"/t2999.html", "/t0000.html", "/#TOPICS", "/t1500.html"}) {
        uint32_t before = c->ChunksRead;
        ASSERT_EQ(0, ReadObject(c, name, &data, &length)) << name;
        FreeObject(data);
        EXPECT_LE(c->ChunksRead - before, 1u) << name; // the root stays cached
    }
    EXPECT_EQ(0u, c->DirectoryCount);
    // A name it does not hold: the whole directory is loaded, and answers from then on.
    EXPECT_EQ(-1, ReadObject(c, "/t3000.html", &data, &length));
    EXPECT_EQ(3025u, c->DirectoryCount);
    ASSERT_EQ(0, ReadObject(c, "/t0001.html", &data, &length));
    FreeObject(data);
    CloseContainer(c);
}

TEST(ChmIndex, AnIndexThatCannotBeFollowedLoadsTheWholeDirectory) {
    const Bytes real = ReadWholeFile(FixturePath("many.chm"));
    const Chunks chunks = ChunksOf(real);
    ASSERT_EQ(13u, chunks.Root);
    auto rootEntry = [&](Bytes& file, uint32_t child) {
        // The root's first entry: its name "/" (length 1), then its child chunk.
        size_t at = chunks.First + static_cast<size_t>(chunks.Root) * chunks.Size + 8;
        EXPECT_EQ(1, file[at]);
        file[at + 2] = static_cast<unsigned char>(child);
    };
    struct Case {
        const char* Label;
        uint32_t Child;
    };
    for (const Case& c : {Case{"a child that is the root itself", 13}, Case{"a child past the chunks", 120},
                          Case{"a child that is a listing chunk out of order", 12}}) {
        Bytes file = real;
        rootEntry(file, c.Child);
        ExpectSameRecords(file, c.Label);
    }
    // A root that is a listing chunk, or past the chunks; a root chunk of zeros.
    for (uint32_t root : {0u, 14u, 0xFFFFFFFEu}) {
        Bytes file = real;
        PutLe32(file, static_cast<size_t>(ReadLe64(real.data() + 0x48)) + 28, root);
        ExpectSameRecords(file, "root " + std::to_string(root));
    }
    Bytes zeros = real;
    std::fill(zeros.begin() + static_cast<std::ptrdiff_t>(chunks.First + 13 * chunks.Size + 4),
              zeros.begin() + static_cast<std::ptrdiff_t>(chunks.First + 14 * chunks.Size), 0);
    ExpectSameRecords(zeros, "a root of zeros");
    // Index entries mangled at random: the listing chunks are whole, so every name still finds
    // its record, through the index or the whole directory.
    std::mt19937 random(19);
    for (int round = 0; round < 60; round++) {
        Bytes file = real;
        size_t root = chunks.First + 13 * chunks.Size;
        for (int k = 0; k < 6; k++)
            file[root + 4 + random() % (chunks.Size - 4)] = static_cast<unsigned char>(random());
        ExpectSameRecords(file, "mangled root, round " + std::to_string(round));
    }
}

} // namespace
