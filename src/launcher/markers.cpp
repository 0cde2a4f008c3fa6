#include "launcher/markers.h"

#include "base/logger.h"
#include "base/tstrings.h"
#include "base/win_handles.h"
#include "metrics/install_status.h"
#include "metrics/registry_places.h"

namespace {
const REGSAM kView = KEY_WOW64_64KEY;
}

void CreateSilentInstallMarker() {
    const std::string path = std::string(kOrunSoftKey) + "\\" + kSilentInstallKey;
    HKEY raw = nullptr;
    const LONG rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | kView, nullptr, &raw, nullptr);
    if (rc != ERROR_SUCCESS) {
        logit(tstrings::format("RegCreateKeyEx(%s): Error:%d", path.c_str(), static_cast<int>(rc)));
        return;
    }
    closeRegHandle(raw);
}

void DeleteSilentInstallMarker() {
    const std::string path = std::string(kOrunSoftKey) + "\\" + kSilentInstallKey;
    HKEY raw = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | KEY_WRITE | kView, &raw) != ERROR_SUCCESS) return;
    closeRegHandle(raw);
    UniqueRegKey parent;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kOrunSoftKey, 0, KEY_ALL_ACCESS | kView, &raw) != ERROR_SUCCESS) return;
    parent.reset(raw);
    RegDeleteKeyExA(parent.get(), kSilentInstallKey, kView, 0);
}

std::string ReadInstallStatusText() {
    char buffer[513] = {};
    if (!readInstallStatus("InstallStatus", buffer, sizeof(buffer))) return std::string();
    return buffer;
}

std::string ReadDeployStatus() {
    HKEY raw = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kOvxMetricsKey, 0, KEY_READ, &raw) != ERROR_SUCCESS) return "YY";
    UniqueRegKey key(raw);
    char buffer[256] = {};
    DWORD size = sizeof(buffer) - 1, type = 0;
    if (RegQueryValueExA(key.get(), "RegDeployStatus", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS ||
        type != REG_SZ) {
        return "YY";
    }
    buffer[size < sizeof(buffer) ? size : sizeof(buffer) - 1] = '\0';
    return buffer;
}

void RemoveOvxMetrics() {
    const LONG rc = RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kOvxMetricsKey, kView, 0);
    if (rc == ERROR_SUCCESS) {
        logit("RemoveOvxMetrics() - OvxMetrics key successfully removed\n");
    } else {
        logit(tstrings::format("RemoveOvxMetrics() - RegDeleteKeyEx(): Error:%d, ErrorCode:%d\n", static_cast<int>(rc),
                               static_cast<int>(GetLastError())));
    }
}
