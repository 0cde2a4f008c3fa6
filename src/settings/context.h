#pragma once
// A configuration with its file path and the error lines of the last load:
// the handle of the settings function table.
#include <string>
#include <vector>

#include "settings/config.h"
#include "settings/parser.h"

namespace settings_impl {

class Context : public IParserErrorListener {
public:
    explicit Context(std::string filePath) : filePath_(std::move(filePath)) {}

    const Config& config() const { return config_; }
    void setConfig(Config config) { config_ = std::move(config); }
    const std::string& filePath() const { return filePath_; }
    // 0-based indexes of the lines that failed in the last load.
    const std::vector<size_t>& errorLines() const { return errorLines_; }
    void clearErrorLines() { errorLines_.clear(); }

    // Parses the text and merges it over the current configuration, the
    // parsed values winning. Malformed lines end it with settings::Exception
    // 313: before the merge when the first error stopped the parse, after it
    // otherwise.
    void load(const IBuffer& buffer, const ConfigValidator* validator, const IKeyMapper* mapper,
              bool stopOnFirstError, bool allowKeyWithoutValue);

    // Records the line, writes the message to the standard error stream and
    // raises settings::Exception 313.
    void onParserError(size_t line, const std::string& message) override;

private:
    Config config_;
    std::string filePath_;
    std::vector<size_t> errorLines_;
};

}  // namespace settings_impl
