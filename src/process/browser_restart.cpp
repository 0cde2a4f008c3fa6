// The browser restart the package asks for through registry flags.
#include "base/win.h"

#include "base/logger.h"
#include "base/sys_info.h"
#include "process/browsers.h"
#include "product/registry_places.h"
#include "registry/registry.h"

namespace {

// Finds a flag (64-bit view first) and deletes it in the view it was found
// in: a flag left behind would restart the browsers after every later install.
bool takeFlag(const char* name) {
    for (const Registry* root : {&Registry::hklm64, &Registry::hklm32}) {
        Registry key;
        if (key.tryOpen(*root, kOrunSoftKey, KEY_READ) != ERROR_SUCCESS) continue;
        // Only the presence of a text counts, whatever its length.
        RegValue value;
        if (key.tryGetValue(name, value) != ERROR_SUCCESS || value.type != REG_SZ) continue;
        if (key.tryOpen(*root, kOrunSoftKey, KEY_WRITE) == ERROR_SUCCESS) key.deleteValue(name);
        return true;
    }
    return false;
}

}  // namespace

bool BrowserRestart(bool notNativeX64) {
    bool closed = false;
    bool restartIE = false;
    if (takeFlag("IERESTART") && notNativeX64) {
        LOG_INFO("The IE browser will be closed");
        CloseBrowserProcesses("iexplore.exe", false);
        restartIE = closed = true;
    }
    if (takeFlag("FIREFOXRESTART") && notNativeX64) {
        LOG_INFO("The Firefox browser will be closed");
        CloseBrowserProcesses("firefox.exe", true);
        LOG_INFO("The Firefox browser will be restarted");
        LaunchFirefox();
        closed = true;
    }
    // Internet Explorer comes back after Firefox.
    if (restartIE) {
        LOG_INFO("The IE browser will be restarted");
        LaunchIE();
    }
    return closed;
}

bool BrowserRestart() { return BrowserRestart(isNotNativeX64()); }
