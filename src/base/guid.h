#pragma once
#include <string>

#ifdef _WIN32
#include "base/win.h"
#endif

// The braced 38-character form of a GUID text given braced, dashed or as 32 bare
// digits; any other text comes back unchanged (and then fails to parse).
std::wstring normalizeGuidText(const std::wstring& text);

#ifdef _WIN32
class Guid {
public:
    explicit Guid(const std::wstring& text);
    explicit Guid(const std::string& text);  // widened character by character
    explicit Guid(const GUID& value) : value_(value) {}

    const GUID& value() const { return value_; }
    std::string toString() const;  // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"

private:
    GUID value_;
};
#endif
