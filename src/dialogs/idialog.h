#pragma once
// A page of the closing sequence, which walks its pages forwards and backwards.
#include "base/win.h"

class IDialog {
public:
    virtual ~IDialog() = default;
    // Shown modally, owned by the active window: IDOK next, IDC_BACK back, IDCANCEL cancel.
    virtual INT_PTR showModal() = 0;
};
