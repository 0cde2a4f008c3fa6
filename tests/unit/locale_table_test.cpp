#include <gtest/gtest.h>

#include <stdexcept>

#include "base/locale.h"

TEST(Locale, FromLangIdNeedsTheRowsOwnId) {
    EXPECT_EQ(Locale::fromLangId(1031).getName(), "de");
    EXPECT_EQ(Locale::fromLangId(1046).getName(), "pt_BR");
    try {
        Locale::fromLangId(7);
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("unsupported locale langId: 7"), std::string::npos);
    }
    Locale german;
    EXPECT_TRUE(Locale::isSupported(7, german));
    EXPECT_EQ(german.getName(), "de");
}

TEST(Locale, MatchIds) {
    Locale l;
    ASSERT_TRUE(Locale::isSupported(4100, l));
    EXPECT_EQ(l.getName(), "zh_CN");
    EXPECT_EQ(l.getAltName(), "zh");
    ASSERT_TRUE(Locale::isSupported(3076, l));
    EXPECT_EQ(l.getName(), "zh_TW");
    EXPECT_EQ(l.getAltName(), "zh_TW");
    EXPECT_FALSE(Locale::isSupported(2055, l));  // full ids match only on the Chinese rows
    EXPECT_FALSE(Locale::isSupported(2070, l));
}

TEST(Locale, PreferredListsPickTheFirstSupportedOrEnglish) {
    // The fallback path appends primary ids: Swiss German finds "de" through 7.
    EXPECT_EQ(Locale::fromPreferredIds(Locale::fallbackList({2055, 1033})).getName(), "de");
    // Portuguese (Portugal) only reaches English through the final 1033 and its 9.
    EXPECT_EQ(Locale::fromPreferredIds(Locale::fallbackList({2070, 2070, 2070, 1033})).getName(), "en");
    EXPECT_EQ(Locale::fallbackList({2055, 7}), (std::vector<uint16_t>{2055, 7, 7}));
    // The system-function path adds nothing: 2055 alone selects no row.
    EXPECT_EQ(Locale::fromPreferredIds({2055}).getName(), "en");
    EXPECT_EQ(Locale::fromPreferredIds({}).getLangId(), 1033);
    EXPECT_EQ(Locale::fromPreferredIds({18, 17}).getName(), "ko");
}

TEST(Locale, VisitStopsWhenTheObserverSaysSo) {
    struct Counter : Locale::LocaleObserver {
        int seen = 0;
        bool onRow(const Locale::Row&) override { return ++seen < 3; }
    } counter;
    Locale::visit(counter);
    EXPECT_EQ(counter.seen, 3);
    EXPECT_EQ(Locale::table().size(), 11u);
}
