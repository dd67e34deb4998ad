// Shared by the host plug-in's Wine tests: a plug-in folder laid out as a user
// installs it (Plugins\Lumivo\Lumivo.dll, its .lng/.hlf files, lvx\ with help
// modules), a fresh registry, and the stand-in host that loads from there.
#pragma once

#include "host.hpp"
#include "probe.hpp"
#include "modules/testmodule.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// Built files, as the build tree names them (Unix paths; WindowsPath maps them).
#ifndef LUMIVO_DLL
#error LUMIVO_DLL, PROBE_DLL, TEST_MODULES and LANG_DIR come from the build
#endif

class PluginTest : public ::testing::Test {
  protected:
    std::unique_ptr<farhost::Host> host;
    std::string Folder;                   // ...\Plugins\Lumivo\ (trailing backslash)
    std::string DllPath;                  // Folder + "Lumivo.dll"
    std::vector<std::string> ModulePaths; // copied modules, unloaded in TearDown

    void SetUp() override { Fresh(); }
    void TearDown() override { Release(); }

    // A new host, an empty registry and an empty plug-in folder.
    void Fresh() {
        Release();
        farhost::Host::ClearRegistry();
        SetEnvironmentVariableA(TEST_MODULE_LOG, nullptr);
        SetEnvironmentVariableA(TEST_GARBAGE_MODE, nullptr);
        SetEnvironmentVariableA(TEST_SHOWHELP_ANSWER, nullptr);
        SetEnvironmentVariableA(TEST_START_SETTING, nullptr);
        host.reset(new farhost::Host());
        Folder = host->MakeTempFolder("lmv") + "\\Plugins\\";
        CreateDirectoryA(Folder.c_str(), nullptr);
        Folder += "Lumivo\\";
        CreateDirectoryA(Folder.c_str(), nullptr);
        CreateDirectoryA((Folder + "lvx").c_str(), nullptr);
        DllPath = Folder + "Lumivo.dll";
    }

    // Modules stay loaded for the life of a real Far; a test process must let
    // them go so that the next test starts from fresh copies.
    void Release() {
        for (const std::string& path : ModulePaths)
            while (HMODULE module = GetModuleHandleA(path.c_str()))
                FreeLibrary(module);
        ModulePaths.clear();
        host.reset();
    }

    static std::string Built(const char* unixPath) { return farhost::Host::WindowsPath(unixPath); }

    // The plug-in as a user installs it; probe = the build with the extra export.
    void Install(bool probe = false, bool languageFiles = true) {
        ASSERT_TRUE(CopyFileA(Built(probe ? PROBE_DLL : LUMIVO_DLL).c_str(), DllPath.c_str(), FALSE));
        if (!languageFiles) return;
        for (const char* name : {"LumivoEng.lng", "LumivoRus.lng", "LumivoEng.hlf", "LumivoRus.hlf"})
            ASSERT_TRUE(CopyFileA((Built(LANG_DIR) + "\\" + name).c_str(), (Folder + name).c_str(), FALSE));
    }

    // Copies a test module into lvx\<subfolder>, optionally under another name.
    std::string AddModule(const std::string& name, const std::string& subfolder = "",
                          const std::string& as = "") {
        std::string dir = Folder + "lvx\\";
        if (!subfolder.empty()) {
            dir += subfolder + "\\";
            CreateDirectoryA(dir.c_str(), nullptr);
        }
        std::string path = dir + (as.empty() ? name + ".lvx" : as);
        EXPECT_TRUE(CopyFileA((Built(TEST_MODULES) + "\\" + name + ".lvx").c_str(), path.c_str(), FALSE))
            << name;
        ModulePaths.push_back(path);
        return path;
    }

    bool Load() { return host->LoadPlugin(DllPath); }

    const ProbeView* Probe() {
        HMODULE plugin = GetModuleHandleA(DllPath.c_str());
        PROBEVIEW view = plugin ? (PROBEVIEW)(void*)GetProcAddress(plugin, "ProbeView") : nullptr;
        return view ? view() : nullptr;
    }

    static const TestModuleRecord* RecordOf(const std::string& modulePath) {
        HMODULE module = GetModuleHandleA(modulePath.c_str());
        TESTMODULERECORDED recorded =
            module ? (TESTMODULERECORDED)(void*)GetProcAddress(module, "Recorded") : nullptr;
        return recorded ? recorded() : nullptr;
    }

    static std::string ModuleLog() {
        char log[4096] = "";
        GetEnvironmentVariableA(TEST_MODULE_LOG, log, sizeof log);
        return log;
    }

    void ExpectNoHostErrors() {
        for (const std::string& error : host->Errors())
            ADD_FAILURE() << "host: " << error;
    }
};
