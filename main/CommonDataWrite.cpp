#include "main/CommonDataWrite.h"

#include "comm/Conversions.h"

#include <charconv>
#include <cmath>
#include <string>

namespace korvul {

namespace {

bool AllDigits(const QString &s) {
    for (QChar c : s)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
    return true;
}

// The text with one decimal point "." at the place of the last "," or "." and no other separator.
QString NormalisedSeparators(const QString &text) {
    const QString t = text.trimmed();
    const int last = int(std::max(t.lastIndexOf(QLatin1Char(',')), t.lastIndexOf(QLatin1Char('.'))));
    QString out;
    for (int i = 0; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c == QLatin1Char(',') || c == QLatin1Char('.')) {
            if (i == last) out += QLatin1Char('.');
        } else {
            out += c;
        }
    }
    return out;
}

// The plan's items get their text only when the field changed; an unchanged field writes nothing.
void AddWrite(TWritePlan &plan, char code, const char *key, const QString &text, bool lockable = false,
              bool identification = false) {
    if (text.isEmpty()) return;
    plan.Items.append(TItemWrite{code, QString::fromLatin1(key), text, lockable, identification});
}

struct TIdentTexts {
    QString DevNo, CountNo, CustNo, SetCounter;
};

uint16_t ValidateNumbers(const TCommonDataEdits &e, TIdentTexts &out) {
    struct Row { const TEditedField &field; QString &text; uint16_t error; };
    for (const Row &row : {Row{e.DevNo, out.DevNo, kDevNoNotDigits}, Row{e.CountNo, out.CountNo, kCountNoNotDigits},
                           Row{e.CustNo, out.CustNo, kCustNoNotDigits}}) {
        if (!row.field.Changed) continue;
        bool ok = false;
        row.text = TwelveDigits(row.field.Text, ok);
        if (!ok) return row.error;
    }
    if (e.SetCounter.Changed) {
        bool ok = false;
        const QString twelve = TwelveDigits(e.SetCounter.Text, ok);
        // The device keeps 8 digits: a longer number would lose its leading digits.
        if (!ok || !twelve.startsWith(QLatin1String("0000"))) return kSetCounterNotDigits;
        out.SetCounter = twelve.mid(4);
    }
    return 0;
}

// The raw alarm limit in counter steps for the quantity code, or an error text.
double AlarmRawValue(double limit, const TCommonDataEdits &e, const TDisplayValues &d, const QString &unitItem,
                     uint16_t &error) {
    if (d.Group == TQuantityGroup::A) {
        double cpz = 0;
        if (!ParseLocaleNumber(e.CPz.Text, cpz)) return error = kNotANumber, 0;
        const bool kelvin = unitItem.trimmed().toUpper() == QLatin1String("K");
        return std::round((kelvin ? limit + 273.15 : limit) / cpz);
    }
    if (d.QuantityCode.toUpper() == QLatin1String("VX")) {
        double cp = 0;
        if (!ParseLocaleNumber(e.CpVal.Text, cp)) return error = kNotANumber, 0;
        return std::round(limit * cp);
    }
    return 0;
}

QString CycleCode(int index, const QString &fallback) {
    switch (index) {
    case 0: return QStringLiteral("00");
    case 1: return QStringLiteral("20");
    case 2: return QStringLiteral("80");
    default: return fallback;
    }
}

} // namespace

bool ParseLocaleNumber(const QString &text, double &value) {
    const std::string s = NormalisedSeparators(text).toStdString();
    if (s.empty()) return false;
    const char *begin = s.data();
    if (*begin == '+') ++begin;
    auto [end, ec] = std::from_chars(begin, s.data() + s.size(), value);
    return ec == std::errc() && end == s.data() + s.size() && std::isfinite(value);
}

QString TwelveDigits(const QString &text, bool &ok) {
    ok = AllDigits(text) && text.size() <= 12;
    return ok ? text.rightJustified(12, QLatin1Char('0')) : QString();
}

QString DayBoundaryCode(const QString &text, uint16_t &error) {
    if (!text.contains(QLatin1Char(':'))) return error = kDayBoundNoColon, QString();
    QString t = text;
    if (t.indexOf(QLatin1Char(':')) == 1) t.prepend(QLatin1Char('0'));
    t.remove(QLatin1Char(':'));
    while (t.size() < 4) t.insert(t.size() - 1, QLatin1Char('0'));
    // Only a time of day reaches the device.
    if (t.size() != 4 || !AllDigits(t) || t.left(2).toInt() > 23 || t.mid(2).toInt() > 59)
        return error = kDayBoundNoColon, QString();
    return t;
}

QString PeriodCode(const QString &text, uint16_t &error) {
    const QString t = text.trimmed();
    bool ok = false;
    const int minutes = t.toInt(&ok, 10);
    if (t.size() > 2 || !ok || !AllDigits(t) || minutes < 1) return error = kPeriodInvalid, QString();
    return t.size() == 1 ? QLatin1Char('0') + t : t;
}

QString CpCode(const QString &text, uint16_t &error) {
    if (text == QLatin1String("99")) return text;
    double cp = 0;
    if (!ParseLocaleNumber(text, cp) || cp <= 0) return error = kNotANumber, QString();
    const double code = std::round(std::log10(cp)) + 2;
    if (code < 0 || code > 9) return error = kNotANumber, QString();
    return QLatin1Char('0') + QString::number(int(code));
}

QString CounterCpCode(const QString &text, uint16_t &error) {
    const QString t = NormalisedSeparators(text);
    const int point = int(t.indexOf(QLatin1Char('.')));
    const int exponent = point >= 0 ? point + 1 - int(t.size()) : 0;
    const QString digits = QString(t).remove(QLatin1Char('.'));
    if (digits.isEmpty() || !AllDigits(digits) || exponent < -128) return error = kNotANumber, QString();
    bool ok = false;
    const qulonglong mantissa = digits.size() <= 18 ? digits.toULongLong(&ok) : 0;
    if (!ok || mantissa > qulonglong(kCounterCpMax)) return error = kCounterCpTooLarge, QString();
    return QStringLiteral("%1%2")
        .arg(mantissa, 6, 16, QLatin1Char('0'))
        .arg(exponent < 0 ? exponent + 256 : exponent, 2, 16, QLatin1Char('0'))
        .toUpper();
}

QString AlarmCode(const TCommonDataEdits &e, const TDisplayValues &d, const QString &unitItem, uint16_t &error) {
    double limit = 0;
    if (!ParseLocaleNumber(e.AlarmLimit.Text, limit)) return error = kNotANumber, QString();
    const double raw = AlarmRawValue(limit, e, d, unitItem, error);
    if (error) return QString();
    if (!std::isfinite(raw)) return error = kAlarmNotDigits, QString();
    if (raw == 0) return error = kAlarmZero, QString();
    // The device keeps 6 digits; a negative or longer value cannot be written faithfully.
    if (raw < 0 || raw > 999999) return error = kAlarmNotDigits, QString();
    const QString twelve = QString::number(qlonglong(raw)).rightJustified(12, QLatin1Char('0'));
    return CycleCode(e.AlarmCycleIndex, d.AlarmCycleCode) + twelve.right(6);
}

TWritePlan PlanCommonDataWrite(const TCommonDataEdits &e, const TDisplayValues &d, const QString &unitItem) {
    TWritePlan plan;
    TIdentTexts ident;
    if ((plan.Error = ValidateNumbers(e, ident))) return plan;
    const QString unit = e.DevUnit.Changed ? e.DevUnit.Text.trimmed().leftJustified(12, QLatin1Char(' '), true) : QString();
    QString dayBound, period, cp, cpz;
    uint16_t &err = plan.Error;
    if (e.DayBound.Changed && (dayBound = DayBoundaryCode(e.DayBound.Text, err), err)) return plan;
    if (e.Period.Changed && (period = PeriodCode(e.Period.Text, err), err)) return plan;
    if (e.CpVal.Changed && (cp = CpCode(e.CpVal.Text, err), err)) return plan;
    if (e.CPz.Changed && (cpz = CounterCpCode(e.CPz.Text, err), err)) return plan;
    if (e.AlarmVisible && (e.AlarmCycleChanged || e.AlarmLimit.Changed || e.CpVal.Changed)) {
        plan.Alarm = TItemWrite{'X', QStringLiteral("W"), AlarmCode(e, d, unitItem, err)};
        if (err) return plan;
    }
    AddWrite(plan, 'm', "l", ident.DevNo, false, true);
    AddWrite(plan, 'k', "j", ident.CountNo, false, true);
    AddWrite(plan, 'i', "h", ident.CustNo, false, true);
    AddWrite(plan, '_', "^", unit);
    AddWrite(plan, 'u', "t", ident.SetCounter);
    AddWrite(plan, 'S', "R", cpz);
    AddWrite(plan, ']', "\\", dayBound, true);
    AddWrite(plan, 'q', "p", period, true);
    AddWrite(plan, 'o', "n", cp, true);
    return plan;
}

TWriteOutcome RunCommonDataWrites(const TWritePlan &plan, bool valueLock, const TWriteSink &sink) {
    TWriteOutcome outcome;
    auto write = [&](const TItemWrite &item) {
        const int32_t r = sink.Write(item);
        if (r == 0 && item.Identification) outcome.IdentificationWritten = true;
        if (r == 0 || outcome.Message) return;
        outcome.Message = (item.Lockable && valueLock && r == 4) ? kValueLocked : kWriteRefused;
    };
    for (const TItemWrite &item : plan.Items) write(item);
    if (sink.RestorePeriod) sink.RestorePeriod();
    if (!plan.Alarm.Text.isEmpty()) write(plan.Alarm);
    return outcome;
}

uint16_t CounterCpExitCheck(const QString &text) {
    double v = 0;
    return ParseLocaleNumber(text, v) && v > kCounterCpMax ? kCounterCpTooLarge : 0;
}

} // namespace korvul
