#pragma once
// The protections of the auto-update settings: the data protection API of
// crypt32 and its Base64 text. Each failure is a std::runtime_error.
#include <string>
#include <vector>

#include "base/win.h"

namespace au {

// CryptProtectData of the value's 4 bytes without UI; localMachine picks the
// machine scope instead of the user's.
std::vector<unsigned char> protectValue(DWORD value, bool localMachine);
// Machine scope, then Base64 without line breaks.
std::string protectValueToText(DWORD value);
// The reverse of protectValue; the data must unprotect to exactly 4 bytes.
DWORD unprotectValue(const std::vector<unsigned char>& data);

std::string binary2string(const std::vector<unsigned char>& data);
std::vector<unsigned char> string2binary(const std::string& text);

}  // namespace au
