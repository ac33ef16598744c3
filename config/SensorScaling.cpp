#include "config/SensorScaling.h"

#include "base/LangSupp.h"
#include "comm/Conversions.h"

#include <QRegularExpression>
#include <cmath>

namespace korvul {

namespace {

constexpr double kZeroCelsius = 273.2;  // the device's kelvin offset, tenths resolution
float pressureMaximum = 0.0f;

// The bounds as typed, in single precision like M itself, so that an entry of exactly 0.6536 lies in
// its range rather than below it.
bool InRange(float m, double low, double high) { return m >= static_cast<float>(low) && m < static_cast<float>(high); }

int Digits(TSensorValue role) { return role == TSensorValue::Slope ? 8 : 4; }

// Whether the value is given in degrees C and written as kelvin.
bool Absolute(TSensorValue role) {
    return role == TSensorValue::Maximum || role == TSensorValue::Lower || role == TSensorValue::Higher;
}

TSensorText Refused(uint16_t text) { return {QString(), text}; }

} // namespace

std::optional<TPressureRange> PressureRangeFor(float maximum) {
    if (InRange(maximum, 0.0, 0.652591)) return TPressureRange{100000, "FB"};
    if (InRange(maximum, 0.6536, 1.00091)) return TPressureRange{10000, "FC"};
    if (InRange(maximum, 1.001, 65.2591)) return TPressureRange{1000, "FD"};
    if (InRange(maximum, 65.26, 163.791)) return TPressureRange{100, "FE"};
    return std::nullopt;
}

std::optional<float> ParseSensorEntry(const QString &text) {
    static const QRegularExpression number(QStringLiteral("^-?[0-9]*[.,]?[0-9]*$"));
    const QString t = text.trimmed();
    if (!number.match(t).hasMatch() || !t.contains(QRegularExpression(QStringLiteral("[0-9]")))) return std::nullopt;
    QString plain = t;
    plain.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const float v = plain.toFloat(&ok);
    if (!ok || !std::isfinite(v)) return std::nullopt;
    return v;
}

TSensorText EncodeSensorValue(TSensor sensor, TSensorValue role, float v, float maximum) {
    double scaled = 0;
    QString exponent = QStringLiteral("FF");
    if (sensor == TSensor::Pressure) {
        const std::optional<TPressureRange> range =
            PressureRangeFor(role == TSensorValue::Maximum ? v : maximum);
        if (!range) return Refused(kMaximumOutOfRangeText);
        scaled = static_cast<double>(v) * range->Factor;
        exponent = QLatin1String(range->Exponent);
    } else {
        scaled = (Absolute(role) ? static_cast<double>(v) + kZeroCelsius : static_cast<double>(v)) * 10.0;
    }
    const double mantissa = std::nearbyint(scaled);  // the default rounding mode: nearest, ties to even
    const int digits = Digits(role);
    if (!(mantissa >= 0) || mantissa > std::ldexp(1.0, 4 * digits) - 1) return Refused(kValueOutOfRangeText);
    const QString hex = QString::number(static_cast<qulonglong>(mantissa), 16).toUpper();
    return {hex.rightJustified(digits, QLatin1Char('0')) + exponent, 0};
}

std::optional<double> DecodeSensorValue(const QString &registerText, TSensorValue role) {
    const int length = SensorTextLength(role);
    if (registerText.size() < length) return std::nullopt;
    try {
        return HexFloatFromText(registerText.left(length), length - 1);
    } catch (const TConversionError &) {
        return std::nullopt;
    }
}

QString SensorDisplayText(TSensor sensor, TSensorValue role, const QString &registerText) {
    const std::optional<double> v = DecodeSensorValue(registerText, role);
    if (!v) return registerText;
    if (role != TSensorValue::Maximum) return FormatText(QStringLiteral("%3.8g"), {*v});
    if (sensor == TSensor::Pressure) return FormatText(QStringLiteral("%3.4g"), {*v});
    return FormatText(QStringLiteral("%3.2g"), {*v - kZeroCelsius});
}

QString SensorRegister(TSensorValue role) {
    switch (role) {
    case TSensorValue::Maximum: return QStringLiteral("3010");
    case TSensorValue::Offset: return QStringLiteral("3011");
    case TSensorValue::Slope: return QStringLiteral("3012");
    case TSensorValue::Lower: return QStringLiteral("3810");
    case TSensorValue::Higher: return QStringLiteral("3811");
    }
    return {};
}

int SensorTextLength(TSensorValue role) { return Digits(role) + 2; }

float PressureMaximum() { return pressureMaximum; }
void SetPressureMaximum(float maximum) { pressureMaximum = maximum; }

} // namespace korvul
