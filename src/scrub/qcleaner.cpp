#include "scrub/qcleaner.h"

#include <cstdio>

#include "base/sys_info.h"
#include "base/win.h"
#include "base/win_handles.h"
#include "product/installed_ovx.h"
#include "registry/registry.h"
#include "scrub/product_code.h"
#include "scrub/scrub_log.h"
#include "product/registry_places.h"

namespace qscrub {
namespace {

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
    // No path: the system's search path finds the installer's tool.
    return runMsiexecUninstallWith("MsiExec.exe", productCode, exitCode);
}

bool QCleaner::runMsiexecUninstallWith(const std::string& program, const std::string& productCode, int& exitCode) {
    char commandLine[1024];
    std::snprintf(commandLine, sizeof commandLine, "%s REBOOT=Suppress /x %s /qn", program.c_str(), productCode.c_str());
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
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
    WaitForSingleObject(process.get(), INFINITE);
    DWORD code = 0;
    if (!GetExitCodeProcess(process.get(), &code)) code = GetLastError();
    exitCode = static_cast<int>(code);
    process.reset();
    thread.reset();

    // The record goes whatever the result, so that a product the installer no
    // longer knows is not offered again.
    Registry::hklm.deleteSubkey(std::string(kUninstallKey) + "\\" + productCode);
    return code == 0 || code == 3010;
}

}  // namespace qscrub
