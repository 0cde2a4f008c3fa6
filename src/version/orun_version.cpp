#include "version/orun_version.h"

#include <stdexcept>

#include "base/tstrings.h"

namespace OrunVersionDetails {
namespace {

// The suffix readers: each returns how many leading characters of the rest it
// recognised (0: none) and stores what it read.

std::size_t readMicro(const std::string& rest, int* destination) {
    const std::string piece = rest.substr(0, rest.find_first_of("_-"));
    int value = 0;
    if (!VersionDetails::readComponent(piece, value)) return 0;
    destination[Micro] = value;
    return piece.size();
}

std::size_t readUpdate(const std::string& rest, int* destination) {
    if (rest.empty() || rest[0] != '_') return 0;
    const std::size_t end = rest.find('-', 1);
    const std::string piece = rest.substr(1, end == std::string::npos ? std::string::npos : end - 1);
    int value = 0;
    if (!VersionDetails::readComponent(piece, value)) return 0;
    destination[Update] = value;
    return 1 + piece.size();
}

// The length of a build group "-b<n>" (n > 0, up to the next "-") at pos, or 0.
std::size_t buildGroupLength(const std::string& rest, std::size_t pos, int& value) {
    if (rest.size() - pos <= 2 || rest.compare(pos, 2, "-b") != 0) return 0;
    const std::size_t end = rest.find('-', pos + 2);
    const std::string piece = rest.substr(pos + 2, end == std::string::npos ? std::string::npos : end - pos - 2);
    if (!VersionDetails::readComponent(piece, value) || value == 0) return 0;
    return 2 + piece.size();
}

// Qualifier groups ("-ea") up to the first build group; nothing is stored.
std::size_t readQualifiers(const std::string& rest, int*) {
    std::size_t pos = 0;
    while (pos < rest.size() && rest[pos] == '-') {
        int ignored = 0;
        if (buildGroupLength(rest, pos, ignored) != 0) break;
        std::size_t end = rest.find('-', pos + 1);
        if (end == std::string::npos) end = rest.size();
        if (end == pos + 1) break;  // a lone "-"
        pos = end;
    }
    return pos;
}

std::size_t readBuild(const std::string& rest, int* destination) {
    int value = 0;
    const std::size_t length = buildGroupLength(rest, 0, value);
    if (length != 0) destination[Build] = value;
    return length;
}

std::size_t parse(const std::string& text, int* destination, std::size_t& count) {
    if (count < 5) throw QDS_ERROR(std::length_error("Insufficient size of destination buffer"));
    int parts[3] = {};
    std::size_t parsed = 3;
    const std::size_t unrecognised = VersionDetails::Parser()(text, parts, parsed);
    count = 0;
    for (std::size_t i = 0; i < 2 && i < parsed; ++i) {
        if (parts[i] <= 0) {
            if (i == Major) return text.size();
            int major = 0;
            std::size_t one = 1;
            return VersionDetails::Parser()(text, &major, one);
        }
        destination[i] = parts[i];
        ++count;
    }
    if (parsed == 3) {
        destination[Micro] = parts[2];
        ++count;
    }
    if (unrecognised == 0) return 0;
    if (parsed != 2) return unrecognised;

    // Major and minor were read; the rest is "<micro>[_<update>][-<qualifier>...][-b<build>]".
    using Reader = std::size_t (*)(const std::string&, int*);
    static const Reader readers[] = {readMicro, readUpdate, readQualifiers, readBuild};
    std::size_t remaining = unrecognised;
    for (std::size_t i = 0; i < 4 && remaining != 0; ++i) {
        const std::size_t consumed = readers[i](text.substr(text.size() - remaining), destination);
        if (consumed == 0) {
            if (i == 0) break;  // no micro: nothing after the minor is recognised
            continue;
        }
        if (consumed > remaining) {
            throw QDS_ERROR(std::logic_error(tstrings::format("[%d < %d] failed", static_cast<int>(remaining),
                                                              static_cast<int>(remaining - consumed))));
        }
        remaining -= consumed;
        ++count;
    }
    return remaining;
}

}  // namespace

std::size_t Parser::operator()(const std::string& text, int* destination, std::size_t& count) const {
    return parse(text, destination, count);
}

std::string toString(int major, int minor, int micro, int update, int build) {
    std::string out = std::to_string(major);
    if (minor >= 0) out += "." + std::to_string(minor);
    if (micro >= 0) out += "." + std::to_string(micro);
    if (update > 0) out += tstrings::format("_%02d", update);
    if (build > 0) out += tstrings::format("-b%02d", build);
    return out;
}

std::string toString(const std::array<int, 5>& c) { return toString(c[Major], c[Minor], c[Micro], c[Update], c[Build]); }

}  // namespace OrunVersionDetails

using namespace OrunVersionDetails;

RuntimeVersion withoutBuild(const RuntimeVersion& version) {
    std::array<int, 5> c = version.components();
    c[Build] = -1;
    return RuntimeVersion(toString(c));
}

RuntimeFamilyVersion familyVersion(const RuntimeVersion& version) {
    std::array<int, 5> c = version.components();
    c[Micro] = c[Update] = c[Build] = -1;
    return RuntimeFamilyVersion(toString(c));
}

std::string getProductDisplayName(const RuntimeVersion& version, int bitness) {
    const int minor = version[Minor];
    const int micro = version[Micro];
    const int update = version[Update];
    std::string name;
    if (minor <= 4) {
        name = "Orun 2 Runtime Environment, SE v" + withoutBuild(version).text();
    } else {
        if (minor == 5) {
            name = "O2SE Runtime Environment 5.0";
        } else if (minor == 6) {
            name = micro == 0 && update <= 1 ? "Orun(TM) Runtime Environment 6" : "Orun(TM) 6";
        } else if (minor == 7 && micro == 0 && update <= 5) {
            name = "Orun(TM) 7";
        } else {
            name = "Orun " + std::to_string(minor);
        }
        if (update > 0) name += " Update " + std::to_string(update);
    }
    if (bitness == 64) name += " (64-bit)";
    return name;
}
