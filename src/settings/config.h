#pragma once
// A configuration: keys in byte order, each with an owned value or none.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "settings/config_value.h"

namespace settings_impl {

class IConfig {
public:
    virtual ~IConfig() = default;
    // Reads raise ExceptionCode<303> for an absent key, ExceptionCode<301>
    // for a key without value or a type that does not allow the read.
    virtual int getType(const std::string& key) const = 0;
    virtual bool hasValue(const std::string& key) const = 0;
    virtual const std::string& getText(const std::string& key) const = 0;
    virtual int getInt(const std::string& key) const = 0;
    virtual double getDouble(const std::string& key) const = 0;
    virtual bool getBool(const std::string& key) const = 0;
    virtual std::string copyText(const std::string& key) const = 0;
    virtual std::vector<std::string> getKeys() const = 0;
};

class Config : public IConfig {
public:
    Config() = default;
    Config(const Config& other);
    Config& operator=(const Config& other);
    Config(Config&&) noexcept = default;
    Config& operator=(Config&&) noexcept = default;

    // Replaces an earlier entry of the key; a null value is a key without value.
    void set(const std::string& key, std::unique_ptr<ConfigValue> value);
    void set(const std::string& key, const ConfigValue& value) { set(key, std::make_unique<ConfigValue>(value)); }
    bool erase(const std::string& key);
    bool contains(const std::string& key) const { return entries_.count(key) != 0; }
    bool empty() const { return entries_.empty(); }
    size_t size() const { return entries_.size(); }
    const std::map<std::string, std::unique_ptr<ConfigValue>>& entries() const { return entries_; }

    int getType(const std::string& key) const override;
    bool hasValue(const std::string& key) const override;
    const std::string& getText(const std::string& key) const override;
    int getInt(const std::string& key) const override;
    double getDouble(const std::string& key) const override;
    bool getBool(const std::string& key) const override;
    std::string copyText(const std::string& key) const override;
    std::vector<std::string> getKeys() const override;

private:
    const ConfigValue& value(const std::string& key) const;

    std::map<std::string, std::unique_ptr<ConfigValue>> entries_;
};

// Every entry of first, then of second, the second winning on equal keys.
Config merge(const Config& first, const Config& second);
// A copy without the keys; ExceptionCode<303> when one of them is absent.
Config removeKeys(const Config& config, const std::vector<std::string>& keys);
// Same keys, and key by key no value on both sides or values of one type and
// equal content.
bool equals(const Config& a, const Config& b);
// One "key=text" or "key" line per key, each ending with "\n"; a single blank
// for a configuration without keys.
std::string serialize(const Config& config);

}  // namespace settings_impl
