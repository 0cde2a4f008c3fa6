#include "base/win_handles.h"

#include "base/dll.h"
#include "base/logger.h"
#include "base/sys_error.h"
#include "base/tstrings.h"

namespace {
std::string closeFailureText(const char* call, const void* handle, unsigned long code) {
    const std::string callText = tstrings::format("%s%p)", call, handle);
    return tstrings::format("%s failed with %s", callText.c_str(), formatSystemError(code, nullptr).c_str());
}
}  // namespace

void closeHANDLE(HANDLE h) {
    if (h == nullptr || h == INVALID_HANDLE_VALUE) return;
    if (!CloseHandle(h)) {
        const DWORD code = GetLastError();
        LOG_ERROR(closeFailureText("CloseHandle(", h, code));
    }
}

void closeInternetHandle(void* h) {
    if (h == nullptr) return;
    // WinINet is not a Known DLL: reached from the system directory only.
    using CloseFn = BOOL(WINAPI*)(void*);
    static CloseFn internetCloseHandle = []() -> CloseFn {
        try {
            static DllFunction<BOOL WINAPI(void*)> fn(loadSystemDll("wininet.dll"), "InternetCloseHandle");
            return fn ? fn.get() : nullptr;
        } catch (...) {
            return nullptr;
        }
    }();
    if (!internetCloseHandle) return;
    if (!internetCloseHandle(h)) {
        const DWORD code = GetLastError();
        LOG_ERROR(closeFailureText("InternetCloseHandle(", h, code));
    }
}

void closeRegHandle(HKEY h) {
    if (h == nullptr) return;
    const LONG rc = RegCloseKey(h);
    if (rc != ERROR_SUCCESS) LOG_ERROR(closeFailureText("RegCloseKey(", h, static_cast<unsigned long>(rc)));
}

bool tryCloseHandle(HANDLE h) { return CloseHandle(h) != FALSE; }

void deleteGdiObject(HGDIOBJ h) {
    if (h && !DeleteObject(h)) LOG_ERROR(closeFailureText("DeleteObject(", h, GetLastError()));
}

void deleteMemoryDC(HDC h) {
    if (h && !DeleteDC(h)) LOG_ERROR(closeFailureText("DeleteDC(", h, GetLastError()));
}

void freeModule(HMODULE h) {
    if (h && !FreeLibrary(h)) LOG_ERROR(closeFailureText("FreeLibrary(", h, GetLastError()));
}

WindowDC::~WindowDC() {
    if (dc_) ReleaseDC(window_, dc_);
}
