// Dravel benchmark (prints figures; not a test): on the Mueller dictionary converted from
// Debian's mueller7-dict, the index build against a plain sequential C pass over the same file
// (fread in 64 KB blocks counting lines) in the same run, a lookup with the index present
// (open, find the run, collect candidates, lay out one article; no window), and peak memory.
//
// usage: dravel_bench [converted-dictionary]   (made from /usr/share/dictd/mueller7 when absent)
#include <stdio.h>
#include <string.h>
#include <sys/resource.h>
#include <time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "article.h"
#include "codepage.h"
#include "convert.h"
#include "fileio.h"
#include "index.h"
#include "lookup.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

// CPU time of this thread: on a shared machine the wall clock also counts other programs' turns.
double CpuMs() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return (double)t.tv_sec * 1e3 + (double)t.tv_nsec / 1e6;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

double Percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[std::min(v.size() - 1, (size_t)(p * (double)v.size()))];
}

long MaxRssKb() {
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The peer: the least a program can do to pass over the file's lines.
long PlainPass(const char* path) {
    static char block[64 * 1024];
    FILE* f = fopen(path, "rb");
    if (!f) return -1;
    long lines = 0;
    size_t got;
    while ((got = fread(block, 1, sizeof block, f)) > 0) {
        const char* p = block;
        const char* end = block + got;
        while ((p = (const char*)memchr(p, '\n', (size_t)(end - p))) != nullptr) {
            ++lines;
            ++p;
        }
    }
    fclose(f);
    return lines;
}

// The module builds an index only when there is none, so the file is new, as here.
long BuildOnce(const char* path) {
    std::string indexPath = dravel::IndexPath(path);
    dravel::File dict, index;
    if (!dict.OpenRead(path) || !index.Create(indexPath.c_str())) return -1;
    dravel::LineReader reader(dict);
    long entries = 0;
    if (dravel::BuildIndex(reader, index, dravel::CompareNoCase866, &entries) != dravel::Error::None)
        return -1;
    return entries;
}

// Converting holds the whole source in memory; a child does it so that this process's peak
// memory is the core's alone.
bool ConvertInChild(const char* path) {
    pid_t child = fork();
    if (child == 0) {
        dictd2dravel::Report report;
        std::string error;
        bool ok = dictd2dravel::Convert("/usr/share/dictd/mueller7", path, {}, &report, &error);
        if (!ok) fprintf(stderr, "dravel_bench: %s\n", error.c_str());
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

int main(int argc, char** argv) {
    std::string path = argc > 1 ? argv[1] : "dravel-bench-mueller7.txt";
    if (argc <= 1 && !ConvertInChild(path.c_str())) {
        fprintf(stderr,
                "dravel_bench: cannot convert /usr/share/dictd/mueller7 (Debian package mueller7-dict)\n");
        return 1;
    }
    dravel::File probe;
    int64_t size = 0;
    if (!probe.OpenRead(path.c_str()) || !probe.Size(&size)) {
        fprintf(stderr, "dravel_bench: cannot open %s\n", path.c_str());
        return 1;
    }
    probe.Close();
    long rssStart = MaxRssKb();

    // Body lines, for the headwords to look up: read once with the core's reader.
    std::vector<std::string> headwords;
    long articles = 0;
    {
        dravel::File f;
        f.OpenRead(path.c_str());
        dravel::LineReader reader(f);
        char line[dravel::LineLimit + 1];
        size_t stored;
        bool body = false;
        while (reader.ReadLine(line, dravel::LineLimit, &stored)) {
            if (!body && dravel::CompareNoCase866(line, "'c", 2) == 0) body = true;
            size_t headword = dravel::HeadwordLength(line, stored);
            if (!body || headword == 0) continue;
            if (articles++ % 100 == 0)
                headwords.emplace_back(line, strlen(line) < headword ? strlen(line) : headword);
        }
    }

    const int reps = 41;
    std::vector<double> build, plain, buildCpu, plainCpu;
    long entries = 0, lines = 0;
    PlainPass(path.c_str()); // warm the page cache for both
    for (int i = 0; i < reps; ++i) {
        dravel::RemoveFile(dravel::IndexPath(path.c_str()).c_str());
        double c0 = CpuMs();
        Clock::time_point t0 = Clock::now();
        lines = PlainPass(path.c_str());
        Clock::time_point t1 = Clock::now();
        double c1 = CpuMs();
        entries = BuildOnce(path.c_str());
        Clock::time_point t2 = Clock::now();
        double c2 = CpuMs();
        plain.push_back(Ms(t0, t1));
        build.push_back(Ms(t1, t2));
        plainCpu.push_back(c1 - c0);
        buildCpu.push_back(c2 - c1);
    }
    if (entries < 0 || lines < 0) {
        fprintf(stderr, "dravel_bench: the index build failed\n");
        return 1;
    }
    long rssBuild = MaxRssKb();

    std::vector<double> lookups;
    size_t found = 0, totalCandidates = 0;
    for (int round = 0; round < 5; ++round) {
        for (const std::string& word : headwords) {
            Clock::time_point t0 = Clock::now();
            dravel::Lookup lookup(dravel::CompareNoCase866);
            std::vector<dravel::Candidate> candidates;
            bool more = false;
            std::string line, text;
            if (lookup.Open(path.c_str(), word.c_str()) == dravel::Error::None &&
                lookup.Collect(&candidates, &more) == dravel::Error::None && !candidates.empty() &&
                lookup.ReadArticle(candidates[0].offset, &line) == dravel::Error::None) {
                dravel::LayoutArticle(line.data(), line.size(), &text);
                if (round == 0) {
                    ++found;
                    totalCandidates += candidates.size();
                }
            }
            lookups.push_back(Ms(t0, Clock::now()));
        }
    }
    long rssLookup = MaxRssKb();

    double b = Median(build), p = Median(plain), bc = Median(buildCpu), pc = Median(plainCpu);
    auto low = [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); };
    printf("dictionary      %s: %lld bytes, %ld articles, %ld lines, %ld runs (index entries)\n",
           path.c_str(), (long long)size, articles, lines, entries);
    printf("index build     wall median %.2f ms (min %.2f), cpu median %.2f ms (min %.2f) over %d runs\n", b,
           low(build), bc, low(buildCpu), reps);
    printf(
        "plain C pass    wall median %.2f ms (min %.2f), cpu median %.2f ms (min %.2f): fread 64 KB blocks, "
        "memchr line count\n",
        p, low(plain), pc, low(plainCpu));
    printf("ratio           build / plain pass: wall median %.2fx, cpu median %.2fx, min %.2fx (target <= "
           "1.5x)\n",
           b / p, bc / pc, low(build) / low(plain));
    printf("lookup          median %.3f ms, p90 %.3f ms, max %.3f ms over %zu lookups of %zu headwords "
           "(target median <= 2 ms); %zu found, %.1f candidates on average\n",
           Median(lookups), Percentile(lookups, 0.9), *std::max_element(lookups.begin(), lookups.end()),
           lookups.size(), headwords.size(), found, found ? (double)totalCandidates / (double)found : 0.0);
    printf("peak memory     ru_maxrss %ld KB at start, %ld KB after the builds, %ld KB after the lookups "
           "(dictionary %lld KB)\n",
           rssStart, rssBuild, rssLookup, (long long)(size / 1024));
    return 0;
}
