#include "msi/action.h"

#include "base/logger.h"
#include "base/report.h"
#include "base/tstrings.h"
#include "msi/msi_api.h"

namespace msi {
namespace {

struct CallbackTrigger {
    // Registered with MsiSetExternalUIW; never takes a message over (returns 0),
    // so every message is left to the installer's own handling.
    static INT CALLBACK adapter(LPVOID context, UINT messageCode, LPCWSTR text) {
        if (!context || !text) return 0;
        try {
            const std::string utf8 = tstrings::toUtf8(text);
            static_cast<Callback*>(context)->onMessage(messageCode & 0xFF000000u, messageCode & 0x00FFFFFFu, utf8);
        } catch (const std::exception& e) {
            REPORT_EXCEPTION(e);
        } catch (...) {
            REPORT_UNKNOWN_EXCEPTION();
        }
        return 0;
    }
};

class StateImpl : public ActionData::State {
public:
    StateImpl(INSTALLUILEVEL level, const std::string& logFile, Callback* callback) : ui_(level) {
        const Api& msi = api();
        if (!logFile.empty()) {
            msi.enableLog.get()(INSTALLLOGMODE_VERBOSE, logFile.c_str(), 0);
        } else {
            msi.enableLog.get()(0, nullptr, 0);
        }
        if (callback) {
            msi.setExternalUI.get()(&CallbackTrigger::adapter, 0xFFFFFFFFu, callback);
            registered_ = true;
        }
    }

    ~StateImpl() override {
        try {
            const Api& msi = api();
            if (registered_) msi.setExternalUI.get()(nullptr, 0, nullptr);
            msi.enableLog.get()(0, nullptr, 0);
        } catch (...) {
            // the functions were resolved when the scope was made
        }
    }

private:
    InternalUiScope ui_;  // restored last, after the log and the callback
    bool registered_ = false;
};

}  // namespace

InternalUiScope::InternalUiScope(INSTALLUILEVEL level) : previous_(api().setInternalUI.get()(level, nullptr)) {}

InternalUiScope::~InternalUiScope() {
    try {
        api().setInternalUI.get()(previous_, nullptr);
    } catch (...) {
        // resolved when the scope was made
    }
}

std::unique_ptr<ActionData::State> ActionData::createState() const {
    return std::make_unique<StateImpl>(uiLevel_, logFile_, callback_);
}

void action<install>::execute() {
    const std::unique_ptr<State> scope = createState();
    const std::string commandLine = getFullCommandLine();
    const UINT rc = api().installProduct.get()(packagePath_.c_str(), commandLine.c_str());
    if (rc != ERROR_SUCCESS) {
        throw QDS_ERROR(Error("MsiInstallProduct(" + packagePath_ + ", " + commandLine + ") failed", rc));
    }
}

void action<uninstall>::execute() {
    const std::unique_ptr<State> scope = createState();
    const std::string commandLine = getFullCommandLine();
    const std::string code = productCode_.toString();
    const int level = INSTALLLEVEL_MAXIMUM;
    const INSTALLSTATE state = INSTALLSTATE_ABSENT;
    const UINT rc = api().configureProductEx.get()(code.c_str(), level, state, commandLine.c_str());
    if (rc != ERROR_SUCCESS) {
        throw QDS_ERROR(Error("MsiConfigureProductEx(" + code + ", " + std::to_string(level) + ", " +
                                  std::to_string(static_cast<int>(state)) + ", " + commandLine + ") failed",
                              rc));
    }
}

ProductHandle::~ProductHandle() {
    if (!owned_) return;
    try {
        api().closeHandle.get()(handle_);
    } catch (...) {
    }
}

ProductHandle openProduct(const Guid& productCode) {
    const std::string code = productCode.toString();
    MSIHANDLE handle = 0;
    const UINT rc = api().openProduct.get()(code.c_str(), &handle);
    if (rc != ERROR_SUCCESS) throw QDS_ERROR(Error("MsiOpenProduct(" + code + ") failed", rc));
    return ProductHandle(handle);
}

std::string getProperty(PropertyGetter getter, MSIHANDLE handle, const std::string& name) {
    std::string buffer(20, '\0');
    for (;;) {
        DWORD size = static_cast<DWORD>(buffer.size());
        const UINT rc = getter(handle, name.c_str(), &buffer[0], &size);
        if (rc == ERROR_MORE_DATA) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (rc != ERROR_SUCCESS) {
            throw QDS_ERROR(Error("MsiGetProductProperty(" + std::to_string(handle) + ", " + name + ") failed", rc));
        }
        buffer.resize(size < buffer.size() ? size : buffer.size());
        return buffer;
    }
}

std::string getProductProperty(MSIHANDLE handle, const std::string& name) {
    try {
        return getProperty(api().getProductProperty.get(), handle, name);
    } catch (const std::exception&) {
        return std::string();
    }
}

}  // namespace msi
