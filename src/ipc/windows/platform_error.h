#pragma once
// Raising PlatformError from a failed system call, inside the ipc library.
#include <string>

#include "base/source_location.h"
#include "base/win.h"

namespace ipc {

// Logs "<call> failed with <system's message>" and throws PlatformError with
// the raise site given.
[[noreturn]] void throwPlatformError(const SourceLocation& where, unsigned long code, const std::string& call);

}  // namespace ipc

// The last error is read first, before anything can change it.
#define IPC_THROW_PLATFORM_ERROR(call)                                  \
    do {                                                                \
        const DWORD ipcLastError_ = GetLastError();                     \
        ::ipc::throwPlatformError(QDS_HERE, ipcLastError_, (call));     \
    } while (0)
