#include "settings/validators.h"

#include "base/tstrings.h"
#include "settings/settings_path.h"

namespace settings_impl {

void ConfigValidator::setValidator(const std::string& key, std::shared_ptr<const IConfigValueValidator> validator) {
    validators_[key] = std::move(validator);
}

std::unique_ptr<ConfigValue> ConfigValidator::validate(const std::string& key, const std::string* text) const {
    const auto it = validators_.find(key);
    if (it != validators_.end()) return it->second->createValue(text);
    if (!allowOtherKeys_) throw InavlidKeyError("unknown key: " + key);
    return text ? std::make_unique<ConfigValue>(TYPE_UNTYPED, *text) : nullptr;
}

std::unique_ptr<ConfigValue> TypeValidator::createValue(const std::string* text) const {
    if (!text) {
        if (type_ == TYPE_BOOL) return nullptr;
        throw ConfigValidator::InavlidValueError("a value is required");
    }
    return std::make_unique<ConfigValue>(ConfigValue::fromText(type_, *text));
}

std::unique_ptr<ConfigValue> DirnameValidator::createValue(const std::string* text) const {
    if (!text) throw ConfigValidator::InavlidValueError("a folder is required");
    if (!skip_) {
        bool valid = false;
        try {
            const SettingsPath path(*text);
            valid = !path.empty() && path.startsWithDrive();
        } catch (const settings::Exception&) {
        }
        if (!valid) throw ConfigValidator::InavlidValueError("not a folder path: " + *text);
    }
    return std::make_unique<ConfigValue>(ConfigValue::fromText(TYPE_STRING, *text));
}

std::unique_ptr<ConfigValue> FixedValueValidator::createValue(const std::string* text) const {
    if (!text) throw ConfigValidator::InavlidValueError("a value is required");
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
        if (tstrings::equals(it->text, *text, !(it->options & FixedValueEntry::EXACT))) {
            return std::make_unique<ConfigValue>(
                ConfigValue::ofInt(it->value, it->options & FixedValueEntry::STORE_ENTRY_TEXT ? it->text : *text));
        }
    }
    throw ConfigValidator::InavlidValueError("not one of the allowed values: " + *text);
}

void ConfigValidatorBuilder::addType(const std::string& key, int type) {
    types_[key] = type;
    fixedValues_.erase(key);
}

void ConfigValidatorBuilder::addDirnameCheck(const std::string& key, bool skip) {
    dirnames_[key] = skip;
    types_.erase(key);
    fixedValues_.erase(key);
}

void ConfigValidatorBuilder::addFixedValues(const std::string& key, const std::vector<FixedValueEntry>& entries) {
    types_.erase(key);
    dirnames_.erase(key);
    std::vector<FixedValueEntry>& list = fixedValues_[key];
    for (const FixedValueEntry& entry : entries) {
        auto same = list.begin();
        while (same != list.end() && same->text != entry.text) ++same;
        if (same == list.end()) {
            list.push_back(entry);
        } else {
            same->value = entry.value;
            same->options = entry.options;
        }
    }
}

ConfigValidator ConfigValidatorBuilder::build() const {
    ConfigValidator validator;
    // Later kinds replace earlier ones for the same key.
    for (const auto& [key, type] : types_) validator.setValidator(key, std::make_shared<TypeValidator>(type));
    for (const auto& [key, skip] : dirnames_) validator.setValidator(key, std::make_shared<DirnameValidator>(skip));
    for (const auto& [key, entries] : fixedValues_) {
        validator.setValidator(key, std::make_shared<FixedValueValidator>(entries));
    }
    validator.setAllowOtherKeys(allowOtherKeys_);
    return validator;
}

}  // namespace settings_impl
