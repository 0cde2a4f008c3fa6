#pragma once
// The installed Orun runtimes as the out-of-date removal sees them, and the
// removal of one of them through the system's msiexec. The declarations need
// no Windows API, so that the removal policy can use the records anywhere.
#include <string>
#include <vector>

#include "version/orun_version.h"

namespace qscrub {

struct InstalledVersion {
    // Inside its family's removal range: the version's check box starts checked.
    static constexpr unsigned preselected = 8;

    RuntimeVersion version;  // parsed from OrunVersionDetails::toString's text
    int arch = 0;            // 32 or 64: the registry view it was found in
    unsigned flags = 0;
};

class QCleaner {
public:
    // The registered runtimes of the 32-bit view and, on a 64-bit system, of the
    // 64-bit view, in the enumeration's order.
    static std::vector<InstalledVersion> collectInstalledVersions();

    // See qscrub::productCode.
    static std::string getProductGUID(const std::string& versionText, int arch, bool anyUpdate);

    // True when an msiexec run ended with 0 or 3010. exitCode receives the last
    // run's code and is left untouched when nothing ran.
    static bool uninstall(const std::string& versionText, int arch, int& exitCode);
    static bool uninstallByProductCode(const std::string& versionText, int arch, int& exitCode);
    static bool uninstallByUpdateScan(const std::string& versionText, int arch, int& exitCode);

    // "MsiExec.exe REBOOT=Suppress /x <code> /qn", waited for; then the product's
    // Uninstall key goes, whatever the exit code. A start failure is a failed
    // run whose exit code is the system error.
    static bool runMsiexecUninstall(const std::string& productCode, int& exitCode);
    // The same with another program in MsiExec.exe's place (tests).
    static bool runMsiexecUninstallWith(const std::string& program, const std::string& productCode, int& exitCode);
};

}  // namespace qscrub
