// The CHM reader's lookup from help file and keyword to the chosen page's bytes.
//
// Decisions:
// - A companion index file ("help.chi" beside "help.chm") serves the tables only when it
//   really holds them. The container reader opens any file, even one that is no container,
//   so an index file that merely opens proves nothing; a stale or foreign one must not hide
//   the help file's own tables.
// - Pages always come from the help file: an index file holds no pages. Without an index file
//   the page is read through the container that read the tables, so the frames they share (and
//   the directory) are not read twice.
// - Every table, the keyword index and the answer's lines are released before the page is read.
// - The ranked search reads the keyword index of the file that gave the tables (an index file
//   carries one too), else the help file's; a file with no keyword index is answered from its
//   titles, ranked the same way.
// - The pages' text is searched only when the index and the titles give no line, for the whole
//   word (a word that merely begins with it would bring in pages by the thousand), in the help
//   file's full-text index: an index file carries none. Its lines come in the full-text answer's
//   order (title hits, then by occurrences) and show the topic's title, or its page when it has
//   none. A help file without a full-text index, or with a damaged one, just gives no such line;
//   TopicPage::TextSearched tells the front which it was.
#include "find/lookup.h"

#include <string.h>

#include <new>

#include "chm/container.h"
#include "find/fulltext.h"
#include "find/keywords.h"
#include "find/ranking.h"
#include "text/charsets.h"

namespace {

enum { IndexPathSize = 1024, StemSize = 260 };

bool IsSeparator(char c) {
    return c == '\\' || c == '/' || c == ':';
}

ChmContainer* Open(const char* path, TopicPage* page) {
    ChmContainer* container = OpenContainerIndexed(path); // a lookup needs a few names, not the listing
    if (container) page->ContainersOpened++;
    return container;
}

void Close(ChmContainer* container, TopicPage* page) {
    if (container) page->FramesDecoded += container->FramesDecoded;
    CloseContainer(container);
}

// Reads the four tables of one file. Sets *opened when the file opened at all; the container
// stays open when the tables were read.
ChmContainer* TryTables(const char* path, TopicTables* tables, bool* opened, TopicPage* page) {
    ChmContainer* container = Open(path, page);
    if (!container) return nullptr;
    *opened = true;
    if (ReadTopicTables(container, tables) == 0) return container;
    Close(container, page);
    return nullptr;
}

// The containers of a request: the index file's, when the tables came from it, and the help
// file's, opened when the tables came from it or once the page (or its keyword index) is needed.
struct Containers {
    ChmContainer* IndexFile;
    ChmContainer* Help;
    ChmContainer* Tables() const { return IndexFile ? IndexFile : Help; }
};

TopicLookupStatus LoadTables(const char* helpFile, TopicTables* tables, Containers* c, TopicPage* page) {
    bool opened = false;
    char indexPath[IndexPathSize];
    if (FormIndexPath(helpFile, indexPath, sizeof(indexPath)) == 0 && strcmp(indexPath, helpFile) != 0) {
        c->IndexFile = TryTables(indexPath, tables, &opened, page);
        if (c->IndexFile) return TopicPageFound;
    }
    c->Help = TryTables(helpFile, tables, &opened, page);
    if (c->Help) return TopicPageFound;
    return opened ? TopicTablesUnreadable : TopicFileUnopened;
}

// Today's rule: every title that begins with the keyword, in table order, each a line of its own.
TopicLookupStatus TitleAnswer(const TopicTables& tables, const TopicRequest& request,
                              const TopicLookupHost* host, TopicAnswer* answer) {
    TopicCandidate* list;
    uint32_t count;
    bool more;
    if (CollectTopics(&tables, request.Keyword ? request.Keyword : "", host->Compare, host->Convert,
                      host->ConvertContext, TopicCandidateLimit, &list, &count, &more) != 0)
        return TopicNoMemory;
    InitAnswer(answer, false, TopicCandidateLimit);
    bool added = true;
    for (uint32_t i = 0; i < count && added; i++) {
        char path[TopicPathSize];
        // A path too long for its buffer fails only when its line is chosen.
        if (FormTopicPath(&tables, list[i].PathOffset, path, sizeof(path)) != 0) path[0] = 0;
        added = AddAnswerLine(answer, RankBeginning, list[i].Title, path);
    }
    answer->More = answer->More || more;
    FreeObject(list);
    return added ? TopicPageFound : TopicNoMemory;
}

// The stages of a ranked search, in order; each runs for the Search values from its own on.
struct RankedStage {
    TopicSearch From;
    RankedStatus (*Run)(const RankedSearch& search, TopicAnswer* answer);
    bool OnlyWhenUnnamed; // runs only when no line so far names the keyword
};
const RankedStage RankedStages[] = {
    {SearchIndex, AddIndexLines, false},
    {SearchIndex, AddTitleLines, false},
    {SearchIndex, AddSubKeywordLines, true},
};

// The lines of the pages whose text holds the word, from the help file's full-text index.
TopicLookupStatus TextAnswer(const char* helpFile, const TopicTables& tables, const TopicRequest& request,
                             const TopicLookupHost* host, Containers* c, TopicAnswer* answer,
                             TopicPage* page) {
    if (!c->Help) c->Help = Open(helpFile, page);
    FullTextIndex index;
    if (!c->Help || OpenFullTextIndex(c->Help, &index) != FullTextDone) return TopicPageFound;
    const char32_t* words =
        host->FileCharacters ? host->FileCharacters(host->TextContext, index.LocaleId) : nullptr;
    FullTextFoldTable(words, index.Fold);
    char word[FullTextWordSize];
    if (!FullTextWordBytes(request.Word, request.WordLength, words, word, sizeof word)) {
        page->TextSearched = true; // no word of the index can be this one
        return TopicPageFound;
    }
    FullTextHit* hits;
    uint32_t count;
    FullTextStatus searched = SearchFullText(&index, word, false, TopicRows(&tables), &hits, &count);
    page->TextNodesRead = index.NodesRead;
    if (searched == FullTextNoMemory) return TopicNoMemory;
    if (searched != FullTextDone) return TopicPageFound;
    page->TextSearched = true;
    const char32_t* titles = host->FileCharacters
                                 ? host->FileCharacters(host->TextContext, ContainerLanguageId(c->Tables()))
                                 : nullptr;
    bool added = true;
    for (uint32_t i = 0; i < count && added; i++) {
        uint32_t offset;
        char path[TopicPathSize], stored[TopicTitleSize], shown[TopicMenuTitleSize];
        if (TopicPathOffset(&tables, hits[i].Topic, &offset) != 0 ||
            FormTopicPath(&tables, offset, path, sizeof path) != 0)
            continue;
        TopicTitle(&tables, hits[i].Topic, stored, sizeof stored);
        const char* text = stored[0] ? stored : path + 1;
        std::u16string title;
        for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; p++) {
            char32_t ch = *p < 0x80 ? *p : titles ? titles[*p - 0x80] : UndefinedChar;
            title.push_back(ch < 0x10000 ? static_cast<char16_t>(ch) : u'\uFFFD');
        }
        host->MenuText(host->TextContext, title.data(), title.size(), shown, sizeof shown);
        shown[TopicMenuTitleSize - 1] = 0;
        added = AddAnswerLine(answer, RankText, shown, path);
    }
    FreeObject(hits);
    return added ? TopicPageFound : TopicNoMemory;
}

// The keyword index and the titles, ranked. The index comes from the file that gave the tables,
// or, when an index file gave them but holds no keyword index, from the help file.
TopicLookupStatus RankedAnswer(const char* helpFile, const TopicTables& tables, const TopicRequest& request,
                               const TopicLookupHost* host, Containers* c, TopicAnswer* answer,
                               TopicPage* page) {
    InitAnswer(answer, true, TopicCandidateLimit);
    if (!host->MenuText || !request.Word) return TopicNoMatch;
    uint32_t language = ContainerLanguageId(c->Tables());
    const char32_t* upper =
        host->FileCharacters ? host->FileCharacters(host->TextContext, language) : nullptr;
    char stem[StemSize];
    HelpFileStem(helpFile, stem, sizeof stem);
    KeywordText text = {upper, host->NamedEntity};
    KeywordIndex* index;
    if (OpenKeywordIndex(c->Tables(), stem, text, &index) != KeywordOk) return TopicNoMemory;
    if (KeywordIndexKindOf(index) == KeywordIndexNone && c->IndexFile) {
        if (!c->Help) c->Help = Open(helpFile, page);
        if (c->Help) {
            CloseKeywordIndex(index);
            if (OpenKeywordIndex(c->Help, stem, text, &index) != KeywordOk) return TopicNoMemory;
        }
    }
    RankedSearch search = {request.Word, request.WordLength, &tables,          index,
                           upper,        host->MenuText,     host->TextContext};
    TopicLookupStatus status = TopicPageFound;
    for (const RankedStage& stage : RankedStages) {
        if (request.Search < stage.From) continue;
        if (stage.OnlyWhenUnnamed && LinesBefore(*answer, RankBeginning) > 0) continue;
        RankedStatus ran = stage.Run(search, answer);
        if (ran == RankedNoMemory) {
            status = TopicNoMemory;
            break;
        }
        if (ran == RankedIndexDamaged) page->IndexDamaged = true;
    }
    page->IndexBlocksRead = KeywordBlocksRead(index);
    CloseKeywordIndex(index);
    if (status == TopicPageFound && request.Search >= SearchText && answer->Lines.empty())
        status = TextAnswer(helpFile, tables, request, host, c, answer, page);
    return status;
}

// Picks one line: the only one, or the user's choice among several.
TopicLookupStatus Choose(const TopicLookupHost* host, const TopicAnswer& answer, uint32_t* chosen) {
    uint32_t count = static_cast<uint32_t>(answer.Lines.size());
    if (count == 0) return TopicNoMatch;
    if (count == 1 && !answer.More) {
        *chosen = 0;
        return TopicPageFound;
    }
    int choice = host->Choose(host->ChooseContext, answer);
    if (choice == TopicChoiceNoMemory) return TopicNoMemory;
    if (choice < 0 || static_cast<uint32_t>(choice) >= count) return TopicChoiceCancelled;
    *chosen = static_cast<uint32_t>(choice);
    return TopicPageFound;
}

} // namespace

int FormIndexPath(const char* helpFile, char* indexPath, size_t size) {
    size_t length = helpFile ? strlen(helpFile) : 0;
    if (length < 4 || helpFile[length - 4] != '.') return -1;
    for (size_t i = length - 3; i < length; i++)
        if (IsSeparator(helpFile[i])) return -1;
    if (length >= size) return -1;
    memcpy(indexPath, helpFile, length - 3);
    memcpy(indexPath + length - 3, "chi", 4);
    return 0;
}

uint32_t ContainerLanguageId(ChmContainer* container) {
    unsigned char* system;
    uint32_t length;
    uint32_t language = 0;
    if (ReadObject(container, "/#SYSTEM", &system, &length) == 0) {
        language = SystemLanguageId(system, length);
        FreeObject(system);
    }
    return language;
}

void HelpFileStem(const char* helpFile, char* stem, size_t size) {
    const char* name = helpFile ? helpFile : "";
    for (const char* p = name; *p; p++)
        if (IsSeparator(*p)) name = p + 1;
    const char* dot = strrchr(name, '.');
    size_t length = dot && dot > name ? static_cast<size_t>(dot - name) : strlen(name);
    if (size == 0) return;
    if (length >= size) length = size - 1;
    memcpy(stem, name, length);
    stem[length] = 0;
}

namespace {

// The tables and the answer's lines, with the containers left open for the page.
TopicLookupStatus BuildAnswer(const char* helpFile, const TopicRequest& request, const TopicLookupHost* host,
                              Containers* c, TopicAnswer* answer, TopicPage* page) {
    if (!helpFile || !*helpFile) return TopicFileUnopened;
    TopicTables tables;
    TopicLookupStatus status = LoadTables(helpFile, &tables, c, page);
    if (status != TopicPageFound) return status;
    try {
        status = request.Search == SearchTitles
                     ? TitleAnswer(tables, request, host, answer)
                     : RankedAnswer(helpFile, tables, request, host, c, answer, page);
    } catch (const std::bad_alloc&) {
        status = TopicNoMemory;
    }
    FreeTopicTables(&tables);
    if (status == TopicPageFound && !FinishAnswer(answer)) status = TopicNoMemory;
    page->Lines = static_cast<uint32_t>(answer->Lines.size());
    return status;
}

} // namespace

TopicLookupStatus FindTopicAnswer(const char* helpFile, const TopicRequest& request,
                                  const TopicLookupHost* host, TopicAnswer* answer, TopicPage* page) {
    memset(page, 0, sizeof(*page));
    Containers c = {nullptr, nullptr};
    TopicLookupStatus status = BuildAnswer(helpFile, request, host, &c, answer, page);
    Close(c.IndexFile, page);
    Close(c.Help, page);
    return status == TopicPageFound && answer->Lines.empty() ? TopicNoMatch : status;
}

TopicLookupStatus FindTopicPage(const char* helpFile, const TopicRequest& request,
                                const TopicLookupHost* host, TopicPage* page) {
    memset(page, 0, sizeof(*page));
    Containers c = {nullptr, nullptr};
    uint32_t chosen = 0;
    TopicLookupStatus status;
    {
        TopicAnswer answer;
        status = BuildAnswer(helpFile, request, host, &c, &answer, page);
        if (status == TopicPageFound) status = Choose(host, answer, &chosen);
        if (status == TopicPageFound) {
            const std::string& path = answer.Pages[answer.Lines[chosen].Page];
            if (path.empty() || path.size() >= sizeof(page->Path))
                status = TopicPageUnreadable;
            else
                memcpy(page->Path, path.c_str(), path.size() + 1);
        }
    }
    Close(c.IndexFile, page);
    if (status != TopicPageFound) {
        Close(c.Help, page);
        page->Path[0] = 0;
        return status;
    }

    if (!c.Help) c.Help = Open(helpFile, page); // the tables came from the index file
    if (!c.Help) return TopicFileUnopened;
    int read = ReadObject(c.Help, page->Path, &page->Data, &page->Length);
    if (read == 0) page->LanguageId = ContainerLanguageId(c.Help);
    Close(c.Help, page);
    return read == 0 ? TopicPageFound : TopicPageUnreadable;
}
