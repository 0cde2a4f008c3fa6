#pragma once
// Windows Installer product codes of the runtimes, and the order in which a
// removal tries them. No Windows API here: the two steps that touch the
// machine are passed in, so that the sequence is tested on its own.
#include <functional>
#include <string>

namespace qscrub {

// The product code, braces included, of a runtime version of the given arch
// (32 or 64). anyUpdate selects the "FF" ending that the update scan tries.
// Raises QdsError over std::runtime_error below 1.4.2, and the version
// parser's error for a text it cannot read.
std::string productCode(const std::string& versionText, int arch, bool anyUpdate);

struct UninstallSteps {
    // Whether the key exists under HKEY_LOCAL_MACHINE in the view of arch.
    std::function<bool(const std::string& key, int arch)> keyExists;
    // One msiexec run of a product code: sets the exit code, true for 0 or 3010.
    std::function<bool(const std::string& productCode, int& exitCode)> runMsiexec;
};

// The exact code, then (from 1.6.0_10 on) the update scan; false without
// running anything when the runtime's version key is missing. exitCode gets
// the last run's code and is untouched when nothing ran.
bool uninstallRuntime(const std::string& versionText, int arch, int& exitCode, const UninstallSteps& steps);
bool uninstallByProductCode(const std::string& versionText, int arch, int& exitCode, const UninstallSteps& steps);
// The any-update codes of the version's family from its update down to 0.
bool uninstallByUpdateScan(const std::string& versionText, int arch, int& exitCode, const UninstallSteps& steps);

}  // namespace qscrub
