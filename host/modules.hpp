// The module table: the help modules found in the lvx folder, loaded, started
// and described once at load, and the combined list of their help types.
#pragma once

#include "helpmodule.hpp"

struct ModuleEntry {
    HMODULE Module;
    DWORD Flags;         // HelpModuleInfo.Flags of the last successful description
    HelpTypeInfo* Types; // module-owned; null with TypesNumber 0, or one answer's array
    int TypesNumber;
    char Title[128];   // taken only from modules with HMF_CONFIGURABLE
    MODULESTART Start; // each may be null
    MODULEEXIT Exit;   // kept, never called: modules stay loaded
    MODULEMESSAGE Message;
};

struct ModuleTable {
    ModuleEntry* Entries; // in load order
    char* Language;       // FARLANG of the last descriptions, heap text or null
    int Count;
    FarListItem* TypeItems; // one per help type of all modules, text = its Name
    int TypeTotal;
    FarList TypeList; // TypeTotal and TypeItems, for a combobox to point at
};

// Clears the table, records the language, loads every *.lvx below folder (which
// ends in a backslash) in the order the host's search reports them, and describes them.
void LoadModules(ModuleTable* table, const char* folder);
// Loads, appends and starts one module; false when it was not added.
bool LoadModule(ModuleTable* table, const char* path);
// True when FARLANG differs from the recorded language (or none was recorded);
// the new one is recorded then.
bool CheckLanguage(ModuleTable* table);
// Sends HM_DESCRIBE to every module and rebuilds the type list from empty.
void DescribeModules(ModuleTable* table);
// The module's Message result; 0 for an index outside 0..Count-1 or no Message.
int CallModule(ModuleTable* table, int index, int code, void* in, void* out);
