#include "base/resource.h"

#include <fstream>
#include <ios>

#include "base/file_utils.h"
#include "base/report.h"
#include "base/sys_error.h"
#include "base/tstrings.h"

namespace {
bool isId(LPCSTR value) { return reinterpret_cast<ULONG_PTR>(value) <= 0xFFFF; }

std::string textOf(LPCSTR value) {
    return isId(value) ? "#" + std::to_string(reinterpret_cast<ULONG_PTR>(value)) : std::string(value);
}
}  // namespace

Resource::Resource(LPCSTR name, LPCSTR type, HMODULE module)
    : module_(module ? module : GetModuleHandleA(nullptr)), name_(name), type_(type),
      nameText_(textOf(name)), typeText_(textOf(type)) {
    if (!isId(name)) {
        nameStore_ = name;
        name_ = nameStore_.c_str();
    }
    if (!isId(type)) {
        typeStore_ = type;
        type_ = typeStore_.c_str();
    }
}

const void* Resource::getPtr(size_t& size) const {
    const bool isString = type_ == RT_STRING;
    const ULONG_PTR id = reinterpret_cast<ULONG_PTR>(name_);
    LPCSTR lookupName = isString ? MAKEINTRESOURCEA(id / 16 + 1) : name_;
    HRSRC info = FindResourceA(module_, lookupName, type_);
    if (!info) {
        const DWORD code = GetLastError();
        throw QDS_ERROR(SysError("cannot find resource (name='" + nameText_ + "', type='" + typeText_ + "')",
                                 functionAddress(&FindResourceA), code));
    }
    if (isString) {
        const wchar_t* text = nullptr;
        const int n = LoadStringW(module_, static_cast<UINT>(id), reinterpret_cast<LPWSTR>(&text), 0);
        if (n <= 0 || !text) {
            const DWORD code = GetLastError();
            throw QDS_ERROR(SysError("cannot find resource (name='" + nameText_ + "', type='" + typeText_ + "')",
                                     functionAddress(&FindResourceA), code ? code : ERROR_RESOURCE_NAME_NOT_FOUND));
        }
        size = static_cast<size_t>(n) * 2;
        return text;
    }
    size = SizeofResource(module_, info);
    HGLOBAL data = LoadResource(module_, info);
    if (!data) {
        const DWORD code = GetLastError();
        throw QDS_ERROR(SysError("cannot load resource (name='" + nameText_ + "', type='" + typeText_ + "')",
                                 functionAddress(&LoadResource), code));
    }
    return LockResource(data);
}

bool Resource::exists() const {
    if (type_ == RT_STRING) {
        const wchar_t* text = nullptr;
        return LoadStringW(module_, static_cast<UINT>(reinterpret_cast<ULONG_PTR>(name_)), reinterpret_cast<LPWSTR>(&text), 0) > 0;
    }
    return FindResourceA(module_, name_, type_) != nullptr;
}

void Resource::saveAs(const std::string& targetPath) const {
    size_t size = 0;
    const void* data = getPtr(size);
    FileUtils::TempFileGuard temp(FileUtils::createTempFile("qds", "tmp", FileUtils::dirname(targetPath)));
    {
        std::ofstream out;
        out.exceptions(std::ios::failbit | std::ios::badbit);
        out.open(temp.path(), std::ios::binary | std::ios::trunc);
        out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
        out.close();
    }
    if (!MoveFileExA(temp.path().c_str(), targetPath.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        throw std::ios_base::failure("cannot move file: " + describeSystemError(GetLastError(), nullptr));
    }
    temp.release();
}

StringResource::StringResource(unsigned id, HMODULE module)
    : Resource(MAKEINTRESOURCEA(id), RT_STRING, module), id_(id) {}

std::wstring StringResource::wstring() const {
    size_t size = 0;
    const auto* text = static_cast<const wchar_t*>(getPtr(size));
    return std::wstring(text, size / 2);
}

std::string StringResource::string() const { return tstrings::toACP(wstring()); }

std::string StringResource::string(const std::string& defaultText) const {
    try {
        return string();
    } catch (const std::exception& e) {
        REPORT_EXCEPTION(e);
    } catch (...) {
        REPORT_UNKNOWN_EXCEPTION();
    }
    return defaultText;
}
