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
// - Every table and the candidate list are released before the page is read.
#include "find/lookup.h"

#include <string.h>

#include "text/charsets.h"
#include "chm/container.h"

namespace {

enum { IndexPathSize = 1024 };

bool IsSeparator(char c) {
    return c == '\\' || c == '/' || c == ':';
}

ChmContainer* Open(const char* path, TopicPage* page) {
    ChmContainer* container = OpenContainer(path);
    if (container) page->ContainersOpened++;
    return container;
}

void Close(ChmContainer* container, TopicPage* page) {
    if (container) page->FramesDecoded += container->FramesDecoded;
    CloseContainer(container);
}

// Reads the four tables of one file. Sets *opened when the file opened at all; the container
// stays open, for the page, when the tables were read.
ChmContainer* TryTables(const char* path, TopicTables* tables, bool* opened, TopicPage* page) {
    ChmContainer* container = Open(path, page);
    if (!container) return nullptr;
    *opened = true;
    if (ReadTopicTables(container, tables) == 0) return container;
    Close(container, page);
    return nullptr;
}

// The tables from the index file or the help file. *helpContainer is the help file's container
// when the tables came from it.
TopicLookupStatus LoadTables(const char* helpFile, TopicTables* tables, ChmContainer** helpContainer,
                             TopicPage* page) {
    bool opened = false;
    char indexPath[IndexPathSize];
    *helpContainer = nullptr;
    if (FormIndexPath(helpFile, indexPath, sizeof(indexPath)) == 0 && strcmp(indexPath, helpFile) != 0) {
        if (ChmContainer* index = TryTables(indexPath, tables, &opened, page)) {
            Close(index, page);
            return TopicPageFound;
        }
    }
    *helpContainer = TryTables(helpFile, tables, &opened, page);
    if (*helpContainer) return TopicPageFound;
    return opened ? TopicTablesUnreadable : TopicFileUnopened;
}

// Picks one candidate: the only one, or the user's choice among several.
TopicLookupStatus Choose(const TopicLookupHost* host, const TopicCandidate* list, uint32_t count, bool more,
                         uint32_t* chosen) {
    if (count == 0) return TopicNoMatch;
    if (count == 1 && !more) {
        *chosen = 0;
        return TopicPageFound;
    }
    int choice = host->Choose(host->ChooseContext, list, count, more);
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

TopicLookupStatus FindTopicPage(const char* helpFile, const char* keyword, const TopicLookupHost* host,
                                TopicPage* page) {
    memset(page, 0, sizeof(*page));
    if (!helpFile || !*helpFile) return TopicFileUnopened;

    TopicTables tables;
    ChmContainer* container;
    TopicLookupStatus status = LoadTables(helpFile, &tables, &container, page);
    if (status != TopicPageFound) return status;

    TopicCandidate* list;
    uint32_t count;
    bool more;
    uint32_t chosen = 0;
    if (CollectTopics(&tables, keyword, host->Compare, host->Convert, host->ConvertContext,
                      TopicCandidateLimit, &list, &count, &more) != 0)
        status = TopicNoMemory;
    else
        status = Choose(host, list, count, more, &chosen);
    if (status == TopicPageFound &&
        FormTopicPath(&tables, list[chosen].PathOffset, page->Path, sizeof(page->Path)))
        status = TopicPageUnreadable;
    FreeObject(list);
    FreeTopicTables(&tables);
    if (status != TopicPageFound) {
        Close(container, page);
        page->Path[0] = 0;
        return status;
    }

    if (!container) container = Open(helpFile, page); // the tables came from the index file
    if (!container) return TopicFileUnopened;
    int read = ReadObject(container, page->Path, &page->Data, &page->Length);
    unsigned char* system;
    uint32_t systemLength;
    if (read == 0 && ReadObject(container, "/#SYSTEM", &system, &systemLength) == 0) {
        page->LanguageId = SystemLanguageId(system, systemLength);
        FreeObject(system);
    }
    Close(container, page);
    return read == 0 ? TopicPageFound : TopicPageUnreadable;
}
