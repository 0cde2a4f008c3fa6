#pragma once
// A configuration on the settings library itself, validated and mapped as the
// launcher's catalogue says: the command-line import without Windows.
#include <algorithm>
#include <string>
#include <vector>

#include "config/args_import.h"
#include "settings/context.h"
#include "settings/validators.h"

class CatalogueConfig : public cfg::ArgsTarget {
public:
    CatalogueConfig() : context_("C:/ProgramData/Velmar/Orun/orun.settings.cfg") {
        Registrar registrar;
        cfg::registerCatalogue(registrar);
        validator_ = registrar.validators.build();
        mapper_ = registrar.mappers.build();
    }

    int loadLine(const std::string& line) override { return load(line, true); }
    // A settings text as a file holds it (keys need values there).
    int load(const std::string& text, bool allowKeyWithoutValue) {
        try {
            context_.load(settings_impl::StringBuffer(text), &validator_, &mapper_, true, allowKeyWithoutValue);
            return 0;
        } catch (const settings::Exception& e) {
            return e.getCode();
        }
    }
    bool hasKey(const std::string& key) const override {
        const std::vector<std::string> keys = context_.config().getKeys();
        return std::find(keys.begin(), keys.end(), key) != keys.end();
    }
    std::optional<std::string> stringValue(const std::string& key) const override {
        if (!hasKey(key) || !context_.config().hasValue(key)) return std::nullopt;
        return context_.config().getText(key);
    }
    int intValue(const std::string& key) const { return context_.config().getInt(key); }
    // A Western code page, as Latin-1 stands for it: UTF-8 up to U+00FF.
    bool fitsAnsiCodePage(const std::string& text) const override {
        for (size_t i = 0; i < text.size(); ++i) {
            const unsigned char c = static_cast<unsigned char>(text[i]);
            if (c < 0x80) continue;
            if ((c != 0xC2 && c != 0xC3) || i + 1 == text.size()) return false;
            ++i;
        }
        return true;
    }
    void logInfo(const std::string& message) override { log.push_back(message); }
    void logError(const std::string& message) override { log.push_back(message); }

    std::vector<std::string> log;

private:
    struct Registrar : cfg::CatalogueRegistrar {
        void addFixedValues(const char* key, const settings::FixedValue* entries, size_t count) override {
            std::vector<settings_impl::FixedValueEntry> list;
            for (size_t i = 0; i < count; ++i) list.push_back({entries[i].text, entries[i].value, entries[i].options});
            validators.addFixedValues(key, list);
        }
        void addIntType(const char* key) override { validators.addType(key, settings_impl::TYPE_INT); }
        void addStringType(const char* key) override { validators.addType(key, settings_impl::TYPE_STRING); }
        void addDirnameCheck(const char* key) override { validators.addDirnameCheck(key, false); }
        void addKeyMapping(const char* name) override { mappers.addMapping(name, name, false); }
        void setAllowOtherKeys(bool allow) override { validators.setAllowOtherKeys(allow); }
        settings_impl::ConfigValidatorBuilder validators;
        settings_impl::KeyMapperBuilder mappers;
    };

    settings_impl::Context context_;
    settings_impl::ConfigValidator validator_;
    settings_impl::KeyMapperList mapper_;
};
