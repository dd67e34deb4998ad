// The scripted editor behind EditorControl, the window list behind AdvControl,
// and Editor/Viewer windows with their results and delete-on-close.
#include "fixture.hpp"

#include <cstring>

using farhost::EditorSetup;
using farhost::WindowAnswer;

namespace {
EditorSetup ThreeLines() {
    EditorSetup e;
    e.FileName = "C:\\work\\notes.txt";
    e.Id = 42;
    e.Lines = {"first line", "second line", "third"};
    e.CurLine = 1;
    e.CurPos = 3;
    return e;
}
int closeInfo, closeString, closeId;
int WINAPI CloseProbe(int event, void*) {
    if (event != EE_CLOSE) return 0;
    TestPluginState* s = ((TESTSTATE)(void*)GetProcAddress(GetModuleHandleA("Test.dll"), "TestState"))();
    EditorInfo ei;
    closeInfo = s->Info.EditorControl(ECTL_GETINFO, &ei);
    closeId = ei.EditorID;
    EditorGetString g{};
    closeString = s->Info.EditorControl(ECTL_GETSTRING, &g) + 10;
    return 0;
}
} // namespace

TEST_F(HostTest, EditorInfoLinesAndSelection) {
    EditorSetup e = ThreeLines();
    e.Block = true; // from line 0 pos 6 to line 2 pos 2
    e.BlockStartLine = 0, e.BlockStartPos = 6, e.BlockEndLine = 2, e.BlockEndPos = 2;
    Load();
    host.OpenEditor(e);
    EditorInfo ei;
    EditorGetString gs[5];
    int got[5], info = 0;
    InPlugin(
        [&](const PluginStartupInfo& I) {
            memset(&ei, 0x55, sizeof ei);
            info = I.EditorControl(ECTL_GETINFO, &ei);
            int numbers[] = {-1, 0, 2, 3, -1};
            for (int i = 0; i < 5; i++) {
                gs[i].StringNumber = numbers[i];
                got[i] = I.EditorControl(ECTL_GETSTRING, i == 4 ? nullptr : &gs[i]);
            }
        },
        OPEN_EDITOR);
    EXPECT_EQ(info, 1);
    EXPECT_EQ(ei.EditorID, 42);
    EXPECT_STREQ(ei.FileName, "C:\\work\\notes.txt");
    EXPECT_EQ(ei.TotalLines, 3);
    EXPECT_EQ(ei.CurLine, 1);
    EXPECT_EQ(ei.CurPos, 3);
    EXPECT_EQ(ei.BlockType, BTYPE_STREAM);
    EXPECT_EQ(ei.Reserved[0], 0u); // zero-filled first
    EXPECT_EQ(got[0], 1);
    EXPECT_STREQ(gs[0].StringText, "second line");
    EXPECT_EQ(gs[0].StringNumber, -1); // Far leaves it as it was
    EXPECT_EQ(gs[0].StringLength, 11);
    EXPECT_STREQ(gs[0].StringEOL, "\r\n");
    EXPECT_EQ(gs[0].SelStart, 0); // a middle line: selected whole
    EXPECT_EQ(gs[0].SelEnd, -1);
    EXPECT_EQ(gs[1].SelStart, 6); // first line: from the start column past the end
    EXPECT_EQ(gs[1].SelEnd, -1);
    EXPECT_EQ(gs[2].SelStart, 0); // last line: up to the end column
    EXPECT_EQ(gs[2].SelEnd, 2);
    EXPECT_STREQ(gs[2].StringEOL, ""); // the last line has no line break
    EXPECT_EQ(got[3], 0);              // no such line
    EXPECT_EQ(got[4], 0);              // null record
    EXPECT_TRUE(host.Errors().empty());
}

TEST_F(HostTest, EditorRefusalConversionAndClose) {
    EditorSetup e = ThreeLines();
    e.Lines[1] = "caf\xE9";
    e.AnsiMode = true;
    Load();
    host.OpenEditor(e);
    char converted[8], expected[8];
    int conv = 0, plain = 0, noBlock = 0;
    EditorGetString gs;
    InPlugin(
        [&](const PluginStartupInfo& I) {
            gs.StringNumber = -1;
            noBlock = I.EditorControl(ECTL_GETSTRING, &gs);
            lstrcpyA(converted, gs.StringText);
            EditorConvertText ct = {converted, 4};
            conv = I.EditorControl(ECTL_EDITORTOOEM, &ct);
        },
        OPEN_EDITOR);
    CharToOemBuffA("caf\xE9", expected, 4);
    expected[4] = 0;
    EXPECT_EQ(noBlock, 1);
    EXPECT_EQ(gs.SelStart, -1); // no block: -1 and 0
    EXPECT_EQ(gs.SelEnd, 0);
    EXPECT_EQ(conv, 1);
    EXPECT_STREQ(converted, expected);
    EXPECT_NE(converted[3], '\xE9');

    // A refusing editor, and the OEM editor that converts nothing.
    host.CloseEditor(42);
    e.AnsiMode = false;
    e.RefuseGetString = true;
    host.OpenEditor(e);
    int refused = 9;
    InPlugin(
        [&](const PluginStartupInfo& I) {
            EditorGetString g{};
            g.StringNumber = -1;
            refused = I.EditorControl(ECTL_GETSTRING, &g);
            lstrcpyA(converted, "caf\xE9");
            EditorConvertText ct = {converted, 4};
            plain = I.EditorControl(ECTL_EDITORTOOEM, &ct);
        },
        OPEN_EDITOR);
    EXPECT_EQ(refused, 0);
    EXPECT_EQ(plain, 1);
    EXPECT_STREQ(converted, "caf\xE9");

    // During EE_CLOSE only ECTL_GETINFO answers.
    closeInfo = closeString = closeId = 0;
    state->OnEvent = &CloseProbe;
    int before = state->EventCount;
    host.CloseEditor(42);
    EXPECT_EQ(closeInfo, 1);
    EXPECT_EQ(closeId, 42);
    EXPECT_EQ(closeString, 10);
    ASSERT_EQ(state->EventCount, before + 1);
    EXPECT_EQ(state->Events[before], EE_CLOSE);
    EXPECT_EQ(state->EventParams[before], 42);
    // From the panels there is no current editor.
    int none = 9;
    InPlugin([&](const PluginStartupInfo& I) {
        EditorInfo ei;
        none = I.EditorControl(ECTL_GETINFO, &ei);
    });
    EXPECT_EQ(none, 0);
}

TEST_F(HostTest, AdvControlWordDelimitersAndWindows) {
    char buf[300];
    int len = 0, lenOnly = 0, count = 0, ok = 0, bad = 9;
    WindowInfo wi;
    Load();
    InPlugin([&](const PluginStartupInfo& I) {
        len = I.AdvControl(I.ModuleNumber, ACTL_GETSYSWORDDIV, buf);
        lenOnly = I.AdvControl(I.ModuleNumber, ACTL_GETSYSWORDDIV, nullptr);
    });
    EXPECT_EQ(len, 28);
    EXPECT_EQ(lenOnly, 28);
    EXPECT_STREQ(buf, "~!%^&*()+|{}:\"<>?`-=\\[];',./");

    host.SetWordDiv(".,;");
    host.OpenEditor(ThreeLines()); // non-modal editor
    farhost::HostWindow modal;
    modal.Type = WTYPE_VIEWER;
    modal.Name = "C:\\x.txt";
    modal.Modal = true;
    host.AddWindow(modal); // current, but not in the window list
    InPlugin(
        [&](const PluginStartupInfo& I) {
            len = I.AdvControl(I.ModuleNumber, ACTL_GETSYSWORDDIV, buf);
            count = I.AdvControl(I.ModuleNumber, ACTL_GETWINDOWCOUNT, nullptr);
            wi.Pos = -1;
            ok = I.AdvControl(I.ModuleNumber, ACTL_GETWINDOWINFO, &wi);
            WindowInfo other;
            other.Pos = 2;
            bad = I.AdvControl(I.ModuleNumber, ACTL_GETWINDOWINFO, &other);
        },
        OPEN_VIEWER);
    EXPECT_EQ(len, 3);
    EXPECT_EQ(count, 2); // panels + the non-modal editor
    EXPECT_EQ(ok, TRUE);
    EXPECT_EQ(wi.Type, WTYPE_VIEWER);
    EXPECT_EQ(wi.Pos, -1); // modal: not in the list
    EXPECT_EQ(wi.Current, 1);
    EXPECT_EQ(bad, FALSE);
}

TEST_F(HostTest, AdvControlWithoutPanels) {
    host.SetPanels(false);
    host.OpenEditor(ThreeLines());
    int count = 0;
    WindowInfo wi;
    wi.Pos = -1;
    InPlugin(
        [&](const PluginStartupInfo& I) {
            count = I.AdvControl(I.ModuleNumber, ACTL_GETWINDOWCOUNT, nullptr);
            I.AdvControl(I.ModuleNumber, ACTL_GETWINDOWINFO, &wi);
        },
        OPEN_EDITOR);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(wi.Type, WTYPE_EDITOR);
    EXPECT_EQ(wi.Pos, 0);
    EXPECT_STREQ(wi.Name, "C:\\work\\notes.txt");
}

TEST_F(HostTest, EditorAndViewerResultsAndDeleteOnClose) {
    std::string folderA = Dir("LUMV1"), folderB = Dir("LUMV2"), folderC = Dir("LUMV3");
    for (const std::string& f : {folderA, folderB, folderC})
        CreateDirectoryA(f.c_str(), nullptr);
    ASSERT_TRUE(farhost::Host::WriteFile(folderA + "\\Kestro.txt", "page one\r\nline two\r\n"));
    ASSERT_TRUE(farhost::Host::WriteFile(folderB + "\\Dravel.txt", "article"));
    ASSERT_TRUE(farhost::Host::WriteFile(folderC + "\\keep.txt", "only the file goes"));
    std::string slashed = folderB + "\\Dravel.txt";
    for (char& c : slashed)
        if (c == '\\') c = '/';
    host.QueueWindow(WindowAnswer::Close);     // modal editor
    host.QueueWindow(WindowAnswer::LeaveOpen); // non-modal viewer, forward slashes
    host.QueueWindow(WindowAnswer::Close);     // only the file
    int r[4] = {0};
    int countWhileOpen = 0;
    InPlugin([&](const PluginStartupInfo& I) {
        r[0] = I.Editor((folderA + "\\Kestro.txt").c_str(), "kw", 0, 0, -1, -1, EF_DELETEONCLOSE, 0, 1);
        r[1] = I.Viewer(slashed.c_str(), "kw", 0, 0, -1, -1, VF_NONMODAL | VF_DELETEONCLOSE);
        countWhileOpen = I.AdvControl(I.ModuleNumber, ACTL_GETWINDOWCOUNT, nullptr);
        r[2] = I.Editor((folderC + "\\keep.txt").c_str(), nullptr, 0, 0, -1, -1,
                        EF_NONMODAL | EF_DELETEONLYFILEONCLOSE, -1, -1);
        r[3] = I.Editor(Dir("missing.txt").c_str(), nullptr, 0, 0, -1, -1, 0, 0, 0);
    });
    EXPECT_EQ(r[0], EEC_NOT_MODIFIED); // modal: an EEC_* value
    EXPECT_EQ(r[1], TRUE);
    EXPECT_EQ(r[2], EEC_MODIFIED); // non-modal: 1 when the window was made
    EXPECT_EQ(r[3], EEC_OPEN_ERROR);
    EXPECT_EQ(countWhileOpen, 2);
    const auto& w = host.Windows();
    ASSERT_EQ(w.size(), 4u);
    EXPECT_EQ(w[0].Content, "page one\r\nline two\r\n"); // the content at open time
    EXPECT_TRUE(w[0].FileDeleted);
    EXPECT_TRUE(w[0].FolderDeleted);
    EXPECT_FALSE(farhost::Host::FileExists(folderA));
    EXPECT_FALSE(w[1].Closed);
    EXPECT_TRUE(farhost::Host::FileExists(slashed)); // still shown
    EXPECT_TRUE(w[2].FileDeleted);
    EXPECT_FALSE(w[2].FolderDeleted);
    EXPECT_TRUE(farhost::Host::FileExists(folderC));
    ASSERT_TRUE(host.CloseWindow(1));
    EXPECT_TRUE(w[1].FileDeleted);
    EXPECT_FALSE(w[1].FolderDeleted); // forward slashes: Far keeps the folder
    EXPECT_TRUE(farhost::Host::FileExists(folderB));
    EXPECT_FALSE(farhost::Host::FileExists(folderB + "\\Dravel.txt"));
    // The editor Far opened sent EE_READ and EE_CLOSE with its id.
    ASSERT_GE(state->EventCount, 2);
    EXPECT_EQ(state->Events[0], EE_READ);
    EXPECT_EQ(state->Events[1], EE_CLOSE);
    EXPECT_EQ(state->EventParams[1], w[0].EditorId);
    EXPECT_TRUE(host.Errors().empty());
}

TEST_F(HostTest, NonModalFlagIsDroppedInsideAModalEditor) {
    ASSERT_TRUE(farhost::Host::WriteFile(Dir("v.txt"), "x"));
    EditorSetup e = ThreeLines();
    e.Modal = true;
    Load();
    host.OpenEditor(e);
    host.QueueWindow(WindowAnswer::LeaveOpen);
    int r = 0;
    InPlugin(
        [&](const PluginStartupInfo& I) {
            r = I.Viewer(Dir("v.txt").c_str(), nullptr, 0, 0, -1, -1, VF_NONMODAL);
        },
        OPEN_EDITOR);
    EXPECT_EQ(r, TRUE);
    EXPECT_TRUE(host.Windows()[0].Modal);
    EXPECT_TRUE(host.Windows()[0].Closed); // a modal window cannot be left open
}

TEST_F(HostTest, FileNamesInsideTheHostAreOem) {
    // A non-ASCII letter of the console code page: the host's file functions take
    // it in OEM, as Far's do after SetFileApisToOEM.
    const wchar_t* letter = GetOEMCP() == 866 ? L"\x0416" : L"\x00E9";
    char oem[8] = "";
    WideCharToMultiByte(CP_OEMCP, 0, letter, 1, oem, sizeof oem, nullptr, nullptr);
    ASSERT_NE((unsigned char)oem[0], '?');
    std::string name = Dir(std::string("n") + oem + ".txt");
    std::wstring wide = L"n" + std::wstring(letter) + L".txt";
    std::wstring pattern(dir.begin(), dir.end());
    // Wine under a non-UTF-8 Unix locale (LC_ALL=C) cannot store such names at all.
    HANDLE probe = CreateFileW((pattern + L"\\probe" + letter).c_str(), GENERIC_WRITE, 0, nullptr,
                               CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (probe == INVALID_HANDLE_VALUE) GTEST_SKIP() << "the file system takes no non-ASCII names here";
    CloseHandle(probe);
    ASSERT_TRUE(farhost::Host::WriteFile(name, "oem"));
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((pattern + L"\\n*.txt").c_str(), &fd);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    FindClose(h);
    EXPECT_EQ(std::wstring(fd.cFileName), wide);
    host.QueueWindow(WindowAnswer::Close);
    int r = 0;
    InPlugin([&](const PluginStartupInfo& I) {
        r = I.Viewer(name.c_str(), nullptr, 0, 0, -1, -1, VF_DELETEONCLOSE);
    });
    EXPECT_EQ(r, TRUE);
    EXPECT_EQ(host.Windows()[0].Content, "oem");
    EXPECT_TRUE(host.Windows()[0].FileDeleted);
}

// ------------------------------------------------------------------ character tables
namespace {
int tableAsked = 0, tableResult = -1;
int WINAPI SetTableOnRead(int event, void*) {
    if (event != EE_READ || !tableAsked) return 0;
    TestPluginState* s = ((TESTSTATE)(void*)GetProcAddress(GetModuleHandleA("Test.dll"), "TestState"))();
    EditorSetParameter p{};
    p.Type = ESPT_CHARTABLE;
    p.Param.iParam = tableAsked;
    tableResult = s->Info.EditorControl(ECTL_SETPARAM, &p);
    return 0;
}
} // namespace

TEST_F(HostTest, WindowsOpenInTheTableFarCarriesAndShowTheirTextThroughIt) {
    using farhost::TextTable;
    Load();
    const std::string oem = "\x8F\xE0\xA8\xA2\xA5\xE2"; // "Привет" in code page 866
    std::string ansi(oem.size(), '\0');
    OemToCharBuffA(oem.data(), &ansi[0], (DWORD)oem.size());
    ASSERT_TRUE(farhost::Host::WriteFile(Dir("oem.txt"), oem));
    std::wstring wide(8, L'\0');
    int units = MultiByteToWideChar(CP_OEMCP, 0, oem.data(), (int)oem.size(), &wide[0], 8);
    ASSERT_TRUE(farhost::Host::WriteFile(Dir("utf16.txt"),
                                         "\xFF\xFE" + std::string((const char*)wide.data(), units * 2)));
    auto open = [&](bool editor, const std::string& name) -> const farhost::WindowRecord& {
        host.QueueWindow(WindowAnswer::Close);
        InPlugin([&](const PluginStartupInfo& I) {
            if (editor)
                I.Editor(Dir(name).c_str(), nullptr, 0, 0, -1, -1, 0, 0, 1);
            else
                I.Viewer(Dir(name).c_str(), nullptr, 0, 0, -1, -1, 0);
        });
        return host.Windows().back();
    };
    // A fresh Far: both open in Win, which shows OEM bytes as something else.
    EXPECT_EQ(open(true, "oem.txt").Table, TextTable::Win);
    EXPECT_EQ(host.Windows().back().Shown, farhost::ShownThrough(oem, TextTable::Win));
    EXPECT_EQ(open(false, "oem.txt").Table, TextTable::Win);
    // F8 carried into the next window of its kind only; "ANSI as default" off opens in DOS.
    host.SetCarriedTable(true, TextTable::Dos);
    EXPECT_EQ(open(true, "oem.txt").Shown, oem);
    EXPECT_EQ(open(false, "oem.txt").Table, TextTable::Win);
    host.SetAnsiAsDefault(false, false);
    EXPECT_EQ(open(false, "oem.txt").Table, TextTable::Dos);
    host.SetAnsiAsDefault(false, true);
    // The viewer shows a UTF-16 file with its mark as Unicode whatever its table, then carries DOS.
    const farhost::WindowRecord& u = open(false, "utf16.txt");
    EXPECT_EQ(u.Table, TextTable::Unicode);
    EXPECT_EQ(u.Shown, oem);
    EXPECT_EQ(host.CarriedTable(false), TextTable::Dos);
    // The editor has no Unicode: the bytes through its table.
    EXPECT_EQ(open(true, "utf16.txt").Table, TextTable::Dos);

    // A plug-in sets the editor's table while it loads (EE_READ): shown through it, carried on.
    state->OnEvent = &SetTableOnRead;
    host.SetCarriedTable(true, TextTable::Dos);
    tableAsked = 2;
    const farhost::WindowRecord& set = open(true, "oem.txt");
    EXPECT_EQ(tableResult, 1);
    EXPECT_EQ(set.Table, TextTable::Win);
    EXPECT_EQ(set.Shown, farhost::ShownThrough(oem, TextTable::Win));
    EXPECT_EQ(host.CarriedTable(true), TextTable::Win);
    tableAsked = 3; // no code tables in a fresh Far
    EXPECT_EQ(open(true, "oem.txt").Table, TextTable::Win);
    EXPECT_EQ(tableResult, 0);
    state->OnEvent = nullptr;
    tableAsked = 0;
    EXPECT_NE(
        host.Transcript().find("Edit: " + Dir("oem.txt").substr(Dir("oem.txt").rfind('\\') + 1) + ", Win"),
        std::string::npos)
        << host.Transcript();
    EXPECT_TRUE(host.Errors().empty());

    // The scripted editor reports its table and converts through it.
    EditorSetup e = ThreeLines();
    e.AnsiMode = true;
    host.OpenEditor(e);
    EditorInfo ei{};
    InPlugin([&](const PluginStartupInfo& I) { I.EditorControl(ECTL_GETINFO, &ei); }, OPEN_EDITOR);
    EXPECT_EQ(ei.AnsiMode, 1);
    EXPECT_EQ(ei.TableNum, -1);
}
