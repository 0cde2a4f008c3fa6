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
#include "base/win.h"

// A silent run shows no window and waits for nobody: once the run knows that
// it is silent, every message box of it becomes a log line.
void setSilentRun(bool silent);
bool isSilentRun();

// MessageBox as the run allows it; in a silent run the caption and text are
// logged instead and `silentAnswer` is returned.
int showMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT style, int silentAnswer = IDOK);
int showMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT style, int silentAnswer = IDOK);

// "<step> failed with error <code>: <text>" for the last system error: logged,
// with `subject` (plain words naming what failed, such as a path) when given,
// shown unless the run is silent, and the process ends with the code.
[[noreturn]] void reportFatalError(const char* step, const std::string& subject = std::string());
#endif
