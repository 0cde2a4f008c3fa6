#include "html_ui/page_player.h"

#include <atomic>
#include <stdexcept>

#include "base/com_holders.h"
#include "base/source_location.h"
#include "base/tstrings.h"
#include "html_ui/browser_control.h"
#include "html_ui/dialog.h"

namespace ui {

namespace {
std::atomic<PagePlayer*> player{nullptr};
}

void setPagePlayer(PagePlayer* p) { player = p; }
PagePlayer* pagePlayer() { return player; }

void sendPageEvent(Dialog& dialog, const ArgList& args) {
    BrowserControl* control = dialog.getWindow().getControl();
    if (!control) throw QDS_ERROR(std::logic_error("browser control does not exist"));
    std::vector<Bstr> texts;
    texts.reserve(args.size());
    std::vector<VARIANT> values(args.size());
    for (size_t i = 0; i < args.size(); ++i) {
        texts.emplace_back(tstrings::toUtf16(args[i]).c_str());
        VARIANT& v = values[args.size() - 1 - i];  // stored last-first
        v.vt = VT_BSTR;
        v.bstrVal = texts.back().get();
    }
    DISPPARAMS params = {values.empty() ? nullptr : values.data(), nullptr, static_cast<UINT>(values.size()), 0};
    control->getExternal().Invoke(BrowserControl::BrowserExternal::Notify, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
}

}  // namespace ui
