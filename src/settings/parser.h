#pragma once
// The plain-text settings format: one "key=value" (or "key:value") per line,
// "#" comment lines, errors reported by line and column.
#include <cstddef>
#include <string>
#include <string_view>

#include "settings/config.h"
#include "settings/key_mapper.h"
#include "settings/validators.h"

namespace settings_impl {

// Parse result and error kinds; the kinds appear only inside error texts.
enum ParseCode : int {
    PARSE_OK = 300,
    PARSE_KEY_WITHOUT_VALUE = 301,
    PARSE_EMPTY_KEY = 302,
    PARSE_INVALID_KEY = 303,
    PARSE_INVALID_VALUE = 304,
    PARSE_INVALID_COMMENT = 305,
};

// "\"Empty key\" at line 1; char 1" for 0-based line and column.
std::string parseErrorText(int kind, size_t line, size_t column);

// The whole text to parse.
class IBuffer {
public:
    virtual ~IBuffer() = default;
    virtual std::string_view text() const = 0;
};

// A text from memory; ExceptionCode 314 when it is not plain text.
class StringBuffer : public IBuffer {
public:
    explicit StringBuffer(std::string text);
    std::string_view text() const override { return text_; }

private:
    std::string text_;
};

class IParserErrorListener {
public:
    virtual ~IParserErrorListener() = default;
    // May raise to end the parse.
    virtual void onParserError(size_t line, const std::string& message) = 0;
};

// Counts the errors and passes them on.
class ParserErrorCounter : public IParserErrorListener {
public:
    explicit ParserErrorCounter(IParserErrorListener* listener) : listener_(listener) {}
    void onParserError(size_t line, const std::string& message) override;
    size_t count() const { return count_; }

private:
    IParserErrorListener* listener_;
    size_t count_ = 0;
};

class IConfigParserCallback {
public:
    virtual ~IConfigParserCallback() = default;
    virtual int onComment(size_t line, size_t column, std::string_view text) = 0;
    // A null value is a key without value. Returns PARSE_OK or an error kind.
    virtual int onEntry(size_t line, size_t column, const std::string& key, const std::string* value) = 0;
    virtual void onError(int kind, size_t line, size_t column) = 0;
};

// Maps, validates and stores the entries of one parse.
class ConfigBuilder : public IConfigParserCallback {
public:
    ConfigBuilder(const ConfigValidator* validator, const IKeyMapper* mapper, IParserErrorListener& errors)
        : validator_(validator), mapper_(mapper), errors_(errors) {}

    int onComment(size_t line, size_t column, std::string_view text) override;
    int onEntry(size_t line, size_t column, const std::string& key, const std::string* value) override;
    void onError(int kind, size_t line, size_t column) override;

    Config takeConfig() { return std::move(config_); }

private:
    const ConfigValidator* validator_;
    const IKeyMapper* mapper_;
    IParserErrorListener& errors_;
    Config config_;
};

class IConfigParser {
public:
    virtual ~IConfigParser() = default;
    virtual void setValidator(const ConfigValidator* validator) = 0;
    virtual void setKeyMapper(const IKeyMapper* mapper) = 0;
    virtual void setErrorListener(IParserErrorListener* listener) = 0;
    virtual void setStopOnFirstError(bool stop) = 0;
    virtual void setAllowKeyWithoutValue(bool allow) = 0;
    // A new configuration of every accepted line.
    virtual Config parse(const IBuffer& buffer) = 0;
};

class PlainTextFileConfigParser : public IConfigParser {
public:
    void setValidator(const ConfigValidator* validator) override { validator_ = validator; }
    void setKeyMapper(const IKeyMapper* mapper) override { mapper_ = mapper; }
    void setErrorListener(IParserErrorListener* listener) override { listener_ = listener; }
    void setStopOnFirstError(bool stop) override { stopOnFirstError_ = stop; }
    void setAllowKeyWithoutValue(bool allow) override { allowKeyWithoutValue_ = allow; }
    // With stop-on-first-error the first error ends the parse with
    // settings::Exception 313 (or the listener's own); without it the line is
    // skipped.
    Config parse(const IBuffer& buffer) override;

private:
    void parseLine(IConfigParserCallback& callback, size_t index, std::string_view line) const;

    const ConfigValidator* validator_ = nullptr;
    const IKeyMapper* mapper_ = nullptr;
    IParserErrorListener* listener_ = nullptr;
    bool stopOnFirstError_ = false;
    bool allowKeyWithoutValue_ = false;
};

}  // namespace settings_impl
