#include "base/report.h"

#include "base/logger.h"
#include "base/sys_error.h"
#include "base/tstrings.h"
#include "base/memory_holders.h"

void reportException(const SourceLocation& where, const std::exception& e) {
    Logger& logger = Logger::instance();
    if (logger.isEnabled(ERROR)) {
        logger.write(ERROR, where.file, where.line, where.functionName(),
                     std::string("Exception with message '") + e.what() + "' caught");
    }
}

void reportUnknownException(const SourceLocation& where) {
    Logger& logger = Logger::instance();
    if (logger.isEnabled(ERROR)) {
        logger.write(ERROR, where.file, where.line, where.functionName(), "Unknown exception caught");
    }
}

#ifdef _WIN32
namespace {
bool g_silentRun = false;

void logNotShown(const std::string& caption, const std::string& text) {
    LOG_WARNING("Silent run, message not shown: " << caption << ": " << text);
}
}  // namespace

void setSilentRun(bool silent) { g_silentRun = silent; }
bool isSilentRun() { return g_silentRun; }

int showMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT style, int silentAnswer) {
    if (g_silentRun) {
        logNotShown(caption, text);
        return silentAnswer;
    }
    return MessageBoxA(owner, text.c_str(), caption.c_str(), style);
}

int showMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT style, int silentAnswer) {
    if (g_silentRun) {
        logNotShown(tstrings::toACP(caption), tstrings::toACP(text));  // the log is in the ANSI code page
        return silentAnswer;
    }
    return MessageBoxW(owner, text.c_str(), caption.c_str(), style);
}

void reportFatalError(const char* step, const std::string& subject) {
    const DWORD code = GetLastError();
    LocalPointer<char> text;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   code, 0x400, reinterpret_cast<char*>(text.out()), 0, nullptr);
    const std::string message =
        tstrings::format("%s failed with error %d: %s", step, static_cast<int>(code), text ? text.get() : "");
    LOG_ERROR(message);
    if (!subject.empty()) {
        LOG_ERROR(subject << ": " << describeSystemError(code, nullptr) << " (system error " << code << ")");
    }
    showMessageBox(nullptr, message, "Error", MB_OK);
    ExitProcess(code);
}
#endif
