#include "base/process_paths.h"

#include "base/file_paths.h"
#include "base/win.h"

DWORD createFolderChain(const std::string& folder, std::string* failedLevel) {
    const std::string full = FileUtils::removeTrailingSlash(folder) + "\\";
    for (size_t pos = full.find_first_of("\\/"); pos != std::string::npos; pos = full.find_first_of("\\/", pos + 1)) {
        const std::string level = full.substr(0, pos + 1);
        DWORD code = ERROR_SUCCESS;
        if (!CreateDirectoryA(level.c_str(), nullptr)) code = GetLastError();
        const DWORD attributes = GetFileAttributesA(level.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            if (failedLevel) *failedLevel = level;
            return code != ERROR_SUCCESS ? code : ERROR_PATH_NOT_FOUND;
        }
    }
    return ERROR_SUCCESS;
}

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

const std::string& plainModuleName() {
    static const std::string name = [] {
        const std::string path = plainModulePath();
        return path.empty() ? std::string("Unknown") : FileUtils::basename(path);
    }();
    return name;
}

std::string provideTempFolder(std::string& problem) {
    problem.clear();
    const std::string user = plainTempFolder();
    const DWORD error = user.empty() ? ERROR_PATH_NOT_FOUND : createFolderChain(user, nullptr);
    if (error == 0) return user;

    std::string windows(MAX_PATH, '\0');
    const UINT n = GetWindowsDirectoryA(&windows[0], MAX_PATH);
    windows.resize(n < MAX_PATH ? n : 0);
    const std::string fallback = FileUtils::combinePath(windows, "Temp");
    createFolderChain(fallback, nullptr);
    SetEnvironmentVariableA("TEMP", fallback.c_str());
    SetEnvironmentVariableA("TMP", fallback.c_str());
    problem = "The temporary folder \"" + user + "\" cannot be created (system error " + std::to_string(error) +
              "); the log and the temporary files go to \"" + fallback + "\"";
    return fallback;
}
