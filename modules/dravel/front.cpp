// Dravel.lvx: the dictionary provider as the host plug-in sees it. The exports, the answer to
// HM_DESCRIBE, the two settings in the registry and their dialog; the lookup is in frontshow.cpp.
#include "front.hpp"

#include "dlgtemplate.hpp"
#include "settings.hpp"

#include <string.h>

DravelFront Front;

namespace {

// The host keeps this pointer for as long as the module is loaded.
HelpTypeInfo DictionaryType;

const char ModalityName[] = "Modality";
const char VisualityName[] = "Visuality";

enum { NUMBER_TEXT_SIZE = 10 }; // a setting is read into this many bytes

void CopyText(char* dest, const char* src, size_t size) {
    size_t n = src ? strlen(src) : 0;
    if (n >= size) n = size - 1;
    if (n) memcpy(dest, src, n);
    dest[n] = 0;
}

// A setting is 0 or 1: any stored number counts by its lowest bit, so 3 reads as 1 and -2 as 0.
int ReadBinarySetting(const char* name) {
    char text[NUMBER_TEXT_SIZE];
    int value = 0;
    ReadSetting(Front.SettingsKey, name, text, "0", sizeof text);
    if (Front.FSF.sscanf) Front.FSF.sscanf(text, "%i", &value);
    return value & 1;
}

void WriteNumberSetting(const char* name, int value) {
    char text[16];
    if (!Front.SettingsKey[0] || !Front.FSF.itoa) return;
    Front.FSF.itoa(value, text, 10);
    WriteSetting(Front.SettingsKey, name, text);
}

void ReadSettings() {
    Front.Modality = ReadBinarySetting(ModalityName);
    Front.Visuality = ReadBinarySetting(VisualityName);
}

int Describe(HelpModuleInfo* info) {
    if (!info) return 0;
    info->TypesNumber = 1;
    memset(&DictionaryType, 0, sizeof DictionaryType);
    DictionaryType.StructSize = sizeof DictionaryType;
    DictionaryType.DefaultOptions = HO_ASKKEYWORD;
    CopyText(DictionaryType.Name, "Dravel", sizeof DictionaryType.Name);
    CopyText(DictionaryType.Masks, "Dravel.txt", sizeof DictionaryType.Masks);
    info->Types = &DictionaryType;
    GetText(MsgTitle, info->Title);
    info->Flags = HMF_CONFIGURABLE;
    return 1;
}

// ---------------------------------------------------------------- settings dialog

enum { ITEM_MODALITY = 2, ITEM_VISUALITY = 3, ITEM_ACCEPT = 5, DIALOG_ITEMS = 7 };

const DialogTemplateItem SettingsDialog[DIALOG_ITEMS] = {
    {DI_DOUBLEBOX, 3, 1, 41, 6, 0, MsgTitle},
    {DI_TEXT, 5, 2, 0, 0, 0, MsgDialogLabel},
    {DI_COMBOBOX, 5, 3, 20, 0, DIF_DROPDOWNLIST, -1},
    {DI_COMBOBOX, 23, 3, 38, 0, DIF_DROPDOWNLIST, -1},
    {DI_TEXT, 4, 4, 0, 0, DIF_SEPARATOR, -1},
    {DI_BUTTON, 0, 5, 0, 0, DIF_CENTERGROUP, MsgAccept},
    {DI_BUTTON, 0, 5, 0, 0, DIF_CENTERGROUP, MsgCancel},
};

const char* DialogText(int n, void* buffer) {
    GetText(n, (char*)buffer);
    return (const char*)buffer;
}

// Two rows, the current setting's row selected.
void FillList(FarListItem* rows, FarList* list, int row0, int row1, int current) {
    memset(rows, 0, 2 * sizeof *rows);
    GetText(row0, rows[0].Text);
    GetText(row1, rows[1].Text);
    rows[current ? 1 : 0].Flags = LIF_SELECTED;
    list->ItemsNumber = 2;
    list->Items = rows;
}

// Far leaves the list position in place of the list pointer; only 0 and 1 are rows.
int ChosenRow(const FarDialogItem& item) {
    return item.ListPos == 1 ? 1 : 0;
}

void Configure() {
    if (!Front.Info.Dialog) return;
    FarDialogItem items[DIALOG_ITEMS];
    FarListItem modalityRows[2], visualityRows[2];
    FarList modalityList, visualityList;
    char text[DRAVEL_MSG_SIZE];
    ExpandDialog(SettingsDialog, DIALOG_ITEMS, items, DialogText, text);
    FillList(modalityRows, &modalityList, MsgNonModal, MsgModal, Front.Modality);
    FillList(visualityRows, &visualityList, MsgEditor, MsgViewer, Front.Visuality);
    items[ITEM_MODALITY].ListItems = &modalityList;
    items[ITEM_MODALITY].Focus = 1;
    items[ITEM_VISUALITY].ListItems = &visualityList;
    items[ITEM_ACCEPT].DefaultButton = 1;

    int result = Front.Info.Dialog(Front.Info.ModuleNumber, -1, -1, 45, 8, nullptr, items, DIALOG_ITEMS);
    if (result != ITEM_ACCEPT) return;
    Front.Modality = ChosenRow(items[ITEM_MODALITY]);
    Front.Visuality = ChosenRow(items[ITEM_VISUALITY]);
    WriteNumberSetting(ModalityName, Front.Modality);
    WriteNumberSetting(VisualityName, Front.Visuality);
}

} // namespace

void GetText(int n, char* dest) {
    dest[0] = 0;
    if (Front.Module.GetModuleMsg) Front.Module.GetModuleMsg(Front.Module.LangFile, n, dest);
    dest[DRAVEL_MSG_SIZE - 1] = 0;
}

extern "C" int WINAPI Start(const PluginStartupInfo* Info, const ModuleStartupInfo* ModuleInfo) {
    memset(&Front, 0, sizeof Front);
    if (!Info || !ModuleInfo) return 0;
    memcpy(&Front.Info, Info, sizeof Front.Info);
    if (Info->FSF) memcpy(&Front.FSF, Info->FSF, sizeof Front.FSF);
    Front.Info.FSF = &Front.FSF;
    memcpy(&Front.Module, ModuleInfo, sizeof Front.Module);
    Front.Module.ModuleName[NM - 1] = 0;
    Front.Module.LangFile[NM - 1] = 0;
    const char* root = ModuleInfo->RootKey;
    // The host's root fits 100 characters; anything longer is not a key we should write under.
    if (root && strlen(root) + sizeof "\\Dravel" <= sizeof Front.SettingsKey && Front.FSF.sprintf)
        Front.FSF.sprintf(Front.SettingsKey, "%s\\Dravel", root);
    ReadSettings();
    Front.Started = true;
    return 0;
}

extern "C" void WINAPI Exit() {}

extern "C" int WINAPI Message(int Msg, void* InData, void* OutData) {
    switch (Msg) {
    case HM_DESCRIBE:
        return Describe(static_cast<HelpModuleInfo*>(OutData));
    case HM_SHOWHELP: {
        const HelpRequest* request = static_cast<const HelpRequest*>(InData);
        HelpResult* result = static_cast<HelpResult*>(OutData);
        if (!request || !result || !Front.Started) return 0;
        return ShowArticle(request->FileName, request->Keyword, result->ErrorText);
    }
    case HM_CONFIGURE:
        if (Front.Started) Configure();
        return 1;
    default:
        return 0;
    }
}
