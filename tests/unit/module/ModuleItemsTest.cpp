#include "module/ModuleItems.h"

#include "comm/StrList.h"

#include <gtest/gtest.h>

using namespace korvul;

namespace {

QString L(const char *s) { return QString::fromLatin1(s); }

// ---- Device type codes --------------------------------------------------------------------------------

struct TypeCase {
    const char *code;
    const char *name;
};
class ModuleTypeCodeTest : public ::testing::TestWithParam<TypeCase> {};

TEST_P(ModuleTypeCodeTest, CodeGivesItsNameAndAnythingElseUnknown) {
    EXPECT_EQ(ModuleDeviceTypeName(L(GetParam().code)), L(GetParam().name));
}

INSTANTIATE_TEST_SUITE_P(
    Codes, ModuleTypeCodeTest,
    ::testing::Values(TypeCase{"04", "QT-700/N"}, TypeCase{"01", "QT-700/N"}, TypeCase{"13", "QT-700/B"},
                      TypeCase{"23", "QT-700/V"}, TypeCase{"24", "QT-700/V2"}, TypeCase{"25", "QT-700/V3"},
                      TypeCase{"31", "QT-700/E"}, TypeCase{"41", "QT-700/A"}, TypeCase{"42", "QT-700/M"},
                      TypeCase{"84", "KP-40/T"}, TypeCase{"89", "NX-18SPEC"}, TypeCase{"90", "NX-16"},
                      TypeCase{"91", "NX-17"}, TypeCase{"95", "NX-17"}, TypeCase{"93", "NX-18"},
                      TypeCase{"94", "NX-20"}, TypeCase{"00", "Unknown"}, TypeCase{"99", "Unknown"},
                      TypeCase{"x1", "Unknown"}, TypeCase{"05", "Unknown"}, TypeCase{"", "Unknown"},
                      TypeCase{" 4", "Unknown"}, TypeCase{"-4", "Unknown"}));

// ---- Item "h" -----------------------------------------------------------------------------------------

// Record 1: a QT-700/V2 version 6.1, switch on, CTS off, first protocol, 9600 E 7 1, time-out 3.
QString Channel1() { return L(" ") + PadField(L("Pump station"), 30) + L("24611" "0D09600E713"); }
// Record 2 "0.0", record 3 an NX-17 at 19200 with the second protocol and CTS, record 4 blank.
QString ItemH() {
    return Channel1() + L(" ") + PadField(QString(), 30) + L("00000") + PadField(QString(), 11) + L(" ") +
           PadField(L("Meter hall"), 30) + L("9510" "01A19200N824") + PadField(QString(), 47);
}

TEST(ModuleChannelTest, RecordFieldsComeFromTheirPositions) {
    const TModuleChannel c = ParseChannel(ItemH(), 1);
    EXPECT_EQ(TrimRight(c.Designation), L("Pump station"));
    EXPECT_EQ(c.TypeName, L("QT-700/V2"));
    EXPECT_EQ(c.Version, L("6.1"));
    EXPECT_TRUE(ChannelConnectable(c));
    EXPECT_TRUE(c.ConfSwitch);
    EXPECT_FALSE(c.Cts);
    EXPECT_EQ(c.Protocol, QLatin1Char('D'));
    EXPECT_EQ(c.Baud, 9600);
    EXPECT_EQ(c.Parity, QLatin1Char('E'));
    EXPECT_EQ(c.DataBits, 7);
    EXPECT_EQ(c.StopBits, 1);
    EXPECT_EQ(c.Timeout, 3);

    const TModuleChannel nx = ParseChannel(ItemH(), 3);
    EXPECT_EQ(nx.TypeName, L("NX-17"));
    EXPECT_EQ(nx.Baud, 19200);
    EXPECT_EQ(nx.Protocol, QLatin1Char('A'));
    EXPECT_TRUE(nx.Cts);
    EXPECT_EQ(nx.Timeout, 4);
}

TEST(ModuleChannelTest, VersionZeroOrBlankCannotBeSwitchedThrough) {
    EXPECT_FALSE(ChannelConnectable(ParseChannel(ItemH(), 2)));  // "0.0"
    const TModuleChannel blank = ParseChannel(ItemH(), 4);
    EXPECT_FALSE(ChannelConnectable(blank));
    EXPECT_TRUE(blank.Version.isEmpty());
    EXPECT_EQ(blank.Baud, -1);  // blanks select no list entry
}

TEST(ModuleChannelTest, ShortItemGivesEmptyFieldsInsteadOfReadingPastTheEnd) {
    const TModuleChannel c = ParseChannel(Channel1().left(40), 1);
    EXPECT_EQ(c.Baud, -1);  // "096" cut short is no baud rate of the list
    EXPECT_TRUE(c.Parity.isNull());
    EXPECT_EQ(c.Timeout, -1);
    EXPECT_TRUE(ParseChannel(Channel1(), 2).Designation.isEmpty());
}

TEST(ModuleChannelTest, WriteRecordIs41CharactersWithTheProtocolLast) {
    TModuleChannel c;
    c.Designation = L("Pump");
    c.Baud = 9600;
    c.Parity = QLatin1Char('E');
    c.DataBits = 8;
    c.StopBits = 1;
    c.Timeout = 3;
    c.Protocol = QLatin1Char('D');
    const QString record = ChannelRecord(2, c);
    EXPECT_EQ(record, L("2Pump") + QString(26, QLatin1Char(' ')) + L("09600E813D"));
    EXPECT_EQ(record.size(), 41);

    c.Parity = QLatin1Char('O');
    c.Baud = 19200;
    c.Protocol = QLatin1Char('A');
    EXPECT_TRUE(ChannelRecord(4, c).endsWith(L("19200O813A")));
}

TEST(ModuleChannelTest, ReadThenWriteKeepsTheSettingsOfTheChannel) {
    const QString record = ChannelRecord(1, ParseChannel(ItemH(), 1));
    EXPECT_EQ(record, L("1") + Channel1().mid(1, 30) + L("09600E713D"));
}

// ---- Item "i" -----------------------------------------------------------------------------------------

const char *const kModem = "09600E81" "353" "3" "10" "2" "0800" "1730" "0000" "2359" "P";

TEST(ModuleModemTest, FieldsAndCallWindows) {
    const TModuleModem m = ParseModem(L(kModem));
    EXPECT_EQ(m.Baud, 9600);
    EXPECT_EQ(m.Parity, QLatin1Char('E'));
    EXPECT_EQ(m.DataBits, 8);
    EXPECT_EQ(m.StopBits, 1);
    EXPECT_EQ(m.CharTimeout, 3);
    EXPECT_EQ(m.ResponseTimeout, 5);
    EXPECT_EQ(m.CarrierTimeout, 3);
    EXPECT_EQ(m.Attempts, 3);
    EXPECT_EQ(m.CycleMinutes, 10);
    EXPECT_EQ(m.Rings, 2);
    EXPECT_EQ(CallWindowText(m.Caw1Begin), L("08:00"));
    EXPECT_EQ(CallWindowText(m.Caw1End), L("17:30"));
    EXPECT_EQ(m.DialMethod, QLatin1Char('P'));
    EXPECT_EQ(ModemRecord(m), L(kModem));
}

TEST(ModuleModemTest, ChangedAttemptsAloneChangeOnlyTheirPosition) {
    TModuleModem m = ParseModem(L(kModem));
    m.Attempts = 7;
    const QString record = ModemRecord(m);
    ASSERT_EQ(record.size(), kModemRecordLength);
    EXPECT_EQ(record.at(11), QLatin1Char('7'));
    EXPECT_EQ(record.left(11) + record.mid(12), L(kModem).left(11) + L(kModem).mid(12));
}

TEST(ModuleModemTest, ValuesTooLargeForTheirFieldKeepTheRecordLayout) {
    TModuleModem m = ParseModem(L(kModem));
    m.CharTimeout = 10;   // the field has one digit
    m.CycleMinutes = 5;   // two digits with a leading zero
    m.Baud = 38400;
    const QString record = ModemRecord(m);
    EXPECT_EQ(record.size(), kModemRecordLength);
    EXPECT_EQ(record.left(9), L("38400E819"));
    EXPECT_EQ(record.mid(12, 2), L("05"));
}

struct CawCase {
    const char *shown;
    const char *field;  // "" for rejected
};
class CallWindowTest : public ::testing::TestWithParam<CawCase> {};

TEST_P(CallWindowTest, OnlyTimesOfDayAreAccepted) {
    const auto f = CallWindowField(L(GetParam().shown));
    if (*GetParam().field) {
        ASSERT_TRUE(f.has_value()) << GetParam().shown;
        EXPECT_EQ(*f, L(GetParam().field));
    } else {
        EXPECT_FALSE(f.has_value()) << GetParam().shown;
    }
}

INSTANTIATE_TEST_SUITE_P(Times, CallWindowTest,
                         ::testing::Values(CawCase{"08:00", "0800"}, CawCase{"8:05", "0805"},
                                           CawCase{"23:59", "2359"}, CawCase{"00:00", "0000"},
                                           CawCase{"24:00", ""}, CawCase{"12:60", ""}, CawCase{"12:5", ""},
                                           CawCase{"1200", ""}, CawCase{"ab:cd", ""}, CawCase{"", ""},
                                           CawCase{"-1:00", ""}, CawCase{"123:00", ""}));

// ---- Items "j", "l", "m" -----------------------------------------------------------------------------

TEST(ModuleHqTest, DesignationAndPhoneTrimmedAndWrittenAt30And25) {
    const QString itemJ = L(" ") + PadField(L("Office"), 30) + PadField(L("0123 456"), 25) + L(" ") +
                          PadField(L("Night"), 30) + PadField(QString(), 25);
    EXPECT_EQ(ParseHq(itemJ, 1).Designation, L("Office"));
    EXPECT_EQ(ParseHq(itemJ, 1).Phone, L("0123 456"));
    EXPECT_EQ(ParseHq(itemJ, 2).Designation, L("Night"));
    EXPECT_TRUE(ParseHq(itemJ, 3).Designation.isEmpty());
    const QString record = HqRecord(3, {L("Depot"), L("0W0815")});
    EXPECT_EQ(record, L("3") + PadField(L("Depot"), 30) + PadField(L("0W0815"), 25));
    EXPECT_EQ(HqRecord(1, {QString(40, QLatin1Char('x')), QString()}).size(), 56);  // cut, not overflowing
}

struct OutputCase {
    int output;
    const char *itemL;
    const char *record;
};
class OutputToggleTest : public ::testing::TestWithParam<OutputCase> {};

TEST_P(OutputToggleTest, WriteTurnsTheCurrentStateOver) {
    EXPECT_EQ(OutputToggleRecord(GetParam().output, L(GetParam().itemL)), L(GetParam().record));
}

INSTANTIATE_TEST_SUITE_P(Outputs, OutputToggleTest,
                         ::testing::Values(OutputCase{3, "0010", "30"}, OutputCase{1, "0010", "11"},
                                           OutputCase{4, "1110", "41"}, OutputCase{2, "0100", "20"},
                                           OutputCase{4, "01", "41"}));  // unknown state counts as off

TEST(ModuleEventTest, FieldsOfEachRecordIncludingTheCounterOfInput4) {
    QString itemM;
    for (int r = 1; r <= 4; ++r)
        itemM += L("high  low  high 240101080000240102090000") + QString::number(100 + r);
    ASSERT_EQ(itemM.size(), 4 * kEventRecordLength);
    const TModuleEvent e = ParseEvent(itemM, 4);
    EXPECT_EQ(e.Counter, L("104"));
    EXPECT_EQ(e.Counter, itemM.mid(169, 3));  // characters 170..172
    EXPECT_EQ(e.CurrentLevel, L("high"));
    EXPECT_EQ(e.LevelBefore, L("low"));
    EXPECT_EQ(e.LevelAfter, L("high"));
    EXPECT_EQ(e.FirstDate, L("240101"));
    EXPECT_EQ(e.FirstTime, L("080000"));
    EXPECT_EQ(e.LastDate, L("240102"));
    EXPECT_EQ(e.LastTime, L("090000"));
    EXPECT_EQ(ParseEvent(itemM, 1).Counter, L("101"));
}

// ---- Items "n" and "o" -------------------------------------------------------------------------------

QString InputRecordText(const char *levels, const char *words, const char *receivers, const char *message) {
    return L(levels) + L(words) + L(receivers) + PadField(L(message), 30);
}

TEST(ModuleInputTest, LevelWordsAreLookedUpCaseInsensitively) {
    const QString itemN = InputRecordText("2", "LOW  undefHigh break", "31", "Door open") +
                          InputRecordText("1", "on   xxxxxoff  no   ", "00", "");
    const TModuleInput in = ParseInput(itemN, 1);
    EXPECT_EQ(in.LevelsIndex, 1);
    EXPECT_EQ(in.Levels, (std::array<int, 4>{0, 8, 1, 9}));
    EXPECT_EQ(in.FirstReceiver, 3);
    EXPECT_EQ(in.SubstituteReceiver, 1);
    EXPECT_EQ(in.Message, L("Door open"));
    EXPECT_EQ(ParseInput(itemN, 2).Levels, (std::array<int, 4>{2, -1, 3, 7}));  // no match selects nothing
    EXPECT_EQ(ParseInput(itemN, 2).LevelsIndex, 0);
}

TEST(ModuleInputTest, TwoLevelsTurnUndefIntoLowAndBreakIntoHigh) {
    TModuleInput in = ParseInput(InputRecordText("2", "low  undefhigh break", "00", ""), 1);
    in.LevelsIndex = 0;
    ApplyTwoLevels(in);
    EXPECT_EQ(InputRecord(1, in), L("11") + L("low  low  high high ") + L("00") + PadField(QString(), 30));
}

TEST(ModuleInputTest, WriteRecordIsInputDigitThenTheReadLayout) {
    const QString read = InputRecordText("2", "open closeyes  no   ", "42", "Alarm");
    const QString record = InputRecord(3, ParseInput(read, 1));
    EXPECT_EQ(record, L("3") + read);
    EXPECT_EQ(record.size(), 1 + kInputRecordLength);
}

TEST(ModuleReceiverTest, ListShowsOnlyDesignatedReceiversUnderTheirNumbers) {
    const QString itemO = L("1") + PadField(L("0123"), 20) + PadField(L("Office"), 30) + L("0") +
                          PadField(QString(), 50) + L("1") + PadField(L("0456"), 20) + PadField(L("Plant"), 30) +
                          L("0") + PadField(QString(), 50);
    const auto choices = ReceiverChoices(itemO, L("none"));
    ASSERT_EQ(choices.size(), 3u);
    EXPECT_EQ(choices[1].Receiver, 1);
    EXPECT_EQ(choices[2].Receiver, 3);
    EXPECT_EQ(choices[2].Text, L("Plant"));
    EXPECT_EQ(ReceiverChoiceIndex(choices, 3), 2);
    EXPECT_EQ(ReceiverChoiceIndex(choices, 2), 0);  // a receiver without designation: first entry

    const TModuleReceiver r1 = ParseReceiver(itemO, 1);
    EXPECT_EQ(r1.Service, 1);
    EXPECT_EQ(r1.FaxNumber, L("0123"));
    EXPECT_EQ(ReceiverRecord(1, r1), L("1") + itemO.left(kReceiverRecordLength));
    EXPECT_EQ(ReceiverRecord(2, {0, QString(25, QLatin1Char('9')), L("x")}).size(), 52);
}

// ---- Common data and write records -------------------------------------------------------------------

TEST(ModuleCommonTest, HeaderFieldsAndStatusHint) {
    const TStrList data{L("a=6012"), L("b=0060CLM-300 "), L("c=000000300001"), L("d=Station"), L("e=3"),
                        L("f=012345"), L("g=240315093007")};
    const TModuleCommon c = ParseModuleCommon(data);
    EXPECT_EQ(c.DevType, L("CLM-300 "));
    EXPECT_EQ(c.Date, L("240315"));
    EXPECT_EQ(c.Time, L("093007"));
    EXPECT_EQ(StatusHintText(c.Status), 1663);
    EXPECT_EQ(StatusHintText(L("x")), 0);
    EXPECT_EQ(StatusHintText(QString()), 0);
    EXPECT_TRUE(ParseModuleCommon(TStrList{}).Date.isEmpty());
}

struct PadCase {
    const char *input;
    const char *devNo;
};
class DevNoRecordTest : public ::testing::TestWithParam<PadCase> {};

TEST_P(DevNoRecordTest, LeftPaddedWithZerosOrCutTo12) {
    EXPECT_EQ(DevNoRecord(L(GetParam().input)), L(GetParam().devNo));
}

INSTANTIATE_TEST_SUITE_P(Numbers, DevNoRecordTest,
                         ::testing::Values(PadCase{"123", "000000000123"}, PadCase{"1234567890123", "123456789012"},
                                           PadCase{"", "000000000000"}, PadCase{"123456789012", "123456789012"}));

TEST(ModuleWriteRecordTest, FixedWidthTextsArePaddedWithBlanksOrCut) {
    EXPECT_EQ(DevNameRecord(L("Station")), PadField(L("Station"), 30));
    EXPECT_EQ(DevNameRecord(QString(31, QLatin1Char('n'))), QString(30, QLatin1Char('n')));
    EXPECT_EQ(ModuleAccessCodeRecord(L("ab")), L("ab      "));
    EXPECT_EQ(ModuleAccessCodeRecord(L("123456789")), L("12345678"));
    EXPECT_EQ(HqPasswordRecord(3, L("abcdefgh")), L("3abcdefgh"));
    EXPECT_EQ(HqPasswordRecord(3, L("abcde")), L("3abcde   "));
    EXPECT_EQ(HqPasswordRecord(1, L("abcdefghij")), L("1abcdefgh"));
    EXPECT_EQ(ResetSelectionRecord(0), L("0"));
    EXPECT_EQ(ResetSelectionRecord(4), L("4"));
}

TEST(ModuleWriteRecordTest, PcTimeHasItsSecondsSetToZero) {
    const QDateTime t(QDate(2024, 3, 15), QTime(9, 5, 59));
    EXPECT_EQ(PcTimeRecord(t), L("240315090500"));
    // Afternoon hours stay afternoon hours whatever the locale's time format.
    EXPECT_EQ(PcTimeRecord(QDateTime(QDate(2024, 12, 31), QTime(21, 59, 1))), L("241231215900"));
}

struct CorrectionCase {
    const char *entered;
    const char *record;
    int refusal;
};
class ModuleCorrectionTest : public ::testing::TestWithParam<CorrectionCase> {};

TEST_P(ModuleCorrectionTest, SignAndSixDigitsOrTheRefusalText) {
    const TCorrectionResult r = CorrectionRecord(L(GetParam().entered));
    EXPECT_EQ(r.Record, L(GetParam().record)) << GetParam().entered;
    EXPECT_EQ(r.RefusalText, GetParam().refusal) << GetParam().entered;
}

INSTANTIATE_TEST_SUITE_P(
    Values, ModuleCorrectionTest,
    ::testing::Values(CorrectionCase{"30", "+000030", 0}, CorrectionCase{"-5", "-000005", 0},
                      CorrectionCase{"+0", "+000000", 0}, CorrectionCase{"-0", "+000000", 0},
                      CorrectionCase{"999999", "+999999", 0}, CorrectionCase{"+999999", "+999999", 0},
                      CorrectionCase{"1234567", "", 2021}, CorrectionCase{"-1234567", "", 2021},
                      CorrectionCase{"12a", "", 2022}, CorrectionCase{"+", "", 2022},
                      CorrectionCase{"1.5", "", 2022}, CorrectionCase{"", "", 2022}));

TEST(ModuleWriteRecordTest, EachWriteRereadsTheItemItChanged) {
    const std::string writes = "ABCDEFGHIJKLMNOPQRST";
    const std::string rereads = "__cdefghij____lno___";
    for (std::size_t i = 0; i < writes.size(); ++i) {
        const QChar r = RereadItem(QLatin1Char(writes[i]));
        EXPECT_EQ(r.isNull() ? '_' : char(r.unicode()), rereads[i]) << writes[i];
    }
}

TEST(ModuleTwoEntryTest, ConfirmNeedsTheFirstAndSendNeedsBoth) {
    EXPECT_FALSE(TwoEntryEnabling(QString(), QString()).ConfirmEnabled);
    EXPECT_FALSE(TwoEntryEnabling(QString(), L("x")).SendEnabled);
    EXPECT_TRUE(TwoEntryEnabling(L("a"), QString()).ConfirmEnabled);
    EXPECT_FALSE(TwoEntryEnabling(L("a"), QString()).SendEnabled);
    EXPECT_TRUE(TwoEntryEnabling(L("a"), L("b")).SendEnabled);
}

} // namespace
