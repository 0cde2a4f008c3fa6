#include "settings/key_mapper.h"

#include "base/tstrings.h"

namespace settings_impl {

bool SimpleKeyMapper::map(const std::string& key, std::string& target) const {
    if (!tstrings::equals(source_, key, !exact_)) return false;
    target = target_;
    return true;
}

std::shared_ptr<const IKeyMapper> KeyMapperFactory::create() const {
    return std::make_shared<SimpleKeyMapper>(source_, target_, exact_);
}

bool KeyMapperList::map(const std::string& key, std::string& target) const {
    for (auto it = mappers_.rbegin(); it != mappers_.rend(); ++it) {
        if ((*it)->map(key, target)) return true;
    }
    return false;
}

std::string KeyMapperList::mapKey(const std::string& key) const {
    std::string target = key;
    map(key, target);
    return target;
}

KeyMapperList KeyMapperBuilder::build() const {
    KeyMapperList list;
    for (const KeyMapperFactory& factory : factories_) list.add(factory.create());
    return list;
}

}  // namespace settings_impl
