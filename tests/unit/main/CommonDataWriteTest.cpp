// The write-back of the edited common data: validation order and texts, the encodings of day boundary,
// period, Cp code, counter Cp value and alarm, the order of the writes and the result of refusals.
#include "comm/Conversions.h"
#include "main/CommonDataWrite.h"

#include <QMap>
#include <gtest/gtest.h>

using namespace korvul;

namespace {

// German number formats: "," is the decimal separator.
struct CommaLocale : ::testing::Test {
    void SetUp() override { SetLocaleFormats({"dd.mm.yyyy", "hh:mm:ss", QLatin1Char(',')}); }
    void TearDown() override { ResetLocaleFormats(); }
};

TEditedField Changed(const QString &text) { return TEditedField{text, true}; }

TDisplayValues CounterValues() {
    TDisplayValues d;
    d.QuantityCode = "VX";
    d.Group = TQuantityGroup::C;
    d.Unit = "m3";
    d.AlarmCycleCode = "20";
    return d;
}

struct Encoded {
    QString text;
    uint16_t error;
};

template <class F>
Encoded Encode(F f, const QString &text) {
    uint16_t error = 0;
    const QString out = f(text, error);
    return {out, error};
}

} // namespace

struct EncodeRow {
    const char *input;
    const char *written;  // empty when refused
    uint16_t error;
};

class DayBoundary : public ::testing::TestWithParam<EncodeRow> {};
TEST_P(DayBoundary, NeedsAColonAndATimeOfDay) {
    const Encoded e = Encode(DayBoundaryCode, GetParam().input);
    EXPECT_EQ(e.error, GetParam().error);
    EXPECT_EQ(e.text, GetParam().written);
}
INSTANTIATE_TEST_SUITE_P(Rows, DayBoundary, ::testing::Values(
    EncodeRow{"6:30", "0630", 0}, EncodeRow{"06:30", "0630", 0}, EncodeRow{"12:00", "1200", 0},
    EncodeRow{"6:3", "0603", 0}, EncodeRow{"0:0", "0000", 0}, EncodeRow{"630", "", 42009},
    EncodeRow{"", "", 42009}, EncodeRow{"25:00", "", 42009}, EncodeRow{"12:60", "", 42009},
    EncodeRow{"ab:cd", "", 42009}, EncodeRow{"123:456", "", 42009}));

class Period : public ::testing::TestWithParam<EncodeRow> {};
TEST_P(Period, TwoDigitsFromOne) {
    const Encoded e = Encode(PeriodCode, GetParam().input);
    EXPECT_EQ(e.error, GetParam().error);
    EXPECT_EQ(e.text, GetParam().written);
}
INSTANTIATE_TEST_SUITE_P(Rows, Period, ::testing::Values(
    EncodeRow{"5", "05", 0}, EncodeRow{" 7 ", "07", 0}, EncodeRow{"15", "15", 0}, EncodeRow{"99", "99", 0},
    EncodeRow{"0", "", 42005}, EncodeRow{"00", "", 42005}, EncodeRow{"123", "", 42005},
    EncodeRow{"ab", "", 42005}, EncodeRow{"", "", 42005}, EncodeRow{"-1", "", 42005}));

class CpValue : public CommaLocale, public ::testing::WithParamInterface<EncodeRow> {};
TEST_P(CpValue, PowerOfTenCode) {
    const Encoded e = Encode(CpCode, GetParam().input);
    EXPECT_EQ(e.error, GetParam().error);
    EXPECT_EQ(e.text, GetParam().written);
}
INSTANTIATE_TEST_SUITE_P(Rows, CpValue, ::testing::Values(
    EncodeRow{"99", "99", 0}, EncodeRow{"100", "04", 0}, EncodeRow{"10", "03", 0}, EncodeRow{"1", "02", 0},
    EncodeRow{"0,1", "01", 0}, EncodeRow{"0,01", "00", 0}, EncodeRow{"0.1", "01", 0},
    EncodeRow{"abc", "", 42017}, EncodeRow{"0", "", 42017}, EncodeRow{"-10", "", 42017},
    EncodeRow{"1e12", "", 42017}));

class CounterCp : public CommaLocale, public ::testing::WithParamInterface<EncodeRow> {};
TEST_P(CounterCp, SixHexDigitsAndAnExponentByte) {
    const Encoded e = Encode(CounterCpCode, GetParam().input);
    EXPECT_EQ(e.error, GetParam().error);
    EXPECT_EQ(e.text, GetParam().written);
}
INSTANTIATE_TEST_SUITE_P(Rows, CounterCp, ::testing::Values(
    EncodeRow{"12,5", "00007DFF", 0}, EncodeRow{"10", "00000A00", 0}, EncodeRow{"0,001", "000001FD", 0},
    EncodeRow{"16777215", "FFFFFF00", 0}, EncodeRow{"1677721,5", "FFFFFFFF", 0}, EncodeRow{"0", "00000000", 0},
    EncodeRow{"12.5", "00007DFF", 0}, EncodeRow{"16777216", "", 42004}, EncodeRow{"-1", "", 42017},
    EncodeRow{"x", "", 42017}, EncodeRow{"", "", 42017}, EncodeRow{"1e3", "", 42017}));

TEST(CommonDataWrite, CounterCpAboveSixHexDigitsIsReportedOnLeavingTheField) {
    EXPECT_EQ(CounterCpExitCheck("16777215"), 0);
    EXPECT_EQ(CounterCpExitCheck("16777216"), 42004);
    EXPECT_EQ(CounterCpExitCheck("abc"), 0);
    EXPECT_EQ(CounterCpExitCheck(""), 0);
}

TEST(CommonDataWrite, IdentificationNumbersAreTwelveDigits) {
    bool ok = false;
    EXPECT_EQ(TwelveDigits("12345", ok), "000000012345");
    EXPECT_TRUE(ok);
    EXPECT_EQ(TwelveDigits("", ok), "000000000000");
    EXPECT_TRUE(ok);
    for (const char *bad : {"12a", " 12", "-12", "1234567890123"}) {
        TwelveDigits(bad, ok);
        EXPECT_FALSE(ok) << bad;
    }
}

// Every field holds a bad value; clearing the fields one by one in the validation order must show
// each field's own text, and no write is planned while any is bad.
TEST_F(CommaLocale, ValidationStopsAtTheFirstBadFieldInItsOrder) {
    TCommonDataEdits e;
    e.DevNo = Changed("1x");
    e.CountNo = Changed("2x");
    e.CustNo = Changed("3x");
    e.SetCounter = Changed("4x");
    e.DayBound = Changed("600");
    e.Period = Changed("0");
    e.CpVal = Changed("y");
    e.CPz = Changed("z");
    e.AlarmVisible = true;
    e.AlarmLimit = Changed("w");
    const std::pair<TEditedField *, uint16_t> order[] = {
        {&e.DevNo, 42000}, {&e.CountNo, 42001}, {&e.CustNo, 42003}, {&e.SetCounter, 42010},
        {&e.DayBound, 42009}, {&e.Period, 42005}, {&e.CpVal, 42017}, {&e.CPz, 42017}, {&e.AlarmLimit, 42017}};
    for (const auto &[field, error] : order) {
        const TWritePlan plan = PlanCommonDataWrite(e, CounterValues(), "m3");
        EXPECT_EQ(plan.Error, error);
        EXPECT_TRUE(plan.Items.isEmpty());
        field->Changed = false;
    }
    e.AlarmVisible = false;
    EXPECT_EQ(PlanCommonDataWrite(e, CounterValues(), "m3").Error, 0);
}

TEST_F(CommaLocale, WritesComeInTheirFixedOrderAndOnlyForChangedFields) {
    TCommonDataEdits e;
    e.CpVal = Changed("10");
    e.Period = Changed("5");
    e.DayBound = Changed("6:30");
    e.CPz = Changed("12,5");
    e.SetCounter = Changed("1234");
    e.DevUnit = Changed(" bar ");
    e.CustNo = Changed("7");
    e.CountNo = Changed("00815");
    e.DevNo = Changed("12345");
    e.AlarmLimit = TEditedField{"500", false};
    e.AlarmCycleIndex = 2;
    e.AlarmVisible = true;
    const TWritePlan plan = PlanCommonDataWrite(e, CounterValues(), "m3");
    ASSERT_EQ(plan.Error, 0);
    const QList<TItemWrite> expected = {
        {'m', "l", "000000012345", false, true}, {'k', "j", "000000000815", false, true},
        {'i', "h", "000000000007", false, true}, {'_', "^", "bar         ", false, false},
        {'u', "t", "00001234", false, false},   {'S', "R", "00007DFF", false, false},
        {']', "\\", "0630", true, false},       {'q', "p", "05", true, false},
        {'o', "n", "03", true, false}};
    EXPECT_EQ(plan.Items, expected);
    // The alarm follows a changed Cp value: 500 x 10 counter steps.
    EXPECT_EQ(plan.Alarm.Text, "80005000");
    EXPECT_EQ(plan.Alarm.Code, 'X');
    EXPECT_EQ(plan.Alarm.Key, "W");

    TCommonDataEdits unchanged;
    unchanged.AlarmVisible = true;
    unchanged.DevNo = TEditedField{"99", false};
    const TWritePlan none = PlanCommonDataWrite(unchanged, CounterValues(), "m3");
    EXPECT_TRUE(none.Items.isEmpty());
    EXPECT_TRUE(none.Alarm.Text.isEmpty());
}

TEST_F(CommaLocale, SettableCounterKeepsEightDigits) {
    TCommonDataEdits e;
    e.SetCounter = Changed("12345678");
    EXPECT_EQ(PlanCommonDataWrite(e, CounterValues(), "m3").Items.value(0).Text, "12345678");
    e.SetCounter = Changed("123456789");  // would lose its first digit
    EXPECT_EQ(PlanCommonDataWrite(e, CounterValues(), "m3").Error, 42010);
}

struct AlarmRow {
    const char *v;
    TQuantityGroup group;
    const char *unitItem;
    const char *limit;
    const char *cpz;
    const char *cp;
    int cycle;
    const char *written;
    uint16_t error;
};

class Alarm : public CommaLocale, public ::testing::WithParamInterface<AlarmRow> {};

TEST_P(Alarm, LimitInCounterStepsBehindTheCycleCode) {
    const AlarmRow &row = GetParam();
    TCommonDataEdits e;
    e.AlarmVisible = true;
    e.AlarmLimit = Changed(row.limit);
    e.CPz = TEditedField{row.cpz, false};
    e.CpVal = TEditedField{row.cp, false};
    e.AlarmCycleIndex = row.cycle;
    TDisplayValues d = CounterValues();
    d.QuantityCode = row.v;
    d.Group = row.group;
    const TWritePlan plan = PlanCommonDataWrite(e, d, row.unitItem);
    EXPECT_EQ(plan.Error, row.error);
    EXPECT_EQ(plan.Alarm.Text, row.written);
}

INSTANTIATE_TEST_SUITE_P(Rows, Alarm, ::testing::Values(
    AlarmRow{"VX", TQuantityGroup::C, "m3", "500", "10", "1", 0, "00000500", 0},
    AlarmRow{"Vx", TQuantityGroup::C, "m3", "2,5", "10", "100", 1, "20000250", 0},
    AlarmRow{"VX", TQuantityGroup::C, "m3", "1.234,00", "10", "1", 1, "20001234", 0},   // as displayed
    AlarmRow{"VX", TQuantityGroup::C, "m3", "12.5", "10", "10", 1, "20000125", 0},      // typed with "."
    AlarmRow{"VX", TQuantityGroup::C, "m3", "500", "10", "1", -1, "20000500", 0},       // W's cycle kept
    AlarmRow{"aa", TQuantityGroup::A, "m3", "500", "0,5", "1", 2, "80001000", 0},
    AlarmRow{"bb", TQuantityGroup::A, "K           ", "226,85", "1", "1", 1, "20000500", 0},
    AlarmRow{"VX", TQuantityGroup::C, "m3", "0", "10", "1", 1, "", 42016},
    AlarmRow{"VX", TQuantityGroup::C, "m3", "0,1", "10", "1", 1, "", 42016},            // rounds to 0
    AlarmRow{"VX", TQuantityGroup::C, "m3", "-5", "10", "1", 1, "", 42015},
    AlarmRow{"VX", TQuantityGroup::C, "m3", "1000000", "10", "1", 1, "", 42015},        // 7 digits
    AlarmRow{"VX", TQuantityGroup::C, "m3", "abc", "10", "1", 1, "", 42017},
    AlarmRow{"VX", TQuantityGroup::C, "m3", "5", "10", "x", 1, "", 42017},
    AlarmRow{"aa", TQuantityGroup::A, "m3", "5", "x", "1", 1, "", 42017},
    AlarmRow{"aa", TQuantityGroup::A, "m3", "5", "0", "1", 1, "", 42015},               // division by 0
    AlarmRow{"VZ", TQuantityGroup::B, "m3", "5", "10", "1", 1, "", 42016}));

TEST_F(CommaLocale, AlarmOnlyWhileShownAndWhenItsInputsChanged) {
    TCommonDataEdits e;
    e.AlarmLimit = Changed("500");
    e.CpVal = TEditedField{"1", false};
    e.AlarmCycleIndex = 0;
    EXPECT_TRUE(PlanCommonDataWrite(e, CounterValues(), "m3").Alarm.Text.isEmpty());  // hidden
    e.AlarmVisible = true;
    e.AlarmLimit.Changed = false;
    EXPECT_TRUE(PlanCommonDataWrite(e, CounterValues(), "m3").Alarm.Text.isEmpty());
    e.AlarmCycleChanged = true;
    EXPECT_EQ(PlanCommonDataWrite(e, CounterValues(), "m3").Alarm.Text, "00000500");
}

namespace {

// Answers each item code with the given result and records the calls.
struct FakeDevice {
    QMap<char, int32_t> results;
    QString calls;
    TWriteSink Sink() {
        TWriteSink sink;
        sink.Write = [this](const TItemWrite &w) {
            calls += QLatin1Char(w.Code);
            return results.value(w.Code, 0);
        };
        sink.RestorePeriod = [this] { calls += QLatin1Char('|'); };
        return sink;
    }
};

TWritePlan FullPlan() {
    TWritePlan plan;
    for (char c : QByteArray("mki_uS]qo"))
        plan.Items.append(TItemWrite{c, "k", "1", c == ']' || c == 'q' || c == 'o', c == 'm' || c == 'k' || c == 'i'});
    plan.Alarm = TItemWrite{'X', "W", "20000500"};
    return plan;
}

} // namespace

struct RunRow {
    const char *refusals;  // item codes answered with `result`
    int32_t result;
    bool valueLock;
    uint16_t message;
    bool identWritten;
};

class RunWrites : public ::testing::TestWithParam<RunRow> {};

TEST_P(RunWrites, EveryItemIsTriedAndTheFirstProblemIsReported) {
    FakeDevice device;
    for (char c : QByteArray(GetParam().refusals)) device.results[c] = GetParam().result;
    const TWriteOutcome out = RunCommonDataWrites(FullPlan(), GetParam().valueLock, device.Sink());
    EXPECT_EQ(device.calls, "mki_uS]qo|X");  // the poll period comes back before the alarm
    EXPECT_EQ(out.Message, GetParam().message);
    EXPECT_EQ(out.IdentificationWritten, GetParam().identWritten);
}

INSTANTIATE_TEST_SUITE_P(Rows, RunWrites, ::testing::Values(
    RunRow{"", 0, true, 0, true},
    RunRow{"m", 5, true, 42006, true},       // k and i still went through
    RunRow{"mki", 5, false, 42006, false},
    RunRow{"]", 4, true, 42011, true},       // locked on this device
    RunRow{"]", 4, false, 42006, true},      // a 4 without the value lock is a plain refusal
    RunRow{"q", 1, true, 42006, true},       // only 4 means "locked"
    RunRow{"S]", 4, true, 42006, true},      // the first problem wins
    RunRow{"X", 4, true, 42006, true}));     // the alarm is not lockable

TEST(CommonDataWrite, EmptyPlanWritesNothingButRestoresThePeriod) {
    FakeDevice device;
    const TWriteOutcome out = RunCommonDataWrites(TWritePlan{}, false, device.Sink());
    EXPECT_EQ(device.calls, "|");
    EXPECT_EQ(out.Message, 0);
}

TEST_F(CommaLocale, LocaleNumbersAcceptBothSeparatorsAndGroupedThousands) {
    double v = 0;
    EXPECT_TRUE(ParseLocaleNumber("12,5", v));
    EXPECT_DOUBLE_EQ(v, 12.5);
    EXPECT_TRUE(ParseLocaleNumber("12.5", v));
    EXPECT_DOUBLE_EQ(v, 12.5);
    EXPECT_TRUE(ParseLocaleNumber(" 1.234.567,25 ", v));
    EXPECT_DOUBLE_EQ(v, 1234567.25);
    EXPECT_TRUE(ParseLocaleNumber("-3", v));
    EXPECT_DOUBLE_EQ(v, -3);
    for (const char *bad : {"", "abc", "1,2x", "inf", "nan", "1 2"}) EXPECT_FALSE(ParseLocaleNumber(bad, v)) << bad;
}
