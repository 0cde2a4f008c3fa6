// onedialog: the smallest dialog program, one dialog from its resources; the
// baseline for the time until the launcher's first page shows. Built a second
// time as onedialog_themed, with the launcher's manifest (common controls 6)
// and the system libraries it imports: what any program of its kind pays
// before its first window, whatever it does.
#include <windows.h>

#ifdef OVX_LAUNCHER_IMPORTS
#include <commctrl.h>
#include <objbase.h>
#include <oleauto.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>

// Referenced, never called: the loader maps these libraries at start as it does
// for the launcher.
void* const volatile kLauncherImports[] = {
    reinterpret_cast<void*>(&InitCommonControlsEx), reinterpret_cast<void*>(&CoInitializeEx),
    reinterpret_cast<void*>(&SysAllocString),       reinterpret_cast<void*>(&CommandLineToArgvW),
    reinterpret_cast<void*>(&SHGetFolderPathW),     reinterpret_cast<void*>(&PathAppendA)};
#endif

namespace {
INT_PTR CALLBACK dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) return TRUE;
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    return static_cast<int>(DialogBoxParamW(instance, MAKEINTRESOURCEW(1), nullptr, dialogProc, 0));
}
