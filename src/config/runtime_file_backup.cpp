#include "config/runtime_file_backup.h"

#include "base/logger.h"
#include "base/sys_error.h"
#include "base/tstrings.h"
#include "base/win_handles.h"

namespace {
const DWORD kMaxBytes = 1u << 20;  // what the settings reader accepts
}

std::optional<std::string> ReadRuntimeFileBytes(const std::string& utf8Path) {
    const std::wstring path = tstrings::toUtf16(utf8Path);
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return std::nullopt;
    std::string bytes(kMaxBytes + 1, '\0');
    DWORD read = 0;
    if (!ReadFile(file.get(), &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr)) return std::nullopt;
    bytes.resize(read);
    return bytes;
}

int WriteRuntimeFileBytes(const std::string& utf8Path, const std::string& bytes) {
    const std::wstring path = tstrings::toUtf16(utf8Path);
    const std::wstring temp = path + L".restore";
    {
        UniqueHandle file(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.valid()) {
            LOG_ERROR(tstrings::format("%s failed with %s", ("CreateFile(" + utf8Path + ".restore)").c_str(),
                                       formatSystemError(GetLastError(), nullptr).c_str()));
            return 304;
        }
        DWORD written = 0;
        if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
            written != bytes.size() || !FlushFileBuffers(file.get())) {
            file.reset();
            DeleteFileW(temp.c_str());
            return 306;
        }
    }
    // ReplaceFile keeps the replaced file's security and attributes.
    if (!ReplaceFileW(path.c_str(), temp.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
        LOG_ERROR(tstrings::format("%s failed with %s", ("ReplaceFile(" + utf8Path + ")").c_str(),
                                   formatSystemError(GetLastError(), nullptr).c_str()));
        DeleteFileW(temp.c_str());
        return 304;
    }
    return 0;
}

void DeleteRuntimeFile(const std::string& utf8Path) {
    const std::wstring path = tstrings::toUtf16(utf8Path);
    if (!DeleteFileW(path.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND && GetLastError() != ERROR_PATH_NOT_FOUND) {
        LOG_ERROR(tstrings::format("%s failed with %s", ("DeleteFile(" + utf8Path + ")").c_str(),
                                   formatSystemError(GetLastError(), nullptr).c_str()));
    }
}
