// Scratch folders for the tests: made fresh under the temp folder, removed with
// everything in them when the test ends.
#pragma once

#include <windows.h>

#include <string>

class ScratchFolder {
  public:
    ScratchFolder() {
        char base[MAX_PATH];
        GetTempPathA(MAX_PATH, base);
        for (unsigned n = GetTickCount();; ++n) {
            path_ =
                std::string(base) + "fsft" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(n);
            if (CreateDirectoryA(path_.c_str(), nullptr)) break;
        }
    }
    ~ScratchFolder() { Remove(path_); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& rel) const { return path_ + "\\" + rel; }

    void Folder(const std::string& rel) const { CreateDirectoryA((*this / rel).c_str(), nullptr); }
    void File(const std::string& rel, const std::string& bytes = std::string()) const {
        HANDLE h = CreateFileA((*this / rel).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD put = 0;
        if (!bytes.empty()) WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr);
        CloseHandle(h);
    }

  private:
    static void Remove(const std::string& dir) {
        WIN32_FIND_DATAA d;
        HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &d);
        if (h != INVALID_HANDLE_VALUE) {
            do {
                std::string name = d.cFileName;
                if (name == "." || name == "..") continue;
                std::string full = dir + "\\" + name;
                if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    Remove(full);
                else
                    DeleteFileA(full.c_str());
            } while (FindNextFileA(h, &d));
            FindClose(h);
        }
        RemoveDirectoryA(dir.c_str());
    }

    std::string path_;
};
