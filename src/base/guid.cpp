#include "base/guid.h"

#include <objbase.h>

#include <stdexcept>

#include "base/source_location.h"
#include "base/tstrings.h"

namespace {
GUID parse(const std::wstring& input) {
    const std::wstring text = normalizeGuidText(input);
    GUID value;
    if (FAILED(IIDFromString(text.c_str(), &value))) {
        throw QDS_ERROR(std::runtime_error("IIDFromString(" + tstrings::toUtf8(text) + ") failed"));
    }
    return value;
}

std::wstring widen(const std::string& text) {
    std::wstring out;
    for (unsigned char c : text) out += static_cast<wchar_t>(c);
    return out;
}
}  // namespace

Guid::Guid(const std::wstring& text) : value_(parse(text)) {}
Guid::Guid(const std::string& text) : value_(parse(widen(text))) {}

std::string Guid::toString() const {
    wchar_t buffer[64] = {};
    if (StringFromGUID2(value_, buffer, 64) < 3) throw QDS_ERROR(std::runtime_error("StringFromGUID2() failed"));
    return tstrings::toACP(buffer);
}
