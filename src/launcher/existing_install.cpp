#include "launcher/existing_install.h"

// Until the installed-runtime detection lands, nothing is found installed and
// no flag file is kept.

bool IsThisAFamilyUpgrade() { return false; }

int CheckReinstall(bool /*isStatic*/, bool /*silent*/) { return 1; }

bool IsInstallInProgress() { return false; }

bool SetInstallFlag() { return true; }

void CloseInstallFlag() {}
