#pragma once
// Links in the SysLink controls of the pages.
#include <string>

#include "base/win.h"

// Turns the <l>...</l> part of the control's text into a link to the address
// and, when the text is narrower than the control, shrinks the control to the
// text and centres it in its parent. A control without both tags keeps its
// text; the error is logged.
bool MakeLink4SysLinkCtrl(HWND control, const std::string& address);

// The text MakeLink4SysLinkCtrl puts in place of `text`; false when a tag is
// missing.
bool linkMarkup(const std::wstring& text, const std::wstring& address, std::wstring& markup, std::wstring& plain);
