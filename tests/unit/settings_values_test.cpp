#include <gtest/gtest.h>

#include <stdexcept>

#include "settings/config.h"
#include "settings/key_mapper.h"
#include "settings/settings_exception.h"
#include "settings/validators.h"

using namespace settings_impl;

TEST(SettingsValues, IntegersByPrefix) {
    EXPECT_EQ(parseInt("0x1F"), 31);
    EXPECT_EQ(parseInt("-0x1f"), -31);
    EXPECT_EQ(parseInt("010"), 8);
    EXPECT_EQ(parseInt("-010"), -8);
    EXPECT_EQ(parseInt("0"), 0);
    EXPECT_EQ(parseInt("12abc"), 12);
    EXPECT_EQ(parseInt(" \t\n\v42"), 42);
    EXPECT_EQ(parseInt("-7"), -7);
    EXPECT_EQ(parseInt("2147483647"), 2147483647);
    EXPECT_THROW(parseInt("abc"), settings::ExceptionCode<302>);
    EXPECT_THROW(parseInt(""), settings::ExceptionCode<302>);
    EXPECT_THROW(parseInt("2147483648"), settings::ExceptionCode<302>);  // past 32 bits
}

TEST(SettingsValues, BooleansAndDoubles) {
    for (const char* yes : {"yes", "TRUE", "True", "1", "-3", "0x10"}) EXPECT_TRUE(parseBool(yes)) << yes;
    for (const char* no : {"no", "FALSE", "0", "00"}) EXPECT_FALSE(parseBool(no)) << no;
    EXPECT_THROW(parseBool("maybe"), settings::ExceptionCode<302>);
    EXPECT_DOUBLE_EQ(parseDouble(" 1.5"), 1.5);
    EXPECT_DOUBLE_EQ(parseDouble("2E3x"), 2000.0);
    EXPECT_THROW(parseDouble("x1"), settings::ExceptionCode<302>);
}

TEST(SettingsValues, TypedValuesFromText) {
    const ConfigValue n = ConfigValue::fromText(TYPE_INT, "0x1F");
    EXPECT_EQ(n.type(), TYPE_INT);
    EXPECT_EQ(n.intValue(), 31);
    EXPECT_EQ(n.text(), "0x1F");  // the text as it stood
    EXPECT_TRUE(ConfigValue::fromText(TYPE_BOOL, "yes").boolValue());
    EXPECT_THROW(ConfigValue::fromText(TYPE_STRING, "\x80"), settings::ExceptionCode<302>);
    EXPECT_EQ(ConfigValue::fromText(TYPE_UNTYPED, "\x80").text(), "\x80");  // untyped text is not checked
    EXPECT_EQ(ConfigValue::ofInt(-5).text(), "-5");
    EXPECT_EQ(ConfigValue::ofBool(false).text(), "false");
    EXPECT_EQ(ConfigValue::ofDouble(0.25).text(), "0.25");
}

TEST(SettingsConfig, ReadsConvertOnlyWhereTheTypeAllows) {
    Config c;
    c.set("U", ConfigValue(TYPE_UNTYPED, "0x10"));
    c.set("S", ConfigValue::fromText(TYPE_STRING, "5"));
    c.set("I", ConfigValue::fromText(TYPE_INT, "7"));
    c.set("B", ConfigValue::fromText(TYPE_BOOL, "yes"));
    c.set("D", ConfigValue::fromText(TYPE_DOUBLE, "2.5"));
    c.set("NONE", nullptr);

    EXPECT_EQ(c.getInt("U"), 16);
    EXPECT_TRUE(c.getBool("U"));
    c.set("UD", ConfigValue(TYPE_UNTYPED, " 0.5"));
    EXPECT_DOUBLE_EQ(c.getDouble("UD"), 0.5);
    EXPECT_EQ(c.getInt("I"), 7);
    EXPECT_TRUE(c.getBool("B"));
    EXPECT_DOUBLE_EQ(c.getDouble("D"), 2.5);
    EXPECT_THROW(c.getInt("S"), settings::ExceptionCode<301>);
    EXPECT_THROW(c.getInt("B"), settings::ExceptionCode<301>);
    EXPECT_THROW(c.getBool("I"), settings::ExceptionCode<301>);
    EXPECT_THROW(c.getDouble("I"), settings::ExceptionCode<301>);
    for (const char* key : {"U", "S", "I", "B", "D"}) EXPECT_NO_THROW(c.getText(key)) << key;
    EXPECT_EQ(c.getText("B"), "yes");

    EXPECT_THROW(c.getText("NONE"), settings::ExceptionCode<301>);
    EXPECT_THROW(c.getType("NONE"), settings::ExceptionCode<301>);
    EXPECT_FALSE(c.hasValue("NONE"));
    EXPECT_THROW(c.getText("ABSENT"), settings::ExceptionCode<303>);
    EXPECT_THROW(c.hasValue("ABSENT"), settings::ExceptionCode<303>);
    // Keys are case-sensitive and listed in byte order.
    EXPECT_THROW(c.getText("u"), settings::ExceptionCode<303>);
    EXPECT_EQ(c.getKeys(), (std::vector<std::string>{"B", "D", "I", "NONE", "S", "U", "UD"}));
}

TEST(SettingsConfig, MergeRemovalAndCopiesAreDeep) {
    Config a;
    a.set("A", ConfigValue::fromText(TYPE_INT, "1"));
    a.set("B", ConfigValue(TYPE_UNTYPED, "old"));
    Config b;
    b.set("B", nullptr);
    b.set("C", ConfigValue::fromText(TYPE_BOOL, "no"));
    const Config m = merge(a, b);
    EXPECT_EQ(m.getInt("A"), 1);
    EXPECT_FALSE(m.hasValue("B"));  // the second wins, also with no value
    EXPECT_FALSE(m.getBool("C"));
    EXPECT_EQ(m.getText("C"), "no");

    const Config r = removeKeys(m, {"A", "C"});
    EXPECT_EQ(r.getKeys(), std::vector<std::string>{"B"});
    EXPECT_EQ(m.size(), 3u);  // the source is untouched
    EXPECT_THROW(removeKeys(m, {"A", "MISSING"}), settings::ExceptionCode<303>);

    Config copy(a);
    a.set("A", ConfigValue::ofInt(2));
    EXPECT_EQ(copy.getInt("A"), 1);
}

TEST(SettingsConfig, EqualityByTypeAndContent) {
    auto one = [](const ConfigValue& v) {
        Config c;
        c.set("K", v);
        return c;
    };
    EXPECT_TRUE(equals(one(ConfigValue::fromText(TYPE_INT, "0x10")), one(ConfigValue::fromText(TYPE_INT, "16"))));
    EXPECT_TRUE(equals(one(ConfigValue::fromText(TYPE_BOOL, "yes")), one(ConfigValue::fromText(TYPE_BOOL, "1"))));
    EXPECT_TRUE(equals(one(ConfigValue::fromText(TYPE_DOUBLE, "1.0")), one(ConfigValue::fromText(TYPE_DOUBLE, "1"))));
    EXPECT_FALSE(equals(one(ConfigValue(TYPE_UNTYPED, "16")), one(ConfigValue::fromText(TYPE_INT, "16"))));
    EXPECT_FALSE(equals(one(ConfigValue(TYPE_STRING, "a")), one(ConfigValue(TYPE_STRING, "A"))));
    EXPECT_TRUE(equals(one(ConfigValue(TYPE_STRING, "a")), one(ConfigValue(TYPE_STRING, "a"))));

    Config none;
    none.set("K", nullptr);
    EXPECT_TRUE(equals(none, none));
    EXPECT_FALSE(equals(none, one(ConfigValue(TYPE_UNTYPED, ""))));
    EXPECT_FALSE(equals(one(ConfigValue(TYPE_UNTYPED, "")), none));
    Config other;
    other.set("L", nullptr);
    EXPECT_FALSE(equals(none, other));
    EXPECT_FALSE(equals(none, Config()));
    EXPECT_TRUE(equals(Config(), Config()));

    try {
        equals(one(ConfigValue(999, "x")), one(ConfigValue(999, "x")));
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("unexpected"), std::string::npos);
    }
}

TEST(SettingsConfig, SerializationInKeyOrder) {
    EXPECT_EQ(serialize(Config()), " ");
    Config c;
    c.set("b", ConfigValue(TYPE_UNTYPED, "x=y"));
    c.set("B", nullptr);
    c.set("a", ConfigValue::fromText(TYPE_INT, "0x1F"));
    c.set("e", ConfigValue(TYPE_UNTYPED, ""));
    EXPECT_EQ(serialize(c), "B\na=0x1F\nb=x=y\ne=\n");
}

TEST(SettingsValidators, TypeDirnameAndUnknownKeys) {
    ConfigValidatorBuilder builder;
    builder.addType("N", TYPE_INT);
    builder.addType("F", TYPE_BOOL);
    builder.addDirnameCheck("DIR", false);
    builder.addDirnameCheck("ANYDIR", true);
    ConfigValidator v = builder.build();
    const std::string text = "12";
    EXPECT_EQ(v.validate("N", &text)->intValue(), 12);
    EXPECT_EQ(v.validate("F", nullptr), nullptr);  // a flag may come without value
    EXPECT_THROW(v.validate("N", nullptr), ConfigValidator::InavlidValueError);
    EXPECT_THROW(v.validate("OTHER", &text), ConfigValidator::InavlidKeyError);
    v.setAllowOtherKeys(true);
    EXPECT_EQ(v.validate("OTHER", &text)->type(), TYPE_UNTYPED);

    for (const char* good : {"C:\\Program Files\\Orun", "d:/x", "C:"}) {
        const std::string dir = good;
        EXPECT_EQ(v.validate("DIR", &dir)->type(), TYPE_STRING) << good;
    }
    for (const char* bad : {"\\\\server\\share", "relative\\dir", "", "C:\\a?b", "C:\\CON", "1:\\x"}) {
        const std::string dir = bad;
        EXPECT_THROW(v.validate("DIR", &dir), ConfigValidator::InavlidValueError) << bad;
    }
    const std::string unc = "\\\\server\\share";
    EXPECT_EQ(v.validate("ANYDIR", &unc)->text(), unc);
    EXPECT_THROW(v.validate("ANYDIR", nullptr), ConfigValidator::InavlidValueError);
}

TEST(SettingsValidators, FixedValuesMatchFromTheLastEntry) {
    const FixedValueValidator v({{"Auto", 1, 0},
                                 {"auto", 2, FixedValueEntry::EXACT},
                                 {"Manual", 3, FixedValueEntry::STORE_ENTRY_TEXT},
                                 {"Off", 4, FixedValueEntry::EXACT}});
    auto check = [&](const char* input, int value, const char* text) {
        const std::string in = input;
        const auto got = v.createValue(&in);
        EXPECT_EQ(got->type(), TYPE_INT) << input;
        EXPECT_EQ(got->intValue(), value) << input;
        EXPECT_EQ(got->text(), text) << input;
    };
    check("auto", 2, "auto");  // the later, exact entry
    check("AUTO", 1, "AUTO");
    check("mAnUaL", 3, "Manual");
    check("Off", 4, "Off");
    for (const char* bad : {"off", "none", ""}) {
        const std::string in = bad;
        EXPECT_THROW(v.createValue(&in), ConfigValidator::InavlidValueError) << bad;
    }
    EXPECT_THROW(v.createValue(nullptr), ConfigValidator::InavlidValueError);
}

TEST(SettingsValidators, BuilderReplacementRules) {
    const std::string dir = "relative";
    const std::string number = "5";
    const std::string word = "on";

    ConfigValidatorBuilder b;
    b.addType("K", TYPE_INT);
    b.addFixedValues("K", {{"on", 1, 0}});  // drops the type
    EXPECT_EQ(b.build().validate("K", &word)->intValue(), 1);
    EXPECT_THROW(b.build().validate("K", &number), ConfigValidator::InavlidValueError);

    b.addType("K", TYPE_INT);  // drops the list
    EXPECT_EQ(b.build().validate("K", &number)->intValue(), 5);

    b.addDirnameCheck("K", false);  // drops the type
    EXPECT_THROW(b.build().validate("K", &dir), ConfigValidator::InavlidValueError);
    const std::string absolute = "C:\\x";
    EXPECT_EQ(b.build().validate("K", &absolute)->type(), TYPE_STRING);

    // A type after a folder check leaves the check in place, and it wins.
    b.addType("K", TYPE_INT);
    EXPECT_THROW(b.build().validate("K", &number), ConfigValidator::InavlidValueError);

    b.addFixedValues("K", {{"on", 1, 0}});  // drops the folder check too
    EXPECT_EQ(b.build().validate("K", &word)->intValue(), 1);

    // Appending, and replacing the entry of an equal text.
    b.addFixedValues("K", {{"off", 0, 0}, {"on", 7, FixedValueEntry::STORE_ENTRY_TEXT}});
    const std::string upper = "ON";
    const auto on = b.build().validate("K", &upper);
    EXPECT_EQ(on->intValue(), 7);
    EXPECT_EQ(on->text(), "on");
    const std::string off = "off";
    EXPECT_EQ(b.build().validate("K", &off)->intValue(), 0);

    b.setAllowOtherKeys(true);
    EXPECT_TRUE(b.build().allowOtherKeys());
}

TEST(SettingsKeyMapper, LastAddedMatchWins) {
    KeyMapperBuilder b;
    b.addMapping("installdir", "INSTALLDIR", false);
    b.addMapping("InstallDir", "EXACT_TARGET", true);
    b.addMapping("target", "FIRST", false);
    b.addMapping("TARGET", "SECOND", false);
    const KeyMapperList m = b.build();
    EXPECT_EQ(m.mapKey("InstallDir"), "EXACT_TARGET");
    EXPECT_EQ(m.mapKey("INSTALLDIR"), "INSTALLDIR");
    EXPECT_EQ(m.mapKey("installDIR"), "INSTALLDIR");
    EXPECT_EQ(m.mapKey("Target"), "SECOND");
    EXPECT_EQ(m.mapKey("unmapped"), "unmapped");
}
