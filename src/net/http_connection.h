#pragma once
// The launcher's one HTTP client: a synchronous WinINet request. WinINet is not
// a Known DLL, so it is loaded from the system directory at run time.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/win_handles.h"

class HttpConnection {
public:
    // Any other value sends no verb (the library's default).
    enum Method : std::int32_t { GET = 0, POST = 1, HEAD = 2 };

    // The most a body read accepts: exactly this many bytes, not one more.
    static constexpr std::size_t kMaxContentSize = 1048576;

    // Every failure; thrown wrapped in QdsError.
    class exception : public std::runtime_error {
    public:
        explicit exception(const std::string& message) : std::runtime_error(message) {}
    };

    // message + ": " + WinINet's text for the code.
    class network_error : public exception {
    public:
        network_error(const std::string& message, unsigned long code);
        unsigned long code() const { return code_; }

    private:
        unsigned long code_;
    };

    // "Http error, status: <status>"
    class http_error : public exception {
    public:
        explicit http_error(int status);
        int status() const { return status_; }

    private:
        int status_;
    };

    // A 403 whose status text says "Export Denied".
    class export_compliance_error : public http_error {
    public:
        export_compliance_error() : http_error(403) {}
    };

    class content_is_too_big : public exception {
    public:
        content_is_too_big();  // the size is unknown
        explicit content_is_too_big(long long size);
    };

    // Owns the session, connection and request handles; closes them in reverse.
    class Response {
    public:
        Response(UniqueInternetHandle session, UniqueInternetHandle connection, UniqueInternetHandle request);
        Response(Response&&) noexcept = default;
        Response& operator=(Response&& other) noexcept;
        Response(const Response&) = delete;
        Response& operator=(const Response&) = delete;

        // One HttpQueryInfo on the request (again, once, when the buffer was too
        // small). With a name, the buffer carries it in (custom headers). On
        // success the buffer is cut to the reported size.
        bool getHeaderValue(unsigned long level, std::vector<char>& buffer, const char* name = nullptr) const;
        // The header as a number, -1 when it cannot be read.
        std::int32_t getIntHeaderValue(unsigned long level) const;
        std::string getStatusText(const std::string& defaultValue) const;
        std::string getCustomHeader(const std::string& name, const std::string& defaultValue) const;

        // Bytes read, 0 at the end of the body.
        std::size_t readContent(void* buffer, std::size_t size);
        // The whole body, at most kMaxContentSize bytes.
        void saveToBuffer(std::vector<char>& out);
        void saveToString(std::string& out);

    private:
        UniqueInternetHandle session_;
        UniqueInternetHandle connection_;
        UniqueInternetHandle request_;
    };

    explicit HttpConnection(const std::string& url);

    // Sends the request once. With checkStatus, anything but 200 throws http_error
    // (export_compliance_error for a 403 "Export Denied").
    Response connect(bool checkStatus);

    std::string url;
    bool httpEnabled = false;       // plain http allowed; otherwise https only
    bool showErrorDialogs = false;  // the system's Internet error dialog on send and sign-in failures
    Method method = GET;
    std::string userAgent = "orun_installer";
    std::vector<char> body;
    // Bounds the connect, the send and each receive, in milliseconds; 0 leaves
    // WinINet's own limits.
    unsigned long timeoutMs = 0;
};
