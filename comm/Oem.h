#pragma once
// Character sets of device texts. Device texts travel as bytes in the program code page (CP1252); the
// texts of protected items, terminal keys and module items use the OEM code page (CP850). Conversion is
// done with iconv; a character that the target set cannot hold becomes "?", so a conversion never fails
// and never drops the rest of a text. Device bytes survive FromDeviceText and ToDeviceText unchanged.
#include <QByteArray>
#include <QString>

namespace korvul {

// Program text -> bytes in the program code page (CP1252).
QByteArray ToDeviceText(const QString &text);
// Bytes in the program code page -> program text. The five bytes CP1252 leaves undefined become the
// control characters U+0081, U+008D, U+008F, U+0090, U+009D, which ToDeviceText turns back into them.
QString FromDeviceText(const QByteArray &bytes);

// Program text -> bytes in the OEM code page (CP850).
QByteArray ToOemText(const QString &text);
// Bytes in the OEM code page -> program text.
QString FromOemText(const QByteArray &bytes);

// Byte-wise conversion between the two code pages (what the platform's ANSI/OEM calls do).
QByteArray AnsiToOem(const QByteArray &cp1252);
QByteArray OemToAnsi(const QByteArray &cp850);

} // namespace korvul
