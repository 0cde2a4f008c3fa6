#pragma once
// SHA-256 of files and memory: through CryptoAPI, or the launcher's own.
#include <string>

#include "base/win.h"

// Lower-case hexadecimal digest of the whole file behind the handle, read from
// its start; raises SysError on failure.
std::string sha256OfFile(HANDLE file);
// The same with the launcher's own SHA-256 (processor instructions where present).
std::string fastSha256OfFile(HANDLE file);
std::string sha256OfBytes(const void* data, size_t size);
