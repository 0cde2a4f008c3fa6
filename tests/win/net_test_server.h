#pragma once
// The Windows suites' side of the test server (tests/server/ovx_test_server.py):
// its control requests over a plain loopback socket, and the prefix's proxy
// setting. The suite runs in a prefix of its own whose proxy is that server.
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "base/win.h"  // with the sockets of winsock.h (ws2_32)

namespace nettest {

struct RecordedRequest {
    std::string method, scheme, host, path, body;
    std::vector<std::pair<std::string, std::string>> headers;

    std::string header(const std::string& name, const std::string& fallback = "") const {
        for (const auto& [key, value] : headers) {
            if (_stricmp(key.c_str(), name.c_str()) == 0) return value;
        }
        return fallback;
    }
};

inline void startWinsock() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    if (!started) throw std::runtime_error("WSAStartup failed");
}

inline sockaddr_in loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// A loopback port where nothing listens while this object lives.
class ClosedPort {
public:
    ClosedPort() {
        startWinsock();
        socket_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address = loopback(0);
        int size = sizeof(address);
        if (socket_ == INVALID_SOCKET || bind(socket_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
            getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
            throw std::runtime_error("cannot reserve a loopback port");
        }
        port_ = ntohs(address.sin_port);
    }
    ~ClosedPort() { closesocket(socket_); }
    ClosedPort(const ClosedPort&) = delete;
    ClosedPort& operator=(const ClosedPort&) = delete;
    int port() const { return port_; }

private:
    SOCKET socket_ = INVALID_SOCKET;
    int port_ = 0;
};

class TestServer {
public:
    TestServer() {
        const char* port = std::getenv("OVX_TEST_SERVER_PORT");
        if (!port || !*port) throw std::runtime_error("OVX_TEST_SERVER_PORT is not set: run through ctest");
        port_ = std::atoi(port);
    }

    int port() const { return port_; }
    std::string proxy() const { return "127.0.0.1:" + std::to_string(port_); }

    // options: the control query, e.g. "status=403&reason=Export+Denied&failure=cut&size=1048576".
    void serve(const std::string& path, const std::string& body, const std::string& options = "") const {
        control("POST", "/__ovx/serve?path=" + path + (options.empty() ? "" : "&" + options), body);
    }
    void clear() const { control("POST", "/__ovx/clear", ""); }
    void release() const { control("POST", "/__ovx/release", ""); }
    void untrust(const std::string& host) const { control("POST", "/__ovx/untrusted?host=" + host, ""); }
    int requestCount() const { return std::atoi(control("GET", "/__ovx/count", "").c_str()); }

    RecordedRequest request(int index = -1) const {
        const std::string dump = control("GET", "/__ovx/request?index=" + std::to_string(index), "");
        RecordedRequest r;
        size_t end = dump.find("\r\n");
        const std::string first = dump.substr(0, end);
        std::vector<std::string> words;
        for (size_t start = 0;;) {
            const size_t blank = first.find(' ', start);
            words.push_back(first.substr(start, blank == std::string::npos ? std::string::npos : blank - start));
            if (blank == std::string::npos || words.size() == 4) break;
            start = blank + 1;
        }
        if (words.size() == 4) {
            r.method = words[0];
            r.scheme = words[1];
            r.host = words[2];
            r.path = first.substr(r.method.size() + r.scheme.size() + r.host.size() + 3);
        }
        size_t pos = end + 2;
        while (pos < dump.size()) {
            end = dump.find("\r\n", pos);
            if (end == std::string::npos || end == pos) break;
            const std::string line = dump.substr(pos, end - pos);
            const size_t colon = line.find(": ");
            if (colon != std::string::npos) r.headers.emplace_back(line.substr(0, colon), line.substr(colon + 2));
            pos = end + 2;
        }
        if (end != std::string::npos) r.body = dump.substr(end + 2);
        return r;
    }

    // Waits, bounded, until the server has recorded that many requests.
    bool waitForRequests(int count, DWORD timeoutMs) const {
        for (DWORD waited = 0; waited < timeoutMs; waited += 20) {
            if (requestCount() >= count) return true;
            Sleep(20);
        }
        return requestCount() >= count;
    }

private:
    // One HTTP/1.0 exchange with the server's control interface; the response body.
    std::string control(const std::string& method, const std::string& target, const std::string& body) const {
        startWinsock();
        SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address = loopback(port_);
        if (s == INVALID_SOCKET || ::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
            if (s != INVALID_SOCKET) closesocket(s);
            throw std::runtime_error("cannot reach the test server on port " + std::to_string(port_));
        }
        const DWORD timeout = 30000;
        setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof(timeout));
        const std::string message = method + " " + target + " HTTP/1.0\r\nHost: 127.0.0.1\r\nContent-Length: " +
                                    std::to_string(body.size()) + "\r\n\r\n" + body;
        for (size_t sent = 0; sent < message.size();) {
            const int n = send(s, message.data() + sent, static_cast<int>(message.size() - sent), 0);
            if (n <= 0) break;
            sent += static_cast<size_t>(n);
        }
        std::string answer;
        char buffer[65536];
        for (int n; (n = recv(s, buffer, sizeof(buffer), 0)) > 0;) answer.append(buffer, static_cast<size_t>(n));
        closesocket(s);
        const size_t head = answer.find("\r\n\r\n");
        if (answer.compare(0, 12, "HTTP/1.1 200") != 0 || head == std::string::npos) {
            throw std::runtime_error("control " + target + " failed: " + answer.substr(0, 200));
        }
        return answer.substr(head + 4);
    }

    int port_ = 0;
};

// The prefix's proxy while this object lives (the suite's own prefix only).
class ScopedProxy {
public:
    explicit ScopedProxy(const std::string& server) : previous_(read()) { write(server); }
    ~ScopedProxy() { write(previous_); }
    ScopedProxy(const ScopedProxy&) = delete;
    ScopedProxy& operator=(const ScopedProxy&) = delete;

private:
    static constexpr const char* kSettings = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

    static std::string read() {
        char value[256] = {};
        DWORD size = sizeof(value) - 1;
        RegGetValueA(HKEY_CURRENT_USER, kSettings, "ProxyServer", RRF_RT_REG_SZ, nullptr, value, &size);
        return value;
    }
    static void write(const std::string& server) {
        RegSetKeyValueA(HKEY_CURRENT_USER, kSettings, "ProxyServer", REG_SZ, server.c_str(),
                        static_cast<DWORD>(server.size() + 1));
    }

    std::string previous_;
};

}  // namespace nettest
