#pragma once
// Saving the settings from a window: a save that cannot write (TIniFileError naming the file) is shown to the
// operator in an error box over parent, and the caller learns it failed, so a dialog can stay open. Never
// lets the exception reach the event loop.
class QWidget;

namespace korvul {

bool TrySaveSettings(QWidget *parent);

} // namespace korvul
