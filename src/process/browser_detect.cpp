// Which browsers are registered, which one is the user's default, and where
// Firefox is installed.
#include "base/win.h"

#include <stdexcept>
#include <string>
#include <vector>

#include "base/logger.h"
#include "base/sys_info.h"
#include "process/browsers.h"
#include "registry/registry.h"

namespace {

// A REG_SZ or REG_EXPAND_SZ value as text, without its terminator; a value
// without one is taken whole.
bool readText(const Registry& key, const std::string& name, std::string& text) {
    RegValue value;
    if (key.tryGetValue(name, value) != ERROR_SUCCESS) return false;
    if (value.type != REG_SZ && value.type != REG_EXPAND_SZ) return false;
    text = value.text();
    return true;
}

int idFromClasses() {
    // The command is read whole: a long one is not cut where "chrome.exe" might be.
    Registry command;
    std::string text;
    if (command.tryOpen(Registry::hkcr, "http\\shell\\open\\command", KEY_READ) == ERROR_SUCCESS && readText(command, "", text) &&
        text.find("chrome.exe") != std::string::npos) {
        return kDefaultOther;
    }
    Registry application;
    if (application.tryOpen(Registry::hkcr, "http\\shell\\open\\ddeexec\\Application", KEY_READ) != ERROR_SUCCESS ||
        !readText(application, "", text)) {
        return kNoDefaultBrowser;
    }
    if (text == "IExplore") return kDefaultIE;
    if (text == "Firefox") return kDefaultFirefox;
    return kDefaultOther;
}

}  // namespace

namespace browsers {

bool isInstalled(int browserId, bool view32) {
    try {
        const Registry clients(view32 ? Registry::hklm32 : Registry::hklm64, "Software\\Clients\\StartMenuInternet");
        switch (browserId) {
            case InternetExplorer:
                return clients.exists("IEXPLORE.EXE");
            case Firefox:
                return clients.exists("FIREFOX.EXE");
            case Chrome:
                // Chrome registers itself as "Google Chrome", sometimes with a suffix.
                for (const std::string& name : clients.getSubkeyNames()) {
                    if (_strnicmp(name.c_str(), "Google Chrome", 13) == 0) return true;
                }
                return false;
            default:
                throw std::logic_error("unexpected browserId");
        }
    } catch (const std::exception& e) {
        LOG_ERROR(e.what());
    }
    return false;
}

}  // namespace browsers

int getDefaultBrowserId() {
    if (SysInfo::getOsVersionClass() >= 2) {
        Registry user;
        if (user.tryOpenCurrentUser(KEY_READ) != ERROR_SUCCESS) return kNoDefaultBrowser;
        Registry choice;
        const LONG opened =
            choice.tryOpen(user, "Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations\\http\\UserChoice", KEY_READ);
        int id = kNoDefaultBrowser;
        if (opened == ERROR_SUCCESS) {
            std::string progId;
            if (readText(choice, "Progid", progId)) {
                id = progId == "FirefoxURL" ? kDefaultFirefox : progId == "IE.HTTP" ? kDefaultIE : kDefaultOther;
            }
        }
        if (opened != ERROR_FILE_NOT_FOUND) return id;
    }
    return idFromClasses();
}

bool GetFirefoxInstallDir(char* buffer) {
    Registry mozilla;
    if (mozilla.tryOpen(Registry::hklm, "SOFTWARE\\Mozilla", KEY_READ) != ERROR_SUCCESS) return false;
    Registry firefox;
    if (firefox.tryOpen(mozilla, "Mozilla Firefox", KEY_READ) != ERROR_SUCCESS &&
        firefox.tryOpen(mozilla, "Minefield", KEY_READ) != ERROR_SUCCESS) {
        return false;
    }
    std::string version;
    if (!readText(firefox, "CurrentVersion", version) || version.size() >= 260 || _stricmp(version.c_str(), "1.0") < 0) {
        return false;
    }
    Registry main;
    if (main.tryOpen(firefox, version + "\\Main", KEY_READ) != ERROR_SUCCESS) return false;
    std::string folder;
    // The caller's buffer holds 2048 characters: a longer folder is no folder.
    if (!readText(main, "Install Directory", folder) || folder.size() >= 2048) return false;
    folder.copy(buffer, folder.size());
    buffer[folder.size()] = '\0';
    return true;
}
