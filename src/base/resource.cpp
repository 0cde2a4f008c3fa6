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

LANGID g_uiLanguage = 0;  // none chosen: the module's default choice
}  // namespace

void Resource::setUiLanguage(LANGID language) { g_uiLanguage = language; }
LANGID Resource::uiLanguage() { return g_uiLanguage; }

// The resource in the chosen language when the module has it. Asked for by
// language explicitly: the system's own choice follows the user's settings,
// not the language this run has chosen.
HRSRC Resource::find(LPCSTR name) const {
    if (g_uiLanguage != 0) {
        const LANGID candidates[] = {g_uiLanguage, MAKELANGID(PRIMARYLANGID(g_uiLanguage), SUBLANG_NEUTRAL),
                                     MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)};
        for (LANGID language : candidates) {
            if (HRSRC info = FindResourceExA(module_, type_, name, language)) return info;
        }
    }
    return FindResourceA(module_, name, type_);
}

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
    // A string lives in a block of sixteen, numbered from 1.
    HRSRC info = find(isString ? MAKEINTRESOURCEA(id / 16 + 1) : name_);
    if (!info) {
        const DWORD code = GetLastError();
        throw QDS_ERROR(SysError("cannot find resource (name='" + nameText_ + "', type='" + typeText_ + "')",
                                 functionAddress(&FindResourceA), code));
    }
    HGLOBAL data = LoadResource(module_, info);
    const void* bytes = data ? LockResource(data) : nullptr;
    if (!bytes) {
        const DWORD code = GetLastError();
        throw QDS_ERROR(SysError("cannot load resource (name='" + nameText_ + "', type='" + typeText_ + "')",
                                 functionAddress(&LoadResource), code));
    }
    if (!isString) {
        size = SizeofResource(module_, info);
        return bytes;
    }
    // The block holds sixteen counted UTF-16 strings, without terminators.
    const DWORD blockSize = SizeofResource(module_, info);
    const auto* p = static_cast<const WCHAR*>(bytes);
    const WCHAR* end = p + blockSize / sizeof(WCHAR);
    for (ULONG_PTR i = 0; i < id % 16 && p < end; ++i) p += 1 + *p;
    if (p >= end || *p == 0 || p + 1 + *p > end) {
        throw QDS_ERROR(SysError("cannot find resource (name='" + nameText_ + "', type='" + typeText_ + "')",
                                 functionAddress(&FindResourceA), ERROR_RESOURCE_NAME_NOT_FOUND));
    }
    size = static_cast<size_t>(*p) * sizeof(WCHAR);
    return p + 1;
}

bool Resource::exists() const {
    try {
        size_t size = 0;
        getPtr(size);
        return true;
    } catch (const std::exception&) {
        return false;
    }
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
