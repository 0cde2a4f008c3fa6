// Every page in every language: each text fits its control in the font the
// page gives it at run time.
#include <gtest/gtest.h>

#include "base/win.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "base/all_utils.h"
#include "base/resource.h"
#include "base/resource_ids.h"
#include "base/tstrings.h"

namespace {

const LANGID kLanguages[] = {7, 10, 12, 16, 29, 1028, 1033, 1041, 1042, 1046, 2052};

struct Font {
    int points;  // 0: the dialog's own font
    bool bold;
};

// The fonts the pages give their controls; `all` applies to every control not
// named in `controls`.
struct PageFonts {
    Font all;
    std::map<int, Font> controls;
};

const std::map<int, PageFonts>& pageFonts() {
    static const std::map<int, PageFonts> fonts = {
        {IDD_WELCOME, {{10, false}, {{IDC_WELCOME_TITLE, {12, true}}}}},
        {IDD_WELCOME_UPDATE, {{10, false}, {{IDC_WELCOME_TITLE, {12, true}}}}},
        {IDD_CHANGE_FOLDER,
         {{0, false},
          {{IDC_FOLDER_HEADING, {12, true}}, {IDC_FOLDER_HINT, {10, false}}, {IDC_FOLDER_INSTALL_TO, {10, false}},
           {IDC_FOLDER_PATH, {8, false}}, {IDOK, {10, false}}, {IDC_FOLDER_CHANGE, {10, false}},
           {IDC_BACK, {10, false}}}}},
        {IDD_SETUP_COMPLETE,
         {{0, false},
          {{IDC_COMPLETE_TITLE, {11, true}}, {IDC_COMPLETE_SPONSOR_TITLE, {11, true}},
           {IDC_COMPLETE_UPDATE_TEXT, {10, false}}, {IDC_COMPLETE_SECURITY_TEXT, {10, false}},
           {IDC_COMPLETE_VERIFY_TEXT, {10, false}}, {IDC_COMPLETE_UPDATE_LINK, {10, false}},
           {IDC_COMPLETE_SECURITY_LINK, {10, false}}, {IDC_COMPLETE_RESTART_BOX, {10, false}},
           {IDCANCEL, {10, false}}, {IDC_BACK, {10, false}}}}},
        {IDD_SETUP_ERROR,
         {{0, false},
          {{IDC_ERROR_TITLE, {12, true}}, {IDC_ERROR_HELP_TEXT, {10, false}}, {IDC_ERROR_CODE, {10, false}},
           {IDC_ERROR_HELP_LINK, {10, false}}, {IDCANCEL, {10, false}}}}},
        {IDD_PLUGIN_DISABLED, {{10, false}, {{IDC_PLUGIN_TITLE, {11, true}}}}},
        {IDD_RESTORE_SECURITY, {{10, false}, {{IDC_RESTORE_TITLE, {11, true}}}}},
        {IDD_PROGRESS, {{0, false}, {{IDC_PROGRESS_STATUS, {8, false}}}}},
    };
    return fonts;
}

// Texts the pages set at run time: control -> string ids (each is checked).
const std::map<int, std::map<int, std::vector<unsigned>>>& runtimeTexts() {
    static const std::map<int, std::map<int, std::vector<unsigned>>> texts = {
        {IDD_WELCOME, {{IDC_WELCOME_TITLE, {IDS_WELCOME_TITLE}}, {IDC_WELCOME_TEXT, {IDS_WELCOME_TEXT}}}},
        {IDD_WELCOME_UPDATE, {{IDC_WELCOME_TITLE, {IDS_WELCOME_TITLE}}, {IDC_WELCOME_TEXT, {IDS_WELCOME_TEXT}}}},
        {IDD_SETUP_COMPLETE,
         {{IDC_COMPLETE_TITLE, {IDS_COMPLETE_TITLE}},
          {IDC_COMPLETE_SPONSOR_TITLE, {IDS_SPONSOR_TITLE_TOOLBAR, IDS_SPONSOR_TITLE_SEARCH}}}},
    };
    return texts;
}

std::vector<int> dialogIds() {
    std::vector<int> ids;
    EnumResourceNamesW(
        GetModuleHandleW(nullptr), reinterpret_cast<LPCWSTR>(RT_DIALOG),
        [](HMODULE, LPCWSTR, LPWSTR name, LONG_PTR param) -> BOOL {
            if (IS_INTRESOURCE(name)) reinterpret_cast<std::vector<int>*>(param)->push_back(static_cast<int>(
                reinterpret_cast<ULONG_PTR>(name)));
            return TRUE;
        },
        reinterpret_cast<LONG_PTR>(&ids));
    return ids;
}

INT_PTR CALLBACK quietDialog(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

// The page made from its template in that language, hidden.
HWND createPage(int id, LANGID language) {
    HRSRC info = FindResourceExW(nullptr, reinterpret_cast<LPCWSTR>(RT_DIALOG), MAKEINTRESOURCEW(id), language);
    if (!info) return nullptr;
    const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, info)));
    std::vector<BYTE> copy(data, data + SizeofResource(nullptr, info));
    DWORD style;
    const size_t styleOffset = 12;  // DLGTEMPLATEEX: version, signature, help id, extended style, style
    std::memcpy(&style, copy.data() + styleOffset, sizeof(style));
    style &= ~WS_VISIBLE;
    std::memcpy(copy.data() + styleOffset, &style, sizeof(style));
    return CreateDialogIndirectParamW(nullptr, reinterpret_cast<const DLGTEMPLATE*>(copy.data()), nullptr, quietDialog, 0);
}

std::wstring withoutLinkTags(std::wstring text) {
    for (;;) {
        const size_t open = text.find(L'<');
        if (open == std::wstring::npos) return text;
        const size_t close = text.find(L'>', open);
        if (close == std::wstring::npos) return text;
        text.erase(open, close - open + 1);
    }
}

struct Fit {
    bool fits;
    SIZE needed;
    SIZE available;
};

Fit measure(HWND control, const std::wstring& text, HFONT font) {
    wchar_t className[32] = {};
    GetClassNameW(control, className, 32);
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    RECT client;
    GetClientRect(control, &client);
    SIZE available = {client.right, client.bottom};

    UINT flags = DT_CALCRECT | DT_EXPANDTABS;
    std::wstring shown = text;
    int extraWidth = 0;
    bool wraps = true;
    if (lstrcmpiW(className, L"Button") == 0) {
        const LONG type = style & BS_TYPEMASK;
        if (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON) {
            extraWidth = GetSystemMetrics(SM_CXMENUCHECK) + 4;
        } else {
            extraWidth = 2 * GetSystemMetrics(SM_CXEDGE) + 4;
        }
        wraps = (style & BS_MULTILINE) != 0;
    } else if (lstrcmpiW(className, WC_LINK) == 0) {
        shown = withoutLinkTags(text);
        flags |= DT_NOPREFIX;
    } else {
        const LONG type = style & SS_TYPEMASK;
        if (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT && type != SS_LEFTNOWORDWRAP && type != SS_SIMPLE) {
            return {true, {}, available};  // pictures, frames and lines
        }
        wraps = type != SS_LEFTNOWORDWRAP && type != SS_SIMPLE && !(style & SS_CENTERIMAGE);
        if (style & SS_NOPREFIX) flags |= DT_NOPREFIX;
    }
    flags |= wraps ? DT_WORDBREAK : DT_SINGLELINE;

    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, font ? font : reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    RECT rect = {0, 0, wraps ? available.cx - extraWidth : 0, 0};
    DrawTextW(dc, shown.c_str(), static_cast<int>(shown.size()), &rect, flags);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    const SIZE needed = {rect.right - rect.left + extraWidth, rect.bottom - rect.top};
    return {needed.cx <= available.cx && needed.cy <= available.cy, needed, available};
}

std::wstring windowText(HWND control) {
    wchar_t text[4096] = {};
    GetWindowTextW(control, text, 4096);
    return text;
}

class Fonts {
public:
    HFONT get(const Font& font) {
        if (font.points == 0) return nullptr;
        auto key = std::make_pair(font.points, font.bold);
        auto found = fonts_.find(key);
        if (found == fonts_.end()) found = fonts_.emplace(key, CreateDialogFont(font.points, font.bold)).first;
        return found->second;
    }
    ~Fonts() {
        for (auto& font : fonts_) DeleteObject(font.second);
    }

private:
    std::map<std::pair<int, bool>, HFONT> fonts_;
};

}  // namespace

TEST(PageLayout, EveryTextFitsItsControlInEveryLanguage) {
    const std::vector<int> ids = dialogIds();
    ASSERT_FALSE(ids.empty());
    Fonts fonts;
    std::ostringstream defects;
    int checked = 0;
    for (int id : ids) {
        const auto rules = pageFonts().find(id);
        ASSERT_NE(rules, pageFonts().end()) << "dialog " << id << " has no font rules here";
        for (LANGID language : kLanguages) {
            HWND page = createPage(id, language);
            EXPECT_NE(page, nullptr) << "dialog " << id << " is missing in language " << language;
            if (!page) continue;
            Resource::setUiLanguage(language);
            for (HWND control = GetWindow(page, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
                const int controlId = GetDlgCtrlID(control);
                const auto named = rules->second.controls.find(controlId);
                HFONT font = fonts.get(named != rules->second.controls.end() ? named->second : rules->second.all);

                std::vector<std::wstring> texts = {windowText(control)};
                const auto pageTexts = runtimeTexts().find(id);
                if (pageTexts != runtimeTexts().end()) {
                    const auto strings = pageTexts->second.find(controlId);
                    if (strings != pageTexts->second.end()) {
                        texts.clear();
                        for (unsigned stringId : strings->second) texts.push_back(StringResource(stringId).wstring());
                    }
                }
                for (const std::wstring& text : texts) {
                    if (text.empty()) continue;
                    const Fit fit = measure(control, text, font);
                    ++checked;
                    if (!fit.fits) {
                        defects << "dialog " << id << ", language " << language << ", control " << controlId << ": needs "
                                << fit.needed.cx << "x" << fit.needed.cy << " px, has " << fit.available.cx << "x"
                                << fit.available.cy << ": " << tstrings::toUtf8(text) << "\n";
                    }
                }
            }
            DestroyWindow(page);
        }
    }
    Resource::setUiLanguage(0);
    EXPECT_GT(checked, 0);
    EXPECT_EQ(defects.str(), "");
}
