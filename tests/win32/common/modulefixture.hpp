// Shared by the Wine tests of the help modules: one module's package laid out as a user installs
// it (Plugins\Lumivo\Lumivo.dll, its .lng files, lvx\<Name>.lvx and lvx\<Name>.lvg), loaded by
// the stand-in host so that the real host plug-in starts the module with its real services; the
// module's sample data copied into a fresh folder per test; MkTemp pointed at a folder of the
// test's own. Header-only: each test program names its module through a ModuleTraits.
#pragma once

#include "fsf.hpp"
#include "helpmodule.hpp"
#include "host.hpp"

#include <gtest/gtest.h>

#include <string.h>

#include <memory>
#include <string>
#include <vector>

struct Answer {
    int Result;
    std::string ErrorText;
};

// What differs between the modules as far as their installation goes.
struct ModuleTraits {
    const char* Name;       // "Dravel": the .lvx, the .lvg and the settings key
    const char* BuiltLvx;   // the built module (a Unix path)
    const char* LangDir;    // the source's lang folder (a Unix path)
    const char* DataName;   // the folder the sample data goes to
    const char* TempPrefix; // the host's temp folder for the test
    // Copies the module's sample data into the data folder.
    void (*Install)(const std::string& dataFolder);
    int AcceptItem = 5; // the settings dialog's first button; the second is the next item
};

inline std::string BuiltPath(const char* unixPath) {
    return farhost::Host::WindowsPath(unixPath);
}

// The key a module keeps its settings under, for the host's default root.
inline std::string SettingsKey(const ModuleTraits& traits) {
    return std::string("Software\\Far\\Plugins\\Lumivo\\Plugins\\") + traits.Name;
}

// Message n of a module's language file, read here independently of the host's service.
inline std::string LanguageFileLine(const std::string& lvg, const std::string& language, int n) {
    std::string bytes;
    EXPECT_TRUE(farhost::Host::ReadFile(lvg, &bytes));
    std::vector<std::string> lines;
    bool inSection = false;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        start = end + 1;
        if (!line.empty() && line[0] == '[') {
            inSection = line == "[" + language + "]";
            continue;
        }
        if (inSection && !line.empty() && line[0] != ';') lines.push_back(line);
    }
    return n < (int)lines.size() ? lines[n] : std::string();
}

// "<TempFolder>\LUMVxxxx.xxx\<Name>.txt": the folder named by the host's MkTemp, backslashes only.
inline void ExpectResultPath(const std::string& tempFolder, const std::string& path,
                             const std::string& name) {
    std::string prefix = tempFolder + "\\";
    ASSERT_GT(path.size(), prefix.size());
    EXPECT_EQ(0, lstrcmpiA(path.substr(0, prefix.size()).c_str(), prefix.c_str())) << path;
    std::string rest = path.substr(prefix.size());
    EXPECT_EQ(0u, rest.find("LUMV")) << path;
    EXPECT_EQ(12u, rest.find('\\')) << path;
    EXPECT_EQ("\\" + name + ".txt", rest.substr(rest.find('\\'))) << path;
    EXPECT_EQ(std::string::npos, path.find('/')) << path;
}

// A result window as its user reads it. The module's answer is in the OEM page (ansi false) or
// the ANSI one: the editor must show it through the matching table whatever Far carried over;
// the viewer gets it as UTF-16 with its mark, which it shows as Unicode. Returns the answer's
// 8-bit bytes (the file itself, or the viewer's file back in that code page).
inline std::string ExpectReadsRight(const farhost::WindowRecord& w, bool ansi) {
    std::string bytes = w.Content;
    if (w.Editor) {
        EXPECT_EQ(ansi ? farhost::TextTable::Win : farhost::TextTable::Dos, w.Table);
    } else {
        EXPECT_EQ(farhost::TextTable::Unicode, w.Table);
        EXPECT_EQ(0u, w.Content.find("\xFF\xFE")) << "no UTF-16 mark";
        size_t units = w.Content.size() >= 2 ? (w.Content.size() - 2) / 2 : 0;
        std::wstring wide(units, L'\0');
        if (units) memcpy(&wide[0], w.Content.data() + 2, units * 2);
        UINT page = ansi ? CP_ACP : CP_OEMCP;
        int n =
            units ? WideCharToMultiByte(page, 0, wide.data(), (int)units, nullptr, 0, nullptr, nullptr) : 0;
        bytes.assign(n, '\0');
        if (n) WideCharToMultiByte(page, 0, wide.data(), (int)units, &bytes[0], n, nullptr, nullptr);
    }
    EXPECT_EQ(farhost::ShownThrough(bytes, ansi ? farhost::TextTable::Win : farhost::TextTable::Dos),
              w.Shown);
    return bytes;
}

class ModuleFixture : public ::testing::Test {
  protected:
    const ModuleTraits* Traits;
    std::unique_ptr<farhost::Host> host;
    std::string Key;            // the module's settings key
    std::string Folder;         // ...\Plugins\Lumivo\ (trailing backslash)
    std::string ModulePath;     // Folder + "lvx\<Name>.lvx"
    std::string DataFolder;     // holds the sample data (no trailing backslash)
    std::string TempFolder;     // what MkTemp hands out names in
    std::string UserTempFolder; // the user's temporary folder (TMP) while the test runs
    HMODULE Module = nullptr;
    MODULEMESSAGE Message = nullptr;

    explicit ModuleFixture(const ModuleTraits& traits) : Traits(&traits), Key(SettingsKey(traits)) {}

    void SetUp() override { Fresh(); }

    // A new host with an empty registry (or the one left behind), the package and the sample
    // data in new folders.
    void Fresh(bool keepRegistry = false) {
        Unload();
        host.reset();
        if (!keepRegistry) farhost::Host::ClearRegistry();
        SetEnvironmentVariableA("FARLANG", nullptr);
        UserTemp(nullptr);
        host.reset(new farhost::Host());
        std::string root = host->MakeTempFolder(Traits->TempPrefix);
        // The user's own temporary folder (where a module may keep files of its own between
        // requests) is the test's too, so that nothing carries over from another test.
        UserTempFolder = root + "\\usertemp";
        CreateDirectoryA(UserTempFolder.c_str(), nullptr);
        UserTemp(UserTempFolder.c_str());
        Folder = root + "\\Plugins\\";
        CreateDirectoryA(Folder.c_str(), nullptr);
        Folder += "Lumivo\\";
        CreateDirectoryA(Folder.c_str(), nullptr);
        CreateDirectoryA((Folder + "lvx").c_str(), nullptr);
        std::string name = Traits->Name;
        ModulePath = Folder + "lvx\\" + name + ".lvx";
        ASSERT_TRUE(CopyFileA(BuiltPath(LUMIVO_DLL).c_str(), (Folder + "Lumivo.dll").c_str(), FALSE));
        for (const char* lng : {"LumivoEng.lng", "LumivoRus.lng"})
            ASSERT_TRUE(
                CopyFileA((BuiltPath(Traits->LangDir) + "\\" + lng).c_str(), (Folder + lng).c_str(), FALSE));
        ASSERT_TRUE(CopyFileA(BuiltPath(Traits->BuiltLvx).c_str(), ModulePath.c_str(), FALSE));
        ASSERT_TRUE(CopyFileA((BuiltPath(Traits->LangDir) + "\\" + name + ".lvg").c_str(),
                              (Folder + "lvx\\" + name + ".lvg").c_str(), FALSE));
        DataFolder = root + "\\" + Traits->DataName;
        CreateDirectoryA(DataFolder.c_str(), nullptr);
        Traits->Install(DataFolder);
        TempFolder = root + "\\temp";
        CreateDirectoryA(TempFolder.c_str(), nullptr);
        FarSetTempFolder(TempFolder.c_str());
    }

    void TearDown() override {
        ExpectNoHostErrors();
        Unload();
        host.reset();
        UserTemp(nullptr);
        FarSetTempFolder(nullptr);
        SetEnvironmentVariableA("FARLANG", nullptr);
    }

    // The host plug-in loads and starts every module of its lvx folder; the test then talks to
    // the module directly, as the host's dispatch does.
    void Load() {
        ASSERT_TRUE(host->LoadPlugin(Folder + "Lumivo.dll"));
        Module = GetModuleHandleA(ModulePath.c_str());
        ASSERT_NE(nullptr, Module) << "the host did not load " << ModulePath;
        Message = (MODULEMESSAGE)(void*)GetProcAddress(Module, "Message");
        ASSERT_NE(nullptr, Message);
    }

    // TMP pointed at a folder, or back at what it was when the tests started (null).
    static void UserTemp(const char* folder) {
        static std::string original;
        static bool saved = false, had = false;
        if (!saved) {
            char value[MAX_PATH];
            DWORD n = GetEnvironmentVariableA("TMP", value, sizeof value);
            had = n > 0 && n < sizeof value;
            if (had) original = value;
            saved = true;
        }
        SetEnvironmentVariableA("TMP", folder ? folder : had ? original.c_str() : nullptr);
    }

    // A real Far never unloads modules; a test process must, so that the next test's copy starts
    // afresh (settings are read at Start).
    void Unload() {
        while (HMODULE m = GetModuleHandleA(ModulePath.c_str()))
            FreeLibrary(m);
        Module = nullptr;
        Message = nullptr;
    }

    // A request as the host sends it for one of the module's types (its first by default): the
    // keyword already in the encoding.
    Answer ShowFile(const std::string& keyword, const std::string& file, const char* encoding, int type = 0) {
        HelpRequest request = {sizeof(HelpRequest), type,    HO_ASKKEYWORD, HC_CATALOGUEENTRY, file.c_str(),
                               keyword.c_str(),     encoding};
        HelpResult result;
        memset(&result, 0, sizeof result);
        result.StructSize = sizeof result;
        Answer answer;
        answer.Result = Message(HM_SHOWHELP, &request, &result);
        answer.ErrorText.assign(result.ErrorText, strnlen(result.ErrorText, sizeof result.ErrorText));
        return answer;
    }

    // The settings dialog, answered with the two list rows and the accepting button.
    int Configure(int modality, int visuality) {
        host->QueueDialog(
            farhost::DialogAnswer().Choose(2, modality).Choose(3, visuality).Button(Traits->AcceptItem));
        return Message(HM_CONFIGURE, nullptr, nullptr);
    }

    std::string LanguageLine(const std::string& language, int n) const {
        return LanguageFileLine(BuiltPath(Traits->LangDir) + "\\" + Traits->Name + ".lvg", language, n);
    }

    // A setting as the registry holds it.
    std::string Stored(const char* name) const {
        std::string value;
        return farhost::Host::RegGetString(Key, name, &value) ? value : "(missing)";
    }

    // The files left in MkTemp's folder (LUMV result folders and what they hold).
    std::vector<std::string> TempEntries() {
        std::vector<std::string> found;
        Collect(TempFolder, &found);
        return found;
    }

    static void Collect(const std::string& folder, std::vector<std::string>* found) {
        WIN32_FIND_DATAA fd;
        HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &fd);
        if (h == INVALID_HANDLE_VALUE) return;
        do {
            std::string name = fd.cFileName;
            if (name == "." || name == "..") continue;
            found->push_back(folder + "\\" + name);
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) Collect(folder + "\\" + name, found);
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }

    // The frame of the module's candidate menu: placed by Far, titled with message 0, no break keys.
    void ExpectCandidateMenu(const farhost::MenuRecord& menu) const {
        EXPECT_EQ(-1, menu.X);
        EXPECT_EQ(-1, menu.Y);
        EXPECT_EQ(0, menu.MaxHeight);
        EXPECT_EQ(0x26u, menu.Flags);
        EXPECT_EQ(LanguageLine("English", 0), menu.Title);
        EXPECT_EQ("", menu.Bottom);
        EXPECT_EQ("", menu.HelpTopic);
        EXPECT_TRUE(menu.BreakKeys.empty());
        EXPECT_EQ(0, menu.InitialCursor);
    }

    static std::vector<std::string> MenuTexts(const farhost::MenuRecord& menu) {
        std::vector<std::string> texts;
        for (const farhost::MenuItemRecord& item : menu.Items)
            texts.push_back(item.Text);
        return texts;
    }

    void ExpectNoHostErrors() {
        if (!host) return;
        for (const std::string& error : host->Errors())
            ADD_FAILURE() << "host: " << error;
    }

    static std::string Built(const char* unixPath) { return BuiltPath(unixPath); }
};
