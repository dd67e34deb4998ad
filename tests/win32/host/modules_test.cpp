// The module table: which lvx files load and in what order, what each module is
// handed at Start, the type list, CallModule's bounds, and new descriptions
// after a change of language, with modules that misbehave in every listed way.
#include "support.hpp"

#include <algorithm>
#include <string.h>

using farhost::Host;

namespace {

class ModuleTableTest : public PluginTest {
  protected:
    const ProbeView* probe = nullptr;
    std::string Triple, Garbage;

    // Six test modules, a non-library named *.lvx and a folder named *.lvx.
    void LoadFullFolder() {
        Install(true);
        Triple = AddModule("Triple");
        ASSERT_TRUE(
            Host::WriteFile(Folder + "lvx\\Triple.lvg",
                            "[English]\r\nThree kinds\r\n[Russian]\r\n\x92\xe0\xa8 \xa2\xa8\xa4\xa0\r\n"));
        AddModule("Silent");
        AddModule("NoMessage");
        AddModule("NoStart");
        Garbage = AddModule("Garbage");
        AddModule("Deep", "sub");
        ASSERT_TRUE(Host::WriteFile(Folder + "lvx\\Broken.lvx", "MZ but not really a library\r\n"));
        ASSERT_TRUE(CreateDirectoryA((Folder + "lvx\\Folder.lvx").c_str(), nullptr));
        ASSERT_TRUE(Load());
        probe = Probe();
        ASSERT_NE(probe, nullptr);
        ASSERT_NE(*probe->Modules, nullptr);
    }
    ModuleTable* Table() { return *probe->Modules; }

    std::string FileOf(int index) {
        char path[MAX_PATH] = "";
        GetModuleFileNameA(Table()->Entries[index].Module, path, sizeof path);
        return path;
    }
    int IndexOf(const std::string& name) {
        for (int i = 0; i < Table()->Count; i++) {
            std::string file = FileOf(i);
            if (file.size() >= name.size() &&
                !_stricmp(file.c_str() + file.size() - name.size(), name.c_str()))
                return i;
        }
        return -1;
    }
    std::vector<std::string> TypeList() {
        std::vector<std::string> names;
        const FarList& list = Table()->TypeList;
        EXPECT_EQ(list.ItemsNumber, Table()->TypeTotal);
        EXPECT_EQ(list.Items, Table()->TypeItems);
        for (int i = 0; i < list.ItemsNumber; i++) {
            EXPECT_EQ(list.Items[i].Flags, 0u);
            names.push_back(list.Items[i].Text);
        }
        return names;
    }
};

int WINAPI Collect(const WIN32_FIND_DATAA* data, const char* fullName, void* param) {
    if (!(data->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        ((std::vector<std::string>*)param)->push_back(fullName);
    return 1;
}

TEST_F(ModuleTableTest, LoadsEveryLibraryBelowLvxInSearchOrder) {
    LoadFullFolder();
    // The order the host's own search reports, without the file that is no library.
    std::vector<std::string> found;
    probe->FSF->FarRecursiveSearch((Folder + "lvx\\").c_str(), "*.lvx", Collect, FRS_RECUR, &found);
    found.erase(
        std::remove_if(found.begin(), found.end(),
                       [](const std::string& f) { return f.find("Broken.lvx") != std::string::npos; }),
        found.end());
    ASSERT_EQ(found.size(), 6u);
    ASSERT_EQ(Table()->Count, 6);
    std::string starts;
    for (int i = 0; i < 6; i++) {
        EXPECT_STRCASEEQ(FileOf(i).c_str(), found[i].c_str()) << i;
        std::string name = found[i].substr(found[i].rfind('\\') + 1);
        name.resize(name.size() - 4);
        if (name != "NoStart") starts += "Start:" + name + ";";
    }
    // All modules are started before the first is described.
    std::string log = ModuleLog();
    EXPECT_EQ(log.substr(0, starts.size()), starts);
    EXPECT_EQ(log.find("Describe:"), starts.size());

    const ModuleEntry& noStart = Table()->Entries[IndexOf("NoStart.lvx")];
    EXPECT_EQ(noStart.Start, nullptr);
    EXPECT_NE(noStart.Message, nullptr);
    const ModuleEntry& noMessage = Table()->Entries[IndexOf("NoMessage.lvx")];
    EXPECT_NE(noMessage.Start, nullptr);
    EXPECT_NE(noMessage.Exit, nullptr);
    EXPECT_EQ(noMessage.Message, nullptr);
    EXPECT_EQ(noMessage.TypesNumber, 0);
    ExpectNoHostErrors();
}

TEST_F(ModuleTableTest, StartGetsTheHostsOwnCopyAndARecordOfItsOwn) {
    UINT processMode = SetErrorMode(0);
    LoadFullFolder();
    const TestModuleRecord* record = RecordOf(Triple);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->Starts, 1);
    const UINT quiet = SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX;
    EXPECT_EQ(record->LoadErrorMode & quiet, quiet) << "no loader message box for a module";
    EXPECT_EQ(SetErrorMode(processMode), 0u) << "the process's own error mode is given back";
    EXPECT_EQ(record->Info, probe->Info);
    EXPECT_EQ(record->Info->FSF, probe->FSF);
    EXPECT_EQ(record->Startup.StructSize, 548);
    EXPECT_STRCASEEQ(record->Startup.ModuleName, Triple.c_str());
    EXPECT_STRCASEEQ(record->Startup.LangFile, (Folder + "lvx\\Triple.lvg").c_str());

    // Any extension: exactly its last three characters become "lvg".
    std::string other = AddModule("Triple", "", "Other.modx");
    ASSERT_TRUE(probe->LoadModule(Table(), other.c_str()));
    EXPECT_EQ(Table()->Count, 7);
    const TestModuleRecord* otherRecord = RecordOf(other);
    ASSERT_NE(otherRecord, nullptr);
    EXPECT_STRCASEEQ(otherRecord->Startup.LangFile, (Folder + "lvx\\Other.mlvg").c_str());
    EXPECT_STREQ(otherRecord->Startup.RootKey, "Software\\Far\\Plugins\\Lumivo\\Plugins");
    EXPECT_FALSE(probe->LoadModule(Table(), (Folder + "lvx\\Broken.lvx").c_str()));
    EXPECT_FALSE(probe->LoadModule(Table(), (Folder + "lvx\\missing.lvx").c_str()));
    EXPECT_EQ(Table()->Count, 7);
    EXPECT_EQ(Table()->Entries[0].Module, GetModuleHandleA(FileOf(0).c_str())) << "entries kept on growing";
}

TEST_F(ModuleTableTest, TypeListInTableOrderAndCallModuleBounds) {
    LoadFullFolder();
    std::vector<std::string> expected;
    for (int i = 0; i < Table()->Count; i++) {
        const ModuleEntry& entry = Table()->Entries[i];
        for (int t = 0; t < entry.TypesNumber; t++)
            expected.push_back(entry.Types[t].Name);
    }
    EXPECT_EQ(TypeList(), expected);
    EXPECT_EQ(expected.size(), 7u) << "Triple 3, Garbage 2, NoStart 1, Deep 1; Silent and NoMessage none";
    const ModuleEntry& triple = Table()->Entries[IndexOf("Triple.lvx")];
    ASSERT_EQ(triple.TypesNumber, 3);
    EXPECT_STREQ(triple.Types[0].Name, "Triple type 0");
    EXPECT_STREQ(triple.Types[2].Name, "Triple type 2");
    EXPECT_EQ(triple.Flags, (DWORD)HMF_CONFIGURABLE);
    EXPECT_STREQ(triple.Title, "Three kinds");
    auto tripleAt = std::find(expected.begin(), expected.end(), "Triple type 0");
    ASSERT_LE(tripleAt + 3, expected.end());
    EXPECT_EQ(tripleAt[1], "Triple type 1");
    EXPECT_EQ(tripleAt[2], "Triple type 2");
    EXPECT_EQ(Table()->Entries[IndexOf("Silent.lvx")].TypesNumber, 0);
    EXPECT_EQ(Table()->Entries[IndexOf("Silent.lvx")].Types, nullptr);

    HelpResult result;
    EXPECT_EQ(probe->CallModule(Table(), -1, HM_CONFIGURE, nullptr, nullptr), 0);
    EXPECT_EQ(probe->CallModule(Table(), Table()->Count, HM_CONFIGURE, nullptr, nullptr), 0);
    EXPECT_EQ(probe->CallModule(Table(), IndexOf("NoMessage.lvx"), HM_SHOWHELP, nullptr, &result), 0);
    EXPECT_EQ(probe->CallModule(Table(), IndexOf("Triple.lvx"), HM_CONFIGURE, nullptr, nullptr), 1);
    EXPECT_EQ(RecordOf(Triple)->Configures, 1);
    EXPECT_EQ(probe->CallModule(nullptr, 0, HM_CONFIGURE, nullptr, nullptr), 0);
}

TEST_F(ModuleTableTest, NewLanguageNewDescriptionsEachTypeOnce) {
    LoadFullFolder();
    std::vector<std::string> before = TypeList();
    EXPECT_FALSE(probe->CheckLanguage(Table())) << "recorded at load";
    host->SetLanguage("Russian");
    EXPECT_TRUE(probe->CheckLanguage(Table()));
    EXPECT_FALSE(probe->CheckLanguage(Table()));
    EXPECT_STREQ(Table()->Language, "Russian");
    probe->DescribeModules(Table());
    EXPECT_STREQ(Table()->Entries[IndexOf("Triple.lvx")].Title, "\x92\xe0\xa8 \xa2\xa8\xa4\xa0");
    EXPECT_EQ(TypeList(), before);
    EXPECT_EQ(RecordOf(Triple)->Describes, 2);

    SetEnvironmentVariableA("FARLANG", "russian");
    EXPECT_TRUE(probe->CheckLanguage(Table())) << "compared with regard to case";
    SetEnvironmentVariableA("FARLANG", nullptr);
    EXPECT_TRUE(probe->CheckLanguage(Table()));
    EXPECT_STREQ(Table()->Language, "English");
    SetEnvironmentVariableA("FARLANG", "English");
    EXPECT_FALSE(probe->CheckLanguage(Table()));
}

TEST_F(ModuleTableTest, GarbageAnswersLeaveTheModuleWithoutTypes) {
    LoadFullFolder();
    int garbage = IndexOf("Garbage.lvx");
    ASSERT_EQ(Table()->Entries[garbage].TypesNumber, 2);
    size_t others = TypeList().size() - 2;
    auto describeAs = [&](const char* mode) {
        SetEnvironmentVariableA(TEST_GARBAGE_MODE, mode);
        probe->DescribeModules(Table());
        return Table()->Entries[garbage].TypesNumber;
    };
    EXPECT_EQ(describeAs("valid"), 2);
    EXPECT_EQ(TypeList().size(), others + 2);
    EXPECT_EQ(describeAs("zero-count"), 0);
    EXPECT_EQ(Table()->Entries[garbage].Types, nullptr);
    EXPECT_EQ(TypeList().size(), others);
    EXPECT_EQ(describeAs("valid"), 2);
    EXPECT_EQ(describeAs("null-types"), 0);
    EXPECT_EQ(TypeList().size(), others);
    EXPECT_EQ(describeAs("valid"), 2);
    EXPECT_EQ(describeAs("negative"), 0);
    // A refusal keeps the previous answer, and the list still shows its types.
    EXPECT_EQ(describeAs("valid"), 2);
    EXPECT_EQ(describeAs("refuse"), 2);
    std::vector<std::string> list = TypeList();
    EXPECT_EQ(list.size(), others + 2);
    EXPECT_EQ(std::count(list.begin(), list.end(), "Garbage type 1"), 1);
}

// Modules are loaded and started before the plug-in reads its own settings, so
// a value that a module's Start stores is the one the plug-in goes by.
TEST_F(PluginTest, SettingsAreReadAfterTheModulesStarted) {
    Install();
    AddModule("Deep", "sub");
    Host::RegSetString("Software\\Far\\Plugins\\Lumivo", "ShowInPanels", "1");
    SetEnvironmentVariableA(TEST_START_SETTING, "ShowInPanels=0");
    ASSERT_TRUE(Load());
    EXPECT_EQ(ModuleLog(), "Start:Deep;Describe:Deep;");
    EXPECT_NE(host->Transcript().find("\n  loaded by the plug-in: lvx\\sub\\Deep.lvx\n"), std::string::npos)
        << host->Transcript();
    EXPECT_EQ(host->GetPluginInfo().Raw.Flags, 14u);
    ExpectNoHostErrors();
}

TEST_F(PluginTest, NoModulesFolderGivesAnEmptyTable) {
    Install(true);
    RemoveDirectoryA((Folder + "lvx").c_str());
    ASSERT_TRUE(Load());
    const ProbeView* probe = Probe();
    ASSERT_NE(probe, nullptr);
    ASSERT_NE(*probe->Modules, nullptr);
    EXPECT_EQ((*probe->Modules)->Count, 0);
    EXPECT_EQ((*probe->Modules)->TypeList.ItemsNumber, 0);
    EXPECT_EQ(host->GetPluginInfo().Raw.Flags, 12u);
}

} // namespace
