#pragma once
// Work on a thread of its own that a later step waits for: the wait raises the
// work's exception, and the destructor waits too, so no thread outlives its
// owner.
#include <exception>
#include <functional>
#include <thread>

class BackgroundCall {
public:
    BackgroundCall() = default;
    explicit BackgroundCall(std::function<void()> work) { start(std::move(work)); }
    ~BackgroundCall() {
        if (thread_.joinable()) thread_.join();
    }
    BackgroundCall(const BackgroundCall&) = delete;
    BackgroundCall& operator=(const BackgroundCall&) = delete;

    // Only the first call starts work.
    void start(std::function<void()> work);
    bool started() const { return started_; }
    // Waits for the work; its exception is raised once.
    void wait();

private:
    bool started_ = false;
    std::exception_ptr error_;
    std::thread thread_;
};
