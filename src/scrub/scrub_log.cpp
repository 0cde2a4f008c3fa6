#include "scrub/scrub_log.h"
#include "base/memory_holders.h"

#include <cstdio>

namespace qscrub {
namespace {

const std::size_t kPathLimit = 240;  // with the terminator

// The system's text for the code, as FormatMessage gives it.
std::string systemMessage(DWORD code) {
    LocalPointer<char> buffer;
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, reinterpret_cast<char*>(buffer.out()), 0, nullptr);
    return n && buffer ? std::string(buffer.get(), n) : std::string();
}

}  // namespace

std::string scrubLogPath() {
    char folder[MAX_PATH] = {};
    const DWORD n = GetTempPathA(MAX_PATH, folder);
    std::string path = n == 0 || n >= MAX_PATH ? std::string("%TEMP%") : std::string(folder, n);
    path += "OrunScrub.log";
    // Rejected rather than cut: a cut path would name some other file.
    return path.size() < kPathLimit ? path : std::string();
}

UniqueHandle openScrubLog() {
    const std::string path = scrubLogPath();
    UniqueHandle log;
    if (path.empty()) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
    } else {
        log.reset(CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr));
    }
    if (!log.valid()) {
        const std::string reason = systemMessage(GetLastError());
        std::fprintf(stderr, "Create-File-Wrapper:%s", reason.c_str());
        std::fflush(stderr);
    }
    return log;
}

void writeScrubLog(const UniqueHandle& log, const std::string& message) {
    DWORD written = 0;
    WriteFile(log.get(), message.data(), static_cast<DWORD>(message.size()), &written, nullptr);
}

}  // namespace qscrub
