#include "scrub/scrub_dialogs.h"

#include "base/tstrings.h"
#include "html_ui/dialog_context.h"
#include "version/orun_version.h"

namespace qscrub {

namespace {

// A text inside a single-quoted script string.
std::string scriptText(const std::string& text) {
    return tstrings::replace(tstrings::replace(text, "\\", "\\\\"), "'", "\\'");
}

bool isLink(const std::string& name, const ::ui::ArgList& args, const char* link) {
    return name == "a" && !args.empty() && args[0] == link;
}

}  // namespace

std::string displayName(const InstalledVersion& version) {
    return getProductDisplayName(version.version, version.arch);
}

namespace ui {

OrunScrubDialog::OrunScrubDialog() : Dialog("orunscrub.html", dialogContext()) {}

void OrunScrubDialog::onEvent(const std::string& name, const ::ui::ArgList& args) {
    if (isLink(name, args, "manageListLink"))
        close(kListLink);
    else
        Dialog::onEvent(name, args);
}

OrunScrubVersionsDialog::OrunScrubVersionsDialog() : Dialog("orunscrub_versions.html", dialogContext()) {}

void OrunScrubVersionsDialog::onLoadComplete() {
    std::string status;
    for (size_t j = 0; j < choices_.size(); ++j) {
        execJScript(tstrings::format("addListItem('%d','%s');", static_cast<int>(j),
                                     scriptText(displayName(choices_[j].version)).c_str()));
        status += choices_[j].selected ? '1' : '0';
    }
    if (!choices_.empty()) execJScript(tstrings::format("updateListItems('%s');", status.c_str()));
    Dialog::onLoadComplete();
}

void OrunScrubVersionsDialog::onEvent(const std::string& name, const ::ui::ArgList& args) {
    if (name == "checkbox_clicked" && !args.empty()) {
        const std::string& status = args[0];
        for (size_t i = 0; i < choices_.size() && i < status.size(); ++i) choices_[i].selected = status[i] == '1';
    }
    Dialog::onEvent(name, args);
}

OrunScrubProgressDialog::OrunScrubProgressDialog() : Dialog("orunscrub_progress.html", dialogContext()) {}

void OrunScrubProgressDialog::setStatus(const std::string& name, int k, int n) {
    execJScript(tstrings::format("setStatus('%s','%d','%d')", scriptText(name).c_str(), k, n));
}

void OrunScrubProgressDialog::onLoadComplete() {
    execJScript(tstrings::format("showProgressView(%d)", done_ ? 0 : 1));
    Dialog::onLoadComplete();
}

void OrunScrubProgressDialog::onEvent(const std::string& name, const ::ui::ArgList& args) {
    if (isLink(name, args, "viewListLink"))
        close(kListLink);
    else
        Dialog::onEvent(name, args);
}

OrunScrubDRSDialog::OrunScrubDRSDialog(const std::vector<InstalledVersion>& versions)
    : Dialog("orunscrub_drs.html", dialogContext()), versions_(versions) {}

void OrunScrubDRSDialog::onLoadComplete() {
    for (const InstalledVersion& v : versions_)
        execJScript(tstrings::format("addListItem('%s');", scriptText(displayName(v)).c_str()));
    Dialog::onLoadComplete();
}

OrunScrubCompleteDialog::OrunScrubCompleteDialog(const std::vector<InstalledVersion>& removed,
                                                 const std::vector<InstalledVersion>& remaining)
    : Dialog("orunscrub_complete.html", dialogContext()), removed_(removed), remaining_(remaining) {}

void OrunScrubCompleteDialog::onLoadComplete() {
    for (const InstalledVersion& v : removed_)
        execJScript(tstrings::format("addListItem('%s', '%s');", "uninstalledList", scriptText(displayName(v)).c_str()));
    for (const InstalledVersion& v : remaining_)
        execJScript(tstrings::format("addListItem('%s', '%s');", "remainingList", scriptText(displayName(v)).c_str()));
    Dialog::onLoadComplete();
}

}  // namespace ui
}  // namespace qscrub
