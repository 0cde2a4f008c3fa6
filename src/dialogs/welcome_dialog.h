#pragma once
// The welcome page (110): the licence is accepted with Install; the box asks
// for the destination page.
#include "dialogs/classic_page.h"

class CWelcomeDialog : public ClassicPage {
public:
    enum : int { IDD = 110 };
    // Whether the "Change destination folder" box starts ticked.
    explicit CWelcomeDialog(bool changeFolder);
    ~CWelcomeDialog() override;
    // After the page closed: whether the box was ticked when Install was pressed.
    bool changeFolder() const { return changeFolder_; }

protected:
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    bool changeFolder_;
};
