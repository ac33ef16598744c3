// Number fitting, the channel a pass writes, and the next maxima check date with its midnight rule.
#include "comm/Conversions.h"
#include "config/InitMaxima.h"

#include <gtest/gtest.h>

using namespace korvul;

namespace {

struct FitRow {
    const char *text;
    int length;
    const char *fitted;
};

class FitNumberRows : public ::testing::TestWithParam<FitRow> {};

TEST_P(FitNumberRows, CutsLongTextsAndZeroFillsShortOnesOnTheLeft) {
    const FitRow &r = GetParam();
    EXPECT_EQ(FitNumber(QString::fromUtf8(r.text), r.length), QString::fromUtf8(r.fitted));
}

INSTANTIATE_TEST_SUITE_P(Rows, FitNumberRows,
                         ::testing::Values(FitRow{"2", 12, "000000000002"}, FitRow{"60", 2, "60"},
                                           FitRow{"5", 2, "05"}, FitRow{"", 12, "000000000000"},
                                           FitRow{"1234567890123456", 12, "123456789012"},
                                           FitRow{"123", 2, "12"}, FitRow{"abc", 0, ""}));

TEST(ChannelSerialNumber, OnlyMultiChannelDevicesCarryTheChannelNumberInTheEighthCharacter) {
    EXPECT_EQ(ChannelSerialNumber("4711", 0, 1), "000000004711");  // one channel: unchanged
    EXPECT_EQ(ChannelSerialNumber("4711", 0, 4), "000000014711");
    EXPECT_EQ(ChannelSerialNumber("4711", 3, 4), "000000044711");
    EXPECT_EQ(ChannelSerialNumber("123456789012345", 1, 4), "123456729012");  // cut first, then replaced
    EXPECT_EQ(ChannelSerialNumber("", 7, 8), "000000080000");
}

TEST(ChannelIndexFromY, AnswersThatNameNoChannelOfTheDeviceGiveNothing) {
    EXPECT_EQ(ChannelIndexFromY("02", 4), 2);
    EXPECT_EQ(ChannelIndexFromY("030000000", 4), 3);
    EXPECT_EQ(ChannelIndexFromY("04", 4), std::nullopt);  // beyond the last channel
    EXPECT_EQ(ChannelIndexFromY("0", 4), std::nullopt);
    EXPECT_EQ(ChannelIndexFromY("0x", 4), std::nullopt);
    EXPECT_EQ(ChannelIndexFromY(QString::fromUtf8("0\u0663"), 4), std::nullopt);  // a non-ASCII digit
}

TEST(AccessCodeBytes, AlwaysEightBytesZeroFilled) {
    EXPECT_EQ(AccessCodeBytes("12345678"), QByteArray("12345678"));
    EXPECT_EQ(AccessCodeBytes("123"), QByteArray("123\0\0\0\0\0", 8));
    EXPECT_EQ(AccessCodeBytes("123456789"), QByteArray("12345678"));
    EXPECT_EQ(AccessCodeBytes(""), QByteArray(8, '\0'));
}

TEST(DayBoundaryTime, AcceptsOnlyFourDigitsOfAValidTime) {
    EXPECT_EQ(DayBoundaryTime("0600"), QTime(6, 0));
    EXPECT_EQ(DayBoundaryTime("0000"), QTime(0, 0));
    for (const char *bad : {"", "600", "2400", "0660", "06:0", "06000"}) EXPECT_EQ(DayBoundaryTime(bad), std::nullopt) << bad;
}

struct NextRow {
    const char *deviceClock;  // yymmddhhnnss
    const char *boundary;     // hhmm
    bool nextCheckSet;
    const char *next;         // yymmddhhnnss
};

class NextCheckRows : public ::testing::TestWithParam<NextRow> {};

TEST_P(NextCheckRows, FiveSecondsBeforeTheNextDayBoundary) {
    const NextRow &r = GetParam();
    const auto now = DateTimeFromClockText(r.deviceClock);
    const auto boundary = DayBoundaryTime(r.boundary);
    ASSERT_TRUE(now && boundary);
    EXPECT_EQ(ClockTextOf(NextCheckDateTime(*now, *boundary, r.nextCheckSet)), r.next);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, NextCheckRows,
    ::testing::Values(
        // 0600: still more than 6 s ahead -> the same day's 05:59:55
        NextRow{"260315055950", "0600", false, "260315055955"}, NextRow{"260315055953", "0600", false, "260315055955"},
        // Boundary - 6 s no longer later than now, or the boundary passed -> the next day
        NextRow{"260315055954", "0600", false, "260316055955"}, NextRow{"260315100000", "0600", false, "260316055955"},
        // after a set-next the device stands at 05:59:55: the next day's check, whatever the flag
        NextRow{"260315055955", "0600", true, "260316055955"},
        // midnight: first the day's own 23:59:55, after a set-next the following day's
        NextRow{"260315120000", "0000", false, "260315235955"}, NextRow{"260315235955", "0000", true, "260316235955"},
        NextRow{"260315000001", "0000", false, "260315235955"},
        // across the end of a month and a year, and a leap day
        NextRow{"261231235955", "0000", true, "270101235955"}, NextRow{"280228100000", "0600", false, "280229055955"}));

TEST(NextCheckDateTime, LocalTimeZoneOfTheInputDoesNotShiftTheResult) {
    // A local date-time on the day daylight saving starts (Europe) must not gain or lose the hour.
    const QDateTime local(QDate(2026, 3, 29), QTime(1, 0), Qt::LocalTime);
    EXPECT_EQ(ClockTextOf(NextCheckDateTime(local, QTime(6, 0), false)), "260329055955");
}

TEST(ClockText, RoundTripsAndRejectsInvalidTexts) {
    EXPECT_EQ(ClockTextOf(*DateTimeFromClockText("991231235959")), "991231235959");
    for (const char *bad : {"", "26031512000", "2603151200001", "260230120000", "261315120000", "260315246000", "26031512000x"})
        EXPECT_EQ(DateTimeFromClockText(bad), std::nullopt) << bad;
}

class LocaleTexts : public ::testing::Test {
protected:
    void TearDown() override { ResetLocaleFormats(); }
};

TEST_F(LocaleTexts, DateAndTimeShownAreReadBackInTheSameFormats) {
    const QDateTime t(QDate(2026, 3, 5), QTime(23, 59, 55), Qt::UTC);
    struct Fmt {
        const char *date, *time, *dateText, *timeText;
    };
    for (const Fmt &f : {Fmt{"dd.mm.yyyy", "hh:mm:ss", "05.03.2026", "23:59:55"},
                         Fmt{"mm/dd/yy", "hh:mm:ss", "03/05/26", "23:59:55"},
                         Fmt{"yyyy-mm-dd", "hh.mm.ss", "2026-03-05", "23.59.55"}}) {
        SetLocaleFormats({f.date, f.time, QLatin1Char('.')});
        EXPECT_EQ(LocaleDateText(t), f.dateText);
        EXPECT_EQ(LocaleTimeText(t), f.timeText);
        EXPECT_EQ(LocaleDateTime(f.dateText, f.timeText), t) << f.date;
    }
}

TEST_F(LocaleTexts, TextsThatDoNotMatchTheFormatsOrNameNoDateGiveNothing) {
    SetLocaleFormats({"dd.mm.yyyy", "hh:mm:ss", QLatin1Char('.')});
    EXPECT_EQ(LocaleDateTime("", ""), std::nullopt);
    EXPECT_EQ(LocaleDateTime("05.03.2026", ""), std::nullopt);
    EXPECT_EQ(LocaleDateTime("5.3.2026", "23:59:55"), std::nullopt);
    EXPECT_EQ(LocaleDateTime("05/03/2026", "23:59:55"), std::nullopt);
    EXPECT_EQ(LocaleDateTime("30.02.2026", "23:59:55"), std::nullopt);
    EXPECT_EQ(LocaleDateTime("05.03.2026", "24:00:00"), std::nullopt);
    EXPECT_EQ(LocaleDateTime("05.03.2026", "2a:00:00"), std::nullopt);
}

} // namespace
