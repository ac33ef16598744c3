#pragma once
// Program-wide state of the running operation, shared by the main window, the module window and the
// dialogs they start.

namespace korvul {

// Set while connect, a readout, the RTC test or a dialog-driven operation runs; the entry points of
// further operations return at once while it is set. Code that runs inside another operation saves it,
// sets it and puts the saved value back.
inline bool OperationActive = false;

} // namespace korvul
