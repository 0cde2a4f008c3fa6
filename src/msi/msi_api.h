#pragma once
// msi.dll, loaded from the system directory and reached by ordinal.
#include "base/dll.h"
#include "base/win.h"

#include <msi.h>

namespace msi {

struct Api {
    DllFunction<UINT WINAPI(MSIHANDLE)> closeHandle;
    DllFunction<UINT WINAPI(MSIHANDLE, LPCSTR, LPSTR, LPDWORD)> getProductProperty;
    DllFunction<UINT WINAPI(LPCSTR, LPCSTR)> installProduct;
    DllFunction<UINT WINAPI(LPCSTR, MSIHANDLE*)> openProduct;
    DllFunction<INSTALLUI_HANDLERW WINAPI(INSTALLUI_HANDLERW, DWORD, LPVOID)> setExternalUI;
    DllFunction<INSTALLUILEVEL WINAPI(INSTALLUILEVEL, HWND*)> setInternalUI;
    DllFunction<UINT WINAPI(DWORD, LPCSTR, DWORD)> enableLog;
    DllFunction<UINT WINAPI(LPCSTR, int, INSTALLSTATE, LPCSTR)> configureProductEx;

    Api();
};

// The process's one copy; raises when msi.dll cannot be loaded.
const Api& api();

}  // namespace msi
