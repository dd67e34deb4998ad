// The dictd reader: each index's collation, the headwords a keyword begins (the keyword itself
// first, repeated headwords as one), the articles as stored, and what a damaged index leads to.
// Debian's mueller7 and foldoc indexes are checked for the order they are read in.
#include <gtest/gtest.h>

#include <algorithm>

#include "dictd.h"
#include "dravel_test_util.h"
#include "linereader.h"
#include "shipped_util.h"

using dravel::DictdCollation;
using dravel::DictdDictionary;
using dravel::DictdHeadword;
using dravel::Error;
using dravel_test::DictdArticle;
using dravel_test::TempDir;
using dravel_test::WriteDictd;
using V = std::vector<std::string>;

namespace {

std::string Key(const std::string& text, bool utf8, bool allchars) {
    DictdCollation c;
    c.utf8 = utf8;
    c.allchars = allchars;
    return dravel::DictdKey(text.data(), text.size(), c);
}

V Shown(const std::vector<DictdHeadword>& found) {
    V out;
    for (const DictdHeadword& h : found)
        out.push_back(h.shown);
    return out;
}

// The articles sorted by their keys in the collation, as dictfmt sorts them.
std::vector<DictdArticle> Sorted(std::vector<DictdArticle> articles, bool utf8, bool allchars) {
    std::stable_sort(articles.begin(), articles.end(), [&](const DictdArticle& a, const DictdArticle& b) {
        return Key(a.headword, utf8, allchars) < Key(b.headword, utf8, allchars);
    });
    return articles;
}

const std::vector<DictdArticle> kComputing = {
    {"lisp", "Lisp\n\n   <language> LISt Processing.\n"},
    {"lisp 1.5", "LISP 1.5\n\n   The first Lisp used widely.\n"},
    {"lisp machine", "Lisp Machine\n\n   A computer for Lisp.\n"},
    {"lisp-linda", "Lisp-Linda\n\n   Linda for Lisp.\n"},
    {"lispkit", "Lispkit\n\n   A small Lisp.\n"},
    {"list", "list\n\n   A sequence.\n"},
    {"list", "list\n\n   <data> The second article.\n"},
    {"go", "go\n\n   A language from Google.\n"},
    {"\xd0\xbf\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82",
     "\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82\n   hello\n"},
};

struct Dictd {
    TempDir dir;
    std::string base;
    DictdDictionary dict;
    Dictd(const std::vector<DictdArticle>& articles, bool compress = true,
          const V& database = {"00-database-allchars", "00-database-short", "00-database-utf8"})
        : base(dir.File("test")) {
        WriteDictd(base, articles, compress, database);
    }
    Error Open(const char* ext = ".index") { return dict.Open((base + ext).c_str()); }
    V Find(const std::string& keyword, size_t limit = 100, bool* more = nullptr, Error* error = nullptr) {
        std::vector<DictdHeadword> found;
        bool m = false;
        Error e = dict.Find(keyword, limit, &found, &m);
        if (more) *more = m;
        if (error) *error = e;
        return Shown(found);
    }
    std::string Articles(const std::string& keyword, Error* error = nullptr) {
        std::vector<DictdHeadword> found;
        bool more = false;
        std::string text;
        Error e = dict.Find(keyword, 100, &found, &more);
        if (e == Error::None && !found.empty()) e = dict.Articles(found[0], &text);
        if (error) *error = e;
        return text;
    }
};

} // namespace

TEST(DictdCollationKey, FoldsCaseAndKeepsOnlyWhatTheCollationCounts) {
    EXPECT_EQ(Key("Lisp, Objects", true, true), "lisp, objects");
    EXPECT_EQ(Key("Lisp, Objects", true, false), "lisp objects");
    EXPECT_EQ(Key("100-m-H\xc3\xbcrden", true, false), "100mh\xc3\xbcrden");
    EXPECT_EQ(Key("\xd0\x9f\xd0\xa0\xd0\x98\xd0\x92\xd0\x95\xd0\xa2", true, true),
              "\xd0\xbf\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82");
    EXPECT_EQ(Key("\xc3\x84rger-\xc3\x96l", true, false), "\xc3\xa4rger\xc3\xb6l");
    EXPECT_EQ(Key("a\tb\xc2\xa0"
                  "c",
                  true, false),
              "a bc"); // a tab is a space, a no-break space is not
    // Not UTF-8: ASCII letters fold, other bytes stay.
    EXPECT_EQ(Key("Ab-\xc4\xe4", false, false), "ab\xc4\xe4");
    EXPECT_EQ(Key("Ab-\xc4\xe4", false, true), "ab-\xc4\xe4");
}

TEST(DictdFind, OffersTheHeadwordsAKeywordBeginsInTheIndexOrder) {
    for (bool compress : {false, true}) {
        Dictd d(Sorted(kComputing, true, true), compress);
        ASSERT_EQ(d.Open(compress ? ".dict.dz" : ".dict"), Error::None);
        EXPECT_TRUE(d.dict.Collation().utf8);
        EXPECT_TRUE(d.dict.Collation().allchars);
        EXPECT_EQ(d.dict.ShortName(), "A test dictionary");
        EXPECT_EQ(d.Find("LISP"), (V{"lisp", "lisp 1.5", "lisp machine", "lisp-linda", "lispkit"}));
        EXPECT_EQ(d.Find("lisp "), (V{"lisp 1.5", "lisp machine"}));
        EXPECT_EQ(d.Find("lis"), (V{"lisp", "lisp 1.5", "lisp machine", "lisp-linda", "lispkit", "list"}));
        EXPECT_EQ(d.Find("\xd0\x9f\xd0\xa0\xd0\x98"), V{"\xd0\xbf\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82"});
        EXPECT_EQ(d.Find("lispz"), V{});
        EXPECT_EQ(d.Find("00"), V{}) << "the index's own entries are no headwords";
        EXPECT_EQ(d.Find("!"), V{});
        // Two articles under one headword: one candidate, both articles, as stored.
        EXPECT_EQ(d.Find("list"), V{"list"});
        EXPECT_EQ(d.Articles("list"), "list\n\n   A sequence.\n\nlist\n\n   <data> The second article.\n");
        EXPECT_EQ(d.Articles("go"), "go\n\n   A language from Google.\n");
        bool more = false;
        EXPECT_EQ(d.Find("lis", 3, &more), (V{"lisp", "lisp 1.5", "lisp machine"}));
        EXPECT_TRUE(more);
        EXPECT_EQ(d.Find("lis", 6, &more).size(), 6u);
        EXPECT_FALSE(more);
    }
}

TEST(DictdFind, AnIndexInDictionaryOrderSkipsAllButLettersDigitsAndSpaces) {
    // Marked utf8 only, as FreeDict's: headwords keep their case and punctuation, the order and
    // the comparison do not. A fourth column names the headword to show.
    std::vector<DictdArticle> articles = Sorted({{"Abkanten", "Abkanten <n>\n  bevelling\n"},
                                                 {"abkanten", "abkanten <v>\n  fold\n"},
                                                 {"ab-kanten", "ab-kanten\n  a third\n"},
                                                 {"Abkantung", "Abkantung <f>\n  chamfer\n"},
                                                 {"Ab\xc3\xa4nderung", "Ab\xc3\xa4nderung <f>\n  change\n"}},
                                                true, false);
    Dictd d(articles, true, {"00-database-utf8"});
    std::string index = dravel_test::ReadFile(d.base + ".index");
    size_t at = index.find("Abkantung\t");
    ASSERT_NE(at, std::string::npos);
    index.insert(index.find('\n', at), "\tAbkantung (shown)");
    dravel_test::WriteFile(d.base + ".index", index);
    ASSERT_EQ(d.Open(), Error::None);
    EXPECT_TRUE(d.dict.Collation().utf8);
    EXPECT_FALSE(d.dict.Collation().allchars);
    EXPECT_EQ(d.Find("ab-kant"), (V{"Abkanten", "Abkantung (shown)"}));
    EXPECT_EQ(d.Articles("abkanten"),
              "Abkanten <n>\n  bevelling\n\nabkanten <v>\n  fold\n\nab-kanten\n  a third\n");
    EXPECT_EQ(d.Find("AB\xc3\x84N"), V{"Ab\xc3\xa4nderung"});
}

TEST(DictdFind, ALargeIndexIsSearchedByHalvesToTheSameAnswers) {
    std::vector<DictdArticle> articles;
    for (int i = 0; i < 20000; ++i) {
        std::string word = "w" + std::to_string(100000 + i * 7);
        articles.push_back({word, word + "\n  article " + std::to_string(i) + "\n"});
    }
    Dictd d(Sorted(articles, true, true));
    ASSERT_EQ(d.Open(), Error::None);
    for (int i = 0; i < 20000; i += 997) {
        std::string word = "w" + std::to_string(100000 + i * 7);
        EXPECT_EQ(d.Find(word), V{word});
        EXPECT_EQ(d.Articles(word), word + "\n  article " + std::to_string(i) + "\n");
    }
    EXPECT_EQ(d.Find("w10000"), (V{"w100000", "w100007"}));
    EXPECT_EQ(d.Find("w2", 10000).size(), 20000u - 14286u);
    EXPECT_EQ(d.Find("w0"), V{});
    EXPECT_EQ(d.Find("x"), V{});
}

TEST(DictdFind, ADamagedIndexSaysSoAndTheRestStillReads) {
    Dictd d(Sorted(kComputing, true, true), false);
    const std::string index = dravel_test::ReadFile(d.base + ".index");
    auto with = [&](const std::string& from, const std::string& to) {
        d.dict.Close(); // a file open for reading cannot be written over on Windows
        std::string changed = index;
        size_t at = changed.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        changed.replace(at, from.size(), to);
        dravel_test::WriteFile(d.base + ".index", changed);
        return d.Open();
    };
    Error error = Error::None;
    std::string goLine =
        index.substr(index.find("go\t"), index.find('\n', index.find("go\t")) - index.find("go\t"));
    std::string goOffset = goLine.substr(3, goLine.find('\t', 3) - 3);

    // A digit that is not base 64 in go's entry: go fails, lisp does not.
    ASSERT_EQ(with("go\t" + goOffset, "go\t" + goOffset + "*"), Error::None);
    d.Find("go", 100, nullptr, &error);
    EXPECT_EQ(error, Error::BadIndex);
    EXPECT_EQ(d.Find("lisp").size(), 5u);
    // An offset past the body, and a length of 1 GB.
    ASSERT_EQ(with("go\t" + goOffset, "go\tBAAAAA"), Error::None);
    d.Articles("go", &error);
    EXPECT_EQ(error, Error::BadIndex);
    std::string goLength = goLine.substr(goLine.rfind('\t') + 1);
    ASSERT_EQ(with(goLine, goLine.substr(0, goLine.rfind('\t') + 1) + dravel_test::Base64Number(1u << 30)),
              Error::None);
    d.Articles("go", &error);
    EXPECT_EQ(error, Error::TooLarge);
    EXPECT_EQ(d.Articles("lisp-linda"), "Lisp-Linda\n\n   Linda for Lisp.\n");
    // A line without its TABs.
    ASSERT_EQ(with(goLine, "go"), Error::None);
    d.Find("go", 100, nullptr, &error);
    EXPECT_EQ(error, Error::BadIndex);
    // Out of order: "go" after "list".
    std::string moved = index;
    moved.erase(moved.find(goLine), goLine.size() + 1);
    moved.insert(moved.find("\xd0\xbf"), goLine + "\n");
    d.dict.Close();
    dravel_test::WriteFile(d.base + ".index", moved);
    ASSERT_EQ(d.Open(), Error::None);
    d.Find("list", 100, nullptr, &error);
    EXPECT_EQ(error, Error::UnsortedIndex);
    // Missing files.
    DictdDictionary none;
    EXPECT_EQ(none.Open((d.base + "x.index").c_str()), Error::OpenDictionary);
}

TEST(DictdFind, AnUnsortedLargeIndexIsNamedWhereverTheSearchGoes) {
    std::vector<DictdArticle> articles;
    for (int i = 0; i < 5000; ++i)
        articles.push_back({"w" + std::to_string(10000 + i), "x\n"});
    std::reverse(articles.begin(), articles.end()); // sorted backwards
    Dictd d(articles);
    ASSERT_EQ(d.Open(), Error::None);
    for (const char* keyword : {"w10000", "w12500", "w14999", "w2", "a"}) {
        Error error = Error::None;
        d.Find(keyword, 100, nullptr, &error);
        EXPECT_EQ(error, Error::UnsortedIndex) << keyword;
    }
}

// Debian's mueller7 and foldoc are marked utf8 and allchars: each index is in the byte order of
// its lower-cased headwords with every character kept, which the reader's keys must reproduce.
TEST(DictdFind, DebiansIndexesAreInTheOrderOfTheirKeys) {
    for (const char* name : {"mueller7", "foldoc"}) {
        std::string base = dravel_test::SystemFile(std::string("/usr/share/dictd/") + name);
        if (!dravel_test::FileExists(base + ".index")) GTEST_SKIP() << name << " is not installed";
        DictdDictionary dict;
        ASSERT_EQ(dict.Open((base + ".index").c_str()), Error::None);
        EXPECT_TRUE(dict.Collation().utf8 && dict.Collation().allchars) << name;
        EXPECT_FALSE(dict.ShortName().empty());
        dravel::File file;
        ASSERT_TRUE(file.OpenRead((base + ".index").c_str()));
        dravel::LineReader lines(file);
        std::string line, previous;
        size_t count = 0, folded = 0;
        while (lines.ReadLine(&line, 4096)) {
            std::string headword = line.substr(0, line.find('\t'));
            std::string key = dravel::DictdKey(headword.data(), headword.size(), dict.Collation());
            EXPECT_LE(previous, key) << name << ": " << headword;
            if (key == headword) ++folded;
            previous = key;
            ++count;
        }
        EXPECT_EQ(folded, count) << name << ": every headword is stored lower-cased";
        RecordProperty(name, (int)count);
    }
}
