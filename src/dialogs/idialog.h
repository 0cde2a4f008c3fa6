#pragma once
// A page of the closing sequence, which walks its pages forwards and backwards.
#include "base/win.h"

class IDialog {
public:
    virtual ~IDialog() = default;
    // Shown modally, owned by the active window: 1 next, 1029 back, 2 cancel.
    virtual INT_PTR showModal() = 0;
};
