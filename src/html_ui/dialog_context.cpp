#include "html_ui/dialog_context.h"

#include "base/locale.h"
#include "base/sys_info.h"
#include "base/report.h"
#include "base/tstrings.h"

std::string makeResourceBaseUrl(const std::string& modulePath) {
    std::string url = "res://" + modulePath + "/";
    url = tstrings::replace(url, "\\", "%5C");
    return tstrings::replace(url, " ", "%20");
}

std::string defaultBaseUrl() {
    static const std::string url = makeResourceBaseUrl(SysInfo::getProcessModulePath());
    return url;
}

const DialogContext& dialogContext() {
    static const DialogContext context = [] {
        DialogContext c;
        try {
            c.localeName = Locale::fromPreferredLanguages().getName();
        } catch (const std::exception& e) {
            REPORT_EXCEPTION(e);
            c.localeName = Locale().getName();
        }
        return c;
    }();
    return context;
}
