#include "scrub/run_sequence.h"

#include "base/logger.h"
#include "base/report.h"
#include "base/sys_info.h"
#include "product/product.h"
#include "scrub/orun_scrub.h"
#include "scrub/scrub_dialogs.h"

namespace qscrub {

namespace {

std::vector<VersionChoice> initialChoices(const std::vector<InstalledVersion>& outOfDate) {
    std::vector<VersionChoice> choices;
    for (const InstalledVersion& v : outOfDate) choices.push_back({(v.flags & InstalledVersion::preselected) != 0, v});
    return choices;
}

// The first page, and the list behind its link, until the user decides.
int chooseVersions(const std::vector<VersionChoice>& initial, std::vector<VersionChoice>& choices) {
    ui::OrunScrubDialog first;
    ui::OrunScrubVersionsDialog list;
    for (;;) {
        const int result = first.run();
        if (result != ui::kListLink) return result;
        list.setChoices(choices);
        if (list.run() == ::ui::Dialog::Next) {
            choices = list.choices();
            return ::ui::Dialog::Next;
        }
        choices = initial;  // Back drops the changes
    }
}

}  // namespace

std::string deploymentRuleSetPath() { return SysInfo::getWindowsDir() + "\\Kyn\\Orun\\Deployment\\DeploymentRuleSet.qar"; }

OrunScrubPingData runSequence() {
    OrunScrubPingData data;
    try {
        InstalledVersion current;
        current.version = RuntimeVersion(product::kVersion);
        current.arch = isNotNativeX64() ? 32 : 64;
        data = OrunScrubPingData(QCleaner::collectInstalledVersions(), current);

        const std::vector<InstalledVersion> outOfDate = OrunScrub::findOutOfDateVersions(product::kFamilyVersion);
        LOG_INFO("Out-of-date Orun versions detected: " << outOfDate.size());
        if (outOfDate.empty()) return data;
        if (GetFileAttributesA(deploymentRuleSetPath().c_str()) == INVALID_FILE_ATTRIBUTES) {
            showSequence(outOfDate, data);
        } else {
            ui::OrunScrubDRSDialog(outOfDate).run();
            LOG_INFO("DRS detected, skipping out-of-date Orun uninstall");
            data.setIsDRS(true);
        }
    } catch (const std::exception& e) {
        REPORT_EXCEPTION(e);
    } catch (...) {
        REPORT_UNKNOWN_EXCEPTION();
    }
    return data;
}

void showSequence(const std::vector<InstalledVersion>& outOfDate, OrunScrubPingData& data) {
    const std::vector<VersionChoice> initial = initialChoices(outOfDate);
    std::vector<VersionChoice> choices = initial;
    if (chooseVersions(initial, choices) != ::ui::Dialog::Next) {
        for (const VersionChoice& c : choices) data.addKeptVersion(c.version);
        data.setIsIgnoredByUser(true);
        return;
    }
    int selected = 0;
    for (const VersionChoice& c : choices) {
        if (c.selected)
            ++selected;
        else
            data.addKeptVersion(c.version);
    }
    if (selected == 0) return;

    ui::OrunScrubProgressDialog progress;
    progress.setDone(false);
    progress.show();
    int k = 0;
    for (VersionChoice& c : choices) {
        if (!c.selected) continue;
        const std::string text = c.version.version.text();
        progress.setStatus(displayName(c.version), ++k, selected);
        int exitCode = 0;
        if (OrunScrub::uninstallOVXVersion(text, c.version.arch == 64, &exitCode)) {
            LOG_INFO("Out-of-date Orun uninstall success: " << text);
        } else {
            c.selected = false;
            LOG_ERROR("Out-of-date Orun uninstall error: " << text);
        }
        data.addUninstalledVersion(c.version, exitCode);
    }
    progress.hide();
    progress.setDone(true);
    if (progress.run() != ui::kListLink) return;

    std::vector<InstalledVersion> removed, remaining;
    for (const VersionChoice& c : choices) {
        if (c.selected) {
            LOG_INFO("Out-of-date Orun removed: " << c.version.version.text());
            removed.push_back(c.version);
        } else {
            LOG_INFO("Out-of-date Orun remaining: " << c.version.version.text());
            remaining.push_back(c.version);
        }
    }
    ui::OrunScrubCompleteDialog(removed, remaining).run();
}

}  // namespace qscrub
