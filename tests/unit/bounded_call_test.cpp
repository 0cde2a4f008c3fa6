// A call waited for with a bound.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <thread>

#include "base/bounded_call.h"

TEST(BoundedCall, EndsWithItsWorkRaisesItsErrorAndGivesUpOnTime) {
    int result = 0;
    callWithin(5000, "quick", [&result] { result = 42; });
    EXPECT_EQ(result, 42);

    EXPECT_THROW(callWithin(5000, "failing", [] { throw std::logic_error("broken"); }), std::logic_error);

    auto release = std::make_shared<std::atomic<bool>>(false);
    const auto start = std::chrono::steady_clock::now();
    try {
        callWithin(200, "The slow call", [release] {
            while (!*release) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        });
        ADD_FAILURE() << "no time-out";
    } catch (const CallTimedOut& e) {
        EXPECT_NE(std::string(e.what()).find("The slow call did not end within 0 s"), std::string::npos) << e.what();
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    *release = true;  // the abandoned call ends alone
}
