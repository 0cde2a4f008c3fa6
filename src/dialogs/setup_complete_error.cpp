#include "dialogs/setup_complete_error.h"

#include <commctrl.h>

#include <string>

#include "base/resource_ids.h"
#include "dialogs/page_text.h"

CSetupCompleteError::CSetupCompleteError(int result) : ClassicPage(IDD), result_(result) {}

CSetupCompleteError::~CSetupCompleteError() = default;

std::wstring CSetupCompleteError::codeText() const {
    // Wide, so that the text keeps its language whatever the ANSI code page.
    std::wstring text = loadText(IDS_ERROR_CODE_FORMAT);
    const size_t at = text.find(L"%d");
    if (at != std::wstring::npos) text.replace(at, 2, std::to_wstring(result_));
    return text;
}

void CSetupCompleteError::initDialog() {
    initLook();
    normal_ = makeFont(10, false);
    bold_ = makeFont(12, true);
    setFont(IDCANCEL, normal_);
    setFont(IDC_ERROR_HELP_LINK, normal_);
    // The painted texts take their fonts from the control as well.
    setFont(IDC_ERROR_TITLE, bold_);
    setFont(IDC_ERROR_HELP_TEXT, normal_);
    setFont(IDC_ERROR_CODE, normal_);
    setTextIfChanged(item(IDC_ERROR_CODE), codeText());
    makeLink(IDC_ERROR_HELP_LINK, IDS_HELP_ADDRESS);
    focusControl(IDCANCEL);
    bringToFront(IDCANCEL);
}

INT_PTR CSetupCompleteError::paint(HDC dc, HWND control) {
    switch (GetDlgCtrlID(control)) {
        case IDC_ERROR_TITLE:
            return paintStatic(dc, bold_, true, backgroundBrush());
        case IDC_ERROR_HELP_TEXT:
            return paintStatic(dc, normal_, true, whiteBrush());
        case IDC_ERROR_CODE:
            setTextIfChanged(control, codeText());
            return paintStatic(dc, normal_, true, whiteBrush());
        case IDC_ERROR_ICON:
            if (IsWindowVisible(control)) drawBitmap(dc, IDB_ERROR);
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
