// The release zip as a user gets it, unpacked into an empty folder: the files it holds and
// where, the version that every library's version resource and every document names, and the
// line ends of the documents a user opens in Notepad.
#include "package.hpp"

#include <windows.h>

#include <stdio.h>

namespace {

std::string Unpacked(const std::string& relative = "") {
    return farhost::Host::WindowsPath(UNPACKED_DIR) + (relative.empty() ? "" : "\\" + relative);
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// What the archive may hold, and what it must hold.
TEST(ReleaseZip, HoldsThePackageLaidOutForFarsPluginsFolder) {
    std::vector<std::string> files = PackageFiles(Unpacked());
    const std::vector<std::string> required = {"file_id.diz",
                                               "Lumivo\\Lumivo.dll",
                                               "Lumivo\\LumivoEng.lng",
                                               "Lumivo\\LumivoRus.lng",
                                               "Lumivo\\LumivoEng.hlf",
                                               "Lumivo\\LumivoRus.hlf",
                                               "Lumivo\\ReadMeEng.txt",
                                               "Lumivo\\ReadMeRus.txt",
                                               "Lumivo\\Changelog.txt",
                                               "Lumivo\\Tools\\dictd2dravel.exe",
                                               "Lumivo\\lvx\\Kestro.lvx",
                                               "Lumivo\\lvx\\Kestro.lvg",
                                               "Lumivo\\lvx\\Dravel.lvx",
                                               "Lumivo\\lvx\\Dravel.lvg",
                                               "Lumivo\\lvx\\Ornith.lvx",
                                               "Lumivo\\lvx\\Ornith.lvg",
                                               "Lumivo\\lvx\\Vessik.lvx",
                                               "Lumivo\\lvx\\Quapla.lvx"};
    for (const std::string& file : required)
        EXPECT_NE(std::find(files.begin(), files.end(), file), files.end()) << file;
    for (const std::string& file : files) {
        bool known = std::find(required.begin(), required.end(), file) != required.end();
        bool module = file.rfind("Lumivo\\lvx\\", 0) == 0 && file.find('\\', 11) == std::string::npos &&
                      (EndsWith(file, ".lvx") || EndsWith(file, ".lvg"));
        EXPECT_TRUE(known || module) << "does not belong in the package: " << file;
        // A module's texts beside a module that is not there would never be read.
        if (EndsWith(file, ".lvg")) {
            std::string lvx = file.substr(0, file.size() - 3) + "lvx";
            EXPECT_NE(std::find(files.begin(), files.end(), lvx), files.end()) << file;
        }
    }
    std::string listing;
    for (const std::string& file : files)
        listing += "  " + file + "\n";
    printf("%s", listing.c_str());
}

// The numbers and texts of the version resource (VERSIONINFO) that Windows' file properties show.
struct VersionResource {
    bool Found = false;
    DWORD FileMS = 0, FileLS = 0, ProductMS = 0, ProductLS = 0;
    std::string FileVersion, ProductVersion, ProductName, OriginalFilename, FileDescription;
};

VersionResource ReadVersionResource(const std::string& path) {
    VersionResource out;
    DWORD handle = 0, size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    if (!size) return out;
    std::vector<char> block(size);
    if (!GetFileVersionInfoA(path.c_str(), 0, size, block.data())) return out;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), "\\", (void**)&fixed, &length) || length < sizeof *fixed) return out;
    out.Found = fixed->dwSignature == VS_FFI_SIGNATURE;
    out.FileMS = fixed->dwFileVersionMS;
    out.FileLS = fixed->dwFileVersionLS;
    out.ProductMS = fixed->dwProductVersionMS;
    out.ProductLS = fixed->dwProductVersionLS;
    auto text = [&](const char* name) {
        char* value = nullptr;
        UINT n = 0;
        std::string query = std::string("\\StringFileInfo\\040904E4\\") + name;
        if (!VerQueryValueA(block.data(), query.c_str(), (void**)&value, &n) || !value) return std::string();
        return std::string(value, strnlen(value, n));
    };
    out.FileVersion = text("FileVersion");
    out.ProductVersion = text("ProductVersion");
    out.ProductName = text("ProductName");
    out.OriginalFilename = text("OriginalFilename");
    out.FileDescription = text("FileDescription");
    return out;
}

TEST(ReleaseZip, EveryLibraryAndProgramCarriesTheVersion) {
    const DWORD ms = MAKELONG(LUMIVO_VERSION_MINOR, LUMIVO_VERSION_MAJOR),
                ls = MAKELONG(0, LUMIVO_VERSION_PATCH);
    int binaries = 0;
    for (const std::string& file : PackageFiles(Unpacked())) {
        if (!EndsWith(file, ".dll") && !EndsWith(file, ".lvx") && !EndsWith(file, ".exe")) continue;
        SCOPED_TRACE(file);
        binaries++;
        VersionResource version = ReadVersionResource(Unpacked(file));
        ASSERT_TRUE(version.Found);
        EXPECT_EQ(ms, version.FileMS);
        EXPECT_EQ(ls, version.FileLS);
        EXPECT_EQ(ms, version.ProductMS);
        EXPECT_EQ(ls, version.ProductLS);
        EXPECT_EQ(LUMIVO_VERSION, version.FileVersion);
        EXPECT_EQ(LUMIVO_VERSION, version.ProductVersion);
        EXPECT_EQ("Lumivo", version.ProductName);
        EXPECT_EQ(file.substr(file.rfind('\\') + 1), version.OriginalFilename);
        EXPECT_EQ(0u, version.FileDescription.find("Lumivo")) << version.FileDescription;
        EXPECT_EQ(std::string::npos, version.FileDescription.find("Part of")) << "a deliverable's own";
        printf("  %-16s %s  %s\n", version.OriginalFilename.c_str(), version.FileVersion.c_str(),
               version.FileDescription.c_str());
    }
    EXPECT_GE(binaries, 7); // the plug-in, its five modules and dictd2dravel.exe at least
    EXPECT_FALSE(ReadVersionResource(Unpacked("Lumivo\\LumivoEng.lng")).Found);
}

// The readmes, the archive's description and the help files' Contents topic name the version;
// no template's placeholder is left anywhere.
TEST(ReleaseZip, DocumentsNameTheVersion) {
    const std::string named = std::string("Lumivo ") + LUMIVO_VERSION;
    for (const char* file : {"Lumivo\\ReadMeEng.txt", "Lumivo\\ReadMeRus.txt", "file_id.diz"}) {
        std::string text = ReadText(Unpacked(file));
        EXPECT_EQ(0u, text.find(named)) << file << " begins with the name and the version";
    }
    for (const char* file : {"Lumivo\\LumivoEng.hlf", "Lumivo\\LumivoRus.hlf"}) {
        HlfFile help;
        ASSERT_TRUE(FarLoadHlf(Unpacked(file), &help)) << file;
        const HlfTopic* contents = help.Find("Contents");
        ASSERT_NE(nullptr, contents) << file;
        int naming = 0;
        for (const std::string& line : contents->Lines)
            if (line.find(LUMIVO_VERSION) != std::string::npos) naming++;
        EXPECT_EQ(1, naming) << file;
    }
    for (const std::string& file : PackageFiles(Unpacked()))
        EXPECT_EQ(std::string::npos, ReadText(Unpacked(file)).find("{LUMIVO_VERSION}")) << file;
    // The changelog's newest entry is this version.
    std::string changelog = ReadText(Unpacked("Lumivo\\Changelog.txt"));
    size_t heading = changelog.find("\r\n\r\n"); // after the title and its underline
    ASSERT_NE(std::string::npos, heading);
    EXPECT_EQ(0u, changelog.compare(heading + 4, strlen(LUMIVO_VERSION) + 1, LUMIVO_VERSION " "))
        << changelog.substr(heading + 4, 40);
}

// What a user opens with Notepad has Windows line ends throughout.
TEST(ReleaseZip, DocumentsHaveWindowsLineEnds) {
    for (const char* file :
         {"Lumivo\\ReadMeEng.txt", "Lumivo\\ReadMeRus.txt", "Lumivo\\Changelog.txt", "file_id.diz"}) {
        std::string text = ReadText(Unpacked(file));
        ASSERT_FALSE(text.empty()) << file;
        size_t bare = 0;
        for (size_t i = 0; i < text.size(); i++)
            if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) bare++;
        EXPECT_EQ(0u, bare) << file;
        EXPECT_TRUE(EndsWith(text, "\r\n")) << file;
    }
}

} // namespace
