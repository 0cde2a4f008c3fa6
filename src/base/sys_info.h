#pragma once
// Facts about the running system, fixed at start-up.
#include <string>

#include "base/win.h"

namespace SysInfoImpl {
void initialize();  // fills the OS version record (start-up only)
const OSVERSIONINFOEXW& osVersion();
}  // namespace SysInfoImpl

namespace SysInfo {
int getOsVersionClass();
std::string getOsName();
bool isX64();
std::string getArchName();  // "amd64" or "i586"
bool isWow64();
std::string getProcessModulePath();
std::string getModuleName();  // executable base name, or "Unknown"
std::string getTempDir();
std::string getCommonAppDataDir();
std::string getUserAppDataLowDir();
std::string getSystem32Dir();
std::string getSystemWow64Dir();
std::string getWindowsDir();
}  // namespace SysInfo

// True when the native processor is not AMD64 or the process runs under WOW64:
// the launcher then counts as a 32-bit process.
bool isNotNativeX64();

// <common app data>\Velmar\Orun\installcache (32) or installcache_x64 (64).
std::string getPatchCache(int arch);
