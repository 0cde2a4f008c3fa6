// The HTML dialog engine under Wine: the UI thread, the frame window, the
// browser control and the script bridge. Wine's WebBrowser control is real but
// has no HTML engine here, so every navigation fails at once; a page that
// loads is played through the control's own event interface, as the browser
// would call it.
#include <gtest/gtest.h>

#include "base/win.h"

#include <exdispid.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "base/tstrings.h"
#include "base/win_handles.h"
#include "html_ui/browser_control.h"
#include "html_ui/browser_window.h"
#include "html_ui/dialog.h"
#include "html_ui/dialog_context.h"
#include "html_ui/ui_thread.h"
#include "test_support.h"

namespace {

class FunctionAction : public ipc::Runnable {
public:
    explicit FunctionAction(std::function<void()> f) : f_(std::move(f)) {}
    void run() override { f_(); }

private:
    std::function<void()> f_;
};

DWORD uiThreadIdOf(ui::UIThread& thread) {
    DWORD id = 0;
    FunctionAction action([&] { id = GetCurrentThreadId(); });
    thread.execute(&action);
    return id;
}

bool threadAlive(DWORD id) {
    UniqueHandle thread(OpenThread(SYNCHRONIZE, FALSE, id));
    return thread.get() && WaitForSingleObject(thread.get(), 0) == WAIT_TIMEOUT;
}

template <class Test>
bool waitFor(Test test, DWORD limitMs = 10000) {
    for (DWORD waited = 0; waited < limitMs; waited += 20) {
        if (test()) return true;
        Sleep(20);
    }
    return test();
}

std::string whatOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(nothing raised)";
}

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

bool anyStartsWith(const std::vector<std::string>& all, const std::string& start) {
    for (const auto& m : all)
        if (m.rfind(start, 0) == 0) return true;
    return false;
}

// The head of the first entry whose message starts with `start`.
std::string headOf(const std::string& log, const std::string& start) {
    const auto all = lines(log);
    for (size_t i = 1; i < all.size(); ++i) {
        const size_t colon = all[i].find(": ");
        if (all[i][0] == '\t' && colon != std::string::npos && all[i].compare(colon + 2, start.size(), start) == 0)
            return all[i - 1];
    }
    return "";
}

class LogTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(ui::UIThread::ThreadImpl::exists()) << "a UI thread left by another test"; }
    std::string logText() const { return log_.text(); }
    std::vector<std::string> at(const char* level) const { return messagesAt(logText(), level); }

    ScratchDir dir_{"html_ui_test"};
    CapturedLog log_{dir_};
};

// VARIANTs as the browser passes event arguments.
VARIANT bstrVariant(const wchar_t* text) {
    VARIANT v;
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(text);
    return v;
}
VARIANT byRefVariant(VARIANT* inner) {
    VARIANT v;
    v.vt = VT_BYREF | VT_VARIANT;
    v.pvarVal = inner;
    return v;
}
VARIANT byRefBool(VARIANT_BOOL* flag) {
    VARIANT v;
    v.vt = VT_BYREF | VT_BOOL;
    v.pboolVal = flag;
    return v;
}
VARIANT i4Variant(LONG value) {
    VARIANT v;
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}
VARIANT emptyVariant() {
    VARIANT v;
    VariantInit(&v);
    return v;
}

// Arguments in script order, stored last-first as IDispatch::Invoke gets them.
class Args {
public:
    Args(std::initializer_list<VARIANT> scriptOrder) : values_(scriptOrder.begin(), scriptOrder.end()) {
        std::reverse(values_.begin(), values_.end());
        params_ = {values_.empty() ? nullptr : values_.data(), nullptr, static_cast<UINT>(values_.size()), 0};
    }
    ~Args() {
        for (VARIANT& v : values_)
            if (v.vt == VT_BSTR) SysFreeString(v.bstrVal);
    }
    DISPPARAMS* get() { return &params_; }

private:
    std::vector<VARIANT> values_;
    DISPPARAMS params_;
};

HRESULT playEvent(ui::BrowserControl* control, DISPID id, Args& args) {
    ComPtr<IDispatch> sink;
    EXPECT_EQ(control->QueryInterface(DIID_DWebBrowserEvents2, sink.outVoid()), S_OK);
    return sink->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, args.get(), nullptr, nullptr, nullptr);
}

HRESULT callExternal(ui::BrowserControl* control, const wchar_t* name, Args& args, VARIANT* result = nullptr,
                     UINT* argError = nullptr) {
    ComPtr<IDispatch> external;
    EXPECT_EQ(control->GetExternal(external.out()), S_OK);
    wchar_t buffer[64];
    wcscpy(buffer, name);
    LPOLESTR names[] = {buffer};
    DISPID id = 0;
    EXPECT_EQ(external->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK) << tstrings::toUtf8(name);
    return external->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, args.get(), result, nullptr, argError);
}

// A dialog whose page is still loading whatever the browser reports, so that
// the test decides when it has loaded.
class LoadingDialog : public ui::Dialog {
public:
    explicit LoadingDialog(const DialogContext& context = DialogContext{"en", ""})
        : Dialog("TESTPAGE.HTML", context) {}
    void onNavigateError(const VARIANT&) override { navigationErrors++; }
    void onEvent(const std::string& name, const ui::ArgList& args) override {
        events.push_back(name);
        eventArgs.push_back(args);
        Dialog::onEvent(name, args);
    }
    std::atomic<int> navigationErrors{0};
    std::vector<std::string> events;  // written on the UI thread, read after it ran
    std::vector<ui::ArgList> eventArgs;
};

// Runs a dialog on a worker thread, as the removal sequence does.
class RunningDialog {
public:
    explicit RunningDialog(ui::Dialog& dialog) : dialog_(dialog), worker_([this] { result_ = dialog_.run(); }) {}
    ~RunningDialog() {
        if (worker_.joinable()) {
            dialog_.close(99);
            worker_.join();
        }
    }
    // The frame window, once the page is loading in it (its navigation started).
    HWND window() {
        waitFor([&] {
            ui::BrowserControl* control = dialog_.getWindow().getControl();
            return dialog_.getWindow().getHwnd() && control && control->getHandler();
        });
        return dialog_.getWindow().getHwnd();
    }
    ui::BrowserControl* control() {
        window();
        return dialog_.getWindow().getControl();
    }
    void loaded() {
        Args none{};
        EXPECT_EQ(playEvent(control(), DISPID_DOCUMENTCOMPLETE, none), S_OK);
        EXPECT_TRUE(waitFor([&] { return IsWindowVisible(window()) != FALSE; })) << "the page was not shown";
    }
    bool ended(DWORD limitMs = 10000) {
        return waitFor([&] { return result_ != -1; }, limitMs);
    }
    int result() {
        EXPECT_TRUE(ended());
        if (worker_.joinable()) worker_.join();
        return result_;
    }

private:
    ui::Dialog& dialog_;
    std::atomic<int> result_{-1};
    std::thread worker_;
};

// The UI thread

TEST_F(LogTest, TwoDialogsShareOneUiThreadThatEndsWithTheLast) {
    auto first = std::make_unique<LoadingDialog>();
    auto second = std::make_unique<LoadingDialog>();
    DWORD id = 0;
    {
        RunningDialog a(*first), b(*second);
        a.loaded();
        b.loaded();
        const DWORD one = GetWindowThreadProcessId(a.window(), nullptr);
        const DWORD two = GetWindowThreadProcessId(b.window(), nullptr);
        EXPECT_EQ(one, two);
        EXPECT_NE(one, GetCurrentThreadId());
        id = one;
    }
    first.reset();
    EXPECT_TRUE(threadAlive(id));
    EXPECT_TRUE(IsWindow(second->getWindow().getHwnd()));
    second.reset();
    EXPECT_FALSE(ui::UIThread::ThreadImpl::exists());
    EXPECT_TRUE(waitFor([&] { return !threadAlive(id); })) << logText();

    const auto trace = at("TRACE");
    for (const char* text : {"ThreadImpl::getInstance - create instance", "ThreadImpl::getInstance - addref: 1",
                             "ThreadImpl::release - count == 0", "refCounter is 0, deleting this"})
        EXPECT_TRUE(contains(trace, text)) << text;
}

TEST_F(LogTest, AControlWindowThatCannotBeCreatedFailsTheFirstAction) {
    {
        ui::UIThread thread;
        ASSERT_TRUE(UnregisterClassA("ControlWindow", GetModuleHandleA(nullptr)));
        FunctionAction action([] {});
        EXPECT_TRUE(endsWith(whatOf([&] { thread.execute(&action); }), "UI thread failire"));
        const auto errors = at("ERROR");
        EXPECT_TRUE(anyStartsWith(errors, "CreateControlWindow failed with ")) << logText();
        EXPECT_TRUE(anyStartsWith(errors, "UIThread exception: ")) << logText();
    }
    // The next instance registers its class again and runs.
    ui::UIThread thread;
    EXPECT_NE(uiThreadIdOf(thread), 0u);
}

TEST_F(LogTest, ActionsThatFail) {
    ui::UIThread thread;
    EXPECT_TRUE(endsWith(whatOf([&] { thread.execute(nullptr); }), "NULL action"));
    FunctionAction failing([] { throw std::runtime_error("no disk"); });
    EXPECT_TRUE(endsWith(whatOf([&] { thread.execute(&failing); }), "action failed"));
    EXPECT_TRUE(contains(at("WARNING"), "Action thrown an exception: no disk"));
    EXPECT_NE(uiThreadIdOf(thread), 0u) << "the thread serves the next action";
}

// The frame window

TEST_F(LogTest, TheFrameStartsHiddenAt100WithItsClientAreaInDialogUnits) {
    LoadingDialog dialog;
    RunningDialog running(dialog);
    HWND hwnd = running.window();
    ASSERT_TRUE(hwnd);
    EXPECT_FALSE(IsWindowVisible(hwnd)) << "shown before the page loaded";
    wchar_t className[64] = {};
    GetClassNameW(hwnd, className, 64);
    EXPECT_STREQ(className, L"KynKivDialog");
    RECT frame, client;
    GetWindowRect(hwnd, &frame);
    GetClientRect(hwnd, &client);
    EXPECT_EQ(frame.left, 100);
    EXPECT_EQ(frame.top, 100);
    const LONG units = GetDialogBaseUnits();
    EXPECT_EQ(client.right, MulDiv(250, LOWORD(units), 4));
    EXPECT_EQ(client.bottom, MulDiv(177, HIWORD(units), 8));
    const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX), WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
    EXPECT_FALSE(style & (WS_MAXIMIZEBOX | WS_THICKFRAME));
    const LONG exStyle = GetWindowLongW(hwnd, GWL_EXSTYLE);
    EXPECT_EQ(exStyle & (WS_EX_APPWINDOW | WS_EX_DLGMODALFRAME), WS_EX_APPWINDOW | WS_EX_DLGMODALFRAME);
    EXPECT_TRUE(waitFor([&] { return dialog.navigationErrors.load() >= 1; })) << "Wine's control reports its navigation";

    // Loaded: shown, centred on the desktop.
    running.loaded();
    RECT desktop;
    GetWindowRect(GetDesktopWindow(), &desktop);
    GetWindowRect(hwnd, &frame);
    EXPECT_EQ(frame.left, desktop.left + ((desktop.right - desktop.left) - (frame.right - frame.left)) / 2);
    EXPECT_EQ(frame.top, desktop.top + ((desktop.bottom - desktop.top) - (frame.bottom - frame.top)) / 2);

    // The close box ends the dialog with 1 and leaves the window in place, hidden.
    SendMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(running.result(), 1);
    EXPECT_TRUE(IsWindow(hwnd));
    EXPECT_FALSE(IsWindowVisible(hwnd));
    EXPECT_TRUE(contains(at("TRACE"), "Dialog::onClose())"));
}

TEST_F(LogTest, WindowPropertiesFromThePage) {
    LoadingDialog dialog;
    {
        RunningDialog running(dialog);
        running.loaded();
        HWND hwnd = running.window();
        Args title{bstrVariant(L"title"), bstrVariant(L"Orun \u00DCbersicht")};
        EXPECT_EQ(callExternal(running.control(), L"setWindowProp", title), S_OK);
        wchar_t caption[64] = {};
        GetWindowTextW(hwnd, caption, 64);
        EXPECT_STREQ(caption, L"Orun \u00DCbersicht");
        Args upper{bstrVariant(L"TITLE"), bstrVariant(L"Second")};
        callExternal(running.control(), L"setWindowProp", upper);
        GetWindowTextW(hwnd, caption, 64);
        EXPECT_STREQ(caption, L"Second") << "property names ignore case";

        Args size{bstrVariant(L"size"), i4Variant(420), bstrVariant(L"310px")};
        callExternal(running.control(), L"setWindowProp", size);
        RECT frame;
        GetWindowRect(hwnd, &frame);
        EXPECT_EQ(frame.right - frame.left, 420);
        EXPECT_EQ(frame.bottom - frame.top, 310);

        Args noClose{bstrVariant(L"closeButton"), i4Variant(0)};
        callExternal(running.control(), L"setWindowProp", noClose);
        EXPECT_TRUE(GetMenuState(GetSystemMenu(hwnd, FALSE), SC_CLOSE, MF_BYCOMMAND) & MF_GRAYED);

        Args badCount{bstrVariant(L"size"), i4Variant(1)};
        callExternal(running.control(), L"setWindowProp", badCount);
        Args unknown{bstrVariant(L"colour"), bstrVariant(L"red")};
        callExternal(running.control(), L"setWindowProp", unknown);
        Args none{};
        EXPECT_EQ(callExternal(running.control(), L"setWindowProp", none), S_OK);

        dialog.close(2);
        EXPECT_EQ(running.result(), 2);
    }
    // A later show keeps the close box grayed.
    RunningDialog again(dialog);
    EXPECT_TRUE(GetMenuState(GetSystemMenu(again.window(), FALSE), SC_CLOSE, MF_BYCOMMAND) & MF_GRAYED);
    again.loaded();
    EXPECT_TRUE(GetMenuState(GetSystemMenu(again.window(), FALSE), SC_CLOSE, MF_BYCOMMAND) & MF_GRAYED);

    const auto info = at("INFO");
    for (const char* text : {"setWindowProp(Title): Orun \xC3\x9C" "bersicht", "setWindowProp(Size): 420 x 310",
                             "setWindowProp(closeButton): 0"})
        EXPECT_TRUE(contains(info, text)) << text;
    const auto errors = at("ERROR");
    EXPECT_TRUE(contains(errors, "setWindowProp(Size): requires 2 params"));
    EXPECT_TRUE(contains(errors, "setWindowProp: unexpected prop: 'colour'"));
    EXPECT_TRUE(anyStartsWith(errors, "Exception with message '")) << "no arguments is reported";
}

// Ending a dialog

TEST_F(LogTest, PageEventsEndTheRunWithTheirResults) {
    const struct {
        const wchar_t* event;
        int result;
    } cases[] = {{L"cancel", 1}, {L"next", 2}, {L"back", 3}};
    for (const auto& c : cases) {
        LoadingDialog dialog;
        RunningDialog running(dialog);
        running.loaded();
        Args args{bstrVariant(c.event)};
        EXPECT_EQ(callExternal(running.control(), L"notify", args), S_OK);
        EXPECT_EQ(running.result(), c.result) << tstrings::toUtf8(c.event);
    }

    // Event names keep their case, "a" needs its address, and neither ends the dialog.
    LoadingDialog dialog;
    RunningDialog running(dialog);
    running.loaded();
    Args capital{bstrVariant(L"Next")}, link{bstrVariant(L"a")}, nothing{};
    callExternal(running.control(), L"notify", capital);
    callExternal(running.control(), L"notify", link);
    EXPECT_EQ(callExternal(running.control(), L"notify", nothing), S_OK);
    EXPECT_FALSE(running.ended(300));
    const auto errors = at("ERROR");
    EXPECT_TRUE(anyStartsWith(errors, "Exception with message '") &&
                std::any_of(errors.begin(), errors.end(), [](const std::string& m) {
                    return m.find("no parameter at the given position") != std::string::npos;
                }));
    EXPECT_TRUE(std::any_of(errors.begin(), errors.end(), [](const std::string& m) {
        return m.find("external.notify: no parameters specified") != std::string::npos;
    }));
    EXPECT_EQ(dialog.events, (std::vector<std::string>{"Next", "a"})) << "no handler call without a name";

    // Another thread ends it.
    dialog.close(7);
    EXPECT_EQ(running.result(), 7);
}

// A close made while the page is still loading is kept for the wait that follows.
class ClosingOnLoad : public LoadingDialog {
public:
    void onLoadComplete() override {
        Dialog::onLoadComplete();
        close(Next);
    }
};

TEST_F(LogTest, ACloseBeforeTheWaitIsNotLost) {
    ClosingOnLoad dialog;
    RunningDialog running(dialog);
    Args none{};
    playEvent(running.control(), DISPID_DOCUMENTCOMPLETE, none);
    EXPECT_EQ(running.result(), 2);
}

TEST_F(LogTest, APageThatCannotLoadEndsItsDialogWithOne) {
    DWORD uiThread = 0;
    HWND hwnd = nullptr;
    {
        ui::Dialog dialog("TESTPAGE.HTML", DialogContext{"en", ""});
        EXPECT_EQ(dialog.run(), 1);
        hwnd = dialog.getWindow().getHwnd();
        ASSERT_TRUE(hwnd);
        EXPECT_FALSE(IsWindowVisible(hwnd));
        uiThread = GetWindowThreadProcessId(hwnd, nullptr);
    }
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_FALSE(ui::UIThread::ThreadImpl::exists());
    EXPECT_TRUE(waitFor([&] { return !threadAlive(uiThread); }));
    const std::string url = defaultBaseUrl() + "TESTPAGE.HTML";
    // Ended by the browser's error, not by the bound.
    EXPECT_TRUE(anyStartsWith(at("ERROR"), "Cannot show the page " + url + ": navigation error 0x")) << logText();
}

TEST_F(LogTest, APageThatNeverLoadsEndsItsDialogAfterTheBound) {
    LoadingDialog dialog;  // the browser's error goes unheard: the page looks still loading
    EXPECT_EQ(dialog.run(), 1);
    EXPECT_FALSE(IsWindowVisible(dialog.getWindow().getHwnd()));
    EXPECT_TRUE(contains(at("ERROR"), "Cannot show the page " + dialog.getUrl() + ": not loaded within 30 seconds"));
}

// The control object

TEST_F(LogTest, TheControlAnswersItsInterfacesAndSharesOneCount) {
    auto* control = new ui::BrowserControl;
    const struct {
        IID iid;
        void* expected;
    } answered[] = {
        {IID_IUnknown, static_cast<IOleClientSite*>(control)},
        {IID_IOleClientSite, static_cast<IOleClientSite*>(control)},
        {IID_IOleInPlaceSite, static_cast<IOleInPlaceSite*>(control)},
        {IID_IOleWindow, static_cast<IOleInPlaceSite*>(control)},
        {IID_IOleInPlaceFrame, static_cast<IOleInPlaceFrame*>(control)},
        {IID_IOleInPlaceUIWindow, static_cast<IOleInPlaceFrame*>(control)},
        {IID_IAdviseSink, static_cast<IAdviseSink*>(control)},
        {DIID_DWebBrowserEvents2, static_cast<DWebBrowserEvents2*>(control)},
        {IID_IDispatch, static_cast<DWebBrowserEvents2*>(control)},
        {IID_IDocHostUIHandler, static_cast<IDocHostUIHandler*>(control)},
    };
    for (const auto& a : answered) {
        void* object = nullptr;
        EXPECT_EQ(control->QueryInterface(a.iid, &object), S_OK);
        EXPECT_EQ(object, a.expected);
        EXPECT_EQ(control->refCount(), 2);
        control->Release();
    }
    for (const IID& iid : {IID_IOleObject, IID_IOleInPlaceActiveObject, IID_IViewObject, IID_IConnectionPointContainer}) {
        void* object = reinterpret_cast<void*>(1);
        EXPECT_EQ(control->QueryInterface(iid, &object), E_NOINTERFACE);
        EXPECT_EQ(object, nullptr);
    }

    // `external` counts on the control.
    IDispatch* external = nullptr;
    ASSERT_EQ(control->GetExternal(&external), S_OK);
    EXPECT_EQ(external, static_cast<IDispatch*>(&control->getExternal()));
    EXPECT_EQ(control->refCount(), 2);
    external->AddRef();
    EXPECT_EQ(control->refCount(), 3);
    void* unknown = nullptr;
    EXPECT_EQ(external->QueryInterface(IID_IUnknown, &unknown), S_OK);
    EXPECT_EQ(unknown, external);
    EXPECT_EQ(external->QueryInterface(IID_IOleClientSite, &unknown), E_NOINTERFACE);
    EXPECT_EQ(unknown, nullptr);
    external->Release();
    external->Release();
    external->Release();
    EXPECT_EQ(control->refCount(), 1);

    DOCHOSTUIINFO info = {};
    EXPECT_EQ(control->GetHostInfo(&info), S_OK);
    EXPECT_EQ(info.cbSize, sizeof(DOCHOSTUIINFO));
    EXPECT_EQ(info.dwFlags, 0x40005u);
    EXPECT_EQ(info.dwDoubleClick, 0u);
    EXPECT_EQ(control->GetHostInfo(nullptr), E_INVALIDARG);
    POINT point = {10, 10};
    EXPECT_EQ(control->ShowContextMenu(0, &point, nullptr, nullptr), S_OK) << "the host claims the menu";
    EXPECT_EQ(control->SaveObject(), E_NOTIMPL);
    EXPECT_EQ(headOf(logText(), "NOT_IMPLEMENTED").find("(ui::BrowserControl::SaveObject)") != std::string::npos, true);

    // Destroyed while the browser still holds a reference: alive until it lets go.
    control->AddRef();
    control->destroy();
    EXPECT_EQ(control->refCount(), 1);
    EXPECT_FALSE(contains(at("TRACE"), "refCounter is 0, deleting this"));
    control->Release();
    EXPECT_TRUE(contains(at("TRACE"), "refCounter is 0, deleting this"));
    EXPECT_TRUE(contains(at("TRACE"), "~BrowserControl, ref=0"));
}

TEST_F(LogTest, ScriptsRunOnTheUiThreadOnly) {
    {
        auto* control = new ui::BrowserControl;
        EXPECT_TRUE(endsWith(whatOf([&] { control->execJScriptUnsafe("1"); }), "object is not created"));
        EXPECT_TRUE(endsWith(whatOf([&] { control->execJScript("1"); }), "action failed"));
        control->destroy();
    }
    // With a control: the call is carried to the UI thread, where the page is.
    LoadingDialog dialog;
    RunningDialog running(dialog);
    running.loaded();
    const DWORD uiThread = GetWindowThreadProcessId(running.window(), nullptr);
    std::string what;
    std::thread other([&] { what = whatOf([&] { dialog.getWindow().execJScript("answer()"); }); });
    other.join();
    EXPECT_TRUE(endsWith(what, "action failed")) << what << " (Wine's control has no document)";
    const std::string head = headOf(logText(), "webBrowser->getDocument(Disp) failed with ");
    EXPECT_NE(head.find("TID: " + std::to_string(uiThread) + ")"), std::string::npos) << logText();
    EXPECT_TRUE(endsWith(whatOf([&] { ui::BrowserWindow().execJScript("1"); }), "browser control does not exist"));
    dialog.close(1);
}

// Events, as the browser delivers them

TEST_F(LogTest, BrowserEvents) {
    LoadingDialog dialog(DialogContext{"en", ""});
    RunningDialog running(dialog);
    ui::BrowserControl* control = running.control();
    ASSERT_TRUE(waitFor([&] { return dialog.navigationErrors >= 1; })) << "Wine's own navigation error first";
    const int errorsBefore = dialog.navigationErrors;

    // A link's "#" address is cancelled; a page address is not.
    for (const auto& [url, cancelled] : {std::pair{L"res://setup.exe/ORUNSCRUB.HTML#", VARIANT_TRUE},
                                         std::pair{L"res://setup.exe/ORUNSCRUB.HTML", VARIANT_FALSE}}) {
        VARIANT_BOOL cancel = VARIANT_FALSE;
        VARIANT address = bstrVariant(url);
        Args args{emptyVariant(), byRefVariant(&address), emptyVariant(), emptyVariant(), emptyVariant(),
                  emptyVariant(), byRefBool(&cancel)};
        EXPECT_EQ(playEvent(control, DISPID_BEFORENAVIGATE2, args), S_OK);
        EXPECT_EQ(cancel, cancelled);
        SysFreeString(address.bstrVal);
    }
    EXPECT_TRUE(contains(at("TRACE"), "OnBeforeNavigate: res://setup.exe/ORUNSCRUB.HTML#"));

    // A navigation error is cancelled and reaches the handler.
    VARIANT_BOOL cancel = VARIANT_FALSE;
    VARIANT status = i4Variant(static_cast<LONG>(0x800C0005));
    Args error{emptyVariant(), bstrVariant(L"res://x/y.html"), emptyVariant(), byRefVariant(&status), byRefBool(&cancel)};
    EXPECT_EQ(playEvent(control, DISPID_NAVIGATEERROR, error), S_OK);
    EXPECT_EQ(cancel, VARIANT_TRUE);
    EXPECT_EQ(dialog.navigationErrors, errorsBefore + 1);

    Args none{};
    EXPECT_EQ(playEvent(control, 9999, none), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(playEvent(control, DISPID_DOCUMENTCOMPLETE, none), S_OK);
    EXPECT_TRUE(waitFor([&] { return IsWindowVisible(running.window()) != FALSE; })) << "load completion";

    // A title event without its argument is reported, and still answered S_OK.
    EXPECT_EQ(playEvent(control, DISPID_TITLECHANGE, none), S_OK);
    const auto errors = at("ERROR");
    EXPECT_TRUE(std::any_of(errors.begin(), errors.end(),
                            [](const std::string& m) { return m.find("missing event argument") != std::string::npos; }));
    dialog.close(1);
}

TEST(ParamString, EachTypeAsLogged) {
    VARIANT inner = bstrVariant(L"inner");
    VARIANT unknown;
    unknown.vt = VT_UNKNOWN;
    unknown.punkVal = nullptr;
    VARIANT nullValue;
    nullValue.vt = VT_NULL;
    Args args{emptyVariant(), nullValue, bstrVariant(L"a b"), i4Variant(42), byRefVariant(&inner), unknown};
    ScratchDir dir("param_string");
    CapturedLog log(dir);
    // Stored last-first: index 0 is the last argument given here.
    EXPECT_EQ(ui::getParamString(*args.get()), "<unknown>,\"inner\",42,\"a b\",NULL,EMPTY");
    EXPECT_TRUE(anyStartsWith(messagesAt(log.text(), "TRACE"), "(extractParam[0]) COM Error:")) << log.text();
    SysFreeString(inner.bstrVal);
}

// The script object

TEST_F(LogTest, ExternalNamesAndArguments) {
    LoadingDialog dialog(DialogContext{"zh_CN", ""});
    RunningDialog running(dialog);
    running.loaded();
    ui::BrowserControl* control = running.control();
    ComPtr<IDispatch> external;
    ASSERT_EQ(control->GetExternal(external.out()), S_OK);

    wchar_t n1[] = L"delay", n2[] = L"Notify", n3[] = L"getLocale";
    LPOLESTR names[] = {n1, n2, n3};
    DISPID ids[3] = {};
    EXPECT_EQ(external->GetIDsOfNames(IID_NULL, names, 3, 0, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], 5);
    EXPECT_EQ(ids[1], -1) << "names are case-sensitive";
    EXPECT_EQ(ids[2], 1);

    Args none{};
    Variant locale;
    EXPECT_EQ(callExternal(control, L"getLocale", none, locale.out()), S_OK);
    ASSERT_EQ(locale.get()->vt, VT_BSTR);
    EXPECT_STREQ(locale.get()->bstrVal, L"zh_CN");

    // Booleans and numbers reach the handler as text, in the script's order.
    VARIANT yes;
    yes.vt = VT_BOOL;
    yes.boolVal = VARIANT_TRUE;
    VARIANT half;
    half.vt = VT_R8;
    half.dblVal = 0.5;
    Args mixed{bstrVariant(L"checkbox_clicked"), yes, i4Variant(12), half};
    EXPECT_EQ(callExternal(control, L"notify", mixed), S_OK);
    ASSERT_FALSE(dialog.eventArgs.empty());
    EXPECT_EQ(dialog.events.back(), "checkbox_clicked");
    EXPECT_EQ(dialog.eventArgs.back(), (ui::ArgList{"True", "12", "0.5"}));

    // Arguments that are no text fail the call before the handler.
    VARIANT array;
    array.vt = VT_ARRAY | VT_I4;
    array.parray = nullptr;
    Args bad{bstrVariant(L"next"), array};
    UINT argError = 99;
    EXPECT_EQ(callExternal(control, L"notify", bad, nullptr, &argError), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argError, 0u) << "stored last-first";
    EXPECT_FALSE(running.ended(200));

    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS withNames = {nullptr, &named, 0, 1};
    EXPECT_EQ(external->Invoke(2, IID_NULL, 0, DISPATCH_METHOD, &withNames, nullptr, nullptr, nullptr),
              DISP_E_NONAMEDARGS);
    EXPECT_EQ(external->Invoke(6, IID_NULL, 0, DISPATCH_METHOD, none.get(), nullptr, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(external->Invoke(1, IID_NULL, 0, DISPATCH_PROPERTYGET, none.get(), nullptr, nullptr, nullptr), E_FAIL);

    // log: a level name first, or ERROR for all of it.
    Args xy{bstrVariant(L"x"), bstrVariant(L"y")}, info{bstrVariant(L"INFO"), bstrVariant(L"a"), bstrVariant(L"b")};
    callExternal(control, L"log", xy);
    callExternal(control, L"log", info);
    callExternal(control, L"log", none);
    EXPECT_TRUE(contains(at("ERROR"), "xy"));
    EXPECT_TRUE(contains(at("ERROR"), "empty message"));
    EXPECT_TRUE(contains(at("INFO"), "ab"));
    EXPECT_NE(headOf(logText(), "ab").find("(ui::BrowserControl::BrowserExternal::log)"), std::string::npos);

    // delay: a text that is no number waits for nothing.
    Args abc{bstrVariant(L"abc")};
    EXPECT_EQ(callExternal(control, L"delay", abc), S_OK);
    EXPECT_TRUE(anyStartsWith(at("ERROR"), "cannot get parameter value (abc): "));
    dialog.close(1);
}

TEST_F(LogTest, ExternalWithoutAHandler) {
    auto* control = new ui::BrowserControl;
    Args none{};
    Variant locale;
    EXPECT_EQ(callExternal(control, L"getLocale", none, locale.out()), S_OK);
    EXPECT_STREQ(locale.get()->bstrVal, L"en");
    Args next{bstrVariant(L"next")};
    EXPECT_EQ(callExternal(control, L"notify", next), S_OK);
    control->destroy();
}

TEST(DialogContext, TheDefaultBaseIsTheExecutablesResources) {
    EXPECT_EQ(makeResourceBaseUrl("C:\\Program Files\\Setup\\inst.exe"),
              "res://C:%5CProgram%20Files%5CSetup%5Cinst.exe/");
    EXPECT_EQ(ui::Dialog("ORUNSCRUB.HTML", DialogContext{"de", "res://x.exe/"}).getUrl(), "res://x.exe/ORUNSCRUB.HTML");
}

}  // namespace
