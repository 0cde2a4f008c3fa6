#include "dialogs/setup_complete.h"

#include <algorithm>
#include <initializer_list>
#include <string>
#include <utility>

#include "base/maker_addresses.h"
#include "base/report.h"
#include "base/resource_ids.h"
#include "dialogs/closing_rules.h"
#include "dialogs/page_text.h"
#include "dialogs/sys_link.h"
#include "base/win_handles.h"

namespace {
constexpr COLORREF kLinkText = RGB(33, 79, 131);
}  // namespace

CSetupComplete::CSetupComplete(SetupCompleteData& data) : ClassicPage(IDD), data_(data) {}

CSetupComplete::~CSetupComplete() = default;

INT_PTR CSetupComplete::showModal() { return DoModal(GetActiveWindow()); }

void CSetupComplete::initDialog() {
    initLook();
    if (!data_.showBack) showControl(IDC_BACK, false);

    sponsorHeader_ = closing::usesSponsorHeader(data_);
    for (int id : std::initializer_list<int>{IDC_COMPLETE_ICON, IDC_COMPLETE_TITLE, IDC_COMPLETE_SPONSOR_TITLE,
                                             IDC_COMPLETE_SPONSOR_ICON}) {
        const bool sponsorPart = id == IDC_COMPLETE_SPONSOR_TITLE || id == IDC_COMPLETE_SPONSOR_ICON;
        showControl(id, sponsorPart == sponsorHeader_);
    }
    showControl(IDC_COMPLETE_SPONSOR_UNUSED, false);
    showControl(IDC_COMPLETE_SPONSOR_ICON_UNUSED, false);

    showControl(IDC_COMPLETE_VERIFY_TEXT, data_.bShowVerifyPage);
    showControl(IDC_COMPLETE_SECURITY_TEXT, data_.showSecurityText);
    showControl(IDC_COMPLETE_SECURITY_LINK, data_.showSecurityText);
    showControl(IDC_COMPLETE_RESTART_BOX, data_.showRestartBox);
    showControl(IDC_COMPLETE_SAVE_WORK, data_.showRestartBox);
    if (data_.showRestartBox && data_.restartBrowser) setChecked(IDC_COMPLETE_RESTART_BOX, true);

    normal_ = makeFont(10, false);
    bold_ = makeFont(11, true);
    // The painted texts take their fonts from the control as well.
    for (int id : std::initializer_list<int>{IDCANCEL, IDC_BACK, IDC_COMPLETE_RESTART_BOX, IDC_COMPLETE_UPDATE_LINK,
                                             IDC_COMPLETE_SECURITY_LINK, IDC_COMPLETE_UPDATE_TEXT,
                                             IDC_COMPLETE_SECURITY_TEXT, IDC_COMPLETE_VERIFY_TEXT}) {
        setFont(id, normal_);
    }
    setFont(IDC_COMPLETE_TITLE, bold_);
    setFont(IDC_COMPLETE_SPONSOR_TITLE, bold_);
    if (sponsorHeader_) {
        if (const unsigned id = closing::sponsorTitleId(data_.sponsorCode)) {
            setTextIfChanged(item(IDC_COMPLETE_SPONSOR_TITLE), loadText(id));
        }
    } else {
        setTextIfChanged(item(IDC_COMPLETE_TITLE), loadText(IDS_COMPLETE_TITLE));
    }
    makeLink(IDC_COMPLETE_UPDATE_LINK, IDS_UPDATE_ADDRESS);
    MakeLink4SysLinkCtrl(item(IDC_COMPLETE_SECURITY_LINK), maker::kSecurityLevelUrl);
    keepRestartRowBelowVerifyText();

    focusControl(IDCANCEL);
    bringToFront(IDCANCEL);
}

namespace {
RECT rectInParent(HWND control) {
    RECT rect = {};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}
}  // namespace

// The verification text wraps to a second line at the page's font size, which
// the restart row would cover: the row moves down below it, as far as the
// white area allows.
void CSetupComplete::keepRestartRowBelowVerifyText() {
    if (!data_.bShowVerifyPage || !data_.showRestartBox) return;
    HWND verify = item(IDC_COMPLETE_VERIFY_TEXT);
    const RECT verifyRect = rectInParent(verify);
    const int length = GetWindowTextLengthW(verify);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(verify, text.data(), length + 1);
    RECT needed = {0, 0, verifyRect.right - verifyRect.left, 0};
    {
        const WindowDC dc(verify);
        HGDIOBJ old = SelectObject(dc.get(), normal_);
        DrawTextW(dc.get(), text.c_str(), length, &needed, DT_CALCRECT | DT_WORDBREAK | DT_CENTER);
        SelectObject(dc.get(), old);
    }

    const RECT box = rectInParent(item(IDC_COMPLETE_RESTART_BOX));
    const RECT saveWork = rectInParent(item(IDC_COMPLETE_SAVE_WORK));
    const RECT white = rectInParent(item(IDC_WHITE_AREA));
    const LONG textBottom = verifyRect.top + needed.bottom;
    const LONG room = white.bottom - saveWork.bottom;
    const LONG shift = std::min(textBottom - box.top, room);
    if (shift <= 0) return;
    for (const auto& [id, rect] :
         {std::pair{IDC_COMPLETE_RESTART_BOX, box}, std::pair{IDC_COMPLETE_SAVE_WORK, saveWork}}) {
        SetWindowPos(item(id), nullptr, rect.left, rect.top + shift, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

INT_PTR CSetupComplete::paint(HDC dc, HWND control) {
    const int id = GetDlgCtrlID(control);
    const bool visible = IsWindowVisible(control) != FALSE;
    switch (id) {
        case IDC_COMPLETE_UPDATE_TEXT:
        case IDC_COMPLETE_SECURITY_TEXT:
            return paintStatic(dc, normal_, true, whiteBrush());
        case IDC_COMPLETE_VERIFY_TEXT:
            if (data_.bShowVerifyPage) return paintStatic(dc, normal_, true, whiteBrush());
            break;
        case IDC_COMPLETE_UPDATE_LINK:
        case IDC_COMPLETE_SECURITY_LINK:
            SetTextColor(dc, kLinkText);
            return paintStatic(dc, normal_, true, nullBrush());
        case IDC_COMPLETE_SAVE_WORK:
            if (visible) return paintStatic(dc, nullptr, true, nullBrush());
            break;
        case IDC_COMPLETE_RESTART_BOX:
            // A themed check box fills a null brush with the dialog's own
            // background; it sits on the white area.
            if (visible) return paintStatic(dc, nullptr, true, whiteBrush());
            break;
        case IDC_COMPLETE_ICON:
        case IDC_COMPLETE_SPONSOR_ICON:
        case IDC_COMPLETE_SPONSOR_ICON_UNUSED:
            if (visible) drawBitmap(dc, IDB_SUCCESS);
            return reinterpret_cast<INT_PTR>(nullBrush());
        case IDC_COMPLETE_TITLE:
            if (!visible) break;
            setTextIfChanged(control, loadText(IDS_COMPLETE_TITLE));
            return paintStatic(dc, bold_, true, backgroundBrush());
        case IDC_COMPLETE_SPONSOR_TITLE:
            if (!visible) break;
            if (const unsigned title = closing::sponsorTitleId(data_.sponsorCode)) setTextIfChanged(control, loadText(title));
            return paintStatic(dc, bold_, true, backgroundBrush());
        default:
            break;
    }
    return reinterpret_cast<INT_PTR>(backgroundBrush());
}

void CSetupComplete::close() {
    const bool ticked = isChecked(IDC_COMPLETE_RESTART_BOX);
    data_.restartBrowser = closing::restartDecisionOnClose(data_, ticked, [this] {
        const std::wstring text = loadText(IDS_RESTART_QUESTION);
        const std::wstring caption = loadText(IDS_RESTART_CAPTION);
        return showMessageBox(hwnd(), text, caption, MB_OKCANCEL | MB_ICONWARNING | MB_DEFBUTTON2, IDCANCEL) == IDOK;
    });
    endPage(IDCANCEL);
}

bool CSetupComplete::onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    switch (message) {
        case WM_INITDIALOG:
            initDialog();
            result = FALSE;  // the focus is set
            return true;
        case WM_NOTIFY:
            return openLinkOnNotify(lParam, result);
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDCANCEL:  // Close, the close box and Esc
                    close();
                    result = TRUE;
                    return true;
                case IDC_BACK:
                    if (data_.showRestartBox) data_.restartBrowser = isChecked(IDC_COMPLETE_RESTART_BOX);
                    endPage(IDC_BACK);
                    result = TRUE;
                    return true;
                default:
                    return false;
            }
        case WM_CTLCOLORSTATIC:
            if (paintShared(message, wParam, lParam, result)) return true;
            result = paint(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
            return true;
        default:
            return paintShared(message, wParam, lParam, result);
    }
}
