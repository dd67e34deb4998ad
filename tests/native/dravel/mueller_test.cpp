// The real dictionary: Debian's Mueller English-Russian dictionary converted by dictd2dravel
// during the test (into the build tree), indexed and looked up through the core.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "article.h"
#include "codepage.h"
#include "convert.h"
#include "dravel_test_util.h"
#include "index.h"
#include "lookup.h"

namespace {

#ifdef _WIN32
const char kSource[] = "Z:/usr/share/dictd/mueller7";
#else
const char kSource[] = "/usr/share/dictd/mueller7";
#endif

struct Converted {
    std::string path;
    std::string bytes;
    dictd2dravel::Report report;
    std::string error;
    bool ok = false;
};

const Converted& Mueller() {
    static Converted c = [] {
        Converted r;
        r.path = std::string(LUMIVO_BINARY_DIR) + "/dravel-mueller7.txt";
        dravel::RemoveFile((r.path + ".hsh").c_str());
        r.ok = dictd2dravel::Convert(kSource, r.path.c_str(), {}, &r.report, &r.error);
        if (r.ok) r.bytes = dravel_test::ReadFile(r.path);
        return r;
    }();
    return c;
}

class MuellerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!dravel_test::FileExists(std::string(kSource) + ".index"))
            GTEST_SKIP() << "Debian package mueller7-dict is not installed (" << kSource << ".*)";
        ASSERT_TRUE(Mueller().ok) << Mueller().error;
    }
};

// Body lines with their offsets, split independently of the line reader (the converter writes CR LF).
std::vector<std::pair<long, std::string>> BodyLines(const std::string& bytes) {
    std::vector<std::pair<long, std::string>> lines;
    size_t at = 0;
    bool body = false;
    while (at < bytes.size()) {
        size_t end = bytes.find("\r\n", at);
        std::string line = bytes.substr(at, end - at);
        if (!body && line.size() >= 2 && line[0] == '\'' && (line[1] == 'c' || line[1] == 'C')) body = true;
        if (body) lines.emplace_back((long)at, line);
        at = end + 2;
    }
    return lines;
}

unsigned Key(const std::string& s) {
    return (unsigned)dravel::FoldCase(dravel::CodePage::Cp866, (unsigned char)s[0]) << 8 |
           dravel::FoldCase(dravel::CodePage::Cp866, (unsigned char)s[1]);
}

} // namespace

TEST_F(MuellerTest, IndexHasOneEntryPerRunAtItsFirstLine) {
    const Converted& m = Mueller();
    dravel::File dict, index;
    ASSERT_TRUE(dict.OpenRead(m.path.c_str()));
    dravel::LineReader reader(dict);
    ASSERT_EQ(dravel::OpenIndex(m.path.c_str(), reader, &index, dravel::CompareNoCase866, nullptr),
              dravel::Error::None);
    index.Close();
    std::string entries = dravel_test::ReadFile(dravel::IndexPath(m.path.c_str()));

    std::vector<std::pair<long, std::string>> body = BodyLines(m.bytes);
    std::vector<std::pair<long, std::string>> runStarts;
    for (size_t i = 0; i < body.size(); ++i)
        if (i == 0 || Key(body[i].second) != Key(body[i - 1].second)) runStarts.push_back(body[i]);

    std::set<unsigned> keys;
    size_t count = 0, at = 0;
    while (at < entries.size()) {
        size_t end = entries.find("\r\n", at);
        ASSERT_NE(end, std::string::npos);
        std::string entry = entries.substr(at, end - at);
        at = end + 2;
        ASSERT_LT(count, runStarts.size());
        long offset = std::stol(entry.substr(2));
        EXPECT_EQ(offset, runStarts[count].first) << entry;
        EXPECT_EQ(m.bytes.compare((size_t)offset, 2, entry, 0, 2), 0) << entry;
        EXPECT_TRUE(m.bytes[(size_t)offset - 1] == '\n') << entry;
        EXPECT_TRUE(keys.insert(Key(entry)).second) << "run repeated: " << entry;
        ++count;
    }
    EXPECT_EQ(count, runStarts.size());
    EXPECT_EQ((long)count, m.report.runs);
    RecordProperty("articles", (int)m.report.articles);
    RecordProperty("runs", (int)count);
    RecordProperty("bytes", (int)m.bytes.size());
}

TEST_F(MuellerTest, SampledHeadwordsFindTheirOwnArticles) {
    const Converted& m = Mueller();
    std::vector<std::pair<long, std::string>> body = BodyLines(m.bytes);
    std::vector<size_t> sample;
    for (size_t i = 1; i < body.size(); i += 150)
        sample.push_back(i);
    for (size_t i = 0; i < body.size(); ++i)
        if (body[i].second.size() > dravel::LineLimit) sample.push_back(i);
    ASSERT_GT(sample.size(), 300u);

    dravel::Lookup lookup(dravel::CompareNoCase866);
    size_t longOnes = 0;
    for (size_t i : sample) {
        const std::string& line = body[i].second;
        std::string headword = line.substr(0, line.find("  "));
        std::vector<dravel::Candidate> candidates;
        bool more = false;
        ASSERT_EQ(lookup.Open(m.path.c_str(), headword.c_str()), dravel::Error::None) << headword;
        ASSERT_EQ(lookup.Collect(&candidates, &more), dravel::Error::None) << headword;
        auto own = std::find_if(candidates.begin(), candidates.end(), [&](const dravel::Candidate& c) {
            return c.offset == (uint32_t)body[i].first;
        });
        ASSERT_NE(own, candidates.end()) << headword;
        std::string article, text;
        ASSERT_EQ(lookup.ReadArticle(own->offset, &article), dravel::Error::None);
        EXPECT_EQ(article, line);
        dravel::LayoutArticle(article.data(), article.size(), &text);
        if (headword.size() <= 76 && headword.size() > 1) {
            EXPECT_EQ(text.compare(0, headword.size() + 2, headword + "\r\n"), 0) << headword;
        }
        if (line.size() > dravel::LineLimit) ++longOnes;
    }
    EXPECT_GE(longOnes, 1u); // the long article "go" is read whole
}
