#include <gtest/gtest.h>

#include <string>

#include "settings/context.h"
#include "settings/parser.h"
#include "settings/settings_exception.h"

using namespace settings_impl;

namespace {

// Loads text into a fresh context; returns the status code the table would.
struct Loaded {
    Context context{"C:/x/orun.settings.cfg"};
    int code = 0;
    std::string errors;  // what went to the standard error stream
};

Loaded load(const std::string& text, bool stopOnFirstError = false, bool allowKeyWithoutValue = false,
            const ConfigValidator* validator = nullptr, const IKeyMapper* mapper = nullptr) {
    Loaded result;
    testing::internal::CaptureStderr();
    try {
        result.context.load(StringBuffer(text), validator, mapper, stopOnFirstError, allowKeyWithoutValue);
    } catch (const settings::Exception& e) {
        result.code = e.getCode();
    }
    result.errors = testing::internal::GetCapturedStderr();
    return result;
}

const Config& config(const Loaded& loaded) { return loaded.context.config(); }

}  // namespace

TEST(SettingsParser, LineForms) {
    const Loaded l = load("  KEY  =  some value \t\nEMPTY:\nEQ=a=b\nCOLON : x:y=z\r\n\t\nSPACED KEY=1");
    ASSERT_EQ(l.code, 0) << l.errors;
    EXPECT_EQ(config(l).getText("KEY"), "some value");
    EXPECT_EQ(config(l).getText("EMPTY"), "");
    EXPECT_EQ(config(l).getText("EQ"), "a=b");
    EXPECT_EQ(config(l).getText("COLON"), "x:y=z");
    EXPECT_EQ(config(l).getText("SPACED KEY"), "1");
    EXPECT_EQ(config(l).getType("KEY"), TYPE_UNTYPED);
    EXPECT_EQ(config(l).size(), 5u);
}

TEST(SettingsParser, CommentsBlankLinesAndLaterLinesWin) {
    const Loaded l = load("   # a comment\n\t \nKEY=1 # note\n#KEY=2\nA=first\nA=second\n");
    ASSERT_EQ(l.code, 0);
    EXPECT_EQ(config(l).getText("KEY"), "1 # note");
    EXPECT_EQ(config(l).getText("A"), "second");
    EXPECT_EQ(config(l).size(), 2u);
}

TEST(SettingsParser, LineEndsCrLfAndCrAndLfCountOnceEach) {
    // Line 3 (index 2) is the bad one whichever line ends come before it.
    for (const char* text : {"A=1\r\nB=2\r\nbad\r\nC=3", "A=1\rB=2\rbad\rC=3", "A=1\nB=2\r\nbad\rC=3"}) {
        const Loaded l = load(text);
        EXPECT_EQ(l.code, 313);
        EXPECT_EQ(l.context.errorLines(), std::vector<size_t>{2}) << text;
        EXPECT_EQ(config(l).getText("C"), "3");
    }
    // A blank line between CR and LF is two line ends.
    EXPECT_EQ(load("A=1\n\rbad").context.errorLines(), std::vector<size_t>{2});
}

TEST(SettingsParser, ErrorTextsCarryLineAndChar) {
    Loaded l = load("=value");
    EXPECT_EQ(l.code, 313);
    EXPECT_EQ(l.errors, "Error reading config file: \"Empty key\" at line 1; char 1\n");
    EXPECT_EQ(l.context.errorLines(), std::vector<size_t>{0});

    l = load("A=1\n  \t KEY");
    EXPECT_EQ(l.code, 313);
    EXPECT_EQ(l.errors, "Error reading config file: \"Key without value\" at line 2; char 5\n");

    EXPECT_EQ(parseErrorText(PARSE_INVALID_KEY, 0, 0), "\"Invalid key\" at line 1; char 1");
    EXPECT_EQ(parseErrorText(PARSE_INVALID_VALUE, 9, 3), "\"Invalid value\" at line 10; char 4");
    EXPECT_EQ(parseErrorText(PARSE_INVALID_COMMENT, 0, 0), "\"Invalid comment\" at line 1; char 1");
    EXPECT_EQ(parseErrorText(399, 0, 0), "\"Unknown error\" at line 1; char 1");
}

TEST(SettingsParser, KeysWithoutValuesOnlyWhenAllowed) {
    EXPECT_EQ(load("KEY").code, 313);
    const Loaded l = load("  KEY \t\nOTHER=0", false, true);
    ASSERT_EQ(l.code, 0);
    EXPECT_TRUE(config(l).contains("KEY"));
    EXPECT_FALSE(config(l).hasValue("KEY"));
    EXPECT_THROW(config(l).getBool("KEY"), settings::ExceptionCode<301>);
}

TEST(SettingsParser, GoingOnPastErrorsKeepsGoodLinesAndStillFails) {
    const Loaded l = load("A=1\nbroken\nC=3\n=x\n");
    EXPECT_EQ(l.code, 313);
    EXPECT_EQ(l.context.errorLines(), (std::vector<size_t>{1, 3}));
    EXPECT_EQ(config(l).getText("A"), "1");
    EXPECT_EQ(config(l).getText("C"), "3");
    EXPECT_EQ(config(l).size(), 2u);
}

TEST(SettingsParser, StopOnFirstErrorLeavesTheConfigurationUnchanged) {
    Loaded l;
    testing::internal::CaptureStderr();
    l.context.load(StringBuffer("OLD=1"), nullptr, nullptr, true, false);
    EXPECT_THROW(l.context.load(StringBuffer("A=1\nbroken\nC=3\nbad"), nullptr, nullptr, true, false),
                 settings::Exception);
    l.errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(l.context.errorLines(), std::vector<size_t>{1});
    EXPECT_EQ(l.context.config().getKeys(), std::vector<std::string>{"OLD"});
    EXPECT_EQ(l.errors, "Error reading config file: \"Key without value\" at line 2; char 1\n");
}

TEST(SettingsParser, LoadsMergeOverEarlierOnes) {
    Loaded l;
    testing::internal::CaptureStderr();
    l.context.load(StringBuffer("A=1\nB=2"), nullptr, nullptr, false, false);
    l.context.load(StringBuffer("B=3\nC=4"), nullptr, nullptr, false, false);
    EXPECT_THROW(l.context.load(StringBuffer("D=5\nbad"), nullptr, nullptr, false, false), settings::Exception);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(l.context.config().getText("A"), "1");
    EXPECT_EQ(l.context.config().getText("B"), "3");
    EXPECT_EQ(l.context.config().getText("D"), "5");  // merged although the load failed
    l.context.load(StringBuffer(""), nullptr, nullptr, false, false);
    EXPECT_TRUE(l.context.errorLines().empty());  // cleared by each load
}

TEST(SettingsParser, ByteOrderMarkIsNotPartOfTheFirstKey) {
    const Loaded l = load("\xEF\xBB\xBFKEY=1\n\xEF\xBB\xBFSECOND=2");
    ASSERT_EQ(l.code, 0) << l.errors;
    EXPECT_EQ(config(l).getText("KEY"), "1");
    // Only at the start of the text.
    EXPECT_TRUE(config(l).contains("\xEF\xBB\xBFSECOND"));
    // Columns count from after the mark.
    EXPECT_EQ(load("\xEF\xBB\xBF=x").errors, "Error reading config file: \"Empty key\" at line 1; char 1\n");
}

TEST(SettingsParser, StringSourceMustBePlainText) {
    EXPECT_THROW(StringBuffer("A=\xC3"), settings::ExceptionCode<314>);
    EXPECT_THROW(StringBuffer("A=\xFF"), settings::ExceptionCode<314>);
    EXPECT_NO_THROW(StringBuffer("A=\xE2\x82\xAC"));
}

TEST(SettingsParser, ValidatorAndMapperDuringLoad) {
    ConfigValidatorBuilder builder;
    builder.addType("PORT", TYPE_INT);
    builder.addFixedValues("MODE", {{"silent", 1, 0}, {"full", 2, 0}});
    const ConfigValidator validator = builder.build();
    KeyMapperBuilder mappers;
    mappers.addMapping("port", "PORT", false);
    const KeyMapperList mapper = mappers.build();

    const Loaded l = load("port=0x10\nMODE=SILENT\nMODE=loud\nOTHER=1\nPORT=x\nSWITCH", false, true, &validator, &mapper);
    EXPECT_EQ(l.code, 313);
    EXPECT_EQ(l.errors,
              "Error reading config file: \"Invalid value\" at line 3; char 1\n"
              "Error reading config file: \"Invalid key\" at line 4; char 1\n"
              "Error reading config file: \"Invalid value\" at line 5; char 1\n");
    EXPECT_EQ(config(l).getInt("PORT"), 16);
    EXPECT_EQ(config(l).getInt("MODE"), 1);
    EXPECT_EQ(config(l).getText("MODE"), "SILENT");
    // Keys without values are never validated.
    EXPECT_FALSE(config(l).hasValue("SWITCH"));
}
