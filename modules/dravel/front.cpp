// Dravel.lvx: the dictionary provider as the host plug-in sees it, on the common module front
// (which supplies the exports): the answer to HM_DESCRIBE (three help types: the one-line form,
// dictd, StarDict), the two settings in the registry and their dialog; the lookup is in
// frontshow.cpp.
#include "front.hpp"

#include "shipped.h"

DravelFront Front;

namespace {

// The three help types, in the order of dravel::Format. The host keeps this pointer for as long
// as the module is loaded. An entry may name any of a dictionary's files.
HelpTypeInfo DictionaryTypes[3];
const dravel::Format TypeFormats[3] = {dravel::Format::OneLine, dravel::Format::Dictd,
                                       dravel::Format::StarDict};

const ResultViewTexts DialogTexts = {MsgTitle,  MsgDialogLabel, MsgNonModal, MsgModal,
                                     MsgEditor, MsgViewer,      MsgAccept,   MsgCancel};

int Describe(HelpModuleInfo* info) {
    if (!DescribeResultModule(Front, &DictionaryTypes[0], "Dravel", "Dravel.txt", "", info)) return 0;
    FillHelpType(&DictionaryTypes[1], HO_ASKKEYWORD, "Dictd", "*.index,*.dict.dz,*.dict", "");
    FillHelpType(&DictionaryTypes[2], HO_ASKKEYWORD, "StarDict",
                 "*.ifo,*.idx,*.idx.gz,*.syn,*.dict.dz,*.dict", "");
    info->TypesNumber = 3;
    return 1;
}

int ShowHelp(const HelpRequest* request, HelpResult* result) {
    int type = request->TypeIndex >= 0 && request->TypeIndex < 3 ? request->TypeIndex : 0;
    return ShowArticle(request->FileName, request->Keyword, request->Encoding, TypeFormats[type],
                       result->ErrorText);
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
