// Far's language (.lng) and help (.hlf) files: which file of a folder Far picks for
// a language, and how it reads messages and help topics from it. Plain C++ over
// the Win32 file functions (names are OEM inside the host, like inside Far).
#pragma once

#include <string>
#include <vector>

// The language name of a file: the text after ".Language=" up to the comma,
// trimmed. Empty when the file has no such line (for .hlf files Far stops looking
// at the "@Contents" topic line, so a later .Language does not count).
std::string FarReadLanguageName(const std::string& path);

// Lists files matching pattern ("*.lng" or "*.hlf") directly in folder (no
// subfolders), in the order the file system reports them, and picks the one whose
// language equals language (case-insensitive); else the English one; else the last
// listed. Returns the full path, or "" when the folder has no such file.
std::string FarPickLanguageFile(const std::string& folder, const char* pattern, const std::string& language);

// Messages of a .lng text: each line that starts with '"' after trimming spaces
// and tabs is one message, between its first and final '"'; escapes \n \r \t \b
// \\ \" and "" (a quote). Other lines are skipped.
std::vector<std::string> FarParseLng(const std::string& text);
// Reads and parses a .lng file; false when it cannot be read.
bool FarLoadLng(const std::string& path, std::vector<std::string>* messages);

struct HlfTopic {
    std::string Name;                // text after '@' on the topic line
    std::vector<std::string> Header; // the '$' lines right after it, '$' and one space removed
    std::vector<std::string> Lines;  // the rest of the topic's lines, as written
};

struct HlfFile {
    std::string Language;             // from .Language= before @Contents ("" if none)
    std::vector<std::string> Options; // .Options and other dot lines before the first topic
    std::string PluginContents;       // .PluginContents= title, if any
    std::vector<HlfTopic> Topics;

    // Case-insensitive (Far's OEM table) lookup; null when absent.
    const HlfTopic* Find(const char* name) const;
};

// Topics of a .hlf text: "@Name" lines start a topic, which runs to the next line
// starting with '@' other than "@+" / "@-".
HlfFile FarParseHlf(const std::string& text);
// Reads and parses a .hlf file; false when it cannot be read.
bool FarLoadHlf(const std::string& path, HlfFile* out);
