#include "base/logger.h"

#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>

#include "base/file_paths.h"
#include "base/log_line.h"
#include "base/process_paths.h"

// Everything else of base/ logs through the logger, so it finds its folder and
// its module name through the plain system calls.
namespace {
const char* const kLogFileName = "qusched.log";
const int kOpenAttempts = 10;

// The log's path in a folder that exists; `problem` says when it is not the user's own.
std::string logPathOrEmpty(std::string& problem) {
    try {
        return FileUtils::combinePath(provideTempFolder(problem), kLogFileName);
    } catch (...) {
        return std::string();  // nothing gets written without a path
    }
}

}  // namespace

Logger& Logger::instance() {
    static Logger logger;
    return logger;
}

Logger::Logger() {
    std::string problem;
    path_ = logPathOrEmpty(problem);
    if (!problem.empty()) write(WARNING, __FILE__, __LINE__, "Logger::Logger", problem);
}

void Logger::write(int level, const char* file, int line, const std::string& function, const std::string& message) {
    if (path_.empty()) return;
    SYSTEMTIME now;
    GetLocalTime(&now);
    LogLineFields fields{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds,
                         plainModuleName(), GetCurrentProcessId(), GetCurrentThreadId(), baseNameOf(file),
                         static_cast<unsigned>(line), function, level, message};
    const std::string text = formatLogLine(fields);

    // A new open per line, denying other writers: concurrent writers take turns.
    for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
        const int fd = _sopen(path_.c_str(), _O_WRONLY | _O_APPEND | _O_CREAT | _O_TEXT, _SH_DENYWR, _S_IREAD | _S_IWRITE);
        if (fd >= 0) {
            _write(fd, text.data(), static_cast<unsigned>(text.size()));
            _close(fd);
            return;
        }
        Sleep(1);
    }
}

void Logger::write(int level, const char* file, int line, const std::string& function, const char* message) {
    write(level, file, line, function, std::string(message ? message : ""));
}

void Logger::write(int level, const char* file, int line, const std::string& function, const std::ostringstream& message) {
    write(level, file, line, function, message.str());
}

void logit(const std::string& message) {
    Logger& logger = Logger::instance();
    if (logger.isEnabled(INFO)) logger.write(INFO, "AllUtils.cpp", 115, "logit", message);
}

void logit(const char* message) { logit(std::string(message ? message : "")); }

FunctionTracer::FunctionTracer(Logger& logger, const char* file, int line, std::string function, std::string text)
    : logger_(logger), enabled_(logger.isEnabled(TRACE)), file_(file), line_(line), function_(std::move(function)),
      text_(std::move(text)) {
    if (enabled_) logger_.write(level_, file_, line_, function_, "Entering " + text_);
}

FunctionTracer::~FunctionTracer() {
    if (!enabled_) return;
    try {
        logger_.write(level_, file_, 0, function_,
                      "Exiting " + text_ + " (entered at " + baseNameOf(file_) + ":" + std::to_string(line_) + ")");
    } catch (...) {
    }
}

// The logger exists before WinMain runs.
static Logger& g_startupLogger = Logger::instance();
