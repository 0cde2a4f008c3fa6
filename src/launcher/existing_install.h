#pragma once
// What is already installed, and the flag that keeps a second launcher out.

// True when an installed runtime of this family is older than this one.
bool IsThisAFamilyUpgrade();
// Positive: go on; zero: a newer build is installed; negative: stop.
int CheckReinstall(bool isStatic, bool silent);
bool IsInstallInProgress();
bool SetInstallFlag();
// Closes the flag handle, which removes the flag file.
void CloseInstallFlag();
