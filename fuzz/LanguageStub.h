#pragma once
// For targets whose code shows language texts: the text numbers stand in for the language module.
// Include it in one source of a target only (it defines the function).
#include <QString>
#include <cstdint>

namespace korvul {
QString LanguageText(uint16_t number) { return QStringLiteral("str%1").arg(number); }
} // namespace korvul
