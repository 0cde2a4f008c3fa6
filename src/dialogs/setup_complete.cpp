#include "dialogs/setup_complete.h"

#include <algorithm>
#include <initializer_list>
#include <string>
#include <utility>

#include "base/maker_addresses.h"
#include "dialogs/closing_rules.h"
#include "dialogs/page_text.h"
#include "dialogs/sys_link.h"
#include "base/win_handles.h"

namespace {
enum : int {
    kIcon = 3035,
    kIconBitmap = 3036,
    kTitle = 3037,
    kUpdateText = 3038,
    kVerifyText = 3039,
    kUpdateLink = 3041,
    kSaveWork = 3043,
    kRestartBox = 3044,
    kSecurityText = 3045,
    kSecurityLink = 3046,
    kSponsorTitle = 3049,
    kSponsorUnused = 3050,
    kSponsorIcon = 3051,
    kSponsorIconUnused = 3052,
    kTitleText = 2056,
    kUpdateAddress = 2063,
    kRestartQuestion = 2062,
    kRestartCaption = 2061,
};
constexpr COLORREF kLinkText = RGB(33, 79, 131);
}  // namespace

CSetupComplete::CSetupComplete(SetupCompleteData& data) : ClassicPage(IDD), data_(data) {}

CSetupComplete::~CSetupComplete() = default;

INT_PTR CSetupComplete::showModal() { return DoModal(GetActiveWindow()); }

void CSetupComplete::initDialog() {
    initLook();
    if (!data_.showBack) showControl(page::kBack, false);

    sponsorHeader_ = closing::usesSponsorHeader(data_);
    for (int id : std::initializer_list<int>{kIcon, kTitle, kSponsorTitle, kSponsorIcon}) {
        const bool sponsorPart = id == kSponsorTitle || id == kSponsorIcon;
        showControl(id, sponsorPart == sponsorHeader_);
    }
    showControl(kSponsorUnused, false);
    showControl(kSponsorIconUnused, false);

    showControl(kVerifyText, data_.bShowVerifyPage);
    showControl(kSecurityText, data_.showSecurityText);
    showControl(kSecurityLink, data_.showSecurityText);
    showControl(kRestartBox, data_.showRestartBox);
    showControl(kSaveWork, data_.showRestartBox);
    if (data_.showRestartBox && data_.restartBrowser) setChecked(kRestartBox, true);

    normal_ = makeFont(10, false);
    bold_ = makeFont(11, true);
    // The painted texts take their fonts from the control as well.
    for (int id : std::initializer_list<int>{IDCANCEL, page::kBack, kRestartBox, kUpdateLink, kSecurityLink, kUpdateText,
                                             kSecurityText, kVerifyText}) {
        setFont(id, normal_);
    }
    setFont(kTitle, bold_);
    setFont(kSponsorTitle, bold_);
    if (sponsorHeader_) {
        if (const unsigned id = closing::sponsorTitleId(data_.sponsorCode)) setTextIfChanged(item(kSponsorTitle), loadText(id));
    } else {
        setTextIfChanged(item(kTitle), loadText(kTitleText));
    }
    makeLink(kUpdateLink, kUpdateAddress);
    MakeLink4SysLinkCtrl(item(kSecurityLink), maker::kSecurityLevelUrl);
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
    HWND verify = item(kVerifyText);
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

    const RECT box = rectInParent(item(kRestartBox));
    const RECT saveWork = rectInParent(item(kSaveWork));
    const RECT white = rectInParent(item(page::kWhiteArea));
    const LONG textBottom = verifyRect.top + needed.bottom;
    const LONG room = white.bottom - saveWork.bottom;
    const LONG shift = std::min(textBottom - box.top, room);
    if (shift <= 0) return;
    for (const auto& [id, rect] : {std::pair{kRestartBox, box}, std::pair{kSaveWork, saveWork}}) {
        SetWindowPos(item(id), nullptr, rect.left, rect.top + shift, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

INT_PTR CSetupComplete::paint(HDC dc, HWND control) {
    const int id = GetDlgCtrlID(control);
    const bool visible = IsWindowVisible(control) != FALSE;
    switch (id) {
        case kUpdateText:
        case kSecurityText:
            return paintStatic(dc, normal_, true, whiteBrush());
        case kVerifyText:
            if (data_.bShowVerifyPage) return paintStatic(dc, normal_, true, whiteBrush());
            break;
        case kUpdateLink:
        case kSecurityLink:
            SetTextColor(dc, kLinkText);
            return paintStatic(dc, normal_, true, nullBrush());
        case kSaveWork:
            if (visible) return paintStatic(dc, nullptr, true, nullBrush());
            break;
        case kRestartBox:
            // A themed check box fills a null brush with the dialog's own
            // background; it sits on the white area.
            if (visible) return paintStatic(dc, nullptr, true, whiteBrush());
            break;
        case kIcon:
        case kSponsorIcon:
        case kSponsorIconUnused:
            if (visible) drawBitmap(dc, kIconBitmap);
            return reinterpret_cast<INT_PTR>(nullBrush());
        case kTitle:
            if (!visible) break;
            setTextIfChanged(control, loadText(kTitleText));
            return paintStatic(dc, bold_, true, backgroundBrush());
        case kSponsorTitle:
            if (!visible) break;
            if (const unsigned title = closing::sponsorTitleId(data_.sponsorCode)) setTextIfChanged(control, loadText(title));
            return paintStatic(dc, bold_, true, backgroundBrush());
        default:
            break;
    }
    return reinterpret_cast<INT_PTR>(backgroundBrush());
}

void CSetupComplete::close() {
    const bool ticked = isChecked(kRestartBox);
    data_.restartBrowser = closing::restartDecisionOnClose(data_, ticked, [this] {
        const std::wstring text = loadText(kRestartQuestion);
        const std::wstring caption = loadText(kRestartCaption);
        return MessageBoxW(hwnd(), text.c_str(), caption.c_str(), MB_OKCANCEL | MB_ICONWARNING | MB_DEFBUTTON2) == IDOK;
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
                case page::kBack:
                    if (data_.showRestartBox) data_.restartBrowser = isChecked(kRestartBox);
                    endPage(page::kBack);
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
