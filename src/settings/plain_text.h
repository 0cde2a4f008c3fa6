#pragma once
// The plain-text rule of settings texts, and the one UTF-8 decoder the
// library needs.
#include <string>
#include <string_view>

namespace settings_impl {

// A sequence of complete UTF-8 sequences of one to six bytes, each lead byte
// announcing its length.
bool isPlainText(std::string_view bytes);

// UTF-8 to UTF-16, refusing what the system's conversion with
// MB_ERR_INVALID_CHARS refuses: overlong forms, surrogates, values past
// U+10FFFF, five- and six-byte forms.
bool utf8ToUtf16(std::string_view utf8, std::u16string& out);

}  // namespace settings_impl
