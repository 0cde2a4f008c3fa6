#include "dialogs/page_text.h"

#include <vector>

void setTextIfChanged(HWND control, const std::wstring& text) {
    if (!control) return;
    const int length = GetWindowTextLengthW(control);
    std::vector<wchar_t> current(static_cast<size_t>(length) + 1);
    GetWindowTextW(control, current.data(), length + 1);
    if (text != current.data()) SetWindowTextW(control, text.c_str());
}
