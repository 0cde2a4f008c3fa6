#include "base/process_paths.h"

#include "base/file_paths.h"
#include "base/win.h"

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
