#include "scrub/product_code.h"

#include <stdexcept>

#include "base/file_utils.h"
#include "base/source_location.h"
#include "base/tstrings.h"
#include "product/registry_places.h"
#include "version/orun_version.h"

namespace qscrub {
namespace {

// Each release line registered its package under one of these code forms.
const char* const kOldCodeBody = "5E0B93C1-2A47-11D6-B3C8-00C4E1";
const char* const kOldCodeSuffix = "0B93C1-2A47-11D6-B3C8-00C4E1";
const char* const kNewCodePrefix8 = "9B3D71F2-4C6E-4A85-93D1-6E8";
const char* const kNewCodePrefix0 = "9B3D71F2-4C6E-4A85-93D1-6E0";
const char* const kNewCodePrefixShort = "9B3D71F2-4C6E-4A85-93D1-6E";

const RuntimeVersion& v142() {
    static const RuntimeVersion v("1.4.2");
    return v;
}
const RuntimeVersion& v150() {
    static const RuntimeVersion v("1.5.0");
    return v;
}
const RuntimeVersion& v16010() {
    static const RuntimeVersion v("1.6.0_10");
    return v;
}

using namespace OrunVersionDetails;

}  // namespace

std::string productCode(const std::string& versionText, int arch, bool anyUpdate) {
    const RuntimeVersion v(versionText);
    if (v < v142()) throw QDS_ERROR(std::runtime_error("Orun version less than 1.4.2 is not supported"));

    const std::string bits = std::to_string(arch);
    std::string prefix;
    if (v < v150()) {
        prefix = kOldCodeBody;
    } else if (v < v16010()) {
        prefix = bits + kOldCodeSuffix;
    } else if (v[Update] >= 100) {
        prefix = kNewCodePrefixShort + bits;
    } else if (v[Minor] == 7 && v[Update] >= 60 && v[Update] <= 71) {
        prefix = kNewCodePrefix0 + bits;
    } else {
        prefix = kNewCodePrefix8 + bits;
    }
    const char* ending = anyUpdate ? "FF" : (v < v16010() ? "0" : "F0");
    return "{" + prefix + std::to_string(v[Major]) + std::to_string(v[Minor]) + std::to_string(v[Micro]) +
           tstrings::format("%02d", v[Update]) + ending + "}";
}

bool uninstallByProductCode(const std::string& versionText, int arch, int& exitCode, const UninstallSteps& steps) {
    return steps.runMsiexec(productCode(versionText, arch, false), exitCode);
}

bool uninstallByUpdateScan(const std::string& versionText, int arch, int& exitCode, const UninstallSteps& steps) {
    const RuntimeVersion v(versionText);
    const std::string family = toString(v[Major], v[Minor], v[Micro], -1, -1);
    for (int n = v[Update]; n >= 0; --n) {
        if (steps.runMsiexec(productCode(family + "_" + std::to_string(n), arch, true), exitCode)) return true;
    }
    return false;
}

bool uninstallRuntime(const std::string& versionText, int arch, int& exitCode, const UninstallSteps& steps) {
    if (!steps.keyExists(FileUtils::combinePath(kRuntimesKey, versionText), arch)) {
        // A runtime is listed by its full version ("1.8.0_45-b15", from its
        // FullVersion record) but keeps its records under the version without
        // the build: a listed runtime must be found where it lives.
        const RuntimeVersion listed(versionText);
        const std::string keyName = toString(listed[Major], listed[Minor], listed[Micro], listed[Update], -1);
        if (keyName == versionText || !steps.keyExists(FileUtils::combinePath(kRuntimesKey, keyName), arch)) {
            return false;
        }
    }
    const RuntimeVersion v(versionText);
    // The old code forms have no update scan: their codes end in "0", and a
    // scan's "FF" form would be one character too long to match anything.
    if (v >= v142() && v < v16010()) return uninstallByProductCode(versionText, arch, exitCode, steps);
    return uninstallByProductCode(versionText, arch, exitCode, steps) ||
           uninstallByUpdateScan(versionText, arch, exitCode, steps);
}

}  // namespace qscrub
