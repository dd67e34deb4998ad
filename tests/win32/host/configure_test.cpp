// Configure: the configuration menu, the settings dialog (its masked hotkey
// field, what is saved and when) and the menu of configurable modules (none,
// titles in the current language, the cursor kept on the configured module).
#include "flow.hpp"

using farhost::DialogAnswer;
using farhost::Host;
using flow::Value;

namespace {

class ConfigureTest : public FlowTest {
  protected:
    int Configures(const std::string& module) {
        const TestModuleRecord* record = RecordOf(Folder + "lvx\\" + module + ".lvx");
        return record ? record->Configures : -1;
    }
    int Describes(const std::string& module) {
        const TestModuleRecord* record = RecordOf(Folder + "lvx\\" + module + ".lvx");
        return record ? record->Describes : -1;
    }
};

TEST_F(ConfigureTest, TheSettingsDialogSavesItsThreeValues) {
    Start();
    Keys({"Enter"});
    host->QueueDialog(DialogAnswer().Check(3, 1).Edit(5, "7").Check(1, 0).Button(7));
    Keys({"Esc"});
    EXPECT_EQ(host->Configure(0), 1);

    ASSERT_EQ(host->Menus().size(), 2u);
    const farhost::MenuRecord& menu = host->Menus()[0];
    EXPECT_EQ(menu.Title, Msg(MConfigTitle));
    EXPECT_EQ(flow::Shown(menu),
              (std::vector<std::string>{" " + Msg(MTitle), " ", " " + Msg(MModuleSettings)}));
    EXPECT_EQ(menu.Flags, (unsigned)(FMENU_WRAPMODE | FMENU_AUTOHIGHLIGHT));
    EXPECT_EQ(host->Menus()[1].InitialCursor, 0) << "the menu opens on its first item every time";

    ASSERT_EQ(host->Dialogs().size(), 1u);
    const farhost::DialogRecord& d = host->Dialogs()[0];
    ExpectDialog(d, 64, 10, "Configure",
                 {
                     {DI_DOUBLEBOX, 3, 1, 60, 8, 0, MTitle},
                     {DI_CHECKBOX, 5, 2, 0, 0, 0, MShowInPanels},
                     {DI_TEXT, 4, 3, 0, 0, DIF_SEPARATOR, -1},
                     {DI_CHECKBOX, 5, 4, 0, 0, 0, MShowInDisks},
                     {DI_TEXT, 9, 5, 0, 0, 0, MDisksHotkey},
                     {DI_FIXEDIT, 7, 5, 7, 0, DIF_MASKEDIT, flow::Unchecked},
                     {DI_TEXT, 4, 6, 0, 0, DIF_SEPARATOR, -1},
                     {DI_BUTTON, 0, 7, 0, 0, DIF_CENTERGROUP, MOk},
                     {DI_BUTTON, 0, 7, 0, 0, DIF_CENTERGROUP, MCancel},
                 },
                 1, 7);
    EXPECT_EQ(d.Before[1].Selected, 1);
    EXPECT_EQ(d.Before[3].Selected, 0);
    EXPECT_EQ(d.Before[5].Data, "0");
    EXPECT_EQ(d.Before[5].Mask, "9");

    EXPECT_EQ(Value("ShowInPanels"), "0");
    EXPECT_EQ(Value("ShowInDisks"), "1");
    EXPECT_EQ(Value("DisksHotkey"), "7");
    farhost::PluginInfoRecord info = host->GetPluginInfo();
    EXPECT_EQ(info.Raw.Flags, (DWORD)(PF_EDITOR | PF_VIEWER | PF_DISABLEPANELS)) << "in effect at once";
    EXPECT_EQ(info.DiskNumbers, std::vector<int>{7});
    ExpectAllAnswersUsed();
}

TEST_F(ConfigureTest, AnEmptiedHotkeyFieldKeepsTheValueAndOnlyTheFirstButtonSaves) {
    Host::RegSetString(flow::Key, "DisksHotkey", "4");
    Start();
    Keys({"Enter"});
    host->QueueDialog(DialogAnswer().Edit(5, "x").Button(8)); // Cancel
    Keys({"Enter"});
    host->QueueDialog(DialogAnswer().Check(3, 1).Esc());
    Keys({"Enter"});
    host->QueueDialog(DialogAnswer().Edit(5, "").Button(7));
    Keys({"Esc"});
    host->Configure(0);
    ASSERT_EQ(host->Dialogs().size(), 3u);
    EXPECT_EQ(host->Dialogs()[0].Before[5].Data, "4");
    EXPECT_EQ(Value("ShowInPanels"), "1");
    EXPECT_EQ(Value("ShowInDisks"), "0") << "Esc saved nothing";
    EXPECT_EQ(Value("DisksHotkey"), "4") << "written again with its old value";
    ExpectAllAnswersUsed();
}

TEST_F(ConfigureTest, WithoutConfigurableModulesTheModuleMenuIsNotShown) {
    Start({"Silent", "Deep"});
    Keys({"End", "Enter"});
    Keys({"Esc"});
    host->Configure(0);
    ASSERT_EQ(host->Menus().size(), 2u);
    EXPECT_EQ(host->Menus()[1].Title, Msg(MConfigTitle)) << "straight back to the configuration menu";
    ExpectAllAnswersUsed();
}

TEST_F(ConfigureTest, ModuleMenuInTheCurrentLanguageKeepsTheCursorOnTheConfiguredModule) {
    Install(true);
    AddModule("Triple");
    AddModule("Silent");
    AddModule("Quad");
    ModuleTitles("Triple", "Three kinds", "\x92\xe0\xa8 \xa2\xa8\xa4\xa0");
    ModuleTitles("Quad", "Four", "\x97\xa5\xe2\xeb\xe0\xa5");
    ASSERT_TRUE(Load());
    probe = Probe();
    const ModuleTable* table = *probe->Modules;
    std::vector<std::string> titles;
    for (int i = 0; i < table->Count; i++)
        if (table->Entries[i].Flags & HMF_CONFIGURABLE) titles.push_back(table->Entries[i].Title);
    ASSERT_EQ(titles.size(), 2u);
    std::string second = titles[1] == "Four" ? "Quad" : "Triple";

    Keys({"End", "Enter"});
    Keys({"Down", "Enter"}); // the second configurable module
    Keys({"Esc"});
    Keys({"Esc"});
    host->Configure(0);
    ASSERT_EQ(host->Menus().size(), 4u);
    const farhost::MenuRecord& modules = host->Menus()[1];
    EXPECT_EQ(modules.Title, Msg(MModuleSettings));
    EXPECT_EQ(flow::Shown(modules), (std::vector<std::string>{" " + titles[0], " " + titles[1]}));
    EXPECT_EQ(modules.InitialCursor, 0);
    EXPECT_EQ(host->Menus()[2].InitialCursor, 1) << "the cursor stays on the configured module";
    EXPECT_EQ(Configures(second), 1);
    EXPECT_EQ(Configures(second == "Quad" ? "Triple" : "Quad"), 0);
    EXPECT_EQ(Describes("Quad"), 1) << "same language: no new descriptions";

    // Far's interface language changes: every module is described again.
    host->SetLanguage("Russian");
    Keys({"End", "Enter"});
    Keys({"Esc"});
    Keys({"Esc"});
    host->Configure(0);
    EXPECT_EQ(Describes("Quad"), 2);
    EXPECT_EQ(Describes("Silent"), 2);
    const farhost::MenuRecord& russian = host->Menus()[5];
    ASSERT_EQ(russian.Items.size(), 2u);
    for (const farhost::MenuItemRecord& item : russian.Items)
        EXPECT_TRUE(item.Text == "\x92\xe0\xa8 \xa2\xa8\xa4\xa0" || item.Text == "\x97\xa5\xe2\xeb\xe0\xa5")
            << item.Text;
    EXPECT_EQ((*probe->Modules)->TypeTotal, 4) << "each type listed once";
    ExpectAllAnswersUsed();
}

} // namespace
