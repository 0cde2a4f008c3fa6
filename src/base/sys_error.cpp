#include "base/sys_error.h"

#include "base/logger.h"
#include "base/tstrings.h"
#include "base/memory_holders.h"

std::string describeSystemError(unsigned long code, HMODULE module) {
    LocalPointer<wchar_t> buffer;
    const DWORD flags = module ? 0x1B00 : 0x1300;  // allocate, ignore inserts, (module +) system
    const DWORD n = FormatMessageW(flags, module, code, 0, reinterpret_cast<wchar_t*>(buffer.out()), 0, nullptr);
    if (n == 0 || !buffer) return "No description available";
    std::wstring text(buffer.get(), n);
    for (wchar_t& c : text) {
        if (c < 32) c = L' ';
    }
    while (text.size() > 1 && (text.back() <= 32 || text.back() == L'.')) text.pop_back();
    return tstrings::toUtf8(text);
}

std::string formatSystemError(unsigned long code, HMODULE module) {
    return "system error " + std::to_string(code) + " (" + describeSystemError(code, module) + ")";
}

std::string formatComError(HRESULT hr) {
    const unsigned long value = static_cast<unsigned long>(hr);
    const unsigned long described = (value & 0x1FFF0000UL) == 0x70000UL ? (value & 0xFFFFUL) : value;
    return tstrings::format("COM error 0x%08lX (%s)", value, describeSystemError(described, nullptr).c_str());
}

std::string makeSysErrorMessage(const std::string& context, const void* failedFunction, unsigned long code) {
    std::string details = "System error [" + std::to_string(code) + "]";
    HMODULE module = nullptr;
    bool describe = true;
    if (failedFunction) {
        if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                static_cast<LPCSTR>(failedFunction), &module)) {
            LOG_WARNING("GetModuleHandleEx() failed for " << failedFunction << " address.");
            describe = false;
        }
    }
    if (describe) details += "(" + formatSystemError(code, module) + ")";
    return joinMessage(context, details);
}

SysError::SysError(const std::ostringstream& context, const void* failedFunction, unsigned long code)
    : std::runtime_error(makeSysErrorMessage(context.str(), failedFunction, code)) {}

SysError::SysError(const std::string& context, const void* failedFunction, unsigned long code)
    : std::runtime_error(makeSysErrorMessage(context, failedFunction, code)) {}
