// File access for the dictionary core. Win32 opens with read sharing only, as the module must;
// file names there are in whatever code page the process has set for file APIs (Far sets OEM).
#include "fileio.h"

#include <string.h>

#ifdef _WIN32
#include <stdio.h>
#include <windows.h>
#else
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace dravel {

#ifdef _WIN32

namespace {
HANDLE ToHandle(void* h) {
    return h ? (HANDLE)h : INVALID_HANDLE_VALUE;
}
void* FromHandle(HANDLE h) {
    return h == INVALID_HANDLE_VALUE ? nullptr : (void*)h;
}
} // namespace

bool File::OpenRead(const char* path) {
    Close();
    handle_ = FromHandle(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    return handle_ != nullptr;
}

bool File::Create(const char* path) {
    Close();
    handle_ = FromHandle(CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                     CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return handle_ != nullptr;
}

bool File::IsOpen() const {
    return handle_ != nullptr;
}

int File::Read(void* buffer, int size) {
    DWORD got = 0;
    if (!handle_ || size < 0) return -1;
    if (!ReadFile(ToHandle(handle_), buffer, (DWORD)size, &got, nullptr)) return -1;
    return (int)got;
}

bool File::Write(const void* data, size_t size) {
    const char* p = (const char*)data;
    if (!handle_) return false;
    while (size > 0) {
        DWORD chunk = size > 0x40000000u ? 0x40000000u : (DWORD)size;
        DWORD done = 0;
        if (!WriteFile(ToHandle(handle_), p, chunk, &done, nullptr) || done == 0) return false;
        p += done;
        size -= done;
    }
    return true;
}

bool File::Seek(int64_t offset) {
    if (!handle_ || offset < 0) return false;
    LONG high = (LONG)(offset >> 32);
    DWORD low = SetFilePointer(ToHandle(handle_), (LONG)(offset & 0xFFFFFFFF), &high, FILE_BEGIN);
    return !(low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR);
}

bool File::Size(int64_t* size) {
    DWORD high = 0;
    if (!handle_) return false;
    DWORD low = GetFileSize(ToHandle(handle_), &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return false;
    *size = ((int64_t)high << 32) | low;
    return true;
}

bool File::ModifiedTime(int64_t* time) {
    FILETIME written;
    if (!handle_ || !GetFileTime(ToHandle(handle_), nullptr, nullptr, &written)) return false;
    *time = (int64_t)(((uint64_t)written.dwHighDateTime << 32) | written.dwLowDateTime);
    return true;
}

bool File::SetModifiedTime(int64_t time) {
    FILETIME written;
    written.dwLowDateTime = (DWORD)((uint64_t)time & 0xFFFFFFFF);
    written.dwHighDateTime = (DWORD)((uint64_t)time >> 32);
    return handle_ && SetFileTime(ToHandle(handle_), nullptr, nullptr, &written);
}

bool File::Close() {
    if (!handle_) return true;
    BOOL ok = CloseHandle(ToHandle(handle_));
    handle_ = nullptr;
    return ok != 0;
}

bool RemoveFile(const char* path) {
    return DeleteFileA(path) != 0;
}

bool RenameFile(const char* from, const char* to) {
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != 0;
}

std::string TemporaryFolder() {
    char base[MAX_PATH + 1];
    DWORD n = GetTempPathA(sizeof base, base);
    if (n == 0 || n >= sizeof base) return "";
    std::string folder(base, n);
    if (folder.back() != '\\' && folder.back() != '/') folder += '\\';
    return folder;
}

bool MakeFolder(const char* path) {
    return CreateDirectoryA(path, nullptr) != 0;
}

bool MakeTempFolder(const char* prefix, std::string* path) {
    char base[MAX_PATH + 1];
    DWORD n = GetTempPathA(sizeof base, base);
    if (n == 0 || n >= sizeof base) return false;
    for (unsigned attempt = 0; attempt < 1000; ++attempt) {
        char name[MAX_PATH + 32];
        snprintf(name, sizeof name, "%s%s%04X", base, prefix,
                 (unsigned)((GetTickCount() + attempt * 7919u) & 0xFFFF));
        if (CreateDirectoryA(name, nullptr)) {
            *path = name;
            return true;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
    }
    return false;
}

char PathSeparator() {
    return '\\';
}

#else

bool File::OpenRead(const char* path) {
    Close();
    fd_ = open(path, O_RDONLY | O_CLOEXEC);
    return fd_ >= 0;
}

bool File::Create(const char* path) {
    Close();
    fd_ = open(path, O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    return fd_ >= 0;
}

bool File::IsOpen() const {
    return fd_ >= 0;
}

int File::Read(void* buffer, int size) {
    if (fd_ < 0 || size < 0) return -1;
    for (;;) {
        ssize_t got = read(fd_, buffer, (size_t)size);
        if (got >= 0) return (int)got;
        if (errno != EINTR) return -1;
    }
}

bool File::Write(const void* data, size_t size) {
    const char* p = (const char*)data;
    if (fd_ < 0) return false;
    while (size > 0) {
        ssize_t done = write(fd_, p, size);
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) return false;
        p += done;
        size -= (size_t)done;
    }
    return true;
}

bool File::Seek(int64_t offset) {
    if (fd_ < 0 || offset < 0) return false;
    return lseek(fd_, (off_t)offset, SEEK_SET) == (off_t)offset;
}

bool File::Size(int64_t* size) {
    struct stat st;
    if (fd_ < 0 || fstat(fd_, &st) != 0) return false;
    *size = (int64_t)st.st_size;
    return true;
}

bool File::ModifiedTime(int64_t* time) {
    struct stat st;
    if (fd_ < 0 || fstat(fd_, &st) != 0) return false;
    *time = (int64_t)st.st_mtim.tv_sec * 1000000000 + st.st_mtim.tv_nsec;
    return true;
}

bool File::SetModifiedTime(int64_t time) {
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = (time_t)(time / 1000000000);
    times[1].tv_nsec = (long)(time % 1000000000);
    return fd_ >= 0 && futimens(fd_, times) == 0;
}

bool File::Close() {
    if (fd_ < 0) return true;
    int rc = close(fd_);
    fd_ = -1;
    return rc == 0;
}

bool RemoveFile(const char* path) {
    return unlink(path) == 0;
}

bool RenameFile(const char* from, const char* to) {
    return rename(from, to) == 0;
}

std::string TemporaryFolder() {
    const char* base = getenv("TMPDIR");
    std::string folder = base && *base ? base : "/tmp";
    if (folder.back() != '/') folder += '/';
    return folder;
}

bool MakeFolder(const char* path) {
    return mkdir(path, 0755) == 0;
}

bool MakeTempFolder(const char* prefix, std::string* path) {
    const char* base = getenv("TMPDIR");
    std::string pattern = base && *base ? base : "/tmp";
    pattern += '/';
    pattern += prefix;
    pattern += "XXXXXX";
    if (!mkdtemp(&pattern[0])) return false;
    *path = pattern;
    return true;
}

char PathSeparator() {
    return '/';
}

#endif

bool FileExists(const char* path) {
    File file;
    return file.OpenRead(path);
}

bool PathEndsWith(const std::string& path, const char* ending) {
    size_t n = strlen(ending);
    return path.size() >= n && path.compare(path.size() - n, n, ending) == 0;
}

} // namespace dravel
