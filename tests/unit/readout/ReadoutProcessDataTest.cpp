// Process data: the request by type, both answer layouts, number formatting, the Ok/Er rule, the
// period rules and the clipboard text.
#include "comm/Conversions.h"
#include "readout/ProcessData.h"

#include <gtest/gtest.h>

using namespace korvul;

namespace {

QStringList Cells(const TProcessRow &row) { return QStringList(row.begin(), row.end()); }

// An answer laid out as the volume correctors send it: "ZQV" and the header fill 54 characters.
QString CorrectorAnswer(const QString &fields) {
    return QStringLiteral("/") + QStringLiteral("ZQVNX-18 9301").leftJustified(54, ' ') + fields;
}

TEST(ReadoutProcessData, RequestByTypeAndVersion) {
    EXPECT_EQ(ProcessDataRequest(91, 39), "P55");
    EXPECT_EQ(ProcessDataRequest(91, 40), "P56");
    EXPECT_EQ(ProcessDataRequest(92, 30), "P67");
    EXPECT_EQ(ProcessDataRequest(89, 1), "P67");
}

TEST(ReadoutProcessData, Type91TokensFillTheColumnsInTheirOrder) {
    const auto row = ParseType91Answer("NX-17 12:34:56 12345.6 23456.7 1.25 2.50 15.20 1.013 0.998 0.9987 00000000");
    ASSERT_TRUE(row);
    EXPECT_EQ(Cells(*row), (QStringList{"12:34:56", "12345.6", "23456.7", "0.9987", "0.998", "15.20", "1.013",
                                        "00000000", "1.25", "2.50"}));
}

TEST(ReadoutProcessData, Type91ColonAtTenAndStatusWithoutItsFirstDot) {
    const auto row = ParseType91Answer("NX-17   9:05:01  1 2 3 4 5 6 7 8 1.2.");
    ASSERT_TRUE(row);
    EXPECT_EQ((*row)[0], "9:05:01");
    EXPECT_EQ((*row)[7], "12.");
    EXPECT_EQ((*row)[3], "8");
}

TEST(ReadoutProcessData, Type91WithoutColonAtNineOrTenAddsNothing) {
    EXPECT_FALSE(ParseType91Answer("NX-17 no time here"));
    EXPECT_FALSE(ParseType91Answer("NX 1:34:56 1 2 3"));
    EXPECT_FALSE(ParseType91Answer(""));
}

TEST(ReadoutProcessData, Type91ShortAnswerLeavesMissingColumnsEmpty) {
    const auto row = ParseType91Answer("NX-17 12:34:56 1.5");
    ASSERT_TRUE(row);
    EXPECT_EQ((*row)[1], "1.5");
    EXPECT_EQ((*row)[3], "");
    EXPECT_EQ((*row)[7], "");
}

TEST(ReadoutProcessData, CorrectorFieldsFormattedAndKelvinShownInCelsius) {
    SetLocaleFormats({"dd.mm.yyyy", "hh:mm:ss", QLatin1Char('.')});
    const QString answer = CorrectorAnswer("240517123456,1234560D-1,2345670D-1,28815D-2,01013D-3,09980D-4,"
                                           "10150D-4,80000000,01250D-2,01500D-2,%");
    const auto row = ParseOtherAnswer(answer, 93, 1);
    ResetLocaleFormats();
    ASSERT_TRUE(row);
    EXPECT_EQ(Cells(*row), (QStringList{"12:34:56", "123456.0", "234567.0", "1.0150", "0.9980", "15.00", "1.013",
                                        "80000000", "12.50", "15.00"}));
}

TEST(ReadoutProcessData, OldType92HasNoFlowRates) {
    const QString answer = CorrectorAnswer("240517123456,1D-1,2D-1,27315D-2,1D-3,1D-4,1D-4,00000000,5D-2,6D-2,%");
    const auto row = ParseOtherAnswer(answer, 92, 39);
    ASSERT_TRUE(row);
    EXPECT_EQ((*row)[8], "");
    EXPECT_EQ((*row)[9], "");
    EXPECT_EQ(ParseOtherAnswer(answer, 92, 40).value()[8], "0.05");
}

TEST(ReadoutProcessData, CorrectorAnswerWithoutManufacturerAddsNothingAndGarbageRaises) {
    EXPECT_FALSE(ParseOtherAnswer("no header at all", 93, 1));
    EXPECT_THROW(ParseOtherAnswer(CorrectorAnswer("240517123456,1X-1,,,"), 93, 1), TConversionError);
}

TEST(ReadoutProcessData, DeviceNumberFormatFollowsItsExponent) {
    EXPECT_EQ(FormatDeviceNumber("12345D-3"), "12.345");
    EXPECT_EQ(FormatDeviceNumber("12:345D-3"), "12.345");
    EXPECT_EQ(FormatDeviceNumber("-12345D-2"), "-123.45");
    EXPECT_EQ(FormatDeviceNumber("123D2"), "12300.00");
    EXPECT_EQ(FormatDeviceNumber("123D0"), "123.00");
    EXPECT_EQ(FormatDeviceNumber("42"), "42.00");
    EXPECT_EQ(FormatDeviceNumber("28815D-2", -273.15), "15.00");
    EXPECT_EQ(FormatDeviceNumber("12345D-3", 0, QLatin1Char(',')), "12,345");
    for (const char *bad : {"", "D-3", "12E-3", "1.2.3D1", "12D", "abc"})
        EXPECT_THROW(FormatDeviceNumber(bad), TConversionError) << bad;
}

// A garbled exponent must not ask for millions of decimals (it allocated gigabytes).
TEST(ReadoutProcessData, AbsurdNegativeExponentShowsAtMostFifteenDecimals) {
    EXPECT_EQ(FormatDeviceNumber("0D-1640517123"), "0.000000000000000");
    EXPECT_EQ(FormatDeviceNumber("5D-20"), "0.000000000000000");
    EXPECT_EQ(FormatDeviceNumber("123456789012345D-15"), "0.123456789012345");
}

TEST(ReadoutProcessData, StatusOkOnlyForZeroSumOrTheRunningBit) {
    EXPECT_EQ(StatusCheck("80000000"), "Ok");
    EXPECT_EQ(StatusCheck("00000000"), "Ok");
    EXPECT_EQ(StatusCheck("0"), "Ok");
    EXPECT_EQ(StatusCheck("00000010"), "Er");
    EXPECT_EQ(StatusCheck("80000001"), "Er");
    EXPECT_EQ(StatusCheck("3"), "Er");
    EXPECT_EQ(StatusCheck("0000000x"), "Er");
    EXPECT_EQ(StatusCheck("0000000a"), "Er");
}

TEST(ReadoutProcessData, ShownColumnsThroughTheColumnOrder) {
    TProcessRow raw;
    for (int c = 0; c < kRawColumns; ++c) raw[size_t(c)] = QString::number(c);
    const auto counters = ShownRow(raw, kCounterOrder);
    const auto flow = ShownRow(raw, kFlowRateOrder);
    EXPECT_EQ(QStringList(counters.begin(), counters.end()), (QStringList{"0", "1", "2", "3", "4", "5", "6", "7"}));
    EXPECT_EQ(QStringList(flow.begin(), flow.end()), (QStringList{"0", "8", "9", "3", "4", "5", "6", "7"}));
}

// Every type with process data has the same units per raw column; a type without process data has
// none (its window never opens, but a title must not claim a unit).
TEST(ReadoutProcessData, UnitsOfTheRawColumnsByDeviceType) {
    const QStringList corrector{"", "m³", "m³", "bar", "", "°C", "", "", "m³/h", "m³/h"};
    for (int type : {89, 90, 91, 92, 93, 95}) {
        QStringList units;
        for (int c = 0; c < kRawColumns; ++c) units << ProcessDataUnit(type, c);
        EXPECT_EQ(units, corrector) << type;
    }
    for (int type : {24, 42, 84, 94})
        for (int c = 0; c < kRawColumns; ++c) EXPECT_TRUE(ProcessDataUnit(type, c).isEmpty()) << type << " " << c;
    EXPECT_TRUE(ProcessDataUnit(92, -1).isEmpty());
    EXPECT_TRUE(ProcessDataUnit(92, kRawColumns).isEmpty());
    EXPECT_EQ(TitleWithUnit("Volume", "m³"), "Volume\n[m³]");
    EXPECT_EQ(TitleWithUnit("Time", ""), "Time");
}

TEST(ReadoutProcessData, PeriodWhenTheWindowOpens) {
    EXPECT_EQ(InitialPeriod(93, 3), 5);
    EXPECT_EQ(InitialPeriod(91, 7), 10);
    EXPECT_EQ(InitialPeriod(91, 12), 12);
    EXPECT_EQ(InitialPeriod(93, 7), 7);
    EXPECT_EQ(InitialPeriod(93, 15), 15);
    EXPECT_EQ(InitialPeriod(93, 250), 99);
}

TEST(ReadoutProcessData, AppliedPeriodOutOfRangeNamesTheRangeAndIsHeld) {
    auto check = [](int type, int value, int period, std::optional<std::pair<int, int>> range) {
        const TPeriodCheck c = CheckPeriod(type, value);
        EXPECT_EQ(c.Period, period) << type << " " << value;
        EXPECT_EQ(c.Range, range) << type << " " << value;
    };
    check(93, 120, 99, std::pair{5, 99});
    check(93, 3, 5, std::pair{5, 99});
    check(91, 7, 10, std::pair{10, 99});
    check(91, 120, 99, std::pair{5, 99});
    check(93, 5, 5, std::nullopt);
    check(91, 10, 10, std::nullopt);
    check(93, 99, 99, std::nullopt);
}

TEST(ReadoutProcessData, CopyTextEndsEveryCellWithTheSeparatorAndEveryRowWithCrLf) {
    EXPECT_EQ(CopyText({"T", "V"}, {{"1", "2"}, {"3", ""}}, QLatin1Char('\t')), "T\tV\t\r\n1\t2\t\r\n3\t\t\r\n");
    EXPECT_EQ(CopyText({"T"}, {}, QLatin1Char(';')), "T;\r\n");
}

} // namespace
