// OpenPlugin, the plug-in's one action: the help-file menu, then the request it
// leads to, sent to the module that owns the help type and remembered in the
// registry so that it can be repeated (see dispatch.hpp).
#include "dispatch.hpp"

#include "catalogue.hpp"
#include "editorword.hpp"
#include "heap.hpp"
#include "helpmenu.hpp"
#include "lumivo.hpp"
#include "modules.hpp"
#include "optionstate.hpp"
#include "services.hpp"
#include "settings.hpp"

#include <stdio.h>
#include <string.h>

namespace {

enum {
    ERROR_TEXT_SIZE = 128,
    ERROR_TITLE_SIZE = 128,
    KEYWORD_SHOWN = CATALOGUE_FIELD_SIZE - 1, // the keyword dialog's edit holds this much
    TITLE_ROOM = 58,                          // the keyword dialog's frame text
    FILE_ROOM = 60, // of the help file named in an error box; Far cuts lines past 68 on 80 columns
};

// The working set of one call. The texts are OEM; Keyword is converted to the
// request's encoding only for the module's call.
struct Request {
    char File[CATALOGUE_FIELD_SIZE];
    char EntryKeyword[CATALOGUE_FIELD_SIZE];
    char Title[CATALOGUE_FIELD_SIZE];
    char Flags[CATALOGUE_FLAGS_SIZE];
    char Encoding[CATALOGUE_ENCODING_SIZE];
    char Type[CATALOGUE_FIELD_SIZE];
    char ErrorText[ERROR_TEXT_SIZE];
    DWORD Options;
    char* Keyword; // heap text
};

// A module's fixed-size text with a terminator, whether or not it wrote one.
struct TypeText {
    char Text[sizeof(HelpTypeInfo::Name) + 1];
    explicit TypeText(const char (&field)[sizeof(HelpTypeInfo::Name)]) {
        MemCopy(Text, field, sizeof field);
        Text[sizeof field] = 0;
    }
};

bool TypeMatches(const HelpTypeInfo& type, const char* key, bool byName) {
    if (byName) return !FSF.LStricmp(TypeText(type.Name).Text, key);
    TypeText masks(type.Masks);
    return masks.Text[0] && FSF.ProcessName(masks.Text, (char*)key, PN_CMPNAMELIST | PN_SKIPPATH);
}

// The remembered request; false when it names no help file.
bool ReadLastRequest(Request* r) {
    // Room for exactly the stored length: a longer keyword reads as empty. The room never
    // exceeds what the registry holds, so that a damaged length (999999999) cannot ask for a
    // block that fails and leaves the request without its keyword.
    int length = ReadNumberSetting("LastKeywordLength", "0");
    if (length < 0) length = 0;
    DWORD room = SettingSize(SettingsKey, "LastKeyword");
    if ((DWORD)length < room) room = (DWORD)length;
    r->Keyword = (char*)HeapAllocZero((size_t)room + 1);
    if (r->Keyword) ReadSetting("LastKeyword", r->Keyword, "", room + 1);
    ReadSetting("LastHelpFile", r->File, "", sizeof r->File);
    ReadSetting("LastHelpTitle", r->Title, "", sizeof r->Title);
    ReadSetting("LastHelpEncoding", r->Encoding, "", sizeof r->Encoding);
    r->Options = (DWORD)ReadNumberSetting("LastHelpFlags", "0");
    return r->File[0] != 0;
}

void RememberRequest(const Request* r) {
    WriteNumberSetting("LastKeywordLength", (int)strlen(r->Keyword));
    WriteSetting("LastKeyword", r->Keyword);
    WriteSetting("LastHelpFile", r->File);
    WriteSetting("LastHelpTitle", r->Title);
    WriteSetting("LastHelpEncoding", r->Encoding);
    WriteNumberSetting("LastHelpFlags", (int)r->Options);
}

// By the entry's type name, else by the help file's name; a menu when several
// types match (*asked then true). Null when none matches or the menu was cancelled.
const HelpTypeInfo* ChooseHelpType(const Request* r, bool* asked) {
    *asked = false;
    bool byName = r->Type[0] != 0;
    HelpTypeInfo** list;
    int count;
    CollectHelpTypes(byName ? r->Type : r->File, byName, &list, &count);
    const HelpTypeInfo* chosen = count == 1 ? list[0] : nullptr;
    if (count > 1) {
        FarMenuItem* items = (FarMenuItem*)HeapAllocArray((size_t)count, sizeof(FarMenuItem));
        if (items) {
            for (int i = 0; i < count; i++)
                CopyText(items[i].Text, TypeText(list[i]->Name).Text, sizeof items[i].Text);
            int g = Info.Menu(Info.ModuleNumber, -1, -1, 0, FMENU_WRAPMODE | FMENU_AUTOHIGHLIGHT,
                              GetMsg(MTypeMenuTitle), nullptr, nullptr, nullptr, nullptr, items, count);
            if (g >= 0 && g < count) chosen = list[g];
            *asked = chosen != nullptr;
            HeapFreeBlock(items);
        }
    }
    HeapFreeBlock(list);
    return chosen;
}

void HandleRequest(Request* r, int openFrom) {
    const bool fromEditor = openFrom == OPEN_EDITOR;
    EditorInfo editor;
    MemFill(&editor, 0, sizeof editor);
    if (fromEditor && Info.EditorControl(ECTL_GETINFO, &editor) && editor.FileName)
        CopyText(r->File, editor.FileName, sizeof r->File);

    int entry = -1;
    int command = ShowHelpFileMenu(r->File, r->EntryKeyword, openFrom, &editor, r->Title, r->Flags,
                                   r->Encoding, r->Type, &entry);
    if (command < 0) return;
    if (command == HC_OPENWORD) {
        if (fromEditor) ShellOpenWord(editor.CurPos);
        return;
    }
    // The entry's own help file, to tell whether a repeated request is still that entry's.
    char entryFile[CATALOGUE_FIELD_SIZE];
    CopyText(entryFile, r->File, sizeof entryFile);
    if (command == HC_REPEATLAST && !ReadLastRequest(r)) return;

    // The path as the module will get it; its name (not a quote or a variable
    // around it) is what the types' masks are matched against.
    PreparePath(r->File);
    bool asked;
    const HelpTypeInfo* type = ChooseHelpType(r, &asked);
    if (!type) return;
    // The user's answer becomes the entry's type, so that it is not asked again.
    if (asked && entry >= 0) {
        PreparePath(entryFile);
        if (command != HC_REPEATLAST || !FSF.LStricmp(entryFile, r->File))
            WriteEntryType(entry, TypeText(type->Name).Text);
    }
    if (!strcmp(r->Encoding, "AUTO"))
        CopyText(r->Encoding, TypeText(type->Encoding).Text, sizeof r->Encoding);
    CopyText(r->Type, TypeText(type->Name).Text, sizeof r->Type);
    if (command != HC_REPEATLAST) {
        r->Options = 0;
        if (EffectiveOption(r->Flags, type->DefaultOptions, HO_ASKKEYWORD)) r->Options |= HO_ASKKEYWORD;
        if (EffectiveOption(r->Flags, type->DefaultOptions, HO_FIXEDKEYWORD)) r->Options |= HO_FIXEDKEYWORD;
    }

    const bool fixed = (r->Options & HO_FIXEDKEYWORD) != 0;
    if (command == HC_WORDUNDERCURSOR && fromEditor && !fixed) {
        if (CaptureKeyword(editor.CurPos, &r->Keyword) == CAPTURE_REFUSED) {
            ShowError(GetMsg(MLineUnreadable), nullptr, nullptr);
            return;
        }
    } else if (command != HC_REPEATLAST)
        r->Keyword = HeapStrDup(r->EntryKeyword);
    if (!r->Keyword && !(r->Keyword = HeapStrDup(""))) return;

    bool ask = (command == HC_WORDUNDERCURSOR && ((!r->Keyword[0] && !fixed) || !fromEditor)) ||
               (r->Options & HO_ASKKEYWORD);
    if (ask) {
        char* answer = AskForKeyword(r->Keyword, r->Title);
        if (!answer) return;
        HeapFreeBlock(r->Keyword);
        r->Keyword = answer;
    }
    if (!r->File[0]) return;

    int length = (int)strlen(r->Keyword);
    OemToEncoding(r->Keyword, length, r->Encoding);
    int result =
        DispatchRequest(r->Type, r->File, r->Keyword, r->Options, command, r->Encoding, r->ErrorText);
    EncodingToOem(r->Keyword, length, r->Encoding);
    RememberRequest(r);
    if (!result) ShowError(r->ErrorText, r->Type, r->File);
}

const DialogTemplateItem KeywordTemplate[] = {
    {DI_DOUBLEBOX, 3, 1, 56, 3, 0, -1},
    {DI_EDIT, 5, 2, 54, 0, DIF_HISTORY | DIF_USELASTHISTORY, -1},
};

} // namespace

extern "C" HANDLE WINAPI OpenPlugin(int openFrom, int item) {
    Request* r = (Request*)HeapAllocZero(sizeof(Request));
    if (r) {
        HandleRequest(r, openFrom);
        HeapFreeBlock(r->Keyword);
        HeapFreeBlock(r);
    }
    return INVALID_HANDLE_VALUE;
}

void CollectHelpTypes(const char* key, bool byName, HelpTypeInfo*** list, int* count) {
    *list = nullptr;
    *count = 0;
    if (!Modules) return;
    for (int m = 0; m < Modules->Count; m++) {
        const ModuleEntry& entry = Modules->Entries[m];
        for (int t = 0; t < entry.TypesNumber; t++) {
            if (!TypeMatches(entry.Types[t], key, byName)) continue;
            HelpTypeInfo** grown =
                (HelpTypeInfo**)HeapReAllocZero(*list, ((size_t)*count + 1) * sizeof(HelpTypeInfo*));
            if (!grown) return;
            *list = grown;
            grown[(*count)++] = &entry.Types[t];
        }
    }
}

char* AskForKeyword(const char* keyword, const char* title) {
    FarDialogItem items[2];
    BuildDialog(KeywordTemplate, 2, items);
    const char* format = GetMsg(MKeywordTitle);
    char shown[CATALOGUE_FIELD_SIZE];
    CopyText(shown, title, sizeof shown);
    FSF.TruncStr(shown, TITLE_ROOM - (int)strlen(format));
    snprintf(items[0].Data, sizeof items[0].Data, format, shown);
    items[1].Focus = 1;
    items[1].History = "Lumivo-Dravel";
    items[1].DefaultButton = 1;
    FSF.sprintf(items[1].Data, "%.*s", KEYWORD_SHOWN, keyword);
    if (Info.Dialog(Info.ModuleNumber, -1, -1, 60, 5, "EnterKeyword", items, 2) != 1) return nullptr;
    return HeapStrDup(items[1].Data);
}

void PreparePath(char* path) {
    FSF.Unquote(path);
    FSF.ExpandEnvironmentStr(path, path, CATALOGUE_FIELD_SIZE);
}

int DispatchRequest(const char* typeName, const char* file, const char* keyword, DWORD options, int command,
                    const char* encoding, char* errorText) {
    errorText[0] = 0;
    if (!Modules) return 1;
    HelpRequest request;
    MemFill(&request, 0, sizeof request);
    request.StructSize = sizeof request;
    request.Options = options;
    request.Command = command;
    request.FileName = file;
    request.Keyword = keyword;
    request.Encoding = encoding;
    for (int m = 0; m < Modules->Count; m++) {
        const ModuleEntry& entry = Modules->Entries[m];
        for (int t = 0; t < entry.TypesNumber; t++) {
            if (!TypeMatches(entry.Types[t], typeName, true)) continue;
            HelpResult result;
            MemFill(&result, 0, sizeof result);
            result.StructSize = sizeof result;
            request.TypeIndex = t;
            int answer = CallModule(Modules, m, HM_SHOWHELP, &request, &result);
            result.ErrorText[sizeof result.ErrorText - 1] = 0;
            CopyText(errorText, result.ErrorText[0] ? result.ErrorText : GetMsg(MGenericFailure),
                     ERROR_TEXT_SIZE);
            return answer;
        }
    }
    return 1;
}

void ShowError(const char* text, const char* typeName, const char* file) {
    char title[ERROR_TITLE_SIZE];
    if (typeName)
        snprintf(title, sizeof title, "%s: %s", GetMsg(MErrorTitle), typeName);
    else
        CopyText(title, GetMsg(MErrorTitle), sizeof title);
    // The file's name is at its end, which TruncStr keeps.
    char shown[CATALOGUE_FIELD_SIZE];
    CopyText(shown, file, sizeof shown);
    if (file) FSF.TruncStr(shown, FILE_ROOM);
    const char* lines[] = {title, text, shown, GetMsg(MOk)};
    if (file && *file)
        Info.Message(Info.ModuleNumber, FMSG_WARNING, nullptr, lines, 4, 1);
    else {
        lines[2] = lines[3];
        Info.Message(Info.ModuleNumber, FMSG_WARNING, nullptr, lines, 3, 1);
    }
}
