// The common data display as a function of the record and the device: quantity code groups, units and
// the kelvin offset, factors, labels, edit states, visibility and the enabled actions.
#include "base/LangSupp.h"
#include "comm/Conversions.h"
#include "main/CommonDataView.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace korvul;

namespace {

class CommonDataView : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(LoadLanguageModuleFile(korvultest::BinDir() + "/korvulDE.lng"));
        SetLocaleFormats({"dd.mm.yyyy", "hh:mm:ss", QLatin1Char(',')});
    }
    void TearDown() override {
        ResetLocaleFormats();
        UnloadLanguageModule();
    }
};

// A device as the type table describes it, with or without write access.
TDeviceInfo Device(const QString &ident, bool writeAccess = true) {
    TDeviceInfo info;
    info.IdentText = ident;
    IdentifyDeviceType(info);
    info.WriteAccess = writeAccess;
    return info;
}

// One channel of a logger as devsim answers it, with the given quantity code and unit.
TStrList Record(const QString &v, const QString &unit, const QString &n = "02") {
    return TStrList{"a=2461", "z=240517101112", "e=SERVICE     ", "g=240516090807", "l=000004711001",
                    "j=000000815001", "h=000000001001", "^=" + unit, "t=00001234", "s=00098765",
                    "r=0005", "\\=0600", "p=60", "|=00001000", "n=" + n, "Y=00", "V=" + v,
                    "R=0003E8FE", "W=20000500"};
}

} // namespace

struct GroupRow {
    const char *ident;
    const char *v;
    const char *y;
    const char *normalised;
    TQuantityGroup group;
};

class QuantityCodes : public ::testing::TestWithParam<GroupRow> {};

TEST_P(QuantityCodes, NormaliseAndGroupByDeviceKind) {
    const GroupRow &row = GetParam();
    TStrList data{QStringLiteral("V=") + row.v, QStringLiteral("Y=") + row.y};
    const QString v = NormalisedQuantityCode(data, Device(row.ident));
    EXPECT_EQ(v, row.normalised);
    EXPECT_EQ(QuantityGroup(v), row.group);
}

INSTANTIATE_TEST_SUITE_P(Rows, QuantityCodes, ::testing::Values(
    // Loggers count "VZ" and "SU" as a counter with alarm; the letter case of the second letter stays.
    GroupRow{"2461", "VZ", "01", "VX", TQuantityGroup::C}, GroupRow{"2461", "Su", "01", "Vx", TQuantityGroup::C},
    GroupRow{"2461", "vz", "01", "Vx", TQuantityGroup::C}, GroupRow{"2461", "aa", "01", "aa", TQuantityGroup::A},
    GroupRow{"2461", "DU", "01", "DU", TQuantityGroup::A}, GroupRow{"2461", "du", "01", "du", TQuantityGroup::None},
    GroupRow{"2461", "Vx", "01", "Vx", TQuantityGroup::C}, GroupRow{"2461", "", "01", "", TQuantityGroup::None},
    // Correctors keep "VZ" unless they run as a plain counter (NX-17, NX-18 30..32 with Y "00").
    GroupRow{"9140", "VZ", "01", "VZ", TQuantityGroup::B}, GroupRow{"9140", "VZ", "00", "VX", TQuantityGroup::C},
    GroupRow{"9230", "SU", "00", "VX", TQuantityGroup::C}, GroupRow{"9233", "SU", "00", "SU", TQuantityGroup::B},
    GroupRow{"9030", "VZ", "00", "VZ", TQuantityGroup::B}, GroupRow{"9425", "cc", "00", "cc", TQuantityGroup::A}));

TEST_F(CommonDataView, CounterWithAlarmOnALogger) {
    const TCommonDataView v = BuildCommonDataView(Record("VX", "m3          "), Device("2461"));
    EXPECT_EQ(v.Derived.Group, TQuantityGroup::C);
    EXPECT_EQ(v.SetCounter, "1234");
    EXPECT_EQ(v.TotCounter, "98765");
    EXPECT_EQ(v.SetCountMoBeg, "1000");
    EXPECT_EQ(v.CPz, "10");            // 0003E8FE = 1000 x 10^-2
    EXPECT_EQ(v.CpVal, "1");
    EXPECT_EQ(v.Label7, LanguageText(116));
    EXPECT_EQ(v.Label13, LanguageText(122));
    EXPECT_EQ(v.Label25, LanguageText(189) + "/m3");
    EXPECT_EQ(v.Label26, v.Label25);
    EXPECT_EQ(v.AlarmCycleIndex, 1);   // "20": hour
    EXPECT_EQ(v.Label29, "m3/" + LanguageText(172));
    EXPECT_EQ(v.AlarmLimit, "500,00");
    EXPECT_TRUE(v.AlarmVisible);
    EXPECT_TRUE(v.CpValVisible && v.CPzVisible);
    EXPECT_TRUE(v.SetCounterEditable && v.CPzEditable && v.CpValEnabled);
    EXPECT_EQ(v.Label20, "m3");
}

TEST_F(CommonDataView, KelvinUnitShowsCelsiusOnEveryCounterAndTheAlarm) {
    const TCommonDataView v = BuildCommonDataView(Record("bb", "K           "), Device("2461"));
    EXPECT_EQ(v.Derived.Group, TQuantityGroup::A);
    EXPECT_EQ(v.Derived.Unit, "°C");
    EXPECT_EQ(v.SetCounter, "960,85");    // 1234 x 1 - 273.15 (factor from T, absent: 1)
    EXPECT_EQ(v.TotCounter, "98491,85");
    EXPECT_EQ(v.SetCountMoBeg, "726,85");
    EXPECT_EQ(v.DevUnit, "°C");
    EXPECT_EQ(v.Label20, "°C");
    EXPECT_EQ(v.Label22, "°C");
    EXPECT_EQ(v.Label26, "°C");
    EXPECT_EQ(v.Label25, "");
    EXPECT_EQ(v.Label29, "°C");
    EXPECT_EQ(v.AlarmLimit, "226,85");    // 500 x 1 - 273.15
    EXPECT_EQ(v.CPz, "1");                // the factor
    EXPECT_FALSE(v.CPzEditable);
    EXPECT_FALSE(v.CpValVisible);
    EXPECT_EQ(v.Label7, LanguageText(180));
    EXPECT_EQ(v.Label13, LanguageText(185));
}

TEST_F(CommonDataView, LowerCaseKelvinToo) {
    const TCommonDataView v = BuildCommonDataView(Record("aa", "k"), Device("2461"));
    EXPECT_EQ(v.Derived.Offset, 273.15);
    EXPECT_EQ(v.SetCounter, "960,85");
}

struct FactorRow {
    const char *v;
    const char *t;
    const char *n;
    const char *setCounter;
};

class CounterFactor : public CommonDataView, public ::testing::WithParamInterface<FactorRow> {};

// "VX" and "VZ" divide by Cp, "Vx" keeps the factor of T.
TEST_P(CounterFactor, ComesFromTOrFromCp) {
    TStrList data = Record(GetParam().v, "m3", GetParam().n);
    data.SetValue("T", GetParam().t);
    EXPECT_EQ(BuildCommonDataView(data, Device("4210")).SetCounter, GetParam().setCounter);
}

INSTANTIATE_TEST_SUITE_P(Rows, CounterFactor, ::testing::Values(
    FactorRow{"Vx", "250000000001", "03", "3085"},   // 1234 x 2.5
    FactorRow{"VX", "250000000001", "03", "123,4"},  // 1234 / 10
    FactorRow{"aa", "500000000103", "03", "0,617"},  // 1234 x 0.0005
    FactorRow{"VX", "250000000001", "00", "123400"}, // 1234 / 0.01
    FactorRow{"", "", "02", "1234"}));               // no factor at all: 1:1

TEST_F(CommonDataView, CorrectorCounterHasNoAlarmAndAGreyCounterCp) {
    TStrList data = Record("VZ", "m3");
    data.SetValue("Y", "01");
    const TCommonDataView v = BuildCommonDataView(data, Device("9140"));
    EXPECT_EQ(v.Derived.Group, TQuantityGroup::B);
    EXPECT_EQ(v.Label7, LanguageText(183));
    EXPECT_EQ(v.Label9, LanguageText(184));
    EXPECT_FALSE(v.CPzEditable);
    EXPECT_TRUE(v.CpValEnabled);
    EXPECT_FALSE(v.AlarmVisible);
    EXPECT_FALSE(v.SetCounterEditable);
    EXPECT_EQ(v.SetCounter, "1234");   // VZ: 1 / Cp
}

TEST_F(CommonDataView, CorrectorAsPlainCounterLocksCpAndSettableCounter) {
    const TCommonDataView v = BuildCommonDataView(Record("VZ", "m3"), Device("9140"));
    EXPECT_EQ(v.Derived.Group, TQuantityGroup::C);
    EXPECT_FALSE(v.CpValEnabled);
    EXPECT_FALSE(v.CPzEditable);
    EXPECT_FALSE(v.SetCounterEditable);
    EXPECT_FALSE(v.AlarmVisible);      // type 91 keeps no alarm
    EXPECT_EQ(v.AlarmLimit, "");
}

TEST_F(CommonDataView, DeviceWithoutCounterCpHidesItsField) {
    TStrList data = Record("VX", "m3");
    data.SetValue("R", "");
    const TCommonDataView v = BuildCommonDataView(data, Device("2432"));
    EXPECT_FALSE(v.CPzVisible);
    EXPECT_EQ(v.CPz, "");
}

TEST_F(CommonDataView, IdentificationAndClockFields) {
    const TCommonDataView v = BuildCommonDataView(Record("VX", "m3"), Device("2461"));
    EXPECT_EQ(v.DevNo, "4711001");     // leading zeros drop
    EXPECT_EQ(v.CountNo, "815001");
    EXPECT_EQ(v.CustNo, "1001");
    EXPECT_EQ(v.Date, "17.05.2024");
    EXPECT_EQ(v.Time, "10:11:12");
    EXPECT_EQ(v.LstAccDate, "16.05.2024  09:08:07");
    EXPECT_EQ(v.LstReadName, "SERVICE     ");
    EXPECT_EQ(v.DayBound, "06:00");
    EXPECT_EQ(v.Period, "60");
    EXPECT_EQ(v.StatReg, " E.1 E.3");
    EXPECT_EQ(v.StatRegHint, LanguageText(132) + "\r\n" + StatusBitsToText("0005", 24, 40000));
    EXPECT_EQ(v.DevType, "QT-700/V2");
    EXPECT_EQ(v.Sw, "6.1");
}

TEST_F(CommonDataView, SoftwareVersionText) {
    EXPECT_EQ(SoftwareText(5), "5.");
    EXPECT_EQ(SoftwareText(21), "2.1");
    EXPECT_EQ(SoftwareText(0), "0.");
    EXPECT_EQ(SoftwareText(2461), "6.1");
}

// A damaged item shows as it stands; the other fields are filled all the same.
TEST_F(CommonDataView, DamagedItemsDoNotStopTheDisplay) {
    TStrList data = Record("VX", "m3");
    data.SetValue("z", "24x5");
    data.SetValue("l", "12a");
    data.SetValue("r", "zz");
    data.SetValue("t", "");
    data.SetValue("R", "GG");
    data.SetValue("n", "x");
    const TCommonDataView v = BuildCommonDataView(data, Device("2461"));
    EXPECT_EQ(v.Date, "24x5");
    EXPECT_EQ(v.DevNo, "12a");
    EXPECT_EQ(v.StatReg, "zz");
    EXPECT_EQ(v.SetCounter, "");
    EXPECT_EQ(v.CPz, "GG");
    EXPECT_EQ(v.CpVal, "x");
    EXPECT_EQ(v.TotCounter, "98765");  // Cp 1 for an unreadable Cp code
}

TEST_F(CommonDataView, WithoutWriteAccessEverythingIsGreyAndNoActionIsOffered) {
    const TCommonDataView v = BuildCommonDataView(Record("VX", "m3"), Device("2461", false));
    EXPECT_FALSE(v.Writable);
    EXPECT_FALSE(v.SetCounterEditable || v.CPzEditable || v.CpValEnabled);
    EXPECT_EQ(v.StatusText, LanguageText(190));
    EXPECT_FALSE(v.SetDateAndTime || v.NewZCode || v.ConfigDevice || v.TestRTC || v.InitDevice ||
                 v.CheckMaxima || v.DeleteMeasurements || v.MemoryDump);
    const TCommonDataView w = BuildCommonDataView(Record("VX", "m3"), Device("2461", true));
    EXPECT_EQ(w.StatusText, "");
    EXPECT_TRUE(w.SetDateAndTime && w.NewZCode && w.ConfigDevice && w.TestRTC && w.InitDevice &&
                w.CheckMaxima && w.DeleteMeasurements && w.MemoryDump);
}

struct RtcRow {
    int type, version;
    bool offered;
};

class RtcTest : public ::testing::TestWithParam<RtcRow> {};

TEST_P(RtcTest, OfferedByTypeAndVersion) {
    EXPECT_EQ(RtcTestOffered(GetParam().type, GetParam().version), GetParam().offered);
}

INSTANTIATE_TEST_SUITE_P(Table, RtcTest, ::testing::Values(
    RtcRow{11, 29, false}, RtcRow{11, 30, true}, RtcRow{12, 30, true}, RtcRow{13, 99, true},
    RtcRow{24, 59, false}, RtcRow{24, 60, true}, RtcRow{41, 19, false}, RtcRow{41, 20, true},
    RtcRow{42, 0, true}, RtcRow{91, 0, true}, RtcRow{92, 39, false}, RtcRow{92, 40, true},
    RtcRow{94, 0, true}, RtcRow{21, 99, false}, RtcRow{95, 99, false}, RtcRow{1, 99, false}));

TEST_F(CommonDataView, NumbersInGeneralAndFixedForm) {
    EXPECT_EQ(GeneralNumber(12.5), "12,5");
    EXPECT_EQ(GeneralNumber(0.1 + 0.2), "0,3");
    EXPECT_EQ(GeneralNumber(-0.0), "0");
    EXPECT_EQ(GeneralNumber(123456789012345.0), "123456789012345");
    EXPECT_EQ(FixedNumber(1234567.891, 2, true), "1.234.567,89");
    EXPECT_EQ(FixedNumber(-1234.5, 2, true), "-1.234,50");
    EXPECT_EQ(FixedNumber(999, 2, true), "999,00");
    EXPECT_EQ(FixedNumber(1234.5, 2, false), "1234,50");
    SetLocaleFormats({"dd.mm.yyyy", "hh:mm:ss", QLatin1Char('.')});
    EXPECT_EQ(FixedNumber(1234.5, 2, true), "1,234.50");
    EXPECT_EQ(GeneralNumber(12.5), "12.5");
}

TEST_F(CommonDataView, AlarmCycleTextsAreTheBoxItems) {
    EXPECT_EQ(AlarmCycleText(0), LanguageText(171));
    EXPECT_EQ(AlarmCycleText(2), LanguageText(173));
    EXPECT_EQ(AlarmCycleText(-1), "");
    EXPECT_EQ(AlarmCycleText(3), "");
}
