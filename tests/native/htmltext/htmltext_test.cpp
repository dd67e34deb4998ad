// The text view's rules, by what a reader sees: what is dropped, the line structure of blocks,
// lists and tables, preformatted text, entities and whitespace, wrapping, the page's code page,
// and markup that is broken or hostile.
#include <gtest/gtest.h>

#include <stdio.h>

#include <fstream>
#include <random>
#include <sstream>

#include "text/htmltext.h"

// Copies of `unit`, at least `bytes` long (textmemory_test.cpp's too).
std::string Repeated(const std::string& unit, size_t bytes) {
    std::string page;
    page.reserve(bytes + unit.size());
    while (page.size() < bytes)
        page += unit;
    return page;
}

namespace {

std::string Render(const std::string& html, HtmlTextOptions options = HtmlTextOptions()) {
    std::u32string text;
    EXPECT_EQ(HtmlTextDone, RenderHtmlText(reinterpret_cast<const unsigned char*>(html.data()), html.size(),
                                           options, &text));
    return TextAsUtf8(text);
}

HtmlTextOptions Width(unsigned width) {
    HtmlTextOptions options;
    options.Width = width;
    return options;
}

TEST(HtmlTextDrops, HeadScriptsStylesCommentsAndRawTextElements) {
    EXPECT_EQ(
        "Body text.\n",
        Render("<html><head><title>Title</title><style>p { color: red }</style>"
               "<script>if (a < b) document.write('</p>');</script>"
               "<meta charset=utf-8><link rel=stylesheet href=x.css></head>"
               "<body><!-- a comment with <p>markup</p> -->Body <!---->text.<!-->"
               "<xml><MSHelp:Keyword Term=\"x\">data island</MSHelp:Keyword></xml>"
               "<noembed>n</noembed><iframe>fallback</iframe><template><p>t</p></template></body></html>"));
    // A self-closed script hides nothing after it; an unclosed comment hides the rest, as in a
    // browser.
    EXPECT_EQ("Shown.\n", Render("<script src=a.js /><p>Shown.</p>"));
    EXPECT_EQ("Before\n", Render("<p>Before<!-- never closed <p>After"));
    EXPECT_EQ("a b\n", Render("a <!DOCTYPE html><?php echo 1 ?>b"));
}

TEST(HtmlTextBlocks, ParagraphsBreaksAndDivisions) {
    EXPECT_EQ("One.\n\nTwo.\n", Render("<p>One.</p><p>Two.</p>"));
    EXPECT_EQ("One.\n\nTwo.\n", Render("<p>One.<p>Two."));       // implied ends
    EXPECT_EQ("a\nb\n\nc\n", Render("a<br>b<br><br><br><br>c")); // never two blank lines in a row
    EXPECT_EQ("Div one\nDiv two\nafter\n", Render("<div>Div one</div><div>Div two</div>after"));
    EXPECT_EQ("in\n\nout\n", Render("<div><p>in</div>out")); // the end of the division ends its paragraph
    EXPECT_EQ("x\n\ny\n", Render("x</p>y"));                 // a lone end tag is an empty paragraph
    EXPECT_EQ("Top\n\n    quoted line\n\nafter\n", Render("Top<blockquote>quoted line</blockquote>after"));
    std::string rule;
    for (int i = 0; i < 78; i++)
        rule += "\u2500";
    EXPECT_EQ("above\n" + rule + "\nbelow\n", Render("above<hr>below"));
}

TEST(HtmlTextBlocks, HeadingsStandApart) {
    EXPECT_EQ("text\n\nTitle\n=====\n\nSection\n-------\n\nMinor\n\nbody\n",
              Render("text<h1>Title</h1><h2>Section</h2><h3>Minor</h3>body"));
    // A long heading wraps, and its underline is as long as its longest line.
    std::string out = Render("<h2>" + std::string("word ") + "two three four five six seven</h2>", Width(20));
    EXPECT_EQ("word two three four\nfive six seven\n-------------------\n", out);
    EXPECT_EQ("One\n===\n\nTwo\n---\n", Render("<h1>One<h2>Two")); // a heading ends an open one
}

TEST(HtmlTextLists, NumbersBulletsNestingAndHangingIndent) {
    EXPECT_EQ(" 1. one\n 2. two\n", Render("<ol><li>one<li>two</ol>"));
    EXPECT_EQ(" 7. seven\n 8. eight\n10. ten\n11. eleven\n",
              Render("<ol start=7><li>seven<li>eight<li value=10>ten<li>eleven</ol>"));
    EXPECT_EQ(" a. x\n b. y\n", Render("<ol type=a><li>x<li>y</ol>"));
    EXPECT_EQ("  I. x\n II. y\nIII. z\n", Render("<ol type=I><li>x<li>y<li>z</ol>"));
    EXPECT_EQ("  \u2022 outer\n      \u25e6 inner\n          \u25aa deepest\n  \u2022 last\n",
              Render("<ul><li>outer<ul><li>inner<ul><li>deepest</ul></ul><li>last</ul>"));
    // Long items wrap under their text; blank lines set a top-level list apart from paragraphs.
    EXPECT_EQ("Intro\n\n 1. alpha beta gamma delta\n    epsilon\n\nAfter\n",
              Render("<p>Intro<ol><li>alpha beta gamma delta epsilon</ol><p>After", Width(30)));
    // Where indenting would leave less than 20 columns, it stops.
    EXPECT_EQ("1. alpha beta gamma\n  delta epsilon\n",
              Render("<ol><li>alpha beta gamma delta epsilon", Width(22)));
    // An item outside any list still gets its bullet; text between items is indented like them.
    EXPECT_EQ("  \u2022 stray\n", Render("<li>stray"));
    EXPECT_EQ("  \u2022 a\n    between\n  \u2022 b\n", Render("<ul><li>a</li>between<li>b</ul>"));
}

TEST(HtmlTextLists, DefinitionLists) {
    EXPECT_EQ("Term\n    Its definition.\nOther\n    Another one.\n",
              Render("<dl><dt>Term<dd>Its definition.<dt>Other<dd>Another one.</dl>"));
}

TEST(HtmlTextPre, VerbatimWithTabsExpanded) {
    EXPECT_EQ("before\n\n  two  spaces\n\nx\n", Render("before<pre>\n  two  spaces\n</pre>\t x"));
    EXPECT_EQ("a       b\nab      c\n        d\n", Render("<pre>a\tb\nab\tc\n\td</pre>"));
    // Markup and entities inside count; blank lines inside are kept.
    EXPECT_EQ("bold & <link>\n\n\nend\n",
              Render("<pre><b>bold</b> &amp; &lt;<a href=x>link</a>&gt;\n\n\nend</pre>"));
    // An indented preformatted block keeps its indentation, lines longer than the page too.
    std::string long_line(100, 'x');
    EXPECT_EQ("    " + long_line + "\n", Render("<blockquote><pre>" + long_line + "</pre></blockquote>"));
    EXPECT_EQ("shown <as> is\n", Render("<xmp>shown <as> is</xmp>"));
    EXPECT_EQ("a & b\n", Render("<textarea>a &amp; b</textarea>"));
}

TEST(HtmlTextText, WhitespaceCollapsesAndLinksKeepTheirText) {
    EXPECT_EQ("one two three\n", Render("  one \t\n two<b> </b> three  "));
    EXPECT_EQ("a    b\n", Render("a&nbsp;&nbsp;&nbsp; b")); // no-break spaces stay
    EXPECT_EQ("See the manual, page 2.\n",
              Render("See <a href=\"m.html\">the <i>manual</i></a>, page&nbsp;2."));
    EXPECT_EQ("x[Alt]y\n", Render("x<img src=a.gif alt=\"[Alt]\">y<img src=b.gif>"));
    EXPECT_EQ("Language [C#]\n", Render("Language <select><option>C#<option>VB</select>"));
    EXPECT_EQ("pick [VB] here\n", Render("pick <select><option>C#<option selected> VB </select> here"));
    EXPECT_EQ("ab\n", Render("a&shy;b")); // a soft hyphen shows nothing
}

TEST(HtmlTextText, WrapsAtTheWidthAndNeverBreaksAWord) {
    std::string words;
    for (int i = 0; i < 40; i++)
        words += "word" + std::to_string(i) + " ";
    std::istringstream lines(Render("<p>" + words + "</p>"));
    std::string line, joined;
    std::vector<std::string> all;
    while (std::getline(lines, line)) {
        EXPECT_LE(line.size(), 78u) << line;
        all.push_back(line);
        joined += line + " ";
    }
    EXPECT_EQ(words, joined);
    for (size_t i = 0; i + 1 < all.size(); i++) // a line ends where the next word would not fit
        EXPECT_GT(all[i].size() + 1 + all[i + 1].find(' '), 78u) << all[i];
    std::string longWord(120, 'y');
    EXPECT_EQ("short\n" + longWord + "\nend\n", Render("short " + longWord + " end"));
    // A call may break before its parenthesis.
    EXPECT_EQ("a longer text call\n(argument)\n", Render("a longer text call(argument)", Width(20)));
}

TEST(HtmlTextEntities, EveryHtml4NameAndNumericReferences) {
    // The HTML 4 list, recorded from Python's html.entities (tests/data/html/entities.tsv).
    std::ifstream list(std::string(LUMIVO_SOURCE_DIR) + "/tests/data/html/entities.tsv");
    std::string name;
    unsigned code, count = 0;
    while (list >> name >> code) {
        EXPECT_EQ(code, NamedEntity(name.c_str(), name.size())) << name;
        count++;
    }
    EXPECT_EQ(253u, count);
    EXPECT_EQ(0u, NamedEntity("AMP", 3)); // names are case-sensitive
    EXPECT_EQ(0u, NamedEntity("bogus", 5));
    EXPECT_EQ(
        "\u00e9\u00c9 \u2014 \u201cq\u201d \u20ac \u2122 A B c \ufffd \ufffd \ufffd\n",
        Render("&eacute;&Eacute; &mdash; &ldquo;q&rdquo; &#128; &#x2122; &#65; &#x42; &#99 &#0; &#xD800; "
               "&#99999999;"));
    // Without ';' only the old Latin-1 names are read, and in attributes not before a letter.
    EXPECT_EQ("\u00a92010 & &bogus; &#xZZ;  x\n", Render("&copy2010 &amp &bogus; &#xZZ; &nbspx"));
    EXPECT_EQ("a&copy=b\u00a9\n", Render("<img alt=\"a&copy=b&copy\">"));
}

TEST(HtmlTextTables, ColumnsWhenTheyFit) {
    EXPECT_EQ("Key  Action\nF3   View\nEsc  Close it\n",
              Render("<table><tr><th>Key<th>Action<tr><td>F3<td>View<tr><td>Esc<td>Close it</table>"));
    // Empty rows and columns take no room; a caption comes first.
    EXPECT_EQ("Caption\na  b\n", Render("<table><caption>Caption</caption><tr><td>a<td><img src=x><td>b"
                                        "<tr><td><td><td></table>"));
    // Spanning cells.
    EXPECT_EQ("Wide cell  C\nTwo   B2   C2\n      B3   C3\n",
              Render("<table><tr><td colspan=2>Wide cell<td>C<tr><td rowspan=2>Two<td>B2<td>C2"
                     "<tr><td>B3<td>C3</table>"));
    // A table in a table.
    EXPECT_EQ("Outer  in1  in2\n       in3  in4\n",
              Render("<table><tr><td>Outer<td><table><tr><td>in1<td>in2<tr><td>in3<td>in4</table></table>"));
}

TEST(HtmlTextTables, LongCellsWrapInTheirColumnAndAlignVertically) {
    std::string out = Render(
        "<table><tr><td>Name<td>A description that is long enough to wrap twice in its own column, as this"
        " one does<tr><td valign=top>Top<td>Another description that wraps as well</table>",
        Width(40));
    EXPECT_EQ("      A description that is long enough\n"
              "Name  to wrap twice in its own column,\n"
              "      as this one does\n"
              "Top   Another description that wraps as\n"
              "      well\n",
              out);
}

TEST(HtmlTextTables, TooWideForColumnsOneCellALine) {
    std::string a(50, 'a'), b(40, 'b');
    EXPECT_EQ(a + "\n" + b + "\n\nsecond\nrow\n",
              Render("<table><tr><td>" + a + "<td>" + b + "<tr><td>second<td>row</table>"));
}

TEST(HtmlTextCodePages, ByteOrderMarkMetaCharsetAndTheHelpFilesPage) {
    HtmlTextOptions cp1251;
    cp1251.CodePage = 1251;
    EXPECT_EQ("\u0424\u0430\u0439\u043b\n", Render("\xd4\xe0\xe9\xeb", cp1251));
    // The page's own declaration wins over the help file's code page; a BOM over both.
    EXPECT_EQ(
        "\u00c0\n",
        Render("<meta http-equiv=Content-Type content=\"text/html; charset=windows-1252\">\xc0", cp1251));
    EXPECT_EQ("\u0104\n", Render("<meta charset=\"windows-1250\">\xa5", cp1251));
    EXPECT_EQ("\u00e9\n", Render("<?xml version=\"1.0\" encoding=\"UTF-8\"?><p>\xc3\xa9", cp1251));
    EXPECT_EQ("\u00e9\n", Render("\xef\xbb\xbf<meta charset=windows-1251>\xc3\xa9", cp1251));
    EXPECT_EQ("\u00e9x\n", Render(std::string("\xff\xfe\xe9\0x\0", 6), cp1251));
    // An unknown label leaves the help file's page; so does a false claim of UTF-8.
    EXPECT_EQ("\u0424\n", Render("<meta charset=koi8-r>\xd4", cp1251));
    EXPECT_EQ("\u0424\n", Render("<meta charset=utf-8>\xd4", cp1251));
    // A meta charset inside a comment or after the body starts does not count.
    EXPECT_EQ("\u0424\n",
              Render("<!-- <meta charset=utf-8> --><body><meta charset=windows-1252>\xd4", cp1251));
    // Pages the reader carries no table for read their upper half as undefined, unless the
    // platform hands one in.
    HtmlTextOptions greek;
    greek.CodePage = 1253;
    EXPECT_EQ("\ufffd\n", Render("\xe1", greek));
    char32_t upper[128];
    for (int i = 0; i < 128; i++)
        upper[i] = 0x0370 + i;
    greek.UpperHalf = upper;
    EXPECT_EQ("\u03d1\n", Render("\xe1", greek));
}

TEST(HtmlTextCodePages, StandInsComeBeforeTheLayoutCountsColumns) {
    TextTarget cp437;
    InitTextTarget(&cp437, BuiltInUpperHalf(437));
    HtmlTextOptions options;
    options.Target = &cp437;
    options.Width = 20;
    std::u32string text;
    std::string html = "<table><tr><td>&mdash;&mdash;<td>x<tr><td>&eacute;<td>y</table>"
                       "<p>\xe2\x80\x94 \xd0\xaf \xe2\x82\xac \xe2\x98\x83";
    options.CodePage = CodePageUtf8;
    ASSERT_EQ(HtmlTextDone, RenderHtmlText(reinterpret_cast<const unsigned char*>(html.data()), html.size(),
                                           options, &text));
    // The em dashes take two columns each, so the second column starts at 6; 437 has the é.
    std::string oem = TextInTarget(text, cp437);
    EXPECT_EQ("----  x\r\n\x82     y\r\n\r\n-- Ya EUR ?\r\n", oem);
}

TEST(HtmlTextBroken, MarkupIsRecoveredWithoutLosingText) {
    EXPECT_EQ("a < b and 3 > 2\n", Render("a < b and 3 > 2"));
    EXPECT_EQ("link.\n", Render("<a href=x.html title=Plain>link</a>."));
    // A quote that never closes ends at the tag's first '>'.
    EXPECT_EQ("the link text and what follows.\n",
              Render("<a href=\"t.html>the link text</a> and what follows."));
    EXPECT_EQ("cell one  cell two\nrow two\n",
              Render("<table><tr><td>cell one<td>cell two<tr><td>row two</table>"));
    EXPECT_EQ("  \u2022 item\n  \u2022 two\n\nafter\n", Render("<ul><li>item<li>two</ol></ul>after"));
    // Text between a table's rows gets a cell of its own, before the table's end.
    EXPECT_EQ("stray\ncell\n", Render("<table>stray<tr><td>cell</table>"));
    // The page ending inside a tag drops that tag only.
    EXPECT_EQ("kept\n", Render("kept<a href=\"x"));
    EXPECT_EQ("kept\n", Render("kept<p"));
    // End tags close only within their table cell.
    EXPECT_EQ("a  b\n", Render("<div><table><tr><td>a</div><td>b</table>"));
}

TEST(WideTablesLoseCellsSilently, EveryCellsTextAppears) {
    // Wider than the columned layout takes: the whole table a cell a line, none left out.
    std::string wide = "<table><tr>", lines;
    for (int c = 1; c <= 70; c++) {
        wide += "<td>c" + std::to_string(c);
        lines += "c" + std::to_string(c) + "\n";
    }
    EXPECT_EQ(lines + "\nnext row\n\nafter\n", Render(wide + "<tr><td>next row</table>after"));
    EXPECT_EQ("wide\nc1\nc2\nc3\nc4\nc5\nc6\n",
              Render("<table><tr><td colspan=60>wide<td>c1<td>c2<td>c3<td>c4<td>c5<td>c6</table>"));
    // A span reaches no further than the last column a cell starts in: a title over two columns,
    // and a page's only text in a span over columns nothing else fills.
    EXPECT_EQ("Title\nname  value\n",
              Render("<table><tr><td colspan=1000>Title<tr><td>name<td>value</table>"));
    EXPECT_EQ("TPen\n", Render("<table><tr><td colspan=\"3\"><p>TPen</p></td><td></td></tr></table>"));
    EXPECT_EQ("xy\n", Render("<table><tr><td><td><td></tr><tr><td colspan=3>xy</table>"));
    EXPECT_EQ("a  b\n   c\n", Render("<table><tr><td rowspan=1000>a<td>b<tr><td>c</table>"));
    // A wide table nested in a cell is measured as laid out: a cell a line.
    EXPECT_EQ("x  c1\n   c2\n", Render("<table><tr><td>x<td><table><tr><td>c1<td colspan=64>" +
                                       std::string("<td>c2</table></table>")));
}

TEST(HtmlTextBroken, HostilePagesRenderWithoutCrashing) {
    const size_t size = 1536 * 1024;
    // Nesting far deeper than any page: blocks, lists, tables, inline elements, unclosed quotes.
    for (const char* unit : {"<div>", "<ul><li>", "<table><tr><td>", "<b><i>", "<a href=\"x>", "<p><",
                             "<blockquote>", "<table>x", "<td>", "&#", "<select><option>a", "<pre>\t",
                             "<ol start=99999999><li>", "<dl><dt>", "<h1>", "<table><caption>"}) {
        SCOPED_TRACE(unit);
        std::string out = Render(Repeated(unit, size) + " end");
        // Two of them pass the text view's limits (20 million characters of indented bullets,
        // 800,000 blocks): they are cut, and say so.
        std::string cut = std::string(TextCutNote) + "\n";
        if (std::string(unit) == "<ul><li>" || std::string(unit) == "<p><")
            EXPECT_EQ(cut, out.substr(out.size() - std::min(out.size(), cut.size())));
        else
            EXPECT_NE(std::string::npos, out.find("end")) << out.substr(0, 200);
    }
    // A table of many rows and columns, and one very long paragraph.
    std::string table =
        "<table>" + Repeated("<tr><td>a<td colspan=1000>b<td rowspan=1000>c", size) + "</table>";
    EXPECT_FALSE(Render(table).empty());
    std::string words = Render(Repeated("word ", size));
    size_t count = 0;
    for (size_t at = words.find("word"); at != std::string::npos; at = words.find("word", at + 4))
        count++;
    EXPECT_EQ((size + 4) / 5, count);
    // A page that ends in an unterminated declaration loses only that.
    EXPECT_EQ("start\n", Render("start" + Repeated("<!", size)));
    // Binary junk: some text, no control character.
    std::mt19937 random(8);
    std::string junk(size, '\0');
    for (char& c : junk)
        c = static_cast<char>(random());
    for (unsigned codePage : {1252u, 1251u, static_cast<unsigned>(CodePageUtf8)}) {
        HtmlTextOptions options;
        options.CodePage = codePage;
        std::u32string text;
        ASSERT_EQ(HtmlTextDone, RenderHtmlText(reinterpret_cast<const unsigned char*>(junk.data()),
                                               junk.size(), options, &text));
        EXPECT_FALSE(text.empty());
        for (char32_t c : text)
            ASSERT_TRUE(c == '\n' || (c >= 0x20 && c != 0x7F && (c < 0x80 || c >= 0xA0)))
                << static_cast<unsigned>(c);
    }
}

TEST(HtmlTextPlain, APlainTextPageKeepsItsLines) {
    HtmlTextOptions options = TopicPageOptions("/notes/readme.TXT", 0x419);
    EXPECT_TRUE(options.Plain);
    EXPECT_EQ(1251u, options.CodePage);
    EXPECT_EQ("<b>not markup</b>\n\n\xd0\xa4       x\n", Render("<b>not markup</b>\r\n\r\n\xd4\tx", options));
    EXPECT_FALSE(TopicPageOptions("/page.html", 0x409).Plain);
    EXPECT_EQ(1252u, TopicPageOptions("/page.html", 0).CodePage);
}

} // namespace
