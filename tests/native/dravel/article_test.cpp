// Article layout, byte for byte.
#include <gtest/gtest.h>

#include "article.h"

namespace {

std::string Layout(const std::string& line) {
    std::string out;
    dravel::LayoutArticle(line.data(), line.size(), &out);
    return out;
}

} // namespace

TEST(ArticleLayout, RomanNumberedAndSenseMarkers) {
    EXPECT_EQ(Layout("go  [x] _I _v. 1> to go; to leave 2> to quit _II _n. a trip"),
              "go\r\n[x] \r\n  _I _v. \r\n1> to go; to leave \r\n2> to quit \r\n  _II _n. a trip\r\n");
}

TEST(ArticleLayout, SubSensePhraseStandsOnItsOwnLine) {
    EXPECT_EQ(Layout("x  1> a thing; (law) a> first b> second"),
              "x\r\n1> a thing;\r\n (law) \r\na> first \r\nb> second\r\n");
    EXPECT_EQ(Layout("x  1> thing; a> first"), "x\r\n1> thing; \r\na> first\r\n");
}

TEST(ArticleLayout, MarkersThatAreNot) {
    EXPECT_EQ(Layout("x  12 apples _IV. no 3x _vi a"), "x\r\n12 apples _IV. no 3x _vi a\r\n");
    EXPECT_EQ(Layout("x  a 1. b"), "x\r\na \r\n  1. b\r\n");
}

TEST(ArticleLayout, WrapsAtSeventySixCharacters) {
    std::string word(100, 'w');
    EXPECT_EQ(Layout("w  " + word), "w\r\n" + word.substr(0, 76) + "\r\n" + word.substr(76) + "\r\n");

    std::string words;
    for (int i = 0; i < 20; ++i)
        words += "word" + std::to_string(i % 10) + " ";
    std::string out = Layout("w  " + words);
    EXPECT_EQ(out, "w\r\n" + words.substr(0, 71) + "\r\n" + words.substr(72) + "\r\n");

    std::string exact = std::string(76, 'e') + "   tail";
    EXPECT_EQ(Layout("w  " + exact), "w\r\n" + std::string(76, 'e') + "\r\ntail\r\n");
}

TEST(ArticleLayout, HeadwordOnlyAndOddLines) {
    EXPECT_EQ(Layout("solo"), "solo\r\n");
    EXPECT_EQ(Layout("w  "), "w\r\n");
    EXPECT_EQ(Layout("  text"), "text\r\n");
    EXPECT_EQ(Layout(std::string("a\0b  c\0d", 8)), "a b\r\nc d\r\n");
    EXPECT_EQ(Layout("x  _I"), "x\r\n_I\r\n");
    EXPECT_EQ(Layout("x  t _ "), "x\r\nt \r\n  _ \r\n");
}

TEST(ArticleLayout, HeadwordLength) {
    EXPECT_EQ(dravel::HeadwordLength("a  [ei]", 7), 2u);
    EXPECT_EQ(dravel::HeadwordLength("  x", 3), 2u);
    EXPECT_EQ(dravel::HeadwordLength("abc  x", 6), 3u);
    EXPECT_EQ(dravel::HeadwordLength("abc x", 5), 0u);
}
