#pragma once
// Typed registry access in an explicit 32-bit or 64-bit view. Names and
// values are narrow (ANSI) strings.
#include <string>
#include <vector>

#include "base/win.h"

// A value as stored: its registry type and bytes.
struct RegValue {
    DWORD type = REG_NONE;
    std::vector<unsigned char> data;

    // The bytes as text up to the first NUL; a value without one is taken whole.
    std::string text() const {
        std::string all(data.begin(), data.end());
        return all.substr(0, all.find('\0'));
    }
};

// A key that passes its view flags (0, KEY_WOW64_32KEY or KEY_WOW64_64KEY)
// on to every key opened through it. Operations raise QdsError over SysError
// or std::runtime_error.
class Registry {
public:
    enum Mode { Read = 0, Write = 1 };

    // Refers to nothing until open() is called.
    Registry() = default;
    // A key not owned by the object (the root keys).
    Registry(HKEY key, DWORD viewFlags) : key_(key), viewFlags_(viewFlags) {}
    // Writing creates missing keys; reading never does.
    Registry(const Registry& parent, const std::string& subkey, int mode = Read);
    ~Registry();

    Registry(Registry&& other) noexcept;
    Registry& operator=(Registry&& other) noexcept;
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    // Makes this object refer to the new key; parent may be this object.
    void open(const Registry& parent, const std::string& subkey, int mode, bool create);
    // Whether the subkey can be opened for reading; never raises.
    bool exists(const std::string& subkey) const;

    // Non-raising forms, for the places that only ask whether something is
    // there or that log a failure and go on. Each returns the code of the
    // registry call. The access rights come without view flags: the parent's
    // view, and any view flag given, pass on to the key.
    LONG tryOpen(const Registry& parent, const std::string& subkey, REGSAM access, bool create = false);
    // The root of the user the thread runs as (RegOpenCurrentUser), in the default view.
    LONG tryOpenCurrentUser(REGSAM access);
    LONG tryGetValue(const std::string& name, RegValue& value) const;  // left empty on failure
    // As the system reads a value into the caller's buffer: on success `size`
    // is the byte count; when it does not fit, ERROR_MORE_DATA and the size needed.
    LONG tryGetValueInto(const std::string& name, void* data, DWORD& size) const;
    LONG trySetValue(const std::string& name, DWORD type, const void* data, DWORD size) const;
    LONG deleteValue(const std::string& name) const;
    LONG deleteSubkey(const std::string& name) const;  // in this key's view, without subkeys of its own
    LONG countEntries(DWORD& subkeys, DWORD& values) const;
    bool isOpen() const { return key_ != nullptr; }

    RegValue getValue(const std::string& name) const;
    DWORD getDword(const std::string& name) const;
    std::string getString(const std::string& name) const;  // REG_SZ or REG_EXPAND_SZ, not expanded
    std::string getString(const std::string& name, const std::string& defaultValue) const;  // never raises
    std::vector<unsigned char> getBinary(const std::string& name) const;

    void setDword(const std::string& name, DWORD value) const;
    void setString(const std::string& name, const std::string& value) const;
    void setBinary(const std::string& name, const std::vector<unsigned char>& value) const;

    std::vector<std::string> getSubkeyNames() const;

    HKEY handle() const { return key_; }
    DWORD viewFlags() const { return viewFlags_; }

    static const Registry hklm;    // the process's own view
    static const Registry hklm32;  // KEY_WOW64_32KEY
    static const Registry hklm64;  // KEY_WOW64_64KEY
    static const Registry hkcu;
    static const Registry hkcu32;
    static const Registry hkcu64;
    static const Registry hkcr;

private:
    void close();

    HKEY key_ = nullptr;
    bool owned_ = false;
    DWORD viewFlags_ = 0;
};

// The non-raising forms under the older names: returns Windows error codes.
class RegKey {
public:
    explicit RegKey(HKEY parent) : parent_(parent, 0) {}

    // Opening again first closes the key held.
    LONG open(const std::string& subkey, REGSAM access) {
        key_ = Registry();
        return key_.tryOpen(parent_, subkey, access);
    }
    // The value's type and bytes; left empty on failure.
    LONG query(const std::string& name, RegValue& value) const { return key_.tryGetValue(name, value); }

    HKEY handle() const { return key_.handle(); }

private:
    Registry parent_;
    Registry key_;
};

// Reads a REG_SZ value of a key under HKEY_LOCAL_MACHINE into the caller's
// buffer of *size bytes, from the 64-bit view and else the 32-bit view.
// Returns 1 when a REG_SZ value was read (the buffer then holds a terminated
// text and *size its byte count with the terminator), else 0. Never raises.
int GetRegValueOfStringType(const char* valueName, char* buffer, const char* subkey, DWORD* size);
