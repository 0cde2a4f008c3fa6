#pragma once
// What the launcher knows about web browsers: the default one and where it is,
// which ones are registered, closing their running instances, starting them on
// the verification page, and the restart the package asks for.
#include <string>

namespace browsers {

// Ids of isInstalled.
enum BrowserId { InternetExplorer = 0, Firefox = 1, Chrome = 2 };

// The program registered to open ".html" files; raises std::runtime_error
// "cannot find default browser".
std::string getDefaultBrowserPath();
// Opens the address in the default browser as the desktop user; never raises.
bool launchDefault(const std::string& address);
// Whether the browser is registered under StartMenuInternet, in the 32-bit
// view when `view32` is set, else in the 64-bit view; never raises.
bool isInstalled(int browserId, bool view32);

}  // namespace browsers

// Ids of getDefaultBrowserId.
enum DefaultBrowserId { kNoDefaultBrowser = 0, kDefaultIE = 1, kDefaultFirefox = 2, kDefaultOther = 3 };
int getDefaultBrowserId();

// Fills a buffer of 2048 characters with Firefox's installation folder.
bool GetFirefoxInstallDir(char* buffer);
// Closes every running process of that executable name: WM_CLOSE to its
// windows, or DestroyWindow when `destroy`; terminated after 5 s. Returns 0.
int CloseBrowserProcesses(const std::string& exeName, bool destroy);

// Start that browser on the verification page.
bool LaunchChrome();
bool LaunchFirefox();
void LaunchIE();
// Carries out the package's restart flags; whether a browser was closed.
bool BrowserRestart();
// The same with the 32-bit answer given: only a launcher counted as 32-bit
// closes and restarts browsers; the flags are taken either way.
bool BrowserRestart(bool notNativeX64);
