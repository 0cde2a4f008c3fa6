// The system's Internet error dialogs of HttpConnection, as real windows on the
// test display: a watcher thread finds the dialog of this process and answers it.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "http_test_support.h"

namespace {
class DialogAnswer {
public:
    // Answers the first dialog box of this process with the button, within 30 s.
    explicit DialogAnswer(int button) : button_(button), thread_([this] { run(); }) {}
    ~DialogAnswer() {
        stop_ = true;
        thread_.join();
    }
    bool seen() const { return seen_; }

private:
    static BOOL CALLBACK match(HWND window, LPARAM found) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        char type[64] = {};
        GetClassNameA(window, type, sizeof(type));
        if (pid == GetCurrentProcessId() && IsWindowVisible(window) && std::string(type) == "#32770") {
            *reinterpret_cast<HWND*>(found) = window;
            return FALSE;
        }
        return TRUE;
    }
    void run() {
        for (int i = 0; i < 600 && !stop_; ++i) {
            HWND dialog = nullptr;
            EnumWindows(match, reinterpret_cast<LPARAM>(&dialog));
            if (dialog) {
                seen_ = true;
                PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button_, BN_CLICKED), 0);
                return;
            }
            Sleep(50);
        }
    }

    int button_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> seen_{false};
    std::thread thread_;
};

class HttpDialogs : public Http {
protected:
    void SetUp() override {
        if (!GetEnvironmentVariableA("DISPLAY", nullptr, 0)) GTEST_SKIP() << "no test display";
        Http::SetUp();
    }
};

HttpConnection::Response request(const std::string& url, bool dialogs) {
    HttpConnection connection(url);
    connection.httpEnabled = true;
    connection.showErrorDialogs = dialogs;
    return connection.connect(false);
}
}  // namespace

TEST_F(HttpDialogs, ASignInRequestShowsTheDialogAndIsNotSentAgain) {
    server().serve("/private", "sign in", "status=401");
    {
        DialogAnswer cancel(IDCANCEL);
        HttpConnection::Response response = request(kHttp + "/private", true);
        EXPECT_TRUE(cancel.seen());
        EXPECT_EQ(response.getIntHeaderValue(HTTP_QUERY_STATUS_CODE), 401);
    }
    EXPECT_EQ(server().requestCount(), 1);
    {
        DialogAnswer cancel(IDCANCEL);
        EXPECT_EQ(request(kHttp + "/private", false).getIntHeaderValue(HTTP_QUERY_STATUS_CODE), 401);
        EXPECT_FALSE(cancel.seen());
    }
    EXPECT_EQ(failureOf([] {
                  HttpConnection checked(kHttp + "/private");
                  checked.httpEnabled = true;
                  checked.showErrorDialogs = true;
                  DialogAnswer cancel(IDCANCEL);
                  checked.connect(true);
              }).status,
              401);
}

TEST_F(HttpDialogs, AnUntrustedCertificateIsOfferedToTheUserThenFails) {
    server().untrust("untrusted.kyn.example");
    server().serve("/doc.xml", "<doc/>");
    unsigned long refusedCode = 0;
    {
        DialogAnswer cancel(IDCANCEL);
        const Failure refused = failureOf([] { request("https://untrusted.kyn.example/doc.xml", true); });
        EXPECT_TRUE(cancel.seen());
        EXPECT_EQ(refused.kind, "network_error");
        EXPECT_NE(refused.what.find(": HttpSendRequest failed: "), std::string::npos) << refused.what;
        refusedCode = refused.code;
    }
    {
        DialogAnswer cancel(IDCANCEL);
        EXPECT_EQ(failureOf([] { request("https://untrusted.kyn.example/doc.xml", false); }).kind, "network_error");
        EXPECT_FALSE(cancel.seen());
    }
    {
        // Whatever the answer, the request is not sent again; Wine's dialog
        // answers OK with 0, not with the force-retry code, so the send fails.
        DialogAnswer accept(IDOK);
        const Failure accepted = failureOf([] { request("https://untrusted.kyn.example/doc.xml", true); });
        EXPECT_TRUE(accept.seen());
        EXPECT_EQ(accepted.kind, "network_error") << accepted.code;
        EXPECT_EQ(accepted.code, refusedCode);
    }
    EXPECT_EQ(server().requestCount(), 0);
    EXPECT_EQ(readAll(kHttps + "/doc.xml"), "<doc/>");  // other hosts stay trusted
}
