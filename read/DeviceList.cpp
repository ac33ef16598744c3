#include "read/DeviceList.h"

#include "read/ReadOptions.h"

#include <QRegularExpression>
#include <QSet>

#include <map>

namespace korvul {

namespace {

// List keys and the korvul-read option each becomes ("" for keys handled apart).
const std::map<QString, QString> &Keys() {
    static const std::map<QString, QString> keys = {
        {"port", "--port"},         {"modem", "--modem"},        {"access-code", ""},
        {"access-code-file", "--access-code-file"},              {"read", ""},
        {"mode", "--mode"},         {"channel", "--channel"},    {"dir", "--dir"},
        {"name-template", "--name-template"},                    {"code-mark", "--code-mark"},
        {"reader", "--reader"},     {"settings", "--settings"},
    };
    return keys;
}

struct TDraft {
    TDeviceEntry Entry;
    std::map<QString, QString> Values;
    std::map<QString, int> Lines;  // the line of each key
    QStringList Errors;  // "line N: ..." of this entry
};

void AddValue(TDraft &d, int line, const QString &key, const QString &value) {
    if (!Keys().count(key)) {
        d.Errors << QStringLiteral("line %1: unknown setting \"%2\"").arg(line).arg(key);
        return;
    }
    if (d.Values.count(key)) {
        d.Errors << QStringLiteral("line %1: \"%2\" given twice").arg(line).arg(key);
        return;
    }
    if (value.isEmpty()) d.Errors << QStringLiteral("line %1: \"%2\" has no value").arg(line).arg(key);
    d.Values[key] = value;
    d.Lines[key] = line;
}

QString Value(const TDraft &d, const QString &key, const QString &fallback = {}) {
    const auto it = d.Values.find(key);
    return it == d.Values.end() ? fallback : it->second;
}

// The line of the setting a parser error names by its option ("--mode: ..."), else the entry's line.
int ErrorLine(const TDraft &d, const QString &error) {
    for (const auto &[key, line] : d.Lines) {
        const QString option = Keys().at(key);
        if (!option.isEmpty() && error.startsWith(option + QLatin1Char(':'))) return line;
    }
    return d.Entry.Line;
}

// The run's arguments, checked by the same parser as a single run's command line.
void Finish(TDraft &d, const TBatchDefaults &defaults) {
    QString kind = Value(d, "read", "archive").toLower();
    if (kind != QLatin1String("archive") && kind != QLatin1String("common")) {
        d.Errors << QStringLiteral("line %1: read = \"%2\" is not archive or common").arg(d.Entry.Line).arg(kind);
        kind = QStringLiteral("archive");  // the other settings are still checked, so every error is said at once
    }
    QStringList args{"--device-name", d.Entry.Name};
    std::map<QString, QString> values = d.Values;
    if (kind == QLatin1String("archive")) {
        if (!values.count("dir") && !defaults.Dir.isEmpty()) values["dir"] = defaults.Dir;
        if (!values.count("name-template") && !defaults.NameTemplate.isEmpty()) values["name-template"] = defaults.NameTemplate;
    }
    if (!values.count("settings") && !defaults.Settings.isEmpty()) values["settings"] = defaults.Settings;
    for (const auto &[key, value] : values)
        if (!Keys().at(key).isEmpty()) args << Keys().at(key) << value;
    args << kind;
    d.Entry.Port = Value(d, "port");
    d.Entry.Modem = Value(d, "modem");
    if (d.Values.count("access-code")) d.Entry.AccessCode = Value(d, "access-code").trimmed().left(8);
    if (d.Values.count("access-code") && d.Values.count("access-code-file"))
        d.Errors << QStringLiteral("line %1: access-code and access-code-file exclude each other").arg(d.Entry.Line);
    // The parser takes options before or after the command; the command goes last here.
    const TReadParse parse = ParseReadArguments(args);
    if (!parse.Error.isEmpty()) d.Errors << QStringLiteral("line %1: %2").arg(ErrorLine(d, parse.Error)).arg(parse.Error);
    d.Entry.Arguments = args;
}

void Close(TDraft &d, TDeviceList &out, const TBatchDefaults &defaults, QSet<QString> &names) {
    if (d.Entry.Name.isEmpty() && d.Values.empty() && d.Errors.isEmpty()) return;
    Finish(d, defaults);
    if (names.contains(d.Entry.Name.toLower()))
        d.Errors.prepend(QStringLiteral("line %1: a device named \"%2\" comes before").arg(d.Entry.Line).arg(d.Entry.Name));
    names.insert(d.Entry.Name.toLower());
    if (d.Errors.isEmpty()) out.Devices << d.Entry;
    else out.Problems << TListProblem{d.Entry.Line, d.Entry.Name, d.Errors.join(QStringLiteral("; "))};
}

} // namespace

TDeviceList ParseDeviceList(const QString &text, const TBatchDefaults &defaults) {
    static const QRegularExpression header(QStringLiteral("^\\[([A-Za-z0-9._-]+)\\]$"));
    TDeviceList out;
    TDraft draft;
    QSet<QString> names;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int number = int(i + 1);
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')) || line.startsWith(QLatin1Char(';'))) continue;
        if (line.startsWith(QLatin1Char('['))) {
            Close(draft, out, defaults, names);
            draft = TDraft{};
            draft.Entry.Line = number;
            const QRegularExpressionMatch m = header.match(line);
            if (m.hasMatch()) draft.Entry.Name = m.captured(1);
            else draft.Errors << QStringLiteral("line %1: \"%2\" is no device name in brackets (letters, digits, . _ -)")
                                     .arg(number).arg(line);
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (draft.Entry.Line == 0) {
            out.Problems << TListProblem{number, {}, QStringLiteral("line %1: a setting before the first [device]").arg(number)};
            continue;
        }
        if (eq <= 0) {
            draft.Errors << QStringLiteral("line %1: \"%2\" is not key = value").arg(number).arg(line);
            continue;
        }
        AddValue(draft, number, line.left(eq).trimmed().toLower(), line.mid(eq + 1).trimmed());
    }
    Close(draft, out, defaults, names);
    return out;
}

QString LineKey(const TDeviceEntry &entry) {
    const QString port = entry.Port.trimmed();
    const qsizetype scheme = port.indexOf(QStringLiteral("://"));
    if (scheme > 0) return port.mid(scheme + 3).toLower();
    return port.toLower();
}

} // namespace korvul
