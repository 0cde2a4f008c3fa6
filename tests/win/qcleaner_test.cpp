#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

#include "msi/action.h"
#include "scrub/qcleaner.h"
#include "scrub/scrub_log.h"
#include "test_support.h"

using qscrub::QCleaner;

namespace {

const std::string kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const std::string kNoSuchProduct = "{00000000-1111-2222-3333-444444444444}";

bool keyExists(const std::string& path, REGSAM view) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

bool runtimeRegistered() { return keyExists("SOFTWARE\\OrunSoft\\Orun Runtime Environment\\1.9.0", KEY_WOW64_64KEY); }

void createKey(const std::string& path) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

// msiexec is waited for without a limit: a hung one ends the suite instead of stalling it.
void runBounded(const std::function<void()>& f) {
    auto body = [](LPVOID p) -> DWORD {
        (*static_cast<const std::function<void()>*>(p))();
        return 0;
    };
    HANDLE thread = CreateThread(nullptr, 0, body, const_cast<std::function<void()>*>(&f), 0, nullptr);
    ASSERT_NE(thread, nullptr);
    const DWORD wait = WaitForSingleObject(thread, 120000);
    CloseHandle(thread);
    if (wait != WAIT_OBJECT_0) {
        std::fputs("an msiexec run did not end within 120 s\n", stderr);
        std::fflush(stderr);
        TerminateProcess(GetCurrentProcess(), 3);
    }
}

// Points the temporary folder (and with it the removal log) elsewhere while it lives.
class TempFolder {
public:
    explicit TempFolder(const std::string& dir) {
        char old[MAX_PATH * 2] = {};
        had_ = GetEnvironmentVariableA("TMP", old, sizeof old) != 0;
        old_ = old;
        SetEnvironmentVariableA("TMP", dir.c_str());
    }
    ~TempFolder() { SetEnvironmentVariableA("TMP", had_ ? old_.c_str() : nullptr); }

private:
    bool had_;
    std::string old_;
};

}  // namespace

// The real package, removed through the real msiexec by its derived product code.
TEST(QCleaner, UninstallsTheInstalledRuntimeByItsProductCode) {
    ASSERT_FALSE(runtimeRegistered()) << "the shared prefix must start without the runtime";
    ScratchDir dir("ovx_qcleaner");
    msi::action<msi::install> install;
    install.setPackagePath(OVX_TEST_PACKAGE);
    install.setProperty("INSTALLDIR", dir.file("Orun"));
    ASSERT_NO_THROW(install.execute());
    const std::string code = QCleaner::getProductGUID("1.9.0-ea-b55", 64, false);
    EXPECT_EQ(code, OVX_RUNTIME_PRODUCT_CODE);
    EXPECT_TRUE(keyExists(kUninstallKey + code, KEY_WOW64_64KEY));

    bool listed = false;
    for (const qscrub::InstalledVersion& v : QCleaner::collectInstalledVersions()) {
        if (v.arch == 64 && v.version.text() == "1.9.0-b55") listed = v.flags == 0;
    }
    EXPECT_TRUE(listed);

    int exitCode = -7;
    bool removed = false;
    runBounded([&] { removed = QCleaner::uninstall("1.9.0", 64, exitCode); });
    EXPECT_TRUE(removed);
    EXPECT_EQ(exitCode, 0);
    EXPECT_FALSE(runtimeRegistered());
    EXPECT_FALSE(keyExists(kUninstallKey + code, KEY_WOW64_64KEY));
    EXPECT_FALSE(FileUtils::exists(dir.file("Orun\\release")));

    // Gone, so nothing runs and the exit code stays.
    exitCode = -7;
    EXPECT_FALSE(QCleaner::uninstall("1.9.0", 64, exitCode));
    EXPECT_EQ(exitCode, -7);

    if (runtimeRegistered()) msi::action<msi::uninstall>(Guid(code)).execute();
}

TEST(QCleaner, AFailedRunStillDeletesTheUninstallRecord) {
    createKey(kUninstallKey + kNoSuchProduct);
    int exitCode = -7;
    bool removed = true;
    runBounded([&] { removed = QCleaner::runMsiexecUninstall(kNoSuchProduct, exitCode); });
    EXPECT_FALSE(removed);
    EXPECT_EQ(exitCode, static_cast<int>(ERROR_UNKNOWN_PRODUCT));
    EXPECT_FALSE(keyExists(kUninstallKey + kNoSuchProduct, 0));
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, (kUninstallKey + kNoSuchProduct).c_str());
}

// The launcher goes on: the attempt fails with the system error, and both
// messages are written.
TEST(QCleaner, AnMsiexecThatCannotStartIsAFailedAttempt) {
    ScratchDir dir("ovx_qcleaner_log");
    TempFolder temp(dir.path());
    EXPECT_EQ(qscrub::scrubLogPath(), dir.file("OrunScrub.log"));
    writeFile(dir.file("OrunScrub.log"), "earlier");
    createKey(kUninstallKey + kNoSuchProduct);

    int exitCode = -7;
    testing::internal::CaptureStderr();
    const bool removed = QCleaner::runMsiexecUninstallWith("OvxNoSuchMsiExec.exe", kNoSuchProduct, exitCode);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(removed);
    EXPECT_EQ(exitCode, static_cast<int>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(err, "Cannot execute misexec.exe");
    EXPECT_EQ(readFile(dir.file("OrunScrub.log")), "earlierCannot execute msiexec.exe");
    // Nothing removed the product, so its record stays.
    EXPECT_TRUE(keyExists(kUninstallKey + kNoSuchProduct, 0));
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, (kUninstallKey + kNoSuchProduct).c_str());
}

TEST(ScrubLog, APathPastItsLimitIsRejectedWithTheSystemsText) {
    ScratchDir dir("ovx_qcleaner_long");
    // With its separator and "OrunScrub.log", 239 characters: the most that fits.
    const std::string fits = dir.path() + "\\" + std::string(225 - dir.path().size() - 1, 'f');
    {
        TempFolder temp(fits);
        EXPECT_EQ(qscrub::scrubLogPath(), fits + "\\OrunScrub.log");
    }
    testing::internal::CaptureStderr();  // its file goes to the real temporary folder
    bool opened = true;
    {
        TempFolder temp(fits + "g");
        EXPECT_EQ(qscrub::scrubLogPath(), "");
        opened = qscrub::openScrubLog().valid();
    }
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(opened);
    EXPECT_EQ(err.find("Create-File-Wrapper:"), 0u) << err;
    EXPECT_GT(err.size(), std::string("Create-File-Wrapper:").size()) << err;
}
