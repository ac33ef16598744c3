#include "read/NameTemplate.h"

#include <QRegularExpression>

namespace korvul {

namespace {

const QRegularExpression &Placeholder() {
    static const QRegularExpression pattern(QStringLiteral("\\{([a-z]*)\\}"));
    return pattern;
}

bool Known(const QString &name) {
    return name == QLatin1String("device") || name == QLatin1String("ident") || name == QLatin1String("channel") ||
           name == QLatin1String("date") || name == QLatin1String("time");
}

QString Safe(const QString &value) {
    QString out = value.trimmed();
    for (QChar &c : out)
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != QLatin1Char('.') && c != QLatin1Char('_') &&
            c != QLatin1Char('-'))
            c = QLatin1Char('_');
    return out.isEmpty() ? QStringLiteral("_") : out;
}

QString Value(const QString &name, const TNameFields &f) {
    if (name == QLatin1String("device")) return Safe(f.Device.isEmpty() ? f.Ident : f.Device);
    if (name == QLatin1String("ident")) return Safe(f.Ident);
    if (name == QLatin1String("channel")) return QString::number(f.Channel);
    if (name == QLatin1String("date")) return f.Time.toString(QStringLiteral("yyyyMMdd"));
    return f.Time.toString(QStringLiteral("HHmmss"));
}

} // namespace

QString CheckNameTemplate(const QString &t) {
    if (t.trimmed().isEmpty()) return QStringLiteral("--name-template is empty");
    if (t.contains(QLatin1Char('/'))) return QStringLiteral("--name-template names a file, not a folder (no \"/\")");
    if (t.startsWith(QLatin1Char('.'))) return QStringLiteral("--name-template must not start with \".\" (hidden files)");
    QString rest = t;
    QRegularExpressionMatchIterator it = Placeholder().globalMatch(t);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        if (!Known(m.captured(1)))
            return QStringLiteral("--name-template: unknown placeholder %1 (device, ident, channel, date, time)")
                .arg(m.captured(0));
    }
    rest.remove(Placeholder());
    if (rest.contains(QLatin1Char('{')) || rest.contains(QLatin1Char('}')))
        return QStringLiteral("--name-template: a brace without its placeholder");
    return {};
}

QString ExpandNameTemplate(const QString &t, const TNameFields &fields) {
    QString out;
    qsizetype at = 0;
    QRegularExpressionMatchIterator it = Placeholder().globalMatch(t);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        out += t.mid(at, m.capturedStart() - at) + Value(m.captured(1), fields);
        at = m.capturedEnd();
    }
    return out + t.mid(at);
}

QString NumberedName(const QString &name, int attempt) {
    if (attempt <= 1) return name;
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString suffix = QStringLiteral("-%1").arg(attempt);
    return dot <= 0 ? name + suffix : name.left(dot) + suffix + name.mid(dot);
}

} // namespace korvul
