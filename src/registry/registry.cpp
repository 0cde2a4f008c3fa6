#include "registry/registry.h"

#include <cstring>
#include <stdexcept>
#include <utility>

#include "base/logger.h"
#include "base/source_location.h"
#include "base/sys_error.h"
#include "base/tstrings.h"
#include "base/win_handles.h"
#include "base/sys_info.h"

const Registry Registry::hklm(HKEY_LOCAL_MACHINE, 0);
const Registry Registry::hklm32(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY);
const Registry Registry::hklm64(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY);
const Registry Registry::hkcu(HKEY_CURRENT_USER, 0);
const Registry Registry::hkcu32(HKEY_CURRENT_USER, KEY_WOW64_32KEY);
const Registry Registry::hkcu64(HKEY_CURRENT_USER, KEY_WOW64_64KEY);
const Registry Registry::hkcr(HKEY_CLASSES_ROOT, 0);

namespace {
const REGSAM kViewFlags = KEY_WOW64_32KEY | KEY_WOW64_64KEY;
}

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
    const LONG rc = tryOpen(parent, subkey, mode == Read ? KEY_READ : KEY_READ | KEY_WRITE, create);
    if (rc != ERROR_SUCCESS) {
        const void* function = create ? functionAddress(&RegCreateKeyExA) : functionAddress(&RegOpenKeyExA);
        throw QDS_ERROR(SysError(context("open key", subkey), function, static_cast<unsigned long>(rc)));
    }
}

LONG Registry::tryOpen(const Registry& parent, const std::string& subkey, REGSAM access, bool create) {
    const DWORD view = parent.viewFlags_ | (access & kViewFlags);
    access |= view;
    HKEY opened = nullptr;
    const LONG rc = create ? RegCreateKeyExA(parent.key_, subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                                             nullptr, &opened, nullptr)
                           : RegOpenKeyExA(parent.key_, subkey.c_str(), 0, access, &opened);
    if (rc != ERROR_SUCCESS) return rc;
    // Opened first: the parent may be this object.
    close();
    key_ = opened;
    owned_ = true;
    viewFlags_ = view;
    return rc;
}

LONG Registry::tryOpenCurrentUser(REGSAM access) {
    HKEY opened = nullptr;
    const LONG rc = RegOpenCurrentUser(access, &opened);
    if (rc != ERROR_SUCCESS) return rc;
    close();
    key_ = opened;
    owned_ = true;
    viewFlags_ = 0;
    return rc;
}

bool Registry::exists(const std::string& subkey) const {
    try {
        Registry key(*this, subkey, Read);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

LONG Registry::tryGetValue(const std::string& name, RegValue& value) const {
    value = RegValue();
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
            value.data.resize(size);  // an ANSI text can come out shorter than announced
            return rc;
        }
        value = RegValue();
        return rc;
    }
}

LONG Registry::tryGetValueInto(const std::string& name, void* data, DWORD& size) const {
    RegValue value;
    LONG rc = tryGetValue(name, value);
    if (rc != ERROR_SUCCESS) return rc;
    if (value.data.size() > size) {
        rc = ERROR_MORE_DATA;
    } else {
        std::memcpy(data, value.data.data(), value.data.size());
    }
    size = static_cast<DWORD>(value.data.size());
    return rc;
}

RegValue Registry::getValue(const std::string& name) const {
    RegValue value;
    const LONG rc = tryGetValue(name, value);
    if (rc != ERROR_SUCCESS) {
        throw QDS_ERROR(SysError(context("query value", name), functionAddress(&RegQueryValueExA),
                                 static_cast<unsigned long>(rc)));
    }
    return value;
}

LONG Registry::trySetValue(const std::string& name, DWORD type, const void* data, DWORD size) const {
    static const BYTE none = 0;  // a valid address for an empty value
    return RegSetValueExA(key_, name.c_str(), 0, type, size ? static_cast<const BYTE*>(data) : &none, size);
}

LONG Registry::deleteValue(const std::string& name) const { return RegDeleteValueA(key_, name.c_str()); }

LONG Registry::deleteSubkey(const std::string& name) const {
    return RegDeleteKeyExA(key_, name.c_str(), viewFlags_, 0);
}

LONG Registry::countEntries(DWORD& subkeys, DWORD& values) const {
    subkeys = values = 0;
    return RegQueryInfoKeyA(key_, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                            nullptr);
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
    const LONG rc = trySetValue(name, REG_DWORD, &value, sizeof(value));
    if (rc != ERROR_SUCCESS) {
        throw QDS_ERROR(SysError(context("set dword value", name), functionAddress(&RegSetValueExA),
                                 static_cast<unsigned long>(rc)));
    }
}

void Registry::setString(const std::string& name, const std::string& value) const {
    const LONG rc = trySetValue(name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
    if (rc != ERROR_SUCCESS) {
        throw QDS_ERROR(SysError(context("set string value", name), functionAddress(&RegSetValueExA),
                                 static_cast<unsigned long>(rc)));
    }
}

void Registry::setBinary(const std::string& name, const std::vector<unsigned char>& value) const {
    const LONG rc = trySetValue(name, REG_BINARY, value.data(), static_cast<DWORD>(value.size()));
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

int GetRegValueOfStringType(const char* valueName, char* buffer, const char* subkey, DWORD* size) {
    Registry key;
    LONG rc = ERROR_FILE_NOT_FOUND;
    if (!isNotNativeX64()) rc = key.tryOpen(Registry::hklm64, subkey, KEY_READ);  // a 32-bit process looks in the 32-bit view only
    if (rc != ERROR_SUCCESS) {
        LOG_ERROR(tstrings::format("Error Opening RegKey at 64 bit loaction: %d", static_cast<int>(rc)));
        rc = key.tryOpen(Registry::hklm32, subkey, KEY_READ);
        if (rc != ERROR_SUCCESS) {
            LOG_ERROR(tstrings::format("Error Opening RegKey at 32 or 64 bit loaction: %d", static_cast<int>(rc)));
            return 0;
        }
    }
    const DWORD capacity = size ? *size : 0;
    DWORD type = REG_NONE;
    rc = RegQueryValueExA(key.handle(), valueName, nullptr, &type, reinterpret_cast<BYTE*>(buffer), size);
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
        LOG_ERROR(tstrings::format("Registry Value not found: %d", static_cast<int>(rc)));
        return 0;
    }
    if (type != REG_SZ) {
        LOG_ERROR(tstrings::format("Registry Value not of type REG_SZ: %d", static_cast<int>(rc)));
        return 0;
    }
    return 1;
}
