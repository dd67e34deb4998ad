// The text view against w3m on every HTML page of the chmcmd fixtures and of the Debian-shipped
// CHMs: on each page, the longest common subsequence of words keeps at least 97% of w3m's words,
// and no paragraph of w3m's dump loses every word. Prints the figures per CHM.
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>

#include "peer.h"
#include "wordmatch.h"

namespace {

const double RequiredShare = 0.97;

TEST(AgainstW3m, EveryPageKeepsW3msWordsAndParagraphs) {
    if (!HaveW3m()) GTEST_SKIP() << "w3m is not installed (scripts/setup.sh installs it)";
    std::string note;
    std::vector<std::string> chms = PeerChms(&note);
    if (!note.empty()) printf("note: %s\n", note.c_str());
    char folderTemplate[] = "/tmp/lumivo-w3m-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(folderTemplate));
    std::string folder = folderTemplate;
    // For looking closer: LUMIVO_W3M_REPORT names a folder that gets both texts of every page
    // that falls short (of every page with LUMIVO_W3M_REPORT_ALL); LUMIVO_W3M_CHMS adds CHMs
    // (colon-separated), LUMIVO_W3M_LIMIT compares that many pages of each at most.
    const char* report = getenv("LUMIVO_W3M_REPORT");
    if (const char* more = getenv("LUMIVO_W3M_CHMS")) {
        std::string list = more;
        for (size_t start = 0, end; start < list.size(); start = end + 1) {
            end = list.find(':', start);
            if (end == std::string::npos) end = list.size();
            if (end > start) chms.push_back(list.substr(start, end - start));
        }
    }
    size_t limit = getenv("LUMIVO_W3M_LIMIT") ? strtoul(getenv("LUMIVO_W3M_LIMIT"), nullptr, 10) : 0;
    for (const std::string& chm : chms) {
        std::vector<ChmPage> pages = HtmlPages(chm);
        if (limit && pages.size() > limit) pages.resize(limit);
        ASSERT_FALSE(pages.empty()) << chm;
        std::vector<const ChmPage*> list;
        for (const ChmPage& p : pages)
            list.push_back(&p);
        std::vector<std::string> dumps;
        ASSERT_TRUE(W3mDumps(list, folder, &dumps)) << "w3m failed on " << chm;
        size_t theirs = 0, common = 0, below = 0, lost = 0;
        double least = 1.0;
        std::string leastPage;
        for (size_t i = 0; i < pages.size(); i++) {
            std::string ours = OurText(pages[i]);
            WordAgreement a = CompareWords(ours, dumps[i]);
            theirs += a.TheirWords;
            common += a.Common;
            if (a.Share() < least) least = a.Share(), leastPage = pages[i].Name;
            bool bad = a.TooDifferent || a.Share() < RequiredShare || !a.LostParagraphs.empty();
            below += a.Share() < RequiredShare;
            lost += a.LostParagraphs.size();
            EXPECT_FALSE(a.TooDifferent) << pages[i].Chm << " " << pages[i].Name;
            EXPECT_GE(a.Share(), RequiredShare) << pages[i].Chm << " " << pages[i].Name << ": " << a.Common
                                                << " of " << a.TheirWords << " words";
            for (const std::string& p : a.LostParagraphs)
                ADD_FAILURE() << pages[i].Chm << " " << pages[i].Name << " loses the paragraph \"" << p
                              << "\"";
            if (report && (bad || getenv("LUMIVO_W3M_REPORT_ALL"))) {
                std::string base = std::string(report) + "/" + pages[i].Chm + "-" + std::to_string(i);
                FILE* f = fopen((base + ".ours").c_str(), "wb");
                if (f) fwrite(ours.data(), 1, ours.size(), f), fclose(f);
                f = fopen((base + ".w3m").c_str(), "wb");
                if (f) fwrite(dumps[i].data(), 1, dumps[i].size(), f), fclose(f);
            }
        }
        printf("%-14s %5zu pages  %8zu w3m words  %6.2f%% kept overall  least %6.2f%% (%s)  "
               "%zu pages below 97%%  %zu lost paragraphs\n",
               chm.substr(chm.find_last_of('/') + 1).c_str(), pages.size(), theirs,
               theirs ? 100.0 * static_cast<double>(common) / static_cast<double>(theirs) : 100.0,
               100.0 * least, leastPage.c_str(), below, lost);
    }
    std::string clean = "rm -rf '" + folder + "'";
    if (system(clean.c_str()) != 0) printf("note: %s stays behind\n", folder.c_str());
}

} // namespace
