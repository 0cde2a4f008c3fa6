#include "base/win.h"
#include "launcher/main_flow.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR commandLine, int /*show*/) {
    // Before anything else: libraries come from the system directory only, so
    // that nothing planted beside a downloaded installer is ever loaded.
    using SetDefaultDllDirectoriesFn = BOOL WINAPI(DWORD);
    if (auto* restrict = reinterpret_cast<SetDefaultDllDirectoriesFn*>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories")))) {
        restrict(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
    return RunLauncher(instance, commandLine);
}
