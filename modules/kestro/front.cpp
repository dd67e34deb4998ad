// Kestro.lvx: the CHM reader as the host plug-in sees it, on the common module front (which
// supplies the exports): the answer to HM_DESCRIBE, the four settings and their dialog; the
// lookup itself is in frontlookup.cpp.
#include "front.hpp"

#include "heap.hpp"
#include "find/lookup.h"

#include <string.h>

KestroFront Front;

namespace {

// The host keeps this pointer for as long as the module is loaded.
HelpTypeInfo ChmType;

const int PageFormRows[] = {MsgPageSource, MsgPageText};
// A row per TopicSearch value, in its order.
const int SearchRows[] = {MsgSearchTitles, MsgSearchIndex, MsgSearchText};
static_assert(sizeof SearchRows / sizeof SearchRows[0] == TopicSearchCount, "a row for every Search value");

const ResultViewChoice Choices[KestroChoices] = {
    {"PageForm", MsgPageFormLabel, PageFormRows, 2, true},
    // An enumeration: a value that is no row reads as 0, so that a row can be appended.
    {"Search", MsgSearchLabel, SearchRows, TopicSearchCount, false},
};

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
    int answer = LookupTopic(request->FileName, keyword, request->Keyword, encoding, result->ErrorText);
    HeapFreeBlock(keyword);
    return answer;
}

void Configure() {
    ConfigureResultView(Front.Info, Front.Module, Front.SettingsKey, DialogTexts, &Front.View, Choices,
                        KestroChoices);
}

void ReadSettings() {
    ReadResultView(Front.FSF, Front.SettingsKey, &Front.View, Choices, KestroChoices);
}

} // namespace

const ModuleDefinition ThisModule = {
    &Front, "Kestro", ReadSettings, {Describe, ShowHelp, Configure}, nullptr};

void GetText(int n, char* dest) {
    ModuleText(Front.Module, n, dest);
}
