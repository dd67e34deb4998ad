// The entry editor of the help-file menu: its 19 items as Far receives them,
// what an entry shows (three-state options, encodings, the type list), what
// is saved, and the dialog shown again in the same menu with its lists intact.
#include "flow.hpp"

using farhost::DialogAnswer;
using farhost::DialogItemRecord;
using farhost::DialogRecord;
using flow::StoreEntry;
using flow::Value;

namespace {

class EntryEditorTest : public FlowTest {
  protected:
    // The menu from the panels with its cursor on lastPos: the answers queued so
    // far, then Esc.
    void RunMenu(const char* lastPos) {
        farhost::Host::RegSetString(flow::Key, "LastPos", lastPos);
        Keys({"Esc"});
        EXPECT_EQ(ShowMenu(OPEN_PLUGINSMENU).Result, -1);
    }
    const DialogRecord& DialogAt(size_t i) { return host->Dialogs().at(i); }
};

TEST_F(EntryEditorTest, NineteenItemsFromTheCompactTemplate) {
    Start({"Triple"});
    Keys({"Ins"});
    host->QueueDialog(DialogAnswer().Esc());
    RunMenu("0");
    ASSERT_EQ(host->Dialogs().size(), 1u);
    const DialogRecord& d = DialogAt(0);
    EXPECT_FALSE(d.Ex);
    ExpectDialog(d, 77, 20, "Settings",
                 {
                     {DI_DOUBLEBOX, 3, 1, 73, 18, 0, MTitle},
                     {DI_TEXT, 5, 2, 0, 0, 0, MDescLabel},
                     {DI_EDIT, 5, 3, 70, 0, DIF_HISTORY, -1},
                     {DI_TEXT, 5, 4, 0, 0, 0, MTypeLabel},
                     {DI_COMBOBOX, 5, 5, 70, 0, DIF_LISTWRAPMODE, flow::Unchecked},
                     {DI_TEXT, 5, 6, 0, 0, 0, MFileLabel},
                     {DI_EDIT, 5, 7, 70, 0, DIF_HISTORY, -1},
                     {DI_TEXT, 5, 8, 0, 0, 0, MKeywordLabel},
                     {DI_EDIT, 5, 9, 70, 0, DIF_HISTORY, -1},
                     {DI_TEXT, 5, 10, 0, 0, 0, MMaskLabel},
                     {DI_EDIT, 5, 11, 70, 0, DIF_HISTORY, -1},
                     {DI_TEXT, 0, 12, 0, 0, DIF_SEPARATOR, -1},
                     {DI_CHECKBOX, 5, 13, 0, 0, DIF_3STATE, MAskKeyword},
                     {DI_CHECKBOX, 5, 14, 0, 0, DIF_3STATE, MFixedKeyword},
                     {DI_TEXT, 5, 15, 0, 0, 0, MEncodingLabel},
                     {DI_COMBOBOX, 25, 15, 70, 0, DIF_DROPDOWNLIST | DIF_LISTWRAPMODE, flow::Unchecked},
                     {DI_TEXT, 0, 16, 0, 0, DIF_SEPARATOR, -1},
                     {DI_BUTTON, 0, 17, 0, 0, DIF_CENTERGROUP, MOk},
                     {DI_BUTTON, 0, 17, 0, 0, DIF_CENTERGROUP, MCancel},
                 },
                 2, 17);
    EXPECT_EQ(d.Before[2].History, "Lumivo-Desc");
    EXPECT_EQ(d.Before[6].History, "Lumivo-Path");
    EXPECT_EQ(d.Before[8].History, "Lumivo-Keyword");
    EXPECT_EQ(d.Before[10].History, "Lumivo-Mask");
    EXPECT_EQ(d.Before[4].List,
              (std::vector<std::string>{"Triple type 0", "Triple type 1", "Triple type 2"}));
    EXPECT_EQ(d.Before[4].Data, "");
    EXPECT_EQ(d.Before[15].List, (std::vector<std::string>{"AUTO", "OEM", "WIN"}));
    EXPECT_EQ(d.Before[15].ListFlags, (std::vector<unsigned>{LIF_SELECTED, 0, 0}));
    EXPECT_EQ(d.Before[15].Data, "AUTO");
    EXPECT_EQ(d.Before[12].Selected, 2) << "a new entry leaves both options to the help type";
    EXPECT_EQ(d.Before[13].Selected, 2);
    EXPECT_EQ(Value("Desc0"), "(missing)") << "Esc saves nothing";
    ExpectAllAnswersUsed();
}

TEST_F(EntryEditorTest, StoredEntriesShowTheirValuesAndSaveWhatTheDialogHolds) {
    Start({"Triple"});
    StoreEntry(0, {"First", "Triple type 1", "C:\\h\\first.chm", "kw", "*.c", "0122", ""});
    StoreEntry(1, {"Second", "", "C:\\h\\second.chm", "", "", "7", "KOI8"});
    StoreEntry(2, {"Third", "", "C:\\h\\third.chm", "", "", flow::Missing, "WIN"});
    Keys({"F4"});
    host->QueueDialog(
        DialogAnswer().Check(12, 1).Check(13, 2).Choose(4, 0).Edit(2, "First, renamed").Button(17));
    Keys({"Down", "F4"});
    host->QueueDialog(DialogAnswer().Choose(15, 2).Button(17));
    Keys({"Down", "F4"});
    host->QueueDialog(DialogAnswer().Edit(4, "typed by hand").Button(17));
    RunMenu("4");
    ASSERT_EQ(host->Dialogs().size(), 3u);

    const DialogRecord& first = DialogAt(0);
    EXPECT_EQ(first.Before[2].Data, "First");
    EXPECT_EQ(first.Before[4].Data, "Triple type 1");
    EXPECT_EQ(first.Before[6].Data, "C:\\h\\first.chm");
    EXPECT_EQ(first.Before[8].Data, "kw");
    EXPECT_EQ(first.Before[10].Data, "*.c");
    EXPECT_EQ(first.Before[12].Selected, 0);
    EXPECT_EQ(first.Before[13].Selected, 1);
    EXPECT_EQ(first.Before[15].ListFlags, (std::vector<unsigned>{LIF_SELECTED, 0, 0})) << "empty: AUTO";
    EXPECT_EQ(Value("Desc0"), "First, renamed");
    EXPECT_EQ(Value("Type0"), "Triple type 0");
    EXPECT_EQ(Value("Flags0"), "1222") << "positions beyond the two options stay";
    EXPECT_EQ(Value("Encoding0"), "AUTO");
    EXPECT_EQ(Value("Mask0"), "*.c");

    // Shown again in the same menu: both lists are there although Far wrote
    // list positions over them after the first call.
    const DialogRecord& second = DialogAt(1);
    EXPECT_EQ(second.Before[4].List.size(), 3u);
    EXPECT_EQ(second.Before[15].ListFlags, (std::vector<unsigned>{0, LIF_SELECTED, 0})) << "unknown: OEM";
    EXPECT_EQ(second.Before[12].Selected, 1) << "a state other than 0, 1, 2 counts as on";
    EXPECT_EQ(second.Before[13].Selected, 2);
    EXPECT_EQ(Value("Encoding1"), "WIN");
    EXPECT_EQ(Value("Flags1"), "12");

    const DialogRecord& third = DialogAt(2);
    EXPECT_EQ(third.Before[15].ListFlags, (std::vector<unsigned>{0, 0, LIF_SELECTED}));
    EXPECT_EQ(third.Before[15].Data, "WIN");
    EXPECT_EQ(Value("Encoding2"), "WIN");
    EXPECT_EQ(Value("Flags2"), "22");
    EXPECT_EQ(Value("Type2"), "typed by hand");

    // The menu line follows the new description.
    EXPECT_EQ(host->Menus()[1].Items[4].Text, "&A. First, renamed");
    ExpectAllAnswersUsed();
}

TEST_F(EntryEditorTest, NothingIsSavedWithoutDescFileOrTheFirstButton) {
    Start();
    StoreEntry(0, {"Kept", "", "C:\\h\\kept.chm"});
    const struct {
        const char* key;
        DialogAnswer answer;
    } steps[] = {
        {"Ins", DialogAnswer().Edit(6, "C:\\h\\x.chm").Button(17)},              // no Desc
        {"Ins", DialogAnswer().Edit(2, "No file").Button(17)},                   // no File
        {"Ins", DialogAnswer().Edit(2, "A").Edit(6, "C:\\h\\a.chm").Button(18)}, // Cancel
        {"F4", DialogAnswer().Edit(2, "").Button(17)},                           // Desc emptied
        {"Ins", DialogAnswer().Edit(2, "B").Edit(6, "C:\\h\\b.chm").Esc()},
    };
    for (const auto& step : steps) {
        Keys({step.key});
        host->QueueDialog(step.answer);
    }
    RunMenu("4");
    EXPECT_EQ(Value("Desc0"), "Kept");
    EXPECT_EQ(Value("Desc1"), "(missing)");
    EXPECT_EQ(LastMenu().Items.size(), 6u);
    ExpectAllAnswersUsed();
}

} // namespace
