#pragma once
// The process's own places through the plain system calls, without logging or
// raising: the logger finds its folder and its name through these.
#include <string>

// The user's temporary folder without a trailing backslash; empty when the system gives none.
std::string plainTempFolder();
// The executable's full path; empty when the system gives none.
std::string plainModulePath();
