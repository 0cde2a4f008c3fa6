#pragma once
// Windows error codes as text, and the SysError exception.
#include <sstream>
#include <stdexcept>
#include <string>

#include "base/join_message.h"
#include "base/source_location.h"
#include "base/win.h"

// The system's description of a code: the module's message table, then the system's.
std::string describeSystemError(unsigned long code, HMODULE module);
// "system error <code> (<description>)"
std::string formatSystemError(unsigned long code, HMODULE module);
// "COM error 0x%08X (<description>)"
std::string formatComError(HRESULT hr);

// The address of a Windows function, for SysError's module lookup.
template <class F>
const void* functionAddress(F* function) {
    return reinterpret_cast<const void*>(function);
}

class SysError : public std::runtime_error {
public:
    // failedFunction: address of the Windows function that failed, or null.
    SysError(const std::ostringstream& context, const void* failedFunction, unsigned long code);
    SysError(const std::string& context, const void* failedFunction, unsigned long code);
};

// "<context>. System error [<code>](system error <code> (<description>))"
std::string makeSysErrorMessage(const std::string& context, const void* failedFunction, unsigned long code);
