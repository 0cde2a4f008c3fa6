#include "base/report.h"

#include "base/logger.h"
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
void reportFatalError(const char* step) {
    const DWORD code = GetLastError();
    LocalPointer<char> text;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   code, 0x400, reinterpret_cast<char*>(text.out()), 0, nullptr);
    const std::string message =
        tstrings::format("%s failed with error %d: %s", step, static_cast<int>(code), text ? text.get() : "");
    LOG_ERROR(message);
    MessageBoxA(nullptr, message.c_str(), "Error", MB_OK);
    ExitProcess(code);
}
#endif
