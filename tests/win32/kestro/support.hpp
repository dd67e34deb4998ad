// Shared by Kestro's Wine tests: the package laid out as a user installs it
// (Plugins\Lumivo\Lumivo.dll, its .lng files, lvx\Kestro.lvx and lvx\Kestro.lvg), loaded by
// the stand-in host so that the real host plug-in starts the module with its real services;
// the CHM fixtures copied into a fresh folder per test; MkTemp pointed at a folder of the
// test's own. Page contents are checked against the independent reader's record
// (tests/data/chm/expected.tsv).
#pragma once

#include "fsf.hpp"
#include "helpmodule.hpp"
#include "host.hpp"
#include "sha256.h"

#include <gtest/gtest.h>

#include <string.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#ifndef LUMIVO_DLL
#error LUMIVO_DLL, KESTRO_LVX, LANG_DIR and CHM_DIR come from the build
#endif

// The key the module keeps its settings under, for the host's default root.
static const char KestroKey[] = "Software\\Far\\Plugins\\Lumivo\\Plugins\\Kestro";

struct Answer {
    int Result;
    std::string ErrorText;
};

class KestroTest : public ::testing::Test {
  protected:
    std::unique_ptr<farhost::Host> host;
    std::string Folder;     // ...\Plugins\Lumivo\ (trailing backslash)
    std::string ModulePath; // Folder + "lvx\Kestro.lvx"
    std::string DataFolder; // holds the help files (no trailing backslash)
    std::string TempFolder; // what MkTemp hands out names in
    HMODULE Module = nullptr;
    MODULEMESSAGE Message = nullptr;

    void SetUp() override { Fresh(); }

    // A new host with an empty registry (or the one left behind), the package and the fixtures
    // in new folders.
    void Fresh(bool keepRegistry = false) {
        Unload();
        host.reset();
        if (!keepRegistry) farhost::Host::ClearRegistry();
        SetEnvironmentVariableA("FARLANG", nullptr);
        host.reset(new farhost::Host());
        std::string root = host->MakeTempFolder("kst");
        Folder = root + "\\Plugins\\";
        CreateDirectoryA(Folder.c_str(), nullptr);
        Folder += "Lumivo\\";
        CreateDirectoryA(Folder.c_str(), nullptr);
        CreateDirectoryA((Folder + "lvx").c_str(), nullptr);
        ModulePath = Folder + "lvx\\Kestro.lvx";
        ASSERT_TRUE(CopyFileA(Built(LUMIVO_DLL).c_str(), (Folder + "Lumivo.dll").c_str(), FALSE));
        for (const char* name : {"LumivoEng.lng", "LumivoRus.lng"})
            ASSERT_TRUE(CopyFileA((Built(LANG_DIR) + "\\" + name).c_str(), (Folder + name).c_str(), FALSE));
        ASSERT_TRUE(CopyFileA(Built(KESTRO_LVX).c_str(), ModulePath.c_str(), FALSE));
        ASSERT_TRUE(CopyFileA((Built(LANG_DIR) + "\\Kestro.lvg").c_str(),
                              (Folder + "lvx\\Kestro.lvg").c_str(), FALSE));
        DataFolder = root + "\\help";
        CreateDirectoryA(DataFolder.c_str(), nullptr);
        for (const char* name : {"titles.chm", "accented.chm", "cyrillic.chm", "large.chm", "many.chm"})
            Fixture(name);
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

    // A fixture copied into the data folder, under its own name or another one.
    std::string Fixture(const std::string& name, const std::string& as = std::string()) {
        std::string path = DataFolder + "\\" + (as.empty() ? name : as);
        EXPECT_TRUE(CopyFileA((Built(CHM_DIR) + "\\" + name).c_str(), path.c_str(), FALSE)) << name;
        return path;
    }
    std::string Help(const std::string& name) { return DataFolder + "\\" + name; }

    // The host plug-in loads and starts every module of its lvx folder; the test then talks to
    // Kestro directly, as the host's dispatch does.
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

    // A request as the host sends it for the Kestro type: the keyword already in the encoding.
    Answer Show(const std::string& keyword, const std::string& file, const char* encoding = "WIN") {
        HelpRequest request = {sizeof(HelpRequest), 0,       HO_ASKKEYWORD, HC_CATALOGUEENTRY, file.c_str(),
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
        host->QueueDialog(farhost::DialogAnswer().Choose(2, modality).Choose(3, visuality).Button(5));
        return Message(HM_CONFIGURE, nullptr, nullptr);
    }

    // Message n of the module's language file, read here independently of the host's service.
    static std::string LanguageLine(const std::string& language, int n) {
        std::string bytes;
        EXPECT_TRUE(farhost::Host::ReadFile(Built(LANG_DIR) + "\\Kestro.lvg", &bytes));
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

    // The SHA-256 the independent reader recorded for an object of a fixture.
    static std::string ExpectedSha(const std::string& fixture, const std::string& object) {
        static std::map<std::string, std::string> manifest;
        if (manifest.empty()) {
            std::string bytes;
            EXPECT_TRUE(farhost::Host::ReadFile(Built(CHM_DIR) + "\\expected.tsv", &bytes));
            size_t start = 0;
            while (start < bytes.size()) {
                size_t end = bytes.find('\n', start);
                if (end == std::string::npos) end = bytes.size();
                std::string line = bytes.substr(start, end - start);
                start = end + 1;
                size_t a = line.find('\t'), b = line.find('\t', a + 1), c = line.find('\t', b + 1);
                if (c == std::string::npos) continue;
                manifest[line.substr(0, a) + "\t" + line.substr(a + 1, b - a - 1)] = line.substr(c + 1);
            }
        }
        auto found = manifest.find(fixture + "\t" + object);
        return found == manifest.end() ? "(not recorded: " + fixture + " " + object + ")" : found->second;
    }
    static void ExpectPage(const std::string& content, const std::string& fixture,
                           const std::string& object) {
        EXPECT_EQ(ExpectedSha(fixture, object), Sha256Hex(content.data(), content.size()))
            << "not the bytes of " << fixture << " " << object;
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

    static std::string Built(const char* unixPath) { return farhost::Host::WindowsPath(unixPath); }
};
