#include <stdexcept>

#include "base/dll.h"
#include "base/locale.h"
#include "base/logger.h"
#include "base/sys_error.h"
#include "base/tstrings.h"

std::vector<uint16_t> Locale::preferredLanguages() {
    using PreferredFn = BOOL WINAPI(DWORD, PULONG, PZZWSTR, PULONG);
    DllFunction<PreferredFn> getPreferred(loadSystemDll("kernel32.dll"), "GetThreadPreferredUILanguages");
    if (!getPreferred) {
        LOG_INFO("PreferredUILanguages: XP fallback");
        return fallbackList({LANGIDFROMLCID(GetThreadLocale()), GetUserDefaultUILanguage(), GetSystemDefaultUILanguage(), 1033});
    }
    LOG_INFO("PreferredUILanguages: Vista+");
    const DWORD flags = MUI_LANGUAGE_ID | MUI_MERGE_SYSTEM_FALLBACK | MUI_MERGE_USER_FALLBACK;
    ULONG count = 0, size = 0;
    if (!getPreferred.get()(flags, &count, nullptr, &size)) {
        const DWORD code = GetLastError();
        throw QDS_ERROR(SysError("GetThreadPreferredUILanguages (detect size) failed", functionAddress(getPreferred.get()), code));
    }
    std::wstring buffer(size, L'\0');
    if (!getPreferred.get()(flags, &count, &buffer[0], &size)) {
        const DWORD code = GetLastError();
        throw QDS_ERROR(SysError("GetThreadPreferredUILanguages (get values) failed", functionAddress(getPreferred.get()), code));
    }
    std::vector<uint16_t> ids;
    size_t start = 0;
    while (start < buffer.size() && buffer[start] != L'\0') {
        size_t end = buffer.find(L'\0', start);
        if (end == std::wstring::npos) end = buffer.size();
        const std::string part = tstrings::toUtf8(buffer.substr(start, end - start));
        size_t used = 0;
        unsigned long value = 0;
        try {
            value = std::stoul(part, &used, 16);
        } catch (const std::exception&) {
            used = std::string::npos;
        }
        if (used != part.size() || part.empty() || part.find_first_of("+- xX") != std::string::npos) {
            throw QDS_ERROR(std::runtime_error("Cannot get langID: " + part));
        }
        ids.push_back(static_cast<uint16_t>(value));
        start = end + 1;
    }
    return ids;
}

Locale Locale::fromPreferredLanguages() { return fromPreferredIds(preferredLanguages()); }
