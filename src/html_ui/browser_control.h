#pragma once
// The container of the system's WebBrowser control inside a BrowserWindow:
// one COM object that is the control's client site, in-place site and frame,
// view advise sink, event sink and document host, and that hands the page its
// script object `external`. It lives on the UI thread.
#include <memory>
#include <string>
#include <vector>

#include "base/com_holders.h"
#include "base/win.h"

#include <exdisp.h>
#include <mshtmhst.h>
#include <oleidl.h>

#include "html_ui/ui_thread.h"

namespace ui {

class BrowserWindow;
class WindowHandler;

class BrowserControl final : public IOleClientSite,
                       public IOleInPlaceSite,
                       public IOleInPlaceFrame,
                       public IAdviseSink,
                       public DWebBrowserEvents2,
                       public IDocHostUIHandler {
public:
    class BrowserExternal;

    BrowserControl();  // one reference, the creator's

    // A control over the frame's whole client area, stored as its control;
    // raises "BrowserControl::createControl failed".
    static void create(BrowserWindow& parent);
    // Creates and in-place activates the WebBrowser control; false (logged) on failure.
    bool createControl(BrowserWindow* parent, const RECT& rect);
    HRESULT adviseBrowser(bool connect);
    // Closes the browser and drops the creator's reference.
    void destroy();
    void setRect(const RECT& rect);
    void setFocus();
    HWND getObjectWnd();
    // Navigates; the handler receives the page's events. Raises "webBrowser->Navigate failed".
    void openUrl(const std::wstring& url, WindowHandler* handler);
    // The script's value, from any thread: carried to the UI thread when needed.
    Variant execJScript(const std::string& script);
    // On the UI thread only. Raises "object is not created" and "JScript execution error".
    Variant execJScriptUnsafe(const std::string& script);

    // For the frame's accelerator hook.
    IWebBrowser2* getWebBrowser() const { return webBrowser_.get(); }
    WindowHandler* getHandler() const { return handler_; }
    LONG refCount() const { return refCounter_; }
    BrowserExternal& getExternal() { return *external_; }

    // IUnknown, shared by every table and by `external`.
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IOleClientSite
    STDMETHODIMP SaveObject() override;
    STDMETHODIMP GetMoniker(DWORD assign, DWORD whichMoniker, IMoniker** moniker) override;
    STDMETHODIMP GetContainer(IOleContainer** container) override;
    STDMETHODIMP ShowObject() override;
    STDMETHODIMP OnShowWindow(BOOL show) override;
    STDMETHODIMP RequestNewObjectLayout() override;

    // IOleWindow, for both the in-place site and the frame
    STDMETHODIMP GetWindow(HWND* window) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL enterMode) override;

    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override;
    STDMETHODIMP OnInPlaceActivate() override;
    STDMETHODIMP OnUIActivate() override;
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                  LPRECT clip, LPOLEINPLACEFRAMEINFO frameInfo) override;
    STDMETHODIMP Scroll(SIZE extent) override;
    STDMETHODIMP OnUIDeactivate(BOOL undoable) override;
    STDMETHODIMP OnInPlaceDeactivate() override;
    STDMETHODIMP DiscardUndoState() override;
    STDMETHODIMP DeactivateAndUndo() override;
    STDMETHODIMP OnPosRectChange(LPCRECT position) override;

    // IOleInPlaceUIWindow and IOleInPlaceFrame
    STDMETHODIMP GetBorder(LPRECT border) override;
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS widths) override;
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS widths) override;
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR name) override;
    STDMETHODIMP InsertMenus(HMENU shared, LPOLEMENUGROUPWIDTHS widths) override;
    STDMETHODIMP SetMenu(HMENU shared, HOLEMENU oleMenu, HWND activeObject) override;
    STDMETHODIMP RemoveMenus(HMENU shared) override;
    STDMETHODIMP SetStatusText(LPCOLESTR text) override;
    STDMETHODIMP EnableModeless(BOOL enable) override;  // also the document host's
    STDMETHODIMP TranslateAccelerator(LPMSG msg, WORD id) override;

    // IAdviseSink
    STDMETHODIMP_(void) OnDataChange(FORMATETC* format, STGMEDIUM* medium) override;
    STDMETHODIMP_(void) OnViewChange(DWORD aspect, LONG index) override;
    STDMETHODIMP_(void) OnRename(IMoniker* moniker) override;
    STDMETHODIMP_(void) OnSave() override;
    STDMETHODIMP_(void) OnClose() override;

    // DWebBrowserEvents2
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argError) override;

    // IDocHostUIHandler
    STDMETHODIMP ShowContextMenu(DWORD id, POINT* point, IUnknown* target, IDispatch* object) override;
    STDMETHODIMP GetHostInfo(DOCHOSTUIINFO* info) override;
    STDMETHODIMP ShowUI(DWORD id, IOleInPlaceActiveObject* active, IOleCommandTarget* target,
                        IOleInPlaceFrame* frame, IOleInPlaceUIWindow* document) override;
    STDMETHODIMP HideUI() override;
    STDMETHODIMP UpdateUI() override;
    STDMETHODIMP OnDocWindowActivate(BOOL activate) override;
    STDMETHODIMP OnFrameWindowActivate(BOOL activate) override;
    STDMETHODIMP ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window, BOOL frameWindow) override;
    STDMETHODIMP TranslateAccelerator(LPMSG msg, const GUID* group, DWORD id) override;
    STDMETHODIMP GetOptionKeyPath(LPOLESTR* key, DWORD reserved) override;
    STDMETHODIMP GetDropTarget(IDropTarget* target, IDropTarget** result) override;
    STDMETHODIMP GetExternal(IDispatch** external) override;
    STDMETHODIMP TranslateUrl(DWORD translate, LPWSTR url, LPWSTR* translated) override;
    STDMETHODIMP FilterDataObject(IDataObject* object, IDataObject** result) override;

private:
    ~BrowserControl();  // through Release only

    void onTitleChange(const VARIANT& title);
    void onBeforeNavigate2(const VARIANT& url, VARIANT* cancel);
    HRESULT notImplemented(const char* operation);

    BrowserWindow* parent_ = nullptr;
    RECT rect_ = {};
    volatile LONG eventThreadId_ = 0;
    ComPtr<IWebBrowser2> webBrowser_;
    DWORD adviseCookie_ = 0;
    bool isUIActivated_ = false;
    std::unique_ptr<BrowserExternal> external_;
    WindowHandler* handler_ = nullptr;
    volatile LONG refCounter_ = 1;
    UIThread thread_;
};

// The page's script object: getLocale, notify, log, setWindowProp and delay.
// It has no count of its own: it lives as long as its control.
class BrowserControl::BrowserExternal : public IDispatch {
public:
    // DISPIDs: the 1-based positions in methodNames.
    enum Method : DISPID { GetLocale = 1, Notify, Log, SetWindowProp, Delay };

    explicit BrowserExternal(BrowserControl& control) : control_(control) {}

    static const std::vector<std::string>& methodNames();

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override { return control_.AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return control_.Release(); }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argError) override;

private:
    void log(const std::vector<std::string>& args);
    void delay(const std::vector<std::string>& args);

    BrowserControl& control_;
};

// The event arguments as logged: each by its type, joined with ",".
std::string getParamString(const DISPPARAMS& params);

}  // namespace ui
