#include "base/logger.h"
#include "base/report.h"
#include "base/resource.h"
#include "base/resource_ids.h"
#include "base/tstrings.h"
#include "config/install_config_data.h"

namespace {

struct ConfigMessage {
    int code;
    unsigned stringId;
    int arguments;  // 0: none, 1: the argument text, 2: the argument text and a line number
    bool logOnly;
};

const ConfigMessage kMessages[] = {
    {200, IDS_ERROR_INTERNAL, 0, false},
    {300, IDS_ERROR_INVALID_PARAMETER, 0, true},
    {304, IDS_ERROR_OPEN_FILE, 1, false},
    {305, IDS_ERROR_PERMISSIONS, 1, false},
    {306, IDS_ERROR_WRITE_CONFIG, 0, false},
    {307, IDS_ERROR_READ_FILE, 1, false},
    {308, IDS_ERROR_RENAME_MESSAGE, 0, true},
    {309, IDS_ERROR_REMOVE_MESSAGE, 0, true},
    {310, IDS_ERROR_PATH_TOO_LONG, 0, false},
    {311, IDS_ERROR_INVALID_PATH, 0, false},
    {312, IDS_ERROR_PATH_NOT_PLAIN_TEXT, 0, false},
    {313, IDS_ERROR_MALFORMED_LINE, 2, false},
    {314, IDS_ERROR_NOT_PLAIN_TEXT, 1, false},
    {315, IDS_ERROR_FILE_TOO_LONG, 1, false},
    {3090, IDS_ERROR_SWITCHES, 1, false},
};

// The first line that the last load reported, counted from 1.
std::string firstErrorLine(const InstallConfigData::Configuration& config) {
    const size_t* lines = nullptr;
    size_t count = 0;
    if (!config.get() || cfg::api().getErrorLines(config.get(), &lines, &count) != 0 || !lines || count == 0) {
        return "<line number>";
    }
    return std::to_string(lines[0] + 1);
}

// The format's conversions are ours, but a translated text may carry fewer:
// never more values than the text asks for.
std::string formatMessage(const std::string& format, const ConfigMessage& message, const std::string& argument,
                          const InstallConfigData::Configuration& config) {
    if (message.arguments == 0) return format;
    if (message.arguments == 1) return tstrings::format(format.c_str(), argument.c_str());
    return tstrings::format(format.c_str(), argument.c_str(), firstErrorLine(config).c_str());
}

std::wstring wideString(HINSTANCE instance, unsigned id, const std::wstring& defaultText) {
    try {
        return StringResource(id, instance).wstring();
    } catch (const std::exception& e) {
        REPORT_EXCEPTION(e);
    }
    return defaultText;
}

}  // namespace

bool ShowConfigErrorMessage(HINSTANCE instance, const InstallConfigData::Configuration& config, int code,
                            const std::string& argument, bool silent) {
    if (code == 0) return true;
    const ConfigMessage* message = nullptr;
    for (const ConfigMessage& m : kMessages) {
        if (m.code == code) message = &m;
    }
    if (!message) {
        LOG_INFO(tstrings::format("Unknown Error code %d", code));
        return false;
    }
    std::wstring text = wideString(instance, message->stringId, std::wstring());
    if (text.size() > 1023) text.resize(1023);
    if (message->logOnly) {
        logit(tstrings::toACP(text));
        return false;
    }
    // Formatted in UTF-8, as the arguments and paths come, and shown wide: an
    // argument that the ANSI code page cannot hold is named as typed.
    std::wstring shown = tstrings::toUtf16(formatMessage(tstrings::toUtf8(text), *message, argument, config));
    if (shown.size() > 1023) shown.resize(1023);
    logit(tstrings::toACP(shown));
    if (!silent) {
        std::wstring caption = wideString(instance, IDS_CONFIG_ERROR_CAPTION, L"Orun Installation Not Completed");
        if (caption.size() > 255) caption.resize(255);
        showMessageBox(nullptr, shown, caption, MB_ICONERROR);
    }
    return false;
}

void ShowSwitchesHelp(HINSTANCE instance, bool silent) {
    // Wide: the list in the chosen language, whatever the ANSI code page.
    const std::wstring text = wideString(instance, IDS_SWITCHES_HELP, std::wstring());
    logit(tstrings::toACP(text));
    if (silent) return;
    showMessageBox(nullptr, text, wideString(instance, IDS_SETUP_CAPTION, L"Orun Setup"), MB_ICONINFORMATION);
}
