#pragma once
// The launcher's run from start to exit code.
#include "base/win.h"
#include "msi/action.h"

int RunLauncher(HINSTANCE instance, const char* narrowCommandLine);

// One installer run: 0 on success, else the installer's code (1603 for any other failure).
int ExecCommand(msi::action<msi::install>& action);

