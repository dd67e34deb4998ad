// The editor's line as a request sees it: the keyword from a selection or the
// word nearest the cursor (converted from the editor's code page), and the
// shell's "open" on the text around the cursor. ShellExecuteA would start a
// program, so the test points the plug-in's own import of it at a recorder:
// the plug-in's code runs unchanged and the call it makes is seen exactly.
#include "flow.hpp"

using farhost::DialogAnswer;
using farhost::EditorSetup;
using farhost::Host;
using flow::StoreEntry;
using flow::Value;

namespace {

struct ShellCall {
    HWND Owner;
    std::string Verb, File;
    bool Parameters, Directory; // non-null
    INT Show;
};
std::vector<ShellCall> g_shellCalls;

HINSTANCE WINAPI RecordShellExecute(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                                    INT show) {
    g_shellCalls.push_back({owner, verb ? verb : "(null)", file ? file : "(null)", parameters != nullptr,
                            directory != nullptr, show});
    return (HINSTANCE)33;
}

// Points module's import of dll!function at replacement; false when the module
// does not import it by name.
bool PatchImport(HMODULE module, const char* dll, const char* function, void* replacement) {
    BYTE* base = (BYTE*)module;
    IMAGE_NT_HEADERS* nt = (IMAGE_NT_HEADERS*)(base + ((IMAGE_DOS_HEADER*)base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!imports.VirtualAddress) return false;
    for (IMAGE_IMPORT_DESCRIPTOR* d = (IMAGE_IMPORT_DESCRIPTOR*)(base + imports.VirtualAddress); d->Name;
         d++) {
        if (lstrcmpiA((const char*)(base + d->Name), dll)) continue;
        IMAGE_THUNK_DATA* name =
            (IMAGE_THUNK_DATA*)(base + (d->OriginalFirstThunk ? d->OriginalFirstThunk : d->FirstThunk));
        IMAGE_THUNK_DATA* slot = (IMAGE_THUNK_DATA*)(base + d->FirstThunk);
        for (; name->u1.AddressOfData; name++, slot++) {
            if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal) ||
                strcmp((const char*)((IMAGE_IMPORT_BY_NAME*)(base + name->u1.AddressOfData))->Name, function))
                continue;
            DWORD old;
            VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, PAGE_READWRITE, &old);
            slot->u1.Function = (DWORD_PTR)replacement;
            VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, old, &old);
            return true;
        }
    }
    return false;
}

class KeywordTest : public FlowTest {
  protected:
    // Chm type 0 reads its keyword in OEM; both options off in the entry.
    void SetUp() override {
        FlowTest::SetUp();
        Prepare();
    }
    void Prepare() {
        Start({"Chm"});
        StoreEntry(0, {"Docs", "Chm type 0", "C:\\help\\a.chm", "entrykw", "", "00"});
    }
    std::string Module() { return Folder + "lvx\\Chm.lvx"; }
    std::string Keyword() {
        const TestModuleRecord* record = RecordOf(Module());
        return record && record->ShowHelps ? record->Last.Keyword : "(no request)";
    }
    // Help on the word under the cursor from an editor set up by the caller,
    // with the answer for a keyword dialog when one is expected.
    std::string KeywordFrom(const EditorSetup& setup, const DialogAnswer* ask = nullptr) {
        host->OpenEditor(setup);
        Host::RegSetString(flow::Key, "LastPos", "0");
        Keys({"Enter"});
        if (ask) host->QueueDialog(*ask);
        host->OpenPlugin(OPEN_EDITOR);
        host->CloseEditor(setup.Id);
        return Keyword();
    }
    static EditorSetup Line(const std::string& text, int pos) {
        EditorSetup setup;
        setup.FileName = "C:\\src\\a.c";
        setup.Lines = {text};
        setup.CurPos = pos;
        return setup;
    }
    static EditorSetup Selected(const std::string& text, int from, int to) {
        EditorSetup setup = Line(text, from);
        setup.Block = true;
        setup.BlockStartPos = from;
        setup.BlockEndPos = to;
        if (to < 0) setup.BlockEndLine = 1, setup.BlockEndPos = 0, setup.Lines.push_back("next");
        return setup;
    }
};

TEST_F(KeywordTest, TheWordNearestTheCursor) {
    EXPECT_EQ(KeywordFrom(Line("ab cd", 2)), "ab");
    EXPECT_EQ(KeywordFrom(Line("ab  cd", 3)), "cd");
    EXPECT_EQ(KeywordFrom(Line("abc", 10)), "abc");
    EXPECT_EQ(KeywordFrom(Line("foo.bar", 3)), "foo") << "the host's delimiters count";
    Fresh();
    host->SetWordDiv("");
    Prepare();
    EXPECT_EQ(KeywordFrom(Line("foo.bar", 3)), "foo.bar") << "delimiters read at start-up";
    ExpectAllAnswersUsed();
}

TEST_F(KeywordTest, ASelectionIsTakenWholeWithItsSpaces) {
    EXPECT_EQ(KeywordFrom(Selected("call x y here", 5, 8)), "x y");
    EXPECT_EQ(KeywordFrom(Selected("call x y here", 9, -1)), "here") << "a selection past the line's end";
    EXPECT_EQ(KeywordFrom(Selected("call x y here", 13, -1)), "here")
        << "only the line break selected: the word nearest the cursor";
    std::string line(600, 'w');
    line[300] = ' ';
    EXPECT_EQ(KeywordFrom(Selected(line, 0, 600)), line) << "no length limit on the way to the module";
    EXPECT_EQ(Value("LastKeywordLength"), "600");
    Host::RegSetString(flow::Key, "LastPos", "1");
    Keys({"Enter"});
    host->OpenPlugin(OPEN_PLUGINSMENU);
    EXPECT_EQ(Keyword(), line) << "and back from the remembered request";
    ExpectAllAnswersUsed();
}

TEST_F(KeywordTest, AnAnsiEditorsTextReachesTheModuleInOem) {
    EditorSetup setup = Line("caf\xe9 au lait", 2);
    setup.AnsiMode = true;
    std::string oem = "caf\xe9";
    CharToOemBuffA(&oem[0], &oem[0], (DWORD)oem.size());
    EXPECT_EQ(KeywordFrom(setup), oem);
    EXPECT_EQ(Value("LastKeyword"), oem);
    ExpectAllAnswersUsed();
}

TEST_F(KeywordTest, NoWordNearTheCursorAsksForOne) {
    const DialogAnswer cancel = DialogAnswer().Esc(), typed = DialogAnswer().Edit(1, "typed").Enter(),
                       accept = DialogAnswer().Enter();
    EXPECT_EQ(KeywordFrom(Line("   ", 1), &cancel), "(no request)");
    ASSERT_EQ(host->Dialogs().size(), 1u);
    EXPECT_EQ(host->Dialogs()[0].Before[1].Data, "") << "no keyword: the edit starts empty";
    EXPECT_EQ(KeywordFrom(Line("", 0), &typed), "typed");
    EXPECT_EQ(KeywordFrom(Line("", 0), &accept), "typed");
    EXPECT_EQ(host->Dialogs().back().Before[1].Data, "typed") << "Far fills the edit from its history";
    EXPECT_EQ(RecordOf(Module())->ShowHelps, 2);
    ExpectAllAnswersUsed();
}

class ShellOpenTest : public KeywordTest {
  protected:
    void SetUp() override {
        KeywordTest::SetUp();
        g_shellCalls.clear();
        HMODULE plugin = GetModuleHandleA(DllPath.c_str());
        ASSERT_TRUE(PatchImport(plugin, "SHELL32.dll", "ShellExecuteA", (void*)RecordShellExecute));
    }
    // Command 2 from an editor; the text the shell was asked to open, or "".
    std::string Opened(const EditorSetup& setup) {
        g_shellCalls.clear();
        host->OpenEditor(setup);
        Host::RegSetString(flow::Key, "LastPos", "2");
        Keys({"Enter"});
        host->OpenPlugin(OPEN_EDITOR);
        host->CloseEditor(setup.Id);
        EXPECT_LE(g_shellCalls.size(), 1u);
        return g_shellCalls.empty() ? "" : g_shellCalls[0].File;
    }
};

TEST_F(ShellOpenTest, TheBlankSeparatedTextAroundTheCursorGoesToTheShell) {
    EXPECT_EQ(Opened(Line("see C:\\docs\\read-me.txt, then", 10)), "C:\\docs\\read-me.txt,");
    ASSERT_EQ(g_shellCalls.size(), 1u);
    const ShellCall& call = g_shellCalls[0];
    EXPECT_EQ(call.Owner, GetDesktopWindow());
    EXPECT_EQ(call.Verb, "open");
    EXPECT_FALSE(call.Parameters);
    EXPECT_FALSE(call.Directory);
    EXPECT_EQ(call.Show, SW_SHOWNORMAL);
    EXPECT_EQ(Opened(Line("\thttp://example.org/a?b=c\t", 1)), "http://example.org/a?b=c");
    EXPECT_EQ(Opened(Selected("open this file now", 5, 14)), "this file");
    EXPECT_EQ(RecordOf(Module())->ShowHelps, 0) << "no help request";
    EXPECT_EQ(Value("LastHelpFile"), "(missing)");
    ExpectAllAnswersUsed();
}

TEST_F(ShellOpenTest, OemTextIsHandedToTheShellInAnsi) {
    std::string oem = "C:\\d\x82j\x85";
    std::string ansi = oem;
    OemToCharBuffA(&ansi[0], &ansi[0], (DWORD)ansi.size());
    EXPECT_EQ(Opened(Line("x " + oem + " y", 4)), ansi);
    ExpectAllAnswersUsed();
}

TEST_F(ShellOpenTest, NothingOnABlankAnEmptyLineTheEndOrARefusedLine) {
    EXPECT_EQ(Opened(Line("a b", 1)), "");
    EXPECT_EQ(Opened(Line("", 0)), "");
    EXPECT_EQ(Opened(Line("abc", 3)), "");
    EditorSetup refused = Line("abc", 1);
    refused.RefuseGetString = true;
    EXPECT_EQ(Opened(refused), "");
    EXPECT_TRUE(host->Messages().empty()) << "silent";
    EXPECT_TRUE(g_shellCalls.empty());

    // Outside the editor the command does nothing.
    Host::RegSetString(flow::Key, "LastPos", "2");
    Keys({"Enter"});
    host->OpenPlugin(OPEN_PLUGINSMENU);
    EXPECT_TRUE(g_shellCalls.empty());
    ExpectAllAnswersUsed();
}

} // namespace
