#pragma once
// The pages of the out-of-date removal: the offer, the version list, the
// progress, the rule-set notice and the result lists.
#include <string>
#include <vector>

#include "html_ui/dialog.h"
#include "scrub/qcleaner.h"

namespace qscrub {

// One row of the pages.
struct VersionChoice {
    bool selected = false;
    InstalledVersion version;
};

namespace ui {

// Closes with this when the page's list link was followed.
constexpr int kListLink = 4;

class OrunScrubDialog : public ::ui::Dialog {
public:
    OrunScrubDialog();
    void onEvent(const std::string& name, const ::ui::ArgList& args) override;
};

class OrunScrubVersionsDialog : public ::ui::Dialog {
public:
    OrunScrubVersionsDialog();
    void setChoices(const std::vector<VersionChoice>& choices) { choices_ = choices; }
    const std::vector<VersionChoice>& choices() const { return choices_; }
    void onLoadComplete() override;
    void onEvent(const std::string& name, const ::ui::ArgList& args) override;

private:
    std::vector<VersionChoice> choices_;
};

class OrunScrubProgressDialog : public ::ui::Dialog {
public:
    OrunScrubProgressDialog();
    void setDone(bool done) { done_ = done; }
    // The status line for the k-th of n versions.
    void setStatus(const std::string& displayName, int k, int n);
    void onLoadComplete() override;
    void onEvent(const std::string& name, const ::ui::ArgList& args) override;

private:
    bool done_ = false;
};

class OrunScrubDRSDialog : public ::ui::Dialog {
public:
    explicit OrunScrubDRSDialog(const std::vector<InstalledVersion>& versions);
    void onLoadComplete() override;

private:
    std::vector<InstalledVersion> versions_;
};

class OrunScrubCompleteDialog : public ::ui::Dialog {
public:
    OrunScrubCompleteDialog(const std::vector<InstalledVersion>& removed, const std::vector<InstalledVersion>& remaining);
    void onLoadComplete() override;

private:
    std::vector<InstalledVersion> removed_;
    std::vector<InstalledVersion> remaining_;
};

}  // namespace ui

// The name a row shows: the release's own name, " (64-bit)" for 64-bit runtimes.
std::string displayName(const InstalledVersion& version);

}  // namespace qscrub
