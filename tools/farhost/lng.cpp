// Far's language and help files as the stand-in host reads them: the choice of
// file by its ".Language=" line and the parsing of messages and help topics.
#include "lng.hpp"

#include "fsf.hpp"

#include <windows.h>
#include <string.h>

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t';
}

bool ReadWholeFile(const std::string& path, std::string* text) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size;
    // Language and help files are small; anything past 64 MB is not one.
    bool ok = GetFileSizeEx(h, &size) && size.QuadPart <= (64 << 20);
    if (ok) {
        text->resize(static_cast<size_t>(size.QuadPart));
        DWORD got = 0;
        ok = text->empty() || (ReadFile(h, &(*text)[0], static_cast<DWORD>(text->size()), &got, nullptr) &&
                               got == text->size());
    }
    CloseHandle(h);
    return ok;
}

// Lines without their end-of-line characters (\n, \r\n or a lone \r).
std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ++end;
        start = end + 1;
    }
    return lines;
}

std::string TrimRight(std::string s) {
    while (!s.empty() && IsSpace(s.back()))
        s.pop_back();
    return s;
}

std::string Trim(const std::string& s) {
    size_t b = 0;
    while (b < s.size() && IsSpace(s[b]))
        ++b;
    return TrimRight(s.substr(b));
}

bool StartsWithNoCase(const std::string& s, const char* prefix) {
    size_t n = strlen(prefix);
    if (s.size() < n) return false;
    for (size_t i = 0; i < n; ++i)
        if (FarLowerOem(static_cast<unsigned char>(s[i])) !=
            FarLowerOem(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

bool EqualNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && StartsWithNoCase(a, b.c_str());
}

// The language name of a text: the ".Language=" line before any "@Contents" line.
std::string LanguageOfText(const std::string& text) {
    for (const std::string& line : SplitLines(text)) {
        if (StartsWithNoCase(line, ".Language=")) {
            std::string value = line.substr(10);
            size_t comma = value.find(',');
            if (comma != std::string::npos) value.erase(comma);
            return TrimRight(value);
        }
        if (StartsWithNoCase(line, "@Contents")) break;
    }
    return std::string();
}

std::string Unescape(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size();) {
        char c = s[i];
        if (c == '\\' && i + 1 < s.size()) {
            char e = s[i + 1];
            const char* from = "\\\"nrbt";
            const char* to = "\\\"\n\r\b\t";
            const char* hit = strchr(from, e);
            if (hit && e) {
                out += to[hit - from];
                i += 2;
                continue;
            }
        }
        out += c;
        i += (c == '"' && i + 1 < s.size() && s[i + 1] == '"') ? 2 : 1;
    }
    return out;
}

} // namespace

std::string FarReadLanguageName(const std::string& path) {
    std::string text;
    return ReadWholeFile(path, &text) ? LanguageOfText(text) : std::string();
}

std::string FarPickLanguageFile(const std::string& folder, const char* pattern, const std::string& language) {
    std::string dir = folder;
    if (!dir.empty() && dir.back() != '\\' && dir.back() != '/') dir += '\\';
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA((dir + pattern).c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) return std::string();
    std::string english, last;
    do {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        std::string path = dir + data.cFileName;
        std::string text;
        if (!ReadWholeFile(path, &text)) continue;
        last = path;
        std::string name = LanguageOfText(text);
        if (EqualNoCase(name, language)) {
            FindClose(h);
            return path;
        }
        if (EqualNoCase(name, "English")) english = path;
    } while (FindNextFileA(h, &data));
    FindClose(h);
    return english.empty() ? last : english;
}

std::vector<std::string> FarParseLng(const std::string& text) {
    std::vector<std::string> messages;
    for (const std::string& raw : SplitLines(text)) {
        std::string line = Trim(raw);
        if (line.empty() || line[0] != '"') continue;
        std::string body = line.substr(1);
        if (!body.empty() && body.back() == '"') body.pop_back();
        messages.push_back(Unescape(body));
    }
    return messages;
}

bool FarLoadLng(const std::string& path, std::vector<std::string>* messages) {
    std::string text;
    if (!ReadWholeFile(path, &text)) return false;
    *messages = FarParseLng(text);
    return true;
}

const HlfTopic* HlfFile::Find(const char* name) const {
    if (!name) return nullptr;
    for (const HlfTopic& t : Topics)
        if (EqualNoCase(t.Name, name)) return &t;
    return nullptr;
}

HlfFile FarParseHlf(const std::string& text) {
    HlfFile file;
    file.Language = LanguageOfText(text);
    HlfTopic* topic = nullptr;
    bool inHeader = false;
    for (const std::string& raw : SplitLines(text)) {
        std::string line = TrimRight(raw);
        bool reflowSwitch = line.size() >= 2 && line[0] == '@' && (line[1] == '+' || line[1] == '-');
        if (!line.empty() && line[0] == '@' && !reflowSwitch) {
            file.Topics.push_back(HlfTopic());
            topic = &file.Topics.back();
            topic->Name = line.substr(1);
            inHeader = true;
            continue;
        }
        if (!topic) {
            if (StartsWithNoCase(line, ".PluginContents="))
                file.PluginContents = line.substr(16);
            else if (!line.empty() && line[0] == '.' && !StartsWithNoCase(line, ".Language="))
                file.Options.push_back(line);
            continue;
        }
        if (inHeader && !line.empty() && line[0] == '$') {
            size_t skip = line.size() > 1 && line[1] == ' ' ? 2 : 1;
            topic->Header.push_back(line.substr(skip));
            continue;
        }
        inHeader = false;
        topic->Lines.push_back(line);
    }
    return file;
}

bool FarLoadHlf(const std::string& path, HlfFile* out) {
    std::string text;
    if (!ReadWholeFile(path, &text)) return false;
    *out = FarParseHlf(text);
    return true;
}
