#include "html_ui/browser_window.h"

#include <stdexcept>

#include "base/logger.h"
#include "base/report.h"
#include "base/sys_error.h"
#include "base/tstrings.h"
#include "html_ui/browser_control.h"
#include "html_ui/window_handler.h"

namespace ui {

namespace {

constexpr wchar_t kWindowClass[] = L"KynKivDialog";
constexpr int kClientWidthDlu = 250;
constexpr int kClientHeightDlu = 177;

std::string lastErrorText() { return describeSystemError(GetLastError(), nullptr); }

class LoadAction : public ipc::Runnable {
public:
    LoadAction(BrowserWindow& window, const std::string& url, WindowHandler* handler)
        : window_(window), url_(url), handler_(handler) {}
    void run() override {
        if (!window_.getHwnd()) window_.create();
        BrowserControl* control = window_.getControl();
        if (!control) throw QDS_ERROR(std::logic_error("browser control does not exist"));
        control->openUrl(tstrings::fromACP(url_), handler_);
    }

private:
    BrowserWindow& window_;
    const std::string& url_;
    WindowHandler* handler_;
};

class DestroyAction : public ipc::Runnable {
public:
    explicit DestroyAction(BrowserWindow& window) : window_(window) {}
    void run() override {
        HWND hwnd = window_.getHwnd();
        ShowWindow(hwnd, SW_HIDE);
        window_.destroyControl();
        if (!DestroyWindow(hwnd)) LOG_ERROR(tstrings::format("%s failed with %s", "DestroyWindow", lastErrorText().c_str()));
        window_.forgetHwnd();
    }

private:
    BrowserWindow& window_;
};

}  // namespace

BrowserWindow::~BrowserWindow() {
    try {
        if (hwnd_) destroy();
    } catch (const std::exception& e) {
        REPORT_EXCEPTION(e);
    }
}

void BrowserWindow::create() {
    HINSTANCE module = GetModuleHandleW(nullptr);
    WNDCLASSW existing;
    if (!GetClassInfoW(module, kWindowClass, &existing)) {
        WNDCLASSW wc = {};
        wc.style = CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = &staticWndProc;
        wc.hInstance = module;
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.lpszClassName = kWindowClass;
        if (!RegisterClassW(&wc)) LOG_ERROR(tstrings::format("%s failed with %s", "RegisterClass", lastErrorText().c_str()));
    }
    const LONG units = GetDialogBaseUnits();
    SIZE client;
    client.cx = MulDiv(kClientWidthDlu, LOWORD(units), 4);
    client.cy = MulDiv(kClientHeightDlu, HIWORD(units), 8);
    const SIZE size = clientSize2windowSize(client);
    HWND hwnd = CreateWindowExW(kExStyle, kWindowClass, L"", kStyle, 100, 100, size.cx, size.cy, nullptr, nullptr,
                                module, this);
    if (!hwnd) {
        LOG_ERROR(tstrings::format("%s failed with %s", "CreateWindow", lastErrorText().c_str()));
        throw QDS_ERROR(std::runtime_error("CreateWindow failed"));
    }
}

SIZE BrowserWindow::clientSize2windowSize(SIZE client) {
    RECT rect = {0, 0, client.cx, client.cy};
    if (!AdjustWindowRectEx(&rect, kStyle, FALSE, kExStyle)) {
        LOG_ERROR(tstrings::format("%s failed with %s", "AdjustWindowRectEx", lastErrorText().c_str()));
        throw QDS_ERROR(std::runtime_error("AdjustWindowRectEx error"));
    }
    return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

void BrowserWindow::load(const std::string& url, WindowHandler* handler) {
    LoadAction action(*this, url, handler);
    thread_.execute(&action);
}

void BrowserWindow::destroy() {
    LOG_TRACE(">>BrowserWindow::destroy");
    if (hwnd_) {
        LOG_TRACE("  == BrowserWindow::destroy: hWnd != NULL => destroy");
        DestroyAction action(*this);
        thread_.execute(&action);
    }
    LOG_TRACE("<<BrowserWindow::destroy");
}

void BrowserWindow::destroyControl() {
    LOG_TRACE(">>BrowserWindow::destroyControl");
    if (control_) {
        LOG_TRACE("  == BrowserWindow::destroyControl: browserControl != NULL");
        BrowserControl* control = control_;
        control_ = nullptr;
        LOG_TRACE("  == BrowserWindow::destroyControl: >>browserControl->destroy");
        control->destroy();
        LOG_TRACE("  == BrowserWindow::destroyControl: <<browserControl->destroy");
    }
    LOG_TRACE("<<BrowserWindow::destroyControl");
}

Variant BrowserWindow::execJScript(const std::string& script) {
    if (!control_) throw QDS_ERROR(std::logic_error("browser control does not exist"));
    return control_->execJScript(script);
}

LRESULT CALLBACK BrowserWindow::staticWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    BrowserWindow* self = nullptr;
    if (message == WM_CREATE) {
        self = static_cast<BrowserWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<BrowserWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
    try {
        return self->wndProc(message, wParam, lParam);
    } catch (const std::exception& e) {
        REPORT_EXCEPTION(e);
    } catch (...) {
        REPORT_UNKNOWN_EXCEPTION();
    }
    return 0;
}

LRESULT BrowserWindow::wndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        try {
            BrowserControl::create(*this);
        } catch (const std::exception& e) {
            REPORT_EXCEPTION(e);
            hwnd_ = nullptr;  // creation is aborted
            return -1;
        }
        return 0;
    case WM_DESTROY:
        destroyControl();
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        hwnd_ = nullptr;
        return 0;
    case WM_SIZE:
        if (wParam == SIZE_RESTORED && control_) control_->setRect(RECT{0, 0, LOWORD(lParam), HIWORD(lParam)});
        return 0;
    case WM_SETFOCUS:
        if (control_) control_->setFocus();
        return 0;
    case WM_CLOSE:
        if (control_ && control_->getHandler()) control_->getHandler()->onClose();
        return 0;
    case WM_UI_ACCELERATOR:
        if (control_ && control_->getWebBrowser()) {
            ComPtr<IOleInPlaceActiveObject> active;
            if (SUCCEEDED(control_->getWebBrowser()->QueryInterface(IID_IOleInPlaceActiveObject, active.outVoid())) &&
                active && active->TranslateAccelerator(reinterpret_cast<MSG*>(lParam)) == S_OK)
                return 1;
        }
        return 0;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

}  // namespace ui
