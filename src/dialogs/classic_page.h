#pragma once
// The look every classic page shares: the stretched banner at the top, the
// white middle area, the light beige background and the separator above the
// buttons.
#include "base/win.h"
#include "dialogs/dialog_base.h"

namespace page {
inline constexpr int kBanner = 2040;
inline constexpr int kBannerBitmap = 2041;
inline constexpr int kWhiteArea = 1014;
inline constexpr COLORREF kBackground = RGB(231, 229, 213);
}  // namespace page

class ClassicPage : public DialogBase {
public:
    using DialogBase::DialogBase;
    ~ClassicPage() override;

protected:
    // Makes the brush; call from WM_INITDIALOG.
    void initLook();
    // Frees the drawing objects; the page may draw again afterwards.
    void releaseLook();
    // WM_CTLCOLORDLG and WM_CTLCOLORSTATIC for the shared controls; false for
    // the page's own static controls (the page answers those itself).
    bool paintShared(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);
    HBRUSH backgroundBrush() const { return background_; }

private:
    void drawBanner(HDC dc, HWND control);

    HBRUSH background_ = nullptr;
    HBITMAP banner_ = nullptr;
    HDC bannerDc_ = nullptr;
    HGDIOBJ bannerOld_ = nullptr;
    SIZE bannerSize_ = {};
};
