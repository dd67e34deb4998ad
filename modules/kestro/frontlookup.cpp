// Kestro.lvx's answer to HM_SHOWHELP: the core's lookup run with the host's pieces (its
// case-insensitive compare, the title conversion to OEM, the topic menu), then the chosen
// page written into "Kestro.txt" in a fresh LUMV folder, as stored or as text in the console's
// OEM code page (PageForm), and opened in Far's editor or viewer, which deletes the file and
// the folder when it closes.
#include "front.hpp"

#include "heap.hpp"
#include "text/htmltext.h"
#include "find/lookup.h"

#include <string.h>

#include <new>
#include <string>

namespace {

const char ResultName[] = "\\Kestro.txt";

int CompareNoCase(const char* title, const char* keyword, int length) {
    return Front.FSF.LStrnicmp(title, keyword, length);
}

// Titles are stored in the help file's own code page, the request's encoding.
void ConvertTitle(char* title, void* encoding) {
    if (Front.Module.EncodingToOem)
        Front.Module.EncodingToOem(title, (int)strlen(title), (const char*)encoding);
}

// A menu cut at the candidate limit ends with a line that cannot be chosen, saying that more
// titles match.
int ChooseTopic(void*, const TopicCandidate* candidates, uint32_t count, bool more) {
    uint32_t lines = count + (more ? 1 : 0);
    if (lines > 0x7FFFFFFF / sizeof(FarMenuItemEx)) return TopicChoiceNoMemory;
    FarMenuItemEx* items = (FarMenuItemEx*)HeapAllocArray(lines, sizeof(FarMenuItemEx));
    if (!items) return TopicChoiceNoMemory;
    for (uint32_t i = 0; i < count; i++) {
        memcpy(items[i].Text.Text, candidates[i].Title, sizeof candidates[i].Title);
        items[i].UserData = candidates[i].PathOffset;
    }
    if (more) {
        GetText(MsgMoreTitles, items[count].Text.Text);
        items[count].Flags = MIF_DISABLE;
    }
    char title[KESTRO_MSG_SIZE];
    GetText(MsgTitle, title);
    const DWORD flags = FMENU_WRAPMODE | FMENU_AUTOHIGHLIGHT | FMENU_USEEXT;
    int chosen = Front.Info.Menu(Front.Info.ModuleNumber, -1, -1, 0, flags, title, nullptr, nullptr, nullptr,
                                 nullptr, (const FarMenuItem*)items, (int)lines);
    HeapFreeBlock(items);
    return chosen < 0 || (uint32_t)chosen >= count ? TopicChoiceNone : chosen;
}

// The page as text, in the OEM code page Far's editor and viewer show files in. False when
// memory ran out.
bool PageText(const TopicPage& page, std::string* text) {
    char32_t oem[CodePageUpperHalf], ansi[CodePageUpperHalf];
    SystemUpperHalf(GetOEMCP(), oem);
    TextTarget target;
    InitTextTarget(&target, oem);
    HtmlTextOptions options = TopicPageOptions(page.Path, page.LanguageId);
    options.Target = &target;
    if (!BuiltInUpperHalf(options.CodePage)) { // a page this reader carries no table of
        SystemUpperHalf(options.CodePage, ansi);
        options.UpperHalf = ansi;
    }
    std::u32string lines;
    if (RenderHtmlText(page.Data, page.Length, options, &lines) != HtmlTextDone) return false;
    try {
        *text = TextInTarget(lines, target);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

// Writes the result into "<new LUMV folder>\Kestro.txt". On failure nothing of ours is left
// behind: a file that cannot be written whole is no answer.
bool WriteResult(const void* data, DWORD length, char* path) {
    char folder[NM];
    if (!MakeResultFolder(Front.FSF, folder, sizeof folder)) return false;
    size_t folderLength = strlen(folder);
    if (sizeof ResultName > sizeof folder - folderLength) {
        RemoveResultFolder(folder, nullptr);
        return false;
    }
    memcpy(path, folder, folderLength);
    memcpy(path + folderLength, ResultName, sizeof ResultName);
    HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        RemoveResultFolder(folder, nullptr);
        return false;
    }
    DWORD written = 0;
    bool whole = length == 0 || (WriteFile(file, data, length, &written, nullptr) && written == length);
    whole = CloseHandle(file) && whole;
    if (!whole) RemoveResultFolder(folder, path);
    return whole;
}

int Fail(int message, char* errorText) {
    GetText(message, errorText);
    return 0;
}

} // namespace

int LookupTopic(const char* helpFile, const char* keyword, const char* encoding, char* errorText) {
    TopicLookupHost host = {CompareNoCase, ConvertTitle, (void*)encoding, ChooseTopic, nullptr};
    TopicPage page;
    switch (FindTopicPage(helpFile, keyword, &host, &page)) {
    case TopicPageFound:
        break;
    case TopicChoiceCancelled:
        return 1;
    case TopicNoMatch: // nothing to show is no failure, but the user hears of it
        ShowNothingFound(Front, MsgNoTopic, MsgAccept, keyword);
        return 1;
    case TopicFileUnopened:
        return Fail(MsgFileUnopened, errorText);
    case TopicTablesUnreadable:
        return Fail(MsgTablesUnreadable, errorText);
    case TopicPageUnreadable:
        return Fail(MsgPageUnreadable, errorText);
    default: // no memory: the host shows its own text
        errorText[0] = 0;
        return 0;
    }
    std::string text;
    if (Front.View.Choice == PageAsText && !PageText(page, &text)) {
        FreeObject(page.Data);
        errorText[0] = 0; // no memory: the host shows its own text
        return 0;
    }
    char path[NM];
    const bool asText = Front.View.Choice == PageAsText;
    // The HTML source is in the page's own code page: the help file's ANSI one, unless the page
    // says otherwise; the editor can only be given the system's ANSI table for it.
    const unsigned sourcePage =
        asText ? 0 : PageCodePage(page.Data, page.Length, AnsiCodePageOfLanguage(page.LanguageId));
    bool written = asText ? WriteResult(text.data(), static_cast<DWORD>(text.size()), path)
                          : WriteResult(page.Data, page.Length, path);
    FreeObject(page.Data);
    if (!written) return Fail(MsgResultUnwritable, errorText);
    OpenResultWindow(Front.Info, Front.View, path, keyword, asText ? RESULT_TABLE_OEM : RESULT_TABLE_ANSI,
                     sourcePage);
    return 1;
}
