#include "base/dll.h"

#include "base/sys_error.h"
#include "base/tstrings.h"

Dll::Dll(const std::wstring& path) : path_(path) {
    module_ = LoadLibraryW(path.c_str());
    if (!module_) {
        const DWORD code = GetLastError();
        throw QDS_ERROR(SysError("LoadLibraryW(" + tstrings::toUtf8(path) + ") failed",
                                 functionAddress(&LoadLibraryW), code));
    }
    owned_ = true;
}

Dll::~Dll() {
    if (owned_ && module_) FreeLibrary(module_);
}

Dll::Dll(Dll&& other) noexcept
    : module_(other.module_), owned_(std::exchange(other.owned_, false)), path_(std::move(other.path_)) {}

Dll& Dll::operator=(Dll&& other) noexcept {
    if (this != &other) {
        if (owned_ && module_) FreeLibrary(module_);
        module_ = other.module_;
        owned_ = std::exchange(other.owned_, false);
        path_ = std::move(other.path_);
    }
    return *this;
}

Dll loadSystemDll(const std::string& name) {
    // The plain call: the system facts themselves load their libraries through here.
    wchar_t folder[MAX_PATH] = {};
    const UINT n = GetSystemDirectoryW(folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) {
        const DWORD code = GetLastError();
        throw QDS_ERROR(SysError("GetSystemDirectoryW failed", functionAddress(&GetSystemDirectoryW), code));
    }
    return Dll(std::wstring(folder, n) + L"\\" + tstrings::fromACP(name));
}
