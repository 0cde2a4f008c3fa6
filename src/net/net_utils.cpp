#include "net/net_utils.h"

#include "base/logger.h"
#include "base/maker_addresses.h"
#include "net/http_connection.h"
#include "net/wininet_api.h"

bool NetUtils::isConnected() {
    DWORD flags = 0;
    bool connected = false;
    try {
        connected = wininet().InternetGetConnectedState(&flags, 0) != FALSE;
    } catch (const HttpConnection::exception& e) {
        LOG_INFO("not connected: " << e.what());
        return false;
    }
    return isConnected(connected, flags, maker::kConnectivityProbeUrl);
}

bool NetUtils::isConnected(bool systemConnected, unsigned long stateFlags, const std::string& probeUrl) {
    if (systemConnected || (stateFlags & INTERNET_CONNECTION_CONFIGURED)) return true;
    try {
        HttpConnection probe(probeUrl);
        probe.method = HttpConnection::HEAD;
        probe.httpEnabled = true;
        const HttpConnection::Response response = probe.connect(false);
        const std::int32_t status = response.getIntHeaderValue(HTTP_QUERY_STATUS_CODE);
        return status == 200 || status == 407;
    } catch (const HttpConnection::exception& e) {
        LOG_INFO("not connected: " << e.what());
        return false;
    }
}
