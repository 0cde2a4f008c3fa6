#include "metrics/install_status.h"

#include <cstring>

#include <algorithm>

#include "base/logger.h"
#include "base/report.h"
#include "base/sys_info.h"
#include "base/tstrings.h"
#include "product/installed_ovx.h"
#include "product/product.h"
#include "product/registry_places.h"
#include "registry/registry.h"

namespace {
// The markers live in the 64-bit view.
const Registry& markerRoot() { return Registry::hklm64; }

LONG readDword(const Registry& key, const char* name, DWORD& out) {
    DWORD size = sizeof(out);
    return key.tryGetValueInto(name, &out, size);
}

// Deletes a value that is there; an absent value is no error.
LONG deleteDwordValue(const Registry& key, const char* name, const char* failure) {
    RegValue value;
    if (key.tryGetValue(name, value) != ERROR_SUCCESS) return ERROR_SUCCESS;
    const LONG rc = key.deleteValue(name);
    if (rc != ERROR_SUCCESS) logit(failure);
    return rc;
}
}  // namespace

void ClearInstallStatus() {
    Registry key;
    if (key.tryOpen(markerRoot(), kOrunSoftKey, KEY_ALL_ACCESS) != ERROR_SUCCESS) return;
    key.deleteValue("InstallStatus");
    DWORD subkeys = 0, values = 0;
    if (key.countEntries(subkeys, values) == ERROR_SUCCESS && subkeys == 0 && values == 0) {
        key = Registry();
        markerRoot().deleteSubkey(kOrunSoftKey);
    }
}

bool readInstallStatus(const char* name, char* buffer, DWORD size) {
    Registry key;
    if (key.tryOpen(markerRoot(), kOrunSoftKey, KEY_READ) != ERROR_SUCCESS || size == 0) return false;
    RegValue value;
    // A text that does not fit with its terminator is not read.
    if (key.tryGetValue(name, value) != ERROR_SUCCESS || (value.type != REG_SZ && value.type != REG_EXPAND_SZ) ||
        value.data.size() > size - 1) {
        buffer[0] = '\0';
        return false;
    }
    std::memcpy(buffer, value.data.data(), value.data.size());
    buffer[value.data.size()] = '\0';
    return buffer[0] != '\0';
}

bool GetLatestOvxKey(std::string& version) {
    try {
        std::vector<InstalledOvx> runtimes = OrunEnvironment::installedOvx(isNotNativeX64() ? 32 : 64);
        std::sort(runtimes.begin(), runtimes.end(),
                  [](const InstalledOvx& a, const InstalledOvx& b) { return a.version < b.version; });
        const RuntimeVersion current = withoutBuild(RuntimeVersion(product::kFamilyVersion));
        for (auto it = runtimes.rbegin(); it != runtimes.rend(); ++it) {
            const RuntimeVersion other = withoutBuild(it->version);
            if (other == current) continue;
            version = other.text();
            return true;
        }
    } catch (const std::exception& e) {
        REPORT_EXCEPTION(e);
    } catch (...) {
        REPORT_UNKNOWN_EXCEPTION();
    }
    return false;
}

LONG GetMSIStatus(DWORD& error, DWORD& extendedError) {
    // A package that left no status (no key, no values) is no failure: both stay 0.
    Registry key;
    const LONG open = key.tryOpen(markerRoot(), kOrunSoftKey, KEY_READ);
    if (open == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    if (open != ERROR_SUCCESS) {
        logit("Could not open the registry key.");
        return open;
    }
    LONG first = readDword(key, "MSIStatusError", error);
    if (first == ERROR_FILE_NOT_FOUND) first = ERROR_SUCCESS;
    if (first != ERROR_SUCCESS) logit("Could not get MSIStatusError registry value.");
    LONG second = readDword(key, "MSIStatusExtendedError", extendedError);
    if (second == ERROR_FILE_NOT_FOUND) second = ERROR_SUCCESS;
    if (second != ERROR_SUCCESS) logit("Could not get MSIStatusExtendedError registry value.");
    return first != ERROR_SUCCESS ? first : second;
}

LONG ClearMSIStatus() {
    Registry key;
    const LONG open = key.tryOpen(markerRoot(), kOrunSoftKey, KEY_ALL_ACCESS);
    if (open == ERROR_FILE_NOT_FOUND) {
        logit("Could not find HKEY_LOCAL_MACHINE, SOFTWARE\\OrunSoft registry key.");
        return ERROR_SUCCESS;
    }
    if (open != ERROR_SUCCESS) {
        logit("Could not open HKEY_LOCAL_MACHINE, SOFTWARE\\OrunSoft registry key.");
        return open;
    }
    const LONG first = deleteDwordValue(key, "MSIStatusError", "Could not delete MSIStatusError registry value.");
    const LONG second =
        deleteDwordValue(key, "MSIStatusExtendedError", "Could not delete MSIStatusExtendedError registry value.");
    return first != ERROR_SUCCESS ? first : second;
}

bool readPolicyValue(const char* name, char* buffer, DWORD& size) {
    Registry key;
    if (key.tryOpen(markerRoot(), kPolicyKey, KEY_READ) != ERROR_SUCCESS) return false;
    const LONG rc = key.tryGetValueInto(name, buffer, size);
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) {
        logit(tstrings::format("RegQueryValueEx(%s): Error:%d, ErrorCode:%d\n", name, static_cast<int>(rc), static_cast<int>(rc)));
    }
    return rc == ERROR_SUCCESS;
}

bool writePolicyValue(const char* name, const char* text) {
    Registry key;
    if (!text) {
        if (key.tryOpen(markerRoot(), kPolicyKey, KEY_SET_VALUE) != ERROR_SUCCESS) return false;
        return key.deleteValue(name) == ERROR_SUCCESS;
    }
    if (key.tryOpen(markerRoot(), kPolicyKey, KEY_ALL_ACCESS, true) != ERROR_SUCCESS) return false;
    // Without the terminating NUL, as every text the report keeps.
    return key.trySetValue(name, REG_SZ, text, static_cast<DWORD>(std::strlen(text))) == ERROR_SUCCESS;
}
