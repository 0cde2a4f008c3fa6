#pragma once
// Files. Paths are narrow (ANSI code page); '\\' and '/' both separate.
#include <cstddef>
#include <functional>
#include <string>

#include "base/file_paths.h"

#ifdef _WIN32
#include "base/win.h"

namespace FileUtils {

struct FileVersion {
    int major = 0;
    int minor = 0;
    int build = 0;
    int revision = 0;
};

bool exists(const std::string& path);
bool isDirectory(const std::string& path);

void createDirectory(const std::string& path);  // with every missing parent
void deleteFile(const std::string& path);
bool tryDeleteFile(const std::string& path);
void deleteOnReboot(const std::string& path);
FileVersion getFileVersion(const std::string& path);
std::string createTempFile(const std::string& prefix, const std::string& extension, const std::string& dir);
// Hands the whole file behind the handle, from its start, to `take` in pieces;
// raises SysError when it cannot be read.
void readFromStart(HANDLE file, const std::function<void(const char* data, std::size_t size)>& take);
// Whether the file behind the handle holds exactly these bytes.
bool holdsExactly(HANDLE file, const void* data, std::size_t size);
// Removes the runtime's launcher copies (orun.exe, orunw.exe, orunws.exe) from dir.
void deletePersistentFile(const std::string& dir);

// Deletes the file on destruction unless released.
class TempFileGuard {
public:
    explicit TempFileGuard(std::string path) : path_(std::move(path)) {}
    ~TempFileGuard() {
        if (remove_) tryDeleteFile(path_);
    }
    TempFileGuard(const TempFileGuard&) = delete;
    TempFileGuard& operator=(const TempFileGuard&) = delete;
    void release() { remove_ = false; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    bool remove_ = true;
};
}  // namespace FileUtils
#endif
