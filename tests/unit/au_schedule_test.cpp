#include <gtest/gtest.h>

#include <bitset>
#include <cstdint>
#include <vector>

#include "autoupdate/au_schedule.h"

namespace {

using au::AuSchedule;

// Days, hour and minute come from the draws in that order and by their moduli.
TEST(AuSchedule, DrawsDaysThenHourThenMinute) {
    const std::vector<std::uint32_t> draws{3, 12, 25, 61};
    std::size_t next = 0;
    const AuSchedule s = au::makeSchedule([&] { return draws.at(next++); });
    EXPECT_EQ(next, 4u);
    EXPECT_EQ(s.frequency, (1u << 3) | (1u << (5 + 8)));
    EXPECT_EQ(s.updateSchedule, 1u);
    EXPECT_EQ(s.updateMin, 1u);

    // Large draws (the whole 32-bit range) keep the same arithmetic.
    const std::vector<std::uint32_t> high{0xFFFFFFFFu, 0xFFFFFFFEu, 0xFFFFFFFFu, 0xFFFFFFFFu};
    next = 0;
    const AuSchedule h = au::makeSchedule([&] { return high.at(next++); });
    EXPECT_EQ(h.frequency, (1u << (0xFFFFFFFFu % 7)) | (1u << (0xFFFFFFFEu % 7 + 8)));
    EXPECT_EQ(h.updateSchedule, 0xFFFFFFFFu % 24);
    EXPECT_EQ(h.updateMin, 0xFFFFFFFFu % 60);
}

// One day bit in each of the two low bytes, nothing above, hour and minute in range.
void expectInRange(const AuSchedule& s) {
    EXPECT_EQ(std::bitset<8>(s.frequency & 0xFF).count(), 1u) << s.frequency;
    EXPECT_EQ(std::bitset<8>((s.frequency >> 8) & 0xFF).count(), 1u) << s.frequency;
    EXPECT_EQ(s.frequency & 0xFFFF8080u, 0u) << s.frequency;
    EXPECT_LT(s.updateSchedule, 24u);
    EXPECT_LT(s.updateMin, 60u);
}

TEST(AuSchedule, SeededRunsDrawDifferentSchedulesInRange) {
    // Two runs, each with its own generator seeded from the system: an
    // unseeded generator would give both the same sequence.
    au::ScheduleDraws first;
    au::ScheduleDraws second;
    bool differ = false;
    for (int i = 0; i < 6; ++i) {
        const AuSchedule a = first.next();
        const AuSchedule b = second.next();
        expectInRange(a);
        expectInRange(b);
        differ = differ || !(a == b);
    }
    EXPECT_TRUE(differ);

    // Every day, hour and minute is reachable.
    std::bitset<7> days;
    std::bitset<24> hours;
    std::bitset<60> minutes;
    for (int i = 0; i < 5000; ++i) {
        const AuSchedule s = au::makeRandomSchedule();
        expectInRange(s);
        for (int d = 0; d < 7; ++d)
            if (s.frequency & (1u << d)) days.set(d);
        hours.set(s.updateSchedule % 24);
        minutes.set(s.updateMin % 60);
    }
    EXPECT_TRUE(days.all());
    EXPECT_TRUE(hours.all());
    EXPECT_TRUE(minutes.all());
}

}  // namespace
