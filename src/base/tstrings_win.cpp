#include <stdexcept>

#include "base/source_location.h"
#include "base/tstrings.h"
#include "base/win.h"

namespace tstrings {

std::string toUtf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    if (n < 0) throw QDS_ERROR(std::runtime_error("Unexpected reply from WideCharToMultiByte()"));
    if (n == 0) return std::string();
    std::string out(n, '\0');
    const int m = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    if (m != n) throw QDS_ERROR(std::runtime_error("Unexpected reply from WideCharToMultiByte()"));
    return out;
}

std::wstring toUtf16(const std::string& utf8) {
    if (utf8.empty()) return std::wstring();
    const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    if (n < 0) throw QDS_ERROR(std::runtime_error("Unexpected reply from MultiByteToWideChar()"));
    if (n == 0) return std::wstring();  // also how invalid UTF-8 comes out
    std::wstring out(n, L'\0');
    const int m = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()), &out[0], n);
    if (m != n) throw QDS_ERROR(std::runtime_error("Unexpected reply from MultiByteToWideChar()"));
    return out;
}

std::string toACP(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string out(n, '\0');
    const int m = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    if (m != n) return std::string();
    return out;
}

std::wstring fromACP(const std::string& text) {
    if (text.empty()) return std::wstring();
    const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring out(n, L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &out[0], n);
    return out;
}

std::string utf8ToACP(const std::string& utf8) { return toACP(toUtf16(utf8)); }

bool fitsACP(const std::string& utf8) {
    if (utf8.empty()) return true;
    const std::wstring wide = toUtf16(utf8);
    if (wide.empty()) return false;  // not UTF-8
    if (GetACP() == CP_UTF8) return true;
    const int size = static_cast<int>(wide.size());
    BOOL usedDefault = FALSE;
    const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size, nullptr, 0, nullptr, &usedDefault);
    if (n <= 0 || usedDefault) return false;
    // The way back too: a best fit that the flag let through would come back different.
    std::string narrow(n, '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size, &narrow[0], n, nullptr, nullptr);
    return fromACP(narrow) == wide;
}

}  // namespace tstrings
