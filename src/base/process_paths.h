#pragma once
// The process's own places through the plain system calls, without logging or
// raising: the logger finds its folder and its name through these.
#include <string>

// The user's temporary folder without a trailing backslash; empty when the system gives none.
std::string plainTempFolder();
// The executable's full path; empty when the system gives none.
std::string plainModulePath();

// Where the log and the installer's temporary files go. The user's temporary
// folder is created (with its parents) when it is missing; when that fails,
// the Windows folder's "Temp" is used instead and TEMP and TMP name it for this
// process and the programs it starts. `problem` then says what happened, in
// plain words; it stays empty when the user's folder serves.
std::string provideTempFolder(std::string& problem);
