#include "settings/settings_files.h"

#include "base/win.h"

#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include <vector>

#include "base/tstrings.h"
#include "base/win_handles.h"
#include "settings/plain_text.h"
#include "settings/settings_exception.h"
#include "base/memory_holders.h"

namespace settings_impl {

namespace {

std::wstring wide(const SettingsPath& path) { return std::wstring(path.utf16().begin(), path.utf16().end()); }

SettingsPath canonicalPath(const std::string& text) { return SettingsPath(text).canonicalize(currentDirectory); }

// What the file on disk shows for each line end: CR LF, as text mode writes it.
std::string textMode(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (const char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

// The new file beside the target; deleted unless it took the target's place.
class ReplacementFile {
public:
    explicit ReplacementFile(const std::wstring& target) : path_(target + L".tmp") {}
    ~ReplacementFile() {
        handle_.reset();
        if (created_ && !moved_) DeleteFileW(path_.c_str());
    }
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    void create(SECURITY_ATTRIBUTES* attributes) {
        // A file of this name is one an earlier, interrupted write left behind.
        DeleteFileW(path_.c_str());
        handle_.reset(CreateFileW(path_.c_str(), GENERIC_READ | GENERIC_WRITE | WRITE_DAC, 0, attributes, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!handle_.valid()) {
            throw settings::ExceptionCode<304>("cannot create " + tstrings::toUtf8(path_) + ": error " +
                                               std::to_string(GetLastError()));
        }
        created_ = true;
    }

    HANDLE handle() const { return handle_.get(); }

    void write(const std::string& bytes) {
        DWORD written = 0;
        if (!WriteFile(handle_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
            written != bytes.size() || !FlushFileBuffers(handle_.get())) {
            throw settings::ExceptionCode<306>("writing " + tstrings::toUtf8(path_) + " failed");
        }
        handle_.reset();
    }

    // Returns the system error, 0 on success.
    DWORD moveTo(const std::wstring& target, DWORD flags) {
        if (!MoveFileExW(path_.c_str(), target.c_str(), flags | MOVEFILE_WRITE_THROUGH)) return GetLastError();
        moved_ = true;
        return 0;
    }

private:
    std::wstring path_;
    UniqueHandle handle_;
    bool created_ = false;
    bool moved_ = false;
};

// The access rules of an open file, to be given to its replacement.
class FileDacl {
public:
    explicit FileDacl(HANDLE file) {
        if (GetSecurityInfo(file, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl_, nullptr,
                            descriptor_.out()) != ERROR_SUCCESS) {
            throw settings::ExceptionCode<304>("cannot read the settings file's access rules");
        }
        SECURITY_DESCRIPTOR_CONTROL control = 0;
        DWORD revision = 0;
        if (GetSecurityDescriptorControl(descriptor_.get(), &control, &revision)) {
            protected_ = (control & SE_DACL_PROTECTED) != 0;
        }
    }

    void applyTo(HANDLE file) const {
        const SECURITY_INFORMATION what = DACL_SECURITY_INFORMATION | (protected_ ? PROTECTED_DACL_SECURITY_INFORMATION
                                                                                 : UNPROTECTED_DACL_SECURITY_INFORMATION);
        if (SetSecurityInfo(file, SE_FILE_OBJECT, what, nullptr, nullptr, dacl_, nullptr) != ERROR_SUCCESS) {
            throw settings::ExceptionCode<304>("cannot give the new settings file the old one's access rules");
        }
    }

private:
    LocalPointer<void> descriptor_;
    PACL dacl_ = nullptr;  // inside descriptor_
    bool protected_ = false;
};

}  // namespace

FileBuffer::FileBuffer(const std::string& pathText) {
    const SettingsPath path = canonicalPath(pathText);
    // Sharing delete too: a reader must not keep the file from being replaced.
    UniqueHandle file(CreateFileW(wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) throw settings::ExceptionCode<304>("cannot open " + path.text());
    std::string bytes(kMaxSettingsFileBytes, '\0');
    size_t total = 0;
    while (total < bytes.size()) {
        DWORD got = 0;
        if (!ReadFile(file.get(), &bytes[total], static_cast<DWORD>(bytes.size() - total), &got, nullptr)) {
            throw settings::ExceptionCode<307>("cannot read " + path.text());
        }
        if (got == 0) break;
        total += got;
    }
    if (total >= kMaxSettingsFileBytes) throw settings::ExceptionCode<315>(path.text() + " is too long");
    bytes.resize(total);
    // A NUL is no text: read as one, it would cut the file short where it stands.
    if (!isPlainText(bytes) || bytes.find('\0') != std::string::npos) {
        throw settings::ExceptionCode<314>(path.text() + " is not plain UTF-8 text");
    }
    text_ = std::move(bytes);
}

std::string currentDirectory() {
    wchar_t buffer[MAX_PATH];
    const DWORD n = GetCurrentDirectoryW(MAX_PATH, buffer);
    if (n == 0 || n >= MAX_PATH) throw settings::Exception(200, "cannot get the current directory");
    return tstrings::toUtf8(std::wstring(buffer, n));
}

std::string runtimeSettingsFilePath() {
    // Every configuration asks for it; the folder does not move while the
    // launcher runs, and each question to the shell walks the registry. A
    // failure raises, and the next call asks again.
    static const std::string path = [] {
        wchar_t buffer[MAX_PATH];
        if (SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buffer) != S_OK) {
            throw settings::Exception(200, "SHGetFolderPath(CSIDL_COMMON_APPDATA) failed");
        }
        return tstrings::toUtf8(buffer) + "\\Velmar\\Orun\\orun.settings.cfg";
    }();
    return path;
}

std::string domainUsersSid() {
    UniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, GetCurrentProcessId()));
    if (!process.valid()) throw settings::Exception(200, "OpenProcess failed");
    HANDLE tokenHandle = nullptr;
    if (!OpenProcessToken(process.get(), TOKEN_QUERY, &tokenHandle)) throw settings::Exception(200, "OpenProcessToken failed");
    UniqueHandle token(tokenHandle);
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    if (size == 0) throw settings::Exception(200, "GetTokenInformation failed");
    std::vector<BYTE> user(size);
    if (!GetTokenInformation(token.get(), TokenUser, user.data(), size, &size)) {
        throw settings::Exception(200, "GetTokenInformation failed");
    }
    BYTE domain[SECURITY_MAX_SID_SIZE];
    DWORD domainSize = sizeof domain;
    if (!GetWindowsAccountDomainSid(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, domain, &domainSize)) {
        throw settings::Exception(200, "GetWindowsAccountDomainSid failed");
    }
    BYTE users[SECURITY_MAX_SID_SIZE];
    DWORD usersSize = sizeof users;
    if (!CreateWellKnownSid(WinAccountDomainUsersSid, domain, users, &usersSize)) {
        throw settings::Exception(200, "CreateWellKnownSid failed");
    }
    LocalPointer<wchar_t> text;
    if (!ConvertSidToStringSidW(users, text.out())) {
        throw settings::Exception(200, "ConvertSidToStringSid failed");
    }
    return tstrings::toUtf8(text.get());
}

std::string newSettingsFileSddl() {
    return "D:(A;;FA;;;BA)(A;;FR;;;" + domainUsersSid() + ")(A;;FR;;;WD)";
}

void createMissingDirectories(const SettingsPath& path) {
    for (const std::string& prefix : path.parentDirectories()) {
        const std::wstring folder = wide(SettingsPath(prefix));
        if (GetFileAttributesW(folder.c_str()) != INVALID_FILE_ATTRIBUTES) continue;
        if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
            throw settings::ExceptionCode<311>("cannot create the folder " + prefix);
        }
    }
}

void writeSettingsFile(const Config& config, const std::string& pathText) {
    const SettingsPath path = canonicalPath(pathText);
    const std::string text = textMode(serialize(config));
    createMissingDirectories(path);
    const std::wstring target = wide(path);
    ReplacementFile replacement(target);

    UniqueHandle existing(CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (existing.valid()) {
        const FileDacl dacl(existing.get());
        existing.reset();
        replacement.create(nullptr);
        dacl.applyTo(replacement.handle());
        replacement.write(text);
        if (const DWORD error = replacement.moveTo(target, MOVEFILE_REPLACE_EXISTING)) {
            throw settings::ExceptionCode<306>("cannot replace " + path.text() + ": error " + std::to_string(error));
        }
        return;
    }

    const std::wstring sddl = tstrings::toUtf16(newSettingsFileSddl());
    LocalPointer<void> descriptor;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, descriptor.out(),
                                                              nullptr)) {
        throw settings::ExceptionCode<304>("cannot build the settings file's security descriptor");
    }
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor.get(), FALSE};
    replacement.create(&attributes);
    replacement.write(text);
    // Without replacing: a file that exists but could not be read stays as it is.
    if (const DWORD error = replacement.moveTo(target, 0)) {
        if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) {
            throw settings::ExceptionCode<304>("cannot create " + path.text() + ": error " + std::to_string(error));
        }
        throw settings::ExceptionCode<306>("cannot move the new file to " + path.text() + ": error " +
                                           std::to_string(error));
    }
}

}  // namespace settings_impl
