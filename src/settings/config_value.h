#pragma once
// One stored value: its type tag, the parsed number or flag, and its text.
#include <string>

namespace settings_impl {

enum ValueType : int {
    TYPE_UNTYPED = 100,  // no validator applied
    TYPE_STRING = 101,
    TYPE_INT = 102,
    TYPE_BOOL = 103,
    TYPE_DOUBLE = 104,
};

// Text to number as the settings format reads numbers; ExceptionCode<302>
// when the text is no number.
int parseInt(const std::string& text);      // 0x.. hexadecimal, 0.. octal, trailing text ignored
bool parseBool(const std::string& text);    // yes/true/no/false, else an integer
double parseDouble(const std::string& text);

class ConfigValue {
public:
    // A value of the given type from its text. Typed values must be plain
    // text (ExceptionCode<302>); numbers and flags are parsed.
    static ConfigValue fromText(int type, const std::string& text);

    // Text kept as is under the given tag, nothing parsed.
    ConfigValue(int type, std::string text) : type_(type), text_(std::move(text)) {}

    // From a number without text: the decimal text ("true"/"false" for flags).
    static ConfigValue ofInt(int value);
    static ConfigValue ofBool(bool value);
    static ConfigValue ofDouble(double value);
    // An integer with a text of its own (a fixed value).
    static ConfigValue ofInt(int value, std::string text);

    int type() const { return type_; }
    const std::string& text() const { return text_; }
    int intValue() const { return int_; }
    bool boolValue() const { return bool_; }
    double doubleValue() const { return double_; }

private:
    int type_ = TYPE_UNTYPED;
    int int_ = 0;
    bool bool_ = false;
    double double_ = 0;
    std::string text_;
};

}  // namespace settings_impl
