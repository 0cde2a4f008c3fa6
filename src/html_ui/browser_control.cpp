// The container roles of BrowserControl: creation, activation, navigation,
// script calls and the site callbacks.
#include "html_ui/browser_control.h"

#include <stdexcept>

#include "base/logger.h"
#include "base/report.h"
#include "base/sys_error.h"
#include "base/tstrings.h"
#include "html_ui/browser_window.h"
#include "html_ui/window_handler.h"

#include <mshtml.h>

namespace ui {

namespace {

// "<operation> failed with <system message>" at ERROR, under the caller's name.
#define LOG_FAILED(operation, hr) \
    LOG_ERROR(tstrings::format("%s failed with %s", (operation), describeSystemError((hr), nullptr).c_str()))

std::string hexHandle(HWND hwnd) { return tstrings::format("%p", static_cast<void*>(hwnd)); }

class ScriptAction : public ipc::Runnable {
public:
    ScriptAction(BrowserControl& control, const std::string& script) : control_(control), script_(script) {}
    void run() override { result = control_.execJScriptUnsafe(script_); }
    Variant result;

private:
    BrowserControl& control_;
    const std::string& script_;
};

}  // namespace

BrowserControl::BrowserControl() : external_(std::make_unique<BrowserExternal>(*this)) {
    LOG_TRACE("BrowserControl::ctor()");
}

BrowserControl::~BrowserControl() { LOG_TRACE("~BrowserControl, ref=" << refCounter_); }

void BrowserControl::create(BrowserWindow& parent) {
    RECT rect = {};
    GetClientRect(parent.getHwnd(), &rect);
    auto* control = new BrowserControl;
    if (control->createControl(&parent, rect)) {
        parent.setControl(control);
        return;
    }
    LOG_ERROR("BrowserControl::createControl failed");
    control->destroy();
    throw QDS_ERROR(std::runtime_error("BrowserControl::createControl failed"));
}

bool BrowserControl::createControl(BrowserWindow* parent, const RECT& rect) {
    parent_ = parent;
    rect_ = rect;
    webBrowser_.reset();
    {
        ComPtr<IUnknown> unknown;
        HRESULT hr = CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_ALL, IID_IUnknown, unknown.outVoid());
        if (SUCCEEDED(hr)) hr = OleRun(unknown.get());
        if (SUCCEEDED(hr)) hr = unknown.query(IID_IWebBrowser2, webBrowser_);
        if (FAILED(hr) || !webBrowser_) {
            webBrowser_.reset();
            LOG_FAILED("CreateInstance", FAILED(hr) ? hr : E_NOINTERFACE);
            return false;
        }
    }
    ComPtr<IOleObject> oleObject;
    if (FAILED(webBrowser_.query(IID_IOleObject, oleObject)) || !oleObject) {
        LOG_ERROR("webBrowser -> OleObject");
        return false;
    }
    HRESULT hr = oleObject->SetClientSite(static_cast<IOleClientSite*>(this));
    if (SUCCEEDED(hr)) hr = oleObject->SetHostNames(L"containerApp", L"containerObj");
    if (FAILED(hr)) {
        LOG_FAILED("OleObject->SetClientSite", hr);
        return false;
    }
    hr = OleSetContainedObject(webBrowser_.get(), TRUE);
    if (FAILED(hr)) {
        LOG_FAILED("OleSetContainedObject", hr);
        return false;
    }
    ComPtr<IViewObject> viewObject;
    hr = webBrowser_.query(IID_IViewObject, viewObject);
    if (SUCCEEDED(hr) && viewObject) hr = viewObject->SetAdvise(DVASPECT_CONTENT, 0, static_cast<IAdviseSink*>(this));
    if (FAILED(hr)) {
        LOG_FAILED("viewObject->SetAdvise", hr);
        return false;
    }
    hr = oleObject->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, static_cast<IOleClientSite*>(this), 0, parent->getHwnd(),
                           &rect_);
    if (FAILED(hr)) {
        LOG_FAILED("DoVerb(OLEIVERB_INPLACEACTIVATE)", hr);
        return false;
    }
    if (FAILED(adviseBrowser(true))) return false;
    webBrowser_->put_MenuBar(VARIANT_FALSE);
    webBrowser_->put_AddressBar(VARIANT_FALSE);
    webBrowser_->put_StatusBar(VARIANT_FALSE);
    webBrowser_->put_ToolBar(VARIANT_FALSE);
    webBrowser_->put_RegisterAsBrowser(VARIANT_FALSE);
    webBrowser_->put_RegisterAsDropTarget(VARIANT_FALSE);
    webBrowser_->put_Visible(VARIANT_TRUE);
    return true;
}

HRESULT BrowserControl::adviseBrowser(bool connect) {
    ComPtr<IConnectionPointContainer> container;
    if (FAILED(webBrowser_.query(IID_IConnectionPointContainer, container)) || !container) {
        LOG_ERROR("cannot get CP container");
        return E_FAIL;
    }
    ComPtr<IConnectionPoint> point;
    HRESULT hr = container->FindConnectionPoint(DIID_DWebBrowserEvents2, point.out());
    if (FAILED(hr) || !point) {
        hr = FAILED(hr) ? hr : E_NOINTERFACE;
        LOG_FAILED("FindConnectionPoint", hr);
        return hr;
    }
    if (connect) {
        hr = point->Advise(static_cast<DWebBrowserEvents2*>(this), &adviseCookie_);
        if (FAILED(hr)) LOG_FAILED("Advise", hr);
    } else {
        hr = point->Unadvise(adviseCookie_);
        adviseCookie_ = 0;
        if (FAILED(hr)) LOG_FAILED("Unadvise", hr);
    }
    return hr;
}

void BrowserControl::destroy() {
    handler_ = nullptr;
    parent_ = nullptr;
    LOG_TRACE(">>BrowserControl::destroy, ref=" << refCounter_);
    if (webBrowser_) {
        {
            ComPtr<IOleObject> oleObject;
            if (SUCCEEDED(webBrowser_.query(IID_IOleObject, oleObject)) && oleObject) {
                oleObject->Close(OLECLOSE_NOSAVE);
                oleObject->SetClientSite(nullptr);
            }
        }
        adviseBrowser(false);
        webBrowser_.reset();
    }
    LOG_TRACE("<<BrowserControl::destroy, ref=" << refCounter_);
    Release();  // the creator's reference; the browser may still hold others
}

void BrowserControl::setRect(const RECT& rect) {
    rect_ = rect;
    ComPtr<IOleInPlaceObject> inPlace;
    if (SUCCEEDED(webBrowser_.query(IID_IOleInPlaceObject, inPlace)) && inPlace) {
        const HRESULT hr = inPlace->SetObjectRects(&rect_, &rect_);
        if (FAILED(hr)) LOG_FAILED("SetObjectRects", hr);
    }
}

void BrowserControl::setFocus() {
    LOG_TRACE("setFocus, isUIActivated=" << isUIActivated_);
    if (!webBrowser_) return;
    HWND parentWnd = parent_ ? parent_->getHwnd() : nullptr;
    if (!isUIActivated_) {
        ComPtr<IOleObject> oleObject;
        if (FAILED(webBrowser_.query(IID_IOleObject, oleObject)) || !oleObject) {
            LOG_ERROR("cannot get OleObject");
        } else {
            const HRESULT hr =
                oleObject->DoVerb(OLEIVERB_UIACTIVATE, nullptr, static_cast<IOleClientSite*>(this), 0, parentWnd, &rect_);
            if (FAILED(hr)) LOG_FAILED("DoVerb(OLEIVERB_UIACTIVATE)", hr);
        }
    }
    ComPtr<IOleInPlaceActiveObject> active;
    if (SUCCEEDED(webBrowser_.query(IID_IOleInPlaceActiveObject, active)) && active) active->OnFrameWindowActivate(TRUE);
    HWND objectWnd = getObjectWnd();
    HWND focused = GetFocus();
    LOG_TRACE("parent: " << hexHandle(parentWnd) << ", objectWnd: " << hexHandle(objectWnd)
                         << ", focusedWnd: " << hexHandle(focused));
    if (objectWnd && (!focused || (focused != objectWnd && !IsChild(objectWnd, focused)))) SetFocus(objectWnd);
}

HWND BrowserControl::getObjectWnd() {
    if (!webBrowser_) return nullptr;
    ComPtr<IOleWindow> oleWindow;
    if (FAILED(webBrowser_.query(IID_IOleWindow, oleWindow)) || !oleWindow) return nullptr;
    HWND hwnd = nullptr;
    const HRESULT hr = oleWindow->GetWindow(&hwnd);
    if (FAILED(hr)) {
        LOG_FAILED("OleWindow(GetWindow)", hr);
        return nullptr;
    }
    return hwnd;
}

void BrowserControl::openUrl(const std::wstring& url, WindowHandler* handler) {
    handler_ = handler;
    HRESULT hr = E_POINTER;
    if (webBrowser_) {
        Bstr address(url.c_str());
        Variant flags, empty1, empty2, empty3;
        flags.get()->vt = VT_INT;
        flags.get()->intVal = navNoHistory;
        hr = webBrowser_->Navigate(address.get(), flags.get(), empty1.get(), empty2.get(), empty3.get());
    }
    if (FAILED(hr)) {
        handler_ = nullptr;
        LOG_FAILED("Navigate", hr);
        throw QDS_ERROR(std::runtime_error("webBrowser->Navigate failed"));
    }
}

Variant BrowserControl::execJScript(const std::string& script) {
    const DWORD self = GetCurrentThreadId();
    HWND parentWnd = parent_ ? parent_->getHwnd() : nullptr;
    if ((parentWnd && GetWindowThreadProcessId(parentWnd, nullptr) == self) ||
        static_cast<DWORD>(InterlockedCompareExchange(&eventThreadId_, 0, 0)) == self)
        return execJScriptUnsafe(script);
    ScriptAction action(*this, script);
    thread_.execute(&action);
    return std::move(action.result);
}

Variant BrowserControl::execJScriptUnsafe(const std::string& script) {
    if (!webBrowser_) throw QDS_ERROR(std::logic_error("object is not created"));
    const auto fail = [](const char* operation, HRESULT hr) {
        LOG_FAILED(operation, FAILED(hr) ? hr : E_POINTER);
        throw QDS_ERROR(std::runtime_error("JScript execution error"));
    };
    ComPtr<IDispatch> document;
    HRESULT hr = webBrowser_->get_Document(document.out());
    if (FAILED(hr) || !document) fail("webBrowser->getDocument(Disp)", hr);
    ComPtr<IHTMLDocument2> htmlDocument;
    hr = document.query(IID_IHTMLDocument2, htmlDocument);
    if (FAILED(hr) || !htmlDocument) fail("webBrowser->getDocument(HTMLDoc)", hr);
    ComPtr<IDispatch> scriptObject;
    hr = htmlDocument->get_Script(scriptObject.out());
    if (FAILED(hr) || !scriptObject) fail("doc->getScript()", hr);
    wchar_t evalName[] = L"eval";
    LPOLESTR names[] = {evalName};
    DISPID evalId = 0;
    hr = scriptObject->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &evalId);
    if (FAILED(hr)) fail("script->getIDsOfNames", hr);
    Bstr text(tstrings::fromACP(script).c_str());
    VARIANT argument;
    argument.vt = VT_BSTR;
    argument.bstrVal = text.get();
    DISPPARAMS params = {&argument, nullptr, 1, 0};
    Variant result;
    hr = scriptObject->Invoke(evalId, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_METHOD, &params, result.out(), nullptr,
                              nullptr);
    if (FAILED(hr)) fail("script->Invoke", hr);
    return result;
}

// IUnknown

STDMETHODIMP BrowserControl::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IOleClientSite)
        *object = static_cast<IOleClientSite*>(this);
    else if (iid == IID_IOleInPlaceSite || iid == IID_IOleWindow)
        *object = static_cast<IOleInPlaceSite*>(this);
    else if (iid == IID_IOleInPlaceFrame || iid == IID_IOleInPlaceUIWindow)
        *object = static_cast<IOleInPlaceFrame*>(this);
    else if (iid == IID_IAdviseSink)
        *object = static_cast<IAdviseSink*>(this);
    else if (iid == DIID_DWebBrowserEvents2 || iid == IID_IDispatch)
        *object = static_cast<DWebBrowserEvents2*>(this);
    else if (iid == IID_IDocHostUIHandler)
        *object = static_cast<IDocHostUIHandler*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) BrowserControl::AddRef() { return InterlockedIncrement(&refCounter_); }

STDMETHODIMP_(ULONG) BrowserControl::Release() {
    const LONG count = InterlockedDecrement(&refCounter_);
    if (count == 0) {
        LOG_TRACE("refCounter is 0, deleting this");
        delete this;
    }
    return count;
}

HRESULT BrowserControl::notImplemented(const char* operation) {
    Logger& logger = Logger::instance();
    if (logger.isEnabled(TRACE))
        logger.write(TRACE, __FILE__, __LINE__, std::string("ui::BrowserControl::") + operation, "NOT_IMPLEMENTED");
    return E_NOTIMPL;
}

// IOleClientSite

STDMETHODIMP BrowserControl::SaveObject() { return notImplemented("SaveObject"); }
STDMETHODIMP BrowserControl::GetMoniker(DWORD, DWORD, IMoniker**) { return notImplemented("GetMoniker"); }
STDMETHODIMP BrowserControl::GetContainer(IOleContainer** container) {
    if (container) *container = nullptr;
    return E_NOINTERFACE;
}
STDMETHODIMP BrowserControl::ShowObject() { return S_OK; }
STDMETHODIMP BrowserControl::OnShowWindow(BOOL) { return S_OK; }
STDMETHODIMP BrowserControl::RequestNewObjectLayout() { return notImplemented("RequestNewObjectLayout"); }

// IOleWindow

STDMETHODIMP BrowserControl::GetWindow(HWND* window) {
    if (!window) return E_INVALIDARG;
    *window = parent_ ? parent_->getHwnd() : nullptr;
    return S_OK;
}
STDMETHODIMP BrowserControl::ContextSensitiveHelp(BOOL) { return notImplemented("ContextSensitiveHelp"); }

// IOleInPlaceSite

STDMETHODIMP BrowserControl::CanInPlaceActivate() {
    LOG_TRACE("CanInPlaceActivate");
    return S_OK;
}
STDMETHODIMP BrowserControl::OnInPlaceActivate() {
    LOG_TRACE("OnInPlaceActivate");
    return S_OK;
}
STDMETHODIMP BrowserControl::OnUIActivate() {
    LOG_TRACE("OnUIActivate, isUIActivated was " << isUIActivated_);
    isUIActivated_ = true;
    return S_OK;
}
STDMETHODIMP BrowserControl::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                              LPRECT position, LPRECT clip, LPOLEINPLACEFRAMEINFO frameInfo) {
    if (frame) {
        *frame = static_cast<IOleInPlaceFrame*>(this);
        AddRef();
    }
    if (document) *document = nullptr;
    if (position) *position = rect_;
    if (clip) *clip = rect_;
    if (frameInfo) {
        frameInfo->fMDIApp = FALSE;
        frameInfo->hwndFrame = parent_ ? parent_->getHwnd() : nullptr;
        frameInfo->haccel = nullptr;
        frameInfo->cAccelEntries = 0;
    }
    return S_OK;
}
STDMETHODIMP BrowserControl::Scroll(SIZE) { return notImplemented("Scroll"); }
STDMETHODIMP BrowserControl::OnUIDeactivate(BOOL) {
    LOG_TRACE("OnUIDeactivate, isUIActivated was " << isUIActivated_);
    isUIActivated_ = false;
    return S_OK;
}
STDMETHODIMP BrowserControl::OnInPlaceDeactivate() {
    LOG_TRACE("OnInPlaceDeactivate");
    return S_OK;
}
STDMETHODIMP BrowserControl::DiscardUndoState() { return notImplemented("DiscardUndoState"); }
STDMETHODIMP BrowserControl::DeactivateAndUndo() { return notImplemented("DeactivateAndUndo"); }
STDMETHODIMP BrowserControl::OnPosRectChange(LPCRECT) { return notImplemented("OnPosRectChange"); }

// IOleInPlaceUIWindow and IOleInPlaceFrame

STDMETHODIMP BrowserControl::GetBorder(LPRECT) { return INPLACE_E_NOTOOLSPACE; }
STDMETHODIMP BrowserControl::RequestBorderSpace(LPCBORDERWIDTHS) { return INPLACE_E_NOTOOLSPACE; }
STDMETHODIMP BrowserControl::SetBorderSpace(LPCBORDERWIDTHS) { return S_OK; }
STDMETHODIMP BrowserControl::SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) {
    LOG_TRACE("ActiveObject: " << (object ? "not-null" : "NULL"));
    return S_OK;
}
STDMETHODIMP BrowserControl::InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) { return S_OK; }
STDMETHODIMP BrowserControl::SetMenu(HMENU, HOLEMENU, HWND) { return S_OK; }
STDMETHODIMP BrowserControl::RemoveMenus(HMENU) { return S_OK; }
STDMETHODIMP BrowserControl::SetStatusText(LPCOLESTR) { return S_OK; }
STDMETHODIMP BrowserControl::EnableModeless(BOOL) { return S_OK; }
STDMETHODIMP BrowserControl::TranslateAccelerator(LPMSG, WORD) { return S_FALSE; }

// IAdviseSink

STDMETHODIMP_(void) BrowserControl::OnDataChange(FORMATETC*, STGMEDIUM*) {}
STDMETHODIMP_(void) BrowserControl::OnViewChange(DWORD, LONG) {}
STDMETHODIMP_(void) BrowserControl::OnRename(IMoniker*) {}
STDMETHODIMP_(void) BrowserControl::OnSave() {}
STDMETHODIMP_(void) BrowserControl::OnClose() {}

// IDocHostUIHandler

STDMETHODIMP BrowserControl::ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) { return S_OK; }
STDMETHODIMP BrowserControl::GetHostInfo(DOCHOSTUIINFO* info) {
    if (!info) return E_INVALIDARG;
    info->cbSize = sizeof(DOCHOSTUIINFO);
    info->dwFlags = DOCHOSTUIFLAG_DIALOG | DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_THEME;
    info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
    return S_OK;
}
STDMETHODIMP BrowserControl::ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                                    IOleInPlaceUIWindow*) {
    return S_OK;
}
STDMETHODIMP BrowserControl::HideUI() { return S_OK; }
STDMETHODIMP BrowserControl::UpdateUI() { return S_OK; }
STDMETHODIMP BrowserControl::OnDocWindowActivate(BOOL) { return S_OK; }
STDMETHODIMP BrowserControl::OnFrameWindowActivate(BOOL) { return S_OK; }
STDMETHODIMP BrowserControl::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) { return S_OK; }
STDMETHODIMP BrowserControl::TranslateAccelerator(LPMSG, const GUID*, DWORD) { return S_FALSE; }
STDMETHODIMP BrowserControl::GetOptionKeyPath(LPOLESTR* key, DWORD) {
    if (!key) return E_INVALIDARG;
    *key = nullptr;
    return S_FALSE;
}
STDMETHODIMP BrowserControl::GetDropTarget(IDropTarget*, IDropTarget**) { return E_NOTIMPL; }
STDMETHODIMP BrowserControl::GetExternal(IDispatch** external) {
    if (!external) return E_INVALIDARG;
    *external = external_.get();
    external_->AddRef();
    return S_OK;
}
STDMETHODIMP BrowserControl::TranslateUrl(DWORD, LPWSTR, LPWSTR* translated) {
    if (!translated) return E_INVALIDARG;
    *translated = nullptr;
    return E_NOTIMPL;
}
STDMETHODIMP BrowserControl::FilterDataObject(IDataObject*, IDataObject** result) {
    if (!result) return E_INVALIDARG;
    *result = nullptr;
    return E_NOTIMPL;
}

}  // namespace ui
