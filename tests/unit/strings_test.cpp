#include <gtest/gtest.h>

#include <stdexcept>

#include "base/join_message.h"
#include "base/tstrings.h"

TEST(Format, GrowsForLongResults) {
    const std::string thousand(1000, 'x');
    EXPECT_EQ(tstrings::format("%s", thousand.c_str()), thousand);
    EXPECT_EQ(tstrings::format("%s", std::string(256, 'y').c_str()).size(), 256u);  // exactly the first step
    EXPECT_EQ(tstrings::format("%d-%s", 42, "a"), "42-a");
    EXPECT_EQ(tstrings::format("%s", ""), "");
}

TEST(Format, RejectsANullFormat) {
    const char* none = nullptr;
    EXPECT_THROW(tstrings::format(none), std::invalid_argument);
}

TEST(Strings, SplitKeepsEmptyPieces) {
    std::vector<std::string> out;
    tstrings::split("a,,b,", ",", out);
    EXPECT_EQ(out, (std::vector<std::string>{"a", "", "b", ""}));
    out.clear();
    tstrings::split("", ",", out);
    tstrings::split("abc", "", out);
    EXPECT_TRUE(out.empty());
    tstrings::split("a--b", "--", out);
    EXPECT_EQ(out, (std::vector<std::string>{"a", "b"}));
}

TEST(Strings, ReplaceResumesAfterTheReplacement) {
    EXPECT_EQ(tstrings::replace("aaa", "a", "aa"), "aaaaaa");
    EXPECT_EQ(tstrings::replace("x\"y\"", "\"", "\"\""), "x\"\"y\"\"");
    EXPECT_EQ(tstrings::replace("abc", "", "z"), "abc");
}

TEST(Strings, TrimLowerEquals) {
    EXPECT_EQ(tstrings::trim(" \t a b \t", " \t"), "a b");
    EXPECT_EQ(tstrings::trim(" \t ", " \t"), "");
    EXPECT_EQ(tstrings::toLower("AbC-\xC4"), "abc-\xC4");  // only A to Z
    EXPECT_TRUE(tstrings::equals("Enable", "ENABLE", true));
    EXPECT_FALSE(tstrings::equals("Enable", "ENABLE", false));
}

TEST(QuoteCommandLineValue, QuotesWhatTheInstallerWouldSplit) {
    EXPECT_EQ(quoteCommandLineValue("plain"), "plain");
    EXPECT_EQ(quoteCommandLineValue(""), "\"\"");
    EXPECT_EQ(quoteCommandLineValue("D:\\Program Files\\Orun"), "\"D:\\Program Files\\Orun\"");
    EXPECT_EQ(quoteCommandLineValue("a\tb"), "\"a\tb\"");
    EXPECT_EQ(quoteCommandLineValue("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(quoteCommandLineValue("x\"y"), "x\"\"y");
}

TEST(JoinMessage, JoinsLikeASentence) {
    EXPECT_EQ(joinMessage("open key", ""), "open key");
    EXPECT_EQ(joinMessage("Failed:", "x"), "Failed: x");
    EXPECT_EQ(joinMessage("Failed", "x"), "Failed. x");
    EXPECT_EQ(joinMessage("", "x"), "x");
    EXPECT_EQ(joinMessage("  lead stays  ", "  both sides go \n"), "  lead stays. both sides go");
    EXPECT_EQ(joinMessage("Done?", "  "), "Done?");
}
