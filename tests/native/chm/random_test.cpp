// Random access through the reset table, by operation: extract (the independent reader's bytes
// and the sequential decode's, in any order, from one container or a fresh one per read), what a
// read decodes (units, frames, the span cache), and the fallback to the whole section when the
// table cannot be trusted.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

#include "badfiles.h"
#include "fixtures.h"
#include "lzx_writer.h"
#include "chm/lebytes.h"
#include "sha256.h"
#include "find/topics.h"

namespace {

// A compressed section made by the test writer, window after window of literals and matches
// (verbatim, aligned and uncompressed blocks). Matches stay inside their group of
// `historyWindows` windows: with 1 the stream really restarts at every window, with 2 it keeps
// its history across every other window fill.
struct Section {
    Bytes Stream;
    std::vector<uint64_t> Frames; // stream offset of every 32 KB frame
    std::string Data;
    int Bits;
};

Section MakeSection(int bits, uint32_t length, uint32_t seed, uint32_t historyWindows = 1) {
    const uint32_t window = 1u << bits;
    std::mt19937 rng(seed);
    const char alphabet[] = "<html> the quick brown fox jumps over lazy dogs </p>\r\n";
    LzxWriter w(bits);
    for (uint32_t start = 0, k = 0; start < length; start += window, k++) {
        uint32_t end = std::min(start + window, length);
        if (end == length && (end - start) % 2 == 1) { // an odd uncompressed block ends the section
            std::vector<unsigned char> raw(end - start);
            for (auto& b : raw)
                b = static_cast<unsigned char>(alphabet[rng() % (sizeof alphabet - 1)]);
            w.Uncompressed(raw, 1, 1, 1);
            break;
        }
        uint32_t groupStart = k / historyWindows * historyWindows * window;
        std::vector<LzxToken> tokens;
        for (uint32_t pos = start; pos < end;) {
            uint32_t history = pos - groupStart;
            uint32_t room = std::min(end - pos, 32768 - pos % 32768);
            if (history >= 64 && room >= 3 && rng() % 4 != 0) {
                uint32_t len = std::min<uint32_t>(static_cast<uint32_t>(3 + rng() % 120), room);
                uint32_t reach = std::min(history, window - 3); // the largest offset a slot holds
                // Reach back far in later windows of a group, so that they do need the earlier.
                uint32_t offset = pos - start < reach && rng() % 2 ? reach - rng() % 64 : 1 + rng() % reach;
                tokens.push_back(Match(len, offset));
                pos += len;
            } else {
                tokens.push_back(Lit(static_cast<unsigned char>(alphabet[rng() % (sizeof alphabet - 1)])));
                pos++;
            }
        }
        k % 3 == 1 ? w.Aligned(tokens) : w.Verbatim(tokens);
    }
    Section s;
    s.Stream = w.Finish();
    s.Frames = w.FrameStarts();
    s.Data.assign(w.Expected().begin(), w.Expected().end());
    s.Bits = bits;
    return s;
}

// The section cut into objects of varied sizes, one of them empty, in a container whose reset
// table and control data are the real ones unless the test changes them.
ChmBuilder BuilderFor(const Section& s, uint32_t seed = 1) {
    ChmBuilder b;
    b.WindowCode = 1u << (s.Bits - 15);
    b.ResetInterval = b.WindowCode; // one window, in frames
    b.Stream = s.Stream;
    b.ResetEntries = s.Frames;
    std::mt19937 rng(seed);
    for (size_t at = 0, n = 0; at < s.Data.size(); n++) {
        size_t size = n == 3 ? 0 : std::min<size_t>(1 + rng() % 40000, s.Data.size() - at);
        char name[32];
        snprintf(name, sizeof name, "/p%04zu.html", n);
        b.Compressed.push_back({name, s.Data.substr(at, size)});
        at += size;
    }
    return b;
}

const char LargeResetTable[] = "::DataSpace/Storage/MSCompressed/Transform/"
                               "{7FC28940-9D31-11D0-9B27-00A0C91E9C7C}/InstanceData/ResetTable";

typedef std::map<std::string, std::string> Expected; // name -> SHA-256 of its bytes

Expected ExpectedOf(const ChmBuilder& b) {
    Expected e;
    for (auto& o : b.Compressed)
        e[o.first] = Sha256Hex(o.second.data(), o.second.size());
    for (auto& o : b.Plain)
        e[o.first] = Sha256Hex(o.second.data(), o.second.size());
    return e;
}

struct Cost {
    uint32_t WholeDecodes = 0, SpanDecodes = 0, Frames = 0;
};

// Reads every expected object in a shuffled order, through one container or a fresh one per
// read, and checks its bytes.
Cost ReadAll(const Bytes& file, const Expected& expected, bool freshPerRead, unsigned seed,
             const std::string& what) {
    std::vector<std::string> order;
    for (auto& e : expected)
        order.push_back(e.first);
    std::shuffle(order.begin(), order.end(), std::mt19937(seed));
    Cost cost;
    ChmContainer* shared = freshPerRead ? nullptr : OpenBytes(file);
    for (auto& name : order) {
        ChmContainer* c = freshPerRead ? OpenBytes(file) : shared;
        EXPECT_NE(c, nullptr) << what;
        if (!c) return cost;
        unsigned char* data;
        uint32_t length;
        if (ReadObject(c, name.c_str(), &data, &length) != 0) {
            ADD_FAILURE() << what << ": " << name << " does not read";
        } else {
            EXPECT_EQ(Sha256Hex(data, length), expected.at(name)) << what << ": " << name;
            FreeObject(data);
        }
        if (freshPerRead) {
            cost.WholeDecodes += c->WholeDecodes, cost.SpanDecodes += c->SpanDecodes;
            cost.Frames += c->FramesDecoded;
            CloseContainer(c);
        }
    }
    if (shared) {
        cost = {shared->WholeDecodes, shared->SpanDecodes, shared->FramesDecoded};
        CloseContainer(shared);
    }
    return cost;
}

Expected FromManifest(const std::vector<ExpectedObject>& objects) {
    Expected e;
    for (auto& o : objects)
        e[o.Name] = o.Sha256;
    return e;
}

// ---- extract ----

TEST(ChmRandomAccess, EveryObjectOfRealFilesInAnyOrderAndFromFreshContainers) {
    auto manifest = LoadManifest(FixturePath("expected.tsv"));
    std::string debian = std::string(LUMIVO_SOURCE_DIR) + "/build/chm-debian";
    auto shipped = LoadManifest(debian + "/expected.tsv"); // fetched by the container tests
    std::vector<std::pair<std::string, Expected>> files;
    for (auto& m : manifest)
        files.push_back({FixturePath(m.first), FromManifest(m.second)});
    for (auto& m : shipped)
        files.push_back({debian + "/" + m.first, FromManifest(m.second)});
    ASSERT_GE(files.size(), 5u);
    for (auto& f : files) {
        Bytes file = ReadWholeFile(f.first);
        for (bool fresh : {false, true}) {
            Cost cost = ReadAll(file, f.second, fresh, 7, f.first);
            EXPECT_EQ(cost.WholeDecodes, 0u) << f.first << ": the reset table was not used";
            EXPECT_GT(cost.SpanDecodes, 0u) << f.first;
        }
    }
}

TEST(ChmRandomAccess, GeneratedSectionsOfEveryWindowSizeReadAsTheSequentialDecode) {
    for (int bits : {15, 16, 17, 19, 21}) {
        SCOPED_TRACE(bits);
        Section s = MakeSection(bits, (7u << bits) / 2 + 1001, bits);
        ChmBuilder b = BuilderFor(s);
        Bytes file = b.Build();
        Expected expected = ExpectedOf(b);
        Cost one = ReadAll(file, expected, false, 3, "one container");
        EXPECT_EQ(one.WholeDecodes, 0u);
        EXPECT_EQ(one.Frames, (s.Data.size() + 32767) / 32768) << "every frame decoded once";
        Cost fresh = ReadAll(file, expected, true, 4, "fresh containers");
        EXPECT_EQ(fresh.WholeDecodes, 0u);
        // The same bytes as the sequential decode of the whole section.
        b.FrameLength = 0x10000;
        Cost whole = ReadAll(b.Build(), expected, false, 5, "sequential");
        EXPECT_EQ(whole.WholeDecodes, 1u);
    }
}

// ---- what a read decodes ----

TEST(ChmRandomAccess, AReadDecodesOnlyTheUnitsItTouches) {
    Section s = MakeSection(15, 8 * 32768, 21); // eight units of one frame
    ChmBuilder b = BuilderFor(s);
    b.Compressed = {{"/first", s.Data.substr(0, 100)},
                    {"/middle", s.Data.substr(100, 3 * 32768)}, // units 0..3
                    {"/last", s.Data.substr(100 + 3 * 32768)}}; // units 3..7
    b.Compressed.push_back({"/tail", ""});
    Bytes file = b.Build();
    ChmContainer* c = OpenBytes(file);
    ASSERT_NE(c, nullptr);
    std::string bytes;
    ASSERT_TRUE(ReadString(c, "/last", &bytes));
    EXPECT_EQ(bytes, b.Compressed[2].second);
    // Units 3 to 7, and unit 2 whose end must be unit 3's start; not the section's start. (Units
    // 6 and 7 are the ones the first read checks the table against.)
    EXPECT_EQ(c->FramesDecoded, 6u);
    ASSERT_TRUE(ReadString(c, "/first", &bytes));
    EXPECT_EQ(c->FramesDecoded, 7u);
    ASSERT_TRUE(ReadString(c, "/middle", &bytes)); // units 1 and 2 are new
    EXPECT_EQ(bytes, b.Compressed[1].second);
    EXPECT_EQ(c->FramesDecoded, 8u);
    ASSERT_TRUE(ReadString(c, "/tail", &bytes)); // empty: nothing to decode
    // Units a read covers whole are decoded into its block and not kept: reading "/last" again
    // decodes units 4 and 5 again; unit 3, which it covers in part, and units 6 and 7, decoded to
    // check the table, come from the cache.
    ASSERT_TRUE(ReadString(c, "/last", &bytes));
    EXPECT_EQ(bytes, b.Compressed[2].second);
    EXPECT_EQ(c->FramesDecoded, 10u);
    EXPECT_EQ(c->CachedSpanBytes, 5u * 32768) << "units 0, 2, 3, 6 and 7";
    EXPECT_EQ(c->WholeDecodes, 0u);
    CloseContainer(c);

    // A real file: the last object of large.chm's 406 KB section decodes one 64 KB unit.
    c = OpenContainer(FixturePath("large.chm").c_str());
    ASSERT_NE(c, nullptr);
    const DirectoryRecord* last = nullptr;
    for (uint32_t i = 0; i < c->DirectoryCount; i++)
        if (c->Directory[i].Section == 1 && c->Directory[i].Length > 0 &&
            (!last || c->Directory[i].Offset > last->Offset))
            last = &c->Directory[i];
    ASSERT_NE(last, nullptr);
    ASSERT_GT(last->Offset, 6u * 65536);
    ASSERT_TRUE(ReadString(c, last->Name, &bytes));
    EXPECT_EQ(c->FramesDecoded, 3u); // the last two units, which check the table: 2 frames and 1
    CloseContainer(c);
}

TEST(ChmRandomAccess, TheFourTopicTablesDecodeEachOfTheirUnitsOnce) {
    for (const char* fixture : {"many.chm", "large.chm", "titles.chm"}) {
        SCOPED_TRACE(fixture);
        ChmContainer* c = OpenContainer(FixturePath(fixture).c_str());
        ASSERT_NE(c, nullptr);
        // The units the tables touch, the one before each (its end is their start), and the last
        // two, which the first read checks the table against.
        std::string reset;
        ASSERT_TRUE(ReadString(c, LargeResetTable, &reset));
        uint32_t unitCount = (ReadLe32(reinterpret_cast<const unsigned char*>(&reset[16])) + 65535) / 65536;
        std::set<uint32_t> units = {unitCount - 1, unitCount >= 2 ? unitCount - 2 : 0};
        for (const char* table : {"/#TOPICS", "/#STRINGS", "/#URLTBL", "/#URLSTR"}) {
            const DirectoryRecord* r = FindDirectoryRecord(c, table);
            ASSERT_NE(r, nullptr);
            ASSERT_EQ(r->Section, 1u);
            for (uint32_t u = r->Offset / 65536; u <= (r->Offset + r->Length - 1) / 65536; u++)
                units.insert(u), units.insert(u ? u - 1 : 0);
        }
        TopicTables tables;
        ASSERT_EQ(ReadTopicTables(c, &tables), 0);
        EXPECT_LE(c->FramesDecoded, 2 * units.size());
        EXPECT_GE(c->FramesDecoded, 2 * units.size() - 1); // the section's last unit may be one frame
        EXPECT_EQ(c->SpanDecodes, units.size());           // each once
        FreeTopicTables(&tables);
        CloseContainer(c);
    }
}

TEST(ChmRandomAccess, TheSpanCacheKeepsToItsBudget) {
    Section s = MakeSection(16, 12u << 20, 31);
    ChmBuilder b = BuilderFor(s);
    Bytes file = b.Build();
    ChmContainer* c = OpenBytes(file);
    ASSERT_NE(c, nullptr);
    for (auto& o : b.Compressed) {
        std::string bytes;
        ASSERT_TRUE(ReadString(c, o.first, &bytes));
        ASSERT_EQ(bytes, o.second);
    }
    EXPECT_LE(c->PeakCachedBytes, ChmSpanCacheBytes + (2u << 20));
    EXPECT_GE(c->PeakCachedBytes, ChmSpanCacheBytes); // the budget is used
    EXPECT_EQ(c->DecodedBytes, c->CachedSpanBytes);   // nothing else is held between reads
    EXPECT_LE(c->PeakDecodedBytes, ChmSpanCacheBytes + (4u << 20));
    // In order: each unit once, and the last two again, checked at the first read and dropped since.
    EXPECT_EQ(c->FramesDecoded, (s.Data.size() + 32767) / 32768 + 4);
    CloseContainer(c);
    Cost shuffled = ReadAll(file, ExpectedOf(b), false, 9, "shuffled");
    EXPECT_EQ(shuffled.WholeDecodes, 0u);
}

// ---- the fallback ----

// Reads every object of a changed container: the bytes stay right, through one whole decode.
void ExpectTheWholeSectionServes(ChmBuilder b, const std::string& what) {
    Cost cost = ReadAll(b.Build(), ExpectedOf(b), false, 11, what);
    EXPECT_EQ(cost.WholeDecodes, 1u) << what;
}

TEST(ChmFallback, AResetTableThatCannotBeTrustedFallsBackToTheWholeSection) {
    Section s = MakeSection(16, 6 * 65536 + 5000, 41);
    ChmBuilder good = BuilderFor(s);
    ASSERT_EQ(ReadAll(good.Build(), ExpectedOf(good), false, 11, "sound").WholeDecodes, 0u);

    ChmBuilder b = good;
    b.WriteResetTable = false; // the span info gives the length
    ExpectTheWholeSectionServes(b, "missing table");
    b = good;
    b.ResetEntries.resize(7); // frames 0..6: units 4 and 5 have no entry
    ExpectTheWholeSectionServes(b, "short table");
    b = good;
    b.ResetEntries[4] = s.Stream.size() + 100;
    ExpectTheWholeSectionServes(b, "entry past the stream");
    b = good;
    std::swap(b.ResetEntries[2], b.ResetEntries[4]);
    ExpectTheWholeSectionServes(b, "entries not increasing");
    b = good;
    b.ResetEntries[0] = 2;
    ExpectTheWholeSectionServes(b, "the first unit not at 0");
    b = good;
    b.FrameLength = 0x10000;
    ExpectTheWholeSectionServes(b, "frame length");
    b = good;
    b.ResetInterval = 0;
    ExpectTheWholeSectionServes(b, "no interval");
    b = good;
    b.ResetEntries[6] += 2; // inside the stream, a word off
    ExpectTheWholeSectionServes(b, "entry a word off");
}

TEST(ChmFallback, ADeclaredIntervalTheStreamDoesNotFollow) {
    // The stream keeps its history across every other window fill: it restarts every 128 KB.
    Section s = MakeSection(16, 6 * 65536, 43, 2);
    ChmBuilder b = BuilderFor(s);
    b.ResetInterval = 2; // declares 64 KB
    ExpectTheWholeSectionServes(b, "64 KB declared");
    b.ResetInterval = 4; // 128 KB, as the stream does
    Cost cost = ReadAll(b.Build(), ExpectedOf(b), true, 12, "128 KB declared");
    EXPECT_EQ(cost.WholeDecodes, 0u);
    b.ResetInterval = 8; // 256 KB: the stream restarts there too
    cost = ReadAll(b.Build(), ExpectedOf(b), true, 13, "256 KB declared");
    EXPECT_EQ(cost.WholeDecodes, 0u);
    b.ResetInterval = 3; // 96 KB: with the window, every 192 KB, half of them no restart
    ExpectTheWholeSectionServes(b, "96 KB declared");
}

// Units of two frames over a stream that restarts every frame: an entry moved to the frame after
// its own still starts a clean decode, and when the next unit's entry is moved the same way, that
// unit's bytes (the wrong ones: frames 3 and 4 for frames 2 and 3) end exactly at the next entry.
// Only the unit before it shows the fault: it ends where the entry should have been.
TEST(ChmFallback, AUnitWhosePredecessorEndsElsewhereIsNotBelieved) {
    Section s = MakeSection(15, 16 * 32768, 47);
    ChmBuilder b = BuilderFor(s);
    b.ResetInterval = 2; // 64 KB units; the stream restarts at every 32 KB window fill
    ASSERT_EQ(ReadAll(b.Build(), ExpectedOf(b), false, 14, "sound").WholeDecodes, 0u);
    b.ResetEntries[2] = s.Frames[3]; // unit 1
    b.ResetEntries[4] = s.Frames[5]; // unit 2: ends at frame 7, not at unit 3's frame 6
    Bytes file = b.Build();
    for (unsigned seed : {15u, 16u, 17u}) {
        Cost cost = ReadAll(file, ExpectedOf(b), false, seed, "unit 1 shifted");
        EXPECT_EQ(cost.WholeDecodes, 1u)
            << "units 1 and 2 from the sequential decode, the others by themselves";
    }
    ReadAll(file, ExpectedOf(b), true, 18, "unit 1 shifted, a container a read");
}

TEST(ChmFallback, ADamagedUnitFailsAloneWhenTheWholeDecodeFailsToo) {
    Section s = MakeSection(15, 8 * 32768, 45);
    ChmBuilder b = BuilderFor(s);
    b.Compressed.clear();
    for (int unit = 0; unit < 8; unit++)
        b.Compressed.push_back({"/u" + std::to_string(unit), s.Data.substr(unit * 32768, 32768)});
    size_t at = static_cast<size_t>(s.Frames[5]);
    b.Stream[at] = b.Stream[at + 1] = 0; // unit 5 starts with block type 0
    Bytes file = b.Build();
    ChmContainer* c = OpenBytes(file);
    ASSERT_NE(c, nullptr);
    std::string bytes;
    EXPECT_FALSE(ReadString(c, "/u5", &bytes));
    EXPECT_EQ(c->WholeDecodes, 1u); // tried, and failed at the same place
    for (int unit : {7, 0, 4, 6}) {
        ASSERT_TRUE(ReadString(c, "/u" + std::to_string(unit), &bytes)) << unit;
        EXPECT_EQ(bytes, b.Compressed[unit].second) << unit;
    }
    EXPECT_FALSE(ReadString(c, "/u5", &bytes));
    EXPECT_EQ(c->WholeDecodes, 1u); // not tried again
    CloseContainer(c);
}

TEST(ChmFallback, TheSequentialDecodeRunsOnlyAsFarAsTheObjectAndNeverPastItsReach) {
    Section s = MakeSection(16, 3 * 65536, 47);
    ChmBuilder b = BuilderFor(s);
    b.WriteResetTable = false;
    b.SpanInfoLength = 300u << 20;                  // a section of 300 MB, said the span info
    b.Stream.resize((300u << 20) / 2048 + 4096, 0); // a stream long enough to make it plausible
    b.Raw = {{"/far", 1, 280u << 20, 10}};
    Bytes file = b.Build();
    ChmContainer* c = OpenBytes(file);
    ASSERT_NE(c, nullptr);
    std::string bytes;
    ASSERT_TRUE(ReadString(c, b.Compressed[0].first, &bytes)); // decoded up to its end only
    EXPECT_EQ(bytes, b.Compressed[0].second);
    EXPECT_EQ(c->FramesDecoded, (b.Compressed[0].second.size() + 32767) / 32768);
    EXPECT_FALSE(ReadString(c, "/far", &bytes)); // past the reach: refused before any decoding
    EXPECT_EQ(c->WholeRefusals, 1u);
    EXPECT_EQ(c->FramesDecoded, (b.Compressed[0].second.size() + 32767) / 32768);
    EXPECT_LE(c->PeakDecodedBytes, ChmDecodeBudget);
    CloseContainer(c);
}

} // namespace

// ---- one answer per object ----

namespace {

// Where a plain object of a real file lies in it.
size_t PlainAt(const Bytes& file, const char* name) {
    ChmContainer* c = OpenBytes(file);
    const DirectoryRecord* r = c ? FindDirectoryRecord(c, name) : nullptr;
    size_t at = r ? static_cast<size_t>(c->ContentOffset + r->Offset) : 0;
    CloseContainer(c);
    return at;
}

// large.chm (seven 64 KB units, a frame entry each 32 KB) with its reset table's entries moved
// one unit on from unit `from`: each unit's span from there still ends where the next entry says,
// but holds the next unit's bytes; the last unit's entry points into the middle of the stream.
Bytes ShiftedResetTable(uint32_t from) {
    Bytes file = ReadWholeFile(FixturePath("large.chm"));
    size_t table = PlainAt(file, LargeResetTable);
    uint32_t count = ReadLe32(&file[table + 4]);
    size_t entries = table + ReadLe32(&file[table + 12]);
    uint64_t compressed = ReadLe64(&file[table + 24]);
    std::vector<uint64_t> old(count);
    for (uint32_t i = 0; i < count; i++)
        old[i] = ReadLe64(&file[entries + 8 * i]);
    for (uint32_t f = 2 * from; f < count; f++) {
        uint64_t v = f + 2 < count ? old[f + 2] : (old[count - 1] + compressed) / 2 + f;
        if (f + 2 >= count && v >= compressed) v = compressed - 1;
        for (int k = 0; k < 8; k++)
            file[entries + 8 * f + k] = static_cast<unsigned char>(v >> (8 * k));
    }
    return file;
}

} // namespace

TEST(ChmOneAnswer, AResetTableShiftedByOneUnitReadsTheSameWhateverTheOrder) {
    Expected expected = FromManifest(LoadManifest(FixturePath("expected.tsv"))["large.chm"]);
    ASSERT_EQ(expected.erase(LargeResetTable), 1u); // the one object patched
    for (uint32_t from : {2u, 3u, 5u}) {
        Bytes file = ShiftedResetTable(from);
        std::string what = "shifted from unit " + std::to_string(from);
        // Forward, backward, the last object first, shuffled, and a fresh container per read.
        ReadAll(file, expected, false, 1, what + ", shuffled");
        ReadAll(file, expected, false, 2, what + ", shuffled again");
        ReadAll(file, expected, true, 3, what + ", fresh containers");
        std::vector<std::string> names;
        for (auto& e : expected)
            names.push_back(e.first);
        for (bool backward : {false, true}) {
            ChmContainer* c = OpenBytes(file);
            ASSERT_NE(c, nullptr);
            for (size_t i = 0; i < names.size(); i++) {
                const std::string& name = names[backward ? names.size() - 1 - i : i];
                EXPECT_LE(c->DecodedBytes, ChmDecodeBudget);
                unsigned char* data;
                uint32_t length;
                ASSERT_EQ(ReadObject(c, name.c_str(), &data, &length), 0) << what << " " << name;
                EXPECT_EQ(Sha256Hex(data, length), expected.at(name))
                    << what << (backward ? ", backward " : ", forward ") << name;
                FreeObject(data);
            }
            CloseContainer(c);
        }
    }
}

// ---- reset table lengths read with the peer's tolerance ----

namespace {

// large.chm with the reset table's 64-bit field at `field` (16: uncompressed, 24: compressed
// length) moved by `delta`.
Bytes ResetLengthMoved(int field, int64_t delta, uint64_t* value = nullptr) {
    Bytes file = ReadWholeFile(FixturePath("large.chm"));
    size_t at = PlainAt(file, LargeResetTable) + field;
    uint64_t v = ReadLe64(&file[at]) + delta;
    for (int k = 0; k < 8; k++)
        file[at + k] = static_cast<unsigned char>(v >> (8 * k));
    if (value) *value = v;
    return file;
}

} // namespace

TEST(ChmTolerance, AnUncompressedLengthAFewBytesIntoAUnitWithoutAnEntryStillReadsEveryObject) {
    Expected expected = FromManifest(LoadManifest(FixturePath("expected.tsv"))["large.chm"]);
    ASSERT_EQ(expected.erase(LargeResetTable), 1u);
    // 406,671 bytes in seven 64 KB units, whose entries start 13 frames; unit 7 has none.
    for (int64_t past : {4, 100, 30000}) {
        uint64_t length;
        Bytes file = ResetLengthMoved(16, 7 * 65536 + past - 406671, &length);
        ASSERT_EQ(length, 7u * 65536 + past);
        std::string what = "uncompressed length " + std::to_string(length);
        ReadAll(file, expected, false, 1, what);
        ReadAll(file, expected, true, 2, what + ", fresh containers");
    }
}

TEST(ChmTolerance, ACompressedLengthOneMoreThanTheContentStillReadsEveryObject) {
    Expected expected = FromManifest(LoadManifest(FixturePath("expected.tsv"))["large.chm"]);
    ASSERT_EQ(expected.erase(LargeResetTable), 1u);
    for (int64_t more : {1, 2}) {
        Bytes file = ResetLengthMoved(24, more);
        std::string what = "compressed length " + std::to_string(more) + " past the content";
        ReadAll(file, expected, false, 1, what);
        ReadAll(file, expected, true, 2, what + ", fresh containers");
    }
}

// Writes the files crafted above as a regression file and as fuzz seeds; run once by hand with
// --gtest_also_run_disabled_tests --gtest_filter='*WriteCraftedFiles*' after a change.
TEST(ChmOneAnswer, DISABLED_WriteCraftedFiles) {
    std::string seeds = std::string(LUMIVO_SOURCE_DIR) + "/fuzz/seeds/fuzz_chm/";
    Bytes shifted = ShiftedResetTable(3);
    EXPECT_TRUE(
        WriteWholeFile(FixtureDir() + "/regressions/reset-table-shifted-one-unit-from-unit-3.chm", shifted));
    EXPECT_TRUE(WriteWholeFile(seeds + "reset-table-shifted-one-unit", shifted));
    EXPECT_TRUE(WriteWholeFile(seeds + "uncompressed-length-past-the-entries",
                               ResetLengthMoved(16, 7 * 65536 + 4 - 406671)));
    EXPECT_TRUE(WriteWholeFile(seeds + "compressed-length-one-past-the-content", ResetLengthMoved(24, 1)));
    EXPECT_TRUE(
        WriteWholeFile(seeds + "four-aliases-over-an-untrusted-table", ExpansionBomb(1u << 20, 4, true)));
}
