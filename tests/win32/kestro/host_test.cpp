// Kestro.lvx reached the way a user reaches it: a catalogue entry of the host plug-in chosen
// from its menu. The host finds the type by the file's mask, converts the keyword to the
// type's Windows code page, and shows a failure's text in its warning box.
#include "support.hpp"

using farhost::WindowAnswer;

namespace {

class ThroughTheHost : public KestroTest {
  protected:
    void AddEntry(const std::string& file, const std::string& keyword) {
        const char* key = "Software\\Far\\Plugins\\Lumivo";
        ASSERT_TRUE(farhost::Host::RegSetString(key, "Desc0", "Compiled help"));
        ASSERT_TRUE(farhost::Host::RegSetString(key, "File0", file));
        ASSERT_TRUE(farhost::Host::RegSetString(key, "Keyword0", keyword));
        ASSERT_TRUE(farhost::Host::RegSetString(key, "Flags0", "0")); // no keyword box
    }
    // The help-file menu: three commands, a separator, then the entry; answers are taken in
    // the order the windows come up.
    void ChooseEntry(bool thenWindow, bool thenMessage) {
        host->QueueMenu({"Down", "Down", "Down", "Enter"});
        if (thenWindow) host->QueueWindow(WindowAnswer::Close);
        if (thenMessage) host->QueueMessage(0);
        host->OpenPlugin(OPEN_PLUGINSMENU);
    }
};

TEST_F(ThroughTheHost, TheEntryOpensItsPage) {
    AddEntry(Help("titles.chm"), "files");
    Load();
    ChooseEntry(true, false);
    ASSERT_EQ(1u, host->Windows().size());
    const farhost::WindowRecord& w = host->Windows()[0];
    EXPECT_EQ("files", w.Title);
    ExpectPage(w.Content, "titles.chm", "/files.html");
    EXPECT_EQ(0x11u, w.Flags);
    EXPECT_TRUE(w.FileDeleted && w.FolderDeleted);
    EXPECT_TRUE(TempEntries().empty());
    EXPECT_TRUE(host->Messages().empty());
}

TEST_F(ThroughTheHost, AnAccentedKeywordMakesTheRoundTrip) {
    // The catalogue keeps its texts in OEM; the host converts the keyword to "WIN" for the
    // request, and the module brings it back to OEM, where the converted titles are compared.
    std::string keyword = "caf\xe9 cr"; // code page 1252, as the help file has it
    CharToOemBuffA(keyword.data(), &keyword[0], (DWORD)keyword.size());
    AddEntry(Help("accented.chm"), keyword);
    Load();
    ChooseEntry(true, false);
    ASSERT_EQ(1u, host->Windows().size());
    ExpectPage(host->Windows()[0].Content, "accented.chm", "/cafe.html");
}

TEST_F(ThroughTheHost, AFailureReachesTheWarningBox) {
    AddEntry(Help("missing.chm"), "zz");
    Load();
    ChooseEntry(false, true);
    EXPECT_TRUE(host->Windows().empty());
    ASSERT_EQ(1u, host->Messages().size());
    const farhost::MessageRecord& box = host->Messages()[0];
    EXPECT_EQ(FMSG_WARNING, box.Flags & FMSG_WARNING);
    EXPECT_NE(std::string::npos, box.Title.find("Kestro")) << box.Title;
    ASSERT_FALSE(box.Lines.empty());
    EXPECT_EQ(LanguageLine("English", 7), box.Lines[0]);
}

} // namespace
