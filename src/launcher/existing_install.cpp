#include "launcher/existing_install.h"

#include <shlwapi.h>

#include <cstring>
#include <stdexcept>

#include "base/all_utils.h"
#include "base/file_utils.h"
#include "base/logger.h"
#include "base/report.h"
#include "base/resource.h"
#include "base/resource_ids.h"
#include "base/sys_info.h"
#include "base/tstrings.h"
#include "base/win_handles.h"
#include "product/installed_ovx.h"
#include "product/product.h"
#include "product/registry_places.h"
#include "process/executor.h"
#include "registry/registry.h"
#include "scrub/qcleaner.h"

namespace {

UniqueHandle g_installFlag;

// The view of this process's bitness.
REGSAM processView() { return product::bitness() == 32 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY; }

std::string loadString(unsigned id, size_t maxChars) {
    std::string text = StringResource(id).string(std::string());
    if (text.size() > maxChars - 1) text.resize(maxChars - 1);
    return text;
}

// <LocalLow>\Kyn\Orun\ORUN_INSTALL_FLAG, its folders created on the way.
bool installFlagPath(std::string& path) {
    char buffer[MAX_PATH] = {};
    if (!GetUserShellFolder(buffer)) return false;
    for (const char* folder : {"Kyn", "Orun"}) {
        if (!PathAppendA(buffer, folder)) return false;
        if (!CreateDirectoryA(buffer, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
            logit(tstrings::format("Fail to create directory %s, ErrorCode is %d", buffer, static_cast<int>(GetLastError())));
            return false;
        }
    }
    if (!PathAppendA(buffer, "ORUN_INSTALL_FLAG")) return false;
    path = buffer;
    return true;
}

}  // namespace

bool IsThisAFamilyUpgrade() {
    const std::optional<InstalledOvx> newest = newestInstalledOvx(OrunEnvironment::installedOvx(product::bitness()));
    if (!newest) return false;
    const RuntimeFamilyVersion current = familyVersion(RuntimeVersion(product::kVersion));
    const RuntimeFamilyVersion installed = familyVersion(newest->version);
    if (current == installed) return false;
    for (size_t i = 0; i < current.components().size(); ++i) {
        if (current[i] == installed[i]) continue;
        if (current[i] < installed[i]) return false;
        LOG_INFO("This is a Family Upgrade install");
        return true;
    }
    return false;
}

bool IsSameOVXVersionInstalled(char* buffer) {
    const std::string path = std::string(kRuntimesKey) + "\\" + product::kFamilyVersion;
    Registry key;
    const LONG rc = key.tryOpen(Registry::hklm, path, KEY_READ | processView());
    if (rc != ERROR_SUCCESS) {
        LOG_ERROR(tstrings::format("Error Opening registry key %s: %d", kRuntimesKey, static_cast<int>(rc)));
        LOG_INFO("No same version OVX exists");
        return false;
    }
    std::strcpy(buffer, product::kFamilyVersion);
    LOG_INFO(tstrings::format("OVX with same version %s exists on the system", product::kFamilyVersion));
    return true;
}

bool IsSameOrOlderBuildInstalled(const std::string& versionText) {
    const std::string path = std::string(kRuntimesKey) + "\\" + versionText;
    Registry key;
    const LONG opened = key.tryOpen(Registry::hklm, path, KEY_READ | processView());
    if (opened != ERROR_SUCCESS) {
        LOG_ERROR(tstrings::format("Error Opening registry key %s: %d", path.c_str(), static_cast<int>(opened)));
        return false;
    }
    RegValue value;
    const LONG read = key.tryGetValue("BuildNumber", value);
    if (read != ERROR_SUCCESS) {
        LOG_ERROR(tstrings::format("OrunKey.QueryValue(BuildNumber, Value); failed: %d", static_cast<int>(read)));
        return false;
    }
    // The text of a decimal number, whatever the value's type says.
    const int build = std::atoi(value.text().c_str());
    if (build <= product::kBuildNumber) {
        LOG_INFO(tstrings::format("Existing build: %d is same/older than current build: %d", build, product::kBuildNumber));
        return true;
    }
    LOG_INFO(tstrings::format("Existing build: %d is newer than current build: %d", build, product::kBuildNumber));
    return false;
}

bool IsVersionStatic(const std::string& versionText, bool is64) {
    const std::optional<InstalledOvx> record = findInstalledOvx(OrunEnvironment::installedOvx(is64 ? 64 : 32), versionText);
    if (!record) {
        LOG_ERROR("cannot find OVX: " << versionText);
        return false;
    }
    return record->isStatic;
}

int UninstallThroughInstallerTool(const std::string& productCode, const std::string& versionText, bool silent) {
    std::string tool;
    const OSVERSIONINFOEXW& os = SysInfoImpl::osVersion();
    if (SysInfo::getOsVersionClass() == 1 && os.wProductType != VER_NT_WORKSTATION) {
        tool = SysInfo::getSystem32Dir() + "\\msiexec.exe";
    } else {
        const std::string location = Registry::hklm.exists(kInstallerKey)
                                         ? Registry(Registry::hklm, kInstallerKey).getString("InstallerLocation", "")
                                         : std::string();
        if (!location.empty()) tool = FileUtils::removeTrailingSlash(location) + "\\msiexec.exe";
    }
    const std::string arguments = tstrings::format(" /x %s", productCode.c_str()) + (silent ? " /qn" : " /qb!");
    LOG_INFO("Uninstalling the installed OVX " << versionText << ": " << tool << arguments);
    const int code = static_cast<int>(Executor::ExecProcessWaitForFinish(tool, arguments));
    if (code != 0) {
        logit(tstrings::format("uninstall %s of %s failed.  ErrorCode: %d", versionText.c_str(), productCode.c_str(), code));
    }
    return code;
}

int CheckGUIDAndUninstall(const std::string& versionText, int bitness, bool view64, bool silent) {
    const std::string productCode = qscrub::QCleaner::getProductGUID(versionText, bitness, false);
    const Registry& root = view64 ? Registry::hklm64 : Registry::hklm32;
    if (root.exists(kUninstallKey) && Registry(root, kUninstallKey).exists(productCode)) {
        const int code = UninstallThroughInstallerTool(productCode, versionText, silent);
        if (code != 0) LOG_ERROR("Uninstall existing OVX failed" << productCode << ":" << code);
        return code;
    }
    LOG_ERROR("GUID not found" << productCode << ":" << GetLastError());
    return 0;
}

int CheckReinstall(bool isStatic, bool silent) {
    const int bitness = product::bitness();
    char family[2048] = {};
    if (!IsSameOVXVersionInstalled(family)) return 1;
    if (!IsSameOrOlderBuildInstalled(product::kFamilyVersion)) {
        if (!silent) {
            showMessageBox(nullptr, loadString(IDS_NEWER_BUILD_INSTALLED, 2048), loadString(IDS_NEWER_BUILD_CAPTION, 2048),
                           MB_ICONERROR);
        }
        return 0;
    }
    int result = 1;
    if (!IsVersionStatic(product::kFamilyVersion, bitness == 64) || isStatic) {
        result = CheckGUIDAndUninstall(product::kFamilyVersion, bitness, bitness == 64, silent);
    }
    // Whether the uninstall worked or not, the package's own logic meets what is left.
    if (result != 1) return 1;
    if (silent) return -1;
    if (showMessageBox(nullptr, loadString(IDS_STATIC_INSTALLED, 2048), loadString(IDS_ALREADY_INSTALLED_CAPTION, 2048),
                       MB_ICONERROR) == IDOK) {
        ExitProcess(0);
    }
    return -1;
}

bool IsInstallInProgress() {
    std::string path;
    if (!installFlagPath(path)) {
        logit("Fail to get the file path for Orun install flag ");
        return false;
    }
    // Deleting the file either removes a stale flag or meets the launcher that holds it.
    if (DeleteFileA(path.c_str())) return false;
    const DWORD error = GetLastError();
    return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

bool SetInstallFlag() {
    std::string path;
    if (!installFlagPath(path)) {
        logit("Fail to get the file path for Orun install flag ");
        return false;
    }
    HANDLE flag = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (flag == INVALID_HANDLE_VALUE) {
        logit(tstrings::format("Fail to set installation flag, ErrorCode is %d", static_cast<int>(GetLastError())));
        return false;
    }
    g_installFlag.reset(flag);
    return true;
}

void CloseInstallFlag() { g_installFlag.reset(); }

bool FindOrunHome(char* buffer, DWORD& size) {
    Registry main;
    if (main.tryOpen(Registry::hklm, kRuntimesKey, KEY_READ) != ERROR_SUCCESS) {
        LOG_INFO("ERROR: FindOrunHome Open(OVXMAINKEY) failed.");
        return false;
    }
    Registry version;
    if (version.tryOpen(main, product::kFamilyVersion, KEY_READ) != ERROR_SUCCESS) {
        LOG_INFO("ERROR: FindOrunHome Open(version) failed.");
        return false;
    }
    // A text that does not fit the caller's buffer with a terminator fails, as the call into it would.
    RegValue home;
    if (size == 0 || version.tryGetValue("OrunHome", home) != ERROR_SUCCESS ||
        (home.type != REG_SZ && home.type != REG_EXPAND_SZ) || home.data.size() > size - 1) {
        LOG_INFO("ERROR: FindOrunHome QueryStringValue(OrunHome) failed.");
        return false;
    }
    std::memcpy(buffer, home.data.data(), home.data.size());
    buffer[home.data.size()] = '\0';
    size_t length = std::strlen(buffer);
    if (length > 0 && buffer[length - 1] == '\\') {
        buffer[--length] = '\0';
        // The key is open for reading only: the shortened value is not stored.
        if (version.trySetValue("OrunHome", REG_SZ, buffer, static_cast<DWORD>(length + 1)) != ERROR_SUCCESS) {
            LOG_INFO("ERROR: FindOrunHome SetStringValue(OrunHome) failed.");
        }
    }
    size = static_cast<DWORD>(length);
    return true;
}
