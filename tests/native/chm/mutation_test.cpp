// Deterministic mutations of the real fixtures (cuts, bit flips, header fields, directory
// entries and section metadata set to extremes), plus the committed regression files.
// Every variant must open or be refused, and every read must give -1 or good bytes;
// the sanitizer build turns any stray access into a failure.
#include <gtest/gtest.h>

#include <dirent.h>

#include "fixtures.h"
#include "chm/lebytes.h"
#include "sha256.h"
#include "find/topics.h"

namespace {

const uint32_t Extremes[] = {0, 1, 0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu, 0xFFFFFFFEu, 0x10000};

uint32_t Get32(const Bytes& b, size_t at) {
    return ReadLe32(&b[at]);
}

struct Reference {
    std::map<std::string, std::string> Sha; // name -> hash of the good bytes
    std::map<std::string, DirectoryRecord> Records;
};

Reference Expected(const char* fixture) {
    Reference r;
    auto manifest = LoadManifest(FixturePath("expected.tsv"));
    for (auto& o : manifest[fixture])
        r.Sha[o.Name] = o.Sha256;
    ChmContainer* c = OpenContainer(FixturePath(fixture).c_str());
    for (uint32_t i = 0; c && i < c->DirectoryCount; i++)
        r.Records[c->Directory[i].Name] = c->Directory[i];
    CloseContainer(c);
    return r;
}

// Opens a variant and reads everything it lists. When `strict`, an object that reads and
// whose directory record is unchanged must give exactly its good bytes.
void Exercise(const Bytes& variant, const Reference& good, bool strict, const std::string& what) {
    ChmContainer* c = OpenBytes(variant);
    if (!c) return;
    // Large directories are sampled (the first, the last and evenly between) to keep the
    // variants many; the lookups are linear.
    uint32_t stride = c->DirectoryCount / 150 + 1;
    for (uint32_t i = 0; i < c->DirectoryCount; i++) {
        const DirectoryRecord& r = c->Directory[i];
        if (i % stride != 0 && i + 1 != c->DirectoryCount && r.Name[0] != ':') continue;
        unsigned char* data = nullptr;
        uint32_t length = 0;
        int status = ReadObject(c, r.Name, &data, &length);
        ASSERT_TRUE(status == 0 || status == -1) << what;
        if (status != 0) {
            ASSERT_EQ(data, nullptr) << what;
            continue;
        }
        ASSERT_NE(data, nullptr) << what;
        if (FindDirectoryRecord(c, r.Name) == &r) {
            ASSERT_EQ(length, r.Length) << what << " " << r.Name;
        }
        auto sha = good.Sha.find(r.Name);
        auto old = good.Records.find(r.Name);
        if (strict && sha != good.Sha.end() && old != good.Records.end() &&
            old->second.Section == r.Section && old->second.Offset == r.Offset &&
            old->second.Length == r.Length) {
            EXPECT_EQ(Sha256Hex(data, length), sha->second) << what << " " << r.Name;
        }
        FreeObject(data);
    }
    TopicTables tables;
    if (ReadTopicTables(c, &tables) == 0) {
        TopicCandidate* list;
        uint32_t count;
        bool more;
        ASSERT_EQ(CollectTopics(&tables, "", AsciiPrefixCompare, nullptr, nullptr, 64, &list, &count, &more),
                  0);
        for (uint32_t i = 0; i < count; i++) {
            char path[TopicPathSize];
            FormTopicPath(&tables, list[i].PathOffset, path, sizeof(path));
        }
        FreeObject(list);
        FreeTopicTables(&tables);
    }
    CloseContainer(c);
}

struct Layout {
    uint32_t ItspOffset, ChunkSize, ChunkCount, FirstChunk, ContentOffset;
};

Layout LayoutOf(const Bytes& file) {
    Layout l;
    l.ItspOffset = Get32(file, 72);
    l.ChunkSize = Get32(file, l.ItspOffset + 16);
    l.ChunkCount = Get32(file, l.ItspOffset + 44);
    l.FirstChunk = l.ItspOffset + 84;
    l.ContentOffset = Get32(file, 88);
    return l;
}

class ChmMutation : public ::testing::TestWithParam<const char*> {};

TEST_P(ChmMutation, CutsGiveOnlyGoodBytesOrFailures) {
    Bytes file = ReadWholeFile(FixturePath(GetParam()));
    Reference good = Expected(GetParam());
    Layout l = LayoutOf(file);
    std::set<size_t> cuts = {0, 1, 4, 55, 56, 88, 95, 96, l.ItspOffset, l.FirstChunk - 1, l.FirstChunk};
    for (uint32_t i = 0; i <= l.ChunkCount; i++)
        for (int delta : {-1, 0, 1, 20, 21})
            cuts.insert(l.FirstChunk + i * l.ChunkSize + delta);
    for (auto& r : good.Records) // at every object's start and end in section 0
        if (r.second.Section == 0)
            for (uint64_t at : {uint64_t(l.ContentOffset) + r.second.Offset,
                                uint64_t(l.ContentOffset) + r.second.Offset + r.second.Length - 1})
                cuts.insert(static_cast<size_t>(at));
    size_t step = file.size() / 150 + 1;
    for (size_t at = 0; at < file.size(); at += step)
        cuts.insert(at);
    for (size_t at : cuts) {
        if (at >= file.size()) continue;
        Bytes cut(file.begin(), file.begin() + at);
        Exercise(cut, good, true, "cut at " + std::to_string(at));
        if (HasFatalFailure()) return;
    }
}

TEST_P(ChmMutation, BitFlipsNeverCrash) {
    Bytes file = ReadWholeFile(FixturePath(GetParam()));
    Reference good = Expected(GetParam());
    Layout l = LayoutOf(file);
    size_t metadata = l.ContentOffset; // headers and directory: most structure per byte
    uint32_t seed = 2024;
    auto next = [&] { return seed = seed * 1664525 + 1013904223; };
    for (int round = 0; round < 300; round++) {
        Bytes variant = file;
        size_t span = round % 3 ? metadata : file.size();
        for (int flips = 1 + round % 4; flips > 0; flips--) {
            size_t at = (next() >> 8) % span;
            variant[at] ^= static_cast<unsigned char>(1u << (next() >> 29));
        }
        Exercise(variant, good, false, "flip round " + std::to_string(round));
        if (HasFatalFailure()) return;
    }
}

TEST_P(ChmMutation, HeaderFieldsAtExtremes) {
    Bytes file = ReadWholeFile(FixturePath(GetParam()));
    Reference good = Expected(GetParam());
    Layout l = LayoutOf(file);
    std::vector<size_t> fields;
    for (size_t at = 8; at < 96; at += 4)
        fields.push_back(at);
    for (size_t at = 4; at < 84; at += 4)
        fields.push_back(l.ItspOffset + at);
    for (uint32_t i = 0; i < l.ChunkCount; i++)
        for (size_t at : {4, 8, 12, 16})
            fields.push_back(l.FirstChunk + i * l.ChunkSize + at);
    for (size_t at : fields)
        for (uint32_t value : Extremes) {
            Bytes variant = file;
            PutLe32(variant, at, value);
            Exercise(variant, good, false, "field " + std::to_string(at) + " = " + std::to_string(value));
            if (HasFatalFailure()) return;
        }
}

// Rewrites one listing chunk with one entry's field replaced (the entry by its place, or by its name
// when one is given), keeping the chunk's size.
bool MutateEntry(Bytes& file, const Layout& l, uint32_t chunk, size_t entry, int field, uint64_t value,
                 const char* name = nullptr) {
    size_t base = l.FirstChunk + static_cast<size_t>(chunk) * l.ChunkSize;
    if (base + l.ChunkSize > file.size() || memcmp(&file[base], "PMGL", 4) != 0) return false;
    uint32_t freeSpace = Get32(file, base + 4);
    const unsigned char* p = &file[base + 20];
    const unsigned char* end = &file[base] + l.ChunkSize - freeSpace;
    struct Entry {
        std::string Name;
        uint64_t Fields[3];
    };
    std::vector<Entry> entries;
    while (p < end) {
        Entry e;
        uint32_t nameLength;
        if (ReadEncInt(&p, end, &nameLength) != 0 || nameLength > static_cast<size_t>(end - p)) return false;
        e.Name.assign(reinterpret_cast<const char*>(p), nameLength);
        p += nameLength;
        for (auto& f : e.Fields) {
            uint32_t v;
            if (ReadEncInt(&p, end, &v) != 0) return false;
            f = v;
        }
        if (name && e.Name == name) entry = entries.size();
        entries.push_back(e);
    }
    if (name && (entry >= entries.size() || entries[entry].Name != name)) return false;
    if (entry >= entries.size()) return false;
    entries[entry].Fields[field] = value;
    Bytes area;
    auto encode = [&](uint64_t v) {
        unsigned char groups[10];
        int n = 0;
        do
            groups[n++] = v & 0x7F, v >>= 7;
        while (v);
        for (int i = n - 1; i >= 0; i--)
            area.push_back(static_cast<unsigned char>(groups[i] | (i ? 0x80 : 0)));
    };
    for (auto& e : entries) {
        encode(static_cast<uint32_t>(e.Name.size()));
        area.insert(area.end(), e.Name.begin(), e.Name.end());
        for (uint64_t f : e.Fields)
            encode(f);
    }
    if (area.size() > l.ChunkSize - 20) return false;
    std::copy(area.begin(), area.end(), file.begin() + base + 20);
    PutLe32(file, base + 4, l.ChunkSize - 20 - static_cast<uint32_t>(area.size()));
    return true;
}

TEST_P(ChmMutation, DirectoryEntriesAtExtremes) {
    Bytes file = ReadWholeFile(FixturePath(GetParam()));
    Reference good = Expected(GetParam());
    Layout l = LayoutOf(file);
    int variants = 0;
    for (uint32_t chunk : {0u, l.ChunkCount - 1})
        for (size_t entry = 0; entry < 40; entry += 1 + entry / 8)
            for (int field = 0; field < 3; field++)
                for (uint32_t value : Extremes) {
                    Bytes variant = file;
                    if (!MutateEntry(variant, l, chunk, entry, field, value)) continue;
                    variants++;
                    Exercise(variant, good, true,
                             "entry " + std::to_string(entry) + " field " + std::to_string(field));
                    if (HasFatalFailure()) return;
                }
    EXPECT_GT(variants, 100);
}

// large.chm with one page's directory entry given a 64-bit value in `field` (1: offset, 2: length).
Bytes WithWideEntryField(const char* name, int field, uint64_t value) {
    Bytes file = ReadWholeFile(FixturePath("large.chm"));
    Layout l = LayoutOf(file);
    for (uint32_t chunk = 0; chunk < l.ChunkCount; chunk++)
        if (MutateEntry(file, l, chunk, 0, field, value, name)) return file;
    ADD_FAILURE() << name << " is in no listing chunk";
    return file;
}

TEST(ChmWideEntries, OffsetsAndLengthsAbove32BitsAreRefusedNotCut) {
    Reference good = Expected("large.chm");
    const DirectoryRecord& part2 = good.Records.at("/part2.html");
    struct Case {
        const char* Name;
        int Field;
        uint64_t Value;
    } cases[] = {{"/part8.html", 1, (1ull << 32) + part2.Offset}, // was: /part2.html's bytes
                 {"/part8.html", 2, (1ull << 32) + 16},           // was: its first 16 bytes
                 {"/part8.html", 1, 1ull << 63},
                 {"/#SYSTEM", 1, (1ull << 32) + good.Records.at("/#SYSTEM").Offset}, // section 0
                 {"/#SYSTEM", 2, (1ull << 32) + 4}};
    for (const Case& k : cases) {
        Bytes file = WithWideEntryField(k.Name, k.Field, k.Value);
        std::string what =
            std::string(k.Name) + (k.Field == 1 ? " at " : " of length ") + std::to_string(k.Value);
        for (bool indexed : {false, true}) {
            ChmContainer* c = indexed ? OpenContainerFileIndexed(ChmFileOpenMemory(file.data(), file.size()))
                                      : OpenBytes(file);
            ASSERT_NE(c, nullptr) << what;
            unsigned char* data;
            uint32_t length;
            EXPECT_EQ(ReadObject(c, k.Name, &data, &length), -1) << what;
            for (auto& o : good.Sha) { // the rest still reads, byte for byte
                if (o.first == k.Name) continue;
                ASSERT_EQ(ReadObject(c, o.first.c_str(), &data, &length), 0) << what << ": " << o.first;
                EXPECT_EQ(Sha256Hex(data, length), o.second) << what << ": " << o.first;
                FreeObject(data);
            }
            CloseContainer(c);
        }
    }
}

// Writes a wide entry as a fuzz seed; run by hand like the writers of the other crafted files.
TEST(ChmWideEntries, DISABLED_WriteCraftedFiles) {
    std::string seeds = std::string(LUMIVO_SOURCE_DIR) + "/fuzz/seeds/fuzz_chm/";
    uint64_t part2 = Expected("large.chm").Records.at("/part2.html").Offset;
    EXPECT_TRUE(WriteWholeFile(seeds + "entry-offset-above-32-bits",
                               WithWideEntryField("/part8.html", 1, (1ull << 32) + part2)));
    EXPECT_TRUE(WriteWholeFile(seeds + "entry-length-above-32-bits",
                               WithWideEntryField("/part8.html", 2, (1ull << 32) + 16)));
}

TEST_P(ChmMutation, SectionMetadataAtExtremes) {
    // The name list's count, the control data's window size, the reset table's lengths.
    Bytes file = ReadWholeFile(FixturePath(GetParam()));
    Reference good = Expected(GetParam());
    Layout l = LayoutOf(file);
    const std::pair<const char*, std::vector<size_t>> targets[] = {
        {"::DataSpace/NameList", {0, 2, 4}},
        {"::DataSpace/Storage/MSCompressed/ControlData", {0, 4, 12, 16}},
        {"::DataSpace/Storage/MSCompressed/Transform/{7FC28940-9D31-11D0-9B27-00A0C91E9C7C}/InstanceData/"
         "ResetTable",
         {4, 16, 20, 24, 28, 40}}};
    for (auto& target : targets) {
        auto record = good.Records.find(target.first);
        ASSERT_NE(record, good.Records.end());
        size_t base = l.ContentOffset + record->second.Offset;
        for (size_t at : target.second)
            for (uint32_t value : Extremes) {
                Bytes variant = file;
                if (at == 2 && std::string(target.first) == "::DataSpace/NameList") { // a 16-bit count
                    variant[base + 2] = static_cast<unsigned char>(value),
                                   variant[base + 3] = value >> 8 & 0xFF;
                } else {
                    PutLe32(variant, base + at, value);
                }
                Exercise(variant, good, false, std::string(target.first) + " +" + std::to_string(at));
                if (HasFatalFailure()) return;
            }
    }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, ChmMutation, ::testing::Values("titles.chm", "cyrillic.chm", "many.chm"),
                         [](const ::testing::TestParamInfo<const char*>& fixture) {
                             std::string name = fixture.param;
                             return name.substr(0, name.find('.'));
                         });

TEST(ChmRegression, CommittedFaultFilesReadSafely) {
    std::string dir = FixtureDir() + "/regressions";
    DIR* d = opendir(dir.c_str());
    ASSERT_NE(d, nullptr) << dir;
    int files = 0;
    while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        bool plain = name.size() > 4 && name.substr(name.size() - 4) == ".chm";
        bool packed = name.size() > 7 && name.substr(name.size() - 7) == ".chm.gz";
        if (!plain && !packed) continue;
        files++;
        Exercise(ReadWholeFile(dir + "/" + name), Reference(), false, name);
    }
    closedir(d);
    EXPECT_GT(files, 0);
}

} // namespace

namespace {

// Writes the regression files above from the test writer; run once by hand with
// --gtest_also_run_disabled_tests --gtest_filter='*WriteRegressionFiles*' after a change.
TEST(ChmRegression, DISABLED_WriteRegressionFiles) {
    auto base = [] {
        ChmBuilder b;
        b.Plain = {{"/plain.txt", "plain bytes"}};
        b.Compressed = {{"/#TOPICS", std::string(32, '\0')},
                        {"/#STRINGS", std::string("\0Title\0", 7)},
                        {"/#URLTBL", std::string(12, '\0')},
                        {"/#URLSTR", std::string("\0\0page.html\0", 12)},
                        {"/page.html", "<html>page</html>"}};
        return b;
    };
    auto write = [](const std::string& name, const Bytes& bytes) {
        FILE* f = fopen((FixtureDir() + "/regressions/" + name).c_str(), "wb");
        ASSERT_NE(f, nullptr);
        fwrite(bytes.data(), 1, bytes.size(), f);
        fclose(f);
    };
    ChmBuilder b = base();
    b.Section0Name = "MSCompressed";
    write("helper-objects-in-compressed-section-recurse.chm", b.Build());
    b = base();
    b.ChunkSize = 128;
    b.NextChunk = {1, 2, 0};
    write("listing-chain-loops-back.chm", b.Build());
    b.NextChunk = {};
    b.ChunkCountOverride = 0x7FFFFFFF;
    write("chunk-count-beyond-file.chm", b.Build());
    b = base();
    b.Raw = {{"/wrap0", 0, 0xFFFFFFF0u, 0x20}, {"/wrap1", 1, 0xFFFFFFFFu, 2}, {"/long1", 1, 1, 0xFFFFFFFFu}};
    write("offset-plus-length-wraps.chm", b.Build());
    b = base();
    b.ResetUncompressed = 0xFFFFFFFFu;
    write("reset-table-claims-4gib.chm", b.Build());
    b = base();
    b.ResetCompressed = 0x7FFFFFFF;
    write("compressed-length-beyond-content.chm", b.Build());
    b = base();
    b.WindowCode = 3;
    write("window-size-code-3.chm", b.Build());
    b = base();
    Bytes file = b.Build();
    Layout l = LayoutOf(file);
    Bytes nameList = file;
    nameList[l.ContentOffset + 2] = 0xFF, nameList[l.ContentOffset + 3] = 0xFF; // NameList comes first
    write("name-list-count-beyond-object.chm", nameList);
    Bytes cutEntry = file;
    PutLe32(cutEntry, l.FirstChunk + 4, l.ChunkSize - 20 - 14); // area ends inside the first entries
    write("entry-runs-past-chunk-end.chm", cutEntry);
    Bytes longName = file;
    longName[l.FirstChunk + 20] = 0x7F; // the first name claims 127 bytes
    PutLe32(longName, l.FirstChunk + 4, l.ChunkSize - 20 - 40);
    write("name-length-past-chunk-end.chm", longName);
    Bytes encInt = file;
    for (size_t i = l.FirstChunk + 20; i < l.FirstChunk + 60; i++)
        encInt[i] = 0xFF; // an endless variable-length integer
    write("encoded-integer-without-end.chm", encInt);
    b = base();
    b.Compressed[0].second = std::string("\0\0\0\0\xF0\xFF\xFF\xFF\0\0\0\0\0\0\0\0", 16) +
                             std::string("\0\0\0\0\x01\0\0\0\xFF\xFF\xFF\xFF\0\0\0\0", 16) +
                             std::string("\0\0\0\0\x01\0\0\0\0\0\0\0\0\0", 14);
    b.Compressed[2].second = std::string("\0\0\0\0\0\0\0\0\xF0\xFF\xFF\x7F", 12);
    write("topic-offsets-outside-tables.chm", b.Build());
}

} // namespace
