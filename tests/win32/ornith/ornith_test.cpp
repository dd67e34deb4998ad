// Ornith.lvx installed as a user installs it and started by the real host plug-in under the
// stand-in host: its description, its settings dialog, and requests that start and reuse a real
// helper process (rundll32.exe on RundllEntry). The helper loads the test's stand-in control in
// place of HHCTRL.OCX (see StandInControl), which records each call of its help function into a
// file, so that what crossed the process boundary is seen exactly as the helper passed it on.
#include "../common/modulefixture.hpp"
#include "../common/patchimport.hpp"

#include <stdlib.h>

namespace {

using farhost::DialogAnswer;

// The way Wine lets a program's DLL be replaced: the stand-in is copied into the prefix's system
// folder as hhctrl.ocx (Wine's own file put aside), and a DLL override for rundll32.exe alone
// (HKCU\Software\Wine\AppDefaults) makes Wine's loader take that native file instead of its
// built-in control in the helper process. The module is the shipped one, unchanged; the test's
// own process never loads the control. Everything is put back when the tests end.
class StandInControl : public ::testing::Environment {
  public:
    static std::string SystemFile(const char* name) {
        char folder[MAX_PATH];
        UINT n = GetSystemDirectoryA(folder, sizeof folder);
        return std::string(folder, n < sizeof folder ? n : 0) + "\\" + name;
    }
    // What the helpers started from now on load: the stand-in ("native"), or nothing at all ("").
    static void Override(const char* order) {
        ASSERT_TRUE(farhost::Host::RegSetString(OverrideKey, "hhctrl.ocx", order));
    }

    void SetUp() override {
        std::string control = SystemFile("hhctrl.ocx"), saved = SystemFile("hhctrl.ocx.wine");
        // A run that stopped half-way left Wine's file aside already.
        if (GetFileAttributesA(saved.c_str()) == INVALID_FILE_ATTRIBUTES) {
            ASSERT_TRUE(MoveFileA(control.c_str(), saved.c_str())) << control;
        }
        ASSERT_TRUE(CopyFileA(BuiltPath(STANDIN_DLL).c_str(), control.c_str(), FALSE)) << control;
        Override("native");
    }

    void TearDown() override {
        farhost::Host::RegRemoveKey("Software\\Wine\\AppDefaults\\rundll32.exe");
        EXPECT_TRUE(MoveFileExA(SystemFile("hhctrl.ocx.wine").c_str(), SystemFile("hhctrl.ocx").c_str(),
                                MOVEFILE_REPLACE_EXISTING));
    }

  private:
    static const char OverrideKey[];
};

const char StandInControl::OverrideKey[] = "Software\\Wine\\AppDefaults\\rundll32.exe\\DllOverrides";
::testing::Environment* const Control = ::testing::AddGlobalTestEnvironment(new StandInControl);

void InstallHelpFiles(const std::string& folder) {
    farhost::Host::WriteFile(folder + "\\guide.chm", "not read by the stand-in control");
}

const ModuleTraits& OrnithModule() {
    static const ModuleTraits traits = {"Ornith", ORNITH_LVX, LANG_DIR, "help", "orn", InstallHelpFiles};
    return traits;
}

// The test build with the short time limit, installed under the same name.
const ModuleTraits& QuickOrnithModule() {
    static const ModuleTraits traits = {"Ornith", QUICK_ORNITH_LVX, LANG_DIR, "help",
                                        "orq",    InstallHelpFiles};
    return traits;
}

// One call of the control's help function, as the stand-in wrote it down.
struct ControlCall {
    DWORD ProcessId = 0;
    std::string CallerClass;
    unsigned Command = 0;
    std::string File, Keyword;
    int IndexOnFail = -1; // -1: not a keyword lookup
    unsigned long Data = 0;
    HWND Topic = nullptr;
};

BOOL WINAPI RefuseToStart(LPCSTR, LPSTR, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID,
                          LPCSTR, LPSTARTUPINFOA, LPPROCESS_INFORMATION) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
}

// Starts a process that ends at once without setting the event, as a broken helper would.
BOOL WINAPI StartSomethingThatEnds(LPCSTR, LPSTR, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL,
                                   DWORD flags, LPVOID environment, LPCSTR folder, LPSTARTUPINFOA startup,
                                   LPPROCESS_INFORMATION process) {
    char command[] = "cmd.exe /c exit 3";
    return CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, flags, environment, folder, startup,
                          process);
}

// How much longer than its time limit a request that gives up may take: ending the helper and the
// round trips around it. Under user-mode emulation (tools/i386emu) Wine runs several times slower.
DWORD GiveUpMargin() {
    char mode[16] = "";
    GetEnvironmentVariableA("LUMIVO_I386EMU_ACTIVE", mode, sizeof mode);
    return strcmp(mode, "emulated") == 0 ? 30000 : 6000;
}

bool ProcessEnds(DWORD id, DWORD milliseconds = 15000) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
    if (!process) return true;
    bool ended = WaitForSingleObject(process, milliseconds) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
}

bool HelperEventExists() {
    HANDLE event = OpenEventA(SYNCHRONIZE, FALSE, "OrnithWEvent");
    if (event) CloseHandle(event);
    return event != nullptr;
}

class OrnithFixture : public ModuleFixture {
  protected:
    std::string Log;

    explicit OrnithFixture(const ModuleTraits& traits) : ModuleFixture(traits) {}

    void SetUp() override {
        ModuleFixture::SetUp();
        ASSERT_FALSE(HelperEventExists()) << "a helper of an earlier run is still alive";
        Log = DataFolder + "\\calls.log";
        StandInControl::Override("native");
        SetEnvironmentVariableA("ORNITH_STANDIN_LOG", Log.c_str());
        Load();
    }

    void TearDown() override {
        // Exit ends a helper still showing a topic window; every helper must be gone before the
        // next test's copy of the module meets its event.
        Exit();
        for (const ControlCall& call : Calls())
            EXPECT_TRUE(ProcessEnds(call.ProcessId)) << "helper " << call.ProcessId << " still runs";
        EXPECT_FALSE(HelperEventExists());
        SetEnvironmentVariableA("ORNITH_STANDIN_LOG", nullptr);
        ModuleFixture::TearDown();
    }

    std::vector<ControlCall> Calls() const {
        std::string bytes;
        std::vector<ControlCall> calls;
        if (!farhost::Host::ReadFile(Log, &bytes)) return calls;
        size_t start = 0;
        while (start < bytes.size()) {
            size_t end = bytes.find('\n', start);
            if (end == std::string::npos) break;
            std::vector<std::string> fields;
            std::string line = bytes.substr(start, end - start) + "\t";
            for (size_t at = 0, tab; (tab = line.find('\t', at)) != std::string::npos; at = tab + 1)
                fields.push_back(line.substr(at, tab - at));
            start = end + 1;
            if (fields.size() != 8) {
                ADD_FAILURE() << "bad log line: " << line;
                continue;
            }
            ControlCall call;
            call.ProcessId = strtoul(fields[0].c_str(), nullptr, 10);
            call.CallerClass = fields[1];
            call.Command = strtoul(fields[2].c_str(), nullptr, 10);
            call.File = fields[3];
            call.Keyword = fields[4];
            call.IndexOnFail = atoi(fields[5].c_str());
            call.Data = strtoul(fields[6].c_str(), nullptr, 10);
            call.Topic = (HWND)(ULONG_PTR)strtoul(fields[7].c_str(), nullptr, 10);
            calls.push_back(call);
        }
        return calls;
    }

    void Exit() {
        auto exitModule = Module ? (MODULEEXIT)(void*)GetProcAddress(Module, "Exit") : nullptr;
        if (exitModule) exitModule();
    }

    // The helper `ended` is gone with its event, and a request now starts a new helper.
    void ExpectFreshHelperAfter(DWORD ended) {
        EXPECT_TRUE(ProcessEnds(ended));
        EXPECT_FALSE(HelperEventExists());
        EXPECT_EQ(1, Show(Guide(), "again").Result);
        std::vector<ControlCall> calls = Calls();
        ASSERT_FALSE(calls.empty());
        EXPECT_NE(ended, calls.back().ProcessId);
        EXPECT_EQ("again", calls.back().Keyword);
    }

    Answer Show(const std::string& file, const std::string& keyword) {
        return ShowFile(keyword, file, "WIN");
    }
    std::string Guide() const { return DataFolder + "\\guide.chm"; }
    std::string Text(int n) const { return LanguageLine(host->Language(), n); }

    static int SelectedRow(const farhost::DialogItemRecord& item) {
        for (size_t i = 0; i < item.ListFlags.size(); i++)
            if (item.ListFlags[i] & LIF_SELECTED) return (int)i;
        return -1;
    }
    // The row the settings dialog shows selected, left with Esc.
    int ShownSetting() {
        host->QueueDialog(DialogAnswer().Esc());
        EXPECT_EQ(1, Message(HM_CONFIGURE, nullptr, nullptr));
        return host->Dialogs().empty() ? -1 : SelectedRow(host->Dialogs().back().Before[2]);
    }
};

class Ornith : public OrnithFixture {
  protected:
    Ornith() : OrnithFixture(OrnithModule()) {}
};

class QuickOrnith : public OrnithFixture {
  protected:
    QuickOrnith() : OrnithFixture(QuickOrnithModule()) {}
};

TEST_F(Ornith, DescribesOneConfigurableHtmlHelpType) {
    HelpModuleInfo info;
    memset(&info, 0, sizeof info);
    info.StructSize = sizeof info;
    ASSERT_EQ(1, Message(HM_DESCRIBE, nullptr, &info));
    EXPECT_EQ((DWORD)HMF_CONFIGURABLE, info.Flags);
    ASSERT_EQ(1, info.TypesNumber);
    ASSERT_NE(nullptr, info.Types);
    EXPECT_EQ(392, info.Types->StructSize);
    EXPECT_EQ(0u, info.Types->DefaultOptions);
    EXPECT_STREQ("Ornith", info.Types->Name);
    EXPECT_STREQ("*.chm,*.col,*.its,msdn", info.Types->Masks);
    EXPECT_STREQ("WIN", info.Types->Encoding);
    EXPECT_EQ(Text(0), info.Title);
    EXPECT_FALSE(Text(0).empty());
    host->SetLanguage("Russian"); // FARLANG picks the section at every call
    ASSERT_EQ(1, Message(HM_DESCRIBE, nullptr, &info));
    EXPECT_EQ(LanguageLine("Russian", 0), info.Title);
    EXPECT_NE(Text(0), LanguageLine("English", 0));
    EXPECT_FALSE(LanguageLine("Russian", 7).empty());
    EXPECT_TRUE(LanguageLine("Russian", 8).empty());
    EXPECT_TRUE(LanguageLine("English", 8).empty());
    for (int code : {0, 3, 5})
        EXPECT_EQ(0, Message(code, nullptr, &info)) << code;
    EXPECT_TRUE(Calls().empty());
}

TEST_F(Ornith, SettingsDialogEscAndCancelWriteNothing) {
    host->QueueDialog(DialogAnswer().Choose(2, 1).Esc());
    EXPECT_EQ(1, Message(HM_CONFIGURE, nullptr, nullptr));
    host->QueueDialog(DialogAnswer().Choose(2, 2).Button(5));
    EXPECT_EQ(1, Message(HM_CONFIGURE, nullptr, nullptr));
    EXPECT_EQ("(missing)", Stored("HowShowWindow"));
    EXPECT_EQ(0, ShownSetting()); // nothing changed in memory either

    const farhost::DialogRecord& d = host->Dialogs()[0];
    EXPECT_FALSE(d.Ex);
    EXPECT_EQ(-1, d.X1);
    EXPECT_EQ(-1, d.Y1);
    EXPECT_EQ(54, d.X2);
    EXPECT_EQ(8, d.Y2);
    EXPECT_EQ("", d.HelpTopic);
    struct Item {
        int Type, X1, Y1, X2, Y2;
        unsigned Flags;
        int Message;
    };
    const Item items[] = {
        {DI_DOUBLEBOX, 3, 1, 50, 6, 0, 0},
        {DI_TEXT, 5, 2, 0, 0, 0, 1},
        {DI_COMBOBOX, 5, 3, 47, 0, DIF_DROPDOWNLIST, -1},
        {DI_TEXT, 4, 4, 0, 0, DIF_SEPARATOR, -1},
        {DI_BUTTON, 0, 5, 0, 0, DIF_CENTERGROUP, 6},
        {DI_BUTTON, 0, 5, 0, 0, DIF_CENTERGROUP, 7},
    };
    ASSERT_EQ(6u, d.Before.size());
    for (int i = 0; i < 6; i++) {
        SCOPED_TRACE("item " + std::to_string(i));
        const farhost::DialogItemRecord& r = d.Before[i];
        EXPECT_EQ(items[i].Type, r.Type);
        EXPECT_EQ(items[i].X1, r.X1);
        EXPECT_EQ(items[i].Y1, r.Y1);
        EXPECT_EQ(items[i].X2, r.X2);
        EXPECT_EQ(items[i].Y2, r.Y2);
        EXPECT_EQ(items[i].Flags, r.Flags);
        EXPECT_EQ(i == 2 ? 1 : 0, r.Focus);
        EXPECT_EQ(i == 4 ? 1 : 0, r.DefaultButton);
        if (items[i].Message >= 0) {
            EXPECT_EQ(Text(items[i].Message), r.Data);
        }
    }
    EXPECT_EQ((std::vector<std::string>{Text(2), Text(3), Text(4)}), d.Before[2].List);
    EXPECT_EQ(0, SelectedRow(d.Before[2]));
}

TEST_F(Ornith, SettingsDialogOkWritesAndTakesEffect) {
    host->QueueDialog(DialogAnswer().Choose(2, 1).Button(4));
    EXPECT_EQ(1, Message(HM_CONFIGURE, nullptr, nullptr));
    EXPECT_EQ("1", Stored("HowShowWindow"));
    EXPECT_EQ(1, ShownSetting());
    // Enter in the focused list accepts through the default button.
    host->QueueDialog(DialogAnswer().Choose(2, 2).Enter());
    EXPECT_EQ(1, Message(HM_CONFIGURE, nullptr, nullptr));
    EXPECT_EQ("2", Stored("HowShowWindow"));
    Fresh(true);
    Load();
    EXPECT_EQ(2, ShownSetting());
}

TEST_F(Ornith, StoredSettingIsReducedModuloThree) {
    const struct {
        const char* Stored;
        int Row;
    } cases[] = {{"5", 2}, {"-1", 0}, {"0x4", 1}, {"010", 2}, {"junk", 0}, {"12345678901", 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Stored);
        Fresh();
        ASSERT_TRUE(farhost::Host::RegSetString(Key, "HowShowWindow", c.Stored));
        Load();
        EXPECT_EQ(c.Row, ShownSetting());
    }
}

TEST_F(Ornith, RequestReachesTheHelperIntactAndIsReused) {
    const std::string keyword = "Print Preview \xe9\xff";
    Answer first = Show(Guide(), keyword);
    EXPECT_EQ(1, first.Result);
    EXPECT_EQ("", first.ErrorText);
    Answer second = Show(Guide(), "");
    EXPECT_EQ(1, second.Result);
    std::vector<ControlCall> calls = Calls();
    ASSERT_EQ(2u, calls.size());
    EXPECT_NE(GetCurrentProcessId(), calls[0].ProcessId);
    EXPECT_EQ(calls[0].ProcessId, calls[1].ProcessId); // no second helper
    EXPECT_EQ("OrnithWClass", calls[0].CallerClass);
    EXPECT_EQ(0x0Du, calls[0].Command);
    EXPECT_EQ(Guide(), calls[0].File);
    EXPECT_EQ(keyword, calls[0].Keyword);
    EXPECT_EQ(1, calls[0].IndexOnFail);
    EXPECT_EQ(0u, calls[1].Command); // an empty keyword opens the default topic
    EXPECT_EQ(0ul, calls[1].Data);
    EXPECT_EQ(Guide(), calls[1].File);
    ASSERT_NE(nullptr, calls[0].Topic);
    EXPECT_EQ(calls[0].Topic, calls[1].Topic);

    // The reused window was counted once: closing it ends the helper, and the next request
    // starts a new one.
    ASSERT_TRUE(PostMessageA(calls[0].Topic, WM_CLOSE, 0, 0));
    ExpectFreshHelperAfter(calls[0].ProcessId);
}

// The show mode travels in the request block: the topic window is shown, maximized or not as the
// setting says, and a changed setting reaches the reused window at once.
TEST_F(Ornith, SettingChoosesHowTheTopicWindowIsShown) {
    host->QueueDialog(DialogAnswer().Choose(2, 1).Button(4));
    EXPECT_EQ(1, Message(HM_CONFIGURE, nullptr, nullptr));
    EXPECT_EQ(1, Show(Guide(), "first").Result);
    std::vector<ControlCall> calls = Calls();
    ASSERT_EQ(1u, calls.size());
    LONG style = GetWindowLongA(calls[0].Topic, GWL_STYLE);
    EXPECT_TRUE(style & WS_VISIBLE);
    EXPECT_TRUE(style & WS_MAXIMIZE);

    host->QueueDialog(DialogAnswer().Choose(2, 0).Button(4));
    EXPECT_EQ(1, Message(HM_CONFIGURE, nullptr, nullptr));
    EXPECT_EQ(1, Show(Guide(), "second").Result);
    style = GetWindowLongA(calls[0].Topic, GWL_STYLE);
    EXPECT_TRUE(style & WS_VISIBLE);
    EXPECT_FALSE(style & WS_MAXIMIZE);
}

TEST_F(Ornith, FailureTextComesFromTheControlInOem) {
    Answer answer = Show(DataFolder + "\\missing.chm", "x");
    EXPECT_EQ(0, answer.Result);
    const wchar_t* description = L"The file cannot be opened: r\u00e9sum\u00e9";
    char ansi[128], oem[128];
    WideCharToMultiByte(CP_ACP, 0, description, -1, ansi, sizeof ansi, nullptr, nullptr);
    CharToOemA(ansi, oem);
    EXPECT_EQ(std::string(oem), answer.ErrorText);
    // A helper that never showed a window ends after a failed request.
    std::vector<ControlCall> calls = Calls();
    ASSERT_EQ(1u, calls.size());
    EXPECT_TRUE(ProcessEnds(calls[0].ProcessId));

    // A long description is cut to what ErrorText holds.
    answer = Show(DataFolder + "\\missinglong.chm", "x");
    EXPECT_EQ(0, answer.Result);
    std::string letters;
    for (int i = 0; i < 127; i++)
        letters += (char)('a' + i % 26);
    EXPECT_EQ(letters, answer.ErrorText);

    // Without a description the module's own text stands.
    answer = Show(DataFolder + "\\silent.chm", "x");
    EXPECT_EQ(0, answer.Result);
    EXPECT_EQ(Text(5), answer.ErrorText);
    EXPECT_FALSE(Text(5).empty());
}

TEST_F(Ornith, KeywordNotFoundWithSuccessCodeCountsAsDone) {
    EXPECT_EQ(1, Show(Guide(), "nowhere").Result);
    std::vector<ControlCall> calls = Calls();
    ASSERT_EQ(1u, calls.size());
    EXPECT_TRUE(ProcessEnds(calls[0].ProcessId)); // nothing on the screen: the helper ends
}

TEST_F(Ornith, FailsWithoutCollectionKeyOrControl) {
    Answer answer = Show("msdn", "x");
    EXPECT_EQ(0, answer.Result);
    EXPECT_EQ(Text(5), answer.ErrorText);
    EXPECT_TRUE(Calls().empty());
    // A control that cannot be loaded: every request fails, and the helper ends after it.
    StandInControl::Override(""); // Wine's way of saying the library is not there
    answer = Show(Guide(), "x");
    EXPECT_EQ(0, answer.Result);
    EXPECT_EQ(Text(5), answer.ErrorText);
    for (int i = 0; i < 100 && HelperEventExists(); i++)
        Sleep(50);
    EXPECT_FALSE(HelperEventExists());
}

TEST_F(Ornith, FailureTextWhenTheHelperCannotStart) {
    ASSERT_TRUE(PatchImport(Module, "KERNEL32.dll", "CreateProcessA", (void*)RefuseToStart));
    Answer answer = Show(Guide(), "x");
    EXPECT_EQ(0, answer.Result);
    EXPECT_EQ(Text(5), answer.ErrorText);
    EXPECT_FALSE(HelperEventExists()); // the next request tries again

    // A process that ends before it sets the event does not leave Far waiting.
    ASSERT_TRUE(PatchImport(Module, "KERNEL32.dll", "CreateProcessA", (void*)StartSomethingThatEnds));
    DWORD before = GetTickCount();
    answer = Show(Guide(), "x");
    EXPECT_EQ(0, answer.Result);
    EXPECT_EQ(Text(5), answer.ErrorText);
    EXPECT_LT(GetTickCount() - before, 20000u);
    EXPECT_FALSE(HelperEventExists());
    EXPECT_TRUE(Calls().empty());
}

// The helper is the system's rundll32.exe, never one that lies in the folder of the program that
// loaded the module (Far's own folder, where anybody who can write there could put one).
TEST_F(Ornith, TheHelperIsTheSystemsRundll32) {
    char program[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, program, sizeof program);
    ASSERT_TRUE(n > 0 && n < sizeof program);
    std::string planted = std::string(program, n);
    planted = planted.substr(0, planted.rfind('\\') + 1) + "rundll32.exe";
    // Any program that is not rundll32 will do: this one ends at once on arguments it does not know.
    ASSERT_TRUE(CopyFileA(BuiltPath(FARHOST_EXE).c_str(), planted.c_str(), FALSE));
    Answer answer = Show(Guide(), "planted");
    DeleteFileA(planted.c_str());
    EXPECT_EQ(1, answer.Result);
    std::vector<ControlCall> calls = Calls();
    ASSERT_EQ(1u, calls.size());
    EXPECT_EQ("planted", calls[0].Keyword);
}

// A helper whose control never answers does not hold Far: after the time limit the request fails
// with message 5, the stuck helper is ended, and the next request starts a fresh one.
TEST_F(QuickOrnith, HelperThatNeverAnswersIsGivenUpOn) {
    EXPECT_EQ(1, Show(Guide(), "first").Result);
    DWORD before = GetTickCount();
    Answer answer = Show(DataFolder + "\\hang.chm", "x");
    DWORD waited = GetTickCount() - before;
    EXPECT_EQ(0, answer.Result);
    EXPECT_EQ(Text(5), answer.ErrorText);
    EXPECT_GE(waited + 100, (DWORD)QUICK_TIME_LIMIT); // GetTickCount's steps
    EXPECT_LT(waited, (DWORD)QUICK_TIME_LIMIT + GiveUpMargin());
    std::vector<ControlCall> calls = Calls();
    ASSERT_EQ(2u, calls.size());
    EXPECT_EQ(calls[0].ProcessId, calls[1].ProcessId); // the hang was in the running helper
    EXPECT_TRUE(ProcessEnds(calls[1].ProcessId, 0));   // ended before the request returned
    ExpectFreshHelperAfter(calls[1].ProcessId);
}

// Exit does not wait for ever either: a helper that does not take its WM_CLOSE is ended.
TEST_F(QuickOrnith, ExitEndsAHelperThatDoesNotAnswer) {
    EXPECT_EQ(1, Show(Guide(), "first").Result);
    std::vector<ControlCall> calls = Calls();
    ASSERT_EQ(1u, calls.size());
    HANDLE thread =
        OpenThread(THREAD_SUSPEND_RESUME, FALSE, GetWindowThreadProcessId(calls[0].Topic, nullptr));
    ASSERT_NE(nullptr, thread);
    ASSERT_NE((DWORD)-1, SuspendThread(thread)); // the helper's one thread: it answers nothing now
    DWORD before = GetTickCount();
    Exit();
    EXPECT_LT(GetTickCount() - before, (DWORD)QUICK_TIME_LIMIT + GiveUpMargin());
    EXPECT_TRUE(ProcessEnds(calls[0].ProcessId, 0));
    CloseHandle(thread);
}

// The shipped library reads nothing from the environment: no variable can make its helper load
// another library in place of the HTML Help control.
TEST(OrnithPackage, ShippedModuleHasNoTestSeam) {
    std::string bytes;
    ASSERT_TRUE(farhost::Host::ReadFile(BuiltPath(ORNITH_LVX), &bytes));
    ASSERT_GT(bytes.size(), 4096u);
    for (const char* trace : {"LUMIVO_ORNITH", "ORNITH_CONTROL", "ORNITH_STANDIN", "GetEnvironmentVariable",
                              "ExpandEnvironmentStrings", "getenv"})
        EXPECT_EQ(std::string::npos, bytes.find(trace)) << trace;
    // The test build differs only in its time limit, and reads no more than the shipped one.
    ASSERT_TRUE(farhost::Host::ReadFile(BuiltPath(QUICK_ORNITH_LVX), &bytes));
    EXPECT_EQ(std::string::npos, bytes.find("GetEnvironmentVariable"));
}

} // namespace
