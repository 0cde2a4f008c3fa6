#include "base/file_utils.h"

#include <cstring>
#include <stdexcept>
#include <vector>

#include "base/dll.h"
#include "base/logger.h"
#include "base/process_paths.h"
#include "base/source_location.h"
#include "base/sys_error.h"
#include "base/tstrings.h"
#include "base/win.h"
#include "base/win_handles.h"

namespace FileUtils {
namespace {
void logFailure(const std::string& label, unsigned long code) {
    LOG_ERROR(tstrings::format("%s failed with %s", label.c_str(), formatSystemError(code, nullptr).c_str()));
}
}  // namespace

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool isDirectory(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void createDirectory(const std::string& path) {
    LOG_TRACE("Creating directory " << removeTrailingSlash(path) + "\\");
    std::string failed;
    if (const DWORD code = createFolderChain(path, &failed)) {
        logFailure(tstrings::format("createDirectory(%s)", failed.c_str()), code);
        throw QDS_ERROR(std::runtime_error("FileUtils:createDirectory(" + failed + ") failed"));
    }
}

void deleteFile(const std::string& path) {
    if (!DeleteFileA(path.c_str())) {
        logFailure("DeleteFile(" + path + ")", GetLastError());
        throw std::runtime_error("DeleteFile failed");
    }
}

bool tryDeleteFile(const std::string& path) {
    try {
        deleteFile(path);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void deleteOnReboot(const std::string& path) {
    if (!MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
        const DWORD code = GetLastError();
        throw QDS_ERROR(SysError("deleteOnReboot(" + path + ") failed", functionAddress(&MoveFileExA), code));
    }
}

FileVersion getFileVersion(const std::string& path) {
    // version.dll is not a Known DLL: reached from the system directory only.
    static DllFunction<DWORD WINAPI(LPCWSTR, LPDWORD)> getSize(loadSystemDll("version.dll"), "GetFileVersionInfoSizeW");
    static DllFunction<BOOL WINAPI(LPCWSTR, DWORD, DWORD, LPVOID)> getInfo(loadSystemDll("version.dll"), "GetFileVersionInfoW");
    static DllFunction<BOOL WINAPI(LPCVOID, LPCWSTR, LPVOID*, PUINT)> queryValue(loadSystemDll("version.dll"), "VerQueryValueW");

    const std::wstring widePath = tstrings::fromACP(path);
    DWORD handle = 0;
    const DWORD size = getSize.get()(widePath.c_str(), &handle);
    if (size == 0) {
        logFailure(tstrings::format("GetFileVersionInfoSize for \"%s\"", path.c_str()), GetLastError());
        throw std::runtime_error("error");
    }
    std::vector<char> data(size);
    if (!getInfo.get()(widePath.c_str(), 0, size, data.data())) {
        logFailure(tstrings::format("GetFileVersionInfo for \"%s\"", path.c_str()), GetLastError());
        throw std::runtime_error("error");
    }
    void* block = nullptr;
    UINT blockSize = 0;
    if (!queryValue.get()(data.data(), L"\\", &block, &blockSize)) {
        logFailure(tstrings::format("VerQueryValueW for \"%s\"", path.c_str()), GetLastError());
        throw std::runtime_error("error");
    }
    if (blockSize < sizeof(VS_FIXEDFILEINFO)) {
        LOG_ERROR(tstrings::format("VerQueryValueW returned unexpected buffer size [%d] for \"%s\"",
                                   static_cast<int>(blockSize), path.c_str()));
        throw std::runtime_error("error");
    }
    const auto* info = static_cast<const VS_FIXEDFILEINFO*>(block);
    FileVersion v;
    v.major = HIWORD(info->dwFileVersionMS);
    v.minor = LOWORD(info->dwFileVersionMS);
    v.build = HIWORD(info->dwFileVersionLS);
    v.revision = LOWORD(info->dwFileVersionLS);
    return v;
}

std::string createTempFile(const std::string& prefix, const std::string& extension, const std::string& dir) {
    const DWORD ticks = GetTickCount();
    for (unsigned i = 0; i < 100; ++i) {
        const std::string name =
            removeTrailingSlash(dir) + "\\" + prefix + std::to_string(static_cast<unsigned long long>(ticks) + i) + "." + extension;
        const UniqueHandle created(CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (created.valid()) return name;
    }
    throw std::runtime_error("cannot create temp file");
}

void deletePersistentFile(const std::string& dir) {
    for (const char* name : {"orun.exe", "orunw.exe", "orunws.exe"}) {
        const std::string path = combinePath(dir, name);
        if (!exists(path)) continue;
        const FileVersion v = getFileVersion(path);
        if (!(v.major >= 9 || (v.major >= 8 && v.build >= 20))) continue;  // older copies stay
        if (exists(path) && !tryDeleteFile(path)) {
            LOG_INFO("cannot delete file " << path << ", schedule deletion on reboot");
            deleteOnReboot(path);
        }
    }
}

void readFromStart(HANDLE file, const std::function<void(const char* data, std::size_t size)>& take) {
    LARGE_INTEGER start = {};
    if (!SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) {
        const DWORD code = GetLastError();
        throw QDS_ERROR(SysError("SetFilePointerEx failed", functionAddress(&SetFilePointerEx), code));
    }
    std::vector<char> buffer(1 << 20);
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) {
            const DWORD code = GetLastError();
            throw QDS_ERROR(SysError("ReadFile failed", functionAddress(&ReadFile), code));
        }
        if (read == 0) break;
        take(buffer.data(), read);
    }
}

bool holdsExactly(HANDLE file, const void* data, std::size_t size) {
    const char* expected = static_cast<const char*>(data);
    std::size_t offset = 0;
    bool same = true;
    readFromStart(file, [&](const char* piece, std::size_t length) {
        if (!same) return;
        same = length <= size - offset && std::memcmp(piece, expected + offset, length) == 0;
        offset += length;
    });
    return same && offset == size;
}

}  // namespace FileUtils
