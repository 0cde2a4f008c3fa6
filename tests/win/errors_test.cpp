#include <gtest/gtest.h>

#include <stdexcept>

#include "base/report.h"
#include "base/sys_error.h"
#include "base/win_handles.h"
#include "test_support.h"

TEST(SystemErrors, DescriptionsAreNormalised) {
    const std::string text = describeSystemError(ERROR_FILE_NOT_FOUND, nullptr);
    EXPECT_FALSE(text.empty());
    EXPECT_NE(text.back(), '.');
    EXPECT_EQ(text.find('\n'), std::string::npos);
    EXPECT_EQ(text.find('\r'), std::string::npos);
    EXPECT_EQ(describeSystemError(0x2000FFFF, nullptr), "No description available");
    EXPECT_EQ(formatSystemError(ERROR_FILE_NOT_FOUND, nullptr), "system error 2 (" + text + ")");
}

TEST(SystemErrors, ComErrorsDescribeTheWrappedWindowsError) {
    const std::string text = formatComError(E_ACCESSDENIED);
    EXPECT_EQ(text, "COM error 0x80070005 (" + describeSystemError(ERROR_ACCESS_DENIED, nullptr) + ")");
}

TEST(SystemErrors, SysErrorNamesContextCodeAndDescription) {
    const SysError e("open key (SOFTWARE\\X) error", functionAddress(&RegOpenKeyExA), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(std::string(e.what()), "open key (SOFTWARE\\X) error. System error [2](system error 2 (" +
                                         describeSystemError(2, GetModuleHandleA("advapi32.dll")) + "))");
    const SysError bare("x:", nullptr, 5);
    EXPECT_EQ(std::string(bare.what()), "x: System error [5](system error 5 (" + describeSystemError(5, nullptr) + "))");
}

TEST(SystemErrors, AnUnknownAddressGivesAWarningAndNoDescription) {
    ScratchDir dir("ovx_errors_test");
    CapturedLog log(dir);
    const SysError e("ctx", reinterpret_cast<const void*>(0x10), 5);  // no module holds this address
    EXPECT_EQ(std::string(e.what()), "ctx. System error [5]");
    EXPECT_NE(log.text().find("\tWARNING: GetModuleHandleEx() failed for "), std::string::npos) << log.text();
}

TEST(Report, ExceptionsAreLoggedAtTheCatchSite) {
    ScratchDir dir("ovx_report_test");
    CapturedLog log(dir);
    try {
        throw QDS_ERROR(std::runtime_error("boom"));
    } catch (const std::exception& e) {
        REPORT_EXCEPTION(e);
    }
    REPORT_UNKNOWN_EXCEPTION();
    const std::string text = log.text();
    EXPECT_NE(text.find("errors_test.cpp:"), std::string::npos);
    EXPECT_NE(text.find("\tERROR: Exception with message 'errors_test.cpp("), std::string::npos) << text;
    EXPECT_NE(text.find("): boom' caught\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\tERROR: Unknown exception caught\r\n"), std::string::npos);
}

TEST(HandleClosers, NothingToCloseLogsNothing) {
    ScratchDir dir("ovx_closers_test");
    CapturedLog log(dir);
    closeHANDLE(INVALID_HANDLE_VALUE);
    closeHANDLE(nullptr);
    closeRegHandle(nullptr);
    closeInternetHandle(nullptr);
    EXPECT_EQ(log.text(), "");
}

TEST(HandleClosers, AFailedCloseIsLoggedNotThrown) {
    ScratchDir dir("ovx_closers_fail_test");
    CapturedLog log(dir);
    closeRegHandle(reinterpret_cast<HKEY>(0x12345678));
    const std::string text = log.text();
    EXPECT_NE(text.find("\tERROR: RegCloseKey("), std::string::npos) << text;
    EXPECT_NE(text.find(") failed with system error "), std::string::npos) << text;
}

TEST(HandleClosers, HoldersCloseOnceAndMove) {
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(event, nullptr);
    UniqueHandle a(event);
    UniqueHandle b(std::move(a));
    EXPECT_FALSE(a.valid());
    EXPECT_TRUE(b.valid());
    b.reset();
    DWORD flags = 0;
    EXPECT_FALSE(GetHandleInformation(event, &flags));  // closed by the holder
}
