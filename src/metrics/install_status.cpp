#include "metrics/install_status.h"

#include <cstring>

#include <algorithm>

#include "base/logger.h"
#include "base/report.h"
#include "launcher/installed_ovx.h"
#include "launcher/product.h"
#include "process/browsers.h"
#include "base/tstrings.h"
#include "base/win_handles.h"
#include "metrics/registry_places.h"

namespace {
const REGSAM kView = KEY_WOW64_64KEY;

LONG openKey(const char* path, REGSAM access, UniqueRegKey& key) {
    HKEY raw = nullptr;
    const LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, access | kView, &raw);
    if (rc == ERROR_SUCCESS) key.reset(raw);
    return rc;
}

// Deletes a value that can be read, or that is larger than a DWORD; an absent
// value is no error.
LONG deleteDwordValue(HKEY key, const char* name, const char* failure) {
    DWORD value = 0, size = sizeof(value);
    const LONG read = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
    if (read != ERROR_SUCCESS && read != ERROR_MORE_DATA) return ERROR_SUCCESS;
    const LONG rc = RegDeleteValueA(key, name);
    if (rc != ERROR_SUCCESS) logit(failure);
    return rc;
}
}  // namespace

void ClearInstallStatus() {
    UniqueRegKey key;
    if (openKey(kOrunSoftKey, KEY_ALL_ACCESS, key) != ERROR_SUCCESS) return;
    RegDeleteValueA(key.get(), "InstallStatus");
    DWORD subkeys = 0, values = 0;
    if (RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                         nullptr, nullptr) == ERROR_SUCCESS &&
        subkeys == 0 && values == 0) {
        key.reset();
        RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kOrunSoftKey, kView, 0);
    }
}

bool readInstallStatus(const char* name, char* buffer, DWORD size) {
    UniqueRegKey key;
    if (openKey(kOrunSoftKey, KEY_READ, key) != ERROR_SUCCESS || size == 0) return false;
    DWORD type = 0, bytes = size - 1;
    if (RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &bytes) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
        buffer[0] = '\0';
        return false;
    }
    buffer[bytes < size ? bytes : size - 1] = '\0';
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
    UniqueRegKey key;
    const LONG open = openKey(kOrunSoftKey, KEY_READ, key);
    if (open != ERROR_SUCCESS) {
        logit("Could not open the registry key.");
        return open;
    }
    DWORD size = sizeof(error);
    const LONG first = RegQueryValueExA(key.get(), "MSIStatusError", nullptr, nullptr, reinterpret_cast<BYTE*>(&error), &size);
    if (first != ERROR_SUCCESS) logit("Could not get MSIStatusError registry value.");
    size = sizeof(extendedError);
    const LONG second =
        RegQueryValueExA(key.get(), "MSIStatusExtendedError", nullptr, nullptr, reinterpret_cast<BYTE*>(&extendedError), &size);
    if (second != ERROR_SUCCESS) logit("Could not get MSIStatusExtendedError registry value.");
    const LONG close = RegCloseKey(key.release());
    return first != ERROR_SUCCESS ? first : second != ERROR_SUCCESS ? second : close;
}

LONG ClearMSIStatus() {
    UniqueRegKey key;
    const LONG open = openKey(kOrunSoftKey, KEY_ALL_ACCESS, key);
    if (open == ERROR_FILE_NOT_FOUND) {
        logit("Could not find HKEY_LOCAL_MACHINE, SOFTWARE\\OrunSoft registry key.");
        return ERROR_SUCCESS;
    }
    if (open != ERROR_SUCCESS) {
        logit("Could not open HKEY_LOCAL_MACHINE, SOFTWARE\\OrunSoft registry key.");
        return open;
    }
    const LONG first = deleteDwordValue(key.get(), "MSIStatusError", "Could not delete MSIStatusError registry value.");
    const LONG second =
        deleteDwordValue(key.get(), "MSIStatusExtendedError", "Could not delete MSIStatusExtendedError registry value.");
    const LONG close = RegCloseKey(key.release());
    return first != ERROR_SUCCESS ? first : second != ERROR_SUCCESS ? second : close;
}

bool readPolicyValue(const char* name, char* buffer, DWORD& size) {
    UniqueRegKey key;
    if (openKey(kPolicyKey, KEY_READ, key) != ERROR_SUCCESS) return false;
    const LONG rc = RegQueryValueExA(key.get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) {
        logit(tstrings::format("RegQueryValueEx(%s): Error:%d, ErrorCode:%d\n", name, static_cast<int>(rc),
                               static_cast<int>(GetLastError())));
    }
    return rc == ERROR_SUCCESS;
}

bool writePolicyValue(const char* name, const char* text) {
    if (!text) {
        UniqueRegKey key;
        if (openKey(kPolicyKey, KEY_SET_VALUE, key) != ERROR_SUCCESS) return false;
        return RegDeleteValueA(key.get(), name) == ERROR_SUCCESS;
    }
    HKEY raw = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kPolicyKey, 0, nullptr, 0, KEY_ALL_ACCESS | kView, nullptr, &raw, nullptr) !=
        ERROR_SUCCESS) {
        return false;
    }
    UniqueRegKey key(raw);
    return RegSetValueExA(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                          static_cast<DWORD>(std::strlen(text) + 1)) == ERROR_SUCCESS;
}

int SendHeadRequest(const InstallConfigData&, const OrunScrubPingData*, const std::string&, int, int, const std::string&,
                    const std::string&, const std::string&, const std::string&, DWORD, DWORD) {
    // The status report needs the HTTP client; until then no report is sent.
    return 1;
}
