#pragma once
// The receiver of a browser window's events and of its page's calls.
#include <string>
#include <vector>

#include "base/win.h"

#include <oaidl.h>

namespace ui {

// Names and arguments are UTF-8, the arguments in the order the script gave them.
using ArgList = std::vector<std::string>;

class WindowHandler {
public:
    virtual ~WindowHandler() = default;
    // The page's "getLocale": the process's user-interface locale.
    virtual std::string getLocale();
    // The frame is asked to close: its close box, the system menu, Alt+F4 or "cancel".
    virtual void onClose() {}
    virtual void onLoadComplete() {}
    virtual void onNavigateError(const VARIANT& /*statusCode*/) {}
    // The page's "notify".
    virtual void onEvent(const std::string& /*name*/, const ArgList& /*args*/) {}
    // The page's "setWindowProp".
    virtual void setWindowProp(const std::string& /*name*/, const ArgList& /*args*/) {}
};

}  // namespace ui
