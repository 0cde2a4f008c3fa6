#include "launcher/markers.h"

#include "base/logger.h"
#include "base/tstrings.h"
#include "metrics/install_status.h"
#include "product/registry_places.h"
#include "registry/registry.h"

namespace {
// The markers live in the 64-bit view.
const Registry& markerRoot() { return Registry::hklm64; }
}  // namespace

void CreateSilentInstallMarker() {
    const std::string path = std::string(kOrunSoftKey) + "\\" + kSilentInstallKey;
    Registry key;
    const LONG rc = key.tryOpen(markerRoot(), path, KEY_ALL_ACCESS, true);
    if (rc != ERROR_SUCCESS) logit(tstrings::format("RegCreateKeyEx(%s): Error:%d", path.c_str(), static_cast<int>(rc)));
}

void DeleteSilentInstallMarker() {
    const std::string path = std::string(kOrunSoftKey) + "\\" + kSilentInstallKey;
    if (!markerRoot().exists(path)) return;
    Registry parent;
    if (parent.tryOpen(markerRoot(), kOrunSoftKey, KEY_ALL_ACCESS) != ERROR_SUCCESS) return;
    parent.deleteSubkey(kSilentInstallKey);
}

std::string ReadInstallStatusText() {
    char buffer[513] = {};
    if (!readInstallStatus("InstallStatus", buffer, sizeof(buffer))) return std::string();
    return buffer;
}

std::string ReadDeployStatus() {
    Registry key;
    if (key.tryOpen(Registry::hklm, kOvxMetricsKey, KEY_READ) != ERROR_SUCCESS) return "YY";
    // At most 255 bytes are read, as into the buffer this text had.
    RegValue value;
    if (key.tryGetValue("RegDeployStatus", value) != ERROR_SUCCESS || value.type != REG_SZ || value.data.size() > 255) {
        return "YY";
    }
    return value.text();
}

void RemoveOvxMetrics() {
    const LONG rc = markerRoot().deleteSubkey(kOvxMetricsKey);
    if (rc == ERROR_SUCCESS) {
        logit("RemoveOvxMetrics() - OvxMetrics key successfully removed\n");
    } else {
        logit(tstrings::format("RemoveOvxMetrics() - RegDeleteKeyEx(): Error:%d, ErrorCode:%d\n", static_cast<int>(rc),
                               static_cast<int>(rc)));
    }
}
