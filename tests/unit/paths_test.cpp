#include <gtest/gtest.h>

#include "base/file_utils.h"
#include "base/guid.h"
#include "base/os_version.h"

TEST(Paths, CombineJoinsWithOneBackslash) {
    EXPECT_EQ(FileUtils::combinePath("C:\\a\\\\", "\\b"), "C:\\a\\b");
    EXPECT_EQ(FileUtils::combinePath("", "x"), "x");
    EXPECT_EQ(FileUtils::combinePath("C:\\a\\", ""), "C:\\a\\");
    EXPECT_EQ(FileUtils::combinePath("C:/a/", "/b/c"), "C:/a\\b/c");
}

TEST(Paths, DirnameAndBasename) {
    EXPECT_EQ(FileUtils::dirname("file"), ".\\");
    EXPECT_EQ(FileUtils::dirname("a/b"), "a/");
    EXPECT_EQ(FileUtils::dirname("C:\\x\\y.msi"), "C:\\x\\");
    EXPECT_EQ(FileUtils::basename("C:\\x/y.msi"), "y.msi");
    EXPECT_EQ(FileUtils::basename("plain"), "plain");
    EXPECT_EQ(FileUtils::removeTrailingSlash("C:\\x\\/\\"), "C:\\x");
}

TEST(GuidText, AcceptsThreeFormsAndPassesOthersUnchanged) {
    EXPECT_EQ(normalizeGuidText(L"0123456789abcdef0123456789abcdef"), L"{01234567-89ab-cdef-0123-456789abcdef}");
    EXPECT_EQ(normalizeGuidText(L"01234567-89ab-cdef-0123-456789abcdef"), L"{01234567-89ab-cdef-0123-456789abcdef}");
    EXPECT_EQ(normalizeGuidText(L"{01234567-89AB-CDEF-0123-456789ABCDEF}"), L"{01234567-89AB-CDEF-0123-456789ABCDEF}");
    const std::wstring odd(35, L'a');
    EXPECT_EQ(normalizeGuidText(odd), odd);
    EXPECT_EQ(normalizeGuidText(L""), L"");
}

TEST(OsVersion, ClassesAndNames) {
    EXPECT_EQ(osVersionClassOf(5, 0), 0);
    EXPECT_EQ(osVersionClassOf(5, 1), 1);
    EXPECT_EQ(osVersionClassOf(5, 2), 1);
    EXPECT_EQ(osVersionClassOf(6, 0), 2);
    EXPECT_EQ(osVersionClassOf(6, 3), 5);
    EXPECT_EQ(osVersionClassOf(6, 4), 6);
    EXPECT_EQ(osVersionClassOf(10, 0), 6);
    EXPECT_EQ(osNameOf(6, 1, true, 1), "win7-sp1");
    EXPECT_EQ(osNameOf(6, 3, false, 0), "win2012R2");
    EXPECT_EQ(osNameOf(10, 0, true, 0), "10.0");
    EXPECT_EQ(osNameOf(5, 2, false, 2), "win2003-sp2");
}
