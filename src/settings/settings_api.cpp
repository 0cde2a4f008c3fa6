// The settings function table: every entry turns exceptions into status codes.
#include "settings/settings_api.h"

#include <exception>

#include "base/report.h"
#include "settings/context.h"
#include "settings/settings_exception.h"
#include "settings/settings_files.h"

namespace settings {

struct Context : settings_impl::Context {
    using settings_impl::Context::Context;
};
struct Validator : settings_impl::ConfigValidator {
    explicit Validator(settings_impl::ConfigValidator validator) : ConfigValidator(std::move(validator)) {}
};
struct ValidatorBuilder : settings_impl::ConfigValidatorBuilder {};
struct KeyMapper : settings_impl::KeyMapperList {
    explicit KeyMapper(settings_impl::KeyMapperList list) : KeyMapperList(std::move(list)) {}
};
struct KeyMapperBuilder : settings_impl::KeyMapperBuilder {};

namespace {

constexpr int kOk = 0;
constexpr int kFailed = 200;
constexpr int kNullArgument = 300;

template <class Body>
int guarded(Body&& body) noexcept {
    try {
        body();
        return kOk;
    } catch (const Exception& e) {
        return e.getCode();
    } catch (const std::exception& e) {
        // No code of its own: the log is the only place that keeps the cause.
        REPORT_EXCEPTION(e);
        return kFailed;
    } catch (...) {
        REPORT_UNKNOWN_EXCEPTION();
        return kFailed;
    }
}

template <class... Pointers>
bool anyNull(const Pointers*... pointers) {
    return ((pointers == nullptr) || ...);
}

#define REQUIRE(...)                                     \
    do {                                                 \
        if (anyNull(__VA_ARGS__)) return kNullArgument; \
    } while (0)

template <class T>
int release(T* object) {
    REQUIRE(object);
    return guarded([&] { delete object; });
}

int createContext(Context** context) {
    REQUIRE(context);
    *context = nullptr;
    return guarded([&] { *context = new Context(settings_impl::runtimeSettingsFilePath()); });
}

int releaseContext(Context* context) { return release(context); }

int getFilePath(const Context* context, const char** path) {
    REQUIRE(context, path);
    *path = context->filePath().c_str();
    return kOk;
}

int loadFile(Context* context, const char* path, const Validator* validator, const KeyMapper* mapper,
             int stopOnFirstError, int allowKeyWithoutValue) {
    REQUIRE(context, path);
    // An empty path names no file: the caller's "no file given".
    if (!*path) return kNullArgument;
    return guarded([&] {
        context->clearErrorLines();
        const settings_impl::FileBuffer buffer(path);
        context->load(buffer, validator, mapper, stopOnFirstError != 0, allowKeyWithoutValue != 0);
    });
}

int loadString(Context* context, const char* text, const Validator* validator, const KeyMapper* mapper,
               int stopOnFirstError, int allowKeyWithoutValue) {
    REQUIRE(context, text);
    return guarded([&] {
        context->clearErrorLines();
        const settings_impl::StringBuffer buffer(text);
        context->load(buffer, validator, mapper, stopOnFirstError != 0, allowKeyWithoutValue != 0);
    });
}

int merge(Context* context, const Context* other) {
    REQUIRE(context, other);
    return guarded([&] { context->setConfig(settings_impl::merge(context->config(), other->config())); });
}

int getErrorLines(const Context* context, const size_t** lines, size_t* count) {
    REQUIRE(context, lines, count);
    const std::vector<size_t>& recorded = context->errorLines();
    *lines = recorded.empty() ? nullptr : recorded.data();
    *count = recorded.size();
    return kOk;
}

int saveFile(const Context* context, const char* path) {
    REQUIRE(context, path);
    if (!*path) return kNullArgument;
    return guarded([&] { settings_impl::writeSettingsFile(context->config(), path); });
}

int isEmpty(const Context* context, int* empty) {
    REQUIRE(context, empty);
    *empty = context->config().empty() ? 1 : 0;
    return kOk;
}

int equals(const Context* a, const Context* b, int* equal) {
    REQUIRE(a, b, equal);
    return guarded([&] { *equal = settings_impl::equals(a->config(), b->config()) ? 1 : 0; });
}

int forEachKey(Context* context, ForEachKeyCallback callback, void* user) {
    REQUIRE(context);
    if (!callback) return kNullArgument;
    return guarded([&] {
        // A copy: the callback may change the context.
        const std::vector<std::string> keys = context->config().getKeys();
        for (size_t i = 0; i < keys.size(); ++i) callback(context, keys.size(), i, keys[i].c_str(), user);
    });
}

int getString(const Context* context, const char* key, const char** value) {
    REQUIRE(context, key, value);
    return guarded([&] { *value = context->config().getText(key).c_str(); });
}

int getBool(const Context* context, const char* key, int* value) {
    REQUIRE(context, key, value);
    return guarded([&] {
        const settings_impl::Config& config = context->config();
        *value = !config.hasValue(key) || config.getBool(key) ? 1 : 0;
    });
}

int getInt(const Context* context, const char* key, int* value) {
    REQUIRE(context, key, value);
    return guarded([&] { *value = context->config().getInt(key); });
}

int getDouble(const Context* context, const char* key, double* value) {
    REQUIRE(context, key, value);
    return guarded([&] { *value = context->config().getDouble(key); });
}

int removeKey(Context* context, const char* key) {
    REQUIRE(context, key);
    return guarded([&] { context->setConfig(settings_impl::removeKeys(context->config(), {key})); });
}

int releaseValidator(Validator* validator) { return release(validator); }

int createValidatorBuilder(ValidatorBuilder** builder) {
    REQUIRE(builder);
    *builder = nullptr;
    return guarded([&] { *builder = new ValidatorBuilder(); });
}

int releaseValidatorBuilder(ValidatorBuilder* builder) { return release(builder); }

int buildValidator(const ValidatorBuilder* builder, Validator** validator) {
    REQUIRE(builder, validator);
    *validator = nullptr;
    return guarded([&] { *validator = new Validator(builder->build()); });
}

int addType(ValidatorBuilder* builder, const char* key, int type) {
    REQUIRE(builder, key);
    return guarded([&] { builder->addType(key, type); });
}

int addStringType(ValidatorBuilder* builder, const char* key) { return addType(builder, key, settings_impl::TYPE_STRING); }
int addIntType(ValidatorBuilder* builder, const char* key) { return addType(builder, key, settings_impl::TYPE_INT); }
int addBoolType(ValidatorBuilder* builder, const char* key) { return addType(builder, key, settings_impl::TYPE_BOOL); }
int addDoubleType(ValidatorBuilder* builder, const char* key) { return addType(builder, key, settings_impl::TYPE_DOUBLE); }

int setAllowOtherKeys(ValidatorBuilder* builder, int allow) {
    REQUIRE(builder);
    builder->setAllowOtherKeys(allow != 0);
    return kOk;
}

int addFixedValues(ValidatorBuilder* builder, const char* key, const FixedValue* entries, size_t count) {
    REQUIRE(builder, key);
    if (count != 0 && !entries) return kNullArgument;
    for (size_t i = 0; i < count; ++i) REQUIRE(entries[i].text);
    return guarded([&] {
        std::vector<settings_impl::FixedValueEntry> list;
        for (size_t i = 0; i < count; ++i) list.push_back({entries[i].text, entries[i].value, entries[i].options});
        builder->addFixedValues(key, list);
    });
}

int addDirnameCheck(ValidatorBuilder* builder, const char* key, int skip) {
    REQUIRE(builder, key);
    return guarded([&] { builder->addDirnameCheck(key, skip != 0); });
}

int releaseKeyMapper(KeyMapper* mapper) { return release(mapper); }

int createKeyMapperBuilder(KeyMapperBuilder** builder) {
    REQUIRE(builder);
    *builder = nullptr;
    return guarded([&] { *builder = new KeyMapperBuilder(); });
}

int releaseKeyMapperBuilder(KeyMapperBuilder* builder) { return release(builder); }

int buildKeyMapper(const KeyMapperBuilder* builder, KeyMapper** mapper) {
    REQUIRE(builder, mapper);
    *mapper = nullptr;
    return guarded([&] { *mapper = new KeyMapper(builder->build()); });
}

int addKeyMapping(KeyMapperBuilder* builder, const char* source, const char* target, int exact) {
    REQUIRE(builder, source, target);
    return guarded([&] { builder->addMapping(source, target, exact != 0); });
}

}  // namespace

const settings_api* getSettingsApi() {
    // Designated: an entry out of the header's order does not compile.
    static const settings_api table = {
        .createContext = createContext,
        .releaseContext = releaseContext,
        .getFilePath = getFilePath,
        .loadFile = loadFile,
        .loadString = loadString,
        .merge = merge,
        .getErrorLines = getErrorLines,
        .saveFile = saveFile,
        .isEmpty = isEmpty,
        .equals = equals,
        .forEachKey = forEachKey,
        .getString = getString,
        .getBool = getBool,
        .getInt = getInt,
        .getDouble = getDouble,
        .removeKey = removeKey,
        .releaseValidator = releaseValidator,
        .createValidatorBuilder = createValidatorBuilder,
        .releaseValidatorBuilder = releaseValidatorBuilder,
        .buildValidator = buildValidator,
        .addStringType = addStringType,
        .addIntType = addIntType,
        .addBoolType = addBoolType,
        .addDoubleType = addDoubleType,
        .setAllowOtherKeys = setAllowOtherKeys,
        .addFixedValues = addFixedValues,
        .addDirnameCheck = addDirnameCheck,
        .releaseKeyMapper = releaseKeyMapper,
        .createKeyMapperBuilder = createKeyMapperBuilder,
        .releaseKeyMapperBuilder = releaseKeyMapperBuilder,
        .buildKeyMapper = buildKeyMapper,
        .addKeyMapping = addKeyMapping,
    };
    return &table;
}

}  // namespace settings
