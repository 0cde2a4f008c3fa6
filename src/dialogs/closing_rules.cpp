#include "dialogs/closing_rules.h"

#include <cctype>
#include <initializer_list>

#include "base/resource_ids.h"

namespace closing {
namespace {
bool sameIgnoringCase(const std::string& a, const char* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i]))) return false;
    }
    return i == a.size() && !b[i];
}

bool isOneOf(const std::string& code, std::initializer_list<const char*> codes) {
    for (const char* c : codes) {
        if (sameIgnoringCase(code, c)) return true;
    }
    return false;
}
}  // namespace

bool usesSponsorHeader(const SetupCompleteData& data) {
    return data.sponsorOffer && isOneOf(data.sponsorCode, {"SP12", "SP14", "SP11"});
}

unsigned sponsorTitleId(const std::string& code) {
    if (isOneOf(code, {"SP11"})) return IDS_SPONSOR_TITLE_TOOLBAR;
    if (isOneOf(code, {"SP12", "SP13", "SP14", "SP15"})) return IDS_SPONSOR_TITLE_SEARCH;
    return 0;
}

bool restartDecisionOnClose(const SetupCompleteData& data, bool ticked, const std::function<bool()>& askUser) {
    if (!data.showRestartBox) return data.restartBrowser;
    return ticked || askUser();
}

}  // namespace closing
