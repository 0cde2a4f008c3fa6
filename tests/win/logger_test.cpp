#include <gtest/gtest.h>

#include <regex>
#include <thread>
#include <vector>

#include "base/logger.h"
#include "test_support.h"

namespace {
const std::regex kEntry(
    R"(\[\d{4}/\d{2}/\d{2} \d{2}:\d{2}:\d{2}\.\d{3}, foundation_tests\.exe \(PID: \d+, TID: \d+\), ([^:]+):(\d+) \((.*?)\)\]\r\n\t(\w+): (.*?)\r\n)");

std::vector<std::smatch> entries(const std::string& text) {
    std::vector<std::smatch> out;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), kEntry); it != std::sregex_iterator(); ++it) out.push_back(*it);
    return out;
}

void logSomething() { LOG_WARNING("value " << 42); }
}  // namespace

TEST(Logger, WritesTheTwoLineEntryWithCrLf) {
    ScratchDir dir("ovx_logger_test");
    CapturedLog log(dir);
    logSomething();
    const std::string text = log.text();
    const auto found = entries(text);
    ASSERT_EQ(found.size(), 1u) << text;
    EXPECT_EQ(found[0].length(0), static_cast<long>(text.size()));
    EXPECT_EQ(found[0][1], "logger_test.cpp");
    EXPECT_EQ(found[0][3], "`anonymous-namespace'::logSomething");
    EXPECT_EQ(found[0][4], "WARNING");
    EXPECT_EQ(found[0][5], "value 42");
}

TEST(Logger, LogitShowsItsFixedLocation) {
    ScratchDir dir("ovx_logit_test");
    CapturedLog log(dir);
    logit("Wrapper begin...");
    const auto found = entries(log.text());
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0][1], "AllUtils.cpp");
    EXPECT_EQ(found[0][2], "115");
    EXPECT_EQ(found[0][3], "logit");
    EXPECT_EQ(found[0][4], "INFO");
}

TEST(Logger, UnknownLevelsAndTheTracer) {
    ScratchDir dir("ovx_tracer_test");
    CapturedLog log(dir);
    Logger::instance().write(7, __FILE__, 1, "f", "odd");
    int entryLine = 0;
    {
        entryLine = __LINE__ + 1;
        QDS_TRACE_FUNCTION("ProcessSetupCompleteData");
    }
    const auto found = entries(log.text());
    ASSERT_EQ(found.size(), 3u) << log.text();
    EXPECT_EQ(found[0][4], "UNKNOWN");
    EXPECT_EQ(found[1][5], "Entering ProcessSetupCompleteData");
    EXPECT_EQ(found[1][2], std::to_string(entryLine));
    EXPECT_EQ(found[2][2], "0");
    EXPECT_EQ(found[2][5], "Exiting ProcessSetupCompleteData (entered at logger_test.cpp:" + std::to_string(entryLine) + ")");
}

TEST(Logger, WithoutAPathNothingIsWritten) {
    ScratchDir dir("ovx_nopath_test");
    CapturedLog log(dir);
    Logger::instance().setPath("");
    LOG_INFO("lost");
    EXPECT_FALSE(FileUtils::exists(log.path()));
}

TEST(Logger, AFileHeldByAnotherWriterCostsOnlyTheRetries) {
    ScratchDir dir("ovx_held_test");
    CapturedLog log(dir);
    HANDLE other = CreateFileA(log.path().c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    LOG_INFO("dropped");  // returns after its attempts; the line is lost
    CloseHandle(other);
    EXPECT_EQ(log.text(), "");
    LOG_INFO("kept");
    EXPECT_NE(log.text().find("INFO: kept\r\n"), std::string::npos);
}

TEST(Logger, ConcurrentWritersTakeTurnsWithoutTearingLines) {
    ScratchDir dir("ovx_concurrent_test");
    CapturedLog log(dir);
    // Few enough that the ten attempts always suffice for a turn.
    const int perThread = 40;
    std::vector<std::thread> threads;
    for (int t = 0; t < 2; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < perThread; ++i) LOG_INFO("thread " << t << " line " << i);
        });
    }
    for (auto& th : threads) th.join();
    const std::string text = log.text();
    const auto found = entries(text);
    size_t covered = 0;
    for (const auto& m : found) covered += m.length(0);
    EXPECT_EQ(covered, text.size()) << "a torn or foreign line is in the log";
    EXPECT_GE(found.size(), static_cast<size_t>(perThread));  // contention may drop some, never corrupt
}
