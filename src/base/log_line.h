#pragma once
// The text of one log entry, apart from where its fields come from.
#include <cstdint>
#include <string>

struct LogLineFields {
    unsigned year, month, day, hour, minute, second, millisecond;
    std::string module;
    unsigned long processId, threadId;
    std::string fileBaseName;
    unsigned line;
    std::string function;
    int level;
    std::string message;
};

// "[%04u/%02u/%02u %02u:%02u:%02u.%03u, %s (PID: %u, TID: %u), %s:%u (%s)]\n\t%s: %s\n"
std::string formatLogLine(const LogLineFields& fields);
