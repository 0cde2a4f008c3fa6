#include "base/process_paths.h"

#include "base/file_paths.h"
#include "base/win.h"

namespace {
// Creates the folder and every missing parent; the system error of the first
// level that cannot be made, or 0.
DWORD createFolderChain(const std::string& folder) {
    if (folder.empty()) return ERROR_PATH_NOT_FOUND;
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? 0 : ERROR_ALREADY_EXISTS;
    const std::string parent = FileUtils::removeTrailingSlash(FileUtils::dirname(folder));
    // A drive or a share root has no parent to make.
    if (!parent.empty() && parent != folder && parent.back() != ':' && parent != "." && parent != "\\\\") {
        if (const DWORD error = createFolderChain(parent)) return error;
    }
    if (CreateDirectoryA(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) return 0;
    return GetLastError();
}
}  // namespace

std::string plainTempFolder() {
    std::string buffer(MAX_PATH, '\0');
    DWORD n = GetTempPathA(static_cast<DWORD>(buffer.size()), &buffer[0]);
    if (n > buffer.size()) {
        buffer.resize(n);
        n = GetTempPathA(static_cast<DWORD>(buffer.size()), &buffer[0]);
    }
    buffer.resize(n < buffer.size() ? n : 0);
    return FileUtils::removeTrailingSlash(buffer);
}

std::string plainModulePath() {
    std::string buffer(MAX_PATH, '\0');
    for (;;) {
        const DWORD n = GetModuleFileNameA(nullptr, &buffer[0], static_cast<DWORD>(buffer.size()));
        if (n == 0) return std::string();
        if (n < buffer.size()) {
            buffer.resize(n);
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::string provideTempFolder(std::string& problem) {
    problem.clear();
    const std::string user = plainTempFolder();
    const DWORD error = createFolderChain(user);
    if (error == 0) return user;

    std::string windows(MAX_PATH, '\0');
    const UINT n = GetWindowsDirectoryA(&windows[0], MAX_PATH);
    windows.resize(n < MAX_PATH ? n : 0);
    const std::string fallback = FileUtils::combinePath(windows, "Temp");
    createFolderChain(fallback);
    SetEnvironmentVariableA("TEMP", fallback.c_str());
    SetEnvironmentVariableA("TMP", fallback.c_str());
    problem = "The temporary folder \"" + user + "\" cannot be created (system error " + std::to_string(error) +
              "); the log and the temporary files go to \"" + fallback + "\"";
    return fallback;
}
