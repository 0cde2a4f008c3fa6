#include "base/background_call.h"

#include <utility>

void BackgroundCall::start(std::function<void()> work) {
    if (started_) return;
    started_ = true;
    thread_ = std::thread([this, work = std::move(work)] {
        try {
            work();
        } catch (...) {
            error_ = std::current_exception();
        }
    });
}

void BackgroundCall::wait() {
    if (thread_.joinable()) thread_.join();
    if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
}
