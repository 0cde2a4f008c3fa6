#include <gtest/gtest.h>

#include "base/win.h"

#include <commctrl.h>

#include <string>

#include "dialogs/sys_link.h"
#include "test_support.h"

namespace {

// A parent window 400 pixels wide with one SysLink in it.
class LinkWindow {
public:
    explicit LinkWindow(const wchar_t* text) {
        INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_LINK_CLASS};
        InitCommonControlsEx(&classes);
        parent_ = CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 400, 100, nullptr, nullptr, nullptr, nullptr);
        link_ = CreateWindowExW(0, WC_LINK, text, WS_CHILD | WS_VISIBLE, 10, 30, 380, 20, parent_, nullptr, nullptr, nullptr);
    }
    ~LinkWindow() { DestroyWindow(parent_); }
    HWND link() const { return link_; }
    HWND parent() const { return parent_; }
    std::wstring text() const {
        wchar_t buffer[512] = {};
        GetWindowTextW(link_, buffer, 512);
        return buffer;
    }
    RECT bounds() const {
        RECT r;
        GetWindowRect(link_, &r);
        MapWindowPoints(HWND_DESKTOP, parent_, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }

private:
    HWND parent_ = nullptr;
    HWND link_ = nullptr;
};

}  // namespace

TEST(SysLink, TheTaggedPartBecomesTheLinkAndTheNarrowerControlIsCentred) {
    LinkWindow window(L"<l>Click here</l> for more.");
    ASSERT_NE(window.link(), nullptr) << "no SysLink class: common controls 6 missing";
    ASSERT_TRUE(MakeLink4SysLinkCtrl(window.link(), "https://orun.kyn.example/en/a.html"));
    EXPECT_EQ(window.text(), L"<A HREF=\"https://orun.kyn.example/en/a.html\">Click here</A> for more.");
    const RECT r = window.bounds();
    EXPECT_LT(r.right - r.left, 380);
    EXPECT_LE(std::abs((r.left + r.right) - 400), 1) << r.left << ".." << r.right;
    EXPECT_EQ(r.top, 30) << "only the horizontal position changes";
}

TEST(SysLink, AMissingTagOrParameterLeavesTheTextAndLogsTheError) {
    ScratchDir dir("sys_link_test");
    CapturedLog log(dir);
    LinkWindow window(L"<l>Click here for more.");
    EXPECT_FALSE(MakeLink4SysLinkCtrl(window.link(), "https://orun.kyn.example/en/a.html"));
    EXPECT_EQ(window.text(), L"<l>Click here for more.");
    EXPECT_EQ(window.bounds().right, 390) << "the control keeps its size";
    EXPECT_FALSE(MakeLink4SysLinkCtrl(window.link(), ""));
    EXPECT_FALSE(MakeLink4SysLinkCtrl(nullptr, "https://orun.kyn.example/"));
    const std::string text = log.text();
    EXPECT_NE(text.find("Cannot find open/close tag(s): , url='https://orun.kyn.example/en/a.html', "
                        "text='<l>Click here for more.'"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("Wrong params: wnd="), std::string::npos) << text;
    EXPECT_NE(text.find(", url='https://orun.kyn.example/'"), std::string::npos) << text;
}
