#include "main/ClockActions.h"

#include <QRegularExpression>
#include <cmath>

namespace korvul {

std::optional<int64_t> ParseMeasuredPeriod(const QString &text) {
    static const QRegularExpression form(QStringLiteral("^\\s*(\\d{1,9})(?:[.,](\\d{0,4}))?\\s*$"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch()) return std::nullopt;
    const QString decimals = m.captured(2).leftJustified(4, QLatin1Char('0'));
    return m.captured(1).toLongLong() * 10000 + decimals.toLongLong();
}

QString RtcCorrectionText(int64_t periodTenThousandths) {
    const int64_t deviation = periodTenThousandths - 10000000;  // T - 1000, in 0.0001
    int64_t corr = 0;
    if (deviation != 0) {
        const float value = static_cast<float>(1000.0 / (static_cast<double>(deviation) / 10000.0));
        corr = std::llround(static_cast<double>(value));
    }
    // Two's complement in 32 bits; the deviation's smallest step (0.0001) keeps |corr| below 2^24.
    const auto word = static_cast<uint32_t>(static_cast<int64_t>(corr) & 0xFFFFFFFF);
    return QStringLiteral("%1").arg(word, 8, 16, QLatin1Char('0')).toUpper();
}

double RtcReadBackValue(const QString &answer) {
    bool ok = false;
    const uint32_t word = answer.trimmed().toUInt(&ok, 16);
    if (!ok || word == 0) return 0.0;
    return 1000.0 / static_cast<double>(static_cast<int32_t>(word));
}

QString TwoDigitDateFormat(const QString &shortFormat) {
    QString order, separator;
    for (QChar c : shortFormat) {
        if (c == QLatin1Char('d') || c == QLatin1Char('M') || c == QLatin1Char('y')) {
            if (!order.contains(c)) order += c;
        } else if (separator.isEmpty() && !c.isLetter() && !c.isSpace()) {
            separator = c;
        }
    }
    if (order.size() != 3) order = QStringLiteral("dMy");
    if (separator.isEmpty()) separator = QStringLiteral(".");
    QStringList fields;
    for (QChar c : order) fields << QString(2, c);
    return fields.join(separator);
}

QDate ParseTwoDigitDate(const QString &text, const QString &format) {
    const QDate date = QDate::fromString(text.trimmed(), format);
    return date.isValid() && date.year() < 2000 ? date.addYears(100) : date;
}

std::optional<QString> DeviceClockText(const QDate &date, const QString &hhmm) {
    const QTime time = QTime::fromString(hhmm.trimmed(), QStringLiteral("H:mm"));
    if (!date.isValid() || !time.isValid()) return std::nullopt;
    return date.toString(QStringLiteral("yyMMdd")) + time.toString(QStringLiteral("HHmm")) + QStringLiteral("00");
}

bool IsAccessCodeChar(QChar c) { return c.unicode() >= 32 && c.unicode() <= 125; }

TNdacEnabling NdacEnabling(const QString &code, const QString &verify) {
    return {!code.isEmpty(), !code.isEmpty() && !verify.isEmpty()};
}

uint16_t NdacRefusal(const QString &code, const QString &verify) {
    if (code != verify) return 910;
    if (code.size() < kAccessCodeLength) return 912;
    return 0;
}

} // namespace korvul
