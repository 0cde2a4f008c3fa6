#include "dialogs/restore_security_dialog.h"

namespace {
enum : int { kRestoreBox = 6001, kTitle = 6002, kMoreLink = 6005, kMoreAddress = 6006 };
}  // namespace

CRestoreSecurityDialog::CRestoreSecurityDialog(RestoreSecurityData& data) : ClassicPage(IDD), data_(data) {}

CRestoreSecurityDialog::~CRestoreSecurityDialog() = default;

INT_PTR CRestoreSecurityDialog::showModal() { return DoModal(GetActiveWindow()); }

void CRestoreSecurityDialog::initDialog() {
    initLook();
    if (!data_.showBack) showControl(page::kBack, false);
    setChecked(kRestoreBox, data_.restore);
    removeCloseAndMaximize();
    normal_ = makeFont(10, false);
    bold_ = makeFont(11, true);
    setFontOfChildren(normal_);
    setFont(kTitle, bold_);
    makeLink(kMoreLink, kMoreAddress);
    focusControl(IDOK);
}

bool CRestoreSecurityDialog::onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    switch (message) {
        case WM_INITDIALOG:
            initDialog();
            result = FALSE;
            return true;
        case WM_NOTIFY:
            return openLinkOnNotify(lParam, result);
        case WM_COMMAND: {
            // Only Next and Back leave the page: its close box is greyed, and Esc does nothing.
            const int id = LOWORD(wParam);
            if (id == IDOK || id == page::kBack) {
                data_.restore = isChecked(kRestoreBox);
                endPage(id);
                result = TRUE;
                return true;
            }
            return false;
        }
        case WM_CTLCOLORSTATIC:
            if (paintShared(message, wParam, lParam, result)) return true;
            result = paintTitleOrWhite(wParam, lParam, kTitle, bold_);
            return true;
        default:
            return paintShared(message, wParam, lParam, result);
    }
}
