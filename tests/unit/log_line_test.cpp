#include <gtest/gtest.h>

#include "base/log_level.h"
#include "base/log_line.h"

TEST(LogLine, HasTheFixedTwoLineFormat) {
    LogLineFields f{2015, 3, 2, 14, 5, 9, 31, "setup.exe", 4242, 4300, "wrapper.cpp", 62, "WinMain", INFO, "hello"};
    EXPECT_EQ(formatLogLine(f),
              "[2015/03/02 14:05:09.031, setup.exe (PID: 4242, TID: 4300), wrapper.cpp:62 (WinMain)]\n\tINFO: hello\n");
}

TEST(LogLine, LevelWords) {
    EXPECT_STREQ(logLevelWord(TRACE), "TRACE");
    EXPECT_STREQ(logLevelWord(WARNING), "WARNING");
    EXPECT_STREQ(logLevelWord(ERROR), "ERROR");
    EXPECT_STREQ(logLevelWord(7), "UNKNOWN");
    EXPECT_STREQ(logLevelWord(-1), "UNKNOWN");
}

TEST(LogLine, LongMessagesAreWhole) {
    const std::string message(5000, 'm');
    LogLineFields f{2026, 12, 9, 0, 0, 0, 0, "m", 1, 2, "f.cpp", 0, "f", TRACE, message};
    EXPECT_NE(formatLogLine(f).find(message + "\n"), std::string::npos);
}
