// The dictionary core's one door to the file system: open, create, read, write, seek, size,
// plus the two folder operations the tools need. POSIX natively, Win32 under _WIN32; callers
// never see either.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>

namespace dravel {

class File {
  public:
    File() = default;
    ~File() { Close(); }
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Opens an existing file for reading; others may read it meanwhile.
    bool OpenRead(const char* path);
    // Creates the file for reading and writing, replacing one of that name; others may read it.
    bool Create(const char* path);
    bool IsOpen() const;

    // Reads up to size bytes at the current position: the count, 0 at the end, -1 on failure.
    int Read(void* buffer, int size);
    // Writes all of data or fails.
    bool Write(const void* data, size_t size);
    bool Seek(int64_t offset);
    bool Size(int64_t* size);
    // When the file's content last changed, in the file system's own units (only comparable
    // with another such time of this build).
    bool ModifiedTime(int64_t* time);
    bool SetModifiedTime(int64_t time);
    // False when the system reports a failure on closing (a write that did not reach the disk).
    bool Close();

  private:
#ifdef _WIN32
    void* handle_ = nullptr;
#else
    int fd_ = -1;
#endif
};

bool RemoveFile(const char* path);
// Whether a file of that name can be opened for reading.
bool FileExists(const char* path);
// Whether a path ends with the given ending (".index", ".dict.dz"), compared as it stands.
bool PathEndsWith(const std::string& path, const char* ending);
// Renames a closed file, replacing a file of the new name.
bool RenameFile(const char* from, const char* to);
// The user's folder for temporary files, with its separator at the end.
std::string TemporaryFolder();
bool MakeFolder(const char* path);
// A new, uniquely named folder in the system's temporary folder, its name starting with prefix.
bool MakeTempFolder(const char* prefix, std::string* path);
// The separator the file system's paths use.
char PathSeparator();

} // namespace dravel
