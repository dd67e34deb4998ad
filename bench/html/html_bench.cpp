// Text view benchmark: renders every HTML page of the chmcmd fixtures and of the Debian-shipped
// CHMs (and of lcl.chm when bench/lzx/get-lcl-chm.sh has fetched it) as the module does, into
// the OEM code page, and runs w3m over the same pages in the same run; prints the CPU time per
// MB of HTML of each and their ratio. Then renders hostile pages at 150 KB and at 1.5 MB, so that
// time per MB staying flat shows the work is linear.
//
// Usage: html_bench [runs] [extra.chm ...]   (default 3 runs; build/bench-data/lcl.chm is added
//                                              when present)
#include "../clock.h"
#include "text/charsets.h"
#include "text/htmltext.h"
#include "peer.h"

#include <algorithm>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <time.h>
#include <vector>

namespace {

double ChildrenCpu() {
    rusage u;
    getrusage(RUSAGE_CHILDREN, &u);
    return UsedCpu(u.ru_utime, u.ru_stime);
}

// The module's path: text view bound to the console page, then its bytes.
size_t RenderAll(const std::vector<const ChmPage*>& pages, const TextTarget& target) {
    size_t out = 0;
    std::u32string text;
    for (const ChmPage* p : pages) {
        HtmlTextOptions options = TopicPageOptions(p->Name.c_str(), p->Language);
        options.Target = &target;
        RenderHtmlText(reinterpret_cast<const unsigned char*>(p->Bytes.data()), p->Bytes.size(), options,
                       &text);
        out += TextInTarget(text, target).size();
    }
    return out;
}

struct Corpus {
    std::string Name;
    std::vector<ChmPage> Pages;
};

void Compare(const Corpus& corpus, int runs, const TextTarget& target, bool w3m) {
    std::vector<const ChmPage*> list;
    double bytes = 0;
    for (const ChmPage& p : corpus.Pages) {
        list.push_back(&p);
        bytes += static_cast<double>(p.Bytes.size());
    }
    double mb = bytes / 1e6;
    std::vector<double> ours;
    size_t written = 0;
    for (int r = 0; r < runs; r++) {
        double t0 = CpuNow();
        written = RenderAll(list, target);
        ours.push_back(CpuNow() - t0);
    }
    double ourMs = Median(ours) * 1000 / mb;
    printf("%-34s %6zu pages %8.2f MB  ours %7.1f ms/MB (%6.1f MB/s, %.1f MB of text)", corpus.Name.c_str(),
           list.size(), mb, ourMs, mb / Median(ours), static_cast<double>(written) / 1e6);
    if (!w3m) {
        printf("\n");
        return;
    }
    char folderTemplate[] = "/tmp/lumivo-bench-XXXXXX";
    if (!mkdtemp(folderTemplate) || !WritePages(list, folderTemplate)) {
        printf("  (the pages could not be written for w3m)\n");
        return;
    }
    std::vector<double> theirs;
    std::vector<std::string> dumps;
    for (int r = 0; r < runs; r++) {
        double t0 = ChildrenCpu();
        if (!RunW3m(list, folderTemplate, &dumps)) {
            printf("  (w3m failed)\n");
            return;
        }
        theirs.push_back(ChildrenCpu() - t0);
    }
    std::string clean = std::string("rm -rf '") + folderTemplate + "'";
    if (system(clean.c_str()) != 0) printf("  (%s stays behind)", folderTemplate);
    double theirMs = Median(theirs) * 1000 / mb;
    printf("  w3m %7.1f ms/MB  w3m/ours %5.1fx\n", theirMs, theirMs / ourMs);
}

std::string Repeated(const std::string& unit, size_t bytes) {
    std::string page;
    while (page.size() < bytes)
        page += unit;
    return page;
}

// Time per MB of a hostile page at two sizes: equal figures mean linear work.
void Scaling(const TextTarget& target) {
    struct Kind {
        const char* Name;
        std::string Unit;
        const char* Before = ""; // the page's start
    };
    const Kind kinds[] = {
        {"one long paragraph", "word and some more words "},
        {"unclosed blocks", "<div><p>text "},
        {"unclosed lists", "<ul><li>item "},
        {"unclosed tables", "<table><tr><td>cell "},
        {"a 3-column table, many rows", "<tr><td>name<td>a longer description of it<td>42"},
        {"unclosed quotes", "<a href=\"x>link "},
        {"stray < and &", "a < b & c &amp; "},
        {"entities", "&eacute;&mdash;&#x2192;&nbsp;"},
        {"preformatted with tabs", "<pre>\tcode\tmore\n"},
        {"rules (a line per 4 bytes)", "<hr>"},
        {"an alt text never closed", "word and some more words ", "<img alt=\""},
    };
    printf("\nHostile pages, ms per MB at 150 KB and at 1.5 MB (equal when the work is linear):\n");
    for (const Kind& k : kinds) {
        double perMb[2];
        for (int s = 0; s < 2; s++) {
            std::string page = k.Before + Repeated(k.Unit, s ? 1536 * 1024 : 150 * 1024);
            ChmPage p = {"", "/hostile.html", page, 0x409};
            std::vector<const ChmPage*> one = {&p};
            std::vector<double> t;
            for (int r = 0; r < 3; r++) {
                double t0 = CpuNow();
                RenderAll(one, target);
                t.push_back(CpuNow() - t0);
            }
            perMb[s] = Median(t) * 1000 / (static_cast<double>(page.size()) / 1e6);
        }
        printf("  %-30s %7.1f %7.1f\n", k.Name, perMb[0], perMb[1]);
    }
}

bool Exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

} // namespace

int main(int argc, char** argv) {
    int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
    std::vector<std::string> extra;
    for (int i = 2; i < argc; i++)
        extra.push_back(argv[i]);
    std::string lcl = std::string(LUMIVO_SOURCE_DIR) + "/build/bench-data/lcl.chm";
    if (argc <= 2 && Exists(lcl)) extra.push_back(lcl);

    TextTarget cp437;
    InitTextTarget(&cp437, BuiltInUpperHalf(437));
    bool w3m = HaveW3m();
    if (!w3m) printf("w3m is not installed (scripts/setup.sh installs it): our figures only\n");
    std::string note;
    std::vector<Corpus> corpora(1);
    corpora[0].Name = "fixtures and Debian-shipped CHMs";
    for (const std::string& chm : PeerChms(&note))
        for (ChmPage& p : HtmlPages(chm))
            corpora[0].Pages.push_back(std::move(p));
    if (!note.empty()) printf("note: %s\n", note.c_str());
    for (const std::string& chm : extra) {
        Corpus c;
        c.Name = chm.substr(chm.find_last_of('/') + 1);
        c.Pages = HtmlPages(chm);
        if (c.Pages.empty())
            printf("note: %s has no pages that could be read\n", chm.c_str());
        else
            corpora.push_back(std::move(c));
    }
    printf("CPU time per MB of HTML, median of %d runs; ours renders into code page 437 as the module "
           "does,\nw3m (%s) dumps the same pages, 500 to a process\n",
           runs, W3mOptions);
    for (const Corpus& c : corpora)
        Compare(c, runs, cp437, w3m);
    Scaling(cp437);
    return 0;
}
