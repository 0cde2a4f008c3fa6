#pragma once
// Shared by the suites that run HttpConnection against the test server.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "net/http_connection.h"
#include "net/wininet_api.h"
#include "net_test_server.h"

namespace httptest {
inline const std::string kHttp = "http://download.kyn.example";
inline const std::string kHttps = "https://download.kyn.example";
inline constexpr size_t kMax = HttpConnection::kMaxContentSize;

inline nettest::TestServer& server() {
    static nettest::TestServer instance;
    return instance;
}

class Http : public ::testing::Test {
protected:
    void SetUp() override { server().clear(); }
    void TearDown() override { server().release(); }
};

inline HttpConnection::Response get(const std::string& url, bool checkStatus = true) {
    HttpConnection connection(url);
    connection.httpEnabled = true;
    return connection.connect(checkStatus);
}

inline bool endsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// What a call raised: the most derived class of the hierarchy, and its data.
struct Failure {
    std::string kind = "none";
    std::string what;
    int status = 0;
    unsigned long code = 0;
};

inline Failure failureOf(const std::function<void()>& call) {
    Failure f;
    try {
        call();
    } catch (const HttpConnection::export_compliance_error& e) {
        f = {"export_compliance_error", e.what(), e.status()};
    } catch (const HttpConnection::http_error& e) {
        f = {"http_error", e.what(), e.status()};
    } catch (const HttpConnection::network_error& e) {
        f = {"network_error", e.what(), 0, e.code()};
    } catch (const HttpConnection::content_is_too_big& e) {
        f = {"content_is_too_big", e.what()};
    } catch (const HttpConnection::exception& e) {
        f = {"exception", e.what()};
    } catch (const std::exception& e) {
        f = {"other", e.what()};
    }
    return f;
}

inline std::string readAll(const std::string& url) {
    std::string text;
    get(url).saveToString(text);
    return text;
}

// A function run on a thread of its own, waited for with a bound.
class Pending {
public:
    explicit Pending(std::function<void()> call) : thread_([this, call] {
        try {
            call();
        } catch (const HttpConnection::network_error& e) {
            networkError_ = true;
            what_ = e.what();
        } catch (const std::exception& e) {
            what_ = e.what();
        }
        done_ = true;
    }) {}
    ~Pending() {
        if (thread_.joinable()) thread_.join();
    }
    bool waitDone(DWORD timeoutMs) {
        for (DWORD waited = 0; !done_ && waited < timeoutMs; waited += 20) Sleep(20);
        return done_;
    }
    bool done() const { return done_; }
    bool networkError() const { return networkError_; }
    const std::string& what() const { return what_; }

private:
    std::atomic<bool> done_{false};
    bool networkError_ = false;
    std::string what_;
    std::thread thread_;
};
}  // namespace httptest

using namespace httptest;
