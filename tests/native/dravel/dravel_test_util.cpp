// Scratch folders, files and the recording host for the dictionary core's tests.
#include "dravel_test_util.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <filesystem>

#include <gtest/gtest.h>

#include "codepage.h"
#include "fileio.h"

namespace dravel_test {

TempDir::TempDir() {
    if (!dravel::MakeTempFolder("dravel-test-", &path_)) ADD_FAILURE() << "cannot make a scratch folder";
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::File(const char* name) const {
    return path_ + dravel::PathSeparator() + name;
}

std::vector<std::string> TempDir::List() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    ASSERT_EQ(fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
    fclose(f);
}

std::string SystemFile(const std::string& path) {
#ifdef _WIN32
    return "Z:" + path;
#else
    return path;
#endif
}

std::string ReadFile(const std::string& path) {
    std::string out;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return out;
    char chunk[65536];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, f)) > 0)
        out.append(chunk, got);
    fclose(f);
    return out;
}

bool FileExists(const std::string& path) {
    FILE* f = fopen(path.c_str(), "rb");
    if (f) fclose(f);
    return f != nullptr;
}

std::string Lines(std::initializer_list<const char*> lines, const char* eol) {
    std::string out;
    for (const char* line : lines) {
        out += line;
        out += eol;
    }
    return out;
}

long OffsetOf(const std::string& bytes, const char* text) {
    size_t at = bytes.find(text);
    EXPECT_NE(at, std::string::npos) << text;
    return (long)at;
}

namespace {

void NoticeBegin(void* context) {
    ++static_cast<RecordingHost*>(context)->noticeBegins;
}
void NoticeEnd(void* context) {
    ++static_cast<RecordingHost*>(context)->noticeEnds;
}

int Choose(void* context, const dravel::Candidate* candidates, size_t count, bool more, const char*,
           const char* name) {
    auto* self = static_cast<RecordingHost*>(context);
    ++self->menus;
    self->more = more;
    self->name = name;
    self->menu.clear();
    for (size_t i = 0; i < count; ++i)
        self->menu.push_back(candidates[i].text);
    return self->choice;
}

bool MakeFolder(void* context, char* folder, size_t size) {
    auto* self = static_cast<RecordingHost*>(context);
    if (self->folder.empty() || self->folder.size() >= size) return false;
    strcpy(folder, self->folder.c_str());
    return true;
}

} // namespace

RecordingHost::RecordingHost(const std::string& resultFolder) : folder(resultFolder) {
    host.compare = dravel::CompareNoCase866;
    host.notice = {NoticeBegin, NoticeEnd, this};
    host.choose = Choose;
    host.makeFolder = MakeFolder;
    host.context = this;
}

dravel::LookupResult Ask(RecordingHost* host, const std::string& dictionary, const char* keyword,
                         dravel::Format format) {
    return dravel::RunLookup(dictionary.c_str(), keyword, host->host, format);
}

} // namespace dravel_test
