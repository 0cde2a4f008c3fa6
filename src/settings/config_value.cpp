#include "settings/config_value.h"

#include <locale>
#include <sstream>
#include <stdexcept>

#include "base/source_location.h"
#include "base/tstrings.h"
#include "settings/plain_text.h"
#include "settings/settings_exception.h"

namespace settings_impl {

namespace {

// Leading blanks, tabs, line feeds and vertical tabs skipped, then lower-cased.
std::string numberText(const std::string& text) {
    const size_t start = text.find_first_not_of(" \t\n\v");
    return start == std::string::npos ? std::string() : tstrings::toLower(text.substr(start));
}

bool startsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

}  // namespace

int parseInt(const std::string& text) {
    const std::string t = numberText(text);
    std::istringstream in(t);
    in.imbue(std::locale::classic());
    if (startsWith(t, "0x") || startsWith(t, "-0x")) {
        in >> std::hex;
    } else if (startsWith(t, "0") || startsWith(t, "-0")) {
        in >> std::oct;
    }
    int value = 0;
    if (!(in >> value)) throw settings::ExceptionCode<302>("not an integer: " + text);
    return value;
}

bool parseBool(const std::string& text) {
    const std::string t = tstrings::toLower(text);
    if (t == "yes" || t == "true") return true;
    if (t == "no" || t == "false") return false;
    return parseInt(text) != 0;
}

double parseDouble(const std::string& text) {
    std::istringstream in(numberText(text));
    in.imbue(std::locale::classic());
    double value = 0;
    if (!(in >> value)) throw settings::ExceptionCode<302>("not a number: " + text);
    return value;
}

ConfigValue ConfigValue::fromText(int type, const std::string& text) {
    if (type == TYPE_UNTYPED) return ConfigValue(type, text);
    if (!isPlainText(text)) throw settings::ExceptionCode<302>("value is not plain UTF-8 text");
    ConfigValue value(type, text);
    switch (type) {
        case TYPE_STRING:
            break;
        case TYPE_INT:
            value.int_ = parseInt(text);
            break;
        case TYPE_BOOL:
            value.bool_ = parseBool(text);
            break;
        case TYPE_DOUBLE:
            value.double_ = parseDouble(text);
            break;
        default:
            throw QDS_ERROR(std::runtime_error("unexpected"));
    }
    return value;
}

ConfigValue ConfigValue::ofInt(int value) { return ofInt(value, std::to_string(value)); }

ConfigValue ConfigValue::ofInt(int value, std::string text) {
    ConfigValue v(TYPE_INT, std::move(text));
    v.int_ = value;
    return v;
}

ConfigValue ConfigValue::ofBool(bool value) {
    ConfigValue v(TYPE_BOOL, value ? "true" : "false");
    v.bool_ = value;
    return v;
}

ConfigValue ConfigValue::ofDouble(double value) {
    std::ostringstream text;
    text.imbue(std::locale::classic());
    text << value;
    ConfigValue v(TYPE_DOUBLE, text.str());
    v.double_ = value;
    return v;
}

}  // namespace settings_impl
