#include "msi/error.h"

#include "base/file_utils.h"
#include "base/join_message.h"
#include "base/logger.h"
#include "base/report.h"
#include "base/resource.h"
#include "base/sys_error.h"
#include "base/sys_info.h"
#include "base/tstrings.h"
#include "base/win_handles.h"

namespace msi {
namespace {

std::string installerText(unsigned code) {
    // The installer's message texts; a data file, so nothing of it runs.
    // Taken from the system directory, like every library of the system.
    std::wstring path;
    try {
        path = tstrings::fromACP(FileUtils::combinePath(SysInfo::getSystem32Dir(), "msimsg.dll"));
    } catch (const std::exception& e) {
        REPORT_EXCEPTION(e);
        return std::string();
    }
    const UniqueModule texts(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (!texts.get()) {
        const DWORD error = GetLastError();
        LOG_ERROR(tstrings::format("%s failed with %s", "LoadLibraryExW(msimsg.dll)", formatSystemError(error, nullptr).c_str()));
        return std::string();
    }
    // Many codes have no text there (and some installer versions carry no
    // texts at all): no error, the system's table below has the word.
    std::string text;
    if (FindResourceW(texts.get(), MAKEINTRESOURCEW((code & 0xFFFF) / 16 + 1), MAKEINTRESOURCEW(6))) {
        try {
            text = "(" + StringResource(code & 0xFFFF, texts.get()).string() + ")";
        } catch (const std::exception& e) {
            REPORT_EXCEPTION(e);
        } catch (...) {
            REPORT_UNKNOWN_EXCEPTION();
        }
    }
    if (text.empty()) {
        // Some installer versions keep these texts only in the system's message
        // table, where the installer's return codes are described too.
        const std::string system = describeSystemError(code, nullptr);
        if (system != "No description available") text = "(" + system + ")";
    }
    return text;
}

}  // namespace

std::string makeMessage(const std::string& context, unsigned code) {
    return joinMessage(context, "MSI error [" + std::to_string(code) + "]" + installerText(code));
}

Error::Error(const std::string& context, unsigned code) : std::runtime_error(makeMessage(context, code)), code_(code) {}

}  // namespace msi

bool IsInstallSuccess(int result) {
    return result == ERROR_SUCCESS || result == ERROR_SUCCESS_REBOOT_REQUIRED || result == ERROR_SUCCESS_REBOOT_INITIATED;
}
