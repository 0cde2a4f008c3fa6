#include "base/sys_info.h"

#include <shlobj.h>

#include <stdexcept>

#include "base/dll.h"
#include "base/file_utils.h"
#include "base/logger.h"
#include "base/os_version.h"
#include "base/process_paths.h"
#include "base/source_location.h"
#include "base/sys_error.h"
#include "base/tstrings.h"
#include "base/memory_holders.h"

namespace {
OSVERSIONINFOEXW g_osVersion;
int g_osVersionClass = 0;

void logFailure(const char* label, unsigned long code) {
    LOG_ERROR(tstrings::format("%s failed with %s", label, formatSystemError(code, nullptr).c_str()));
}

// Start-up facts, computed before WinMain and never changed.
struct StartupFacts {
    StartupFacts() {
        SysInfoImpl::initialize();
        g_osVersionClass = osVersionClassOf(g_osVersion.dwMajorVersion, g_osVersion.dwMinorVersion);
    }
};

// The callers below keep the first answer: a shell folder does not move while
// the launcher runs, and every question to the shell walks the registry (about
// half a millisecond under Wine, asked a dozen times before the first page). A
// failure raises, and the next call asks again.
std::string folderPath(int csidl, const char* label, const char* error) {
    char buffer[MAX_PATH] = {};
    const HRESULT hr = SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer);
    if (hr != S_OK) {
        logFailure(label, static_cast<unsigned long>(hr));
        throw std::runtime_error(error);
    }
    return FileUtils::removeTrailingSlash(buffer);
}

std::string userAppDataLowDir() {
    if (SysInfo::getOsVersionClass() < 2) {
        char buffer[MAX_PATH] = {};
        const HRESULT hr = SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buffer);
        if (hr != S_OK) {
            throw QDS_ERROR(std::runtime_error("SHGetFolderPath(CSIDL_APPDATA) failed. " +
                                               describeSystemError(static_cast<unsigned long>(hr), nullptr)));
        }
        return buffer;
    }
    using KnownFolderFn = HRESULT WINAPI(REFKNOWNFOLDERID, DWORD, HANDLE, PWSTR*);
    DllFunction<KnownFolderFn> getKnownFolderPath(loadSystemDll("shell32.dll"), "SHGetKnownFolderPath");
    static const GUID localLow = {0xA520A1A4, 0x1780, 0x4FF6, {0xBD, 0x18, 0x16, 0x73, 0x43, 0xC5, 0xAF, 0x16}};
    CoTaskMemPointer<wchar_t> path;
    const HRESULT hr = getKnownFolderPath.get()(localLow, 0, nullptr, path.out());
    if (FAILED(hr)) {
        throw QDS_ERROR(std::runtime_error("SHGetKnownFolderPath(FOLDERID_LocalAppDataLow) failed. " +
                                           describeSystemError(static_cast<unsigned long>(hr), nullptr)));
    }
    return tstrings::toACP(path.get());
}
}  // namespace

namespace SysInfoImpl {
void initialize() {
    ZeroMemory(&g_osVersion, sizeof(g_osVersion));
    g_osVersion.dwOSVersionInfoSize = sizeof(g_osVersion);
    try {
        using RtlGetVersionFn = LONG WINAPI(OSVERSIONINFOEXW*);
        DllFunction<RtlGetVersionFn> rtlGetVersion(loadSystemDll("ntdll.dll"), "RtlGetVersion");
        if (rtlGetVersion) {
            const LONG status = rtlGetVersion.get()(&g_osVersion);
            if (status == 0) return;
            LOG_ERROR("RtlGetVersion failed: " << status);
        } else {
            LOG_ERROR("ntdll:RtlGetVersion is not available");
        }
    } catch (const std::exception& e) {
        LOG_ERROR("ntdll:RtlGetVersion is not available");
    }
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&g_osVersion))) {
        logFailure("SysInfo::initialize(GetVersionEx)", GetLastError());
    }
#pragma GCC diagnostic pop
}

const OSVERSIONINFOEXW& osVersion() { return g_osVersion; }
}  // namespace SysInfoImpl

namespace SysInfo {

int getOsVersionClass() { return g_osVersionClass; }

std::string getOsName() {
    return osNameOf(g_osVersion.dwMajorVersion, g_osVersion.dwMinorVersion, g_osVersion.wProductType == VER_NT_WORKSTATION,
                    g_osVersion.wServicePackMajor);
}

bool isX64() {
    SYSTEM_INFO info;
    GetNativeSystemInfo(&info);
    return info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64;
}

std::string getArchName() { return isX64() ? "amd64" : "i586"; }

bool isWow64() {
    using IsWow64ProcessFn = BOOL WINAPI(HANDLE, PBOOL);
    DllFunction<IsWow64ProcessFn> fnIsWow64Process(loadSystemDll("kernel32.dll"), "IsWow64Process");
    if (!fnIsWow64Process) return false;
    BOOL wow64 = FALSE;
    if (!fnIsWow64Process.get()(GetCurrentProcess(), &wow64)) {
        throw QDS_ERROR(std::runtime_error("fnIsWow64Process() failed"));
    }
    return wow64 != FALSE;
}

std::string getProcessModulePath() {
    std::string path = plainModulePath();
    if (path.empty()) throw QDS_ERROR(std::runtime_error("GetModuleFileName(NULL) failed"));
    return path;
}

std::string getModuleName() { return plainModuleName(); }

std::string getTempDir() { return plainTempFolder(); }

std::string getCommonAppDataDir() {
    static const std::string path =
        folderPath(CSIDL_COMMON_APPDATA | CSIDL_FLAG_CREATE, "GetAppDataDir", "SHGetFolderPath(CSIDL_COMMON_APPDATA) failed");
    return path;
}

std::string getSystem32Dir() {
    static const std::string path = folderPath(CSIDL_SYSTEM, "GetSystem32Dir", "SHGetFolderPath(CSIDL_SYSTEM) failed");
    return path;
}

std::string getWindowsDir() {
    static const std::string path = folderPath(CSIDL_WINDOWS, "getWindowsDir", "SHGetFolderPath(CSIDL_WINDOWS) failed");
    return path;
}

std::string getSystemWow64Dir() {
    char buffer[MAX_PATH] = {};
    const UINT n = GetSystemWow64DirectoryA(buffer, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) {
        logFailure("GetSystemWow64Directory", GetLastError());
        throw std::runtime_error("GetSystemWow64Directory(LPTSTR lpBuffer, UINT uSize) failed");
    }
    return FileUtils::removeTrailingSlash(buffer);
}

std::string getUserAppDataLowDir() {
    // Kept as the folders above are.
    static const std::string path = userAppDataLowDir();
    return path;
}

}  // namespace SysInfo

std::string getPatchCache(int arch) {
    if (arch != 32 && arch != 64) throw std::runtime_error("getPatchCache() failed, invalid arch passed");
    std::string path = FileUtils::combinePath(SysInfo::getCommonAppDataDir(), "Velmar");
    path = FileUtils::combinePath(path, "Orun");
    return FileUtils::combinePath(path, arch == 32 ? "installcache" : "installcache_x64");
}

static StartupFacts g_startupFacts;

bool isNotNativeX64() { return !SysInfo::isX64() || SysInfo::isWow64(); }
