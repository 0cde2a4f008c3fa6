#pragma once
// The settings library's one door: a flat table of functions that return
// status codes instead of throwing.
//   0 success; 200 any failure without a code of its own; 300 a required
//   argument is null; 301 no value / wrong type; 302 not plain text or not a
//   number; 303 no such key; 304 cannot open or create the file; 306 write
//   failed; 307 read error; 310 path too long; 311 invalid path; 312 path not
//   plain text; 313 malformed line(s); 314 file not plain text; 315 file too long.
#include <cstddef>

namespace settings {

struct Context;           // a configuration, its file path and the last load's error lines
struct Validator;         // per-key value checks
struct ValidatorBuilder;
struct KeyMapper;         // key-name mapping applied while loading
struct KeyMapperBuilder;

// Option bits of a fixed value.
enum FixedValueOption : unsigned {
    FIXED_VALUE_EXACT = 1,             // match the text exactly (else ignoring letter case)
    FIXED_VALUE_STORE_ENTRY_TEXT = 2,  // keep the entry's text, not the input's
};

struct FixedValue {
    const char* text;
    int value;
    unsigned options;
};

using ForEachKeyCallback = void (*)(Context* context, size_t keyCount, size_t index, const char* key, void* user);

struct settings_api {
    int (*createContext)(Context** context);  // empty, with the runtime settings file as its path
    int (*releaseContext)(Context* context);
    int (*getFilePath)(const Context* context, const char** path);  // UTF-8
    int (*loadFile)(Context* context, const char* path, const Validator* validator, const KeyMapper* mapper,
                    int stopOnFirstError, int allowKeyWithoutValue);
    int (*loadString)(Context* context, const char* text, const Validator* validator, const KeyMapper* mapper,
                      int stopOnFirstError, int allowKeyWithoutValue);
    int (*merge)(Context* context, const Context* other);  // the other's entries win
    int (*getErrorLines)(const Context* context, const size_t** lines, size_t* count);  // 0-based; null when none
    int (*saveFile)(const Context* context, const char* path);
    int (*isEmpty)(const Context* context, int* empty);
    int (*equals)(const Context* a, const Context* b, int* equal);
    int (*forEachKey)(Context* context, ForEachKeyCallback callback, void* user);
    int (*getString)(const Context* context, const char* key, const char** value);  // valid until the next change
    int (*getBool)(const Context* context, const char* key, int* value);            // a key without value reads 1
    int (*getInt)(const Context* context, const char* key, int* value);
    int (*getDouble)(const Context* context, const char* key, double* value);
    int (*removeKey)(Context* context, const char* key);
    int (*releaseValidator)(Validator* validator);
    int (*createValidatorBuilder)(ValidatorBuilder** builder);
    int (*releaseValidatorBuilder)(ValidatorBuilder* builder);
    int (*buildValidator)(const ValidatorBuilder* builder, Validator** validator);
    int (*addStringType)(ValidatorBuilder* builder, const char* key);
    int (*addIntType)(ValidatorBuilder* builder, const char* key);
    int (*addBoolType)(ValidatorBuilder* builder, const char* key);
    int (*addDoubleType)(ValidatorBuilder* builder, const char* key);
    int (*setAllowOtherKeys)(ValidatorBuilder* builder, int allow);
    int (*addFixedValues)(ValidatorBuilder* builder, const char* key, const FixedValue* entries, size_t count);
    int (*addDirnameCheck)(ValidatorBuilder* builder, const char* key, int skip);
    int (*releaseKeyMapper)(KeyMapper* mapper);
    int (*createKeyMapperBuilder)(KeyMapperBuilder** builder);
    int (*releaseKeyMapperBuilder)(KeyMapperBuilder* builder);
    int (*buildKeyMapper)(const KeyMapperBuilder* builder, KeyMapper** mapper);
    int (*addKeyMapping)(KeyMapperBuilder* builder, const char* source, const char* target, int exact);
};

// The table; the same one for the whole process.
const settings_api* getSettingsApi();

}  // namespace settings
