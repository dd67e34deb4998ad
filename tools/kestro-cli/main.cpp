// kestro-cli: lists a CHM's directory, writes one stored object out, lists the topics whose
// titles begin with a keyword, and prints a page as the text view shows it, through the CHM
// reader's portable core.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "chm/container.h"
#include "text/htmltext.h"
#include "find/topics.h"

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
          "       kestro-cli text FILE.chm /NAME [--oem[=CODEPAGE]]\n"
          "list: one line per directory entry: name, section, offset, length (tab-separated)\n"
          "cat: the object's bytes to OUT, or to standard output\n"
          "topics: title and page path of every topic whose title begins with KEYWORD\n"
          "text: the page as text, in UTF-8; with --oem, the bytes of the result file in the console's\n"
          "      OEM code page (437, 850, 852 or 866; without a number, the one of the locale)\n",
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

// Reads the object `name`, or says why it cannot.
bool ReadNamed(ChmContainer* container, const char* path, const char* name, unsigned char** data,
               uint32_t* length) {
    if (ReadObject(container, name, data, length) == 0) return true;
    if (FindDirectoryRecord(container, name))
        fprintf(stderr, "kestro-cli: %s: %s cannot be read (damaged or unsupported data)\n", path, name);
    else
        fprintf(stderr, "kestro-cli: %s: no object named %s (names are case-sensitive)\n", path, name);
    return false;
}

int Cat(const char* path, const char* name, const char* outPath) {
    ChmContainer* container = Open(path);
    if (!container) return ExitOpen;
    unsigned char* data;
    uint32_t length;
    bool read = ReadNamed(container, path, name, &data, &length);
    CloseContainer(container);
    if (!read) return ExitRead;
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

// The console's OEM code page: the system's on Windows; elsewhere the one a Windows of the
// locale's language has (as Wine chooses it).
unsigned LocaleOemCodePage() {
#ifdef _WIN32
    return GetOEMCP();
#else
    const char* locale = getenv("LC_ALL");
    if (!locale || !*locale) locale = getenv("LC_CTYPE");
    if (!locale || !*locale) locale = getenv("LANG");
    std::string language = locale ? std::string(locale).substr(0, 2) : "";
    for (const char* l : {"ru", "uk", "be", "bg", "mk", "kk"})
        if (language == l) return 866;
    for (const char* l : {"pl", "cs", "sk", "hu", "sl", "hr", "ro", "sq", "bs"})
        if (language == l) return 852;
    for (const char* l : {"de", "fr", "es", "it", "pt", "nl", "da", "sv", "nb", "nn", "no", "fi", "is", "ca"})
        if (language == l) return 850;
    return 437;
#endif
}

int Text(const char* path, const char* name, const char* oem) {
    unsigned oemPage = 0;
    if (oem) {
        oemPage = *oem ? static_cast<unsigned>(strtoul(oem, nullptr, 10)) : LocaleOemCodePage();
        if (!BuiltInUpperHalf(oemPage) || oemPage >= 1250) {
            fprintf(stderr, "kestro-cli: no OEM code page %s here (437, 850, 852, 866)\n",
                    *oem ? oem : "of the locale");
            return ExitUsage;
        }
    }
    ChmContainer* container = Open(path);
    if (!container) return ExitOpen;
    unsigned char *page, *system;
    uint32_t length, systemLength;
    bool read = ReadNamed(container, path, name, &page, &length);
    uint32_t language = 0;
    if (read && ReadObject(container, "/#SYSTEM", &system, &systemLength) == 0) {
        language = SystemLanguageId(system, systemLength);
        FreeObject(system);
    }
    CloseContainer(container);
    if (!read) return ExitRead;
    HtmlTextOptions options = TopicPageOptions(name, language);
    TextTarget target;
    if (oemPage) {
        InitTextTarget(&target, BuiltInUpperHalf(oemPage));
        options.Target = &target;
    }
    std::u32string text;
    HtmlTextStatus rendered = RenderHtmlText(page, length, options, &text);
    FreeObject(page);
    if (rendered != HtmlTextDone) {
        fputs("kestro-cli: out of memory\n", stderr);
        return ExitRead;
    }
    std::string bytes = oemPage ? TextInTarget(text, target) : TextAsUtf8(text);
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    if (fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() || fflush(stdout) != 0) {
        fputs("kestro-cli: cannot write standard output\n", stderr);
        return ExitWrite;
    }
    return ExitOk;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && strcmp(argv[1], "list") == 0) return List(argv[2]);
    if ((argc == 4 || argc == 5) && strcmp(argv[1], "cat") == 0)
        return Cat(argv[2], argv[3], argc == 5 ? argv[4] : nullptr);
    if (argc == 4 && strcmp(argv[1], "topics") == 0) return Topics(argv[2], argv[3]);
    if ((argc == 4 || argc == 5) && strcmp(argv[1], "text") == 0) {
        const char* oem = nullptr;
        if (argc == 5) {
            if (strncmp(argv[4], "--oem", 5) != 0 || (argv[4][5] && argv[4][5] != '=')) return Usage();
            oem = argv[4][5] ? argv[4] + 6 : "";
        }
        return Text(argv[2], argv[3], oem);
    }
    return Usage();
}
