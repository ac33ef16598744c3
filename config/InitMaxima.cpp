#include "config/InitMaxima.h"

#include "comm/Conversions.h"

#include <map>

namespace korvul {

namespace {

bool AllDigits(const QString &s) {
    for (QChar c : s)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
    return !s.isEmpty();
}

// The fields of `text` laid out by `format` (conversion letters, see LocaleFormats): letter -> digits.
// Every character outside a field must be the format's own; the lengths must match exactly.
std::optional<std::map<QChar, int>> ReadFields(const QString &text, const QString &format) {
    if (text.size() != format.size()) return std::nullopt;
    std::map<QChar, int> fields;
    for (int i = 0; i < format.size();) {
        const QChar c = format[i];
        if (!c.isLetter()) {
            if (text[i] != c) return std::nullopt;
            ++i;
            continue;
        }
        int j = i;
        while (j < format.size() && format[j] == c) ++j;
        const QString digits = text.mid(i, j - i);
        if (!AllDigits(digits) || fields.count(c)) return std::nullopt;
        fields[c] = digits.toInt() + (c == QLatin1Char('y') && j - i == 2 ? 2000 : 0);
        i = j;
    }
    return fields;
}

} // namespace

QString FitNumber(const QString &text, int length) {
    if (length < 1) return QString();
    if (text.size() >= length) return text.left(length);
    return QString(length - text.size(), QLatin1Char('0')) + text;
}

QString ChannelSerialNumber(const QString &serial, int channelIndex, int channelCount) {
    QString fitted = FitNumber(serial, 12);
    if (channelCount > 1) fitted[7] = QChar(u'0' + (channelIndex + 1) % 10);
    return fitted;
}

std::optional<int> ChannelIndexFromY(const QString &answer, int channelCount) {
    if (answer.size() < 2 || !answer[1].isDigit() || answer[1].unicode() > '9') return std::nullopt;
    const int index = answer[1].unicode() - '0';
    if (index >= channelCount) return std::nullopt;
    return index;
}

QByteArray AccessCodeBytes(const QString &code) {
    QByteArray bytes = code.toLatin1().left(8);
    bytes.append(QByteArray(8 - bytes.size(), '\0'));
    return bytes;
}

std::optional<QTime> DayBoundaryTime(const QString &hhmm) {
    if (hhmm.size() != 4 || !AllDigits(hhmm)) return std::nullopt;
    const QTime t(hhmm.left(2).toInt(), hhmm.mid(2).toInt());
    if (!t.isValid()) return std::nullopt;
    return t;
}

QDateTime NextCheckDateTime(const QDateTime &deviceNow, const QTime &boundary, bool nextCheckSet) {
    const QDateTime now(deviceNow.date(), deviceNow.time(), Qt::UTC);
    const QDateTime boundaryToday(now.date(), boundary, Qt::UTC);
    if (boundaryToday.addSecs(-6) > now) return boundaryToday.addSecs(-5);
    const int days = boundary == QTime(0, 0) && nextCheckSet ? 2 : 1;
    return boundaryToday.addDays(days).addSecs(-5);
}

std::optional<QDateTime> DateTimeFromClockText(const QString &text) {
    if (text.size() != 12 || !AllDigits(text)) return std::nullopt;
    auto two = [&text](int i) { return text.mid(i, 2).toInt(); };
    const QDate date(2000 + two(0), two(2), two(4));
    const QTime time(two(6), two(8), two(10));
    if (!date.isValid() || !time.isValid()) return std::nullopt;
    return QDateTime(date, time, Qt::UTC);
}

QString ClockTextOf(const QDateTime &dateTime) {
    return dateTime.date().toString(QStringLiteral("yyMMdd")) + dateTime.time().toString(QStringLiteral("HHmmss"));
}

QString LocaleDateText(const QDateTime &dateTime) { return DeviceDateToText(ClockTextOf(dateTime), 2); }

QString LocaleTimeText(const QDateTime &dateTime) { return DeviceTimeToText(ClockTextOf(dateTime).mid(6), 2); }

std::optional<QDateTime> LocaleDateTime(const QString &dateText, const QString &timeText) {
    const auto d = ReadFields(dateText.trimmed(), LocaleFormats().ShortDateFormat);
    const auto t = ReadFields(timeText.trimmed(), LocaleFormats().LongTimeFormat);
    if (!d || !t) return std::nullopt;
    auto field = [](const std::map<QChar, int> &f, char letter) {
        const auto it = f.find(QLatin1Char(letter));
        return it == f.end() ? -1 : it->second;
    };
    const QDate date(field(*d, 'y'), field(*d, 'm'), field(*d, 'd'));
    const int second = field(*t, 's');
    const QTime time(field(*t, 'h'), field(*t, 'm'), second < 0 ? 0 : second);
    if (!date.isValid() || !time.isValid()) return std::nullopt;
    return QDateTime(date, time, Qt::UTC);
}

} // namespace korvul
