// Topic lookup over a CHM's four topic tables: lists the topics whose titles begin
// with a keyword, with the offset of each one's page path, and forms that path.
// Host functions (case-insensitive compare, code-page conversion) come in as parameters.
#pragma once

#include <stdint.h>

#include "chm/container.h"

enum {
    TopicTitleSize = 512,     // the title as compared, NUL included
    TopicMenuTitleSize = 128, // the title as listed, NUL included
    TopicPathSize = 1024,     // "/" + page path, NUL included
    // The most topics a lookup lists for the user to choose from: a keyword that matches more
    // asks for a longer one rather than a menu of a million lines.
    TopicCandidateLimit = 10000
};

// The four tables, each read whole from one container.
struct TopicTables {
    unsigned char* Topics; // "/#TOPICS": 16-byte entries
    uint32_t TopicsLength;
    unsigned char* Strings; // "/#STRINGS": NUL-terminated strings by offset
    uint32_t StringsLength;
    unsigned char* UrlTable; // "/#URLTBL": 12-byte entries
    uint32_t UrlTableLength;
    unsigned char* UrlStrings; // "/#URLSTR": page paths by offset
    uint32_t UrlStringsLength;
};

struct TopicCandidate {
    char Title[TopicMenuTitleSize]; // the converted title, cut to 127 characters
    uint32_t PathOffset;            // where the page path begins in "/#URLSTR"
};

// Compares the first `length` characters of a title and the keyword, case-insensitively;
// 0 means equal. The host's LStrnicmp in the module, a byte fold in tools and tests.
typedef int (*TopicPrefixCompare)(const char* title, const char* keyword, int length);

// Converts a title in place to the keyword's code page (may be null: no conversion).
typedef void (*TopicTitleConvert)(char* title, void* context);

// Reads all four tables (each is attempted). 0 when all were read; -1 otherwise, with none kept.
int ReadTopicTables(ChmContainer* container, TopicTables* tables);

void FreeTopicTables(TopicTables* tables);

// Lists, in table order, the topics whose titles begin with the keyword and whose page path can
// be found, at most `limit` of them; *more tells that further topics match (the walk stops at the
// first of them). *list is a fresh array (null when *count is 0) freed with FreeObject.
// Returns 0, or -1 when memory runs out (nothing listed then).
int CollectTopics(const TopicTables* tables, const char* keyword, TopicPrefixCompare compare,
                  TopicTitleConvert convert, void* convertContext, uint32_t limit, TopicCandidate** list,
                  uint32_t* count, bool* more);

// Forms "/" + the page path at `pathOffset`, without any "#" anchor. Returns 0, or -1 when the
// offset lies outside "/#URLSTR" or the path does not fit `size`.
int FormTopicPath(const TopicTables* tables, uint32_t pathOffset, char* path, uint32_t size);

// Rows of "/#TOPICS" that hold both the title and the page field.
uint32_t TopicRows(const TopicTables* tables);

// Where the page path of row `topic` begins in "/#URLSTR"; -1 when the row or its page lies
// outside the tables (a topic number from a keyword index is checked here).
int TopicPathOffset(const TopicTables* tables, uint32_t topic, uint32_t* pathOffset);

// The title of row `topic` as stored, in place: its first byte in "/#STRINGS" and its length (to
// its NUL or the table's end, at most TopicTitleSize - 1 bytes); length 0 for a row or title
// outside the tables.
const char* TopicTitleBytes(const TopicTables* tables, uint32_t topic, uint32_t* length);

// The same title copied into `title` (size at most TopicTitleSize), cut to size - 1 bytes.
void TopicTitle(const TopicTables* tables, uint32_t topic, char* title, uint32_t size);

// Topic `topic` read from the container a few bytes of each table at a time, for an answer of a
// few topics that need not read the tables whole: its title as stored (cut to `titleSize` - 1
// characters) and its page path as FormTopicPath forms it. Returns 0, or -1 when the row is past
// "/#TOPICS", a table cannot be read, its page cannot be found or does not fit `pathSize`.
int ReadTopic(ChmContainer* container, uint32_t topic, char* title, uint32_t titleSize, char* path,
              uint32_t pathSize);

// Case-insensitive for ASCII letters only; other bytes compare as they are.
int AsciiPrefixCompare(const char* title, const char* keyword, int length);
