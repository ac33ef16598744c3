#include "main/CommonDataView.h"

#include "base/LangSupp.h"
#include "comm/Conversions.h"

#include <cmath>
#include <functional>
#include <optional>

namespace korvul {

namespace {

// Texts of the main window (window text base 100).
constexpr uint16_t kReadOnlyText = 190;
constexpr uint16_t kStatusHintText = 132;
constexpr uint16_t kPulsesText = 189;
constexpr uint16_t kAlarmCycleFirst = 171;
constexpr int kStatusBase = 40000;

bool IsAlarmType(int typeCode) { return (typeCode >= 21 && typeCode <= 24) || typeCode == 42; }

// A conversion that fails shows the raw text instead of stopping the display.
QString Converted(const QString &raw, const std::function<QString()> &convert) {
    if (raw.isEmpty()) return QString();
    try {
        return convert();
    } catch (const std::exception &) {
        return raw;
    }
}

std::optional<double> Number(const QString &text) {
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v)) return std::nullopt;
    return v;
}

// Digits read as a 64-bit integer and written back in decimal: leading zeros drop.
QString IdentificationNumber(const QString &raw) {
    bool ok = false;
    const qlonglong v = raw.trimmed().toLongLong(&ok, 10);
    return raw.isEmpty() ? QString() : ok ? QString::number(v) : raw;
}

QString Counter(const QString &raw, const TDisplayValues &d) {
    if (raw.isEmpty()) return QString();
    const std::optional<double> v = Number(raw);
    return v ? GeneralNumber(*v * d.Factor - d.Offset) : raw;
}

// "yymmddhhnnss" as date, two blanks, time.
QString DateAndTime(const QString &raw) {
    return Converted(raw, [&] { return DeviceDateToText(raw, 2) + QStringLiteral("  ") + DeviceTimeToText(raw.mid(6), 2); });
}

QString DayBoundary(const QString &raw) {
    if (raw.size() < 3) return raw;
    return raw.left(2) + QLatin1Char(':') + raw.mid(2);
}

int AlarmCycleIndex(const QString &w) {
    const QString cycle = w.left(2);
    if (cycle == QLatin1String("00")) return 0;
    if (cycle == QLatin1String("20")) return 1;
    if (cycle == QLatin1String("80")) return 2;
    return -1;
}

// The alarm limit raw value: W from its third character.
std::optional<double> AlarmRaw(const QString &w) {
    if (w.size() < 3) return std::nullopt;
    bool ok = false;
    const qlonglong v = w.mid(2).toLongLong(&ok, 10);
    return ok ? std::optional<double>(double(v)) : std::nullopt;
}

QString CounterCp(const QString &r) {
    return Converted(r, [&] { return GeneralNumber(HexFloatFromText(r, 7)); });
}

void FillWriteAccess(TCommonDataView &v, const TDeviceInfo &info) {
    v.Writable = info.WriteAccess;
    v.CPzEditable = v.Writable;
    v.CpValEnabled = v.Writable;
    v.SetCounterEditable = false;
    v.StatusText = v.Writable ? QString() : LanguageText(kReadOnlyText);
}

void FillActions(TCommonDataView &v, const TDeviceInfo &info) {
    const bool w = info.WriteAccess;
    v.SetDateAndTime = v.NewZCode = v.ConfigDevice = w;
    v.InitDevice = v.CheckMaxima = v.DeleteMeasurements = v.MemoryDump = w;
    v.TestRTC = w && RtcTestOffered(info.TypeCode, info.Version);
}

// Unit and kelvin offset; factor from T (a device without T counts 1:1); Cp from n.
TDisplayValues DerivedValues(const TStrList &data, const TDeviceInfo &info) {
    TDisplayValues d;
    d.QuantityCode = NormalisedQuantityCode(data, info);
    d.Group = QuantityGroup(d.QuantityCode);
    d.Unit = data.GetValue(QStringLiteral("^")).trimmed();
    if (d.Unit == QLatin1String("K") || d.Unit == QLatin1String("k")) {
        d.Offset = 273.15;
        d.Unit = QStringLiteral("°C");
    }
    const QString t = data.GetValue(QStringLiteral("T"));
    try {
        if (!t.isEmpty()) d.Factor = DecimalFloatFromText(t);
    } catch (const std::exception &) {
    }
    try {
        d.Cp = ResolutionFromText(data.GetValue(QStringLiteral("n")));
    } catch (const std::exception &) {
    }
    if (d.QuantityCode == QLatin1String("VZ") || d.QuantityCode == QLatin1String("VX")) d.Factor = 1 / d.Cp;
    d.AlarmCycleCode = data.GetValue(QStringLiteral("W")).left(2);
    return d;
}

void FillIdentification(TCommonDataView &v, const TStrList &data, const TDeviceInfo &info) {
    const QString z = data.GetValue(QStringLiteral("z"));
    v.LstReadName = data.GetValue(QStringLiteral("e"));
    v.Date = Converted(z, [&] { return DeviceDateToText(z, 2); });
    v.Time = Converted(z, [&] { return DeviceTimeToText(z.mid(6), 2); });
    v.LstAccDate = DateAndTime(data.GetValue(QStringLiteral("g")));
    v.Sw = SoftwareText(info.Version);
    v.DevType = info.TypeName;
}

void FillPlainFields(TCommonDataView &v, const TStrList &data, const TDeviceInfo &info) {
    v.DevNo = IdentificationNumber(data.GetValue(QStringLiteral("l")));
    v.CountNo = IdentificationNumber(data.GetValue(QStringLiteral("j")));
    v.CustNo = IdentificationNumber(data.GetValue(QStringLiteral("h")));
    const QString r = data.GetValue(QStringLiteral("r"));
    v.StatReg = Converted(r, [&] { return InputBitsToText(r); });
    v.StatRegHint = LanguageText(kStatusHintText) + QStringLiteral("\r\n") +
                    Converted(r, [&] { return StatusBitsToText(r, info.TypeCode, kStatusBase); });
    v.Period = data.GetValue(QStringLiteral("p"));
    v.DayBound = DayBoundary(data.GetValue(QStringLiteral("\\")));
    const QString n = data.GetValue(QStringLiteral("n"));
    v.CpVal = Converted(n, [&] { return GeneralNumber(ResolutionFromText(n)); });
    if (IsAlarmType(info.TypeCode)) v.AlarmCycleIndex = AlarmCycleIndex(data.GetValue(QStringLiteral("W")));
}

// Labels as the window's resource has them, for a device whose quantity code names no group.
void FillDefaultLabels(TCommonDataView &v) {
    v.Label7 = LanguageText(124);
    v.Label8 = LanguageText(125);
    v.Label9 = LanguageText(126);
    v.Label13 = LanguageText(128);
    v.Label27 = LanguageText(130);
    v.Label28 = LanguageText(133);
}

void SetCounterLabels(TCommonDataView &v, uint16_t l7, uint16_t l8, uint16_t l9, uint16_t l13) {
    v.Label7 = LanguageText(l7);
    v.Label8 = LanguageText(l8);
    v.Label9 = LanguageText(l9);
    v.Label13 = LanguageText(l13);
}

void FillGroupA(TCommonDataView &v, const TStrList &data, const TDeviceInfo &info) {
    const TDisplayValues &d = v.Derived;
    SetCounterLabels(v, 180, 181, 182, 185);
    v.CpValVisible = false;
    v.Label26 = d.Unit;
    v.Label25.clear();
    v.CPzEditable = false;
    v.CPz = GeneralNumber(d.Factor);
    v.Label29 = d.Unit;
    v.AlarmVisible = IsAlarmType(info.TypeCode);
    if (const auto raw = AlarmRaw(data.GetValue(QStringLiteral("W"))); raw && v.AlarmVisible)
        v.AlarmLimit = FixedNumber(*raw * d.Factor - d.Offset, 2, false);
}

// The counter Cp value R, shown with its labels only when the device has one.
void FillCounterCp(TCommonDataView &v, const TStrList &data, const TDeviceInfo &info) {
    const QString r = data.GetValue(QStringLiteral("R"));
    v.CPzVisible = !r.isEmpty();
    v.CPz = CounterCp(r);
    if (info.TypeCode >= 89) v.CPzEditable = false;
    const QString pulses = LanguageText(kPulsesText) + QLatin1Char('/') + v.Derived.Unit;
    v.Label25 = v.Label26 = pulses;
}

void FillGroupB(TCommonDataView &v, const TStrList &data, const TDeviceInfo &info) {
    SetCounterLabels(v, 183, 117, 184, 122);
    FillCounterCp(v, data, info);
    // The alarm of these devices is kept in counter steps that this display does not convert.
    v.AlarmVisible = false;
}

void FillGroupC(TCommonDataView &v, const TStrList &data, const TDeviceInfo &info) {
    const TDisplayValues &d = v.Derived;
    SetCounterLabels(v, 116, 117, 118, 122);
    if (info.TypeCode < 89 && v.Writable) v.SetCounterEditable = true;
    FillCounterCp(v, data, info);
    if (info.TypeCode >= 89) v.CpValEnabled = false;
    v.Label27 = LanguageText(129);
    v.Label28 = LanguageText(131);
    v.Label29 = d.Unit + QLatin1Char('/') + AlarmCycleText(v.AlarmCycleIndex);
    v.AlarmVisible = IsAlarmType(info.TypeCode);
    if (const auto raw = AlarmRaw(data.GetValue(QStringLiteral("W"))); raw && v.AlarmVisible)
        v.AlarmLimit = FixedNumber(*raw / d.Cp, 2, true);
}

} // namespace

QString NormalisedQuantityCode(const TStrList &data, const TDeviceInfo &info) {
    const QString v = data.GetValue(QStringLiteral("V"));
    auto byCase = [&v] { return v.at(1).unicode() >= 97 ? QStringLiteral("Vx") : QStringLiteral("VX"); };
    const QString upper = v.toUpper();
    if (!info.IsCorrector && (upper == QLatin1String("VZ") || upper == QLatin1String("SU"))) return byCase();
    const bool nx18 = info.TypeName.contains(QLatin1String("NX-18")) && info.Version >= 30 && info.Version <= 32;
    if ((nx18 || info.TypeCode == 91) && data.GetValue(QStringLiteral("Y")) == QLatin1String("00") && v.size() >= 2)
        return byCase();
    return v;
}

TQuantityGroup QuantityGroup(const QString &v) {
    for (const char *a : {"aa", "bb", "DU", "cc"})
        if (v == QLatin1String(a)) return TQuantityGroup::A;
    const QString upper = v.toUpper();
    if (upper == QLatin1String("VZ") || upper == QLatin1String("SU")) return TQuantityGroup::B;
    if (upper == QLatin1String("VX")) return TQuantityGroup::C;
    return TQuantityGroup::None;
}

bool RtcTestOffered(int typeCode, int version) {
    switch (typeCode) {
    case 11: case 12: case 13: return version >= 30;
    case 24: return version >= 60;
    case 41: return version >= 20;
    case 42: case 91: case 94: return true;
    case 92: return version >= 40;
    default: return false;
    }
}

QString SoftwareText(int version) {
    const QString digits = QString::number(version % 100);
    return digits.left(1) + QLatin1Char('.') + digits.mid(1, 1);
}

QString GeneralNumber(double value) {
    if (value == 0) value = 0;  // no "-0"
    QString s = QString::number(value, 'g', 15);
    return s.replace(QLatin1Char('.'), LocaleFormats().DecimalSeparator);
}

QChar GroupSeparator() { return LocaleFormats().DecimalSeparator == QLatin1Char('.') ? QLatin1Char(',') : QLatin1Char('.'); }

QString FixedNumber(double value, int decimals, bool grouped) {
    if (value == 0) value = 0;
    QString s = QString::number(std::abs(value), 'f', decimals);
    const int point = decimals > 0 ? int(s.indexOf(QLatin1Char('.'))) : int(s.size());
    QString whole = s.left(point);
    if (grouped)
        for (int i = int(whole.size()) - 3; i > 0; i -= 3) whole.insert(i, GroupSeparator());
    QString out = whole;
    if (decimals > 0) out += LocaleFormats().DecimalSeparator + s.mid(point + 1);
    return value < 0 ? QLatin1Char('-') + out : out;
}

QString AlarmCycleText(int index) {
    return index >= 0 && index <= 2 ? LanguageText(TextNumber(kAlarmCycleFirst, index)) : QString();
}

TCommonDataView BuildCommonDataView(const TStrList &data, const TDeviceInfo &info) {
    TCommonDataView v;
    v.Derived = DerivedValues(data, info);
    FillWriteAccess(v, info);
    FillIdentification(v, data, info);
    FillPlainFields(v, data, info);
    FillDefaultLabels(v);
    // Without a group the counter Cp value shows like that of a counter, if the device has one.
    switch (v.Derived.Group) {
    case TQuantityGroup::A: FillGroupA(v, data, info); break;
    case TQuantityGroup::B: FillGroupB(v, data, info); break;
    case TQuantityGroup::C: FillGroupC(v, data, info); break;
    case TQuantityGroup::None:
        FillCounterCp(v, data, info);
        v.Label25.clear();
        v.Label26.clear();
        v.AlarmVisible = false;
        break;
    }
    v.DevUnit = v.Label20 = v.Label21 = v.Label22 = v.Derived.Unit;
    v.SetCounter = Counter(data.GetValue(QStringLiteral("t")), v.Derived);
    v.TotCounter = Counter(data.GetValue(QStringLiteral("s")), v.Derived);
    v.SetCountMoBeg = Counter(data.GetValue(QStringLiteral("|")), v.Derived);
    FillActions(v, info);
    return v;
}

} // namespace korvul
