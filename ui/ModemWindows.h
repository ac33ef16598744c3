#pragma once
// Connects the modem dialogue to its windows: the dialing window (TfoDialing) shown while ConnectDevice
// dials, and the headquarter password dialog (TFoPassword) for a remote CLM-300. Windows open centred
// on `owner` (normally the main window) or on the active window when owner is null.
class QWidget;

namespace korvul {

// Installs the modem routines (InstallModemRoutines) and the window hooks ShowDialing, CloseDialing and
// AskPassword of CommUiHooks(). Call once after the main window exists.
void InstallModemSupport(QWidget *owner);

} // namespace korvul
