#include <gtest/gtest.h>

#include <stdexcept>

#include "base/file_utils.h"
#include "test_support.h"

namespace {
std::string fixture(const std::string& name) { return FileUtils::combinePath(OVX_TEST_BIN_DIR, name); }

void copyFixture(const std::string& name, const std::string& target) {
    ASSERT_TRUE(CopyFileA(fixture(name).c_str(), target.c_str(), FALSE)) << fixture(name);
}
}  // namespace

TEST(Files, CreateDirectoryMakesEveryLevelAndAcceptsExistingOnes) {
    ScratchDir dir("ovx_files_mkdir");
    const std::string deep = dir.file("a\\b/c\\");
    FileUtils::createDirectory(deep);
    EXPECT_TRUE(FileUtils::isDirectory(dir.file("a\\b\\c")));
    FileUtils::createDirectory(deep);  // again: nothing to do, no error
    FileUtils::createDirectory("C:\\");
}

TEST(Files, CreateDirectoryFailsOnAFileInTheWay) {
    ScratchDir dir("ovx_files_mkdir_fail");
    CapturedLog log(dir);
    writeFile(dir.file("plain"), "x");
    try {
        FileUtils::createDirectory(dir.file("plain\\sub"));
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("FileUtils:createDirectory(" + dir.file("plain\\") + ") failed"), std::string::npos)
            << e.what();
    }
    EXPECT_NE(log.text().find("createDirectory(" + dir.file("plain\\") + ") failed with system error"), std::string::npos);
}

TEST(Files, DeleteAndTemporaryFiles) {
    ScratchDir dir("ovx_files_delete");
    CapturedLog log(dir);
    EXPECT_THROW(FileUtils::deleteFile(dir.file("missing")), std::runtime_error);
    EXPECT_FALSE(FileUtils::tryDeleteFile(dir.file("missing")));
    EXPECT_NE(log.text().find("DeleteFile(" + dir.file("missing") + ") failed with"), std::string::npos);

    const std::string a = FileUtils::createTempFile("qds", "tmp", dir.path() + "\\");
    const std::string b = FileUtils::createTempFile("qds", "tmp", dir.path());
    EXPECT_NE(a, b);
    EXPECT_EQ(FileUtils::dirname(a), dir.path() + "\\");
    EXPECT_EQ(a.substr(a.size() - 4), ".tmp");
    {
        FileUtils::TempFileGuard guard(a);
    }
    EXPECT_FALSE(FileUtils::exists(a));
    {
        FileUtils::TempFileGuard guard(b);
        guard.release();
    }
    EXPECT_TRUE(FileUtils::exists(b));
    EXPECT_THROW(FileUtils::createTempFile("qds", "tmp", dir.file("no\\such\\dir")), std::runtime_error);
}

TEST(Files, FileVersionComesFromTheVersionResource) {
    const FileUtils::FileVersion v = FileUtils::getFileVersion(fixture("orun_8_0_200.exe"));
    EXPECT_EQ(v.major, 8);
    EXPECT_EQ(v.minor, 0);
    EXPECT_EQ(v.build, 200);
    EXPECT_EQ(v.revision, 7);
    ScratchDir dir("ovx_files_version");
    CapturedLog log(dir);
    writeFile(dir.file("noversion.txt"), "text");
    EXPECT_THROW(FileUtils::getFileVersion(dir.file("noversion.txt")), std::runtime_error);
    EXPECT_NE(log.text().find("GetFileVersionInfoSize for \"" + dir.file("noversion.txt") + "\" failed with"), std::string::npos);
}

TEST(Files, DeletePersistentFileRemovesOnlyRecentLauncherCopies) {
    ScratchDir dir("ovx_files_persistent");
    copyFixture("orun_8_0_5.exe", dir.file("orun.exe"));      // too old: stays
    copyFixture("orun_8_0_200.exe", dir.file("orunw.exe"));   // 8 with build 200: goes
    copyFixture("orun_9_0_0.exe", dir.file("orunws.exe"));    // 9: goes
    copyFixture("orun_9_0_0.exe", dir.file("other.exe"));     // not a launcher copy
    FileUtils::deletePersistentFile(dir.path());
    EXPECT_TRUE(FileUtils::exists(dir.file("orun.exe")));
    EXPECT_FALSE(FileUtils::exists(dir.file("orunw.exe")));
    EXPECT_FALSE(FileUtils::exists(dir.file("orunws.exe")));
    EXPECT_TRUE(FileUtils::exists(dir.file("other.exe")));
    FileUtils::deletePersistentFile(dir.file("missing-dir"));  // nothing there: nothing to do
}

namespace {
// The reboot registration lands in the machine's registry: put it back as it was.
class PendingRenamesRestorer {
public:
    PendingRenamesRestorer() { hadValue_ = query(nullptr); }
    ~PendingRenamesRestorer() {
        if (hadValue_) return;
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
            RegDeleteValueA(key, "PendingFileRenameOperations");
            RegCloseKey(key);
        }
    }

private:
    static constexpr const char* kKey = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
    static bool query(DWORD* size) {
        DWORD ignored = 0;
        return RegGetValueA(HKEY_LOCAL_MACHINE, kKey, "PendingFileRenameOperations", RRF_RT_ANY, nullptr, nullptr,
                            size ? size : &ignored) == ERROR_SUCCESS;
    }
    bool hadValue_ = false;
};
}  // namespace

TEST(Files, ACopyInUseIsScheduledForDeletionAtReboot) {
    PendingRenamesRestorer restorer;
    ScratchDir dir("ovx_files_inuse");
    CapturedLog log(dir);
    copyFixture("orun_9_0_0.exe", dir.file("orun.exe"));
    HANDLE busy = CreateFileA(dir.file("orun.exe").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(busy, INVALID_HANDLE_VALUE);
    try {
        FileUtils::deletePersistentFile(dir.path());
    } catch (const std::exception& e) {
        // Wine may refuse the reboot registration without rights to the session
        // manager key; the text then names the file.
        EXPECT_NE(std::string(e.what()).find("deleteOnReboot(" + dir.file("orun.exe") + ") failed"), std::string::npos);
    }
    CloseHandle(busy);
    EXPECT_NE(log.text().find("cannot delete file " + dir.file("orun.exe") + ", schedule deletion on reboot"),
              std::string::npos)
        << log.text();
}
