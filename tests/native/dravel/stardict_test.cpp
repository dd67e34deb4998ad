// The StarDict reader: descriptions of both versions, the index plain or gzip'd with 32- or 64-bit
// offsets, synonyms, the fields by type, lookups without regard to case in Latin and Cyrillic,
// and what a description or index that lies leads to.
#include <gtest/gtest.h>

#include "articletext.h"
#include "dravel_test_util.h"
#include "shipped_util.h"
#include "stardict.h"
#include "unicase.h"

using dravel::Error;
using dravel::StarDictDictionary;
using dravel::StarDictField;
using dravel::StarDictHeadword;
using dravel::StarDictInfo;
using dravel_test::StarDictEntry;
using dravel_test::StarDictOptions;
using dravel_test::TempDir;
using V = std::vector<std::string>;

namespace {

// "привет", "Привет", "пример" and "Пример" in UTF-8.
const std::string kHello = "\xd0\xbf\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82";
const std::string kHelloCap = "\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82";
const std::string kExample = "\xd0\xbf\xd1\x80\xd0\xb8\xd0\xbc\xd0\xb5\xd1\x80";

std::vector<StarDictEntry> Entries() {
    // In StarDict's order: ASCII case ignored, then bytes.
    return {{"Apple", "a fruit (capital)"}, {"apple", "a fruit"}, {"apple pie", "a dessert"},
            {"applet", "a small app"},      {"banana", "yellow"}, {"zebra", "striped"},
            {kHelloCap, "hello (capital)"}, {kHello, "hello"},    {kExample, "example"}};
}

struct StarDict {
    TempDir dir;
    std::string ifo;
    StarDictDictionary dict;
    explicit StarDict(const std::vector<StarDictEntry>& entries = Entries(),
                      const StarDictOptions& options = StarDictOptions())
        : ifo(dravel_test::WriteStarDict(dir.File("test"), entries, options)) {}
    Error Open(const std::string& path = std::string()) {
        return dict.Open((path.empty() ? ifo : path).c_str());
    }
    V Find(const std::string& keyword, size_t limit = 100, bool* more = nullptr) {
        std::vector<StarDictHeadword> found;
        bool m = false;
        EXPECT_EQ(dict.Find(keyword, limit, &found, &m), Error::None);
        if (more) *more = m;
        V out;
        for (const StarDictHeadword& h : found)
            out.push_back(h.shown);
        return out;
    }
    // The first field of each entry of the headword the keyword finds first.
    V Articles(const std::string& keyword, Error* error = nullptr) {
        std::vector<StarDictHeadword> found;
        bool more = false;
        V out;
        Error e = dict.Find(keyword, 100, &found, &more);
        if (e == Error::None && found.empty()) e = Error::ReadFailed;
        for (size_t i = 0; e == Error::None && i < found[0].entries.size(); ++i) {
            std::string word;
            std::vector<StarDictField> fields;
            e = dict.Article(found[0].entries[i], &word, &fields);
            if (e == Error::None) out.push_back(word + ": " + (fields.empty() ? "" : fields[0].data));
        }
        if (error) *error = e;
        return out;
    }
};

} // namespace

TEST(StarDictInfoRead, ReadsBothVersionsAndRefusesWhatItCannotTrust) {
    StarDictInfo info;
    std::string ifo = "StarDict's dict ifo file\r\nversion=3.0.0\r\nbookname=A book\r\nwordcount=12\r\n"
                      "synwordcount=3\r\nidxfilesize=345\r\nidxoffsetbits=64\r\nsametypesequence=tm\r\n";
    ASSERT_EQ(dravel::ReadStarDictInfo(ifo.data(), ifo.size(), &info), Error::None);
    EXPECT_EQ(info.version, "3.0.0");
    EXPECT_EQ(info.bookName, "A book");
    EXPECT_EQ(info.wordCount, 12u);
    EXPECT_EQ(info.synWordCount, 3u);
    EXPECT_EQ(info.idxFileSize, 345u);
    EXPECT_EQ(info.offsetBits, 64u);
    EXPECT_EQ(info.sameTypeSequence, "tm");
    auto read = [&](const std::string& text) {
        return dravel::ReadStarDictInfo(text.data(), text.size(), &info);
    };
    const std::string head = "StarDict's dict ifo file\nversion=2.4.2\n";
    EXPECT_EQ(read(head + "wordcount=1\nidxfilesize=9\nidxoffsetbits=64\n"), Error::None);
    EXPECT_EQ(info.offsetBits, 32u) << "2.4.2 has 32-bit offsets whatever it says";
    EXPECT_EQ(read("\xEF\xBB\xBF" + head + "wordcount=1\nidxfilesize=9\n"), Error::None);
    EXPECT_EQ(read("Something else\nversion=2.4.2\nwordcount=1\nidxfilesize=9\n"), Error::Unsupported);
    EXPECT_EQ(read("StarDict's dict ifo file\nversion=4.0.0\nwordcount=1\nidxfilesize=9\n"),
              Error::Unsupported);
    EXPECT_EQ(read(head + "idxfilesize=9\n"), Error::IndexMismatch);
    EXPECT_EQ(read(head + "wordcount=-1\nidxfilesize=9\n"), Error::IndexMismatch);
    EXPECT_EQ(read(head + "wordcount=99999999999\nidxfilesize=9\n"), Error::IndexMismatch);
    EXPECT_EQ(read("StarDict's dict ifo file\nversion=3.0.0\nwordcount=1\nidxfilesize=9\nidxoffsetbits=48\n"),
              Error::IndexMismatch);
    EXPECT_EQ(read(head + "wordcount=1\nidxfilesize=9\nsametypesequence=m1\n"), Error::Unsupported);
    EXPECT_EQ(read(""), Error::Unsupported);
}

TEST(StarDictFind, FindsWithoutRegardToCaseExactOnesFirst) {
    StarDict d;
    ASSERT_EQ(d.Open(), Error::None);
    EXPECT_EQ(d.dict.Info().bookName, "Test 2.4.2");
    EXPECT_EQ(d.Find("APPL"), (V{"Apple", "apple", "apple pie", "applet"}));
    EXPECT_EQ(d.Find("applet"), V{"applet"});
    EXPECT_EQ(d.Find("apple"), (V{"Apple", "apple", "apple pie", "applet"}));
    EXPECT_EQ(d.Find("apple "), V{"apple pie"});
    EXPECT_EQ(d.Find("b"), V{"banana"});
    EXPECT_EQ(d.Find("c"), V{});
    // Cyrillic keywords in either case find both cases; "при" begins three words.
    EXPECT_EQ(d.Find(kHello), (V{kHelloCap, kHello}));
    EXPECT_EQ(d.Find(dravel::LowerCaseUtf8(kHelloCap.data(), kHelloCap.size())), (V{kHelloCap, kHello}));
    EXPECT_EQ(d.Find("\xd0\x9f\xd0\xa0\xd0\x98"), (V{kHelloCap, kHello, kExample}));
    bool more = false;
    EXPECT_EQ(d.Find("\xd0\xbf\xd1\x80\xd0\xb8", 2, &more), (V{kHelloCap, kHello}));
    EXPECT_TRUE(more);
    // The exact word stands first even where the index puts it later.
    EXPECT_EQ(d.Find("\xd0\xbf\xd1\x80\xd0\xb8\xd0\xbc\xd0\xb5\xd1\x80"), V{kExample});
    EXPECT_EQ(d.Articles("banana"), V{"banana: yellow"});
}

TEST(StarDictFind, SynonymsLeadToTheirArticles) {
    StarDictOptions options;
    options.synonyms = {{"Apfel", 1}, {"apple", 2}, {"pomme", 1}, {"pomme", 3}};
    StarDict d(Entries(), options);
    ASSERT_EQ(d.Open(), Error::None);
    EXPECT_EQ(d.Find("apfel"), V{"Apfel"});
    EXPECT_EQ(d.Articles("apfel"), V{"apple: a fruit"});
    // A synonym spelled as a word of the index is that word, with both articles.
    EXPECT_EQ(d.Find("apple"), (V{"Apple", "apple", "apple pie", "applet"}));
    EXPECT_EQ(d.Articles("apple"), V{"Apple: a fruit (capital)"});
    EXPECT_EQ(d.Find("pomme"), V{"pomme"});
    EXPECT_EQ(d.Articles("pomme"), (V{"apple: a fruit", "applet: a small app"}));
    // A synonym that names no word is a damaged index.
    StarDictOptions bad;
    bad.synonyms = {{"ghost", 99}};
    StarDict e(Entries(), bad);
    ASSERT_EQ(e.Open(), Error::None);
    std::vector<StarDictHeadword> found;
    bool more;
    EXPECT_EQ(e.dict.Find("ghost", 10, &found, &more), Error::BadIndex);
    EXPECT_EQ(e.Find("banana"), V{"banana"}) << "the rest still reads";
}

TEST(StarDictFind, EveryFormOfIndexAndBodyReadsTheSame) {
    for (int form = 0; form < 8; ++form) {
        StarDictOptions options;
        options.version = form & 1 ? "3.0.0" : "2.4.2";
        options.offsets64 = (form & 1) && (form & 2);
        options.gzipIndex = form & 4;
        options.dictzipBody = !(form & 2);
        SCOPED_TRACE(form);
        StarDict d(Entries(), options);
        // Any of its files names it.
        for (const char* ext :
             {".ifo", options.gzipIndex ? ".idx.gz" : ".idx", options.dictzipBody ? ".dict.dz" : ".dict"}) {
            ASSERT_EQ(d.Open(d.dir.File("test") + ext), Error::None) << ext;
            EXPECT_EQ(d.Articles("zebra"), V{"zebra: striped"});
            EXPECT_EQ(d.Articles(kHello), V{kHelloCap + ": hello (capital)"});
        }
    }
}

TEST(StarDictFind, ADescriptionOrIndexThatLiesIsNamed) {
    for (long delta : {-1L, 1L}) {
        StarDictOptions options;
        options.wordCountDelta = delta;
        StarDict d(Entries(), options);
        EXPECT_EQ(d.Open(), Error::IndexMismatch) << delta;
    }
    {
        StarDict d;
        std::string ifo = dravel_test::ReadFile(d.ifo);
        size_t at = ifo.find("idxfilesize=");
        ifo.insert(at + 12, "1");
        dravel_test::WriteFile(d.ifo, ifo);
        EXPECT_EQ(d.Open(), Error::IndexMismatch);
    }
    {
        std::vector<StarDictEntry> unsorted = Entries();
        std::swap(unsorted[1], unsorted[4]);
        StarDict d(unsorted);
        EXPECT_EQ(d.Open(), Error::UnsortedIndex);
    }
    {
        // An index cut inside its last entry.
        StarDict d;
        std::string idx = dravel_test::ReadFile(d.dir.File("test.idx"));
        dravel_test::WriteFile(d.dir.File("test.idx"), idx.substr(0, idx.size() - 3));
        std::string ifo = dravel_test::ReadFile(d.ifo);
        size_t at = ifo.find("idxfilesize=") + 12;
        ifo.replace(at, ifo.find('\n', at) - at, std::to_string(idx.size() - 3));
        dravel_test::WriteFile(d.ifo, ifo);
        EXPECT_EQ(d.Open(), Error::BadIndex);
    }
    {
        // An article said to be 1 GB long, and one past the body: only they fail.
        std::vector<StarDictEntry> entries = Entries();
        StarDict d(entries);
        std::string idx = dravel_test::ReadFile(d.dir.File("test.idx"));
        size_t zebra = idx.find(std::string("zebra") + '\0') + 6;
        idx[zebra + 4] = 0x40; // size 0x40xxxxxx
        size_t banana = idx.find(std::string("banana") + '\0') + 7;
        idx[banana] = 0x10; // offset 0x10xxxxxx
        dravel_test::WriteFile(d.dir.File("test.idx"), idx);
        ASSERT_EQ(d.Open(), Error::None);
        Error error = Error::None;
        d.Articles("zebra", &error);
        EXPECT_EQ(error, Error::TooLarge);
        d.Articles("banana", &error);
        EXPECT_EQ(error, Error::BadIndex);
        EXPECT_EQ(d.Articles("applet"), V{"applet: a small app"});
    }
    StarDictDictionary none;
    TempDir empty;
    EXPECT_EQ(none.Open(empty.File("none.ifo").c_str()), Error::OpenDictionary);
}

TEST(StarDictFields, SplitByTheTypeSequenceOrByTheirOwnTypes) {
    std::vector<StarDictField> f;
    auto show = [&]() {
        std::string out;
        for (const StarDictField& x : f)
            out += std::string(1, x.type) + "[" + x.data + "]";
        return out;
    };
    ASSERT_TRUE(dravel::SplitStarDictFields("just text", "m", &f));
    EXPECT_EQ(show(), "m[just text]");
    ASSERT_TRUE(dravel::SplitStarDictFields(std::string("ab\0cd", 5), "tm", &f));
    EXPECT_EQ(show(), "t[ab]m[cd]");
    ASSERT_TRUE(dravel::SplitStarDictFields(std::string("\0\0\0\2XYrest", 10), "Wm", &f));
    EXPECT_EQ(show(), "W[XY]m[rest]");
    ASSERT_TRUE(dravel::SplitStarDictFields(std::string("mone\0gtwo\0W\0\0\0\1Z", 16), "", &f));
    EXPECT_EQ(show(), "m[one]g[two]W[Z]");
    ASSERT_TRUE(dravel::SplitStarDictFields(std::string("mlast", 5), "", &f));
    EXPECT_EQ(show(), "m[last]");
    EXPECT_FALSE(dravel::SplitStarDictFields(std::string("\0\0\0\x09XY", 6), "Wm", &f)); // size past the end
    EXPECT_FALSE(dravel::SplitStarDictFields(std::string("1bad", 4), "", &f));           // no type letter
    EXPECT_FALSE(dravel::SplitStarDictFields(std::string("W\0\0", 3), "", &f));
}

TEST(StarDictFields, TextByTypeMarkupLaidOutDataLeftOut) {
    std::vector<dravel::StarDictEntryText> entries = {
        {"word",
         {{'t', "w\xc9\x9c:d"},
          {'g', "\n    <b>bold</b> and <i>italic</i>\n\nnext &amp; last\n"},
          {'W', "RIFF...."},
          {'x', "<k>word</k>\n<tr>w3:d</tr> a &lt;thing&gt;\n"},
          {'h', "<p>one<br>two</p><ul><li>item</li></ul>"},
          {'m', "plain\r\ntext\n\n"}}},
        {"second", {{'m', "more"}}}};
    std::u32string text;
    ASSERT_EQ(dravel::StarDictText(entries, nullptr, &text), Error::None);
    EXPECT_EQ(TextAsUtf8(text), "word\n"
                                "\n[w\xc9\x9c:d]\n"
                                "\nbold and italic\n\nnext & last\n"
                                "\nword\nw3:d a <thing>\n"
                                "\none\ntwo\n\n  \xE2\x80\xA2 item\n"
                                "\nplain\ntext\n"
                                "\nsecond\n\nmore\n");
}
