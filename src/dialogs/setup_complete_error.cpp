#include "dialogs/setup_complete_error.h"

#include <commctrl.h>

#include <string>

#include "dialogs/page_text.h"

namespace {
enum : int {
    kIcon = 3065,
    kIconBitmap = 3066,
    kTitle = 3067,
    kHelpText = 3068,
    kHelpLink = 3069,
    kHelpAddress = 3070,
    kCode = 3071,
    kCodeFormat = 3072,
};
}  // namespace

CSetupCompleteError::CSetupCompleteError(int result) : ClassicPage(IDD), result_(result) {}

CSetupCompleteError::~CSetupCompleteError() = default;

std::wstring CSetupCompleteError::codeText() const {
    // Wide, so that the text keeps its language whatever the ANSI code page.
    std::wstring text = loadText(kCodeFormat);
    const size_t at = text.find(L"%d");
    if (at != std::wstring::npos) text.replace(at, 2, std::to_wstring(result_));
    return text;
}

void CSetupCompleteError::initDialog() {
    initLook();
    normal_ = makeFont(10, false);
    bold_ = makeFont(12, true);
    setFont(IDCANCEL, normal_);
    setFont(kHelpLink, normal_);
    // The painted texts take their fonts from the control as well.
    setFont(kTitle, bold_);
    setFont(kHelpText, normal_);
    setFont(kCode, normal_);
    setTextIfChanged(item(kCode), codeText());
    makeLink(kHelpLink, kHelpAddress);
    focusControl(IDCANCEL);
    bringToFront(IDCANCEL);
}

INT_PTR CSetupCompleteError::paint(HDC dc, HWND control) {
    switch (GetDlgCtrlID(control)) {
        case kTitle:
            return paintStatic(dc, bold_, true, backgroundBrush());
        case kHelpText:
            return paintStatic(dc, normal_, true, whiteBrush());
        case kCode:
            setTextIfChanged(control, codeText());
            return paintStatic(dc, normal_, true, whiteBrush());
        case kIcon:
            if (IsWindowVisible(control)) drawBitmap(dc, kIconBitmap);
            return reinterpret_cast<INT_PTR>(nullBrush());
        default:
            return reinterpret_cast<INT_PTR>(backgroundBrush());
    }
}

bool CSetupCompleteError::onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    switch (message) {
        case WM_INITDIALOG:
            initDialog();
            result = FALSE;  // the focus is set
            return true;
        case WM_NOTIFY:
            return openLinkOnNotify(lParam, result);
        case WM_COMMAND:
            if (LOWORD(wParam) == IDCANCEL) {
                endPage(IDCANCEL);
                result = TRUE;
                return true;
            }
            return false;
        case WM_CTLCOLORSTATIC:
            if (paintShared(message, wParam, lParam, result)) return true;
            result = paint(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
            return true;
        default:
            return paintShared(message, wParam, lParam, result);
    }
}
