// The WebBrowser control's DWebBrowserEvents2, as BrowserControl receives them.
#include <stdexcept>

#include "base/logger.h"
#include "base/report.h"
#include "base/sys_error.h"
#include "base/tstrings.h"
#include "html_ui/browser_control.h"
#include "html_ui/window_handler.h"

namespace ui {

namespace {

struct EventEntry {
    DISPID id;
    const char* name;
    int level;
};

const EventEntry kEvents[] = {
    {110, "DISPID_WINDOWRESIZE: ", TRACE},
    {111, "DISPID_WINDOWACTIVATE: ", TRACE},
    {113, nullptr, TRACE},  // logged by onTitleChange
    {200, "DISPID_FRAMEBEFORENAVIGATE: ", TRACE},
    {201, "DISPID_FRAMENAVIGATECOMPLETE: ", TRACE},
    {204, "DISPID_FRAMENEWWINDOW: ", TRACE},
    {250, "DISPID_BEFORENAVIGATE2: ", TRACE},
    {252, "DISPID_NAVIGATECOMPLETE2: ", TRACE},
    {254, "DISPID_ONVISIBLE: ", TRACE},
    {259, "DISPID_DOCUMENTCOMPLETE: ", TRACE},
    {263, "DISPID_WINDOWCLOSING: ", TRACE},
    {268, "DISPID_CLIENTTOHOSTWINDOW: ", TRACE},
    {271, "DISPID_NAVIGATEERROR: ", ERROR},
    {273, "DISPID_NEWWINDOW3: ", TRACE},
    {1002, "DISPID_HTMLWINDOWEVENTS_ONERROR: ", ERROR},
    {-609, "DISPID_HTMLDOCUMENTEVENTS_ONREADYSTATECHANGE: ", TRACE},
};

const EventEntry* findEvent(DISPID id) {
    for (const EventEntry& e : kEvents)
        if (e.id == id) return &e;
    return nullptr;
}

// Argument `index` as stored (0 is the last declared parameter).
VARIANT& argument(DISPPARAMS* params, UINT index) {
    if (!params || index >= params->cArgs) throw QDS_ERROR(std::runtime_error("missing event argument"));
    return params->rgvarg[index];
}

const VARIANT& dereferenced(const VARIANT& v) {
    return (v.vt == (VT_BYREF | VT_VARIANT) && v.pvarVal) ? *v.pvarVal : v;
}

std::string bstrText(BSTR text) { return text ? tstrings::toUtf8(std::wstring(text, SysStringLen(text))) : std::string(); }

std::string paramText(const VARIANT& v, UINT index) {
    switch (v.vt & VT_TYPEMASK) {
    case VT_EMPTY:
        return "EMPTY";
    case VT_NULL:
        return "NULL";
    case VT_BSTR:
        return "\"" + bstrText((v.vt & VT_BYREF) ? (v.pbstrVal ? *v.pbstrVal : nullptr) : v.bstrVal) + "\"";
    case VT_VARIANT:
        if ((v.vt & VT_BYREF) && v.pvarVal) return paramText(*v.pvarVal, index);
        break;
    }
    Variant text;
    const HRESULT hr = VariantChangeType(text.out(), const_cast<VARIANT*>(&v), 0, VT_BSTR);
    if (FAILED(hr)) {
        LOG_TRACE(tstrings::format("(extractParam[%d]) COM Error:%08x %s", static_cast<int>(index),
                                   static_cast<unsigned>(hr), describeSystemError(hr, nullptr).c_str()));
        return "<unknown>";
    }
    return bstrText(text.get()->bstrVal);
}

void setCancel(VARIANT& cancel) {
    if (cancel.vt == (VT_BYREF | VT_BOOL) && cancel.pboolVal) {
        *cancel.pboolVal = VARIANT_TRUE;
    } else if (cancel.vt == (VT_BYREF | VT_VARIANT) && cancel.pvarVal) {
        cancel.pvarVal->vt = VT_BOOL;
        cancel.pvarVal->boolVal = VARIANT_TRUE;
    } else {
        throw QDS_ERROR(std::runtime_error("the Cancel argument is not a reference to a boolean"));
    }
}

}  // namespace

std::string getParamString(const DISPPARAMS& params) {
    std::string text;
    for (UINT i = 0; i < params.cArgs; ++i) {
        if (i) text += ",";
        text += paramText(params.rgvarg[i], i);
    }
    return text;
}

STDMETHODIMP BrowserControl::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) {
    InterlockedExchange(&eventThreadId_, static_cast<LONG>(GetCurrentThreadId()));
    const EventEntry* event = findEvent(id);
    if (!event) return DISP_E_MEMBERNOTFOUND;
    try {
        if (event->name) QDS_LOG(event->level, event->name << (params ? getParamString(*params) : std::string()));
        switch (id) {
        case 113:
            onTitleChange(dereferenced(argument(params, 0)));
            break;
        case 250:
            onBeforeNavigate2(dereferenced(argument(params, 5)), &argument(params, 0));
            break;
        case 259:
            if (handler_) handler_->onLoadComplete();
            break;
        case 271:
            setCancel(argument(params, 0));
            if (handler_) handler_->onNavigateError(dereferenced(argument(params, 1)));
            break;
        }
    } catch (const std::exception& e) {
        REPORT_EXCEPTION(e);
    } catch (...) {
        REPORT_UNKNOWN_EXCEPTION();
    }
    return S_OK;
}

void BrowserControl::onTitleChange(const VARIANT& title) {
    LOG_TRACE("onTitleChange: " << (title.vt == VT_BSTR ? bstrText(title.bstrVal) : std::string()));
}

void BrowserControl::onBeforeNavigate2(const VARIANT& url, VARIANT* cancel) {
    std::string address;
    if (url.vt == VT_BSTR && url.bstrVal) address = tstrings::toACP(std::wstring(url.bstrVal, SysStringLen(url.bstrVal)));
    LOG_TRACE("OnBeforeNavigate: " << address);
    // The pages' links carry "#" and report their address through `external`.
    if (!address.empty() && address.back() == '#') setCancel(*cancel);
}

STDMETHODIMP BrowserControl::GetTypeInfoCount(UINT* count) {
    if (!count) return E_INVALIDARG;
    *count = 0;
    return S_OK;
}
STDMETHODIMP BrowserControl::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_FAIL; }
STDMETHODIMP BrowserControl::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }

}  // namespace ui
