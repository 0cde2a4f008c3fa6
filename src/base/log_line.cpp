#include "base/log_line.h"

#include "base/log_level.h"
#include "base/tstrings.h"

const char* logLevelWord(int level) {
    switch (level) {
        case TRACE: return "TRACE";
        case INFO: return "INFO";
        case WARNING: return "WARNING";
        case ERROR: return "ERROR";
        default: return "UNKNOWN";
    }
}

std::string formatLogLine(const LogLineFields& f) {
    return tstrings::format("[%04u/%02u/%02u %02u:%02u:%02u.%03u, %s (PID: %lu, TID: %lu), %s:%u (%s)]\n\t%s: %s\n",
                            f.year, f.month, f.day, f.hour, f.minute, f.second, f.millisecond, f.module.c_str(),
                            f.processId, f.threadId, f.fileBaseName.c_str(), f.line, f.function.c_str(),
                            logLevelWord(f.level), f.message.c_str());
}
