#include "base/all_utils.h"

#include <cstdio>
#include <cstring>

#include "base/logger.h"
#include "base/report.h"
#include "base/sys_info.h"
#include "base/tstrings.h"
#include "base/win_handles.h"

HMODULE OVX_System_LoadLibrary() {
    char dir[MAX_PATH] = {};
    const UINT n = GetSystemDirectoryA(dir, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) {
        LOG_ERROR(tstrings::format("GetSystemDirectory failed.  Return Code: %d, ErrorCode: %d", static_cast<int>(n),
                               static_cast<int>(GetLastError())));
        return nullptr;
    }
    char path[MAX_PATH] = {};
    const int written = std::snprintf(path, MAX_PATH, "%s\\%s", dir, "gdiplus.dll");
    if (written < 0 || written >= MAX_PATH) {
        LOG_ERROR(tstrings::format("_snprintf failed.  ErrorCode: %d", static_cast<int>(GetLastError())));
        return nullptr;
    }
    HMODULE module = LoadLibraryA(path);
    if (!module) LOG_ERROR(tstrings::format("LoadLibrary(%s) failed.  ErrorCode: %d", path, static_cast<int>(GetLastError())));
    return module;
}

bool GetUserShellFolder(char* buffer) {
    try {
        const std::string dir = SysInfo::getUserAppDataLowDir();
        if (dir.size() >= MAX_PATH) return false;  // would not fit the caller's buffer
        std::memcpy(buffer, dir.c_str(), dir.size() + 1);
        return true;
    } catch (const std::exception& e) {
        REPORT_EXCEPTION(e);
        return false;
    } catch (...) {
        REPORT_UNKNOWN_EXCEPTION();
        return false;
    }
}

std::string dialogFontFace(const std::string& englishCountry, int osVersionClass) {
    if (tstrings::equals(englishCountry, "Japan", true)) return "MS UI Gothic";
    if (osVersionClass >= 2 && englishCountry != "Korea" && englishCountry != "China" && englishCountry != "Taiwan") {
        return "Segoe UI";
    }
    return "Kyn Sans";
}

HFONT CreateDialogFont(int points, bool bold) {
    char country[128] = {};
    GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, LOCALE_SENGCOUNTRY, country, sizeof(country));
    const std::string face = dialogFontFace(country, SysInfo::getOsVersionClass());

    int dpi = 96;
    {
        const WindowDC screen(nullptr);
        if (screen.get()) dpi = GetDeviceCaps(screen.get(), LOGPIXELSY);
    }

    LOGFONTA font = {};
    font.lfHeight = -MulDiv(points, dpi, 72);
    font.lfWeight = bold ? 700 : 500;
    lstrcpynA(font.lfFaceName, face.c_str(), LF_FACESIZE);
    return CreateFontIndirectA(&font);
}

namespace {
bool ownedBy(HWND window, LPARAM processId) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    return owner == static_cast<DWORD>(processId);
}
}  // namespace

BOOL CALLBACK CloseProcessWindowsProc(HWND window, LPARAM processId) {
    if (ownedBy(window, processId)) PostMessageA(window, WM_CLOSE, 0, 0);
    return TRUE;
}

BOOL CALLBACK DestroyProcessWindowsProc(HWND window, LPARAM processId) {
    if (ownedBy(window, processId)) DestroyWindow(window);
    return TRUE;
}
