#include "dialogs/restore_security_dialog.h"

#include "base/resource_ids.h"

CRestoreSecurityDialog::CRestoreSecurityDialog(RestoreSecurityData& data) : ClassicPage(IDD), data_(data) {}

CRestoreSecurityDialog::~CRestoreSecurityDialog() = default;

INT_PTR CRestoreSecurityDialog::showModal() { return DoModal(GetActiveWindow()); }

void CRestoreSecurityDialog::initDialog() {
    initLook();
    if (!data_.showBack) showControl(IDC_BACK, false);
    setChecked(IDC_RESTORE_BOX, data_.restore);
    removeCloseAndMaximize();
    normal_ = makeFont(10, false);
    bold_ = makeFont(11, true);
    setFontOfChildren(normal_);
    setFont(IDC_RESTORE_TITLE, bold_);
    makeLink(IDC_RESTORE_MORE_LINK, IDS_RESTORE_ADDRESS);
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
            if (id == IDOK || id == IDC_BACK) {
                data_.restore = isChecked(IDC_RESTORE_BOX);
                endPage(id);
                result = TRUE;
                return true;
            }
            return false;
        }
        case WM_CTLCOLORSTATIC:
            if (paintShared(message, wParam, lParam, result)) return true;
            result = paintTitleOrWhite(wParam, lParam, IDC_RESTORE_TITLE, bold_);
            return true;
        default:
            return paintShared(message, wParam, lParam, result);
    }
}
