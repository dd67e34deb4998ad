// The extra export of LumivoProbe.dll (see probe.hpp).
#include "probe.hpp"

extern "C" const ProbeView* WINAPI ProbeView_() {
    static const ProbeView view = {
        &Info,
        &FSF,
        SettingsKey,
        &Modules,
        &ShowInPanels,
        &ShowInDisks,
        &DisksHotkey,
        &WordDiv,
        &EditorChoices,
        RememberEditorChoice,
        LookUpEditorChoice,
        LoadModule,
        CheckLanguage,
        DescribeModules,
        CallModule,
        ReadEntryHead,
        ReadEntry,
        WriteEntry,
        DeleteEntry,
        RemoveEntry,
        SwapEntries,
        MaskMatchesFile,
        ReadCatalogue,
        ShowHelpFileMenu,
        CollectHelpTypes,
        PreparePath,
    };
    return &view;
}
