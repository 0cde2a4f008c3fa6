#pragma once
// What is already installed, and the flag that keeps a second launcher out.
#include <string>

#include "base/win.h"

// True when the newest registered runtime of this process's bitness belongs to a lower family.
bool IsThisAFamilyUpgrade();
// 1: go on; 0: a newer build of this version is installed; -1: stop (a static installation).
int CheckReinstall(bool isStatic, bool silent);

// buffer: 2048 characters; set to the family version when it is registered.
bool IsSameOVXVersionInstalled(char* buffer);
// True when the registered build of that version is at most this launcher's.
bool IsSameOrOlderBuildInstalled(const std::string& versionText);
bool IsVersionStatic(const std::string& versionText, bool is64);
// The uninstaller's exit code; 0 when nothing was installed under the product code.
int CheckGUIDAndUninstall(const std::string& versionText, int bitness, bool view64, bool silent);
int UninstallThroughInstallerTool(const std::string& productCode, const std::string& versionText, bool silent);

// True when another launcher holds the flag file (a stale one is removed on the way).
bool IsInstallInProgress();
// Creates the flag file and holds it, unshared and delete-on-close, for the run.
bool SetInstallFlag();
// Closes the flag handle, which removes the flag file.
void CloseInstallFlag();

// The installation folder of this version, without a trailing backslash.
bool FindOrunHome(char* buffer, DWORD& size);
