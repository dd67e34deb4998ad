// dravel-cli: the dictionary provider's portable core from the command line: build a
// dictionary's index, list the candidates for a keyword, print or write a laid-out article.
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "article.h"
#include "codepage.h"
#include "fileio.h"
#include "index.h"
#include "lookup.h"

namespace {

struct Settings {
    dravel::CodePage codePage = dravel::CodePage::Cp866;
    bool utf8 = false;   // the terminal speaks UTF-8: convert keywords in and text out
    bool result = false; // article: write Dravel.txt into a new LUMV folder
};

void Usage(FILE* to) {
    fprintf(to, "usage: dravel-cli [options] index DICT\n"
                "       dravel-cli [options] candidates DICT KEYWORD\n"
                "       dravel-cli [options] article DICT HEADWORD\n"
                "\n"
                "  index       build DICT.hsh anew and print its number of entries (runs)\n"
                "  candidates  list the headwords KEYWORD begins, with their offsets (the index is\n"
                "              built first when it is missing, as the provider does)\n"
                "  article     print the laid-out article of HEADWORD: the candidate equal to it, or\n"
                "              the only candidate\n"
                "\n"
                "  --codepage cp866|cp1251  the dictionary's code page for case-insensitive\n"
                "                           comparison (default cp866)\n"
                "  --utf8                   keywords are UTF-8 and output is converted to UTF-8\n"
                "  --result                 article: also write Dravel.txt into a new folder LUMV*\n"
                "                           in the temporary folder and print its path\n"
                "\n"
                "Exit status: 0 done, 1 failure or nothing found, 2 usage.\n");
}

int Fail(const char* what, dravel::Error error) {
    fprintf(stderr, "dravel-cli: %s: %s (message %d)\n", what, dravel::ErrorText(error),
            dravel::MessageIndex(error));
    return 1;
}

std::string Shown(const Settings& s, const char* text, size_t length) {
    return s.utf8 ? dravel::ToUtf8(s.codePage, text, length) : std::string(text, length);
}

int BuildIndexCommand(const Settings& s, const char* dict) {
    std::string path = dravel::IndexPath(dict);
    dravel::RemoveFile(path.c_str());
    dravel::File dictionary, index;
    if (!dictionary.OpenRead(dict)) return Fail(dict, dravel::Error::OpenDictionary);
    dravel::LineReader reader(dictionary);
    dravel::Error error = dravel::OpenIndex(dict, reader, &index, dravel::CompareFor(s.codePage), nullptr);
    if (error != dravel::Error::None) return Fail(dict, error);
    dravel::LineReader entries(index);
    char entry[dravel::EntryLimit + 1];
    size_t stored;
    long count = 0;
    while (entries.ReadLine(entry, dravel::EntryLimit, &stored))
        ++count;
    printf("%s: %ld entries\n", path.c_str(), count);
    return 0;
}

int Collect(const Settings& s, dravel::Lookup* lookup, const char* dict, const std::string& keyword,
            std::vector<dravel::Candidate>* candidates, bool* more) {
    dravel::Error error = lookup->Open(dict, keyword.c_str());
    if (error == dravel::Error::None) error = lookup->Collect(candidates, more);
    if (error != dravel::Error::None) return Fail(dict, error);
    if (candidates->empty()) {
        fprintf(stderr, "dravel-cli: no headword begins with \"%s\"\n",
                Shown(s, keyword.data(), keyword.size()).c_str());
        return 1;
    }
    return 0;
}

int CandidatesCommand(const Settings& s, const char* dict, const std::string& keyword) {
    dravel::Lookup lookup(dravel::CompareFor(s.codePage));
    std::vector<dravel::Candidate> candidates;
    bool more = false;
    int rc = Collect(s, &lookup, dict, keyword, &candidates, &more);
    for (const dravel::Candidate& c : candidates)
        printf("%s\t%lu\n", Shown(s, c.text, strlen(c.text)).c_str(), (unsigned long)c.offset);
    if (more)
        fprintf(stderr, "dravel-cli: the list stops at %zu headwords; more begin with \"%s\"\n",
                candidates.size(), Shown(s, keyword.data(), keyword.size()).c_str());
    return rc;
}

int ArticleCommand(const Settings& s, const char* dict, const std::string& keyword) {
    dravel::CompareFn compare = dravel::CompareFor(s.codePage);
    dravel::Lookup lookup(compare);
    std::vector<dravel::Candidate> candidates;
    bool more = false;
    int rc = Collect(s, &lookup, dict, keyword, &candidates, &more);
    if (rc != 0) return rc;
    const dravel::Candidate* chosen = candidates.size() == 1 ? &candidates[0] : nullptr;
    size_t length = strlen(lookup.Keyword());
    for (const dravel::Candidate& c : candidates) {
        if (!chosen && strlen(c.text) == length && compare(c.text, lookup.Keyword(), (int)length) == 0)
            chosen = &c;
    }
    if (!chosen) {
        fprintf(stderr, "dravel-cli: %zu headwords begin with \"%s\"; name one of them:\n", candidates.size(),
                Shown(s, keyword.data(), keyword.size()).c_str());
        for (const dravel::Candidate& c : candidates)
            fprintf(stderr, "  %s\n", Shown(s, c.text, strlen(c.text)).c_str());
        return 1;
    }
    std::string line, text;
    dravel::Error error = lookup.ReadArticle(chosen->offset, &line);
    if (error != dravel::Error::None) return Fail(dict, error);
    dravel::LayoutArticle(line.data(), line.size(), &text);
    std::string out = Shown(s, text.data(), text.size());
    fwrite(out.data(), 1, out.size(), stdout);
    if (s.result) {
        std::string folder, path;
        if (!dravel::MakeTempFolder("LUMV", &folder))
            return Fail("temporary folder", dravel::Error::CreateResult);
        error = dravel::WriteResultFile(folder.c_str(), line.data(), line.size(), &path);
        if (error != dravel::Error::None) return Fail(folder.c_str(), error);
        fprintf(stderr, "dravel-cli: wrote %s\n", path.c_str());
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    Settings s;
    std::vector<const char*> args;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (strcmp(a, "--help") == 0 || strcmp(a, "-h") == 0) {
            Usage(stdout);
            return 0;
        } else if (strcmp(a, "--utf8") == 0) {
            s.utf8 = true;
        } else if (strcmp(a, "--result") == 0) {
            s.result = true;
        } else if (strcmp(a, "--codepage") == 0 || strncmp(a, "--codepage=", 11) == 0) {
            const char* name = a[10] == '=' ? a + 11 : (i + 1 < argc ? argv[++i] : nullptr);
            if (!dravel::ParseCodePage(name, &s.codePage)) {
                fprintf(stderr, "dravel-cli: unknown code page %s (cp866 or cp1251)\n",
                        name ? name : "(none)");
                return 2;
            }
        } else if (a[0] == '-' && a[1] == '-') {
            fprintf(stderr, "dravel-cli: unknown option %s\n", a);
            return 2;
        } else {
            args.push_back(a);
        }
    }
    if (args.size() == 2 && strcmp(args[0], "index") == 0) return BuildIndexCommand(s, args[1]);
    if (args.size() == 3) {
        std::string keyword = s.utf8 ? dravel::FromUtf8(s.codePage, args[2]) : std::string(args[2]);
        if (keyword.empty()) {
            fprintf(stderr, "dravel-cli: the keyword is empty\n");
            return 2;
        }
        if (strcmp(args[0], "candidates") == 0) return CandidatesCommand(s, args[1], keyword);
        if (strcmp(args[0], "article") == 0) return ArticleCommand(s, args[1], keyword);
    }
    Usage(stderr);
    return 2;
}
