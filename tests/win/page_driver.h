#pragma once
// Pages shown modally in the test's own process while a second thread drives
// them as a user would: find the page by its title, read it, click.
#include "base/win.h"

#include <functional>
#include <map>
#include <string>
#include <thread>

#include "dialogs/idialog.h"

inline HWND waitForWindow(const wchar_t* title, DWORD ms = 15000) {
    HWND window = nullptr;
    for (DWORD waited = 0; !(window = FindWindowW(nullptr, title)) && waited < ms; waited += 20) Sleep(20);
    if (window) Sleep(300);  // painted, for the screenshots
    return window;
}

inline std::wstring textOf(HWND control) {
    wchar_t text[1024] = {};
    GetWindowTextW(control, text, 1024);
    return text;
}

// What the driver saw of a page, by control id.
struct Seen {
    bool found = false;
    std::map<int, bool> visible;
    std::map<int, std::wstring> text;
    std::map<int, bool> checked;
};

inline Seen read(HWND page) {
    Seen seen;
    seen.found = page != nullptr;
    if (!page) return seen;
    for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const int id = GetDlgCtrlID(child);
        seen.visible[id] = IsWindowVisible(child) != FALSE;
        seen.text[id] = textOf(child);
        seen.checked[id] = SendMessageW(child, BM_GETCHECK, 0, 0) == BST_CHECKED;
    }
    return seen;
}

// Posted, never sent: a click that opens a message box would hold the sender.
inline void click(HWND page, int id) { PostMessageW(GetDlgItem(page, id), BM_CLICK, 0, 0); }

// Waits for the page, reads it, then clicks the button; what it saw.
inline Seen readAndClick(const wchar_t* title, int id) {
    HWND page = waitForWindow(title);
    Seen seen = read(page);
    if (page) click(page, id);
    return seen;
}

// Shows the page modally here while `drive` runs on a thread of its own; the
// page's result.
inline INT_PTR showDriven(IDialog& page, const std::function<void()>& drive) {
    std::thread driver(drive);
    const INT_PTR result = page.showModal();
    driver.join();
    return result;
}
