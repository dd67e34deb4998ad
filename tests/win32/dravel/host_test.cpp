// Dravel.lvx reached the way a user reaches it: a catalogue entry of the host plug-in chosen from
// its menu; the article opens, and a failure's text reaches the host's warning box.
#include "support.hpp"

using farhost::WindowAnswer;

namespace {

class ThroughTheHost : public DravelTest {
  protected:
    void AddEntry(const std::string& file, const std::string& keyword) {
        const char* key = "Software\\Far\\Plugins\\Lumivo";
        ASSERT_TRUE(farhost::Host::RegSetString(key, "Desc0", "Dictionary"));
        ASSERT_TRUE(farhost::Host::RegSetString(key, "Type0", "Dravel"));
        ASSERT_TRUE(farhost::Host::RegSetString(key, "File0", file));
        ASSERT_TRUE(farhost::Host::RegSetString(key, "Keyword0", keyword));
        ASSERT_TRUE(farhost::Host::RegSetString(key, "Flags0", "0")); // no keyword box
    }
    // The help-file menu: three commands, a separator, then the entry.
    void QueueEntryChoice() { host->QueueMenu({"Down", "Down", "Down", "Enter"}); }
};

TEST_F(ThroughTheHost, TheEntryOpensItsArticle) {
    AddEntry(Dict, "abandonee");
    Load();
    QueueEntryChoice();
    host->QueueWindow(WindowAnswer::Close);
    host->OpenPlugin(OPEN_PLUGINSMENU);
    ASSERT_EQ(1u, host->Windows().size());
    const farhost::WindowRecord& w = host->Windows()[0];
    EXPECT_EQ("abandonee", w.Title);
    EXPECT_EQ(0u, w.Content.find("abandonee\r\n"));
    EXPECT_EQ(0x11u, w.Flags);
    EXPECT_TRUE(w.FileDeleted && w.FolderDeleted);
    EXPECT_TRUE(TempEntries().empty());
    // The notice of the index build is the only message: no warning box.
    ASSERT_EQ(1u, host->Messages().size());
    EXPECT_TRUE(host->Messages()[0].Notice);
}

TEST_F(ThroughTheHost, AFailureReachesTheWarningBox) {
    AddEntry(Dict, "zz");
    Load();
    QueueEntryChoice();
    host->QueueMessage(0);
    host->OpenPlugin(OPEN_PLUGINSMENU);
    EXPECT_TRUE(host->Windows().empty());
    ASSERT_EQ(2u, host->Messages().size()); // the notice, then the host's box
    const farhost::MessageRecord& box = host->Messages()[1];
    EXPECT_FALSE(box.Notice);
    EXPECT_EQ(FMSG_WARNING, box.Flags & FMSG_WARNING);
    EXPECT_NE(std::string::npos, box.Title.find("Dravel")) << box.Title;
    ASSERT_FALSE(box.Lines.empty());
    EXPECT_EQ(LanguageLine("English", 10), box.Lines[0]);
}

} // namespace
