#include "dialogs/welcome_dialog.h"

#include <string>

#include "base/report.h"
#include "base/resource_ids.h"
#include "base/tstrings.h"
#include "product/product.h"
#include "product/registry_places.h"
#include "registry/registry.h"

namespace {
const size_t kMaxText = 256;

std::wstring limited(std::wstring value) {
    if (value.size() > kMaxText - 1) value.resize(kMaxText - 1);
    return value;
}
}  // namespace

bool ConfirmCancelSetup(HWND owner) {
    // Wide text: the question may be in a language the ANSI code page lacks.
    std::wstring question = ClassicPage::loadText(IDS_CANCEL_QUESTION);
    const size_t conversion = question.find(L"%s");
    if (conversion != std::wstring::npos) question.replace(conversion, 2, tstrings::fromACP(product::kFamilyVersion));
    const std::wstring caption = ClassicPage::loadText(IDS_SETUP_CAPTION);
    return showMessageBox(owner, question, caption, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2, IDNO) == IDYES;
}

void WriteDeclinedStatus() {
    Registry key;
    if (key.tryOpen(Registry::hklm64, kOrunSoftKey, KEY_ALL_ACCESS, true) != ERROR_SUCCESS) {
        return;  // the report just goes without the status
    }
    // Seven bytes, no NUL. The system counts in a NUL that directly follows
    // the data it is given, so the byte after the seven is not one.
    static const char kDeclined[8] = {'d', 'e', 'c', 'l', 'i', 'n', 'e', '.'};
    key.trySetValue("InstallStatus", REG_SZ, kDeclined, 7);
}

CWelcomeDialog::CWelcomeDialog(bool changeFolder) : ClassicPage(IDD), changeFolder_(changeFolder) {}

CWelcomeDialog::~CWelcomeDialog() = default;

void CWelcomeDialog::initDialog() {
    initLook();
    SetDlgItemTextW(hwnd(), IDC_WELCOME_TITLE, limited(loadText(IDS_WELCOME_TITLE)).c_str());
    SetDlgItemTextW(hwnd(), IDC_WELCOME_TEXT, limited(loadText(IDS_WELCOME_TEXT)).c_str());
    if (changeFolder_) setChecked(IDC_CHANGE_FOLDER_BOX, true);
    HFONT normal = makeFont(10, false);
    HFONT title = makeFont(12, true);
    setFontOfChildren(normal);
    setFont(IDC_WELCOME_TITLE, title);
    makeLink(IDC_WELCOME_DATA_LINK, IDS_DATA_ADDRESS);
    makeLink(IDC_WELCOME_LICENSE_LINK, IDS_LICENSE_ADDRESS);
    focusControl(IDOK);
    bringToFront(IDOK);
}

bool CWelcomeDialog::onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    switch (message) {
        case WM_INITDIALOG:
            initDialog();
            result = FALSE;  // the focus is set already
            return true;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                changeFolder_ = isChecked(IDC_CHANGE_FOLDER_BOX);
                endPage(IDOK);
                return true;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                if (ConfirmCancelSetup(hwnd())) {
                    WriteDeclinedStatus();
                    endPage(IDCANCEL);
                }
                return true;
            }
            return false;
        case WM_NOTIFY:
            return openLinkOnNotify(lParam, result);
        case WM_CTLCOLORSTATIC: {
            const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
            if (id == IDC_WELCOME_TITLE || id == IDC_CHANGE_FOLDER_BOX) {
                result = paintStatic(reinterpret_cast<HDC>(wParam), nullptr, true, backgroundBrush());
                return true;
            }
            if (paintShared(message, wParam, lParam, result)) return true;
            result = reinterpret_cast<INT_PTR>(whiteBrush());
            return true;
        }
        default:
            return paintShared(message, wParam, lParam, result);
    }
}
