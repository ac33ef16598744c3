#pragma once
// Pure rules of the clock and maintenance actions: the clock correction value of the RTC test, the
// date and time text written by "Set date and time", and the entry rules of the new access code dialog.
#include <QDateTime>
#include <QString>
#include <cstdint>
#include <optional>

namespace korvul {

// The period the operator measured during the clock test (nominal 1000.0000), as typed: "," and "."
// both count as the decimal point, at most 4 decimals. Nothing for a text that is no such number.
std::optional<int64_t> ParseMeasuredPeriod(const QString &text);  // in units of 0.0001

// The correction value for a measured period in units of 0.0001: 0 for exactly 1000.0000, else
// 1000 / (T - 1000) in single precision, rounded to an integer, as 8 upper-case hexadecimal digits
// (a negative value as its 32-bit two's complement). Examples: 1000.0100 -> "000186A0",
// 999.9900 -> "FFFE7960".
QString RtcCorrectionText(int64_t periodTenThousandths);

// The value shown after the correction: 1000 / R with R the read-back item "A" taken as a signed 32-bit
// hexadecimal number; 0 when R is 0 or the text is no hexadecimal number.
double RtcReadBackValue(const QString &answer);

// The locale's short date format with every field two digits wide, in the locale's order and with its
// separator ("d.M.yyyy" -> "dd.MM.yy", "M/d/yy" -> "MM/dd/yy").
QString TwoDigitDateFormat(const QString &shortFormat);
// A date typed in such a format; two-digit years are 2000 to 2099. Invalid: a null date.
QDate ParseTwoDigitDate(const QString &text, const QString &format);

// The clock text "yymmddhhnnss" for the date and the "hh:nn" time the operator set; seconds are
// always 00. Nothing for an invalid date or time.
std::optional<QString> DeviceClockText(const QDate &date, const QString &hhmm);

// The new access code dialog.
inline constexpr int kAccessCodeLength = 8;
// Characters that can be typed into the access code fields: codes 32 to 125.
bool IsAccessCodeChar(QChar c);
struct TNdacEnabling {
    bool verifyEnabled = false;  // the second field takes input only once the first holds something
    bool setEnabled = false;     // Set needs both fields filled
};
TNdacEnabling NdacEnabling(const QString &code, const QString &verify);
// The text number that stops Set (910: the entries differ, 912: shorter than 8 characters), or 0.
uint16_t NdacRefusal(const QString &code, const QString &verify);

} // namespace korvul
