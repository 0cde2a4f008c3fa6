#include "net/http_connection.h"

#include <algorithm>
#include <cstring>

#include "base/logger.h"
#include "net/wininet_api.h"

namespace {
const DWORD kDialogFlags =
    FLAGS_ERROR_UI_FILTER_FOR_ERRORS | FLAGS_ERROR_UI_FLAGS_CHANGE_OPTIONS | FLAGS_ERROR_UI_FLAGS_GENERATE_DATA;

std::string part(const char* text, DWORD length) { return text ? std::string(text, length) : std::string(); }

const char* verbOf(HttpConnection::Method method) {
    switch (method) {
        case HttpConnection::GET: return "GET";
        case HttpConnection::POST: return "POST";
        case HttpConnection::HEAD: return "HEAD";
    }
    return nullptr;
}
}  // namespace

HttpConnection::network_error::network_error(const std::string& message, unsigned long code)
    : exception(message + ": " + describeWinInetError(code)), code_(code) {}

HttpConnection::http_error::http_error(int status)
    : exception("Http error, status: " + std::to_string(status)), status_(status) {}

HttpConnection::content_is_too_big::content_is_too_big()
    : exception("Content size exceeds maximum size (" + std::to_string(kMaxContentSize / 1048576) +
                " MB), size is unknown") {}

HttpConnection::content_is_too_big::content_is_too_big(long long size)
    : exception("Content size exceeds maximum size (" + std::to_string(kMaxContentSize / 1048576) + " MB), size is " +
                std::to_string(size) + " bytes") {}

HttpConnection::HttpConnection(const std::string& url) : url(url) {}

HttpConnection::Response HttpConnection::connect(bool checkStatus) {
    const WinInetApi& api = wininet();

    // Pointers into url, never copies into fixed buffers: the address may come from the network.
    URL_COMPONENTSA parts{};
    parts.dwStructSize = sizeof(parts);
    parts.dwHostNameLength = 1;
    parts.dwUserNameLength = 1;
    parts.dwPasswordLength = 1;
    parts.dwUrlPathLength = 1;
    parts.dwExtraInfoLength = 1;
    if (!api.InternetCrackUrlA(url.c_str(), 0, 0, &parts)) {
        const DWORD code = GetLastError();
        throw QDS_ERROR(network_error("InternetCrackUrl failed", code));
    }
    const bool secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    if (parts.nScheme != INTERNET_SCHEME_HTTP && !secure) throw QDS_ERROR(exception("Invalid scheme"));
    if (!secure && !httpEnabled) throw QDS_ERROR(exception("Http is disabled"));

    const std::string host = part(parts.lpszHostName, parts.dwHostNameLength);
    const std::string user = part(parts.lpszUserName, parts.dwUserNameLength);
    const std::string password = part(parts.lpszPassword, parts.dwPasswordLength);
    std::string object = part(parts.lpszUrlPath, parts.dwUrlPathLength);
    if (object.empty()) object = "/";
    object += part(parts.lpszExtraInfo, parts.dwExtraInfoLength);

    UniqueInternetHandle session(api.InternetOpenA(userAgent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session.get()) {
        const DWORD code = GetLastError();
        throw QDS_ERROR(network_error("InternetOpen failed", code));
    }
    if (timeoutMs != 0) {
        // Set on the session, inherited by its connection and request.
        for (const DWORD option :
             {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT}) {
            DWORD value = timeoutMs;
            api.InternetSetOptionA(session.get(), option, &value, sizeof(value));
        }
    }
    UniqueInternetHandle connection(api.InternetConnectA(session.get(), host.c_str(), parts.nPort,
                                                         user.empty() ? nullptr : user.c_str(),
                                                         password.empty() ? nullptr : password.c_str(),
                                                         INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection.get()) {
        const DWORD code = GetLastError();
        throw QDS_ERROR(network_error("InternetConnect failed", code));
    }
    const char* acceptTypes[] = {"*/*", nullptr};
    DWORD flags = INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_NO_UI;
    if (secure) flags |= INTERNET_FLAG_SECURE;
    UniqueInternetHandle request(
        api.HttpOpenRequestA(connection.get(), verbOf(method), object.c_str(), nullptr, nullptr, acceptTypes, flags, 0));
    if (!request.get()) {
        const DWORD code = GetLastError();
        throw QDS_ERROR(network_error("HttpOpenRequest failed", code));
    }

    bool queryStatus = true;
    if (!api.HttpSendRequestA(request.get(), nullptr, 0, body.empty() ? nullptr : body.data(),
                              static_cast<DWORD>(body.size()))) {
        const DWORD error = GetLastError();
        bool proceed = false;
        if (showErrorDialogs) {
            const DWORD answer = api.InternetErrorDlg(GetDesktopWindow(), request.get(), error, kDialogFlags, nullptr);
            proceed = answer == ERROR_INTERNET_FORCE_RETRY ||
                      (error == ERROR_INTERNET_CLIENT_AUTH_CERT_NEEDED && answer == ERROR_SUCCESS);
        }
        if (!proceed) throw QDS_ERROR(network_error("HttpSendRequest failed", error));
        queryStatus = false;  // the request is not sent again
    }
    if (queryStatus) {
        DWORD status = 0;
        DWORD size = sizeof(status);
        if (!api.HttpQueryInfoA(request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr)) {
            const DWORD code = GetLastError();
            throw QDS_ERROR(network_error("cannot get response status code", code));
        }
        // No status line at all (the connection ended first) is no response either;
        // Wine reports it as status 0 where Windows fails the send.
        if (status == 0) {
            throw QDS_ERROR(network_error("cannot get response status code", ERROR_HTTP_INVALID_SERVER_RESPONSE));
        }
        if ((status == HTTP_STATUS_DENIED || status == HTTP_STATUS_PROXY_AUTH_REQ) && showErrorDialogs) {
            api.InternetErrorDlg(GetDesktopWindow(), request.get(), ERROR_INTERNET_INCORRECT_PASSWORD, kDialogFlags,
                                 nullptr);
        }
    }

    Response response(std::move(session), std::move(connection), std::move(request));
    if (checkStatus) {
        const std::int32_t status = response.getIntHeaderValue(HTTP_QUERY_STATUS_CODE);
        if (status != 200) {
            if (status == 403 && response.getStatusText("").find("Export Denied") != std::string::npos) {
                throw QDS_ERROR(export_compliance_error());
            }
            throw QDS_ERROR(http_error(status));
        }
    }
    return response;
}

HttpConnection::Response::Response(UniqueInternetHandle session, UniqueInternetHandle connection,
                                   UniqueInternetHandle request)
    : session_(std::move(session)), connection_(std::move(connection)), request_(std::move(request)) {}

HttpConnection::Response& HttpConnection::Response::operator=(Response&& other) noexcept {
    if (this != &other) {
        // Children before their parents.
        request_.reset();
        connection_.reset();
        session_ = std::move(other.session_);
        connection_ = std::move(other.connection_);
        request_ = std::move(other.request_);
    }
    return *this;
}

bool HttpConnection::Response::getHeaderValue(unsigned long level, std::vector<char>& buffer, const char* name) const {
    // The custom-header query reads the name from the buffer.
    const auto putName = [&] {
        if (!name) return;
        const std::size_t needed = std::strlen(name) + 1;
        if (buffer.size() < needed) buffer.resize(needed);
        std::memcpy(buffer.data(), name, needed);
    };
    const WinInetApi& api = wininet();
    putName();
    DWORD size = static_cast<DWORD>(buffer.size());
    BOOL ok = api.HttpQueryInfoA(request_.get(), level, buffer.empty() ? nullptr : buffer.data(), &size, nullptr);
    DWORD error = ok ? ERROR_SUCCESS : GetLastError();
    if (!ok && error == ERROR_INSUFFICIENT_BUFFER) {
        buffer.resize(size);
        putName();
        size = static_cast<DWORD>(buffer.size());
        ok = api.HttpQueryInfoA(request_.get(), level, buffer.empty() ? nullptr : buffer.data(), &size, nullptr);
        error = ok ? ERROR_SUCCESS : GetLastError();
    }
    if (ok) {
        buffer.resize(std::min<std::size_t>(size, buffer.size()));
        return true;
    }
    LOG_ERROR("Cannot get header value (" << level << (name ? std::string(", name=") + name : std::string())
                                          << "): " << describeWinInetError(error));
    return false;
}

std::int32_t HttpConnection::Response::getIntHeaderValue(unsigned long level) const {
    const unsigned long numberLevel = level | HTTP_QUERY_FLAG_NUMBER;
    std::vector<char> buffer(sizeof(std::int32_t));
    if (!getHeaderValue(numberLevel, buffer)) return -1;
    if (buffer.size() != sizeof(std::int32_t)) {
        LOG_ERROR("getHeaderValue(" << numberLevel << ") returned unexpected size: " << buffer.size());
        return -1;
    }
    std::int32_t value = 0;
    std::memcpy(&value, buffer.data(), sizeof(value));
    return value;
}

std::string HttpConnection::Response::getStatusText(const std::string& defaultValue) const {
    std::vector<char> buffer(256);
    if (!getHeaderValue(HTTP_QUERY_STATUS_TEXT, buffer)) return defaultValue;
    return std::string(buffer.begin(), buffer.end());
}

std::string HttpConnection::Response::getCustomHeader(const std::string& name, const std::string& defaultValue) const {
    std::vector<char> buffer(256);
    if (!getHeaderValue(HTTP_QUERY_CUSTOM, buffer, name.c_str())) return defaultValue;
    return std::string(buffer.begin(), buffer.end());
}

std::size_t HttpConnection::Response::readContent(void* buffer, std::size_t size) {
    DWORD read = 0;
    const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(size, 0xFFFFFFFFu));
    if (!wininet().InternetReadFile(request_.get(), buffer, wanted, &read)) {
        const DWORD code = GetLastError();
        throw QDS_ERROR(network_error("InternetReadFile failed", code));
    }
    return read;
}

void HttpConnection::Response::saveToBuffer(std::vector<char>& out) {
    const std::int32_t length = getIntHeaderValue(HTTP_QUERY_CONTENT_LENGTH);
    if (length > static_cast<std::int32_t>(kMaxContentSize)) throw QDS_ERROR(content_is_too_big(length));
    out.assign(length >= 0 ? static_cast<std::size_t>(length) + 1024 : 65536, '\0');
    std::size_t total = 0;
    for (;;) {
        const std::size_t read = readContent(out.data() + total, out.size() - total);
        if (read == 0) break;
        total += read;
        if (total > kMaxContentSize) throw QDS_ERROR(content_is_too_big());
        if (out.size() - total < 1000) out.resize(total + 16384);
    }
    // A connection that ends before the declared length is a broken transfer,
    // also where the library reports it as the end of the body.
    if (length >= 0 && total < static_cast<std::size_t>(length)) {
        throw QDS_ERROR(network_error("InternetReadFile failed", ERROR_INTERNET_CONNECTION_RESET));
    }
    out.resize(total);
}

void HttpConnection::Response::saveToString(std::string& out) {
    std::vector<char> buffer;
    saveToBuffer(buffer);
    out.assign(buffer.begin(), buffer.end());
}
