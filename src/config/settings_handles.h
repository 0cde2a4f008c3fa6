#pragma once
// Owning holders of the settings library's objects, and the call convention:
// a status that is not handled where it comes back is raised as settings::Exception.
#include <memory>

#include "settings/settings_api.h"
#include "settings/settings_exception.h"

namespace cfg {

inline const settings::settings_api& api() { return *settings::getSettingsApi(); }

inline void check(int status) {
    if (status != 0) throw settings::Exception(status);
}

struct ContextRelease {
    void operator()(settings::Context* c) const { api().releaseContext(c); }
};
struct ValidatorRelease {
    void operator()(settings::Validator* v) const { api().releaseValidator(v); }
};
struct ValidatorBuilderRelease {
    void operator()(settings::ValidatorBuilder* b) const { api().releaseValidatorBuilder(b); }
};
struct KeyMapperRelease {
    void operator()(settings::KeyMapper* m) const { api().releaseKeyMapper(m); }
};
struct KeyMapperBuilderRelease {
    void operator()(settings::KeyMapperBuilder* b) const { api().releaseKeyMapperBuilder(b); }
};

using ContextPtr = std::unique_ptr<settings::Context, ContextRelease>;
using ValidatorPtr = std::unique_ptr<settings::Validator, ValidatorRelease>;
using ValidatorBuilderPtr = std::unique_ptr<settings::ValidatorBuilder, ValidatorBuilderRelease>;
using KeyMapperPtr = std::unique_ptr<settings::KeyMapper, KeyMapperRelease>;
using KeyMapperBuilderPtr = std::unique_ptr<settings::KeyMapperBuilder, KeyMapperBuilderRelease>;

}  // namespace cfg
