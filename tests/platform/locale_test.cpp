#include "platform/qt/Locale.h"

#include <gtest/gtest.h>

#include <QLocale>
#include <QTimeZone>
#include <cstdlib>
#include <ctime>

using platform::dosDateTime;
using platform::textToDateTime;
using platform::textToNumber;
using platform::textToTime;

namespace {

std::uint32_t dos(int year, int month, int day, int hour, int minute, int second) {
    return (static_cast<std::uint32_t>(year - 1980) << 25) |
           (static_cast<std::uint32_t>(month) << 21) | (static_cast<std::uint32_t>(day) << 16) |
           (static_cast<std::uint32_t>(hour) << 11) | (static_cast<std::uint32_t>(minute) << 5) |
           static_cast<std::uint32_t>(second / 2);
}

// Runs each test under a chosen locale and puts the previous default back afterwards.
class LocaleTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QString::fromLatin1(GetParam()))); }
    void TearDown() override { QLocale::setDefault(saved); }
    QLocale saved;
};

TEST(DosDateTime, DecodesTheBitFields) {
    const auto t = dosDateTime(dos(2024, 3, 9, 14, 5, 6));
    ASSERT_TRUE(t);
    EXPECT_EQ(t->date(), QDate(2024, 3, 9));
    EXPECT_EQ(t->time(), QTime(14, 5, 6));

    // The extremes of each field that still make a calendar value.
    const auto first = dosDateTime(dos(1980, 1, 1, 0, 0, 0));
    ASSERT_TRUE(first);
    EXPECT_EQ(first->date(), QDate(1980, 1, 1));
    const auto last = dosDateTime(dos(2107, 12, 31, 23, 59, 58));
    ASSERT_TRUE(last);
    EXPECT_EQ(last->date(), QDate(2107, 12, 31));
    EXPECT_EQ(last->time(), QTime(23, 59, 58));
    const auto leap = dosDateTime(dos(2000, 2, 29, 12, 0, 0));
    ASSERT_TRUE(leap);
    EXPECT_EQ(leap->date(), QDate(2000, 2, 29));
    // Raw fields checked against a hand-computed value: 2010-06-15 08:30:20.
    const auto raw = dosDateTime(0x3CCF43CAu);
    ASSERT_TRUE(raw);
    EXPECT_EQ(raw->date(), QDate(2010, 6, 15));
    EXPECT_EQ(raw->time(), QTime(8, 30, 20));
}

// A wall-clock time that a daylight-saving change skips still shows as stored.
TEST(DosDateTime, TimeInADaylightSavingGapKeepsItsFields) {
    const char* old = std::getenv("TZ");
    const std::string saved = old ? old : "";
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    const bool gap = !QDateTime(QDate(2024, 3, 31), QTime(2, 30)).isValid();
    const auto t = dosDateTime(dos(2024, 3, 31, 2, 30, 0));
    const bool valid = t && t->isValid();
    const QString text = t ? platform::dateTimeText(*t) : QString();
    if (old)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
    ASSERT_TRUE(gap) << "no time zone data for Europe/Berlin (tzdata)";
    ASSERT_TRUE(t);
    EXPECT_TRUE(valid);
    EXPECT_EQ(t->date(), QDate(2024, 3, 31));
    EXPECT_EQ(t->time(), QTime(2, 30));
    EXPECT_EQ(text, platform::dateTimeText(
                        QDateTime(QDate(2024, 3, 31), QTime(2, 30), QTimeZone::utc())));
}

TEST(DosDateTime, RejectsValuesThatAreNoCalendarDate) {
    EXPECT_FALSE(dosDateTime(0)); // month 0, day 0
    EXPECT_FALSE(dosDateTime(dos(2020, 0, 10, 1, 1, 0)));
    EXPECT_FALSE(dosDateTime(dos(2020, 13, 10, 1, 1, 0)));
    EXPECT_FALSE(dosDateTime(dos(2020, 15, 10, 1, 1, 0)));
    EXPECT_FALSE(dosDateTime(dos(2020, 5, 0, 1, 1, 0)));
    EXPECT_FALSE(dosDateTime(dos(2021, 2, 29, 1, 1, 0))); // not a leap year
    EXPECT_FALSE(dosDateTime(dos(2020, 4, 31, 1, 1, 0)));
    EXPECT_FALSE(dosDateTime(dos(2020, 5, 5, 24, 0, 0)));
    EXPECT_FALSE(dosDateTime(dos(2020, 5, 5, 31, 0, 0)));
    EXPECT_FALSE(dosDateTime(dos(2020, 5, 5, 10, 60, 0)));
    EXPECT_FALSE(dosDateTime(dos(2020, 5, 5, 10, 63, 0)));
    EXPECT_FALSE(dosDateTime(dos(2020, 5, 5, 10, 10, 60))); // seconds field 30
    EXPECT_FALSE(dosDateTime(dos(2020, 5, 5, 10, 10, 62))); // seconds field 31
}

TEST_P(LocaleTest, DateTimeTextHasTwoSpacesAndReadsBack) {
    const QDateTime samples[] = {
        QDateTime(QDate(2024, 3, 9), QTime(14, 5)), QDateTime(QDate(1980, 1, 1), QTime(0, 0)),
        QDateTime(QDate(1999, 12, 31), QTime(23, 59)), QDateTime(QDate(2107, 12, 31), QTime(12, 0)),
        QDateTime(QDate(2029, 7, 4), QTime(1, 2))};
    for (const QDateTime& dt : samples) {
        const QString text = platform::dateTimeText(dt);
        EXPECT_EQ(text,
                  platform::shortDateText(dt.date()) + "  " + platform::shortTimeText(dt.time()));
        const auto back = textToDateTime(text);
        ASSERT_TRUE(back) << text.toStdString();
        EXPECT_EQ(back->date(), dt.date()) << text.toStdString();
        // The short time may leave out the seconds; hours and minutes always come back.
        EXPECT_EQ(back->time().hour(), dt.time().hour()) << text.toStdString();
        EXPECT_EQ(back->time().minute(), dt.time().minute()) << text.toStdString();

        // The date alone, and with one space before the time.
        const auto dateOnly = textToDateTime(platform::shortDateText(dt.date()));
        ASSERT_TRUE(dateOnly);
        EXPECT_EQ(dateOnly->date(), dt.date());
        EXPECT_EQ(dateOnly->time(), QTime(0, 0));
        const auto oneSpace = textToDateTime(platform::shortDateText(dt.date()) + " " +
                                             platform::shortTimeText(dt.time()));
        ASSERT_TRUE(oneSpace);
        EXPECT_EQ(oneSpace->date(), dt.date());

        const auto time = textToTime(platform::shortTimeText(dt.time()));
        ASSERT_TRUE(time);
        EXPECT_EQ(time->hour(), dt.time().hour());
        EXPECT_EQ(time->minute(), dt.time().minute());
        // A date-time is not a time.
        EXPECT_FALSE(textToTime(text)) << text.toStdString();
    }
    // The years are written out in full, so no century is lost.
    EXPECT_TRUE(platform::shortDateText(QDate(2024, 3, 9)).contains("2024"));
    EXPECT_TRUE(platform::shortDateText(QDate(1924, 3, 9)).contains("1924"));
}

TEST_P(LocaleTest, NumbersInLocaleAndCForms) {
    const QLocale l;
    for (double v : {0.0, 5.0, -5.0, 3.5, 1234567.5, -0.25}) {
        const auto fromLocale = textToNumber(l.toString(v, 'f', 2));
        ASSERT_TRUE(fromLocale) << l.toString(v, 'f', 2).toStdString();
        EXPECT_DOUBLE_EQ(*fromLocale, v);
    }
    EXPECT_EQ(textToNumber("-5"), -5.0);
    EXPECT_EQ(textToNumber("42"), 42.0);
    EXPECT_EQ(textToNumber(" 17 "), 17.0);
    EXPECT_EQ(textToNumber("1048576"), 1048576.0);
    EXPECT_FALSE(textToNumber("12abc"));
    EXPECT_FALSE(textToNumber("abc"));
    EXPECT_FALSE(textToNumber(""));
    EXPECT_FALSE(textToNumber("   "));
    EXPECT_FALSE(textToNumber("1 2 3"));
    EXPECT_FALSE(textToNumber("inf"));
    EXPECT_FALSE(textToNumber("nan"));
    EXPECT_FALSE(textToNumber("readme.txt"));
    EXPECT_FALSE(textToNumber("12:30"));
}

TEST_P(LocaleTest, TimesAndNonTimes) {
    const auto c = textToTime("14:05:06");
    ASSERT_TRUE(c);
    EXPECT_EQ(*c, QTime(14, 5, 6));
    const auto shortC = textToTime("9:07");
    ASSERT_TRUE(shortC);
    EXPECT_EQ(*shortC, QTime(9, 7));
    EXPECT_FALSE(textToTime("25:00"));
    EXPECT_FALSE(textToTime("12:60"));
    EXPECT_FALSE(textToTime("1205"));
    EXPECT_FALSE(textToTime("12"));
    EXPECT_FALSE(textToTime(""));
    EXPECT_FALSE(textToTime("noon"));

    EXPECT_FALSE(textToDateTime("14:05"));
    EXPECT_FALSE(textToDateTime("12"));
    EXPECT_FALSE(textToDateTime("readme.txt"));
    EXPECT_FALSE(textToDateTime(""));
    EXPECT_FALSE(textToDateTime(platform::shortDateText(QDate(2024, 3, 9)) + "  25:99"));
    // The C forms are read in every locale.
    const auto iso = textToDateTime("2024-03-09 14:05:06");
    ASSERT_TRUE(iso);
    EXPECT_EQ(*iso, QDateTime(QDate(2024, 3, 9), QTime(14, 5, 6)));
}

INSTANTIATE_TEST_SUITE_P(Locales, LocaleTest,
                         ::testing::Values("C", "en_US", "de_DE", "fr_FR", "ja_JP", "ko_KR",
                                           "fi_FI"));

// The table's texts of stored dates are written without QLocale reading the pattern each
// time; they must be exactly what QLocale writes, in every locale, and empty for values that
// are no calendar date.
class TableTextTest : public LocaleTest {};

TEST_P(TableTextTest, DosDateTimeTextIsWhatTheLocaleWrites) {
    int checked = 0;
    for (int year : {1980, 1999, 2000, 2009, 2024, 2107})
        for (int month = 1; month <= 12; ++month)
            for (int hour : {0, 1, 9, 11, 12, 13, 23}) {
                const int day = 1 + (month * 7 + hour) % 28;
                const std::uint32_t v = dos(year, month, day, hour, month * 4, hour * 2);
                EXPECT_EQ(platform::dosDateTimeText(v), platform::dateTimeText(*dosDateTime(v)))
                    << year << "-" << month << "-" << day << " " << hour;
                ++checked;
            }
    EXPECT_EQ(checked, 6 * 12 * 7);
    for (std::uint32_t bad : {0u, dos(2021, 2, 29, 1, 1, 0), dos(2020, 5, 5, 24, 0, 0)})
        EXPECT_TRUE(platform::dosDateTimeText(bad).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Locales, TableTextTest,
                         ::testing::Values("C", "en_US", "en_GB", "de_DE", "fr_FR", "ja_JP",
                                           "ko_KR", "zh_CN", "ar_EG", "fa_IR", "th_TH", "hi_IN",
                                           "sq_AL", "fi_FI"));

TEST(Locale, GermanDecimalCommaAndGroups) {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(textToNumber("3,5"), 3.5);
    EXPECT_EQ(textToNumber("1.234.567,5"), 1234567.5);
    EXPECT_EQ(textToNumber("3.5"), 3.5); // the C form still reads
    EXPECT_EQ(platform::shortDateFormat(), "dd.MM.yyyy");
    EXPECT_EQ(platform::dateTimeText(QDateTime(QDate(2024, 3, 9), QTime(14, 5))),
              "09.03.2024  14:05");
    const auto back = textToDateTime("09.03.2024  14:05");
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, QDateTime(QDate(2024, 3, 9), QTime(14, 5)));
    // A two-digit year as the locale writes it reads into 1930..2029.
    const auto shortYear = textToDateTime("09.03.24");
    ASSERT_TRUE(shortYear);
    EXPECT_EQ(shortYear->date(), QDate(2024, 3, 9));
    const auto oldYear = textToDateTime("09.03.85");
    ASSERT_TRUE(oldYear);
    EXPECT_EQ(oldYear->date(), QDate(1985, 3, 9));
    QLocale::setDefault(saved);
}

// The readers follow the locale in use at each call, also when it changes between calls.
TEST(Locale, ReadingFollowsAChangeOfLocale) {
    const QLocale saved;
    const QString german = "09.03.2024  14:05";
    const QString english = "3/9/2024  2:05 PM";
    for (int round = 0; round < 2; ++round) {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        EXPECT_EQ(platform::shortTimeFormat(), "HH:mm");
        EXPECT_EQ(textToDateTime(german), QDateTime(QDate(2024, 3, 9), QTime(14, 5)));
        EXPECT_FALSE(textToDateTime(english));
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        EXPECT_EQ(platform::shortTimeFormat(), "h:mm AP");
        EXPECT_EQ(textToDateTime(english), QDateTime(QDate(2024, 3, 9), QTime(14, 5)));
        EXPECT_FALSE(textToDateTime(german));
    }
    QLocale::setDefault(saved);
}

// Locales that write their own digits read them back as well.
TEST(Locale, DatesInArabicIndicDigitsReadBack) {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::Arabic, QLocale::Egypt));
    const QDateTime when(QDate(2024, 3, 9), QTime(14, 5));
    const QString text = platform::dateTimeText(when);
    ASSERT_FALSE(text.contains('9')) << "the locale writes its own digits";
    const auto back = textToDateTime(text);
    ASSERT_TRUE(back) << text.toStdString();
    EXPECT_EQ(*back, when);
    QLocale::setDefault(saved);
}

TEST(Locale, EnglishUsesFourDigitYearsAndTwelveHourTime) {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(platform::shortDateFormat(), "M/d/yyyy");
    const QString text = platform::dateTimeText(QDateTime(QDate(2024, 3, 9), QTime(14, 5)));
    EXPECT_TRUE(text.startsWith("3/9/2024  2:05")) << text.toStdString();
    const auto pm = textToTime(platform::shortTimeText(QTime(14, 5)));
    ASSERT_TRUE(pm);
    EXPECT_EQ(*pm, QTime(14, 5));
    EXPECT_EQ(textToNumber("1,234.5"), 1234.5);
    QLocale::setDefault(saved);
}

} // namespace
