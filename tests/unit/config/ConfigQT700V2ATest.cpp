// Parsing and rebuilding the configuration strings of the QT-700/V, /V2 and /A.
#include "config/QT700AConfig.h"
#include "config/QT700V2Config.h"

#include <gtest/gtest.h>
#include <stdexcept>

using namespace korvul;

namespace {

// ---- QT-700/V and /V2: reading ----

struct V2ParseCase {
    const char *config;
    int deviceFunction;
    int subChoice;  // -1: none
    int out1Function;  // -1: left as it was
    const char *out1Channel;
    int out2Function;
    const char *out2Channel;
};

class V2ParseTest : public ::testing::TestWithParam<V2ParseCase> {};

TEST_P(V2ParseTest, PositionsGiveDeviceFunctionAndOutputs) {
    const V2ParseCase &c = GetParam();
    const TV2Config parsed = ParseV2Config(QString::fromLatin1(c.config));
    EXPECT_EQ(parsed.device.function, c.deviceFunction);
    EXPECT_EQ(parsed.device.subChoice.value_or(-1), c.subChoice);
    EXPECT_EQ(parsed.output1.function.value_or(-1), c.out1Function);
    EXPECT_EQ(parsed.output1.channel, QString::fromLatin1(c.out1Channel));
    EXPECT_EQ(parsed.output2.function.value_or(-1), c.out2Function);
    EXPECT_EQ(parsed.output2.channel, QString::fromLatin1(c.out2Channel));
}

INSTANTIATE_TEST_SUITE_P(
    Strings, V2ParseTest,
    ::testing::Values(
        V2ParseCase{"90000000C201", 0, 1, 1, "P2", 2, ""},   // the default
        V2ParseCase{"80000000C0D5", 0, 0, 3, "S2", 0, "OR"},
        V2ParseCase{"4000000085c1", 1, 0, 3, "60", 0, "S2"},  // "c" matches like "C"
        V2ParseCase{"2000000000C2", 1, 1, 2, "", 1, "P1"},
        V2ParseCase{"50000000D383", 2, 0, 0, "P4", 3, "P4"},
        V2ParseCase{"30000000C2C2", 2, 1, 2, "", 2, ""},
        V2ParseCase{"60000000C2C2", 3, -1, 2, "", 2, ""},    // 6 and 7 are no function of their own
        V2ParseCase{"70000000C2C2", 3, -1, 2, "", 2, ""},
        V2ParseCase{"00000000C2C2", 3, -1, 2, "", 2, ""},
        V2ParseCase{"90000000X1d3", 0, 1, -1, "", -1, ""},   // unknown first characters; "d" is no "D"
        V2ParseCase{"900000008906", 0, 1, 1, "", 0, ""},     // digits outside 0..5 name no channel
        V2ParseCase{"90000000C5C9", 0, 1, -1, "", -1, ""},   // a C pair other than C0..C2
        // Short answers are completed from the default, never read past their end.
        V2ParseCase{"", 0, 1, 1, "P2", 2, ""},
        V2ParseCase{"4", 1, 0, 1, "P2", 2, ""},
        V2ParseCase{"5000000085", 2, 0, 1, "P2", 0, "S2"},
        V2ParseCase{"50000000855", 2, 0, -1, "", 0, "S2"}));  // position 11 as sent

// ---- QT-700/V and /V2: writing ----

TV2Choice Choice(int deviceFunction, int sub, int f1, int k1, int f2, int k2) {
    TV2Choice c;
    c.deviceFunction = deviceFunction;
    c.subChoice = sub;
    c.output1 = {f1, k1, true};
    c.output2 = {f2, k2, true};
    return c;
}

struct V2RebuildCase {
    const char *read;
    TV2Choice choice;
    const char *written;
};

class V2RebuildTest : public ::testing::TestWithParam<V2RebuildCase> {};

TEST_P(V2RebuildTest, ChoicesReplaceTheirPositionsAndKeepTheRest) {
    const V2RebuildCase &c = GetParam();
    EXPECT_EQ(RebuildV2Config(QString::fromLatin1(c.read), c.choice), QString::fromLatin1(c.written));
}

INSTANTIATE_TEST_SUITE_P(
    Strings, V2RebuildTest,
    ::testing::Values(
        // The default read back unchanged gives the same string (nothing to write).
        V2RebuildCase{"90000000C201", Choice(0, 1, 1, 1, 2, -1), "90000000C201"},
        V2RebuildCase{"9A12345600C2", Choice(0, 0, 0, 6, 3, 7), "8A123456C1C0"},  // positions 2..8 kept
        V2RebuildCase{"9A12345600C2", Choice(1, 0, 0, 4, 1, 5), "4A1234560584"},
        V2RebuildCase{"9A12345600C2", Choice(1, 1, 3, 5, 0, 0), "2A12345680D5"},
        V2RebuildCase{"9A12345600C2", Choice(2, 0, 2, -1, 2, -1), "5A123456C2C2"},
        V2RebuildCase{"9A12345600C2", Choice(2, 1, 0, 3, 0, 3), "3A1234568383"},
        // No special function writes "00" into positions 1 and 2.
        V2RebuildCase{"9A12345600C2", Choice(3, 1, 0, 0, 0, 0), "001234568080"},
        V2RebuildCase{"7B12345600C2", Choice(3, 0, 0, 0, 0, 0), "001234568080"},
        // Combinations without a pair leave the pair as it was: limit on OR/60, sync on OR, pulse on 60,
        // an output function that is not set, and a channel box that is off (-1) for pulse and limit.
        V2RebuildCase{"90000000D383", Choice(0, 1, 1, 6, 1, 7), "90000000D383"},
        V2RebuildCase{"90000000D383", Choice(0, 1, 3, 6, 0, 7), "90000000D383"},
        V2RebuildCase{"90000000D383", Choice(0, 1, -1, 2, 0, -1), "90000000D383"},
        V2RebuildCase{"90000000D383", Choice(0, 1, 1, -1, 3, -1), "90000000D383"},
        // A short answer is completed from the default before its positions are written.
        V2RebuildCase{"5", Choice(2, 0, 0, 1, 2, -1), "50000000C281"},
        V2RebuildCase{"50000000", Choice(2, 0, 1, 1, 2, -1), "50000000C201"},
        // A longer answer keeps what follows position 12.
        V2RebuildCase{"90000000C201XYZ", Choice(0, 0, 1, 1, 2, -1), "80000000C201XYZ"}));

TEST(V2RebuildTest, OutputLeftUnrebuiltKeepsItsPairWhateverTheControlsHold) {
    TV2Choice c = Choice(0, 1, 0, 0, 0, 0);
    c.output2.rebuild = false;
    EXPECT_EQ(RebuildV2Config(QStringLiteral("90000000c5x1"), c), QStringLiteral("90000000c580"));
}

TEST(V2OfferedChannelsTest, ChannelBoxesOfferWhatOutputAndDeviceFunctionAllow) {
    auto offered = [](int out, int dev, int sum) { return OfferedChannels(out, dev, sum).join(' ').toStdString(); };
    EXPECT_EQ(offered(kOutPulse, kDevFuncSum, 0), "P1 P2 P3 P4 OR");
    EXPECT_EQ(offered(kOutPulse, kDevFuncSum, 1), "P1 P2 P3 P4 S1 OR");
    EXPECT_EQ(offered(kOutLimit, kDevFuncSwitchInput, 0), "P1 P2 P3 P4 S1 S2");
    EXPECT_EQ(offered(kOutSync, kDevFuncSwitchTimes, 1), "P1 P2 P3 P4 S1 60");
    EXPECT_EQ(offered(kOutSync, kDevFuncNone, 1), "P1 P2 P3 P4 60");
    EXPECT_EQ(offered(kOutOff, kDevFuncSwitchInput, 0), "");
    EXPECT_EQ(offered(-1, kDevFuncNone, 0), "P1 P2 P3 P4 S1 S2 OR 60");
}

// Every channel a box offers can be written and read back as the same output and channel.
TEST(V2OfferedChannelsTest, EveryOfferedChannelSurvivesWriteAndRead) {
    for (int dev : {0, 1, 2, 3})
        for (int out : {kOutPulse, kOutLimit, kOutSync})
            for (const QString &code : OfferedChannels(out, dev, 1)) {
                const std::optional<QString> pair = OutputPair(out, ChannelCodeIndex(code));
                ASSERT_TRUE(pair.has_value()) << out << " " << code.toStdString();
                const TV2Output back = ParseOutputPair((*pair)[0], (*pair)[1]);
                EXPECT_EQ(back.function.value_or(-1), out) << pair->toStdString();
                EXPECT_EQ(back.channel, code) << pair->toStdString();
            }
}

TEST(V2SwitchTimeTest, EditTextBecomesFourDigitsWithBlanksAsZero) {
    EXPECT_EQ(SwitchTimeForEdit(QStringLiteral("0600")), QStringLiteral("06:00"));
    EXPECT_EQ(SwitchTimeForEdit(QStringLiteral("7")), QStringLiteral("7"));
    EXPECT_EQ(SwitchTimeForDevice(QStringLiteral("07:3_")), QStringLiteral("0730"));
    EXPECT_EQ(SwitchTimeForDevice(QStringLiteral("_7:30")), QStringLiteral("0730"));
    EXPECT_EQ(SwitchTimeForDevice(QStringLiteral(" 7:30")), QStringLiteral("0730"));
    EXPECT_EQ(SwitchTimeForDevice(QStringLiteral("__:__")), QStringLiteral("0000"));
    EXPECT_EQ(SwitchTimeForDevice(QStringLiteral("22:15")), QStringLiteral("2215"));
}

TEST(V2ReadingNumberTest, RegisterTextIsTwoCapitalHexDigitsAndNonHexIsRefused) {
    EXPECT_EQ(ReadingNumberText(1), QStringLiteral("01"));
    EXPECT_EQ(ReadingNumberText(171), QStringLiteral("AB"));
    EXPECT_EQ(ReadingNumberText(255), QStringLiteral("FF"));
    EXPECT_EQ(ParseReadingNumber(QStringLiteral("0A")), 10);
    EXPECT_EQ(ParseReadingNumber(QStringLiteral("ff")), 255);
    for (const char *bad : {"", "G1", "-1", "1 2"})
        EXPECT_THROW(ParseReadingNumber(QString::fromLatin1(bad)), std::invalid_argument) << bad;
}

// ---- QT-700/A ----

struct AParseCase {
    const char *config;
    bool sum, st3, st4;
};

class AParseTest : public ::testing::TestWithParam<AParseCase> {};

TEST_P(AParseTest, SumDigitAndStatusBits) {
    const AParseCase &c = GetParam();
    const TAConfig parsed = ParseAConfig(QString::fromLatin1(c.config));
    EXPECT_EQ(parsed.sumChannel, c.sum);
    EXPECT_EQ(parsed.statusCh3, c.st3);
    EXPECT_EQ(parsed.statusCh4, c.st4);
}

INSTANTIATE_TEST_SUITE_P(Strings, AParseTest,
                         ::testing::Values(AParseCase{"8000000080C0", true, false, false},
                                           AParseCase{"8050", true, false, false},  // sum wins; bits not looked at
                                           AParseCase{"0010", false, true, false},
                                           AParseCase{"0040", false, false, true},
                                           AParseCase{"0050", false, true, true},
                                           AParseCase{"00FF", false, true, true},   // other bits ignored
                                           AParseCase{"0F2A", false, false, false},
                                           AParseCase{"9050", false, true, true},   // 9 is no sum
                                           AParseCase{"00X0", false, false, false},  // not hexadecimal
                                           AParseCase{"001", false, false, false},   // shorter than 4
                                           AParseCase{"", false, false, false}));

TEST(ARebuildTest, FirstFourPositionsFromChoicesRestAsRead) {
    const QString read = QStringLiteral("8000000080C0ABCDEFGHI");
    EXPECT_EQ(RebuildAConfig(read, {true, false, false}), QStringLiteral("8000000080C0ABCDEFGHI"));
    EXPECT_EQ(RebuildAConfig(read, {false, true, false}), QStringLiteral("0010000080C0ABCDEFGHI"));
    EXPECT_EQ(RebuildAConfig(read, {false, false, true}), QStringLiteral("0040000080C0ABCDEFGHI"));
    EXPECT_EQ(RebuildAConfig(read, {false, true, true}), QStringLiteral("0050000080C0ABCDEFGHI"));
    EXPECT_EQ(RebuildAConfig(read, {false, false, false}), QStringLiteral("0000000080C0ABCDEFGHI"));
    EXPECT_EQ(RebuildAConfig(QStringLiteral("80"), {false, true, true}), QStringLiteral("0050"));
    EXPECT_EQ(KeepAConfig(QStringLiteral("0123456789ABCDEFGHIJKLMN")), QStringLiteral("0123456789ABCDEFGHIJK"));
}

TEST(AEnablingTest, SumAndStatusChannelsExcludeEachOther) {
    TAEnabling e = AEnabling({true, true, true});  // a click on the sum box clears the status boxes
    EXPECT_TRUE(e.sumEnabled);
    EXPECT_FALSE(e.statusEnabled);
    EXPECT_FALSE(e.statusCh3 || e.statusCh4);
    e = AEnabling({false, false, true});
    EXPECT_FALSE(e.sumEnabled);
    EXPECT_TRUE(e.statusEnabled);
    EXPECT_TRUE(e.statusCh4);
    e = AEnabling({false, false, false});
    EXPECT_TRUE(e.sumEnabled);
    EXPECT_TRUE(e.statusEnabled);
}

} // namespace
