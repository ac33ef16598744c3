#include "read/BatchLog.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimeZone>

namespace korvul {

QString IsoTime(const QDateTime &time) {
    QDateTime t = time.toLocalTime();
    t = t.toOffsetFromUtc(t.offsetFromUtc());  // carries its offset into the text, also +00:00
    QString text = t.toString(Qt::ISODateWithMs);
    if (text.endsWith(QLatin1Char('Z'))) {
        text.chop(1);
        text += QStringLiteral("+00:00");
    }
    return text;
}

namespace {

QByteArray Line(const QJsonObject &o) { return QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n'; }

} // namespace

QByteArray DeviceLogLine(const TDeviceResult &r) {
    QJsonObject o;
    o.insert("event", r.Event);
    o.insert("device", r.Device);
    o.insert("line", r.Line);
    o.insert("port", r.Port);
    o.insert("start", IsoTime(r.Start));
    o.insert("end", IsoTime(r.End));
    o.insert("files", QJsonArray::fromStringList(r.Files));
    o.insert("records", r.Records);
    o.insert("result", r.Result);
    o.insert("message", r.Message);
    return Line(o);
}

QByteArray BatchLogLine(const TBatchTotals &t) {
    QJsonObject o;
    o.insert("event", QStringLiteral("batch"));
    o.insert("list", t.List);
    o.insert("start", IsoTime(t.Start));
    o.insert("end", IsoTime(t.End));
    o.insert("devices", t.Devices);
    o.insert("succeeded", t.Succeeded);
    o.insert("failed", t.Failed);
    o.insert("skipped", t.Skipped);
    o.insert("result", t.Result);
    return Line(o);
}

QString BatchSummary(const QList<TDeviceResult> &results, const TBatchTotals &t) {
    QString out;
    for (const TDeviceResult &r : results) {
        if (r.Event == QLatin1String("skipped"))
            out += QStringLiteral("%1  skipped: %2\n").arg(r.Device.isEmpty() ? QStringLiteral("-") : r.Device, r.Message);
        else if (r.Result == 0)
            out += QStringLiteral("%1  ok  %2 files, %3 records\n").arg(r.Device).arg(r.Files.size()).arg(r.Records);
        else
            out += QStringLiteral("%1  failed (%2): %3\n").arg(r.Device).arg(r.Result).arg(r.Message);
    }
    out += QStringLiteral("%1 devices: %2 read, %3 failed, %4 skipped\n")
               .arg(t.Devices).arg(t.Succeeded).arg(t.Failed).arg(t.Skipped);
    return out;
}

int ArchiveRecordCount(const QByteArray &content) {
    int count = 0;
    bool inData = false;
    for (const QByteArray &raw : content.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith('[')) inData = line == "[IVDATA]";
        else if (inData && line.startsWith('x') && line.contains('=')) ++count;
    }
    return count;
}

QString RunMessage(int exitCode, const QByteArray &standardError) {
    if (exitCode == 0) return QStringLiteral("ok");
    QStringList said;
    for (const QByteArray &raw : standardError.split('\n')) {
        QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(QLatin1String("korvul-read: "))) line = line.mid(13).trimmed();
        if (!line.isEmpty() && !said.contains(line)) said << line;
    }
    if (said.isEmpty()) return QStringLiteral("ended with exit code %1").arg(exitCode);
    return said.join(QStringLiteral(" | "));
}

} // namespace korvul
