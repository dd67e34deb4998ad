// Helpers of the dictionary core's tests: a scratch folder per test, whole-file read and write,
// dictionaries assembled from lines, and the lookup run with a recording host.
#pragma once

#include <stddef.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "lookup.h"

namespace dravel_test {

class TempDir {
  public:
    TempDir();
    ~TempDir();
    const std::string& Path() const { return path_; }
    std::string File(const char* name) const;
    // Names of the entries in the folder, sorted.
    std::vector<std::string> List() const;

  private:
    std::string path_;
};

void WriteFile(const std::string& path, const std::string& bytes);
// A file of the machine's own installed packages ("/usr/share/..."), as this build names it (under
// Wine, on drive Z:).
std::string SystemFile(const std::string& path);
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);

// The lines joined, each followed by eol.
std::string Lines(std::initializer_list<const char*> lines, const char* eol = "\r\n");

// Offset of the first occurrence of text in bytes (which must hold it).
long OffsetOf(const std::string& bytes, const char* text);

// A lookup host that records what the front would see: notices, the menu's items, the folder.
struct RecordingHost {
    dravel::LookupHost host;
    int noticeBegins = 0;
    int noticeEnds = 0;
    std::vector<std::string> menu; // items of the last menu shown
    int menus = 0;
    int choice = 0;     // what the menu answers; negative cancels
    bool more = false;  // the last menu was cut at the candidate limit
    std::string name;   // the dictionary's name the last menu was given
    std::string folder; // folder handed out by makeFolder; empty makes it fail
    explicit RecordingHost(const std::string& resultFolder);
};

dravel::LookupResult Ask(RecordingHost* host, const std::string& dictionary, const char* keyword,
                         dravel::Format format = dravel::Format::OneLine);

} // namespace dravel_test
