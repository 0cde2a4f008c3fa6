#include "settings/context.h"

#include <iostream>

#include "settings/settings_exception.h"

namespace settings_impl {

void Context::load(const IBuffer& buffer, const ConfigValidator* validator, const IKeyMapper* mapper,
                   bool stopOnFirstError, bool allowKeyWithoutValue) {
    PlainTextFileConfigParser parser;
    parser.setErrorListener(this);
    parser.setValidator(validator);
    parser.setKeyMapper(mapper);
    parser.setStopOnFirstError(stopOnFirstError);
    parser.setAllowKeyWithoutValue(allowKeyWithoutValue);
    errorLines_.clear();
    const Config parsed = parser.parse(buffer);
    config_ = merge(config_, parsed);
    if (!errorLines_.empty()) throw settings::Exception(313, "malformed lines in settings text");
}

void Context::onParserError(size_t line, const std::string& message) {
    errorLines_.push_back(line);
    std::cerr << "Error reading config file: " << message << "\n";
    throw settings::Exception(313, message);
}

}  // namespace settings_impl
