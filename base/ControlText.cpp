#include "base/ControlText.h"

namespace korvul {

namespace {

const char kHex[] = "0123456789ABCDEF";

bool IsControl(char16_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

} // namespace

QString EscapeControls(const QString &text, QStringView keep) {
    QString out;
    out.reserve(text.size());
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (!IsControl(c) || keep.contains(ch)) out += ch;
        else out += QLatin1String(c < 0x80 ? "\\x" : "\\u00") + QLatin1Char(kHex[c >> 4]) + QLatin1Char(kHex[c & 15]);
    }
    return out;
}

} // namespace korvul
