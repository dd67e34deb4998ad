// FindTopicPage and FormIndexPath: one match straight to its page, several through the
// chooser in table order, anchors and duplicates, the companion index file (used when it
// really holds the tables), and every way a lookup fails. Page bytes are checked against
// the independent reader's record of each fixture.
#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <fstream>
#include <string>
#include <vector>

#include "fixtures.h"
#include "find/lookup.h"
#include "sha256.h"

namespace {

// Case folding of code page 1251, standing in for the host's compare after conversion.
int FoldedCompare1251(const char* a, const char* b, int n) {
    auto fold = [](unsigned char c) -> unsigned char {
        if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDF)) return static_cast<unsigned char>(c + 32);
        return c == 0xA8 ? 0xB8 : c;
    };
    for (int i = 0; i < n; i++) {
        unsigned char x = fold(static_cast<unsigned char>(a[i])), y = fold(static_cast<unsigned char>(b[i]));
        if (x != y) return x < y ? -1 : 1;
        if (!x) break;
    }
    return 0;
}

// Records what the chooser was shown and answers with a fixed choice.
struct Chooser {
    int Answer = 0;
    int Calls = 0;
    bool More = false;
    std::vector<std::string> Shown;
    static int Choose(void* context, const TopicCandidate* candidates, uint32_t count, bool more) {
        Chooser* self = static_cast<Chooser*>(context);
        self->Calls++;
        self->More = more;
        self->Shown.clear();
        for (uint32_t i = 0; i < count; i++)
            self->Shown.push_back(candidates[i].Title);
        return self->Answer;
    }
};

struct Outcome {
    TopicLookupStatus Status;
    std::string Path;
    std::string Page;
    bool DataSet;
    uint32_t Language; // the help file's
    uint32_t Containers, Frames;
};

Outcome Find(const std::string& file, const std::string& keyword, Chooser* chooser = nullptr,
             TopicPrefixCompare compare = AsciiPrefixCompare) {
    Chooser none;
    none.Answer = -1;
    if (!chooser) chooser = &none;
    TopicLookupHost host = {compare, nullptr, nullptr, Chooser::Choose, chooser};
    TopicPage page;
    memset(&page, 0x55, sizeof page);
    Outcome o;
    o.Status = FindTopicPage(file.c_str(), keyword.c_str(), &host, &page);
    o.Path = page.Path;
    o.DataSet = page.Data != nullptr;
    o.Language = page.LanguageId;
    o.Containers = page.ContainersOpened;
    o.Frames = page.FramesDecoded;
    if (page.Data) o.Page.assign(reinterpret_cast<char*>(page.Data), page.Length);
    EXPECT_EQ(o.Status == TopicPageFound, o.DataSet);
    if (!o.DataSet) {
        EXPECT_EQ(0u, page.Length);
    }
    FreeObject(page.Data);
    return o;
}

// The SHA-256 that the independent reader recorded for an object of a fixture.
std::string ExpectedSha(const std::string& fixture, const std::string& name) {
    static const auto manifest = LoadManifest(FixturePath("expected.tsv"));
    auto file = manifest.find(fixture);
    if (file == manifest.end()) return "(no fixture " + fixture + ")";
    for (const ExpectedObject& o : file->second)
        if (o.Name == name) return o.Sha256;
    return "(no object " + name + ")";
}

void ExpectPage(const Outcome& o, const std::string& fixture, const std::string& path) {
    EXPECT_EQ(TopicPageFound, o.Status);
    EXPECT_EQ(path, o.Path);
    EXPECT_EQ(ExpectedSha(fixture, path), Sha256Hex(o.Page.data(), o.Page.size())) << path;
}

// Files of a test's own, in the test's working folder.
class Work : public ::testing::Test {
  protected:
    std::vector<std::string> made;
    std::string Name(const std::string& name) {
        std::string path = std::string("kestro_lookup_") +
                           ::testing::UnitTest::GetInstance()->current_test_info()->name() + "_" + name;
        made.push_back(path);
        remove(path.c_str());
        return path;
    }
    std::string Write(const std::string& name, const std::string& bytes) {
        std::string path = Name(name);
        std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return path;
    }
    std::string Copy(const std::string& fixture, const std::string& name) {
        Bytes bytes = ReadWholeFile(FixturePath(fixture));
        EXPECT_FALSE(bytes.empty()) << fixture;
        return Write(name, std::string(bytes.begin(), bytes.end()));
    }
    void TearDown() override {
        for (const std::string& path : made)
            remove(path.c_str());
    }
};

TEST(KestroIndexPath, ReplacesAThreeCharacterExtension) {
    char out[64];
    struct Case {
        const char* Help;
        const char* Index; // null: no index file
    };
    const Case cases[] = {
        {"C:\\help\\book.chm", "C:\\help\\book.chi"},
        {"/usr/share/doc/x.its", "/usr/share/doc/x.chi"},
        {"BOOK.CHM", "BOOK.chi"},
        {"a.chi", "a.chi"},
        {".chm", ".chi"},
        {"book.html", nullptr},      // four characters
        {"book.ch", nullptr},        // two
        {"C:\\dir.x\\abc", nullptr}, // the dot belongs to a folder
        {"dir.\\ab", nullptr},
        {"dir./ab", nullptr},
        {"C:.chm\\", nullptr},
        {"chm", nullptr}, // shorter than an extension
        {"", nullptr},
    };
    for (const Case& c : cases) {
        memset(out, 'x', sizeof out);
        int status = FormIndexPath(c.Help, out, sizeof out);
        if (c.Index) {
            EXPECT_EQ(0, status) << c.Help;
            EXPECT_STREQ(c.Index, out) << c.Help;
        } else {
            EXPECT_EQ(-1, status) << c.Help;
        }
    }
    EXPECT_EQ(-1, FormIndexPath(nullptr, out, sizeof out));
    // The result must fit with its terminator.
    EXPECT_EQ(-1, FormIndexPath("abcd.chm", out, 8));
    EXPECT_EQ(0, FormIndexPath("abcd.chm", out, 9));
    EXPECT_STREQ("abcd.chi", out);
}

TEST(KestroLookup, OneMatchGoesStraightToItsPage) {
    Chooser chooser;
    ExpectPage(Find(FixturePath("titles.chm"), "filen", &chooser), "titles.chm", "/filename.html");
    ExpectPage(Find(FixturePath("titles.chm"), "Deep", &chooser), "titles.chm", "/sub/deep.html");
    ExpectPage(Find(FixturePath("titles.chm"), "Files and folders", &chooser), "titles.chm", "/files.html");
    ExpectPage(Find(FixturePath("large.chm"), "Part 7", &chooser), "large.chm", "/part7.html");
    ExpectPage(Find(FixturePath("many.chm"), "Topic 2999", &chooser), "many.chm", "/t2999.html");
    EXPECT_EQ(0, chooser.Calls);
    // The page comes with its help file's language, which its text is read in.
    EXPECT_EQ(0x409u, Find(FixturePath("titles.chm"), "filen").Language);
    Chooser first;
    first.Answer = 0;
    EXPECT_EQ(0x40Cu, Find(FixturePath("accented.chm"), "caf", &first).Language);
}

TEST(KestroLookup, SeveralMatchesGoThroughTheChooserInTableOrder) {
    Chooser chooser;
    chooser.Answer = 4;
    ExpectPage(Find(FixturePath("titles.chm"), "FILE", &chooser), "titles.chm", "/filename.html");
    EXPECT_EQ(1, chooser.Calls);
    EXPECT_EQ(
        (std::vector<std::string>{"FILE", "FILE", "FILE", "File menu", "Filename", "Files and folders"}),
        chooser.Shown);

    // The three "FILE" topics are one page: two of them through an anchor, which is cut.
    for (int i = 0; i < 3; i++) {
        chooser.Answer = i;
        ExpectPage(Find(FixturePath("titles.chm"), "file", &chooser), "titles.chm", "/file.html");
    }
    chooser.Answer = 1;
    ExpectPage(Find(FixturePath("titles.chm"), "print", &chooser), "titles.chm", "/print.html");
    EXPECT_EQ((std::vector<std::string>{"Print", "Printer setup"}), chooser.Shown);

    chooser.Answer = 999;
    ExpectPage(Find(FixturePath("many.chm"), "Topic 1", &chooser), "many.chm", "/t1999.html");
    EXPECT_EQ(1000u, chooser.Shown.size());
    EXPECT_EQ("Topic 1000", chooser.Shown.front());
}

TEST(KestroLookup, NoChoiceNoMatchAndNoMemoryLeaveNoPage) {
    Chooser chooser;
    for (int answer : {-1, -7, 6, 1000}) {
        chooser.Answer = answer;
        Outcome o = Find(FixturePath("titles.chm"), "file", &chooser);
        EXPECT_EQ(TopicChoiceCancelled, o.Status) << answer;
        EXPECT_EQ("", o.Path);
    }
    chooser.Answer = TopicChoiceNoMemory;
    EXPECT_EQ(TopicNoMemory, Find(FixturePath("titles.chm"), "file", &chooser).Status);

    chooser.Calls = 0;
    EXPECT_EQ(TopicNoMatch, Find(FixturePath("titles.chm"), "files and folders and more", &chooser).Status);
    EXPECT_EQ(TopicNoMatch, Find(FixturePath("titles.chm"), "zzz", &chooser).Status);
    EXPECT_EQ(TopicNoMatch, Find(FixturePath("large.chm"), "Part 9", &chooser).Status);
    EXPECT_EQ(0, chooser.Calls);
}

TEST(KestroLookup, TitlesAreConvertedBeforeTheyAreCompared) {
    struct Recorder {
        int Calls = 0;
        static void Convert(char* title, void* context) {
            static_cast<Recorder*>(context)->Calls++;
            for (char* p = title; *p; p++)
                if (*p == ' ') *p = '_';
        }
    } recorder;
    Chooser chooser;
    TopicLookupHost host = {AsciiPrefixCompare, Recorder::Convert, &recorder, Chooser::Choose, &chooser};
    TopicPage page;
    ASSERT_EQ(TopicPageFound, FindTopicPage(FixturePath("titles.chm").c_str(), "file_m", &host, &page));
    EXPECT_STREQ("/filemenu.html", page.Path);
    FreeObject(page.Data);
    EXPECT_EQ(13, recorder.Calls); // every topic entry, untitled ones included
    EXPECT_EQ(TopicNoMatch, FindTopicPage(FixturePath("titles.chm").c_str(), "file m", &host, &page));
    EXPECT_EQ(0, chooser.Calls);
}

class KestroCompanion : public Work {};

TEST_F(KestroCompanion, TablesComeFromTheIndexFileAndPagesFromTheHelpFile) {
    // The Cyrillic tables lead to /print.html, which the English help file holds as well.
    std::string help = Copy("titles.chm", "book.chm");
    const std::string keyword = "\xcf\xe5\xf7\xe0\xf2\xfc"; // "Печать" in code page 1251
    EXPECT_EQ(TopicNoMatch, Find(help, keyword, nullptr, FoldedCompare1251).Status);
    Copy("cyrillic.chm", "book.chi");
    Outcome found = Find(help, keyword, nullptr, FoldedCompare1251);
    ExpectPage(found, "titles.chm", "/print.html");
    EXPECT_EQ(0x409u, found.Language); // the help file's, not the Russian index file's
    EXPECT_EQ(TopicNoMatch, Find(help, "Print").Status);

    // Tables from the index file, but the help file is gone: the page has nowhere to come from.
    remove(help.c_str());
    EXPECT_EQ(TopicFileUnopened, Find(help, keyword, nullptr, FoldedCompare1251).Status);

    // A help file without the page that the index file names.
    Copy("accented.chm", "book.chm");
    EXPECT_EQ(TopicPageUnreadable, Find(help, keyword, nullptr, FoldedCompare1251).Status);
}

TEST_F(KestroCompanion, WithoutAnIndexFileOneContainerServesTablesAndPage) {
    std::string help = Copy("large.chm", "book.chm");
    Outcome alone = Find(help, "Part 8");
    ASSERT_EQ(TopicPageFound, alone.Status);
    EXPECT_EQ(1u, alone.Containers);
    // The frames of the four tables and of the page's unit, nothing twice: a second container
    // for the page decodes its unit and the tables' again.
    ChmContainer* c = OpenContainer(help.c_str());
    ASSERT_NE(c, nullptr);
    TopicTables tables;
    ASSERT_EQ(0, ReadTopicTables(c, &tables));
    FreeTopicTables(&tables);
    uint32_t tablesOnly = c->FramesDecoded;
    unsigned char* data;
    uint32_t length;
    ASSERT_EQ(0, ReadObject(c, alone.Path.c_str(), &data, &length));
    FreeObject(data);
    EXPECT_EQ(c->FramesDecoded, alone.Frames);
    EXPECT_LE(alone.Frames, tablesOnly + 2);
    CloseContainer(c);

    Copy("large.chm", "book.chi"); // an index file: its tables, the help file's page
    Outcome paired = Find(help, "Part 8");
    ASSERT_EQ(TopicPageFound, paired.Status);
    EXPECT_EQ(alone.Page, paired.Page);
    EXPECT_EQ(2u, paired.Containers);
}

TEST_F(KestroCompanion, AnIndexFileWithoutTablesDoesNotHideTheHelpFiles) {
    std::string help = Copy("titles.chm", "book.chm");
    Write("book.chi", "a stale text file that happens to share the name\r\n");
    ExpectPage(Find(help, "Profile"), "titles.chm", "/profile.html");
    ChmBuilder pagesOnly; // a container without topic tables
    pagesOnly.Plain = {{"/profile.html", "another profile"}};
    Bytes bytes = pagesOnly.Build();
    Write("book.chi", std::string(bytes.begin(), bytes.end()));
    ExpectPage(Find(help, "Profile"), "titles.chm", "/profile.html");
}

class KestroFailure : public Work {};

TEST_F(KestroFailure, WhatCannotBeOpenedOrReadSaysSo) {
    EXPECT_EQ(TopicFileUnopened, Find(Name("missing.chm"), "file").Status);
    EXPECT_EQ(TopicFileUnopened, Find("", "file").Status);
    Chooser chooser;
    TopicLookupHost host = {AsciiPrefixCompare, nullptr, nullptr, Chooser::Choose, &chooser};
    TopicPage page;
    EXPECT_EQ(TopicFileUnopened, FindTopicPage(nullptr, "file", &host, &page));

    // Not a container at all, and an empty file: they open, but hold no tables.
    EXPECT_EQ(TopicTablesUnreadable, Find(Write("text.chm", "<html>not compiled</html>\r\n"), "file").Status);
    EXPECT_EQ(TopicTablesUnreadable, Find(Write("empty.chm", ""), "file").Status);
    // An index file without tables beside a help file without tables.
    Write("notes.chi", "notes");
    EXPECT_EQ(TopicTablesUnreadable, Find(Write("notes.chm", "notes"), "file").Status);
    // Only an index file that opens, and no help file.
    Write("gone.chi", "index");
    EXPECT_EQ(TopicTablesUnreadable, Find(Name("gone.chm"), "file").Status);
}

// A container with the four tables built by hand: one topic per (title, path) pair.
std::string BuildHelp(const std::vector<std::pair<std::string, std::string>>& topics,
                      const std::vector<std::pair<std::string, std::string>>& pages,
                      const std::string& topicsOverride = std::string(), bool useOverride = false) {
    std::string topicTable, strings(1, '\0'), urlTable, urlStrings;
    auto put32 = [](std::string& s, uint32_t v) {
        for (int i = 0; i < 4; i++)
            s += static_cast<char>(v >> (8 * i));
    };
    for (const auto& topic : topics) {
        put32(topicTable, 0);
        put32(topicTable, static_cast<uint32_t>(strings.size()));
        put32(topicTable, static_cast<uint32_t>(urlTable.size()));
        put32(topicTable, 0);
        strings += topic.first + '\0';
        put32(urlTable, 0);
        put32(urlTable, 0);
        put32(urlTable, static_cast<uint32_t>(urlStrings.size()));
        urlStrings += std::string(8, '\0') + topic.second + '\0';
    }
    ChmBuilder b;
    b.Plain = {{"/#TOPICS", useOverride ? topicsOverride : topicTable},
               {"/#STRINGS", strings},
               {"/#URLTBL", urlTable},
               {"/#URLSTR", urlStrings}};
    for (const auto& page : pages)
        b.Plain.push_back(page);
    Bytes bytes = b.Build();
    return std::string(bytes.begin(), bytes.end());
}

TEST_F(KestroFailure, BuiltTablesAtTheirLimits) {
    std::string longPath(TopicPathSize - 1, 'p'); // with the leading "/" one too many
    std::string stored(ChmNameSize - 2, 'q');     // the longest name a directory record keeps
    std::string help = Write("built.chm", BuildHelp({{"Empty page", "empty.html"},
                                                     {"Missing page", "missing.html"},
                                                     {"Long path", longPath},
                                                     {"Stored path", stored},
                                                     {"Other folder", "x/../empty.html"}},
                                                    {{"/empty.html", ""}, {"/" + stored, "stored"}}));
    Outcome empty = Find(help, "Empty");
    EXPECT_EQ(TopicPageFound, empty.Status);
    EXPECT_EQ("/empty.html", empty.Path);
    EXPECT_EQ("", empty.Page);
    EXPECT_EQ(TopicPageUnreadable, Find(help, "Missing").Status);
    EXPECT_EQ(TopicPageUnreadable, Find(help, "Long").Status);
    Outcome fit = Find(help, "Stored");
    EXPECT_EQ(TopicPageFound, fit.Status);
    EXPECT_EQ("stored", fit.Page);
    // Paths name objects as stored; nothing is resolved.
    EXPECT_EQ(TopicPageUnreadable, Find(help, "Other").Status);

    // A topic table of 12 bytes holds no entry.
    std::string shortTable =
        Write("short.chm",
              BuildHelp({{"Empty page", "empty.html"}}, {{"/empty.html", ""}}, std::string(12, '\0'), true));
    EXPECT_EQ(TopicNoMatch, Find(shortTable, "E").Status);
}

TEST_F(KestroFailure, AKeywordThatMatchesTooManyTitlesListsTheLimitAndSaysMoreMatch) {
    std::vector<std::pair<std::string, std::string>> topics(TopicCandidateLimit, {"Topic", "page.html"});
    topics.push_back({"Topic, the last", "last.html"});
    std::string help = Write("many.chm", BuildHelp(topics, {{"/page.html", "page"}, {"/last.html", "last"}}));
    Chooser chooser;
    chooser.Answer = TopicCandidateLimit - 1;
    Outcome o = Find(help, "topic", &chooser);
    EXPECT_EQ("page", o.Page);
    ASSERT_EQ(static_cast<size_t>(TopicCandidateLimit), chooser.Shown.size());
    EXPECT_TRUE(chooser.More);
    chooser.Answer = TopicCandidateLimit; // the line that says more match is no topic
    EXPECT_EQ(TopicChoiceCancelled, Find(help, "topic", &chooser).Status);
    Find(help, "topic, the", &chooser); // one: no menu
    EXPECT_EQ(2, chooser.Calls);
    topics.pop_back();
    help = Write("limit.chm", BuildHelp(topics, {{"/page.html", "page"}}));
    Find(help, "topic", &chooser);
    EXPECT_FALSE(chooser.More); // exactly the limit
}

TEST_F(KestroFailure, OffsetsOutsideTheTablesAreNoCandidates) {
    Outcome o = Find(FixturePath("regressions/topic-offsets-outside-tables.chm"), "a");
    EXPECT_NE(TopicPageFound, o.Status);
    for (const char* keyword : {"", "F", "\xff"})
        Find(FixturePath("regressions/topic-offsets-outside-tables.chm"), keyword);
}

} // namespace
