#include "metrics/ovx_metrics.h"

#include <cstring>
#include <ctime>
#include <memory>

#include "base/bounded_call.h"
#include "base/logger.h"
#include "base/report.h"
#include "base/trusted_url.h"
#include "base/tstrings.h"
#include "metrics/install_status.h"
#include "metrics/ping_text.h"
#include "msi/error.h"
#include "net/http_connection.h"
#include "process/browsers.h"
#include "product/product.h"
#include "product/registry_places.h"
#include "registry/registry.h"
#include "version/orun_version.h"

namespace {

// The counters live in the 32-bit view; "OfferedSPCnt" in the launcher's own.
const Registry& countersRoot() { return Registry::hklm32; }
const Registry& ownRoot() { return Registry::hklm64; }

LONG readDword(const Registry& key, const char* name, DWORD& out) {
    DWORD size = sizeof(out);
    return GetOvxMetrics(&key, name, &out, size);
}

bool readText(const Registry& key, const char* name, std::string& out) {
    RegValue value;
    if (key.tryGetValue(name, value) != ERROR_SUCCESS || (value.type != REG_SZ && value.type != REG_EXPAND_SZ)) {
        return false;
    }
    out = value.text();
    return true;
}

LONG writeDword(const Registry& key, const char* name, DWORD value) {
    return key.trySetValue(name, REG_DWORD, &value, sizeof(value));
}

// Without the terminating NUL, as every text of the report's keys.
LONG writeText(const Registry& key, const char* name, const std::string& text) {
    return key.trySetValue(name, REG_SZ, text.data(), static_cast<DWORD>(text.size()));
}

void logFailure(const char* format, LONG rc) {
    logit(tstrings::format(format, static_cast<long>(rc), static_cast<int>(rc)));
}

}  // namespace

PingValues& pingValues() {
    static PingValues values;
    return values;
}

void ensureVisitorId(std::string& visitorId) {
    char stored[32] = {};
    DWORD size = sizeof(stored) - 1;
    if (readPolicyValue("VisitorId", stored, size) && size >= 16) {
        visitorId.assign(stored, strnlen(stored, size));
        return;
    }
    visitorId = ping::composeVisitorId(GetTickCount(), static_cast<unsigned long>(std::time(nullptr)),
                                       GetCurrentProcessId());
    writePolicyValue("VisitorId", visitorId.c_str());
}

LONG GetOvxMetrics(const Registry* key, const char* name, void* data, DWORD& size) {
    Registry own;
    if (!key) {
        const LONG rc = own.tryOpen(ownRoot(), kOvxMetricsKey, KEY_READ);
        if (rc != ERROR_SUCCESS) {
            logit(tstrings::format("GetOvxMetrics() - RegOpenKeyEx(%s): Error:%d, ErrorCode:%d\n", name,
                                   static_cast<int>(rc), static_cast<int>(rc)));
            return rc;
        }
        key = &own;
    }
    const LONG rc = key->tryGetValueInto(name, data, size);
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) {
        logit(tstrings::format("GetOvxMetrics() - RegQueryValueEx(%s): Error:%d, ErrorCode:%d\n", name,
                               static_cast<int>(rc), static_cast<int>(rc)));
    }
    return rc;
}

LONG GetUpdatedOvxMetrics(int installResult, std::string& machineCounted, std::string& updateCount,
                          std::string& installAttempts) {
    machineCounted = updateCount = installAttempts = "XX";
    Registry key;
    LONG rc = key.tryOpen(countersRoot(), kOvxMetricsKey, KEY_READ | KEY_WRITE, true);
    if (rc != ERROR_SUCCESS) {
        logFailure("GetUpdatedOvxMetrics() - RegCreateKeyEx failed: %ld Error Code: %d\n", rc);
        return rc;
    }
    const bool succeeded = IsInstallSuccess(installResult);

    DWORD machineCount = 0;
    rc = readDword(key, "MachineCount", machineCount);
    if (rc == ERROR_FILE_NOT_FOUND && !succeeded) {
        machineCounted = "ZZ";
        logit(tstrings::format("GetUpdatedOvxMetrics() - MachineCount registry value does not exist and will not be "
                               "created  because install was not successful. Error: %d\n",
                               installResult));
    } else if (rc == ERROR_FILE_NOT_FOUND) {
        const LONG set = writeDword(key, "MachineCount", 1);
        if (set == ERROR_SUCCESS) {
            machineCounted = "false";
            logit("GetUpdatedOvxMetrics() - MachineCount registry value created\n");
        } else {
            logFailure("GetUpdatedOvxMetrics() - RegSetValue for MachineCount failed: %ld Error Code: %d\n", set);
        }
    } else if (rc == ERROR_SUCCESS) {
        machineCounted = succeeded ? "true" : "YY";
        logit("GetUpdatedOvxMetrics() - MachineCount registry value exists\n");
    } else {
        logFailure("GetUpdatedOvxMetrics() - RegQueryValueEx for MachineCount failed: %ld Error Code: %d\n", rc);
    }

    const RuntimeVersion current(product::kVersion);
    DWORD storedAttempts = 0;
    std::string failedVersion;
    long attempts = 1;
    if (readDword(key, "InstallAttempts", storedAttempts) == ERROR_SUCCESS && readText(key, "NewOvxVersion", failedVersion)) {
        try {
            if (RuntimeVersion(failedVersion) == current) attempts = static_cast<long>(storedAttempts) + 1;
        } catch (const std::exception&) {
            // Not a version: the count starts again.
        }
    }
    DWORD storedCount = 0;
    long count = readDword(key, "UpdateCount", storedCount) == ERROR_SUCCESS ? static_cast<long>(storedCount) : -1;

    if (!succeeded) {
        if (installResult == -128) {
            key.deleteValue("InstallAttempts");
            key.deleteValue("NewOvxVersion");
        } else {
            LONG set = writeDword(key, "InstallAttempts", static_cast<DWORD>(attempts));
            if (set != ERROR_SUCCESS) {
                logFailure("GetUpdatedOvxMetrics() - RegSetValueEx failed for InstallAttempts: %ld Error Code: %d\n", set);
            }
            set = writeText(key, "NewOvxVersion", product::kVersion);
            if (set != ERROR_SUCCESS) {
                logFailure("GetUpdatedOvxMetrics() - RegSetValueEx failed for NewOvxVersion: %ld Error Code: %d\n", set);
            }
        }
    } else {
        std::string installed;
        bool newer = !readText(key, "OvxVersion", installed);
        if (!newer) {
            try {
                newer = RuntimeVersion(installed) < current;
            } catch (const std::exception&) {
                newer = true;  // an unreadable record is replaced
            }
        }
        if (newer) {
            ++count;
            LONG set = writeText(key, "OvxVersion", product::kVersion);
            if (set != ERROR_SUCCESS) {
                logFailure("GetUpdatedOvxMetrics() - RegSetValueEx failed for OvxVersion: %ld Error Code: %d\n", set);
            }
            set = writeDword(key, "UpdateCount", static_cast<DWORD>(count));
            if (set != ERROR_SUCCESS) {
                logFailure("GetUpdatedOvxMetrics() - RegSetValueEx failed for UpdateCount: %ld Error Code: %d\n", set);
            }
        }
        key.deleteValue("InstallAttempts");
        key.deleteValue("NewOvxVersion");
    }

    updateCount = std::to_string(count < 0 ? 0 : count);
    installAttempts = std::to_string(attempts);
    logit(tstrings::format("GetUpdatedOvxMetrics() - MachineCounted: %s, InstallAttempts: %s, UpdateCount: %s\n",
                           machineCounted.c_str(), installAttempts.c_str(), updateCount.c_str()));
    return ERROR_SUCCESS;
}

int takeOfferedSPCnt() {
    Registry key;
    if (key.tryOpen(ownRoot(), kOvxMetricsKey, KEY_READ | KEY_WRITE, true) != ERROR_SUCCESS) return 0;
    DWORD value = 0;
    DWORD size = sizeof(value);
    const LONG rc = key.tryGetValueInto("OfferedSPCnt", &value, size);
    if (rc == ERROR_FILE_NOT_FOUND) return -1;
    if (rc != ERROR_SUCCESS) return -2;
    key.deleteValue("OfferedSPCnt");
    return static_cast<int>(value);
}

std::string browserFlagsText(bool view32) {
    std::string text = "B";
    for (int id = 0; id <= 2; ++id) text += browsers::isInstalled(id, view32) ? "1" : "0";
    return text + "00";
}

int GetCountry(const std::string& lookupAddress) {
    PingValues& values = pingValues();
    values.country = "YY";
    if (lookupAddress.empty() || !IsTrustedUrl(lookupAddress)) return 0;
    char stored[3] = {};
    DWORD size = sizeof(stored);
    if (readPolicyValue("Country", stored, size)) {
        values.country.assign(stored, strnlen(stored, size));
        return 1;
    }
    try {
        auto header = std::make_shared<std::string>();
        const bool dialogs = !isSilentRun();
        callWithin(kServiceTimeoutMs, "The country lookup at " + lookupAddress, [lookupAddress, header, dialogs] {
            HttpConnection connection(lookupAddress);
            connection.method = HttpConnection::HEAD;
            connection.userAgent = "qucheck";
            connection.httpEnabled = true;
            connection.showErrorDialogs = dialogs;
            connection.timeoutMs = kServiceTimeoutMs;
            *header = connection.connect(true).getCustomHeader("COUNTRY", "");
        });
        const std::string value = *header;
        if (value.size() != 2) throw QDS_ERROR(std::runtime_error("Invalid country value : '" + value + "'"));
        values.country = value;
        if (writePolicyValue("Country", value.c_str())) {
            LOG_INFO("Save Country Code " << value << " after GetCountry()");
        }
        return 1;
    } catch (const std::exception& e) {
        REPORT_EXCEPTION(e);
    } catch (...) {
        REPORT_UNKNOWN_EXCEPTION();
    }
    return 0;
}
