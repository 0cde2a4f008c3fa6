#pragma once
// The auto-update component carried in the resources.
#include <string>

#include "base/win.h"

namespace au {
struct InstalledState {
    bool found = false;
    std::string version;
    static InstalledState detect();
};
}  // namespace au

// The version of the auto-update package carried by the launcher.
std::string resourceAuVersion();

// Status: 0 installed, -2 same or newer present, -5 write failed, -1 other, else the installer's code.
int ExtractAndInstallAutoUpdate(HMODULE module, bool oemUpdate, bool autoUpdateEnabled);
