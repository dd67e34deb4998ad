// Lookup benchmark: the reads of one help request (open the file, read the four topic tables and
// one page, close it) by our reader and by chmlib side by side, in-process and as whole processes,
// with the peak memory of each; then what the bad-input regression files cost our reader.
//
// Usage: lookup_bench [runs]
// Files: build/bench-data/lcl.chm (bench/lzx/get-lcl-chm.sh), build/chm-debian/OpenMCDF.chm
// (tests/data/chm/fetch-debian.sh, run by the native tests), build/bench-data/big-*.chm
// (bench/lookup/make-big-chm.sh); a file that is missing is skipped.
#include "../clock.h"
#include "badfiles.h"
#include "chm/container.h"
#include "fixtures.h"
#include "find/lookup.h"
#include "find/topics.h"

#include <chm_lib.h>

#include <algorithm>
#include <chrono>
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

Reads Ours(const char* path, const char* page) {
    Reads r;
    ChmContainer* c = OpenContainer(path);
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
        AsciiPrefixCompare, nullptr, nullptr,
        [](void* context, const TopicCandidate* list, uint32_t count, bool more) {
            Choice* c = static_cast<Choice*>(context);
            c->Out->Candidates = count;
            c->Out->More = more;
            for (uint32_t i = 0; i < count; i++) // the title that is the keyword
                if (AsciiPrefixCompare(list[i].Title, c->Keyword.c_str(), TopicMenuTitleSize) == 0)
                    return static_cast<int>(i);
            return 0;
        },
        &choice};
    TopicPage page;
    f.Status = FindTopicPage(path, keyword, &host, &page);
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
int Child(const std::string& mode, const char* path, const char* name) {
    if (mode == "ours") return Ours(path, name).Ok ? 0 : 1;
    if (mode == "chmlib") return Chmlib(path, name).Ok ? 0 : 1;
    if (mode == "find") return Find(path, name).Status <= TopicChoiceCancelled ? 0 : 1;
    return 0;
}

struct ProcessFigures {
    double Wall, Cpu, PeakMb;
};

ProcessFigures Processes(const std::vector<std::string>& args, int runs) {
    std::vector<double> wall, cpu, peak;
    for (int r = 0; r < runs; r++) {
        Process p = RunChild(args);
        wall.push_back(p.Wall * 1e3);
        cpu.push_back(p.Cpu * 1e3);
        peak.push_back(static_cast<double>(p.PeakKb) / 1024.0);
    }
    return {Median(wall), Median(cpu), Median(peak)};
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

    int processRuns = std::max(3, runs / 4);
    ProcessFigures none = Processes({"--child", "none", s.Path, page}, processRuns);
    ProcessFigures po = Processes({"--child", "ours", s.Path, page}, processRuns);
    ProcessFigures pc = Processes({"--child", "chmlib", s.Path, page}, processRuns);
    printf("  whole process, median of %d: ours %.1f ms (CPU %.1f), chmlib %.1f ms (CPU %.1f), ratio %.2f; "
           "the process alone %.1f ms\n",
           processRuns, po.Wall, po.Cpu, pc.Wall, pc.Cpu, po.Cpu / pc.Cpu, none.Wall);
    printf("  peak memory (ru_maxrss): ours %.1f MB, chmlib %.1f MB, the process alone %.1f MB; the lookup's "
           "own: ours %.1f MB (target 24 MB in all), chmlib %.1f MB\n\n",
           po.PeakMb, pc.PeakMb, none.PeakMb, po.PeakMb - none.PeakMb, pc.PeakMb - none.PeakMb);
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
           all == 0 ? "READ" : "refused (limit 256 MB)");
    if (all == 0) FreeObject(data);
    CloseContainer(c);
    Process p = RunChild({"--child", "find", path, "a"});
    printf("    a lookup in its own process: %.1f ms, peak memory %.1f MB\n", p.Wall * 1e3,
           static_cast<double>(p.PeakKb) / 1024.0);
}

void BadInputFigures() {
    printf("Bad input (tests/data/chm/regressions, the .gz ones unpacked into build/bench-data):\n");
    BombFigures("expansion bomb", Unpacked("expansion-bomb-300mb-section.chm.gz"));
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
        printf(
            "    its reset table damaged: the last page %s in %.2f ms (%u whole-section decodes refused)\n",
            read == 0 ? "READ" : "refused", (CpuNow() - c0) * 1e3, c->WholeRefusals);
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

} // namespace

int main(int argc, char** argv) {
    if (argc == 5 && strcmp(argv[1], "--child") == 0) return Child(argv[2], argv[3], argv[4]);
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
    BadInputFigures();
    return 0;
}
