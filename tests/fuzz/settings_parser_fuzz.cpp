// libFuzzer target: the settings text parser over arbitrary bytes. The first
// byte picks the load options; the rest is the text. Besides the sanitizers it
// checks the load's contract and that what was loaded survives being written
// and read again. The same bytes also go through the path checks.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <string>

#include "settings/context.h"
#include "settings/plain_text.h"
#include "settings/settings_exception.h"
#include "settings/settings_path.h"

using namespace settings_impl;

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

const ConfigValidator& typedValidator() {
    static const ConfigValidator validator = [] {
        ConfigValidatorBuilder builder;
        builder.addType("I", TYPE_INT);
        builder.addType("B", TYPE_BOOL);
        builder.addType("D", TYPE_DOUBLE);
        builder.addType("S", TYPE_STRING);
        builder.addDirnameCheck("DIR", false);
        builder.setAllowOtherKeys(true);
        return builder.build();
    }();
    return validator;
}

const KeyMapperList& mapper() {
    static const KeyMapperList list = [] {
        KeyMapperBuilder builder;
        builder.addMapping("i", "I", false);
        builder.addMapping("dir", "DIR", true);
        return builder.build();
    }();
    return list;
}

size_t lineCount(const std::string& text) {
    size_t lines = 1;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))) ++lines;
    }
    return lines;
}

void fuzzLoad(unsigned options, const std::string& text) {
    const bool stop = options & 1;
    const bool allowNoValue = options & 2;
    const ConfigValidator* validator = options & 4 ? &typedValidator() : nullptr;
    const IKeyMapper* keyMapper = options & 8 ? &mapper() : nullptr;

    const bool plain = isPlainText(text);
    try {
        const StringBuffer buffer(text);
        check(plain);
    } catch (const settings::Exception& e) {
        check(!plain && e.getCode() == 314);
        return;
    }

    Context context("C:/fuzz.cfg");
    int code = 0;
    try {
        context.load(StringBuffer(text), validator, keyMapper, stop, allowNoValue);
    } catch (const settings::Exception& e) {
        code = e.getCode();
    }
    const std::vector<size_t>& lines = context.errorLines();
    check(code == (lines.empty() ? 0 : 313));
    check(!stop || lines.size() <= 1);
    check(!stop || lines.empty() || context.config().empty());
    for (size_t i = 0; i < lines.size(); ++i) {
        check(lines[i] < lineCount(text));
        check(i == 0 || lines[i - 1] < lines[i]);
    }

    // Written and read back, the same configuration (the byte-order mark is
    // only dropped at the very start, so a first key beginning with one is the
    // one thing that cannot survive).
    const std::string written = serialize(context.config());
    if (written.rfind("\xEF\xBB\xBF", 0) == 0) return;
    Context again("C:/fuzz.cfg");
    again.load(StringBuffer(written), validator, nullptr, true, true);
    check(again.errorLines().empty());
    check(equals(context.config(), again.config()));
}

void fuzzPath(const std::string& text) {
    try {
        const SettingsPath path(text);
        const SettingsPath full = path.canonicalize([] { return std::string("C:\\fuzz\\dir"); });
        check(full.isCanonical());
        check(full.text().size() <= kMaxSettingsPathBytes);
        for (const std::string& c : splitPathComponents(full.text())) check(c != ".." && c != ".");
        check(full.text().find('\\') == std::string::npos);
        const std::vector<std::string> parents = full.parentDirectories();
        for (const std::string& parent : parents) check(full.text().rfind(parent + "/", 0) == 0);
    } catch (const settings::Exception& e) {
        check(e.getCode() == 200 || (e.getCode() >= 310 && e.getCode() <= 312));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool quiet = [] {
        std::cerr.rdbuf(nullptr);  // the context reports every bad line there
        return true;
    }();
    (void)quiet;
    if (size == 0) return 0;
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    fuzzLoad(data[0], text);
    fuzzPath(text);
    return 0;
}
