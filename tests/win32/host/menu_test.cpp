// The help-file menu: its items and marks, where the marks and the cursor start
// (stored values, masks, the editor selection memory), what each key does to the
// catalogue and the marks, and what the menu hands back.
#include "flow.hpp"

using farhost::Host;
using farhost::MenuRecord;
using flow::Entry;
using flow::Shown;
using flow::StoreEntry;
using flow::Value;

namespace {

const std::string Blank(33, ' ');

class MenuTest : public FlowTest {
  protected:
    // Entries "Entry 0" ... with fields tagged by their index.
    void StoreEntries(int count) {
        for (int n = 0; n < count; n++) {
            std::string i = std::to_string(n);
            StoreEntry(n, {"Entry " + i, "Type " + i, "C:\\help\\" + i + ".chm", "kw" + i, "", "1" + i,
                           n % 2 ? "WIN" : "AUTO"});
        }
    }
    // Positions that carry a mark in a menu call, as "<pos><mark>".
    static std::string Marks(const MenuRecord& menu) {
        std::string marks;
        for (size_t i = 0; i < menu.Items.size(); i++)
            if (menu.Items[i].Mark) marks += std::to_string(i) + (char)menu.Items[i].Mark;
        return marks;
    }
    static void SetPositions(const char* selected, const char* lastPos) {
        if (selected) Host::RegSetString(flow::Key, "SelectedItem", selected);
        if (lastPos) Host::RegSetString(flow::Key, "LastPos", lastPos);
    }
};

TEST_F(MenuTest, EmptyCatalogueHasFiveItemsAndAcceptsOnlyTheShellCommand) {
    Start();
    Keys({"Enter"}); // help on the word: needs an entry; a box says how to add one, the menu stays
    host->QueueMessage(0);
    Keys({"Down", "Enter"}); // repeat: the same
    host->QueueMessage(0);
    Keys({"Down", "Enter"});
    flow::MenuOut out = ShowMenu(OPEN_PLUGINSMENU);
    EXPECT_EQ(out.Result, 2);
    for (const std::string* text :
         {&out.File, &out.Keyword, &out.Title, &out.Flags, &out.Encoding, &out.Type})
        EXPECT_EQ(*text, "");
    ASSERT_EQ(host->Messages().size(), 2u);
    for (const farhost::MessageRecord& box : host->Messages()) {
        EXPECT_EQ(box.Title, Msg(MTitle));
        EXPECT_EQ(box.Lines, (std::vector<std::string>{Msg(MNoHelpFiles), Msg(MAddHelpFile)}));
    }

    ASSERT_EQ(host->Menus().size(), 3u);
    const MenuRecord& menu = host->Menus()[0];
    EXPECT_EQ(Shown(menu), (std::vector<std::string>{" " + Msg(MWordUnderCursor), " " + Msg(MRepeatLast),
                                                     " " + Msg(MOpenWord), " ", " " + Blank}));
    EXPECT_TRUE(menu.Items[3].Separator);
    EXPECT_EQ(menu.X, -1);
    EXPECT_EQ(menu.Y, -1);
    EXPECT_EQ(menu.Flags, (unsigned)(FMENU_WRAPMODE | FMENU_AUTOHIGHLIGHT));
    EXPECT_EQ(menu.Title, Msg(MTitle));
    EXPECT_EQ(menu.Bottom, Msg(MMenuBottom));
    EXPECT_EQ(menu.HelpTopic, "Usage");
    EXPECT_EQ(menu.BreakKeys,
              (std::vector<int>{0x2D, 0x73, 0x2E, 0x10028, 0x10026, 0x20, 0x10020, 0x60078, 0x0D}));
    EXPECT_EQ(host->Menus()[1].InitialCursor, 0);
    EXPECT_EQ(host->Menus()[2].InitialCursor, 1) << "the cursor stays where it was";
    EXPECT_EQ(Value("SelectedItem"), "0");
    EXPECT_EQ(Value("LastPos"), "2");
    ExpectAllAnswersUsed();
}

TEST_F(MenuTest, EntriesShowTheirLetterAnd66CharactersOfDesc) {
    Start();
    StoreEntry(0, {std::string(100, 'd')});
    StoreEntry(1, {"Second"});
    Keys({"Esc"});
    EXPECT_EQ(ShowMenu(OPEN_PLUGINSMENU).Result, -1);
    const MenuRecord& menu = LastMenu();
    ASSERT_EQ(menu.Items.size(), 7u);
    EXPECT_EQ(menu.Items[4].Text, "&A. " + std::string(66, 'd'));
    EXPECT_EQ(menu.Items[4].Hotkey, 'A');
    EXPECT_EQ(menu.Items[5].Text, "&B. Second");
    EXPECT_EQ(menu.Items[6].Text, Blank);
    EXPECT_EQ(Marks(menu), "4*") << "the first entry is selected and active";
    EXPECT_EQ(Value("SelectedItem"), "4");
    EXPECT_EQ(Value("LastPos"), "0") << "written on Esc too";
}

TEST_F(MenuTest, StoredPositionsOutOfRangeFallBack) {
    const struct {
        const char *selected, *lastPos;
        const char* marks;
        int cursor;
    } cases[] = {
        {"9", "-1", "4*", 0}, // three entries: positions 4-6; blank line 7
        {"6", "8", "6*", 0},  // LastPos count + 5
        {"abc", "7", "4*", 7}, {"0x5", "2", "5*", 2}, {"3", "x", "4*", 0},
    };
    for (const auto& c : cases) {
        Fresh();
        Start();
        StoreEntries(3);
        SetPositions(c.selected, c.lastPos);
        Keys({"Esc"});
        ShowMenu(OPEN_DISKMENU);
        EXPECT_EQ(Marks(LastMenu()), c.marks) << c.selected;
        EXPECT_EQ(LastMenu().InitialCursor, c.cursor) << c.lastPos;
    }
}

TEST_F(MenuTest, EditorMemoryWinsOverTheMaskWhichWinsOverTheStoredSelection) {
    Start();
    StoreEntry(0, {"headers", "", "C:\\help\\h.chm", "", "*.h"});
    StoreEntry(1, {"no masks", "", "C:\\help\\any.chm"});
    StoreEntry(2, {"C sources", "", "C:\\help\\c.chm", "", "*.c,*.h"});
    auto selectedFor = [&](int openFrom, const char* file, int editorId) {
        SetPositions("4", nullptr);
        Keys({"Esc"});
        ShowMenu(openFrom, file, editorId);
        return Marks(LastMenu());
    };
    EXPECT_EQ(selectedFor(OPEN_EDITOR, "C:\\src\\main.c", 7), "6*");
    EXPECT_EQ(selectedFor(OPEN_VIEWER, "C:\\src\\main.c", 7), "4*") << "masks count only from the editor";
    EXPECT_EQ(selectedFor(OPEN_EDITOR, "C:\\src\\readme", 7), "4*");

    probe->RememberEditorChoice(probe->EditorChoices, 7, 5);
    EXPECT_EQ(selectedFor(OPEN_EDITOR, "C:\\src\\main.c", 7), "5*");
    EXPECT_EQ(selectedFor(OPEN_EDITOR, "C:\\src\\main.c", 8), "6*") << "another editor";
    EXPECT_EQ(selectedFor(OPEN_PLUGINSMENU, "", 7), "4*") << "the memory counts only from the editor";
    probe->RememberEditorChoice(probe->EditorChoices, 7, 7);
    EXPECT_EQ(selectedFor(OPEN_EDITOR, "C:\\src\\main.c", 7), "6*") << "the blank line is no entry";

    // Accepting an entry from an editor remembers it for that editor.
    SetPositions(nullptr, "5");
    Keys({"Enter"});
    EXPECT_EQ(ShowMenu(OPEN_EDITOR, "C:\\src\\main.c", 9).Result, HC_CATALOGUEENTRY);
    int remembered = -1;
    EXPECT_TRUE(probe->LookUpEditorChoice(probe->EditorChoices, 9, &remembered));
    EXPECT_EQ(remembered, 5);
    ExpectAllAnswersUsed();
}

TEST_F(MenuTest, SpaceMarksTheActiveEntryThatCommandZeroThenUses) {
    Start();
    StoreEntries(3);
    SetPositions("4", "0");
    Keys({"Down", "Down", "Down", "Down", "Space"}); // the separator is skipped: position 5
    Keys({"Home", "Enter"});
    flow::MenuOut out = ShowMenu(OPEN_EDITOR, "C:\\x\\notes.txt", 3);
    EXPECT_EQ(out.Result, HC_WORDUNDERCURSOR);
    EXPECT_EQ(out.Title, "Entry 1");
    EXPECT_EQ(out.File, "C:\\help\\1.chm");
    EXPECT_EQ(out.Keyword, "kw1");
    EXPECT_EQ(out.Type, "Type 1");
    EXPECT_EQ(out.Flags, "11");
    EXPECT_EQ(out.Encoding, "WIN");
    ASSERT_EQ(host->Menus().size(), 2u);
    EXPECT_EQ(Marks(host->Menus()[1]), "4*5+");
    EXPECT_EQ(host->Menus()[1].InitialCursor, 5);
    EXPECT_EQ(Value("SelectedItem"), "4") << "Space leaves the selected entry";
    int remembered = -1;
    EXPECT_TRUE(probe->LookUpEditorChoice(probe->EditorChoices, 3, &remembered));
    EXPECT_EQ(remembered, 4);

    // Ctrl+Space moves both marks.
    Keys({"Down", "Down", "Down", "Down", "Ctrl+Space"});
    Keys({"Home", "Down", "Enter"});
    out = ShowMenu(OPEN_PLUGINSMENU);
    EXPECT_EQ(out.Result, HC_REPEATLAST);
    EXPECT_EQ(Marks(LastMenu()), "5*");
    EXPECT_EQ(out.Title, "Entry 1");
    EXPECT_EQ(Value("SelectedItem"), "5");
    ExpectAllAnswersUsed();
}

TEST_F(MenuTest, AnEntrysLetterActsLikeSpaceAndACommandsLetterAccepts) {
    Start();
    StoreEntries(3);
    Keys({"c"});
    Keys({"h"}); // auto hotkey of "Help on the word under the cursor"
    flow::MenuOut out = ShowMenu(OPEN_PLUGINSMENU);
    ASSERT_EQ(host->Menus().size(), 2u);
    EXPECT_EQ(host->Menus()[0].Items[6].Hotkey, 'C');
    EXPECT_EQ(host->Menus()[0].Items[0].Hotkey, 'H');
    EXPECT_EQ(Marks(host->Menus()[1]), "4*6+");
    EXPECT_EQ(out.Result, HC_WORDUNDERCURSOR);
    EXPECT_EQ(out.Title, "Entry 2");
    ExpectAllAnswersUsed();
}

TEST_F(MenuTest, EnterOnAnEntryReturnsItAndMakesItActiveAndSelected) {
    Start();
    StoreEntries(3);
    Keys({"End", "Enter"}); // the blank line: nothing to accept
    Keys({"Up", "Enter"});
    flow::MenuOut out = ShowMenu(OPEN_PLUGINSMENU);
    EXPECT_EQ(out.Result, HC_CATALOGUEENTRY);
    EXPECT_EQ(out.Title, "Entry 2");
    EXPECT_EQ(out.Keyword, "kw2");
    EXPECT_EQ(out.Encoding, "AUTO");
    EXPECT_EQ(Value("SelectedItem"), "6");
    EXPECT_EQ(Value("LastPos"), "6");
    Keys({"Esc"});
    ShowMenu(OPEN_PLUGINSMENU);
    EXPECT_EQ(Marks(LastMenu()), "6*");
    EXPECT_EQ(LastMenu().InitialCursor, 6);
    ExpectAllAnswersUsed();
}

TEST_F(MenuTest, RemovalAsksAndMovesMarksAndCursor) {
    Start();
    StoreEntries(3);

    // An entry above both marks: '*' moves up with its entry, '+' joins it.
    SetPositions("6", "5");
    Keys({"Space"});     // '+' on position 5
    Keys({"Up", "Del"}); // remove position 4
    host->QueueMessage(0);
    Keys({"Esc"});
    ShowMenu(OPEN_PLUGINSMENU);
    ASSERT_EQ(host->Messages().size(), 1u);
    const farhost::MessageRecord& question = host->Messages()[0];
    EXPECT_EQ(question.Flags, (unsigned)FMSG_MB_YESNO);
    EXPECT_EQ(question.Title, Msg(MTitle));
    EXPECT_EQ(question.Lines, std::vector<std::string>{Msg(MRemoveQuestion)});
    EXPECT_EQ(question.Buttons, (std::vector<std::string>{"Yes", "No"}));
    EXPECT_EQ(Shown(LastMenu()).size(), 7u);
    EXPECT_EQ(LastMenu().Items[4].Text, "&A. Entry 1");
    EXPECT_EQ(LastMenu().Items[5].Text, "&B. Entry 2") << "letters given again";
    EXPECT_EQ(LastMenu().Items[6].Text, Blank);
    EXPECT_EQ(Marks(LastMenu()), "5*");
    EXPECT_EQ(Value("Desc0"), "Entry 1");
    EXPECT_EQ(Value("Keyword1"), "kw2");
    EXPECT_EQ(Value("Desc2"), "(missing)");

    // The active entry below the selected one: '+' goes to the '*' entry.
    SetPositions("4", "5");
    Keys({"Space"});
    Keys({"Del"});
    host->QueueMessage(0);
    Keys({"Esc"});
    ShowMenu(OPEN_PLUGINSMENU);
    EXPECT_EQ(Marks(LastMenu()), "4*");
    EXPECT_EQ(LastMenu().InitialCursor, 4) << "the last entry went: the cursor is on the new last";
    EXPECT_EQ(Value("Desc1"), "(missing)");

    // The only entry: no marks remain.
    Keys({"Del"});
    host->QueueMessage(0);
    Keys({"Esc"});
    ShowMenu(OPEN_PLUGINSMENU);
    EXPECT_EQ(Marks(LastMenu()), "");
    EXPECT_EQ(Shown(LastMenu()).size(), 5u);
    EXPECT_EQ(Value("Desc0"), "(missing)");
    EXPECT_EQ(Value("SelectedItem"), "0");
    ExpectAllAnswersUsed();
}

TEST_F(MenuTest, RemovingTheSelectedEntryPutsTheMarkOnTheFirst) {
    Start();
    StoreEntries(3);
    SetPositions("5", "5");
    Keys({"Del"});
    host->QueueMessage(0);
    Keys({"Esc"});
    ShowMenu(OPEN_PLUGINSMENU);
    EXPECT_EQ(Marks(LastMenu()), "4*");
    EXPECT_EQ(LastMenu().InitialCursor, 5);
    EXPECT_EQ(Value("Desc1"), "Entry 2");
    ExpectAllAnswersUsed();
}

TEST_F(MenuTest, RemovalNotConfirmedOrNotOnAnEntryChangesNothing) {
    Start();
    StoreEntries(2);
    SetPositions("4", "4");
    Keys({"Del"});
    host->QueueMessage(1); // No
    Keys({"Del"});
    host->QueueMessage(-1); // Esc
    Keys({"Home", "Del"});  // a fixed command: no question
    Keys({"End", "Del"});   // the blank line
    Keys({"Esc"});
    ShowMenu(OPEN_PLUGINSMENU);
    EXPECT_EQ(host->Messages().size(), 2u);
    EXPECT_EQ(Value("Desc0"), "Entry 0");
    EXPECT_EQ(Value("Desc1"), "Entry 1");
    EXPECT_EQ(Shown(LastMenu()).size(), 7u);
    ExpectAllAnswersUsed();
}

TEST_F(MenuTest, MovesTakeTheMarksAndTheCursorAlongAndStopAtTheEnds) {
    Start();
    StoreEntries(3);
    SetPositions("4", "4");
    Keys({"Ctrl+Up"}); // the first entry: nothing
    Keys({"Ctrl+Down"});
    Keys({"Ctrl+Down"});
    Keys({"Ctrl+Down"}); // now the last: nothing
    Keys({"Up", "Ctrl+Space"});
    Keys({"Ctrl+Up"});
    Keys({"Esc"});
    ShowMenu(OPEN_PLUGINSMENU);
    const auto& menus = host->Menus();
    ASSERT_EQ(menus.size(), 7u);
    EXPECT_EQ(Shown(menus[1]), Shown(menus[0]));
    EXPECT_EQ(menus[1].InitialCursor, 4);
    EXPECT_EQ(Marks(menus[2]), "5*");
    EXPECT_EQ(menus[2].InitialCursor, 5);
    EXPECT_EQ(menus[2].Items[4].Text, "&A. Entry 1");
    EXPECT_EQ(menus[2].Items[5].Text, "&B. Entry 0") << "letters stay with the positions";
    EXPECT_EQ(Marks(menus[3]), "6*");
    EXPECT_EQ(menus[3].InitialCursor, 6);
    EXPECT_EQ(Shown(menus[4]), Shown(menus[3]));
    EXPECT_EQ(menus[4].InitialCursor, 6);
    // Ctrl+Space on position 5 ("Entry 2"), then moved up: the mark goes with it.
    EXPECT_EQ(Marks(menus[5]), "5*");
    EXPECT_EQ(Marks(menus[6]), "4*");
    EXPECT_EQ(menus[6].InitialCursor, 4);
    EXPECT_EQ(Shown(menus[6])[4], "*&A. Entry 2");

    const char* order[] = {"2", "1", "0"};
    for (int n = 0; n < 3; n++) {
        EXPECT_EQ(Value("Desc" + std::to_string(n)), std::string("Entry ") + order[n]);
        EXPECT_EQ(Value("Keyword" + std::to_string(n)), std::string("kw") + order[n]);
        EXPECT_EQ(Value("Flags" + std::to_string(n)), std::string("1") + order[n]);
    }
    EXPECT_EQ(Value("SelectedItem"), "4");
    ExpectAllAnswersUsed();
}

TEST_F(MenuTest, InsOnAFixedCommandAddsAtTheEnd) {
    Start();
    StoreEntries(2);
    SetPositions("5", "1");
    Keys({"Ins"});
    host->QueueDialog(farhost::DialogAnswer().Edit(2, "Added").Edit(6, "C:\\help\\new.hlf").Button(17));
    Keys({"Esc"});
    ShowMenu(OPEN_PLUGINSMENU);
    EXPECT_EQ(Value("Desc2"), "Added");
    EXPECT_EQ(Value("File2"), "C:\\help\\new.hlf");
    EXPECT_EQ(LastMenu().Items[6].Text, "&C. Added");
    EXPECT_EQ(LastMenu().Items[7].Text, Blank);
    EXPECT_EQ(LastMenu().InitialCursor, 6) << "the cursor is on the new entry";
    EXPECT_EQ(Marks(LastMenu()), "5*") << "the marks stay";
    ExpectAllAnswersUsed();
}

TEST_F(MenuTest, FirstEntryAddedBecomesActiveAndSelected) {
    Start();
    Keys({"Ins"});
    host->QueueDialog(farhost::DialogAnswer().Edit(2, "Win32 API").Edit(6, "C:\\help\\win32.chm").Button(17));
    Keys({"Enter"});
    flow::MenuOut out = ShowMenu(OPEN_PLUGINSMENU);
    EXPECT_EQ(Marks(LastMenu()), "4*");
    EXPECT_EQ(LastMenu().InitialCursor, 4);
    EXPECT_EQ(out.Result, HC_CATALOGUEENTRY);
    EXPECT_EQ(out.File, "C:\\help\\win32.chm");
    EXPECT_EQ(out.Flags, "22") << "both options left to the help type";
    EXPECT_EQ(out.Encoding, "AUTO");
    EXPECT_EQ(Value("Type0"), "");
    EXPECT_EQ(Value("Mask0"), "");
    ExpectAllAnswersUsed();
}

TEST_F(MenuTest, WithTwentySixEntriesInsShowsTheEditorButAddsNothing) {
    Start();
    StoreEntries(26);
    Keys({"Ins"});
    host->QueueDialog(farhost::DialogAnswer().Edit(2, "One too many").Edit(6, "x.chm").Button(17));
    Keys({"Esc"});
    ShowMenu(OPEN_PLUGINSMENU);
    EXPECT_EQ(host->Dialogs().size(), 1u);
    EXPECT_EQ(Value("Desc26"), "(missing)");
    EXPECT_EQ(LastMenu().Items.size(), 31u);
    EXPECT_EQ(LastMenu().Items[29].Text, "&Z. Entry 25");
    ExpectAllAnswersUsed();
}

TEST_F(MenuTest, AltShiftF9OpensTheConfigurationAndEscComesBack) {
    Start();
    StoreEntries(1);
    Keys({"Alt+Shift+F9"});
    Keys({"Esc"}); // the configuration menu
    Keys({"Esc"});
    EXPECT_EQ(ShowMenu(OPEN_PLUGINSMENU).Result, -1);
    ASSERT_EQ(host->Menus().size(), 3u);
    EXPECT_EQ(host->Menus()[1].Title, Msg(MConfigTitle));
    EXPECT_EQ(host->Menus()[2].Title, Msg(MTitle));
    EXPECT_EQ(Marks(host->Menus()[2]), "4*");
    ExpectAllAnswersUsed();
}

} // namespace
