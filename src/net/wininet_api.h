#pragma once
// WinINet, loaded once from the system directory (it is not a Known DLL and
// could be planted beside a downloaded launcher).
#include <string>

#include "base/dll.h"
#include "base/win.h"

#include <wininet.h>

struct WinInetApi {
    HMODULE module;  // for the texts of WinINet's error codes
    DllFunction<decltype(::InternetCrackUrlA)> InternetCrackUrlA;
    DllFunction<decltype(::InternetOpenA)> InternetOpenA;
    DllFunction<decltype(::InternetConnectA)> InternetConnectA;
    DllFunction<decltype(::HttpOpenRequestA)> HttpOpenRequestA;
    DllFunction<decltype(::HttpSendRequestA)> HttpSendRequestA;
    DllFunction<decltype(::HttpQueryInfoA)> HttpQueryInfoA;
    DllFunction<decltype(::InternetReadFile)> InternetReadFile;
    DllFunction<decltype(::InternetErrorDlg)> InternetErrorDlg;
    DllFunction<decltype(::InternetGetConnectedState)> InternetGetConnectedState;
    DllFunction<decltype(::InternetSetOptionA)> InternetSetOptionA;
};

// Raises HttpConnection::exception when the library or one of its functions is missing.
const WinInetApi& wininet();

// WinINet's text for one of its codes (the system's for any other).
std::string describeWinInetError(unsigned long code);
