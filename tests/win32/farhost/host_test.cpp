// Loading as Far loads, GetMsg's language choice, ShowHelp's resolution and the
// script runner of farhost.exe.
#include "fixture.hpp"

#include <cstring>

TEST_F(HostTest, LoadsWithTemporariesAndZeroFilledPluginInfo) {
    Load();
    EXPECT_EQ(state->SetStartupInfoCalls, 1);
    EXPECT_EQ(state->InfoStructSize, 372);
    EXPECT_EQ(state->FsfStructSize, 228);
    EXPECT_TRUE(state->InfoOnStack);
    EXPECT_STREQ(state->Info.ModuleName, Dir("Test.dll").c_str());
    EXPECT_STREQ(state->Info.RootKey, "Software\\Far\\Plugins");
    EXPECT_EQ(state->Info.ModuleNumber, 3);
    EXPECT_NE(state->Fsf.sprintf, nullptr);
    EXPECT_EQ(state->Fsf.Reserved[0], 0u);
    farhost::PluginInfoRecord pi = host.GetPluginInfo();
    for (unsigned char b : state->PluginInfoOnEntry)
        EXPECT_EQ(b, 0);
    EXPECT_EQ(pi.Raw.StructSize, 44);
    EXPECT_EQ(pi.Raw.Flags, (DWORD)(PF_EDITOR | PF_VIEWER));
    EXPECT_EQ(pi.PluginMenu, (std::vector<std::string>{"Test plug-in"}));
    EXPECT_TRUE(pi.DiskMenu.empty());
    EXPECT_TRUE(host.HasExport("ProcessEditorEvent"));
    EXPECT_TRUE(host.Errors().empty());
    {
        farhost::Host second; // the services have one host per process
        EXPECT_FALSE(second.Errors().empty());
    }
    EXPECT_EQ(farhost::Host::Current(), &host);
}

TEST_F(HostTest, ADllWithoutFarExportsIsRefused) {
    char sys[MAX_PATH];
    GetSystemDirectoryA(sys, sizeof sys);
    EXPECT_FALSE(host.LoadPlugin(std::string(sys) + "\\version.dll"));
    EXPECT_FALSE(host.Loaded());
    ASSERT_EQ(host.Errors().size(), 1u);
    EXPECT_NE(host.Errors()[0].find("none of Far's names"), std::string::npos);
}

TEST_F(HostTest, GetMsgPicksTheLanguageByItsLanguageLine) {
    char farlang[32] = "";
    std::string english, russian, bad = "x";
    InPlugin([&](const PluginStartupInfo& I) { english = I.GetMsg(I.ModuleNumber, 0); });
    host.SetLanguage("Russian");
    GetEnvironmentVariableA("FARLANG", farlang, sizeof farlang);
    InPlugin([&](const PluginStartupInfo& I) {
        russian = I.GetMsg(I.ModuleNumber, 0);
        bad = I.GetMsg(I.ModuleNumber, 7);
    });
    EXPECT_EQ(english, "Test plug-in");
    EXPECT_EQ(russian, kRusTitle);
    EXPECT_STREQ(farlang, "Russian");
    EXPECT_EQ(bad, "");
    ASSERT_EQ(host.Warnings().size(), 1u); // Far's warning box about the bad id
    EXPECT_TRUE(host.Messages().back().FromHost);

    // A language with no file falls back to English; no .lng at all gives "".
    host.SetLanguage("German");
    InPlugin([&](const PluginStartupInfo& I) { english = I.GetMsg(I.ModuleNumber, 1); });
    EXPECT_EQ(english, "&Message");
    DeleteFileA(Dir("a.lng").c_str());
    DeleteFileA(Dir("b.lng").c_str());
    host.SetLanguage("English");
    InPlugin([&](const PluginStartupInfo& I) { english = I.GetMsg(I.ModuleNumber, 1); });
    EXPECT_EQ(english, "");
    EXPECT_EQ(host.Warnings().size(), 1u);
}

TEST_F(HostTest, ShowHelpResolvesFilesAndTopics) {
    CreateDirectoryA(Dir("lvx").c_str(), nullptr);
    ASSERT_TRUE(farhost::Host::WriteFile(Dir("lvx\\Mod.hlf"),
                                         ".Language=English,English\r\n@Contents\r\n"
                                         "Module contents\r\n@Topic\r\nModule topic\r\n"));
    struct Case {
        std::string module;
        std::string topic; // "-" for a null topic
        DWORD flags;
        BOOL result;
        std::string file, shown;
    } cases[] = {
        {Dir("Test.dll"), "usage", FHELP_SELFHELP, TRUE, Dir("TestEng.hlf"), "Usage"}, // case-insensitive
        {Dir("Test.dll"), "-", FHELP_SELFHELP, TRUE, Dir("TestEng.hlf"), "Contents"},
        {Dir("lvx\\Mod.lvx"), "Topic", FHELP_SELFHELP, TRUE, Dir("lvx\\Mod.hlf"), "Topic"},
        {Dir("lvx\\Mod.hlf"), "nothing", FHELP_CUSTOMFILE | FHELP_USECONTENTS, TRUE, Dir("lvx\\Mod.hlf"),
         "Contents"},
        {Dir("lvx\\Mod.hlf"), "nothing", FHELP_CUSTOMFILE, FALSE, Dir("lvx\\Mod.hlf"), ""},
        {Dir("lvx"), "Topic", FHELP_CUSTOMPATH, TRUE, Dir("lvx\\Mod.hlf"), "Topic"},
        {Dir("Test.dll"), "<" + Dir("lvx\\") + ">Topic", FHELP_SELFHELP, TRUE, Dir("lvx\\Mod.hlf"), "Topic"},
        {"", ":Editor", FHELP_SELFHELP, TRUE, "<Far's own help>", "Editor"},
        {Dir("Test.dll"), "Usage", 8, FALSE, "", ""},
        {Dir("nowhere\\x.dll"), "Usage", FHELP_SELFHELP, FALSE, "", ""},
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++) {
        const Case& c = cases[i];
        BOOL r = 2;
        InPlugin([&](const PluginStartupInfo& I) {
            r = I.ShowHelp(c.module.c_str(), c.topic == "-" ? nullptr : c.topic.c_str(), c.flags);
        });
        const farhost::HelpRecord& h = host.Helps().back();
        EXPECT_EQ(r, c.result) << i;
        EXPECT_EQ(h.File, c.file) << i;
        EXPECT_EQ(h.ShownTopic, c.shown) << i;
    }
    // The Russian help file is picked by the help language.
    host.SetLanguage("Russian");
    InPlugin([&](const PluginStartupInfo& I) { I.ShowHelp(I.ModuleName, nullptr, FHELP_SELFHELP); });
    EXPECT_EQ(host.Helps().back().File, Dir("TestRus.hlf"));
    EXPECT_EQ(host.Helps().back().Text, (std::vector<std::string>{" Rus contents"}));
    InPlugin([&](const PluginStartupInfo& I) { EXPECT_FALSE(I.ShowHelp(nullptr, "x", FHELP_SELFHELP)); });
}

// A table of keys whose texts do not keep one column is a fault of the topic shown: a key that
// runs into its text, and a text carried on a column off. Blank lines and paragraphs end a table.
TEST_F(HostTest, ShowHelpChecksTheColumnsOfKeyTables) {
    ASSERT_TRUE(farhost::Host::WriteFile(Dir("Keys.hlf"),
                                         ".Language=English,English\r\n"
                                         "@Contents\r\n"
                                         "   #Enter#      Accepts the ~entry~@Usage@ under\r\n"
                                         "              the cursor.\r\n"
                                         "   #Ctrl+Up#, #Ctrl+Down#  Move\r\n"
                                         "   #Esc#\r\n"
                                         "               Leaves.\r\n"
                                         "\r\n"
                                         "   #F1#   A table of its own after a blank line.\r\n"
                                         "   Keys in a paragraph end it:\r\n"
                                         "         an indented line without a key.\r\n"));
    InPlugin(
        [&](const PluginStartupInfo& I) { I.ShowHelp(Dir("Keys.hlf").c_str(), nullptr, FHELP_CUSTOMFILE); });
    ASSERT_EQ(host.Errors().size(), 2u);
    EXPECT_NE(
        host.Errors()[0].find("the text of \"   Ctrl+Up, Ctrl+Down  Move\" starts at column 23, that of "
                              "\"   Enter      Accepts the [entry] under\" at 14"),
        std::string::npos)
        << host.Errors()[0];
    EXPECT_NE(host.Errors()[1].find(
                  "\"               Leaves.\" goes on at column 15, its table's texts start at 14"),
              std::string::npos)
        << host.Errors()[1];
}

TEST_F(HostTest, ScriptDrivesTheDemoBehaviour) {
    std::string error;
    std::string script = "# the test plug-in's own menu\n"
                         "registry set \"Software\\Far\\Plugins\\T\" Value \"1\"\n"
                         "ansi-default viewer off\n"
                         "table editor dos\n"
                         "editor open C:\\a.txt id 5 line 1 pos 2\n"
                         "| one\n"
                         "| two\n"
                         "menu: Down Enter\n"
                         "dialog: edit 1 \"typed\"; check 2 0; button 3\n"
                         "plugin editor\n"
                         "menu: h\n"
                         "configure\n"
                         "menu: m\n"
                         "message: 1\n"
                         "plugin panels\n"
                         "close editor\n";
    EXPECT_TRUE(host.RunScript(script, dir, &error)) << error;
    EXPECT_TRUE(host.Errors().empty()) << host.Transcript();
    std::string v;
    EXPECT_TRUE(farhost::Host::RegGetString("Software\\Far\\Plugins\\T", "Value", &v));
    EXPECT_EQ(v, "1");
    ASSERT_EQ(host.Dialogs().size(), 1u);
    EXPECT_EQ(host.Dialogs()[0].Result, 3);
    EXPECT_EQ(host.Dialogs()[0].After[1].Data, "typed");
    ASSERT_EQ(host.Helps().size(), 1u);
    EXPECT_EQ(host.Messages().back().Result, 1);
    const std::string t = host.Transcript();
    EXPECT_NE(t.find("[?] Option"), std::string::npos) << t; // the three-state box as shown
    EXPECT_NE(t.find("&Message"), std::string::npos);
    EXPECT_NE(t.find("[ OK ]"), std::string::npos); // the default button looks like any other
    EXPECT_EQ(host.CarriedTable(false), farhost::TextTable::Dos);
    EXPECT_EQ(host.CarriedTable(true), farhost::TextTable::Dos);

    // Unknown commands and unused answers are reported.
    host.ClearRecords();
    EXPECT_FALSE(host.RunScript("frobnicate\n", dir, &error));
    EXPECT_NE(error.find("line 1"), std::string::npos);
    host.RunScript("menu: Enter\n", dir, &error);
    EXPECT_NE(host.Errors().back().find("never used"), std::string::npos);
}

namespace {
// Runs farhost.exe and returns its exit code.
DWORD RunFarhost(const std::string& args) {
    std::string cmd = "\"" + farhost::Host::WindowsPath(FARHOST_EXE) + "\" " + args;
    STARTUPINFOA si;
    memset(&si, 0, sizeof si);
    si.cb = sizeof si;
    // The transcript goes to the file; its copy on stdout is not wanted here.
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    HANDLE nul = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &sa, OPEN_EXISTING, 0, nullptr);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = nul;
    PROCESS_INFORMATION pi;
    BOOL started = CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    CloseHandle(nul);
    if (!started) return 999;
    WaitForSingleObject(pi.hProcess, 60000);
    DWORD code = 998;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return code;
}
} // namespace

TEST_F(HostTest, FarhostExeWritesTheTranscriptAndFailsOnFaults) {
    std::string good = Dir("good.fhs"), bad = Dir("bad.fhs"), out = Dir("out.txt");
    ASSERT_TRUE(farhost::Host::WriteFile(good, "menu: Esc\nplugin panels\nmenu?: Esc\nconfigure\nmenu?: Esc\n"
                                               "dialog?: esc\nplugin panels\n"));
    ASSERT_TRUE(farhost::Host::WriteFile(bad, "menu: Enter\nmenu: Esc\nplugin panels\n"));
    EXPECT_EQ(RunFarhost("--plugins \"" + dir + "\" --script \"" + good + "\" --transcript \"" + out + "\""),
              0u);
    std::string transcript;
    ASSERT_TRUE(farhost::Host::ReadFile(out, &transcript));
    EXPECT_NE(transcript.find("menu \"Test plug-in\""), std::string::npos) << transcript;
    EXPECT_NE(transcript.find("farhost: 0 errors"), std::string::npos);
    EXPECT_EQ(RunFarhost("--plugins \"" + dir + "\" --script \"" + bad + "\" --transcript \"" + out + "\""),
              1u);
    ASSERT_TRUE(farhost::Host::ReadFile(out, &transcript));
    EXPECT_NE(transcript.find("never used"), std::string::npos) << transcript;
    EXPECT_EQ(RunFarhost("--script \"" + good + "\""), 2u); // usage
}
