// Dravel.lvx's answer to HM_SHOWHELP: the core's lookup run with the host's pieces (comparison,
// the notice while an index is built, the candidate menu, the result folder, the system's code
// pages for the shipped formats' UTF-8), then the article opened in Far's editor or viewer, which
// deletes it and its folder on close.
#include "front.hpp"

#include "heap.hpp"
#include "lookup.h"

#include <string.h>

#include <new>

namespace {

int CompareNoCase(const char* a, const char* b, int n) {
    return Front.FSF.LStrnicmp(a, b, n);
}

struct NoticeState {
    HANDLE Screen;
};

// The notice has no buttons: Far draws it and returns at once, and it stays until the screen
// saved beneath it is put back.
void BeginNotice(void* context) {
    NoticeState* state = (NoticeState*)context;
    char title[DRAVEL_MSG_SIZE], text[DRAVEL_MSG_SIZE];
    GetText(MsgTitle, title);
    GetText(MsgBuildingIndex, text);
    const char* items[] = {title, text};
    state->Screen = Front.Info.SaveScreen(0, 0, -1, -1);
    Front.Info.Message(Front.Info.ModuleNumber, 0, nullptr, items, 2, 0);
}

void EndNotice(void* context) {
    NoticeState* state = (NoticeState*)context;
    // A null handle redraws the whole screen, which also takes the notice away.
    Front.Info.RestoreScreen(state->Screen);
    state->Screen = nullptr;
}

// A candidate's text is copied whole into the menu item's fixed text.
static_assert(sizeof(dravel::Candidate::text) <= sizeof(FarMenuItemEx::Text.Text), "menu text");

// A menu cut at the candidate limit ends with a line that cannot be chosen, saying that more
// headwords begin with the keyword.
int ChooseCandidate(void*, const dravel::Candidate* candidates, size_t count, bool more,
                    const char* /*keyword*/, const char* name) {
    size_t lines = count + (more ? 1 : 0);
    if (lines > 0x7FFFFFFF / sizeof(FarMenuItemEx)) return -1;
    FarMenuItemEx* items = (FarMenuItemEx*)HeapAllocArray(lines, sizeof(FarMenuItemEx));
    // Without memory for the menu there is nothing to choose from; the request shows nothing.
    if (!items) return -1;
    for (size_t i = 0; i < count; i++) {
        memcpy(items[i].Text.Text, candidates[i].text, sizeof candidates[i].text);
        items[i].UserData = candidates[i].offset;
    }
    if (more) {
        GetText(MsgMoreHeadwords, items[count].Text.Text);
        items[count].Flags = MIF_DISABLE;
    }
    char title[DRAVEL_MSG_SIZE];
    GetText(MsgTitle, title);
    // A shipped dictionary's own name stands in the menu's bottom line.
    int chosen = Front.Info.Menu(
        Front.Info.ModuleNumber, -1, -1, 0, FMENU_WRAPMODE | FMENU_AUTOHIGHLIGHT | FMENU_USEEXT, title,
        name && *name ? name : nullptr, nullptr, nullptr, nullptr, (const FarMenuItem*)items, (int)lines);
    HeapFreeBlock(items);
    return chosen < 0 || (size_t)chosen >= count ? -1 : chosen;
}

bool MakeFolder(void*, char* folder, size_t size) {
    return MakeResultFolder(Front.FSF, folder, size);
}

// The keyword comes in the dictionary's code page; the notice shows it in OEM.
void ShowNotFound(const char* keyword, const char* encoding) {
    char shown[dravel::KeywordLimit + 1];
    size_t length = strnlen(keyword, dravel::KeywordLimit);
    memcpy(shown, keyword, length);
    shown[length] = 0;
    if (Front.Module.EncodingToOem) Front.Module.EncodingToOem(shown, (int)length, encoding ? encoding : "");
    ShowNothingFound(Front, MsgNoHeadword, MsgAccept, shown);
}

} // namespace

int ShowArticle(const char* dictionary, const char* keyword, const char* encoding, dravel::Format format,
                char* errorText) {
    NoticeState notice = {nullptr};
    // The shipped formats speak UTF-8: the keyword comes in the entry's encoding, the article and
    // the candidates go out in the console's OEM code page, with stand-ins for what it lacks.
    const bool ansi = encoding && !strcmp(encoding, "WIN");
    char32_t keywordPage[CodePageUpperHalf], oemPage[CodePageUpperHalf];
    SystemUpperHalf(ansi ? GetACP() : GetOEMCP(), keywordPage);
    SystemUpperHalf(GetOEMCP(), oemPage);
    TextTarget target;
    InitTextTarget(&target, oemPage);
    dravel::LookupHost host;
    host.compare = CompareNoCase;
    host.notice.begin = BeginNotice;
    host.notice.end = EndNotice;
    host.notice.context = &notice;
    host.choose = ChooseCandidate;
    host.makeFolder = MakeFolder;
    host.context = nullptr;
    host.keywordUpperHalf = keywordPage;
    host.target = &target;

    dravel::Error error = dravel::Error::None;
    try {
        dravel::LookupResult result = dravel::RunLookup(dictionary ? dictionary : "", keyword, host, format);
        if (result.outcome == dravel::Outcome::Written) {
            // The article is in the console's code page when it was converted, else in the
            // dictionary's own: the console's, unless the entry says WIN.
            ResultTable table = ansi && !result.converted ? RESULT_TABLE_ANSI : RESULT_TABLE_OEM;
            OpenResultWindow(Front.Info, Front.View, result.path.c_str(), result.title.c_str(), table);
            return 1;
        }
        if (result.outcome == dravel::Outcome::Nothing) return 1;
        if (result.outcome == dravel::Outcome::NotFound) {
            ShowNotFound(keyword, encoding);
            return 1;
        }
        error = result.error;
    } catch (const std::bad_alloc&) {
        error = dravel::Error::NoMemory;
    }
    if (notice.Screen) EndNotice(&notice);
    GetText(dravel::MessageIndex(error), errorText);
    return 0;
}
