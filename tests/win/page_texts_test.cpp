// Every text of the welcome and destination pages fits its control, in every
// language, with the fonts the pages give their controls at run time.
#include <gtest/gtest.h>

#include "base/win.h"

#include <commctrl.h>

#include <sstream>
#include <string>

#include "base/resource.h"
#include "config/install_config_data.h"
#include "dialogs/change_folder.h"
#include "dialogs/welcome_dialog.h"

namespace {

const LANGID kLanguages[] = {7, 10, 12, 16, 29, 1028, 1033, 1041, 1042, 1046, 2052};

std::wstring textOf(HWND control) {
    wchar_t buffer[1024] = {};
    GetWindowTextW(control, buffer, 1024);
    return buffer;
}

// What is drawn: no link markup, no mnemonic marks.
std::wstring drawnText(std::wstring text) {
    for (size_t open; (open = text.find(L'<')) != std::wstring::npos;) {
        const size_t close = text.find(L'>', open);
        if (close == std::wstring::npos) break;
        text.erase(open, close - open + 1);
    }
    std::wstring plain;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&' && i + 1 < text.size()) ++i;
        plain += text[i];
    }
    return plain;
}

// The text's size in the control's font: on one line, or wrapped at `width`.
SIZE measure(HWND control, const std::wstring& text, int width) {
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    RECT r = {0, 0, width > 0 ? width : 0, 0};
    DrawTextW(dc, text.c_str(), -1, &r, DT_CALCRECT | DT_NOPREFIX | (width > 0 ? DT_WORDBREAK : DT_SINGLELINE));
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return {r.right, r.bottom};
}

struct Check {
    LANGID language;
    std::ostringstream faults;
};

BOOL CALLBACK checkControl(HWND control, LPARAM param) {
    Check& check = *reinterpret_cast<Check*>(param);
    const std::wstring text = drawnText(textOf(control));
    if (text.empty() || !IsWindowVisible(control)) return TRUE;
    wchar_t className[32] = {};
    GetClassNameW(control, className, 32);
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    RECT client;
    GetClientRect(control, &client);
    int room = client.right;
    SIZE need;
    if (lstrcmpiW(className, L"Static") == 0 && !(style & SS_CENTERIMAGE)) {
        need = measure(control, text, client.right);
        if (need.cy > client.bottom) room = -1;  // wrapped, it is too high
    } else {
        need = measure(control, text, 0);
        if (lstrcmpiW(className, L"Button") == 0) {
            const LONG kind = style & BS_TYPEMASK;
            need.cx += (kind == BS_AUTOCHECKBOX || kind == BS_CHECKBOX) ? GetSystemMetrics(SM_CXMENUCHECK) + 4 : 10;
        }
    }
    if (need.cx > room || room < 0) {
        char utf8[2048] = {};
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8, sizeof(utf8), nullptr, nullptr);
        check.faults << "language " << check.language << ", control " << GetDlgCtrlID(control) << " (" << client.right
                     << "x" << client.bottom << ") needs " << need.cx << "x" << need.cy << ": " << utf8 << "\n";
    }
    return TRUE;
}

template <class Page>
std::string overflowsIn(Page& page, LANGID language) {
    Check check{language, {}};
    if (!page.Create(nullptr)) return "language " + std::to_string(language) + ": the page was not made\n";
    // The folder is shown when its control paints.
    RedrawWindow(page.hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    EnumChildWindows(page.hwnd(), checkControl, reinterpret_cast<LPARAM>(&check));
    page.DestroyWindow();
    return check.faults.str();
}

class PageTexts : public ::testing::Test {
protected:
    void TearDown() override { Resource::setUiLanguage(0); }
};

}  // namespace

TEST_F(PageTexts, FitTheirControlsOnBothPagesInEveryLanguage) {
    INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_LINK_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&classes);
    InstallConfigData config(GetModuleHandleA(nullptr));
    // A long folder, as a user may give it: it must wrap inside its control.
    ASSERT_EQ(config.LoadConfigSettings(L"ovxoffline.exe INSTALLDIR=\"C:\\Program Files\\Some Vendor Applications\\"
                                        L"Orun Runtime Environment\\Version 1.9.0 Early Access\\Build 55\""),
              0);
    std::string faults;
    for (LANGID language : kLanguages) {
        Resource::setUiLanguage(language);
        CWelcomeDialog welcome(false);
        faults += overflowsIn(welcome, language);
        CChangeFolder destination(config, false);
        faults += overflowsIn(destination, language);
    }
    EXPECT_EQ(faults, "");
}
