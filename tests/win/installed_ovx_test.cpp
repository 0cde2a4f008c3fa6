#include <gtest/gtest.h>

#include "base/all_utils.h"
#include "launcher/existing_install.h"
#include "product/installed_ovx.h"
#include "metrics/install_status.h"
#include "msi/action.h"
#include "registry/registry.h"
#include "test_support.h"

namespace {

const char* const kRuntimes = "SOFTWARE\\OrunSoft\\Orun Runtime Environment";
const char* const kKits = "SOFTWARE\\OrunSoft\\Orun Development Kit";

void writeEntry(REGSAM view, const std::string& base, const std::string& name, const char* home, const char* fullVersion,
                const char* mode) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, (base + "\\" + name).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    if (home) RegSetValueExA(key, "OrunHome", 0, REG_SZ, reinterpret_cast<const BYTE*>(home), DWORD(strlen(home) + 1));
    if (fullVersion || mode) {
        HKEY msi = nullptr;
        RegCreateKeyExA(key, "MSI", 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &msi, nullptr);
        if (fullVersion) RegSetValueExA(msi, "FullVersion", 0, REG_SZ, reinterpret_cast<const BYTE*>(fullVersion), DWORD(strlen(fullVersion) + 1));
        if (mode) RegSetValueExA(msi, "MODE", 0, REG_SZ, reinterpret_cast<const BYTE*>(mode), DWORD(strlen(mode) + 1));
        RegCloseKey(msi);
    }
    RegCloseKey(key);
}

void deleteTree(REGSAM view, const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ALL_ACCESS | view, &key) != ERROR_SUCCESS) return;
    RegDeleteTreeA(key, nullptr);
    RegCloseKey(key);
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), view, 0);
}

void setBuildNumber(const char* value) {
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\OrunSoft\\Orun Runtime Environment\\1.9.0", 0,
                            KEY_SET_VALUE | KEY_WOW64_64KEY, &key),
              ERROR_SUCCESS);
    if (value) {
        RegSetValueExA(key, "BuildNumber", 0, REG_SZ, reinterpret_cast<const BYTE*>(value), DWORD(strlen(value) + 1));
    } else {
        RegDeleteValueA(key, "BuildNumber");
    }
    RegCloseKey(key);
}

// Runtimes and kits registered in both views: a few written here, and the real
// runtime package installed from its file.
class InstalledRuntimes : public ::testing::Test {
protected:
    void SetUp() override {
        writeEntry(KEY_WOW64_32KEY, kRuntimes, "1.8.0_45", "C:\\Orun32\\1.8.0_45", "1.8.0_45-b15", nullptr);
        writeEntry(KEY_WOW64_32KEY, kRuntimes, "1.7.0_80", nullptr, nullptr, nullptr);  // no OrunHome
        writeEntry(KEY_WOW64_32KEY, kRuntimes, "not.a.version", "C:\\x", nullptr, nullptr);
        writeEntry(KEY_WOW64_32KEY, kRuntimes, "1.8", "C:\\family", nullptr, nullptr);  // a family key
        writeEntry(KEY_WOW64_32KEY, kKits, "1.8.0_45", "C:\\Kit32", nullptr, nullptr);
        writeEntry(KEY_WOW64_64KEY, kRuntimes, "1.8.0_45", "C:\\Orun64\\1.8.0_45", nullptr, "s");
        install_.setPackagePath(OVX_TEST_PACKAGE);
        install_.setProperty("INSTALLDIR", dir_.file("Orun"));
        install_.execute();
    }
    void TearDown() override {
        setBuildNumber("55");
        msi::action<msi::uninstall>(Guid(std::string(OVX_RUNTIME_PRODUCT_CODE))).execute();
        deleteTree(KEY_WOW64_32KEY, "SOFTWARE\\OrunSoft");
        deleteTree(KEY_WOW64_64KEY, std::string(kRuntimes) + "\\1.8.0_45");
        deleteTree(KEY_WOW64_64KEY, "SOFTWARE\\OrunSoft\\Orun Runtime Environment\\1.8");
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRuntimes, 0, KEY_READ | KEY_WOW64_64KEY, &key) == ERROR_SUCCESS) {
            DWORD subkeys = 1;
            RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
            RegCloseKey(key);
            if (subkeys == 0) deleteTree(KEY_WOW64_64KEY, "SOFTWARE\\OrunSoft");
        }
    }
    ScratchDir dir_{"ovx_installed_ovx"};
    msi::action<msi::install> install_;
};

}  // namespace

TEST_F(InstalledRuntimes, EnumerationOrderSkipsAndFullVersions) {
    ScratchDir logDir("ovx_installed_ovx_log");
    CapturedLog log(logDir);
    const std::vector<InstalledOvx> all = enumerateInstalledOvx(0x33);
    std::vector<std::string> seen;
    for (const InstalledOvx& r : all) {
        seen.push_back(r.kind + " " + std::to_string(r.bitness) + " " + r.version.text() + (r.isStatic ? " static" : ""));
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"ovx 32 1.8.0_45-b15", "odk 32 1.8.0_45 static", "ovx 64 1.8.0_45 static",
                                              "ovx 64 1.9.0-ea-b55"}));
    // One reported exception for each malformed entry, none for the family key.
    const std::string text = log.text();
    size_t reports = 0;
    for (size_t pos = text.find("Exception with message"); pos != std::string::npos; pos = text.find("Exception with message", pos + 1)) {
        ++reports;
    }
    EXPECT_EQ(reports, 2u) << text;
    EXPECT_EQ(all.back().home, dir_.file("Orun") + "\\");

    EXPECT_EQ(OrunEnvironment::installedOvx(32).size(), 1u);
    EXPECT_EQ(newestInstalledOvx(OrunEnvironment::installedOvx(64))->version.text(), "1.9.0-ea-b55");
    // Between equal versions the smaller bitness is the newest.
    std::vector<InstalledOvx> both = OrunEnvironment::installedOvx(32);
    both.push_back(all[2]);
    EXPECT_EQ(newestInstalledOvx(both)->bitness, 32);
    EXPECT_EQ(findInstalledOvx(all, "1.8.0_45")->bitness, 32);
    EXPECT_FALSE(findInstalledOvx(all, "1.6.0_10"));
    EXPECT_THROW(OrunEnvironment::installedOvx(16), std::runtime_error);
}

TEST_F(InstalledRuntimes, TheSameVersionItsBuildAndStaticFlag) {
    char family[2048] = {};
    EXPECT_TRUE(IsSameOVXVersionInstalled(family));
    EXPECT_STREQ(family, "1.9.0");
    EXPECT_TRUE(IsSameOrOlderBuildInstalled("1.9.0"));  // 55: this very build
    setBuildNumber("56");
    EXPECT_FALSE(IsSameOrOlderBuildInstalled("1.9.0"));
    setBuildNumber(nullptr);
    EXPECT_FALSE(IsSameOrOlderBuildInstalled("1.9.0"));  // unreadable counts as newer
    setBuildNumber("55");
    EXPECT_FALSE(IsVersionStatic("1.9.0", true));
    EXPECT_TRUE(IsVersionStatic("1.8.0_45", true));
    EXPECT_FALSE(IsVersionStatic("1.8.0_45", false));
    EXPECT_FALSE(IsVersionStatic("1.5.0", true));
    EXPECT_FALSE(IsThisAFamilyUpgrade());  // the newest 64-bit runtime is this family
    std::string other;
    EXPECT_TRUE(GetLatestOvxKey(other));  // the newest other than this version, for the report
    EXPECT_EQ(other, "1.8.0_45");

    char home[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    EXPECT_TRUE(FindOrunHome(home, size));
    EXPECT_EQ(std::string(home), dir_.file("Orun"));  // without the trailing backslash
}

TEST_F(InstalledRuntimes, TheSameVersionIsUninstalledThroughTheInstallerTool) {
    EXPECT_EQ(CheckGUIDAndUninstall("1.9.0", 64, true, true), 0);
    char family[2048] = {};
    EXPECT_FALSE(IsSameOVXVersionInstalled(family));
    EXPECT_EQ(CheckGUIDAndUninstall("1.9.0", 64, true, true), 0);  // nothing left to remove
    install_.execute();  // for the tear-down
}

TEST(InstallFlag, HeldFlagsBlockAndStaleOnesDoNot) {
    EXPECT_FALSE(IsInstallInProgress());
    ASSERT_TRUE(SetInstallFlag());
    EXPECT_TRUE(IsInstallInProgress());  // held without sharing: the delete fails
    EXPECT_FALSE(SetInstallFlag());      // only if new
    CloseInstallFlag();
    EXPECT_FALSE(IsInstallInProgress());

    // A flag file left by a launcher that was killed is removed on the way.
    char base[MAX_PATH] = {};
    ASSERT_TRUE(GetUserShellFolder(base));
    const std::string flag = std::string(base) + "\\Kyn\\Orun\\ORUN_INSTALL_FLAG";
    writeFile(flag, "");
    EXPECT_FALSE(IsInstallInProgress());
    EXPECT_FALSE(FileUtils::exists(flag));
}
