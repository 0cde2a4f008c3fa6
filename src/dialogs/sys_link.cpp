#include "dialogs/sys_link.h"

#include <cstdio>

#include "base/logger.h"
#include "base/tstrings.h"
#include "base/win_handles.h"

bool linkMarkup(const std::wstring& text, const std::wstring& address, std::wstring& markup, std::wstring& plain) {
    const size_t open = text.find(L"<l>");
    const size_t close = text.find(L"</l>");
    if (open == std::wstring::npos || close == std::wstring::npos || close < open) return false;
    const std::wstring before = text.substr(0, open);
    const std::wstring inside = text.substr(open + 3, close - open - 3);
    const std::wstring after = text.substr(close + 4);
    markup = before + L"<A HREF=\"" + address + L"\">" + inside + L"</A>" + after;
    plain = before + inside + after;
    return true;
}

bool MakeLink4SysLinkCtrl(HWND control, const std::string& address) {
    if (!control || address.empty()) {
        char handle[32];
        std::snprintf(handle, sizeof(handle), "%p", static_cast<void*>(control));
        LOG_ERROR("Wrong params: wnd=" << handle << ", url='" << address << "'");
        return false;
    }
    const int length = GetWindowTextLengthW(control);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(control, text.data(), length + 1)));

    std::wstring markup, plain;
    if (!linkMarkup(text, tstrings::fromACP(address), markup, plain)) {
        LOG_ERROR("Cannot find open/close tag(s): " << ", url='" << address << "'" << ", text='" << tstrings::toACP(text)
                                                   << "'");
        return false;
    }
    SetWindowTextW(control, markup.c_str());

    // A link narrower than its control is centred in the page.
    const WindowDC dc(control);
    if (dc.get()) {
        HGDIOBJ old = SelectObject(dc.get(), reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
        RECT measured = {0, 0, 0, 0};
        DrawTextW(dc.get(), plain.c_str(), static_cast<int>(plain.size()), &measured, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
        SelectObject(dc.get(), old);

        RECT bounds;
        GetWindowRect(control, &bounds);
        HWND parent = GetParent(control);
        MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&bounds), 2);
        const int width = measured.right - measured.left;
        if (width < bounds.right - bounds.left) {
            RECT client;
            GetClientRect(parent, &client);
            const int x = (client.right - width) / 2;
            SetWindowPos(control, nullptr, x, bounds.top, width, measured.bottom - measured.top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    return true;
}
