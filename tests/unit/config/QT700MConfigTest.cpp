// QT-700/M configuration texts: input register 3001, the output string, the memory partition, and the
// sensor value encodings with the entries they must refuse.
#include "config/QT700MConfig.h"
#include "config/SensorScaling.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace korvul;

namespace {

// ---- inputs ----

struct InputRow {
    const char *text;
    TInputAssignment inputs;
};
class InputConfig : public ::testing::TestWithParam<InputRow> {};

TEST_P(InputConfig, PairsAtPositions11To5NameTheCounterAndCompareInput) {
    EXPECT_EQ(ParseInputConfig(QString::fromLatin1(GetParam().text)), GetParam().inputs);
}
INSTANTIATE_TEST_SUITE_P(
    Rows, InputConfig,
    ::testing::Values(InputRow{"000000000041", {1, 0}}, InputRow{"000000410042", {3, 1}},
                      InputRow{"000041420000", {4, 3}}, InputRow{"000000000000", {0, 0}},
                      InputRow{"0000000000410000", {1, 0}},  // 16 characters read, only 12 used
                      InputRow{"0000004", {0, 0}},           // short answer: no pair read past its end
                      InputRow{"", {0, 0}}));

TEST(QT700MInputs, CounterInputThreeAndCompareInputOneGiveTheDocumentedText) {
    EXPECT_EQ(BuildInputConfig({3, 1}), "000000410042");
    EXPECT_EQ(BuildInputConfig({0, 0}), "000000000000");
    EXPECT_EQ(ParseInputConfig(BuildInputConfig({2, 4})), (TInputAssignment{2, 4}));
}

TEST(QT700MInputs, AnInputUsedTwiceIsNamedAndNoInputMayRepeat) {
    EXPECT_EQ(DuplicateInput({2, 0}, {0, 2}), QChar('2'));
    EXPECT_EQ(DuplicateInput({1, 1}, {0, 0}), QChar('1'));
    EXPECT_EQ(DuplicateInput({3, 4}, {3, 4}), QChar('3')) << "the first repeated digit";
    EXPECT_TRUE(DuplicateInput({0, 0}, {0, 0}).isNull());
    EXPECT_TRUE(DuplicateInput({1, 2}, {3, 4}).isNull());
}

// ---- outputs ----

struct PairRow {
    const char *pair;
    TOutputChoice choice;
};
class OutputPairs : public ::testing::TestWithParam<PairRow> {};

TEST_P(OutputPairs, PairReadsAsFunctionAndChannelEntry) {
    EXPECT_EQ(ParseOutputPair(QString::fromLatin1(GetParam().pair)), GetParam().choice);
}
INSTANTIATE_TEST_SUITE_P(
    Rows, OutputPairs,
    ::testing::Values(PairRow{"80", {0, 0}}, PairRow{"87", {0, 7}}, PairRow{"C0", {0, 8}}, PairRow{"00", {1, 0}},
                      PairRow{"01", {1, 1}}, PairRow{"D0", {2, 0}}, PairRow{"D7", {2, 7}}, PairRow{"C1", {2, 8}},
                      PairRow{"88", {1, 0}}, PairRow{"02", {1, 0}}, PairRow{"ZZ", {1, 0}}, PairRow{"8", {1, 0}}));

TEST(QT700MOutputs, EveryChoiceTheBoxesOfferWritesThePairItWasReadFrom) {
    for (int function = 0; function <= 2; ++function)
        for (int channel = 0; channel < OutputChannelCount(function); ++channel) {
            const TOutputChoice choice{function, channel};
            EXPECT_EQ(ParseOutputPair(OutputPairText(choice)), choice) << function << "/" << channel;
        }
    EXPECT_EQ(OutputPairText({0, 8}), "C0");
    EXPECT_EQ(OutputPairText({2, 7}), "D7");
}

TEST(QT700MOutputs, OutputOneSitsAtPositions11And12AndTheFirstEightCharactersStay) {
    const QString read = QStringLiteral("ABCDEF1280C0");
    const auto outputs = ParseOutputString(read);
    EXPECT_EQ(outputs[0], (TOutputChoice{0, 8}));
    EXPECT_EQ(outputs[1], (TOutputChoice{0, 0}));
    EXPECT_EQ(BuildOutputString(read, {TOutputChoice{2, 7}, TOutputChoice{1, 1}}), "ABCDEF1201D7");
}

TEST(QT700MOutputs, AShortAnswerIsCompletedNotReadPastItsEndAndALongOneCut) {
    EXPECT_EQ(NormalizeOutputString(QStringLiteral("00000")), "000000000000");
    EXPECT_EQ(NormalizeOutputString(QStringLiteral("0000000080C0FFFF")), "0000000080C0");
    EXPECT_EQ(BuildOutputString(QStringLiteral("1234"), {TOutputChoice{0, 1}, TOutputChoice{0, 2}}), "123400008281");
}

// ---- memory ----

TEST(QT700MMemory, SameSizeSplitsEvenlyAndRoundsTiesToEven) {
    EXPECT_EQ(SameSizeShares(1000), (TShares{125, 125, 125, 125, 125, 125, 125, 125}));
    EXPECT_EQ(SameSizeShares(1001), (TShares{125, 125, 125, 125, 125, 125, 126, 125}));
    EXPECT_EQ(SharesSum(SameSizeShares(1003)), 1003);
    EXPECT_EQ(SameSizeShares(0), TShares{});
}

TEST(QT700MMemory, SharesStayWithinTheSpinLimits) {
    const TShares shares = SameSizeShares(20000);
    for (int s : shares) EXPECT_LE(s, kShareMax);
}

TEST(QT700MMemory, PartitionTextCarriesChannelIndexAndFourHexDigits) {
    EXPECT_EQ(PartitionText(2, 500), "0201F4");
    EXPECT_EQ(PartitionText(0, 0), "000000");
    EXPECT_EQ(PartitionText(7, 1260), "0704EC");
}

// ---- sensor values ----

struct EncodeRow {
    TSensor sensor;
    TSensorValue role;
    float v;
    float maximum;
    const char *text;  // nullptr: refused with `refusal`
    uint16_t refusal;
};
class SensorEncoding : public ::testing::TestWithParam<EncodeRow> {};

TEST_P(SensorEncoding, ValueTextHasItsExactLengthOrIsRefused) {
    const EncodeRow &r = GetParam();
    const TSensorText t = EncodeSensorValue(r.sensor, r.role, r.v, r.maximum);
    if (r.text) {
        EXPECT_EQ(t.Text, QString::fromLatin1(r.text));
        EXPECT_EQ(t.Text.size(), SensorTextLength(r.role));
    } else {
        EXPECT_EQ(t.Refusal, r.refusal);
        EXPECT_TRUE(t.Text.isEmpty());
    }
}

const auto P = TSensor::Pressure;
const auto T = TSensor::Temperature;
INSTANTIATE_TEST_SUITE_P(
    Rows, SensorEncoding,
    ::testing::Values(
        EncodeRow{P, TSensorValue::Maximum, 1.0f, 0, "2710FC", 0},
        EncodeRow{P, TSensorValue::Maximum, 0.5f, 0, "C350FB", 0},
        EncodeRow{P, TSensorValue::Maximum, 100.0f, 0, "2710FE", 0},
        EncodeRow{P, TSensorValue::Maximum, 10.0f, 0, "2710FD", 0},
        EncodeRow{P, TSensorValue::Lower, 10.0f, 10.0f, "2710FD", 0},  // follows the maximum's range
        EncodeRow{P, TSensorValue::Higher, 2.5f, 10.0f, "09C4FD", 0},
        EncodeRow{P, TSensorValue::Slope, 1.0f, 10.0f, "000003E8FD", 0},
        EncodeRow{P, TSensorValue::Offset, 0.0f, 0.5f, "0000FB", 0},
        EncodeRow{P, TSensorValue::Maximum, 0.6530f, 0, nullptr, kMaximumOutOfRangeText},  // gap
        EncodeRow{P, TSensorValue::Maximum, 163.791f, 0, nullptr, kMaximumOutOfRangeText},
        EncodeRow{P, TSensorValue::Maximum, -1.0f, 0, nullptr, kMaximumOutOfRangeText},
        EncodeRow{P, TSensorValue::Lower, 1.0f, 200.0f, nullptr, kMaximumOutOfRangeText},
        EncodeRow{P, TSensorValue::Lower, -0.5f, 10.0f, nullptr, kValueOutOfRangeText},
        EncodeRow{P, TSensorValue::Higher, 70.0f, 10.0f, nullptr, kValueOutOfRangeText},  // 70000 > FFFF
        EncodeRow{T, TSensorValue::Maximum, 20.0f, 0, "0B74FF", 0},
        EncodeRow{T, TSensorValue::Maximum, 60.0f, 0, "0D04FF", 0},
        EncodeRow{T, TSensorValue::Lower, -20.0f, 0, "09E4FF", 0},  // (-20 + 273.2) x 10 = 2532
        EncodeRow{T, TSensorValue::Offset, 1.5f, 0, "000FFF", 0},
        EncodeRow{T, TSensorValue::Slope, 2.0f, 0, "00000014FF", 0},
        EncodeRow{T, TSensorValue::Maximum, -300.0f, 0, nullptr, kValueOutOfRangeText},
        EncodeRow{T, TSensorValue::Offset, -1.0f, 0, nullptr, kValueOutOfRangeText}));

TEST(QT700MSensor, TiesRoundToEven) {
    // 0.25 and 0.75 are exact in single precision: 2.5 and 7.5 tenths round to 2 and 8.
    EXPECT_EQ(EncodeSensorValue(T, TSensorValue::Offset, 0.25f, 0).Text, "0002FF");
    EXPECT_EQ(EncodeSensorValue(T, TSensorValue::Offset, 0.75f, 0).Text, "0008FF");
}

TEST(QT700MSensor, PressureRangesStartAtTheirTypedLowerBoundAndLeaveGaps) {
    auto exponent = [](float m) { return PressureRangeFor(m) ? QString::fromLatin1(PressureRangeFor(m)->Exponent) : QString(); };
    EXPECT_EQ(exponent(0.0f), "FB");
    EXPECT_EQ(exponent(0.6536f), "FC") << "the typed bound in single precision belongs to its range";
    EXPECT_EQ(exponent(1.001f), "FD");
    EXPECT_EQ(exponent(65.26f), "FE");
    EXPECT_EQ(exponent(0.653f), "");
    EXPECT_EQ(exponent(1.00095f), "");
    EXPECT_EQ(exponent(65.2595f), "");
}

TEST(QT700MSensor, EntriesOtherThanPlainDecimalNumbersAreNoNumbers) {
    EXPECT_FLOAT_EQ(*ParseSensorEntry(QStringLiteral("1,5")), 1.5f);
    EXPECT_FLOAT_EQ(*ParseSensorEntry(QStringLiteral("1.5")), 1.5f);
    EXPECT_FLOAT_EQ(*ParseSensorEntry(QStringLiteral("-20")), -20.0f);
    EXPECT_FLOAT_EQ(*ParseSensorEntry(QStringLiteral(",5")), 0.5f);
    for (const char *bad : {"", "-", ",", "1,2,3", "1.2.3", "1-2", "abc", "1e5", "--1"})
        EXPECT_FALSE(ParseSensorEntry(QString::fromLatin1(bad))) << bad;
}

TEST(QT700MSensor, CurrentValuesAreShownInTheirFormats) {
    EXPECT_EQ(SensorDisplayText(P, TSensorValue::Maximum, QStringLiteral("2710FD")), " 10");
    EXPECT_EQ(SensorDisplayText(P, TSensorValue::Maximum, QStringLiteral("C350FB")), "0.5");
    EXPECT_EQ(SensorDisplayText(P, TSensorValue::Slope, QStringLiteral("17D78400F7")), "0.4");
    EXPECT_EQ(SensorDisplayText(T, TSensorValue::Maximum, QStringLiteral("0D04FF")), " 60") << "3332 x 10^-1 - 273.2";
    EXPECT_EQ(SensorDisplayText(T, TSensorValue::Offset, QStringLiteral("0000FF00")), "  0") << "only 6 characters count";
    EXPECT_EQ(SensorDisplayText(P, TSensorValue::Maximum, QStringLiteral("27")), "27") << "undecodable: as it stands";
}

} // namespace
