#include "base/tstrings.h"

#include <cstdarg>
#include <cstdio>
#include <stdexcept>

#include "base/source_location.h"

namespace tstrings {

std::string format(const char* fmt, ...) {
    if (!fmt) throw QDS_ERROR(std::invalid_argument("Destination buffer can't be NULL"));
    std::string buffer;
    for (size_t size = 256;; size += 256) {
        buffer.resize(size);
        va_list args;
        va_start(args, fmt);
        const int n = std::vsnprintf(&buffer[0], size, fmt, args);
        va_end(args);
        if (n < 0) {  // an encoding error: nothing sensible to print
            buffer.clear();
            return buffer;
        }
        if (static_cast<size_t>(n) < size) {
            buffer.resize(n);
            return buffer;
        }
    }
}

std::string toLower(const std::string& text) {
    std::string out = text;
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

bool equals(const std::string& a, const std::string& b, bool ignoreCase) {
    return ignoreCase ? toLower(a) == toLower(b) : a == b;
}

void split(const std::string& text, const std::string& delimiter, std::vector<std::string>& out) {
    if (text.empty() || delimiter.empty()) return;
    size_t start = 0;
    for (size_t pos = text.find(delimiter); pos != std::string::npos; pos = text.find(delimiter, start)) {
        out.push_back(text.substr(start, pos - start));
        start = pos + delimiter.size();
    }
    out.push_back(text.substr(start));
}

std::string replace(const std::string& text, const std::string& search, const std::string& replacement) {
    if (search.empty()) return text;
    std::string out = text;
    for (size_t pos = out.find(search); pos != std::string::npos;
         pos = out.find(search, pos + replacement.size())) {
        out.replace(pos, search.size(), replacement);
    }
    return out;
}

std::string trim(const std::string& text, const std::string& chars) {
    const size_t first = text.find_first_not_of(chars);
    if (first == std::string::npos) return std::string();
    const size_t last = text.find_last_not_of(chars);
    return text.substr(first, last - first + 1);
}

}  // namespace tstrings

std::string quoteCommandLineValue(const std::string& value) {
    std::string out = tstrings::replace(value, "\"", "\"\"");
    if (out.empty()) return "\"\"";
    if (out.find_first_of(" \t") != std::string::npos) out = "\"" + out + "\"";
    return out;
}
