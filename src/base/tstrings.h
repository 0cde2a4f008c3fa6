#pragma once
// String formatting and conversion. Narrow text is in the ANSI code page unless
// an operation says otherwise; wide text is UTF-16.
#include <cstdint>
#include <string>
#include <vector>

namespace tstrings {

// printf-style formatting into a string of any length.
std::string format(const char* fmt, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

bool equals(const std::string& a, const std::string& b, bool ignoreCase);
// Appends the pieces between occurrences of delimiter (empty pieces included).
void split(const std::string& text, const std::string& delimiter, std::vector<std::string>& out);
std::string toLower(const std::string& text);  // A to Z only
std::string replace(const std::string& text, const std::string& search, const std::string& replacement);
std::string trim(const std::string& text, const std::string& chars);

inline std::string toString(int value) { return std::to_string(value); }
inline std::string toString(unsigned value) { return std::to_string(value); }
inline std::string toString(long value) { return std::to_string(value); }
inline std::string toString(unsigned long value) { return std::to_string(value); }
inline std::string toString(long long value) { return std::to_string(value); }
inline std::string toString(unsigned long long value) { return std::to_string(value); }

#ifdef _WIN32
std::string toUtf8(const std::wstring& text);
std::wstring toUtf16(const std::string& utf8);
std::string toACP(const std::wstring& text);  // never raises; a refused conversion is empty
std::string utf8ToACP(const std::string& utf8);
// Whether the ANSI code page holds the text exactly: no default character, no best fit.
bool fitsACP(const std::string& utf8);
std::wstring fromACP(const std::string& text);
#endif

}  // namespace tstrings

// A property value for a Windows Installer command line.
std::string quoteCommandLineValue(const std::string& value);
