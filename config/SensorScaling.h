#pragma once
// The QT-700/M sensor scaling values (registers "3010" maximum, "3011" offset, "3012" slope, "3810"
// lower and "3811" higher value): their device texts and how the sensor pages show them.
//
// A device value text is a hexadecimal mantissa (4 digits, 8 for the slope) followed by a decimal
// exponent as a signed hexadecimal byte: value = mantissa x 10^exponent ("2710FD" = 10000 x 10^-3).
// Encoding never produces a text of another length: a value whose mantissa would be negative or need
// more digits, and a pressure maximum outside the ranges below, are refused with a language text.
#include <QString>
#include <optional>

namespace korvul {

enum class TSensor { Pressure, Temperature };
// Which value an entry edit holds; the slope is the one 10-character value.
enum class TSensorValue { Maximum, Lower, Higher, Offset, Slope };

// Language texts of a refused entry (formats take the edit's text).
inline constexpr uint16_t kNotANumberText = 1290;        // "%s" is no number
inline constexpr uint16_t kMaximumOutOfRangeText = 1291; // pressure maximum outside every range
inline constexpr uint16_t kValueOutOfRangeText = 1292;   // negative or too large for its digits

// The pressure exponent for a maximum M in bar: factor and exponent text. Ranges (single precision M):
// [0, 0.652591) 100000 "FB"; [0.6536, 1.00091) 10000 "FC"; [1.001, 65.2591) 1000 "FD";
// [65.26, 163.791) 100 "FE". Nothing for negative M, the gaps between the ranges and 163.791 and above.
struct TPressureRange {
    int Factor;
    const char *Exponent;
};
std::optional<TPressureRange> PressureRangeFor(float maximum);

// The edit's text as a single-precision number: optional "-", digits, at most one decimal separator
// ("," or "."), digits. Nothing for any other text (empty, letters, two separators, a lone "-").
std::optional<float> ParseSensorEntry(const QString &text);

// Result of encoding: the device text, or the number of the language text that refuses the entry.
struct TSensorText {
    QString Text;
    uint16_t Refusal = 0;
    bool Ok() const { return Refusal == 0; }
};

// Encodes v for one register. Pressure: round(v x factor of the range of pressureMaximum), for a Maximum
// the range of v itself. Temperature (factor 10, "FF"): maximum, lower and higher value in degrees C as
// round((v + 273.2) x 10), offset and slope as round(v x 10). round() goes to the nearest integer, ties
// to even; digits are capital hexadecimal, 4 (8 for the slope) wide.
TSensorText EncodeSensorValue(TSensor sensor, TSensorValue role, float v, float pressureMaximum);

// Decodes the first 6 (slope: 10) characters of a register text; nothing when they are not a value text.
std::optional<double> DecodeSensorValue(const QString &registerText, TSensorValue role);

// The shown current values: the maximum with "%3.4g" (pressure) or as the decoded value - 273.2 with
// "%3.2g" (temperature); offset and slope with "%3.8g". An undecodable text is shown as it stands.
QString SensorDisplayText(TSensor sensor, TSensorValue role, const QString &registerText);

// The register of each value.
QString SensorRegister(TSensorValue role);
// The write length of each value: 6, or 10 for the slope.
int SensorTextLength(TSensorValue role);

// The pressure maximum last written from either maximum edit of the pressure page (single precision,
// program-wide; 0 until one was written). The lower, higher, offset and slope values follow its range.
float PressureMaximum();
void SetPressureMaximum(float maximum);

} // namespace korvul
