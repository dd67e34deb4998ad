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
    // A module's own setting adds its label and list below the first two, before the separator.
    ITEM_CHOICE_LABEL = 4,
    ITEM_CHOICE = 5,
    CHOICE_ITEMS = 2,
    CHOICE_ROWS = 2,
};

int ReadBinarySetting(const FarStandardFunctions& fsf, const char* key, const char* name) {
    return ReadNumberSetting(fsf, key, name, "0") & 1;
}

// Two rows, the current setting's row selected.
void FillList(const ModuleStartupInfo& module, FarListItem* rows, FarList* list, int row0, int row1,
              int current) {
    const int texts[CHOICE_ROWS] = {row0, row1};
    FillModuleList(module, texts, CHOICE_ROWS, current, rows, list);
}

int ChosenRow(const FarDialogItem& item) {
    return ChosenListRow(item, CHOICE_ROWS);
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
    ModuleDialogTexts context = {&module, ""};
    ExpandDialog(layout, count, items, ModuleDialogText, &context);
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
