#pragma once
// Pictures from files (JPEG, PNG, BMP) through the system's imaging library,
// which is loaded from the system directory.
#include <string>

#include "base/win.h"

// A device-independent bitmap of the picture, or null when the library or the
// file cannot be read. The caller deletes it.
HBITMAP LoadImageFile(HMODULE imaging, const std::wstring& path);
