#include <gtest/gtest.h>

#include "base/win.h"

#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include <string>
#include <utility>
#include <vector>

#include "base/tstrings.h"
#include "base/win_handles.h"
#include "settings/settings_api.h"
#include "settings/settings_exception.h"
#include "settings/settings_files.h"
#include "test_support.h"

namespace {

const settings::settings_api& api() { return *settings::getSettingsApi(); }

// A context of its own for each test, released at the end.
class ScopedContext {
public:
    ScopedContext() { EXPECT_EQ(api().createContext(&context_), 0); }
    ~ScopedContext() { api().releaseContext(context_); }
    settings::Context* get() const { return context_; }
    operator settings::Context*() const { return context_; }

private:
    settings::Context* context_ = nullptr;
};

int loadFile(settings::Context* context, const std::string& path, int allowKeyWithoutValue = 0) {
    return api().loadFile(context, path.c_str(), nullptr, nullptr, 0, allowKeyWithoutValue);
}

int readCode(const std::string& path) {
    try {
        settings_impl::FileBuffer buffer(path);
        return 0;
    } catch (const settings::Exception& e) {
        return e.getCode();
    }
}

std::string text(const settings::Context* context, const char* key) {
    const char* value = nullptr;
    EXPECT_EQ(api().getString(context, key, &value), 0) << key;
    return value ? value : "";
}

// The DACL of a file in SDDL form.
std::string daclText(const std::string& path) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    PACL dacl = nullptr;
    if (GetNamedSecurityInfoW(tstrings::toUtf16(path).c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS) {
        return "?";
    }
    LPWSTR sddl = nullptr;
    std::string result = "?";
    if (ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION,
                                                             &sddl, nullptr)) {
        result = tstrings::toUtf8(sddl);
        LocalFree(sddl);
    }
    LocalFree(descriptor);
    return result;
}

// Whether files here keep the descriptor they were created with. Wine derives
// a file's descriptor from its Unix mode, so there the rules cannot be read back.
bool keepsFileDescriptors(const ScratchDir& dir) {
    const std::string probe = dir.file("probe");
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;FA;;;BA)", SDDL_REVISION_1, &descriptor, nullptr);
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor, FALSE};
    CloseHandle(CreateFileA(probe.c_str(), GENERIC_WRITE, 0, &attributes, CREATE_NEW, 0, nullptr));
    LocalFree(descriptor);
    const bool kept = daclText(probe) == "D:P(A;;FA;;;BA)";
    DeleteFileA(probe.c_str());
    return kept;
}

// The current user's SID in text form, from the token.
std::string userSid() {
    HANDLE token = nullptr;
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
    UniqueHandle holder(token);
    std::vector<BYTE> buffer(512);
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, buffer.data(), static_cast<DWORD>(buffer.size()), &size);
    LPWSTR sid = nullptr;
    ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &sid);
    const std::string text = tstrings::toUtf8(sid);
    LocalFree(sid);
    return text;
}

bool leftoverBeside(const std::string& path) { return GetFileAttributesA((path + ".tmp").c_str()) != INVALID_FILE_ATTRIBUTES; }

// Which file a path names: a rewrite in place keeps it, a replacement does not.
unsigned long long fileId(const std::string& path) {
    UniqueHandle file(CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!file.valid() || !GetFileInformationByHandle(file.get(), &info)) return 0;
    return (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
}

}  // namespace

TEST(SettingsFiles, ReadingChecksPresenceSizeAndText) {
    ScratchDir dir("ovx_settings_read");
    EXPECT_EQ(readCode(dir.file("missing.cfg")), 304);
    EXPECT_EQ(readCode(dir.path()), 304);  // a folder is no file

    writeFile(dir.file("limit.cfg"), std::string(settings_impl::kMaxSettingsFileBytes - 1, 'a'));
    EXPECT_EQ(readCode(dir.file("limit.cfg")), 0);
    writeFile(dir.file("long.cfg"), std::string(settings_impl::kMaxSettingsFileBytes, 'a'));
    EXPECT_EQ(readCode(dir.file("long.cfg")), 315);

    writeFile(dir.file("euro.cfg"), "A=\xE2\x82\xAC\r\n");
    EXPECT_EQ(readCode(dir.file("euro.cfg")), 0);
    writeFile(dir.file("cut.cfg"), "A=1\r\nB=\xE2\x82");
    EXPECT_EQ(readCode(dir.file("cut.cfg")), 314);
    writeFile(dir.file("latin1.cfg"), "A=caf\xE9\r\n");
    EXPECT_EQ(readCode(dir.file("latin1.cfg")), 314);
    // A NUL anywhere, even at the very end, makes the file no text.
    const std::pair<const char*, std::string> withNul[] = {{"nul_first.cfg", std::string("\0A=1\r\n", 6)},
                                                           {"nul_middle.cfg", std::string("A=1\r\n\0B=2\r\n", 11)},
                                                           {"nul_last.cfg", std::string("A=1\r\n\0", 6)}};
    for (const auto& [name, text] : withNul) {
        writeFile(dir.file(name), text);
        EXPECT_EQ(readCode(dir.file(name)), 314) << name;
    }

    // Path checks come first.
    EXPECT_EQ(readCode(dir.file(std::string(260, 'x'))), 310);
    EXPECT_EQ(readCode(dir.file("CON\\x.cfg")), 311);
    EXPECT_EQ(readCode(dir.file("\xFF.cfg")), 312);
}

TEST(SettingsFiles, ReadingRelativePathsAgainstTheCurrentDirectory) {
    ScratchDir dir("ovx_settings_relative");
    FileUtils::createDirectory(dir.file("sub"));
    writeFile(dir.file("up.cfg"), "UP=1\r\n");
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(dir.file("sub").c_str()));
    EXPECT_EQ(settings_impl::currentDirectory(), dir.file("sub"));
    ScopedContext context;
    EXPECT_EQ(loadFile(context, "..\\up.cfg"), 0);
    SetCurrentDirectoryA(previous);
    EXPECT_EQ(text(context, "UP"), "1");
}

TEST(SettingsFiles, NotepadFileWithByteOrderMark) {
    ScratchDir dir("ovx_settings_bom");
    writeFile(dir.file("notepad.cfg"), "\xEF\xBB\xBFINSTALLDIR=C:\\Orun\r\nSTATIC=1\r\n");
    ScopedContext context;
    EXPECT_EQ(loadFile(context, dir.file("notepad.cfg")), 0);
    EXPECT_EQ(text(context, "INSTALLDIR"), "C:\\Orun");
}

TEST(SettingsFiles, WritingCreatesTheFolderChainAndWritesTextMode) {
    ScratchDir dir("ovx_settings_write");
    ScopedContext context;
    ASSERT_EQ(api().loadString(context, "B=2\nA=1 \nSWITCH", nullptr, nullptr, 0, 1), 0);
    const std::string path = dir.file("a\\b/c\\orun.settings.cfg");
    ASSERT_EQ(api().saveFile(context, path.c_str()), 0);
    EXPECT_TRUE(FileUtils::isDirectory(dir.file("a\\b\\c")));
    EXPECT_EQ(readFile(path), "A=1\r\nB=2\r\nSWITCH\r\n");
    EXPECT_FALSE(leftoverBeside(path));

    ScopedContext empty;
    ASSERT_EQ(api().saveFile(empty, dir.file("empty.cfg").c_str()), 0);
    EXPECT_EQ(readFile(dir.file("empty.cfg")), " ");
    ScopedContext back;
    EXPECT_EQ(loadFile(back, dir.file("empty.cfg")), 0);
    int isEmpty = 0;
    EXPECT_EQ(api().isEmpty(back, &isEmpty), 0);
    EXPECT_EQ(isEmpty, 1);

    // A file where a folder should be.
    writeFile(dir.file("plain"), "x");
    EXPECT_EQ(api().saveFile(context, dir.file("plain\\sub\\x.cfg").c_str()), 311);
    EXPECT_EQ(api().saveFile(context, dir.file("..\\..\\..\\..\\..\\..\\..\\..\\..\\x.cfg").c_str()), 311);
    EXPECT_EQ(api().saveFile(context, dir.file("a?b.cfg").c_str()), 311);
}

TEST(SettingsFiles, NewFileDescriptorGivesDomainUsersAndEveryoneRead) {
    const std::string user = userSid();
    const std::string expectedSid = user.substr(0, user.rfind('-')) + "-513";
    EXPECT_EQ(settings_impl::domainUsersSid(), expectedSid);
    EXPECT_EQ(settings_impl::newSettingsFileSddl(), "D:(A;;FA;;;BA)(A;;FR;;;" + expectedSid + ")(A;;FR;;;WD)");
}

TEST(SettingsFiles, NewFileCarriesTheDescriptor) {
    const std::string user = userSid();
    const std::string expectedSid = user.substr(0, user.rfind('-')) + "-513";
    ScratchDir dir("ovx_settings_sddl");
    if (!keepsFileDescriptors(dir)) GTEST_SKIP() << "file descriptors are not kept on this system";
    ScopedContext context;
    ASSERT_EQ(api().loadString(context, "A=1", nullptr, nullptr, 0, 0), 0);
    ASSERT_EQ(api().saveFile(context, dir.file("new.cfg").c_str()), 0);
    // Our three entries first; inherited ones may follow.
    const std::string dacl = daclText(dir.file("new.cfg"));
    const bool alias = dacl.rfind("D:(A;;FA;;;BA)(A;;FR;;;DU)(A;;FR;;;WD)", 0) == 0;
    const bool full = dacl.rfind("D:(A;;FA;;;BA)(A;;FR;;;" + expectedSid + ")(A;;FR;;;WD)", 0) == 0;
    EXPECT_TRUE(alias || full) << dacl;
}

TEST(SettingsFiles, RewriteKeepsTheExistingFilesRules) {
    ScratchDir dir("ovx_settings_keep");
    if (!keepsFileDescriptors(dir)) GTEST_SKIP() << "file descriptors are not kept on this system";
    const std::string path = dir.file("kept.cfg");
    writeFile(path, "OLD=1\r\n");
    const std::wstring rules = tstrings::toUtf16("D:P(A;;FA;;;BA)(A;;FA;;;" + userSid() + ")(A;;FR;;;BU)");
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(rules.c_str(), SDDL_REVISION_1, &descriptor, nullptr));
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted);
    ASSERT_EQ(SetNamedSecurityInfoW(const_cast<LPWSTR>(tstrings::toUtf16(path).c_str()), SE_FILE_OBJECT,
                                    DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                    dacl, nullptr),
              static_cast<DWORD>(ERROR_SUCCESS));
    LocalFree(descriptor);
    const std::string before = daclText(path);

    ScopedContext context;
    ASSERT_EQ(api().loadString(context, "NEW=2", nullptr, nullptr, 0, 0), 0);
    ASSERT_EQ(api().saveFile(context, path.c_str()), 0);
    EXPECT_EQ(readFile(path), "NEW=2\r\n");
    EXPECT_EQ(daclText(path), before);
}

TEST(SettingsFiles, ReplacementIsOneStepAndNeverTruncates) {
    ScratchDir dir("ovx_settings_replace");
    const std::string path = dir.file("orun.settings.cfg");
    writeFile(path, "OLD=1\r\n");
    ScopedContext context;
    ASSERT_EQ(api().loadString(context, "NEW=2", nullptr, nullptr, 0, 0), 0);
    {
        // A reader that lets nobody write, rename or delete the file: the
        // replacement fails and the old text stays whole.
        UniqueHandle reader(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(reader.valid());
        EXPECT_EQ(api().saveFile(context, path.c_str()), 306);
        EXPECT_EQ(readFile(path), "OLD=1\r\n");
        EXPECT_FALSE(leftoverBeside(path));
    }
    {
        // Nobody may even read it: it cannot be probed, and the exclusive creation fails.
        UniqueHandle locked(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(locked.valid());
        EXPECT_EQ(api().saveFile(context, path.c_str()), 304);
        EXPECT_FALSE(leftoverBeside(path));
    }
    EXPECT_EQ(readFile(path), "OLD=1\r\n");
    // What an interrupted write left beside the file does not get in the way.
    writeFile(path + ".tmp", "partial");
    const unsigned long long before = fileId(path);
    ASSERT_EQ(api().saveFile(context, path.c_str()), 0);
    EXPECT_EQ(readFile(path), "NEW=2\r\n");
    EXPECT_FALSE(leftoverBeside(path));
    EXPECT_NE(fileId(path), before);  // a new, complete file took the old one's place
}

TEST(SettingsApi, ContextsAndTheRuntimeSettingsFile) {
    ScopedContext context;
    ASSERT_NE(context.get(), nullptr);
    const char* path = nullptr;
    ASSERT_EQ(api().getFilePath(context, &path), 0);
    wchar_t common[MAX_PATH];
    ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, common), S_OK);
    EXPECT_EQ(std::string(path), tstrings::toUtf8(common) + "\\Velmar\\Orun\\orun.settings.cfg");
    int isEmpty = 0;
    EXPECT_EQ(api().isEmpty(context, &isEmpty), 0);
    EXPECT_EQ(isEmpty, 1);
}

TEST(SettingsApi, LoadReadSaveCompareRemove) {
    ScratchDir dir("ovx_settings_api");
    settings::ValidatorBuilder* vb = nullptr;
    ASSERT_EQ(api().createValidatorBuilder(&vb), 0);
    EXPECT_EQ(api().addIntType(vb, "PORT"), 0);
    EXPECT_EQ(api().addBoolType(vb, "STATIC"), 0);
    EXPECT_EQ(api().addDoubleType(vb, "RATIO"), 0);
    EXPECT_EQ(api().addStringType(vb, "NAME"), 0);
    EXPECT_EQ(api().addDirnameCheck(vb, "INSTALLDIR", 0), 0);
    const settings::FixedValue modes[] = {{"silent", 1, 0}, {"Full", 2, settings::FIXED_VALUE_STORE_ENTRY_TEXT}};
    EXPECT_EQ(api().addFixedValues(vb, "MODE", modes, 2), 0);
    EXPECT_EQ(api().setAllowOtherKeys(vb, 0), 0);
    settings::Validator* validator = nullptr;
    ASSERT_EQ(api().buildValidator(vb, &validator), 0);
    settings::KeyMapperBuilder* mb = nullptr;
    ASSERT_EQ(api().createKeyMapperBuilder(&mb), 0);
    EXPECT_EQ(api().addKeyMapping(mb, "port", "PORT", 0), 0);
    settings::KeyMapper* mapper = nullptr;
    ASSERT_EQ(api().buildKeyMapper(mb, &mapper), 0);

    ScopedContext a;
    ASSERT_EQ(api().loadString(a,
                               "Port=0x1F\nSTATIC=yes\nRATIO=0.5\nNAME=\xE2\x82\xAC\nINSTALLDIR=C:\\Orun\nMODE=FULL\n/s",
                               validator, mapper, 0, 1),
              0);
    int n = 0;
    double d = 0;
    EXPECT_EQ(api().getInt(a, "PORT", &n), 0);
    EXPECT_EQ(n, 31);
    EXPECT_EQ(api().getBool(a, "STATIC", &n), 0);
    EXPECT_EQ(n, 1);
    EXPECT_EQ(api().getBool(a, "/s", &n), 0);  // a key without value reads as set
    EXPECT_EQ(n, 1);
    EXPECT_EQ(api().getDouble(a, "RATIO", &d), 0);
    EXPECT_EQ(d, 0.5);
    EXPECT_EQ(api().getInt(a, "MODE", &n), 0);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(text(a, "MODE"), "Full");
    EXPECT_EQ(text(a, "NAME"), "\xE2\x82\xAC");
    const char* s = nullptr;
    EXPECT_EQ(api().getString(a, "/s", &s), 301);
    EXPECT_EQ(api().getInt(a, "NAME", &n), 301);
    EXPECT_EQ(api().getInt(a, "ABSENT", &n), 303);

    // Bad lines: the good ones are kept, the bad ones listed.
    ScopedContext bad;
    EXPECT_EQ(api().loadString(bad, "PORT=1\nUNKNOWN=1\nMODE=loud\nPORT=2", validator, mapper, 0, 0), 313);
    const size_t* lines = nullptr;
    size_t count = 0;
    EXPECT_EQ(api().getErrorLines(bad, &lines, &count), 0);
    ASSERT_EQ(count, 2u);
    EXPECT_EQ(lines[0], 1u);
    EXPECT_EQ(lines[1], 2u);
    EXPECT_EQ(api().getInt(bad, "PORT", &n), 0);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(api().loadString(bad, "X=\xFF", nullptr, nullptr, 0, 0), 314);
    EXPECT_EQ(api().getErrorLines(bad, &lines, &count), 0);
    EXPECT_EQ(lines, nullptr);
    EXPECT_EQ(count, 0u);

    // Saved and read back with the same rules: equal.
    const std::string file = dir.file("api.cfg");
    ASSERT_EQ(api().saveFile(a, file.c_str()), 0);
    ScopedContext b;
    ASSERT_EQ(api().loadFile(b, file.c_str(), validator, mapper, 1, 1), 0);
    int equal = 0;
    EXPECT_EQ(api().equals(a, b, &equal), 0);
    EXPECT_EQ(equal, 1);
    // Without the validator the values are untyped text: not equal.
    ScopedContext untyped;
    ASSERT_EQ(api().loadFile(untyped, file.c_str(), nullptr, nullptr, 1, 1), 0);
    EXPECT_EQ(api().equals(a, untyped, &equal), 0);
    EXPECT_EQ(equal, 0);

    EXPECT_EQ(api().removeKey(b, "RATIO"), 0);
    EXPECT_EQ(api().removeKey(b, "RATIO"), 303);
    EXPECT_EQ(api().equals(a, b, &equal), 0);
    EXPECT_EQ(equal, 0);
    EXPECT_EQ(api().merge(b, a), 0);
    EXPECT_EQ(api().equals(a, b, &equal), 0);
    EXPECT_EQ(equal, 1);

    std::vector<std::string> keys;
    auto collect = [](settings::Context*, size_t total, size_t index, const char* key, void* user) {
        auto* out = static_cast<std::vector<std::string>*>(user);
        EXPECT_EQ(index, out->size());
        EXPECT_EQ(total, 7u);
        out->push_back(key);
    };
    EXPECT_EQ(api().forEachKey(a, collect, &keys), 0);
    EXPECT_EQ(keys, (std::vector<std::string>{"/s", "INSTALLDIR", "MODE", "NAME", "PORT", "RATIO", "STATIC"}));

    EXPECT_EQ(api().loadFile(b, dir.file("missing.cfg").c_str(), nullptr, nullptr, 0, 0), 304);

    EXPECT_EQ(api().releaseValidator(validator), 0);
    EXPECT_EQ(api().releaseValidatorBuilder(vb), 0);
    EXPECT_EQ(api().releaseKeyMapper(mapper), 0);
    EXPECT_EQ(api().releaseKeyMapperBuilder(mb), 0);
}

TEST(SettingsApi, NullArgumentsAre300) {
    ScopedContext c;
    const char* s = nullptr;
    size_t count = 0;
    EXPECT_EQ(api().createContext(nullptr), 300);
    EXPECT_EQ(api().releaseContext(nullptr), 300);
    EXPECT_EQ(api().loadFile(nullptr, "C:\\x.cfg", nullptr, nullptr, 0, 0), 300);
    EXPECT_EQ(api().loadFile(c, nullptr, nullptr, nullptr, 0, 0), 300);
    EXPECT_EQ(api().loadFile(c, "", nullptr, nullptr, 0, 0), 300);  // no file named
    EXPECT_EQ(api().saveFile(c, ""), 300);
    EXPECT_EQ(api().loadString(c, nullptr, nullptr, nullptr, 0, 0), 300);
    EXPECT_EQ(api().getErrorLines(c, nullptr, &count), 300);
    EXPECT_EQ(api().forEachKey(c, nullptr, nullptr), 300);
    EXPECT_EQ(api().getString(c, nullptr, &s), 300);
    EXPECT_EQ(api().getBool(c, "K", nullptr), 300);
    EXPECT_EQ(api().addIntType(nullptr, "K"), 300);
    EXPECT_EQ(api().buildKeyMapper(nullptr, nullptr), 300);

    settings::ValidatorBuilder* vb = nullptr;
    ASSERT_EQ(api().createValidatorBuilder(&vb), 0);
    const settings::FixedValue noText[] = {{"a", 1, 0}, {nullptr, 2, 0}};
    EXPECT_EQ(api().addFixedValues(vb, "K", noText, 2), 300);
    EXPECT_EQ(api().addFixedValues(vb, "K", nullptr, 1), 300);
    EXPECT_EQ(api().addFixedValues(vb, "K", nullptr, 0), 0);
    api().releaseValidatorBuilder(vb);
}
