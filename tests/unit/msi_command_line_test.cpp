#include <gtest/gtest.h>

#include "msi/command_line.h"

TEST(MsiCommandLine, PropertiesFollowTheTextInNameOrder) {
    msi::PropertyMap p{{"TRANSFORMS", ":1031"}, {"SKIPLICENSE", "1"}, {"PROG", "0"}, {"ENDDIALOG", "0"},
                       {"INSTALLDIR", "D:\\Orun"}};
    EXPECT_EQ(msi::buildFullCommandLine("", p), "ENDDIALOG=0 INSTALLDIR=D:\\Orun PROG=0 SKIPLICENSE=1 TRANSFORMS=:1031");
    EXPECT_EQ(msi::buildFullCommandLine(" \tA=1 B=2\t ", {{"C", "3"}}), "A=1 B=2 C=3");
}

TEST(MsiCommandLine, EmptyPartsLeaveNoBlanks) {
    EXPECT_EQ(msi::buildFullCommandLine("", {}), "");
    EXPECT_EQ(msi::buildFullCommandLine("  text  ", {}), "text");
    EXPECT_EQ(msi::buildFullCommandLine("", {{"EMPTY", ""}}), "EMPTY=\"\"");
}

TEST(MsiCommandLine, ValuesAreQuoted) {
    EXPECT_EQ(msi::buildFullCommandLine("", {{"INSTALLDIR", "C:\\Program Files\\Orun"}, {"Q", "a\"b"}}),
              "INSTALLDIR=\"C:\\Program Files\\Orun\" Q=a\"\"b");
}
