#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/win_handles.h"
#include "ipc/errors.h"
#include "ipc/mutex.h"
#include "ipc/thread.h"
#include "ipc/timer.h"
#include "ipc_test_support.h"
#include "test_support.h"

namespace {
struct Recorder : ipc::Runnable {
    explicit Recorder(std::atomic<bool>* deleted = nullptr) : deleted(deleted) {}
    ~Recorder() override {
        if (deleted) *deleted = true;
    }
    void run() override {
        ranOn = ipc::Thread::getCurrent().getId();
        ++runs;
    }
    std::atomic<int> runs{0};
    std::atomic<std::uint32_t> ranOn{0};
    std::atomic<bool>* deleted;
};
}  // namespace

TEST(IpcThread, StartRunsOnceOnANewThreadAndJoinReturnsOnceItEnded) {
    const ipc::Thread none = ipc::Thread::start(nullptr, true);
    EXPECT_EQ(none.getId(), ipc::Thread::None);
    none.join();  // no such thread: at once

    std::atomic<bool> deleted{false};
    Recorder kept(&deleted);
    const ipc::Thread t = ipc::Thread::start(&kept, false);
    t.join();
    t.join();  // ended already
    EXPECT_EQ(kept.runs, 1);
    EXPECT_EQ(kept.ranOn, t.getId());
    EXPECT_NE(t, ipc::Thread::getCurrent());
    EXPECT_FALSE(deleted);
    ipc::Thread::start(new Recorder(&deleted), true).join();
    EXPECT_TRUE(deleted);  // owned: deleted after its run

    // Each start record lives on the starter's stack only until its thread took it.
    std::vector<std::unique_ptr<Recorder>> jobs;
    std::vector<ipc::Thread> threads;
    for (int i = 0; i < 48; ++i) {
        jobs.push_back(std::make_unique<Recorder>());
        threads.push_back(ipc::Thread::start(jobs.back().get(), false));
    }
    for (size_t i = 0; i < threads.size(); ++i) {
        threads[i].join();
        EXPECT_EQ(jobs[i]->runs, 1) << i;
        EXPECT_EQ(jobs[i]->ranOn, threads[i].getId()) << i;
    }
}

TEST(IpcThread, AThrowingRunEndsItsThreadWithCodeOneAndIsReported) {
    ScratchDir dir("ovx_ipc_thread_test");
    CapturedLog log(dir);
    struct Throwing : ipc::Runnable {
        void run() override {
            WaitForSingleObject(go.get(), 20000);
            if (standard) throw std::runtime_error("job failed");
            throw 42;
        }
        UniqueHandle go{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
        bool standard = true;
    };
    for (bool standard : {true, false}) {
        Throwing job;
        job.standard = standard;
        const ipc::Thread t = ipc::Thread::start(&job, false);
        UniqueHandle watched(OpenThread(SYNCHRONIZE | THREAD_QUERY_INFORMATION, FALSE, t.getId()));
        ASSERT_TRUE(watched.valid());
        SetEvent(job.go.get());
        t.join();
        DWORD code = 0;
        ASSERT_TRUE(GetExitCodeThread(watched.get(), &code));
        EXPECT_EQ(code, 1u);
    }
    const std::string text = log.text();
    const std::string site = "(ipc::`anonymous-namespace'::ThreadFunction)]\r\n\tERROR: ";
    EXPECT_NE(text.find(site + "Exception with message 'job failed' caught"), std::string::npos) << text;
    EXPECT_NE(text.find(site + "Unknown exception caught"), std::string::npos) << text;
}

TEST(IpcMutex, NestedLocksExcludeOtherThreads) {
    ipc::Mutex m;
    int counter = 0;
    std::vector<std::unique_ptr<BackgroundJob>> jobs;
    for (int i = 0; i < 4; ++i) {
        jobs.push_back(std::make_unique<BackgroundJob>([&] {
            for (int n = 0; n < 500; ++n) {
                ipc::Mutex::Lock lock(m);
                ipc::Mutex::Lock again(m);
                const int seen = counter;
                Sleep(0);
                counter = seen + 1;
            }
        }));
    }
    for (auto& job : jobs) ASSERT_TRUE(job->finish());
    EXPECT_EQ(counter, 2000);
}

TEST(IpcMutex, DestroyedWhileHeldItsLocksReleaseAndCloseIt) {
    ScratchDir dir("ovx_ipc_mutex_test");
    CapturedLog log(dir);
    DWORD before = 0, after = 0;
    ASSERT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &before));
    {
        auto* m = new ipc::Mutex;
        ipc::Mutex::Lock outer(*m);
        ipc::Mutex::Lock inner(*m);
        delete m;
    }
    ASSERT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &after));
    EXPECT_EQ(after, before);
    EXPECT_EQ(log.text(), "");  // no failed release or close
}

TEST(IpcMutexDeathTest, LocksEndOnTheirThreadAndInReverseOrder) {
    EXPECT_DEATH(
        {
            ipc::Mutex m;
            auto first = std::make_unique<ipc::Mutex::Lock>(m);
            auto second = std::make_unique<ipc::Mutex::Lock>(m);
            first.reset();
        },
        "Assertion failed: this == m.top");
    EXPECT_DEATH(
        {
            ipc::Mutex m;
            auto* lock = new ipc::Mutex::Lock(m);
            BackgroundJob([&] { delete lock; }).finish();
        },
        "Assertion failed: Thread::getCurrent\\(\\).getId\\(\\) == tid");
}

TEST(IpcConditional, NotifyOneWakesTheLongestWaitingAndNotifyAllWakesEveryone) {
    for (bool one : {true, false}) {
        ipc::Conditional c;
        int arrived = 0, tickets = 0, wakeUps = 0;
        std::vector<int> served;
        c.notify(true);  // nobody waits: nothing happens
        c.notify(false);
        auto underLock = [&](auto condition) {
            return eventually([&] {
                ipc::Mutex::Lock lock(c);
                return condition();
            });
        };
        std::vector<std::unique_ptr<BackgroundJob>> waiters;
        for (int n = 1; n <= 3; ++n) {
            waiters.push_back(std::make_unique<BackgroundJob>([&, n] {
                ipc::Mutex::Lock lock(c);
                ++arrived;
                while (tickets == 0) {
                    c.wait(lock);
                    ++wakeUps;
                }
                --tickets;
                served.push_back(n);
            }));
            // Seen under the lock: the waiter has let it go inside wait.
            ASSERT_TRUE(underLock([&] { return arrived == n; }));
        }
        for (size_t n = 1; n <= (one ? 3u : 1u); ++n) {
            {
                ipc::Mutex::Lock lock(c);
                tickets += one ? 1 : 3;
                c.notify(one);
            }
            ASSERT_TRUE(underLock([&] { return served.size() == (one ? n : 3u); }));
        }
        for (auto& w : waiters) ASSERT_TRUE(w->finish());
        if (one) {
            EXPECT_EQ(served, (std::vector<int>{1, 2, 3}));
        }
        EXPECT_EQ(wakeUps, 3);  // each waiter woken once, by a notification meant for it
    }
}

namespace {
struct CountingJob : ipc::Timer::Runnable {
    explicit CountingJob(int stopAt = 0, bool throws = false) : stopAt(stopAt), throws(throws) {}
    void run(ipc::Timer& timer) override {
        const int n = ++runs;
        if (throws) throw std::runtime_error("tick failed");
        if (n == stopAt) timer.stop(false);
    }
    std::atomic<int> runs{0};
    int stopAt;
    bool throws;
};
}  // namespace

TEST(IpcTimer, StoppedByItsJobOrItsOwnerItRunsNoMore) {
    CountingJob job(3);
    {
        ipc::Timer timer(&job, 5);
        ASSERT_TRUE(eventually([&] { return job.runs >= 3; }));
    }
    EXPECT_EQ(job.runs, 3);

    // A period that never passes: the destructor must not sleep it out.
    CountingJob once(1);
    ASSERT_TRUE(BackgroundJob([&] {
                    ipc::Timer timer(&once, 0x7FFFFFFF);
                    eventually([&] { return once.runs == 1; });
                }).finish());
    EXPECT_EQ(once.runs, 1);

    CountingJob endless;
    ipc::Timer timer(&endless, 1);
    ASSERT_TRUE(eventually([&] { return endless.runs >= 3; }));
    timer.stop(true);
    const int runs = endless.runs;
    Sleep(20);
    EXPECT_EQ(endless.runs, runs);
}

TEST(IpcTimer, AThrowingJobEndsItsTimerWithoutHangingTheOwner) {
    ScratchDir dir("ovx_ipc_timer_test");
    CapturedLog log(dir);
    CountingJob job(0, true);
    ASSERT_TRUE(BackgroundJob([&] {
                    ipc::Timer timer(&job, 1);
                    eventually([&] { return job.runs >= 1; });
                }).finish());
    EXPECT_EQ(job.runs, 1);
    EXPECT_NE(log.text().find("Exception with message 'tick failed' caught"), std::string::npos) << log.text();
}

TEST(IpcWait, ResultsAndErrors) {
    UniqueHandle event(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    try {
        ipc::waitForSingleObject(event.get(), 0);
        ADD_FAILURE() << "no timeout";
    } catch (const ipc::TimeoutExpiredError& e) {
        EXPECT_NE(std::string(e.what()).find(") at ipc::waitForSingleObject(): ipc error"), std::string::npos)
            << e.what();
    }
    SetEvent(event.get());
    EXPECT_EQ(ipc::waitForSingleObject(event.get(), 0), WAIT_OBJECT_0);
    EXPECT_THROW(ipc::waitForSingleObject(reinterpret_cast<HANDLE>(0x7ff0), 0), ipc::PlatformError);
}
