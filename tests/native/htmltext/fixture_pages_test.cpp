// Pages kept with w3m's dumps (tests/data/html/pages.tsv): the text view keeps at least 97% of
// w3m's words and every paragraph of each, without w3m at hand; and the demo's page reads as
// recorded.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <fstream>
#include <sstream>

#include "chm/container.h"
#include "text/htmltext.h"
#include "peer.h"
#include "wordmatch.h"

namespace {

const std::string Data = std::string(LUMIVO_SOURCE_DIR) + "/tests/data/";

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// A page of a fixture CHM, with its help file's language.
ChmPage PageOfChm(const std::string& chm, const std::string& object) {
    for (ChmPage& page : HtmlPages(Data + "chm/" + chm))
        if (page.Name == object) return page;
    ADD_FAILURE() << chm << " has no page " << object;
    return ChmPage();
}

TEST(FixturePages, KeepW3msWordsAndParagraphs) {
    std::ifstream manifest(Data + "html/pages.tsv");
    std::string line;
    int pages = 0;
    while (std::getline(manifest, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string name, language, charset, dump;
        ASSERT_TRUE(std::getline(fields, name, '\t') && std::getline(fields, language, '\t') &&
                    std::getline(fields, charset, '\t') && std::getline(fields, dump))
            << line;
        SCOPED_TRACE(name);
        ChmPage page;
        size_t colon = name.find(".chm:");
        if (colon != std::string::npos) {
            page = PageOfChm(name.substr(0, colon + 4), name.substr(colon + 5));
        } else {
            page = {"", name, ReadFile(Data + "html/" + name),
                    static_cast<uint32_t>(strtoul(language.c_str(), nullptr, 16))};
            ASSERT_FALSE(page.Bytes.empty());
        }
        std::string theirs = ReadFile(Data + "html/" + dump);
        ASSERT_FALSE(theirs.empty()) << dump;
        WordAgreement a = CompareWords(OurText(page), theirs);
        EXPECT_GE(a.Share(), 0.97) << a.Common << " of " << a.TheirWords << " words";
        EXPECT_GT(a.TheirWords, 50u);
        for (const std::string& lost : a.LostParagraphs)
            ADD_FAILURE() << "lost the paragraph \"" << lost << "\"";
        pages++;
    }
    EXPECT_GE(pages, 6);
}

TEST(FixturePages, TheDemosPageReadsAsRecorded) {
    EXPECT_EQ(ReadFile(Data + "html/pages-textview.txt"), OurText(PageOfChm("pages.chm", "/textview.html")));
}

TEST(FixturePages, WordAgreementCountsOrderAndParagraphs) {
    // The measure itself: words are runs of letters and digits, case kept, in order.
    WordAgreement same = CompareWords("One two, three.\n", "one\ntwo three\n");
    EXPECT_EQ(3u, same.TheirWords);
    EXPECT_EQ(2u, same.Common);
    WordAgreement swapped = CompareWords("b a c d", "a b c d");
    EXPECT_EQ(3u, swapped.Common);
    WordAgreement lost = CompareWords("first\n\nthird\n", "first\n\nsecond paragraph\n\nthird\n");
    EXPECT_EQ(3u, lost.Paragraphs);
    ASSERT_EQ(1u, lost.LostParagraphs.size());
    EXPECT_EQ("second paragraph ", lost.LostParagraphs[0]);
    EXPECT_EQ((std::vector<std::string>{"caf\xc3\xa9", "\xd0\xa4\xd0\xb0\xd0\xb9\xd0\xbb", "x2"}),
              TextWords("caf\xc3\xa9 \xe2\x80\x94 \xd0\xa4\xd0\xb0\xd0\xb9\xd0\xbb! x2"));
}

} // namespace
