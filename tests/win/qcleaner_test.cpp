#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "base/file_utils.h"
#include "msi/action.h"
#include "registry/registry.h"
#include "scrub/qcleaner.h"
#include "scrub/scrub_log.h"
#include "test_support.h"

using qscrub::QCleaner;

namespace {

const std::string kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const std::string kNoSuchProduct = "{00000000-1111-2222-3333-444444444444}";

bool keyExists(const std::string& path) { return Registry::hklm64.exists(path); }

// msiexec is waited for without a limit: one that hangs ends the suite instead of stalling it.
void runBounded(std::function<void()> f) {
    HANDLE thread = CreateThread(nullptr, 0, [](LPVOID p) -> DWORD { return (*static_cast<std::function<void()>*>(p))(), 0; },
                                 &f, 0, nullptr);
    if (WaitForSingleObject(thread, 120000) != WAIT_OBJECT_0) TerminateProcess(GetCurrentProcess(), 3);
    CloseHandle(thread);
}

// The temporary folder, and with it the removal log, elsewhere while it lives.
struct TempFolder {
    explicit TempFolder(const std::string& dir) { SetEnvironmentVariableA("TMP", dir.c_str()); }
    ~TempFolder() { SetEnvironmentVariableA("TMP", old.empty() ? nullptr : old.c_str()); }
    std::string old = getenv("TMP") ? getenv("TMP") : "";
};

}  // namespace

// The real package, removed through the real msiexec under its derived product code.
TEST(QCleaner, UninstallsTheInstalledRuntimeAndItsRecords) {
    const std::string runtimeKey = "SOFTWARE\\OrunSoft\\Orun Runtime Environment\\1.9.0";
    ASSERT_FALSE(keyExists(runtimeKey)) << "the shared prefix must start without the runtime";
    ScratchDir dir("ovx_qcleaner");
    msi::action<msi::install> install;
    install.setPackagePath(OVX_TEST_PACKAGE);
    install.setProperty("INSTALLDIR", dir.file("Orun"));
    ASSERT_NO_THROW(install.execute());
    const std::string code = QCleaner::getProductGUID("1.9.0-ea-b55", 64, false);
    EXPECT_EQ(code, OVX_RUNTIME_PRODUCT_CODE);
    EXPECT_TRUE(keyExists(kUninstall + code));
    int listed = 0;
    for (const qscrub::InstalledVersion& v : QCleaner::collectInstalledVersions()) {
        listed += v.arch == 64 && v.version.text() == "1.9.0-b55" && v.flags == 0;
    }
    EXPECT_EQ(listed, 1);

    int exitCode = -7;
    bool removed = false;
    runBounded([&] { removed = QCleaner::uninstall("1.9.0", 64, exitCode); });
    EXPECT_TRUE(removed);
    EXPECT_EQ(exitCode, 0);
    EXPECT_FALSE(keyExists(kUninstall + code));
    EXPECT_FALSE(FileUtils::exists(dir.file("Orun\\release")));
    if (keyExists(runtimeKey)) msi::action<msi::uninstall>(Guid(code)).execute();
    EXPECT_FALSE(QCleaner::uninstall("1.9.0", 64, exitCode = -7));  // gone: nothing runs
    EXPECT_EQ(exitCode, -7);

    // A failed run deletes the record all the same.
    Registry(Registry::hklm, kUninstall + kNoSuchProduct, Registry::Write);
    runBounded([&] { removed = QCleaner::runMsiexecUninstall(kNoSuchProduct, exitCode); });
    EXPECT_FALSE(removed);
    EXPECT_EQ(exitCode, static_cast<int>(ERROR_UNKNOWN_PRODUCT));
    EXPECT_FALSE(keyExists(kUninstall + kNoSuchProduct));
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, (kUninstall + kNoSuchProduct).c_str());
}

// Started by its full path: a program of that name in the working folder never runs.
TEST(QCleaner, AnMsiexecInTheWorkingFolderNeverRuns) {
    ScratchDir dir("ovx_qcleaner_planted");
    ASSERT_TRUE(CopyFileA(OVX_TEST_BIN_DIR "/planted_program.exe", dir.file("MsiExec.exe").c_str(), FALSE));
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(dir.path().c_str()));
    int exitCode = -7;
    runBounded([&] { QCleaner::runMsiexecUninstall(kNoSuchProduct, exitCode); });
    SetCurrentDirectoryA(previous);
    EXPECT_FALSE(FileUtils::exists(dir.file("MsiExec.exe.ran")));
    EXPECT_EQ(exitCode, static_cast<int>(ERROR_UNKNOWN_PRODUCT));  // the real one's answer
}

// The launcher goes on: a failed attempt with the system error, and both messages.
TEST(QCleaner, AnMsiexecThatCannotStartIsAFailedAttempt) {
    ScratchDir dir("ovx_qcleaner_log");
    Registry(Registry::hklm, kUninstall + kNoSuchProduct, Registry::Write);
    int exitCode = -7;
    testing::internal::CaptureStderr();  // its file stays in the real temporary folder
    {
        TempFolder temp(dir.path());
        writeFile(dir.file("OrunScrub.log"), "earlier");
        EXPECT_FALSE(QCleaner::runMsiexecUninstallWith("OvxNoSuchMsiExec.exe", kNoSuchProduct, exitCode));
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Cannot execute misexec.exe");
    EXPECT_EQ(exitCode, static_cast<int>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(readFile(dir.file("OrunScrub.log")), "earlierCannot execute msiexec.exe");
    EXPECT_TRUE(keyExists(kUninstall + kNoSuchProduct));  // nothing removed the product
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, (kUninstall + kNoSuchProduct).c_str());

    // With its separator and the file name 239 characters fit; one more is refused, not cut.
    const std::string fits = dir.path() + "\\" + std::string(225 - dir.path().size() - 1, 'f');
    testing::internal::CaptureStderr();
    TempFolder temp(fits);
    EXPECT_EQ(qscrub::scrubLogPath(), fits + "\\OrunScrub.log");
    SetEnvironmentVariableA("TMP", (fits + "g").c_str());
    EXPECT_EQ(qscrub::scrubLogPath(), "");
    EXPECT_FALSE(qscrub::openScrubLog().valid());
    const std::string err = testing::internal::GetCapturedStderr();  // "Create-File-Wrapper:" and the system's text
    EXPECT_THAT(err, testing::AllOf(testing::StartsWith("Create-File-Wrapper:"), testing::SizeIs(testing::Gt(22u))));
}
