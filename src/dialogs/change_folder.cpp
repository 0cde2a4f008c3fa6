#include "dialogs/change_folder.h"

#include <shlobj.h>

#include <cstdio>

#include "base/logger.h"
#include "base/report.h"
#include "base/resource_ids.h"
#include "base/tstrings.h"
#include "config/install_config_data.h"
#include "dialogs/page_text.h"
#include "dialogs/welcome_dialog.h"

namespace {
// <ProgramFilesDir>\Orun\ovx1.9.0\, or empty when Program Files is unknown.
std::string defaultFolder() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS) {
        return std::string();
    }
    char programFiles[262] = {};  // 261 bytes read, one more for the NUL a value may lack
    DWORD size = 261;
    DWORD type = 0;
    const LONG rc = RegQueryValueExA(key, "ProgramFilesDir", nullptr, &type, reinterpret_cast<BYTE*>(programFiles), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::string();
    char folder[MAX_PATH] = {};
    std::snprintf(folder, sizeof(folder), "%s\\Orun\\ovx%s\\", programFiles, "1.9.0");
    return folder;
}

// The computer folder, or null (no root) when the shell cannot give it.
PIDLIST_ABSOLUTE computerFolder() {
    PIDLIST_ABSOLUTE root = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &root))) return nullptr;
    return root;
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
    // The new dialog style needs OLE on this thread.
    const HRESULT ole = OleInitialize(nullptr);
    const std::wstring title = loadText(IDS_BROWSE_TITLE);
    PIDLIST_ABSOLUTE root = computerFolder();
    BROWSEINFOW info = {};
    info.hwndOwner = item(IDC_FOLDER_CHANGE);
    info.pidlRoot = root;
    info.lpszTitle = title.c_str();
    info.ulFlags = 0x49;  // BIF_RETURNONLYFSDIRS | BIF_RETURNFSANCESTORS | BIF_NEWDIALOGSTYLE
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
    if (chosen) {
        wchar_t path[MAX_PATH] = {};
        // A virtual folder has no path and leaves the folder as it was.
        if (SHGetPathFromIDListW(chosen, path) && path[0]) {
            folder_ = tstrings::toACP(path);
            LOG_INFO(tstrings::format("Selected Folder: %s\n", folder_.c_str()));
            showFolder(item(IDC_FOLDER_PATH));
        }
        CoTaskMemFree(chosen);
    }
    if (root) CoTaskMemFree(root);
    if (SUCCEEDED(ole)) OleUninitialize();
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
