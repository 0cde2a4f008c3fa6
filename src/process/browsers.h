#pragma once

// True when the native processor is not AMD64 or the process runs under WOW64:
// the launcher then counts as a 32-bit process.
bool isNotNativeX64();
