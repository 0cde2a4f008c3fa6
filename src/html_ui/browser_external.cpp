// The page's script object `external`.
#include <sstream>
#include <stdexcept>

#include "base/logger.h"
#include "base/report.h"
#include "base/tstrings.h"
#include "html_ui/browser_control.h"
#include "html_ui/window_handler.h"

namespace ui {

namespace {

const struct {
    const char* name;
    int level;
} kLogLevels[] = {{"TRACE", TRACE}, {"INFO", INFO}, {"WARNING", WARNING}, {"ERROR", ERROR}};

std::string join(ArgList::const_iterator begin, ArgList::const_iterator end) {
    std::string text;
    for (auto it = begin; it != end; ++it) text += *it;
    return text;
}

}  // namespace

const std::vector<std::string>& BrowserControl::BrowserExternal::methodNames() {
    static const std::vector<std::string> names = {"getLocale", "notify", "log", "setWindowProp", "delay"};
    return names;
}

STDMETHODIMP BrowserControl::BrowserExternal::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch) {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP BrowserControl::BrowserExternal::GetTypeInfoCount(UINT* count) {
    if (!count) return E_INVALIDARG;
    *count = 0;
    return S_OK;
}

STDMETHODIMP BrowserControl::BrowserExternal::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_FAIL; }

STDMETHODIMP BrowserControl::BrowserExternal::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (!names || !ids) return E_INVALIDARG;
    const std::vector<std::string>& methods = methodNames();
    HRESULT result = S_OK;
    for (UINT i = 0; i < count; ++i) {
        ids[i] = -1;
        const std::string name = names[i] ? tstrings::toUtf8(names[i]) : std::string();
        for (size_t m = 0; m < methods.size(); ++m) {
            if (methods[m] == name) {
                ids[i] = static_cast<DISPID>(m + 1);
                break;
            }
        }
        if (ids[i] == -1) result = DISP_E_UNKNOWNNAME;
    }
    return result;
}

STDMETHODIMP BrowserControl::BrowserExternal::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                                     VARIANT* result, EXCEPINFO*, UINT* argError) {
    if (!(flags & DISPATCH_METHOD)) return E_FAIL;
    if (id < GetLocale || id > Delay) return DISP_E_MEMBERNOTFOUND;
    if (params && params->cNamedArgs) return DISP_E_NONAMEDARGS;

    // Stored last-first; the list is in the script's order.
    ArgList args;
    const UINT count = params ? params->cArgs : 0;
    for (UINT i = count; i-- > 0;) {
        Variant text;
        const HRESULT hr = VariantChangeType(text.out(), &params->rgvarg[i], VARIANT_ALPHABOOL, VT_BSTR);
        if (FAILED(hr)) {
            if (argError) *argError = i;
            return DISP_E_TYPEMISMATCH;
        }
        BSTR b = text.get()->bstrVal;
        args.push_back(b ? tstrings::toUtf8(std::wstring(b, SysStringLen(b))) : std::string());
    }
    if (result) VariantInit(result);

    try {
        WindowHandler* handler = control_.getHandler();
        switch (id) {
        case GetLocale: {
            const std::string locale = handler ? handler->getLocale() : "en";
            if (result) {
                result->vt = VT_BSTR;
                result->bstrVal = SysAllocString(tstrings::fromACP(locale).c_str());
            }
            break;
        }
        case Notify:
            if (handler) {
                if (args.empty()) throw QDS_ERROR(std::runtime_error("external.notify: no parameters specified"));
                handler->onEvent(args[0], ArgList(args.begin() + 1, args.end()));
            }
            break;
        case Log:
            log(args);
            break;
        case SetWindowProp:
            if (handler) {
                if (args.empty()) throw QDS_ERROR(std::runtime_error("external.setWindowProp: no parameters specified"));
                handler->setWindowProp(args[0], ArgList(args.begin() + 1, args.end()));
            }
            break;
        case Delay:
            delay(args);
            break;
        }
    } catch (const std::exception& e) {
        REPORT_EXCEPTION(e);
    } catch (...) {
        REPORT_UNKNOWN_EXCEPTION();
    }
    return S_OK;
}

void BrowserControl::BrowserExternal::log(const std::vector<std::string>& args) {
    int level = ERROR;
    std::string message = "empty message";
    if (!args.empty()) {
        auto first = args.begin();
        for (const auto& known : kLogLevels) {
            if (args[0] == known.name) {
                level = known.level;
                ++first;
                break;
            }
        }
        message = join(first, args.end());
    }
    QDS_LOG(level, message);
}

void BrowserControl::BrowserExternal::delay(const std::vector<std::string>& args) {
    long ms = 0;
    if (!args.empty()) {
        std::istringstream in(args[0]);
        in.exceptions(std::ios::failbit | std::ios::badbit);
        try {
            in >> ms;
        } catch (const std::exception& e) {
            LOG_ERROR("cannot get parameter value (" << args[0] << "): " << e.what());
            ms = 0;
        }
    }
    if (ms > 0) Sleep(static_cast<DWORD>(ms));
}

}  // namespace ui
