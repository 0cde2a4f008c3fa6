#include "dialogs/classic_page.h"

ClassicPage::~ClassicPage() { releaseLook(); }

void ClassicPage::initLook() {
    if (!background_) background_ = CreateSolidBrush(page::kBackground);
}

void ClassicPage::releaseLook() {
    if (bannerDc_) {
        SelectObject(bannerDc_, bannerOld_);
        DeleteDC(bannerDc_);
        bannerDc_ = nullptr;
    }
    if (banner_) {
        DeleteObject(banner_);
        banner_ = nullptr;
    }
    if (background_) {
        DeleteObject(background_);
        background_ = nullptr;
    }
}

void ClassicPage::drawBanner(HDC dc, HWND control) {
    if (!bannerDc_) {
        banner_ = static_cast<HBITMAP>(
            LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(page::kBannerBitmap), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        if (!banner_) return;
        BITMAP info = {};
        GetObjectA(banner_, sizeof(info), &info);
        bannerSize_ = {info.bmWidth, info.bmHeight};
        bannerDc_ = CreateCompatibleDC(dc);
        bannerOld_ = SelectObject(bannerDc_, banner_);
    }
    RECT area;
    GetClientRect(control, &area);
    SetStretchBltMode(dc, HALFTONE);
    StretchBlt(dc, 0, 0, area.right, area.bottom, bannerDc_, 0, 0, bannerSize_.cx, bannerSize_.cy, SRCCOPY);
}

bool ClassicPage::paintShared(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    if (message == WM_CTLCOLORDLG) {
        initLook();
        result = reinterpret_cast<INT_PTR>(background_);
        return true;
    }
    if (message != WM_CTLCOLORSTATIC) return false;
    HWND control = reinterpret_cast<HWND>(lParam);
    const int id = GetDlgCtrlID(control);
    if (id == page::kBanner) {
        drawBanner(reinterpret_cast<HDC>(wParam), control);
        result = reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
        return true;
    }
    if (id == page::kWhiteArea) {
        result = reinterpret_cast<INT_PTR>(GetStockObject(WHITE_BRUSH));
        return true;
    }
    return false;
}
