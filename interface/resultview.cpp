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
    ITEM_MODALITY = 2,
    ITEM_VISUALITY = 3,
    ITEM_ACCEPT = 5,
    DIALOG_ITEMS = 7,
    DIALOG_WIDTH = 45,
    DIALOG_HEIGHT = 8,
};

int ReadBinarySetting(const FarStandardFunctions& fsf, const char* key, const char* name) {
    return ReadNumberSetting(fsf, key, name, "0") & 1;
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

void ResultModuleText(const ResultModule& front, int n, char* dest) {
    ModuleText(front.Module, n, dest);
}

int DescribeResultModule(const ResultModule& front, HelpTypeInfo* type, const char* name, const char* masks,
                         const char* encoding, HelpModuleInfo* info) {
    return DescribeConfigurable(front, type, HO_ASKKEYWORD, name, masks, encoding, info);
}

void ReadResultView(const FarStandardFunctions& fsf, const char* key, ResultView* view) {
    view->Modality = ReadBinarySetting(fsf, key, ModalityName);
    view->Visuality = ReadBinarySetting(fsf, key, VisualityName);
}

bool ConfigureResultView(const PluginStartupInfo& info, const ModuleStartupInfo& module, const char* key,
                         const ResultViewTexts& texts, ResultView* view) {
    if (!info.Dialog) return false;
    const DialogTemplateItem layout[DIALOG_ITEMS] = {
        {DI_DOUBLEBOX, 3, 1, 41, 6, 0, (signed char)texts.Title},
        {DI_TEXT, 5, 2, 0, 0, 0, (signed char)texts.Label},
        {DI_COMBOBOX, 5, 3, 20, 0, DIF_DROPDOWNLIST, -1},
        {DI_COMBOBOX, 23, 3, 38, 0, DIF_DROPDOWNLIST, -1},
        {DI_TEXT, 4, 4, 0, 0, DIF_SEPARATOR, -1},
        {DI_BUTTON, 0, 5, 0, 0, DIF_CENTERGROUP, (signed char)texts.Accept},
        {DI_BUTTON, 0, 5, 0, 0, DIF_CENTERGROUP, (signed char)texts.Cancel},
    };
    FarDialogItem items[DIALOG_ITEMS];
    FarListItem modalityRows[2], visualityRows[2];
    FarList modalityList, visualityList;
    ModuleDialogTexts context = {&module, ""};
    ExpandDialog(layout, DIALOG_ITEMS, items, ModuleDialogText, &context);
    const int modalityTexts[2] = {texts.NonModal, texts.Modal},
              visualityTexts[2] = {texts.Editor, texts.Viewer};
    FillModuleList(module, modalityTexts, 2, view->Modality, modalityRows, &modalityList);
    FillModuleList(module, visualityTexts, 2, view->Visuality, visualityRows, &visualityList);
    items[ITEM_MODALITY].ListItems = &modalityList;
    items[ITEM_MODALITY].Focus = 1;
    items[ITEM_VISUALITY].ListItems = &visualityList;
    items[ITEM_ACCEPT].DefaultButton = 1;

    int result =
        info.Dialog(info.ModuleNumber, -1, -1, DIALOG_WIDTH, DIALOG_HEIGHT, nullptr, items, DIALOG_ITEMS);
    if (result != ITEM_ACCEPT) return false;
    view->Modality = ChosenListRow(items[ITEM_MODALITY], 2);
    view->Visuality = ChosenListRow(items[ITEM_VISUALITY], 2);
    const FarStandardFunctions* fsf = info.FSF;
    if (fsf) {
        WriteNumberSetting(*fsf, key, ModalityName, view->Modality);
        WriteNumberSetting(*fsf, key, VisualityName, view->Visuality);
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
