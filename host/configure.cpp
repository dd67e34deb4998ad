// Configure, the settings dialog and the module settings menu (see configure.hpp).
#include "configure.hpp"

#include "heap.hpp"
#include "helpmodule.hpp"
#include "lumivo.hpp"
#include "modules.hpp"

namespace {

enum { CONFIG_SETTINGS = 0, CONFIG_MODULES = 2, CONFIG_ITEMS = 3 };

enum { SET_PANELS = 1, SET_DISKS = 3, SET_HOTKEY = 5, SET_OK = 7, SET_ITEMS = 9 };
const DialogTemplateItem SettingsTemplate[SET_ITEMS] = {
    {DI_DOUBLEBOX, 3, 1, 60, 8, 0, MTitle},
    {DI_CHECKBOX, 5, 2, 0, 0, 0, MShowInPanels},
    {DI_TEXT, 4, 3, 0, 0, DIF_SEPARATOR, -1},
    {DI_CHECKBOX, 5, 4, 0, 0, 0, MShowInDisks},
    {DI_TEXT, 9, 5, 0, 0, 0, MDisksHotkey},
    {DI_FIXEDIT, 7, 5, 7, 0, DIF_MASKEDIT, -1},
    {DI_TEXT, 4, 6, 0, 0, DIF_SEPARATOR, -1},
    {DI_BUTTON, 0, 7, 0, 0, DIF_CENTERGROUP, MOk},
    {DI_BUTTON, 0, 7, 0, 0, DIF_CENTERGROUP, MCancel},
};

} // namespace

extern "C" int WINAPI Configure(int itemNumber) {
    FarMenuItem items[CONFIG_ITEMS];
    MemFill(items, 0, sizeof items);
    CopyText(items[CONFIG_SETTINGS].Text, GetMsg(MTitle), sizeof items[0].Text);
    items[1].Separator = 1;
    CopyText(items[CONFIG_MODULES].Text, GetMsg(MModuleSettings), sizeof items[0].Text);
    int r;
    do {
        r = Info.Menu(Info.ModuleNumber, -1, -1, 0, FMENU_WRAPMODE | FMENU_AUTOHIGHLIGHT,
                      GetMsg(MConfigTitle), nullptr, nullptr, nullptr, nullptr, items, CONFIG_ITEMS);
        if (r == CONFIG_SETTINGS)
            EditSettings();
        else if (r == CONFIG_MODULES)
            ConfigureModules(Modules);
    } while (r >= 0);
    return 1;
}

int EditSettings() {
    FarDialogItem items[SET_ITEMS];
    BuildDialog(SettingsTemplate, SET_ITEMS, items);
    items[SET_PANELS].Selected = ShowInPanels != 0;
    items[SET_PANELS].Focus = 1;
    items[SET_DISKS].Selected = ShowInDisks != 0;
    FSF.sprintf(items[SET_HOTKEY].Data, "%i", DisksHotkey);
    items[SET_HOTKEY].Mask = "9";
    items[SET_OK].DefaultButton = 1;
    if (Info.Dialog(Info.ModuleNumber, -1, -1, 64, 10, "Configure", items, SET_ITEMS) != SET_OK) return 0;

    ShowInPanels = items[SET_PANELS].Selected;
    ShowInDisks = items[SET_DISKS].Selected;
    // An emptied field holds no number: the hotkey keeps its value.
    int hotkey;
    if (FSF.sscanf(items[SET_HOTKEY].Data, "%i", &hotkey) == 1 && hotkey >= 0 && hotkey <= 9)
        DisksHotkey = hotkey;
    WriteNumberSetting("ShowInPanels", ShowInPanels);
    WriteNumberSetting("ShowInDisks", ShowInDisks);
    WriteNumberSetting("DisksHotkey", DisksHotkey);
    return 1;
}

void ConfigureModules(ModuleTable* table) {
    if (!table) return;
    if (CheckLanguage(table)) DescribeModules(table);
    int count = 0;
    for (int i = 0; i < table->Count; i++)
        if (table->Entries[i].Flags & HMF_CONFIGURABLE) count++;
    if (!count) return;

    FarMenuItem* items = (FarMenuItem*)HeapAllocArray((size_t)count, sizeof(FarMenuItem));
    int* modules = (int*)HeapAllocArray((size_t)count, sizeof(int));
    if (items && modules) {
        for (int i = 0, n = 0; i < table->Count; i++)
            if (table->Entries[i].Flags & HMF_CONFIGURABLE) {
                CopyText(items[n].Text, table->Entries[i].Title, sizeof items[n].Text);
                modules[n++] = i;
            }
        int current = 0, shown = 0, r;
        do {
            items[shown].Selected = 0;
            items[current].Selected = 1;
            shown = current;
            r = Info.Menu(Info.ModuleNumber, -1, -1, 0, FMENU_WRAPMODE | FMENU_AUTOHIGHLIGHT,
                          GetMsg(MModuleSettings), nullptr, nullptr, nullptr, nullptr, items, count);
            if (r >= 0 && r < count) {
                CallModule(table, modules[r], HM_CONFIGURE, nullptr, nullptr);
                current = r;
            }
        } while (r >= 0);
    }
    HeapFreeBlock(items);
    HeapFreeBlock(modules);
}
