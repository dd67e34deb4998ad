// The contract between the host plug-in and its help modules (*.lvx): the
// records that cross the boundary, the message codes, the option bits and the
// host services handed to every module's Start.
#pragma once

#include "far.hpp"

#pragma pack(push, 2)

// Message codes sent to a module's Message export. Code 3 is not used.
enum HelpModuleMessage {
    HM_DESCRIBE = 1,  // in: null, out: HelpModuleInfo
    HM_SHOWHELP = 2,  // in: HelpRequest, out: HelpResult
    HM_CONFIGURE = 4, // in: null, out: null
};

// HelpModuleInfo.Flags
enum HelpModuleFlags : DWORD {
    HMF_CONFIGURABLE = 4, // the module has a settings dialog and answers HM_CONFIGURE
};

// Catalogue option bits, HelpTypeInfo.DefaultOptions and HelpRequest.Options.
enum HelpOptions : DWORD {
    HO_ASKKEYWORD = 1,   // always show the keyword dialog
    HO_FIXEDKEYWORD = 2, // use the catalogue entry's keyword, not the word under the cursor
};

// Help-file menu commands that lead to a request (HelpRequest.Command).
enum HelpCommand {
    HC_WORDUNDERCURSOR = 0,
    HC_REPEATLAST = 1,
    HC_OPENWORD = 2,
    HC_CATALOGUEENTRY = 4,
};

// Host services (all stdcall).
typedef int(WINAPI* GETMODULEMSG)(const char* LangFile, int MsgId, char* Dest);
typedef long(WINAPI* MODULEDLGPROC)(HANDLE hDlg, int Msg, int Param1, long Param2);
typedef int(WINAPI* MODULEMENU)(const char* ModulePath, int PluginNumber, int X, int Y, int MaxHeight,
                                DWORD Flags, const char* Title, const char* Bottom, const char* HelpTopic,
                                const int* BreakKeys, int* BreakCode, const FarMenuItem* Item,
                                int ItemsNumber);
typedef int(WINAPI* ENCODINGCONVERT)(char* Buffer, int Length, const char* Encoding);

struct ModuleStartupInfo {
    int StructSize;      // 548
    char ModuleName[NM]; // full path of the module file as found
    char LangFile[NM];   // the same path ending in "lvg"
    const char* RootKey; // module registry root below HKEY_CURRENT_USER; valid for the process's life
    GETMODULEMSG GetModuleMsg;
    MODULEDLGPROC ModuleDlgProc;
    MODULEMENU ModuleMenu;
    ENCODINGCONVERT OemToEncoding;
    ENCODINGCONVERT EncodingToOem;
};

struct HelpTypeInfo {
    int StructSize;       // 392
    DWORD DefaultOptions; // HO_* bits used where a catalogue entry leaves an option unset
    char Name[128];       // display name, compared without regard to case
    char Masks[128];      // comma-separated file masks, e.g. "*.chm,*.its"
    char Encoding[128];   // "WIN", "OEM" or empty
};

struct HelpModuleInfo {
    int StructSize; // 144, set by the host
    DWORD Flags;    // HMF_*
    HelpTypeInfo* Types;
    int TypesNumber;
    char Title[128]; // read only when HMF_CONFIGURABLE is set
};

struct HelpRequest {
    int StructSize; // 28
    int TypeIndex;  // index into the module's Types
    DWORD Options;  // resolved HO_* bits
    int Command;    // HC_*
    const char* FileName;
    const char* Keyword; // already in Encoding; may be empty, never null
    const char* Encoding;
};

struct HelpResult {
    int StructSize;      // 132, set by the host
    char ErrorText[128]; // OEM text a failing module writes
};

#pragma pack(pop)

// Module exports, bound by name.
typedef int(WINAPI* MODULESTART)(const PluginStartupInfo* Info, const ModuleStartupInfo* ModuleInfo);
typedef void(WINAPI* MODULEEXIT)(void);
typedef int(WINAPI* MODULEMESSAGE)(int Msg, void* InData, void* OutData);

static_assert(sizeof(ModuleStartupInfo) == 548, "ModuleStartupInfo");
static_assert(offsetof(ModuleStartupInfo, LangFile) == 264, "ModuleStartupInfo.LangFile");
static_assert(offsetof(ModuleStartupInfo, RootKey) == 524, "ModuleStartupInfo.RootKey");
static_assert(offsetof(ModuleStartupInfo, GetModuleMsg) == 528, "ModuleStartupInfo.GetModuleMsg");
static_assert(offsetof(ModuleStartupInfo, EncodingToOem) == 544, "ModuleStartupInfo.EncodingToOem");
static_assert(sizeof(HelpModuleInfo) == 144, "HelpModuleInfo");
static_assert(offsetof(HelpModuleInfo, Types) == 8, "HelpModuleInfo.Types");
static_assert(offsetof(HelpModuleInfo, TypesNumber) == 12, "HelpModuleInfo.TypesNumber");
static_assert(offsetof(HelpModuleInfo, Title) == 16, "HelpModuleInfo.Title");
static_assert(sizeof(HelpTypeInfo) == 392, "HelpTypeInfo");
static_assert(offsetof(HelpTypeInfo, Name) == 8, "HelpTypeInfo.Name");
static_assert(offsetof(HelpTypeInfo, Masks) == 136, "HelpTypeInfo.Masks");
static_assert(offsetof(HelpTypeInfo, Encoding) == 264, "HelpTypeInfo.Encoding");
static_assert(sizeof(HelpRequest) == 28, "HelpRequest");
static_assert(offsetof(HelpRequest, FileName) == 16, "HelpRequest.FileName");
static_assert(offsetof(HelpRequest, Encoding) == 24, "HelpRequest.Encoding");
static_assert(sizeof(HelpResult) == 132, "HelpResult");
static_assert(offsetof(HelpResult, ErrorText) == 4, "HelpResult.ErrorText");
