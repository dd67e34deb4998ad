// Lumivo.dll as Far loads it: where it is offered (GetPluginInfo after the
// settings are read, bad registry values included), its language files, the word
// delimiters and the editor selection memory with ProcessEditorEvent.
#include "support.hpp"

#include "lng.hpp"

#include <string.h>

using farhost::Host;
using farhost::PluginInfoRecord;

namespace {

const char* const Key = "Software\\Far\\Plugins\\Lumivo";

class PluginInfoTest : public PluginTest {
  protected:
    // Loads the real plug-in after the values were stored, and asks for its menus.
    PluginInfoRecord InfoAfterLoad() {
        Install();
        EXPECT_TRUE(Load());
        PluginInfoRecord info = host->GetPluginInfo();
        ExpectNoHostErrors();
        return info;
    }
};

TEST_F(PluginInfoTest, EmptyRegistryOffersEditorViewerPanelsAndConfigurationButNoDiskMenu) {
    PluginInfoRecord info = InfoAfterLoad();
    EXPECT_EQ(info.Raw.StructSize, 44);
    EXPECT_EQ(info.Raw.Flags, (DWORD)(PF_EDITOR | PF_VIEWER));
    EXPECT_EQ(info.PluginMenu, std::vector<std::string>{"Lumivo help"});
    EXPECT_EQ(info.ConfigMenu, std::vector<std::string>{"Lumivo help"});
    EXPECT_EQ(info.Raw.PluginMenuStrings, info.Raw.PluginConfigStrings) << "one shared line";
    EXPECT_TRUE(info.DiskMenu.empty());
    EXPECT_EQ(info.Raw.DiskMenuStrings, nullptr);
    EXPECT_EQ(info.Raw.DiskMenuNumbers, nullptr);
    EXPECT_FALSE(info.HasCommandPrefix);
    std::string value;
    EXPECT_FALSE(Host::RegGetString(Key, "ShowInPanels", &value)) << "reading writes nothing back";
}

TEST_F(PluginInfoTest, DiskMenuWithItsHotkeyOutOfRangeValuesBecomeZero) {
    const struct {
        const char* stored;
        int used;
    } cases[] = {{"7", 7}, {"12", 0}, {"-1", 0}, {"0x5", 5}, {"010", 8}, {"9", 9}, {"abc", 0}};
    for (const auto& c : cases) {
        Fresh();
        Host::RegSetString(Key, "ShowInDisks", "1");
        Host::RegSetString(Key, "DisksHotkey", c.stored);
        PluginInfoRecord info = InfoAfterLoad();
        EXPECT_EQ(info.DiskMenu, std::vector<std::string>{"Lumivo help"}) << c.stored;
        EXPECT_EQ(info.DiskNumbers, std::vector<int>{c.used}) << c.stored;
        EXPECT_EQ(info.Raw.DiskMenuStrings, info.Raw.PluginMenuStrings);
    }
}

TEST_F(PluginInfoTest, ShowInPanelsZeroDisablesThePanelsMenu) {
    Host::RegSetString(Key, "ShowInPanels", "0");
    EXPECT_EQ(InfoAfterLoad().Raw.Flags, 14u);
}

TEST_F(PluginInfoTest, BadValuesReadAsTheirDefaultsOrZero) {
    // Not text, or too long for the 10-character buffer: the default ("1").
    Host::RegSetDword(Key, "ShowInPanels", 0);
    EXPECT_EQ(InfoAfterLoad().Raw.Flags, 12u);

    Fresh();
    Host::RegSetString(Key, "ShowInPanels", "0000000000000");
    EXPECT_EQ(InfoAfterLoad().Raw.Flags, 12u);

    // Text that does not parse leaves the number at 0.
    Fresh();
    Host::RegSetString(Key, "ShowInPanels", "no");
    EXPECT_EQ(InfoAfterLoad().Raw.Flags, 14u);

    Fresh();
    Host::RegSetDword(Key, "ShowInDisks", 1);
    Host::RegSetString(Key, "DisksHotkey", "123456789012");
    PluginInfoRecord info = InfoAfterLoad();
    EXPECT_TRUE(info.DiskMenu.empty());

    Fresh();
    HKEY hKey;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, Key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &hKey, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(hKey, "ShowInDisks", 0, REG_SZ, (const BYTE*)"1", 2);
    RegSetValueExA(hKey, "DisksHotkey", 0, REG_BINARY, (const BYTE*)"\x37\x00", 2);
    RegSetValueExA(hKey, "ShowInPanels", 0, REG_SZ, (const BYTE*)"0123456789", 10); // no NUL, no room
    RegCloseKey(hKey);
    info = InfoAfterLoad();
    EXPECT_EQ(info.DiskNumbers, std::vector<int>{0});
    EXPECT_EQ(info.Raw.Flags, 12u);
}

TEST_F(PluginInfoTest, MenuLineFollowsTheInterfaceLanguage) {
    host->SetLanguage("Russian");
    EXPECT_EQ(InfoAfterLoad().PluginMenu,
              std::vector<std::string>{"\x91\xaf\xe0\xa0\xa2\xaa\xa0 Lumivo"}); // cp866
}

TEST_F(PluginInfoTest, MissingOrMalformedLanguageFilesGiveEmptyTexts) {
    Install(false, false);
    ASSERT_TRUE(Load());
    PluginInfoRecord info = host->GetPluginInfo();
    EXPECT_EQ(info.PluginMenu, std::vector<std::string>{""});
    EXPECT_EQ(info.Raw.Flags, 12u);

    Fresh();
    Install(false, false);
    ASSERT_TRUE(
        Host::WriteFile(Folder + "LumivoEng.lng", ".Language=English,English\r\nno quotes\r\n\"\r\n"));
    ASSERT_TRUE(Load());
    info = host->GetPluginInfo();
    ASSERT_EQ(info.PluginMenu.size(), 1u);
    EXPECT_LE(info.PluginMenu[0].size(), 1u);
}

TEST(LanguageFiles, SameMessagesInBothLanguagesAndEveryHelpTopic) {
    std::string dir = Host::WindowsPath(LANG_DIR) + "\\";
    std::vector<std::string> english, russian;
    ASSERT_TRUE(FarLoadLng(dir + "LumivoEng.lng", &english));
    ASSERT_TRUE(FarLoadLng(dir + "LumivoRus.lng", &russian));
    EXPECT_EQ(english.size(), (size_t)MAddHelpFile + 1);
    EXPECT_EQ(russian.size(), english.size());
    for (size_t i = 0; i < english.size() && i < russian.size(); i++) {
        EXPECT_FALSE(english[i].empty()) << i;
        EXPECT_FALSE(russian[i].empty()) << i;
    }
    EXPECT_NE(english[MKeywordTitle].find("%s"), std::string::npos);
    EXPECT_NE(russian[MKeywordTitle].find("%s"), std::string::npos);
    EXPECT_EQ(FarReadLanguageName(dir + "LumivoEng.lng"), "English");
    EXPECT_EQ(FarReadLanguageName(dir + "LumivoRus.lng"), "Russian");
    std::string bytes;
    ASSERT_TRUE(Host::ReadFile(dir + "LumivoRus.lng", &bytes));
    EXPECT_EQ(bytes.rfind(".Language=Russian,Russian (\x90\xe3\xe1\xe1\xaa\xa8\xa9)", 0), 0u) << "cp866";

    for (const char* file : {"LumivoEng.hlf", "LumivoRus.hlf"}) {
        HlfFile help;
        ASSERT_TRUE(FarLoadHlf(dir + file, &help)) << file;
        EXPECT_FALSE(help.Language.empty()) << file;
        for (const char* topic : {"Contents", "Usage", "Settings", "Configure", "EnterKeyword"})
            EXPECT_NE(help.Find(topic), nullptr) << file << " " << topic;
    }
}

// Every topic of both help files through the host's help viewer, whose layout check finds a key
// that runs into its text or a text carried on a column off.
TEST_F(PluginTest, EveryHelpTopicKeepsItsKeyColumns) {
    Install(true);
    ASSERT_TRUE(Load());
    const ProbeView* probe = Probe();
    ASSERT_NE(probe, nullptr);
    size_t topics = 0;
    for (const char* file : {"LumivoEng.hlf", "LumivoRus.hlf"}) {
        HlfFile help;
        ASSERT_TRUE(FarLoadHlf(Folder + file, &help)) << file;
        topics += help.Topics.size();
        for (const HlfTopic& topic : help.Topics)
            EXPECT_TRUE(probe->Info->ShowHelp((Folder + file).c_str(), topic.Name.c_str(), FHELP_CUSTOMFILE))
                << file << " " << topic.Name;
    }
    EXPECT_EQ(host->Helps().size(), topics);
    EXPECT_GE(topics, 10u);
    ExpectNoHostErrors();
}

TEST_F(PluginTest, SettingsKeyAndWordDelimitersFromTheHost) {
    host->SetWordDiv(".,;");
    Install(true);
    ASSERT_TRUE(Load());
    const ProbeView* probe = Probe();
    ASSERT_NE(probe, nullptr);
    EXPECT_STREQ(probe->SettingsKey, "Software\\Far\\Plugins\\Lumivo");
    EXPECT_EQ(probe->WordDiv->Count, 8);
    EXPECT_EQ(0, memcmp(probe->WordDiv->Chars, ".,; \n\r\t", 8));
    EXPECT_EQ(probe->Info->FSF, probe->FSF) << "the copy points at the copied table";
    EXPECT_EQ(probe->FSF->StructSize, 228);

    Fresh();
    Install(true);
    ASSERT_TRUE(Load());
    EXPECT_EQ(Probe()->WordDiv->Count, 28 + 5) << "Far's default set";

    Fresh();
    host->SetWordDiv("");
    Install(true);
    ASSERT_TRUE(Load());
    EXPECT_EQ(Probe()->WordDiv->Count, 5);
    EXPECT_EQ(0, memcmp(Probe()->WordDiv->Chars, " \n\r\t", 5));
}

// Far started with "/u name" hands a longer RootKey; a user name of 200
// characters still gives whole keys for the plug-in and for its modules.
TEST_F(PluginTest, LongUserRootKeyGivesWholeSettingsAndModuleKeys) {
    const std::string user(200, 'u');
    const std::string key = "Software\\Far\\Users\\" + user + "\\Plugins\\Lumivo";
    host->SetUser(user);
    Host::RegSetString(key, "ShowInPanels", "0");
    Install(true);
    std::string module = AddModule("Deep");
    ASSERT_TRUE(Load());
    const ProbeView* probe = Probe();
    ASSERT_NE(probe, nullptr);
    EXPECT_EQ(probe->SettingsKey, key);
    EXPECT_EQ(host->GetPluginInfo().Raw.Flags, 14u) << "settings read from the user's key";
    const TestModuleRecord* record = RecordOf(module);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(std::string(record->Startup.RootKey), key + "\\Plugins");
    SetEnvironmentVariableA("FARUSER", nullptr);
    ExpectNoHostErrors();
}

TEST_F(PluginTest, EditorMemoryTwoEditorsReplaceAndForgetOnClose) {
    Install(true);
    ASSERT_TRUE(Load());
    const ProbeView* probe = Probe();
    ASSERT_NE(probe, nullptr);
    auto find = [&](int id) {
        int position = -1;
        return probe->LookUpEditorChoice(probe->EditorChoices, id, &position) ? position : -1;
    };
    EXPECT_TRUE(probe->RememberEditorChoice(probe->EditorChoices, 1, 5));
    EXPECT_TRUE(probe->RememberEditorChoice(probe->EditorChoices, 2, 7));
    EXPECT_TRUE(probe->RememberEditorChoice(probe->EditorChoices, 1, 6));
    EXPECT_EQ(find(1), 6);
    EXPECT_EQ(find(2), 7);

    int never = 99;
    EXPECT_EQ(host->ProcessEditorEvent(EE_CLOSE, &never), 0);
    EXPECT_EQ(host->ProcessEditorEvent(EE_REDRAW, nullptr), 0);
    EXPECT_EQ(host->ProcessEditorEvent(EE_CLOSE, nullptr), 0);
    EXPECT_EQ(find(1), 6);
    EXPECT_EQ(find(2), 7);

    // Far closing the window sends EE_CLOSE with its id.
    farhost::EditorSetup editor;
    editor.FileName = "C:\\src\\main.c";
    editor.Id = 2;
    editor.Lines = {"int main;"};
    host->OpenEditor(editor);
    host->CloseEditor(2);
    EXPECT_EQ(find(2), -1);
    EXPECT_EQ(find(1), 6);
    ExpectNoHostErrors();
}

} // namespace
