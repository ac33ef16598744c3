// Formatting of language texts with printf-style specifiers, in the locale of the system.
#include "base/LangSupp.h"

#include <QLocale>
#include <cmath>
#include <optional>

namespace korvul {

namespace {

struct TSpec {
    bool left = false;
    int width = -1;
    int precision = -1;
    QChar conv;
    qsizetype length = 0;   // characters of the specifier, including the "%"
};

// Parses "%[-][width][.precision]conv" at pos (which holds "%"); nullopt when it is not a specifier.
std::optional<TSpec> ParseSpec(const QString &f, qsizetype pos) {
    TSpec s;
    qsizetype i = pos + 1;
    if (i < f.size() && f[i] == u'-') { s.left = true; ++i; }
    auto number = [&](int &out) {
        const qsizetype start = i;
        while (i < f.size() && f[i].isDigit() && i - start < 4) ++i;
        if (i > start) out = f.mid(start, i - start).toInt();
    };
    number(s.width);
    if (i < f.size() && f[i] == u'.') { ++i; s.precision = 0; number(s.precision); }
    if (i >= f.size()) return std::nullopt;
    s.conv = f[i].toLower();
    if (!QStringLiteral("sduxfgne").contains(s.conv)) return std::nullopt;
    s.length = i - pos + 1;
    return s;
}

std::optional<QString> Convert(const TSpec &s, const QVariant &v) {
    const QLocale loc = QLocale::system();
    bool ok = true;
    switch (s.conv.unicode()) {
    case 's': {
        const QString t = v.toString();
        return s.precision >= 0 ? t.left(s.precision) : t;
    }
    case 'd': case 'u': case 'x': {
        const qlonglong n = v.toLongLong(&ok);
        if (!ok) return std::nullopt;
        QString t = s.conv == u'x' ? QString::number(n, 16).toUpper() : QString::number(n);
        if (s.precision > 0) {
            const bool neg = t.startsWith(u'-');
            if (neg) t.remove(0, 1);
            t = t.rightJustified(s.precision, u'0');
            if (neg) t.prepend(u'-');
        }
        return t;
    }
    default: break;
    }
    const double d = v.toDouble(&ok);
    if (!ok) return std::nullopt;
    QLocale plain = loc;
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    const int prec = s.precision >= 0 ? s.precision : 2;
    switch (s.conv.unicode()) {
    case 'f': return plain.toString(d, 'f', prec);
    case 'n': return loc.toString(d, 'f', prec);
    case 'e': return plain.toString(d, 'e', s.precision >= 0 ? s.precision : 6);
    default:  return plain.toString(d, 'g', s.precision > 0 ? s.precision : 15);
    }
}

} // namespace

QString FormatText(const QString &format, const QVariantList &args) {
    QString out;
    qsizetype argIndex = 0;
    for (qsizetype i = 0; i < format.size(); ++i) {
        if (format[i] != u'%') { out += format[i]; continue; }
        if (i + 1 < format.size() && format[i + 1] == u'%') { out += u'%'; ++i; continue; }
        const std::optional<TSpec> spec = ParseSpec(format, i);
        std::optional<QString> text;
        if (spec && argIndex < args.size()) text = Convert(*spec, args[argIndex]);
        if (!text) { out += format[i]; continue; }   // left as it stands
        ++argIndex;
        if (spec->width > text->size())
            *text = spec->left ? text->leftJustified(spec->width) : text->rightJustified(spec->width);
        out += *text;
        i += spec->length - 1;
    }
    return out;
}

QString FormatSignature(const QString &format) {
    QString sig;
    for (qsizetype i = 0; i < format.size(); ++i) {
        if (format[i] != u'%') continue;
        if (i + 1 < format.size() && format[i + 1] == u'%') { ++i; continue; }
        if (const auto spec = ParseSpec(format, i)) {
            sig += spec->conv;
            i += spec->length - 1;
        }
    }
    return sig;
}

} // namespace korvul
