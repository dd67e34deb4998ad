// Test helpers over the real CHM fixtures and the expected objects recorded by the
// independent reader (tests/data/chm/expected.tsv and the fetched Debian CHMs).
#pragma once

#include <map>
#include <string>
#include <vector>

#include "chm_builder.h"
#include "chm/container.h"

struct ExpectedObject {
    std::string Name;
    uint32_t Length;
    std::string Sha256;
};

// FILE -> its objects, from a manifest of FILE <TAB> NAME <TAB> LENGTH <TAB> SHA256 lines.
std::map<std::string, std::vector<ExpectedObject>> LoadManifest(const std::string& path);

std::string FixtureDir();                                         // tests/data/chm in the source tree
std::string FixturePath(const std::string& name);                 // a file in it
Bytes ReadWholeFile(const std::string& path);                     // gunzipped when the name ends in ".gz"
bool WriteWholeFile(const std::string& path, const Bytes& bytes); // gzipped when it ends in ".gz"

// Opens a container over bytes in memory (the bytes must outlive it).
ChmContainer* OpenBytes(const Bytes& bytes);

// Reads an object into a string; false when ReadObject fails.
bool ReadString(ChmContainer* container, const std::string& name, std::string* out);
