// Dravel.lvx: the dictionary provider as the host plug-in sees it. The exports, the answer to
// HM_DESCRIBE, the two settings in the registry and their dialog; the lookup is in frontshow.cpp.
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

} // namespace

void GetText(int n, char* dest) {
    ResultModuleText(Front, n, dest);
}

extern "C" int WINAPI Start(const PluginStartupInfo* Info, const ModuleStartupInfo* ModuleInfo) {
    StartResultModule(&Front, Info, ModuleInfo, "Dravel");
    return 0;
}

extern "C" void WINAPI Exit() {}

extern "C" int WINAPI Message(int Msg, void* InData, void* OutData) {
    switch (Msg) {
    case HM_DESCRIBE:
        return Describe(static_cast<HelpModuleInfo*>(OutData));
    case HM_SHOWHELP: {
        const HelpRequest* request = static_cast<const HelpRequest*>(InData);
        HelpResult* result = static_cast<HelpResult*>(OutData);
        if (!request || !result || !Front.Started) return 0;
        return ShowArticle(request->FileName, request->Keyword, request->Encoding, result->ErrorText);
    }
    case HM_CONFIGURE:
        if (Front.Started)
            ConfigureResultView(Front.Info, Front.Module, Front.SettingsKey, DialogTexts, &Front.View);
        return 1;
    default:
        return 0;
    }
}
