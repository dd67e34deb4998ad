// The fixture's plug-in folder: the test DLL, English and Russian .lng and .hlf
// files named so that only their .Language lines tell them apart.
#include "fixture.hpp"

const char kRusTitle[] = "\x92\xA5\xE1\xE2";

namespace {
std::function<void(const PluginStartupInfo&)> g_body;
HANDLE WINAPI RunBody(int, int) {
    TestPluginState* s = ((TESTSTATE)(void*)GetProcAddress(GetModuleHandleA("Test.dll"), "TestState"))();
    if (g_body) g_body(s->Info);
    return INVALID_HANDLE_VALUE;
}
} // namespace

void HostTest::SetUp() {
    farhost::Host::ClearRegistry();
    dir = host.MakeTempFolder("fht");
    ASSERT_FALSE(dir.empty());
    ASSERT_TRUE(
        CopyFileA(farhost::Host::WindowsPath(TESTPLUGIN_DLL).c_str(), Dir("Test.dll").c_str(), FALSE));
    // File names deliberately say nothing about the language.
    ASSERT_TRUE(farhost::Host::WriteFile(Dir("b.lng"), ".Language=English,English\r\n"
                                                       "// messages\r\n"
                                                       "\"Test plug-in\"\r\n"
                                                       "\"&Message\"\r\n"
                                                       "\"&Dialog\"\r\n"
                                                       "\"&Help\"\r\n"
                                                       "\"Hello from the test plug-in\"\r\n"
                                                       "\"Option\"\r\n"
                                                       "\"OK\"\r\n"));
    ASSERT_TRUE(farhost::Host::WriteFile(
        Dir("a.lng"), std::string(".Language=Russian,Russian\r\n\"") + kRusTitle +
                          "\"\r\n\"&M\"\r\n\"&D\"\r\n\"&H\"\r\n\"R4\"\r\n\"R5\"\r\n\"R6\"\r\n"));
    ASSERT_TRUE(farhost::Host::WriteFile(Dir("TestEng.hlf"), ".Language=English,English\r\n"
                                                             ".PluginContents=Test plug-in\r\n"
                                                             "@Contents\r\n"
                                                             "$ #Test plug-in#\r\n"
                                                             " See ~usage~@Usage@.\r\n"
                                                             "@Usage\r\n"
                                                             "$ #Usage#\r\n"
                                                             " Press Enter.\r\n"));
    ASSERT_TRUE(farhost::Host::WriteFile(Dir("TestRus.hlf"), ".Language=Russian,Russian\r\n"
                                                             "@Contents\r\n"
                                                             " Rus contents\r\n"));
}

void HostTest::TearDown() {
    if (state) state->OnOpen = nullptr, state->OnConfigure = nullptr, state->OnEvent = nullptr;
    g_body = nullptr;
}

void HostTest::Load() {
    ASSERT_TRUE(host.LoadPlugin(Dir("Test.dll")));
    HMODULE m = GetModuleHandleA(Dir("Test.dll").c_str());
    ASSERT_NE(m, nullptr);
    state = ((TESTSTATE)(void*)GetProcAddress(m, "TestState"))();
    ASSERT_NE(state, nullptr);
}

void HostTest::InPlugin(std::function<void(const PluginStartupInfo&)> body, int openFrom) {
    if (!state) Load();
    g_body = body;
    state->OnOpen = &RunBody;
    host.OpenPlugin(openFrom, 0);
    state->OnOpen = nullptr;
    g_body = nullptr;
}
