// The five services Lumivo.dll hands its help modules, called the way a module
// calls them: through the ModuleStartupInfo that a test module received.
#include "support.hpp"

#include <string.h>

using farhost::DialogAnswer;
using farhost::Host;

namespace {

class ServicesTest : public PluginTest {
  protected:
    std::string ModulePath;
    const TestModuleRecord* Record = nullptr;
    ModuleStartupInfo Services;

    void SetUp() override {
        PluginTest::SetUp();
        Install();
        ModulePath = AddModule("Triple");
        ASSERT_TRUE(Load());
        Record = RecordOf(ModulePath);
        ASSERT_NE(Record, nullptr);
        ASSERT_EQ(Record->Starts, 1);
        Services = Record->Startup;
    }

    std::string Msg(const std::string& langFile, int n, int* length = nullptr) {
        char dest[600];
        memset(dest, '#', sizeof dest);
        int copied = Services.GetModuleMsg(langFile.c_str(), n, dest);
        if (length) *length = copied;
        EXPECT_EQ(copied, (int)strnlen(dest, sizeof dest));
        EXPECT_EQ(dest[128], '#') << "wrote past the 128 characters a module passes";
        return dest;
    }
};

TEST_F(ServicesTest, StartupRecordNamesTheModuleItsLanguageFileAndRegistryRoot) {
    EXPECT_EQ(Services.StructSize, 548);
    EXPECT_STRCASEEQ(Services.ModuleName, ModulePath.c_str());
    std::string lvg = ModulePath.substr(0, ModulePath.size() - 3) + "lvg";
    EXPECT_STRCASEEQ(Services.LangFile, lvg.c_str());
    EXPECT_STREQ(Services.RootKey, "Software\\Far\\Plugins\\Lumivo\\Plugins");
    // Every service lives in the plug-in itself.
    HMODULE plugin = GetModuleHandleA(DllPath.c_str());
    for (void* service :
         {(void*)Services.GetModuleMsg, (void*)Services.ModuleDlgProc, (void*)Services.ModuleMenu,
          (void*)Services.OemToEncoding, (void*)Services.EncodingToOem}) {
        HMODULE owner = nullptr;
        GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                               GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           (const char*)service, &owner);
        EXPECT_EQ(owner, plugin);
    }
}

TEST_F(ServicesTest, GetModuleMsgPicksTheSectionOfFarlang) {
    std::string file = Folder + "texts.lvg";
    std::string longLine(300, 'L');
    ASSERT_TRUE(Host::WriteFile(file, "[English]\r\nzero\r\none=1\r\n" + longLine +
                                          "\r\nthree\r\nfour\r\n[Russian]\r\n\x8d\xae\xab\xec\r\n"));

    SetEnvironmentVariableA("FARLANG", nullptr);
    EXPECT_EQ(Msg(file, 0), "zero");
    EXPECT_EQ(Msg(file, 1), "one=1") << "a line is taken whole";

    SetEnvironmentVariableA("FARLANG", "Russian");
    EXPECT_EQ(Msg(file, 0), "\x8d\xae\xab\xec");
    int length = -1;
    EXPECT_EQ(Msg(file, 1, &length), "");
    EXPECT_EQ(length, 0);

    SetEnvironmentVariableA("FARLANG", std::string(512, 'R').c_str());
    EXPECT_EQ(Msg(file, 0), "zero") << "512 characters or longer: English";
    SetEnvironmentVariableA("FARLANG", std::string(511, 'R').c_str());
    EXPECT_EQ(Msg(file, 0), "") << "a 511-character name is a real (missing) section";

    SetEnvironmentVariableA("FARLANG", "English");
    EXPECT_EQ(Msg(file, 4), "four");
    EXPECT_EQ(Msg(file, 5, &length), "") << "five lines: message 5 is past the end";
    EXPECT_EQ(length, 0);
    EXPECT_EQ(Msg(file, -1), "");
    EXPECT_EQ(Msg(file, 2, &length), longLine.substr(0, 127)) << "cut to the module's 128 characters";
    EXPECT_EQ(length, 127);
}

TEST_F(ServicesTest, GetModuleMsgALongLineCostsOnlyItself) {
    SetEnvironmentVariableA("FARLANG", "English");
    // Longer than the section buffer of 32,767 characters, and sections that add up beyond it.
    std::string file = Folder + "long.lvg";
    std::string many;
    for (int i = 0; i < 200; i++)
        many += std::string(200, (char)('a' + i % 26)) + "\r\n";
    ASSERT_TRUE(Host::WriteFile(file, "; note\r\n[English]\r\nzero\r\n" + std::string(40000, 'x') +
                                          "\r\ntwo\r\n  three  \r\n\r\n; a comment\r\nkey = value\r\n" +
                                          many + "last\r\n[Russian]\r\nr\r\n"));
    EXPECT_EQ(Msg(file, 0), "zero");
    EXPECT_EQ(Msg(file, 1), std::string(127, 'x'));
    EXPECT_EQ(Msg(file, 2), "two");
    EXPECT_EQ(Msg(file, 3), "three") << "as the platform reads a section: blanks trimmed";
    EXPECT_EQ(Msg(file, 4), "key=value") << "blank and comment lines skipped, blanks around = dropped";
    EXPECT_EQ(Msg(file, 5), std::string(127, 'a'));
    EXPECT_EQ(Msg(file, 205), "last") << "two hundred long lines before it: still read";
    EXPECT_EQ(Msg(file, 206), "");
}

TEST_F(ServicesTest, GetModuleMsgWithAMissingOrMalformedFileGivesEmptyTexts) {
    SetEnvironmentVariableA("FARLANG", "English");
    int length = -1;
    EXPECT_EQ(Msg(Folder + "none.lvg", 0, &length), "");
    EXPECT_EQ(length, 0);

    std::string junk;
    for (int i = 0; i < 5000; i++)
        junk += (char)(i * 37 % 251 + 1);
    std::string file = Folder + "junk.lvg";
    ASSERT_TRUE(Host::WriteFile(file, junk));
    Msg(file, 0);
    // The platform caches these files by name: a new name for each content.
    std::string broken = Folder + "broken.lvg";
    ASSERT_TRUE(Host::WriteFile(broken, "[English\r\n=\r\n[English]"));
    EXPECT_EQ(Msg(broken, 0, &length), "");
    EXPECT_EQ(Services.GetModuleMsg(nullptr, 0, nullptr), 0);
}

TEST_F(ServicesTest, EncodingConversionsByExactName) {
    const char sample[] = "\x80\x8f\xa0\xe0 key";
    char expectedWin[sizeof sample], expectedBack[sizeof sample];
    OemToCharBuffA(sample, expectedWin, sizeof sample - 1);
    expectedWin[sizeof sample - 1] = 0;
    CharToOemBuffA(expectedWin, expectedBack, sizeof sample - 1);
    expectedBack[sizeof sample - 1] = 0;
    ASSERT_STRNE(expectedWin, sample);

    char buffer[sizeof sample];
    for (const char* unchanged : {"", "OEM"}) {
        strcpy(buffer, sample);
        EXPECT_EQ(Services.OemToEncoding(buffer, 8, unchanged), 1) << unchanged;
        EXPECT_STREQ(buffer, sample);
        EXPECT_EQ(Services.EncodingToOem(buffer, 8, unchanged), 1) << unchanged;
        EXPECT_STREQ(buffer, sample);
    }
    for (const char* unknown : {"win", "Win", "oem", "AUTO", "UTF-8"}) {
        strcpy(buffer, sample);
        EXPECT_EQ(Services.OemToEncoding(buffer, 8, unknown), 0) << unknown;
        EXPECT_EQ(Services.EncodingToOem(buffer, 8, unknown), 0) << unknown;
        EXPECT_STREQ(buffer, sample) << unknown;
    }

    strcpy(buffer, sample);
    EXPECT_EQ(Services.OemToEncoding(buffer, sizeof sample - 1, "WIN"), 1);
    EXPECT_STREQ(buffer, expectedWin);
    EXPECT_EQ(Services.EncodingToOem(buffer, sizeof sample - 1, "WIN"), 1);
    EXPECT_STREQ(buffer, expectedBack);

    strcpy(buffer, sample);
    EXPECT_EQ(Services.OemToEncoding(buffer, 2, "WIN"), 1);
    EXPECT_EQ(0, memcmp(buffer, expectedWin, 2));
    EXPECT_EQ(0, memcmp(buffer + 2, sample + 2, sizeof sample - 2)) << "only the given length";
    EXPECT_EQ(Services.OemToEncoding(buffer, -1, "WIN"), 0);
    EXPECT_EQ(Services.OemToEncoding(buffer, 0, "WIN"), 1);
}

FarMenuItem Item(const char* text) {
    FarMenuItem item;
    memset(&item, 0, sizeof item);
    strcpy(item.Text, text);
    return item;
}

TEST_F(ServicesTest, ModuleMenuShowsTheModulesHelpOnF1AndComesBack) {
    FarMenuItem items[] = {Item("First"), Item("Second")};
    host->QueueMenu(std::vector<std::string>{"F1"});
    host->QueueMenu(std::vector<std::string>{"Down", "Enter"});
    int result =
        Services.ModuleMenu(ModulePath.c_str(), Record->Info->ModuleNumber, -1, -1, 0, FMENU_WRAPMODE,
                            "Title", nullptr, "MenuTopic", nullptr, nullptr, items, 2);
    EXPECT_EQ(result, 1);
    ASSERT_EQ(host->Menus().size(), 2u);
    EXPECT_EQ(host->Menus()[0].BreakKeys, std::vector<int>{VK_F1});
    EXPECT_EQ(host->Menus()[1].Title, "Title");
    ASSERT_EQ(host->Helps().size(), 1u);
    EXPECT_STRCASEEQ(host->Helps()[0].ModuleName.c_str(), ModulePath.c_str());
    EXPECT_EQ(host->Helps()[0].Topic, "MenuTopic");
    EXPECT_EQ(host->Helps()[0].Flags, 0u);
    ExpectNoHostErrors();
}

TEST_F(ServicesTest, ModuleMenuWithTheCallersBreakKeys) {
    FarMenuItem items[] = {Item("First"), Item("Second")};
    const int keys[] = {VK_F4, VK_DELETE, 0};
    int code = 77;
    host->QueueMenu(std::vector<std::string>{"F4"}); // the first key: help, then the menu again
    host->QueueMenu(std::vector<std::string>{"Del"});
    EXPECT_EQ(Services.ModuleMenu(ModulePath.c_str(), Record->Info->ModuleNumber, -1, -1, 0, 0, "T", nullptr,
                                  "Topic", keys, &code, items, 2),
              0);
    EXPECT_EQ(code, 1);
    EXPECT_EQ(host->Helps().size(), 1u);

    host->QueueMenu(std::vector<std::string>{"Esc"});
    EXPECT_EQ(Services.ModuleMenu(ModulePath.c_str(), Record->Info->ModuleNumber, -1, -1, 0, 0, "T", nullptr,
                                  "Topic", keys, &code, items, 2),
              -1);
    EXPECT_EQ(host->Helps().size(), 1u);
    host->QueueMenu(std::vector<std::string>{"Enter"});
    EXPECT_EQ(Services.ModuleMenu(ModulePath.c_str(), Record->Info->ModuleNumber, -1, -1, 0, 0, "T", nullptr,
                                  "Topic", keys, nullptr, items, 2),
              0)
        << "no break-code cell of the caller's";
    ExpectNoHostErrors();
}

TEST_F(ServicesTest, ModuleDlgProcAnswersHelpWithTheModulesOwnFile) {
    FarDialogItem items[2];
    memset(items, 0, sizeof items);
    items[0].Type = DI_DOUBLEBOX, items[0].X1 = 3, items[0].Y1 = 1, items[0].X2 = 36, items[0].Y2 = 4;
    items[1].Type = DI_BUTTON, items[1].Y1 = 3, items[1].Flags = DIF_CENTERGROUP, items[1].Focus = 1;
    strcpy(items[1].Data, "OK");
    host->QueueDialog(DialogAnswer().Help().Button(1));
    const PluginStartupInfo* info = Record->Info;
    int result = info->DialogEx(info->ModuleNumber, -1, -1, 40, 6, "DialogTopic", items, 2, 0, 0,
                                Services.ModuleDlgProc, (long)Services.ModuleName);
    EXPECT_EQ(result, 1);
    ASSERT_EQ(host->Helps().size(), 1u) << "the host shows no help of its own";
    EXPECT_STRCASEEQ(host->Helps()[0].ModuleName.c_str(), ModulePath.c_str());
    EXPECT_EQ(host->Helps()[0].Topic, "DialogTopic");
    EXPECT_EQ(host->Helps()[0].Flags, 0u);
    ASSERT_EQ(host->Dialogs().size(), 1u);
    bool sawHelp = false, sawClose = false;
    for (const farhost::DlgProcCall& call : host->Dialogs()[0].ProcCalls) {
        if (call.Msg == DN_INITDIALOG) {
            EXPECT_EQ(call.Result, 0);
        }
        if (call.Msg == DN_HELP) {
            sawHelp = true;
            EXPECT_EQ(call.Result, 0);
        }
        if (call.Msg == DN_CLOSE) {
            sawClose = true;
            EXPECT_NE(call.Result, 0) << "the host's default";
        }
    }
    EXPECT_TRUE(sawHelp);
    EXPECT_TRUE(sawClose);
    ExpectNoHostErrors();
}

} // namespace
