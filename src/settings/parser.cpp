#include "settings/parser.h"

#include "settings/plain_text.h"
#include "settings/settings_exception.h"

namespace settings_impl {

namespace {

constexpr std::string_view kWhite = " \t";
// Notepad starts UTF-8 files with a byte-order mark.
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string_view strip(std::string_view text) {
    const size_t first = text.find_first_not_of(kWhite);
    if (first == std::string_view::npos) return std::string_view();
    return text.substr(first, text.find_last_not_of(kWhite) - first + 1);
}

const char* kindMessage(int kind) {
    switch (kind) {
        case PARSE_KEY_WITHOUT_VALUE: return "Key without value";
        case PARSE_EMPTY_KEY: return "Empty key";
        case PARSE_INVALID_KEY: return "Invalid key";
        case PARSE_INVALID_VALUE: return "Invalid value";
        case PARSE_INVALID_COMMENT: return "Invalid comment";
        default: return "Unknown error";
    }
}

}  // namespace

std::string parseErrorText(int kind, size_t line, size_t column) {
    return std::string("\"") + kindMessage(kind) + "\" at line " + std::to_string(line + 1) + "; char " +
           std::to_string(column + 1);
}

StringBuffer::StringBuffer(std::string text) : text_(std::move(text)) {
    if (!isPlainText(text_)) throw settings::ExceptionCode<314>("text is not plain UTF-8");
}

void ParserErrorCounter::onParserError(size_t line, const std::string& message) {
    ++count_;
    if (listener_) listener_->onParserError(line, message);
}

int ConfigBuilder::onComment(size_t, size_t, std::string_view) { return PARSE_OK; }

int ConfigBuilder::onEntry(size_t, size_t, const std::string& key, const std::string* value) {
    std::string mapped = key;
    if (mapper_) mapper_->map(key, mapped);
    std::unique_ptr<ConfigValue> stored;
    if (value) {
        if (validator_) {
            try {
                stored = validator_->validate(mapped, value);
            } catch (const ConfigValidator::InavlidKeyError&) {
                return PARSE_INVALID_KEY;
            } catch (const settings::Exception&) {
                return PARSE_INVALID_VALUE;
            }
        } else {
            stored = std::make_unique<ConfigValue>(TYPE_UNTYPED, *value);
        }
    }
    config_.set(mapped, std::move(stored));
    return PARSE_OK;
}

void ConfigBuilder::onError(int kind, size_t line, size_t column) {
    errors_.onParserError(line, parseErrorText(kind, line, column));
}

void PlainTextFileConfigParser::parseLine(IConfigParserCallback& callback, size_t index, std::string_view line) const {
    const size_t column = line.find_first_not_of(kWhite);
    if (column == std::string_view::npos) return;
    const std::string_view rest = line.substr(column);
    int code = PARSE_OK;
    if (rest.front() == '#') {
        code = callback.onComment(index, column, rest);
    } else {
        const size_t separator = rest.find_first_of("=:");
        if (separator == std::string_view::npos) {
            code = allowKeyWithoutValue_ ? callback.onEntry(index, column, std::string(strip(rest)), nullptr)
                                         : PARSE_KEY_WITHOUT_VALUE;
        } else {
            const std::string key(strip(rest.substr(0, separator)));
            const std::string value(strip(rest.substr(separator + 1)));
            code = key.empty() ? PARSE_EMPTY_KEY : callback.onEntry(index, column, key, &value);
        }
    }
    if (code != PARSE_OK) callback.onError(code, index, column);
}

Config PlainTextFileConfigParser::parse(const IBuffer& buffer) {
    ParserErrorCounter counter(listener_);
    ConfigBuilder builder(validator_, mapper_, counter);
    std::string_view text = buffer.text();
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) text.remove_prefix(kByteOrderMark.size());

    size_t index = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        try {
            parseLine(builder, index, text.substr(start, end - start));
        } catch (const settings::Exception&) {
            if (stopOnFirstError_) throw;
        }
        if (stopOnFirstError_ && counter.count() != 0) throw settings::Exception(313, "malformed line");
        // CR LF is one line end.
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
        ++index;
    }
    return builder.takeConfig();
}

}  // namespace settings_impl
