// Topic lookup over "/#TOPICS", "/#STRINGS", "/#URLTBL" and "/#URLSTR". Every offset
// taken from a table is checked against the table it points into; an entry that
// leads outside its tables is simply not a candidate.
#include "find/topics.h"

#include <stdlib.h>
#include <string.h>

#include "chm/lebytes.h"

namespace {

enum {
    TopicEntrySize = 16,
    TopicTitleField = 4,
    TopicUrlField = 8,
    TopicFieldsEnd = 12, // an entry is examined only when both fields it uses are present
    UrlEntrySize = 12,
    UrlStringField = 8
};

// Copies the NUL-terminated string at `offset`, bounded by the table and by `size`.
void CopyString(const unsigned char* table, uint32_t length, uint32_t offset, char* out, uint32_t size) {
    uint32_t n = 0;
    if (offset < length)
        for (const unsigned char* p = table + offset; n + 1 < size && p < table + length && *p; p++)
            out[n++] = static_cast<char>(*p);
    out[n] = 0;
}

// Finds where the page path of a topic begins, or returns false.
bool FindPathOffset(const TopicTables* t, uint32_t urlEntry, uint32_t* pathOffset) {
    if (urlEntry > t->UrlTableLength || UrlEntrySize > t->UrlTableLength - urlEntry) return false;
    uint32_t offset = ReadLe32(t->UrlTable + urlEntry + UrlStringField);
    while (offset < t->UrlStringsLength && t->UrlStrings[offset] == 0)
        offset++;
    if (offset >= t->UrlStringsLength) return false;
    *pathOffset = offset;
    return true;
}

} // namespace

int ReadTopicTables(ChmContainer* container, TopicTables* t) {
    memset(t, 0, sizeof(*t));
    int failed = 0;
    failed |= ReadObject(container, "/#TOPICS", &t->Topics, &t->TopicsLength);
    failed |= ReadObject(container, "/#STRINGS", &t->Strings, &t->StringsLength);
    failed |= ReadObject(container, "/#URLTBL", &t->UrlTable, &t->UrlTableLength);
    failed |= ReadObject(container, "/#URLSTR", &t->UrlStrings, &t->UrlStringsLength);
    if (failed) {
        FreeTopicTables(t);
        return -1;
    }
    return 0;
}

void FreeTopicTables(TopicTables* t) {
    FreeObject(t->Topics);
    FreeObject(t->Strings);
    FreeObject(t->UrlTable);
    FreeObject(t->UrlStrings);
    memset(t, 0, sizeof(*t));
}

int CollectTopics(const TopicTables* t, const char* keyword, TopicPrefixCompare compare,
                  TopicTitleConvert convert, void* convertContext, uint32_t limit, TopicCandidate** list,
                  uint32_t* count, bool* more) {
    *list = nullptr;
    *count = 0;
    *more = false;
    int keywordLength = static_cast<int>(strlen(keyword));
    uint32_t entries = TopicRows(t);
    uint32_t capacity = 0;
    for (uint32_t n = 0; n < entries; n++) {
        const unsigned char* entry = t->Topics + TopicEntrySize * n;
        char title[TopicTitleSize];
        CopyString(t->Strings, t->StringsLength, ReadLe32(entry + TopicTitleField), title, sizeof(title));
        if (convert) convert(title, convertContext);
        if (compare(title, keyword, keywordLength) != 0) continue;
        uint32_t pathOffset;
        if (!FindPathOffset(t, ReadLe32(entry + TopicUrlField), &pathOffset)) continue;
        if (*count == limit) {
            *more = true; // one more is enough to know
            break;
        }
        if (*count == capacity) {
            // Doubling keeps a lookup over tens of thousands of titles linear.
            capacity = capacity ? 2 * capacity : 16;
            if (capacity > limit) capacity = limit;
            TopicCandidate* grown =
                static_cast<TopicCandidate*>(realloc(*list, capacity * sizeof(TopicCandidate)));
            if (!grown) {
                free(*list);
                *list = nullptr;
                *count = 0;
                return -1;
            }
            *list = grown;
        }
        TopicCandidate* candidate = &(*list)[(*count)++];
        memset(candidate, 0, sizeof(*candidate));
        size_t keep = strlen(title);
        if (keep > TopicMenuTitleSize - 1) keep = TopicMenuTitleSize - 1;
        memcpy(candidate->Title, title, keep);
        candidate->PathOffset = pathOffset;
    }
    return 0;
}

int FormTopicPath(const TopicTables* t, uint32_t pathOffset, char* path, uint32_t size) {
    if (size < 2 || pathOffset >= t->UrlStringsLength) return -1;
    const unsigned char* p = t->UrlStrings + pathOffset;
    const unsigned char* end = t->UrlStrings + t->UrlStringsLength;
    uint32_t n = 0;
    path[n++] = '/';
    for (; p < end && *p && *p != '#'; p++) {
        if (n + 1 >= size) return -1;
        path[n++] = static_cast<char>(*p);
    }
    path[n] = 0;
    return 0;
}

uint32_t TopicRows(const TopicTables* t) {
    // The table's own rule: a table of 12 bytes or less has no row.
    return t->Topics && t->TopicsLength > TopicFieldsEnd
               ? (t->TopicsLength - TopicFieldsEnd) / TopicEntrySize + 1
               : 0;
}

int TopicPathOffset(const TopicTables* t, uint32_t topic, uint32_t* pathOffset) {
    if (topic >= TopicRows(t)) return -1;
    return FindPathOffset(t, ReadLe32(t->Topics + TopicEntrySize * topic + TopicUrlField), pathOffset) ? 0
                                                                                                       : -1;
}

const char* TopicTitleBytes(const TopicTables* t, uint32_t topic, uint32_t* length) {
    *length = 0;
    if (topic >= TopicRows(t)) return "";
    uint32_t offset = ReadLe32(t->Topics + TopicEntrySize * topic + TopicTitleField);
    if (offset >= t->StringsLength) return "";
    const unsigned char* title = t->Strings + offset;
    uint32_t most =
        t->StringsLength - offset < TopicTitleSize - 1 ? t->StringsLength - offset : TopicTitleSize - 1;
    const void* nul = memchr(title, 0, most);
    *length = nul ? static_cast<uint32_t>(static_cast<const unsigned char*>(nul) - title) : most;
    return reinterpret_cast<const char*>(title);
}

void TopicTitle(const TopicTables* t, uint32_t topic, char* title, uint32_t size) {
    uint32_t length;
    const char* stored = TopicTitleBytes(t, topic, &length);
    if (length > size - 1) length = size - 1;
    memcpy(title, stored, length);
    title[length] = 0;
}

namespace {

// The bytes [offset, offset + most) of a table that lie inside it, read piece by piece.
uint32_t ReadPiece(ChmContainer* c, const char* name, uint32_t offset, uint32_t most, unsigned char* out) {
    const DirectoryRecord* record = FindDirectoryRecord(c, name);
    if (!record || offset >= record->Length) return 0;
    uint32_t n = record->Length - offset < most ? record->Length - offset : most;
    return ReadObjectRange(c, record, offset, n, out) == 0 ? n : 0;
}

} // namespace

int ReadTopic(ChmContainer* c, uint32_t topic, char* title, uint32_t titleSize, char* path,
              uint32_t pathSize) {
    unsigned char entry[TopicEntrySize], url[UrlEntrySize];
    if (topic > (0xFFFFFFFFu - TopicFieldsEnd) / TopicEntrySize || pathSize < 2 || titleSize < 1 ||
        ReadPiece(c, "/#TOPICS", topic * TopicEntrySize, TopicFieldsEnd, entry) != TopicFieldsEnd ||
        ReadPiece(c, "/#URLTBL", ReadLe32(entry + TopicUrlField), UrlEntrySize, url) != UrlEntrySize)
        return -1;
    unsigned char piece[TopicPathSize];
    uint32_t n = ReadPiece(c, "/#STRINGS", ReadLe32(entry + TopicTitleField), titleSize - 1, piece);
    CopyString(piece, n, 0, title, titleSize);
    // The path begins after the leading zero bytes; it ends at its NUL, its anchor or the table's end.
    uint32_t at = ReadLe32(url + UrlStringField), length = 0;
    bool begun = false;
    path[length++] = '/';
    for (;;) {
        n = ReadPiece(c, "/#URLSTR", at, sizeof piece, piece);
        if (n == 0) {
            if (!begun) return -1;
            path[length] = 0;
            return 0;
        }
        for (uint32_t i = 0; i < n; i++) {
            if (!begun && piece[i] == 0) continue;
            begun = true;
            if (piece[i] == 0 || piece[i] == '#') {
                path[length] = 0;
                return 0;
            }
            if (length + 1 >= pathSize) return -1;
            path[length++] = static_cast<char>(piece[i]);
        }
        at += n;
    }
}

int AsciiPrefixCompare(const char* title, const char* keyword, int length) {
    for (int i = 0; i < length; i++) {
        unsigned char a = static_cast<unsigned char>(title[i]), b = static_cast<unsigned char>(keyword[i]);
        if (a >= 'A' && a <= 'Z') a = static_cast<unsigned char>(a - 'A' + 'a');
        if (b >= 'A' && b <= 'Z') b = static_cast<unsigned char>(b - 'A' + 'a');
        if (a != b) return a < b ? -1 : 1;
        if (!a) return 0;
    }
    return 0;
}
