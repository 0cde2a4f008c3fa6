#pragma once
// Registry markers of one launcher run (HKLM, 64-bit view).
#include <string>

// "SilentInstall" under SOFTWARE\OrunSoft tells the package that no one is watching.
void CreateSilentInstallMarker();
void DeleteSilentInstallMarker();

// The package's request for a second pass ("reinstall"), at most 512 characters.
std::string ReadInstallStatusText();

// "RegDeployStatus" of Software\OvxMetrics, or "YY".
std::string ReadDeployStatus();
void RemoveOvxMetrics();
