#pragma once
#ifdef _WIN32
#include "base/win.h"  // keeps wingdi.h's ERROR macro away from the level below
#endif

enum LogLevel : int { TRACE = 0, INFO = 1, WARNING = 2, ERROR = 3 };

// "TRACE", "INFO", "WARNING", "ERROR"; anything else "UNKNOWN".
const char* logLevelWord(int level);
