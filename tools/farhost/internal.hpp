// Private state of the stand-in host shared by its sources: the answer queue, the
// editors, open dialogs, the loaded plug-in's exports and the service entry points.
#pragma once

#include "host.hpp"

#include <deque>
#include <map>
#include <string>
#include <vector>

namespace farhost {

struct QueuedAnswer {
    enum Kind { Menu, Dialog, Message, Window } kind;
    MenuAnswer menu;
    DialogAnswer dialog;
    int button = -1;
    WindowAnswer window = WindowAnswer::Close;
    // A script's "menu?:" and the like: used when such a call comes, dropped
    // without complaint when the plug-in call it was meant for shows none.
    bool optional = false;
};
const char* AnswerKindName(QueuedAnswer::Kind kind);

// An editor known to EditorControl: scripted ones and those the plug-in opened.
struct EditorState {
    EditorSetup setup;    // setup.AnsiMode is the editor's table
    std::string fileName; // stable storage for EditorInfo.FileName
    int record = -1;      // index into Windows() when the plug-in opened it
};

// One dialog while it is shown; its address is the hDlg handed to the procedure.
struct DialogState {
    unsigned magic = 0x444C4746; // "FGLD": tells a live handle from garbage
    std::vector<FarDialogItem> items;
    std::vector<std::vector<FarListItem>> lists; // per item, for combo and list boxes
    std::vector<int> listPos;
    FARWINDOWPROC proc = nullptr;
    int focus = 0;
    bool closeRequested = false;
    int closeCode = -1;
    size_t record = 0; // index into Host::dialogs_
};

struct Host::Impl {
    explicit Impl(Host* h) : host(h) {}
    Host* host;

    std::deque<QueuedAnswer> answers;
    std::map<int, EditorState> editors;
    int eventEditor = 0; // editor whose event is being delivered (0 = none)
    bool inEditorClose = false;
    int nextEditorId = 100;
    std::string wordDiv;
    bool panels = true;
    int current = -1; // index into windows_; -1 = the panels
    std::vector<std::string> tempFolders;
    std::function<void(const std::string&)> sink;
    std::vector<DialogState*> liveDialogs;
    bool plainDialog = false; // the next DialogEx call comes through the plain Dialog service
    int callDepth = 0;
    std::string rootKey = "Software\\Far\\Plugins";
    std::string pluginFolder; // folder of the loaded DLL, with a trailing backslash
    bool editorAnsiDefault = true, viewerAnsiDefault = true;              // "ANSI as default"
    TextTable editorTable = TextTable::Win, viewerTable = TextTable::Win; // carried into the next window

    FARSETSTARTUPINFO pSetStartupInfo = nullptr;
    FARGETPLUGININFO pGetPluginInfo = nullptr;
    FAROPENPLUGIN pOpenPlugin = nullptr;
    FARCONFIGURE pConfigure = nullptr;
    FARPROCESSEDITOREVENT pProcessEditorEvent = nullptr;

    // Language file messages, loaded at the first GetMsg and again after a
    // language change.
    bool msgsLoaded = false;
    std::string msgsLanguage, lngFile;
    std::vector<std::string> msgs;

    // ---- helpers (host.cpp)
    void Out(const std::string& line);
    void Error(const std::string& text);
    void Warning(const std::string& text);
    bool TakeAnswer(QueuedAnswer::Kind kind, const std::string& what, QueuedAnswer* out);
    bool ValidModule(int number, const char* service);
    void BeginExportCall(const std::string& what);
    void EndExportCall();
    void DropOptionalAnswers();  // after OpenPlugin and Configure
    HostWindow* CurrentWindow(); // null = the panels
    bool CurrentIsModalEditorOrViewer();
    EditorState* CurrentEditor();
    void CloseWindowAt(size_t recordIndex);
    void RemoveWindowForRecord(size_t recordIndex);

    // ---- help (help.cpp): resolves and records what the help viewer would show.
    // mode: FHELP_SELFHELP (path = a file whose folder holds the .hlf),
    // FHELP_CUSTOMFILE (path = the .hlf), FHELP_CUSTOMPATH (path = a folder).
    bool ShowHelpTopic(const std::string& origin, const char* path, const char* topic, DWORD flags);
    // A help topic string of Menu/Dialog/Message (Topic, :Topic, <path\>Topic)
    // resolved against the calling plug-in's folder.
    void ShowPluginTopic(const std::string& origin, const char* topic);

    // ---- services (services.cpp, dialog.cpp)
    static int WINAPI Menu(int PluginNumber, int X, int Y, int MaxHeight, DWORD Flags, const char* Title,
                           const char* Bottom, const char* HelpTopic, const int* BreakKeys, int* BreakCode,
                           const FarMenuItem* Item, int ItemsNumber);
    static int WINAPI Dialog(int PluginNumber, int X1, int Y1, int X2, int Y2, const char* HelpTopic,
                             FarDialogItem* Item, int ItemsNumber);
    static int WINAPI DialogEx(int PluginNumber, int X1, int Y1, int X2, int Y2, const char* HelpTopic,
                               FarDialogItem* Item, int ItemsNumber, DWORD Reserved, DWORD Flags,
                               FARWINDOWPROC DlgProc, long Param);
    static int WINAPI Message(int PluginNumber, DWORD Flags, const char* HelpTopic, const char* const* Items,
                              int ItemsNumber, int ButtonsNumber);
    static const char* WINAPI GetMsg(int PluginNumber, int MsgId);
    static int WINAPI Control(HANDLE hPlugin, int Command, void* Param);
    static HANDLE WINAPI SaveScreen(int X1, int Y1, int X2, int Y2);
    static void WINAPI RestoreScreen(HANDLE hScreen);
    static int WINAPI Viewer(const char* FileName, const char* Title, int X1, int Y1, int X2, int Y2,
                             DWORD Flags);
    static int WINAPI Editor(const char* FileName, const char* Title, int X1, int Y1, int X2, int Y2,
                             DWORD Flags, int StartLine, int StartChar);
    static int WINAPI EditorControl(int Command, void* Param);
    static BOOL WINAPI ShowHelp(const char* ModuleName, const char* Topic, DWORD Flags);
    static int WINAPI AdvControl(int ModuleNumber, int Command, void* Param);
    static long WINAPI SendDlgMessage(HANDLE hDlg, int Msg, int Param1, long Param2);
    static long WINAPI DefDlgProc(HANDLE hDlg, int Msg, int Param1, long Param2);

    int OpenFileWindow(bool editor, const char* FileName, const char* Title, int X1, int Y1, int X2, int Y2,
                       DWORD Flags, int StartLine, int StartChar);
    void LoadMessages();
    DialogState* LiveDialog(HANDLE hDlg);
};

// The services are plain stdcall functions: they find their host through the
// one process-wide Host (null when none exists).
inline Host::Impl* I() {
    Host* h = Host::Current();
    return h ? h->impl() : nullptr;
}

// ---- rendering (render.cpp): each returns the transcript lines of one call.
std::vector<std::string> RenderMenu(const MenuRecord& menu);
std::vector<std::string> RenderDialog(const DialogRecord& dialog, const std::vector<DialogItemRecord>& items);
std::vector<std::string> RenderMessage(const MessageRecord& message);
std::vector<std::string> RenderHelp(const HelpRecord& help);
std::vector<std::string> RenderWindowOpen(const WindowRecord& window);    // the call
std::vector<std::string> RenderWindowContent(const WindowRecord& window); // the window as shown
// A help topic's tables of keys, checked as Far shows them: lines "   #key#  text" and the
// lines indented further that carry the texts on, up to a blank line or a paragraph, keep one
// column for the texts. A key that runs into its text shows as a text a column or two off.
std::vector<std::string> HelpColumnFaults(const std::vector<std::string>& lines);
std::string BreakKeyName(int breakKey);
std::string Quote(const std::string& text); // "text" as the script writes it: \" and \x{NN} for control bytes

// Menu hotkeys as Far assigns them (explicit '&', then FMENU_AUTOHIGHLIGHT).
void AssignHotkeys(std::vector<MenuItemRecord>* items, DWORD flags);
// The text shown for a menu item or label: '&' before the hotkey kept, other '&'s
// of "&&" collapsed.
char AmpersandHotkey(const std::string& text);

} // namespace farhost
