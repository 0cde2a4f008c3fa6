#pragma once
// Plays the pages where no HTML engine shows them (the tests here): every page
// loads the moment its dialog shows it, every script a dialog runs in its page
// is handed to the player, and the player sends the events a person would
// cause on the page through the page's own `external` object. The frame
// window, the control and the dialogs' code run as they do with a browser.
#include <string>

#include "html_ui/window_handler.h"

namespace ui {

class Dialog;

class PagePlayer {
public:
    virtual ~PagePlayer() = default;
    virtual void scriptRun(Dialog& dialog, const std::string& script) = 0;
    // The page has loaded and is shown; events sent here end or steer the dialog.
    virtual void pageShown(Dialog& dialog) = 0;
};

// Null: the browser shows the pages.
void setPagePlayer(PagePlayer* player);
PagePlayer* pagePlayer();

// What the page's `external.notify(args...)` does, through the dialog's control.
void sendPageEvent(Dialog& dialog, const ArgList& args);

}  // namespace ui
