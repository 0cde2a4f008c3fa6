// HttpConnection through the prefix's WinINet against the test server, which
// is the proxy of this suite's own prefix: the maker's addresses stay as they are.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "http_test_support.h"
#include "net/wininet_api.h"
#include "test_support.h"

TEST_F(Http, SchemesAreCheckedBeforeTheLibraryIsOpened) {
    HttpConnection ftp("ftp://download.kyn.example/file");
    ftp.httpEnabled = true;
    const Failure invalid = failureOf([&] { ftp.connect(true); });
    EXPECT_EQ(invalid.kind, "exception");
    EXPECT_TRUE(endsWith(invalid.what, ": Invalid scheme")) << invalid.what;

    HttpConnection plain(kHttp + "/doc.xml");
    const Failure disabled = failureOf([&] { plain.connect(true); });
    EXPECT_EQ(disabled.kind, "exception");
    EXPECT_TRUE(endsWith(disabled.what, ": Http is disabled")) << disabled.what;
    EXPECT_NE(disabled.what.find("http_connection.cpp("), std::string::npos) << disabled.what;

    HttpConnection garbage("no address at all");
    const Failure cracked = failureOf([&] { garbage.connect(true); });
    EXPECT_EQ(cracked.kind, "network_error");
    EXPECT_NE(cracked.what.find(": InternetCrackUrl failed: "), std::string::npos) << cracked.what;
    EXPECT_EQ(server().requestCount(), 0);
}

TEST_F(Http, TheRequestKeepsTheAddressPathAndQuery) {
    server().serve("/", "root");
    server().serve("/update/1.9.0/doc.xml", "<doc/>");
    EXPECT_EQ(readAll(kHttp), "root");
    EXPECT_EQ(server().request().path, "/");
    EXPECT_EQ(server().request().method, "GET");
    EXPECT_EQ(server().request().header("User-Agent"), "orun_installer");

    EXPECT_EQ(readAll(kHttps + "/update/1.9.0/doc.xml?lang=de&v=1"), "<doc/>");
    const nettest::RecordedRequest secure = server().request();
    EXPECT_EQ(secure.scheme, "https");
    EXPECT_EQ(secure.host, "download.kyn.example");
    EXPECT_EQ(secure.path, "/update/1.9.0/doc.xml?lang=de&v=1");

    HttpConnection https(kHttps + "/update/1.9.0/doc.xml");  // https needs no httpEnabled
    std::string text;
    https.connect(true).saveToString(text);
    EXPECT_EQ(text, "<doc/>");
}

TEST_F(Http, MethodAgentAndBodyAreSentAsConfigured) {
    server().serve("/ping", "ok");
    HttpConnection post(kHttps + "/ping");
    post.method = HttpConnection::POST;
    post.userAgent = "qupdate";
    const std::string report = "<request><install result=\"0\"/></request>";
    post.body.assign(report.begin(), report.end());
    std::string answer;
    post.connect(true).saveToString(answer);
    EXPECT_EQ(answer, "ok");
    nettest::RecordedRequest r = server().request();
    EXPECT_EQ(r.method, "POST");
    EXPECT_EQ(r.header("User-Agent"), "qupdate");
    EXPECT_EQ(r.header("Content-Length"), std::to_string(report.size()));
    EXPECT_EQ(r.body, report);

    HttpConnection head(kHttp + "/ping");
    head.httpEnabled = true;
    head.method = HttpConnection::HEAD;
    head.userAgent = "qucheck";
    EXPECT_EQ(head.connect(true).getIntHeaderValue(HTTP_QUERY_STATUS_CODE), 200);
    r = server().request();
    EXPECT_EQ(r.method, "HEAD");
    EXPECT_EQ(r.header("User-Agent"), "qucheck");

    HttpConnection other(kHttp + "/ping");  // no verb: the library's default
    other.httpEnabled = true;
    other.method = static_cast<HttpConnection::Method>(7);
    other.connect(true);
    EXPECT_EQ(server().request().method, "GET");
    EXPECT_EQ(server().requestCount(), 3);
}

TEST_F(Http, StatusCheckSeparatesExportDenialFromOtherErrors) {
    server().serve("/missing", "gone", "status=404");
    server().serve("/forbidden", "", "status=403");
    server().serve("/denied", "", "status=403&reason=Forbidden+-+Export+Denied");
    server().serve("/denied-exact", "", "status=403&reason=Export+Denied");
    server().serve("/export-404", "", "status=404&reason=Export+Denied");

    const Failure missing = failureOf([] { get(kHttp + "/missing"); });
    EXPECT_EQ(missing.kind, "http_error");
    EXPECT_EQ(missing.status, 404);
    EXPECT_TRUE(endsWith(missing.what, ": Http error, status: 404")) << missing.what;

    const Failure forbidden = failureOf([] { get(kHttps + "/forbidden"); });
    EXPECT_EQ(forbidden.kind, "http_error");
    EXPECT_EQ(forbidden.status, 403);

    for (const char* path : {"/denied", "/denied-exact"}) {
        const Failure denied = failureOf([&] { get(kHttps + path); });
        EXPECT_EQ(denied.kind, "export_compliance_error") << path;
        EXPECT_EQ(denied.status, 403);
        EXPECT_TRUE(endsWith(denied.what, ": Http error, status: 403")) << denied.what;
    }
    EXPECT_EQ(failureOf([] { get(kHttp + "/export-404"); }).kind, "http_error");

    // Without the check the caller gets the response.
    HttpConnection::Response response = get(kHttp + "/missing", false);
    EXPECT_EQ(response.getIntHeaderValue(HTTP_QUERY_STATUS_CODE), 404);
    EXPECT_EQ(response.getStatusText(""), "Not Found");
    std::string body;
    response.saveToString(body);
    EXPECT_EQ(body, "gone");
}

TEST_F(Http, HeadersAreReadWhateverTheirLength) {
    const std::string longValue(3000, 'v');  // Wine keeps header lines below 4 KB
    server().serve("/headers", "x", "header=COUNTRY:DE&header=X-Long:" + longValue);
    server().serve("/chunked", "body", "framing=chunked");
    ScratchDir dir("ovx_http_headers_test");
    CapturedLog log(dir);

    HttpConnection::Response r = get(kHttp + "/headers");
    EXPECT_EQ(r.getStatusText("none"), "OK");
    EXPECT_EQ(r.getCustomHeader("COUNTRY", ""), "DE");
    const std::string value = r.getCustomHeader("X-Long", "");
    EXPECT_EQ(value.size(), longValue.size());
    EXPECT_TRUE(value == longValue) << value.substr(0, 20) << "..." << value.substr(value.size() - 20);
    EXPECT_EQ(r.getIntHeaderValue(HTTP_QUERY_CONTENT_LENGTH), 1);
    EXPECT_EQ(r.getCustomHeader("X-Missing", "fallback"), "fallback");

    // A caller's buffer smaller than the name it carries is enlarged first.
    std::vector<char> small(2);
    ASSERT_TRUE(r.getHeaderValue(HTTP_QUERY_CUSTOM, small, "COUNTRY"));
    EXPECT_EQ(std::string(small.begin(), small.end()), "DE");
    std::vector<char> none;
    ASSERT_TRUE(r.getHeaderValue(HTTP_QUERY_STATUS_TEXT, none));
    EXPECT_EQ(std::string(none.begin(), none.end()), "OK");

    HttpConnection::Response chunked = get(kHttp + "/chunked");
    EXPECT_EQ(chunked.getIntHeaderValue(HTTP_QUERY_CONTENT_LENGTH), -1);
    std::string body;
    chunked.saveToString(body);
    EXPECT_EQ(body, "body");

    const std::string text = log.text();
    EXPECT_NE(text.find("\tERROR: Cannot get header value (65535, name=X-Missing): " + describeWinInetError(12150) +
                        "\r\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("\tERROR: Cannot get header value (536870917): "), std::string::npos) << text;
}

TEST_F(Http, BodiesUpToOneMegabyteAreAcceptedAndNoMore) {
    std::string pattern = "0123456789abcdef<>&\r\n";
    pattern.push_back('\0');
    const std::string opts = "size=";
    server().serve("/exact", pattern, opts + std::to_string(kMax));
    server().serve("/over", "", opts + std::to_string(kMax + 1));
    server().serve("/exact-undeclared", pattern, opts + std::to_string(kMax) + "&framing=close");
    server().serve("/over-undeclared", "", opts + std::to_string(kMax + 1) + "&framing=close");
    server().serve("/over-chunked", "", opts + std::to_string(3 * kMax) + "&framing=chunked");

    for (const std::string path : {"/exact", "/exact-undeclared"}) {
        std::vector<char> bytes;
        get(kHttps + path).saveToBuffer(bytes);
        ASSERT_EQ(bytes.size(), kMax) << path;
        bool same = true;
        for (size_t i = 0; i < bytes.size() && same; ++i) same = bytes[i] == pattern[i % pattern.size()];
        EXPECT_TRUE(same) << path << ": the body arrives byte for byte";
        std::string text;
        get(kHttp + path).saveToString(text);
        EXPECT_EQ(text, std::string(bytes.begin(), bytes.end()));
    }

    const Failure declared = failureOf([] { readAll(kHttp + "/over"); });
    EXPECT_EQ(declared.kind, "content_is_too_big");
    EXPECT_TRUE(endsWith(declared.what, ": Content size exceeds maximum size (1 MB), size is 1048577 bytes"))
        << declared.what;
    for (const char* path : {"/over-undeclared", "/over-chunked"}) {
        const Failure unknown = failureOf([&] {
            std::vector<char> bytes;
            get(kHttps + path).saveToBuffer(bytes);
        });
        EXPECT_EQ(unknown.kind, "content_is_too_big") << path;
        EXPECT_TRUE(endsWith(unknown.what, ": Content size exceeds maximum size (1 MB), size is unknown"))
            << unknown.what;
    }
}

TEST_F(Http, BrokenConnectionsAreNetworkErrors) {
    server().serve("/cut", std::string(200000, 'c'), "failure=cut");
    server().serve("/silent", "", "failure=close");
    for (const std::string& base : {kHttp, kHttps}) {
        // Wine reports the reset itself or, as the end of the body, short of the
        // declared length; a reset that comes after all that was sent has been
        // read reaches the caller as the socket's own error.
        const Failure cut = failureOf([&] { readAll(base + "/cut"); });
        EXPECT_EQ(cut.kind, "network_error") << base;
        EXPECT_TRUE(cut.code == ERROR_INTERNET_CONNECTION_ABORTED || cut.code == ERROR_INTERNET_CONNECTION_RESET ||
                    cut.code == WSAECONNRESET)
            << cut.what;
        EXPECT_NE(cut.what.find(": InternetReadFile failed: " + describeWinInetError(cut.code)), std::string::npos)
            << cut.what;
    }
    // No answer at all (plain http only: Wine retries such a tunnel without end).
    const Failure silent = failureOf([&] { get(kHttp + "/silent", false); });
    EXPECT_EQ(silent.kind, "network_error");
    EXPECT_NE(silent.what.find(": cannot get response status code: "), std::string::npos) << silent.what;

    nettest::ClosedPort closed;
    nettest::ScopedProxy refused("127.0.0.1:" + std::to_string(closed.port()));
    const Failure refusedError = failureOf([] { get(kHttp + "/cut"); });
    EXPECT_EQ(refusedError.kind, "network_error");
    EXPECT_EQ(refusedError.code, static_cast<unsigned long>(ERROR_INTERNET_CANNOT_CONNECT));
    EXPECT_NE(refusedError.what.find(": HttpSendRequest failed: " + describeWinInetError(12029)), std::string::npos)
        << refusedError.what;
}

TEST_F(Http, AResponseThatNeverComesHoldsTheCallUntilTheConnectionEnds) {
    server().serve("/never", "", "failure=hang");
    Pending call([] { get(kHttp + "/never"); });
    ASSERT_TRUE(server().waitForRequests(1, 30000));
    EXPECT_FALSE(call.waitDone(300));  // no time-out of our own cuts it short
    server().release();
    ASSERT_TRUE(call.waitDone(30000));
    EXPECT_TRUE(call.networkError()) << call.what();
}
