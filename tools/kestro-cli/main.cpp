// kestro-cli: lists a CHM's directory, writes one stored object out, and lists the
// topics whose titles begin with a keyword, through the CHM reader's portable core.
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "container.h"
#include "topics.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

namespace {

enum ExitCode { ExitOk = 0, ExitUsage = 1, ExitOpen = 2, ExitRead = 3, ExitWrite = 4 };

int Usage() {
    fputs("usage: kestro-cli list FILE.chm\n"
          "       kestro-cli cat FILE.chm /NAME [OUT]\n"
          "       kestro-cli topics FILE.chm KEYWORD\n"
          "list: one line per directory entry: name, section, offset, length (tab-separated)\n"
          "cat: the object's bytes to OUT, or to standard output\n"
          "topics: title and page path of every topic whose title begins with KEYWORD\n",
          stderr);
    return ExitUsage;
}

#ifdef _WIN32
// The host's case-insensitive compare in the ANSI code page, as the module gets it.
int PrefixCompare(const char* title, const char* keyword, int length) {
    int titleLength = static_cast<int>(strnlen(title, static_cast<size_t>(length)));
    int keywordLength = static_cast<int>(strnlen(keyword, static_cast<size_t>(length)));
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, title, titleLength, keyword, keywordLength) -
           CSTR_EQUAL;
}
#else
int PrefixCompare(const char* title, const char* keyword, int length) {
    return AsciiPrefixCompare(title, keyword, length);
}
#endif

ChmContainer* Open(const char* path) {
    ChmContainer* container = OpenContainer(path);
    if (!container)
        fprintf(stderr, "kestro-cli: cannot open %s (missing, unreadable, or 2 GiB or larger)\n", path);
    else if (container->DirectoryCount == 0)
        fprintf(stderr, "kestro-cli: warning: %s has no readable directory entries\n", path);
    return container;
}

int List(const char* path) {
    ChmContainer* container = Open(path);
    if (!container) return ExitOpen;
    for (uint32_t i = 0; i < container->DirectoryCount; i++) {
        const DirectoryRecord& r = container->Directory[i];
        printf("%s\t%u\t%u\t%u\n", r.Name, static_cast<unsigned>(r.Section), static_cast<unsigned>(r.Offset),
               static_cast<unsigned>(r.Length));
    }
    CloseContainer(container);
    return ExitOk;
}

int Cat(const char* path, const char* name, const char* outPath) {
    ChmContainer* container = Open(path);
    if (!container) return ExitOpen;
    unsigned char* data;
    uint32_t length;
    bool known = FindDirectoryRecord(container, name) != nullptr;
    int status = ReadObject(container, name, &data, &length);
    CloseContainer(container);
    if (status != 0) {
        if (known)
            fprintf(stderr, "kestro-cli: %s: %s cannot be read (damaged or unsupported data)\n", path, name);
        else
            fprintf(stderr, "kestro-cli: %s: no object named %s (names are case-sensitive)\n", path, name);
        return ExitRead;
    }
    FILE* out = stdout;
    if (outPath) {
        out = fopen(outPath, "wb");
        if (!out) {
            fprintf(stderr, "kestro-cli: cannot create %s\n", outPath);
            FreeObject(data);
            return ExitWrite;
        }
    } else {
#ifdef _WIN32
        _setmode(_fileno(stdout), _O_BINARY);
#endif
    }
    bool written = fwrite(data, 1, length, out) == length;
    written = (outPath ? fclose(out) : fflush(out)) == 0 && written;
    FreeObject(data);
    if (!written) {
        fprintf(stderr, "kestro-cli: cannot write %s\n", outPath ? outPath : "standard output");
        return ExitWrite;
    }
    return ExitOk;
}

int Topics(const char* path, const char* keyword) {
    ChmContainer* container = Open(path);
    if (!container) return ExitOpen;
    TopicTables tables;
    int status = ReadTopicTables(container, &tables);
    CloseContainer(container);
    if (status != 0) {
        fprintf(stderr,
                "kestro-cli: %s: the topic tables (/#TOPICS, /#STRINGS, /#URLTBL, /#URLSTR) cannot be read\n",
                path);
        return ExitRead;
    }
    TopicCandidate* list;
    uint32_t count;
    bool more;
    if (CollectTopics(&tables, keyword, PrefixCompare, nullptr, nullptr, UINT32_MAX, &list, &count, &more) !=
        0) {
        fputs("kestro-cli: out of memory\n", stderr);
        FreeTopicTables(&tables);
        return ExitRead;
    }
    for (uint32_t i = 0; i < count; i++) {
        char page[TopicPathSize];
        if (FormTopicPath(&tables, list[i].PathOffset, page, sizeof(page)) != 0)
            strcpy(page, "(path too long)");
        printf("%s\t%s\n", list[i].Title, page);
    }
    if (count == 0) fprintf(stderr, "kestro-cli: no topic title begins with \"%s\"\n", keyword);
    FreeObject(list);
    FreeTopicTables(&tables);
    return ExitOk;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && strcmp(argv[1], "list") == 0) return List(argv[2]);
    if ((argc == 4 || argc == 5) && strcmp(argv[1], "cat") == 0)
        return Cat(argv[2], argv[3], argc == 5 ? argv[4] : nullptr);
    if (argc == 4 && strcmp(argv[1], "topics") == 0) return Topics(argv[2], argv[3]);
    return Usage();
}
