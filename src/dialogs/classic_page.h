#pragma once
// The look every classic page shares: the stretched banner at the top, the
// white middle area, the light beige background and the separator above the
// buttons; and what every page does alike: fonts, links, placement, ending.
#include <map>
#include <string>
#include <vector>

#include "base/resource_ids.h"
#include "base/win.h"
#include "base/win_handles.h"
#include "dialogs/dialog_base.h"

namespace page {
inline constexpr COLORREF kBackground = RGB(231, 229, 213);
}  // namespace page

class ClassicPage : public DialogBase {
public:
    // A string of the string table in the run's language, as UTF-16; empty
    // (and reported) when it is missing.
    static std::wstring loadText(unsigned id);
    // The same, in the ANSI code page (addresses, format texts).
    static std::string loadString(unsigned id);

    using DialogBase::DialogBase;
    ~ClassicPage() override;

protected:
    // Makes the brush; call from WM_INITDIALOG.
    void initLook();
    // Frees the drawing objects (brush, banner, fonts, bitmaps); the page may
    // draw again afterwards.
    void releaseLook();
    // WM_CTLCOLORDLG and WM_CTLCOLORSTATIC for the shared controls; false for
    // the page's own static controls (the page answers those itself).
    bool paintShared(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);
    HBRUSH backgroundBrush() const { return background_.get(); }

    // A font of the pages (CreateDialogFont), released with the look.
    HFONT makeFont(int points, bool bold);
    void setFont(int id, HFONT font);
    void setFontOfChildren(HFONT font);
    // Answers WM_CTLCOLORSTATIC for a page's own static: the font (when given)
    // and the background mode on the device context, the brush as the result.
    INT_PTR paintStatic(HDC dc, HFONT font, bool transparent, HBRUSH brush);
    // WM_CTLCOLORSTATIC of a page whose only band text is its title: the title
    // in `titleFont` on the background brush, every other static on white.
    INT_PTR paintTitleOrWhite(WPARAM wParam, LPARAM lParam, int titleId, HFONT titleFont);
    static HBRUSH whiteBrush() { return static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)); }
    static HBRUSH nullBrush() { return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)); }
    // Draws a bitmap resource unscaled at the control's top-left corner.
    void drawBitmap(HDC dc, unsigned bitmapId);

    // WM_NOTIFY: NM_CLICK or NM_RETURN of a SysLink opens its address in the
    // default browser; true (handled) for those.
    bool openLinkOnNotify(LPARAM lParam, INT_PTR& result);
    // Makes the control's <l>...</l> a link to the address of that string.
    bool makeLink(int id, unsigned addressStringId);
    // Moves the focus to the control (WM_NEXTDLGCTL).
    void focusControl(int id);
    // From Vista on: topmost, then not topmost (and shown); before Vista the
    // control comes to the foreground.
    void bringToFront(int foregroundControl);
    // No maximize box, Close greyed in the system menu.
    void removeCloseAndMaximize();
    void showControl(int id, bool visible);
    bool isChecked(int id) const;
    void setChecked(int id, bool checked);
    // Disable the window, release the drawing objects, end with the code.
    void endPage(INT_PTR code);


private:
    void drawBanner(HDC dc, HWND control);

    UniqueBrush background_;
    UniqueBitmap banner_;
    UniqueMemoryDC bannerDc_;  // holds banner_ while it exists
    HGDIOBJ bannerOld_ = nullptr;
    SIZE bannerSize_ = {};
    std::vector<UniqueFont> fonts_;
    std::map<unsigned, UniqueBitmap> bitmaps_;
};
