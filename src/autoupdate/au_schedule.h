#pragma once
// The auto-update schedule and its random choice. Portable: no Windows API.
#include <cstdint>
#include <functional>
#include <random>

namespace au {

// Stored as "Frequency", "UpdateSchedule" (hour) and "UpdateMin" (minute).
struct AuSchedule {
    std::uint32_t frequency = 0;
    std::uint32_t updateSchedule = 0;
    std::uint32_t updateMin = 0;

    bool operator==(const AuSchedule&) const = default;
};

// Four draws, in this order: day = draw mod 7, second-byte bit = draw mod 7,
// hour = draw mod 24, minute = draw mod 60.
AuSchedule makeSchedule(const std::function<std::uint32_t()>& draw);

// A generator of schedules. Seeded from the system's random source, so that
// two runs (and two machines) do not draw the same moment.
class ScheduleDraws {
public:
    ScheduleDraws();
    explicit ScheduleDraws(std::uint32_t seed) : generator_(seed) {}
    AuSchedule next();

private:
    std::mt19937 generator_;
};

// From one generator per run, seeded on first use.
AuSchedule makeRandomSchedule();

}  // namespace au
