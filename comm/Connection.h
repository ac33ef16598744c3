#pragma once
// Establishing and ending a device connection from the settings, and channel selection on
// multi-channel devices. All routines work on CommObject() and DeviceInfo() and raise
// TCommClassException (or the modem routines' errors) to the caller.
#include <QString>
#include <cstdint>

namespace korvul {

// Builds the connection from the settings record: port "COM<n>", line settings INIT, modem dialogue when
// VIAMODEM is set, line time-out TIMEOUT, sign-on, the headquarter password for a remote CLM-300, and
// reading the identification (item 'a') into DeviceInfo().IdentText. Returns false when a remote module
// refused every password; true otherwise. A local CLM-300 returns true without identification.
// Raises TIdentificationError (connection left for the caller to end) when the identification is not a
// decimal type number, and TModemUnavailable when VIAMODEM is set but no modem routines are installed.
bool ConnectDevice();

// Makes Channel (0-based) the active one by signing off and on until item 'Y' names it (at most 8
// tries; type code 12 signs off and on once and returns false). False when not connected.
bool SelectChannelByReconnect(uint16_t channel);
// Makes Channel active through items 61/62, reconnects, and checks item 60. False when not connected.
bool SelectChannelByCommand(uint16_t channel);
// Makes Channel (0-based) active the way the main window does: the QT-700/V2 (type code 24) and the
// QT-700/M (42) keep the channel in a register and switch by command, the other types by signing off
// and on. Raises as the two routines above.
bool SelectChannel(uint16_t channel);

// The port ConnectDevice opens: "COM<n>" from the COM setting, unless a port name was set for this run
// (a "COMn" name or a device path, as the line driver resolves it). Empty puts the setting back.
void SetPortNameForRun(const QString &name);
QString ConnectionPortName();

// Options := 0, then Connected := false.
void DisconnectDevice();
// Signs off and hangs up a connected modem, then Options := 24 and Connected := false.
void DisconnectDeviceAndModem();

} // namespace korvul
