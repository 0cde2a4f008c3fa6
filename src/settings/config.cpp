#include "settings/config.h"

#include <stdexcept>

#include "base/source_location.h"
#include "settings/settings_exception.h"

namespace settings_impl {

Config::Config(const Config& other) {
    for (const auto& [key, value] : other.entries_) {
        entries_.emplace(key, value ? std::make_unique<ConfigValue>(*value) : nullptr);
    }
}

Config& Config::operator=(const Config& other) {
    if (this != &other) *this = Config(other);
    return *this;
}

void Config::set(const std::string& key, std::unique_ptr<ConfigValue> value) { entries_[key] = std::move(value); }

bool Config::erase(const std::string& key) { return entries_.erase(key) != 0; }

const ConfigValue& Config::value(const std::string& key) const {
    const auto it = entries_.find(key);
    if (it == entries_.end()) throw settings::ExceptionCode<303>("no such key: " + key);
    if (!it->second) throw settings::ExceptionCode<301>("key without value: " + key);
    return *it->second;
}

int Config::getType(const std::string& key) const { return value(key).type(); }

bool Config::hasValue(const std::string& key) const {
    const auto it = entries_.find(key);
    if (it == entries_.end()) throw settings::ExceptionCode<303>("no such key: " + key);
    return it->second != nullptr;
}

const std::string& Config::getText(const std::string& key) const { return value(key).text(); }

std::string Config::copyText(const std::string& key) const { return value(key).text(); }

int Config::getInt(const std::string& key) const {
    const ConfigValue& v = value(key);
    if (v.type() == TYPE_INT) return v.intValue();
    if (v.type() == TYPE_UNTYPED) return parseInt(v.text());
    throw settings::ExceptionCode<301>("not an integer: " + key);
}

double Config::getDouble(const std::string& key) const {
    const ConfigValue& v = value(key);
    if (v.type() == TYPE_DOUBLE) return v.doubleValue();
    if (v.type() == TYPE_UNTYPED) return parseDouble(v.text());
    throw settings::ExceptionCode<301>("not a double: " + key);
}

bool Config::getBool(const std::string& key) const {
    const ConfigValue& v = value(key);
    if (v.type() == TYPE_BOOL) return v.boolValue();
    if (v.type() == TYPE_UNTYPED) return parseBool(v.text());
    throw settings::ExceptionCode<301>("not a boolean: " + key);
}

std::vector<std::string> Config::getKeys() const {
    std::vector<std::string> keys;
    keys.reserve(entries_.size());
    for (const auto& entry : entries_) keys.push_back(entry.first);
    return keys;
}

Config merge(const Config& first, const Config& second) {
    Config result(first);
    for (const auto& [key, value] : second.entries()) {
        result.set(key, value ? std::make_unique<ConfigValue>(*value) : nullptr);
    }
    return result;
}

Config removeKeys(const Config& config, const std::vector<std::string>& keys) {
    Config result(config);
    for (const std::string& key : keys) {
        if (!result.erase(key)) throw settings::ExceptionCode<303>("no such key: " + key);
    }
    return result;
}

namespace {

bool sameContent(const ConfigValue& a, const ConfigValue& b) {
    switch (a.type()) {
        case TYPE_UNTYPED:
        case TYPE_STRING:
            return a.text() == b.text();
        case TYPE_INT:
            return a.intValue() == b.intValue();
        case TYPE_BOOL:
            return a.boolValue() == b.boolValue();
        case TYPE_DOUBLE:
            return a.doubleValue() == b.doubleValue();
        default:
            throw QDS_ERROR(std::runtime_error("unexpected"));
    }
}

}  // namespace

bool equals(const Config& a, const Config& b) {
    if (a.size() != b.size()) return false;
    auto ia = a.entries().begin();
    for (auto ib = b.entries().begin(); ib != b.entries().end(); ++ia, ++ib) {
        if (ia->first != ib->first) return false;
        const ConfigValue* va = ia->second.get();
        const ConfigValue* vb = ib->second.get();
        if (!va || !vb) {
            if (va != vb) return false;
            continue;
        }
        if (va->type() != vb->type() || !sameContent(*va, *vb)) return false;
    }
    return true;
}

std::string serialize(const Config& config) {
    if (config.empty()) return " ";
    std::string text;
    for (const auto& [key, value] : config.entries()) {
        text += key;
        if (value) text += "=" + value->text();
        text += "\n";
    }
    return text;
}

}  // namespace settings_impl
