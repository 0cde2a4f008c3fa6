#include "scrub/qcleaner.h"

#include <cstdio>

#include "base/file_utils.h"
#include "base/logger.h"
#include "base/report.h"
#include "base/sys_info.h"
#include "base/win.h"
#include "base/win_handles.h"
#include "product/installed_ovx.h"
#include "product/registry_places.h"
#include "registry/registry.h"
#include "scrub/product_code.h"
#include "scrub/scrub_log.h"

namespace qscrub {

namespace {

// The longest an uninstall may take before the removal goes on without it.
const DWORD kUninstallTimeoutMs = 30 * 60 * 1000;

bool versionKeyExists(const std::string& key, int arch) {
    if (arch == 32) return Registry::hklm32.exists(key);
    if (arch == 64) return Registry::hklm64.exists(key);
    return false;
}

const UninstallSteps& systemSteps() {
    static const UninstallSteps steps{versionKeyExists, [](const std::string& code, int& exitCode) {
                                          return QCleaner::runMsiexecUninstall(code, exitCode);
                                      }};
    return steps;
}

}  // namespace

std::vector<InstalledVersion> QCleaner::collectInstalledVersions() {
    unsigned flags = OVX_ENUM_RUNTIMES | OVX_ENUM_VIEW32;
    if (SysInfo::isX64()) flags |= OVX_ENUM_VIEW64;
    std::vector<InstalledVersion> versions;
    for (const InstalledOvx& ovx : enumerateInstalledOvx(flags)) {
        InstalledVersion v;
        v.version = RuntimeVersion(OrunVersionDetails::toString(ovx.version.components()));
        v.arch = ovx.bitness;
        versions.push_back(v);
    }
    return versions;
}

std::string QCleaner::getProductGUID(const std::string& versionText, int arch, bool anyUpdate) {
    return productCode(versionText, arch, anyUpdate);
}

bool QCleaner::uninstall(const std::string& versionText, int arch, int& exitCode) {
    return uninstallRuntime(versionText, arch, exitCode, systemSteps());
}

bool QCleaner::uninstallByProductCode(const std::string& versionText, int arch, int& exitCode) {
    return qscrub::uninstallByProductCode(versionText, arch, exitCode, systemSteps());
}

bool QCleaner::uninstallByUpdateScan(const std::string& versionText, int arch, int& exitCode) {
    return qscrub::uninstallByUpdateScan(versionText, arch, exitCode, systemSteps());
}

bool QCleaner::runMsiexecUninstall(const std::string& productCode, int& exitCode) {
    // By its full path in the system directory: a program of that name beside
    // the launcher or in the working folder must never run with its rights.
    std::string program;
    try {
        program = FileUtils::combinePath(SysInfo::getSystem32Dir(), "msiexec.exe");
    } catch (const std::exception& e) {
        REPORT_EXCEPTION(e);
        exitCode = ERROR_PATH_NOT_FOUND;
        return false;
    }
    return runMsiexecUninstallWith(program, productCode, exitCode);
}

bool QCleaner::runMsiexecUninstallWith(const std::string& program, const std::string& productCode, int& exitCode) {
    std::string commandLine = "\"" + program + "\" REBOOT=Suppress /x " + productCode + " /qn";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    // The program named, never one found through the search path.
    if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        // A failed attempt, not the end of the launcher: the removal goes on
        // with the next code or runtime. The product's records stay, since
        // nothing removed it.
        const DWORD error = GetLastError();
        {
            UniqueHandle log = openScrubLog();
            if (log.valid()) writeScrubLog(log, "Cannot execute msiexec.exe");
        }
        std::fputs("Cannot execute misexec.exe", stderr);
        std::fflush(stderr);
        exitCode = static_cast<int>(error);
        return false;
    }
    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);
    DWORD code = 0;
    if (WaitForSingleObject(process.get(), kUninstallTimeoutMs) == WAIT_TIMEOUT) {
        // Left to finish on its own: stopping an uninstall half way is worse.
        LOG_ERROR("msiexec.exe /x " << productCode << " did not end within " << kUninstallTimeoutMs / 60000
                                    << " minutes; counted as failed");
        code = WAIT_TIMEOUT;
    } else if (!GetExitCodeProcess(process.get(), &code)) {
        code = GetLastError();
    }
    exitCode = static_cast<int>(code);
    process.reset();
    thread.reset();

    // The record goes whatever the result, so that a product the installer no
    // longer knows is not offered again.
    Registry::hklm.deleteSubkey(std::string(kUninstallKey) + "\\" + productCode);
    return code == 0 || code == 3010;
}

}  // namespace qscrub
