#pragma once
// A recursive, process-local mutex whose scoped locks must end on the thread
// that took them and in reverse order, and a condition variable made of one
// event per waiting thread, woken first come first served.
#include <cstdint>
#include <memory>

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
    // this conditional. There is no timed wait: re-test the condition.
    void wait(Mutex::Lock& lock);
    template <class Predicate>
    void waitUntil(Mutex::Lock& lock, Predicate done) {
        while (!done()) wait(lock);
    }
    // Wakes the longest-waiting thread (one) or every waiting thread.
    void notify(bool one);

private:
    class Impl;
    std::unique_ptr<Impl> impl;
};

}  // namespace ipc
