#pragma once
// The process's own places through the plain system calls, without logging or
// raising: the logger finds its folder and its name through these.
#include <string>

#include "base/win.h"

// The user's temporary folder without a trailing backslash; empty when the system gives none.
std::string plainTempFolder();
// The executable's full path; empty when the system gives none.
std::string plainModulePath();
// The executable's base name, or "Unknown"; computed once.
const std::string& plainModuleName();

// Creates the folder and every missing level above it; 0, or the system error
// of the first level that is not a folder afterwards (named in failedLevel).
DWORD createFolderChain(const std::string& folder, std::string* failedLevel);

// Where the log and the installer's temporary files go. The user's temporary
// folder is created (with its parents) when it is missing; when that fails,
// the Windows folder's "Temp" is used instead and TEMP and TMP name it for this
// process and the programs it starts. `problem` then says what happened, in
// plain words; it stays empty when the user's folder serves.
std::string provideTempFolder(std::string& problem);
