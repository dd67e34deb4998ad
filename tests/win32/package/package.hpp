// Shared by the release zip's Wine tests: the unpacked package's files and their bytes.
#pragma once

#include "host.hpp"
#include "lng.hpp"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

// Every file below folder, as paths relative to it ("Lumivo\lvx\Kestro.lvx"), sorted.
inline void CollectFiles(const std::string& folder, const std::string& prefix,
                         std::vector<std::string>* out) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            CollectFiles(folder + "\\" + name, prefix + name + "\\", out);
        else
            out->push_back(prefix + name);
    } while (FindNextFileA(find, &data));
    FindClose(find);
}

inline std::vector<std::string> PackageFiles(const std::string& folder) {
    std::vector<std::string> files;
    CollectFiles(folder, "", &files);
    std::sort(files.begin(), files.end());
    EXPECT_FALSE(files.empty()) << folder << " holds nothing";
    return files;
}

inline std::string ReadText(const std::string& path) {
    std::string bytes;
    EXPECT_TRUE(farhost::Host::ReadFile(path, &bytes)) << path;
    return bytes;
}
