#pragma once
// What every catch block calls.
#include <exception>
#include <string>

#include "base/source_location.h"

// ERROR "Exception with message '<what>' caught", at the catch site.
void reportException(const SourceLocation& where, const std::exception& e);
// ERROR "Unknown exception caught", at the catch site.
void reportUnknownException(const SourceLocation& where);

#define REPORT_EXCEPTION(e) ::reportException(QDS_HERE, (e))
#define REPORT_UNKNOWN_EXCEPTION() ::reportUnknownException(QDS_HERE)

#ifdef _WIN32
// Shows "<step> failed with error <code>: <text>" and ends the process with the code.
[[noreturn]] void reportFatalError(const char* step);
#endif
