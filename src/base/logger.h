#pragma once
// The process-wide log "qusched.log" in the user's temporary folder.
#include <sstream>
#include <string>

#include "base/log_level.h"

class Logger {
public:
    static Logger& instance();

    bool isEnabled(int level) const { return threshold_ <= level; }
    int threshold() const { return threshold_; }
    const std::string& path() const { return path_; }

    // Appends one entry; does not test the threshold (the call site does).
    void write(int level, const char* file, int line, const std::string& function, const std::string& message);
    void write(int level, const char* file, int line, const std::string& function, const char* message);
    void write(int level, const char* file, int line, const std::string& function, const std::ostringstream& message);

    // For tests and tools that log elsewhere.
    void setPath(const std::string& path) { path_ = path; }

private:
    Logger();
    int threshold_ = TRACE;
    std::string path_;
};

// Call-site convention: the threshold test comes before the message is built.
#define QDS_LOG(level, streamExpr)                                                                  \
    do {                                                                                            \
        ::Logger& qdsLogger_ = ::Logger::instance();                                                \
        if (qdsLogger_.isEnabled(level)) {                                                          \
            std::ostringstream qdsLogStream_;                                                       \
            qdsLogStream_ << streamExpr;                                                            \
            qdsLogger_.write((level), __FILE__, __LINE__, ::qualifiedFunctionName(__PRETTY_FUNCTION__), \
                             qdsLogStream_);                                                        \
        }                                                                                           \
    } while (0)

#define LOG_TRACE(streamExpr) QDS_LOG(TRACE, streamExpr)
#define LOG_INFO(streamExpr) QDS_LOG(INFO, streamExpr)
#define LOG_WARNING(streamExpr) QDS_LOG(WARNING, streamExpr)
#define LOG_ERROR(streamExpr) QDS_LOG(ERROR, streamExpr)

// Logs at INFO with the fixed location AllUtils.cpp:115 (logit).
void logit(const std::string& message);
void logit(const char* message);

// Writes "Entering <text>" on construction and "Exiting <text> (entered at file:line)"
// on destruction, both at TRACE.
class FunctionTracer {
public:
    FunctionTracer(Logger& logger, const char* file, int line, std::string function, std::string text);
    ~FunctionTracer();
    FunctionTracer(const FunctionTracer&) = delete;
    FunctionTracer& operator=(const FunctionTracer&) = delete;

private:
    Logger& logger_;
    int level_ = TRACE;
    bool enabled_;
    const char* file_;
    int line_;
    std::string function_;
    std::string text_;
};

#define QDS_TRACE_FUNCTION(text) \
    ::FunctionTracer qdsTracer_(::Logger::instance(), __FILE__, __LINE__, ::qualifiedFunctionName(__PRETTY_FUNCTION__), (text))

#include "base/source_location.h"
