#pragma once
// Small helpers used across the launcher's pages and steps.
#include <string>

#include "base/win.h"

// gdiplus.dll from the system directory, or null after logging the failure.
HMODULE OVX_System_LoadLibrary();
// Copies the per-user low-integrity application-data folder into a 260-character buffer.
bool GetUserShellFolder(char* buffer);
// The font of the classic pages.
HFONT CreateDialogFont(int points, bool bold);
// The face name CreateDialogFont chooses for a country and OS class.
std::string dialogFontFace(const std::string& englishCountry, int osVersionClass);

// Window enumeration callbacks; lParam is a process id.
BOOL CALLBACK CloseProcessWindowsProc(HWND window, LPARAM processId);
BOOL CALLBACK DestroyProcessWindowsProc(HWND window, LPARAM processId);
