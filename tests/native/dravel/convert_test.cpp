// dictd2dravel: articles joined and marked, stand-ins, and sources that break the index's rules
// still giving a dictionary in which every headword finds its own article.
#include <gtest/gtest.h>

#include <zlib.h>

#include <algorithm>

#include "convert.h"
#include "dravel_test_util.h"
#include "lookup.h"

using dictd2dravel::Encode;
using dravel::CodePage;
using dravel_test::ReadFile;
using dravel_test::TempDir;
using dravel_test::WriteFile;

namespace {

std::string Cp866(const char* utf8) {
    return Encode(utf8, CodePage::Cp866, nullptr);
}

std::string Convert(const char* headword, const char* text, bool markers = true) {
    dictd2dravel::Options options;
    options.markers = markers;
    return dictd2dravel::ConvertArticle(headword, text, options, nullptr);
}

std::string Base64(uint64_t v) {
    const char* digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    do {
        out.insert(out.begin(), digits[v % 64]);
        v /= 64;
    } while (v);
    return out;
}

// A dictd dictionary: the articles stored in the given order, the index sorted by headword.
void WriteDictd(const std::string& base, const std::vector<std::pair<std::string, std::string>>& articles,
                bool compressed) {
    std::string data;
    std::vector<std::string> index;
    for (const auto& a : articles) {
        index.push_back(a.first + "\t" + Base64(data.size()) + "\t" + Base64(a.second.size()));
        data += a.second;
    }
    std::sort(index.begin(), index.end());
    index.push_back("broken\t!!\tA");
    std::string text;
    for (const std::string& line : index)
        text += line + "\n";
    WriteFile(base + ".index", text);
    if (!compressed) {
        WriteFile(base + ".dict", data);
        return;
    }
    gzFile gz = gzopen((base + ".dict.dz").c_str(), "wb");
    ASSERT_NE(gz, nullptr);
    ASSERT_EQ(gzwrite(gz, data.data(), (unsigned)data.size()), (int)data.size());
    gzclose(gz);
}

} // namespace

TEST(ConvertArticle, JoinsLinesAndMarksSenses) {
    const char* text = "back\n"
                       "   _I  [bæk] _n. большой чан\n"
                       "   _II [bæk]\n"
                       "      1. _n.\n"
                       "         1) спина; отвернуться от кого-\n"
                       "         л.; a six-\n"
                       "footer; (страсти - to) -\n"
                       "         to\n"
                       "         10)индоссировать\n"
                       "            а) поддерживать;\n"
                       "            б) давать\n\n";
    EXPECT_EQ(Convert("back", text),
              Cp866("back  _I [b{k] _n. большой чан _II [b{k] 1. _n. 1> спина; отвернуться "
                    "от кого-л.; a six-footer; (страсти - to) - to 10> индоссировать "
                    "а> поддерживать; б> давать"));
    EXPECT_EQ(Convert("back", "back\n   1) one\n   а) two\n", false), Cp866("back  1) one а) two"));
}

TEST(ConvertArticle, FindsTheHeadwordOnTheFirstLine) {
    EXPECT_EQ(Convert("a", "A\n   a\n   _I [ɛɪ]\n"), "A  a _I [EI]");
    EXPECT_EQ(Convert("cat", "cat /kæt/\n  Katze\n"), "cat  /k{t/ Katze");
    EXPECT_EQ(Convert("dog", "Hund\n  der\n"), "dog  Hund der");
    EXPECT_EQ(Convert("two  words\t", "two words\n x\n"), "two words  x");
    EXPECT_EQ(Convert("bare", "bare\n"), "bare  ");
}

TEST(Encode, StandInsForWhatTheCodePageLacks) {
    dictd2dravel::Report report;
    EXPECT_EQ(Encode("[ɜ↗bændɜn] θðŋʃʒ ɘ ↘ː", CodePage::Cp866, &report), "[3'b{nd3n] TDNSZ @\\ ,:");
    EXPECT_EQ(report.standIns, 12);
    EXPECT_EQ(Encode("«café» — № ☃\x01\xFF", CodePage::Cp866, &report), "\"cafe\" - \xFC ? y");
    EXPECT_EQ(report.unknown, 1);
    EXPECT_EQ(Encode("«Ёж»", CodePage::Cp1251, nullptr), "\xAB\xA8\xE6\xBB");
}

TEST(GroupRuns, StartLineAndStrayArticles) {
    std::vector<std::string> body = {"ab  1", "cd  2", "AB  3", "'c  4", "cD  5"};
    dictd2dravel::Report report;
    dictd2dravel::GroupRuns(&body, CodePage::Cp866, &report);
    EXPECT_EQ(body, (std::vector<std::string>{"'c", "'c  4", "ab  1", "AB  3", "cd  2", "cD  5"}));
    EXPECT_TRUE(report.startInserted);
    EXPECT_EQ(report.moved, 3);
    EXPECT_EQ(dictd2dravel::CountRuns(body, CodePage::Cp866), 3);

    std::vector<std::string> good = {"'cause  1", "ab  2"};
    dictd2dravel::Report clean;
    dictd2dravel::GroupRuns(&good, CodePage::Cp866, &clean);
    EXPECT_EQ(good.size(), 2u);
    EXPECT_FALSE(clean.startInserted);
    EXPECT_EQ(clean.moved, 0);
}

TEST(DecodeBase64, DictdOffsets) {
    uint64_t v = 0;
    EXPECT_TRUE(dictd2dravel::DecodeBase64("C+m", &v));
    EXPECT_EQ(v, 12198u);
    EXPECT_FALSE(dictd2dravel::DecodeBase64("C=m", &v));
    EXPECT_FALSE(dictd2dravel::DecodeBase64("", &v));
    EXPECT_FALSE(dictd2dravel::DecodeBase64("////////", &v));
}

TEST(Convert, SourceThatBreaksTheRunRuleStillReadsRight) {
    std::vector<std::pair<std::string, std::string>> articles = {
        {"00-database-info", "00-database-info\n'Cool header text\n"},
        {"beta", "beta\n   marker-beta\n"},
        {"alpha", "alpha\n   marker-alpha\n"},
        {"bet", "bet\n   marker-bet\n"},
        {"ёж", "ёж\n   marker-hedgehog\n"},
        {"Ёлка", "Ёлка\n   marker-tree\n"},
        {"ЁЖИК", "ЁЖИК\n   marker-hedgehog2\n"},
    };
    for (bool compressed : {false, true}) {
        TempDir dir;
        std::string base = dir.File("src");
        WriteDictd(base, articles, compressed);
        dictd2dravel::Report report;
        std::string error;
        std::string out = dir.File("Dravel.txt");
        ASSERT_TRUE(dictd2dravel::Convert((base + ".index").c_str(), out.c_str(), {}, &report, &error))
            << error;
        EXPECT_EQ(report.articles, 6);
        EXPECT_TRUE(report.startInserted);
        EXPECT_EQ(report.moved, 2); // "bet" and "ЁЖИК"
        EXPECT_EQ(report.skipped, 1);
        EXPECT_EQ(report.runs, 5); // 'c, be, al, ёж, ёл
        std::string bytes = ReadFile(out);
        EXPECT_EQ(report.bytes, (int64_t)bytes.size());
        EXPECT_NE(bytes.find(" 'Cool header text\r\n"), std::string::npos);
        EXPECT_NE(bytes.find("\r\n'c\r\nbeta  marker-beta\r\nbet  marker-bet\r\nalpha"), std::string::npos);

        dravel::Lookup lookup(dravel::CompareNoCase866);
        for (const auto& a : articles) {
            if (a.first[0] == '0') continue;
            std::string word = Cp866(a.first.c_str());
            std::vector<dravel::Candidate> candidates;
            bool more = false;
            ASSERT_EQ(lookup.Open(out.c_str(), word.c_str()), dravel::Error::None) << a.first;
            ASSERT_EQ(lookup.Collect(&candidates, &more), dravel::Error::None);
            auto own = std::find_if(candidates.begin(), candidates.end(),
                                    [&](const dravel::Candidate& c) { return word == c.text; });
            ASSERT_NE(own, candidates.end()) << a.first;
            std::string line;
            ASSERT_EQ(lookup.ReadArticle(own->offset, &line), dravel::Error::None);
            std::string marker = a.second.substr(a.second.find("marker"));
            marker.pop_back();
            EXPECT_EQ(line, word + "  " + marker);
        }
    }
}

TEST(Convert, MissingSourceIsAClearError) {
    TempDir dir;
    dictd2dravel::Report report;
    std::string error;
    EXPECT_FALSE(
        dictd2dravel::Convert(dir.File("none").c_str(), dir.File("out").c_str(), {}, &report, &error));
    EXPECT_NE(error.find("none.index"), std::string::npos);
}
