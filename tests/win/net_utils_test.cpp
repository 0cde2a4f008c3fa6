// NetUtils::isConnected, and the handles of many requests.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/maker_addresses.h"
#include "http_test_support.h"
#include "net/net_utils.h"
#include "test_support.h"

namespace {
const std::string kProbe = maker::kConnectivityProbeUrl;

// Kernel handles of this process from the system's handle list: Wine answers
// GetProcessHandleCount with 0.
unsigned long kernelHandleCount() {
    struct Entry {
        ULONG pid;
        BYTE type, flags;
        USHORT handle;
        PVOID object;
        ACCESS_MASK access;
    };
    using Query = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    std::vector<char> buffer(1 << 16);
    ULONG needed = 0;
    LONG status;
    while ((status = query(16 /* SystemHandleInformation */, buffer.data(), static_cast<ULONG>(buffer.size()),
                           &needed)) == static_cast<LONG>(0xC0000004) /* STATUS_INFO_LENGTH_MISMATCH */) {
        buffer.resize(buffer.size() * 2);
    }
    if (status != 0) return 0;
    const ULONG count = *reinterpret_cast<const ULONG*>(buffer.data());
    const Entry* entries = reinterpret_cast<const Entry*>(buffer.data() + sizeof(void*));
    unsigned long mine = 0;
    for (ULONG i = 0; i < count; ++i) mine += entries[i].pid == GetCurrentProcessId();
    return mine;
}

// The handle a new session gets: WinINet hands out its lowest free handle, so
// this only grows while Internet handles leak.
void* nextInternetHandle() {
    UniqueInternetHandle session(wininet().InternetOpenA("probe", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    return session.get();
}
}  // namespace

TEST_F(Http, TheSystemsConnectedStateIsTrustedWithoutAProbe) {
    // Wine always reports a LAN connection.
    EXPECT_TRUE(NetUtils::isConnected());
    EXPECT_TRUE(NetUtils::isConnected(false, INTERNET_CONNECTION_CONFIGURED, kProbe));
    EXPECT_TRUE(NetUtils::isConnected(true, 0, kProbe));
    EXPECT_EQ(server().requestCount(), 0);
}

TEST_F(Http, OtherwiseAHeadRequestToTheMakersSiteDecides) {
    const std::string path = "/";
    for (const auto& [status, expected] : {std::pair{200, true}, {407, true}, {404, false}, {500, false}}) {
        server().serve(path, "", "status=" + std::to_string(status));
        EXPECT_EQ(NetUtils::isConnected(false, 0, kProbe), expected) << status;
        const nettest::RecordedRequest probe = server().request();
        EXPECT_EQ(probe.method, "HEAD");
        EXPECT_EQ(probe.scheme + "://" + probe.host + probe.path, kProbe);
        EXPECT_EQ(probe.header("User-Agent"), "orun_installer");
    }
}

TEST_F(Http, OffLineIsFalseAndNeverHangs) {
    ScratchDir dir("ovx_net_offline_test");
    CapturedLog log(dir);
    {
        nettest::ClosedPort closed;
        nettest::ScopedProxy nobody("127.0.0.1:" + std::to_string(closed.port()));
        EXPECT_FALSE(NetUtils::isConnected(false, 0, kProbe));
    }
    server().serve("/", "", "failure=close");
    EXPECT_FALSE(NetUtils::isConnected(false, 0, kProbe));

    server().serve("/", "", "failure=hang");
    bool connected = true;
    Pending probe([&] { connected = NetUtils::isConnected(false, 0, kProbe); });
    ASSERT_TRUE(server().waitForRequests(2, 30000));
    server().release();
    ASSERT_TRUE(probe.waitDone(30000));
    EXPECT_FALSE(connected);

    const std::string text = log.text();
    EXPECT_NE(text.find("\tINFO: not connected: "), std::string::npos) << text;
    EXPECT_NE(text.find("HttpSendRequest failed: "), std::string::npos) << text;
}

TEST_F(Http, HandlesAreReleasedOnEveryPath) {
    server().serve("/ok", "document");
    server().serve("/missing", "", "status=404");
    server().serve("/denied", "", "status=403&reason=Export+Denied");
    server().serve("/big", "", "size=1048577");
    server().serve("/big-undeclared", "", "size=1100000&framing=close");
    server().serve("/cut", std::string(100000, 'c'), "failure=cut");
    nettest::ClosedPort closed;
    const auto round = [&] {
        EXPECT_EQ(readAll(kHttp + "/ok"), "document");
        EXPECT_EQ(readAll(kHttps + "/ok"), "document");
        EXPECT_EQ(get(kHttp + "/missing", false).getIntHeaderValue(HTTP_QUERY_STATUS_CODE), 404);
        EXPECT_EQ(failureOf([] { get(kHttps + "/missing"); }).kind, "http_error");
        EXPECT_EQ(failureOf([] { get(kHttp + "/denied"); }).kind, "export_compliance_error");
        EXPECT_EQ(failureOf([] { readAll(kHttp + "/big"); }).kind, "content_is_too_big");
        EXPECT_EQ(failureOf([] { readAll(kHttps + "/big-undeclared"); }).kind, "content_is_too_big");
        EXPECT_EQ(failureOf([] { readAll(kHttp + "/cut"); }).kind, "network_error");
        EXPECT_EQ(failureOf([] { HttpConnection("ftp://x.kyn.example/").connect(true); }).kind, "exception");
        EXPECT_EQ(failureOf([] { HttpConnection(kHttp + "/ok").connect(true); }).kind, "exception");
        EXPECT_EQ(failureOf([] { HttpConnection("no address at all").connect(true); }).kind, "network_error");
        EXPECT_TRUE(NetUtils::isConnected(false, 0, kProbe + "ok"));
        HttpConnection::Response reused = get(kHttp + "/ok");
        reused = get(kHttps + "/ok");  // the first response's handles are closed here
        {
            nettest::ScopedProxy refused("127.0.0.1:" + std::to_string(closed.port()));
            EXPECT_EQ(failureOf([] { get(kHttp + "/ok"); }).kind, "network_error");
        }
    };
    round();  // the library's own one-time handles
    DWORD processBefore = 0, processAfter = 0;
    ASSERT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &processBefore));
    const unsigned long kernelBefore = kernelHandleCount();
    void* const internetBefore = nextInternetHandle();
    for (int i = 0; i < 8; ++i) round();
    ASSERT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &processAfter));
    EXPECT_EQ(processAfter, processBefore);
    EXPECT_GT(kernelBefore, 0u);
    EXPECT_EQ(kernelHandleCount(), kernelBefore);
    EXPECT_EQ(nextInternetHandle(), internetBefore);
}
