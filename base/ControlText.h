#pragma once
// Text as a terminal, a log or a CSV cell can show it without acting on it.
#include <QString>
#include <QStringView>

namespace korvul {

// Text as a terminal can show it without acting on it: every control character (C0 below U+0020, DEL,
// the C1 range U+0080..U+009F), except those in `keep`, is written as "\xHH" (C1 as "\u0080".."\u009F").
// Printable text, including any non-ASCII character, is unchanged.
QString EscapeControls(const QString &text, QStringView keep = {});

} // namespace korvul
