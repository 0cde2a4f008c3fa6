#pragma once
// The auto-update component carried in the resources: what is installed, and
// installing the carried package over it.
#include <string>

#include "base/win.h"
#include "version/orun_version.h"

namespace au {

// The auto-update component found on the machine. Invalid: none found, or a
// version text that does not parse.
struct InstalledState {
    DottedVersion version;
    std::string text;
    bool valid = false;

    // The product's "ProductVersion", else the registry's "AUVersion"; never raises.
    static InstalledState detect();
};

// The state of a version text; invalid (and reported) when it does not parse.
InstalledState initState(const std::string& versionText);

// The component's product code, shared by every version from 2.0 on.
inline constexpr const char* kProductCode = "{8C51E2A4-3D7B-4E62-8E13-1A9C35B20F46}";

namespace msi {
// Installs the package at the path unless the same or a newer component is
// there, carrying the old component's schedule and notification over.
class install {
public:
    install(std::string packagePath, bool oemUpdate, bool enabled)
        : packagePath_(std::move(packagePath)), oemUpdate_(oemUpdate), enabled_(enabled) {}
    // 0 installed, -2 not upgradable; raises msi::Error when the installer fails.
    int operator()() const;
    void doInstall() const;

private:
    std::string packagePath_;
    bool oemUpdate_;
    bool enabled_;
};

// Removes the installed component (from version 2 on; older ones are left to
// the new package). Never raises.
class uninstall {
public:
    void operator()() const;
};
}  // namespace msi

}  // namespace au

// The version of the auto-update package carried by the launcher, as its text.
std::string resourceAuVersion();

// 0 installed, -2 the same or a newer component is there, -5 the package file
// could not be written, -1 its folder could not be made (or anything
// unexpected), else the installer's error code. Never raises.
int ExtractAndInstallAutoUpdate(HMODULE module, bool oemUpdate, bool autoUpdateEnabled);
