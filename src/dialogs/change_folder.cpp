#include "dialogs/change_folder.h"

#include <shlobj.h>

#include <cstdio>

#include "base/com_holders.h"
#include "base/logger.h"
#include "base/memory_holders.h"
#include "base/report.h"
#include "base/resource_ids.h"
#include "base/tstrings.h"
#include "config/install_config_data.h"
#include "dialogs/page_text.h"
#include "dialogs/welcome_dialog.h"
#include "product/product.h"
#include "registry/registry.h"

namespace {
// <ProgramFilesDir>\Orun\ovx1.9.0\, or empty when Program Files is unknown.
std::string defaultFolder() {
    Registry key;
    if (key.tryOpen(Registry::hklm, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", KEY_QUERY_VALUE) != ERROR_SUCCESS) {
        return std::string();
    }
    // At most 261 bytes, as the buffer this was read into held.
    RegValue programFiles;
    if (key.tryGetValue("ProgramFilesDir", programFiles) != ERROR_SUCCESS ||
        (programFiles.type != REG_SZ && programFiles.type != REG_EXPAND_SZ) || programFiles.data.size() > 261) {
        return std::string();
    }
    char folder[MAX_PATH] = {};
    std::snprintf(folder, sizeof(folder), "%s\\Orun\\%s%s\\", programFiles.text().c_str(), product::kShortName,
                  product::kFamilyVersion);
    return folder;
}

// The computer folder, or null (no root) when the shell cannot give it.
PIDLIST_ABSOLUTE computerFolder() {
    PIDLIST_ABSOLUTE root = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &root))) return nullptr;
    return root;
}

// The folder picked in the system's folder browser; empty when the person
// cancels, or picks a virtual folder, which has no path.
std::string pickFolder(HWND owner, const std::wstring& title) {
    // The new dialog style needs OLE on this thread.
    const OleScope ole;
    const CoTaskMemPointer<ITEMIDLIST> root(computerFolder());
    BROWSEINFOW info = {};
    info.hwndOwner = owner;
    info.pidlRoot = root.get();
    info.lpszTitle = title.c_str();
    info.ulFlags = 0x49;  // BIF_RETURNONLYFSDIRS | BIF_RETURNFSANCESTORS | BIF_NEWDIALOGSTYLE
    const CoTaskMemPointer<ITEMIDLIST> chosen(SHBrowseForFolderW(&info));
    wchar_t path[MAX_PATH] = {};
    if (!chosen || !SHGetPathFromIDListW(chosen.get(), path) || !path[0]) return std::string();
    return tstrings::toACP(path);
}
}  // namespace

CChangeFolder::CChangeFolder(InstallConfigData& config, bool hideBack) : ClassicPage(IDD), hideBack_(hideBack) {
    if (config.HasSetting(cfg::nameOf(cfg::INSTALLDIR))) {
        folder_ = config.GetStringSettingACP(cfg::INSTALLDIR);
    } else {
        folder_ = defaultFolder();
    }
}

CChangeFolder::~CChangeFolder() = default;

void CChangeFolder::initDialog() {
    initLook();
    if (hideBack_) showControl(IDC_BACK, false);
    normalFont_ = makeFont(10, false);
    smallFont_ = makeFont(8, false);
    boldFont_ = makeFont(12, true);
    for (int id : {IDOK, IDC_FOLDER_CHANGE, IDC_BACK, IDC_FOLDER_HINT, IDC_FOLDER_INSTALL_TO}) setFont(id, normalFont_);
    setFont(IDC_FOLDER_HEADING, boldFont_);
    setFont(IDC_FOLDER_PATH, smallFont_);
    focusControl(IDOK);
}

void CChangeFolder::browse() {
    EnableWindow(hwnd(), FALSE);
    const std::string picked = pickFolder(item(IDC_FOLDER_CHANGE), loadText(IDS_BROWSE_TITLE));
    if (!picked.empty()) {
        folder_ = picked;
        LOG_INFO(tstrings::format("Selected Folder: %s\n", folder_.c_str()));
        showFolder(item(IDC_FOLDER_PATH));
    }
    EnableWindow(hwnd(), TRUE);
    SetForegroundWindow(hwnd());
}

bool CChangeFolder::onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    switch (message) {
        case WM_INITDIALOG:
            initDialog();
            result = FALSE;  // the focus is set already
            return true;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDC_FOLDER_CHANGE:
                    browse();
                    return true;
                case IDOK:
                    finish(IDOK);
                    return true;
                case IDC_BACK:
                    finish(IDC_BACK);
                    return true;
                case IDCANCEL:
                    if (ConfirmCancelSetup(hwnd())) finish(IDCANCEL);
                    return true;
                default:
                    return false;
            }
        case WM_CTLCOLORSTATIC: {
            HWND control = reinterpret_cast<HWND>(lParam);
            HDC dc = reinterpret_cast<HDC>(wParam);
            switch (GetDlgCtrlID(control)) {
                case IDC_FOLDER_HEADING:
                    result = paintStatic(dc, boldFont_, true, backgroundBrush());
                    return true;
                case IDC_FOLDER_HINT:
                case IDC_FOLDER_INSTALL_TO:
                    result = paintStatic(dc, normalFont_, false, whiteBrush());
                    return true;
                case IDC_FOLDER_PATH:
                    showFolder(control);
                    result = paintStatic(dc, smallFont_, false, whiteBrush());
                    return true;
                default:
                    if (paintShared(message, wParam, lParam, result)) return true;
                    result = reinterpret_cast<INT_PTR>(backgroundBrush());
                    return true;
            }
        }
        default:
            return paintShared(message, wParam, lParam, result);
    }
}

void CChangeFolder::showFolder(HWND control) {
    // Called while painting: only a changed text may be set.
    setTextIfChanged(control, tstrings::fromACP(folder_));
}

void CChangeFolder::finish(INT_PTR code) {
    // The fonts go with the look.
    normalFont_ = smallFont_ = boldFont_ = nullptr;
    endPage(code);
}
