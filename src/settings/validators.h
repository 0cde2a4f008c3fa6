#pragma once
// Per-key value checks, and the builder that collects them.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "settings/config_value.h"
#include "settings/settings_exception.h"

namespace settings_impl {

class IConfigValueValidator {
public:
    virtual ~IConfigValueValidator() = default;
    // A value from a text; a null text stands for a key without value.
    virtual std::unique_ptr<ConfigValue> createValue(const std::string* text) const = 0;
};

class ConfigValidator {
public:
    class Error : public settings::Exception {
    public:
        explicit Error(const std::string& message) : settings::Exception(200, message) {}
    };
    class InavlidKeyError : public Error {
    public:
        using Error::Error;
    };
    class InavlidValueError : public Error {
    public:
        using Error::Error;
    };

    void setValidator(const std::string& key, std::shared_ptr<const IConfigValueValidator> validator);
    void setAllowOtherKeys(bool allow) { allowOtherKeys_ = allow; }
    bool allowOtherKeys() const { return allowOtherKeys_; }

    // Keys without a validator of their own are untyped text when other keys
    // are allowed, else InavlidKeyError.
    std::unique_ptr<ConfigValue> validate(const std::string& key, const std::string* text) const;

private:
    std::map<std::string, std::shared_ptr<const IConfigValueValidator>> validators_;
    bool allowOtherKeys_ = false;
};

// The value parsed as its type tag says; no text only for booleans (no value).
class TypeValidator : public IConfigValueValidator {
public:
    explicit TypeValidator(int type) : type_(type) {}
    std::unique_ptr<ConfigValue> createValue(const std::string* text) const override;

private:
    int type_;
};

// A folder given by drive letter (no UNC, nothing relative), unless skipped.
class DirnameValidator : public IConfigValueValidator {
public:
    explicit DirnameValidator(bool skip) : skip_(skip) {}
    std::unique_ptr<ConfigValue> createValue(const std::string* text) const override;

private:
    bool skip_;
};

struct FixedValueEntry {
    enum : unsigned {
        EXACT = 1,             // else letter case is ignored
        STORE_ENTRY_TEXT = 2,  // else the input's text is kept
    };
    std::string text;
    int value = 0;
    unsigned options = 0;
};

// One of a list of texts, each standing for an integer.
class FixedValueValidator : public IConfigValueValidator {
public:
    explicit FixedValueValidator(std::vector<FixedValueEntry> entries) : entries_(std::move(entries)) {}
    std::unique_ptr<ConfigValue> createValue(const std::string* text) const override;

private:
    std::vector<FixedValueEntry> entries_;
};

// Collects per key a type, a folder check or a fixed-value list; a later
// registration of one kind drops conflicting earlier ones.
class ConfigValidatorBuilder {
public:
    void addType(const std::string& key, int type);
    void addDirnameCheck(const std::string& key, bool skip);
    void addFixedValues(const std::string& key, const std::vector<FixedValueEntry>& entries);
    void setAllowOtherKeys(bool allow) { allowOtherKeys_ = allow; }

    ConfigValidator build() const;

private:
    std::map<std::string, int> types_;
    std::map<std::string, bool> dirnames_;
    std::map<std::string, std::vector<FixedValueEntry>> fixedValues_;
    bool allowOtherKeys_ = false;
};

}  // namespace settings_impl
