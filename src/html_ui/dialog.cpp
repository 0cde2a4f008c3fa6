#include "html_ui/dialog.h"

#include <cstdlib>
#include <stdexcept>

#include "base/logger.h"
#include "base/report.h"
#include "base/tstrings.h"
#include "html_ui/browser_control.h"
#include "html_ui/page_player.h"
#include "process/browsers.h"

#include <exdispid.h>

namespace ui {

namespace {

int leadingInt(const std::string& text) { return static_cast<int>(std::strtol(text.c_str(), nullptr, 10)); }

std::string statusText(const VARIANT& status) {
    const VARIANT& v = (status.vt == (VT_BYREF | VT_VARIANT) && status.pvarVal) ? *status.pvarVal : status;
    if (v.vt == VT_I4) return tstrings::format("0x%08lX", static_cast<unsigned long>(v.lVal));
    return "unknown status";
}

}  // namespace

Dialog::Dialog(const std::string& pageName, const DialogContext& context)
    : url_((context.baseUrl.empty() ? defaultBaseUrl() : context.baseUrl) + pageName), locale_(context.localeName) {}

Dialog::~Dialog() {
    try {
        window_.destroy();  // before the members that its last events may reach
    } catch (const std::exception& e) {
        REPORT_EXCEPTION(e);
    }
}

// Window calls are made outside the load lock: the UI thread takes it in
// onLoadComplete while another thread's window call waits for the UI thread.
void Dialog::applyCloseButton(bool enabled) {
    HWND hwnd = window_.getHwnd();
    if (!hwnd) return;
    EnableMenuItem(GetSystemMenu(hwnd, FALSE), SC_CLOSE, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

bool Dialog::show() {
    bool waitForLoad = true;
    bool closeButton = true;
    {
        ipc::Mutex::Lock lock(loadLock_);
        if (state_ != Loaded) {
            state_ = Loading;
        } else {
            waitForLoad = false;  // a loaded page is navigated again, and onLoadComplete follows
        }
        closeButton = closeButton_;
        loadError_.clear();
    }
    if (waitForLoad) applyCloseButton(closeButton);
    std::string failure;
    PagePlayer* player = pagePlayer();
    try {
        window_.load(url_, this);
        if (player) playPageLoad();
    } catch (const std::exception& e) {
        failure = std::string("cannot start loading (") + e.what() + ")";
    }
    if (failure.empty() && waitForLoad) {
        ipc::Mutex::Lock lock(loadLock_);
        const bool settled =
            loadLock_.waitUntilFor(lock, kLoadLimitMs, [&] { return state_ != Loading || !loadError_.empty(); });
        if (!loadError_.empty())
            failure = loadError_;
        else if (!settled)
            failure = "not loaded within " + std::to_string(kLoadLimitMs / 1000) + " seconds";
        else if (state_ != Loaded)
            failure = "unloaded while loading";
        if (!failure.empty()) state_ = NotLoaded;
    }
    if (!failure.empty()) {
        LOG_ERROR("Cannot show the page " << url_ << ": " << failure);
        hide();
        return false;
    }
    if (HWND hwnd = window_.getHwnd()) ShowWindow(hwnd, SW_SHOW);
    if (player) player->pageShown(*this);
    return true;
}

// The browser's load completion, as its event interface receives it.
void Dialog::playPageLoad() {
    BrowserControl* control = window_.getControl();
    if (!control) throw QDS_ERROR(std::logic_error("browser control does not exist"));
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    static_cast<DWebBrowserEvents2*>(control)->Invoke(DISPID_DOCUMENTCOMPLETE, IID_NULL, 0, DISPATCH_METHOD, &none,
                                                      nullptr, nullptr, nullptr);
}

Variant Dialog::execJScript(const std::string& script) {
    if (PagePlayer* player = pagePlayer()) {
        player->scriptRun(*this, script);
        return Variant();
    }
    return window_.execJScript(script);
}

int Dialog::run() {
    {
        ipc::Mutex::Lock lock(resultLock_);
        result_ = Running;
        closed_ = false;
    }
    // Not under the result lock: the page's events end the dialog on the UI
    // thread while the page loads. The flag keeps an early close.
    const bool shown = show();
    int result;
    {
        ipc::Mutex::Lock lock(resultLock_);
        if (shown)
            resultLock_.waitUntil(lock, [&] { return closed_; });
        else
            result_ = Closed;
        result = result_;
    }
    hide();
    return result;
}

void Dialog::hide() {
    if (HWND hwnd = window_.getHwnd()) ShowWindow(hwnd, SW_HIDE);
}

void Dialog::close(int result) {
    ipc::Mutex::Lock lock(resultLock_);
    result_ = result;
    closed_ = true;
    resultLock_.notify(false);
}

std::string Dialog::getLocale() { return locale_; }

void Dialog::onClose() {
    LOG_TRACE("Dialog::onClose())");
    close(Closed);
}

void Dialog::onLoadComplete() {
    LOG_TRACE("Dialog::onLoadComplete())");
    {
        ipc::Mutex::Lock lock(loadLock_);
        state_ = Loaded;
        loadLock_.notify(false);
    }
    HWND hwnd = window_.getHwnd();
    if (!hwnd) return;
    HWND over = GetParent(hwnd);
    if (!over) over = GetDesktopWindow();
    RECT outer, own;
    if (!GetWindowRect(over, &outer) || !GetWindowRect(hwnd, &own)) return;
    const int left = outer.left + ((outer.right - outer.left) - (own.right - own.left)) / 2;
    const int top = outer.top + ((outer.bottom - outer.top) - (own.bottom - own.top)) / 2;
    SetWindowPos(hwnd, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOOWNERZORDER);
}

void Dialog::onNavigateError(const VARIANT& statusCode) {
    if (pagePlayer()) return;  // the player loads the pages
    // A page that cannot load ends the wait of show at once.
    ipc::Mutex::Lock lock(loadLock_);
    loadError_ = "navigation error " + statusText(statusCode);
    loadLock_.notify(false);
}

void Dialog::onUnload() {
    LOG_TRACE("Dialog::onUnload())");
    ipc::Mutex::Lock lock(loadLock_);
    state_ = NotLoaded;
}

void Dialog::onEvent(const std::string& name, const ArgList& args) {
    LOG_TRACE("Dialog::onEvent(" << name << ")");
    if (name == "cancel") {
        if (HWND hwnd = window_.getHwnd()) SendMessageW(hwnd, WM_CLOSE, 0, 0);
    } else if (name == "next") {
        close(Next);
    } else if (name == "back") {
        close(Back);
    } else if (name == "a") {
        if (args.empty()) throw QDS_ERROR(std::runtime_error("no parameter at the given position"));
        browsers::launchDefault(args[0]);
    }
}

void Dialog::setWindowProp(const std::string& name, const ArgList& args) {
    HWND hwnd = window_.getHwnd();
    if (tstrings::equals(name, "title", true)) {
        if (args.size() != 1) {
            LOG_ERROR("setWindowProp(Title): requires 1 params");
            return;
        }
        LOG_INFO(tstrings::format("setWindowProp(Title): %s", args[0].c_str()));
        if (hwnd) SetWindowTextW(hwnd, tstrings::toUtf16(args[0]).c_str());
    } else if (tstrings::equals(name, "size", true)) {
        if (args.size() != 2) {
            LOG_ERROR("setWindowProp(Size): requires 2 params");
            return;
        }
        const int width = leadingInt(args[0]);
        const int height = leadingInt(args[1]);
        LOG_INFO(tstrings::format("setWindowProp(Size): %d x %d", width, height));
        if (hwnd) SetWindowPos(hwnd, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
    } else if (tstrings::equals(name, "closeButton", true)) {
        if (args.size() != 1) {
            LOG_ERROR("setWindowProp(closeButton): requires 1 params");
            return;
        }
        const int enabled = leadingInt(args[0]);
        {
            ipc::Mutex::Lock lock(loadLock_);
            closeButton_ = enabled != 0;
        }
        LOG_INFO(tstrings::format("setWindowProp(closeButton): %d", enabled));
        applyCloseButton(enabled != 0);
    } else {
        LOG_ERROR(tstrings::format("setWindowProp: unexpected prop: '%s'", name.c_str()));
    }
}

}  // namespace ui
