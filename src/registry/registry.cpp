#include "registry/registry.h"

#include <cstring>
#include <stdexcept>
#include <utility>

#include "base/logger.h"
#include "base/source_location.h"
#include "base/sys_error.h"
#include "base/tstrings.h"
#include "base/win_handles.h"
#include "process/browsers.h"

const Registry Registry::hklm(HKEY_LOCAL_MACHINE, 0);
const Registry Registry::hklm32(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY);
const Registry Registry::hklm64(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY);
const Registry Registry::hkcu(HKEY_CURRENT_USER, 0);
const Registry Registry::hkcu32(HKEY_CURRENT_USER, KEY_WOW64_32KEY);
const Registry Registry::hkcu64(HKEY_CURRENT_USER, KEY_WOW64_64KEY);

namespace {
std::string context(const char* operation, const std::string& argument) {
    return std::string(operation) + " (" + argument + ") error";
}

[[noreturn]] void throwMismatch(const SourceLocation& where, const char* operation, const std::string& name,
                                const char* reason) {
    throw QdsError<std::runtime_error>(context(operation, name) + ": " + reason, where);
}
}  // namespace

Registry::Registry(const Registry& parent, const std::string& subkey, int mode) {
    open(parent, subkey, mode, mode == Write);
}

Registry::~Registry() { close(); }

Registry::Registry(Registry&& other) noexcept
    : key_(std::exchange(other.key_, nullptr)), owned_(std::exchange(other.owned_, false)), viewFlags_(other.viewFlags_) {}

Registry& Registry::operator=(Registry&& other) noexcept {
    if (this != &other) {
        close();
        key_ = std::exchange(other.key_, nullptr);
        owned_ = std::exchange(other.owned_, false);
        viewFlags_ = other.viewFlags_;
    }
    return *this;
}

void Registry::close() {
    if (owned_) closeRegHandle(key_);
    key_ = nullptr;
    owned_ = false;
}

void Registry::open(const Registry& parent, const std::string& subkey, int mode, bool create) {
    const DWORD view = parent.viewFlags_;
    const REGSAM access = view | (mode == Read ? KEY_READ : KEY_READ | KEY_WRITE);
    HKEY opened = nullptr;
    LONG rc;
    const void* function;
    if (create) {
        rc = RegCreateKeyExA(parent.key_, subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &opened,
                             nullptr);
        function = functionAddress(&RegCreateKeyExA);
    } else {
        rc = RegOpenKeyExA(parent.key_, subkey.c_str(), 0, access, &opened);
        function = functionAddress(&RegOpenKeyExA);
    }
    if (rc != ERROR_SUCCESS) throw QDS_ERROR(SysError(context("open key", subkey), function, static_cast<unsigned long>(rc)));
    // Opened first: the parent may be this object.
    close();
    key_ = opened;
    owned_ = true;
    viewFlags_ = view;
}

bool Registry::exists(const std::string& subkey) const {
    try {
        Registry key(*this, subkey, Read);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

RegValue Registry::getValue(const std::string& name) const {
    RegValue value;
    for (;;) {
        DWORD size = static_cast<DWORD>(value.data.size());
        const LONG rc = RegQueryValueExA(key_, name.c_str(), nullptr, &value.type,
                                         value.data.empty() ? nullptr : value.data.data(), &size);
        if (rc == ERROR_MORE_DATA) {
            // Some keys report no usable size: grow anyway, so the loop ends.
            value.data.resize(size > value.data.size() ? size : value.data.size() * 2 + 256);
            continue;
        }
        if (rc == ERROR_SUCCESS) {
            if (value.data.empty() && size != 0) {
                value.data.resize(size);  // the data itself comes with the second call
                continue;
            }
            value.data.resize(size);
            return value;
        }
        throw QDS_ERROR(SysError(context("query value", name), functionAddress(&RegQueryValueExA),
                                 static_cast<unsigned long>(rc)));
    }
}

DWORD Registry::getDword(const std::string& name) const {
    const RegValue value = getValue(name);
    if (value.type != REG_DWORD) throwMismatch(QDS_HERE, "query dword value", name, "wrong type");
    if (value.data.size() != sizeof(DWORD)) throwMismatch(QDS_HERE, "query dword value", name, "wrong size");
    DWORD result = 0;
    std::memcpy(&result, value.data.data(), sizeof(result));
    return result;
}

std::string Registry::getString(const std::string& name) const {
    const RegValue value = getValue(name);
    if (value.type != REG_SZ && value.type != REG_EXPAND_SZ) throwMismatch(QDS_HERE, "query string value", name, "wrong type");
    std::string text(value.data.begin(), value.data.end());
    if (!text.empty() && text.back() == '\0') text.pop_back();
    return text;
}

std::string Registry::getString(const std::string& name, const std::string& defaultValue) const {
    try {
        return getString(name);
    } catch (const std::exception&) {
        return defaultValue;
    }
}

std::vector<unsigned char> Registry::getBinary(const std::string& name) const {
    RegValue value = getValue(name);
    if (value.type != REG_BINARY) throwMismatch(QDS_HERE, "query binary value", name, "wrong type");
    return std::move(value.data);
}

void Registry::setDword(const std::string& name, DWORD value) const {
    const LONG rc = RegSetValueExA(key_, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
    if (rc != ERROR_SUCCESS) {
        throw QDS_ERROR(SysError(context("set dword value", name), functionAddress(&RegSetValueExA),
                                 static_cast<unsigned long>(rc)));
    }
}

void Registry::setString(const std::string& name, const std::string& value) const {
    const LONG rc = RegSetValueExA(key_, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                   static_cast<DWORD>(value.size() + 1));
    if (rc != ERROR_SUCCESS) {
        throw QDS_ERROR(SysError(context("set string value", name), functionAddress(&RegSetValueExA),
                                 static_cast<unsigned long>(rc)));
    }
}

void Registry::setBinary(const std::string& name, const std::vector<unsigned char>& value) const {
    static const BYTE none = 0;  // a valid address for an empty value
    const LONG rc = RegSetValueExA(key_, name.c_str(), 0, REG_BINARY, value.empty() ? &none : value.data(),
                                   static_cast<DWORD>(value.size()));
    if (rc != ERROR_SUCCESS) {
        throw QDS_ERROR(SysError(context("set binary value", name), functionAddress(&RegSetValueExA),
                                 static_cast<unsigned long>(rc)));
    }
}

std::vector<std::string> Registry::getSubkeyNames() const {
    std::vector<std::string> names;
    for (DWORD index = 0;; ++index) {
        char name[256];
        DWORD length = sizeof(name);
        const LONG rc = RegEnumKeyExA(key_, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != ERROR_SUCCESS) {
            throw QDS_ERROR(SysError(context("enum subkeys", std::to_string(index + 1)), functionAddress(&RegEnumKeyExA),
                                     static_cast<unsigned long>(rc)));
        }
        names.emplace_back(name, length);
    }
    return names;
}

RegKey::~RegKey() { close(); }

void RegKey::close() {
    if (!owned_) return;
    const LONG rc = RegCloseKey(key_);
    if (rc == ERROR_SUCCESS) {
        owned_ = false;
        key_ = nullptr;
    } else {
        // The flag stays: the handle is still ours.
        LOG_ERROR(tstrings::format("%s failed with %s", tstrings::format("RegCloseKey(%p)", static_cast<void*>(key_)).c_str(),
                                   formatSystemError(static_cast<unsigned long>(rc), nullptr).c_str()));
    }
}

LONG RegKey::open(const std::string& subkey, REGSAM access) {
    close();
    HKEY opened = nullptr;
    const LONG rc = RegOpenKeyExA(parent_, subkey.c_str(), 0, access, &opened);
    if (rc == ERROR_SUCCESS) {
        key_ = opened;
        owned_ = true;
    }
    return rc;
}

LONG RegKey::query(const std::string& name, RegValue& value) const {
    value = RegValue();
    DWORD type = REG_NONE;
    DWORD size = 0;
    LONG rc = RegQueryValueExA(key_, name.c_str(), nullptr, &type, nullptr, &size);
    if (rc != ERROR_SUCCESS) return rc;
    value.data.resize(size);
    rc = RegQueryValueExA(key_, name.c_str(), nullptr, &type, value.data.empty() ? nullptr : value.data.data(), &size);
    if (rc == ERROR_SUCCESS) {
        value.type = type;
        value.data.resize(size);  // an ANSI text can come out shorter than announced
    } else {
        value.data.clear();
    }
    return rc;
}

int GetRegValueOfStringType(const char* valueName, char* buffer, const char* subkey, DWORD* size) {
    HKEY key = nullptr;
    bool opened = false;
    if (!isNotNativeX64()) {  // a 32-bit process looks in the 32-bit view only
        opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, subkey, 0, KEY_READ | KEY_WOW64_64KEY, &key) == ERROR_SUCCESS;
    }
    if (!opened) {
        LOG_ERROR(tstrings::format("Error Opening RegKey at 64 bit loaction: %d", static_cast<int>(GetLastError())));
        opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, subkey, 0, KEY_READ | KEY_WOW64_32KEY, &key) == ERROR_SUCCESS;
        if (!opened) {
            LOG_ERROR(tstrings::format("Error Opening RegKey at 32 or 64 bit loaction: %d", static_cast<int>(GetLastError())));
            return 0;
        }
    }
    const DWORD capacity = size ? *size : 0;
    DWORD type = REG_NONE;
    LONG rc = RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(buffer), size);
    closeRegHandle(key);
    // A text stored without its terminator must not leave the caller reading
    // past the buffer: terminate it inside the buffer, or fail when it is full.
    if (rc == ERROR_SUCCESS && type == REG_SZ && buffer && size) {
        if (*size == 0 || buffer[*size - 1] != '\0') {
            if (*size < capacity) {
                buffer[(*size)++] = '\0';
            } else {
                rc = ERROR_MORE_DATA;
            }
        }
    }
    if (rc != ERROR_SUCCESS) {
        if (buffer && capacity > 0) buffer[0] = '\0';  // nothing half-copied is left for the caller
        LOG_ERROR(tstrings::format("Registry Value not found: %d", static_cast<int>(GetLastError())));
        return 0;
    }
    if (type != REG_SZ) {
        LOG_ERROR(tstrings::format("Registry Value not of type REG_SZ: %d", static_cast<int>(GetLastError())));
        return 0;
    }
    return 1;
}
