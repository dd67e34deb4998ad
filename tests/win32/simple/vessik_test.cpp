// Vessik.lvx loaded as the host loads it and started with the stand-in host's
// services: its description and the ShowHelp call that the host records.
#include "helpmodule.hpp"
#include "host.hpp"

#include <gtest/gtest.h>

#include <string.h>

#include <memory>
#include <string>

namespace {

typedef const PluginStartupInfo*(WINAPI* CAPTUREDSTARTUPINFO)(void);

template <typename T> T Bind(HMODULE module, const char* name) {
    return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

class Vessik : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        host.reset(new farhost::Host());
        ASSERT_TRUE(host->LoadPlugin(farhost::Host::WindowsPath(CAPTURE_DLL)));
        auto captured =
            Bind<CAPTUREDSTARTUPINFO>(GetModuleHandleA("simple_capture.dll"), "CapturedStartupInfo");
        ASSERT_NE(nullptr, captured);

        module = LoadLibraryA(farhost::Host::WindowsPath(VESSIK_LVX).c_str());
        ASSERT_NE(nullptr, module);
        auto start = Bind<MODULESTART>(module, "Start");
        message = Bind<MODULEMESSAGE>(module, "Message");
        ASSERT_NE(nullptr, Bind<MODULEEXIT>(module, "Exit"));
        ASSERT_TRUE(start && message);
        ModuleStartupInfo moduleInfo;
        memset(&moduleInfo, 0, sizeof moduleInfo);
        moduleInfo.StructSize = sizeof moduleInfo;
        EXPECT_EQ(0, start(captured(), &moduleInfo));

        folder = host->MakeTempFolder("vsk");
        helpFile = folder + "\\AppEng.hlf";
        ASSERT_TRUE(farhost::Host::WriteFile(helpFile, ".Language=English,English\r\n"
                                                       "@Contents\r\n$ #App#\r\nStart here.\r\n"
                                                       "@Print\r\n$ #Printing#\r\nHow to print.\r\n"));
    }
    static void TearDownTestSuite() {
        if (module) FreeLibrary(module);
        host.reset();
    }
    void SetUp() override { host->ClearRecords(); }

    int Show(const std::string& file, const char* keyword) {
        HelpRequest request = {
            sizeof(HelpRequest), 0, HO_FIXEDKEYWORD, HC_CATALOGUEENTRY, file.c_str(), keyword, ""};
        HelpResult result;
        memset(&result, 0, sizeof result);
        result.StructSize = sizeof result;
        int answer = message(HM_SHOWHELP, &request, &result);
        EXPECT_STREQ("", result.ErrorText); // never written
        return answer;
    }

    static std::unique_ptr<farhost::Host> host;
    static HMODULE module;
    static MODULEMESSAGE message;
    static std::string folder, helpFile;
};
std::unique_ptr<farhost::Host> Vessik::host;
HMODULE Vessik::module;
MODULEMESSAGE Vessik::message;
std::string Vessik::folder, Vessik::helpFile;

TEST_F(Vessik, DescribesOneFarHelpTypeInTheSameRecordEveryTime) {
    HelpModuleInfo first, second;
    memset(&first, 0, sizeof first);
    first.StructSize = sizeof first;
    strcpy(first.Title, "kept");
    ASSERT_EQ(1, message(HM_DESCRIBE, nullptr, &first));
    ASSERT_EQ(1, first.TypesNumber);
    ASSERT_NE(nullptr, first.Types);
    EXPECT_EQ(0u, first.Flags);
    EXPECT_STREQ("kept", first.Title);
    EXPECT_EQ(392, first.Types->StructSize);
    EXPECT_EQ(static_cast<DWORD>(HO_FIXEDKEYWORD), first.Types->DefaultOptions);
    EXPECT_STREQ("Vessik", first.Types->Name);
    EXPECT_STREQ("*.hlf", first.Types->Masks);
    EXPECT_STREQ("", first.Types->Encoding);

    // A second description refills the same static record.
    memset(first.Types->Name, 'x', sizeof first.Types->Name);
    memset(&second, 0, sizeof second);
    second.StructSize = sizeof second;
    ASSERT_EQ(1, message(HM_DESCRIBE, nullptr, &second));
    EXPECT_EQ(first.Types, second.Types);
    EXPECT_STREQ("Vessik", second.Types->Name);
}

TEST_F(Vessik, ShowsTheFileAtTheKeywordThroughShowHelp) {
    EXPECT_EQ(1, Show(helpFile, "print"));
    ASSERT_EQ(1u, host->Helps().size());
    const farhost::HelpRecord& h = host->Helps()[0];
    EXPECT_EQ("ShowHelp", h.Origin);
    EXPECT_EQ(helpFile, h.ModuleName);
    EXPECT_EQ("print", h.Topic);
    EXPECT_EQ(0x40000002u, h.Flags);
    EXPECT_TRUE(h.Result);
    EXPECT_EQ("Print", h.ShownTopic);
}

TEST_F(Vessik, EmptyKeywordAndFailuresStillAnswerOne) {
    EXPECT_EQ(1, Show(helpFile, ""));
    ASSERT_EQ(1u, host->Helps().size());
    EXPECT_EQ("", host->Helps()[0].Topic);
    EXPECT_EQ(0x40000002u, host->Helps()[0].Flags);

    // Unknown topic: the viewer falls back to Contents; missing file: ShowHelp fails.
    EXPECT_EQ(1, Show(helpFile, "NoSuchTopic"));
    EXPECT_EQ(1, Show(folder + "\\missing.hlf", "Print"));
    ASSERT_EQ(3u, host->Helps().size());
    EXPECT_EQ("Contents", host->Helps()[1].ShownTopic);
    EXPECT_FALSE(host->Helps()[2].Result);
}

TEST_F(Vessik, OtherCodesAnswerZeroAndShowNothing) {
    HelpRequest request = {sizeof(HelpRequest), 0, 0, 0, helpFile.c_str(), "Print", ""};
    HelpResult result;
    for (int code : {0, 3, static_cast<int>(HM_CONFIGURE), 5, -1})
        EXPECT_EQ(0, message(code, &request, &result)) << code;
    EXPECT_TRUE(host->Helps().empty());
}

} // namespace
