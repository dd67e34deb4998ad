// What Far calls first: SetStartupInfo, GetPluginInfo and ProcessEditorEvent,
// with the process-wide state and the settings store on the settings key.
#include "lumivo.hpp"

#include "heap.hpp"
#include "modulefront.hpp"
#include "modules.hpp"
#include "resultview.hpp"
#include "settings.hpp"

#include <string.h>

PluginStartupInfo Info;
FarStandardFunctions FSF;
char SettingsKey[SETTINGS_KEY_SIZE];
ModuleTable* Modules;
int ShowInPanels;
int ShowInDisks;
int DisksHotkey;
WordDelimiters WordDiv;

static const MemoryHooks ProcessHeap = {HeapAllocZero, HeapFreeBlock};
EditorChoiceMemory EditorChoices = {nullptr, &ProcessHeap};

// One line shared by the plug-ins menu, the configuration menu and the disk menu.
static const char* MenuStrings[1];

const char* GetMsg(int id) {
    return Info.GetMsg ? Info.GetMsg(Info.ModuleNumber, id) : "";
}

bool ReadSetting(const char* name, char* buffer, const char* defaultText, DWORD size) {
    return ReadSetting(SettingsKey, name, buffer, defaultText, size);
}

void WriteSetting(const char* name, const char* text) {
    WriteSetting(SettingsKey, name, text);
}

void DeleteSetting(const char* name) {
    DeleteSetting(SettingsKey, name);
}

int ReadNumberSetting(const char* name, const char* defaultText) {
    return ReadNumberSetting(FSF, SettingsKey, name, defaultText);
}

void WriteNumberSetting(const char* name, int value) {
    WriteNumberSetting(FSF, SettingsKey, name, value);
}

static const char* DialogMessage(int id, void*) {
    return GetMsg(id);
}

void BuildDialog(const DialogTemplateItem* templates, int count, FarDialogItem* items) {
    ExpandDialog(templates, count, items, DialogMessage, nullptr);
}

// A host older than 1.70 passes shorter tables; copy only what it really has.
template <class Record> static void CopyRecord(Record* to, const Record* from) {
    memset(to, 0, sizeof *to);
    size_t size = from->StructSize > 0 ? (size_t)from->StructSize : 0;
    memcpy(to, from, size < sizeof *to ? size : sizeof *to);
}

extern "C" void WINAPI SetStartupInfo(const PluginStartupInfo* psi) {
    CopyRecord(&Info, psi);
    CopyRecord(&FSF, psi->FSF);
    Info.FSF = &FSF;

    // "%s\Lumivo" with the root cut so that the key always fits its buffer.
    const char* root = Info.RootKey ? Info.RootKey : "";
    FSF.sprintf(SettingsKey, "%.*s\\Lumivo", SETTINGS_KEY_SIZE - 8, root);

    char folder[NM + 8];
    size_t dirLength = (size_t)(FSF.PointToName(Info.ModuleName) - Info.ModuleName);
    if (dirLength > NM - 1) dirLength = NM - 1;
    memcpy(folder, Info.ModuleName, dirLength);
    strcpy(folder + dirLength, "lvx\\");

    Modules = (ModuleTable*)HeapAllocZero(sizeof(ModuleTable));
    if (Modules) LoadModules(Modules, folder);

    ShowInPanels = ReadNumberSetting("ShowInPanels", "1");
    ShowInDisks = ReadNumberSetting("ShowInDisks", "0");
    DisksHotkey = ReadNumberSetting("DisksHotkey", "0");
    if (DisksHotkey < 0 || DisksHotkey > 9) DisksHotkey = 0;

    int count = Info.AdvControl(Info.ModuleNumber, ACTL_GETSYSWORDDIV, WordDiv.Chars);
    CompleteWordDelimiters(&WordDiv, count);
}

extern "C" void WINAPI GetPluginInfo(PluginInfo* pi) {
    pi->StructSize = sizeof(PluginInfo);
    pi->Flags = PF_EDITOR | PF_VIEWER;
    if (!ShowInPanels) pi->Flags |= PF_DISABLEPANELS;
    MenuStrings[0] = GetMsg(MTitle);
    pi->PluginMenuStrings = MenuStrings;
    pi->PluginMenuStringsNumber = 1;
    pi->PluginConfigStrings = MenuStrings;
    pi->PluginConfigStringsNumber = 1;
    if (ShowInDisks) {
        pi->DiskMenuStrings = MenuStrings;
        pi->DiskMenuNumbers = &DisksHotkey;
        pi->DiskMenuStringsNumber = 1;
    }
}

extern "C" int WINAPI ProcessEditorEvent(int event, void* param) {
    if (event == EE_CLOSE && param) ForgetEditor(&EditorChoices, *(const int*)param);
    // A module's answer being loaded into the editor: shown in the table its bytes are in.
    if (event == EE_READ) ApplyResultTable(Info);
    return 0;
}
