// Keyword indexes that lie: entry counts past their block, child links to the block itself, to an
// ancestor or out of range, a header wrong about the depth, the block size, the block count, the
// root or the last listing block, a keyword without its terminator, and every truncation and
// many mutations of a real index. Each gives what can be read safely (a lookup as good as a walk
// over the entries where the entries are sound), a clear refusal, or nothing; never a crash, a
// read outside the object or a walk without end.
#include <gtest/gtest.h>

#include <string.h>

#include <random>

#include "find/keywords.h"
#include "fixtures.h"
#include "text/htmltext.h"
#include "keyword_writer.h"

namespace {

void Set32(std::string& s, size_t at, uint32_t v) {
    for (int i = 0; i < 4; i++)
        s[at + i] = static_cast<char>(v >> (8 * i) & 0xFF);
}
void Set16(std::string& s, size_t at, uint32_t v) {
    s[at] = static_cast<char>(v & 0xFF);
    s[at + 1] = static_cast<char>(v >> 8 & 0xFF);
}

struct Reading {
    KeywordIndexKind Kind = KeywordIndexNone;
    const char* Refusal = nullptr;
    KeywordStatus Status = KeywordOk;
    std::vector<std::u16string> Keywords;
    uint32_t BlocksRead = 0;
};

bool Collect(void* context, const KeywordEntry& e) {
    static_cast<Reading*>(context)->Keywords.push_back(e.Keyword);
    return true;
}

Reading Read(const std::string& index, const std::u16string& prefix, const std::string& hhk = "") {
    ChmBuilder b;
    b.Plain = TopicTableObjects({{"A", "a.html"}});
    b.Plain.push_back({"/$WWKeywordLinks/BTree", index});
    if (!hhk.empty()) b.Plain.push_back({"/help.hhk", hhk});
    Bytes file = b.Build();
    ChmContainer* c = OpenBytes(file);
    Reading r;
    KeywordIndex* x;
    KeywordText text = {BuiltInUpperHalf(1252), nullptr};
    EXPECT_EQ(KeywordOk, OpenKeywordIndex(c, "help", text, &x));
    r.Kind = KeywordIndexKindOf(x);
    r.Refusal = KeywordIndexRefusal(x);
    r.Status = VisitKeywords(x, prefix.data(), prefix.size(), Collect, &r);
    r.BlocksRead = KeywordBlocksRead(x);
    CloseKeywordIndex(x);
    CloseContainer(c);
    return r;
}

// 120 keywords "K000" ... "K119" in a three-level tree of small blocks.
std::vector<WrittenEntry> Numbered() {
    std::vector<WrittenEntry> entries;
    for (int i = 0; i < 120; i++) {
        char word[16];
        snprintf(word, sizeof word, "K%03d", i);
        entries.push_back(Keyword(std::u16string(word, word + 4), {0}));
    }
    return entries;
}

std::vector<std::u16string> Expected(int from, int to) {
    std::vector<std::u16string> out;
    for (int i = from; i < to; i++) {
        char word[16];
        snprintf(word, sizeof word, "K%03d", i);
        out.push_back(std::u16string(word, word + 4));
    }
    return out;
}

class WrittenIndex : public ::testing::Test {
  protected:
    KeywordIndexWriter w;
    std::string index;
    void SetUp() override {
        w.MaxEntriesPerBlock = 4;
        index = w.Build(Numbered());
        ASSERT_GE(w.Levels, 3u);
    }
    // The first child link of an index block (its left child).
    size_t LeftOf(uint32_t block) const { return BlockAt(w, block) + 4; }
};

TEST_F(WrittenIndex, SoundAsWritten) {
    Reading r = Read(index, u"K07");
    EXPECT_EQ(KeywordOk, r.Status);
    EXPECT_EQ(Expected(70, 80), r.Keywords);
    EXPECT_LE(r.BlocksRead, w.Levels + 3);
}

TEST_F(WrittenIndex, ChildLinksThatCannotBeRightAreNotFollowed) {
    // To the block itself, to an ancestor (the root), out of range: the listing blocks are searched
    // instead, which finds the same entries.
    uint32_t below = w.Root - 1; // an index block under the root
    for (uint32_t target : {below, w.Root, 0xFFFFFFF0u, w.Blocks}) {
        SCOPED_TRACE(target);
        std::string damaged = index;
        Set32(damaged, LeftOf(below), target);
        Set32(damaged, LeftOf(w.Root), below);
        for (const char* word : {"K000", "K05", "K11"}) {
            std::u16string prefix(word, word + strlen(word));
            Reading r = Read(damaged, prefix);
            EXPECT_EQ(KeywordOk, r.Status) << word;
            std::vector<std::u16string> all = Read(index, prefix).Keywords;
            EXPECT_EQ(all, r.Keywords) << word;
            EXPECT_LE(r.BlocksRead, 2 * w.Levels + 12) << word; // a binary search, not a walk
        }
    }
}

TEST_F(WrittenIndex, EntryCountsPastTheBlockStopAtItsUsedArea) {
    std::string damaged = index;
    for (uint32_t n = 0; n < w.Blocks; n++)
        Set16(damaged, BlockAt(w, n) + 2, 0xFFFF);
    EXPECT_EQ(Expected(0, 120), Read(damaged, u"").Keywords);
    EXPECT_EQ(Expected(100, 110), Read(damaged, u"K10").Keywords);
    // A free-space field larger than the block: the block holds nothing.
    Set16(damaged, BlockAt(w, 0), 0xFFFF);
    EXPECT_EQ(Expected(4, 120), Read(damaged, u"").Keywords);
}

TEST_F(WrittenIndex, AHeaderThatLiesIsReadForWhatItCanMean) {
    struct Case {
        const char* Label;
        size_t Field;
        uint32_t Value, Width;
        bool Usable;
    };
    for (const Case& c :
         {Case{"depth", 0x2A, 60000, 2, true}, Case{"block count", 0x26, 100000, 4, true},
          Case{"root", 0x1E, 0x7FFFFFFF, 4, true}, Case{"last listing block", 0x1A, 5000, 4, true},
          Case{"block size too small", 0x04, 16, 2, false},
          Case{"block size past the object", 0x04, 4096, 2, false}, Case{"no blocks", 0x26, 0, 4, false}}) {
        SCOPED_TRACE(c.Label);
        // A one-block index, which a block of 4096 bytes would overrun.
        KeywordIndexWriter one;
        std::string damaged = c.Value == 4096 ? one.Build({Keyword(u"K1", {0})}) : index;
        if (c.Width == 2)
            Set16(damaged, c.Field, c.Value);
        else
            Set32(damaged, c.Field, c.Value);
        Reading r = Read(damaged, u"K1");
        if (!c.Usable) {
            EXPECT_EQ(KeywordIndexNone, r.Kind);
            EXPECT_NE(nullptr, r.Refusal);
            EXPECT_TRUE(r.Keywords.empty());
            // A sitemap index beside it is read instead.
            std::string hhk = "<ul><li><object type=\"text/sitemap\"><param name=\"Name\" value=\"K1\">"
                              "<param name=\"Local\" value=\"a.html\"></object></ul>";
            r = Read(damaged, u"K1", hhk);
            EXPECT_EQ(KeywordIndexSitemap, r.Kind);
            EXPECT_EQ(std::vector<std::u16string>{u"K1"}, r.Keywords);
            continue;
        }
        EXPECT_EQ(KeywordIndexBinary, r.Kind);
        // The last listing block past the real ones reads index blocks as listing ones: what they
        // hold is no entry of the index, but the walk ends.
        if (c.Field != 0x1A) {
            EXPECT_EQ(Expected(100, 120), r.Keywords);
        }
    }
    // A block size that is wrong but plausible: blocks are cut in the wrong places. Whatever comes
    // out, the reading ends.
    for (uint32_t size : {64u, 1024u, 1000u, 4096u}) {
        std::string damaged = index;
        Set16(damaged, 0x04, size);
        Read(damaged, u"K");
        Read(damaged, u"");
    }
}

TEST_F(WrittenIndex, AKeywordWithoutItsTerminatorEndsItsBlock) {
    // The third entry of block 1 runs to the block's end: the two before it stand, the block's
    // rest is lost, and the blocks after it are read.
    std::string damaged = index;
    size_t block = BlockAt(w, 1);
    size_t third = block + 12;
    for (int entry = 0; entry < 2; entry++) {
        third += 2 * 5 + 16 + 4 + 8; // "K0nn" and its terminator, the fields, one topic, the tail
    }
    for (size_t at = third; at < block + w.BlockSize; at += 2)
        Set16(damaged, at, 'x');
    Set16(damaged, block, 0);
    Reading r = Read(damaged, u"K");
    EXPECT_EQ(KeywordDamaged, r.Status);
    std::vector<std::u16string> expected = Expected(0, 6);
    for (auto& k : Expected(8, 120))
        expected.push_back(k);
    EXPECT_EQ(expected, r.Keywords);
}

TEST(KeywordIndexDamage, EveryTruncationAndManyMutationsOfARealIndexEnd) {
    Bytes file = ReadWholeFile(FixturePath("many.chm"));
    ChmContainer* c = OpenBytes(file);
    ASSERT_NE(nullptr, c);
    unsigned char* data;
    uint32_t length;
    ASSERT_EQ(0, ReadObject(c, "/$WWKeywordLinks/BTree", &data, &length));
    std::string real(reinterpret_cast<char*>(data), length);
    FreeObject(data);
    CloseContainer(c);
    // Every length up to the first three blocks, then every block boundary and its neighbours.
    for (size_t n = 0; n < real.size(); n += n < 0x4C + 3 * 2048 ? 1 : 2047)
        Read(real.substr(0, n), u"Topic 01");
    std::mt19937 random(16);
    for (int round = 0; round < 400; round++) {
        std::string damaged = real;
        for (int k = 0; k < 8; k++)
            damaged[random() % damaged.size()] = static_cast<char>(random());
        // Now and then the structural fields themselves.
        size_t block = 0x4C + 2048 * (random() % 78);
        damaged[block + random() % 12] = static_cast<char>(random());
        Read(damaged, u"Topic 1");
        Read(damaged, u"");
    }
}

} // namespace
