#include "comm/Conversions.h"

#include "base/LangSupp.h"

#include <QLocale>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>

namespace korvul {

namespace {

std::optional<TLocaleFormats> &FormatOverride() {
    static std::optional<TLocaleFormats> value;
    return value;
}

[[noreturn]] void Fail(const QString &what, const QString &text) {
    throw TConversionError(QStringLiteral("\"%1\" is not a valid %2").arg(text, what));
}

bool AllDigits(const QString &s) {
    if (s.isEmpty()) return false;
    for (QChar c : s)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
    return true;
}

// Parses a C-locale number text (digits, ".", "e", sign) that the caller has already checked.
double ParseDouble(const QString &text, const QString &original, const QString &what) {
    const std::string s = text.toStdString();
    double value = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(value)) Fail(what, original);
    return value;
}

// One format field: a run of one letter, rewritten to the letters the conversions use.
QString FieldLetters(QChar letter, int count, bool date) {
    switch (letter.unicode()) {
    case 'd': return date ? QStringLiteral("dd") : QString();
    case 'M': return date ? QStringLiteral("mm") : QString();
    case 'y': return count >= 3 ? QStringLiteral("yyyy") : QStringLiteral("yy");
    case 'h': case 'H': return date ? QString() : QStringLiteral("hh");
    case 'm': return date ? QString() : QStringLiteral("mm");
    case 's': return date ? QString() : QStringLiteral("ss");
    default: return QString();  // z (milliseconds), t (time zone), a/A/ap (AM/PM) are dropped
    }
}

QString FormatLetters(const QString &qt, bool date) {
    QString out;
    for (int i = 0; i < qt.size();) {
        const QChar c = qt[i];
        if (c == QLatin1Char('\'')) {  // quoted literal: kept without the quotes
            int j = qt.indexOf(QLatin1Char('\''), i + 1);
            if (j < 0) j = qt.size();
            out += qt.mid(i + 1, j - i - 1);
            i = j + 1;
            continue;
        }
        if (!c.isLetter()) { out += c; ++i; continue; }
        int j = i;
        while (j < qt.size() && qt[j] == c) ++j;
        out += FieldLetters(c, j - i, date);
        i = j;
    }
    return out.simplified();
}

// Removes `count` characters at the first `letter` of f and puts `value` there; a letter that f does not
// hold puts the value at the start and removes nothing.
void PlaceField(QString &f, QChar letter, int count, const QString &value) {
    const int pos = f.indexOf(letter);
    if (pos < 0) { f.prepend(value); return; }
    f.replace(pos, count, value);
}

void CheckFieldText(const QString &text, int width, const QString &what) {
    if (width < 1 || text.size() < 3 * width) Fail(what, text);
}

} // namespace

QString DateFormatLetters(const QString &qtFormat) { return FormatLetters(qtFormat, true); }

QString ShortDateFormatFor(const QString &qtFormat) {
    const QString letters = DateFormatLetters(qtFormat);
    const bool separated = std::any_of(letters.begin(), letters.end(),
                                       [](QChar c) { return !c.isLetter() && !c.isSpace(); });
    return separated && letters.contains(QLatin1Char('d')) ? letters : QStringLiteral("dd.mm.yyyy");
}
QString TimeFormatLetters(const QString &qtFormat) { return FormatLetters(qtFormat, false); }

const TLocaleFormats &LocaleFormats() {
    if (FormatOverride()) return *FormatOverride();
    static const TLocaleFormats system = [] {
        const QLocale loc = QLocale::system();
        TLocaleFormats f;
        f.ShortDateFormat = ShortDateFormatFor(loc.dateFormat(QLocale::ShortFormat));
        f.LongTimeFormat = TimeFormatLetters(loc.timeFormat(QLocale::LongFormat));
        if (!f.LongTimeFormat.contains(QLatin1Char('h'))) f.LongTimeFormat = QStringLiteral("hh:mm:ss");
        const QString dp = loc.decimalPoint();
        f.DecimalSeparator = dp.isEmpty() ? QLatin1Char('.') : dp[0];
        return f;
    }();
    return system;
}

void SetLocaleFormats(const TLocaleFormats &formats) { FormatOverride() = formats; }
void ResetLocaleFormats() { FormatOverride().reset(); }

int HexDigitValue(QChar c) {
    static const QString digits = QStringLiteral("0123456789ABCDEF");
    return static_cast<int>(digits.indexOf(c));
}

int DecimalFromText(const QString &text) {
    const QString t = text.trimmed();
    const QString digits = (t.startsWith(QLatin1Char('-')) || t.startsWith(QLatin1Char('+'))) ? t.mid(1) : t;
    bool ok = false;
    const int v = t.toInt(&ok, 10);
    if (!ok || !AllDigits(digits)) Fail(QStringLiteral("integer"), text);
    return v;
}

uint32_t HexFromText(const QString &text) {
    if (text.isEmpty() || text.size() > 8) Fail(QStringLiteral("hexadecimal number"), text);
    uint32_t v = 0;
    for (QChar c : text) {
        const int d = HexDigitValue(c.toUpper());
        if (d < 0) Fail(QStringLiteral("hexadecimal number"), text);
        v = v * 16 + static_cast<uint32_t>(d);
    }
    return v;
}

QString StatusBitsToText(const QString &text, int typeCode, int base) {
    if (typeCode == 91) return LanguageText(TextNumber(base, DecimalFromText(text) + 9100));
    QString lines;
    for (int i = 1; i <= text.size(); ++i) {
        const int digit = HexDigitValue(text[text.size() - i].toUpper());
        if (digit < 0) Fail(QStringLiteral("status word"), text);
        for (int b = 1; b <= 4; ++b)
            if (digit & (1 << (b - 1)))
                lines += QStringLiteral("\r\n") + LanguageText(TextNumber(base, typeCode * 100 + (i - 1) * 4 + b));
    }
    return lines;
}

QString InputBitsToText(const QString &hexText) {
    const uint32_t v = HexFromText(hexText);
    QString text;
    for (int i = 1; i <= 8; ++i)
        if (v & (1u << (i - 1))) text += QStringLiteral(" E.") + QString::number(i);
    return text;
}

QString DeviceTimeToText(const QString &text, int width) {
    CheckFieldText(text, width, QStringLiteral("device time"));
    QString f = LocaleFormats().LongTimeFormat.toLower();
    PlaceField(f, QLatin1Char('h'), f.contains(QLatin1String("hh")) ? 2 : 1, text.mid(0, width));
    PlaceField(f, QLatin1Char('m'), 2, text.mid(width, width));
    PlaceField(f, QLatin1Char('s'), 2, text.mid(2 * width, width));
    return f;
}

QString DeviceDateToText(const QString &text, int width) {
    CheckFieldText(text, width, QStringLiteral("device date"));
    QString f = LocaleFormats().ShortDateFormat.toLower();
    const QString year = text.mid(0, width);
    if (f.contains(QLatin1String("yyyy"))) PlaceField(f, QLatin1Char('y'), 4, QStringLiteral("20") + year);
    else PlaceField(f, QLatin1Char('y'), 2, year);
    PlaceField(f, QLatin1Char('m'), 2, text.mid(width, width));
    PlaceField(f, QLatin1Char('d'), 2, text.mid(2 * width, width));
    return f;
}

double DecimalFloatFromText(const QString &text) {
    const QString mantissa = text.mid(0, 8), sign = text.mid(8, 2), exponent = text.mid(10, 2);
    const QString what = QStringLiteral("decimal floating value");
    if (!AllDigits(mantissa) || !AllDigits(exponent)) Fail(what, text);
    const QString e = sign == QLatin1String("00") ? QStringLiteral("e") : QStringLiteral("e-");
    return ParseDouble(QStringLiteral("0.") + mantissa + e + exponent, text, what);
}

double HexFloatFromText(const QString &text, int exponentPos) {
    if (text.isEmpty()) return 0;
    const QString what = QStringLiteral("hexadecimal floating value");
    if (exponentPos < 2) Fail(what, text);
    const QString expText = text.mid(exponentPos - 1, 2);
    if (expText.isEmpty()) Fail(what, text);
    const uint32_t mantissa = HexFromText(text.left(exponentPos - 1));
    int exponent = static_cast<int>(HexFromText(expText));
    if (exponent >= 128) exponent -= 256;
    return ParseDouble(QStringLiteral("%1e%2").arg(mantissa).arg(exponent), text, what);
}

double ResolutionFromText(const QString &text) {
    if (text.trimmed() == QLatin1String("99")) return 99;
    const QString what = QStringLiteral("resolution");
    const QString digits = (text.startsWith(QLatin1Char('-')) || text.startsWith(QLatin1Char('+'))) ? text.mid(1) : text;
    if (!AllDigits(digits) || digits.size() > 6) Fail(what, text);
    const QString sign = text.startsWith(QLatin1Char('-')) ? QStringLiteral("-") : QString();
    return ParseDouble(QStringLiteral("0.01e") + sign + digits, text, what);
}

} // namespace korvul
