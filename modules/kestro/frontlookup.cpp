// Kestro.lvx's answer to HM_SHOWHELP: the core's lookup run with the host's pieces (its
// case-insensitive compare, the title conversion to OEM, the system's code pages for the ranked
// search, the topic menu), then the chosen page written into "Kestro.txt" in a fresh LUMV folder,
// as stored or as text in the console's OEM code page (PageForm), and opened in Far's editor or
// viewer, which deletes the file and the folder when it closes.
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
int ChooseTopic(void*, const TopicAnswer& answer) {
    const uint32_t count = (uint32_t)answer.Lines.size();
    const bool more = answer.More;
    uint32_t lines = count + (more ? 1 : 0);
    if (lines > 0x7FFFFFFF / sizeof(FarMenuItemEx)) return TopicChoiceNoMemory;
    FarMenuItemEx* items = (FarMenuItemEx*)HeapAllocArray(lines, sizeof(FarMenuItemEx));
    if (!items) return TopicChoiceNoMemory;
    for (uint32_t i = 0; i < count; i++) {
        memcpy(items[i].Text.Text, answer.Lines[i].Text, sizeof answer.Lines[i].Text);
        items[i].UserData = answer.Lines[i].Page;
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

// The help file's code page for the ranked search, from its language; the last one is kept.
const char32_t* FileCharacters(void*, uint32_t languageId) {
    static UINT kept;
    static char32_t upper[CodePageUpperHalf];
    UINT codePage = AnsiCodePageOfLanguage(languageId);
    if (codePage != kept) {
        SystemUpperHalf(codePage, upper);
        kept = codePage;
    }
    return upper;
}

// A line of the ranked search's menu in the OEM code page, with the text view's stand-ins for
// what it lacks.
void MenuText(void* target, const char16_t* text, size_t length, char* out, size_t size) {
    std::u32string wide;
    try {
        for (size_t i = 0; i < length; i++) {
            char32_t c = text[i];
            if (c >= 0xD800 && c < 0xDC00 && i + 1 < length && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000)
                c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00u);
            wide.push_back(c == '\t' || c == '\n' || c == '\r' ? U' ' : c);
        }
        std::string shown = TextInTarget(wide, *(const TextTarget*)target);
        size_t keep = shown.size() < size - 1 ? shown.size() : size - 1;
        memcpy(out, shown.data(), keep);
        out[keep] = 0;
    } catch (const std::bad_alloc&) {
        out[0] = 0;
    }
}

// The keyword in UTF-16 from the request's own encoding, which holds what the user typed.
std::u16string RequestWord(const char* keyword, const char* encoding) {
    UINT codePage = strcmp(encoding, "OEM") == 0 ? CP_OEMCP : CP_ACP;
    int n = MultiByteToWideChar(codePage, 0, keyword, -1, nullptr, 0);
    std::u16string word;
    if (n <= 1) return word;
    std::wstring wide((size_t)n, L'\0');
    MultiByteToWideChar(codePage, 0, keyword, -1, &wide[0], n);
    for (int i = 0; i < n - 1; i++)
        word.push_back((char16_t)wide[(size_t)i]);
    return word;
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

int LookupTopic(const char* helpFile, const char* keyword, const char* requestKeyword, const char* encoding,
                char* errorText) {
    const TopicSearch search = (TopicSearch)Front.View.Choices[ChoiceSearch];
    TextTarget oem = {};
    std::u16string word;
    if (search != SearchTitles) {
        char32_t upper[CodePageUpperHalf];
        SystemUpperHalf(GetOEMCP(), upper);
        InitTextTarget(&oem, upper);
        try {
            word = RequestWord(requestKeyword, encoding);
        } catch (const std::bad_alloc&) {
            errorText[0] = 0; // no memory: the host shows its own text
            return 0;
        }
    }
    TopicLookupHost host = {CompareNoCase,  ConvertTitle, (void*)encoding, ChooseTopic, nullptr,
                            FileCharacters, MenuText,     NamedEntity,     &oem};
    TopicRequest request = {search, keyword, word.data(), word.size()};
    TopicPage page;
    switch (FindTopicPage(helpFile, request, &host, &page)) {
    case TopicPageFound:
        break;
    case TopicChoiceCancelled:
        return 1;
    case TopicNoMatch: // nothing to show is no failure, but the user hears of it
        ShowNothingFound(Front,
                         search == SearchTitles ? MsgNoTopic
                         : page.TextSearched    ? MsgNoMatchNorText
                                                : MsgNoMatch,
                         MsgAccept, keyword);
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
    const bool asText = Front.View.Choices[ChoicePageForm] == PageAsText;
    if (asText && !PageText(page, &text)) {
        FreeObject(page.Data);
        errorText[0] = 0; // no memory: the host shows its own text
        return 0;
    }
    char path[NM];
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
