// Dravel.lvx: the dictionary provider as the host plug-in sees it, on the common module front
// (which supplies the exports): the answer to HM_DESCRIBE, the two settings in the registry and
// their dialog; the lookup is in frontshow.cpp.
#include "front.hpp"

DravelFront Front;

namespace {

// The host keeps this pointer for as long as the module is loaded.
HelpTypeInfo DictionaryType;

const ResultViewTexts DialogTexts = {MsgTitle,  MsgDialogLabel, MsgNonModal, MsgModal,
                                     MsgEditor, MsgViewer,      MsgAccept,   MsgCancel};

int Describe(HelpModuleInfo* info) {
    return DescribeResultModule(Front, &DictionaryType, "Dravel", "Dravel.txt", "", info);
}

int ShowHelp(const HelpRequest* request, HelpResult* result) {
    return ShowArticle(request->FileName, request->Keyword, request->Encoding, result->ErrorText);
}

void Configure() {
    ConfigureResultView(Front.Info, Front.Module, Front.SettingsKey, DialogTexts, &Front.View);
}

void ReadSettings() {
    ReadResultView(Front.FSF, Front.SettingsKey, &Front.View);
}

} // namespace

const ModuleDefinition ThisModule = {
    &Front, "Dravel", ReadSettings, {Describe, ShowHelp, Configure}, nullptr};

void GetText(int n, char* dest) {
    ModuleText(Front.Module, n, dest);
}
