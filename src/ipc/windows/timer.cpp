// The periodic timer: a worker thread that sleeps between runs of its job.
#include "base/report.h"
#include "ipc/invariant.h"
#include "ipc/thread.h"
#include "ipc/timer.h"

namespace ipc {

class Timer::Worker : public ipc::Runnable {
public:
    Worker(Timer& timer, Timer::Runnable* job, bool ownsJob) : timer(timer), job(job), ownsJob(ownsJob) {}
    ~Worker() override {
        if (ownsJob) delete job;
    }

    void run() override {
        timer.workerId = Thread::getCurrent().getId();
        try {
            while (!timer.stopRequested) {
                job->run(timer);
                if (timer.stopRequested) break;
                sleep(static_cast<std::uint32_t>(timer.periodMs));
            }
        } catch (const std::exception& e) {
            // A failed job ends the timer; its owner must still see the end.
            REPORT_EXCEPTION(e);
        } catch (...) {
            REPORT_UNKNOWN_EXCEPTION();
        }
        // The timer may be destroyed as soon as this lock ends.
        Mutex::Lock lock(timer.conditional);
        timer.finished = true;
        timer.conditional.notify(false);
    }

private:
    Timer& timer;
    Timer::Runnable* job;
    bool ownsJob;
};

Timer::Timer(Runnable* r, std::int32_t periodMs) : periodMs(periodMs < 0 ? 0 : periodMs) {
    QDS_ASSERT(r);
    Thread::start(new Worker(*this, r, false), true);
}

Timer::~Timer() {
    try {
        stop(true);
    } catch (const std::exception& e) {
        REPORT_EXCEPTION(e);
    } catch (...) {
        REPORT_UNKNOWN_EXCEPTION();
    }
}

void Timer::stop(bool wait) {
    stopRequested = true;
    if (!wait) return;
    QDS_ASSERT(Thread::getCurrent().getId() != workerId);  // the job waiting for itself
    Mutex::Lock lock(conditional);
    conditional.waitUntil(lock, [&] { return finished; });
}

}  // namespace ipc
