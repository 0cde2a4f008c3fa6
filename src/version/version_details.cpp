#include "version/version_details.h"

#include <cstdint>
#include <locale>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "base/tstrings.h"

namespace VersionDetails {

bool readComponent(const std::string& piece, int& value) {
    if (piece.empty() || piece[0] < '0' || piece[0] > '9') return false;
    std::istringstream in(piece);
    in.imbue(std::locale::classic());  // no digit grouping from a global locale
    std::int32_t parsed = 0;
    in >> parsed;
    if (in.fail() || !in.eof()) return false;
    value = parsed;
    return true;
}

int parseComponent(const std::string& piece) {
    int value = 0;
    if (!readComponent(piece, value)) {
        throw QDS_ERROR(std::runtime_error("Failed to recognize version component in [" + piece + "]"));
    }
    return value;
}

std::size_t Parser::operator()(const std::string& text, int* destination, std::size_t& count) const {
    if (count == 0) throw QDS_ERROR(std::length_error("Destination buffer can't be empty"));
    std::vector<std::string> pieces;
    tstrings::split(text, ".", pieces);
    const std::size_t n = pieces.size() < count ? pieces.size() : count;

    std::size_t parsed = 0;
    std::size_t consumed = 0;
    for (; parsed < n; ++parsed) {
        int value = 0;
        if (!readComponent(pieces[parsed], value)) break;
        destination[parsed] = value;
        consumed += pieces[parsed].size();
        if (parsed + 1 < n) ++consumed;  // its dot
    }
    if (consumed > text.size()) {
        throw QDS_ERROR(std::logic_error("[" + std::to_string(consumed) + " < " + std::to_string(text.size()) + "] failed"));
    }
    count = parsed;
    return text.size() - consumed;
}

void throwIncomplete(const SourceLocation& where, const std::string& text, std::size_t unrecognised) {
    throw QdsError<std::runtime_error>("Failed to parse [" + text + "] version string completely." +
                                           " Number of unrecognised characters is " + std::to_string(unrecognised),
                                       where);
}

void throwTooShort(const SourceLocation& where, const std::string& text) {
    throw QdsError<std::runtime_error>("Failed to parse [" + text + "] version string. The string is too short", where);
}

}  // namespace VersionDetails
