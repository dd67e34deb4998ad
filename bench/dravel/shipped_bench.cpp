// Dravel's shipped formats beside their own programs (prints figures; not a test): one lookup
// (the candidates and the article, laid out in code page 866 as the module writes it) in a dictd
// dictionary against dict asking a warm dictd on the loopback (a match and a define, as the user
// of dict asks), and in a StarDict dictionary against sdcv -n; each as whole processes (wall and
// CPU time, peak memory) and ours in-process too. The dictionaries: Debian's FOLDOC and FreeDict's
// German-English (100 MB of text: a 16.7 MB dictzip body and a 12.7 MB index), the Czech StarDict
// dictionary, and German-English made into a StarDict dictionary here (once, into
// build/bench-data/deu-eng-stardict).
//
// usage: shipped_bench [runs]        (from the build folder: cd build/native && bench/dravel/shipped_bench)
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "../clock.h"
#include "dictd.h"
#include "fileio.h"
#include "lookup.h"
#include "peer_programs.h"
#include "shipped.h"

namespace {

const char kDictd[] = "/usr/share/dictd/";

struct Case {
    const char* label;
    dravel::Format format;
    std::string path;   // the file Dravel is given
    std::string word;   // looked up
    std::string peerDb; // dictd's database name, or sdcv's data folder
};

// One lookup as the module makes it, the article written to out (may be null) rather than into a
// window: 0 when the article came out.
int Lookup(dravel::Format format, const char* path, const char* word, size_t* bytes, FILE* out) {
    TextTarget cp866;
    InitTextTarget(&cp866, BuiltInUpperHalf(866));
    dravel::ShippedLookup lookup;
    std::vector<std::string> headwords;
    bool more = false;
    if (lookup.Open(path, format) != dravel::Error::None) return 1;
    if (lookup.Find(word, &headwords, &more) != dravel::Error::None || headwords.empty()) return 1;
    std::u32string text;
    if (lookup.Text(0, &cp866, &text) != dravel::Error::None) return 1;
    std::string file = dravel::ResultBytes(text, &cp866);
    if (bytes) *bytes = file.size();
    if (out) fwrite(file.data(), 1, file.size(), out);
    return 0;
}

std::string Self() {
    char buffer[4096];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    return std::string(buffer, n > 0 ? (size_t)n : 0);
}

struct Figures {
    double wall = 0, cpu = 0;
    long peakKb = 0;
    bool ok = true;
};

// The median wall and CPU times and the largest peak of several runs of a program.
Figures Measure(const std::vector<std::vector<std::string>>& programs, int runs) {
    std::vector<double> walls, cpus;
    Figures f;
    for (int r = 0; r < runs; ++r) {
        double wall = 0, cpu = 0;
        for (const auto& argv : programs) {
            dravel_peers::Run run = dravel_peers::RunProgram(argv);
            f.ok = f.ok && run.status == 0 && !run.out.empty();
            wall += run.wall;
            cpu += run.cpu;
            f.peakKb = std::max(f.peakKb, run.peakKb);
        }
        walls.push_back(wall);
        cpus.push_back(cpu);
    }
    f.wall = Median(walls);
    f.cpu = Median(cpus);
    return f;
}

void Print(const char* who, const Figures& f) {
    printf("    %-34s %7.1f ms wall %7.1f ms CPU  peak %6.1f MB%s\n", who, f.wall * 1e3, f.cpu * 1e3,
           (double)f.peakKb / 1024, f.ok ? "" : "  (FAILED)");
}

// German-English as a StarDict dictionary: its index's words (lower-cased, in byte order, which
// is StarDict's order for them) with their articles, the body dictzip'd by dictzip.
bool MakeStarDict(const std::string& folder) {
    std::string base = folder + "/deu-eng";
    if (dravel::FileExists((base + ".ifo").c_str())) return true;
    dravel::MakeFolder("bench-data");
    dravel::MakeFolder(folder.c_str());
    printf("making %s.* from FreeDict's German-English (once)...\n", base.c_str());
    dravel::DictionaryBody body;
    if (body.Open((std::string(kDictd) + "freedict-deu-eng.dict.dz").c_str()) != dravel::Error::None)
        return false;
    FILE* index = fopen((std::string(kDictd) + "freedict-deu-eng.index").c_str(), "r");
    FILE* idx = fopen((base + ".idx").c_str(), "wb");
    FILE* dict = fopen((base + ".dict").c_str(), "wb");
    if (!index || !idx || !dict) return false;
    char line[8192];
    uint32_t offset = 0, words = 0;
    std::string text;
    while (fgets(line, sizeof line, index)) {
        char* t1 = strchr(line, '\t');
        char* t2 = t1 ? strchr(t1 + 1, '\t') : nullptr;
        if (!t2 || strncmp(line, "00", 2) == 0 || t1 == line) continue;
        uint64_t at = 0, length = 0;
        size_t end = strcspn(t2 + 1, "\t\n");
        if (!dravel::DecodeBase64Number(t1 + 1, (size_t)(t2 - t1 - 1), &at) ||
            !dravel::DecodeBase64Number(t2 + 1, end, &length) ||
            body.Read((int64_t)at, (uint32_t)length, &text) != dravel::Error::None)
            return false;
        unsigned char be[8] = {(unsigned char)(offset >> 24), (unsigned char)(offset >> 16),
                               (unsigned char)(offset >> 8),  (unsigned char)offset,
                               (unsigned char)(length >> 24), (unsigned char)(length >> 16),
                               (unsigned char)(length >> 8),  (unsigned char)length};
        fwrite(line, 1, (size_t)(t1 - line) + 0, idx);
        fputc(0, idx);
        fwrite(be, 1, 8, idx);
        fwrite(text.data(), 1, text.size(), dict);
        offset += (uint32_t)length;
        ++words;
    }
    long idxSize = ftell(idx);
    fclose(index);
    fclose(idx);
    fclose(dict);
    FILE* ifo = fopen((base + ".ifo").c_str(), "w");
    fprintf(ifo,
            "StarDict's dict ifo file\nversion=2.4.2\nbookname=German-English (FreeDict)\nwordcount=%u\n"
            "idxfilesize=%ld\nsametypesequence=m\n",
            words, idxSize);
    fclose(ifo);
    return dravel_peers::RunProgram({"dictzip", base + ".dict"}).status == 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 5 && strcmp(argv[1], "--child") == 0) {
        // --child dictd|stardict|none PATH WORD: one lookup, then exit.
        if (strcmp(argv[2], "none") == 0) return puts("-") < 0;
        return Lookup(strcmp(argv[2], "dictd") == 0 ? dravel::Format::Dictd : dravel::Format::StarDict,
                      argv[3], argv[4], nullptr, stdout);
    }
    int runs = argc > 1 ? atoi(argv[1]) : 11;
    if (runs < 1) runs = 1;
    std::string data = "bench-data/deu-eng-stardict";
    if (!MakeStarDict(data)) {
        fprintf(stderr, "shipped_bench: needs dict-freedict-deu-eng and dictzip (scripts/setup.sh)\n");
        return 1;
    }
    std::vector<Case> cases = {
        {"dictd FOLDOC \"lisp\"", dravel::Format::Dictd, std::string(kDictd) + "foldoc.index", "lisp",
         "foldoc"},
        {"dictd German-English \"haus\"", dravel::Format::Dictd,
         std::string(kDictd) + "freedict-deu-eng.index", "haus", "deu-eng"},
        {"StarDict Czech \"favorit\"", dravel::Format::StarDict, "/usr/share/stardict/dic/czech-cizi.ifo",
         "favorit", "/usr/share/stardict/dic"},
        {"StarDict German-English \"haus\"", dravel::Format::StarDict, data + "/deu-eng.ifo", "haus", data},
    };
    dravel_peers::LocalDictd server;
    if (!server.Start({{"foldoc", std::string(kDictd) + "foldoc"},
                       {"deu-eng", std::string(kDictd) + "freedict-deu-eng"}})) {
        fprintf(stderr, "shipped_bench: dictd did not start\n");
        return 1;
    }
    // sdcv keeps its offset cache in the home folder: one of our own, warmed by a first run.
    char home[] = "/tmp/dravel-sdcv-XXXXXX";
    if (mkdtemp(home)) setenv("HOME", home, 1);

    std::string self = Self();
    Figures none = Measure({{self, "--child", "none", "-", "-"}}, runs);
    printf("Dravel's shipped formats, one lookup each (candidates and article), median of %d runs\n", runs);
    printf("  (a process that does nothing but start: %.1f ms wall, peak %.1f MB)\n", none.wall * 1e3,
           (double)none.peakKb / 1024);
    for (const Case& c : cases) {
        printf("  %s\n", c.label);
        std::vector<double> inside;
        size_t bytes = 0;
        for (int r = 0; r < runs; ++r) {
            double t0 = CpuNow();
            if (Lookup(c.format, c.path.c_str(), c.word.c_str(), &bytes, nullptr) != 0)
                printf("    (our lookup FAILED)\n");
            inside.push_back(CpuNow() - t0);
        }
        printf("    %-34s %7.2f ms CPU (article %zu bytes)\n", "Dravel, in-process", Median(inside) * 1e3,
               bytes);
        const char* format = c.format == dravel::Format::Dictd ? "dictd" : "stardict";
        Figures ours = Measure({{self, "--child", format, c.path, c.word}}, runs);
        Print("Dravel, a process", ours);
        Figures peer;
        if (c.format == dravel::Format::Dictd) {
            peer = Measure({server.Dict({"-d", c.peerDb, "-m", "-s", "prefix", c.word}),
                            server.Dict({"-d", c.peerDb, c.word})},
                           runs);
            Print("dict -m -s prefix + dict (warm dictd)", peer);
        } else {
            std::vector<std::string> sdcv = {"sdcv", "-n", "-x", "-2", c.peerDb, c.word};
            dravel_peers::RunProgram(sdcv); // its cache made
            peer = Measure({sdcv}, runs);
            Print("sdcv -n", peer);
        }
        printf(
            "    ratio of wall times Dravel/peer %.2f; Dravel's lookup over its process's start: %.1f MB\n",
            peer.wall > 0 ? ours.wall / peer.wall : 0, (double)(ours.peakKb - none.peakKb) / 1024);
    }
    dravel_peers::RunProgram({"rm", "-rf", home}); // with sdcv's cache in it
    return 0;
}
