// The result-file view shared by the modules that write their answer into a file
// (see resultview.hpp).
#include "resultview.hpp"

#include "dlgtemplate.hpp"
#include "settings.hpp"

#include <string.h>

namespace {

const char ModalityName[] = "Modality";
const char VisualityName[] = "Visuality";

enum {
    NUMBER_TEXT_SIZE = 10, // a setting is read into this many bytes
    MODULE_TEXT_SIZE = 128,
    ITEM_MODALITY = 2,
    ITEM_VISUALITY = 3,
    ITEM_ACCEPT = 5,
    DIALOG_ITEMS = 7,
    DIALOG_WIDTH = 45,
    DIALOG_HEIGHT = 8,
    // A module's own setting adds its label and list below the first two, before the separator.
    ITEM_CHOICE_LABEL = 4,
    ITEM_CHOICE = 5,
    CHOICE_ITEMS = 2,
    CHOICE_ROWS = 2,
};

void CopyText(char* dest, const char* src, size_t size) {
    size_t n = src ? strlen(src) : 0;
    if (n >= size) n = size - 1;
    if (n) memcpy(dest, src, n);
    dest[n] = 0;
}

int ReadBinarySetting(const FarStandardFunctions& fsf, const char* key, const char* name) {
    char text[NUMBER_TEXT_SIZE];
    int value = 0;
    if (!key || !*key) return 0;
    ReadSetting(key, name, text, "0", sizeof text);
    if (fsf.sscanf) fsf.sscanf(text, "%i", &value);
    return value & 1;
}

void WriteNumberSetting(const FarStandardFunctions& fsf, const char* key, const char* name, int value) {
    char text[16];
    if (!key || !*key || !fsf.itoa) return;
    fsf.itoa(value, text, 10);
    WriteSetting(key, name, text);
}

struct DialogTexts {
    const ModuleStartupInfo* Module;
    char Buffer[MODULE_TEXT_SIZE];
};

void ModuleText(const ModuleStartupInfo& module, int n, char* dest) {
    dest[0] = 0;
    if (module.GetModuleMsg) module.GetModuleMsg(module.LangFile, n, dest);
    dest[MODULE_TEXT_SIZE - 1] = 0;
}

const char* DialogText(int n, void* context) {
    DialogTexts* texts = (DialogTexts*)context;
    ModuleText(*texts->Module, n, texts->Buffer);
    return texts->Buffer;
}

// Two rows, the current setting's row selected.
void FillList(const ModuleStartupInfo& module, FarListItem* rows, FarList* list, int row0, int row1,
              int current) {
    memset(rows, 0, 2 * sizeof *rows);
    ModuleText(module, row0, rows[0].Text);
    ModuleText(module, row1, rows[1].Text);
    rows[current ? 1 : 0].Flags = LIF_SELECTED;
    list->ItemsNumber = 2;
    list->Items = rows;
}

// Far leaves the list position in place of the list pointer; only 0 and 1 are rows.
int ChosenRow(const FarDialogItem& item) {
    return item.ListPos == 1 ? 1 : 0;
}

// A non-modal window is wrong when the user is in the host's only window and that window is
// not the panels: there is nothing to switch back to.
bool ForcedModal(const PluginStartupInfo& info) {
    int count = info.AdvControl(info.ModuleNumber, ACTL_GETWINDOWCOUNT, nullptr);
    if (count > 1) return false;
    WindowInfo window;
    memset(&window, 0, sizeof window);
    window.Pos = -1;
    info.AdvControl(info.ModuleNumber, ACTL_GETWINDOWINFO, &window);
    return window.Type != WTYPE_PANELS;
}

} // namespace

void StartResultModule(ResultModule* front, const PluginStartupInfo* info, const ModuleStartupInfo* module,
                       const char* name, const ResultViewChoice* choice) {
    memset(front, 0, sizeof *front);
    if (!info || !module) return;
    memcpy(&front->Info, info, sizeof front->Info);
    if (info->FSF) memcpy(&front->FSF, info->FSF, sizeof front->FSF);
    front->Info.FSF = &front->FSF;
    memcpy(&front->Module, module, sizeof front->Module);
    front->Module.ModuleName[NM - 1] = 0;
    front->Module.LangFile[NM - 1] = 0;
    const char* root = module->RootKey;
    // The host's root fits 100 characters; anything longer is not a key we should write under.
    if (root && strlen(root) + 1 + strlen(name) < sizeof front->SettingsKey && front->FSF.sprintf)
        front->FSF.sprintf(front->SettingsKey, "%s\\%s", root, name);
    ReadResultView(front->FSF, front->SettingsKey, &front->View, choice);
    front->Started = true;
}

void ResultModuleText(const ResultModule& front, int n, char* dest) {
    ModuleText(front.Module, n, dest);
}

int DescribeResultModule(const ResultModule& front, HelpTypeInfo* type, const char* name, const char* masks,
                         const char* encoding, HelpModuleInfo* info) {
    if (!info) return 0;
    info->TypesNumber = 1;
    memset(type, 0, sizeof *type);
    type->StructSize = sizeof *type;
    type->DefaultOptions = HO_ASKKEYWORD;
    CopyText(type->Name, name, sizeof type->Name);
    CopyText(type->Masks, masks, sizeof type->Masks);
    CopyText(type->Encoding, encoding, sizeof type->Encoding);
    info->Types = type;
    ModuleText(front.Module, 0, info->Title);
    info->Flags = HMF_CONFIGURABLE;
    return 1;
}

void ReadResultView(const FarStandardFunctions& fsf, const char* key, ResultView* view,
                    const ResultViewChoice* choice) {
    view->Modality = ReadBinarySetting(fsf, key, ModalityName);
    view->Visuality = ReadBinarySetting(fsf, key, VisualityName);
    view->Choice = choice ? ReadBinarySetting(fsf, key, choice->Name) : 0;
}

bool ConfigureResultView(const PluginStartupInfo& info, const ModuleStartupInfo& module, const char* key,
                         const ResultViewTexts& texts, ResultView* view, const ResultViewChoice* choice) {
    if (!info.Dialog) return false;
    DialogTemplateItem layout[DIALOG_ITEMS + CHOICE_ITEMS] = {
        {DI_DOUBLEBOX, 3, 1, 41, 6, 0, (signed char)texts.Title},
        {DI_TEXT, 5, 2, 0, 0, 0, (signed char)texts.Label},
        {DI_COMBOBOX, 5, 3, 20, 0, DIF_DROPDOWNLIST, -1},
        {DI_COMBOBOX, 23, 3, 38, 0, DIF_DROPDOWNLIST, -1},
        {DI_TEXT, 4, 4, 0, 0, DIF_SEPARATOR, -1},
        {DI_BUTTON, 0, 5, 0, 0, DIF_CENTERGROUP, (signed char)texts.Accept},
        {DI_BUTTON, 0, 5, 0, 0, DIF_CENTERGROUP, (signed char)texts.Cancel},
    };
    const int extra = choice ? CHOICE_ITEMS : 0, count = DIALOG_ITEMS + extra, accept = ITEM_ACCEPT + extra;
    if (choice) {
        // The frame grows by two lines; the separator and the buttons move down below the new ones.
        for (int i = DIALOG_ITEMS - 1; i >= ITEM_CHOICE_LABEL; i--) {
            layout[i + CHOICE_ITEMS] = layout[i];
            layout[i + CHOICE_ITEMS].Y1 += CHOICE_ITEMS;
        }
        layout[0].Y2 += CHOICE_ITEMS;
        layout[ITEM_CHOICE_LABEL] = {DI_TEXT, 5, 4, 0, 0, 0, (signed char)choice->Label};
        layout[ITEM_CHOICE] = {DI_COMBOBOX, 5, 5, layout[ITEM_VISUALITY].X2, 0, DIF_DROPDOWNLIST, -1};
    }
    FarDialogItem items[DIALOG_ITEMS + CHOICE_ITEMS];
    FarListItem modalityRows[CHOICE_ROWS], visualityRows[CHOICE_ROWS], choiceRows[CHOICE_ROWS];
    FarList modalityList, visualityList, choiceList;
    DialogTexts context = {&module, ""};
    ExpandDialog(layout, count, items, DialogText, &context);
    FillList(module, modalityRows, &modalityList, texts.NonModal, texts.Modal, view->Modality);
    FillList(module, visualityRows, &visualityList, texts.Editor, texts.Viewer, view->Visuality);
    items[ITEM_MODALITY].ListItems = &modalityList;
    items[ITEM_MODALITY].Focus = 1;
    items[ITEM_VISUALITY].ListItems = &visualityList;
    if (choice) {
        FillList(module, choiceRows, &choiceList, choice->Row0, choice->Row1, view->Choice);
        items[ITEM_CHOICE].ListItems = &choiceList;
    }
    items[accept].DefaultButton = 1;

    int result =
        info.Dialog(info.ModuleNumber, -1, -1, DIALOG_WIDTH, DIALOG_HEIGHT + extra, nullptr, items, count);
    if (result != accept) return false;
    view->Modality = ChosenRow(items[ITEM_MODALITY]);
    view->Visuality = ChosenRow(items[ITEM_VISUALITY]);
    if (choice) view->Choice = ChosenRow(items[ITEM_CHOICE]);
    const FarStandardFunctions* fsf = info.FSF;
    if (fsf) {
        WriteNumberSetting(*fsf, key, ModalityName, view->Modality);
        WriteNumberSetting(*fsf, key, VisualityName, view->Visuality);
        if (choice) WriteNumberSetting(*fsf, key, choice->Name, view->Choice);
    }
    return true;
}

bool MakeResultFolder(const FarStandardFunctions& fsf, char* folder, size_t size) {
    char name[NM] = "";
    if (!fsf.MkTemp || !fsf.MkTemp(name, "LUMV")) return false;
    name[NM - 1] = 0;
    size_t length = strlen(name);
    if (!length || length >= size || !CreateDirectoryA(name, nullptr)) return false;
    memcpy(folder, name, length + 1);
    return true;
}

void RemoveResultFolder(const char* folder, const char* file) {
    if (file && *file) DeleteFileA(file);
    if (folder && *folder) RemoveDirectoryA(folder);
}

void OpenResultWindow(const PluginStartupInfo& info, const ResultView& view, const char* path,
                      const char* title) {
    DWORD nonModal = !view.Modality && !ForcedModal(info) ? 1 : 0;
    if (view.Visuality == 0)
        info.Editor(path, title, 0, 0, -1, -1, nonModal | EF_DELETEONCLOSE, 0, 1);
    else
        info.Viewer(path, title, 0, 0, -1, -1, nonModal | VF_DELETEONCLOSE);
}
