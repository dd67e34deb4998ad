// Test fixture: a fresh plug-in folder with the test plug-in and its language and
// help files, a clean registry, and a way to run code inside the plug-in's exports.
#pragma once

#include "host.hpp"
#include "testplugin.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <string>

class HostTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    // Loads the plug-in from the folder and binds its test state.
    void Load();
    // Runs body inside OpenPlugin (from the given place), with the plug-in's copy
    // of PluginStartupInfo.
    void InPlugin(std::function<void(const PluginStartupInfo&)> body, int openFrom = OPEN_PLUGINSMENU);
    const PluginStartupInfo& Info() const { return state->Info; }
    int N() const { return state->Info.ModuleNumber; }
    std::string Dir(const std::string& name) const { return dir + "\\" + name; }

    farhost::Host host;
    std::string dir; // the plug-in folder
    TestPluginState* state = nullptr;
};

// Russian texts as the CP866 files hold them.
extern const char kRusTitle[]; // "Тест"
