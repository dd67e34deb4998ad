// The package as a user copies it into Far's Plugins folder, and every binary
// the build delivers: each exports exactly the names of its interface and
// imports only DLLs that Windows itself provides. The PE tables are read here
// directly, so the check depends on no tool of the build machine.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <stdint.h>
#include <string>
#include <vector>

namespace {

std::string WindowsPath(std::string path) {
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

bool ReadWhole(const std::string& path, std::string* bytes) {
    HANDLE file =
        CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD size = GetFileSize(file, nullptr), got = 0;
    bytes->resize(size);
    bool ok =
        size == INVALID_FILE_SIZE ? false : ReadFile(file, &(*bytes)[0], size, &got, nullptr) && got == size;
    CloseHandle(file);
    return ok;
}

struct PeTables {
    std::string Error; // empty when the file parsed
    std::vector<std::string> Exports, Imports;
};

// A bounds-checked reader of a PE32 image's export and import tables.
class PeReader {
  public:
    explicit PeReader(const std::string& bytes) : b_(bytes) {}

    PeTables Read() {
        PeTables out;
        uint32_t pe = 0, dirs = 0, sections = 0;
        uint16_t sectionCount = 0, optionalSize = 0, magic = 0;
        if (!U16(0, nullptr) || b_.compare(0, 2, "MZ") || !U32(0x3C, &pe) || !Has(pe, 24) ||
            b_.compare(pe, 4, std::string("PE\0\0", 4)))
            return Fail(&out, "not a PE file");
        U16(pe + 6, &sectionCount);
        U16(pe + 20, &optionalSize);
        uint32_t optional = pe + 24;
        if (!U16(optional, &magic) || magic != 0x10B || optionalSize < 96) return Fail(&out, "not PE32");
        uint32_t dirCount = 0;
        U32(optional + 92, &dirCount);
        dirs = optional + 96;
        sections = optional + optionalSize;
        for (uint16_t i = 0; i < sectionCount; i++) {
            Section s;
            uint32_t at = sections + 40u * i;
            if (!U32(at + 8, &s.VirtualSize) || !U32(at + 12, &s.Address) || !U32(at + 16, &s.RawSize) ||
                !U32(at + 20, &s.RawOffset))
                return Fail(&out, "section table cut");
            sections_.push_back(s);
        }
        uint32_t exportRva = 0, importRva = 0, delayRva = 0;
        if (dirCount > 0) U32(dirs, &exportRva);
        if (dirCount > 1) U32(dirs + 8, &importRva);
        if (dirCount > 13) U32(dirs + 13 * 8, &delayRva);
        if (delayRva) return Fail(&out, "delay-load imports");
        if (exportRva && !Exports(exportRva, &out.Exports)) return Fail(&out, "export table");
        if (importRva && !Imports(importRva, &out.Imports)) return Fail(&out, "import table");
        return out;
    }

  private:
    struct Section {
        uint32_t VirtualSize = 0, Address = 0, RawSize = 0, RawOffset = 0;
    };
    const std::string& b_;
    std::vector<Section> sections_;

    static PeTables Fail(PeTables* out, const char* why) {
        out->Error = why;
        return *out;
    }
    bool Has(uint32_t offset, uint32_t length) const {
        return offset <= b_.size() && length <= b_.size() - offset;
    }
    bool U16(uint32_t offset, uint16_t* v) const {
        if (!Has(offset, 2)) return false;
        if (v) *v = (uint16_t)((uint8_t)b_[offset] | (uint8_t)b_[offset + 1] << 8);
        return true;
    }
    bool U32(uint32_t offset, uint32_t* v) const {
        uint16_t lo, hi;
        if (!U16(offset, &lo) || !U16(offset + 2, &hi)) return false;
        *v = lo | (uint32_t)hi << 16;
        return true;
    }
    bool Offset(uint32_t rva, uint32_t* offset) const {
        for (const Section& s : sections_) {
            uint32_t span = std::max(s.VirtualSize, s.RawSize);
            if (rva >= s.Address && rva - s.Address < span && rva - s.Address < s.RawSize) {
                *offset = s.RawOffset + (rva - s.Address);
                return Has(*offset, 1);
            }
        }
        return false;
    }
    bool RvaU32(uint32_t rva, uint32_t* v) const {
        uint32_t offset;
        return Offset(rva, &offset) && U32(offset, v);
    }
    bool Text(uint32_t rva, std::string* text) const {
        uint32_t offset;
        if (!Offset(rva, &offset)) return false;
        size_t end = b_.find('\0', offset);
        if (end == std::string::npos || end - offset > 512) return false;
        *text = b_.substr(offset, end - offset);
        return true;
    }
    bool Exports(uint32_t rva, std::vector<std::string>* names) const {
        uint32_t functions = 0, count = 0, table = 0;
        if (!RvaU32(rva + 20, &functions) || !RvaU32(rva + 24, &count) || !RvaU32(rva + 32, &table))
            return false;
        if (functions != count || count > 4096) return false; // an export without a name is a fault too
        for (uint32_t i = 0; i < count; i++) {
            uint32_t nameRva;
            std::string name;
            if (!RvaU32(table + 4 * i, &nameRva) || !Text(nameRva, &name)) return false;
            names->push_back(name);
        }
        std::sort(names->begin(), names->end());
        return true;
    }
    bool Imports(uint32_t rva, std::vector<std::string>* dlls) const {
        for (uint32_t i = 0; i < 256; i++) {
            uint32_t lookup = 0, nameRva = 0, thunks = 0;
            if (!RvaU32(rva + 20 * i, &lookup) || !RvaU32(rva + 20 * i + 12, &nameRva) ||
                !RvaU32(rva + 20 * i + 16, &thunks))
                return false;
            if (!lookup && !nameRva && !thunks) return true;
            std::string name;
            if (!Text(nameRva, &name)) return false;
            dlls->push_back(name);
        }
        return false;
    }
};

// The names each kind of deliverable must export, sorted.
bool ExpectedExports(const std::string& fileName, std::vector<std::string>* names) {
    std::string lower = fileName;
    CharLowerA(&lower[0]);
    auto endsWith = [&](const char* tail) {
        size_t n = strlen(tail);
        return lower.size() >= n && lower.compare(lower.size() - n, n, tail) == 0;
    };
    if (lower == "lumivo.dll")
        *names = {"Configure", "GetPluginInfo", "OpenPlugin", "ProcessEditorEvent", "SetStartupInfo"};
    else if (lower == "ornith.lvx")
        *names = {"Exit", "Message", "RundllEntry", "Start"};
    else if (endsWith(".lvx"))
        *names = {"Exit", "Message", "Start"};
    else if (endsWith(".exe"))
        names->clear();
    else
        return false;
    return true;
}

// Libraries the Windows system folder carries; the build's own runtime DLLs
// (libgcc, libstdc++, libwinpthread) never are there.
bool IsWindowsDll(const std::string& name) {
    char system[MAX_PATH];
    UINT n = GetSystemDirectoryA(system, sizeof system);
    if (!n || n >= sizeof system || name.find_first_of("\\/") != std::string::npos) return false;
    std::string lower = name;
    CharLowerA(&lower[0]);
    if (lower.rfind("lib", 0) == 0) return false;
    return GetFileAttributesA((std::string(system) + "\\" + name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void Collect(const std::string& folder, std::vector<std::string>* files, std::vector<std::string>* dlls) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = data.cFileName, path = folder + "\\" + name;
        if (name == "." || name == "..") continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            Collect(path, files, dlls);
            continue;
        }
        std::string lower = name;
        CharLowerA(&lower[0]);
        size_t dot = lower.rfind('.');
        std::string ext = dot == std::string::npos ? "" : lower.substr(dot);
        if (ext == ".dll" || ext == ".lvx" || ext == ".exe") files->push_back(path);
        if (ext == ".dll") dlls->push_back(path);
    } while (FindNextFileA(find, &data));
    FindClose(find);
}

void CheckBinary(const std::string& path) {
    SCOPED_TRACE(path);
    std::string bytes;
    ASSERT_TRUE(ReadWhole(path, &bytes));
    PeTables tables = PeReader(bytes).Read();
    ASSERT_EQ(tables.Error, "");
    std::vector<std::string> expected;
    std::string fileName = path.substr(path.rfind('\\') + 1);
    ASSERT_TRUE(ExpectedExports(fileName, &expected)) << "no deliverable of that kind";
    EXPECT_EQ(tables.Exports, expected);
    EXPECT_FALSE(tables.Imports.empty());
    for (const std::string& dll : tables.Imports)
        EXPECT_TRUE(IsWindowsDll(dll)) << dll;
    std::string names;
    for (const std::string& e : tables.Exports)
        names += " " + e;
    std::string imports;
    for (const std::string& i : tables.Imports)
        imports += " " + i;
    printf("%s\n  exports:%s\n  imports:%s\n", fileName.c_str(), names.c_str(), imports.c_str());
}

TEST(Package, LaidOutAsAUserInstallsIt) {
    std::string dir = WindowsPath(PACKAGE_DIR) + "\\Lumivo\\";
    for (const char* file :
         {"Lumivo.dll", "LumivoEng.lng", "LumivoRus.lng", "LumivoEng.hlf", "LumivoRus.hlf"})
        EXPECT_NE(GetFileAttributesA((dir + file).c_str()), INVALID_FILE_ATTRIBUTES) << file;
    DWORD lvx = GetFileAttributesA((dir + "lvx").c_str());
    EXPECT_TRUE(lvx != INVALID_FILE_ATTRIBUTES && (lvx & FILE_ATTRIBUTE_DIRECTORY));
    // Far probes every .dll in the Plugins tree as a plug-in.
    std::vector<std::string> files, dlls;
    Collect(WindowsPath(PACKAGE_DIR), &files, &dlls);
    ASSERT_EQ(dlls.size(), 1u) << dlls.back();
    EXPECT_EQ(dlls[0], dir + "Lumivo.dll");
}

TEST(Package, EveryDeliverableExportsItsNamesAndImportsOnlyWindowsDlls) {
    std::vector<std::string> files, dlls;
    Collect(WindowsPath(PACKAGE_DIR), &files, &dlls);
    if (*FARHOST_EXE) files.push_back(WindowsPath(FARHOST_EXE));
    ASSERT_FALSE(files.empty());
    for (const std::string& file : files)
        CheckBinary(file);
}

TEST(Package, TheReaderRejectsWhatIsNoImage) {
    for (std::string bytes : {std::string(), std::string("MZ"), std::string("MZ") + std::string(100, '\xff'),
                              std::string("not a library at all")})
        EXPECT_NE(PeReader(bytes).Read().Error, "");
    EXPECT_TRUE(IsWindowsDll("KERNEL32.dll"));
    EXPECT_TRUE(IsWindowsDll("user32.dll"));
    for (const char* runtime : {"libgcc_s_dw2-1.dll", "libstdc++-6.dll", "libwinpthread-1.dll", "Lumivo.dll",
                                "..\\system32\\kernel32.dll"})
        EXPECT_FALSE(IsWindowsDll(runtime)) << runtime;
}

} // namespace
