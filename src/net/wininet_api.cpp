#include "net/wininet_api.h"

#include "base/sys_error.h"
#include "net/http_connection.h"

namespace {
template <class F>
void require(const DllFunction<F>& function) {
    if (!function) throw std::runtime_error("function " + function.name() + " is not available");
}

WinInetApi load() {
    try {
        const auto dll = [] { return loadSystemDll("wininet.dll"); };
        WinInetApi api{
            nullptr,
            {dll(), "InternetCrackUrlA"},
            {dll(), "InternetOpenA"},
            {dll(), "InternetConnectA"},
            {dll(), "HttpOpenRequestA"},
            {dll(), "HttpSendRequestA"},
            {dll(), "HttpQueryInfoA"},
            {dll(), "InternetReadFile"},
            {dll(), "InternetErrorDlg"},
            {dll(), "InternetGetConnectedState"},
            {dll(), "InternetSetOptionA"},
        };
        require(api.InternetCrackUrlA);
        require(api.InternetOpenA);
        require(api.InternetConnectA);
        require(api.HttpOpenRequestA);
        require(api.HttpSendRequestA);
        require(api.HttpQueryInfoA);
        require(api.InternetReadFile);
        require(api.InternetErrorDlg);
        require(api.InternetGetConnectedState);
        require(api.InternetSetOptionA);
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCWSTR>(reinterpret_cast<void*>(api.InternetOpenA.get())), &api.module);
        return api;
    } catch (const std::exception& e) {
        throw QDS_ERROR(HttpConnection::exception(std::string("WinINet is not available: ") + e.what()));
    }
}
}  // namespace

const WinInetApi& wininet() {
    // Loaded once and kept for the process; a failed load is tried again by the next caller.
    static const WinInetApi api = load();
    return api;
}

std::string describeWinInetError(unsigned long code) {
    HMODULE module = nullptr;
    try {
        module = wininet().module;
    } catch (const std::exception&) {
    }
    return describeSystemError(code, module);
}
