#pragma once
// Pure rules of the device initialisation and the maxima check: fitting numbers to the lengths the
// device takes, the channel a pass works on, and the next date and time to check the maxima.
//
// Date-times here are calendar values without a time zone (Qt::UTC is used as a plain calendar): the
// device clock knows no daylight saving, so arithmetic on them never skips or repeats an hour.
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QTime>
#include <optional>

namespace korvul {

// A text of `length` characters or more is cut to its first `length`; a shorter one gets "0" on the left
// up to `length` ("2" fitted to 12 is "000000000002"). A length below 1 gives an empty text.
QString FitNumber(const QString &text, int length);

// The serial number written into one channel: fitted to 12; on a device with more than one channel the
// 8th character is replaced by the channel number (index + 1, one digit).
QString ChannelSerialNumber(const QString &serial, int channelIndex, int channelCount);

// The channel index named by an answer of item 'Y' (its second character), when that character is a
// digit below channelCount; nothing otherwise, so that no channel is written under a wrong number.
std::optional<int> ChannelIndexFromY(const QString &answer, int channelCount);

// The access code as item 'c' takes it: exactly 8 bytes, a shorter code filled up with zero bytes.
QByteArray AccessCodeBytes(const QString &code);

// The day boundary "hhmm" as a time; nothing unless it is four digits of a valid time of day.
std::optional<QTime> DayBoundaryTime(const QString &hhmm);

// The next check: 5 s before the day boundary of the device's current day when that is still more than
// 6 s ahead (Boundary - 6 s later than Now); otherwise 5 s before the boundary one day later, or two
// days later when the boundary is midnight and the clock has already been moved once (nextCheckSet),
// because the device then stands at 23:59:55 of the day whose boundary was just checked.
QDateTime NextCheckDateTime(const QDateTime &deviceNow, const QTime &boundary, bool nextCheckSet);

// Device clock text "yymmddhhnnss" (years 2000-2099) and back; nothing for an invalid text.
std::optional<QDateTime> DateTimeFromClockText(const QString &text);
QString ClockTextOf(const QDateTime &dateTime);

// The date and time as the dialogs show them: the locale's short date and long time formats with
// two-digit fields (LocaleFormats(), as DeviceDateToText and DeviceTimeToText place them).
QString LocaleDateText(const QDateTime &dateTime);
QString LocaleTimeText(const QDateTime &dateTime);
// Such a date and time text read back; two-digit years are 2000-2099. Nothing for a text that does not
// match the formats or names no valid date or time.
std::optional<QDateTime> LocaleDateTime(const QString &dateText, const QString &timeText);

} // namespace korvul
