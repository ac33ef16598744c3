#pragma once
// Device access of the QT-700/M pages: registers through items "=" (61, address), "<" (60, value read)
// and ">" (62, value written), and the access code entry. Every call whose result is not 0 raises
// TCommClassException with the result in decimal ("ERROR" when the connection itself fails).
#include <QString>
#include <cstdint>

namespace korvul {

// Item c: the ACCESSCODE setting as 8 bytes, filled up with zero bytes.
void WriteAccessCode();
// Register read: the answer of item "<" after the address went to item "=" (at most 16 characters).
QString ReadRegister(const QString &address);
// The same, as a hexadecimal number; a malformed answer raises TCommClassException naming the register
// and the answer (shown as it stands by the failure rule).
int ReadHexRegister(const QString &address);
// Register write: the address to item "=", then the value with its own length to item ">".
void WriteRegister(const QString &address, const QString &value);
// An item read cut to maxLength characters, and an item write with the text's own length.
QString ReadItemText(uint8_t code, int maxLength);
void WriteItemText(uint8_t code, const QString &value);

} // namespace korvul
