// The CHM reader's file interface: POSIX descriptors natively, CreateFileA/ReadFile
// under Windows, and a memory-backed variant for the fuzzer and the tests.
#include "chm/chmfile.h"

#include <stdlib.h>
#include <string.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

struct ChmFile {
#ifdef _WIN32
    HANDLE Handle;
#else
    int Descriptor;
#endif
    const unsigned char* Memory; // non-null for the memory-backed variant
    uint64_t Size;
};

ChmFile* ChmFileOpen(const char* path) {
    if (!path) return nullptr;
    ChmFile* file = static_cast<ChmFile*>(calloc(1, sizeof(ChmFile)));
    if (!file) return nullptr;
#ifdef _WIN32
    file->Handle = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    LARGE_INTEGER size;
    if (file->Handle == INVALID_HANDLE_VALUE) {
        free(file);
        return nullptr;
    }
    if (!GetFileSizeEx(file->Handle, &size) || size.QuadPart < 0) {
        CloseHandle(file->Handle);
        free(file);
        return nullptr;
    }
    file->Size = static_cast<uint64_t>(size.QuadPart);
#else
    file->Descriptor = open(path, O_RDONLY | O_CLOEXEC);
    struct stat info;
    if (file->Descriptor < 0) {
        free(file);
        return nullptr;
    }
    if (fstat(file->Descriptor, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0) {
        close(file->Descriptor);
        free(file);
        return nullptr;
    }
    file->Size = static_cast<uint64_t>(info.st_size);
#endif
    return file;
}

ChmFile* ChmFileOpenMemory(const unsigned char* data, size_t size) {
    ChmFile* file = static_cast<ChmFile*>(calloc(1, sizeof(ChmFile)));
    if (!file) return nullptr;
#ifdef _WIN32
    file->Handle = INVALID_HANDLE_VALUE;
#else
    file->Descriptor = -1;
#endif
    static const unsigned char empty = 0;
    file->Memory = data ? data : &empty;
    file->Size = data ? size : 0;
    return file;
}

uint64_t ChmFileSize(const ChmFile* file) {
    return file ? file->Size : 0;
}

uint32_t ChmFileReadAt(ChmFile* file, uint64_t offset, void* buffer, uint32_t length) {
    if (!file || offset >= file->Size || length == 0) return 0;
    if (length > file->Size - offset) length = static_cast<uint32_t>(file->Size - offset);
    if (file->Memory) {
        memcpy(buffer, file->Memory + offset, length);
        return length;
    }
    uint32_t done = 0;
    unsigned char* out = static_cast<unsigned char*>(buffer);
    while (done < length) {
#ifdef _WIN32
        OVERLAPPED at;
        memset(&at, 0, sizeof(at));
        uint64_t position = offset + done;
        at.Offset = static_cast<DWORD>(position);
        at.OffsetHigh = static_cast<DWORD>(position >> 32);
        DWORD got = 0;
        if (!ReadFile(file->Handle, out + done, length - done, &got, &at) || got == 0) break;
#else
        ssize_t got = pread(file->Descriptor, out + done, length - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
#endif
        done += static_cast<uint32_t>(got);
    }
    return done;
}

void ChmFileClose(ChmFile* file) {
    if (!file) return;
    if (!file->Memory) {
#ifdef _WIN32
        CloseHandle(file->Handle);
#else
        close(file->Descriptor);
#endif
    }
    free(file);
}
