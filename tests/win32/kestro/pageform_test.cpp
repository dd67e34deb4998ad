// Kestro's third setting, PageForm: stored and read like the other two, shown on a line of its
// own in the settings dialog, and what it does to the result file: the page's bytes as stored
// (0), or the page as text in the console's OEM code page (1).
#include "support.hpp"

#include "chm/container.h"
#include "text/htmltext.h"
#include "lng.hpp"

using farhost::DialogAnswer;
using farhost::WindowAnswer;

namespace {

enum { ItemPageFormLabel = 4, ItemPageForm = 5, ItemAccept = 7 };

class PageForm : public KestroTest {
  protected:
    // The result file of a lookup that opens one page.
    std::string Opened(const std::string& keyword, const std::string& file) {
        host->QueueWindow(WindowAnswer::Close);
        Answer a = Show(keyword, Help(file));
        EXPECT_EQ(1, a.Result) << keyword;
        EXPECT_EQ("", a.ErrorText);
        if (host->Windows().empty()) return "";
        EXPECT_TRUE(TempEntries().empty());
        return host->Windows().back().Content;
    }

    // The text view of a fixture's page, worked out here with the reader's own table of the
    // console's code page (the module takes the system's).
    static std::string ExpectedText(const std::string& fixture, const char* page) {
        ChmContainer* c = OpenContainer((BuiltPath(CHM_DIR) + "\\" + fixture).c_str());
        EXPECT_NE(nullptr, c) << fixture;
        if (!c) return "";
        unsigned char *bytes, *system;
        uint32_t length, systemLength, language = 0;
        EXPECT_EQ(0, ReadObject(c, page, &bytes, &length));
        if (ReadObject(c, "/#SYSTEM", &system, &systemLength) == 0) {
            language = SystemLanguageId(system, systemLength);
            FreeObject(system);
        }
        CloseContainer(c);
        TextTarget target;
        InitTextTarget(&target, BuiltInUpperHalf(GetOEMCP()));
        HtmlTextOptions options = TopicPageOptions(page, language);
        options.Target = &target;
        std::u32string text;
        EXPECT_EQ(HtmlTextDone, RenderHtmlText(bytes, length, options, &text));
        FreeObject(bytes);
        return TextInTarget(text, target);
    }
};

TEST_F(PageForm, StoredAndReadLikeTheOtherSettings) {
    struct Case {
        const char* Stored;
        bool Text;
    };
    for (const Case& c :
         {Case{nullptr, false}, Case{"0", false}, Case{"1", true}, Case{"3", true}, Case{"0x2", false},
          Case{"-1", true}, Case{"yes", false}, Case{"12345678901", false}}) {
        SCOPED_TRACE(c.Stored ? c.Stored : "(missing)");
        Fresh();
        if (c.Stored) {
            ASSERT_TRUE(farhost::Host::RegSetString(Key, "PageForm", c.Stored));
        }
        Load();
        std::string content = Opened("profile", "titles.chm");
        if (c.Text)
            EXPECT_EQ("Profile\r\n=======\r\n\r\nYour profile.\r\n", content);
        else
            ExpectPage(content, "titles.chm", "/profile.html"); // byte for byte as stored
        ExpectNoHostErrors();
    }
}

TEST_F(PageForm, TheDialogShowsItOnALineOfItsOwnAndOkWritesIt) {
    ASSERT_TRUE(farhost::Host::RegSetString(Key, "PageForm", "1"));
    Load();
    ASSERT_TRUE(farhost::Host::RegRemoveKey(Key));
    host->QueueDialog(DialogAnswer().Choose(ItemPageForm, 0).Esc());
    EXPECT_EQ(1, Message(HM_CONFIGURE, nullptr, nullptr));
    EXPECT_EQ("(missing)", Stored("PageForm"));
    ASSERT_EQ(1u, host->Dialogs().size());
    const farhost::DialogRecord& d = host->Dialogs()[0];
    EXPECT_EQ(LanguageLine("English", 13), d.Before[ItemPageFormLabel].Data);
    EXPECT_EQ((std::vector<std::string>{LanguageLine("English", 14), LanguageLine("English", 15)}),
              d.Before[ItemPageForm].List);
    EXPECT_EQ(LanguageLine("English", 15), d.Before[ItemPageForm].Data); // the setting read at start
    EXPECT_EQ(1, d.Before[ItemAccept].DefaultButton);

    // OK writes all three values and the new form takes effect at once.
    host->QueueDialog(DialogAnswer().Choose(ItemPageForm, 0).Button(ItemAccept));
    EXPECT_EQ(1, Message(HM_CONFIGURE, nullptr, nullptr));
    EXPECT_EQ("0", Stored("PageForm"));
    EXPECT_EQ("0", Stored("Modality"));
    EXPECT_EQ("0", Stored("Visuality"));
    ExpectPage(Opened("profile", "titles.chm"), "titles.chm", "/profile.html");
    host->QueueDialog(DialogAnswer().Choose(ItemPageForm, 1).Enter());
    EXPECT_EQ(1, Message(HM_CONFIGURE, nullptr, nullptr));
    EXPECT_EQ("1", Stored("PageForm"));
    EXPECT_EQ(0u, Opened("profile", "titles.chm").find("Profile\r\n"));
    // And it survives a new start.
    Fresh(true);
    Load();
    EXPECT_EQ(0u, Opened("profile", "titles.chm").find("Profile\r\n"));
}

// Every item lies inside the frame, and every text fits its place, in both languages.
TEST_F(PageForm, TheDialogsLayoutHoldsItsTexts) {
    for (const char* language : {"English", "Russian"}) {
        SCOPED_TRACE(language);
        Fresh();
        host->SetLanguage(language);
        Load();
        host->QueueDialog(DialogAnswer().Esc());
        EXPECT_EQ(1, Message(HM_CONFIGURE, nullptr, nullptr));
        ASSERT_EQ(1u, host->Dialogs().size());
        const farhost::DialogRecord& d = host->Dialogs()[0];
        const farhost::DialogItemRecord& frame = d.Before[0];
        EXPECT_EQ(d.X2, frame.X2 + 4); // the frame and its margin fill the dialog
        EXPECT_EQ(d.Y2, frame.Y2 + 2);
        int buttonsWidth = -1, buttonsRow = -1;
        for (size_t i = 1; i < d.Before.size(); i++) {
            SCOPED_TRACE("item " + std::to_string(i));
            const farhost::DialogItemRecord& item = d.Before[i];
            EXPECT_GT(item.Y1, frame.Y1);
            EXPECT_LT(item.Y1, frame.Y2);
            if (item.Flags & DIF_SEPARATOR) continue;
            if (item.Type == DI_BUTTON) { // "[ OK ]" centred with the others, a space apart
                buttonsWidth += (int)item.Data.size() + 5;
                buttonsRow = item.Y1;
                continue;
            }
            EXPECT_GT(item.X1, frame.X1);
            if (item.Type == DI_COMBOBOX) {
                EXPECT_LT(item.X2 + 1, frame.X2); // its arrow too
                for (const std::string& row : item.List)
                    EXPECT_LE((int)row.size(), item.X2 - item.X1 + 1) << row;
            } else {
                EXPECT_LT(item.X1 + (int)item.Data.size() - 1, frame.X2) << item.Data;
            }
        }
        EXPECT_EQ(frame.Y2 - 1, buttonsRow);
        EXPECT_LT(buttonsWidth, frame.X2 - frame.X1 - 1);
        // The two lists of one line do not run into each other.
        EXPECT_LT(d.Before[2].X2 + 1, d.Before[3].X1);
        ExpectNoHostErrors();
    }
}

// The package's help has a topic on Kestro's settings that names them with the dialog's words.
TEST_F(PageForm, TheHelpDescribesItInTheDialogsWords) {
    for (const char* file : {"LumivoEng.hlf", "LumivoRus.hlf"}) {
        SCOPED_TRACE(file);
        HlfFile help;
        ASSERT_TRUE(FarLoadHlf(Built(LANG_DIR) + "\\" + file, &help));
        const HlfTopic* topic = help.Find("Kestro");
        ASSERT_NE(nullptr, topic);
        std::string text;
        for (const std::string& line : topic->Lines)
            text += line + "\n";
        std::string language = file == std::string("LumivoEng.hlf") ? "English" : "Russian";
        for (int message : {2, 13, 14, 15}) {
            std::string words = LanguageLine(language, message);
            if (!words.empty() && words.back() == ':') words.pop_back();
            EXPECT_NE(std::string::npos, text.find("#" + words + "#")) << words;
        }
        // It is reached from the contents and from the plug-in's settings.
        for (const char* from : {"Contents", "Configure"}) {
            std::string lines;
            for (const std::string& line : help.Find(from)->Lines)
                lines += line;
            EXPECT_NE(std::string::npos, lines.find("@Kestro@")) << from;
        }
    }
}

TEST_F(PageForm, TextIsInTheConsolesCodePageWithStandIns) {
    ASSERT_TRUE(farhost::Host::RegSetString(Key, "PageForm", "1"));
    Load();
    std::string content = Opened("text view", "pages.chm");
    // The module converts through the system's code page, the reader's table here: one text.
    EXPECT_EQ(ExpectedText("pages.chm", "/textview.html"), content);
    EXPECT_EQ(0u, content.find("Reading pages as text\r\n=====================\r\n\r\n"));
    EXPECT_EQ(std::string::npos, content.find("<h1>"));
    for (size_t at = content.find('\n'); at != std::string::npos; at = content.find('\n', at + 1))
        ASSERT_EQ('\r', content[at - 1]) << "a line end without CR at " << at;
    // What every console page lacks comes as a stand-in; the bytes of 1252 (the help file's
    // language) are read right.
    for (const char* part : {"reading --", "(c) 2026", "\"quotes\" and -> arrows", "      o nested lists"})
        EXPECT_NE(std::string::npos, content.find(part)) << part;
    if (GetOEMCP() == 866) {
        EXPECT_NE(std::string::npos, content.find("to \"text\" and you get"));
        EXPECT_NE(std::string::npos, content.find("Cafe creme -- code blocks"));
    } else if (GetOEMCP() == 437) {
        EXPECT_NE(std::string::npos, content.find("to \xae"
                                                  "text\xaf and you get"));
        EXPECT_NE(std::string::npos, content.find("Caf\x82 cr\x8ame -- code blocks"));
    }
    EXPECT_NE(std::string::npos, content.find("\xc4\xc4\xc4\xc4\xc4\xc4\xc4\xc4")); // the rule, in both
}

TEST_F(PageForm, ACyrillicPageReadsRightInACyrillicConsole) {
    ASSERT_TRUE(farhost::Host::RegSetString(Key, "PageForm", "1"));
    Load();
    std::string content = Opened("\xd4\xe0\xe7\xe0", "cyrillic.chm"); // "Фаза", code page 1251
    if (GetOEMCP() == 866)
        EXPECT_EQ("\x94\xa0\xa7\xa0\r\n====\r\n\r\n\x94\xa0\xa7\xa0 \xab\xe3\xad\xeb.\r\n", content);
    else // a console without Cyrillic letters gets them in Latin ones
        EXPECT_EQ("Faza\r\n====\r\n\r\nFaza luny.\r\n", content);
}

// Each form opens in the table it is written in: the text view in the OEM one (DOS in the editor),
// the HTML source in the page's own code page, which the viewer's Unicode file keeps even when it
// is not the system's ANSI page (a Western page under a Russian Windows).
TEST_F(PageForm, EachFormOpensInTheTableOfItsBytes) {
    Load();
    for (int visuality : {0, 1}) {
        SCOPED_TRACE(visuality ? "viewer" : "editor");
        for (int form : {0, 1}) {
            SCOPED_TRACE("PageForm " + std::to_string(form));
            host->QueueDialog(DialogAnswer()
                                  .Choose(2, 0)
                                  .Choose(3, visuality)
                                  .Choose(ItemPageForm, form)
                                  .Button(ItemAccept));
            ASSERT_EQ(1, Message(HM_CONFIGURE, nullptr, nullptr));
            Opened("text view", "pages.chm");
            ASSERT_FALSE(host->Windows().empty());
            const farhost::WindowRecord& w = host->Windows().back();
            const bool source = form == 0;
            if (visuality == 0) {
                EXPECT_EQ(source ? farhost::TextTable::Win : farhost::TextTable::Dos, w.Table);
                continue;
            }
            ASSERT_EQ(0u, w.Content.find("\xFF\xFE"));
            std::wstring wide((w.Content.size() - 2) / 2, L'\0');
            memcpy(&wide[0], w.Content.data() + 2, wide.size() * 2);
            if (source)
                EXPECT_NE(std::wstring::npos, wide.find(L"Caf\u00e9 cr\u00e8me \u2014 <a"))
                    << "the page's letters";
            else
                EXPECT_NE(std::wstring::npos, wide.find(L"Reading pages as text\r\n")) << "the text view";
        }
    }
}

} // namespace
