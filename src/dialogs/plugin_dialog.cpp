#include "dialogs/plugin_dialog.h"

#include "base/resource_ids.h"

COrunPluginDialog::COrunPluginDialog() : ClassicPage(IDD) {}

COrunPluginDialog::~COrunPluginDialog() = default;

INT_PTR COrunPluginDialog::showModal() { return DoModal(GetActiveWindow()); }

bool COrunPluginDialog::onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    switch (message) {
        case WM_INITDIALOG:
            initLook();
            removeCloseAndMaximize();
            normal_ = makeFont(10, false);
            bold_ = makeFont(11, true);
            setFontOfChildren(normal_);
            setFont(IDC_PLUGIN_TITLE, bold_);
            focusControl(IDOK);
            bringToFront(IDOK);
            result = FALSE;
            return true;
        case WM_NOTIFY:
            return openLinkOnNotify(lParam, result);
        case WM_COMMAND:
            // Only Next leaves the page: its close box is greyed, and Esc does nothing.
            if (LOWORD(wParam) == IDOK) {
                endPage(IDOK);
                result = TRUE;
                return true;
            }
            return false;
        case WM_CTLCOLORSTATIC:
            if (paintShared(message, wParam, lParam, result)) return true;
            result = paintTitleOrWhite(wParam, lParam, IDC_PLUGIN_TITLE, bold_);
            return true;
        default:
            return paintShared(message, wParam, lParam, result);
    }
}
