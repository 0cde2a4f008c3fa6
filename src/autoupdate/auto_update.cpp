#include "autoupdate/auto_update.h"

namespace au {
InstalledState InstalledState::detect() { return InstalledState(); }
}  // namespace au

std::string resourceAuVersion() { return "2.9.00.55"; }

// Not carried yet: the status stays "not attempted", as before an install.
int ExtractAndInstallAutoUpdate(HMODULE /*module*/, bool /*oemUpdate*/, bool /*autoUpdateEnabled*/) { return -99; }
