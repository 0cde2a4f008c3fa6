#pragma once
// One Windows Installer call with the settings in force for its length.
#include <memory>
#include <string>

#include "base/guid.h"
#include "base/win.h"
#include "msi/command_line.h"
#include "msi/error.h"

#include <msi.h>

namespace msi {

// Receives the installer's messages during an action.
class Callback {
public:
    virtual ~Callback() = default;
    // type: the high byte of the message code (e.g. 0x08000000); flags: the low
    // 24 bits (buttons, icon, default button); text in UTF-8.
    virtual void onMessage(unsigned type, unsigned flags, const std::string& text) = 0;
};

class ActionData {
public:
    // Holds the installer's process-wide settings for one call and restores them.
    class State {
    public:
        virtual ~State() = default;
    };

    void setProperty(const std::string& name, const std::string& value) { properties_[name] = value; }
    const PropertyMap& properties() const { return properties_; }

    void setCommandLine(const std::string& text) { commandLine_ = text; }
    const std::string& commandLine() const { return commandLine_; }
    std::string getFullCommandLine() const { return buildFullCommandLine(commandLine_, properties_); }

    void setUiLevel(INSTALLUILEVEL level) { uiLevel_ = level; }
    INSTALLUILEVEL uiLevel() const { return uiLevel_; }

    void setCallback(Callback* callback) { callback_ = callback; }
    Callback* callback() const { return callback_; }

    void setLogFile(const std::string& path) { logFile_ = path; }
    const std::string& logFile() const { return logFile_; }

protected:
    std::unique_ptr<State> createState() const;

private:
    PropertyMap properties_;
    std::string commandLine_;
    INSTALLUILEVEL uiLevel_ = INSTALLUILEVEL_NONE;
    Callback* callback_ = nullptr;
    std::string logFile_;
};

struct install {};
struct uninstall {};

template <class Kind>
class action;

template <>
class action<install> : public ActionData {
public:
    void setPackagePath(const std::string& path) { packagePath_ = path; }
    const std::string& packagePath() const { return packagePath_; }
    // Returns on success; raises QdsError<msi::Error> otherwise (3010 and 1641 included).
    void execute();

private:
    std::string packagePath_;
};

template <>
class action<uninstall> : public ActionData {
public:
    explicit action(const Guid& productCode) : productCode_(productCode) {}
    const Guid& productCode() const { return productCode_; }
    void execute();

private:
    Guid productCode_;
};

// The installer's own user-interface level (MsiSetInternalUI) for the scope;
// the level found before comes back at its end.
class InternalUiScope {
public:
    explicit InternalUiScope(INSTALLUILEVEL level);
    ~InternalUiScope();
    InternalUiScope(const InternalUiScope&) = delete;
    InternalUiScope& operator=(const InternalUiScope&) = delete;

private:
    INSTALLUILEVEL previous_;
};

// An open installed product; closed with MsiCloseHandle.
class ProductHandle {
public:
    explicit ProductHandle(MSIHANDLE handle) : handle_(handle), owned_(true) {}
    ~ProductHandle();
    ProductHandle(ProductHandle&& other) noexcept : handle_(other.handle_), owned_(other.owned_) { other.owned_ = false; }
    ProductHandle(const ProductHandle&) = delete;
    ProductHandle& operator=(const ProductHandle&) = delete;
    ProductHandle& operator=(ProductHandle&&) = delete;
    MSIHANDLE get() const { return handle_; }

private:
    MSIHANDLE handle_;
    bool owned_;
};

ProductHandle openProduct(const Guid& productCode);
// The product's property, or empty on any failure.
std::string getProductProperty(MSIHANDLE handle, const std::string& name);

using PropertyGetter = UINT(WINAPI*)(MSIHANDLE, LPCSTR, LPSTR, LPDWORD);
// Reads a property with a growing buffer; raises on failure.
std::string getProperty(PropertyGetter getter, MSIHANDLE handle, const std::string& name);

}  // namespace msi
