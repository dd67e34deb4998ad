// Kestro.lvx: the CHM reader as the host plug-in sees it. The exports, the answer to
// HM_DESCRIBE, the three settings and their dialog; the lookup itself is in frontlookup.cpp.
#include "front.hpp"

#include "heap.hpp"

#include <string.h>

KestroFront Front;

namespace {

// The host keeps this pointer for as long as the module is loaded.
HelpTypeInfo ChmType;

const ResultViewChoice PageForm = {"PageForm", MsgPageFormLabel, MsgPageSource, MsgPageText};

const ResultViewTexts DialogTexts = {MsgTitle,  MsgDialogLabel, MsgNonModal, MsgModal,
                                     MsgEditor, MsgViewer,      MsgAccept,   MsgCancel};

int Describe(HelpModuleInfo* info) {
    return DescribeResultModule(Front, &ChmType, "Kestro", "*.chm,*.its", "WIN", info);
}

// The keyword arrives in the request's encoding; titles are compared in OEM, so it goes back
// there on a copy of its own (the host's text is not ours to change).
int ShowHelp(const HelpRequest* request, HelpResult* result) {
    if (!request->Keyword || !request->Keyword[0]) return 1;
    char* keyword = HeapStrDup(request->Keyword);
    if (!keyword) return 0;
    const char* encoding = request->Encoding ? request->Encoding : "";
    if (Front.Module.EncodingToOem) Front.Module.EncodingToOem(keyword, (int)strlen(keyword), encoding);
    int answer = LookupTopic(request->FileName, keyword, encoding, result->ErrorText);
    HeapFreeBlock(keyword);
    return answer;
}

} // namespace

void GetText(int n, char* dest) {
    ResultModuleText(Front, n, dest);
}

extern "C" int WINAPI Start(const PluginStartupInfo* Info, const ModuleStartupInfo* ModuleInfo) {
    StartResultModule(&Front, Info, ModuleInfo, "Kestro", &PageForm);
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
        return ShowHelp(request, result);
    }
    case HM_CONFIGURE:
        if (Front.Started)
            ConfigureResultView(Front.Info, Front.Module, Front.SettingsKey, DialogTexts, &Front.View,
                                &PageForm);
        return 1;
    default:
        return 0;
    }
}
