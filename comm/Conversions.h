#pragma once
// Conversions of device value texts into displayable text and numbers. Malformed input raises
// TConversionError; a conversion never returns a partial result.
#include <QChar>
#include <QString>
#include <stdexcept>

namespace korvul {

class TConversionError : public std::runtime_error {
public:
    explicit TConversionError(const QString &message) : std::runtime_error(message.toStdString()) {}
};

// Locale formats in the letters the conversions expect: y year, m month, d day in the short date format
// ("dd.mm.yyyy"); h hour, m minute, s second in the long time format ("hh:mm:ss"), all lower case.
struct TLocaleFormats {
    QString ShortDateFormat;
    QString LongTimeFormat;
    QChar DecimalSeparator;
};

// The formats in use: QLocale::system() unless a test set its own.
const TLocaleFormats &LocaleFormats();
// Converts Qt date/time formats into the conversion letters (every field two letters, the year two or
// four, names of days and months shown as numbers, time zone and AM/PM markers dropped).
QString DateFormatLetters(const QString &qtFormat);
// The program's short date form for a locale's short date format: its letters, or "dd.mm.yyyy" when they
// hold no day or no separator other than blanks (a locale that writes the month as a name, such as the
// C locale's "d MMM yyyy", would otherwise show "08 12 2026").
QString ShortDateFormatFor(const QString &qtFormat);
QString TimeFormatLetters(const QString &qtFormat);
// Tests replace the formats; ResetLocaleFormats goes back to QLocale::system().
void SetLocaleFormats(const TLocaleFormats &formats);
void ResetLocaleFormats();

// 0..15 for "0".."9" and "A".."F"; -1 for every other character (lower-case letters included).
int HexDigitValue(QChar c);

// Decodes a status word: with TypeCode 91 the one language text Text (decimal) + 9100 + Base; otherwise
// for each set bit b (1..4) of the i-th hexadecimal digit from the right, CR LF and language text
// TypeCode * 100 + Base + (i - 1) * 4 + b. Text numbers wrap at 65536.
QString StatusBitsToText(const QString &text, int typeCode, int base);
// " E.1" ... " E.8" for the set bits 0..7 of a hexadecimal number.
QString InputBitsToText(const QString &hexText);
// Places the hours, minutes and seconds (Width characters each, in this order) into the long time
// format. Raises when Text holds fewer than 3 * Width characters or Width is below 1.
QString DeviceTimeToText(const QString &text, int width);
// Places year, month and day (Width characters each) into the short date format; a four-letter year
// gets "20" in front. Raises like DeviceTimeToText.
QString DeviceDateToText(const QString &text, int width);
// "mmmmmmmmsseee": 0.mmmmmmmm x 10^(+ee) with sign field "00", 10^(-ee) otherwise.
double DecimalFloatFromText(const QString &text);
// Hexadecimal mantissa (characters before ExponentPos, 1-based) x 10^(signed hexadecimal byte from
// ExponentPos). An empty text is 0.
double HexFloatFromText(const QString &text, int exponentPos);
// "99" (blanks around allowed) is 99; otherwise 0.01 x 10^Text, Text a signed decimal integer.
double ResolutionFromText(const QString &text);

// A decimal integer (optional sign, digits, nothing else) or TConversionError naming the text.
int DecimalFromText(const QString &text);
// A hexadecimal integer of 1..8 digits (either letter case) or TConversionError.
uint32_t HexFromText(const QString &text);

} // namespace korvul
