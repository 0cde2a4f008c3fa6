#include "base/bounded_call.h"

#include <chrono>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

#include "base/source_location.h"

namespace {
struct CallState {
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    std::exception_ptr error;
};
}  // namespace

void callWithin(unsigned long ms, const std::string& what, std::function<void()> work) {
    auto state = std::make_shared<CallState>();
    std::thread([state, work = std::move(work)] {
        std::exception_ptr error;
        try {
            work();
        } catch (...) {
            error = std::current_exception();
        }
        std::lock_guard<std::mutex> lock(state->mutex);
        state->error = error;
        state->done = true;
        state->ended.notify_all();
    }).detach();
    std::unique_lock<std::mutex> lock(state->mutex);
    if (!state->ended.wait_for(lock, std::chrono::milliseconds(ms), [&] { return state->done; })) {
        throw QDS_ERROR(CallTimedOut(what + " did not end within " + std::to_string(ms / 1000) + " s"));
    }
    if (state->error) std::rethrow_exception(state->error);
}
