// Menus, dialogs and message boxes through the stand-in host, called from inside
// the test plug-in, checked against Far 1.70's documented behaviour.
#include "fixture.hpp"

#include <cstring>

using farhost::DialogAnswer;

namespace {

void SetItems(FarMenuItem* items, int n, const char* const* texts) {
    memset(items, 0, sizeof(FarMenuItem) * n);
    for (int i = 0; i < n; i++) {
        if (texts[i])
            lstrcpyA(items[i].Text, texts[i]);
        else
            items[i].Separator = 1;
    }
}

// The help-file menu's break keys.
const int kBreakKeys[] = {0x2D, 0x73, 0x2E, 0x10028, 0x10026, 0x20, 0x10020, 0x60078, 0x0D, 0};

} // namespace

// ------------------------------------------------------------------ Menu
TEST_F(HostTest, MenuBreakKeysWriteTheirIndexAndReturnTheCursor) {
    struct Case {
        std::vector<std::string> keys;
        int result, breakCode;
    } cases[] = {
        {{"Down", "Ins"}, 1, 0}, // break code = index in BreakKeys; result = the cursor's position
        {{"Down", "Down", "Down", "F4"}, 4, 1}, // the separator is skipped
        {{"Ctrl+Up"}, 0, 4},
        {{"Alt+Shift+F9"}, 0, 7},
        {{"Alt+F9"}, 0, 7}, // build 2087: one of the requested modifiers is enough
        {{"Shift+F9"}, 0, 7},
        {{"Ctrl+Shift+Space"}, 0, 6}, // Ctrl+Space fires with Shift held too
        {{"Space"}, 0, 5},            // no modifier: only a break key without modifiers
        {{"Enter"}, 0, 8},            // Enter is a break key here and wins over the menu's own Enter
        {{"Esc"}, -1, -1},
        {{"F9", "Esc"}, -1, -1}, // F9 alone matches no break key (0x60078 wants a modifier)
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(host.QueueMenu(c.keys));
        int result = 99, code = 77;
        InPlugin([&](const PluginStartupInfo& I) {
            FarMenuItem items[5];
            const char* texts[] = {"Zero", "One", "Two", nullptr, "Four"};
            SetItems(items, 5, texts);
            result = I.Menu(I.ModuleNumber, -1, -1, 0, FMENU_WRAPMODE, "T", nullptr, nullptr, kBreakKeys,
                            &code, items, 5);
        });
        std::string what = c.keys.back();
        EXPECT_EQ(result, c.result) << what;
        EXPECT_EQ(code, c.breakCode) << what;
    }
    EXPECT_TRUE(host.Errors().empty());
}

TEST_F(HostTest, MenuEnterHotkeysAndClicksLeaveTheBreakCodeAtMinusOne) {
    const int f4[] = {0x73, 0};
    auto run = [&](std::vector<std::string> keys, DWORD flags, const char* const* texts, int n, int* code) {
        host.QueueMenu(keys);
        int result = 99;
        InPlugin([&](const PluginStartupInfo& I) {
            FarMenuItem items[6];
            SetItems(items, n, texts);
            *code = 55;
            result = I.Menu(I.ModuleNumber, -1, -1, 0, flags, "T", "B", nullptr, f4, code, items, n);
        });
        return result;
    };
    const char* texts[] = {"&Alpha", "&Beta", "Gamma", "&Beta too", "Delta"};
    int code;
    EXPECT_EQ(run({"Down", "Enter"}, 0, texts, 5, &code), 1);
    EXPECT_EQ(code, -1);
    EXPECT_EQ(run({"b"}, 0, texts, 5, &code), 1); // explicit '&' hotkey, case-insensitive
    EXPECT_EQ(code, -1);
    EXPECT_EQ(run({"#4"}, 0, texts, 5, &code), 4);        // a click
    EXPECT_EQ(run({"g", "Esc"}, 0, texts, 5, &code), -1); // no hotkey without AUTOHIGHLIGHT
    EXPECT_EQ(run({"g"}, FMENU_AUTOHIGHLIGHT, texts, 5, &code), 2);
    // AUTOHIGHLIGHT honours '&' first and never gives a letter twice: Delta gets 'e'.
    EXPECT_EQ(run({"d"}, FMENU_AUTOHIGHLIGHT, texts, 5, &code), 4);
    const farhost::MenuRecord& m = host.Menus().back();
    EXPECT_EQ(m.Items[0].Hotkey, 'A');
    EXPECT_EQ(m.Items[2].Hotkey, 'G');
    EXPECT_EQ(m.Items[3].Hotkey, 0); // "&Beta too": B already taken
    EXPECT_EQ(m.Items[4].Hotkey, 'D');
    EXPECT_EQ(m.Result, 4);
}

TEST_F(HostTest, MenuCursorWrapAndF1) {
    const char* texts[] = {nullptr, "One", "Two", "Three"};
    auto run = [&](std::vector<std::string> keys, DWORD flags, int selected) {
        host.QueueMenu(keys);
        int result = 99;
        InPlugin([&](const PluginStartupInfo& I) {
            FarMenuItem items[4];
            SetItems(items, 4, texts);
            if (selected >= 0) items[selected].Selected = 1;
            items[0].Selected = 1; // a separator never takes the cursor
            result =
                I.Menu(I.ModuleNumber, -1, -1, 0, flags, "T", nullptr, "Usage", nullptr, nullptr, items, 4);
        });
        return result;
    };
    EXPECT_EQ(run({"Enter"}, 0, -1), 1);       // first selectable item
    EXPECT_EQ(run({"Enter"}, 0, 2), 2);        // first Selected
    EXPECT_EQ(run({"Up", "Enter"}, 0, -1), 1); // no wrap: stays
    EXPECT_EQ(run({"Up", "Enter"}, FMENU_WRAPMODE, -1), 3);
    EXPECT_EQ(run({"End", "Down", "Enter"}, FMENU_WRAPMODE, -1), 1);
    EXPECT_EQ(run({"F1", "Down", "Enter"}, 0, -1), 2); // F1 shows help, the menu stays open
    ASSERT_EQ(host.Helps().size(), 1u);
    EXPECT_EQ(host.Helps()[0].ShownTopic, "Usage");
    EXPECT_EQ(host.Helps()[0].File, Dir("TestEng.hlf"));
    EXPECT_TRUE(host.Errors().empty());
}

TEST_F(HostTest, MenuMarksAndExtendedItems) {
    host.QueueMenu({"Down", "Down", "Enter"});
    host.QueueMenu({"Ctrl+F2"});
    int r1 = 0, r2 = 0, code = 0;
    InPlugin([&](const PluginStartupInfo& I) {
        FarMenuItem items[3];
        const char* texts[] = {"a", "b", "c"};
        SetItems(items, 3, texts);
        items[0].Checked = '+';
        items[1].Checked = 0x12A; // only the low byte is the mark
        items[2].Checked = 1;
        r1 = I.Menu(I.ModuleNumber, -1, -1, 0, 0, "T", nullptr, nullptr, nullptr, nullptr, items, 3);

        FarMenuItemEx ex[4];
        memset(ex, 0, sizeof ex);
        lstrcpyA(ex[0].Text.Text, "inline");
        ex[0].Flags = MIF_CHECKED; // default mark
        ex[1].Flags = MIF_SEPARATOR;
        ex[2].Flags = MIF_USETEXTPTR | MIF_CHECKED | '*' | MIF_SELECTED;
        ex[2].Text.TextPtr = "by pointer";
        ex[3].Flags = MIF_DISABLE;
        lstrcpyA(ex[3].Text.Text, "disabled");
        ex[3].UserData = 1234;
        ex[2].AccelKey = KEY_CTRL | (KEY_FUNCTION_BASE + VK_F2);
        r2 = I.Menu(I.ModuleNumber, -1, -1, 0, FMENU_USEEXT, "X", nullptr, nullptr, nullptr, &code,
                    (const FarMenuItem*)ex, 4);
    });
    EXPECT_EQ(r1, 2);
    const farhost::MenuRecord& m = host.Menus()[0];
    EXPECT_EQ(m.Items[0].Mark, '+');
    EXPECT_EQ(m.Items[1].Mark, '*');
    EXPECT_EQ(m.Items[2].Mark, 1); // Far draws character 1, not its default mark
    EXPECT_EQ(r2, 2);              // AccelKey selects and accepts
    EXPECT_EQ(code, -1);
    const farhost::MenuRecord& e = host.Menus()[1];
    ASSERT_EQ(e.Items.size(), 4u); // read with the 144-byte stride
    EXPECT_EQ(e.Items[0].Mark, 0xFB);
    EXPECT_TRUE(e.Items[1].Separator);
    EXPECT_EQ(e.Items[2].Text, "by pointer");
    EXPECT_EQ(e.Items[2].Mark, '*');
    EXPECT_EQ(e.InitialCursor, 2);
    EXPECT_TRUE(e.Items[3].Disabled);
    EXPECT_EQ(e.Items[3].UserData, 1234u);
    EXPECT_TRUE(host.Errors().empty());
}

TEST_F(HostTest, MenuFaultsAreRecorded) {
    int r = 0, r2 = 0;
    InPlugin([&](const PluginStartupInfo& I) {
        FarMenuItem item;
        memset(&item, 0, sizeof item);
        r = I.Menu(I.ModuleNumber + 1, -1, -1, 0, 0, "T", nullptr, nullptr, nullptr, nullptr, &item, 1);
        r2 = I.Menu(I.ModuleNumber, -1, -1, 0, 0, "Unanswered", nullptr, nullptr, nullptr, nullptr, &item, 1);
    });
    EXPECT_EQ(r, -1);
    EXPECT_EQ(r2, -1);
    ASSERT_EQ(host.Errors().size(), 2u);
    EXPECT_NE(host.Errors()[0].find("invalid plug-in number"), std::string::npos);
    EXPECT_NE(host.Errors()[1].find("no scripted answer"), std::string::npos);
}

// ------------------------------------------------------------------ Dialog
namespace {
struct DlgLog {
    int initParam1 = -9;
    long initParam2 = 0;
    long helpParam2 = -1;
    const char* answerTopic = nullptr;
    int closes = 0;
    bool refuseFirstClose = false;
};
DlgLog* g_log;
long WINAPI LoggingProc(HANDLE h, int msg, int p1, long p2) {
    TestPluginState* s = ((TESTSTATE)(void*)GetProcAddress(GetModuleHandleA("Test.dll"), "TestState"))();
    if (msg == DN_INITDIALOG) g_log->initParam1 = p1, g_log->initParam2 = p2;
    if (msg == DN_HELP) {
        g_log->helpParam2 = p2;
        return (long)g_log->answerTopic;
    }
    if (msg == DN_CLOSE && g_log->refuseFirstClose && g_log->closes++ == 0) return FALSE;
    return s->Info.DefDlgProc(h, msg, p1, p2);
}
} // namespace

TEST_F(HostTest, DialogExProcedureGetsInitHelpAndClose) {
    DlgLog log;
    g_log = &log;
    static std::string other;
    other = "<" + dir + "\\>Usage";
    log.answerTopic = other.c_str();
    log.refuseFirstClose = true;
    host.QueueDialog(DialogAnswer().Help().Esc().Button(2));
    int r = 0;
    const char* topic = "Contents";
    InPlugin([&](const PluginStartupInfo& I) {
        FarDialogItem d[3];
        memset(d, 0, sizeof d);
        d[0].Type = DI_DOUBLEBOX, d[0].X2 = 30, d[0].Y2 = 4;
        d[1].Type = DI_EDIT, d[1].X1 = 2, d[1].Y1 = 1, d[1].X2 = 20, d[1].Focus = 1;
        d[2].Type = DI_BUTTON, d[2].Y1 = 2, d[2].Flags = DIF_CENTERGROUP;
        lstrcpyA(d[2].Data, "OK");
        r = I.DialogEx(I.ModuleNumber, -1, -1, 34, 6, topic, d, 3, 0, 0, LoggingProc, 0x1234);
    });
    EXPECT_EQ(log.initParam1, 1);           // the focused item
    EXPECT_EQ(log.initParam2, 0x1234);      // DialogEx's Param
    EXPECT_EQ(log.helpParam2, (long)topic); // the very topic pointer passed in
    ASSERT_EQ(host.Helps().size(), 1u);     // the procedure's answer was shown
    EXPECT_EQ(host.Helps()[0].ShownTopic, "Usage");
    EXPECT_EQ(r, 2); // Esc was refused by DN_CLOSE, then the button closed it
    EXPECT_TRUE(host.Errors().empty());

    // A procedure answering DN_HELP with 0 shows nothing; without a procedure the
    // dialog's own topic is shown.
    log.answerTopic = nullptr;
    log.refuseFirstClose = false;
    host.QueueDialog(DialogAnswer().Help().Esc());
    host.QueueDialog(DialogAnswer().Help().Esc());
    InPlugin([&](const PluginStartupInfo& I) {
        FarDialogItem d[1];
        memset(d, 0, sizeof d);
        d[0].Type = DI_EDIT, d[0].X2 = 10;
        I.DialogEx(I.ModuleNumber, -1, -1, 20, 3, "Contents", d, 1, 0, 0, LoggingProc, 0);
        I.Dialog(I.ModuleNumber, -1, -1, 20, 3, "Usage", d, 1);
    });
    ASSERT_EQ(host.Helps().size(), 2u);
    EXPECT_EQ(host.Helps()[1].ShownTopic, "Usage");
}

TEST_F(HostTest, DialogComboHistoryCheckboxAndMaskWriteBack) {
    farhost::Host::AddHistory("fh-hist", "older");
    farhost::Host::AddHistory("fh-hist", "latest");
    FarListItem li[3];
    memset(li, 0, sizeof li);
    lstrcpyA(li[0].Text, "AUTO");
    lstrcpyA(li[1].Text, "OEM");
    lstrcpyA(li[2].Text, "WIN");
    li[1].Flags = LIF_SELECTED;
    FarList list = {3, li};
    FarDialogItem d[7];
    auto build = [&](bool defaultOk) {
        memset(d, 0, sizeof d);
        d[0].Type = DI_COMBOBOX, d[0].X1 = 2, d[0].X2 = 20, d[0].Flags = DIF_DROPDOWNLIST,
        d[0].ListItems = &list;
        d[1].Type = DI_EDIT, d[1].X1 = 2, d[1].Y1 = 1, d[1].X2 = 20,
        d[1].Flags = DIF_HISTORY | DIF_USELASTHISTORY;
        d[1].History = "fh-hist";
        d[1].Focus = 1;
        d[1].DefaultButton = 1; // skipped for Enter: it carries bit 0x40000
        d[2].Type = DI_CHECKBOX, d[2].Y1 = 2, d[2].Flags = DIF_3STATE;
        d[3].Type = DI_CHECKBOX, d[3].Y1 = 3;
        d[4].Type = DI_FIXEDIT, d[4].Y1 = 4, d[4].X1 = 2, d[4].X2 = 6, d[4].Flags = DIF_MASKEDIT,
        d[4].Mask = "99-99";
        d[5].Type = DI_BUTTON, d[5].Y1 = 5, d[5].DefaultButton = defaultOk;
        lstrcpyA(d[5].Data, "OK");
        d[6].Type = DI_BUTTON, d[6].Y1 = 5, d[6].X1 = 10, d[6].Flags = DIF_BTNNOCLOSE;
        lstrcpyA(d[6].Data, "Stay");
    };
    build(false);
    host.QueueDialog(
        DialogAnswer().Check(2, 2).Check(3, 2).Edit(4, "1a234").Button(6).Choose(0, 2).Focus(1).Enter());
    int r = 0;
    InPlugin([&](const PluginStartupInfo& I) { r = I.Dialog(I.ModuleNumber, -1, -1, 30, 8, nullptr, d, 7); });
    const farhost::DialogRecord& rec = host.Dialogs()[0];
    EXPECT_EQ(rec.Before[0].Data, "OEM"); // empty combo Data: the LIF_SELECTED text
    EXPECT_EQ(rec.Before[0].ListPos, 1);
    EXPECT_EQ(rec.Before[1].Data, "latest"); // the most recent history line
    EXPECT_EQ(r, 1);                         // Enter on the edit: focused item, not its DefaultButton
    EXPECT_EQ(d[0].ListPos, 2);              // ListPos over ListItems
    EXPECT_STREQ(d[0].Data, "WIN");
    EXPECT_EQ(li[1].Flags, (DWORD)LIF_SELECTED); // the caller's list untouched
    EXPECT_EQ(d[2].Selected, 2);
    EXPECT_EQ(d[3].Selected, 0);      // no third state without DIF_3STATE
    EXPECT_STREQ(d[4].Data, "12-34"); // the mask took digits only
    ASSERT_EQ(host.Errors().size(), 1u);
    EXPECT_NE(host.Errors()[0].find("state 2"), std::string::npos);
    EXPECT_EQ(farhost::Host::History("fh-hist")[0], "latest");

    // Reusing the array without restoring the list pointer: Far sees no list.
    // Esc still writes back and adds no history.
    host.QueueDialog(DialogAnswer().Edit(1, "typed").Esc());
    r = 0;
    InPlugin([&](const PluginStartupInfo& I) { r = I.Dialog(I.ModuleNumber, -1, -1, 30, 8, nullptr, d, 7); });
    EXPECT_EQ(r, -1);
    EXPECT_TRUE(host.Dialogs()[1].Before[0].List.empty());
    EXPECT_STREQ(d[1].Data, "typed");
    EXPECT_EQ(farhost::Host::History("fh-hist").size(), 2u);

    // Accepted with the default button: the typed line becomes the newest history line.
    build(true);
    host.QueueDialog(DialogAnswer().Edit(1, "new line").Focus(2).Enter());
    InPlugin([&](const PluginStartupInfo& I) { r = I.Dialog(I.ModuleNumber, -1, -1, 30, 8, nullptr, d, 7); });
    EXPECT_EQ(r, 5);
    EXPECT_EQ(d[5].Selected, 0); // Enter off a button presses nothing
    EXPECT_EQ(farhost::Host::History("fh-hist")[0], "new line");
    EXPECT_EQ(d[2].Focus, 1);
    EXPECT_EQ(d[1].Focus, 0);
}

TEST_F(HostTest, DialogInvalidCallsAndDefDlgProcTable) {
    int r1 = 0, r2 = 0;
    long results[6] = {0};
    InPlugin([&](const PluginStartupInfo& I) {
        FarDialogItem d[1];
        memset(d, 0, sizeof d);
        r1 = I.Dialog(I.ModuleNumber, -1, -1, -1, 5, nullptr, d, 1);
        r2 = I.Dialog(I.ModuleNumber, -1, -1, 20, 5, nullptr, d, 0);
        results[0] = I.DefDlgProc(0, DN_INITDIALOG, 0, 5);
        results[1] = I.DefDlgProc(0, DN_CLOSE, 0, 0);
        results[2] = I.DefDlgProc(0, DN_KILLFOCUS, 0, 0);
        results[3] = I.DefDlgProc(0, DN_HELP, 0, 0x777);
        results[4] = I.DefDlgProc(0, DN_KEY, 0, 0);
        results[5] = I.DefDlgProc(0, DN_CTLCOLORDLGITEM, 0, 0x3F);
    });
    EXPECT_EQ(r1, -1);
    EXPECT_EQ(r2, -1);
    EXPECT_EQ(results[0], 0);
    EXPECT_EQ(results[1], TRUE);
    EXPECT_EQ(results[2], -1);
    EXPECT_EQ(results[3], 0x777);
    EXPECT_EQ(results[4], FALSE);
    EXPECT_EQ(results[5], 0x3F);
}

// ------------------------------------------------------------------ Message
TEST_F(HostTest, MessageButtonsStandardButtonsAndRefusals) {
    host.QueueMessage(1);
    host.QueueMessage(-1);
    host.QueueMessage(0);
    int r[5] = {0};
    InPlugin([&](const PluginStartupInfo& I) {
        const char* items[] = {"Title", "line one", "line two", "Yes", "No"};
        r[0] = I.Message(I.ModuleNumber, FMSG_WARNING, nullptr, items, 5, 2);
        r[1] = I.Message(I.ModuleNumber, 0, nullptr, items, 5, 2);
        r[2] = I.Message(I.ModuleNumber, FMSG_MB_YESNO, nullptr, items, 2, 7); // ButtonsNumber ignored
        r[3] = I.Message(I.ModuleNumber, 0, nullptr, items, 1, 0);             // fewer than two items
        r[4] = I.Message(I.ModuleNumber, FMSG_ALLINONE | FMSG_MB_OK, nullptr,
                         (const char* const*)"All\nin one", 0, 0) +
               10;
    });
    EXPECT_EQ(r[0], 1);
    EXPECT_EQ(r[1], -1);
    EXPECT_EQ(r[2], 0);
    EXPECT_EQ(r[3], -1);
    const auto& m = host.Messages();
    ASSERT_EQ(m.size(), 5u);
    EXPECT_EQ(m[0].Lines, (std::vector<std::string>{"line one", "line two"}));
    EXPECT_EQ(m[0].Buttons, (std::vector<std::string>{"Yes", "No"}));
    EXPECT_EQ(m[2].Lines, (std::vector<std::string>{"line one"}));
    EXPECT_EQ(m[2].Buttons.size(), 2u);
    EXPECT_FALSE(m[3].Valid);
    EXPECT_EQ(m[4].Title, "All");
    EXPECT_EQ(m[4].Lines, (std::vector<std::string>{"in one"}));
    ASSERT_EQ(host.Errors().size(), 1u); // the ALLINONE box had no answer left
    EXPECT_EQ(r[4], 9);
}

TEST_F(HostTest, NoticesStayUntilTheirScreenIsRestored) {
    int r = 9;
    bool onScreenDuringWork = false, goneAfterRestore = false;
    InPlugin([&](const PluginStartupInfo& I) {
        HANDLE h = I.SaveScreen(0, 0, -1, -1);
        const char* items[] = {"Building", "please wait"};
        r = I.Message(I.ModuleNumber, 0, nullptr, items, 2, 0);
        onScreenDuringWork = host.Messages().back().OnScreen;
        I.RestoreScreen(h);
        goneAfterRestore = !host.Messages().back().OnScreen;
        I.RestoreScreen(h);                                 // a handle is restored once
        I.Message(I.ModuleNumber, 0, nullptr, items, 2, 0); // left on screen
    });
    EXPECT_EQ(r, 0);
    EXPECT_TRUE(onScreenDuringWork);
    EXPECT_TRUE(goneAfterRestore);
    ASSERT_EQ(host.Errors().size(), 1u);
    EXPECT_NE(host.Errors()[0].find("already restored"), std::string::npos);
    ASSERT_EQ(host.Warnings().size(), 1u);
    EXPECT_NE(host.Warnings()[0].find("left on screen"), std::string::npos);
    EXPECT_EQ(host.PendingAnswers(), 0u);
}

// ------------------------------------------------------------------ layout as Far 1.75 draws it
TEST_F(HostTest, MenusBoxesAndDialogsAreDrawnAtFarsWidths) {
    host.QueueMenu({"Enter"});
    host.QueueMessage(0);
    host.QueueDialog(farhost::DialogAnswer().Esc());
    InPlugin([&](const PluginStartupInfo& I) {
        FarMenuItem items[2] = {};
        strcpy(items[0].Text, "&x one");
        strcpy(items[1].Text, "two");
        items[1].Checked = '*';
        I.Menu(I.ModuleNumber, -1, -1, 0, FMENU_AUTOHIGHLIGHT, "T", "A bottom line longer than the items",
               nullptr, nullptr, nullptr, items, 2);
        const char* lines[] = {"Title", "line one", "the second line", "One", "Two", "Three"};
        I.Message(I.ModuleNumber, 0, nullptr, lines, 6, 3);
        // A list 8 columns wide opens 21 wide: past this frame.
        FarDialogItem d[4] = {};
        FarListItem li[1] = {};
        strcpy(li[0].Text, "entry");
        FarList list = {1, li};
        d[0].Type = DI_DOUBLEBOX, d[0].X1 = 3, d[0].Y1 = 1, d[0].X2 = 20, d[0].Y2 = 4;
        d[1].Type = DI_COMBOBOX, d[1].X1 = 5, d[1].Y1 = 2, d[1].X2 = 12, d[1].ListItems = &list;
        d[2].Type = DI_BUTTON, d[2].Y1 = 3, d[2].Flags = DIF_CENTERGROUP, d[2].DefaultButton = 1;
        strcpy(d[2].Data, "&OK");
        d[3].Type = DI_BUTTON, d[3].Y1 = 3, d[3].Flags = DIF_CENTERGROUP;
        strcpy(d[3].Data, "Cancel");
        I.Dialog(I.ModuleNumber, -1, -1, 24, 6, nullptr, d, 4);
    });
    const std::string t = host.Transcript();
    // Far 1.75's own screens of the same calls, its frame characters spelt in ASCII.
    for (const char* line : {"  +================== T ===================+\n",
                             " >|  x one                                 |  hotkey x\n",
                             "  |* two                                   |  hotkey t\n",
                             "  += A bottom line longer than the items ==+\n", "  +====== Title ======+\n",
                             "  |     line one      |\n", "  |  the second line  |\n",
                             "  |  One  Two  Three  |\n", "[ OK ]  [ Cancel ]"})
        EXPECT_NE(t.find(line), std::string::npos) << line << "\n" << t;
    ASSERT_EQ(host.Errors().size(), 1u);
    EXPECT_NE(
        host.Errors()[0].find("the list of item 1 reaches column 25, on or past its frame at column 20"),
        std::string::npos)
        << host.Errors()[0];
}

// Far draws a field's arrow in the column after the field. A combo box's arrow right beside the
// frame is a fault, one a column away is not; an edit's history arrow only has to stay inside.
TEST_F(HostTest, AComboBoxArrowBesideItsFrameIsALayoutFault) {
    auto show = [&](int comboRight, int editRight) {
        host.QueueDialog(farhost::DialogAnswer().Esc());
        InPlugin([&](const PluginStartupInfo& I) {
            FarDialogItem d[3] = {};
            FarListItem li[1] = {};
            strcpy(li[0].Text, "entry");
            FarList list = {1, li};
            d[0].Type = DI_DOUBLEBOX, d[0].X1 = 3, d[0].Y1 = 1, d[0].X2 = 30, d[0].Y2 = 4;
            d[1].Type = DI_COMBOBOX, d[1].X1 = 5, d[1].Y1 = 2, d[1].X2 = comboRight, d[1].ListItems = &list;
            d[2].Type = DI_EDIT, d[2].X1 = 5, d[2].Y1 = 3, d[2].X2 = editRight, d[2].Flags = DIF_HISTORY;
            d[2].History = "h";
            I.Dialog(I.ModuleNumber, -1, -1, 34, 6, nullptr, d, 3);
        });
    };
    show(27, 28); // the combo box's arrow at 28 leaves 29 free; the edit's at 29 is inside
    EXPECT_TRUE(host.Errors().empty()) << (host.Errors().empty() ? "" : host.Errors()[0]);
    EXPECT_NE(host.Transcript().find("| _______________________v |\n"), std::string::npos)
        << host.Transcript();

    show(28, 28);
    ASSERT_EQ(host.Errors().size(), 1u);
    EXPECT_NE(
        host.Errors()[0].find("the arrow of item 1 stands at column 29, touching its frame at column 30"),
        std::string::npos)
        << host.Errors()[0];

    show(27, 29); // an arrow on the frame is a fault for either
    ASSERT_EQ(host.Errors().size(), 2u);
    EXPECT_NE(host.Errors()[1].find("the arrow of item 2 stands at column 30, on or past its frame"),
              std::string::npos)
        << host.Errors()[1];
}
