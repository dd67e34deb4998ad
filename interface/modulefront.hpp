// What every help module with settings of its own keeps from Start until it is unloaded, and
// the plumbing around it: the host's tables copied, the settings key "<RootKey>\<name>", the
// module's texts from its language file, numbers in the settings store, and the Message export
// dispatched to the module's own answers.
#pragma once

#include "helpmodule.hpp"

struct ModuleFront {
    PluginStartupInfo Info; // Info.FSF points at FSF
    FarStandardFunctions FSF;
    ModuleStartupInfo Module;
    bool Started;
    char SettingsKey[NM]; // RootKey + "\" + the module's name; empty when the host gave no usable root
};

enum { MODULE_TEXT_SIZE = 128 }; // a module's message, NUL included

// Start's common work: copies the host's tables and the start-up record and forms the settings
// key. Leaves the front cleared (not Started) when either record is missing.
void StartModuleFront(ModuleFront* front, const PluginStartupInfo* info, const ModuleStartupInfo* module,
                      const char* name);

// The module's message n (at most 127 characters) in the current language; empty when the
// language file or the line is missing.
void ModuleText(const ModuleStartupInfo& module, int n, char* dest);

// A number under the key: read into 10 characters and parsed with the host's "%i"; the
// default's number when the value is missing or unreadable, 0 when it does not parse or the
// key is empty.
int ReadNumberSetting(const FarStandardFunctions& fsf, const char* key, const char* name,
                      const char* defaultText);
// Written in decimal with the host's itoa; nothing happens under an empty key.
void WriteNumberSetting(const FarStandardFunctions& fsf, const char* key, const char* name, int value);

// Fills a help type's record, cleared first.
void FillHelpType(HelpTypeInfo* type, DWORD defaultOptions, const char* name, const char* masks,
                  const char* encoding);

// Fills a module's one help type (its static record, so the host may keep the address) and
// points the HM_DESCRIBE answer at it: TypesNumber 1. Flags and Title are left to the caller.
void DescribeOneType(HelpModuleInfo* info, HelpTypeInfo* type, DWORD defaultOptions, const char* name,
                     const char* masks, const char* encoding);

// HM_DESCRIBE's answer of a module with a settings dialog: its one type, message 0 as the
// title, HMF_CONFIGURABLE. 0 when there is no record to fill.
int DescribeConfigurable(const ModuleFront& front, HelpTypeInfo* type, DWORD defaultOptions, const char* name,
                         const char* masks, const char* encoding, HelpModuleInfo* info);

// A module's texts for ExpandDialog: the context is a ModuleDialogTexts.
struct ModuleDialogTexts {
    const ModuleStartupInfo* Module;
    char Buffer[MODULE_TEXT_SIZE];
};
const char* ModuleDialogText(int n, void* context);

// A drop-down list of `count` rows with the texts of the messages, in that order; the row
// `current` selected (the first when it is out of range).
void FillModuleList(const ModuleStartupInfo& module, const int* messages, int count, int current,
                    FarListItem* rows, FarList* list);

// The row the user left a drop-down list on: Far leaves the list position in place of the list
// pointer after the Dialog call. The first row when that is not one of the `count` rows.
int ChosenListRow(const FarDialogItem& item, int count);

// A module's own answers to the messages of the help-module interface.
struct ModuleAnswers {
    int (*Describe)(HelpModuleInfo* info);                           // HM_DESCRIBE
    int (*ShowHelp)(const HelpRequest* request, HelpResult* result); // HM_SHOWHELP
    void (*Configure)();                                             // HM_CONFIGURE
};

// The Message export: HM_DESCRIBE always, HM_SHOWHELP with both records once started, and
// HM_CONFIGURE (which always answers 1) once started; every other code is 0.
int DispatchModuleMessage(const ModuleFront& front, const ModuleAnswers& answers, int msg, void* in,
                          void* out);

// A module whose exports are those of moduleexports.cpp defines this one record.
struct ModuleDefinition {
    ModuleFront* Front; // the module's state
    const char* Name;   // of its settings key
    void (*Started)();  // after Start has filled the front: the module's own settings (may be null)
    ModuleAnswers Answers;
    void (*Exit)(); // the Exit export's work (may be null)
};

extern const ModuleDefinition ThisModule;
