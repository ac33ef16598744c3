#include "base/HelpFile.h"

#include "base/LangSupp.h"

#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

namespace korvul {

namespace {

QString &chosenHelpFile() {
    static QString path;
    return path;
}

bool readableFile(const QString &path) {
    const QFileInfo info(path);
    return info.isFile() && info.isReadable();
}

// Comments may hold markup that is not part of the document; blanking them keeps every offset valid.
QString blankComments(QString html) {
    static const QRegularExpression comment(QStringLiteral("<!--.*?-->"),
                                            QRegularExpression::DotMatchesEverythingOption);
    auto it = comment.globalMatch(html);
    while (it.hasNext()) {
        const auto m = it.next();
        html.replace(m.capturedStart(), m.capturedLength(), QString(m.capturedLength(), QLatin1Char(' ')));
    }
    return html;
}

QRegularExpression attributePattern(const QString &name) {
    return QRegularExpression(QStringLiteral("(?:^|\\s)%1\\s*=\\s*(?:\"([^\"]*)\"|'([^']*)'|([^\\s\"'>]+))").arg(name),
                              QRegularExpression::CaseInsensitiveOption);
}

// The value of attribute "id" or "name" in a tag's attribute text; empty when it has none.
QString attributeValue(const QString &attributes, const QString &name) {
    static const QRegularExpression id = attributePattern(QStringLiteral("id"));
    static const QRegularExpression anchorName = attributePattern(QStringLiteral("name"));
    const auto m = (name == QLatin1String("id") ? id : anchorName).match(attributes);
    if (!m.hasMatch()) return {};
    for (int i = 1; i <= 3; ++i)
        if (m.capturedStart(i) >= 0) return m.captured(i);
    return {};
}

// One anchor target of the document: an id attribute or an <a name>, with the offset of its tag.
struct TAnchor {
    qsizetype offset;
    QString name;
    bool isId;
};

QList<TAnchor> anchors(const QString &html) {
    static const QRegularExpression tag(QStringLiteral("<([a-zA-Z][a-zA-Z0-9]*)(\\s[^>]*)?>"));
    QList<TAnchor> result;
    auto it = tag.globalMatch(blankComments(html));
    while (it.hasNext()) {
        const auto m = it.next();
        const QString attributes = m.captured(2);
        if (attributes.isEmpty()) continue;
        const QString id = attributeValue(attributes, QStringLiteral("id"));
        if (!id.isEmpty()) result.append({m.capturedStart(), id, true});
        if (m.captured(1).compare(QLatin1String("a"), Qt::CaseInsensitive) == 0) {
            const QString name = attributeValue(attributes, QStringLiteral("name"));
            if (!name.isEmpty()) result.append({m.capturedStart(), name, false});
        }
    }
    return result;
}

QString decodeEntities(const QString &text) {
    static const QRegularExpression entity(QStringLiteral("&(#[0-9]+|#[xX][0-9a-fA-F]+|[a-zA-Z]+);"));
    QString out;
    qsizetype last = 0;
    auto it = entity.globalMatch(text);
    while (it.hasNext()) {
        const auto m = it.next();
        out += text.mid(last, m.capturedStart() - last);
        last = m.capturedEnd();
        const QString e = m.captured(1);
        bool ok = false;
        uint code = 0;
        if (e.startsWith(QLatin1String("#x"), Qt::CaseInsensitive)) code = e.mid(2).toUInt(&ok, 16);
        else if (e.startsWith(QLatin1Char('#'))) code = e.mid(1).toUInt(&ok, 10);
        if (ok && code > 0 && code <= 0x10FFFF) {
            const char32_t c = code;
            out += QString::fromUcs4(&c, 1);
            continue;
        }
        static const QHash<QString, QString> named{
            {QStringLiteral("amp"), QStringLiteral("&")},  {QStringLiteral("lt"), QStringLiteral("<")},
            {QStringLiteral("gt"), QStringLiteral(">")},   {QStringLiteral("quot"), QStringLiteral("\"")},
            {QStringLiteral("apos"), QStringLiteral("'")}, {QStringLiteral("nbsp"), QStringLiteral(" ")}};
        out += named.value(e, m.captured(0));
    }
    out += text.mid(last);
    return out;
}

QString plainText(const QString &markup) {
    static const QRegularExpression lineBreaks(QStringLiteral("<br\\s*/?>"), QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression tags(QStringLiteral("<[^>]*>"));
    QString text = markup;
    text.replace(lineBreaks, QStringLiteral(" "));
    text.remove(tags);
    return decodeEntities(text).simplified();
}

// The anchor a heading leads to: its own id or inner anchor, else the nearest one before it.
QString headingAnchor(const QList<TAnchor> &all, qsizetype start, qsizetype end) {
    QString before;
    for (const TAnchor &a : all) {
        if (a.offset >= end) break;
        if (a.offset >= start) return a.name;
        before = a.name;
    }
    return before;
}

} // namespace

QString HelpContextAnchor(int context) { return QStringLiteral("ctx%1").arg(context); }

QString HelpFilePath(const QString &code) { return LanguageFilePath(code, QStringLiteral(".html")); }

THelpFileChoice ChooseHelpFile(const QString &code, const std::function<bool(const QString &)> &exists) {
    const auto there = exists ? exists : std::function<bool(const QString &)>(readableFile);
    const QString language = code.isEmpty() ? QStringLiteral("DE") : code;
    THelpFileChoice choice;
    const QString first = HelpFilePath(language);
    if (there(first)) {
        choice.file = first;
        return choice;
    }
    choice.missing.append(first);
    if (language.compare(QLatin1String("DE"), Qt::CaseInsensitive) == 0) return choice;
    const QString fallback = HelpFilePath(QStringLiteral("DE"));
    if (there(fallback)) choice.file = fallback;
    else choice.missing.append(fallback);
    return choice;
}

QString HelpFile() { return chosenHelpFile(); }

void SetHelpFile(const QString &path) { chosenHelpFile() = path; }

QList<THelpHeading> HelpHeadings(const QString &html) {
    static const QRegularExpression heading(QStringLiteral("<h([1-6])(\\s[^>]*)?>(.*?)</h\\1\\s*>"),
                                            QRegularExpression::CaseInsensitiveOption |
                                                QRegularExpression::DotMatchesEverythingOption);
    const QString text = blankComments(html);
    const QList<TAnchor> all = anchors(text);
    QList<THelpHeading> result;
    auto it = heading.globalMatch(text);
    while (it.hasNext()) {
        const auto m = it.next();
        THelpHeading h;
        h.level = m.captured(1).toInt();
        h.text = plainText(m.captured(3));
        h.anchor = headingAnchor(all, m.capturedStart(), m.capturedEnd());
        if (!h.text.isEmpty()) result.append(h);
    }
    return result;
}

QStringList HelpTopicIds(const QString &html) {
    QStringList ids;
    for (const TAnchor &a : anchors(html))
        if (a.isId) ids.append(a.name);
    return ids;
}

QStringList HelpAnchorNames(const QString &html) {
    QStringList names;
    for (const TAnchor &a : anchors(html))
        if (!a.isId) names.append(a.name);
    return names;
}

} // namespace korvul
