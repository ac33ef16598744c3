#pragma once
// The main window's hook for the QT-700/M configuration dialog (type code 42).
class QWidget;

namespace korvul {

// Creates TFoConfigQT700M over parent, shows it modally and frees it.
void ShowConfigQT700M(QWidget *parent);

} // namespace korvul
