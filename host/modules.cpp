// The module table (see modules.hpp). Nothing here is ever unloaded: a module's
// type records are read at every dispatch, so its library must stay put.
#include "modules.hpp"

#include "heap.hpp"
#include "lumivo.hpp"
#include "services.hpp"

#include <string.h>

// The module registry root handed to every module; lives as long as the process.
static char ModulesRoot[MODULES_ROOT_SIZE];

static int WINAPI FoundModule(const WIN32_FIND_DATAA* data, const char* fullName, void* param) {
    // The search reports folders too; one named x.lvx is no library.
    if (!(data->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) LoadModule((ModuleTable*)param, fullName);
    return 1;
}

void LoadModules(ModuleTable* table, const char* folder) {
    memset(table, 0, sizeof *table);
    CheckLanguage(table);
    FSF.FarRecursiveSearch(folder, "*.lvx", FoundModule, FRS_RECUR, table);
    DescribeModules(table);
}

bool LoadModule(ModuleTable* table, const char* path) {
    size_t pathLength = strlen(path);
    // The record carries the path in NM characters; a longer one cannot be handed on.
    if (pathLength < 3 || pathLength >= NM) return false;
    // A module that lacks a DLL it needs must fail quietly, not through the
    // loader's message box.
    UINT errorMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    SetErrorMode(errorMode | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE module = LoadLibraryA(path);
    SetErrorMode(errorMode);
    if (!module) return false;

    ModuleEntry* entries = (ModuleEntry*)HeapAllocArray((size_t)table->Count + 1, sizeof(ModuleEntry));
    if (!entries) {
        FreeLibrary(module);
        return false;
    }
    if (table->Count) MemCopy(entries, table->Entries, (size_t)table->Count * sizeof(ModuleEntry));
    HeapFreeBlock(table->Entries);
    table->Entries = entries;
    ModuleEntry* entry = &entries[table->Count++];
    entry->Module = module;
    entry->Start = (MODULESTART)(void*)GetProcAddress(module, "Start");
    entry->Exit = (MODULEEXIT)(void*)GetProcAddress(module, "Exit");
    entry->Message = (MODULEMESSAGE)(void*)GetProcAddress(module, "Message");

    ModuleStartupInfo msi;
    memset(&msi, 0, sizeof msi);
    msi.StructSize = sizeof msi;
    memcpy(msi.ModuleName, path, pathLength + 1);
    memcpy(msi.LangFile, path, pathLength + 1);
    memcpy(msi.LangFile + pathLength - 3, "lvg", 3);
    FSF.sprintf(ModulesRoot, "%s\\Plugins", SettingsKey);
    msi.RootKey = ModulesRoot;
    msi.GetModuleMsg = GetModuleMsg;
    msi.ModuleDlgProc = ModuleDlgProc;
    msi.ModuleMenu = ModuleMenu;
    msi.OemToEncoding = OemToEncoding;
    msi.EncodingToOem = EncodingToOem;
    if (entry->Start) entry->Start(&Info, &msi);
    return true;
}

bool CheckLanguage(ModuleTable* table) {
    char language[LANGUAGE_NAME_SIZE];
    GetModuleLanguage(language);
    if (table->Language && !strcmp(table->Language, language)) return false;
    HeapFreeBlock(table->Language);
    table->Language = HeapStrDup(language);
    return true;
}

// Appends the entry's type names to the type list; false when it cannot grow.
static bool AppendTypeNames(ModuleTable* table, const ModuleEntry* entry) {
    size_t total = (size_t)table->TypeTotal + (size_t)entry->TypesNumber;
    if (total > (size_t)-1 / sizeof(FarListItem)) return false;
    FarListItem* items = (FarListItem*)HeapReAllocZero(table->TypeItems, total * sizeof(FarListItem));
    if (!items) return false;
    table->TypeItems = items;
    for (int i = 0; i < entry->TypesNumber; i++) {
        FarListItem* item = &items[table->TypeTotal + i];
        memset(item, 0, sizeof *item);
        CopyText(item->Text, entry->Types[i].Name, sizeof item->Text);
    }
    table->TypeTotal = (int)total;
    return true;
}

void DescribeModules(ModuleTable* table) {
    HeapFreeBlock(table->TypeItems);
    table->TypeItems = nullptr;
    table->TypeTotal = 0;
    for (int i = 0; i < table->Count; i++) {
        ModuleEntry* entry = &table->Entries[i];
        HelpModuleInfo info;
        memset(&info, 0, sizeof info);
        info.StructSize = sizeof info;
        if (CallModule(table, i, HM_DESCRIBE, nullptr, &info)) {
            entry->Flags = info.Flags;
            // An answer without a usable array (null, or a count of 0 or less)
            // leaves the module with no types rather than half of one.
            entry->Types = info.Types && info.TypesNumber > 0 ? info.Types : nullptr;
            entry->TypesNumber = entry->Types ? info.TypesNumber : 0;
            if (info.Flags & HMF_CONFIGURABLE) CopyText(entry->Title, info.Title, sizeof entry->Title);
        }
        // A module that answered 0 keeps its earlier types; list them so that
        // the type list always matches what dispatch can reach.
        if (entry->TypesNumber && !AppendTypeNames(table, entry)) {
            entry->Types = nullptr;
            entry->TypesNumber = 0;
        }
    }
    table->TypeList.ItemsNumber = table->TypeTotal;
    table->TypeList.Items = table->TypeItems;
}

int CallModule(ModuleTable* table, int index, int code, void* in, void* out) {
    if (!table || index < 0 || index >= table->Count || !table->Entries[index].Message) return 0;
    return table->Entries[index].Message(code, in, out);
}
