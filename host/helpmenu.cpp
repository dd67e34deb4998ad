// The help-file menu and the catalogue's editor (see helpmenu.hpp). Every change
// to the catalogue goes to the registry at once, so leaving with Esc undoes
// nothing; the marks and the cursor survive in "SelectedItem" and "LastPos".
//
// Menu positions: 0-2 the fixed commands, 3 a separator, 4..count+3 catalogue
// entries 0..count-1, count+4 a blank line. A mark at a position below 4 means
// "no such mark".
#include "helpmenu.hpp"

#include "catalogue.hpp"
#include "configure.hpp"
#include "heap.hpp"
#include "helpmodule.hpp"
#include "lumivo.hpp"
#include "modules.hpp"
#include "optionstate.hpp"

#include <string.h>

namespace {

enum {
    SEPARATOR_POS = 3,
    FIRST_ENTRY = 4,                // menu position of catalogue entry 0
    MENU_ITEMS = CATALOGUE_MAX + 5, // three commands, separator, entries, blank line
    DESC_SHOWN = 66,                // characters of Desc in an entry's line
    BLANK_WIDTH = 33,
    MARK_ACTIVE = '+',
    MARK_SELECTED = '*',
};

// Break codes: indexes into BreakKeys.
enum { BK_ADD, BK_EDIT, BK_REMOVE, BK_DOWN, BK_UP, BK_ACTIVE, BK_SELECT, BK_CONFIGURE, BK_ACCEPT };

// A break key: the virtual-key code in the low word, PKF_* modifiers in the high word.
constexpr int WithModifiers(int modifiers, int vk) {
    return (modifiers << 16) | vk;
}
const int BreakKeys[] = {
    VK_INSERT,
    VK_F4,
    VK_DELETE,
    WithModifiers(PKF_CONTROL, VK_DOWN),
    WithModifiers(PKF_CONTROL, VK_UP),
    VK_SPACE,
    WithModifiers(PKF_CONTROL, VK_SPACE),
    WithModifiers(PKF_ALT | PKF_SHIFT, VK_F9),
    VK_RETURN,
    0,
};

// The entry editor.
enum {
    ED_DESC = 2,
    ED_TYPE = 4,
    ED_FILE = 6,
    ED_KEYWORD = 8,
    ED_MASK = 10,
    ED_ASK = 12,
    ED_FIXED = 13,
    ED_ENCODING = 15,
    ED_OK = 17,
    ED_ITEMS = 19,
};
const DialogTemplateItem EntryEditorTemplate[ED_ITEMS] = {
    {DI_DOUBLEBOX, 3, 1, 73, 18, 0, MTitle},
    {DI_TEXT, 5, 2, 0, 0, 0, MDescLabel},
    {DI_EDIT, 5, 3, 70, 0, DIF_HISTORY, -1},
    {DI_TEXT, 5, 4, 0, 0, 0, MTypeLabel},
    {DI_COMBOBOX, 5, 5, 70, 0, DIF_LISTWRAPMODE, -1},
    {DI_TEXT, 5, 6, 0, 0, 0, MFileLabel},
    {DI_EDIT, 5, 7, 70, 0, DIF_HISTORY, -1},
    {DI_TEXT, 5, 8, 0, 0, 0, MKeywordLabel},
    {DI_EDIT, 5, 9, 70, 0, DIF_HISTORY, -1},
    {DI_TEXT, 5, 10, 0, 0, 0, MMaskLabel},
    {DI_EDIT, 5, 11, 70, 0, DIF_HISTORY, -1},
    {DI_TEXT, 0, 12, 0, 0, DIF_SEPARATOR, -1},
    {DI_CHECKBOX, 5, 13, 0, 0, DIF_3STATE, MAskKeyword},
    {DI_CHECKBOX, 5, 14, 0, 0, DIF_3STATE, MFixedKeyword},
    {DI_TEXT, 5, 15, 0, 0, 0, MEncodingLabel},
    {DI_COMBOBOX, 25, 15, 70, 0, DIF_DROPDOWNLIST | DIF_LISTWRAPMODE, -1},
    {DI_TEXT, 0, 16, 0, 0, DIF_SEPARATOR, -1},
    {DI_BUTTON, 0, 17, 0, 0, DIF_CENTERGROUP, MOk},
    {DI_BUTTON, 0, 17, 0, 0, DIF_CENTERGROUP, MCancel},
};

enum { ENC_AUTO, ENC_OEM, ENC_WIN, ENCODINGS };
const char* const EncodingNames[ENCODINGS] = {"AUTO", "OEM", "WIN"};

int EncodingIndex(const char* encoding) {
    if (!*encoding || !strcmp(encoding, "AUTO")) return ENC_AUTO;
    return strcmp(encoding, "WIN") ? ENC_OEM : ENC_WIN;
}

// A stored option state as a three-state checkbox shows it: a character other
// than 0, 1 or 2 counts as on wherever options are resolved, so it shows as on.
int CheckState(int state) {
    return state == OPTION_OFF || state == OPTION_DEFAULT ? state : (int)OPTION_ON;
}

// The state of one call of the menu; some 20 KB, so it lives on the heap.
struct HelpFileMenu {
    FarMenuItem Items[MENU_ITEMS];
    FarDialogItem Editor[ED_ITEMS];
    FarListItem EncodingItems[ENCODINGS];
    FarList EncodingList;
    FarList NoTypes; // the type list when there is no module table
    CatalogueEntry Work;
    int Count;
    int LastPos;  // the menu's cursor
    int Selected; // '*': remembered across calls and per editor
    int Active;   // '+': the entry the fixed commands use
    int OpenFrom;
    int EditorId;

    static void AddToMenu(int n, const char* desc, void* context) {
        ((HelpFileMenu*)context)->FormatEntry(n, desc);
    }
    void FormatEntry(int index, const char* desc) {
        FarMenuItem& item = Items[FIRST_ENTRY + index];
        MemFill(&item, 0, sizeof item);
        FSF.sprintf(item.Text, "&%c. %.*s", 'A' + index, DESC_SHOWN, desc);
    }
    void SetBlankLine() {
        FarMenuItem& item = Items[Count + FIRST_ENTRY];
        MemFill(&item, 0, sizeof item);
        FSF.sprintf(item.Text, "%*c", BLANK_WIDTH, ' ');
    }
    bool IsEntry(int pos) const { return pos >= FIRST_ENTRY && pos < Count + FIRST_ENTRY; }

    void Open(const char* file, const EditorInfo* editor);
    int Run();
    void ShowMarks();
    void EditEntry(int g, bool add);
    void PrepareEditor(int encoding);
    void Remove(int g);
    void Move(int g, int d);
    bool HasHelpFile(int g);
    bool Accept(int g, int* result);
};

void HelpFileMenu::Open(const char* file, const EditorInfo* editor) {
    EditorId = editor ? editor->EditorID : 0;
    for (int i = 0; i < ENCODINGS; i++)
        CopyText(EncodingItems[i].Text, EncodingNames[i], sizeof EncodingItems[i].Text);
    EncodingList.ItemsNumber = ENCODINGS;
    EncodingList.Items = EncodingItems;

    CopyText(Items[0].Text, GetMsg(MWordUnderCursor), sizeof Items[0].Text);
    CopyText(Items[1].Text, GetMsg(MRepeatLast), sizeof Items[1].Text);
    CopyText(Items[2].Text, GetMsg(MOpenWord), sizeof Items[2].Text);
    Items[SEPARATOR_POS].Separator = 1;

    int matching = -1;
    const bool fromEditor = OpenFrom == OPEN_EDITOR;
    Count = ReadCatalogue(fromEditor ? file : nullptr, &matching, AddToMenu, this);
    SetBlankLine();

    if (matching >= 0)
        Selected = matching + FIRST_ENTRY;
    else if (Count > 0) {
        Selected = ReadNumberSetting("SelectedItem", "4");
        if (!IsEntry(Selected)) Selected = FIRST_ENTRY;
    } else
        Selected = 0;
    int remembered;
    if (fromEditor && LookUpEditorChoice(&EditorChoices, EditorId, &remembered) && Count > 0 &&
        IsEntry(remembered))
        Selected = remembered;
    Active = Selected;

    LastPos = ReadNumberSetting("LastPos", "0");
    if (LastPos < 0 || LastPos > Count + FIRST_ENTRY) LastPos = 0;
}

void HelpFileMenu::ShowMarks() {
    for (int i = 0; i < MENU_ITEMS; i++)
        Items[i].Checked = 0;
    if (Active >= FIRST_ENTRY) Items[Active].Checked = MARK_ACTIVE;
    if (Selected >= FIRST_ENTRY) Items[Selected].Checked = MARK_SELECTED;
}

int HelpFileMenu::Run() {
    int result = -1;
    for (;;) {
        ShowMarks();
        Items[LastPos].Selected = 1;
        int b = -1;
        int g = Info.Menu(Info.ModuleNumber, -1, -1, 0, FMENU_WRAPMODE | FMENU_AUTOHIGHLIGHT, GetMsg(MTitle),
                          GetMsg(MMenuBottom), "Usage", BreakKeys, &b, Items, Count + FIRST_ENTRY + 1);
        if (g < 0) break;
        if (g > Count + FIRST_ENTRY) continue; // not a position of this menu
        Items[LastPos].Selected = 0;
        LastPos = g;
        // An entry's hotkey or a click only makes it the active entry.
        if (b == -1 && g >= FIRST_ENTRY && Count > 0) b = BK_ACTIVE;
        switch (b) {
        case BK_ADD:
        case BK_EDIT:
            EditEntry(g, b == BK_ADD);
            break;
        case BK_REMOVE:
            Remove(g);
            break;
        case BK_DOWN:
        case BK_UP:
            Move(g, b == BK_DOWN ? 1 : -1);
            break;
        case BK_ACTIVE:
        case BK_SELECT:
            if (Count > 0 && IsEntry(g)) {
                Active = g;
                if (b == BK_SELECT) Selected = g;
            }
            break;
        case BK_CONFIGURE:
            Configure(0);
            break;
        case BK_ACCEPT:
        case -1:
            if (Accept(g, &result)) return result;
            break;
        }
    }
    return result;
}

void HelpFileMenu::PrepareEditor(int encoding) {
    // Rebuilt for every call: Far writes each item back whole, list positions
    // over the FarList pointers included.
    BuildDialog(EntryEditorTemplate, ED_ITEMS, Editor);
    Editor[ED_DESC].History = "Lumivo-Desc";
    Editor[ED_DESC].Focus = 1;
    Editor[ED_FILE].History = "Lumivo-Path";
    Editor[ED_KEYWORD].History = "Lumivo-Keyword";
    Editor[ED_MASK].History = "Lumivo-Mask";
    Editor[ED_TYPE].ListItems = Modules ? &Modules->TypeList : &NoTypes;
    for (int i = 0; i < ENCODINGS; i++)
        EncodingItems[i].Flags = i == encoding ? (DWORD)LIF_SELECTED : 0;
    Editor[ED_ENCODING].ListItems = &EncodingList;
    Editor[ED_ENCODING].Data[0] = 0;
    Editor[ED_OK].DefaultButton = 1;
}

void HelpFileMenu::EditEntry(int g, bool add) {
    int encoding = ENC_AUTO;
    if (add) {
        MemFill(&Work, 0, sizeof Work);
        PrepareEditor(encoding);
        Editor[ED_ASK].Selected = OPTION_DEFAULT;
        Editor[ED_FIXED].Selected = OPTION_DEFAULT;
    } else {
        if (!IsEntry(g)) return;
        ReadEntry(g - FIRST_ENTRY, &Work);
        encoding = EncodingIndex(Work.Encoding);
        PrepareEditor(encoding);
        CopyText(Editor[ED_DESC].Data, Work.Desc, sizeof Editor[ED_DESC].Data);
        CopyText(Editor[ED_TYPE].Data, Work.Type, sizeof Editor[ED_TYPE].Data);
        CopyText(Editor[ED_FILE].Data, Work.File, sizeof Editor[ED_FILE].Data);
        CopyText(Editor[ED_KEYWORD].Data, Work.Keyword, sizeof Editor[ED_KEYWORD].Data);
        CopyText(Editor[ED_MASK].Data, Work.Mask, sizeof Editor[ED_MASK].Data);
        Editor[ED_ASK].Selected = CheckState(GetOptionState(Work.Flags, HO_ASKKEYWORD));
        Editor[ED_FIXED].Selected = CheckState(GetOptionState(Work.Flags, HO_FIXEDKEYWORD));
    }

    if (Info.Dialog(Info.ModuleNumber, -1, -1, 77, 20, "Settings", Editor, ED_ITEMS) != ED_OK) return;
    if (!Editor[ED_FILE].Data[0] || !Editor[ED_DESC].Data[0]) return;
    if (add && Count >= CATALOGUE_MAX) return;

    int index;
    if (add) {
        if (Count == 0) Selected = Active = FIRST_ENTRY;
        LastPos = Count + FIRST_ENTRY;
        Count++;
        SetBlankLine();
        index = Count - 1; // new entries always go to the end
    } else
        index = g - FIRST_ENTRY;

    SetOptionState(Work.Flags, sizeof Work.Flags, CheckState(Editor[ED_ASK].Selected), HO_ASKKEYWORD);
    SetOptionState(Work.Flags, sizeof Work.Flags, CheckState(Editor[ED_FIXED].Selected), HO_FIXEDKEYWORD);
    FormatEntry(index, Editor[ED_DESC].Data);

    CopyText(Work.Desc, Editor[ED_DESC].Data, sizeof Work.Desc);
    CopyText(Work.Type, Editor[ED_TYPE].Data, sizeof Work.Type);
    CopyText(Work.File, Editor[ED_FILE].Data, sizeof Work.File);
    CopyText(Work.Keyword, Editor[ED_KEYWORD].Data, sizeof Work.Keyword);
    CopyText(Work.Mask, Editor[ED_MASK].Data, sizeof Work.Mask);
    // After the call the list item holds its position, not the list.
    int chosen = Editor[ED_ENCODING].ListPos;
    if (chosen < 0 || chosen >= ENCODINGS) chosen = encoding;
    CopyText(Work.Encoding, EncodingNames[chosen], sizeof Work.Encoding);
    WriteEntry(&Work, index);
}

void HelpFileMenu::Remove(int g) {
    if (Count <= 0 || !IsEntry(g)) return;
    const char* lines[] = {GetMsg(MTitle), GetMsg(MRemoveQuestion)};
    if (Info.Message(Info.ModuleNumber, FMSG_MB_YESNO, nullptr, lines, 2, 0) != 0) return;

    if (g == Count + FIRST_ENTRY - 1 && Count > 1) LastPos = g - 1;
    if (g <= Selected) {
        Selected = g == Selected ? FIRST_ENTRY : Selected - 1;
        if (Count == 1) Selected = 0;
    }
    if (g <= Active) Active = Selected;

    // Items g+1 .. count+4 (the blank line included) move up one position.
    int last = Count + FIRST_ENTRY;
    memmove(&Items[g], &Items[g + 1], (size_t)(last - g) * sizeof(FarMenuItem));
    MemFill(&Items[last], 0, sizeof Items[last]);
    int oldCount = Count--;
    RemoveEntry(g - FIRST_ENTRY, oldCount);
    for (int i = 0; i < Count; i++)
        Items[FIRST_ENTRY + i].Text[1] = (char)('A' + i);
}

void HelpFileMenu::Move(int g, int d) {
    if (Count == 1) return;
    bool allowed =
        d > 0 ? g >= FIRST_ENTRY && g < Count + FIRST_ENTRY - 1 : g > FIRST_ENTRY && g < Count + FIRST_ENTRY;
    if (!allowed) return;
    int* marks[] = {&Selected, &Active};
    for (int* mark : marks) {
        if (*mark == g)
            *mark = g + d;
        else if (*mark == g + d)
            *mark = g;
    }
    LastPos += d;
    FarMenuItem moved = Items[g];
    Items[g] = Items[g + d];
    Items[g + d] = moved;
    Items[g].Text[1] = (char)('A' + g - FIRST_ENTRY);
    Items[g + d].Text[1] = (char)('A' + g + d - FIRST_ENTRY);
    SwapEntries(g - FIRST_ENTRY, g - FIRST_ENTRY + d);
}

// A request needs a help file to go to. With none in the list, or none in the entry the request
// would use, a box says so and how to add one, and the menu stays for it; nothing is remembered.
bool HelpFileMenu::HasHelpFile(int g) {
    int message = MNoHelpFiles;
    if (Count > 0) {
        if (g == HC_REPEATLAST) return true; // the remembered request names its own
        ReadEntry((g >= FIRST_ENTRY ? g : Active) - FIRST_ENTRY, &Work);
        // A field of quotes and blanks alone names no file once it is unquoted.
        for (const char* c = Work.File; *c; c++)
            if (*c != '"' && *c != ' ' && *c != '\t') return true;
        message = MNoEntryFile;
    }
    const char* lines[] = {GetMsg(MTitle), GetMsg(message), GetMsg(MAddHelpFile), GetMsg(MOk)};
    Info.Message(Info.ModuleNumber, 0, nullptr, lines, 4, 1);
    return false;
}

bool HelpFileMenu::Accept(int g, int* result) {
    if (g == SEPARATOR_POS) return false;
    if (g >= Count + FIRST_ENTRY && g != HC_OPENWORD) return false; // the blank line
    if (g != HC_OPENWORD && !HasHelpFile(g)) return false;
    if (g >= FIRST_ENTRY) Selected = Active = g;
    if (OpenFrom == OPEN_EDITOR) RememberEditorChoice(&EditorChoices, EditorId, Selected);
    if (g != HC_OPENWORD && Active >= FIRST_ENTRY) ReadEntry(Active - FIRST_ENTRY, &Work);
    *result = g >= FIRST_ENTRY ? HC_CATALOGUEENTRY : g;
    return true;
}

} // namespace

int ShowHelpFileMenu(char* file, char* keyword, int openFrom, const EditorInfo* editor, char* title,
                     char* flags, char* encoding, char* type, int* entry) {
    if (entry) *entry = -1;
    HelpFileMenu* menu = (HelpFileMenu*)HeapAllocZero(sizeof(HelpFileMenu));
    if (menu) {
        menu->OpenFrom = openFrom;
        menu->Open(file, openFrom == OPEN_EDITOR ? editor : nullptr);
    }
    // The edited file's name was needed only while the masks were matched.
    file[0] = keyword[0] = title[0] = flags[0] = encoding[0] = type[0] = 0;
    if (!menu) return -1;
    int result = menu->Run();
    WriteNumberSetting("SelectedItem", menu->Selected);
    WriteNumberSetting("LastPos", menu->LastPos);
    if (result >= 0 && result != HC_OPENWORD && menu->Active >= FIRST_ENTRY) {
        const CatalogueEntry& work = menu->Work;
        CopyText(file, work.File, CATALOGUE_FIELD_SIZE);
        CopyText(keyword, work.Keyword, CATALOGUE_FIELD_SIZE);
        CopyText(title, work.Desc, CATALOGUE_FIELD_SIZE);
        CopyText(flags, work.Flags, CATALOGUE_FLAGS_SIZE);
        CopyText(encoding, work.Encoding, CATALOGUE_ENCODING_SIZE);
        CopyText(type, work.Type, CATALOGUE_FIELD_SIZE);
        if (entry) *entry = menu->Active - FIRST_ENTRY;
    }
    HeapFreeBlock(menu);
    return result;
}
