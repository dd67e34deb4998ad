// kestro-cli: lists a CHM's directory, writes one stored object out, lists the topics whose
// titles begin with a keyword, searches the pages' text through the full-text index, and prints a
// page as the text view shows it, through the CHM reader's portable core.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "chm/container.h"
#include "find/fulltext.h"
#include "find/keywords.h"
#include "find/lookup.h"
#include "find/topics.h"
#include "text/charsets.h"
#include "text/htmltext.h"

#include <errno.h>
#ifdef _WIN32
#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace {

enum ExitCode { ExitOk = 0, ExitUsage = 1, ExitOpen = 2, ExitRead = 3, ExitWrite = 4 };

int Usage() {
    fputs("usage: kestro-cli list FILE.chm\n"
          "       kestro-cli cat FILE.chm /NAME [OUT]\n"
          "       kestro-cli cat FILE.chm /NAME... --to DIR\n"
          "       kestro-cli topics FILE.chm KEYWORD\n"
          "       kestro-cli search FILE.chm WORD [--prefix]\n"
          "       kestro-cli text FILE.chm /NAME [--oem[=CODEPAGE]]\n"
          "       kestro-cli keywords FILE.chm [PREFIX]\n"
          "       kestro-cli find FILE.chm WORD [--by titles|index|text] [--open N OUT]\n"
          "list: one line per directory entry: name, section, offset, length (tab-separated)\n"
          "cat: the object's bytes to OUT, or to standard output; with --to, each object in the order\n"
          "     given, from one reading of the file, to DIR/NAME (folders made as needed, and a folder\n"
          "     entry, a name ending in \"/\", as a folder; a name with\n"
          "     a \".\" or \"..\" part, or a character no file name may hold, is refused)\n"
          "topics: title and page path of every topic whose title begins with KEYWORD\n"
          "search: the topics whose text or title holds WORD (with --prefix, a word that begins with it),\n"
          "        from the file's full-text index: occurrences, title and page path, title hits first,\n"
          "        then the most occurrences first; WORD and titles in UTF-8\n"
          "text: the page as text, in UTF-8; with --oem, the bytes of the result file in the console's\n"
          "      OEM code page (437, 850, 852 or 866; without a number, the one of the locale)\n"
          "keywords: the keyword index as read, in UTF-8: keyword, depth, then the pages or \"see also:\"\n"
          "      and the target (tab-separated); with PREFIX, the keywords that begin with it\n"
          "find: the lines of Kestro's answer to WORD as its menu shows them, best first: the text\n"
          "      shown, a tab, the page; --by index (the default) ranks the keyword index and the\n"
          "      titles, --by titles lists the titles that begin with WORD in table order, --by text\n"
          "      ranks as --by index, then searches the pages' text when that finds nothing; --open\n"
          "      writes the page of line N (from 1) to OUT, as the module opens it\n",
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

// The listing loads the whole directory; the other commands find their names through its index.
ChmContainer* Open(const char* path, bool listing = false) {
    ChmContainer* container = listing ? OpenContainer(path) : OpenContainerIndexed(path);
    if (!container)
        fprintf(stderr, "kestro-cli: cannot open %s (missing, unreadable, or 2 GiB or larger)\n", path);
    else if (container->DirectoryCount == 0 && !container->Index)
        fprintf(stderr, "kestro-cli: warning: %s has no readable directory entries\n", path);
    return container;
}

int List(const char* path) {
    ChmContainer* container = Open(path, true);
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

// DIR joined with an object's name, part by part, or empty when a part could lead out of DIR or
// is no file name here. Empty parts (doubled slashes) are passed over.
std::string PathUnder(const char* dir, const char* name) {
    std::string path = dir, part;
    for (const char* p = name;; p++) {
        if (*p != '/' && *p) {
#ifdef _WIN32
            if (strchr("\\:*?\"<>|", *p) || static_cast<unsigned char>(*p) < 32) return std::string();
#else
            if (*p == '\\') return std::string();
#endif
            part += *p;
            continue;
        }
        if (part == "." || part == "..") return std::string();
        if (!part.empty()) path += "/" + part;
        part.clear();
        if (!*p) break;
    }
    return path == dir ? std::string() : path;
}

// Makes `dir` (its parent must exist) and the folders of `path` below it.
bool MakeFolders(const std::string& dir, const std::string& path) {
    for (size_t at = dir.size(); at != std::string::npos; at = path.find('/', at + 1)) {
        std::string folder = path.substr(0, at);
#ifdef _WIN32
        if (_mkdir(folder.c_str()) != 0 && errno != EEXIST) return false;
#else
        if (mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) return false;
#endif
    }
    return true;
}

// Reads each named object from one container, in the order given, into DIR/NAME.
int CatTo(const char* path, char** names, int count, const char* dir) {
    ChmContainer* container = Open(path);
    if (!container) return ExitOpen;
    int exit = ExitOk;
    for (int i = 0; i < count; i++) {
        // A name that ends in "/" is a folder entry: it makes the folder ("/" is DIR itself).
        size_t nameLength = strlen(names[i]);
        bool folder = nameLength > 0 && names[i][nameLength - 1] == '/';
        std::string target =
            folder && strcmp(names[i], "/") == 0 ? std::string(dir) : PathUnder(dir, names[i]);
        if (folder && !target.empty()) {
            if (!MakeFolders(dir, target + "/")) {
                fprintf(stderr, "kestro-cli: cannot make the folder %s\n", target.c_str());
                exit = ExitWrite;
            }
            continue;
        }
        if (target.empty()) {
            fprintf(stderr, "kestro-cli: %s: refused: its path would leave %s or is no file name\n", names[i],
                    dir);
            exit = exit > ExitUsage ? exit : ExitUsage;
            continue;
        }
        unsigned char* data;
        uint32_t length;
        if (!ReadNamed(container, path, names[i], &data, &length)) {
            exit = exit > ExitRead ? exit : ExitRead;
            continue;
        }
        FILE* out = MakeFolders(dir, target) ? fopen(target.c_str(), "wb") : nullptr;
        bool written = out && fwrite(data, 1, length, out) == length;
        written = out && fclose(out) == 0 && written;
        FreeObject(data);
        if (!written) {
            fprintf(stderr, "kestro-cli: cannot write %s\n", target.c_str());
            exit = ExitWrite;
        }
    }
    CloseContainer(container);
    return exit;
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
    unsigned char* page;
    uint32_t length;
    bool read = ReadNamed(container, path, name, &page, &length);
    uint32_t language = read ? ContainerLanguageId(container) : 0;
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

// ---- the keyword index ----

// A command-line argument in UTF-16: UTF-8 here, the ANSI code page under Windows.
std::u16string ArgumentText(const char* argument) {
    std::u16string out;
#ifdef _WIN32
    int n = MultiByteToWideChar(CP_ACP, 0, argument, -1, nullptr, 0);
    std::wstring wide(n > 0 ? static_cast<size_t>(n) : 1, L'\0');
    MultiByteToWideChar(CP_ACP, 0, argument, -1, &wide[0], n);
    for (wchar_t c : wide)
        if (c) out.push_back(static_cast<char16_t>(c));
#else
    out = Utf16FromUtf8(argument, strlen(argument));
#endif
    return out;
}

// The characters of the help file's ANSI code page, from the language its "/#SYSTEM" records.
KeywordText FileText(ChmContainer* container) {
    KeywordText text = {BuiltInUpperHalf(AnsiCodePageOfLanguage(ContainerLanguageId(container))),
                        NamedEntity};
    return text;
}

struct KeywordListing {
    const TopicTables* Tables; // null: the file has no topic tables
    std::string Line;
};

bool PrintKeyword(void* context, const KeywordEntry& e) {
    KeywordListing* listing = static_cast<KeywordListing*>(context);
    std::string& line = listing->Line;
    line = Utf8FromUtf16(e.Keyword) + "\t" + std::to_string(e.Depth);
    if (e.SeeAlso) line += "\tsee also: " + Utf8FromUtf16(e.Target);
    for (uint32_t topic : e.Topics) {
        uint32_t offset;
        const TopicTables* t = listing->Tables;
        if (!t || TopicPathOffset(t, topic, &offset) != 0) {
            line += "\t(topic " + std::to_string(topic) + " outside /#TOPICS)";
            continue;
        }
        line += "\t/";
        for (uint32_t i = offset; i < t->UrlStringsLength && t->UrlStrings[i]; i++)
            line += static_cast<char>(t->UrlStrings[i]);
    }
    for (const KeywordPage& page : e.Pages)
        line += "\t" + (page.Path.empty() || page.Path[0] == '/' ? page.Path : "/" + page.Path);
    line += "\n";
    return fwrite(line.data(), 1, line.size(), stdout) == line.size();
}

int Keywords(const char* path, const char* prefix) {
    ChmContainer* container = Open(path);
    if (!container) return ExitOpen;
    TopicTables tables;
    bool haveTables = ReadTopicTables(container, &tables) == 0;
    KeywordIndex* index = nullptr;
    char stem[TopicPathSize];
    HelpFileStem(path, stem, sizeof stem);
    KeywordStatus status = OpenKeywordIndex(container, stem, FileText(container), &index);
    int exit = ExitOk;
    if (status == KeywordNoMemory) {
        fputs("kestro-cli: out of memory\n", stderr);
        exit = ExitRead;
    } else if (KeywordIndexKindOf(index) == KeywordIndexNone) {
        if (const char* refusal = KeywordIndexRefusal(index))
            fprintf(stderr, "kestro-cli: %s: the keyword index cannot be read: %s\n", path, refusal);
        else
            fprintf(stderr, "kestro-cli: %s: no keyword index (no /$WWKeywordLinks/BTree, no .hhk)\n", path);
        exit = ExitRead;
    } else {
        if (const char* refusal = KeywordIndexRefusal(index))
            fprintf(stderr,
                    "kestro-cli: %s: warning: the binary keyword index is passed over (%s): the sitemap "
                    "index is read\n",
                    path, refusal);
        KeywordListing listing = {haveTables ? &tables : nullptr, std::string()};
        std::u16string word = prefix ? ArgumentText(prefix) : std::u16string();
        status = VisitKeywords(index, word.data(), word.size(), PrintKeyword, &listing);
        if (status != KeywordOk) {
            fprintf(stderr, "kestro-cli: %s: the keyword index is %s; what was read is listed\n", path,
                    status == KeywordNoMemory ? "too large for memory" : "damaged");
            exit = ExitRead;
        }
        if (fflush(stdout) != 0) exit = ExitWrite;
    }
    CloseKeywordIndex(index);
    if (haveTables) FreeTopicTables(&tables);
    CloseContainer(container);
    return exit;
}

// ---- the answer ----

// Titles in UTF-8 from the help file's code page, for the titles rule (the compare and the lines).
void TitleToUtf8(char* title, void* context) {
    const char32_t* upper = static_cast<const char32_t*>(context);
    std::string text;
    for (const unsigned char* p = reinterpret_cast<unsigned char*>(title); *p; p++)
        AppendUtf8(&text, *p < 0x80 ? *p : upper ? upper[*p - 0x80] : UndefinedChar);
    size_t keep = text.size() < TopicTitleSize - 1 ? text.size() : TopicTitleSize - 1;
    while (keep > 0 && keep < text.size() && (static_cast<unsigned char>(text[keep]) & 0xC0) == 0x80)
        keep--; // never half a character
    memcpy(title, text.data(), keep);
    title[keep] = 0;
}

const char32_t* FileCharacters(void*, uint32_t language) {
    return BuiltInUpperHalf(AnsiCodePageOfLanguage(language));
}

void MenuTextUtf8(void*, const char16_t* text, size_t length, char* out, size_t size) {
    std::string utf8 = Utf8FromUtf16(std::u16string(text, length));
    size_t keep = utf8.size() < size - 1 ? utf8.size() : size - 1;
    while (keep > 0 && keep < utf8.size() && (static_cast<unsigned char>(utf8[keep]) & 0xC0) == 0x80)
        keep--;
    memcpy(out, utf8.data(), keep);
    out[keep] = 0;
}

int ChooseLine(void* context, const TopicAnswer& answer) {
    uint32_t line = *static_cast<uint32_t*>(context);
    return line < answer.Lines.size() ? static_cast<int>(line) : TopicChoiceNone;
}

const char* Failure(TopicLookupStatus status) {
    switch (status) {
    case TopicNoMatch:
        return "nothing matches the word";
    case TopicChoiceCancelled:
        return "the answer has no such line";
    case TopicFileUnopened:
        return "cannot be opened";
    case TopicTablesUnreadable:
        return "the topic tables (/#TOPICS, /#STRINGS, /#URLTBL, /#URLSTR) cannot be read";
    case TopicPageUnreadable:
        return "the line's page cannot be read";
    default:
        return "out of memory";
    }
}

// ---- the full-text index ----

const char* FullTextProblem(FullTextStatus status) {
    switch (status) {
    case FullTextAbsent:
        return "has no full-text index (/$FIftiMain)";
    case FullTextBadSignature:
        return "has a full-text index of an unknown kind (its signature is not 00 00 28 00)";
    case FullTextTruncated:
        return "has a damaged full-text index: a node or a word's locations lie past its end";
    case FullTextUnsupported:
        return "has a full-text index of a layout this reader does not know (scale, root or node size)";
    case FullTextNoMemory:
        return "cannot be searched: out of memory";
    case FullTextUnreadable:
        return "has a full-text index that cannot be read (damaged or unsupported data)";
    default:
        return "has a damaged full-text index (its nodes or location codes contradict its layout)";
    }
}

// The 8-bit code page of the index's words: its header's, else that of its language.
unsigned IndexCodePage(const FullTextIndex& index) {
    if (index.CodePage >= 1250 && BuiltInUpperHalf(index.CodePage)) return index.CodePage;
    return AnsiCodePageOfLanguage(index.LocaleId);
}

int Search(const char* path, const char* wordArgument, bool prefix) {
    ChmContainer* container = Open(path);
    if (!container) return ExitOpen;
    FullTextIndex index;
    FullTextStatus status = OpenFullTextIndex(container, &index);
    if (status != FullTextDone) {
        fprintf(stderr, "kestro-cli: %s %s\n", path, FullTextProblem(status));
        CloseContainer(container);
        return ExitRead;
    }
    unsigned codePage = IndexCodePage(index);
    const char32_t* upperHalf = BuiltInUpperHalf(codePage);
    FullTextFoldTable(upperHalf, index.Fold);
    std::u16string wide = ArgumentText(wordArgument);
    char word[FullTextWordSize];
    if (!FullTextWordBytes(wide.data(), wide.size(), upperHalf, word, sizeof word)) {
        fprintf(stderr, "kestro-cli: \"%s\" cannot be written in the index's code page %u\n", wordArgument,
                codePage);
        CloseContainer(container);
        return ExitUsage;
    }
    // Topics past "/#TOPICS" are no answer; the directory says how many rows it has.
    const DirectoryRecord* topics = FindDirectoryRecord(container, "/#TOPICS");
    FullTextHit* hits;
    uint32_t count;
    status = SearchFullText(&index, word, prefix, topics ? topics->Length / 16 : 0, &hits, &count);
    if (status != FullTextDone) {
        fprintf(stderr, "kestro-cli: %s %s\n", path, FullTextProblem(status));
        CloseContainer(container);
        return ExitRead;
    }
    const char32_t* titleHalf = FileText(container).UpperHalf;
    uint32_t inTitles = 0, listed = 0;
    for (uint32_t i = 0; i < count; i++) {
        char title[TopicTitleSize], page[TopicPathSize];
        // Each topic's few bytes of the tables: an answer of a few topics reads a few spans.
        if (ReadTopic(container, hits[i].Topic, title, TopicMenuTitleSize, page, sizeof page) != 0) continue;
        listed++;
        inTitles += hits[i].InTitle != 0;
        TitleToUtf8(title, const_cast<char32_t*>(titleHalf));
        printf("%u\t%s\t%s\n", static_cast<unsigned>(hits[i].Occurrences + hits[i].InTitle), title, page);
    }
    CloseContainer(container);
    if (listed == 0)
        fprintf(stderr, "kestro-cli: no page holds %s\"%s\"\n", prefix ? "a word beginning with " : "",
                wordArgument);
    else
        fprintf(stderr, "kestro-cli: %u topics, %u of them with it in the title (listed first)\n",
                static_cast<unsigned>(listed), static_cast<unsigned>(inTitles));
    FreeObject(hits);
    return ExitOk;
}

int Find(const char* path, const char* word, TopicSearch search, const char* line, const char* outPath) {
    // The titles are read in the code page of the file's language, as the module reads them.
    ChmContainer* container = Open(path);
    if (!container) return ExitOpen;
    const char32_t* upper = FileText(container).UpperHalf;
    CloseContainer(container);
    std::u16string wide = ArgumentText(word);
    TopicRequest request = {search, word, wide.data(), wide.size()};
    uint32_t chosen = 0;
    TopicLookupHost host = {PrefixCompare, TitleToUtf8, const_cast<char32_t*>(upper),
                            ChooseLine,    &chosen,     FileCharacters,
                            MenuTextUtf8,  NamedEntity, nullptr};
#ifdef _WIN32
    host.Convert = nullptr; // titles and the keyword are both in the ANSI code page
#endif
    TopicPage page;
    if (!line) {
        TopicAnswer answer;
        TopicLookupStatus status = FindTopicAnswer(path, request, &host, &answer, &page);
        if (status == TopicNoMatch) {
            fprintf(stderr, "kestro-cli: nothing in %s matches \"%s\"%s\n", path, word,
                    page.TextSearched ? " (its pages' text searched too)" : "");
            return ExitOk;
        }
        if (status != TopicPageFound) {
            fprintf(stderr, "kestro-cli: %s: %s\n", path, Failure(status));
            return status == TopicFileUnopened ? ExitOpen : ExitRead;
        }
        for (const AnswerLine& l : answer.Lines)
            printf("%s\t%s\n", l.Text, answer.Pages[l.Page].c_str());
        if (answer.More) printf("(more lines match than the %d listed)\n", TopicCandidateLimit);
        if (page.IndexDamaged)
            fprintf(stderr, "kestro-cli: warning: %s: the keyword index is damaged\n", path);
        return fflush(stdout) == 0 ? ExitOk : ExitWrite;
    }
    char* end;
    unsigned long n = strtoul(line, &end, 10);
    if (*end || n == 0 || n > UINT32_MAX) return Usage();
    chosen = static_cast<uint32_t>(n - 1);
    TopicLookupStatus status = FindTopicPage(path, request, &host, &page);
    if (status != TopicPageFound) {
        fprintf(stderr, "kestro-cli: %s: %s\n", path, Failure(status));
        return status == TopicFileUnopened ? ExitOpen : ExitRead;
    }
    FILE* out = fopen(outPath, "wb");
    bool written = out && fwrite(page.Data, 1, page.Length, out) == page.Length;
    written = out && fclose(out) == 0 && written;
    FreeObject(page.Data);
    if (!written) {
        fprintf(stderr, "kestro-cli: cannot write %s\n", outPath);
        return ExitWrite;
    }
    printf("%s\n", page.Path);
    return ExitOk;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && strcmp(argv[1], "list") == 0) return List(argv[2]);
    if (argc >= 6 && strcmp(argv[1], "cat") == 0 && strcmp(argv[argc - 2], "--to") == 0)
        return CatTo(argv[2], argv + 3, argc - 5, argv[argc - 1]);
    if ((argc == 4 || argc == 5) && strcmp(argv[1], "cat") == 0)
        return Cat(argv[2], argv[3], argc == 5 ? argv[4] : nullptr);
    if (argc == 4 && strcmp(argv[1], "topics") == 0) return Topics(argv[2], argv[3]);
    if ((argc == 4 || argc == 5) && strcmp(argv[1], "search") == 0) {
        if (argc == 5 && strcmp(argv[4], "--prefix") != 0) return Usage();
        return Search(argv[2], argv[3], argc == 5);
    }
    if (argc >= 4 && strcmp(argv[1], "find") == 0) {
        TopicSearch search = SearchIndex;
        const char *line = nullptr, *out = nullptr;
        const char* const searches[] = {"titles", "index", "text"}; // by TopicSearch value
        for (int i = 4; i < argc; i++) {
            int by = -1;
            for (int s = 0; s < TopicSearchCount && strcmp(argv[i], "--by") == 0 && i + 1 < argc; s++)
                if (strcmp(argv[i + 1], searches[s]) == 0) by = s;
            if (by >= 0) {
                search = static_cast<TopicSearch>(by), i++;
            } else if (strcmp(argv[i], "--open") == 0 && i + 2 < argc) {
                line = argv[i + 1], out = argv[i + 2], i += 2;
            } else {
                return Usage();
            }
        }
        return Find(argv[2], argv[3], search, line, out);
    }
    if ((argc == 3 || argc == 4) && strcmp(argv[1], "keywords") == 0)
        return Keywords(argv[2], argc == 4 ? argv[3] : nullptr);
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
