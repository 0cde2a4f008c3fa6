#pragma once
// The one thread of the process that owns every HTML window, browser control
// and script call. Other threads hand it actions and wait for them.
#include <atomic>
#include <cstdint>

#include "base/win.h"
#include "ipc/thread.h"

namespace ui {

class UIThread {
public:
    class ThreadImpl;

    // Takes a reference to the process's UI thread; the thread starts with
    // the first action.
    UIThread();
    ~UIThread();
    UIThread(const UIThread&) = delete;
    UIThread& operator=(const UIThread&) = delete;

    // Runs the action on the UI thread and returns once it has run. Raises
    // "NULL action", "UI thread failire" when the thread cannot start, and
    // "action failed" when the action raised.
    void execute(ipc::Runnable* action);

private:
    ThreadImpl* impl_;
};

class UIThread::ThreadImpl : public ipc::Runnable {
public:
    static ThreadImpl* getInstance();
    void release();

    void execute(ipc::Runnable* action);
    void run() override;

    // Whether the process has an instance; for tests.
    static bool exists();

private:
    ThreadImpl() = default;
    ~ThreadImpl() override;
    HWND start();
    void runMessageLoop();
    static LRESULT CALLBACK controlWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    // Written under the process lock; the UI thread reads them without it,
    // since the last release holds the lock while it joins the thread.
    std::atomic<HWND> controlWindow_{nullptr};
    std::atomic<bool> deleteOnExit_{false};  // the last reference went on the UI thread itself
    ipc::Thread thread_;
    bool starting_ = false;    // a caller is starting the thread
    bool startEnded_ = false;  // the last start-up has finished, well or not
    volatile LONG refCount_ = 1;
};

// The private messages of the UI thread's windows.
constexpr UINT WM_UI_ACCELERATOR = WM_USER + 1;  // offer the message in lParam to the window
constexpr UINT WM_UI_ACTION = WM_USER + 2;       // run the ipc::Runnable in wParam

}  // namespace ui
