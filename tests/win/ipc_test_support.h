#pragma once
// Bounded waits and background work for the ipc and progress suites.
#include <atomic>
#include <functional>
#include <memory>

#include "base/win.h"
#include "ipc/thread.h"

// Polls until the condition holds; the limit only keeps a broken build from
// hanging the suite.
template <class Condition>
bool eventually(Condition condition, DWORD limitMs = 20000) {
    const ULONGLONG end = GetTickCount64() + limitMs;
    while (!condition()) {
        if (GetTickCount64() > end) return false;
        Sleep(2);
    }
    return true;
}

// Work on an ipc::Thread, joined only once it has been seen to end, so that a
// hung job fails its test instead of stalling the suite.
class BackgroundJob {
public:
    explicit BackgroundJob(std::function<void()> work) : done(std::make_shared<std::atomic<bool>>(false)) {
        thread = ipc::Thread::start(new Job(std::move(work), done), true);
    }
    bool finish(DWORD limitMs = 20000) {
        if (!eventually([&] { return done->load(); }, limitMs)) return false;
        thread.join();
        return true;
    }
    bool finished() const { return *done; }
    ipc::Thread getThread() const { return thread; }

private:
    struct Job : ipc::Runnable {
        Job(std::function<void()> work, std::shared_ptr<std::atomic<bool>> done)
            : work(std::move(work)), done(std::move(done)) {}
        void run() override {
            work();
            *done = true;
        }
        std::function<void()> work;
        std::shared_ptr<std::atomic<bool>> done;
    };

    std::shared_ptr<std::atomic<bool>> done;
    ipc::Thread thread;
};
