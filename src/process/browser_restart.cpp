// The browser restart the package asks for through registry flags.
#include "base/win.h"

#include "base/logger.h"
#include "process/browsers.h"

namespace {

const char* const kFlagsKey = "SOFTWARE\\OrunSoft";

// Finds a flag (64-bit view first) and deletes it in the view it was found
// in: a flag left behind would restart the browsers after every later install.
bool takeFlag(const char* name) {
    for (const REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kFlagsKey, 0, KEY_READ | view, &key) != ERROR_SUCCESS) continue;
        DWORD type = REG_NONE;
        // Only the presence of a text counts, whatever its length.
        const bool present = RegQueryValueExA(key, name, nullptr, &type, nullptr, nullptr) == ERROR_SUCCESS && type == REG_SZ;
        RegCloseKey(key);
        if (!present) continue;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kFlagsKey, 0, KEY_WRITE | view, &key) == ERROR_SUCCESS) {
            RegDeleteValueA(key, name);
            RegCloseKey(key);
        }
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
