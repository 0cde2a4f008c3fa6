#pragma once
// A periodic job on a thread of its own, until the job or its owner stops it.
#include <atomic>
#include <cstdint>

#include "ipc/mutex.h"

namespace ipc {

class Timer {
public:
    class Runnable {
    public:
        virtual ~Runnable() = default;
        // Called at once and then every period; may stop its own timer with
        // stop(false).
        virtual void run(Timer& timer) = 0;
    };

    // Starts the worker at once. The job stays the caller's and must outlive the timer.
    Timer(Runnable* r, std::int32_t periodMs);
    // stop(true).
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    // Ends the loop after the current run; with wait, returns once the worker
    // has finished it (never from the job itself).
    void stop(bool wait);

private:
    class Worker;

    Conditional conditional;
    bool finished = false;  // under conditional
    std::atomic<bool> stopRequested{false};
    std::int32_t periodMs;
    std::atomic<std::uint32_t> workerId{0};
};

}  // namespace ipc
