#include "dialogs/classic_page.h"

#include <commctrl.h>

#include "base/all_utils.h"
#include "base/report.h"
#include "base/resource.h"
#include "base/sys_info.h"
#include "base/tstrings.h"
#include "dialogs/sys_link.h"
#include "process/browsers.h"

ClassicPage::~ClassicPage() { releaseLook(); }

void ClassicPage::initLook() {
    if (!background_.get()) background_.reset(CreateSolidBrush(page::kBackground));
}

void ClassicPage::releaseLook() {
    if (bannerDc_.get()) SelectObject(bannerDc_.get(), bannerOld_);
    bannerDc_.reset();
    banner_.reset();
    background_.reset();
    fonts_.clear();
    bitmaps_.clear();
}

void ClassicPage::drawBanner(HDC dc, HWND control) {
    if (!bannerDc_.get()) {
        banner_.reset(static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_BANNER),
                                                      IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
        if (!banner_.get()) return;
        BITMAP info = {};
        GetObjectA(banner_.get(), sizeof(info), &info);
        bannerSize_ = {info.bmWidth, info.bmHeight};
        bannerDc_.reset(CreateCompatibleDC(dc));
        bannerOld_ = SelectObject(bannerDc_.get(), banner_.get());
    }
    RECT area;
    GetClientRect(control, &area);
    SetStretchBltMode(dc, HALFTONE);
    StretchBlt(dc, 0, 0, area.right, area.bottom, bannerDc_.get(), 0, 0, bannerSize_.cx, bannerSize_.cy, SRCCOPY);
}

bool ClassicPage::paintShared(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    if (message == WM_CTLCOLORDLG) {
        initLook();
        result = reinterpret_cast<INT_PTR>(background_.get());
        return true;
    }
    if (message != WM_CTLCOLORSTATIC) return false;
    HWND control = reinterpret_cast<HWND>(lParam);
    const int id = GetDlgCtrlID(control);
    if (id == IDC_BANNER) {
        drawBanner(reinterpret_cast<HDC>(wParam), control);
        result = reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
        return true;
    }
    if (id == IDC_WHITE_AREA) {
        result = reinterpret_cast<INT_PTR>(GetStockObject(WHITE_BRUSH));
        return true;
    }
    return false;
}

HFONT ClassicPage::makeFont(int points, bool bold) {
    HFONT font = CreateDialogFont(points, bold);
    if (font) fonts_.emplace_back(font);
    return font;
}

void ClassicPage::setFont(int id, HFONT font) {
    if (font) SendMessageW(item(id), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void ClassicPage::setFontOfChildren(HFONT font) {
    if (!font) return;
    for (HWND child = GetWindow(hwnd(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
}

INT_PTR ClassicPage::paintStatic(HDC dc, HFONT font, bool transparent, HBRUSH brush) {
    if (font) SelectObject(dc, font);
    if (transparent) SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<INT_PTR>(brush);
}

INT_PTR ClassicPage::paintTitleOrWhite(WPARAM wParam, LPARAM lParam, int titleId, HFONT titleFont) {
    if (GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) == titleId) {
        return paintStatic(reinterpret_cast<HDC>(wParam), titleFont, true, backgroundBrush());
    }
    return reinterpret_cast<INT_PTR>(whiteBrush());
}

void ClassicPage::drawBitmap(HDC dc, unsigned bitmapId) {
    auto found = bitmaps_.find(bitmapId);
    if (found == bitmaps_.end()) {
        UniqueBitmap loaded(static_cast<HBITMAP>(
            LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(bitmapId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
        found = bitmaps_.emplace(bitmapId, std::move(loaded)).first;
    }
    const HBITMAP bitmap = found->second.get();
    if (!bitmap) return;  // a missing bitmap leaves the control empty
    BITMAP info = {};
    GetObjectA(bitmap, sizeof(info), &info);
    const UniqueMemoryDC source(CreateCompatibleDC(dc));
    HGDIOBJ old = SelectObject(source.get(), bitmap);
    BitBlt(dc, 0, 0, info.bmWidth, info.bmHeight, source.get(), 0, 0, SRCCOPY);
    SelectObject(source.get(), old);
}

bool ClassicPage::openLinkOnNotify(LPARAM lParam, INT_PTR& result) {
    const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
    if (!header || (header->code != NM_CLICK && header->code != NM_RETURN)) return false;
    wchar_t className[32] = {};
    GetClassNameW(header->hwndFrom, className, 32);
    if (lstrcmpiW(className, WC_LINK) != 0) return false;
    const NMLINK* link = reinterpret_cast<const NMLINK*>(lParam);
    browsers::launchDefault(tstrings::toACP(link->item.szUrl));
    result = TRUE;
    return true;
}

bool ClassicPage::makeLink(int id, unsigned addressStringId) {
    return MakeLink4SysLinkCtrl(item(id), loadString(addressStringId));
}

void ClassicPage::focusControl(int id) {
    SendMessageW(hwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(item(id)), TRUE);
}

void ClassicPage::bringToFront(int foregroundControl) {
    if (SysInfo::getOsVersionClass() >= 2) {
        SetWindowPos(hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        SetWindowPos(hwnd(), HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    } else {
        SetForegroundWindow(item(foregroundControl));
    }
}

void ClassicPage::removeCloseAndMaximize() {
    SetWindowLongPtrW(hwnd(), GWL_STYLE, GetWindowLongPtrW(hwnd(), GWL_STYLE) & ~WS_MAXIMIZEBOX);
    EnableMenuItem(GetSystemMenu(hwnd(), FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
}

void ClassicPage::showControl(int id, bool visible) { ShowWindow(item(id), visible ? SW_SHOW : SW_HIDE); }

bool ClassicPage::isChecked(int id) const { return IsDlgButtonChecked(hwnd(), id) == BST_CHECKED; }

void ClassicPage::setChecked(int id, bool checked) { CheckDlgButton(hwnd(), id, checked ? BST_CHECKED : BST_UNCHECKED); }

void ClassicPage::endPage(INT_PTR code) {
    EnableWindow(hwnd(), FALSE);
    releaseLook();
    EndDialog(code);
}

std::wstring ClassicPage::loadText(unsigned id) {
    try {
        return StringResource(id).wstring();
    } catch (const std::exception& e) {
        REPORT_EXCEPTION(e);
        return std::wstring();
    }
}

std::string ClassicPage::loadString(unsigned id) { return StringResource(id).string(std::string()); }
