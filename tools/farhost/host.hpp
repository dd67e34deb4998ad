// The stand-in Far Manager 1.70 host as a library: loads one plug-in DLL the way
// Far does, serves PluginStartupInfo with Far's semantics, answers menus, dialogs,
// message boxes and editor/viewer windows from scripted answers, and records every
// call both as structured records (for tests) and as a readable transcript.
//
// Far's services are plain stdcall functions without a context argument, so one
// Host object is "the" host of the process at a time (Host::Current()).
#pragma once

#include "far.hpp"

#include <functional>
#include <string>
#include <vector>

namespace farhost {

// ------------------------------------------------------------------ keys
// A key press as the script names it: "Enter", "Esc", "F1".."F12", "Up", "Down",
// "Home", "End", "PgUp", "PgDn", "Ins", "Del", "Space", "Tab", "BS", with any of
// "Ctrl+", "Alt+", "Shift+" in front ("Ctrl+Up", "Alt+Shift+F9"); a single
// character ("a", "7") is a hotkey / typed character; "#N" is a click on menu
// position N (chooses it, as a mouse click does).
struct Key {
    unsigned Vk = 0;   // Windows virtual-key code; 0 for a character key or a click
    unsigned Mods = 0; // PKF_CONTROL | PKF_ALT | PKF_SHIFT
    char Char = 0;     // character key (Vk == 0)
    int Item = -1;     // "#N": click on position N
};
bool ParseKey(const std::string& text, Key* key);
std::string KeyName(const Key& key);

// ------------------------------------------------------------------ scripted answers
struct MenuAnswer {
    std::vector<Key> Keys; // pressed in order; the menu must close on the last one
};

enum class DialogActionKind {
    SetText,    // Item, Text: the user clears the edit (or editable combo) and types Text
    SetCheck,   // Item, Value 0/1/2: sets a check box (2 only with DIF_3STATE) or radio button
    ChooseList, // Item, Value: opens a combo/list box and picks entry Value
    Focus,      // Item: moves the focus there (Tab/mouse)
    Button,     // Item: presses that button (mouse click or Enter on it)
    Enter,      // Enter with the current focus
    Esc,        // Esc
    Help,       // F1
};
struct DialogAction {
    DialogActionKind Kind = DialogActionKind::Esc;
    int Item = -1;
    int Value = 0;
    std::string Text;
};
struct DialogAnswer {
    std::vector<DialogAction> Actions;
    DialogAnswer& Edit(int item, const std::string& text);
    DialogAnswer& Check(int item, int state);
    DialogAnswer& Choose(int item, int listIndex);
    DialogAnswer& Focus(int item);
    DialogAnswer& Button(int item);
    DialogAnswer& Enter();
    DialogAnswer& Esc();
    DialogAnswer& Help();
};

// Editor/Viewer windows opened by the plug-in. Close: the user closes it now
// (modal: the call returns; non-modal: leaves and closes it). LeaveOpen (non-modal
// only): the user switches away, the window stays in the window list until
// CloseWindow. A modal window cannot be left open; LeaveOpen closes it.
enum class WindowAnswer { Close, LeaveOpen };

// ------------------------------------------------------------------ character tables
// The table Far's editor and viewer show a file's bytes through: DOS (the OEM code page, the
// console's own) or Win (the ANSI code page, converted to OEM for the screen). A fresh Far has
// "ANSI as default" on for both, so files open in Win; the table last chosen with F8, or set by
// a plug-in with ECTL_SETPARAM, is carried into the next window of that kind. The viewer shows a
// file that starts with the UTF-16 mark FF FE as Unicode whatever the table, and carries DOS
// after it; the editor has no Unicode and shows such a file's bytes through its table.
enum class TextTable { Dos, Win, Unicode };
const char* TableName(TextTable table); // as Far's status line shows it: "DOS", "Win", "Unicode"
// The bytes of a file as Far's screen shows them through a table, in the OEM code page.
std::string ShownThrough(const std::string& bytes, TextTable table);

// ------------------------------------------------------------------ the scripted editor
struct EditorSetup {
    std::string FileName; // full path as EditorInfo.FileName reports it (OEM)
    int Id = 1;           // EditorID
    std::vector<std::string> Lines;
    std::string Eol = "\r\n"; // EOL of every line but the last, which has none
    int CurLine = 0, CurPos = 0;
    // A stream block from (BlockStartLine, BlockStartPos) to (BlockEndLine,
    // BlockEndPos), the end exclusive. Lines strictly between are selected whole.
    bool Block = false;
    int BlockStartLine = 0, BlockStartPos = 0, BlockEndLine = 0, BlockEndPos = 0;
    bool AnsiMode = false;        // the Win table: ECTL_EDITORTOOEM converts
    bool RefuseGetString = false; // ECTL_GETSTRING fails (returns 0)
    bool Modal = false;           // a modal editor window (not in the window list)
};

// ------------------------------------------------------------------ records
struct MenuItemRecord {
    std::string Text; // as the plug-in gave it, '&' included
    bool Separator = false, Selected = false, Disabled = false;
    int Mark = 0;    // 0 = none, else the mark character drawn
    char Hotkey = 0; // the hotkey letter (from '&' or FMENU_AUTOHIGHLIGHT), 0 = none
    unsigned AccelKey = 0;
    unsigned UserData = 0;
};
struct MenuRecord {
    bool Valid = true; // false: invalid call, -1 at once
    int X = 0, Y = 0, MaxHeight = 0;
    unsigned Flags = 0;
    std::string Title, Bottom, HelpTopic;
    std::vector<int> BreakKeys;
    bool HasBreakCode = false;
    std::vector<MenuItemRecord> Items;
    int InitialCursor = -1, FinalCursor = -1;
    std::vector<std::string> Keys; // key names pressed
    int Result = -1, BreakCode = -1;
};

struct DialogItemRecord {
    int Type = 0, X1 = 0, Y1 = 0, X2 = 0, Y2 = 0, Focus = 0;
    int Selected = 0; // the union at offset 24 as an int (after: ListPos for lists)
    unsigned Flags = 0;
    int DefaultButton = 0;
    std::string Data;
    std::string History, Mask;     // when the flags make the union a string
    std::vector<std::string> List; // combo/list box entries (before the call)
    std::vector<unsigned> ListFlags;
    int ListPos = -1;
};
struct DlgProcCall {
    int Msg, Param1;
    long Param2;
    long Result;
};
struct DialogRecord {
    bool Valid = true;
    bool Ex = false; // DialogEx
    int X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
    std::string HelpTopic;
    unsigned Flags = 0;
    bool HasProc = false;
    long Param = 0;
    std::vector<DialogItemRecord> Before, After; // Before: as shown (combo/history filled)
    std::vector<std::string> Actions;            // what the user did, readable
    std::vector<DlgProcCall> ProcCalls;
    int Result = -1;
};

struct MessageRecord {
    bool Valid = true;
    unsigned Flags = 0;
    std::string HelpTopic, Title;
    std::vector<std::string> Lines, Buttons;
    bool Notice = false;   // button-less: returned 0 at once, stays on screen
    bool OnScreen = false; // a notice not yet removed by RestoreScreen
    bool FromHost = false; // drawn by the host itself (GetMsg warning)
    int Result = -1;
};

struct HelpRecord {
    std::string Origin; // "ShowHelp", "Menu F1", "Dialog F1", "Message F1"
    std::string ModuleName, Topic;
    unsigned Flags = 0;
    std::string File;              // the .hlf chosen ("" when none)
    std::string ShownTopic;        // topic actually shown ("" when nothing)
    bool Found = false;            // the topic was found (or Contents with USECONTENTS)
    bool Result = false;           // ShowHelp's result
    std::string Error;             // the box Far would show when nothing could be shown
    std::vector<std::string> Text; // header + lines of the shown topic
    std::string WindowTitle;       // the help window's frame: "Help - <.PluginContents>"
};

struct WindowRecord {
    bool Editor = true; // false: Viewer
    std::string FileName, Title;
    int X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
    unsigned Flags = 0;
    bool Modal = true; // after the flag rules (non-modal dropped inside a modal window)
    int StartLine = 0, StartChar = 0;
    bool Opened = false; // the file could be read
    std::string Content; // the file's bytes at open time
    // The table the window shows the file through once it is open (after the plug-in's EE_READ,
    // kept up to date while an editor stays open), and the content as the screen shows it.
    TextTable Table = TextTable::Win;
    std::string Shown;
    int EditorId = 0;
    int Result = 0;
    bool Closed = false;
    bool FileDeleted = false;   // delete-on-close removed the file
    bool FolderDeleted = false; // ... and its then empty folder
    std::string DeletedFolder;
};

struct ScreenRecord {
    int X1, Y1, X2, Y2;
    HANDLE Handle;
    bool Restored = false;
};

struct PluginInfoRecord {
    PluginInfo Raw;
    std::vector<std::string> DiskMenu, PluginMenu, ConfigMenu;
    std::vector<int> DiskNumbers; // empty when DiskMenuNumbers is null
    bool HasCommandPrefix = false;
    std::string CommandPrefix;
};

// Kind and index of each recorded call, in order.
enum class CallKind { Menu, Dialog, Message, Help, Window, SaveScreen, RestoreScreen };
struct CallRef {
    CallKind Kind;
    size_t Index; // into the vector of that kind
};

// A window of Far's window list, or a modal window on top of it.
struct HostWindow {
    int Type = WTYPE_EDITOR; // WTYPE_*
    std::string Name;
    bool Modal = false;
    bool Modified = false;
    int EditorId = 0; // scripted editor or plug-in opened editor
    int Record = -1;  // index into Windows() when the plug-in opened it
};

// ------------------------------------------------------------------ the host
class Host {
  public:
    Host();  // becomes Host::Current() unless one exists (an error); calls SetFileApisToOEM
    ~Host(); // unloads the plug-in, deletes temporary folders it made
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;
    static Host* Current();

    // --- files and folders (Windows paths; "/x/y" Unix paths become "Z:\x\y")
    static std::string WindowsPath(const std::string& path);
    // A new empty folder under the temp folder; removed with its content by ~Host.
    std::string MakeTempFolder(const std::string& prefix = "fh");
    static bool WriteFile(const std::string& path, const std::string& bytes);
    static bool ReadFile(const std::string& path, std::string* bytes);
    static bool FileExists(const std::string& path);
    // Copies a folder tree (e.g. dist/Lumivo) into dst, creating dst.
    static bool CopyFolder(const std::string& src, const std::string& dst);

    // --- environment
    // Interface language ("English", "Russian"): picks the .lng, sets FARLANG.
    // Also the help language, which picks the .hlf.
    void SetLanguage(const std::string& language);
    const std::string& Language() const { return language_; }
    // Deletes HKCU\Software\Far with everything below it.
    static void ClearRegistry();
    // Registry under HKCU (key like "Software\\Far\\Plugins\\Lumivo").
    static bool RegSetString(const std::string& key, const std::string& name, const std::string& value);
    static bool RegSetDword(const std::string& key, const std::string& name, DWORD value);
    static bool RegGetString(const std::string& key, const std::string& name, std::string* value);
    static bool RegRemoveValue(const std::string& key, const std::string& name);
    static bool RegRemoveKey(const std::string& key);
    // A dialog history, most recent first (SavedDialogHistory\<name>, Line0...).
    static std::vector<std::string> History(const std::string& name);
    static void AddHistory(const std::string& name, const std::string& line);

    void SetWordDiv(const std::string& chars); // ACTL_GETSYSWORDDIV; default: Far's 28
    void SetModuleNumber(int number);          // before LoadPlugin; default 3
    // Far started with "/u name": RootKey becomes "Software\\Far\\Users\\<name>\\Plugins"
    // and FARUSER is set. Before LoadPlugin; an empty name is Far's own root again.
    void SetUser(const std::string& name);
    void SetPanels(bool present); // panels window present (default true)
    // Far's "ANSI as default" option of the editor (editor true) or the viewer; on in a fresh
    // Far. Sets that kind's carried table to match, as a fresh start of Far would.
    void SetAnsiAsDefault(bool editor, bool on);
    // The table the user last chose with F8 in an editor (or a viewer): the next one opens in it.
    void SetCarriedTable(bool editor, TextTable table);
    TextTable CarriedTable(bool editor) const;
    // Adds a window of another kind to the window list (or a modal one on top)
    // and makes it current. Returns its index in WindowList().
    int AddWindow(const HostWindow& window);
    void SetCurrentWindow(int index); // -1: the panels
    const std::vector<HostWindow>& WindowList() const { return windows_; }

    // --- the plug-in
    // LoadLibraryA, binds the five exports by name, calls SetStartupInfo with
    // temporaries. False when the DLL does not load or exports none of the names.
    bool LoadPlugin(const std::string& dllPath);
    bool Loaded() const { return module_ != nullptr; }
    const std::string& ModuleName() const { return moduleName_; } // full path given to the plug-in
    bool HasExport(const char* name) const;
    PluginInfoRecord GetPluginInfo();
    HANDLE OpenPlugin(int openFrom, int item = 0);
    int Configure(int itemNumber = 0);
    int ProcessEditorEvent(int event, void* param);

    // --- the scripted editor: opens it as the current window (EE_READ is sent to a
    // loaded plug-in), closes it (EE_CLOSE, during which only ECTL_GETINFO works).
    void OpenEditor(const EditorSetup& setup);
    int CloseEditor(int editorId);
    // Closes a plug-in-opened non-modal window left open (delete-on-close applies).
    bool CloseWindow(size_t recordIndex);

    // --- scripted answers, consumed in order by the UI calls
    void QueueMenu(const MenuAnswer& answer);
    bool QueueMenu(const std::vector<std::string>& keys); // false on a bad key name
    void QueueDialog(const DialogAnswer& answer);
    void QueueMessage(int button); // -1 = Esc
    void QueueWindow(WindowAnswer answer);
    size_t PendingAnswers() const;

    // --- what happened
    const std::vector<MenuRecord>& Menus() const { return menus_; }
    const std::vector<DialogRecord>& Dialogs() const { return dialogs_; }
    const std::vector<MessageRecord>& Messages() const { return messages_; }
    const std::vector<HelpRecord>& Helps() const { return helps_; }
    const std::vector<WindowRecord>& Windows() const { return windowRecords_; }
    const std::vector<ScreenRecord>& Screens() const { return screens_; }
    const std::vector<CallRef>& Calls() const { return calls_; }
    // Faults: a UI call without an answer, an answer that does not fit, invalid
    // calls, a handle restored twice, ... A clean test asserts this is empty.
    const std::vector<std::string>& Errors() const { return errors_; }
    // Things Far would show but a test may expect: GetMsg with a bad id, a notice
    // left on screen when the plug-in call returned.
    const std::vector<std::string>& Warnings() const { return warnings_; }
    std::string Transcript() const { return transcript_; }
    // Each transcript line is also handed here as it is written (farhost.exe).
    void SetTranscriptSink(std::function<void(const std::string&)> sink);
    void Note(const std::string& text); // a line of commentary in the transcript
    void ClearRecords(); // records, errors, warnings, transcript; Windows() stays (open windows refer to it)

    // --- scripts: the language of farhost.exe (see script.cpp); runs on this
    // host. pluginFolder is where "load" looks for the DLL when given no path.
    bool RunScript(const std::string& text, const std::string& pluginFolder, std::string* error);

    // Internals shared by the service implementations.
    struct Impl;
    Impl* impl() { return impl_; }

  private:
    friend struct Impl;
    Impl* impl_;
    void ReportLibrariesBelowPlugin();

    std::string language_ = "English";
    int moduleNumber_ = 3;
    HMODULE module_ = nullptr;
    std::string moduleName_;
    std::vector<HostWindow> windows_;
    std::vector<MenuRecord> menus_;
    std::vector<DialogRecord> dialogs_;
    std::vector<MessageRecord> messages_;
    std::vector<HelpRecord> helps_;
    std::vector<WindowRecord> windowRecords_;
    std::vector<ScreenRecord> screens_;
    std::vector<CallRef> calls_;
    std::vector<std::string> errors_, warnings_;
    std::string transcript_;
};

} // namespace farhost
