#pragma once
// Libraries loaded by full path, and functions resolved from them.
#include <stdexcept>
#include <string>
#include <utility>

#include "base/source_location.h"
#include "base/win.h"

class Dll {
public:
    explicit Dll(const std::wstring& path);  // raises SysError when the load fails
    ~Dll();
    Dll(Dll&& other) noexcept;
    Dll& operator=(Dll&& other) noexcept;
    Dll(const Dll&) = delete;
    Dll& operator=(const Dll&) = delete;

    HMODULE get() const { return module_; }
    const std::wstring& path() const { return path_; }

private:
    HMODULE module_ = nullptr;
    bool owned_ = false;
    std::wstring path_;
};

// The library of that name from the system directory, never from the search path.
Dll loadSystemDll(const std::string& name);

template <class Signature>
class DllFunction {
public:
    using Pointer = Signature*;

    DllFunction(Dll dll, const std::string& name)
        : dll_(std::move(dll)), name_(name),
          address_(reinterpret_cast<Pointer>(reinterpret_cast<void*>(GetProcAddress(dll_.get(), name.c_str())))) {}

    // By ordinal, for libraries whose names may differ between versions (msi.dll).
    DllFunction(Dll dll, unsigned ordinal)
        : dll_(std::move(dll)), name_("#" + std::to_string(ordinal)),
          address_(reinterpret_cast<Pointer>(
              reinterpret_cast<void*>(GetProcAddress(dll_.get(), reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(ordinal)))))) {}

    explicit operator bool() const { return address_ != nullptr; }

    Pointer get() const {
        if (!address_) throw QDS_ERROR(std::runtime_error("function " + name_ + " is not available"));
        return address_;
    }
    operator Pointer() const { return get(); }

    const std::string& name() const { return name_; }

private:
    Dll dll_;
    std::string name_;
    Pointer address_;
};
