// A view into the host plug-in's own state, for the Wine tests. LumivoProbe.dll
// is built from exactly the objects of Lumivo.dll plus one extra export,
// "ProbeView"; the deliverable itself exports only Far's five names.
#pragma once

#include "catalogue.hpp"
#include "dispatch.hpp"
#include "helpmenu.hpp"
#include "lumivo.hpp"
#include "modules.hpp"
#include "services.hpp"

struct ProbeView {
    PluginStartupInfo* Info;
    FarStandardFunctions* FSF;
    const char* SettingsKey;
    ModuleTable** Modules;
    const int* ShowInPanels;
    const int* ShowInDisks;
    const int* DisksHotkey;
    const WordDelimiters* WordDiv;
    EditorChoiceMemory* EditorChoices;

    bool (*RememberEditorChoice)(EditorChoiceMemory*, int, int);
    bool (*LookUpEditorChoice)(const EditorChoiceMemory*, int, int*);

    bool (*LoadModule)(ModuleTable*, const char*);
    bool (*CheckLanguage)(ModuleTable*);
    void (*DescribeModules)(ModuleTable*);
    int (*CallModule)(ModuleTable*, int, int, void*, void*);

    bool (*ReadEntryHead)(int, char*, char*);
    bool (*ReadEntry)(int, CatalogueEntry*);
    void (*WriteEntry)(const CatalogueEntry*, int);
    void (*DeleteEntry)(int);
    void (*RemoveEntry)(int, int);
    void (*SwapEntries)(int, int);
    bool (*MaskMatchesFile)(const char*, const char*);
    int (*ReadCatalogue)(const char*, int*, CatalogueVisitor, void*);

    int (*ShowHelpFileMenu)(char*, char*, int, const EditorInfo*, char*, char*, char*, char*, int*);
    void (*CollectHelpTypes)(const char*, bool, HelpTypeInfo***, int*);
    void (*PreparePath)(char*);
};

typedef const ProbeView*(WINAPI* PROBEVIEW)(void);
