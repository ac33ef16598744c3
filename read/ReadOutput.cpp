#include "read/ReadOutput.h"

#include "base/ControlText.h"

#include "main/CommonDataView.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace korvul {

namespace {

void Add(QList<TShownValue> &out, const char *key, const QString &value, const QString &label = {},
         const QString &unit = {}) {
    if (value.trimmed().isEmpty()) return;
    out << TShownValue{QString::fromLatin1(key), value.trimmed(), label.trimmed(), unit.trimmed()};
}

// Lines of key=value text hold no line break: a value with one is written on one line; no other
// control character reaches the terminal either.
QString OneLine(QString text) {
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return EscapeControls(text);
}

// QJsonDocument escapes C0 controls but writes DEL and the C1 controls as they are (UTF-8 C2 80..C2 9F).
// Those bytes only occur inside strings, so a \u escape in their place keeps the document and its texts.
QByteArray EscapeJsonControls(const QByteArray &json) {
    QByteArray out;
    out.reserve(json.size());
    for (qsizetype i = 0; i < json.size(); ++i) {
        const auto b = static_cast<unsigned char>(json[i]);
        const auto next = i + 1 < json.size() ? static_cast<unsigned char>(json[i + 1]) : 0;
        if (b == 0x7F) {
            out += "\\u007f";
        } else if (b == 0xC2 && next >= 0x80 && next <= 0x9F) {
            out += "\\u00" + QByteArray::number(next, 16);
            ++i;
        } else {
            out += char(b);
        }
    }
    return out;
}

QJsonObject DeviceObject(const TDeviceInfo &info) {
    QJsonObject d;
    d["identText"] = info.IdentText;
    d["typeName"] = info.TypeName;
    d["typeCode"] = info.TypeCode;
    d["version"] = info.Version;
    d["software"] = SoftwareText(info.Version);
    d["channelCount"] = info.ChannelCount;
    d["writeAccess"] = info.WriteAccess;
    return d;
}

QJsonObject ChannelObject(const TChannelData &c, const TDeviceInfo &info) {
    QJsonObject items, values, units, labels;
    for (const QString &line : c.Items) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq > 0) items[line.left(eq)] = line.mid(eq + 1);
    }
    for (const TShownValue &v : ShownValues(c.Items, info)) {
        values[v.Key] = v.Value;
        if (!v.Unit.isEmpty()) units[v.Key] = v.Unit;
        if (!v.Label.isEmpty()) labels[v.Key] = v.Label;
    }
    QJsonObject o;
    o["channel"] = c.Channel;
    o["items"] = items;
    o["values"] = values;
    o["units"] = units;
    o["labels"] = labels;
    return o;
}

} // namespace

QList<TShownValue> ShownValues(const TStrList &items, const TDeviceInfo &info) {
    const TCommonDataView v = BuildCommonDataView(items, info);
    QList<TShownValue> out;
    Add(out, "DeviceType", v.DevType);
    Add(out, "Software", v.Sw);
    Add(out, "Date", v.Date);
    Add(out, "Time", v.Time);
    Add(out, "DeviceNumber", v.DevNo);
    Add(out, "CounterNumber", v.CountNo);
    Add(out, "CustomerNumber", v.CustNo);
    Add(out, "Unit", v.DevUnit);
    Add(out, "SetCounter", v.SetCounter, v.Label7, v.Label20);
    Add(out, "TotalCounter", v.TotCounter, v.Label8, v.Label21);
    Add(out, "MonthBeginCounter", v.SetCountMoBeg, v.Label9, v.Label22);
    if (v.CPzVisible) Add(out, "CounterCp", v.CPz, v.Label13, v.Label26);
    if (v.CpValVisible) Add(out, "Cp", v.CpVal, QString(), v.Label25);
    if (v.AlarmVisible) Add(out, "AlarmLimit", v.AlarmLimit, v.Label28, v.Label29);
    Add(out, "StatusRegister", v.StatReg);
    Add(out, "DayBoundary", v.DayBound);
    Add(out, "MeasuringPeriod", v.Period);
    Add(out, "LastReader", v.LstReadName);
    Add(out, "LastAccess", v.LstAccDate);
    return out;
}

QString CommonDataText(const TCommonReport &report) {
    const TDeviceInfo &info = report.Info;
    QString out = QStringLiteral("[DEVICE]\n");
    out += QStringLiteral("IdentText=%1\nTypeName=%2\nTypeCode=%3\nVersion=%4\nSoftware=%5\nChannelCount=%6\n"
                          "WriteAccess=%7\n")
               .arg(OneLine(info.IdentText), OneLine(info.TypeName))
               .arg(info.TypeCode)
               .arg(info.Version)
               .arg(OneLine(SoftwareText(info.Version)))
               .arg(info.ChannelCount)
               .arg(info.WriteAccess ? 1 : 0);
    for (const TChannelData &c : report.Channels) {
        out += QStringLiteral("[CHANNEL %1]\n").arg(c.Channel);
        for (const QString &line : c.Items)
            if (line.indexOf(QLatin1Char('=')) > 0) out += OneLine(line) + QLatin1Char('\n');
        for (const TShownValue &v : ShownValues(c.Items, info)) {
            const QString value = v.Unit.isEmpty() ? v.Value : v.Value + QLatin1Char(' ') + v.Unit;
            out += v.Key + QLatin1Char('=') + OneLine(value) + QLatin1Char('\n');
        }
    }
    return out;
}

QByteArray CommonDataJson(const TCommonReport &report) {
    QJsonArray channels;
    for (const TChannelData &c : report.Channels) channels.append(ChannelObject(c, report.Info));
    QJsonObject root;
    root["device"] = DeviceObject(report.Info);
    root["channels"] = channels;
    return EscapeJsonControls(QJsonDocument(root).toJson(QJsonDocument::Indented));
}

QString CsvField(const QString &field) {
    const bool quote = field.contains(QLatin1Char(',')) || field.contains(QLatin1Char('"')) ||
                       field.contains(QLatin1Char('\r')) || field.contains(QLatin1Char('\n')) ||
                       field.startsWith(QLatin1Char(' ')) || field.endsWith(QLatin1Char(' '));
    if (!quote) return field;
    QString doubled = field;
    doubled.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + doubled + QLatin1Char('"');
}

QString ProcessLine(const QStringList &cells, bool csv, QChar separator) {
    QStringList shown;
    for (const QString &c : cells) shown << (csv ? CsvField(EscapeControls(c, u"\t\r\n")) : OneLine(c));
    return shown.join(csv ? QLatin1Char(',') : separator) + QLatin1Char('\n');
}

QStringList ShownTitles(const QStringList &rawTitles) {
    const QString order = QString::fromLatin1(kCounterOrder);
    QStringList titles;
    for (QChar c : order) titles << rawTitles.value(c.digitValue());
    return titles;
}

QStringList ShownRowCells(const TProcessRow &row) {
    const auto cells = ShownCells(row, QString::fromLatin1(kCounterOrder));
    return QStringList(cells.begin(), cells.end());
}

} // namespace korvul
