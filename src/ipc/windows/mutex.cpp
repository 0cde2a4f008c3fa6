// Mutexes and conditionals over Windows mutex and event objects.
#include "base/report.h"
#include "base/win_handles.h"
#include "ipc/errors.h"
#include "ipc/invariant.h"
#include "ipc/mutex.h"
#include "ipc/thread.h"
#include "ipc/windows/platform_error.h"

namespace ipc {

void* Mutex::create() {
    HANDLE h = CreateMutexA(nullptr, FALSE, nullptr);
    if (!h) IPC_THROW_PLATFORM_ERROR("CreateMutex");
    return h;
}

void Mutex::destroy(void* handle) {
    if (!tryCloseHandle(handle)) IPC_THROW_PLATFORM_ERROR("CloseHandle");
}

void Mutex::release(void* handle) {
    if (!ReleaseMutex(handle)) IPC_THROW_PLATFORM_ERROR("ReleaseMutex");
}

Mutex::Mutex() : handle(create()) {}

Mutex::~Mutex() {
    try {
        if (top) {
            for (Lock* l = top; l; l = l->prev) l->state = Lock::Orphaned;
        } else {
            destroy(handle);
        }
    } catch (const std::exception& e) {
        REPORT_EXCEPTION(e);
    } catch (...) {
        REPORT_UNKNOWN_EXCEPTION();
    }
}

Mutex::Lock::Lock(Mutex& mutex) : m(mutex), handle(mutex.handle) {
    tid = Thread::getCurrent().getId();
    QDS_ASSERT(tid);
    waitForSingleObject(handle, Infinite);  // an abandoned mutex is ours as well
    prev = m.top;
    m.top = this;
}

Mutex::Lock::~Lock() {
    try {
        QDS_ASSERT(Thread::getCurrent().getId() == tid);
        if (state == Held) {
            QDS_ASSERT(this == m.top);
            m.top = prev;
            Mutex::release(handle);
        } else if (state == Orphaned) {
            Mutex::release(handle);
            if (!prev) Mutex::destroy(handle);  // the outermost lock ends last
        } else {
            QDS_ASSERT(0);
        }
    } catch (const std::exception& e) {
        REPORT_EXCEPTION(e);
    } catch (...) {
        REPORT_UNKNOWN_EXCEPTION();
    }
}

Mutex::Unlock::Unlock(Lock& lock) : l(lock) {
    QDS_ASSERT(Thread::getCurrent().getId() == l.tid);
    QDS_ASSERT(l.state == Lock::Held);
    QDS_ASSERT(&l == l.m.top);
    l.m.top = l.prev;
    try {
        Mutex::release(l.handle);
    } catch (...) {
        l.m.top = &l;
        throw;
    }
}

Mutex::Unlock::~Unlock() {
    try {
        waitForSingleObject(l.handle, Infinite);
        QDS_ASSERT(Thread::getCurrent().getId() == l.tid);
        l.prev = l.m.top;
        l.m.top = &l;
    } catch (const std::exception& e) {
        REPORT_EXCEPTION(e);
    } catch (...) {
        REPORT_UNKNOWN_EXCEPTION();
    }
}

namespace {
// On the waiting thread's stack. A null next link: a notifier took it off the list.
struct Waiter {
    Waiter* next = nullptr;
    Waiter* prev = nullptr;
    HANDLE event = nullptr;
};
}  // namespace

class Conditional::Impl {
public:
    Impl() { head.next = head.prev = &head; }
    bool wait(Mutex::Lock& l, std::uint32_t limitMs);
    void notify(bool one);

private:
    void remove(Waiter& w);

    Mutex internal;  // guards the list; taken after the caller's mutex, never before
    Waiter head;     // sentinel: the list runs from head.next (first come) to head.prev
};

bool Conditional::Impl::wait(Mutex::Lock& l, std::uint32_t limitMs) {
    Waiter w;
    w.event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!w.event) IPC_THROW_PLATFORM_ERROR("CreateEvent");
    {
        Mutex::Lock guard(internal);
        w.prev = head.prev;
        w.next = &head;
        head.prev->next = &w;
        head.prev = &w;
    }
    bool notified = true;
    try {
        Mutex::Unlock unlocked(l);
        waitForSingleObject(w.event, limitMs);
    } catch (const TimeoutExpiredError&) {
        notified = false;
    } catch (...) {
        remove(w);
        throw;
    }
    remove(w);
    return notified;
}

void Conditional::Impl::remove(Waiter& w) {
    Mutex::Lock guard(internal);
    closeHANDLE(w.event);
    w.event = nullptr;
    if (w.next) {
        w.prev->next = w.next;
        w.next->prev = w.prev;
        w.next = nullptr;
    }
}

void Conditional::Impl::notify(bool one) {
    do {
        Mutex::Lock guard(internal);
        if (head.next == &head) return;
        Waiter* w = head.next;
        QDS_ASSERT(w->event);
        if (!SetEvent(w->event)) IPC_THROW_PLATFORM_ERROR("SetEvent");
        head.next = w->next;
        w->next->prev = &head;
        w->next = nullptr;
        Sleep(0);
    } while (!one);
}

Conditional::Conditional() : impl(std::make_unique<Impl>()) {}
Conditional::~Conditional() = default;

void Conditional::wait(Mutex::Lock& lock) {
    QDS_ASSERT(impl);
    QDS_ASSERT(&lock.m == this);
    QDS_ASSERT(!lock.prev);  // a nested lock would keep the mutex through the wait
    impl->wait(lock, Infinite);
}

bool Conditional::waitFor(Mutex::Lock& lock, std::uint32_t limitMs) {
    QDS_ASSERT(impl);
    QDS_ASSERT(&lock.m == this);
    QDS_ASSERT(!lock.prev);
    return impl->wait(lock, limitMs);
}

void Conditional::notify(bool one) {
    QDS_ASSERT(impl);
    impl->notify(one);
}

}  // namespace ipc
