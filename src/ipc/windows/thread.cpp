// Threads, waits and the performance counter over the Windows API.
#include <process.h>

#include "base/logger.h"
#include "base/report.h"
#include "base/sys_error.h"
#include "base/win_handles.h"
#include "ipc/errors.h"
#include "ipc/invariant.h"
#include "ipc/mutex.h"
#include "ipc/thread.h"
#include "ipc/windows/platform_error.h"

namespace ipc {

void throwPlatformError(const SourceLocation& where, unsigned long code, const std::string& call) {
    Logger& logger = Logger::instance();
    if (logger.isEnabled(WARNING)) {
        logger.write(WARNING, where.file, where.line, where.functionName(),
                     call + " failed with " + formatSystemError(code, nullptr));
    }
    throw QdsError<PlatformError>(PlatformError(), where);
}

namespace {

void logInvariant(const char* message, const SourceLocation& where) {
    Logger& logger = Logger::instance();
    if (logger.isEnabled(ERROR)) logger.write(ERROR, where.file, where.line, where.functionName(), message);
}

// Every program that uses ipc threads or locks sends failed checks to the log.
[[maybe_unused]] const bool invariantsLogged = (setInvariantReporter(&logInvariant), true);

// Lives on the starter's stack until the new thread has copied it.
struct StartRecord {
    Conditional* conditional;
    Runnable* runnable;
    HANDLE handle;
};

unsigned __stdcall ThreadFunction(void* argument) {
    unsigned code = 0;
    HANDLE self = nullptr;
    try {
        Runnable* runnable = nullptr;
        {
            auto* record = static_cast<StartRecord*>(argument);
            Conditional& started = *record->conditional;
            Mutex::Lock lock(started);
            started.waitUntil(lock, [&] { return record->handle != nullptr; });
            runnable = record->runnable;
            self = record->handle;
            record->handle = nullptr;
            started.notify(true);
        }
        runnable->run();
    } catch (const std::exception& e) {
        REPORT_EXCEPTION(e);
        code = 1;
    } catch (...) {
        REPORT_UNKNOWN_EXCEPTION();
        code = 1;
    }
    closeHANDLE(self);
    _endthreadex(code);
    return code;
}

}  // namespace

Thread Thread::start(Runnable* r, bool owned) {
    if (!r) return Thread();
    std::unique_ptr<Runnable> owner;
    if (owned) {
        std::unique_ptr<Runnable> job(r);
        owner = std::make_unique<RunnableOwner>(job.get());
        job.release();
        r = owner.get();
    }
    Conditional started;
    StartRecord record{&started, r, nullptr};
    unsigned id = 0;
    const uintptr_t handle = _beginthreadex(nullptr, 0, &ThreadFunction, &record, 0, &id);
    if (handle == 0) IPC_THROW_PLATFORM_ERROR("_beginthreadex");
    owner.release();  // the new thread's now

    Mutex::Lock lock(started);
    record.handle = reinterpret_cast<HANDLE>(handle);
    started.notify(true);
    started.waitUntil(lock, [&] { return record.handle == nullptr; });
    return Thread(id);
}

Thread Thread::getCurrent() { return Thread(GetCurrentThreadId()); }

void Thread::join() const {
    QDS_ASSERT(*this != Thread::getCurrent());  // it would wait for itself
    HANDLE opened = OpenThread(SYNCHRONIZE | THREAD_QUERY_INFORMATION, FALSE, id);
    if (!opened) {
        if (GetLastError() == ERROR_INVALID_PARAMETER) return;  // the thread no longer exists
        IPC_THROW_PLATFORM_ERROR("OpenThread(" + std::to_string(id) + ")");
    }
    UniqueHandle handle(opened);
    const std::int64_t frequency = queryPerformanceFrequency();
    const std::int64_t begin = queryPerformanceCounter();
    for (;;) {
        DWORD exitCode = 0;
        if (!GetExitCodeThread(handle.get(), &exitCode)) IPC_THROW_PLATFORM_ERROR("GetExitCodeThread");
        if (exitCode != STILL_ACTIVE) break;
        try {
            waitForSingleObject(handle.get(), 100);
            break;
        } catch (const TimeoutExpiredError&) {
        }
    }
    LOG_TRACE("Thread " << id << " joined after "
                        << (queryPerformanceCounter() - begin) * 1000 / (frequency ? frequency : 1) << " ms");
}

std::uint32_t waitForSingleObject(void* handle, std::uint32_t limitMs) {
    const DWORD result = WaitForSingleObject(handle, limitMs);
    if (result == WAIT_FAILED) IPC_THROW_PLATFORM_ERROR("WaitForSingleObject");
    if (result == WAIT_TIMEOUT) throw QDS_ERROR(TimeoutExpiredError());
    return result;
}

void sleep(std::uint32_t ms) { Sleep(ms); }

std::int64_t queryPerformanceCounter() {
    LARGE_INTEGER value;
    if (!QueryPerformanceCounter(&value)) IPC_THROW_PLATFORM_ERROR("QueryPerformanceCounter");
    return value.QuadPart;
}

std::uint32_t elapsedMsSince(std::int64_t counterStart) {
    const std::int64_t frequency = queryPerformanceFrequency();
    const std::int64_t ms = (queryPerformanceCounter() - counterStart) * 1000 / (frequency ? frequency : 1);
    return ms < 0 ? 0 : ms > 0xFFFFFFF0 ? 0xFFFFFFF0 : static_cast<std::uint32_t>(ms);
}

std::int64_t queryPerformanceFrequency() {
    LARGE_INTEGER value;
    if (!QueryPerformanceFrequency(&value)) IPC_THROW_PLATFORM_ERROR("QueryPerformanceFrequency");
    return value.QuadPart;
}

}  // namespace ipc
