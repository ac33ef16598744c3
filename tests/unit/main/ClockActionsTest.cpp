#include "main/ClockActions.h"

#include <gtest/gtest.h>

using namespace korvul;

namespace {

struct CorrectionCase {
    const char *entered;
    const char *written;
};

class ClockCorrectionTest : public ::testing::TestWithParam<CorrectionCase> {};

TEST_P(ClockCorrectionTest, MeasuredPeriodGivesTwosComplementHexCorrection) {
    const auto period = ParseMeasuredPeriod(QString::fromLatin1(GetParam().entered));
    ASSERT_TRUE(period.has_value()) << GetParam().entered;
    EXPECT_EQ(RtcCorrectionText(*period), QString::fromLatin1(GetParam().written));
}

INSTANTIATE_TEST_SUITE_P(Periods, ClockCorrectionTest,
                         ::testing::Values(CorrectionCase{"1000.0100", "000186A0"},
                                           CorrectionCase{"999.9900", "FFFE7960"},
                                           CorrectionCase{"1000.0000", "00000000"},
                                           CorrectionCase{"1000", "00000000"},
                                           CorrectionCase{"1000,0100", "000186A0"},  // comma as decimal point
                                           CorrectionCase{"1000.0001", "00989680"},  // smallest step: 10^7
                                           CorrectionCase{"999.9999", "FF676980"},
                                           CorrectionCase{"1001", "000003E8"},
                                           CorrectionCase{"999", "FFFFFC18"}));

TEST(ClockCorrectionTest, TextsThatAreNoPeriodAreRefusedInsteadOfWrittenAsZero) {
    for (const char *text : {"", "abc", "1000.00001", "-5", "1.2.3", "1000;0"})
        EXPECT_FALSE(ParseMeasuredPeriod(QString::fromLatin1(text)).has_value()) << text;
}

TEST(ClockCorrectionTest, ReadBackIsSignedAndZeroSafe) {
    EXPECT_DOUBLE_EQ(RtcReadBackValue(QStringLiteral("000186A0")), 0.01);
    EXPECT_DOUBLE_EQ(RtcReadBackValue(QStringLiteral("FFFE7960")), -0.01);
    EXPECT_DOUBLE_EQ(RtcReadBackValue(QStringLiteral("00000000")), 0.0);
    EXPECT_DOUBLE_EQ(RtcReadBackValue(QStringLiteral("zz")), 0.0);
}

TEST(ClockSetTimeTest, SecondsAreAlwaysZeroAndInvalidInputIsRefused) {
    EXPECT_EQ(DeviceClockText(QDate(2026, 12, 7), QStringLiteral("09:41")), QStringLiteral("261207094100"));
    EXPECT_EQ(DeviceClockText(QDate(2030, 1, 2), QStringLiteral("23:59")), QStringLiteral("300102235900"));
    EXPECT_FALSE(DeviceClockText(QDate(2026, 12, 7), QStringLiteral("24:00")).has_value());
    EXPECT_FALSE(DeviceClockText(QDate(2026, 12, 7), QStringLiteral("12:__")).has_value());
    EXPECT_FALSE(DeviceClockText(QDate(), QStringLiteral("12:00")).has_value());
}

TEST(ClockSetTimeTest, DateFieldFollowsTheLocaleOrderWithTwoDigitFields) {
    EXPECT_EQ(TwoDigitDateFormat(QStringLiteral("d.M.yyyy")), QStringLiteral("dd.MM.yy"));
    EXPECT_EQ(TwoDigitDateFormat(QStringLiteral("M/d/yy")), QStringLiteral("MM/dd/yy"));
    EXPECT_EQ(TwoDigitDateFormat(QStringLiteral("yyyy-MM-dd")), QStringLiteral("yy-MM-dd"));
    EXPECT_EQ(ParseTwoDigitDate(QStringLiteral("02.01.30"), QStringLiteral("dd.MM.yy")), QDate(2030, 1, 2));
    EXPECT_FALSE(ParseTwoDigitDate(QStringLiteral("31.02.30"), QStringLiteral("dd.MM.yy")).isValid());
}

TEST(ClockAccessCodeTest, TypingFilterStopsBelowSpaceAndAtTilde) {
    EXPECT_TRUE(IsAccessCodeChar(QLatin1Char(' ')));
    EXPECT_TRUE(IsAccessCodeChar(QLatin1Char('}')));
    EXPECT_FALSE(IsAccessCodeChar(QLatin1Char('~')));
    EXPECT_FALSE(IsAccessCodeChar(QChar(31)));
    EXPECT_FALSE(IsAccessCodeChar(QChar(0xE4)));
}

TEST(ClockAccessCodeTest, VerifyFieldAndSetFollowTheEntries) {
    EXPECT_FALSE(NdacEnabling({}, {}).verifyEnabled);
    EXPECT_FALSE(NdacEnabling({}, QStringLiteral("x")).setEnabled);
    EXPECT_TRUE(NdacEnabling(QStringLiteral("a"), {}).verifyEnabled);
    EXPECT_FALSE(NdacEnabling(QStringLiteral("a"), {}).setEnabled);
    EXPECT_TRUE(NdacEnabling(QStringLiteral("a"), QStringLiteral("b")).setEnabled);
}

TEST(ClockAccessCodeTest, SetRefusesDifferentOrShortCodes) {
    EXPECT_EQ(NdacRefusal(QStringLiteral("1234567"), QStringLiteral("1234567")), 912);
    EXPECT_EQ(NdacRefusal(QStringLiteral("12345678"), QStringLiteral("12345679")), 910);
    EXPECT_EQ(NdacRefusal(QStringLiteral("12345678"), QStringLiteral("12345678")), 0);
}

} // namespace
