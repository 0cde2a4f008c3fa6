#pragma once
// A modal dialog whose content is an HTML page from the launcher's resources.
#include <string>

#include "base/com_holders.h"
#include "html_ui/browser_window.h"
#include "html_ui/dialog_context.h"
#include "html_ui/window_handler.h"
#include "ipc/mutex.h"

namespace ui {

class Dialog : public WindowHandler {
public:
    // Results of run.
    enum Result { Running = 0, Closed = 1, Next = 2, Back = 3 };
    // How long a page may take to load before its dialog gives up on it.
    static constexpr std::uint32_t kLoadLimitMs = 30000;

    Dialog(const std::string& pageName, const DialogContext& context);
    ~Dialog() override;
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // Shows the page and waits until the dialog is ended; any thread but the UI thread.
    int run();
    // Loads the page and shows the window once it has loaded. False, with an
    // ERROR line, when the page failed or did not load within kLoadLimitMs;
    // the window then stays hidden.
    bool show();
    void hide();
    // Ends the dialog with that result; any thread.
    void close(int result);

    std::string getLocale() override;
    void onClose() override;
    void onLoadComplete() override;
    void onNavigateError(const VARIANT& statusCode) override;
    void onEvent(const std::string& name, const ArgList& args) override;
    void setWindowProp(const std::string& name, const ArgList& args) override;
    virtual void onUnload();

    const std::string& getUrl() const { return url_; }
    BrowserWindow& getWindow() { return window_; }

protected:
    // The script's value, evaluated in the page; any thread.
    Variant execJScript(const std::string& script);

private:
    enum LoadState { NotLoaded = 0, Loading = 1, Loaded = 2 };
    void applyCloseButton(bool enabled);
    void playPageLoad();

    BrowserWindow window_;
    std::string url_;
    std::string locale_;

    ipc::Conditional resultLock_;
    int result_ = Running;
    bool closed_ = false;  // a close since run began, so that none is lost

    ipc::Conditional loadLock_;
    int state_ = NotLoaded;
    bool closeButton_ = true;
    std::string loadError_;  // why the current load failed, when it did
};

}  // namespace ui
