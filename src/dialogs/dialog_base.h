#pragma once
// A dialog over the system's dialog procedure, made from a dialog resource in
// the chosen user-interface language: the base of every classic page.
#include <functional>

#include "base/win.h"

class DialogBase {
public:
    explicit DialogBase(unsigned resourceId) : resourceId_(resourceId) {}
    virtual ~DialogBase();
    DialogBase(const DialogBase&) = delete;
    DialogBase& operator=(const DialogBase&) = delete;

    // Modal: returns the code given to EndDialog, or -1 when the page cannot be made.
    INT_PTR DoModal(HWND parent = nullptr);
    // Modeless: the window, or null.
    HWND Create(HWND parent);
    void DestroyWindow();
    HWND hwnd() const { return window_; }
    unsigned resourceId() const { return resourceId_; }

    // Called once, on the page's thread, when the next page to show has painted
    // itself and its controls (or a second after it was made, if it has not):
    // work that must not slow the first page down waits for it. An empty
    // handler cancels.
    static void whenPainted(std::function<void()> handler);

protected:
    // Handles one message; return true when handled, with the dialog procedure's
    // answer in `result`.
    virtual bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) = 0;
    void EndDialog(INT_PTR code);
    HWND item(int id) const { return GetDlgItem(window_, id); }

private:
    static INT_PTR CALLBACK dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    const DLGTEMPLATE* dialogTemplate() const;

    unsigned resourceId_;
    HWND window_ = nullptr;
    bool modal_ = false;
};
