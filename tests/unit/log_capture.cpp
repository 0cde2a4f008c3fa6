// Logger for the native build: the same interface, lines kept in memory.
#include "log_capture.h"

#include <mutex>

#include "base/logger.h"

namespace {
std::mutex& lock() {
    static std::mutex m;
    return m;
}
std::vector<CapturedLine>& lines() {
    static std::vector<CapturedLine> kept;
    return kept;
}
}  // namespace

Logger& Logger::instance() {
    static Logger logger;
    return logger;
}

Logger::Logger() : path_("(memory)") {}

void Logger::write(int level, const char*, int, const std::string& function, const std::string& message) {
    std::lock_guard<std::mutex> hold(lock());
    lines().push_back({level, function, message});
}

void Logger::write(int level, const char* file, int line, const std::string& function, const char* message) {
    write(level, file, line, function, std::string(message ? message : ""));
}

void Logger::write(int level, const char* file, int line, const std::string& function, const std::ostringstream& message) {
    write(level, file, line, function, message.str());
}

std::vector<CapturedLine> takeCapturedLog() {
    std::lock_guard<std::mutex> hold(lock());
    std::vector<CapturedLine> taken;
    taken.swap(lines());
    return taken;
}

std::vector<std::string> takeCapturedMessages() {
    std::vector<std::string> messages;
    for (const CapturedLine& line : takeCapturedLog()) messages.push_back(line.message);
    return messages;
}
