#include <gtest/gtest.h>

#include <stdexcept>

#include "base/dll.h"
#include "base/guid.h"
#include "base/sys_info.h"
#include "base/tstrings.h"
#include "process/browsers.h"

TEST(SysInfo, TheTestPrefixIsWindows10On64Bit) {
    EXPECT_EQ(SysInfo::getOsVersionClass(), 6);
    EXPECT_EQ(SysInfo::getOsName(), "10.0");
    EXPECT_TRUE(SysInfo::isX64());
    EXPECT_EQ(SysInfo::getArchName(), "amd64");
    EXPECT_FALSE(SysInfo::isWow64());
    EXPECT_FALSE(isNotNativeX64());
    EXPECT_EQ(SysInfo::getModuleName(), "foundation_tests.exe");
}

TEST(SysInfo, FoldersHaveNoTrailingSeparator) {
    for (const std::string& dir : {SysInfo::getTempDir(), SysInfo::getCommonAppDataDir(), SysInfo::getSystem32Dir(),
                                   SysInfo::getSystemWow64Dir(), SysInfo::getWindowsDir()}) {
        ASSERT_FALSE(dir.empty());
        EXPECT_NE(dir.back(), '\\') << dir;
        EXPECT_NE(GetFileAttributesA(dir.c_str()), INVALID_FILE_ATTRIBUTES) << dir;
    }
    EXPECT_EQ(tstrings::toLower(SysInfo::getSystem32Dir()), "c:\\windows\\system32");
    EXPECT_EQ(tstrings::toLower(SysInfo::getSystemWow64Dir()), "c:\\windows\\syswow64");
    const std::string low = SysInfo::getUserAppDataLowDir();
    EXPECT_EQ(low.substr(low.size() - 17), "\\AppData\\LocalLow") << low;
    EXPECT_EQ(SysInfo::getProcessModulePath().substr(SysInfo::getProcessModulePath().size() - 20), "foundation_tests.exe");
}

TEST(SysInfo, PatchCacheByArchitecture) {
    const std::string base = SysInfo::getCommonAppDataDir() + "\\Velmar\\Orun\\";
    EXPECT_EQ(getPatchCache(32), base + "installcache");
    EXPECT_EQ(getPatchCache(64), base + "installcache_x64");
    try {
        getPatchCache(16);
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "getPatchCache() failed, invalid arch passed");
    }
}

TEST(Guid, ParsesTheThreeFormsAndPrintsTheBracedOne) {
    const std::string expected = "{01234567-89AB-CDEF-0123-456789ABCDEF}";
    EXPECT_EQ(Guid(std::string("0123456789abcdef0123456789abcdef")).toString(), expected);
    EXPECT_EQ(Guid(std::string("01234567-89ab-cdef-0123-456789abcdef")).toString(), expected);
    EXPECT_EQ(Guid(std::wstring(L"{01234567-89ab-cdef-0123-456789abcdef}")).toString(), expected);
    try {
        Guid(std::string(35, 'a'));
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("IIDFromString(" + std::string(35, 'a') + ") failed"), std::string::npos);
    }
}

TEST(Dll, SystemLibrariesByFullPathAndMissingFunctions) {
    DllFunction<DWORD WINAPI()> tick(loadSystemDll("kernel32.dll"), "GetTickCount");
    ASSERT_TRUE(static_cast<bool>(tick));
    EXPECT_GT(tick.get()(), 0u);

    DllFunction<void WINAPI()> absent(loadSystemDll("kernel32.dll"), "NoSuchFunctionHere");
    EXPECT_FALSE(static_cast<bool>(absent));
    try {
        absent.get();
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("function NoSuchFunctionHere is not available"), std::string::npos);
    }
    try {
        loadSystemDll("no-such-library.dll");
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("LoadLibraryW(C:\\windows\\system32\\no-such-library.dll) failed. System error [126]"),
                  std::string::npos)
            << e.what();
    }
}

TEST(Dll, MovingTransfersOwnership) {
    Dll a = loadSystemDll("version.dll");
    const HMODULE module = a.get();
    Dll b(std::move(a));
    EXPECT_EQ(b.get(), module);
    EXPECT_EQ(tstrings::toUtf8(b.path()), "C:\\windows\\system32\\version.dll");
}

TEST(Strings, ConversionsBetweenEncodings) {
    EXPECT_EQ(tstrings::toUtf8(L"Gr\u00FC\u00DFe \u65E5\u672C"), "Gr\xC3\xBC\xC3\x9F" "e \xE6\x97\xA5\xE6\x9C\xAC");
    EXPECT_EQ(tstrings::toUtf16("Gr\xC3\xBC\xC3\x9F" "e"), L"Gr\u00FC\u00DFe");
    EXPECT_EQ(tstrings::toUtf16("bad \xC3\x28 bytes"), L"");  // invalid UTF-8: empty, no error
    EXPECT_EQ(tstrings::toUtf8(L""), "");
    EXPECT_EQ(tstrings::utf8ToACP("plain"), "plain");
}

TEST(Strings, WhatTheAnsiCodePageHolds) {
    EXPECT_TRUE(tstrings::fitsACP(""));
    EXPECT_TRUE(tstrings::fitsACP("C:\\plain"));
    EXPECT_FALSE(tstrings::fitsACP("bad \xC3\x28 bytes"));
    if (GetACP() != 1252) GTEST_SKIP() << "the prefix's ANSI code page is " << GetACP();
    EXPECT_TRUE(tstrings::fitsACP("C:\\Pr\xC3\xBC" "fung"));
    EXPECT_TRUE(tstrings::fitsACP("\xE2\x82\xAC"));              // the euro sign is 0x80 here
    EXPECT_FALSE(tstrings::fitsACP("C:\\\xE6\x97\xA5\xE6\x9C\xAC"));  // Japanese
    EXPECT_FALSE(tstrings::fitsACP("\xD0\xBB\xD0\xBE\xD0\xB3"));    // Cyrillic
    EXPECT_FALSE(tstrings::fitsACP("\xC4\x81"));  // a macron: a best fit would make it "a"
}
