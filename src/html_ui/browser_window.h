#pragma once
// The top-level frame of one HTML dialog: a window on the UI thread that
// holds a browser control over its whole client area.
#include <string>

#include "base/win.h"

#include "base/com_holders.h"

#include "html_ui/ui_thread.h"

namespace ui {

class BrowserControl;
class WindowHandler;

class BrowserWindow {
public:
    BrowserWindow() = default;
    ~BrowserWindow();  // destroys the window when it still exists
    BrowserWindow(const BrowserWindow&) = delete;
    BrowserWindow& operator=(const BrowserWindow&) = delete;

    // On the UI thread: creates the hidden frame window; raises "CreateWindow failed".
    void create();
    // From any other thread: creates the window when missing and navigates
    // its control to the address, with the handler receiving its events.
    void load(const std::string& url, WindowHandler* handler);
    // From any other thread: hides and destroys the window and its control.
    void destroy();
    // On the UI thread: destroys the browser control, if any.
    void destroyControl();

    // The script's value; from any thread. Raises "browser control does not exist".
    Variant execJScript(const std::string& script);

    // The window size for a wanted client size, for the frame's styles.
    static SIZE clientSize2windowSize(SIZE client);

    HWND getHwnd() const { return hwnd_; }
    void forgetHwnd() { hwnd_ = nullptr; }
    BrowserControl* getControl() const { return control_; }
    void setControl(BrowserControl* control) { control_ = control; }

    static constexpr DWORD kStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    static constexpr DWORD kExStyle = WS_EX_APPWINDOW | WS_EX_DLGMODALFRAME;

private:
    static LRESULT CALLBACK staticWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT wndProc(UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
    BrowserControl* control_ = nullptr;
    UIThread thread_;
};

}  // namespace ui
