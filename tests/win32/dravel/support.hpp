// Shared by the Dravel module's Wine tests: the package laid out as a user installs it
// (Plugins\Lumivo\Lumivo.dll, its .lng files, lvx\Dravel.lvx and lvx\Dravel.lvg), loaded by the
// stand-in host so that the real host plug-in starts the module with its real services; the sample
// dictionary copied into a fresh folder per test; MkTemp pointed at a folder of the test's own.
#pragma once

#include "fsf.hpp"
#include "helpmodule.hpp"
#include "host.hpp"

#include <gtest/gtest.h>

#include <string.h>

#include <memory>
#include <string>
#include <vector>

#ifndef LUMIVO_DLL
#error LUMIVO_DLL, DRAVEL_LVX, LANG_DIR and SAMPLE_DICT come from the build
#endif

// The key the module keeps its settings under, for the host's default root.
static const char DravelKey[] = "Software\\Far\\Plugins\\Lumivo\\Plugins\\Dravel";

struct Answer {
    int Result;
    std::string ErrorText;
};

class DravelTest : public ::testing::Test {
  protected:
    std::unique_ptr<farhost::Host> host;
    std::string Folder;     // ...\Plugins\Lumivo\ (trailing backslash)
    std::string ModulePath; // Folder + "lvx\Dravel.lvx"
    std::string DataFolder; // holds the dictionary (no trailing backslash)
    std::string Dict;       // DataFolder + "\sample.txt"
    std::string TempFolder; // what MkTemp hands out names in
    HMODULE Module = nullptr;
    MODULEMESSAGE Message = nullptr;

    void SetUp() override { Fresh(); }

    // A new host with an empty registry, the package and the dictionary in new folders.
    void Fresh() {
        Unload();
        host.reset();
        farhost::Host::ClearRegistry();
        SetEnvironmentVariableA("FARLANG", nullptr);
        host.reset(new farhost::Host());
        std::string root = host->MakeTempFolder("drv");
        Folder = root + "\\Plugins\\";
        CreateDirectoryA(Folder.c_str(), nullptr);
        Folder += "Lumivo\\";
        CreateDirectoryA(Folder.c_str(), nullptr);
        CreateDirectoryA((Folder + "lvx").c_str(), nullptr);
        ModulePath = Folder + "lvx\\Dravel.lvx";
        ASSERT_TRUE(CopyFileA(Built(LUMIVO_DLL).c_str(), (Folder + "Lumivo.dll").c_str(), FALSE));
        for (const char* name : {"LumivoEng.lng", "LumivoRus.lng"})
            ASSERT_TRUE(CopyFileA((Built(LANG_DIR) + "\\" + name).c_str(), (Folder + name).c_str(), FALSE));
        ASSERT_TRUE(CopyFileA(Built(DRAVEL_LVX).c_str(), ModulePath.c_str(), FALSE));
        ASSERT_TRUE(CopyFileA((Built(LANG_DIR) + "\\Dravel.lvg").c_str(),
                              (Folder + "lvx\\Dravel.lvg").c_str(), FALSE));

        DataFolder = root + "\\dict";
        CreateDirectoryA(DataFolder.c_str(), nullptr);
        Dict = DataFolder + "\\sample.txt";
        ASSERT_TRUE(CopyFileA(Built(SAMPLE_DICT).c_str(), Dict.c_str(), FALSE));
        TempFolder = root + "\\temp";
        CreateDirectoryA(TempFolder.c_str(), nullptr);
        FarSetTempFolder(TempFolder.c_str());
    }

    void TearDown() override {
        ExpectNoHostErrors();
        Unload();
        host.reset();
        FarSetTempFolder(nullptr);
        SetEnvironmentVariableA("FARLANG", nullptr);
    }

    // The host plug-in loads and starts every module of its lvx folder; the test then talks to
    // Dravel directly, as the host's dispatch does.
    void Load() {
        ASSERT_TRUE(host->LoadPlugin(Folder + "Lumivo.dll"));
        Module = GetModuleHandleA(ModulePath.c_str());
        ASSERT_NE(nullptr, Module) << "the host did not load " << ModulePath;
        Message = (MODULEMESSAGE)(void*)GetProcAddress(Module, "Message");
        ASSERT_NE(nullptr, Message);
    }

    // A real Far never unloads modules; a test process must, so that the next test's copy starts
    // afresh (settings are read at Start).
    void Unload() {
        while (HMODULE m = GetModuleHandleA(ModulePath.c_str()))
            FreeLibrary(m);
        Module = nullptr;
        Message = nullptr;
    }

    // A catalogue-less request, as the host sends it for a help file picked by its type.
    Answer Show(const std::string& keyword, const std::string& file = std::string()) {
        std::string path = file.empty() ? Dict : file;
        HelpRequest request = {sizeof(HelpRequest), 0, HO_ASKKEYWORD, HC_CATALOGUEENTRY, path.c_str(),
                               keyword.c_str(),     ""};
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
        host->QueueDialog(farhost::DialogAnswer().Choose(2, modality).Choose(3, visuality).Button(5));
        return Message(HM_CONFIGURE, nullptr, nullptr);
    }

    // Message n of the module's language file, read here independently of the host's service.
    static std::string LanguageLine(const std::string& language, int n) {
        std::string bytes;
        EXPECT_TRUE(farhost::Host::ReadFile(Built(LANG_DIR) + "\\Dravel.lvg", &bytes));
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
            if (inSection && !line.empty()) lines.push_back(line);
        }
        return n < (int)lines.size() ? lines[n] : std::string();
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

    // The dictionary's line whose headword is exactly word, and its offset.
    std::string ArticleLine(const std::string& word, size_t* offset = nullptr) {
        std::string bytes;
        EXPECT_TRUE(farhost::Host::ReadFile(Dict, &bytes));
        size_t at = bytes.find("\n" + word + "  ");
        EXPECT_NE(std::string::npos, at) << word;
        if (at == std::string::npos) return "";
        at++;
        if (offset) *offset = at;
        size_t end = bytes.find_first_of("\r\n", at);
        return bytes.substr(at, end - at);
    }

    void ExpectNoHostErrors() {
        if (!host) return;
        for (const std::string& error : host->Errors())
            ADD_FAILURE() << "host: " << error;
    }

    static std::string Built(const char* unixPath) { return farhost::Host::WindowsPath(unixPath); }
};
