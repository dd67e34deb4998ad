// farhost.exe: runs a plug-in from a plug-in folder through a script and prints
// the transcript of what a Far user would have seen.
//   farhost.exe --plugins DIR --script FILE [--lang English|Russian] [--transcript OUT] [--oem]
#include "host.hpp"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// The transcript is in the OEM code page like Far's screen; a terminal wants UTF-8.
std::string OemToUtf8(const std::string& s) {
    if (s.empty()) return s;
    int n = MultiByteToWideChar(CP_OEMCP, 0, s.data(), (int)s.size(), nullptr, 0);
    std::wstring w(n, L'\0');
    MultiByteToWideChar(CP_OEMCP, 0, s.data(), (int)s.size(), &w[0], n);
    int m = WideCharToMultiByte(CP_UTF8, 0, w.data(), n, nullptr, 0, nullptr, nullptr);
    std::string out(m, '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), n, &out[0], m, nullptr, nullptr);
    return out;
}

int Usage() {
    fprintf(stderr,
            "usage: farhost.exe --plugins DIR --script FILE [--lang English|Russian] [--transcript OUT] "
            "[--oem]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    // The C runtime leaves standard output unbuffered, and writes such a stream a character a call
    // (each a Wine server request): buffered, each transcript line is one write, flushed at once.
    setvbuf(stdout, nullptr, _IOFBF, 1 << 16);
    std::string plugins, script, lang, out;
    bool oem = false;
    for (int i = 1; i < argc; i++) {
        std::string a = argv[i];
        auto next = [&](std::string* v) {
            if (i + 1 >= argc) return false;
            *v = argv[++i];
            return true;
        };
        if (a == "--plugins") {
            if (!next(&plugins)) return Usage();
        } else if (a == "--script") {
            if (!next(&script)) return Usage();
        } else if (a == "--lang") {
            if (!next(&lang)) return Usage();
        } else if (a == "--transcript") {
            if (!next(&out)) return Usage();
        } else if (a == "--oem")
            oem = true;
        else
            return Usage();
    }
    if (plugins.empty() || script.empty()) return Usage();

    // Before SetFileApisToOEM (in Host) the command line's names are ANSI.
    std::string text;
    if (!farhost::Host::ReadFile(farhost::Host::WindowsPath(script), &text)) {
        fprintf(stderr, "farhost: cannot read %s\n", script.c_str());
        return 2;
    }
    FILE* file = nullptr;
    if (!out.empty() && !(file = fopen(farhost::Host::WindowsPath(out).c_str(), "wb"))) {
        fprintf(stderr, "farhost: cannot write %s\n", out.c_str());
        return 2;
    }
    farhost::Host host;
    host.SetTranscriptSink([&](const std::string& line) {
        std::string shown = (oem ? line : OemToUtf8(line)) + "\n";
        fwrite(shown.data(), 1, shown.size(), stdout);
        fflush(stdout);
        if (file) fwrite(shown.data(), 1, shown.size(), file);
    });
    if (!lang.empty()) host.SetLanguage(lang);
    std::string error;
    bool ok = host.RunScript(text, plugins, &error);
    std::string summary = "farhost: " + std::to_string(host.Errors().size()) + " errors, " +
                          std::to_string(host.Warnings().size()) + " warnings";
    printf("%s\n", summary.c_str());
    if (file) {
        fprintf(file, "%s\n", summary.c_str());
        fclose(file);
    }
    return ok && host.Errors().empty() ? 0 : 1;
}
