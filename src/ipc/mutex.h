#pragma once
// A recursive, process-local mutex whose scoped locks must end on the thread
// that took them and in reverse order, and a condition variable made of one
// event per waiting thread, woken first come first served.
#include <cstdint>
#include <memory>

#include "ipc/thread.h"

namespace ipc {

class Mutex {
public:
    class Lock;
    class Unlock;

    Mutex();
    // Destroying a held mutex leaves its system object to the locks that hold
    // it; the last of them closes it.
    ~Mutex();
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;

private:
    friend class Conditional;
    static void* create();
    static void destroy(void* handle);
    static void release(void* handle);

    void* handle;
    Lock* top = nullptr;  // innermost lock holding it; the locks below form a stack
};

class Mutex::Lock {
public:
    explicit Lock(Mutex& m);
    ~Lock();
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

private:
    friend class Mutex;
    friend class Conditional;
    enum : std::uint32_t { Held = 0x87654321, Orphaned = 0x12345678 };

    Mutex& m;
    void* handle;  // copied: it outlives a mutex destroyed under this lock
    std::uint32_t state = Held;
    Lock* prev = nullptr;
    std::uint32_t tid;
};

// Releases a held lock for its own lifetime and takes it back at its end.
class Mutex::Unlock {
public:
    explicit Unlock(Lock& l);
    ~Unlock();
    Unlock(const Unlock&) = delete;
    Unlock& operator=(const Unlock&) = delete;

private:
    Lock& l;
};

// Callers lock the conditional itself around the state it guards:
//   ipc::Mutex::Lock lock(cond);
//   cond.waitUntil(lock, [&] { return ready; });
// and change that state under the same lock before notify.
class Conditional : public Mutex {
public:
    Conditional();
    ~Conditional();

    // Sleeps until notified; lock must be the only lock of this thread on
    // this conditional. Re-test the condition after every wake.
    void wait(Mutex::Lock& lock);
    template <class Predicate>
    void waitUntil(Mutex::Lock& lock, Predicate done) {
        while (!done()) wait(lock);
    }
    // The same with a limit: false when limitMs passed without a notify.
    bool waitFor(Mutex::Lock& lock, std::uint32_t limitMs);
    // Whether done() held before limitMs passed.
    template <class Predicate>
    bool waitUntilFor(Mutex::Lock& lock, std::uint32_t limitMs, Predicate done);
    // Wakes the longest-waiting thread (one) or every waiting thread.
    void notify(bool one);

private:
    class Impl;
    std::unique_ptr<Impl> impl;
};

// Milliseconds since a reading of queryPerformanceCounter.
std::uint32_t elapsedMsSince(std::int64_t counterStart);

template <class Predicate>
bool Conditional::waitUntilFor(Mutex::Lock& lock, std::uint32_t limitMs, Predicate done) {
    const std::int64_t start = queryPerformanceCounter();
    while (!done()) {
        const std::uint32_t elapsed = elapsedMsSince(start);
        if (elapsed >= limitMs || !waitFor(lock, limitMs - elapsed)) return done();
    }
    return true;
}

}  // namespace ipc
