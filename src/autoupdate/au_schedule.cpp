#include "autoupdate/au_schedule.h"

#include <mutex>

namespace au {

AuSchedule makeSchedule(const std::function<std::uint32_t()>& draw) {
    const std::uint32_t day = draw() % 7;
    const std::uint32_t secondDay = draw() % 7;
    AuSchedule schedule;
    schedule.updateSchedule = draw() % 24;
    schedule.updateMin = draw() % 60;
    schedule.frequency = (1u << day) | ((1u << secondDay) << 8);
    return schedule;
}

ScheduleDraws::ScheduleDraws() {
    std::random_device source;
    std::seed_seq seed{source(), source(), source(), source()};
    generator_.seed(seed);
}

AuSchedule ScheduleDraws::next() {
    return makeSchedule([this] { return static_cast<std::uint32_t>(generator_()); });
}

AuSchedule makeRandomSchedule() {
    static std::mutex lock;
    static ScheduleDraws draws;
    std::lock_guard<std::mutex> guard(lock);
    return draws.next();
}

}  // namespace au
