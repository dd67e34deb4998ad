// The result-file view shared by the modules that write their answer into a file
// (see resultview.hpp).
#include "resultview.hpp"

#include "dlgtemplate.hpp"
#include "heap.hpp"
#include "settings.hpp"

#include <string.h>

namespace {

const char ModalityName[] = "Modality";
const char VisualityName[] = "Visuality";

enum {
    NUMBER_TEXT_SIZE = 10, // a setting is read into this many bytes
    MODULE_TEXT_SIZE = 128,
    KEYWORD_ROOM = 60, // of a keyword shown in a box; Far itself cuts lines past 68 on 80 columns
    ITEM_MODALITY = 2,
    ITEM_VISUALITY = 3,
    ITEM_ACCEPT = 5,
    DIALOG_ITEMS = 7,
    DIALOG_WIDTH = 52,
    DIALOG_HEIGHT = 8,
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

// The result editor's table, from the module that opens it to the host plug-in, which alone
// hears the editor load (the process's environment is what both DLLs share).
const char ResultTableName[] = "LUMIVO_RESULT_TABLE";

// The file's text as UTF-16 little-endian after the mark FF FE, from the code page it is in.
// False (the file untouched) when it cannot be read, converted or written.
bool RewriteAsUnicode(const char* path, UINT codePage) {
    HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool done = false;
    DWORD size = GetFileSize(file, nullptr), got = 0;
    // Every byte of an 8-bit code page is at most one UTF-16 unit.
    char* bytes = size < 0x3FFFFFFF ? (char*)HeapAllocZero(size + 1) : nullptr;
    wchar_t* wide = bytes ? (wchar_t*)HeapAllocArray((size_t)size + 1, sizeof(wchar_t)) : nullptr;
    if (wide && ReadFile(file, bytes, size, &got, nullptr) && got == size) {
        wide[0] = 0xFEFF;
        int units = size ? MultiByteToWideChar(codePage, 0, bytes, (int)size, wide + 1, (int)size) : 0;
        DWORD length = (DWORD)(units + 1) * sizeof(wchar_t), written = 0;
        if ((units > 0 || !size) && SetFilePointer(file, 0, nullptr, FILE_BEGIN) == 0 &&
            WriteFile(file, wide, length, &written, nullptr) && written == length)
            done = SetEndOfFile(file) != 0;
        // A write that stopped part-way leaves no answer at all: put the bytes back.
        if (!done && SetFilePointer(file, 0, nullptr, FILE_BEGIN) == 0) {
            WriteFile(file, bytes, size, &written, nullptr);
            SetEndOfFile(file);
        }
    }
    HeapFreeBlock(wide);
    HeapFreeBlock(bytes);
    CloseHandle(file);
    return done;
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
                       const char* name) {
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
    ReadResultView(front->FSF, front->SettingsKey, &front->View);
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

void ShowNothingFound(const ResultModule& front, int text, int ok, const char* keyword) {
    if (!front.Info.Message) return;
    char title[MODULE_TEXT_SIZE], message[MODULE_TEXT_SIZE], button[MODULE_TEXT_SIZE],
        shown[KEYWORD_ROOM + 1];
    ModuleText(front.Module, 0, title);
    ModuleText(front.Module, text, message);
    ModuleText(front.Module, ok, button);
    CopyText(shown, keyword, sizeof shown);
    const char* lines[] = {title, message, shown, button};
    front.Info.Message(front.Info.ModuleNumber, 0, nullptr, lines, 4, 1);
}

void ReadResultView(const FarStandardFunctions& fsf, const char* key, ResultView* view) {
    view->Modality = ReadBinarySetting(fsf, key, ModalityName);
    view->Visuality = ReadBinarySetting(fsf, key, VisualityName);
}

bool ConfigureResultView(const PluginStartupInfo& info, const ModuleStartupInfo& module, const char* key,
                         const ResultViewTexts& texts, ResultView* view) {
    if (!info.Dialog) return false;
    const DialogTemplateItem layout[DIALOG_ITEMS] = {
        // Far opens a list at least 21 columns wide under its field: both stay inside the frame.
        {DI_DOUBLEBOX, 3, 1, 48, 6, 0, (signed char)texts.Title},
        {DI_TEXT, 5, 2, 0, 0, 0, (signed char)texts.Label},
        {DI_COMBOBOX, 5, 3, 24, 0, DIF_DROPDOWNLIST, -1},
        {DI_COMBOBOX, 27, 3, 46, 0, DIF_DROPDOWNLIST, -1},
        {DI_TEXT, 4, 4, 0, 0, DIF_SEPARATOR, -1},
        {DI_BUTTON, 0, 5, 0, 0, DIF_CENTERGROUP, (signed char)texts.Accept},
        {DI_BUTTON, 0, 5, 0, 0, DIF_CENTERGROUP, (signed char)texts.Cancel},
    };
    FarDialogItem items[DIALOG_ITEMS];
    FarListItem modalityRows[2], visualityRows[2];
    FarList modalityList, visualityList;
    DialogTexts context = {&module, ""};
    ExpandDialog(layout, DIALOG_ITEMS, items, DialogText, &context);
    FillList(module, modalityRows, &modalityList, texts.NonModal, texts.Modal, view->Modality);
    FillList(module, visualityRows, &visualityList, texts.Editor, texts.Viewer, view->Visuality);
    items[ITEM_MODALITY].ListItems = &modalityList;
    items[ITEM_MODALITY].Focus = 1;
    items[ITEM_VISUALITY].ListItems = &visualityList;
    items[ITEM_ACCEPT].DefaultButton = 1;

    int result =
        info.Dialog(info.ModuleNumber, -1, -1, DIALOG_WIDTH, DIALOG_HEIGHT, nullptr, items, DIALOG_ITEMS);
    if (result != ITEM_ACCEPT) return false;
    view->Modality = ChosenRow(items[ITEM_MODALITY]);
    view->Visuality = ChosenRow(items[ITEM_VISUALITY]);
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
                      const char* title, ResultTable table) {
    DWORD nonModal = !view.Modality && !ForcedModal(info) ? 1 : 0;
    if (view.Visuality == 0) {
        // The editor loads the file inside this call and tells the host plug-in first (EE_READ).
        SetEnvironmentVariableA(ResultTableName, table == RESULT_TABLE_ANSI ? "WIN" : "OEM");
        info.Editor(path, title, 0, 0, -1, -1, nonModal | EF_DELETEONCLOSE, 0, 1);
        SetEnvironmentVariableA(ResultTableName, nullptr);
    } else {
        // Left as it is when it cannot be rewritten: then the viewer's table decides.
        RewriteAsUnicode(path, table == RESULT_TABLE_ANSI ? CP_ACP : CP_OEMCP);
        info.Viewer(path, title, 0, 0, -1, -1, nonModal | VF_DELETEONCLOSE);
    }
}

void ApplyResultTable(const PluginStartupInfo& info) {
    char table[8];
    DWORD length = GetEnvironmentVariableA(ResultTableName, table, sizeof table);
    if (!length || length >= sizeof table) return;
    // One editor per announcement: the result window is the first one loaded after it.
    SetEnvironmentVariableA(ResultTableName, nullptr);
    const bool ansi = !strcmp(table, "WIN");
    EditorInfo editor;
    memset(&editor, 0, sizeof editor);
    if (!info.EditorControl || !info.EditorControl(ECTL_GETINFO, &editor)) return;
    if ((editor.AnsiMode != 0) == ansi && editor.TableNum < 0) return;
    EditorSetParameter parameter;
    memset(&parameter, 0, sizeof parameter);
    parameter.Type = ESPT_CHARTABLE;
    parameter.Param.iParam = ansi ? 2 : 1;
    info.EditorControl(ECTL_SETPARAM, &parameter);
}
