// dictd to Dravel: turns a dictd dictionary (.index with base64 offsets, .dict or dictzip'ed
// .dict.dz) into the one-line form the dictionary provider reads: a short header, then one
// article per line, "headword  text", in an 8-bit code page, with CR LF line ends.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "codepage.h"

namespace dictd2dravel {

struct Options {
    dravel::CodePage codePage = dravel::CodePage::Cp866;
    bool markers = true; // senses "1)" become "1>", lettered sub-senses "а)" become "а>"
    long limit = 0;      // keep only the first articles, in source order (0: all): a sample
};

struct Report {
    long articles = 0;              // article lines written (the inserted body start not counted)
    long runs = 0;                  // index entries the provider will build
    int64_t bytes = 0;              // size of the written file
    long moved = 0;                 // articles moved to join the earlier lines of their run
    bool startInserted = false;     // a line "'c" was put at the top of the body
    long longLines = 0;             // articles longer than 10240 bytes
    long standIns = 0;              // characters written as a stand-in
    long unknown = 0;               // characters written as "?"
    long skipped = 0;               // index lines that could not be used
    std::vector<std::string> notes; // what was done, for stderr
};

// The stand-in table as text, for --help.
const char* StandInTable();

// Converts UTF-8 text (invalid bytes are taken as Latin-1) to the code page. Characters the code
// page lacks become their stand-in, or "?" when they have none; control characters become spaces.
std::string Encode(const std::string& utf8, dravel::CodePage cp, Report* report);

// One article: the dictd text (its lines, the first usually the headword) made into one line
// without a line end. headword is the index's headword (UTF-8).
std::string ConvertArticle(const std::string& headword, const std::string& text, const Options& options,
                           Report* report);

// Makes the body satisfy the index: the first line begins with "'c" (a line "'c" is inserted
// when it does not) and all lines whose first two bytes are equal without regard to case stand
// together (later lines join their run's first appearance, order kept within a run).
void GroupRuns(std::vector<std::string>* body, dravel::CodePage cp, Report* report);

// The number of index entries the provider writes for this body.
long CountRuns(const std::vector<std::string>& body, dravel::CodePage cp);

// Decodes a dictd base64 number; false on a bad character or a value above 2^40.
bool DecodeBase64(const std::string& text, uint64_t* value);

// source: the .index, .dict or .dict.dz file, or their common path without the extension.
bool Convert(const char* source, const char* output, const Options& options, Report* report,
             std::string* error);

} // namespace dictd2dravel
