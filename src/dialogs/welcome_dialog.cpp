#include "dialogs/welcome_dialog.h"

#include <string>

#include "base/tstrings.h"
#include "product/product.h"
#include "product/registry_places.h"
#include "registry/registry.h"

namespace {
const int kTitle = 1016;
const int kText = 1017;
const int kDataLink = 487001;
const int kLicenseLink = 487002;
const int kChangeFolderBox = 1025;

const unsigned kLicenseAddress = 2035;
const unsigned kDataAddress = 2036;
const unsigned kWelcomeTitle = 2037;
const unsigned kWelcomeText = 2039;
const unsigned kCancelQuestion = 2042;
const unsigned kSetupCaption = 2043;

const size_t kMaxText = 256;

std::wstring limited(std::wstring value) {
    if (value.size() > kMaxText - 1) value.resize(kMaxText - 1);
    return value;
}
}  // namespace

bool ConfirmCancelSetup(HWND owner) {
    // Wide text: the question may be in a language the ANSI code page lacks.
    std::wstring question = ClassicPage::loadText(kCancelQuestion);
    const size_t conversion = question.find(L"%s");
    if (conversion != std::wstring::npos) question.replace(conversion, 2, tstrings::fromACP(product::kFamilyVersion));
    const std::wstring caption = ClassicPage::loadText(kSetupCaption);
    return MessageBoxW(owner, question.c_str(), caption.c_str(), MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
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
    SetDlgItemTextW(hwnd(), kTitle, limited(loadText(kWelcomeTitle)).c_str());
    SetDlgItemTextW(hwnd(), kText, limited(loadText(kWelcomeText)).c_str());
    if (changeFolder_) setChecked(kChangeFolderBox, true);
    HFONT normal = makeFont(10, false);
    HFONT title = makeFont(12, true);
    setFontOfChildren(normal);
    setFont(kTitle, title);
    makeLink(kDataLink, kDataAddress);
    makeLink(kLicenseLink, kLicenseAddress);
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
                changeFolder_ = isChecked(kChangeFolderBox);
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
            if (id == kTitle || id == kChangeFolderBox) {
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
