// Dravel.lvx's two other help types, Dictd and StarDict, as the host sends their requests: the
// type's index picks the format, the keyword comes in the entry's encoding, the candidates and the
// article reach the user in the console's OEM code page with stand-ins for what it lacks, and a
// damaged dictionary is one of the module's messages. Run under the Western and the Russian code
// pages (the ctest entries of this folder).
#include "support.hpp"

#include "lookup.h"
#include "resultview.hpp"
#include "shipped_util.h"

using farhost::WindowAnswer;

namespace {

// "привет" in UTF-8, in code page 866 and in code page 1251.
const char kHelloUtf8[] = "\xd0\xbf\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82";
const char kHello866[] = "\xaf\xe0\xa8\xa2\xa5\xe2";
const char kHello1251[] = "\xef\xf0\xe8\xe2\xe5\xf2";

enum { TypeDravel = 0, TypeDictd = 1, TypeStarDict = 2 };

class Shipped : public DravelTest {
  protected:
    std::string Dictd, StarDict; // the two dictionaries of the test, named by one of their files

    void SetUp() override {
        DravelTest::SetUp();
        std::string unixData = DataFolder; // the writers take the host's own paths
        dravel_test::WriteDictd(
            DataFolder + "\\computing",
            {{"lisp", "Lisp\n\n   <language> A list processor \xe2\x80\x94 1958.\n"},
             {"lisp machine", "Lisp Machine\n\n   A computer for Lisp.\n"},
             {kHelloUtf8, "\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82\n   hello\n"}},
            true, {"00-database-allchars", "00-database-short", "00-database-utf8"});
        Dictd = DataFolder + "\\computing.dict.dz";
        dravel_test::StarDictOptions options;
        options.sameTypeSequence = "h";
        options.synonyms = {{"caffe", 0}};
        StarDict = dravel_test::WriteStarDict(
            DataFolder + "\\drinks",
            {{"caf\xc3\xa9", "<b>Coffee</b> &amp; <i>cake</i>"}, {"tea", "<p>A drink</p><p>from leaves</p>"}},
            options);
    }

    Answer ShowType(const std::string& keyword, const std::string& file, int type,
                    const char* encoding = "") {
        return ShowFile(keyword, file, encoding, type);
    }

    // What the core makes of the headword's articles in the console's OEM code page.
    static std::string Expected(const std::string& file, dravel::Format format, const std::string& headword) {
        char32_t oem[128];
        SystemUpperHalf(GetOEMCP(), oem);
        TextTarget target;
        InitTextTarget(&target, oem);
        dravel::ShippedLookup lookup;
        std::vector<std::string> found;
        bool more = false;
        EXPECT_EQ(dravel::Error::None, lookup.Open(file.c_str(), format));
        EXPECT_EQ(dravel::Error::None, lookup.Find(headword, &found, &more));
        std::u32string text;
        EXPECT_EQ(dravel::Error::None, lookup.Text(0, &target, &text));
        return dravel::ResultBytes(text, &target);
    }

    static bool Russian() { return GetOEMCP() == 866; }
};

TEST_F(Shipped, TheModuleDescribesThreeTypes) {
    Load();
    HelpModuleInfo info;
    memset(&info, 0, sizeof info);
    info.StructSize = sizeof info;
    ASSERT_EQ(1, Message(HM_DESCRIBE, nullptr, &info));
    ASSERT_EQ(3, info.TypesNumber);
    const char* names[] = {"Dravel", "Dictd", "StarDict"};
    const char* masks[] = {"Dravel.txt", "*.index,*.dict.dz,*.dict",
                           "*.ifo,*.idx,*.idx.gz,*.syn,*.dict.dz,*.dict"};
    for (int i = 0; i < 3; i++) {
        EXPECT_STREQ(names[i], info.Types[i].Name);
        EXPECT_STREQ(masks[i], info.Types[i].Masks);
        EXPECT_STREQ("", info.Types[i].Encoding);
        EXPECT_EQ(1u, info.Types[i].DefaultOptions);
        EXPECT_EQ(392, info.Types[i].StructSize);
    }
}

TEST_F(Shipped, ADictdArticleOpensInTheConsolesCodePage) {
    Load();
    host->QueueMenu({"Enter"});
    host->QueueWindow(WindowAnswer::Close);
    EXPECT_EQ(1, ShowType("LISP", Dictd, TypeDictd).Result);
    ASSERT_EQ(1u, host->Menus().size());
    const farhost::MenuRecord& menu = host->Menus()[0];
    EXPECT_EQ(LanguageLine("English", 0), menu.Title);
    EXPECT_EQ("A test dictionary", menu.Bottom) << "the dictionary's short name";
    EXPECT_EQ((std::vector<std::string>{"lisp", "lisp machine"}), MenuTexts(menu));
    ASSERT_EQ(1u, host->Windows().size());
    const farhost::WindowRecord& w = host->Windows()[0];
    ExpectResultPath(TempFolder, w.FileName, "Dravel");
    EXPECT_EQ("LISP", w.Title);
    std::string bytes = ExpectReadsRight(w, false);
    EXPECT_EQ(Expected(Dictd, dravel::Format::Dictd, "lisp"), bytes);
    // Stored as dictd keeps it, lines ending in CR LF, the dash a stand-in in either page.
    EXPECT_EQ("Lisp\r\n\r\n   <language> A list processor -- 1958.\r\n", bytes);
    EXPECT_TRUE(TempEntries().empty());
}

TEST_F(Shipped, ACyrillicKeywordArrivesInTheEntrysEncoding) {
    if (!Russian()) GTEST_SKIP() << "the console's code page has no Cyrillic letters";
    Load();
    size_t windows = 0;
    for (const char* encoding : {"", "WIN"}) {
        SCOPED_TRACE(encoding);
        host->QueueWindow(WindowAnswer::Close);
        std::string keyword = *encoding ? kHello1251 : kHello866;
        EXPECT_EQ(1, ShowType(keyword.substr(0, 3), Dictd, TypeDictd, encoding).Result);
        EXPECT_TRUE(host->Menus().empty());
        ASSERT_EQ(++windows, host->Windows().size());
        // Converted from UTF-8, the article is in the OEM page whatever the entry's encoding.
        std::string bytes = ExpectReadsRight(host->Windows().back(), false);
        EXPECT_EQ(std::string("\x8f\xe0\xa8\xa2\xa5\xe2\r\n   hello\r\n"), bytes);
    }
}

TEST_F(Shipped, AStarDictArticleHasItsMarkupLaidOut) {
    Load();
    host->QueueWindow(WindowAnswer::Close);
    EXPECT_EQ(1, ShowType("tea", StarDict, TypeStarDict).Result);
    ASSERT_EQ(1u, host->Windows().size());
    EXPECT_EQ("tea\r\n\r\nA drink\r\n\r\nfrom leaves\r\n", ExpectReadsRight(host->Windows()[0], false));

    // A synonym finds its word's article; the accented letter is 437's own or a stand-in.
    host->QueueWindow(WindowAnswer::Close);
    EXPECT_EQ(1, ShowType("CAFFE", StarDict.substr(0, StarDict.size() - 4) + ".idx", TypeStarDict).Result);
    ASSERT_EQ(2u, host->Windows().size());
    std::string bytes = ExpectReadsRight(host->Windows()[1], false);
    EXPECT_EQ(Expected(StarDict, dravel::Format::StarDict, "caffe"), bytes);
    EXPECT_EQ(std::string(Russian() ? "cafe" : "caf\x82") + "\r\n\r\nCoffee & cake\r\n", bytes);
    EXPECT_TRUE(TempEntries().empty());
}

TEST_F(Shipped, ADamagedDictionaryIsOneOfTheModulesMessages) {
    Load();
    // The index's lisp entry with a digit that is not base 64.
    std::string index;
    ASSERT_TRUE(farhost::Host::ReadFile(DataFolder + "\\computing.index", &index));
    size_t at = index.find("lisp\t");
    ASSERT_NE(std::string::npos, at);
    index.insert(index.find('\t', at + 5), "*");
    ASSERT_TRUE(farhost::Host::WriteFile(DataFolder + "\\computing.index", index));
    Answer a = ShowType("lisp", Dictd, TypeDictd);
    EXPECT_EQ(0, a.Result);
    EXPECT_EQ(LanguageLine("English", 17), a.ErrorText);
    // A description whose word count is off by one.
    std::string ifo;
    ASSERT_TRUE(farhost::Host::ReadFile(StarDict, &ifo));
    ifo.replace(ifo.find("wordcount=2"), 11, "wordcount=3");
    ASSERT_TRUE(farhost::Host::WriteFile(StarDict, ifo));
    a = ShowType("tea", StarDict, TypeStarDict);
    EXPECT_EQ(0, a.Result);
    EXPECT_EQ(LanguageLine("English", 19), a.ErrorText);
    // The dictionary's other files missing: message 7.
    a = ShowType("tea", DataFolder + "\\none.ifo", TypeStarDict);
    EXPECT_EQ(0, a.Result);
    EXPECT_EQ(LanguageLine("English", 7), a.ErrorText);
    EXPECT_TRUE(host->Windows().empty());
    EXPECT_TRUE(TempEntries().empty());
}

} // namespace
