#pragma once
// Threads that run an ipc::Runnable and are joined by id, and the waits and
// clock the library is built on.
#include <cstdint>
#include <memory>

namespace ipc {

class Runnable {
public:
    virtual ~Runnable() = default;
    virtual void run() = 0;
};

// Runs a runnable it owns, then deletes itself (also when the run throws).
class RunnableOwner : public Runnable {
public:
    explicit RunnableOwner(Runnable* owned) : wrapped(owned) {}
    ~RunnableOwner() override { delete wrapped; }
    void run() override {
        std::unique_ptr<RunnableOwner> self(this);
        wrapped->run();
    }

private:
    Runnable* wrapped;
};

class Thread {
public:
    static constexpr std::uint32_t None = 0xFFFFFFFF;

    Thread() = default;
    explicit Thread(std::uint32_t id) : id(id) {}

    // Runs r->run() once on a new thread. With owned the thread deletes r
    // afterwards; otherwise the caller keeps r alive until the thread ends.
    // A null r starts nothing and gives the thread None. Returns once the new
    // thread has taken its arguments.
    static Thread start(Runnable* r, bool owned);
    static Thread getCurrent();

    std::uint32_t getId() const { return id; }
    // Returns when the thread has ended (at once when it has already ended).
    void join() const;

    bool operator==(const Thread& other) const { return id == other.id; }

private:
    std::uint32_t id = None;
};

constexpr std::uint32_t Infinite = 0xFFFFFFFF;

// The system's result for a signalled (0) or abandoned (0x80) object; throws
// TimeoutExpiredError at the limit and PlatformError when the wait fails.
std::uint32_t waitForSingleObject(void* handle, std::uint32_t limitMs);

void sleep(std::uint32_t ms);

// The high-resolution performance counter and its ticks per second.
std::int64_t queryPerformanceCounter();
std::int64_t queryPerformanceFrequency();

}  // namespace ipc
