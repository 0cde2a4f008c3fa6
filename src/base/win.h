#pragma once
// The one way this code base includes <windows.h>: a fixed target version and
// no ERROR macro from wingdi.h, which would swallow the log level of that name.
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0A00
#endif
#ifndef WINVER
#define WINVER 0x0A00
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#undef ERROR
