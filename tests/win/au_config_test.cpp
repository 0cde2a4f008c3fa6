#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/win.h"  // first: the crypt headers need it

#include <dpapi.h>
#include <wincrypt.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "autoupdate/au_config.h"
#include "autoupdate/au_protection.h"
#include "base/dll.h"
#include "base/memory_holders.h"
#include "test_support.h"

namespace {

using ::testing::HasSubstr;
using ::testing::Not;
namespace v = au::values;

const char* const kOrunSoft = "SOFTWARE\\OrunSoft";
const char* const kUpdate = "SOFTWARE\\OrunSoft\\Orun Update";
const char* const kPolicy = "SOFTWARE\\OrunSoft\\Orun Update\\Policy";
const char* const kQucheck = "SOFTWARE\\OrunSoft\\Orun Update\\Policy\\qucheck";

// The data protection calls of the test's own, to check what the code stored.
std::vector<unsigned char> rawProtect(const std::vector<unsigned char>& bytes, DWORD flags) {
    static DllFunction<BOOL WINAPI(DATA_BLOB*, LPCWSTR, DATA_BLOB*, PVOID, CRYPTPROTECT_PROMPTSTRUCT*, DWORD, DATA_BLOB*)>
        protect(loadSystemDll("crypt32.dll"), "CryptProtectData");
    DATA_BLOB in{static_cast<DWORD>(bytes.size()), const_cast<BYTE*>(bytes.data())};
    DATA_BLOB out{};
    if (!protect(&in, nullptr, nullptr, nullptr, nullptr, flags, &out)) throw std::runtime_error("CryptProtectData");
    LocalPointer<BYTE> owned(out.pbData);
    return std::vector<unsigned char>(out.pbData, out.pbData + out.cbData);
}

std::vector<unsigned char> rawUnprotect(const std::vector<unsigned char>& bytes) {
    static DllFunction<BOOL WINAPI(DATA_BLOB*, LPWSTR*, DATA_BLOB*, PVOID, CRYPTPROTECT_PROMPTSTRUCT*, DWORD, DATA_BLOB*)>
        unprotect(loadSystemDll("crypt32.dll"), "CryptUnprotectData");
    DATA_BLOB in{static_cast<DWORD>(bytes.size()), const_cast<BYTE*>(bytes.data())};
    DATA_BLOB out{};
    if (!unprotect(&in, nullptr, nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out)) {
        throw std::runtime_error("CryptUnprotectData");
    }
    LocalPointer<BYTE> owned(out.pbData);
    return std::vector<unsigned char>(out.pbData, out.pbData + out.cbData);
}

std::vector<unsigned char> rawBase64Decode(const std::string& text) {
    static DllFunction<BOOL WINAPI(LPCSTR, DWORD, DWORD, BYTE*, DWORD*, DWORD*, DWORD*)> decode(
        loadSystemDll("crypt32.dll"), "CryptStringToBinaryA");
    DWORD size = 0;
    if (!decode(text.c_str(), 0, CRYPT_STRING_BASE64, nullptr, &size, nullptr, nullptr)) throw std::runtime_error("size");
    std::vector<unsigned char> data(size);
    if (!decode(text.c_str(), 0, CRYPT_STRING_BASE64, data.data(), &size, nullptr, nullptr)) {
        throw std::runtime_error("decode");
    }
    data.resize(size);
    return data;
}

std::vector<unsigned char> le32(DWORD value) {
    std::vector<unsigned char> bytes(4);
    std::memcpy(bytes.data(), &value, 4);
    return bytes;
}

bool keyExists(HKEY root, const char* path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path, 0, KEY_READ | KEY_WOW64_32KEY, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

RegValue rawGet(HKEY root, const char* path, const char* name) {
    Registry key;
    RegValue value;
    if (key.tryOpen(Registry(root, KEY_WOW64_32KEY), path, KEY_READ) == ERROR_SUCCESS) key.tryGetValue(name, value);
    return value;
}

void rawSet(HKEY root, const char* path, const char* name, DWORD type, const void* data, DWORD size) {
    Registry key;
    ASSERT_EQ(key.tryOpen(Registry(root, KEY_WOW64_32KEY), path, KEY_READ | KEY_WRITE, true), ERROR_SUCCESS);
    ASSERT_EQ(key.trySetValue(name, type, data, size), ERROR_SUCCESS);
}

void rawSetDword(HKEY root, const char* path, const char* name, DWORD value) {
    rawSet(root, path, name, REG_DWORD, &value, sizeof value);
}

// The settings keys of both roots start absent and are removed afterwards:
// the first key of the path that the test made goes with everything below it.
class AuSettings : public ::testing::Test {
protected:
    void SetUp() override {
        for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
            ASSERT_FALSE(keyExists(root, kPolicy)) << "the prefix already holds auto-update settings";
        }
        hadOrunSoft_[0] = keyExists(HKEY_LOCAL_MACHINE, kOrunSoft);
        hadOrunSoft_[1] = keyExists(HKEY_CURRENT_USER, kOrunSoft);
        hadUpdate_[0] = keyExists(HKEY_LOCAL_MACHINE, kUpdate);
        hadUpdate_[1] = keyExists(HKEY_CURRENT_USER, kUpdate);
    }
    void TearDown() override {
        const HKEY roots[2] = {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER};
        for (int i = 0; i < 2; ++i) {
            const char* parent = !hadOrunSoft_[i] ? "SOFTWARE" : !hadUpdate_[i] ? kOrunSoft : kUpdate;
            const char* child = !hadOrunSoft_[i] ? "OrunSoft" : !hadUpdate_[i] ? "Orun Update" : "Policy";
            HKEY key = nullptr;
            if (RegOpenKeyExA(roots[i], parent, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, &key) == ERROR_SUCCESS) {
                RegDeleteTreeA(key, child);
                RegCloseKey(key);
            }
            EXPECT_FALSE(keyExists(roots[i], kPolicy));
        }
    }

private:
    bool hadOrunSoft_[2] = {};
    bool hadUpdate_[2] = {};
};

// What the code stores is really protected: the test's own CryptUnprotectData
// (after Base64 decoding for the text form) gives back the value's 4 bytes.
TEST_F(AuSettings, ProtectedValuesUnprotectToTheirFourBytes) {
    au::Config config(1);
    config.setSchedule({0x0204, 13, 45});

    const RegValue minute = rawGet(HKEY_LOCAL_MACHINE, kQucheck, "UpdateMin");
    ASSERT_EQ(minute.type, static_cast<DWORD>(REG_SZ));
    const std::string text = minute.text();
    EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos) << text;
    EXPECT_EQ(rawUnprotect(rawBase64Decode(text)), le32(45));
    const RegValue frequency = rawGet(HKEY_LOCAL_MACHINE, kQucheck, "Frequency");
    EXPECT_EQ(rawUnprotect(rawBase64Decode(frequency.text())), le32(0x0204));

    au::RegData data(1);
    data.setValue(v::EnableAutoUpdateCheck, 7);
    const RegValue check = rawGet(HKEY_CURRENT_USER, kPolicy, "EnableAutoUpdateCheck");
    ASSERT_EQ(check.type, static_cast<DWORD>(REG_BINARY));
    EXPECT_NE(check.data, le32(7));
    EXPECT_EQ(rawUnprotect(check.data), le32(7));

    // And the code reads back what it wrote, through a fresh set of keys.
    bool usable = false;
    const au::AuSchedule back = au::Config(1).getSchedule(usable);
    EXPECT_TRUE(usable);
    EXPECT_EQ(back, (au::AuSchedule{0x0204, 13, 45}));
    EXPECT_EQ(au::RegData(1).getValue(v::EnableAutoUpdateCheck), 7u);
}

TEST_F(AuSettings, BadProtectedDataIsRefusedWithItsText) {
    ScratchDir dir("au_settings_errors");
    CapturedLog log(dir);

    // Protected data that unprotects to 8 bytes.
    const std::vector<unsigned char> eight = rawProtect(std::vector<unsigned char>(8, 1), CRYPTPROTECT_UI_FORBIDDEN);
    rawSet(HKEY_CURRENT_USER, kPolicy, "OOBD", REG_BINARY, eight.data(), static_cast<DWORD>(eight.size()));
    au::RegData data(1);
    try {
        data.getValue(v::OOBD);
        ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_THAT(e.what(), HasSubstr("decrypted data has wrong size"));
    }
    EXPECT_THAT(log.text(), HasSubstr("getValue(DWORD) failed: "));

    // Text that is not Base64.
    const std::string bad = "not Base64 at all!";
    rawSet(HKEY_LOCAL_MACHINE, kQucheck, "UpdateSchedule", REG_SZ, bad.c_str(), static_cast<DWORD>(bad.size() + 1));
    try {
        data.getValue(v::UpdateSchedule);
        ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_THAT(e.what(), HasSubstr("string2binary (phase1) failed, sysError="));
    }

    // Data that is no protected blob at all.
    EXPECT_THROW(au::unprotectValue(le32(3)), std::runtime_error);
    EXPECT_THAT(au::binary2string({}), ::testing::IsEmpty());
    EXPECT_THAT(au::string2binary(""), ::testing::IsEmpty());

    // Locations and protections outside the table.
    EXPECT_THROW(data.getValue({3, "X", 0}), std::logic_error);
    try {
        data.setValue({0, "X", au::kNoProtection}, 1);
        ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_THAT(e.what(), HasSubstr("unknown encryptionType"));
    }
    EXPECT_THAT(log.text(), HasSubstr("setValue(DWORD) failed: "));
}

// A schedule that cannot be read is replaced by a random one, stored in the
// current layout and returned.
TEST_F(AuSettings, UnreadableScheduleIsRescheduledAtRandom) {
    ScratchDir dir("au_settings_reschedule");
    CapturedLog log(dir);
    au::Config config(1);
    bool usable = false;
    const au::AuSchedule drawn = config.getSchedule(usable);
    EXPECT_TRUE(usable);
    EXPECT_THAT(log.text(), HasSubstr("getSchedule failed: "));
    EXPECT_THAT(log.text(), HasSubstr(", rescheduling"));
    EXPECT_LT(drawn.updateSchedule, 24u);
    EXPECT_LT(drawn.updateMin, 60u);
    EXPECT_EQ(rawGet(HKEY_LOCAL_MACHINE, kQucheck, "Frequency").type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(au::Config(1).getSchedule(usable), drawn);

    // Two generators seeded from this system's random source draw apart
    // (the C++ library's random_device must not be a fixed sequence here).
    au::ScheduleDraws first;
    au::ScheduleDraws second;
    bool differ = false;
    for (int i = 0; i < 6; ++i) differ = differ || !(first.next() == second.next());
    EXPECT_TRUE(differ);
}

// The old layout keeps everything as plain double words under location 0;
// the new one writes the schedule protected under location 1.
TEST_F(AuSettings, OldLayoutReadsAndNewLayoutWrites) {
    rawSetDword(HKEY_LOCAL_MACHINE, kPolicy, "Frequency", 0x0410);
    rawSetDword(HKEY_LOCAL_MACHINE, kPolicy, "UpdateSchedule", 22);
    rawSetDword(HKEY_LOCAL_MACHINE, kPolicy, "UpdateMin", 5);
    rawSetDword(HKEY_LOCAL_MACHINE, kPolicy, "NotifyDownload", 0);
    rawSetDword(HKEY_LOCAL_MACHINE, kPolicy, "NotifyInstall", 1);

    bool usable = false;
    au::Config old(0);
    const au::AuSchedule schedule = old.getSchedule(usable);
    EXPECT_TRUE(usable);
    EXPECT_EQ(schedule, (au::AuSchedule{0x0410, 22, 5}));
    EXPECT_EQ(old.getNotifyType(), 1);
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kQucheck));

    au::Config current(1);
    current.setSchedule(schedule);
    current.setNotifyType(1);
    EXPECT_EQ(rawGet(HKEY_LOCAL_MACHINE, kQucheck, "Frequency").type, static_cast<DWORD>(REG_SZ));
    const RegValue install = rawGet(HKEY_LOCAL_MACHINE, kQucheck, "NotifyInstall");
    EXPECT_EQ(install.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(install.data, le32(1));
    EXPECT_EQ(rawGet(HKEY_LOCAL_MACHINE, kQucheck, "NotifyDownload").data, le32(0));

    au::Config reread(1);
    EXPECT_EQ(reread.getSchedule(usable), schedule);
    EXPECT_TRUE(usable);
    EXPECT_EQ(reread.getNotifyType(), 1);
}

TEST_F(AuSettings, NotificationPair) {
    ScratchDir dir("au_settings_notify");
    CapturedLog log(dir);
    rawSetDword(HKEY_LOCAL_MACHINE, kQucheck, "NotifyDownload", 1);
    rawSetDword(HKEY_LOCAL_MACHINE, kQucheck, "NotifyInstall", 1);
    au::Config config(1);
    EXPECT_EQ(config.getNotifyType(), 0);
    EXPECT_THAT(log.text(), HasSubstr("inconsistent data, reset to default"));
    EXPECT_EQ(rawGet(HKEY_LOCAL_MACHINE, kQucheck, "NotifyDownload").data, le32(1));
    EXPECT_EQ(rawGet(HKEY_LOCAL_MACHINE, kQucheck, "NotifyInstall").data, le32(0));

    try {
        config.setNotifyType(2);
        ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_THAT(e.what(), HasSubstr("unknown notifyType"));
    }
    EXPECT_THAT(log.text(), HasSubstr("setNotifyType: unknown value: 2"));
    EXPECT_EQ(rawGet(HKEY_LOCAL_MACHINE, kQucheck, "NotifyDownload").data, le32(1));
    EXPECT_EQ(rawGet(HKEY_LOCAL_MACHINE, kQucheck, "NotifyInstall").data, le32(0));

    config.setNotifyType(1);
    EXPECT_EQ(au::Config(1).getNotifyType(), 1);
}

}  // namespace
