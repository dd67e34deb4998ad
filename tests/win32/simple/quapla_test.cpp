// Quapla.lvx loaded as the host loads it: its description, the Windows Help call
// it makes, and the error text of a failing call. WinHelpA itself would start
// the help viewer (under Wine a separate program that needs a desktop), so the
// test replaces the module's import of it with a recorder: the module's own code
// runs unchanged and the call it makes is seen exactly.
#include "far.hpp"
#include "helpmodule.hpp"

#include "../common/patchimport.hpp"

#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

namespace {

std::string WindowsPath(std::string path) {
    for (char& c : path)
        if (c == '/') c = '\\';
    return path.size() > 1 && path[0] == '\\' ? "Z:" + path : path;
}

struct HelpCall {
    HWND Owner;
    std::string File;
    UINT Command;
    ULONG_PTR Data;
    std::string Keyword; // the text Data points to for HELP_KEY
};
std::vector<HelpCall> g_calls;
BOOL g_answer = TRUE;
DWORD g_error = 0;
std::string g_systemText; // when set, the system "has" this text for every error
DWORD g_askedError = 0;

BOOL WINAPI RecordWinHelp(HWND owner, LPCSTR file, UINT command, ULONG_PTR data) {
    g_calls.push_back({owner, file ? file : "", command, data,
                       command == HELP_KEY && data ? reinterpret_cast<const char*>(data) : ""});
    if (!g_answer) SetLastError(g_error);
    return g_answer;
}

DWORD WINAPI ScriptedFormatMessage(DWORD flags, LPCVOID source, DWORD error, DWORD language, LPSTR buffer,
                                   DWORD size, va_list* args) {
    g_askedError = error;
    if (g_systemText.empty()) return FormatMessageA(flags, source, error, language, buffer, size, args);
    if (flags != 0x1300 || language != 0x0400 || source || size || args) return 0;
    char* block = static_cast<char*>(LocalAlloc(LMEM_FIXED, g_systemText.size() + 1));
    memcpy(block, g_systemText.c_str(), g_systemText.size() + 1);
    *reinterpret_cast<char**>(buffer) = block;
    return static_cast<DWORD>(g_systemText.size());
}

// The system's own text for error, as the module is to cut it: at most
// min(n, 128) - 1 characters of the ANSI text ("" when there is none).
std::string SystemTextCut(DWORD error) {
    char* text = nullptr;
    DWORD n = FormatMessageA(0x1300, nullptr, error, 0x0400, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string cut = n && text ? std::string(text, (n > 128 ? 128 : n) - 1) : std::string();
    if (text) LocalFree(text);
    return cut;
}

std::string ToAnsi(const char* oem) {
    std::string ansi(strlen(oem) + 1, '\0');
    OemToCharA(oem, &ansi[0]);
    ansi.resize(strlen(oem));
    return ansi;
}

class Quapla : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        module = LoadLibraryA(WindowsPath(QUAPLA_LVX).c_str());
        ASSERT_NE(nullptr, module);
        start = reinterpret_cast<MODULESTART>(reinterpret_cast<void*>(GetProcAddress(module, "Start")));
        message = reinterpret_cast<MODULEMESSAGE>(reinterpret_cast<void*>(GetProcAddress(module, "Message")));
        ASSERT_NE(nullptr, GetProcAddress(module, "Exit"));
        ASSERT_TRUE(start && message);
        ASSERT_TRUE(PatchImport(module, "USER32.dll", "WinHelpA", reinterpret_cast<void*>(RecordWinHelp)));
        ASSERT_TRUE(PatchImport(module, "KERNEL32.dll", "FormatMessageA",
                                reinterpret_cast<void*>(ScriptedFormatMessage)));
        PluginStartupInfo info;
        memset(&info, 0, sizeof info);
        ModuleStartupInfo moduleInfo;
        memset(&moduleInfo, 0, sizeof moduleInfo);
        EXPECT_EQ(0, start(&info, &moduleInfo));
    }
    void SetUp() override {
        g_calls.clear();
        g_answer = TRUE;
        g_error = 0;
    }

    // Sends HM_SHOWHELP as the host does: a zero-filled result with its size set.
    int Show(const char* file, const char* keyword, HelpResult* result) {
        HelpRequest request = {sizeof(HelpRequest), 0, 0, HC_CATALOGUEENTRY, file, keyword, "WIN"};
        memset(result, 0, sizeof *result);
        result->StructSize = sizeof *result;
        return message(HM_SHOWHELP, &request, result);
    }

    static HMODULE module;
    static MODULESTART start;
    static MODULEMESSAGE message;
};
HMODULE Quapla::module;
MODULESTART Quapla::start;
MODULEMESSAGE Quapla::message;

TEST_F(Quapla, DescribesOneWindowsHelpType) {
    HelpModuleInfo info;
    memset(&info, 0, sizeof info);
    info.StructSize = sizeof info;
    strcpy(info.Title, "kept");
    ASSERT_EQ(1, message(HM_DESCRIBE, nullptr, &info));
    ASSERT_EQ(1, info.TypesNumber);
    ASSERT_NE(nullptr, info.Types);
    EXPECT_EQ(0u, info.Flags);
    EXPECT_STREQ("kept", info.Title);
    EXPECT_EQ(392, info.Types->StructSize);
    EXPECT_EQ(0u, info.Types->DefaultOptions);
    EXPECT_STREQ("Quapla", info.Types->Name);
    EXPECT_STREQ("*.hlp", info.Types->Masks);
    EXPECT_STREQ("WIN", info.Types->Encoding);
    EXPECT_TRUE(g_calls.empty());
}

TEST_F(Quapla, KeywordSearchOrContentsWindow) {
    HelpResult result;
    EXPECT_EQ(1, Show("C:\\help\\app.hlp", "Print", &result));
    ASSERT_EQ(1u, g_calls.size());
    EXPECT_EQ(GetDesktopWindow(), g_calls[0].Owner);
    EXPECT_EQ("C:\\help\\app.hlp", g_calls[0].File);
    EXPECT_EQ(0x0101u, g_calls[0].Command); // HELP_KEY
    EXPECT_EQ("Print", g_calls[0].Keyword);
    EXPECT_STREQ("", result.ErrorText);

    g_answer = 7; // any non-zero answer is handed back as it is
    EXPECT_EQ(7, Show("C:\\help\\app.hlp", "", &result));
    ASSERT_EQ(2u, g_calls.size());
    EXPECT_EQ(0x000Bu, g_calls[1].Command); // HELP_FINDER
    EXPECT_EQ(0u, g_calls[1].Data);
}

TEST_F(Quapla, FailureGivesTheSystemTextCutAndInOem) {
    g_answer = FALSE;
    g_error = ERROR_FILE_NOT_FOUND;
    HelpResult result;
    EXPECT_EQ(0, Show("C:\\missing.hlp", "x", &result));
    std::string expected = SystemTextCut(ERROR_FILE_NOT_FOUND);
    ASSERT_FALSE(expected.empty()) << "no system text for ERROR_FILE_NOT_FOUND";
    EXPECT_EQ(expected, ToAnsi(result.ErrorText));
    EXPECT_NE('\n', result.ErrorText[strlen(result.ErrorText) - 1]); // the last character is left out
    char oem[128];
    CharToOemA(expected.c_str(), oem);
    EXPECT_STREQ(oem, result.ErrorText);
}

// Wine's system texts are all short, so the cut of a long one is shown with
// texts that a replaced FormatMessageA hands over (in a LocalAlloc block, which
// the module frees as it frees the system's).
TEST_F(Quapla, CutLeavesOutTheLastCharacterAndStopsAt127) {
    g_answer = FALSE;
    g_error = ERROR_ACCESS_DENIED;
    struct Case {
        size_t length, expected;
    } cases[] = {{130, 127}, {128, 127}, {127, 126}, {20, 19}, {1, 0}};
    for (const Case& c : cases) {
        g_systemText.clear();
        for (size_t i = 0; i < c.length; ++i)
            g_systemText += static_cast<char>('a' + i % 26);
        HelpResult result;
        EXPECT_EQ(0, Show("C:\\x.hlp", "", &result));
        EXPECT_EQ(g_systemText.substr(0, c.expected), result.ErrorText) << c.length;
        EXPECT_EQ(ERROR_ACCESS_DENIED, g_askedError);
    }
    g_systemText.clear();
}

// Wine's English texts are plain ASCII, where OEM and ANSI agree; a text with
// letters above 127 shows that the cut text really reaches the host in OEM.
TEST_F(Quapla, ErrorTextWithAccentedLettersArrivesInOem) {
    g_answer = FALSE;
    g_error = ERROR_FILE_NOT_FOUND;
    g_systemText = "Fichier d\xe9j\xe0 introuvable \xc9t\xe9\r\n";
    HelpResult result;
    EXPECT_EQ(0, Show("C:\\x.hlp", "k", &result));
    std::string cut = g_systemText.substr(0, g_systemText.size() - 1);
    char oem[128];
    CharToOemA(cut.c_str(), oem);
    ASSERT_NE(cut, std::string(oem)) << "the code pages agree on these letters";
    EXPECT_STREQ(oem, result.ErrorText);
    g_systemText.clear();
}

TEST_F(Quapla, NoSystemTextLeavesTheErrorEmpty) {
    g_answer = FALSE;
    g_error = 0x2000ABCD; // application-defined: the system has no text for it
    HelpResult result;
    EXPECT_EQ(0, Show("C:\\x.hlp", "k", &result));
    EXPECT_STREQ("", result.ErrorText);
}

TEST_F(Quapla, OtherCodesAnswerZeroAndTouchNothing) {
    HelpResult result;
    memset(&result, 0x5A, sizeof result);
    for (int code : {0, 3, static_cast<int>(HM_CONFIGURE), 5, -1})
        EXPECT_EQ(0, message(code, nullptr, &result)) << code;
    EXPECT_EQ(0x5A, static_cast<unsigned char>(result.ErrorText[0]));
    EXPECT_TRUE(g_calls.empty());
}

} // namespace
