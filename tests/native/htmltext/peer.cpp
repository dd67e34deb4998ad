// Pages and the peer's dumps of them (see peer.h).
#include "peer.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <map>

#include "text/charsets.h"
#include "chm/container.h"
#include "text/htmltext.h"

// Images without alternative text are left out, as the text view does: w3m would name them by
// their file names ("[collapse_all]"), words that are no text of the page.
const char W3mOptions[] = "-dump -cols 78 -T text/html -O UTF-8 -o pseudo_inlines=0 -o ignore_null_img_alt=0";

namespace {

bool EndsWith(const std::string& s, const char* tail) {
    size_t n = strlen(tail);
    if (s.size() < n) return false;
    for (size_t i = 0; i < n; i++)
        if (tolower(static_cast<unsigned char>(s[s.size() - n + i])) != tail[i]) return false;
    return true;
}

#ifndef _WIN32
const char Sentinel[] = "LUMIVO-PAGE-END-7f3a";

const char* CharsetName(unsigned codePage) {
    switch (codePage) {
    case CodePageUtf8:
        return "UTF-8";
    case 1250:
        return "windows-1250";
    case 1251:
        return "windows-1251";
    default:
        return "windows-1252";
    }
}

bool WriteFile(const std::string& path, const std::string& bytes) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}
#endif

} // namespace

std::vector<ChmPage> HtmlPages(const std::string& chmPath) {
    std::vector<ChmPage> pages;
    ChmContainer* c = OpenContainer(chmPath.c_str());
    if (!c) return pages;
    std::string chm = chmPath.substr(chmPath.find_last_of('/') + 1);
    uint32_t language = 0;
    unsigned char* data;
    uint32_t length;
    if (ReadObject(c, "/#SYSTEM", &data, &length) == 0) {
        language = SystemLanguageId(data, length);
        FreeObject(data);
    }
    for (uint32_t i = 0; i < c->DirectoryCount; i++) {
        std::string name = c->Directory[i].Name;
        if (!EndsWith(name, ".htm") && !EndsWith(name, ".html")) continue;
        if (ReadObject(c, name.c_str(), &data, &length) != 0) continue;
        pages.push_back({chm, name, std::string(reinterpret_cast<char*>(data), length), language});
        FreeObject(data);
    }
    CloseContainer(c);
    return pages;
}

#ifndef _WIN32
std::vector<std::string> PeerChms(std::string* note) {
    std::string data = std::string(LUMIVO_SOURCE_DIR) + "/tests/data/chm";
    std::vector<std::string> chms;
    for (const char* name :
         {"titles.chm", "accented.chm", "cyrillic.chm", "large.chm", "many.chm", "pages.chm"})
        chms.push_back(data + "/" + name);
    std::string dest = std::string(LUMIVO_SOURCE_DIR) + "/build/chm-debian";
    std::string command = data + "/fetch-debian.sh '" + dest + "'";
    if (system(command.c_str()) == 0)
        chms.push_back(dest + "/OpenMCDF.chm");
    else
        *note = "the Debian-shipped CHMs could not be fetched (apt-get download openmcdf failed)";
    return chms;
}

#endif

std::string OurText(const ChmPage& page) {
    HtmlTextOptions options = TopicPageOptions(page.Name.c_str(), page.Language);
    std::u32string text;
    RenderHtmlText(reinterpret_cast<const unsigned char*>(page.Bytes.data()), page.Bytes.size(), options,
                   &text);
    return TextAsUtf8(text);
}

#ifndef _WIN32
bool HaveW3m() {
    return system("w3m -version >/dev/null 2>&1") == 0;
}

bool W3mDumps(const std::vector<const ChmPage*>& pages, const std::string& folder,
              std::vector<std::string>* dumps) {
    return WritePages(pages, folder) && RunW3m(pages, folder, dumps);
}

bool WritePages(const std::vector<const ChmPage*>& pages, const std::string& folder) {
    if (!WriteFile(folder + "/sentinel.html", std::string("<p>") + Sentinel + "</p>")) return false;
    for (size_t i = 0; i < pages.size(); i++)
        if (!WriteFile(folder + "/page" + std::to_string(i) + ".html", pages[i]->Bytes)) return false;
    return true;
}

bool RunW3m(const std::vector<const ChmPage*>& pages, const std::string& folder,
            std::vector<std::string>* dumps) {
    dumps->assign(pages.size(), std::string());
    std::map<unsigned, std::vector<size_t>> byCodePage;
    for (size_t i = 0; i < pages.size(); i++) {
        const ChmPage& p = *pages[i];
        unsigned fallback = AnsiCodePageOfLanguage(p.Language);
        byCodePage[PageCodePage(reinterpret_cast<const unsigned char*>(p.Bytes.data()), p.Bytes.size(),
                                fallback)]
            .push_back(i);
    }
    for (auto& group : byCodePage) {
        // Batches keep each command line short and each w3m process start shared by many pages.
        for (size_t from = 0; from < group.second.size(); from += 500) {
            std::string command =
                std::string("cd '") + folder + "' && w3m " + W3mOptions + " -I " + CharsetName(group.first);
            size_t to = std::min(group.second.size(), from + 500);
            for (size_t k = from; k < to; k++)
                command += " page" + std::to_string(group.second[k]) + ".html sentinel.html";
            FILE* out = popen(command.c_str(), "r");
            if (!out) return false;
            std::string all;
            char buffer[65536];
            size_t n;
            while ((n = fread(buffer, 1, sizeof buffer, out)) > 0)
                all.append(buffer, n);
            if (pclose(out) != 0) return false;
            size_t k = from, start = 0;
            std::string mark = std::string(Sentinel) + "\n";
            for (size_t at; k < to && (at = all.find(mark, start)) != std::string::npos; k++) {
                (*dumps)[group.second[k]] = all.substr(start, at - start);
                start = at + mark.size();
                while (start < all.size() && all[start] == '\n')
                    start++;
            }
            if (k != to) return false;
        }
    }
    return true;
}
#endif
