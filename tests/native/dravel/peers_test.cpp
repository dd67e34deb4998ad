// The shipped formats held against their own programs: Debian's dictd, started here on loopback
// with a private configuration over Debian's mueller7, FOLDOC and a FreeDict pair and asked with
// dict, and sdcv over Debian's Czech StarDict dictionary. For 300 headwords of each dictionary the
// headwords a keyword begins and the articles' texts must agree, and the result file's bytes in
// code page 866 must be what iconv makes of the peer's text wherever 866 has the character (a
// stand-in where it has none). Linux only: it runs the programs.
#include <gtest/gtest.h>

#include <iconv.h>
#include <stdlib.h>
#include <string.h>

#include <iostream>
#include <algorithm>

#include "articletext.h"
#include "dravel_test_util.h"
#include "lookup.h"
#include "peer_programs.h"
#include "shipped.h"
#include "unicase.h"

namespace {

const size_t kWords = 300;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return lines;
}

// Whether the result file's bytes (code page 866, CR LF) are the peer's UTF-8 text as iconv
// writes it in 866, with some ASCII stand-in (one to six printable characters) wherever 866 lacks
// a character. The stand-ins' lengths are not known here, so every split is tried.
bool SameIn866(const std::string& utf8, const std::string& bytes, std::string* why) {
    iconv_t cd = iconv_open("CP866", "UTF-8");
    std::vector<size_t> reach = {0}, next;
    for (size_t at = 0; at < utf8.size() && !reach.empty();) {
        size_t start = at;
        char32_t c = dravel::NextCharacter(utf8.data(), utf8.size(), &at);
        std::string exact;
        if (c == '\n') {
            exact = "\r\n";
        } else {
            char in[4], out[8];
            memcpy(in, utf8.data() + start, at - start);
            char* pin = in;
            char* pout = out;
            size_t inLeft = at - start, outLeft = sizeof out;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            if (iconv(cd, &pin, &inLeft, &pout, &outLeft) != (size_t)-1 && inLeft == 0)
                exact.assign(out, sizeof out - outLeft);
        }
        next.clear();
        for (size_t b : reach) {
            if (!exact.empty()) {
                if (bytes.compare(b, exact.size(), exact) == 0) next.push_back(b + exact.size());
                continue;
            }
            for (size_t n = 1; n <= 6 && b + n <= bytes.size(); ++n) {
                unsigned char x = (unsigned char)bytes[b + n - 1];
                if (x < 0x20 || x >= 0x7F) break;
                next.push_back(b + n);
            }
        }
        std::sort(next.begin(), next.end());
        next.erase(std::unique(next.begin(), next.end()), next.end());
        reach.swap(next);
        if (reach.empty())
            *why = "at " + std::to_string(start) + " of the peer's text: " + utf8.substr(start, 40);
    }
    iconv_close(cd);
    bool same = std::find(reach.begin(), reach.end(), bytes.size()) != reach.end();
    if (!same && why->empty()) *why = "the result file's length differs";
    return same;
}

// Headwords of an index spread over it: every n-th line's, without the index's own entries.
std::vector<std::string> SampleHeadwords(const std::string& indexPath, size_t count) {
    std::vector<std::string> all;
    for (const std::string& line : Lines(dravel_test::ReadFile(indexPath))) {
        std::string headword = line.substr(0, line.find('\t'));
        if (headword.empty() || headword.compare(0, 2, "00") == 0) continue;
        if (all.empty() || all.back() != headword) all.push_back(headword);
    }
    std::vector<std::string> sample;
    for (size_t i = 0; i < count && !all.empty(); ++i)
        sample.push_back(all[i * all.size() / count]);
    return sample;
}

class DictdServer : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        std::vector<std::pair<std::string, std::string>> present;
        for (const auto& db : Databases())
            if (dravel_test::FileExists("/usr/share/dictd/" + db.second + ".index"))
                present.push_back({db.first, "/usr/share/dictd/" + db.second});
        server_ = new dravel_peers::LocalDictd();
        started_ = server_->Start(present);
    }

    static void TearDownTestSuite() {
        delete server_;
        server_ = nullptr;
    }

    void SetUp() override {
        if (!dravel_peers::HaveProgram("dictd") || !dravel_peers::HaveProgram("dict"))
            GTEST_SKIP() << "dictd and dict are not installed";
        ASSERT_TRUE(started_) << "dictd did not start";
    }

    static std::vector<std::pair<std::string, std::string>> Databases() {
        return {{"mueller7", "mueller7"}, {"foldoc", "foldoc"}, {"deu-eng", "freedict-deu-eng"}};
    }

    static std::string Dict(const std::vector<std::string>& args) {
        return dravel_peers::RunProgram(server_->Dict(args)).out;
    }

    // The headwords dictd matches by prefix for each of the words (each has some), as dict lists
    // them: a block of lines a word, blocks parted by an empty line; a quote or a backslash in a
    // headword comes quoted with a backslash.
    static std::vector<std::vector<std::string>> Matches(const std::string& db,
                                                         const std::vector<std::string>& words) {
        std::vector<std::string> args = {"-d", db, "-f", "-m", "-s", "prefix"};
        args.insert(args.end(), words.begin(), words.end());
        std::string out = Dict(args);
        std::vector<std::vector<std::string>> blocks(1);
        for (const std::string& line : Lines(out)) {
            if (line.empty()) {
                if (!blocks.back().empty()) blocks.emplace_back();
                continue;
            }
            size_t t = line.find('\t', line.find('\t', line.find('\t') + 1) + 1);
            if (t == std::string::npos) continue;
            std::string word;
            for (size_t i = t + 1; i < line.size(); ++i) {
                if (line[i] == '\\' && i + 1 < line.size()) ++i;
                word += line[i];
            }
            blocks.back().push_back(word);
        }
        if (blocks.back().empty()) blocks.pop_back();
        return blocks;
    }

    // The texts of the definitions dictd gives for each of the words: each definition as stored
    // (dict indents every line by two spaces), trailing empty lines dropped, parted by an empty
    // line. A word's answer begins with "N definition(s) found".
    static std::vector<std::string> Definitions(const std::string& db,
                                                const std::vector<std::string>& words) {
        std::vector<std::string> args = {"-d", db, "-f"};
        args.insert(args.end(), words.begin(), words.end());
        std::string out = Dict(args);
        std::vector<std::string> texts;
        std::string one;
        bool inside = false;
        auto finish = [&]() {
            while (!one.empty() && (one.back() == '\n' || one.back() == ' '))
                one.pop_back();
            if (!one.empty()) {
                if (!texts.back().empty()) texts.back() += "\n\n";
                texts.back() += one;
            }
            one.clear();
        };
        for (const std::string& line : Lines(out)) {
            if (line.find(" found") != std::string::npos && line.find("definition") != std::string::npos &&
                line.compare(0, 2, "  ") != 0) {
                if (!texts.empty()) finish();
                texts.emplace_back();
                inside = false;
                continue;
            }
            if (line.compare(0, 10, "127.0.0.1\t") == 0) {
                if (inside) finish();
                inside = true;
                continue;
            }
            if (inside) one += (line.compare(0, 2, "  ") == 0 ? line.substr(2) : line) + "\n";
        }
        if (!texts.empty()) finish();
        for (std::string& text : texts)
            if (!text.empty()) text += "\n";
        return texts;
    }

    static dravel_peers::LocalDictd* server_;
    static bool started_;
};

dravel_peers::LocalDictd* DictdServer::server_ = nullptr;
bool DictdServer::started_ = false;

TEST_F(DictdServer, CandidatesAndArticlesAgreeWithDictd) {
    TextTarget cp866;
    InitTextTarget(&cp866, BuiltInUpperHalf(866));
    size_t databases = 0;
    for (const auto& db : Databases()) {
        std::string base = "/usr/share/dictd/" + db.second;
        if (!dravel_test::FileExists(base + ".index")) continue;
        ++databases;
        dravel::ShippedLookup lookup;
        ASSERT_EQ(lookup.Open((base + ".index").c_str(), dravel::Format::Dictd), dravel::Error::None);
        size_t words = 0, sameCandidates = 0, sameArticles = 0, sameBytes = 0;
        std::vector<std::string> sample = SampleHeadwords(base + ".index", kWords);
        // dict asked for a hundred words at a time: one client a word would take minutes.
        for (size_t first = 0; first < sample.size(); first += 100) {
            std::vector<std::string> batch(sample.begin() + (long)first,
                                           sample.begin() + (long)std::min(sample.size(), first + 100));
            std::vector<std::vector<std::string>> matches = Matches(db.first, batch);
            std::vector<std::string> definitions = Definitions(db.first, batch);
            ASSERT_EQ(matches.size(), batch.size()) << db.first << " from " << batch[0];
            ASSERT_EQ(definitions.size(), batch.size()) << db.first << " from " << batch[0];
            for (size_t i = 0; i < batch.size(); ++i) {
                const std::string& word = batch[i];
                ++words;
                std::vector<std::string> ours;
                bool more = false;
                ASSERT_EQ(lookup.Find(word, &ours, &more), dravel::Error::None) << word;
                std::vector<std::string> theirs = matches[i];
                if (theirs.size() > ours.size() && more) theirs.resize(ours.size());
                if (ours == theirs)
                    ++sameCandidates;
                else
                    ADD_FAILURE() << db.first << " " << word << ": " << ours.size() << " candidates, dictd "
                                  << theirs.size()
                                  << (ours.empty() || theirs.empty() ? ""
                                                                     : ": " + ours[0] + " / " + theirs[0]);
                ASSERT_FALSE(ours.empty()) << word;
                ASSERT_TRUE(lookup.IsExact(0)) << word;
                std::u32string text;
                ASSERT_EQ(lookup.Text(0, &cp866, &text), dravel::Error::None) << word;
                if (TextAsUtf8(text) == definitions[i])
                    ++sameArticles;
                else
                    ADD_FAILURE() << db.first << " " << word << ":\n"
                                  << TextAsUtf8(text) << "--- dictd:\n"
                                  << definitions[i];
                std::string why;
                if (SameIn866(definitions[i], dravel::ResultBytes(text, &cp866), &why))
                    ++sameBytes;
                else
                    ADD_FAILURE() << db.first << " " << word << ": result file in 866 " << why;
            }
        }
        std::cout << "[ dictd    ] " << db.first << ": " << words << " headwords, candidates agree for "
                  << sameCandidates << ", articles for " << sameArticles << ", in code page 866 for "
                  << sameBytes << "\n";
        RecordProperty(db.first, std::to_string(sameCandidates) + "/" + std::to_string(sameArticles) + "/" +
                                     std::to_string(sameBytes) + " of " + std::to_string(words));
    }
    EXPECT_GE(databases, 2u);
}

// sdcv prints an article's text with its markup taken out: compare the words, spaces folded.
std::string Folded(const std::string& text) {
    std::string out;
    bool space = false;
    for (char c : text) {
        if (c == ' ' || c == '\n' || c == '\t' || c == '\r') {
            space = !out.empty();
            continue;
        }
        if (space) out += ' ';
        space = false;
        out += c;
    }
    return out;
}

// The "definition" strings of sdcv's JSON answer.
std::vector<std::string> JsonDefinitions(const std::string& json) {
    std::vector<std::string> out;
    const std::string key = "\"definition\":\"";
    for (size_t at = json.find(key); at != std::string::npos; at = json.find(key, at)) {
        at += key.size();
        std::string s;
        while (at < json.size() && json[at] != '"') {
            char c = json[at++];
            if (c != '\\' || at >= json.size()) {
                s += c;
                continue;
            }
            char e = json[at++];
            if (e == 'n')
                s += '\n';
            else if (e == 't')
                s += '\t';
            else if (e == 'u' && at + 4 <= json.size()) {
                AppendUtf8(&s, (char32_t)strtoul(json.substr(at, 4).c_str(), nullptr, 16));
                at += 4;
            } else
                s += e;
        }
        out.push_back(s);
    }
    return out;
}

TEST(Sdcv, ArticlesOfDebiansCzechDictionaryAgreeWithSdcv) {
    const std::string dir = "/usr/share/stardict/dic", base = dir + "/czech-cizi";
    if (!dravel_peers::HaveProgram("sdcv") || !dravel_test::FileExists(base + ".ifo"))
        GTEST_SKIP() << "sdcv and stardict-czech are not installed";
    // sdcv keeps a cache beside the dictionary or in the home folder: a copy of our own.
    dravel_test::TempDir data, home;
    for (const char* ext : {".ifo", ".idx", ".dict.dz"})
        dravel_test::WriteFile(data.File(("czech-cizi" + std::string(ext)).c_str()),
                               dravel_test::ReadFile(base + ext));
    setenv("HOME", home.Path().c_str(), 1);
    dravel::ShippedLookup lookup;
    ASSERT_EQ(lookup.Open(data.File("czech-cizi.ifo").c_str(), dravel::Format::StarDict),
              dravel::Error::None);
    TextTarget cp866;
    InitTextTarget(&cp866, BuiltInUpperHalf(866));

    // The words of the index, every n-th.
    std::string idx = dravel_test::ReadFile(base + ".idx");
    std::vector<std::string> all;
    for (size_t at = 0; at < idx.size(); at += 9) {
        size_t nul = idx.find('\0', at);
        all.push_back(idx.substr(at, nul - at));
        at = nul;
    }
    size_t words = 0, same = 0, sameBytes = 0;
    for (size_t i = 0; i < kWords; ++i) {
        const std::string& word = all[i * all.size() / kWords];
        ++words;
        std::vector<std::string> ours;
        bool more = false;
        ASSERT_EQ(lookup.Find(word, &ours, &more), dravel::Error::None) << word;
        size_t which = std::find(ours.begin(), ours.end(), word) - ours.begin();
        ASSERT_LT(which, ours.size()) << word;
        // The text in Unicode, and as the result file has it in code page 866 (its markup laid
        // out with 866's stand-ins measured in); the word's own first line sdcv shows apart.
        std::u32string text, text866;
        ASSERT_EQ(lookup.Text(which, nullptr, &text), dravel::Error::None) << word;
        ASSERT_EQ(lookup.Text(which, &cp866, &text866), dravel::Error::None) << word;
        std::string mine = TextAsUtf8(text);
        mine = mine.substr(mine.find('\n') + 1);
        std::string bytes = dravel::ResultBytes(text866, &cp866);
        bytes = bytes.substr(bytes.find('\n') + 1);
        std::string json =
            dravel_peers::RunProgram({"sdcv", "-n", "-j", "-e", "-x", "-2", data.Path(), word}).out;
        std::string theirs;
        for (const std::string& d : JsonDefinitions(json))
            theirs += d + "\n";
        if (Folded(mine) == Folded(theirs))
            ++same;
        else
            ADD_FAILURE() << word << ":\n" << mine << "--- sdcv:\n" << theirs;
        std::string why;
        if (SameIn866(Folded(theirs), Folded(bytes), &why))
            ++sameBytes;
        else
            ADD_FAILURE() << word << ": result file in 866 " << why;
    }
    std::cout << "[ sdcv     ] czech-cizi: " << words << " words, articles agree for " << same
              << ", in code page 866 for " << sameBytes << "\n";
    RecordProperty("czech-cizi",
                   std::to_string(same) + "/" + std::to_string(sameBytes) + " of " + std::to_string(words));
}

} // namespace
