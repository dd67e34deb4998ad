// The host plug-in's process-wide state and the small services every part of it
// leans on: the copies of Far's tables, the settings key and its store, the three
// user settings, the word delimiters, the editor selection memory and GetMsg.
#pragma once

#include "dlgtemplate.hpp"
#include "far.hpp"
#include "editorchoice.hpp"
#include "text.hpp"
#include "worddelim.hpp"

struct ModuleTable;

// Message numbers, in the order of the lines of LumivoEng.lng / LumivoRus.lng.
enum LumivoMsg {
    MTitle,      // plug-in title: menus, dialog frames, the removal question
    MMenuBottom, // help-file menu bottom line (keys)
    MDescLabel,  // entry editor labels
    MTypeLabel,
    MFileLabel,
    MKeywordLabel,
    MMaskLabel,
    MAskKeyword, // entry editor check boxes
    MFixedKeyword,
    MEncodingLabel,
    MTypeMenuTitle,   // menu of several matching help types
    MWordUnderCursor, // the three fixed commands of the help-file menu
    MRepeatLast,
    MOpenWord,
    MShowInPanels, // settings dialog
    MShowInDisks,
    MDisksHotkey,
    MRemoveQuestion,
    MKeywordTitle,   // keyword dialog frame, one %s for the title
    MConfigTitle,    // configuration menu title
    MModuleSettings, // module settings command and menu title
    MErrorTitle,
    MLineUnreadable,
    MGenericFailure,
    MOk,
    MCancel,
    MNoHelpFiles, // a request with no help file to go to: the list is empty,
    MNoEntryFile, // or the entry names none;
    MAddHelpFile, // how to add one
};

enum {
    SETTINGS_KEY_SIZE = 512, // the settings key: RootKey + "\Lumivo"
    MODULES_ROOT_SIZE = 520, // the module registry root: settings key + "\Plugins"
};

extern PluginStartupInfo Info;   // host start-up copy; Info.FSF points at FSF
extern FarStandardFunctions FSF; // standard-functions copy
extern char SettingsKey[SETTINGS_KEY_SIZE];
extern ModuleTable* Modules; // null when it could not be created
extern int ShowInPanels;
extern int ShowInDisks;
extern int DisksHotkey;
extern WordDelimiters WordDiv;
extern EditorChoiceMemory EditorChoices;

// The plug-in's own message n through Far's GetMsg ("" before SetStartupInfo).
const char* GetMsg(int id);

// The settings store on the settings key (see interface/settings.hpp).
bool ReadSetting(const char* name, char* buffer, const char* defaultText, DWORD size);
void WriteSetting(const char* name, const char* text);
void DeleteSetting(const char* name);
// A number read into 10 characters and parsed with the host's "%i"; 0 when it
// does not parse.
int ReadNumberSetting(const char* name, const char* defaultText);
// Written in decimal with the host's itoa.
void WriteNumberSetting(const char* name, int value);

// Expands a dialog's compact template with the plug-in's own messages.
void BuildDialog(const DialogTemplateItem* templates, int count, FarDialogItem* items);
