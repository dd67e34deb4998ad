// Far Manager 1.70 plug-in interface (ANSI, 32-bit), written from the published
// record layouts and constants. Only what Lumivo, its modules and the stand-in
// host use is typed in detail; every record has its size checked below.
#pragma once

#include <stddef.h>
#include <windows.h>

// Far declares its records under 2-byte packing. Every record here has the same
// layout under natural packing, but we follow Far so that nothing drifts.
#pragma pack(push, 2)

enum { NM = 260 };

#define MAKEFARVERSION(major, minor, build) (((major) << 8) | (minor) | ((build) << 16))

struct PluginPanelItem; // not used; typed only as a pointer
struct CharTableSet;    // not used; typed only as a pointer

// ---------------------------------------------------------------- menus
struct FarMenuItem {
    char Text[128];
    int Selected;
    int Checked;
    int Separator;
};

struct FarMenuItemEx {
    DWORD Flags;
    union {
        char Text[128];
        const char* TextPtr;
    } Text;
    DWORD AccelKey;
    DWORD Reserved;
    DWORD UserData;
};

struct FarListItem {
    DWORD Flags;
    char Text[128];
    DWORD Reserved[3];
};

struct FarList {
    int ItemsNumber;
    FarListItem* Items;
};

// ---------------------------------------------------------------- dialogs
struct FarDialogItem {
    int Type;
    int X1, Y1, X2, Y2;
    int Focus;
    union {
        int Selected;
        const char* History;
        const char* Mask;
        FarList* ListItems;
        int ListPos;
        CHAR_INFO* VBuf;
    };
    DWORD Flags;
    int DefaultButton;
    union {
        char Data[512];
        struct {
            DWORD PtrFlags;
            int PtrLength;
            char* PtrData;
            char PtrTail[1];
        } Ptr;
    };
};

// ---------------------------------------------------------------- editor
struct EditorInfo {
    int EditorID;
    const char* FileName;
    int WindowSizeX;
    int WindowSizeY;
    int TotalLines;
    int CurLine;
    int CurPos;
    int CurTabPos;
    int TopScreenLine;
    int LeftPos;
    int Overtype;
    int BlockType;
    int BlockStartLine;
    int AnsiMode;
    int TableNum;
    DWORD Options;
    int TabSize;
    int BookMarkCount;
    DWORD CurState;
    DWORD Reserved[6];
};

struct EditorGetString {
    int StringNumber;
    const char* StringText;
    const char* StringEOL;
    int StringLength;
    int SelStart;
    int SelEnd;
};

struct EditorConvertText {
    char* Text;
    int TextLength;
};

// ECTL_SETPARAM's record. With ESPT_CHARTABLE, iParam 1 is the DOS (OEM) table, 2 the Win
// (ANSI) one, 3 and up Far's code tables from HKCU\Software\Far\CodeTables.
struct EditorSetParameter {
    int Type;
    union {
        int iParam;
        char* cParam;
        DWORD Reserved1;
    } Param;
    DWORD Flags;
    DWORD Reserved2;
};

struct WindowInfo {
    int Pos;
    int Type;
    int Modified;
    int Current;
    char TypeName[64];
    char Name[NM];
};

// ---------------------------------------------------------------- services
typedef long(WINAPI* FARWINDOWPROC)(HANDLE hDlg, int Msg, int Param1, long Param2);

typedef int(WINAPI* FARAPIMENU)(int PluginNumber, int X, int Y, int MaxHeight, DWORD Flags, const char* Title,
                                const char* Bottom, const char* HelpTopic, const int* BreakKeys,
                                int* BreakCode, const FarMenuItem* Item, int ItemsNumber);
typedef int(WINAPI* FARAPIDIALOG)(int PluginNumber, int X1, int Y1, int X2, int Y2, const char* HelpTopic,
                                  FarDialogItem* Item, int ItemsNumber);
typedef int(WINAPI* FARAPIDIALOGEX)(int PluginNumber, int X1, int Y1, int X2, int Y2, const char* HelpTopic,
                                    FarDialogItem* Item, int ItemsNumber, DWORD Reserved, DWORD Flags,
                                    FARWINDOWPROC DlgProc, long Param);
typedef int(WINAPI* FARAPIMESSAGE)(int PluginNumber, DWORD Flags, const char* HelpTopic,
                                   const char* const* Items, int ItemsNumber, int ButtonsNumber);
typedef const char*(WINAPI* FARAPIGETMSG)(int PluginNumber, int MsgId);
typedef int(WINAPI* FARAPICONTROL)(HANDLE hPlugin, int Command, void* Param);
typedef HANDLE(WINAPI* FARAPISAVESCREEN)(int X1, int Y1, int X2, int Y2);
typedef void(WINAPI* FARAPIRESTORESCREEN)(HANDLE hScreen);
typedef int(WINAPI* FARAPIGETDIRLIST)(const char* Dir, PluginPanelItem** pPanelItem, int* pItemsNumber);
typedef int(WINAPI* FARAPIGETPLUGINDIRLIST)(int PluginNumber, HANDLE hPlugin, const char* Dir,
                                            PluginPanelItem** pPanelItem, int* pItemsNumber);
typedef void(WINAPI* FARAPIFREEDIRLIST)(const PluginPanelItem* PanelItem);
typedef int(WINAPI* FARAPIVIEWER)(const char* FileName, const char* Title, int X1, int Y1, int X2, int Y2,
                                  DWORD Flags);
typedef int(WINAPI* FARAPIEDITOR)(const char* FileName, const char* Title, int X1, int Y1, int X2, int Y2,
                                  DWORD Flags, int StartLine, int StartChar);
typedef int(WINAPI* FARAPICMPNAME)(const char* Pattern, const char* String, int SkipPath);
typedef int(WINAPI* FARAPICHARTABLE)(int Command, char* Buffer, int BufferSize);
typedef void(WINAPI* FARAPITEXT)(int X, int Y, int Color, const char* Str);
typedef int(WINAPI* FARAPIEDITORCONTROL)(int Command, void* Param);
typedef BOOL(WINAPI* FARAPISHOWHELP)(const char* ModuleName, const char* Topic, DWORD Flags);
typedef int(WINAPI* FARAPIADVCONTROL)(int ModuleNumber, int Command, void* Param);
typedef int(WINAPI* FARAPIINPUTBOX)(const char* Title, const char* SubTitle, const char* HistoryName,
                                    const char* SrcText, char* DestText, int DestLength,
                                    const char* HelpTopic, DWORD Flags);
typedef long(WINAPI* FARAPISENDDLGMESSAGE)(HANDLE hDlg, int Msg, int Param1, long Param2);
typedef long(WINAPI* FARAPIDEFDLGPROC)(HANDLE hDlg, int Msg, int Param1, long Param2);
typedef int(WINAPI* FARAPIVIEWERCONTROL)(int Command, void* Param);

// Standard functions. sprintf and sscanf are cdecl (variadic); the rest stdcall.
typedef int(WINAPIV* FARSTDSPRINTF)(char* Buffer, const char* Format, ...);
typedef int(WINAPIV* FARSTDSSCANF)(const char* Buffer, const char* Format, ...);
typedef int(WINAPI* FARSTDATOI)(const char* S);
typedef __int64(WINAPI* FARSTDATOI64)(const char* S);
typedef char*(WINAPI* FARSTDITOA)(int Value, char* Buffer, int Radix);
typedef char*(WINAPI* FARSTDITOA64)(__int64 Value, char* Buffer, int Radix);
typedef void(WINAPI* FARSTDQSORT)(void* Base, size_t N, size_t Width,
                                  int(__cdecl* Cmp)(const void*, const void*));
typedef void*(WINAPI* FARSTDBSEARCH)(const void* Key, const void* Base, size_t N, size_t Width,
                                     int(__cdecl* Cmp)(const void*, const void*));
typedef void(WINAPI* FARSTDQSORTEX)(void* Base, size_t N, size_t Width,
                                    int(__cdecl* Cmp)(const void*, const void*, void* User), void* User);
typedef int(WINAPI* FARSTDLOCALISLOWER)(unsigned Ch);
typedef unsigned(WINAPI* FARSTDLOCALUPPER)(unsigned Ch);
typedef void(WINAPI* FARSTDLOCALUPPERBUF)(char* Buf, int Length);
typedef void(WINAPI* FARSTDLOCALSTRUPR)(char* S);
typedef int(WINAPI* FARSTDLOCALSTRICMP)(const char* S1, const char* S2);
typedef int(WINAPI* FARSTDLOCALSTRNICMP)(const char* S1, const char* S2, int N);
typedef void(WINAPI* FARSTDUNQUOTE)(char* Str);
typedef DWORD(WINAPI* FARSTDEXPANDENVIRONMENTSTR)(const char* Src, char* Dst, size_t Size);
typedef char*(WINAPI* FARSTDTRUNCSTR)(char* Str, int MaxLength);
typedef char*(WINAPI* FARSTDSTRFN)(char* Str); // LTrim, RTrim, Trim, QuoteSpaceOnly
typedef char*(WINAPI* FARSTDPOINTTONAME)(const char* Path);
typedef void(WINAPI* FARSTDGETPATHROOT)(const char* Path, char* Root);
typedef BOOL(WINAPI* FARSTDADDENDSLASH)(char* Path);
typedef int(WINAPI* FARSTDCOPYTOCLIPBOARD)(const char* Data);
typedef char*(WINAPI* FARSTDPASTEFROMCLIPBOARD)(void);
typedef BOOL(WINAPI* FARSTDKEYTOKEYNAME)(int Key, char* KeyText, int Size);
typedef int(WINAPI* FARSTDKEYNAMETOKEY)(const char* Name);
typedef int(WINAPI* FARSTDINPUTRECORDTOKEY)(const INPUT_RECORD* Rec);
typedef char*(WINAPI* FARSTDXLAT)(char* Line, int StartPos, int EndPos, const CharTableSet* Table,
                                  DWORD Flags);
typedef int(WINAPI* FARSTDGETFILEOWNER)(const char* Computer, const char* Name, char* Owner);
typedef int(WINAPI* FARSTDGETNUMBEROFLINKS)(const char* Name);
typedef int(WINAPI* FRSUSERFUNC)(const WIN32_FIND_DATAA* FData, const char* FullName, void* Param);
typedef void(WINAPI* FARSTDRECURSIVESEARCH)(const char* InitDir, const char* Mask, FRSUSERFUNC Func,
                                            DWORD Flags, void* Param);
typedef char*(WINAPI* FARSTDMKTEMP)(char* Dest, const char* Prefix);
typedef void(WINAPI* FARSTDDELETEBUFFER)(char* Buffer);
typedef int(WINAPI* FARSTDPROCESSNAME)(const char* Param1, char* Param2, DWORD Flags);
typedef int(WINAPI* FARSTDMKLINK)(const char* Src, const char* Dest, DWORD Flags);
typedef int(WINAPI* FARCONVERTNAMETOREAL)(const char* Src, char* Dest, int DestSize);
typedef int(WINAPI* FARGETREPARSEPOINTINFO)(const char* Src, char* Dest, int DestSize);

struct FarStandardFunctions {
    int StructSize;
    FARSTDATOI atoi;
    FARSTDATOI64 atoi64;
    FARSTDITOA itoa;
    FARSTDITOA64 itoa64;
    FARSTDSPRINTF sprintf;
    FARSTDSSCANF sscanf;
    FARSTDQSORT qsort;
    FARSTDBSEARCH bsearch;
    FARSTDQSORTEX qsortex;
    DWORD Reserved[9]; // slot 0 holds an undocumented function in real Far: never call it
    FARSTDLOCALISLOWER LIsLower;
    FARSTDLOCALISLOWER LIsUpper;
    FARSTDLOCALISLOWER LIsAlpha;
    FARSTDLOCALISLOWER LIsAlphanum;
    FARSTDLOCALUPPER LUpper;
    FARSTDLOCALUPPER LLower;
    FARSTDLOCALUPPERBUF LUpperBuf;
    FARSTDLOCALUPPERBUF LLowerBuf;
    FARSTDLOCALSTRUPR LStrupr;
    FARSTDLOCALSTRUPR LStrlwr;
    FARSTDLOCALSTRICMP LStricmp;
    FARSTDLOCALSTRNICMP LStrnicmp;
    FARSTDUNQUOTE Unquote;
    FARSTDEXPANDENVIRONMENTSTR ExpandEnvironmentStr;
    FARSTDSTRFN LTrim;
    FARSTDSTRFN RTrim;
    FARSTDSTRFN Trim;
    FARSTDTRUNCSTR TruncStr;
    FARSTDTRUNCSTR TruncPathStr;
    FARSTDSTRFN QuoteSpaceOnly;
    FARSTDPOINTTONAME PointToName;
    FARSTDGETPATHROOT GetPathRoot;
    FARSTDADDENDSLASH AddEndSlash;
    FARSTDCOPYTOCLIPBOARD CopyToClipboard;
    FARSTDPASTEFROMCLIPBOARD PasteFromClipboard;
    FARSTDKEYTOKEYNAME FarKeyToName;
    FARSTDKEYNAMETOKEY FarNameToKey;
    FARSTDINPUTRECORDTOKEY FarInputRecordToKey;
    FARSTDXLAT XLat;
    FARSTDGETFILEOWNER GetFileOwner;
    FARSTDGETNUMBEROFLINKS GetNumberOfLinks;
    FARSTDRECURSIVESEARCH FarRecursiveSearch;
    FARSTDMKTEMP MkTemp;
    FARSTDDELETEBUFFER DeleteBuffer;
    FARSTDPROCESSNAME ProcessName;
    FARSTDMKLINK MkLink;
    FARCONVERTNAMETOREAL ConvertNameToReal;
    FARGETREPARSEPOINTINFO GetReparsePointInfo;
};

struct PluginStartupInfo {
    int StructSize;
    char ModuleName[NM];
    int ModuleNumber;
    const char* RootKey;
    FARAPIMENU Menu;
    FARAPIDIALOG Dialog;
    FARAPIMESSAGE Message;
    FARAPIGETMSG GetMsg;
    FARAPICONTROL Control;
    FARAPISAVESCREEN SaveScreen;
    FARAPIRESTORESCREEN RestoreScreen;
    FARAPIGETDIRLIST GetDirList;
    FARAPIGETPLUGINDIRLIST GetPluginDirList;
    FARAPIFREEDIRLIST FreeDirList;
    FARAPIVIEWER Viewer;
    FARAPIEDITOR Editor;
    FARAPICMPNAME CmpName;
    FARAPICHARTABLE CharTable;
    FARAPITEXT Text;
    FARAPIEDITORCONTROL EditorControl;
    FarStandardFunctions* FSF;
    FARAPISHOWHELP ShowHelp;
    FARAPIADVCONTROL AdvControl;
    FARAPIINPUTBOX InputBox;
    FARAPIDIALOGEX DialogEx;
    FARAPISENDDLGMESSAGE SendDlgMessage;
    FARAPIDEFDLGPROC DefDlgProc;
    DWORD Reserved;
    FARAPIVIEWERCONTROL ViewerControl;
};

struct PluginInfo {
    int StructSize;
    DWORD Flags;
    const char* const* DiskMenuStrings;
    int* DiskMenuNumbers;
    int DiskMenuStringsNumber;
    const char* const* PluginMenuStrings;
    int PluginMenuStringsNumber;
    const char* const* PluginConfigStrings;
    int PluginConfigStringsNumber;
    const char* CommandPrefix;
    DWORD Reserved;
};

#pragma pack(pop)

// ---------------------------------------------------------------- constants
enum DialogItemTypes {
    DI_TEXT = 0,
    DI_VTEXT = 1,
    DI_SINGLEBOX = 2,
    DI_DOUBLEBOX = 3,
    DI_EDIT = 4,
    DI_PSWEDIT = 5,
    DI_FIXEDIT = 6,
    DI_BUTTON = 7,
    DI_CHECKBOX = 8,
    DI_RADIOBUTTON = 9,
    DI_COMBOBOX = 10,
    DI_LISTBOX = 11,
    DI_USERCONTROL = 255,
};

// Several names share a bit; the meaning depends on the item type.
enum FarDialogItemFlags : DWORD {
    DIF_COLORMASK = 0x000000FFUL,
    DIF_SETCOLOR = 0x00000100UL,
    DIF_BOXCOLOR = 0x00000200UL,
    DIF_GROUP = 0x00000400UL,
    DIF_LEFTTEXT = 0x00000800UL,
    DIF_MOVESELECT = 0x00001000UL,
    DIF_SHOWAMPERSAND = 0x00002000UL,
    DIF_CENTERGROUP = 0x00004000UL,
    DIF_NOBRACKETS = 0x00008000UL,
    DIF_MANUALADDHISTORY = 0x00008000UL,
    DIF_SEPARATOR = 0x00010000UL,
    DIF_VAREDIT = 0x00010000UL,
    DIF_SEPARATOR2 = 0x00020000UL,
    DIF_EDITOR = 0x00020000UL,
    DIF_LISTNOAMPERSAND = 0x00020000UL,
    DIF_HISTORY = 0x00040000UL,
    DIF_BTNNOCLOSE = 0x00040000UL,
    DIF_CENTERTEXT = 0x00040000UL,
    DIF_LISTNOBOX = 0x00040000UL,
    DIF_EDITEXPAND = 0x00080000UL,
    DIF_DROPDOWNLIST = 0x00100000UL,
    DIF_USELASTHISTORY = 0x00200000UL,
    DIF_MASKEDIT = 0x00400000UL,
    DIF_SELECTONENTRY = 0x00800000UL,
    DIF_3STATE = 0x00800000UL,
    DIF_LISTWRAPMODE = 0x01000000UL,
    DIF_LISTAUTOHIGHLIGHT = 0x02000000UL,
    DIF_LISTNOCLOSE = 0x04000000UL,
    DIF_HIDDEN = 0x10000000UL,
    DIF_READONLY = 0x20000000UL,
    DIF_NOFOCUS = 0x40000000UL,
    DIF_DISABLE = 0x80000000UL,
};

enum MENUFLAGS {
    FMENU_SHOWAMPERSAND = 0x01,
    FMENU_WRAPMODE = 0x02,
    FMENU_AUTOHIGHLIGHT = 0x04,
    FMENU_REVERSEAUTOHIGHLIGHT = 0x08,
    FMENU_USEEXT = 0x20,
    FMENU_CHANGECONSOLETITLE = 0x40,
};

enum MENUITEMFLAGS : DWORD {
    MIF_SELECTED = 0x00010000UL,
    MIF_CHECKED = 0x00020000UL,
    MIF_SEPARATOR = 0x00040000UL,
    MIF_DISABLE = 0x00080000UL,
    MIF_USETEXTPTR = 0x80000000UL,
};

enum LISTITEMFLAGS : DWORD {
    LIF_SELECTED = 0x00010000UL,
    LIF_CHECKED = 0x00020000UL,
    LIF_SEPARATOR = 0x00040000UL,
    LIF_DISABLE = 0x00080000UL,
    LIF_DELETEUSERDATA = 0x80000000UL,
};

enum FarMessagesFlags : DWORD {
    FMSG_WARNING = 0x00000001,
    FMSG_ERRORTYPE = 0x00000002,
    FMSG_KEEPBACKGROUND = 0x00000004,
    FMSG_DOWN = 0x00000008,
    FMSG_LEFTALIGN = 0x00000010,
    FMSG_ALLINONE = 0x00000020,
    FMSG_MB_OK = 0x00010000,
    FMSG_MB_OKCANCEL = 0x00020000,
    FMSG_MB_ABORTRETRYIGNORE = 0x00030000,
    FMSG_MB_YESNO = 0x00040000,
    FMSG_MB_YESNOCANCEL = 0x00050000,
    FMSG_MB_RETRYCANCEL = 0x00060000,
    FMSG_MB_MASK = 0x000F0000, // the FMSG_MB_* values are a field, not bits
};

enum FarHelpFlags : DWORD {
    FHELP_SELFHELP = 0x00000000,
    FHELP_FARHELP = 0x00000001,
    FHELP_CUSTOMFILE = 0x00000002,
    FHELP_CUSTOMPATH = 0x00000004,
    FHELP_USECONTENTS = 0x40000000,
    FHELP_NOSHOWERROR = 0x80000000,
};

enum EDITOR_FLAGS {
    EF_NONMODAL = 0x001,
    EF_CREATENEW = 0x002,
    EF_ENABLE_F6 = 0x004,
    EF_DISABLEHISTORY = 0x008,
    EF_DELETEONCLOSE = 0x010,
    EF_IMMEDIATERETURN = 0x100,
    EF_DELETEONLYFILEONCLOSE = 0x200,
};

enum VIEWER_FLAGS {
    VF_NONMODAL = 0x001,
    VF_DELETEONCLOSE = 0x002,
    VF_ENABLE_F6 = 0x004,
    VF_DISABLEHISTORY = 0x008,
    VF_IMMEDIATERETURN = 0x100,
    VF_DELETEONLYFILEONCLOSE = 0x200,
};

enum EDITOR_EXITCODE {
    EEC_OPEN_ERROR = 0,
    EEC_MODIFIED = 1,
    EEC_NOT_MODIFIED = 2,
    EEC_LOADING_INTERRUPTED = 3,
};

enum EDITOR_CONTROL_COMMANDS {
    ECTL_GETSTRING,
    ECTL_SETSTRING,
    ECTL_INSERTSTRING,
    ECTL_DELETESTRING,
    ECTL_DELETECHAR,
    ECTL_INSERTTEXT,
    ECTL_GETINFO,
    ECTL_SETPOSITION,
    ECTL_SELECT,
    ECTL_REDRAW,
    ECTL_EDITORTOOEM,
    ECTL_OEMTOEDITOR,
    ECTL_TABTOREAL,
    ECTL_REALTOTAB,
    ECTL_EXPANDTABS,
    ECTL_SETTITLE,
    ECTL_READINPUT,
    ECTL_PROCESSINPUT,
    ECTL_ADDCOLOR,
    ECTL_GETCOLOR,
    ECTL_SAVEFILE,
    ECTL_QUIT,
    ECTL_SETKEYBAR,
    ECTL_PROCESSKEY,
    ECTL_SETPARAM,
    ECTL_GETBOOKMARKS,
    ECTL_TURNOFFMARKINGBLOCK,
    ECTL_DELETEBLOCK,
};

enum EDITOR_SETPARAMETER_TYPES {
    ESPT_TABSIZE,
    ESPT_EXPANDTABS,
    ESPT_AUTOINDENT,
    ESPT_CURSORBEYONDEOL,
    ESPT_CHARCODEBASE,
    ESPT_CHARTABLE,
    ESPT_SAVEFILEPOSITION,
    ESPT_LOCKMODE,
    ESPT_SETWORDDIV,
    ESPT_GETWORDDIV,
};

enum ADVANCED_CONTROL_COMMANDS {
    ACTL_GETFARVERSION,
    ACTL_CONSOLEMODE,
    ACTL_GETSYSWORDDIV,
    ACTL_WAITKEY,
    ACTL_GETCOLOR,
    ACTL_GETARRAYCOLOR,
    ACTL_EJECTMEDIA,
    ACTL_KEYMACRO,
    ACTL_POSTKEYSEQUENCE,
    ACTL_GETWINDOWINFO,
    ACTL_GETWINDOWCOUNT,
    ACTL_SETCURRENTWINDOW,
    ACTL_COMMIT,
    ACTL_GETFARHWND,
    ACTL_GETSYSTEMSETTINGS,
    ACTL_GETPANELSETTINGS,
    ACTL_GETINTERFACESETTINGS,
    ACTL_GETCONFIRMATIONS,
    ACTL_GETDESCSETTINGS,
    ACTL_SETARRAYCOLOR,
    ACTL_GETWCHARMODE,
    ACTL_GETPLUGINMAXREADDATA,
    ACTL_GETDIALOGSETTINGS,
    ACTL_GETSHORTWINDOWINFO,
};

enum WINDOWINFO_TYPE {
    WTYPE_PANELS = 1,
    WTYPE_VIEWER = 2,
    WTYPE_EDITOR = 3,
    WTYPE_DIALOG = 4,
    WTYPE_VMENU = 5,
    WTYPE_HELP = 6,
};

enum EDITOR_EVENTS { EE_READ = 0, EE_SAVE = 1, EE_REDRAW = 2, EE_CLOSE = 3 };
enum VIEWER_EVENTS { VE_READ = 0, VE_CLOSE = 1 };
enum EDITOR_REDRAW { EEREDRAW_ALL = 0, EEREDRAW_CHANGE = 1, EEREDRAW_LINE = 2 };

enum OPENPLUGIN_OPENFROM {
    OPEN_DISKMENU = 0,
    OPEN_PLUGINSMENU = 1,
    OPEN_FINDLIST = 2,
    OPEN_SHORTCUT = 3,
    OPEN_COMMANDLINE = 4,
    OPEN_EDITOR = 5,
    OPEN_VIEWER = 6,
};

enum PLUGIN_FLAGS {
    PF_PRELOAD = 0x01,
    PF_DISABLEPANELS = 0x02,
    PF_EDITOR = 0x04,
    PF_VIEWER = 0x08,
    PF_FULLCMDLINE = 0x10,
};

enum PROCESSNAME_FLAGS : DWORD {
    PN_CMPNAME = 0x00000000UL,
    PN_CMPNAMELIST = 0x00001000UL,
    PN_GENERATENAME = 0x00002000UL,
    PN_SKIPPATH = 0x00100000UL,
};

enum FRSMODE { FRS_RETUPDIR = 0x01, FRS_RECUR = 0x02, FRS_SCANSYMLINK = 0x04 };

enum FarDialogMessages {
    DM_FIRST = 0,
    DM_CLOSE,
    DM_ENABLE,
    DM_ENABLEREDRAW,
    DM_GETDLGDATA,
    DM_GETDLGITEM,
    DM_GETDLGRECT,
    DM_GETTEXT,
    DM_GETTEXTLENGTH,
    DM_KEY,
    DM_MOVEDIALOG,
    DM_SETDLGDATA,
    DM_SETDLGITEM,
    DM_SETFOCUS,
    DM_REDRAW,
    DM_SETTEXT,
    DM_SETMAXTEXTLENGTH,
    DM_SHOWDIALOG,
    DM_GETFOCUS,
    DM_GETCURSORPOS,
    DM_SETCURSORPOS,
    DM_GETTEXTPTR,
    DM_SETTEXTPTR,
    DM_SHOWITEM,
    DM_ADDHISTORY,
    DM_GETCHECK,
    DM_SETCHECK,
    DM_SET3STATE,
    DM_LISTSORT,
    DM_LISTGETITEM,
    DM_LISTGETCURPOS,
    DM_LISTSETCURPOS,
    DM_LISTDELETE,
    DM_LISTADD,
    DM_LISTADDSTR,
    DM_LISTUPDATE,
    DM_LISTINSERT,
    DM_LISTFINDSTRING,
    DM_LISTINFO,
    DM_LISTGETDATA,
    DM_LISTSETDATA,
    DM_LISTSETTITLES,
    DM_LISTGETTITLES,
    DM_RESIZEDIALOG,
    DM_SETITEMPOSITION,
    DM_GETDROPDOWNOPENED,
    DM_SETDROPDOWNOPENED,
    DM_SETHISTORY,
    DM_GETITEMPOSITION,
    DM_SETMOUSEEVENTNOTIFY,
    DM_EDITUNCHANGEDFLAG,
    DM_GETITEMDATA,
    DM_SETITEMDATA,
    DM_LISTSET,
    DM_LISTSETMOUSEREACTION,
    DM_GETCURSORSIZE,
    DM_SETCURSORSIZE,
    DM_LISTGETDATASIZE,
    DM_GETSELECTION,
    DM_SETSELECTION,

    DN_LISTHOTKEY = 60,
    DN_FIRST = 0x1000,
    DN_BTNCLICK,
    DN_CTLCOLORDIALOG,
    DN_CTLCOLORDLGITEM,
    DN_CTLCOLORDLGLIST,
    DN_DRAWDIALOG,
    DN_DRAWDLGITEM,
    DN_EDITCHANGE,
    DN_ENTERIDLE,
    DN_GOTFOCUS,
    DN_HELP,
    DN_HOTKEY,
    DN_INITDIALOG,
    DN_KILLFOCUS,
    DN_LISTCHANGE,
    DN_MOUSECLICK,
    DN_DRAGGED,
    DN_RESIZECONSOLE,
    DN_MOUSEEVENT,
    DN_DRAWDIALOGDONE,

    DN_CLOSE = DM_CLOSE,
    DN_KEY = DM_KEY,

    DM_USER = 0x4000,
};

enum FARDIALOGFLAGS {
    FDLG_WARNING = 0x1,
    FDLG_SMALLDIALOG = 0x2,
    FDLG_NODRAWSHADOW = 0x4,
    FDLG_NODRAWPANEL = 0x8
};
enum CHECKEDSTATE { BSTATE_UNCHECKED = 0, BSTATE_CHECKED = 1, BSTATE_3STATE = 2, BSTATE_TOGGLE = 3 };
enum BLOCKTYPES { BTYPE_NONE = 0, BTYPE_STREAM = 1, BTYPE_COLUMN = 2 };
enum EDITOR_CURRENTSTATE { ECSTATE_MODIFIED = 0x1, ECSTATE_SAVED = 0x2, ECSTATE_LOCKED = 0x4 };

// Modifiers in the high word of a Menu break key (virtual-key code in the low word).
enum PLUGINKEYFLAGS { PKF_CONTROL = 0x1, PKF_ALT = 0x2, PKF_SHIFT = 0x4, PKF_PREPROCESS = 0x80000 };

// Far's own key codes (AccelKey, DN_KEY), not used in break keys.
enum FarKeyBase {
    KEY_CTRL = 0x01000000,
    KEY_ALT = 0x02000000,
    KEY_SHIFT = 0x04000000,
    KEY_RCTRL = 0x10000000,
    KEY_RALT = 0x20000000,
    KEY_FUNCTION_BASE = 0x100, // a function or navigation key is this plus its VK code
};

// ---------------------------------------------------------------- plug-in exports
typedef void(WINAPI* FARSETSTARTUPINFO)(const PluginStartupInfo* Info);
typedef void(WINAPI* FARGETPLUGININFO)(PluginInfo* Info);
typedef HANDLE(WINAPI* FAROPENPLUGIN)(int OpenFrom, int Item);
typedef int(WINAPI* FARCONFIGURE)(int ItemNumber);
typedef int(WINAPI* FARPROCESSEDITOREVENT)(int Event, void* Param);

// ---------------------------------------------------------------- size checks
static_assert(sizeof(PluginStartupInfo) == 372, "PluginStartupInfo");
static_assert(sizeof(FarStandardFunctions) == 228, "FarStandardFunctions");
static_assert(sizeof(FarDialogItem) == 548, "FarDialogItem");
static_assert(sizeof(PluginInfo) == 44, "PluginInfo");
static_assert(sizeof(FarMenuItemEx) == 144, "FarMenuItemEx");
static_assert(sizeof(FarListItem) == 144, "FarListItem");
static_assert(sizeof(FarMenuItem) == 140, "FarMenuItem");
static_assert(sizeof(FarList) == 8, "FarList");
static_assert(sizeof(EditorInfo) == 100, "EditorInfo");
static_assert(sizeof(EditorGetString) == 24, "EditorGetString");
static_assert(sizeof(EditorConvertText) == 8, "EditorConvertText");
static_assert(sizeof(WindowInfo) == 340, "WindowInfo");
static_assert(sizeof(EditorSetParameter) == 16, "EditorSetParameter");

static_assert(offsetof(PluginStartupInfo, ModuleNumber) == 264, "PluginStartupInfo.ModuleNumber");
static_assert(offsetof(PluginStartupInfo, RootKey) == 268, "PluginStartupInfo.RootKey");
static_assert(offsetof(PluginStartupInfo, EditorControl) == 332, "PluginStartupInfo.EditorControl");
static_assert(offsetof(PluginStartupInfo, FSF) == 336, "PluginStartupInfo.FSF");
static_assert(offsetof(PluginStartupInfo, DialogEx) == 352, "PluginStartupInfo.DialogEx");
static_assert(offsetof(PluginStartupInfo, DefDlgProc) == 360, "PluginStartupInfo.DefDlgProc");
static_assert(offsetof(FarStandardFunctions, sprintf) == 20, "FarStandardFunctions.sprintf");
static_assert(offsetof(FarStandardFunctions, LIsLower) == 76, "FarStandardFunctions.LIsLower");
static_assert(offsetof(FarStandardFunctions, LStricmp) == 116, "FarStandardFunctions.LStricmp");
static_assert(offsetof(FarStandardFunctions, PointToName) == 156, "FarStandardFunctions.PointToName");
static_assert(offsetof(FarStandardFunctions, FarRecursiveSearch) == 200,
              "FarStandardFunctions.FarRecursiveSearch");
static_assert(offsetof(FarStandardFunctions, MkTemp) == 204, "FarStandardFunctions.MkTemp");
static_assert(offsetof(FarStandardFunctions, ProcessName) == 212, "FarStandardFunctions.ProcessName");
static_assert(offsetof(FarDialogItem, Selected) == 24, "FarDialogItem.Selected");
static_assert(offsetof(FarDialogItem, Flags) == 28, "FarDialogItem.Flags");
static_assert(offsetof(FarDialogItem, Data) == 36, "FarDialogItem.Data");
static_assert(offsetof(FarMenuItemEx, AccelKey) == 132, "FarMenuItemEx.AccelKey");
static_assert(offsetof(FarMenuItemEx, UserData) == 140, "FarMenuItemEx.UserData");
static_assert(offsetof(EditorInfo, CurPos) == 24, "EditorInfo.CurPos");
static_assert(offsetof(EditorInfo, CurState) == 72, "EditorInfo.CurState");
static_assert(offsetof(WindowInfo, Name) == 80, "WindowInfo.Name");
static_assert(offsetof(PluginInfo, CommandPrefix) == 36, "PluginInfo.CommandPrefix");
