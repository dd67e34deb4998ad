// Lookup benchmark: the reads of one help request (open the file, read the four topic tables and
// one page, close it) by our reader and by chmlib side by side, in-process and as whole processes,
// with the peak memory of each; a search of the pages' text through the full-text index beside
// pychm doing the same search; then what the bad-input regression files cost our reader.
//
// Usage: lookup_bench [runs]
// Files: build/bench-data/lcl.chm (bench/lzx/get-lcl-chm.sh), build/chm-debian/OpenMCDF.chm
// (tests/data/chm/fetch-debian.sh, run by the native tests), build/bench-data/big-*.chm
// (bench/lookup/make-big-chm.sh); a file that is missing is skipped. The full-text peer is
// python3-chm.
#include "../clock.h"
#include "badfiles.h"
#include "chm/container.h"
#include "find/fulltext.h"
#include "find/keywords.h"
#include "find/lookup.h"
#include "find/ranking.h"
#include "find/topics.h"
#include "fixtures.h"
#include "text/charsets.h"
#include "text/htmltext.h"

#include <chm_lib.h>

#include <algorithm>
#include <chrono>
#include <ctype.h>
#include <map>
#include <random>
#include <set>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace {

const char* const Tables[] = {"/#TOPICS", "/#STRINGS", "/#URLTBL", "/#URLSTR"};

// ---- one lookup's reads ----

struct Reads {
    bool Ok = false;
    uint64_t Hash = kFnvStart; // of the five objects, in order
    uint32_t Frames = 0, Spans = 0, Whole = 0;
    uint64_t CompressedRead = 0;
};

// As the module reads: names found through the directory's index chunks.
Reads Ours(const char* path, const char* page) {
    Reads r;
    ChmContainer* c = OpenContainerIndexed(path);
    if (!c) return r;
    r.Ok = true;
    std::vector<std::string> names(Tables, Tables + 4);
    names.push_back(page);
    for (auto& name : names) {
        unsigned char* data;
        uint32_t length;
        if (ReadObject(c, name.c_str(), &data, &length) != 0) {
            r.Ok = false;
            continue;
        }
        r.Hash = Fnv(r.Hash, data, length);
        FreeObject(data);
    }
    r.Frames = c->FramesDecoded, r.Spans = c->SpanDecodes, r.Whole = c->WholeDecodes;
    r.CompressedRead = c->CompressedRead;
    CloseContainer(c);
    return r;
}

Reads Chmlib(const char* path, const char* page) {
    Reads r;
    chmFile* h = chm_open(path);
    if (!h) return r;
    r.Ok = true;
    std::vector<std::string> names(Tables, Tables + 4);
    names.push_back(page);
    for (auto& name : names) {
        chmUnitInfo ui;
        if (chm_resolve_object(h, name.c_str(), &ui) != CHM_RESOLVE_SUCCESS) {
            r.Ok = false;
            continue;
        }
        std::vector<unsigned char> data(ui.length ? ui.length : 1);
        if (chm_retrieve_object(h, &ui, data.data(), 0, (LONGINT64)ui.length) != (LONGINT64)ui.length)
            r.Ok = false;
        r.Hash = Fnv(r.Hash, data.data(), ui.length);
    }
    chm_close(h);
    return r;
}

// The whole request as the module runs it: tables, the candidates of the keyword, the page.
struct Found {
    TopicLookupStatus Status;
    std::string Path;
    uint32_t Candidates = 0, Containers = 0, Frames = 0;
    bool More = false;
};

Found Find(const char* path, const char* keyword) {
    Found f;
    struct Choice {
        std::string Keyword;
        Found* Out;
    } choice = {keyword, &f};
    TopicLookupHost host = {
        AsciiPrefixCompare,
        nullptr,
        nullptr,
        [](void* context, const TopicAnswer& answer) {
            Choice* c = static_cast<Choice*>(context);
            c->Out->Candidates = static_cast<uint32_t>(answer.Lines.size());
            c->Out->More = answer.More;
            for (uint32_t i = 0; i < answer.Lines.size(); i++) // the title that is the keyword
                if (AsciiPrefixCompare(answer.Lines[i].Text, c->Keyword.c_str(), TopicMenuTitleSize) == 0)
                    return static_cast<int>(i);
            return 0;
        },
        &choice,
        nullptr,
        nullptr,
        nullptr,
        nullptr};
    TopicPage page;
    TopicRequest request = {SearchTitles, keyword, nullptr, 0};
    f.Status = FindTopicPage(path, request, &host, &page);
    if (f.Candidates == 0 && f.Status == TopicPageFound) f.Candidates = 1;
    f.Path = page.Path;
    f.Containers = page.ContainersOpened;
    f.Frames = page.FramesDecoded;
    FreeObject(page.Data);
    return f;
}

// ---- child processes ----

struct Process {
    bool Ok = false;
    double Wall = 0, Cpu = 0;
    long PeakKb = 0;
};

// Runs this program again in a child mode; its wall time, CPU time and peak memory.
Process RunChild(const std::vector<std::string>& args) {
    static std::string self;
    if (self.empty()) {
        char buffer[4096];
        ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
        self.assign(buffer, n > 0 ? n : 0);
    }
    fflush(stdout);
    Process p;
    double t0 = Now();
    pid_t pid = fork();
    if (pid == 0) {
        std::vector<char*> argv = {const_cast<char*>(self.c_str())};
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(self.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    rusage u;
    if (pid < 0 || wait4(pid, &status, 0, &u) < 0) return p;
    p.Wall = Now() - t0;
    p.Cpu = UsedCpu(u.ru_utime, u.ru_stime);
    p.PeakKb = u.ru_maxrss;
    p.Ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return p;
}

// --child ours|chmlib|find|none FILE NAME: one lookup, then exit (0 when it read).
TopicPage RankedRequest(const char* path, const std::string& word);

int Child(const std::string& mode, const char* path, const char* name) {
    if (mode == "ours") return Ours(path, name).Ok ? 0 : 1;
    if (mode == "chmlib") return Chmlib(path, name).Ok ? 0 : 1;
    if (mode == "find") return Find(path, name).Status <= TopicChoiceCancelled ? 0 : 1;
    if (mode == "ranked") return RankedRequest(path, name).Lines > 0 ? 0 : 1;
    return 0;
}

struct ProcessFigures {
    double Wall, Cpu, PeakMb;
};

// Runs each command `runs` times, one of each in turn (so that a change in the machine's load
// falls on all of them alike); the medians of each.
std::vector<ProcessFigures> Processes(const std::vector<std::vector<std::string>>& commands, int runs) {
    std::vector<std::vector<double>> wall(commands.size()), cpu(commands.size()), peak(commands.size());
    for (int r = 0; r < runs; r++)
        for (size_t k = 0; k < commands.size(); k++) {
            Process p = RunChild(commands[k]);
            wall[k].push_back(p.Wall * 1e3);
            cpu[k].push_back(p.Cpu * 1e3);
            peak[k].push_back(static_cast<double>(p.PeakKb) / 1024.0);
        }
    std::vector<ProcessFigures> figures;
    for (size_t k = 0; k < commands.size(); k++)
        figures.push_back({Median(wall[k]), Median(cpu[k]), Median(peak[k])});
    return figures;
}

// ---- the benchmark ----

struct Subject {
    std::string Path, Label, Keyword;
};

bool Exists(const std::string& path) {
    struct stat s;
    return stat(path.c_str(), &s) == 0 && S_ISREG(s.st_mode);
}

void LookupFigures(const Subject& s, int runs) {
    Found found = Find(s.Path.c_str(), s.Keyword.c_str());
    if (found.Status != TopicPageFound) {
        printf("%s: the lookup of \"%s\" finds no page (%d): skipped\n\n", s.Label.c_str(), s.Keyword.c_str(),
               found.Status);
        return;
    }
    const char* page = found.Path.c_str();
    ChmContainer* c = OpenContainer(s.Path.c_str());
    uint32_t records = c->DirectoryCount;
    uint64_t fileSize = c->FileSize;
    CloseContainer(c);
    Reads ours = Ours(s.Path.c_str(), page), theirs = Chmlib(s.Path.c_str(), page);
    printf("%s: %.1f MB, %u directory records; keyword \"%s\": %u candidates%s, page %s\n", s.Label.c_str(),
           static_cast<double>(fileSize) / 1e6, records, s.Keyword.c_str(), found.Candidates,
           found.More ? " and more" : "", page);
    printf("  same bytes as chmlib in the four tables and the page: %s\n",
           ours.Ok && theirs.Ok && ours.Hash == theirs.Hash ? "yes" : "NO");
    printf("  decoded: %u frames of 32 KB (%.2f MB) in %u spans, %u whole-section decodes; %.0f KB of the "
           "stream read\n",
           ours.Frames, ours.Frames * 32768 / 1e6, ours.Spans, ours.Whole,
           static_cast<double>(ours.CompressedRead) / 1024.0);

    std::vector<double> a, b, aw, bw, f;
    for (int r = 0; r < runs; r++) {
        double w0 = Now(), c0 = CpuNow();
        Ours(s.Path.c_str(), page);
        a.push_back((CpuNow() - c0) * 1e3), aw.push_back((Now() - w0) * 1e3);
        w0 = Now(), c0 = CpuNow();
        Chmlib(s.Path.c_str(), page);
        b.push_back((CpuNow() - c0) * 1e3), bw.push_back((Now() - w0) * 1e3);
        c0 = CpuNow();
        Find(s.Path.c_str(), s.Keyword.c_str());
        f.push_back((CpuNow() - c0) * 1e3);
    }
    printf("  in-process, median of %d (CPU): ours %.2f ms, chmlib %.2f ms, ratio %.2f (target 1.5)   "
           "(wall %.2f / %.2f ms)\n",
           runs, Median(a), Median(b), Median(a) / Median(b), Median(aw), Median(bw));
    printf("  the module's whole lookup (tables, %u candidates, page; %u container): %.2f ms\n",
           found.Candidates, found.Containers, Median(f));

    int processRuns = std::max(5, runs);
    std::vector<ProcessFigures> p = Processes({{"--child", "none", s.Path, page},
                                               {"--child", "ours", s.Path, page},
                                               {"--child", "chmlib", s.Path, page}},
                                              processRuns);
    const ProcessFigures &none = p[0], &po = p[1], &pc = p[2];
    printf("  whole process, median of %d: ours %.1f ms (CPU %.1f), chmlib %.1f ms (CPU %.1f), ratio %.2f; "
           "the process alone %.1f ms\n",
           processRuns, po.Wall, po.Cpu, pc.Wall, pc.Cpu, po.Cpu / pc.Cpu, none.Wall);
    printf("  peak memory (ru_maxrss): ours %.1f MB, chmlib %.1f MB, the process alone %.1f MB; the lookup's "
           "own: ours %.1f MB (target 24 MB in all), chmlib %.1f MB\n\n",
           po.PeakMb, pc.PeakMb, none.PeakMb, po.PeakMb - none.PeakMb, pc.PeakMb - none.PeakMb);
}

// ---- full-text search ----

struct Searched {
    bool Ok = false;
    uint32_t Hits = 0, TitleHits = 0, Nodes = 0, IndexFrames = 0, Frames = 0;
    uint64_t LocationBytes = 0;
    double IndexMs = 0; // the index's header and the search, in an open container
    std::string First;  // the first line's page
};

// The whole search as kestro-cli runs it: open, the index's header, the search, each topic's title
// and page from the topic tables, close.
Searched SearchOurs(const char* path, const char* word, bool prefix) {
    Searched r;
    ChmContainer* c = OpenContainer(path);
    FullTextIndex x;
    double c0 = CpuNow();
    if (!c || OpenFullTextIndex(c, &x) != FullTextDone) {
        CloseContainer(c);
        return r;
    }
    FullTextFoldTable(BuiltInUpperHalf(1252), x.Fold);
    FullTextHit* hits;
    uint32_t count;
    if (SearchFullText(&x, word, prefix, UINT32_MAX, &hits, &count) != FullTextDone) {
        CloseContainer(c);
        return r;
    }
    r.IndexMs = (CpuNow() - c0) * 1e3;
    r.IndexFrames = c->FramesDecoded;
    r.Ok = true;
    for (uint32_t i = 0; i < count; i++) {
        char title[TopicMenuTitleSize], page[TopicPathSize];
        if (ReadTopic(c, hits[i].Topic, title, sizeof title, page, sizeof page) != 0) continue;
        if (r.First.empty()) r.First = page;
        r.Hits++;
        r.TitleHits += hits[i].InTitle != 0;
    }
    r.Nodes = x.NodesRead;
    r.LocationBytes = x.LocationBytes;
    r.Frames = c->FramesDecoded;
    FreeObject(hits);
    CloseContainer(c);
    return r;
}

void FullTextFigures(const std::string& path, const std::string& label, const char* word, bool prefix,
                     int runs) {
    Searched ours = SearchOurs(path.c_str(), word, prefix);
    if (!ours.Ok) {
        printf("%s: no full-text search (index or tables unreadable): skipped\n\n", label.c_str());
        return;
    }
    ChmContainer* c = OpenContainer(path.c_str());
    const DirectoryRecord* index = FindDirectoryRecord(c, "/$FIftiMain");
    double indexMb = index ? index->Length / 1e6 : 0;
    CloseContainer(c);
    std::vector<double> cpu, wall, search;
    for (int r = 0; r < runs; r++) {
        double w0 = Now(), c0 = CpuNow();
        search.push_back(SearchOurs(path.c_str(), word, prefix).IndexMs);
        cpu.push_back((CpuNow() - c0) * 1e3), wall.push_back((Now() - w0) * 1e3);
    }
    char command[2048];
    snprintf(command, sizeof command,
             "/usr/bin/python3 '%s/bench/lookup/pychm-search.py' '%s' '%s' %s %d 2>/dev/null",
             LUMIVO_SOURCE_DIR, path.c_str(), word, prefix ? "prefix" : "whole", runs);
    double peerCpu = 0, peerWall = 0;
    int peerPages = -1;
    if (FILE* p = popen(command, "r")) {
        if (fscanf(p, "%lf %lf %d", &peerCpu, &peerWall, &peerPages) != 3) peerPages = -1;
        pclose(p);
    }
    printf("%s, full-text %s \"%s\": %u topics (%u by title), first %s\n", label.c_str(),
           prefix ? "prefix" : "word", word, ours.Hits, ours.TitleHits, ours.First.c_str());
    printf(
        "  the index (%.1f MB): %u nodes read, %.1f KB of location codes, %u frames of 32 KB decoded for it, "
        "%.2f ms (CPU); with the topics' titles and pages %u frames\n",
        indexMb, ours.Nodes, static_cast<double>(ours.LocationBytes) / 1024.0, ours.IndexFrames,
        Median(search), ours.Frames);
    if (peerPages < 0)
        printf("  ours %.2f ms CPU (wall %.2f); pychm (python3-chm) not available\n\n", Median(cpu),
               Median(wall));
    else
        printf("  open, search, titles and pages, close, median of %d (CPU): ours %.2f ms, pychm %.2f ms, "
               "ratio %.2f   "
               "(wall %.2f / %.2f ms; pychm keys by title: %d pages)\n\n",
               runs, Median(cpu), peerCpu, Median(cpu) / peerCpu, Median(wall), peerWall, peerPages);
}

// ---- bad input ----

std::string Unpacked(const std::string& name) {
    std::string from = FixtureDir() + "/regressions/" + name;
    std::string to = std::string(LUMIVO_SOURCE_DIR) + "/build/bench-data/" + name;
    if (to.size() > 3 && to.compare(to.size() - 3, 3, ".gz") == 0) to.resize(to.size() - 3);
    if (!Exists(to)) WriteWholeFile(to, ReadWholeFile(from));
    return to;
}

double OpenMs(const std::string& path, ChmContainer** kept = nullptr) {
    double c0 = CpuNow();
    ChmContainer* c = OpenContainer(path.c_str());
    double ms = (CpuNow() - c0) * 1e3;
    if (kept)
        *kept = c;
    else
        CloseContainer(c);
    return ms;
}

void BombFigures(const std::string& label, const std::string& path) {
    ChmContainer* c = OpenContainer(path.c_str());
    const DirectoryRecord* whole = FindDirectoryRecord(c, "/whole");
    unsigned char* data;
    uint32_t length;
    double c0 = CpuNow();
    int last = ReadObject(c, "/last.html", &data, &length);
    double lastMs = (CpuNow() - c0) * 1e3;
    if (last == 0) FreeObject(data);
    int all = ReadObject(c, "/whole", &data, &length);
    printf("  %s (%.1f MB file, %.0f MB section): its last page %s in %.2f ms, %u frames decoded; the whole "
           "section as one object %s\n",
           label.c_str(), static_cast<double>(c->FileSize) / 1e6, whole ? whole->Length / 1048576.0 : 0,
           last == 0 ? "read" : "NOT read", lastMs, c->FramesDecoded,
           all == 0                          ? "READ"
           : ChmMaxDecodedBlock == 32u << 20 ? "refused (limit 32 MB)"
                                             : "refused (over the limit)");
    if (all == 0) FreeObject(data);
    CloseContainer(c);
    Process p = RunChild({"--child", "find", path, "a"});
    printf("    a lookup in its own process: %.1f ms, peak memory %.1f MB\n", p.Wall * 1e3,
           static_cast<double>(p.PeakKb) / 1024.0);
}

void BadInputFigures() {
    printf("Bad input (tests/data/chm/regressions, the .gz ones unpacked into build/bench-data):\n");
    BombFigures("expansion bomb", Unpacked("expansion-bomb-300mb-section.chm.gz"));
    // 250 MB under a reset table that cannot be trusted, named by four sections: the lookup's tables
    // in the last 64 KB, one in each alias.
    BombFigures("four section aliases over an untrusted table",
                Unpacked("four-section-aliases-over-an-untrusted-table.chm.gz"));
    {
        std::string path = std::string(LUMIVO_SOURCE_DIR) + "/build/bench-data/expansion-bomb-1gb.chm";
        if (!Exists(path)) WriteWholeFile(path, ExpansionBomb(1u << 30));
        BombFigures("the same built here with 1 GB", path);
        // With a reset table that cannot be trusted, the whole section would have to be decoded.
        Bytes file = ReadWholeFile(path);
        ChmContainer* c = OpenBytes(file);
        const DirectoryRecord* reset = FindDirectoryRecord(c, "::DataSpace/Storage/MSCompressed/Transform/"
                                                              "{7FC28940-9D31-11D0-9B27-00A0C91E9C7C}/"
                                                              "InstanceData/ResetTable");
        size_t at = static_cast<size_t>(c->ContentOffset + reset->Offset + 32);
        CloseContainer(c);
        file[at + 2] = 1; // the frame length: 0x18000
        c = OpenBytes(file);
        unsigned char* data;
        uint32_t length;
        double c0 = CpuNow();
        int read = ReadObject(c, "/last.html", &data, &length);
        printf("    its reset table damaged: the last page %s in %.2f ms (%u sequential reads refused past "
               "%u MB; "
               "peak decoded data held %.1f MB)\n",
               read == 0 ? "READ" : "refused", (CpuNow() - c0) * 1e3, c->WholeRefusals,
               ChmSequentialReach >> 20, c->PeakDecodedBytes / 1048576.0);
        if (read == 0) FreeObject(data);
        CloseContainer(c);
    }
    {
        std::string path = Unpacked("name-list-65535-sections-against-20000-entries.chm.gz");
        ChmContainer* c;
        double ms = OpenMs(path, &c);
        printf("  %u section names against %u directory records: open in %.2f ms (one pass; a directory scan "
               "per name is %.1e name compares)\n",
               c->SectionCount, c->DirectoryCount, ms, double(c->SectionCount) * c->DirectoryCount);
        CloseContainer(c);
    }
    {
        std::string path = Unpacked("listing-chunks-repeat-entries.chm.gz");
        ChmContainer* c;
        double ms = OpenMs(path, &c);
        printf(
            "  %u listing chunks repeating their entries: %u records open in %.2f ms, %.0f KB of directory\n",
            c->ChunksRead, c->DirectoryCount, ms, static_cast<double>(c->DirectoryBytes) / 1024.0);
        CloseContainer(c);
    }
    {
        std::string path = Unpacked("directory-of-tiny-entries-53x-its-size.chm.gz");
        ChmContainer* c;
        double ms = OpenMs(path, &c);
        double was = double(c->DirectoryCount) * (12 + 256);
        double fileMb = static_cast<double>(c->FileSize) / 1e6,
               directoryMb = static_cast<double>(c->DirectoryBytes) / 1e6;
        printf(
            "  %u tiny entries in a %.1f MB file: directory %.1f MB = %.1fx the file (fixed 256-byte names: "
            "%.0f MB, %.0fx); open in %.1f ms\n",
            c->DirectoryCount, fileMb, directoryMb, directoryMb / fileMb, was / 1e6, was / 1e6 / fileMb, ms);
        CloseContainer(c);
    }
    {
        std::string path = Unpacked("million-matching-titles.chm.gz");
        double c0 = CpuNow();
        Found f = Find(path.c_str(), "ti");
        double ms = (CpuNow() - c0) * 1e3;
        Process p = RunChild({"--child", "find", path, "ti"});
        printf("  %u titles matching the keyword: the menu lists %u%s (limit %d), lookup %.1f ms; in its own "
               "process %.1f ms, peak memory %.1f MB\n",
               MatchingTitles, f.Candidates, f.More ? " and a line saying more match" : "",
               TopicCandidateLimit, ms, p.Wall * 1e3, static_cast<double>(p.PeakKb) / 1024.0);
    }
    {
        std::string path = FixtureDir() + "/regressions/e8-translation-size-high-bit.chm";
        ChmContainer* c = OpenContainer(path.c_str());
        unsigned char* data;
        uint32_t length;
        int read = ReadObject(c, "/page.html", &data, &length);
        printf("  an E8 translation size with its high bit set: the page %s\n",
               read == 0 ? "READ (should be refused)" : "refused as bad data");
        if (read == 0) FreeObject(data);
        CloseContainer(c);
    }
}

// ---- the ranked lookup (Search 1): the keyword index, the titles, the page ----

void MenuTextUtf8(void*, const char16_t* text, size_t length, char* out, size_t size) {
    std::string utf8 = Utf8FromUtf16(std::u16string(text, length));
    snprintf(out, size, "%s", utf8.c_str());
}

const char32_t* FileCharacters(void*, uint32_t language) {
    return BuiltInUpperHalf(AnsiCodePageOfLanguage(language));
}

int ChooseFirst(void*, const TopicAnswer&) {
    return 0;
}

TopicLookupHost RankedHost() {
    return {AsciiPrefixCompare, nullptr,      nullptr,     ChooseFirst, nullptr,
            FileCharacters,     MenuTextUtf8, NamedEntity, nullptr};
}

TopicRequest Request(const std::string& word, const std::u16string& wide, TopicSearch search) {
    return {search, word.c_str(), wide.data(), wide.size()};
}

struct Menu {
    TopicLookupStatus Status;
    std::vector<std::pair<std::string, std::string>> Lines; // text, page
    bool More = false;
    TopicPage Cost;
};

Menu AnswerOf(const char* path, const std::string& word, TopicSearch search) {
    std::u16string wide = Utf16FromUtf8(word.data(), word.size());
    TopicLookupHost host = RankedHost();
    TopicAnswer answer;
    Menu m;
    m.Status = FindTopicAnswer(path, Request(word, wide, search), &host, &answer, &m.Cost);
    for (const AnswerLine& line : answer.Lines)
        m.Lines.push_back({line.Text, answer.Pages[line.Page]});
    m.More = answer.More;
    return m;
}

// The whole request as the module runs it with Search 1: the index, the titles, the first line's page.
TopicPage RankedRequest(const char* path, const std::string& word) {
    std::u16string wide = Utf16FromUtf8(word.data(), word.size());
    TopicLookupHost host = RankedHost();
    TopicPage page;
    FindTopicPage(path, Request(word, wide, SearchIndex), &host, &page);
    FreeObject(page.Data);
    page.Data = nullptr;
    return page;
}

// The blocks of the binary index the ranked search reads for a word, and the index's layout; the
// same stages as the lookup's, over a container of their own.
struct IndexReads {
    uint32_t BlockSize = 0, Blocks = 0;
    std::vector<uint32_t> List;
    uint32_t Frames = 0, Spans = 0; // what the index lookup alone decodes in a fresh container
};

IndexReads IndexReadsOf(const char* path, const std::string& word) {
    IndexReads r;
    ChmContainer* c = OpenContainerIndexed(path);
    if (!c) return r;
    TopicTables tables;
    if (ReadTopicTables(c, &tables) != 0) {
        CloseContainer(c);
        return r;
    }
    uint32_t frames = c->FramesDecoded, spans = c->SpanDecodes;
    KeywordText text = {BuiltInUpperHalf(AnsiCodePageOfLanguage(ContainerLanguageId(c))), NamedEntity};
    char stem[260];
    HelpFileStem(path, stem, sizeof stem);
    KeywordIndex* index;
    if (OpenKeywordIndex(c, stem, text, &index) == KeywordOk) {
        std::u16string wide = Utf16FromUtf8(word.data(), word.size());
        RankedSearch search = {wide.data(),    wide.size(),  &tables, index,
                               text.UpperHalf, MenuTextUtf8, nullptr};
        TopicAnswer answer;
        InitAnswer(&answer, true, TopicCandidateLimit);
        AddIndexLines(search, &answer);
        AddTitleLines(search, &answer);
        if (LinesBefore(answer, RankBeginning) == 0) AddSubKeywordLines(search, &answer);
        KeywordIndexHeader h;
        if (KeywordIndexHeaderOf(index, &h)) r.BlockSize = h.BlockSize, r.Blocks = h.BlockCount;
        r.List = KeywordBlockList(index);
        CloseKeywordIndex(index);
    }
    r.Frames = c->FramesDecoded - frames;
    r.Spans = c->SpanDecodes - spans;
    FreeTopicTables(&tables);
    CloseContainer(c);
    return r;
}

// chmlib doing the same object reads: the four tables, the index's header and the blocks the lookup
// reads, the page.
bool ChmlibRanked(const char* path, const char* page, const IndexReads& reads) {
    chmFile* h = chm_open(path);
    if (!h) return false;
    bool ok = true;
    std::vector<std::string> names(Tables, Tables + 4);
    names.push_back(page);
    for (const std::string& name : names) {
        chmUnitInfo ui;
        if (chm_resolve_object(h, name.c_str(), &ui) != CHM_RESOLVE_SUCCESS) {
            ok = false;
            continue;
        }
        std::vector<unsigned char> data(ui.length ? ui.length : 1);
        ok = ok && chm_retrieve_object(h, &ui, data.data(), 0, (LONGINT64)ui.length) == (LONGINT64)ui.length;
    }
    chmUnitInfo ui;
    if (!reads.List.empty() && chm_resolve_object(h, "/$WWKeywordLinks/BTree", &ui) == CHM_RESOLVE_SUCCESS) {
        // The header first, as any reader of the index must (it gives the block size and the root).
        std::vector<unsigned char> block(reads.BlockSize > 0x4C ? reads.BlockSize : 0x4C);
        ok = ok && chm_retrieve_object(h, &ui, block.data(), 0, 0x4C) == 0x4C;
        for (uint32_t n : reads.List)
            ok = ok && chm_retrieve_object(h, &ui, block.data(), 0x4C + (LONGUINT64)n * reads.BlockSize,
                                           reads.BlockSize) == (LONGINT64)reads.BlockSize;
    }
    chm_close(h);
    return ok;
}

std::string Joined(const IndexReads& r) {
    std::string s = std::to_string(r.BlockSize);
    for (uint32_t n : r.List)
        s += "," + std::to_string(n);
    return s;
}

IndexReads Split(const char* text) {
    IndexReads r;
    char* end;
    r.BlockSize = static_cast<uint32_t>(strtoul(text, &end, 10));
    while (*end == ',')
        r.List.push_back(static_cast<uint32_t>(strtoul(end + 1, &end, 10)));
    return r;
}

void RankedFigures(const std::string& path, const std::string& label, const std::vector<std::string>& words,
                   int runs) {
    if (!Exists(path)) {
        printf("%s: missing, skipped\n\n", path.c_str());
        return;
    }
    printf("%s, Search 1 (the keyword index, the titles ranked, the first line's page):\n", label.c_str());
    for (const std::string& word : words) {
        Menu m = AnswerOf(path.c_str(), word, SearchIndex);
        TopicPage one = RankedRequest(path.c_str(), word);
        if (m.Status != TopicPageFound || m.Lines.empty()) {
            printf("  \"%s\": no answer (%d), skipped\n", word.c_str(), m.Status);
            continue;
        }
        const std::string& page = m.Lines[0].second;
        IndexReads reads = IndexReadsOf(path.c_str(), word);
        printf(
            "  \"%s\": %zu lines, first %s; the index lookup read %zu of its %u blocks and decoded %u frames "
            "of 32 KB in %u spans; the whole request decoded %u frames, %.1f MB\n",
            word.c_str(), m.Lines.size(), page.c_str(), reads.List.size(), reads.Blocks, reads.Frames,
            reads.Spans, one.FramesDecoded, one.FramesDecoded * 32768 / 1e6);
        std::vector<double> ours, theirs;
        for (int r = 0; r < runs; r++) {
            double c0 = CpuNow();
            RankedRequest(path.c_str(), word);
            ours.push_back((CpuNow() - c0) * 1e3);
            c0 = CpuNow();
            ChmlibRanked(path.c_str(), page.c_str(), reads);
            theirs.push_back((CpuNow() - c0) * 1e3);
        }
        int processRuns = std::max(5, runs);
        std::vector<ProcessFigures> p = Processes({{"--child", "none", path, word},
                                                   {"--child", "ranked", path, word},
                                                   {"--child", "chmlib-ranked", path, page, Joined(reads)}},
                                                  processRuns);
        const ProcessFigures &none = p[0], &po = p[1], &pc = p[2];
        printf("    in-process CPU, median of %d: ours %.2f ms, chmlib's same reads %.2f ms, ratio %.2f\n",
               runs, Median(ours), Median(theirs), Median(ours) / Median(theirs));
        printf("    one process each, median of %d: ours %.1f ms (CPU %.1f), chmlib %.1f ms (CPU %.1f), CPU "
               "ratio "
               "%.2f (target 1.0); peak memory ours %.1f MB, chmlib %.1f MB, the process alone %.1f MB "
               "(target 24 MB in all)\n",
               processRuns, po.Wall, po.Cpu, pc.Wall, pc.Cpu, po.Cpu / pc.Cpu, po.PeakMb, pc.PeakMb,
               none.PeakMb);
    }
    printf("\n");
}

// ---- words from real code ----

// Pages that document a word: "unit/word.html" or "unit/class.word.html" (lower case).
std::map<std::string, std::set<std::string>> DocumentingPages(const char* path) {
    std::map<std::string, std::set<std::string>> byWord;
    ChmContainer* c = OpenContainer(path);
    TopicTables t;
    if (!c || ReadTopicTables(c, &t) != 0) {
        CloseContainer(c);
        return byWord;
    }
    for (uint32_t row = 0; row < TopicRows(&t); row++) {
        uint32_t offset;
        char page[TopicPathSize];
        if (TopicPathOffset(&t, row, &offset) != 0 || FormTopicPath(&t, offset, page, sizeof page) != 0)
            continue;
        std::string p = page;
        for (char& ch : p)
            ch = static_cast<char>(tolower(static_cast<unsigned char>(ch)));
        size_t slash = p.find('/', 1);
        if (slash == std::string::npos || p.find('/', slash + 1) != std::string::npos) continue;
        std::string name = p.substr(slash + 1);
        if (name.size() <= 5 || name.compare(name.size() - 5, 5, ".html") != 0) continue;
        name.resize(name.size() - 5);
        size_t dot = name.find('.');
        if (dot != std::string::npos && name.find('.', dot + 1) != std::string::npos) continue;
        byWord[dot == std::string::npos ? name : name.substr(dot + 1)].insert(p);
    }
    FreeTopicTables(&t);
    CloseContainer(c);
    return byWord;
}

double Percentile(std::vector<double> v, double q) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[std::min(v.size() - 1, static_cast<size_t>(q * static_cast<double>(v.size())))];
}

void PrintMenu(const std::string& path, const char* word, TopicSearch search) {
    Menu m = AnswerOf(path.c_str(), word, search);
    printf("  \"%s\", Search %d: %zu lines%s\n", word, search, m.Lines.size(), m.More ? " and more" : "");
    for (size_t i = 0; i < m.Lines.size() && i < 12; i++)
        printf("    %2zu  %-58s %s\n", i + 1, m.Lines[i].first.c_str(), m.Lines[i].second.c_str());
    if (m.Lines.size() > 12) printf("    ...\n");
}

void WordFigures(const std::string& path) {
    std::string codePath = std::string(LUMIVO_SOURCE_DIR) + "/build/bench-data/lazarus-examples.pas";
    if (!Exists(path) || !Exists(codePath)) {
        printf("Words from real code: lcl.chm or lazarus-examples.pas (bench/lookup/get-lazarus-words.sh) "
               "missing, skipped\n\n");
        return;
    }
    auto documenting = DocumentingPages(path.c_str());
    Bytes code = ReadWholeFile(codePath);
    std::vector<std::string> words;
    std::mt19937 random(16);
    auto isWordByte = [](unsigned char ch) { return isalnum(ch) || ch == '_'; };
    size_t drawn = 0;
    while (words.size() < 400 && drawn < 100000) {
        size_t at = random() % code.size(), start = at, end = at;
        drawn++;
        if (!isWordByte(code[at])) continue;
        while (start > 0 && isWordByte(code[start - 1]))
            start--;
        while (end < code.size() && isWordByte(code[end]))
            end++;
        if (isdigit(code[start])) continue;
        std::string w(code.begin() + static_cast<std::ptrdiff_t>(start),
                      code.begin() + static_cast<std::ptrdiff_t>(end));
        std::string lower = w;
        for (char& ch : lower)
            ch = static_cast<char>(tolower(static_cast<unsigned char>(ch)));
        if (documenting.count(lower)) words.push_back(w);
    }
    std::set<std::string> distinct(words.begin(), words.end());
    printf("Words from real code: %zu identifiers that lcl.chm documents, the first of %zu drawn at random "
           "positions of lazarus-src-2.2's example programs (%zu distinct; seed 16)\n",
           words.size(), drawn, distinct.size());
    for (TopicSearch search : {SearchTitles, SearchIndex}) {
        size_t found = 0, first = 0, single = 0;
        std::vector<double> lengths;
        std::map<std::string, Menu> cache;
        for (const std::string& w : words) {
            auto known = cache.find(w);
            if (known == cache.end()) known = cache.emplace(w, AnswerOf(path.c_str(), w, search)).first;
            const Menu& m = known->second;
            std::string lower = w;
            for (char& ch : lower)
                ch = static_cast<char>(tolower(static_cast<unsigned char>(ch)));
            const std::set<std::string>& right = documenting[lower];
            auto isRight = [&](const std::string& page) {
                std::string p = page;
                for (char& ch : p)
                    ch = static_cast<char>(tolower(static_cast<unsigned char>(ch)));
                return right.count(p) > 0;
            };
            bool any = false;
            for (const auto& l : m.Lines)
                any = any || isRight(l.second);
            found += any;
            first += !m.Lines.empty() && isRight(m.Lines[0].second);
            single += m.Lines.size() == 1;
            lengths.push_back(static_cast<double>(m.Lines.size()));
        }
        double n = static_cast<double>(words.size());
        printf("  Search %d (%s): found %.1f %%, on the first line %.1f %%, a single line (opens at once) "
               "%.1f %%; "
               "lines: median %.0f, 90th percentile %.0f\n",
               search,
               search == SearchTitles ? "titles that begin with the word" : "the index, exact matches first",
               100 * static_cast<double>(found) / n, 100 * static_cast<double>(first) / n,
               100 * static_cast<double>(single) / n, Median(lengths), Percentile(lengths, 0.9));
    }
    for (const char* word : {"Show", "Create", "TForm"})
        for (TopicSearch search : {SearchTitles, SearchIndex})
            PrintMenu(path, word, search);
    printf("\n");
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 5 && strcmp(argv[1], "--child") == 0) return Child(argv[2], argv[3], argv[4]);
    if (argc == 6 && strcmp(argv[1], "--child") == 0 && strcmp(argv[2], "chmlib-ranked") == 0)
        return ChmlibRanked(argv[3], argv[4], Split(argv[5])) ? 0 : 1;
    int runs = argc > 1 ? atoi(argv[1]) : 20;
    if (runs < 1) runs = 1;
    std::string data = std::string(LUMIVO_SOURCE_DIR) + "/build/bench-data/";
    std::vector<Subject> subjects = {
        {data + "lcl.chm", "lcl.chm (lazarus-doc-2.2, Free Pascal's compiler)", "TForm"},
        {std::string(LUMIVO_SOURCE_DIR) + "/build/chm-debian/OpenMCDF.chm",
         "OpenMCDF.chm (openmcdf, Microsoft's compiler)", "CompoundFile"},
    };
    for (const char* big : {"big-30000.chm", "big-2000.chm"})
        subjects.push_back({data + big, std::string(big) + " (bench/lookup/make-big-chm.sh)", "Topic 01999"});
    printf("Lookup benchmark: open, the four topic tables, one page, close; ours and chmlib in one run\n\n");
    for (const Subject& s : subjects) {
        if (!Exists(s.Path)) {
            printf("%s: missing, skipped\n\n", s.Path.c_str());
            continue;
        }
        LookupFigures(s, runs);
    }
    std::string debian = std::string(LUMIVO_SOURCE_DIR) + "/build/chm-debian/";
    RankedFigures(data + "lcl.chm", "lcl.chm", {"Show", "Create", "TForm"}, runs);
    RankedFigures(debian + "Nini.chm", "Nini.chm (libnini-doc, Microsoft's compiler)", {"IniReader", "Save"},
                  runs);
    RankedFigures(debian + "OpenMCDF.chm", "OpenMCDF.chm", {"CompoundFile", "Commit"}, runs);
    WordFigures(data + "lcl.chm");
    printf("Full-text search: the index's nodes on the word's path and its location codes, then the topics' "
           "titles and pages; pychm doing the same search (its whole-word search takes a word's first entry "
           "only: in lcl.chm the title entry; its prefix search takes every entry, as ours does)\n\n");
    struct FullTextSubject {
        std::string Path, Label;
        const char* Word;
        bool Prefix;
    };
    const FullTextSubject searches[] = {
        {data + "lcl.chm", "lcl.chm", "tform", false},
        {data + "lcl.chm", "lcl.chm", "wheel", true},
        {data + "lcl.chm", "lcl.chm", "the", false},
        {std::string(LUMIVO_SOURCE_DIR) + "/build/chm-debian/Nini.chm", "Nini.chm", "config", false},
        {std::string(LUMIVO_SOURCE_DIR) + "/build/chm-debian/OpenMCDF.chm", "OpenMCDF.chm", "stream", true},
    };
    for (const FullTextSubject& f : searches) {
        if (!Exists(f.Path)) {
            printf("%s: missing, skipped\n\n", f.Path.c_str());
            continue;
        }
        FullTextFigures(f.Path, f.Label, f.Word, f.Prefix, runs);
    }
    BadInputFigures();
    return 0;
}
