#pragma once
// SHA-256 through CryptoAPI.
#include <string>

#include "base/win.h"

// Lower-case hexadecimal digest of the whole file behind the handle, read from
// its start; raises SysError on failure.
std::string sha256OfFile(HANDLE file);
std::string sha256OfBytes(const void* data, size_t size);
