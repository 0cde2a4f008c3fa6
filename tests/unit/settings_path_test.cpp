#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "settings/plain_text.h"
#include "settings/settings_exception.h"
#include "settings/settings_path.h"

using namespace settings_impl;

namespace {

int pathCode(const std::string& text) {
    try {
        SettingsPath path(text);
        return 0;
    } catch (const settings::Exception& e) {
        return e.getCode();
    }
}

std::string canonical(const std::string& text, const std::string& cwd = "C:\\work\\dir") {
    return SettingsPath(text).canonicalize([&] { return cwd; }).text();
}

}  // namespace

TEST(SettingsPlainText, SequencesOfOneToSixBytes) {
    EXPECT_TRUE(isPlainText(""));
    EXPECT_TRUE(isPlainText(std::string("a\0b", 3)));
    EXPECT_TRUE(isPlainText("\xC3\xA9"));                  // two
    EXPECT_TRUE(isPlainText("\xE2\x82\xAC"));              // three
    EXPECT_TRUE(isPlainText("\xF0\x9F\x98\x80"));          // four
    EXPECT_TRUE(isPlainText("\xF8\x88\x80\x80\x80"));      // five
    EXPECT_TRUE(isPlainText("\xFC\x84\x80\x80\x80\x80"));  // six
    EXPECT_FALSE(isPlainText("\x80"));                     // no lead byte
    EXPECT_FALSE(isPlainText("a\xBF"));
    EXPECT_FALSE(isPlainText("\xFE"));
    EXPECT_FALSE(isPlainText("\xFF"));
    EXPECT_FALSE(isPlainText("\xC3\x28"));                 // broken continuation
    EXPECT_FALSE(isPlainText("\xE2\x82\x28"));
    // Cut off by the end of the text.
    EXPECT_FALSE(isPlainText("abc\xE2\x82"));
    EXPECT_FALSE(isPlainText("\xF0\x9F\x98"));
    EXPECT_FALSE(isPlainText("\xFC\x84\x80\x80\x80"));
}

TEST(SettingsPlainText, Utf16FormRefusesWhatTheSystemRefuses) {
    std::u16string out;
    ASSERT_TRUE(utf8ToUtf16("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", out));
    EXPECT_EQ(out, (std::u16string{u'a', 0xE9, 0x20AC, 0xD83D, 0xDE00}));
    EXPECT_FALSE(utf8ToUtf16("\xF8\x88\x80\x80\x80", out));  // plain, but no character
    EXPECT_FALSE(utf8ToUtf16("\xC0\xAF", out));              // overlong
    EXPECT_FALSE(utf8ToUtf16("\xED\xA0\x80", out));          // surrogate
    EXPECT_FALSE(utf8ToUtf16("\xF4\x90\x80\x80", out));      // past U+10FFFF
    EXPECT_FALSE(utf8ToUtf16("\xE2\x82", out));
}

TEST(SettingsPath, ChecksInOrder) {
    EXPECT_EQ(pathCode(""), 0);
    EXPECT_TRUE(SettingsPath("").empty());
    EXPECT_EQ(pathCode("C:\\a\\b.cfg"), 0);
    EXPECT_EQ(pathCode("relative/b.cfg"), 0);
    EXPECT_EQ(pathCode("C:\\\xFF"), 312);
    EXPECT_EQ(pathCode(std::string(300, 'a') + "\xFF"), 312);  // plain text is checked before the length
    EXPECT_EQ(pathCode("\\\\/"), 311);
    EXPECT_EQ(pathCode("./."), 311);
    EXPECT_EQ(pathCode("C:\\a\\\xF8\x88\x80\x80\x80"), 200);  // no UTF-16 form
}

TEST(SettingsPath, LengthLimitInBytes) {
    const std::string base = "C:\\";
    EXPECT_EQ(pathCode(base + std::string(259 - base.size(), 'x')), 0);
    EXPECT_EQ(pathCode(base + std::string(260 - base.size(), 'x')), 310);
    // Bytes, not characters: 129 characters of two bytes each.
    std::string wide = base;
    for (int i = 0; i < 129; ++i) wide += "\xC3\xA9";
    EXPECT_EQ(pathCode(wide), 310);
}

TEST(SettingsPath, ReservedNamesAndForbiddenCharacters) {
    for (const char* bad : {"C:\\CON", "C:\\x\\PRN\\y", "AUX", "C:/NUL", "C:\\COM1", "C:\\COM9", "C:\\LPT1", "LPT9\\x",
                            "C:\\a?b", "C:\\a*b", "C:\\a<b", "C:\\a>b", "C:\\a|b", "C:\\a\"b", "C:\\a:b", "C:\\a\tb",
                            "C:\\a\x1f" "b", "/C:/x", "x\\C:"}) {
        EXPECT_EQ(pathCode(bad), 311) << bad;
    }
    // Exact names only, letter case counts.
    for (const char* good : {"C:\\con", "C:\\Con\\aux", "C:\\CON.txt", "C:\\COM0", "C:\\COM10", "C:\\LPT", "C:\\a b",
                             "c:\\x", "z:", "C:\\\xC3\xA9"}) {
        EXPECT_EQ(pathCode(good), 0) << good;
    }
    // Only the first raw component can be a drive.
    EXPECT_TRUE(SettingsPath("C:\\x").startsWithDrive());
    EXPECT_TRUE(SettingsPath("c:").startsWithDrive());
    EXPECT_FALSE(SettingsPath("\\\\server\\share").startsWithDrive());
    EXPECT_FALSE(SettingsPath("x").startsWithDrive());
    EXPECT_EQ(pathCode("1:\\x"), 311);
}

TEST(SettingsPath, Canonicalization) {
    EXPECT_EQ(canonical("C:\\a\\.\\b\\..\\c.cfg"), "C:/a/c.cfg");
    EXPECT_EQ(canonical("C:\\ProgramData\\Velmar\\Orun\\orun.settings.cfg"), "C:/ProgramData/Velmar/Orun/orun.settings.cfg");
    EXPECT_EQ(canonical("C:/a//b\\\\c/"), "C:/a/b/c");
    EXPECT_EQ(canonical("..\\x.cfg"), "C:/work/x.cfg");
    EXPECT_EQ(canonical("x.cfg"), "C:/work/dir/x.cfg");
    EXPECT_EQ(canonical("\\x.cfg"), "C:/work/dir/x.cfg");
    EXPECT_EQ(canonical("a\\..\\..\\..\\y"), "C:/y");
    EXPECT_EQ(canonical("C:\\a\\b\\..\\..\\c\\..\\d"), "C:/d");
    const SettingsPath once = SettingsPath("C:\\a\\..\\b").canonicalize([] { return std::string("D:\\"); });
    EXPECT_TRUE(once.isCanonical());
    EXPECT_FALSE(SettingsPath("C:/b").isCanonical());
    // A canonical path is kept as it is, without asking for the current directory.
    EXPECT_EQ(once.canonicalize([]() -> std::string { throw std::logic_error("asked"); }).text(), "C:/b");
}

TEST(SettingsPath, NothingAboveTheRoot) {
    auto code = [](const std::string& text, const std::string& cwd) {
        try {
            SettingsPath(text).canonicalize([&] { return cwd; });
            return 0;
        } catch (const settings::Exception& e) {
            return e.getCode();
        }
    };
    EXPECT_EQ(code("C:\\..\\x", "C:\\"), 311);
    EXPECT_EQ(code("C:\\a\\..\\..\\x", "C:\\"), 311);
    EXPECT_EQ(code("..\\..\\x", "C:\\work"), 311);
    EXPECT_EQ(code("..\\x", "..\\w"), 311);
    // The current directory's failure is passed on.
    EXPECT_THROW(SettingsPath("x").canonicalize([]() -> std::string { throw settings::Exception(200); }),
                 settings::Exception);
    // A long current directory can make the full path too long.
    EXPECT_EQ(code("x", "C:\\" + std::string(256, 'd')), 310);
}

TEST(SettingsPath, ParentDirectoriesOfACanonicalPath) {
    const auto cwd = [] { return std::string("C:\\"); };
    EXPECT_EQ(SettingsPath("C:\\a\\b\\c.cfg").canonicalize(cwd).parentDirectories(),
              (std::vector<std::string>{"C:/a", "C:/a/b"}));
    EXPECT_TRUE(SettingsPath("C:\\c.cfg").canonicalize(cwd).parentDirectories().empty());
    try {
        SettingsPath("C:\\a\\c.cfg").parentDirectories();
        FAIL();
    } catch (const std::logic_error& e) {
        EXPECT_NE(std::string(e.what()).find("canonicalized file name expected"), std::string::npos);
    }
}
