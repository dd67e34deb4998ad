// The result-file view shared by the modules that write their answer into a file
// (see resultview.hpp).
#include "resultview.hpp"

#include "dlgtemplate.hpp"
#include "heap.hpp"
#include "settings.hpp"
#include "text.hpp"

#include <string.h>

namespace {

const char ModalityName[] = "Modality";
const char VisualityName[] = "Visuality";

enum {
    KEYWORD_ROOM = 60, // of a keyword shown in a box; Far itself cuts lines past 68 on 80 columns
    ITEM_MODALITY = 2,
    ITEM_VISUALITY = 3,
    ITEM_ACCEPT = 5,
    DIALOG_ITEMS = 7,
    DIALOG_WIDTH = 52,
    DIALOG_HEIGHT = 8,
    // Each of a module's own settings adds its label and list below the first two, before the
    // separator.
    ITEM_FIRST_CHOICE = 4,
    CHOICE_ITEMS = 2,
    BINARY_ROWS = 2,
    MAX_ITEMS = DIALOG_ITEMS + CHOICE_ITEMS * RESULT_VIEW_CHOICES,
};

int ReadBinarySetting(const FarStandardFunctions& fsf, const char* key, const char* name) {
    return ReadNumberSetting(fsf, key, name, "0") & 1;
}

int ReadChoice(const FarStandardFunctions& fsf, const char* key, const ResultViewChoice& choice) {
    if (choice.ByLowestBit) return ReadBinarySetting(fsf, key, choice.Name);
    int value = ReadNumberSetting(fsf, key, choice.Name, "0");
    return value >= 0 && value < choice.RowCount ? value : 0;
}

// Two rows, the current setting's row selected.
void FillList(const ModuleStartupInfo& module, FarListItem* rows, FarList* list, int row0, int row1,
              int current) {
    const int texts[BINARY_ROWS] = {row0, row1};
    FillModuleList(module, texts, BINARY_ROWS, current, rows, list);
}

int ChosenRow(const FarDialogItem& item) {
    return ChosenListRow(item, BINARY_ROWS);
}

int ChoiceCount(const ResultViewChoice* choices, int count) {
    if (!choices || count < 0) return 0;
    return count < RESULT_VIEW_CHOICES ? count : RESULT_VIEW_CHOICES;
}

int RowsOf(const ResultViewChoice& choice) {
    return choice.RowCount < RESULT_VIEW_CHOICE_ROWS ? choice.RowCount : RESULT_VIEW_CHOICE_ROWS;
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

int DescribeResultModule(const ResultModule& front, HelpTypeInfo* type, const char* name, const char* masks,
                         const char* encoding, HelpModuleInfo* info) {
    return DescribeConfigurable(front, type, HO_ASKKEYWORD, name, masks, encoding, info);
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

void ReadResultView(const FarStandardFunctions& fsf, const char* key, ResultView* view,
                    const ResultViewChoice* choices, int count) {
    view->Modality = ReadBinarySetting(fsf, key, ModalityName);
    view->Visuality = ReadBinarySetting(fsf, key, VisualityName);
    count = ChoiceCount(choices, count);
    for (int i = 0; i < RESULT_VIEW_CHOICES; i++)
        view->Choices[i] = i < count ? ReadChoice(fsf, key, choices[i]) : 0;
}

bool ConfigureResultView(const PluginStartupInfo& info, const ModuleStartupInfo& module, const char* key,
                         const ResultViewTexts& texts, ResultView* view, const ResultViewChoice* choices,
                         int count) {
    if (!info.Dialog) return false;
    count = ChoiceCount(choices, count);
    DialogTemplateItem layout[MAX_ITEMS] = {
        // Far opens a list at least 21 columns wide under its field: both stay inside the frame.
        // It draws a field's arrow in the column after it: the last one's leaves a column free
        // before the frame.
        {DI_DOUBLEBOX, 3, 1, 48, 6, 0, (signed char)texts.Title},
        {DI_TEXT, 5, 2, 0, 0, 0, (signed char)texts.Label},
        {DI_COMBOBOX, 5, 3, 24, 0, DIF_DROPDOWNLIST, -1},
        {DI_COMBOBOX, 27, 3, 45, 0, DIF_DROPDOWNLIST, -1},
        {DI_TEXT, 4, 4, 0, 0, DIF_SEPARATOR, -1},
        {DI_BUTTON, 0, 5, 0, 0, DIF_CENTERGROUP, (signed char)texts.Accept},
        {DI_BUTTON, 0, 5, 0, 0, DIF_CENTERGROUP, (signed char)texts.Cancel},
    };
    const int extra = CHOICE_ITEMS * count, items = DIALOG_ITEMS + extra, accept = ITEM_ACCEPT + extra;
    // The frame grows by two lines a setting; the separator and the buttons move down below them.
    for (int i = DIALOG_ITEMS - 1; i >= ITEM_FIRST_CHOICE; i--) {
        layout[i + extra] = layout[i];
        layout[i + extra].Y1 = (unsigned char)(layout[i].Y1 + extra);
    }
    layout[0].Y2 = (unsigned char)(layout[0].Y2 + extra);
    for (int c = 0; c < count; c++) {
        const int label = ITEM_FIRST_CHOICE + CHOICE_ITEMS * c;
        const unsigned char y = (unsigned char)(4 + CHOICE_ITEMS * c);
        layout[label] = {DI_TEXT, 5, y, 0, 0, 0, (signed char)choices[c].Label};
        layout[label + 1] = {DI_COMBOBOX,      5, (unsigned char)(y + 1), layout[ITEM_VISUALITY].X2, 0,
                             DIF_DROPDOWNLIST, -1};
    }
    FarDialogItem dialog[MAX_ITEMS];
    FarListItem modalityRows[BINARY_ROWS], visualityRows[BINARY_ROWS];
    FarListItem choiceRows[RESULT_VIEW_CHOICES][RESULT_VIEW_CHOICE_ROWS];
    FarList modalityList, visualityList, choiceLists[RESULT_VIEW_CHOICES];
    ModuleDialogTexts context = {&module, ""};
    ExpandDialog(layout, items, dialog, ModuleDialogText, &context);
    FillList(module, modalityRows, &modalityList, texts.NonModal, texts.Modal, view->Modality);
    FillList(module, visualityRows, &visualityList, texts.Editor, texts.Viewer, view->Visuality);
    dialog[ITEM_MODALITY].ListItems = &modalityList;
    dialog[ITEM_MODALITY].Focus = 1;
    dialog[ITEM_VISUALITY].ListItems = &visualityList;
    for (int c = 0; c < count; c++) {
        FillModuleList(module, choices[c].Rows, RowsOf(choices[c]), view->Choices[c], choiceRows[c],
                       &choiceLists[c]);
        dialog[ITEM_FIRST_CHOICE + CHOICE_ITEMS * c + 1].ListItems = &choiceLists[c];
    }
    dialog[accept].DefaultButton = 1;

    int result =
        info.Dialog(info.ModuleNumber, -1, -1, DIALOG_WIDTH, DIALOG_HEIGHT + extra, nullptr, dialog, items);
    if (result != accept) return false;
    view->Modality = ChosenRow(dialog[ITEM_MODALITY]);
    view->Visuality = ChosenRow(dialog[ITEM_VISUALITY]);
    for (int c = 0; c < count; c++)
        view->Choices[c] =
            ChosenListRow(dialog[ITEM_FIRST_CHOICE + CHOICE_ITEMS * c + 1], RowsOf(choices[c]));
    const FarStandardFunctions* fsf = info.FSF;
    if (fsf) {
        WriteNumberSetting(*fsf, key, ModalityName, view->Modality);
        WriteNumberSetting(*fsf, key, VisualityName, view->Visuality);
        for (int c = 0; c < count; c++)
            WriteNumberSetting(*fsf, key, choices[c].Name, view->Choices[c]);
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
                      const char* title, ResultTable table, unsigned codePage) {
    DWORD nonModal = !view.Modality && !ForcedModal(info) ? 1 : 0;
    if (view.Visuality == 0) {
        // The editor loads the file inside this call and tells the host plug-in first (EE_READ).
        SetEnvironmentVariableA(ResultTableName, table == RESULT_TABLE_ANSI ? "WIN" : "OEM");
        info.Editor(path, title, 0, 0, -1, -1, nonModal | EF_DELETEONCLOSE, 0, 1);
        SetEnvironmentVariableA(ResultTableName, nullptr);
    } else {
        // Left as it is when it cannot be rewritten: then the viewer's table decides.
        if (!codePage) codePage = table == RESULT_TABLE_ANSI ? CP_ACP : CP_OEMCP;
        RewriteAsUnicode(path, codePage);
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

void SystemUpperHalf(unsigned codePage, char32_t* upper) {
    for (unsigned b = 0; b < 128; b++) {
        char byte = static_cast<char>(0x80 + b);
        WCHAR wide[2];
        upper[b] =
            MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, &byte, 1, wide, 2) == 1 ? wide[0] : 0xFFFD;
    }
}
