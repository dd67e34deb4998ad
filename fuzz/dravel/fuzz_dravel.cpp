// fuzz_dravel: the dictionary core over arbitrary bytes: the line reader held against the
// literal one-read-per-line reader, the index built or taken as given, the lookup, and the
// layout of every candidate.
//
// Input: byte 0 flags (bit 0: an index file is given; bits 1-2: which candidate the menu picks),
// byte 1 keyword length k (mod 16), bytes 2-3 index length n (little-endian, cut to what is
// there), then k keyword bytes, n index bytes, and the rest is the dictionary.
#include <dirent.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "article.h"
#include "codepage.h"
#include "fileio.h"
#include "linereader.h"
#include "literal_reader.h"
#include "lookup.h"

namespace {

std::string g_dir;

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

void WriteAll(const std::string& path, const uint8_t* data, size_t size) {
    dravel::File f;
    Check(f.Create(path.c_str()));
    Check(f.Write(data, size));
    f.Close();
}

// Lines no longer than the literal reader's buffer must read the same both ways.
void CompareReaders(const std::string& path, const uint8_t* data, size_t size) {
    size_t run = 0;
    for (size_t i = 0; i < size; ++i) {
        run = (data[i] == '\r' || data[i] == '\n') ? 0 : run + 1;
        if (run >= 200) return;
    }
    dravel::File a, b;
    Check(a.OpenRead(path.c_str()) && b.OpenRead(path.c_str()));
    dravel::LineReader reader(a);
    char buffered[256], literal[256];
    size_t stored;
    int length;
    int64_t position = 0;
    for (;;) {
        Check(reader.Tell() == position || reader.Tell() == (int64_t)size);
        bool x = reader.ReadLine(buffered, 250, &stored);
        bool y = LiteralReadLine(b, &position, literal, 252, &length);
        Check(x == y);
        if (!x) break;
        Check(stored == (size_t)length && memcmp(buffered, literal, stored) == 0);
    }
}

struct Host {
    int pick;
};

int Choose(void* context, const dravel::Candidate*, size_t count, bool, const char*, const char*) {
    int pick = static_cast<Host*>(context)->pick;
    return pick == 3 ? -1 : (int)((size_t)pick % count);
}

bool MakeFolder(void*, char* folder, size_t size) {
    if (g_dir.size() + 8 >= size) return false;
    strcpy(folder, (g_dir + "/result").c_str());
    return true;
}

// Nothing but the dictionary, its index and the result folder's one file may be written.
void CheckFolders() {
    for (const char* folder : {"", "/result"}) {
        DIR* dir = opendir((g_dir + folder).c_str());
        Check(dir != nullptr);
        while (dirent* entry = readdir(dir)) {
            std::string name = entry->d_name;
            bool known =
                name == "." || name == ".." ||
                (*folder ? name == "Dravel.txt" : name == "d.txt" || name == "d.txt.hsh" || name == "result");
            Check(known);
        }
        closedir(dir);
    }
}

void CheckLayout(const std::string& line) {
    std::string text;
    dravel::LayoutArticle(line.data(), line.size(), &text);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        Check(end - start <= 76 + 2);
        start = end + 2;
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    Check(dravel::MakeTempFolder("fuzz-dravel-", &g_dir));
    Check(dravel::MakeFolder((g_dir + "/result").c_str()));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    dravel::ResetIndexChecks(); // each input a run of its own
    int flags = data[0];
    size_t k = data[1] % 16;
    size_t n = (size_t)data[2] | (size_t)data[3] << 8;
    data += 4;
    size -= 4;
    if (k > size) k = size;
    std::string keyword((const char*)data, k);
    keyword = keyword.substr(0, strlen(keyword.c_str()));
    data += k;
    size -= k;
    if (n > size) n = size;
    const uint8_t* index = data;
    const uint8_t* dict = data + n;
    size_t dictSize = size - n;

    std::string path = g_dir + "/d.txt";
    std::string indexPath = dravel::IndexPath(path.c_str());
    std::string resultPath = g_dir + "/result/Dravel.txt";
    WriteAll(path, dict, dictSize);
    dravel::RemoveFile(indexPath.c_str());
    dravel::RemoveFile(resultPath.c_str());
    if (flags & 1) WriteAll(indexPath, index, n);

    CompareReaders(path, dict, dictSize);

    Host host{(flags >> 1) & 3};
    dravel::LookupHost lookupHost{
        dravel::CompareNoCase866, {nullptr, nullptr, nullptr}, Choose, MakeFolder, &host};
    dravel::LookupResult result = dravel::RunLookup(path.c_str(), keyword.c_str(), lookupHost);
    if (result.outcome == dravel::Outcome::Written) Check(result.path == resultPath);
    CheckFolders();

    dravel::Lookup lookup(dravel::CompareNoCase866);
    std::vector<dravel::Candidate> candidates;
    bool more = false;
    if (lookup.Open(path.c_str(), keyword.c_str()) != dravel::Error::None) return 0;
    if (lookup.Collect(&candidates, &more) != dravel::Error::None) return 0;
    std::string padded = lookup.Keyword();
    for (const dravel::Candidate& c : candidates) {
        // A candidate always starts a line of the dictionary and begins with the keyword.
        Check(c.offset < dictSize);
        Check(c.offset == 0 || dict[c.offset - 1] == '\r' || dict[c.offset - 1] == '\n');
        std::string line;
        Check(lookup.ReadArticle(c.offset, &line) == dravel::Error::None);
        Check(line.size() >= padded.size() &&
              dravel::CompareNoCase866(line.c_str(), padded.c_str(), (int)padded.size()) == 0);
        CheckLayout(line);
    }
    return 0;
}
