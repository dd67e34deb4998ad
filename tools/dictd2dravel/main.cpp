// dictd2dravel: the command that makes a dictionary for the Dravel provider out of a dictd one.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "convert.h"

namespace {

void Usage(FILE* to) {
    fprintf(to,
            "usage: dictd2dravel [--codepage cp866|cp1251] [--plain] [--limit N] SOURCE OUTPUT\n"
            "\n"
            "Turns a dictd dictionary into the one-line form the Dravel provider reads: a short\n"
            "header, then one article per line (\"headword  text\"), CR LF line ends, in an 8-bit\n"
            "code page. Articles keep the source's order.\n"
            "\n"
            "  SOURCE      the dictd dictionary: its .index, .dict or .dict.dz file, or their\n"
            "              common path without the extension\n"
            "  OUTPUT      the file to write, e.g. Dravel.txt\n"
            "  --codepage  cp866 (the default, the console's code page) or cp1251\n"
            "  --plain     only join the lines; by default a line that starts a sense \"1)\" or a\n"
            "              lettered sub-sense \"a)\" gets the marker \"1>\" or \"a>\" that the\n"
            "              article layout breaks at (\"_I\", \"_II\" and \"1.\" stay as they are)\n"
            "  --limit N   keep only the first N articles of the source: a sample\n"
            "\n"
            "The provider's index wants the body to start with a line beginning \"'c\" and all\n"
            "lines with the same first two characters (case ignored) together. Where the source\n"
            "does not follow that, a line \"'c\" starts the body and stray articles join their\n"
            "run; stderr says what was done.\n"
            "\n%s",
            dictd2dravel::StandInTable());
}

} // namespace

int main(int argc, char** argv) {
    dictd2dravel::Options options;
    const char* paths[2] = {nullptr, nullptr};
    int count = 0;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (strcmp(a, "--help") == 0 || strcmp(a, "-h") == 0) {
            Usage(stdout);
            return 0;
        } else if (strcmp(a, "--plain") == 0) {
            options.markers = false;
        } else if (strcmp(a, "--limit") == 0 && i + 1 < argc) {
            options.limit = atol(argv[++i]);
            if (options.limit <= 0) {
                fprintf(stderr, "dictd2dravel: --limit wants a positive number\n");
                return 2;
            }
        } else if (strcmp(a, "--codepage") == 0 || strncmp(a, "--codepage=", 11) == 0) {
            const char* name = a[10] == '=' ? a + 11 : (i + 1 < argc ? argv[++i] : nullptr);
            if (!dravel::ParseCodePage(name, &options.codePage)) {
                fprintf(stderr, "dictd2dravel: unknown code page %s (cp866 or cp1251)\n",
                        name ? name : "(none)");
                return 2;
            }
        } else if (a[0] == '-' && a[1] != '\0') {
            fprintf(stderr, "dictd2dravel: unknown option %s\n", a);
            Usage(stderr);
            return 2;
        } else if (count < 2) {
            paths[count++] = a;
        } else {
            Usage(stderr);
            return 2;
        }
    }
    if (count != 2) {
        Usage(stderr);
        return 2;
    }
    dictd2dravel::Report report;
    std::string error;
    if (!dictd2dravel::Convert(paths[0], paths[1], options, &report, &error)) {
        fprintf(stderr, "dictd2dravel: %s\n", error.c_str());
        return 1;
    }
    for (const std::string& note : report.notes)
        fprintf(stderr, "dictd2dravel: %s\n", note.c_str());
    printf("%s: %ld articles, %lld bytes, %ld runs (%s)\n", paths[1], report.articles,
           (long long)report.bytes, report.runs, dravel::CodePageName(options.codePage));
    return 0;
}
