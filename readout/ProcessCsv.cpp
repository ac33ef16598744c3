#include "readout/ProcessCsv.h"

#include "base/ControlText.h"

#include <QRegularExpression>
#include <QSaveFile>

namespace korvul {

namespace {
// The register in hexadecimal as "0x80000000": read as a number it would be taken as decimal (and
// "00000000" would lose its digits). A status that is no hexadecimal number stays as sent.
QString RegisterCell(const QString &status) {
    static const QRegularExpression hex(QStringLiteral("^[0-9A-Fa-f]+$"));
    const QString text = EscapeControls(status.trimmed());
    return hex.match(text).hasMatch() ? QStringLiteral("0x") + text : text;
}
} // namespace

QStringList ProcessCsvTitles(const QStringList &rawTitles, const QString &stampTitle, const QString &registerTitle,
                             int typeCode) {
    QStringList titles{stampTitle};
    for (int c = kCsvDeviceTime; c < kCsvColumns; ++c) {
        const int raw = kCsvRawColumn[c];
        const QString title = c == kCsvStatusRegister ? registerTitle : rawTitles.value(raw);
        const QString unit = ProcessDataUnit(typeCode, raw);
        titles << (unit.isEmpty() ? title : title + QStringLiteral(" [") + unit + QLatin1Char(']'));
    }
    return titles;
}

QString ProcessCsvStamp(const QDateTime &time) {
    if (!time.isValid()) return QString();
    // Local time alone would print no offset; the offset keeps a file from two time zones unambiguous.
    return time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODate);
}

QString DotDecimal(const QString &cell, QChar decimalSeparator) {
    QString text = cell.trimmed();
    if (decimalSeparator != QLatin1Char('.')) text.replace(decimalSeparator, QLatin1Char('.'));
    return text;
}

QStringList ProcessCsvCells(const TProcessSample &sample, QChar decimalSeparator) {
    const TProcessRow &row = sample.Row;
    QStringList cells{ProcessCsvStamp(sample.Received)};
    for (int c = kCsvDeviceTime; c < kCsvColumns; ++c) {
        const QString &cell = row[size_t(kCsvRawColumn[c])];
        if (c == kCsvStatus) cells << StatusCheck(cell);
        else if (c == kCsvStatusRegister) cells << RegisterCell(cell);
        else if (IsProcessNumberColumn(kCsvRawColumn[c])) cells << DotDecimal(cell, decimalSeparator);
        else cells << EscapeControls(cell.trimmed());
    }
    return cells;
}

QString ProcessCsvLine(const QStringList &cells) {
    QStringList out;
    for (const QString &cell : cells) {
        const bool quote = cell.contains(QLatin1Char(',')) || cell.contains(QLatin1Char('"')) ||
                           cell.contains(QLatin1Char('\r')) || cell.contains(QLatin1Char('\n')) ||
                           cell.startsWith(QLatin1Char(' ')) || cell.endsWith(QLatin1Char(' '));
        if (!quote) {
            out << cell;
            continue;
        }
        QString doubled = cell;
        doubled.replace(QLatin1Char('"'), QLatin1String("\"\""));
        out << QLatin1Char('"') + doubled + QLatin1Char('"');
    }
    return out.join(QLatin1Char(',')) + QLatin1Char('\n');
}

bool SaveProcessCsv(const QString &path, const std::vector<TProcessSample> &samples, int typeCode,
                    QChar decimalSeparator) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    bool ok = file.write(ProcessCsvHeader(typeCode).toUtf8()) >= 0;
    for (size_t i = 0; ok && i < samples.size(); ++i)
        ok = file.write(ProcessCsvLine(ProcessCsvCells(samples[i], decimalSeparator)).toUtf8()) >= 0;
    if (!ok) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace korvul
