// The install status report: built, logged without its access code, posted.
#include <string>

#include "base/bounded_call.h"
#include "base/logger.h"
#include "base/report.h"
#include "base/sys_info.h"
#include "base/trusted_url.h"
#include "config/install_config_data.h"
#include "config/setting_keys.h"
#include "metrics/install_status.h"
#include "metrics/ovx_metrics.h"
#include "metrics/ping_text.h"
#include "msi/error.h"
#include "net/http_connection.h"
#include "process/browsers.h"
#include "product/product.h"

namespace {

struct FirstReport {
    bool done = false;
    std::string visitorId;
    std::string fallbackPreviousVersion = "XX";
};

FirstReport& firstReport() {
    static FirstReport first;
    if (!first.done) {
        first.done = true;
        ensureVisitorId(first.visitorId);
        std::string latest;
        if (GetLatestOvxKey(latest)) first.fallbackPreviousVersion = latest;
    }
    return first;
}

}  // namespace

void LogHeadRequestBuffer(const std::string& report) { LOG_INFO("Ping Values: " << ping::headRequestLogText(report)); }

int postReport(const std::string& address, const std::string& report) {
    int sent = 0;
    try {
        // A silent run shows no window, not even the system's network dialogs.
        const bool dialogs = !isSilentRun();
        callWithin(kServiceTimeoutMs, "The report to " + address, [address, report, dialogs] {
            HttpConnection connection(address);
            connection.method = HttpConnection::POST;
            connection.userAgent = "qupdate";
            connection.body.assign(report.begin(), report.end());
            connection.showErrorDialogs = dialogs;
            connection.timeoutMs = kServiceTimeoutMs;
            // Plain http stays off: the connection's default.
            HttpConnection::Response response = connection.connect(true);
            std::string ignored;
            response.saveToString(ignored);
        });
        sent = 1;
    } catch (const std::exception& e) {
        REPORT_EXCEPTION(e);
    } catch (...) {
        REPORT_UNKNOWN_EXCEPTION();
    }
    LogHeadRequestBuffer(report);
    return sent;
}

int SendHeadRequest(const InstallConfigData& config, const OrunScrubPingData* scrubData,
                    const std::string& previousVersion, int installResult, int auStatus,
                    const std::string& previousAuVersion, const std::string& resourceAuVersion,
                    const std::string& previousVersionAgain, const std::string& deployStatus, DWORD msiStatusError,
                    DWORD msiStatusExtendedError) {
    if (!config.IsEnabled(cfg::WEB_ANALYTICS)) {
        logit("Pings disabled.");
        return 1;
    }
    logit("Pings enabled");
    const PingValues& values = pingValues();
    const std::string& address = values.reportAddress;
    if (address.empty() || !IsTrustedUrl(address)) {
        LOG_ERROR("No pings: unallowed url: " << address);
        return 1;
    }
    const FirstReport& first = firstReport();
    const bool is32Bit = isNotNativeX64();
    const std::string bits = is32Bit ? "32bit" : "64bit";

    ping::StatusReport report;
    report.append("sc_xml_ver", "1.0");
    report.append("reportsuiteid", ping::reportSuiteId(address));
    report.append("visitorid", first.visitorId);
    report.append("prop21", first.visitorId);
    report.append("prop20", ping::accessCode(address));
    report.append("pagename", "ic");
    report.append("evar42", deployStatus.empty() ? "XX" : deployStatus);
    report.append("evar24", static_cast<long long>(msiStatusError));
    report.append("evar25", static_cast<long long>(msiStatusExtendedError));
    report.append("evar2", product::kVersion);
    report.append("evar15", product::kVersion);
    report.append("evar40", takeOfferedSPCnt());
    report.append("evar26", auStatus);
    report.append("evar27", resourceAuVersion);
    report.append("evar28", previousAuVersion);
    report.append("evar4", is32Bit ? "i586" : "amd64");
    report.append("evar5", SysInfo::getArchName());
    report.append("evar6", SysInfo::getOsName());
    report.append("evar7", values.method);
    report.append("evar8", values.country);
    report.append("events", "event6,event7");

    char status[513] = {};
    readInstallStatus("InstallStatus", status, sizeof(status));
    ClearInstallStatus();
    const std::string statusText = status;
    if (statusText == "reinstall") {
        LOG_INFO("No pings: reinstall");
        return 1;
    }
    const int result = ping::reportedResult(statusText, installResult);
    if (!IsInstallSuccess(result) || statusText == "decline") {
        writePolicyValue("VisitorId", nullptr);
        writePolicyValue("Method", nullptr);
    }

    std::string machineCounted, updateCount, installAttempts;
    GetUpdatedOvxMetrics(result, machineCounted, updateCount, installAttempts);
    report.append("evar17", installAttempts);
    report.append("evar18", machineCounted);
    report.append("evar19", updateCount);
    report.append("evar29", getDefaultBrowserId());
    report.append("evar30", "-1");
    report.append("evar31", bits);
    if (is32Bit) {
        const bool usable = previousVersion.size() >= 2 && previousVersion != "NA";
        report.append("evar33", usable ? previousVersion : first.fallbackPreviousVersion);
    } else {
        report.append("evar34", previousVersionAgain.empty() ? "XX" : previousVersionAgain);
    }
    report.append("evar50", browserFlagsText(is32Bit));
    if (statusText == "decline") {
        LOG_INFO("No pings: decline");
        return 1;
    }
    std::string products = ";ovx|" + std::to_string(result) + "~" + bits;
    if (!statusText.empty() && statusText != "exists") products += statusText;
    report.append("products", products);
    ping::appendRemovalReport(report, scrubData);
    return postReport(address, report.finish());
}
