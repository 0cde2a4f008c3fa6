#include "html_ui/ui_thread.h"

#include <stdexcept>

#include "base/com_holders.h"
#include "base/logger.h"
#include "base/report.h"
#include "base/sys_error.h"
#include "base/tstrings.h"
#include "ipc/mutex.h"

namespace ui {

namespace {

constexpr char kControlWindowClass[] = "ControlWindow";

// Guards the instance pointer, the control window handle and the start-up;
// signalled when a start-up has ended.
ipc::Conditional& processLock() {
    static ipc::Conditional* lock = new ipc::Conditional;  // outlives every static user
    return *lock;
}

UIThread::ThreadImpl* instance = nullptr;

std::string lastErrorText() { return describeSystemError(GetLastError(), nullptr); }

// OLE for the UI thread; a failure is logged and the thread goes on without.
class OleInitializer {
public:
    OleInitializer() {
        if (FAILED(scope_.result())) LOG_WARNING("OleInitialize failed with " << describeSystemError(scope_.result(), nullptr));
    }

private:
    OleScope scope_;
};

bool isKeyboardOrMouse(UINT message) {
    return (message >= WM_KEYFIRST && message < WM_KEYLAST + 1) || (message >= 0x200 && message <= 0x20D);
}

}  // namespace

UIThread::UIThread() : impl_(ThreadImpl::getInstance()) {}
UIThread::~UIThread() { impl_->release(); }
void UIThread::execute(ipc::Runnable* action) { impl_->execute(action); }

UIThread::ThreadImpl* UIThread::ThreadImpl::getInstance() {
    ipc::Mutex::Lock lock(processLock());
    if (instance) {
        LOG_TRACE("ThreadImpl::getInstance - addref: " << instance->refCount_);
        InterlockedIncrement(&instance->refCount_);
        return instance;
    }
    LOG_TRACE("ThreadImpl::getInstance - create instance");
    instance = new ThreadImpl;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &controlWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kControlWindowClass;
    RegisterClassA(&wc);  // a second instance finds it registered
    return instance;
}

bool UIThread::ThreadImpl::exists() {
    ipc::Mutex::Lock lock(processLock());
    return instance != nullptr;
}

void UIThread::ThreadImpl::release() {
    // Under the lock, so that getInstance never hands out an instance that is
    // going away.
    ipc::Mutex::Lock lock(processLock());
    const LONG count = InterlockedDecrement(&refCount_);
    LOG_TRACE("ThreadImpl::release - count == " << count);
    if (count != 0) return;
    LOG_TRACE("refCounter is 0, deleting this");
    instance = nullptr;
    if (thread_ == ipc::Thread::getCurrent()) {
        // The last window went from an action on this very thread: the loop
        // ends after this message and the thread deletes the instance.
        deleteOnExit_ = true;
        if (HWND window = controlWindow_.exchange(nullptr)) DestroyWindow(window);
        return;
    }
    delete this;
}

UIThread::ThreadImpl::~ThreadImpl() {
    try {
        ipc::Mutex::Lock lock(processLock());
        if (HWND window = controlWindow_.load()) {
            SendMessageA(window, WM_CLOSE, 0, 0);
            controlWindow_ = nullptr;
        }
        if (thread_.getId() != ipc::Thread::None) thread_.join();
    } catch (const std::exception& e) {
        REPORT_EXCEPTION(e);
    }
}

HWND UIThread::ThreadImpl::start() {
    ipc::Conditional& cond = processLock();
    ipc::Mutex::Lock lock(cond);
    if (controlWindow_) return controlWindow_;
    if (starting_) {
        // Another caller is starting the thread; its outcome is ours.
        cond.waitUntil(lock, [&] { return !starting_; });
    } else {
        starting_ = true;
        startEnded_ = false;
        thread_ = ipc::Thread::start(this, false);
        cond.waitUntil(lock, [&] { return startEnded_; });
        starting_ = false;
        cond.notify(false);
        if (!controlWindow_) {
            thread_.join();
            thread_ = ipc::Thread();
        }
    }
    if (!controlWindow_) throw QDS_ERROR(std::runtime_error("UI thread failire"));
    return controlWindow_;
}

void UIThread::ThreadImpl::execute(ipc::Runnable* action) {
    if (!action) throw QDS_ERROR(std::logic_error("NULL action"));
    HWND window = start();
    if (SendMessageA(window, WM_UI_ACTION, reinterpret_cast<WPARAM>(action), 0) == 0)
        throw QDS_ERROR(std::runtime_error("action failed"));
}

void UIThread::ThreadImpl::run() {
    bool deleteSelf = false;
    try {
        OleInitializer ole;
        HWND window = CreateWindowA(kControlWindowClass, "", 0, 0, 0, 0, 0, nullptr, nullptr, GetModuleHandleA(nullptr), this);
        if (!window) {
            LOG_ERROR(tstrings::format("%s failed with %s", "CreateControlWindow", lastErrorText().c_str()));
            throw QDS_ERROR(std::runtime_error("CreateWindow failed"));
        }
        {
            ipc::Mutex::Lock lock(processLock());
            controlWindow_ = window;
            startEnded_ = true;
            processLock().notify(false);
        }
        runMessageLoop();
        deleteSelf = deleteOnExit_;
    } catch (const std::exception& e) {
        LOG_ERROR("UIThread exception: " << e.what());
        ipc::Mutex::Lock lock(processLock());
        startEnded_ = true;
        processLock().notify(false);
    }
    if (deleteSelf) {
        thread_ = ipc::Thread();  // nobody joins a thread from itself
        delete this;
    }
}

void UIThread::ThreadImpl::runMessageLoop() {
    MSG msg;
    for (;;) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) break;
        if (got == -1) {
            LOG_ERROR(tstrings::format("%s failed with %s", "MessageLoop::GetMessage", lastErrorText().c_str()));
            break;
        }
        bool consumed = false;
        if (isKeyboardOrMouse(msg.message)) {
            // The focused window and its ancestors may take it as an accelerator.
            for (HWND w = GetFocus(); w && !consumed; w = GetParent(w))
                consumed = SendMessageA(w, WM_UI_ACCELERATOR, 0, reinterpret_cast<LPARAM>(&msg)) != 0;
        }
        if (!consumed) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (!controlWindow_) break;
    }
}

LRESULT CALLBACK UIThread::ThreadImpl::controlWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    case WM_UI_ACTION:
        try {
            reinterpret_cast<ipc::Runnable*>(wParam)->run();
            return 1;
        } catch (const std::exception& e) {
            LOG_WARNING("Action thrown an exception: " << e.what());
        } catch (...) {
            LOG_WARNING("Action thrown an exception: unknown");
        }
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace ui
