#pragma once
// Texts that a page sets while it paints.
#include <string>

#include "base/win.h"

// Sets the control's text only when it differs: setting it always repaints,
// and the caller is painting.
void setTextIfChanged(HWND control, const std::wstring& text);
