#include "config/QT700AConfig.h"

namespace korvul {

namespace {
constexpr int kSumDigit = 8;
constexpr int kStatusCh3Bit = 0x10, kStatusCh4Bit = 0x40;
// Decimal sums written after "00" for the status channels (they read as the hexadecimal bits above).
constexpr int kStatusCh3Code = 10, kStatusCh4Code = 40;

int HexValue(const QString &text) {
    bool ok = false;
    const int value = text.toInt(&ok, 16);
    return ok && value >= 0 ? value : 0;
}
} // namespace

QString KeepAConfig(const QString &answer) { return answer.left(kAConfigMaxLength); }

TAConfig ParseAConfig(const QString &config) {
    TAConfig parsed;
    if (!config.isEmpty() && HexValue(config.left(1)) == kSumDigit) {
        parsed.sumChannel = true;
        return parsed;
    }
    const int status = config.size() >= 4 ? HexValue(config.mid(2, 2)) : 0;
    parsed.statusCh3 = (status & kStatusCh3Bit) != 0;
    parsed.statusCh4 = (status & kStatusCh4Bit) != 0;
    return parsed;
}

QString AConfigHead(const TAConfig &choice) {
    const int status = (choice.statusCh3 ? kStatusCh3Code : 0) + (choice.statusCh4 ? kStatusCh4Code : 0);
    if (status != 0) return QStringLiteral("00%1").arg(status, 2, 10, QLatin1Char('0'));
    return choice.sumChannel ? QStringLiteral("8000") : QStringLiteral("0000");
}

QString RebuildAConfig(const QString &config, const TAConfig &choice) {
    return (AConfigHead(choice) + config.mid(4)).left(kAConfigMaxLength);
}

TAEnabling AEnabling(const TAConfig &checked) {
    TAEnabling e;
    if (checked.sumChannel) {
        e.statusEnabled = false;
        return e;
    }
    e.statusCh3 = checked.statusCh3;
    e.statusCh4 = checked.statusCh4;
    e.sumEnabled = !e.statusCh3 && !e.statusCh4;
    return e;
}

} // namespace korvul
