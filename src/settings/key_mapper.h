#pragma once
// Key-name mapping applied while loading: alternative spellings of a key
// stored under one name.
#include <memory>
#include <string>
#include <vector>

namespace settings_impl {

class IKeyMapper {
public:
    virtual ~IKeyMapper() = default;
    // True, with the target name set, when the key is matched.
    virtual bool map(const std::string& key, std::string& target) const = 0;
};

class SimpleKeyMapper : public IKeyMapper {
public:
    SimpleKeyMapper(std::string source, std::string target, bool exact)
        : source_(std::move(source)), target_(std::move(target)), exact_(exact) {}
    bool map(const std::string& key, std::string& target) const override;

private:
    std::string source_;
    std::string target_;
    bool exact_;  // else letter case is ignored
};

class KeyMapperFactory {
public:
    KeyMapperFactory(std::string source, std::string target, bool exact)
        : source_(std::move(source)), target_(std::move(target)), exact_(exact) {}
    std::shared_ptr<const IKeyMapper> create() const;

private:
    std::string source_;
    std::string target_;
    bool exact_;
};

// The built mapper: the last added mapping that matches wins.
class KeyMapperList : public IKeyMapper {
public:
    void add(std::shared_ptr<const IKeyMapper> mapper) { mappers_.push_back(std::move(mapper)); }
    bool map(const std::string& key, std::string& target) const override;
    // The mapped name, or the key itself when nothing matches.
    std::string mapKey(const std::string& key) const;

private:
    std::vector<std::shared_ptr<const IKeyMapper>> mappers_;
};

class KeyMapperBuilder {
public:
    void addMapping(const std::string& source, const std::string& target, bool exact) {
        factories_.emplace_back(source, target, exact);
    }
    KeyMapperList build() const;

private:
    std::vector<KeyMapperFactory> factories_;
};

}  // namespace settings_impl
