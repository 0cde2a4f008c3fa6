// The closing pages shown modally in this process and driven from a second
// thread (page_driver.h).
#include <gtest/gtest.h>

#include "base/win.h"

#include <commctrl.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "base/resource.h"
#include "base/resource_ids.h"
#include "dialogs/closing_rules.h"
#include "dialogs/plugin_dialog.h"
#include "dialogs/restore_security_dialog.h"
#include "dialogs/setup_complete.h"
#include "dialogs/setup_complete_error.h"
#include "launcher/post_install.h"
#include "page_driver.h"

namespace {

const wchar_t* const kComplete = L"Orun Setup - Complete";
const wchar_t* const kIncomplete = L"Orun Setup - Incomplete";
const wchar_t* const kPlugin = L"Orun Setup - Browser Plug-in Disabled";
const wchar_t* const kRestore = L"Orun Setup - Restore Security Prompts";
const wchar_t* const kRestartQuestion = L"Orun Setup - Restart Browser";

std::wstring stringTable(unsigned id) { return StringResource(id).wstring(); }

#ifdef OVX_SCREENSHOT_DIR
// Keeps a picture of the window, as the screen shows it, for a look at the texts.
void screenshot(HWND window, const char* name) {
    RECT area;
    GetWindowRect(window, &area);
    const int width = area.right - area.left, height = area.bottom - area.top;
    if (width <= 0 || height <= 0) return;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    GdiFlush();
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info.bmiHeader);
    file.bfSize = file.bfOffBits + stride * height;
    const std::string path = std::string(OVX_SCREENSHOT_DIR) + "/" + name + ".bmp";
    CreateDirectoryA(OVX_SCREENSHOT_DIR, nullptr);
    if (FILE* out = std::fopen(path.c_str(), "wb")) {
        std::fwrite(&file, sizeof(file), 1, out);
        std::fwrite(&info.bmiHeader, sizeof(info.bmiHeader), 1, out);
        std::fwrite(bits, stride, height, out);
        std::fclose(out);
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}
#else
void screenshot(HWND, const char*) {}
#endif

class ClosingPages : public ::testing::Test {
protected:
    void SetUp() override { Resource::setUiLanguage(1033); }
    void TearDown() override { Resource::setUiLanguage(1033); }
};

SetupCompleteData plainRecord() {
    SetupCompleteData data;
    data.restartBrowser = true;
    return data;
}

}  // namespace

TEST_F(ClosingPages, OnlyThreeSponsorCodesGetTheSponsorHeaderWithTheirTitle) {
    SetupCompleteData data = plainRecord();
    data.sponsorOffer = true;
    for (const char* code : {"SP11", "sp12", "Sp14"}) {
        data.sponsorCode = code;
        EXPECT_TRUE(closing::usesSponsorHeader(data)) << code;
    }
    for (const char* code : {"SP13", "SP15", "SP1", "SP110", " SP11", ""}) {
        data.sponsorCode = code;
        EXPECT_FALSE(closing::usesSponsorHeader(data)) << code;
    }
    data.sponsorOffer = false;
    data.sponsorCode = "SP11";
    EXPECT_FALSE(closing::usesSponsorHeader(data)) << "no offer, no sponsor header";
    EXPECT_EQ(closing::sponsorTitleId("sp11"), unsigned{IDS_SPONSOR_TITLE_TOOLBAR});
    EXPECT_EQ(closing::sponsorTitleId("SP13"), unsigned{IDS_SPONSOR_TITLE_SEARCH});
    EXPECT_EQ(closing::sponsorTitleId("sp15"), unsigned{IDS_SPONSOR_TITLE_SEARCH});
    EXPECT_EQ(closing::sponsorTitleId("SP16"), 0u);
}

TEST_F(ClosingPages, TheCompletionPageShowsTheSponsorHeaderForSp11AndTheStandardOneForSp13) {
    SetupCompleteData data = plainRecord();
    data.sponsorOffer = true;
    data.sponsorCode = "sp11";
    CSetupComplete sponsored(data);
    Seen seen;
    EXPECT_EQ(showDriven(sponsored, [&] {
                  HWND page = waitForWindow(kComplete);
                  seen = read(page);
                  screenshot(page, "closing_complete_sponsor_en");
                  click(page, IDCANCEL);
              }),
              IDCANCEL);
    ASSERT_TRUE(seen.found);
    EXPECT_TRUE(seen.visible[IDC_COMPLETE_SPONSOR_TITLE]);
    EXPECT_TRUE(seen.visible[IDC_COMPLETE_SPONSOR_ICON]);
    for (int id : {IDC_COMPLETE_ICON, IDC_COMPLETE_TITLE, IDC_COMPLETE_SPONSOR_UNUSED, IDC_COMPLETE_SPONSOR_ICON_UNUSED}) {
        EXPECT_FALSE(seen.visible[id]) << id;
    }
    EXPECT_EQ(seen.text[IDC_COMPLETE_SPONSOR_TITLE], stringTable(IDS_SPONSOR_TITLE_TOOLBAR));

    data.sponsorCode = "SP13";
    CSetupComplete standard(data);
    EXPECT_EQ(showDriven(standard, [&] {
                  HWND page = waitForWindow(kComplete);
                  seen = read(page);
                  click(page, IDCANCEL);
              }),
              IDCANCEL);
    ASSERT_TRUE(seen.found);
    EXPECT_TRUE(seen.visible[IDC_COMPLETE_ICON]);
    EXPECT_TRUE(seen.visible[IDC_COMPLETE_TITLE]);
    for (int id : {IDC_COMPLETE_SPONSOR_TITLE, IDC_COMPLETE_SPONSOR_UNUSED, IDC_COMPLETE_SPONSOR_ICON,
                   IDC_COMPLETE_SPONSOR_ICON_UNUSED}) {
        EXPECT_FALSE(seen.visible[id]) << id;
    }
    EXPECT_EQ(seen.text[IDC_COMPLETE_TITLE], L"You have successfully installed Orun");
}

TEST_F(ClosingPages, TheCompletionPageShowsOnlyTheRowsItsRecordAsksFor) {
    SetupCompleteData data = plainRecord();
    data.showBack = false;
    data.bShowVerifyPage = true;
    data.showSecurityText = false;
    data.showRestartBox = true;
    CSetupComplete complete(data);
    Seen seen;
    LONG verifyBottom = 0, boxTop = 0;
    showDriven(complete, [&] {
        HWND page = waitForWindow(kComplete);
        seen = read(page);
        // Where the wrapped verification text ends, in the control's own font.
        HWND verify = GetDlgItem(page, IDC_COMPLETE_VERIFY_TEXT);
        RECT rect = {}, box = {};
        GetWindowRect(verify, &rect);
        GetWindowRect(GetDlgItem(page, IDC_COMPLETE_RESTART_BOX), &box);
        RECT needed = {0, 0, rect.right - rect.left, 0};
        HDC dc = GetDC(verify);
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(verify, WM_GETFONT, 0, 0)));
        DrawTextW(dc, seen.text[IDC_COMPLETE_VERIFY_TEXT].c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_CENTER);
        SelectObject(dc, old);
        ReleaseDC(verify, dc);
        verifyBottom = rect.top + needed.bottom;
        boxTop = box.top;
        screenshot(page, "closing_complete_restart_en");
        click(page, IDCANCEL);  // ticked: no question
    });
    ASSERT_TRUE(seen.found);
    EXPECT_GE(boxTop, verifyBottom) << "the restart box covers the verification text";
    EXPECT_FALSE(seen.visible[IDC_BACK]);
    EXPECT_TRUE(seen.visible[IDC_COMPLETE_VERIFY_TEXT]);
    EXPECT_FALSE(seen.visible[IDC_COMPLETE_SECURITY_TEXT]);
    EXPECT_FALSE(seen.visible[IDC_COMPLETE_SECURITY_LINK]);
    EXPECT_TRUE(seen.visible[IDC_COMPLETE_SAVE_WORK]);
    EXPECT_TRUE(seen.visible[IDC_COMPLETE_RESTART_BOX]);
    EXPECT_TRUE(seen.checked[IDC_COMPLETE_RESTART_BOX]) << "the decision starts as yes";
    EXPECT_TRUE(data.restartBrowser);
}

TEST_F(ClosingPages, ClosingWithTheRestartBoxUntickedAsksAndTakesOnlyOkAsYes) {
    // Cancel on the question: no restart. The question's default is Cancel.
    for (const int answer : {IDCANCEL, IDOK}) {
        SetupCompleteData data = plainRecord();
        data.showRestartBox = true;
        data.restartBrowser = false;  // the box starts unticked
        CSetupComplete complete(data);
        Seen question;
        LRESULT defaultButton = 0;
        const INT_PTR result = showDriven(complete, [&] {
            HWND page = waitForWindow(kComplete);
            click(page, IDCANCEL);
            HWND box = waitForWindow(kRestartQuestion);
            question = read(box);
            if (!box) {
                PostMessageW(page, WM_COMMAND, IDCANCEL, 0);
                return;
            }
            defaultButton = SendMessageW(GetDlgItem(box, IDCANCEL), WM_GETDLGCODE, 0, 0);
            click(box, answer);
        });
        EXPECT_EQ(result, IDCANCEL);
        ASSERT_TRUE(question.found) << "no question";
        EXPECT_TRUE(defaultButton & DLGC_DEFPUSHBUTTON) << "Cancel is the default";
        bool textShown = false;
        for (const auto& text : question.text) {
            textShown = textShown || text.second == stringTable(IDS_RESTART_QUESTION);
        }
        EXPECT_TRUE(textShown);
        EXPECT_EQ(data.restartBrowser, answer == IDOK) << answer;
    }
}

TEST_F(ClosingPages, BackKeepsTheRestartBoxAndWithoutTheBoxTheDecisionStays) {
    SetupCompleteData data = plainRecord();
    data.showBack = true;
    data.showRestartBox = true;
    CSetupComplete withBox(data);
    EXPECT_EQ(showDriven(withBox, [&] {
                  HWND page = waitForWindow(kComplete);
                  SendMessageW(GetDlgItem(page, IDC_COMPLETE_RESTART_BOX), BM_SETCHECK, BST_UNCHECKED, 0);
                  click(page, IDC_BACK);
              }),
              IDC_BACK);
    EXPECT_FALSE(data.restartBrowser) << "Back asks nothing and keeps the box";

    SetupCompleteData noBox = plainRecord();
    noBox.restartBrowser = false;
    CSetupComplete withoutBox(noBox);
    EXPECT_EQ(showDriven(withoutBox, [&] {
                  HWND page = waitForWindow(kComplete);
                  // The close box is Close.
                  PostMessageW(page, WM_SYSCOMMAND, SC_CLOSE, 0);
              }),
              IDCANCEL);
    EXPECT_FALSE(noBox.restartBrowser);
    EXPECT_EQ(FindWindowW(nullptr, kRestartQuestion), nullptr);
}

TEST_F(ClosingPages, TheRestoreSecurityPageReturnsTheBoxStateAlsoOnBack) {
    RestoreSecurityData data;
    data.restore = true;
    data.showBack = true;
    CRestoreSecurityDialog back(data);
    Seen seen;
    bool stayedOpen = false;
    EXPECT_EQ(showDriven(back, [&] {
                  HWND page = waitForWindow(kRestore);
                  seen = read(page);
                  screenshot(page, "closing_restore_en");
                  // Neither Esc nor the close box leaves the page.
                  PostMessageW(page, WM_COMMAND, IDCANCEL, 0);
                  PostMessageW(page, WM_SYSCOMMAND, SC_CLOSE, 0);
                  Sleep(300);
                  stayedOpen = IsWindow(page) && IsWindowEnabled(page);
                  SendMessageW(GetDlgItem(page, IDC_RESTORE_BOX), BM_SETCHECK, BST_UNCHECKED, 0);
                  click(page, IDC_BACK);
              }),
              IDC_BACK);
    ASSERT_TRUE(seen.found);
    EXPECT_TRUE(stayedOpen);
    EXPECT_TRUE(seen.checked[IDC_RESTORE_BOX]);
    EXPECT_TRUE(seen.visible[IDC_BACK]);
    EXPECT_EQ(seen.text[IDC_RESTORE_TITLE], L"Restore Orun security prompts");
    EXPECT_NE(seen.text[IDC_RESTORE_MORE_LINK].find(
                  L"<A HREF=\"https://orun.kyn.example/help/restore-prompts.html\">More information</A>"),
              std::wstring::npos);
    EXPECT_FALSE(data.restore);

    data.showBack = false;
    CRestoreSecurityDialog next(data);
    EXPECT_EQ(showDriven(next, [&] {
                  HWND page = waitForWindow(kRestore);
                  seen = read(page);
                  SendMessageW(GetDlgItem(page, IDC_RESTORE_BOX), BM_SETCHECK, BST_CHECKED, 0);
                  click(page, IDOK);
              }),
              IDOK);
    EXPECT_FALSE(seen.visible[IDC_BACK]);
    EXPECT_FALSE(seen.checked[IDC_RESTORE_BOX]) << "the box starts as the record says";
    EXPECT_TRUE(data.restore);
}

TEST_F(ClosingPages, ThePluginNoticeEndsOnlyWithNext) {
    COrunPluginDialog notice;
    Seen seen;
    bool stayedOpen = false, closeGreyed = false, maximizeBox = true;
    EXPECT_EQ(showDriven(notice, [&] {
                  HWND page = waitForWindow(kPlugin);
                  seen = read(page);
                  screenshot(page, "closing_plugin_en");
                  closeGreyed = (GetMenuState(GetSystemMenu(page, FALSE), SC_CLOSE, MF_BYCOMMAND) & MF_GRAYED) != 0;
                  maximizeBox = (GetWindowLongPtrW(page, GWL_STYLE) & WS_MAXIMIZEBOX) != 0;
                  PostMessageW(page, WM_COMMAND, IDCANCEL, 0);
                  PostMessageW(page, WM_SYSCOMMAND, SC_CLOSE, 0);
                  Sleep(300);
                  stayedOpen = IsWindow(page) && IsWindowEnabled(page);
                  click(page, IDOK);
              }),
              IDOK);
    ASSERT_TRUE(seen.found);
    EXPECT_TRUE(stayedOpen);
    EXPECT_TRUE(closeGreyed);
    EXPECT_FALSE(maximizeBox);
    EXPECT_EQ(seen.text[IDC_PLUGIN_TITLE], L"Orun content is disabled in web browsers");
    EXPECT_EQ(seen.visible.count(IDC_BACK), 0u) << "no Back";
}

namespace {
// The error page is no IDialog: the main flow shows it directly.
class ErrorPageShown : public IDialog {
public:
    explicit ErrorPageShown(int code) : page_(code) {}
    INT_PTR showModal() override { return page_.DoModal(nullptr); }

private:
    CSetupCompleteError page_;
};
}  // namespace

TEST_F(ClosingPages, TheErrorPageShowsTheCodeInItsFormatText) {
    Seen seen;
    ErrorPageShown failed(1603);
    EXPECT_EQ(showDriven(failed, [&] {
                  HWND page = waitForWindow(kIncomplete);
                  seen = read(page);
                  PostMessageW(page, WM_SYSCOMMAND, SC_CLOSE, 0);
              }),
              IDCANCEL);
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.text[IDC_ERROR_CODE], L"Error Code: 1603");

    ErrorPageShown negative(-1);
    EXPECT_EQ(showDriven(negative, [&] {
                  HWND page = waitForWindow(kIncomplete);
                  seen = read(page);
                  click(page, IDCANCEL);
              }),
              IDCANCEL);
    EXPECT_EQ(seen.text[IDC_ERROR_CODE], L"Error Code: -1");
}

namespace {
// The page window of this process's main thread.
HWND waitForOwnPage(DWORD thread, DWORD ms = 15000) {
    for (DWORD waited = 0; waited < ms; waited += 20) {
        HWND found = nullptr;
        EnumThreadWindows(
            thread,
            [](HWND window, LPARAM out) -> BOOL {
                wchar_t name[16] = {};
                GetClassNameW(window, name, 16);
                if (!IsWindowVisible(window) || lstrcmpW(name, L"#32770") != 0) return TRUE;
                *reinterpret_cast<HWND*>(out) = window;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&found));
        if (found) {
            Sleep(300);
            return found;
        }
        Sleep(20);
    }
    return nullptr;
}
}  // namespace

// Every page in each of the eleven languages: its own caption, and a picture
// of it for a look at whether the texts fit their controls.
TEST_F(ClosingPages, EveryPageComesInEveryLanguage) {
    struct Language {
        LANGID id;
        const char* name;
    };
    const Language languages[] = {{1033, "en"}, {1031, "de"}, {1034, "es"}, {1036, "fr"}, {1040, "it"}, {1053, "sv"},
                                  {1028, "zh_TW"}, {1041, "ja"}, {1042, "ko"}, {1046, "pt_BR"}, {2052, "zh_CN"}};
    const DWORD thread = GetCurrentThreadId();
    std::map<std::string, std::wstring> english;
    for (const Language& language : languages) {
        Resource::setUiLanguage(language.id);
        auto shoot = [&](IDialog& page, const char* what, int endId) {
            std::wstring caption;
            const INT_PTR result = showDriven(page, [&] {
                HWND window = waitForOwnPage(thread);
                if (!window) return;
                caption = textOf(window);
                screenshot(window, (std::string("closing_") + what + "_" + language.name).c_str());
                click(window, endId);
            });
            EXPECT_EQ(result, endId) << what << " " << language.name;
            EXPECT_FALSE(caption.empty()) << what << " " << language.name;
            if (language.id == 1033) {
                english[what] = caption;
            } else {
                EXPECT_NE(caption, english[what]) << what << " " << language.name << " is the English page";
            }
        };
        // Every row that can be shown together.
        SetupCompleteData data = plainRecord();
        data.showBack = true;
        data.showSecurityText = true;
        data.showRestartBox = true;
        CSetupComplete complete(data);
        shoot(complete, "complete", IDCANCEL);
        ErrorPageShown error(1603);
        shoot(error, "error", IDCANCEL);
        COrunPluginDialog notice;
        shoot(notice, "plugin", IDOK);
        RestoreSecurityData record;
        record.showBack = true;
        CRestoreSecurityDialog restore(record);
        shoot(restore, "restore", IDOK);
    }
}

namespace {
const char* const kPolicyKey = "SOFTWARE\\OrunSoft";

void setMarker(const char* name) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kPolicyKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>("1"), 2);
    RegCloseKey(key);
}

bool hasMarker(const char* name) {
    char value[16] = {};
    DWORD size = sizeof(value);
    return RegGetValueA(HKEY_LOCAL_MACHINE, kPolicyKey, name, RRF_RT_REG_SZ, nullptr, value, &size) == ERROR_SUCCESS;
}

void deleteMarker(const char* name) { RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kPolicyKey, name); }
}  // namespace

// This launcher is a 64-bit process: the package's restart markers are not
// taken up and the verification page is never mentioned.
TEST_F(ClosingPages, TheRecordOfA64BitRunAndTheMarkersItClears) {
    setMarker("IERESTART");
    setMarker("FIREFOXRESTART");
    SetupCompleteData data;
    InitSetupCompleteData(data, true, true, true);
    EXPECT_FALSE(data.restartIE);
    EXPECT_FALSE(data.restartFirefox);
    EXPECT_FALSE(data.showRestartBox);
    EXPECT_FALSE(data.bShowVerifyPage);
    EXPECT_TRUE(data.restartBrowser);
    EXPECT_TRUE(data.showBack);
    EXPECT_TRUE(data.showSecurityText);
    EXPECT_FALSE(data.sponsorOffer);

    // A declined restart clears the markers that were found, and only those.
    SetupCompleteData declined;
    declined.restartIE = true;
    declined.showRestartBox = true;
    declined.restartBrowser = false;
    ProcessSetupCompleteData(declined, "");
    EXPECT_FALSE(hasMarker("IERESTART"));
    EXPECT_TRUE(hasMarker("FIREFOXRESTART"));
    deleteMarker("FIREFOXRESTART");
}

namespace {
bool leftToPaint(HWND window) {
    if (GetUpdateRect(window, nullptr, FALSE)) return true;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (GetUpdateRect(child, nullptr, FALSE)) return true;
    }
    return false;
}
}  // namespace

// Work held back for the first page (the package's writing) starts once that
// page and its controls have painted, on the page's thread, and only once.
TEST_F(ClosingPages, WorkHeldForTheFirstPageStartsOnceItHasPainted) {
    int calls = 0;
    DWORD thread = 0;
    bool visible = false, painted = false;
    DialogBase::whenPainted([&] {
        ++calls;
        thread = GetCurrentThreadId();
        HWND page = FindWindowW(nullptr, kPlugin);
        visible = page && IsWindowVisible(page);
        painted = page && !leftToPaint(page);
    });
    for (int shown = 0; shown < 2; ++shown) {
        COrunPluginDialog notice;
        EXPECT_EQ(showDriven(notice, [] { readAndClick(kPlugin, IDOK); }), IDOK);
    }
    DialogBase::whenPainted(nullptr);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(thread, GetCurrentThreadId());
    EXPECT_TRUE(visible);
    EXPECT_TRUE(painted) << "the handler ran before the page had painted";
}

// A page that never paints (one started minimised) holds that work back only
// for a while: it still starts, once.
TEST_F(ClosingPages, WorkHeldForAPageThatNeverPaintsStillStarts) {
    int calls = 0;
    DialogBase::whenPainted([&] { ++calls; });
    COrunPluginDialog notice;
    HWND page = notice.Create(nullptr);
    ASSERT_TRUE(page);
    ShowWindow(page, SW_HIDE);
    RedrawWindow(page, nullptr, nullptr, RDW_VALIDATE | RDW_ALLCHILDREN);
    const DWORD start = GetTickCount();
    while (calls == 0 && GetTickCount() - start < 20000) {
        MSG message;
        if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&message);
        } else {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        }
    }
    DialogBase::whenPainted(nullptr);
    notice.DestroyWindow();
    EXPECT_EQ(calls, 1);
}
