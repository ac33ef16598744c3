#include "readout/ProcessData.h"

#include "comm/Conversions.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace korvul {

QString ProcessDataRequest(int typeCode, int version) {
    if (typeCode == 91) return version < 40 ? QStringLiteral("P55") : QStringLiteral("P56");
    return QStringLiteral("P67");
}

std::optional<TProcessRow> ParseType91Answer(const QString &answer) {
    // 1-based positions 9 and 10 are indexes 8 and 9.
    int colon = -1;
    if (answer.size() > 8 && answer[8] == QLatin1Char(':')) colon = 8;
    else if (answer.size() > 9 && answer[9] == QLatin1Char(':')) colon = 9;
    if (colon < 0) return std::nullopt;
    QString rest = answer.mid(colon - 2).trimmed();
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    QStringList tokens;
    for (int i = 0; i < 9 && !rest.isEmpty(); ++i) {
        const int end = rest.indexOf(blanks);
        tokens << (end < 0 ? rest : rest.left(end)).trimmed();
        rest = end < 0 ? QString() : rest.mid(end).trimmed();
    }
    while (tokens.size() < 9) tokens << QString();
    const int dot = rest.indexOf(QLatin1Char('.'));
    if (dot >= 0) rest.remove(dot, 1);
    TProcessRow row;
    const int tokenOf[kRawColumns] = {1, 2, 3, 9, 8, 6, 7, 0, 4, 5};
    for (int c = 0; c < kRawColumns; ++c) row[size_t(c)] = tokenOf[c] ? tokens[tokenOf[c] - 1] : rest.trimmed();
    return row;
}

// More decimals than a double carries digits would only print noise; an absurd exponent from a garbled
// answer (D-1640517123) would ask for gigabytes of zeros.
constexpr int kMaxDecimals = 15;

QString FormatDeviceNumber(const QString &field, double offset, QChar decimalSeparator) {
    QString text = field.trimmed();
    text.remove(QLatin1Char(':'));
    const int d = text.indexOf(QLatin1Char('D'));
    static const QRegularExpression number(QStringLiteral("^[+-]?[0-9]+(\\.[0-9]*)?(D[+-]?[0-9]+)?$"));
    if (!number.match(text).hasMatch()) throw TConversionError(QStringLiteral("'%1' is not a valid number").arg(field));
    const int exponent = d < 0 ? 0 : text.mid(d + 1).toInt();
    bool ok = false;
    const double value = QString(text).replace(QLatin1Char('D'), QLatin1Char('E')).toDouble(&ok) + offset;
    if (!ok || !std::isfinite(value)) throw TConversionError(QStringLiteral("'%1' is not a valid number").arg(field));
    const int decimals = exponent < 0 ? std::min(-qint64(exponent), qint64(kMaxDecimals)) : 2;
    const int width = exponent < 0 ? std::max(0, (d < 0 ? int(text.size()) : d) - decimals) : 0;
    QString out = QString::number(value, 'f', decimals).rightJustified(width, QLatin1Char(' '));
    if (decimalSeparator != QLatin1Char('.')) out.replace(QLatin1Char('.'), decimalSeparator);
    return out;
}

std::optional<TProcessRow> ParseOtherAnswer(const QString &answer, int typeCode, int version) {
    const int zqv = answer.indexOf(QLatin1String("ZQV"));
    if (zqv < 0) return std::nullopt;
    const QStringList f = answer.mid(zqv + 54).split(QLatin1Char(','));
    auto field = [&](int n) { return n <= f.size() ? f[n - 1] : QString(); };
    const QChar sep = LocaleFormats().DecimalSeparator;
    auto value = [&](int n, double offset = 0.0) { return FormatDeviceNumber(field(n), offset, sep); };
    const QString stamp = field(1);
    TProcessRow row;
    row[0] = stamp.mid(6, 2) + QLatin1Char(':') + stamp.mid(8, 2) + QLatin1Char(':') + stamp.mid(10, 2);
    row[1] = value(2);
    row[2] = value(3);
    row[3] = value(7);
    row[4] = value(6);
    row[5] = value(4, -273.15);
    row[6] = value(5);
    row[7] = field(8);
    if (!(typeCode == 92 && version < 40)) {
        row[8] = value(9);
        row[9] = value(10);
    }
    return row;
}

QString StatusCheck(const QString &status) {
    if (status == QLatin1String("80000000")) return QStringLiteral("Ok");
    int sum = 0;
    for (QChar c : status) {
        const int v = HexDigitValue(c.toUpper());
        if (v < 0) return QStringLiteral("Er");
        sum += v;
    }
    return sum == 0 ? QStringLiteral("Ok") : QStringLiteral("Er");
}

std::array<QString, kShownColumns> ShownRow(const TProcessRow &raw, const QString &columnOrder) {
    std::array<QString, kShownColumns> shown;
    for (int i = 0; i < kShownColumns && i < columnOrder.size(); ++i) {
        const int c = columnOrder[i].digitValue();
        if (c >= 0 && c < kRawColumns) shown[size_t(i)] = raw[size_t(c)];
    }
    return shown;
}

bool IsProcessNumberColumn(int rawColumn) {
    return (rawColumn >= 1 && rawColumn <= 6) || rawColumn == 8 || rawColumn == 9;
}

QString TitleWithUnit(const QString &title, const QString &unit) {
    return unit.isEmpty() ? title : title + QStringLiteral("\n[") + unit + QLatin1Char(']');
}

int InitialPeriod(int typeCode, int pdbPeriod) {
    if (typeCode == 91 && pdbPeriod < 10) return 10;
    // The field holds two digits; a larger value from a hand-edited settings file is held at 99.
    return pdbPeriod >= 5 ? std::min(pdbPeriod, 99) : 5;
}

TPeriodCheck CheckPeriod(int typeCode, int value) {
    if (typeCode == 91 && value < 10) return {10, std::pair{10, 99}};
    if (value < 5) return {5, std::pair{5, 99}};
    if (value > 99) return {99, std::pair{5, 99}};
    return {value, std::nullopt};
}

QString CopyText(const QStringList &titles, const QList<QStringList> &rows, QChar separator) {
    QString text;
    auto addRow = [&](const QStringList &cells) {
        for (const QString &cell : cells) text += cell + separator;
        text += QStringLiteral("\r\n");
    };
    addRow(titles);
    for (const QStringList &row : rows) addRow(row);
    return text;
}

} // namespace korvul
