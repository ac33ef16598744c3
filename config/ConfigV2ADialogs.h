#pragma once
// The configuration dialogs of the QT-700/V, /V2 (TFoConfigQT700V2) and QT-700/A (TFoConfigQT700A),
// and what the two share.
#include <QString>
#include <cstdint>

namespace korvul {

// Writes one data item with key 20, so CommonData stays as it is. A refusal raises TCommClassException
// with the result in decimal like a line fault does; an empty value sends nothing.
void WriteConfigItem(uint8_t code, const QString &value);

} // namespace korvul
