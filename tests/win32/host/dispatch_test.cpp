// OpenPlugin from the menu's command to the module: the help type (by name, by
// masks, the type menu), encodings, the path, option states, the keyword dialog,
// the remembered request and its repetition, the warning boxes; and a request
// from the editor reaching the real Vessik.lvx.
#include "flow.hpp"

using farhost::DialogAnswer;
using farhost::Host;
using flow::Entry;
using flow::StoreEntry;
using flow::Value;

namespace {

class DispatchTest : public FlowTest {
  protected:
    std::string ModulePath(const std::string& name) { return Folder + "lvx\\" + name + ".lvx"; }
    const TestModuleRequest& LastRequest(const std::string& module) {
        static TestModuleRequest none;
        const TestModuleRecord* record = RecordOf(ModulePath(module));
        return record ? record->Last : none;
    }
    int ShowHelps(const std::string& module) {
        const TestModuleRecord* record = RecordOf(ModulePath(module));
        return record ? record->ShowHelps : -1;
    }
    // The catalogue's only entry, active and under the cursor; accepted with Enter.
    void AcceptEntry(const Entry& entry, int openFrom = OPEN_PLUGINSMENU) {
        StoreEntry(0, entry);
        Host::RegSetString(flow::Key, "LastPos", "4");
        Keys({"Enter"});
        host->OpenPlugin(openFrom);
    }
    // A fixed command of the menu (0, 1 or 2) from the current window.
    void Command(int command, int openFrom) {
        Host::RegSetString(flow::Key, "LastPos", std::to_string(command));
        Keys({"Enter"});
        host->OpenPlugin(openFrom);
    }
    std::vector<std::string> ModuleOrder() {
        std::vector<std::string> names;
        const ModuleTable* table = *probe->Modules;
        for (int i = 0; i < table->Count; i++)
            for (int t = 0; t < table->Entries[i].TypesNumber; t++)
                names.push_back(table->Entries[i].Types[t].Name);
        return names;
    }
};

TEST_F(DispatchTest, TwoTypesMatchingTheFileGiveATypeMenuInTableOrder) {
    Start({"Htm", "Chm"});
    std::vector<std::string> order = ModuleOrder();
    ASSERT_EQ(order.size(), 2u);
    StoreEntry(0, {"Docs", "", "C:\\help\\a.chm", "topic", "", "00"});
    Host::RegSetString(flow::Key, "LastPos", "4");
    Keys({"Enter"});
    Keys({"Down", "Enter"});
    host->OpenPlugin(OPEN_PLUGINSMENU);
    ASSERT_EQ(host->Menus().size(), 2u);
    const farhost::MenuRecord& types = host->Menus()[1];
    EXPECT_EQ(types.Title, Msg(MTypeMenuTitle));
    EXPECT_EQ(types.Flags, (unsigned)(FMENU_WRAPMODE | FMENU_AUTOHIGHLIGHT));
    EXPECT_TRUE(types.BreakKeys.empty());
    EXPECT_EQ(types.Bottom, "");
    EXPECT_EQ(flow::Shown(types), (std::vector<std::string>{" " + order[0], " " + order[1]}));

    std::string chosen = order[1].substr(0, 3), other = order[0].substr(0, 3);
    EXPECT_EQ(ShowHelps(chosen), 1);
    EXPECT_EQ(ShowHelps(other), 0);
    const TestModuleRequest& request = LastRequest(chosen);
    EXPECT_EQ(request.StructSize, (int)sizeof(HelpRequest));
    EXPECT_EQ(request.TypeIndex, 0);
    EXPECT_EQ(request.Command, HC_CATALOGUEENTRY);
    EXPECT_EQ(request.Options, 0u);
    EXPECT_STREQ(request.FileName, "C:\\help\\a.chm");
    EXPECT_STREQ(request.Keyword, "topic");
    EXPECT_STREQ(request.Encoding, chosen == "Htm" ? "WIN" : "") << "AUTO takes the chosen type's own";
    EXPECT_EQ(Value("LastHelpFile"), "C:\\help\\a.chm");

    // Cancelling the type menu sends and remembers nothing.
    Fresh();
    Start({"Htm", "Chm"});
    StoreEntry(0, {"Docs", "", "C:\\help\\b.chm", "topic", "", "00"});
    Host::RegSetString(flow::Key, "LastPos", "4");
    Keys({"Enter"});
    Keys({"Esc"});
    host->OpenPlugin(OPEN_PLUGINSMENU);
    EXPECT_EQ(ShowHelps("Htm") + ShowHelps("Chm"), 0);
    EXPECT_EQ(Value("LastHelpFile"), "(missing)");
    ExpectAllAnswersUsed();
}

TEST_F(DispatchTest, TheTypeChosenFromTheMenuBecomesTheEntrysType) {
    Start({"Htm", "Chm"});
    std::vector<std::string> order = ModuleOrder();
    ASSERT_EQ(order.size(), 2u);
    StoreEntry(0, {"Docs", "", "C:\\help\\a.chm", "topic", "", "00"});
    StoreEntry(1, {"Other", "", "C:\\help\\b.chm", "topic", "", "00"});
    Host::RegSetString(flow::Key, "LastPos", "4");
    Keys({"Enter"});
    Keys({"Down", "Enter"});
    host->OpenPlugin(OPEN_PLUGINSMENU);
    EXPECT_EQ(Value("Type0"), order[1]);
    EXPECT_EQ(Value("Type1"), "") << "only the entry the request came from";

    // The next request of that entry, Repeat included, goes straight to the chosen type.
    size_t menus = host->Menus().size();
    int sent = ShowHelps(order[1].substr(0, 3));
    Command(HC_REPEATLAST, OPEN_PLUGINSMENU);
    Host::RegSetString(flow::Key, "LastPos", "4");
    Keys({"Enter"});
    host->OpenPlugin(OPEN_PLUGINSMENU);
    EXPECT_EQ(host->Menus().size(), menus + 2) << "two help-file menus, no type menu";
    EXPECT_EQ(ShowHelps(order[1].substr(0, 3)), sent + 2);

    // A repeated request of another file than the active entry's leaves the entry alone.
    Host::RegSetString(flow::Key, "Type0", "");
    Host::RegSetString(flow::Key, "LastHelpFile", "C:\\help\\elsewhere.chm");
    Host::RegSetString(flow::Key, "LastPos", "1");
    Keys({"Enter"});
    Keys({"Enter"});
    host->OpenPlugin(OPEN_PLUGINSMENU);
    EXPECT_EQ(Value("Type0"), "");
    // Cancelling the type menu remembers nothing either.
    Host::RegSetString(flow::Key, "LastPos", "4");
    Keys({"Enter"});
    Keys({"Esc"});
    host->OpenPlugin(OPEN_PLUGINSMENU);
    EXPECT_EQ(Value("Type0"), "");
    ExpectAllAnswersUsed();
}

TEST_F(DispatchTest, AutoEncodingOfAWinTypeConvertsTheKeywordForTheCallOnly) {
    Start({"Htm"});
    const std::string oem = "caf\x82 \x94l";
    std::string ansi = oem;
    OemToCharBuffA(&ansi[0], &ansi[0], (DWORD)ansi.size());
    ASSERT_NE(ansi, oem);
    AcceptEntry({"Docs", "", "C:\\help\\a.chm", oem, "", "00", "AUTO"});
    EXPECT_STREQ(LastRequest("Htm").Keyword, ansi.c_str());
    EXPECT_STREQ(LastRequest("Htm").Encoding, "WIN");
    EXPECT_EQ(Value("LastHelpEncoding"), "WIN");
    EXPECT_EQ(Value("LastKeyword"), oem) << "remembered in OEM";
    EXPECT_EQ(Value("LastKeywordLength"), std::to_string(oem.size()));

    // An explicit encoding wins over the type's.
    Fresh();
    Start({"Htm"});
    AcceptEntry({"Docs", "", "C:\\help\\a.chm", oem, "", "00", "OEM"});
    EXPECT_STREQ(LastRequest("Htm").Keyword, oem.c_str());
    EXPECT_STREQ(LastRequest("Htm").Encoding, "OEM");
    ExpectAllAnswersUsed();
}

TEST_F(DispatchTest, QuotedPathWithAVariableIsUnquotedAndExpandedBeforeTheTypeIsChosen) {
    Start({"Htm"});
    char windir[MAX_PATH] = "";
    ASSERT_TRUE(GetEnvironmentVariableA("WINDIR", windir, sizeof windir));
    CharToOemA(windir, windir);
    AcceptEntry({"Docs", "", "\"%WINDIR%\\help\\a.chm\"", "kw", "", "00"});
    std::string expected = std::string(windir) + "\\help\\a.chm";
    EXPECT_EQ(ShowHelps("Htm"), 1) << "the masks see a.chm, not a.chm\"";
    EXPECT_STREQ(LastRequest("Htm").FileName, expected.c_str());
    EXPECT_EQ(Value("LastHelpFile"), expected);
    ExpectAllAnswersUsed();
}

TEST_F(DispatchTest, OptionStatesAgainstTheTypesDefaults) {
    // "1" on a type whose defaults are 2: options 3, the entry's keyword, the dialog.
    Start({"Htm", "Chm"});
    Edit("C:\\src\\a.c", {"see word here"}, 5);
    StoreEntry(0, {"Docs", "Htm type 0", "C:\\help\\a.chm", "fixed", "*.c", "1"});
    Keys({"Enter"});
    host->QueueDialog(DialogAnswer().Enter());
    host->OpenPlugin(OPEN_EDITOR);
    ASSERT_EQ(host->Dialogs().size(), 1u);
    const farhost::DialogRecord& ask = host->Dialogs()[0];
    EXPECT_EQ(ask.X1, -1);
    EXPECT_EQ(ask.Y1, -1);
    EXPECT_EQ(ask.X2, 60);
    EXPECT_EQ(ask.Y2, 5);
    EXPECT_EQ(ask.HelpTopic, "EnterKeyword");
    ASSERT_EQ(ask.Before.size(), 2u);
    EXPECT_EQ(ask.Before[0].Type, DI_DOUBLEBOX);
    char title[512];
    wsprintfA(title, Msg(MKeywordTitle).c_str(), "Docs");
    EXPECT_EQ(ask.Before[0].Data, title);
    EXPECT_EQ(ask.Before[1].Type, DI_EDIT);
    EXPECT_EQ(ask.Before[1].Flags, (unsigned)(DIF_HISTORY | DIF_USELASTHISTORY));
    EXPECT_EQ(ask.Before[1].History, "Lumivo-Dravel");
    EXPECT_EQ(ask.Before[1].Focus, 1);
    EXPECT_EQ(ask.Before[1].DefaultButton, 1);
    EXPECT_EQ(ask.Before[1].Data, "fixed");
    EXPECT_EQ(ask.Result, 1);
    EXPECT_EQ(LastRequest("Htm").Options, 3u);
    EXPECT_STREQ(LastRequest("Htm").Keyword, "fixed");
    EXPECT_EQ(Value("LastHelpFlags"), "3");

    // "0" on a type whose defaults are 1: option 1 off, option 2 from the
    // default (off): the word under the cursor, no dialog.
    StoreEntry(0, {"Docs", "Chm type 0", "C:\\help\\a.chm", "fixed", "*.c", "0"});
    Keys({"Enter"});
    host->OpenPlugin(OPEN_EDITOR);
    EXPECT_EQ(host->Dialogs().size(), 1u);
    EXPECT_EQ(LastRequest("Chm").Options, 0u);
    EXPECT_STREQ(LastRequest("Chm").Keyword, "word");
    EXPECT_EQ(LastRequest("Chm").Command, HC_WORDUNDERCURSOR);
    ExpectAllAnswersUsed();
}

TEST_F(DispatchTest, FromThePanelsCommandZeroAlwaysAsksWithTheEntrysKeyword) {
    Start({"Htm"});
    StoreEntry(0, {"Docs", "", "C:\\help\\a.chm", "entrykw", "", "00"});
    Keys({"Enter"});
    host->QueueDialog(DialogAnswer().Esc());
    host->OpenPlugin(OPEN_PLUGINSMENU);
    ASSERT_EQ(host->Dialogs().size(), 1u);
    EXPECT_EQ(host->Dialogs()[0].Before[1].Data, "entrykw");
    EXPECT_EQ(ShowHelps("Htm"), 0) << "cancelled";
    EXPECT_EQ(Value("LastHelpFile"), "(missing)");

    Keys({"Enter"});
    host->QueueDialog(DialogAnswer().Edit(1, "typed").Enter());
    farhost::HostWindow viewer;
    viewer.Type = WTYPE_VIEWER;
    viewer.Name = "C:\\docs\\readme.txt";
    host->AddWindow(viewer);
    host->OpenPlugin(OPEN_VIEWER);
    EXPECT_STREQ(LastRequest("Htm").Keyword, "typed");
    EXPECT_EQ(LastRequest("Htm").Command, HC_WORDUNDERCURSOR);
    EXPECT_EQ(Host::History("Lumivo-Dravel"), std::vector<std::string>{"typed"});
    ExpectAllAnswersUsed();
}

TEST_F(DispatchTest, RepeatSendsTheRememberedRequestAgain) {
    Start({"Htm"});
    AcceptEntry({"Docs", "Htm type 0", "C:\\help\\a.chm", "abc", "", "00", "OEM"});
    ASSERT_EQ(ShowHelps("Htm"), 1);
    StoreEntry(0, {"Docs", "Htm type 0", "C:\\help\\other.chm", "other", "", "11", "WIN"});
    Command(HC_REPEATLAST, OPEN_PLUGINSMENU);
    ASSERT_EQ(ShowHelps("Htm"), 2);
    const TestModuleRequest& again = LastRequest("Htm");
    EXPECT_EQ(again.Command, HC_REPEATLAST);
    EXPECT_STREQ(again.Keyword, "abc");
    EXPECT_STREQ(again.FileName, "C:\\help\\a.chm");
    EXPECT_STREQ(again.Encoding, "OEM");
    EXPECT_EQ(again.Options, 0u);

    // A keyword longer than its stored length does not fit: it reads as empty.
    Host::RegSetString(flow::Key, "LastKeywordLength", "2");
    Command(HC_REPEATLAST, OPEN_PLUGINSMENU);
    EXPECT_STREQ(LastRequest("Htm").Keyword, "");
    // A damaged length far beyond the stored keyword asks for no block of its size: the keyword
    // is read (it used to be a failed 1 GB allocation and a silent nothing).
    Host::RegSetString(flow::Key, "LastKeyword", "abc");
    Host::RegSetString(flow::Key, "LastKeywordLength", "999999999");
    Command(HC_REPEATLAST, OPEN_PLUGINSMENU);
    EXPECT_STREQ(LastRequest("Htm").Keyword, "abc");
    EXPECT_EQ(Value("LastKeywordLength"), "3");
    // Remembered options: AskKeyword shows the dialog with the remembered keyword.
    Host::RegSetString(flow::Key, "LastKeyword", "xyz");
    Host::RegSetString(flow::Key, "LastKeywordLength", "3");
    Host::RegSetString(flow::Key, "LastHelpFlags", "1");
    Host::RegSetString(flow::Key, "LastHelpTitle", "Remembered");
    Host::RegSetString(flow::Key, "LastPos", "1");
    Keys({"Enter"});
    host->QueueDialog(DialogAnswer().Enter());
    host->OpenPlugin(OPEN_PLUGINSMENU);
    ASSERT_FALSE(host->Dialogs().empty());
    EXPECT_EQ(host->Dialogs().back().Before[1].Data, "xyz");
    EXPECT_NE(host->Dialogs().back().Before[0].Data.find("Remembered"), std::string::npos);
    EXPECT_EQ(LastRequest("Htm").Options, 1u);
    EXPECT_EQ(ShowHelps("Htm"), 5);

    // Nothing remembered: nothing happens.
    Host::RegRemoveValue(flow::Key, "LastHelpFile");
    Command(HC_REPEATLAST, OPEN_PLUGINSMENU);
    EXPECT_EQ(ShowHelps("Htm"), 5);
    ExpectAllAnswersUsed();
}

TEST_F(DispatchTest, AFailedRequestIsRememberedAndShownInAWarningBox) {
    Start({"Htm"});
    SetEnvironmentVariableA(TEST_SHOWHELP_ANSWER, "0");
    StoreEntry(0, {"Docs", "", "C:\\help\\a.chm", "kw", "", "00"});
    Host::RegSetString(flow::Key, "LastPos", "4");
    Keys({"Enter"});
    host->QueueMessage(0);
    host->OpenPlugin(OPEN_PLUGINSMENU);
    ASSERT_EQ(host->Messages().size(), 1u);
    const farhost::MessageRecord& box = host->Messages()[0];
    EXPECT_EQ(box.Flags, (unsigned)FMSG_WARNING);
    EXPECT_EQ(box.Title, Msg(MErrorTitle) + ": Htm type 0");
    EXPECT_EQ(box.Lines, (std::vector<std::string>{Msg(MGenericFailure), "C:\\help\\a.chm"}))
        << "the module wrote no text; the box names the help file";
    EXPECT_EQ(box.Buttons, std::vector<std::string>{Msg(MOk)});
    EXPECT_EQ(Value("LastHelpFile"), "C:\\help\\a.chm") << "remembered whatever the result";

    SetEnvironmentVariableA(TEST_SHOWHELP_ANSWER, "0:No such topic: kw");
    Keys({"Enter"});
    host->QueueMessage(0);
    host->OpenPlugin(OPEN_PLUGINSMENU);
    ASSERT_EQ(host->Messages().size(), 2u);
    EXPECT_EQ(host->Messages()[1].Lines, (std::vector<std::string>{"No such topic: kw", "C:\\help\\a.chm"}));

    // A long path is cut at its front, to keep the name of the file: 60 characters in all.
    std::string deep = "C:\\" + std::string(100, 'd') + "\\the help file.chm";
    StoreEntry(0, {"Docs", "", deep, "kw", "", "00"});
    Keys({"Enter"});
    host->QueueMessage(0);
    host->OpenPlugin(OPEN_PLUGINSMENU);
    ASSERT_EQ(host->Messages().size(), 3u);
    ASSERT_EQ(host->Messages()[2].Lines.size(), 2u);
    EXPECT_EQ(host->Messages()[2].Lines[1], "..." + deep.substr(deep.size() - 57));
    ExpectAllAnswersUsed();
}

TEST_F(DispatchTest, TheEditorRefusingItsLineStopsTheRequestWithAWarning) {
    Start({"Htm"});
    farhost::EditorSetup setup;
    setup.FileName = "C:\\src\\a.c";
    setup.Lines = {"word"};
    setup.RefuseGetString = true;
    host->OpenEditor(setup);
    StoreEntry(0, {"Docs", "Htm type 0", "C:\\help\\a.chm", "", "", "00"});
    Keys({"Enter"});
    host->QueueMessage(0);
    host->OpenPlugin(OPEN_EDITOR);
    ASSERT_EQ(host->Messages().size(), 1u);
    EXPECT_EQ(host->Messages()[0].Title, Msg(MErrorTitle)) << "no type name";
    EXPECT_EQ(host->Messages()[0].Lines, std::vector<std::string>{Msg(MLineUnreadable)});
    EXPECT_EQ(host->Messages()[0].Flags, (unsigned)FMSG_WARNING);
    EXPECT_EQ(ShowHelps("Htm"), 0);
    EXPECT_EQ(Value("LastHelpFile"), "(missing)");
    ExpectAllAnswersUsed();
}

TEST_F(DispatchTest, NoTypeEndsTheRequestSilently) {
    Start({"Htm"});
    const Entry entries[] = {
        {"Unknown type", "Nope", "C:\\help\\a.chm", "kw", "", "00"},
        {"No mask fits", "", "C:\\help\\a.txt", "kw", "", "00"},
    };
    for (const Entry& entry : entries) {
        AcceptEntry(entry);
        EXPECT_EQ(ShowHelps("Htm"), 0) << entry.Desc;
        EXPECT_TRUE(host->Messages().empty()) << entry.Desc;
        EXPECT_EQ(Value("LastHelpFile"), "(missing)") << entry.Desc;
    }
    // The type name compares without regard to case.
    AcceptEntry({"Case", "HTM TYPE 0", "C:\\help\\a.txt", "kw", "", "00"});
    EXPECT_EQ(ShowHelps("Htm"), 1);
    EXPECT_EQ(Value("LastHelpFile"), "C:\\help\\a.txt");
    ExpectAllAnswersUsed();
}

// UTF-8 text in code page 866, as the Russian language file holds it.
std::string Cp866(const char* utf8) {
    wchar_t wide[256];
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide, 256);
    char oem[256] = "";
    WideCharToMultiByte(866, 0, wide, n, oem, sizeof oem, nullptr, nullptr);
    return oem;
}

// A request with no help file to go to, from an empty list (every fresh install) or from an entry
// whose help file is empty (or quotes alone): one box says so and how to add one, the menu stays for Ins, and
// nothing is sent or remembered. In English and in Russian.
TEST_F(DispatchTest, ARequestWithoutAHelpFileSaysHowToAddOne) {
    struct Language {
        const char* Name;
        std::string Title, Empty, NoFile, Add;
    };
    const Language languages[] = {
        {"English", "Lumivo help", "No help file has been added yet.", "This entry names no help file.",
         "Press Ins in this menu to add one."},
        {"Russian", Cp866("Справка Lumivo"), Cp866("Файлы справки ещё не добавлены."),
         Cp866("В этой записи не указан файл справки."),
         Cp866("Добавьте файл справки клавишей Ins в этом меню.")},
    };
    for (const Language& language : languages) {
        SCOPED_TRACE(language.Name);
        Fresh();
        host->SetLanguage(language.Name);
        Start({"Htm"});
        Edit("C:\\src\\a.c", {"word"}, 0);
        // The empty list: help on the word, then repeat; a box each time, then the menu again.
        Keys({"Enter"});
        host->QueueMessage(0);
        Keys({"Down", "Enter"});
        host->QueueMessage(0);
        Keys({"Esc"});
        host->OpenPlugin(OPEN_EDITOR);
        // An entry without a help file: chosen itself, and active for help on the word.
        StoreEntry(0, {"No file", "Htm type 0", "", "kw", "", "00"});
        Host::RegSetString(flow::Key, "LastPos", "4");
        Keys({"Enter"});
        host->QueueMessage(0);
        Keys({"Home", "Enter"});
        host->QueueMessage(0);
        Keys({"Esc"});
        host->OpenPlugin(OPEN_EDITOR);
        // Nor does a field of quotes and blanks alone.
        StoreEntry(0, {"Quotes only", "Htm type 0", "\" \"", "kw", "", "00"});
        Keys({"Home", "Enter"});
        host->QueueMessage(0);
        Keys({"Esc"});
        host->OpenPlugin(OPEN_EDITOR);

        EXPECT_EQ(host->Menus().size(), 8u) << "the menu stays after each box";
        ASSERT_EQ(host->Messages().size(), 5u);
        for (size_t i = 0; i < 5; i++) {
            const farhost::MessageRecord& box = host->Messages()[i];
            EXPECT_EQ(box.Flags, 0u) << i;
            EXPECT_EQ(box.Title, language.Title) << i;
            EXPECT_EQ(box.Lines,
                      (std::vector<std::string>{i < 2 ? language.Empty : language.NoFile, language.Add}))
                << i;
            EXPECT_EQ(box.Buttons, std::vector<std::string>{Msg(MOk)}) << i;
        }
        EXPECT_EQ(ShowHelps("Htm"), 0);
        for (const char* value : {"LastHelpFile", "LastKeyword", "LastKeywordLength", "LastHelpFlags"})
            EXPECT_EQ(Value(value), "(missing)") << value;
        ExpectAllAnswersUsed();
    }
}

// The real Vessik.lvx in lvx\, reached through the module table: Far's help
// viewer opens the .hlf file at the word under the cursor.
TEST_F(DispatchTest, AWordInTheEditorReachesVessikAndFarsHelpViewer) {
    Install(true);
    std::string vessik = Folder + "lvx\\Vessik.lvx";
    ASSERT_TRUE(CopyFileA(Built(VESSIK_LVX).c_str(), vessik.c_str(), FALSE));
    ModulePaths.push_back(vessik);
    ASSERT_TRUE(Load());
    probe = Probe();
    std::string hlf = host->MakeTempFolder("hlf") + "\\ClibEng.hlf";
    ASSERT_TRUE(Host::WriteFile(hlf,
                                ".Language=English,English\r\n@Contents\r\n$ #C library#\r\nStart here.\r\n"
                                "@printf\r\n$ #printf#\r\nWrites formatted output.\r\n"));
    StoreEntry(0, {"Other", "", "C:\\nowhere\\x.hlf", "", "*.pas"});
    StoreEntry(1, {"C library", "", hlf, "Contents", "*.c,*.h", "20"});
    Edit("C:\\src\\hello.c", {"    printf(\"hi\");"}, 6);
    Keys({"Enter"});
    host->OpenPlugin(OPEN_EDITOR);
    ASSERT_EQ(host->Helps().size(), 1u);
    const farhost::HelpRecord& help = host->Helps()[0];
    EXPECT_EQ(help.Origin, "ShowHelp");
    EXPECT_EQ(help.File, hlf);
    EXPECT_EQ(help.Topic, "printf");
    EXPECT_EQ(help.ShownTopic, "printf");
    EXPECT_TRUE(help.Result);
    EXPECT_EQ(Value("LastKeyword"), "printf");
    EXPECT_EQ(Value("SelectedItem"), "5") << "the entry whose masks match the edited file";

    // Vessik's own default uses the entry's keyword.
    StoreEntry(1, {"C library", "", hlf, "Contents", "*.c,*.h", ""});
    Keys({"Enter"});
    host->OpenPlugin(OPEN_EDITOR);
    ASSERT_EQ(host->Helps().size(), 2u);
    EXPECT_EQ(host->Helps()[1].ShownTopic, "Contents");
    ExpectAllAnswersUsed();
}

} // namespace
