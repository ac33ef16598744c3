#pragma once
// The run log of "korvul-read batch": one JSON object per line for every device (read or skipped) and
// a closing line for the batch; and the summary on standard output. Pure logic.
//
// Device line:  {"event":"device","device":NAME,"line":N,"port":PORT,"start":ISO,"end":ISO,
//                "files":[PATH,...],"records":N,"result":CODE,"message":TEXT}
// Skipped line: {"event":"skipped","device":NAME,"line":N,"start":ISO,"end":ISO,"files":[],"records":0,
//                "result":2,"message":TEXT}
// Batch line:   {"event":"batch","list":FILE,"start":ISO,"end":ISO,"devices":N,"succeeded":N,
//                "failed":N,"skipped":N,"result":CODE}
// Times are ISO 8601 with the zone offset (2026-12-08T02:00:05.120+01:00). result is the device run's
// exit code (korvul-read --help), message "ok" or the run's last message.
#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

namespace korvul {

struct TDeviceResult {
    QString Event = QStringLiteral("device");  // device or skipped
    QString Device;
    int Line = 0;
    QString Port;
    QDateTime Start, End;
    QStringList Files;
    int Records = 0;
    int Result = 0;
    QString Message;
};

struct TBatchTotals {
    QString List;
    QDateTime Start, End;
    int Devices = 0, Succeeded = 0, Failed = 0, Skipped = 0, Result = 0;
};

// Local time with its offset from UTC, milliseconds included.
QString IsoTime(const QDateTime &time);

// One log line each, ending in "\n".
QByteArray DeviceLogLine(const TDeviceResult &r);
QByteArray BatchLogLine(const TBatchTotals &t);

// Summary lines for standard output: one per device ("NAME  ok  3 files, 412 records" or
// "NAME  failed (4): message"), then the totals.
QString BatchSummary(const QList<TDeviceResult> &results, const TBatchTotals &totals);

// Records of an archive file: the "x<n>=" lines after "[IVDATA]".
int ArchiveRecordCount(const QByteArray &content);

// The message of a run from its standard error: its lines without the "korvul-read: " prefix, each
// once, joined by " | "; "ok" for exit code 0.
QString RunMessage(int exitCode, const QByteArray &standardError);

} // namespace korvul
