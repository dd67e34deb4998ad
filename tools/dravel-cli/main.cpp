// dravel-cli: the dictionary provider's portable core from the command line: build a one-line
// dictionary's index, list the candidates for a keyword, print or write an article as the result
// file has it, in any of the three formats (the one-line form, dictd, StarDict).
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "article.h"
#include "articletext.h"
#include "text/charsets.h"
#include "codepage.h"
#include "fileio.h"
#include "index.h"
#include "lookup.h"

namespace {

struct Settings {
    dravel::CodePage codePage = dravel::CodePage::Cp866;
    bool utf8 = false;   // the terminal speaks UTF-8: convert keywords in and text out
    bool result = false; // article: write Dravel.txt into a new LUMV folder
    bool detect = true;  // the format from the file's name and neighbours
    dravel::Format format = dravel::Format::OneLine;
    unsigned oem = 0; // dictd and StarDict: write the article in this console code page (0: UTF-8)
};

void Usage(FILE* to) {
    fprintf(to, "usage: dravel-cli [options] index DICT\n"
                "       dravel-cli [options] candidates DICT KEYWORD\n"
                "       dravel-cli [options] article DICT HEADWORD\n"
                "\n"
                "  index       build DICT.hsh anew and print its number of entries (runs)\n"
                "  candidates  list the headwords KEYWORD begins, with their offsets (one-line form;\n"
                "              its index is built first when it is missing, as the provider does) or\n"
                "              their numbers (dictd, StarDict: those equal to KEYWORD first)\n"
                "  article     print the article of HEADWORD as the result file has it: the candidate\n"
                "              equal to it, or the only candidate\n"
                "\n"
                "  --format oneline|dictd|stardict  the dictionary's format; by default the file's\n"
                "                           name tells (.index: dictd; .ifo, .idx, .syn: StarDict;\n"
                "                           .dict, .dict.dz: whichever description lies beside it)\n"
                "  --codepage cp866|cp1251  one-line form: the dictionary's code page for\n"
                "                           case-insensitive comparison (default cp866)\n"
                "  --utf8                   one-line form: keywords are UTF-8 and output is\n"
                "                           converted to UTF-8 (dictd and StarDict speak UTF-8)\n"
                "  --oem=CODEPAGE           dictd and StarDict: write the article in the console\n"
                "                           code page (437, 850, 852, 866) as Dravel.lvx does,\n"
                "                           stand-ins for what it lacks (default: UTF-8)\n"
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

// dictd and StarDict: the keyword is UTF-8 as the terminal gives it (a dictd dictionary that is
// not UTF-8 gets the bytes as they are).
int ShippedCommand(const Settings& s, bool article, const char* dict, const std::string& keyword) {
    dravel::ShippedLookup lookup;
    std::vector<std::string> headwords;
    bool more = false;
    dravel::Error error = lookup.Open(dict, s.format);
    if (error == dravel::Error::None) error = lookup.Find(keyword, &headwords, &more);
    if (error != dravel::Error::None) return Fail(dict, error);
    if (headwords.empty()) {
        fprintf(stderr, "dravel-cli: no headword begins with \"%s\"\n", keyword.c_str());
        return 1;
    }
    if (!article) {
        for (size_t i = 0; i < headwords.size(); ++i)
            printf("%s\t%zu\n", headwords[i].c_str(), i);
        if (more)
            fprintf(stderr, "dravel-cli: the list stops at %zu headwords; more begin with \"%s\"\n",
                    headwords.size(), keyword.c_str());
        return 0;
    }
    size_t chosen = headwords.size();
    for (size_t i = 0; i < headwords.size() && chosen == headwords.size(); ++i)
        if (lookup.IsExact(i) || headwords.size() == 1) chosen = i;
    if (chosen == headwords.size()) {
        fprintf(stderr, "dravel-cli: %zu headwords begin with \"%s\"; name one of them:\n", headwords.size(),
                keyword.c_str());
        for (const std::string& h : headwords)
            fprintf(stderr, "  %s\n", h.c_str());
        return 1;
    }
    TextTarget target;
    if (s.oem) InitTextTarget(&target, BuiltInUpperHalf(s.oem));
    std::string bytes, file;
    if (lookup.Utf8()) {
        std::u32string text;
        error = lookup.Text(chosen, s.oem ? &target : nullptr, &text);
        bytes = s.oem ? dravel::ResultBytes(text, &target) : TextAsUtf8(text);
        file = dravel::ResultBytes(text, s.oem ? &target : nullptr);
    } else {
        error = lookup.Bytes(chosen, &bytes);
        file = bytes;
    }
    if (error != dravel::Error::None) return Fail(dict, error);
    fwrite(bytes.data(), 1, bytes.size(), stdout);
    if (s.result) {
        std::string folder, path;
        if (!dravel::MakeTempFolder("LUMV", &folder))
            return Fail("temporary folder", dravel::Error::CreateResult);
        error = dravel::WriteResultBytes(folder.c_str(), file, &path);
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
        } else if (strcmp(a, "--format") == 0 || strncmp(a, "--format=", 9) == 0) {
            const char* name = a[8] == '=' ? a + 9 : (i + 1 < argc ? argv[++i] : "");
            s.detect = false;
            if (strcmp(name, "oneline") == 0) {
                s.format = dravel::Format::OneLine;
            } else if (strcmp(name, "dictd") == 0) {
                s.format = dravel::Format::Dictd;
            } else if (strcmp(name, "stardict") == 0) {
                s.format = dravel::Format::StarDict;
            } else {
                fprintf(stderr, "dravel-cli: unknown format %s (oneline, dictd or stardict)\n", name);
                return 2;
            }
        } else if (strncmp(a, "--oem=", 6) == 0) {
            s.oem = (unsigned)strtoul(a + 6, nullptr, 10);
            if (!BuiltInUpperHalf(s.oem) || s.oem >= 1250) {
                fprintf(stderr, "dravel-cli: unknown console code page %s (437, 850, 852 or 866)\n", a + 6);
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
    if (args.size() == 3 && s.detect) s.format = dravel::DetectFormat(args[1]);
    if (args.size() == 3 && s.format != dravel::Format::OneLine) {
        if (!*args[2]) {
            fprintf(stderr, "dravel-cli: the keyword is empty\n");
            return 2;
        }
        if (strcmp(args[0], "candidates") == 0) return ShippedCommand(s, false, args[1], args[2]);
        if (strcmp(args[0], "article") == 0) return ShippedCommand(s, true, args[1], args[2]);
    }
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
