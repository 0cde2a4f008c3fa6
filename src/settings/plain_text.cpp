#include "settings/plain_text.h"

namespace settings_impl {

namespace {

// Length announced by a lead byte, 0 for a byte that cannot lead.
size_t sequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if ((lead & 0xE0) == 0xC0) return 2;
    if ((lead & 0xF0) == 0xE0) return 3;
    if ((lead & 0xF8) == 0xF0) return 4;
    if ((lead & 0xFC) == 0xF8) return 5;
    if ((lead & 0xFE) == 0xFC) return 6;
    return 0;
}

bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

}  // namespace

bool isPlainText(std::string_view bytes) {
    const size_t n = bytes.size();
    for (size_t i = 0; i < n;) {
        const size_t length = sequenceLength(static_cast<unsigned char>(bytes[i]));
        if (length == 0 || length > n - i) return false;
        for (size_t k = 1; k < length; ++k) {
            if (!isContinuation(static_cast<unsigned char>(bytes[i + k]))) return false;
        }
        i += length;
    }
    return true;
}

bool utf8ToUtf16(std::string_view utf8, std::u16string& out) {
    static const char32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
    std::u16string result;
    result.reserve(utf8.size());
    const size_t n = utf8.size();
    for (size_t i = 0; i < n;) {
        const unsigned char lead = static_cast<unsigned char>(utf8[i]);
        const size_t length = sequenceLength(lead);
        if (length == 0 || length > 4 || length > n - i) return false;
        char32_t cp = length == 1 ? lead : lead & (0x7F >> length);
        for (size_t k = 1; k < length; ++k) {
            const unsigned char c = static_cast<unsigned char>(utf8[i + k]);
            if (!isContinuation(c)) return false;
            cp = (cp << 6) | (c & 0x3F);
        }
        if (cp < kMinimum[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            result.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            result.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            result.push_back(static_cast<char16_t>(cp));
        }
        i += length;
    }
    out = std::move(result);
    return true;
}

}  // namespace settings_impl
