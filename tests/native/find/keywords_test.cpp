// The keyword index reader: every keyword and its pages as an independent reader reads them (the
// chmcmd fixtures and the Debian-shipped files, recorded once through chmls), the binary index
// against the sitemap index it was compiled from, a lookup through the tree against a walk over
// every entry (real trees of Free Pascal's and Microsoft's compilers, and written ones of every
// depth), what a lookup reads, and the sitemap reader's cases.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>

#include "find/keywords.h"
#include "fixtures.h"
#include "text/htmltext.h"
#include "keyword_writer.h"
#include "sha256.h"
#include "find/topics.h"

namespace {

std::u16string U(const char* utf8) {
    return Utf16FromUtf8(utf8, strlen(utf8));
}

// An open help file: its container, tables and keyword index.
struct Opened {
    Bytes File;
    ChmContainer* Container = nullptr;
    TopicTables Tables = {};
    bool HaveTables = false;
    KeywordIndex* Index = nullptr;

    explicit Opened(const std::string& path, const std::string& stem = "", bool fromDisk = false) {
        if (fromDisk) {
            Container = OpenContainer(path.c_str());
        } else {
            File = ReadWholeFile(path);
            Container = OpenBytes(File);
        }
        EXPECT_NE(nullptr, Container) << path;
        Open(stem);
    }
    explicit Opened(Bytes bytes) : File(std::move(bytes)) {
        Container = OpenBytes(File);
        Open("");
    }
    void Open(const std::string& stem) {
        HaveTables = ReadTopicTables(Container, &Tables) == 0;
        KeywordText text = {BuiltInUpperHalf(1252), NamedEntity};
        EXPECT_EQ(KeywordOk, OpenKeywordIndex(Container, stem.c_str(), text, &Index));
    }
    ~Opened() {
        CloseKeywordIndex(Index);
        if (HaveTables) FreeTopicTables(&Tables);
        CloseContainer(Container);
    }
};

// An entry as `kestro-cli keywords` and the recorded readings write it.
std::string Line(const KeywordEntry& e, const TopicTables* tables) {
    std::string line = Utf8FromUtf16(e.Keyword) + "\t" + std::to_string(e.Depth);
    if (e.SeeAlso) line += "\tsee also: " + Utf8FromUtf16(e.Target);
    for (uint32_t topic : e.Topics) {
        uint32_t offset;
        if (!tables || TopicPathOffset(tables, topic, &offset) != 0) {
            line += "\t(topic " + std::to_string(topic) + ")";
            continue;
        }
        line += "\t/" + std::string(reinterpret_cast<const char*>(tables->UrlStrings + offset));
    }
    for (const KeywordPage& page : e.Pages)
        line += "\t" + (page.Path[0] == '/' ? page.Path : "/" + page.Path);
    return line;
}

struct Visit {
    const TopicTables* Tables;
    std::vector<std::string> Lines;
    std::vector<KeywordEntry> Entries;
    static bool Take(void* context, const KeywordEntry& e) {
        Visit* v = static_cast<Visit*>(context);
        v->Lines.push_back(Line(e, v->Tables));
        v->Entries.push_back(e);
        return true;
    }
};

Visit Lookup(Opened& o, const std::u16string& prefix, KeywordStatus expected = KeywordOk) {
    Visit v = {o.HaveTables ? &o.Tables : nullptr, {}, {}};
    EXPECT_EQ(expected, VisitKeywords(o.Index, prefix.data(), prefix.size(), Visit::Take, &v))
        << Utf8FromUtf16(prefix);
    return v;
}

bool StartsFolded(const std::u16string& text, const std::u16string& prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); i++)
        if (FoldCase(text[i]) != FoldCase(prefix[i])) return false;
    return true;
}

// A lookup of `prefix` finds exactly the entries of the whole index that begin with it.
void ExpectLookupIsFilteredWalk(Opened& o, const std::vector<KeywordEntry>& all,
                                const std::u16string& prefix) {
    std::vector<std::string> expected;
    for (const KeywordEntry& e : all)
        if (StartsFolded(e.Keyword, prefix)) expected.push_back(Line(e, nullptr));
    Visit found = Lookup(o, prefix);
    std::vector<std::string> got;
    for (const KeywordEntry& e : found.Entries)
        got.push_back(Line(e, nullptr));
    EXPECT_EQ(expected, got) << "prefix " << Utf8FromUtf16(prefix);
}

// Prefixes worth trying against an index: each keyword, its beginnings, its case variants, and
// texts that fall between keywords.
std::vector<std::u16string> PrefixesOf(const std::vector<KeywordEntry>& all, size_t step) {
    std::vector<std::u16string> prefixes = {u"a", u"Z", u"_", u"0", u"\u044F", u"zzzz"};
    for (size_t i = 0; i < all.size(); i += step) {
        const std::u16string& k = all[i].Keyword;
        prefixes.push_back(k);
        for (size_t n : {1, 2, 3, 5})
            if (k.size() > n) prefixes.push_back(k.substr(0, n));
        std::u16string upper = k, after = k;
        for (char16_t& c : upper)
            if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
        prefixes.push_back(upper);
        after.back() = static_cast<char16_t>(after.back() + 1);
        prefixes.push_back(after);
    }
    return prefixes;
}

std::map<std::string, std::vector<std::string>> LoadKeywordRecord(const std::string& path) {
    std::map<std::string, std::vector<std::string>> record;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        size_t tab = line.find('\t');
        if (tab != std::string::npos) record[line.substr(0, tab)].push_back(line.substr(tab + 1));
    }
    return record;
}

// Our reading of every keyword of a file equals the independent reader's record of it.
void ExpectAsRecorded(const std::string& path, const std::vector<std::string>& recorded) {
    Opened o(path);
    ASSERT_EQ(KeywordIndexBinary, KeywordIndexKindOf(o.Index)) << path;
    Visit all = Lookup(o, u"");
    if (recorded.size() == 1 && recorded[0].compare(0, 8, "#digest\t") == 0) {
        std::string text;
        for (const std::string& line : all.Lines)
            text += line + "\n";
        std::istringstream fields(recorded[0]);
        std::string tag, count, sha;
        std::getline(fields, tag, '\t');
        std::getline(fields, count, '\t');
        std::getline(fields, sha);
        EXPECT_EQ(std::stoul(count), all.Lines.size()) << path;
        EXPECT_EQ(sha, Sha256Hex(text.data(), text.size())) << path;
        return;
    }
    EXPECT_EQ(recorded, all.Lines) << path;
}

// The binary index and the sitemap index it was compiled from hold the same keywords with the
// same pages (Microsoft's compiler merges a keyword's entries into one; so they are compared as
// keyword-and-page pairs).
void ExpectBinaryAgreesWithSitemap(const std::string& path, const std::string& stem, bool fromDisk = false) {
    Opened binary(path, stem, fromDisk);
    ASSERT_EQ(KeywordIndexBinary, KeywordIndexKindOf(binary.Index));
    KeywordIndex* sitemap = nullptr;
    KeywordText text = {BuiltInUpperHalf(1252), NamedEntity};
    ASSERT_EQ(KeywordOk, OpenKeywordSitemap(binary.Container, stem.c_str(), text, &sitemap));
    ASSERT_EQ(KeywordIndexSitemap, KeywordIndexKindOf(sitemap));
    auto pairs = [&](KeywordIndex* index) {
        std::vector<std::string> out;
        Visit v = {&binary.Tables, {}, {}};
        EXPECT_EQ(KeywordOk, VisitKeywords(index, u"", 0, Visit::Take, &v));
        for (const std::string& line : v.Lines) {
            std::vector<std::string> fields;
            std::istringstream in(line);
            std::string field;
            while (std::getline(in, field, '\t'))
                fields.push_back(field);
            for (size_t i = 2; i < fields.size(); i++)
                out.push_back(fields[0] + "\t" + fields[1] + "\t" + fields[i]);
            if (fields.size() == 2) out.push_back(fields[0] + "\t" + fields[1]);
        }
        std::sort(out.begin(), out.end());
        return out;
    };
    std::vector<std::string> fromBinary = pairs(binary.Index), fromSitemap = pairs(sitemap);
    // chmcmd writes an entity of its source into the binary index as it stands; Microsoft's
    // compiler resolves it.
    for (std::string& line : fromBinary)
        for (size_t at = line.find("&amp;"); at != std::string::npos; at = line.find("&amp;", at + 1))
            line.replace(at, 5, "&");
    std::sort(fromBinary.begin(), fromBinary.end());
    EXPECT_GT(fromBinary.size(), 0u);
    EXPECT_EQ(fromSitemap, fromBinary) << path;
    CloseKeywordIndex(sitemap);
}

std::string DebianDir() {
    std::string dest = std::string(LUMIVO_SOURCE_DIR) + "/build/chm-debian";
    std::string command = FixturePath("fetch-debian.sh") + " '" + dest + "'";
    return system(command.c_str()) == 0 ? dest : "";
}

std::string LclPath() {
    std::string path = std::string(LUMIVO_SOURCE_DIR) + "/build/bench-data/lcl.chm";
    return ReadWholeFile(path).empty() ? "" : path;
}

TEST(KeywordIndexRead, EveryFixtureKeywordAsTheIndependentReaderReadsIt) {
    auto record = LoadKeywordRecord(FixturePath("keywords.tsv"));
    ASSERT_GE(record.size(), 7u);
    for (const auto& file : record) {
        SCOPED_TRACE(file.first);
        ExpectAsRecorded(FixturePath(file.first), file.second);
    }
    // Sub-keywords two levels deep, see-also entries, a keyword twice, an entity as stored.
    Opened o(FixturePath("keywords.chm"));
    Visit v = Lookup(o, u"");
    EXPECT_NE(v.Lines.end(), std::find(v.Lines.begin(), v.Lines.end(),
                                       "TCustomForm, Events, OnShow\t2\t/tcustomform.onshow.html"));
    EXPECT_NE(v.Lines.end(), std::find(v.Lines.begin(), v.Lines.end(), "Display\t0\tsee also: Show"));
    EXPECT_EQ(2, std::count_if(v.Lines.begin(), v.Lines.end(),
                               [](const std::string& l) { return l.compare(0, 7, "Beta\t0\t") == 0; }));
}

TEST(KeywordIndexRead, DebianShippedFilesAsTheIndependentReaderReadsThem) {
    std::string dir = DebianDir();
    if (dir.empty()) GTEST_SKIP() << "the Debian-shipped CHMs could not be fetched";
    auto record = LoadKeywordRecord(dir + "/keywords.tsv");
    for (const char* name : {"Nini.chm", "OpenMCDF.chm"}) {
        SCOPED_TRACE(name);
        ASSERT_FALSE(record[name].empty());
        ExpectAsRecorded(dir + "/" + name, record[name]);
    }
    // Microsoft's compiler merges a keyword's pages into one entry.
    Opened o(dir + "/OpenMCDF.chm");
    Visit v = Lookup(o, u"CFCorruptedFileException constructor");
    ASSERT_EQ(1u, v.Entries.size());
    EXPECT_EQ(4u, v.Entries[0].Topics.size());
}

TEST(KeywordIndexRead, TheBinaryIndexHoldsWhatItsSitemapSays) {
    ExpectBinaryAgreesWithSitemap(FixturePath("keywords.chm"), "keywords");
    // chmcmd reads its index in UTF-8: the Cyrillic keywords come out right in both.
    ExpectBinaryAgreesWithSitemap(FixturePath("russian.chm"), "russian");
    std::string dir = DebianDir();
    if (!dir.empty()) ExpectBinaryAgreesWithSitemap(dir + "/OpenMCDF.chm", "OpenMCDF");
    std::string lcl = LclPath();
    if (!lcl.empty()) ExpectBinaryAgreesWithSitemap(lcl, "lcl", true);
}

TEST(KeywordIndexRead, CyrillicKeywordsCompareWithoutCase) {
    Opened o(FixturePath("russian.chm"));
    Visit v = Lookup(o, U("окно"));
    EXPECT_EQ(
        (std::vector<std::string>{"Окно\t0\t/okno.html", "Окно, Показать метод\t1\t/okno.pokazat.html"}),
        v.Lines);
    v = Lookup(o, U("ЁЛ")); // Ё and ё are one letter in both cases
    EXPECT_EQ((std::vector<std::string>{"Ёлка\t0\t/elka.html", "ёлочка\t0\t/elka.html#small"}), v.Lines);
    EXPECT_EQ(1u, Lookup(o, U("ПЕЧАТЬ")).Lines.size());
}

// ---- the lookup against the walk over every entry ----

TEST(KeywordIndexLookup, RealTreesFindWhatTheWholeIndexHolds) {
    std::vector<std::string> files = {FixturePath("many.chm"), FixturePath("keywords.chm"),
                                      FixturePath("russian.chm")};
    std::string dir = DebianDir();
    if (!dir.empty()) files.insert(files.end(), {dir + "/Nini.chm", dir + "/OpenMCDF.chm"});
    for (const std::string& path : files) {
        SCOPED_TRACE(path);
        Opened o(path);
        std::vector<KeywordEntry> all = Lookup(o, u"").Entries;
        ASSERT_FALSE(all.empty());
        for (const std::u16string& prefix : PrefixesOf(all, all.size() > 300 ? 7 : 1))
            ExpectLookupIsFilteredWalk(o, all, prefix);
    }
}

TEST(KeywordIndexLookup, ALookupInLclReadsAFewBlocks) {
    std::string lcl = LclPath();
    if (lcl.empty()) GTEST_SKIP() << "no build/bench-data/lcl.chm (bench/lzx/get-lcl-chm.sh)";
    Opened o(lcl, "lcl", true);
    KeywordIndexHeader h;
    ASSERT_TRUE(KeywordIndexHeaderOf(o.Index, &h));
    EXPECT_EQ(46078u, h.KeywordCount);
    EXPECT_EQ(1955u, h.BlockCount);
    std::vector<KeywordEntry> all = Lookup(o, u"").Entries;
    ASSERT_EQ(46078u, all.size());
    for (const std::u16string& prefix : PrefixesOf(all, 997))
        ExpectLookupIsFilteredWalk(o, all, prefix);
    // Through the tree: the root and the two index levels below it, then the listing blocks that
    // hold entries beginning with the word (at least 20 to a block there) and the one after them.
    for (const char16_t* word : {u"Show", u"Create", u"TForm", u"Top", u"Text", u"aaDown", u"ZoomOut"}) {
        uint32_t before = KeywordBlocksRead(o.Index);
        size_t found = Lookup(o, word).Entries.size();
        uint32_t read = KeywordBlocksRead(o.Index) - before;
        EXPECT_LE(read, 3 + (found + 19) / 20 + 2) << Utf8FromUtf16(word);
    }
}

TEST(KeywordIndexLookup, ALookupDecodesOnlyTheSpansOfItsBlocks) {
    std::string lcl = LclPath();
    if (lcl.empty()) GTEST_SKIP() << "no build/bench-data/lcl.chm (bench/lzx/get-lcl-chm.sh)";
    ChmContainer* c = OpenContainer(lcl.c_str());
    ASSERT_NE(nullptr, c);
    KeywordIndex* index;
    KeywordText text = {BuiltInUpperHalf(1252), nullptr};
    ASSERT_EQ(KeywordOk, OpenKeywordIndex(c, "lcl", text, &index));
    Visit v = {nullptr, {}, {}};
    ASSERT_EQ(KeywordOk, VisitKeywords(index, u"Show", 4, Visit::Take, &v));
    EXPECT_EQ("Show\t0\t(topic 35380)", v.Lines.at(0));
    // The 4 MB index is 122 frames; a lookup decodes the units of the root, the index blocks and
    // the listing blocks it reads (and the unit before each, whose end is their start), and the
    // section's last two units, which check the reset table at the first read: a few 64 KB units.
    EXPECT_LE(c->FramesDecoded, 18u);
    EXPECT_EQ(0u, c->WholeDecodes);
    CloseKeywordIndex(index);
    CloseContainer(c);
}

struct Shape {
    const char* Label;
    uint32_t BlockSize, PerBlock;
    bool FreePascal;
};

class KeywordIndexShapes : public ::testing::TestWithParam<Shape> {};

// Keywords of every kind in the order compilers sort them: case-insensitively, case variants side
// by side, sub-keywords under their parent.
std::vector<WrittenEntry> SortedKeywords(size_t count) {
    std::vector<WrittenEntry> entries;
    const char* const stems[] = {"Add",  "add",      "Add_Item", "Bar",     "Create", "create",
                                 "Show", "ShowHint", "Text",     "TextOut", "Top",    "Zoom"};
    for (size_t i = 0; entries.size() < count; i++) {
        std::string stem = stems[i % (sizeof stems / sizeof stems[0])];
        std::string word = stem + std::to_string(1000 + i / (sizeof stems / sizeof stems[0]));
        entries.push_back(Keyword(U(word.c_str()), {static_cast<uint32_t>(i % 7)}));
        if (i % 3 == 0) entries.push_back(SubKeyword(U((word + ", TForm").c_str()), {1, 2}));
        if (i % 5 == 0) entries.push_back(SeeAlso(U((word + " method").c_str()), U(word.c_str())));
    }
    std::stable_sort(entries.begin(), entries.end(), [](const WrittenEntry& a, const WrittenEntry& b) {
        std::u16string x = a.Keyword, y = b.Keyword;
        for (char16_t& c : x)
            c = FoldCase(c);
        for (char16_t& c : y)
            c = FoldCase(c);
        return x < y;
    });
    return entries;
}

TEST_P(KeywordIndexShapes, EveryDepthFindsWhatTheWholeIndexHolds) {
    const Shape& shape = GetParam();
    KeywordIndexWriter w;
    w.BlockSize = shape.BlockSize;
    w.MaxEntriesPerBlock = shape.PerBlock;
    w.FreePascal = shape.FreePascal;
    std::vector<WrittenEntry> written = SortedKeywords(600);
    std::string index = w.Build(written);
    SCOPED_TRACE(std::to_string(w.Levels) + " levels, " + std::to_string(w.Blocks) + " blocks");
    Opened o(BuildHelpFile({{"Zero", "0.html"}, {"One", "1.html"}, {"Two", "2.html"}}, index));
    std::vector<KeywordEntry> all = Lookup(o, u"").Entries;
    ASSERT_EQ(written.size(), all.size());
    for (size_t i = 0; i < all.size(); i++) {
        EXPECT_EQ(written[i].Keyword, all[i].Keyword);
        EXPECT_EQ(written[i].Depth, all[i].Depth);
        EXPECT_EQ(written[i].Topics, all[i].Topics);
        EXPECT_EQ(written[i].Target, all[i].Target);
    }
    for (const std::u16string& prefix : PrefixesOf(all, 11))
        ExpectLookupIsFilteredWalk(o, all, prefix);
    // A lookup walks down the tree and reads a block or two of entries, not the index.
    uint32_t before = KeywordBlocksRead(o.Index);
    Lookup(o, u"Show1020");
    EXPECT_LE(KeywordBlocksRead(o.Index) - before, w.Levels + 2);
}

INSTANTIATE_TEST_SUITE_P(Layouts, KeywordIndexShapes,
                         ::testing::Values(Shape{"one block", 65535, 0, false},
                                           Shape{"two levels", 2048, 0, false},
                                           Shape{"four levels", 2048, 6, false},
                                           Shape{"small blocks", 512, 0, false},
                                           Shape{"Free Pascal", 2048, 5, true}),
                         [](const ::testing::TestParamInfo<Shape>& param) {
                             std::string name = param.param.Label;
                             std::replace(name.begin(), name.end(), ' ', '_');
                             return name;
                         });

// ---- the sitemap index ----

Bytes SitemapHelp(const std::string& hhk, const std::vector<std::pair<std::string, std::string>>& more = {}) {
    ChmBuilder b;
    b.Plain = TopicTableObjects({{"A", "a.html"}});
    b.Plain.push_back({"/help.hhk", hhk});
    for (const auto& object : more)
        b.Plain.push_back(object);
    return b.Build();
}

std::vector<std::string> SitemapLines(const std::string& hhk,
                                      const char32_t* upperHalf = BuiltInUpperHalf(1252),
                                      const std::u16string& prefix = u"") {
    Bytes file = SitemapHelp(hhk);
    ChmContainer* c = OpenBytes(file);
    KeywordIndex* index;
    KeywordText text = {upperHalf, NamedEntity};
    EXPECT_EQ(KeywordOk, OpenKeywordIndex(c, "help", text, &index));
    EXPECT_EQ(KeywordIndexSitemap, KeywordIndexKindOf(index));
    Visit v = {nullptr, {}, {}};
    EXPECT_EQ(KeywordOk, VisitKeywords(index, prefix.data(), prefix.size(), Visit::Take, &v));
    std::vector<std::string> lines = v.Lines;
    for (size_t i = 0; i < v.Entries.size(); i++)
        for (const KeywordPage& page : v.Entries[i].Pages)
            if (!page.Title.empty()) lines[i] += " [" + Utf8FromUtf16(page.Title) + "]";
    CloseKeywordIndex(index);
    CloseContainer(c);
    return lines;
}

std::string Item(const std::string& params) {
    return "<LI><OBJECT type=\"text/sitemap\">" + params + "</OBJECT>\n";
}
std::string Param(const std::string& name, const std::string& value) {
    return "<param name=\"" + name + "\" value=\"" + value + "\">";
}

TEST(KeywordSitemap, NestedListsSeeAlsoAndSeveralPages) {
    std::string hhk =
        "<HTML><BODY><UL>\n" + Item(Param("Name", "Show") + Param("Local", "show.html")) + "<UL>\n" +
        Item(Param("Name", "TForm") + Param("Local", "tform.show.html")) + "<UL>\n" +
        Item(Param("Name", "Deeper") + Param("Local", "deep.html#here")) + "</UL>\n" +
        Item(Param("Name", "TControl") + Param("Local", "tcontrol.show.html")) + "</UL>\n" +
        Item(Param("Name", "Display") + Param("See Also", "Show")) +
        Item(Param("Name", "Create") + Param("Name", "TForm.Create") + Param("Local", "a.html") +
             Param("Name", "TControl.Create") + Param("Local", "b.html")) +
        Item(Param("Name", "Local first") + Param("Local", "ms-its:help.chm::/c.html")) +
        "</UL></BODY></HTML>\n";
    EXPECT_EQ(
        (std::vector<std::string>{"Show\t0\t/show.html", "Show, TForm\t1\t/tform.show.html",
                                  "Show, TForm, Deeper\t2\t/deep.html#here",
                                  "Show, TControl\t1\t/tcontrol.show.html", "Display\t0\tsee also: Show",
                                  "Create\t0\t/a.html\t/b.html [TForm.Create] [TControl.Create]",
                                  "Local first\t0\t/ms-its:help.chm::/c.html"}),
        SitemapLines(hhk));
    EXPECT_EQ((std::vector<std::string>{"Show\t0\t/show.html", "Show, TForm\t1\t/tform.show.html",
                                        "Show, TForm, Deeper\t2\t/deep.html#here",
                                        "Show, TControl\t1\t/tcontrol.show.html"}),
              SitemapLines(hhk, BuiltInUpperHalf(1252), u"sHOW"));
}

TEST(KeywordSitemap, EntitiesCodePagesAndBrokenMarkup) {
    // Entities, named and numeric; bytes in the file's code page; upper-case tags, single quotes
    // and no quotes; a comment that holds a list; objects left open.
    std::string hhk =
        "<ul><!-- <ul><li><object type=\"text/sitemap\"> --><LI><OBJECT TYPE='text/sitemap'>"
        "<PARAM NAME=Name VALUE='Delta &amp; Co &eacute;&#233;&#xE9;&bogus; &amp'>"
        "<param name=\"Local\" value=\"d.html\">"
        "<li><object type=\"text/sitemap\"><param name=\"Name\" value=\"\xCF\xE5\xF7\xE0\xF2\xFC\">"
        "<param name=\"Local\" value=\"p.html\"></object>"
        "<li><object type=\"text/site properties\"><param name=\"Name\" value=\"not a keyword\">"
        "</object><li><object type=\"text/sitemap\"><param name=\"Local\" value=\"nameless.html\">"
        "</object></ul>";
    EXPECT_EQ((std::vector<std::string>{"Delta & Co \xC3\xA9\xC3\xA9\xC3\xA9&bogus; &amp\t0\t/d.html",
                                        "\xD0\x9F\xD0\xB5\xD1\x87\xD0\xB0\xD1\x82\xD1\x8C\t0\t/p.html"}),
              SitemapLines(hhk, BuiltInUpperHalf(1251)));
    // UTF-8, with its byte order mark or without one.
    std::string utf8 = Item(Param("Name", "Печать") + Param("Local", "p.html"));
    EXPECT_EQ((std::vector<std::string>{"Печать\t0\t/p.html"}), SitemapLines(utf8, BuiltInUpperHalf(1251)));
    EXPECT_EQ((std::vector<std::string>{"Печать\t0\t/p.html"}),
              SitemapLines("\xEF\xBB\xBF" + utf8, BuiltInUpperHalf(1251)));
    // Nothing but noise: no entry, no crash.
    EXPECT_TRUE(SitemapLines("<ul><li><object type=\"text/sitemap\"><param name=\"Name\" value=\"x").size() <=
                1);
    EXPECT_TRUE(SitemapLines("</ul></ul></ul><<<<>>>&&&").empty());
}

TEST(KeywordSitemap, ItsNameComesFromTheSystemTheWindowsOrTheStem) {
    std::string hhk = Item(Param("Name", "Word") + Param("Local", "w.html"));
    auto kind = [](const Bytes& file, const char* stem) {
        ChmContainer* c = OpenBytes(file);
        KeywordIndex* index;
        KeywordText text = {nullptr, nullptr};
        EXPECT_EQ(KeywordOk, OpenKeywordIndex(c, stem, text, &index));
        KeywordIndexKind k = KeywordIndexKindOf(index);
        CloseKeywordIndex(index);
        CloseContainer(c);
        return k;
    };
    ChmBuilder b;
    b.Plain = TopicTableObjects({{"A", "a.html"}});
    b.Plain.push_back({"/other.hhk", hhk});
    EXPECT_EQ(KeywordIndexNone, kind(b.Build(), "help"));
    EXPECT_EQ(KeywordIndexSitemap, kind(b.Build(), "other"));
    // "/#SYSTEM" record 1.
    std::string system = std::string("\x03\0\0\0\x01\0\x0a\0other.hhk\0", 18);
    b.Plain.push_back({"/#SYSTEM", system});
    EXPECT_EQ(KeywordIndexSitemap, kind(b.Build(), "help"));
    // "/#WINDOWS": the index file's name at 0x64 of its first window, an offset into "/#STRINGS".
    b.Plain.pop_back();
    std::string windows(8 + 0xC4, '\0');
    windows[0] = 1, windows[4] = static_cast<char>(0xC4);
    auto& strings = b.Plain[1].second;
    uint32_t at = static_cast<uint32_t>(strings.size());
    strings += std::string("other.hhk") + '\0';
    for (int i = 0; i < 4; i++)
        windows[8 + 0x64 + i] = static_cast<char>(at >> (8 * i));
    b.Plain.push_back({"/#WINDOWS", windows});
    EXPECT_EQ(KeywordIndexSitemap, kind(b.Build(), "help"));
    // A window record shorter than the field names nothing.
    windows.resize(8 + 0x60);
    windows[4] = 0x60;
    b.Plain.back().second = windows;
    EXPECT_EQ(KeywordIndexNone, kind(b.Build(), "help"));
}

TEST(KeywordText, FoldsLatinAndCyrillicLetters) {
    EXPECT_EQ(u'a', FoldCase(u'A'));
    EXPECT_EQ(u'z', FoldCase(u'z'));
    EXPECT_EQ(u'_', FoldCase(u'_'));
    EXPECT_EQ(u'\u00E9', FoldCase(u'\u00C9'));
    EXPECT_EQ(u'\u00D7', FoldCase(u'\u00D7')); // the multiplication sign is no letter
    EXPECT_EQ(u'\u00FF', FoldCase(u'\u0178'));
    EXPECT_EQ(u'\u0101', FoldCase(u'\u0100'));
    EXPECT_EQ(u'\u013A', FoldCase(u'\u0139')); // the odd capitals of Latin Extended-A
    EXPECT_EQ(u'\u017E', FoldCase(u'\u017D'));
    EXPECT_EQ(u'\u0430', FoldCase(u'\u0410'));
    EXPECT_EQ(u'\u044F', FoldCase(u'\u042F'));
    EXPECT_EQ(u'\u0451', FoldCase(u'\u0401'));
    EXPECT_EQ(u'\u045F', FoldCase(u'\u040F'));
    EXPECT_EQ(u'\u0491', FoldCase(u'\u0490'));
    EXPECT_EQ(u'\u04CF', FoldCase(u'\u04C0'));
    EXPECT_EQ(u'\u03B1', FoldCase(u'\u03B1'));
    // Text of the file: UTF-8 when it is UTF-8, else the code page.
    EXPECT_EQ(U("Печать"), DecodeFileText("Печать", strlen("Печать"), BuiltInUpperHalf(1252)));
    EXPECT_EQ(U("Печать"), DecodeFileText("\xCF\xE5\xF7\xE0\xF2\xFC", 6, BuiltInUpperHalf(1251)));
    EXPECT_EQ(U("caf\xC3\xA9"), DecodeFileText("caf\xE9", 4, BuiltInUpperHalf(1252)));
    EXPECT_EQ(U("caf\xEF\xBF\xBD"), DecodeFileText("caf\xE9", 4, nullptr));
}

} // namespace
