#pragma once
// What the user reads when a port cannot be used: the device path and the cause, with the fix where
// there is one (the group to join, the program to close, the ports that are present, the INIT field
// to correct), and the message for an adapter pulled during a session.
#include "comm/Drivers.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

namespace korvul {

// A failed port open. Its Message() stays kErrorText, so every caller that sorts communication
// failures keeps sorting it as a broken connection; Detail() is the text to show instead.
class TPortOpenFailure : public TCommClassException {
public:
    TPortOpenFailure(const QString &detail, bool settingsRefused)
        : TCommClassException(QString::fromLatin1(kErrorText)), detail_(detail), settings_(settingsRefused) {}
    QString Detail() const { return detail_; }
    // The port opened but refused the line settings (INIT): a settings error, not a port error.
    bool SettingsRefused() const { return settings_; }

private:
    QString detail_;
    bool settings_;
};

// The text for a dpOpen of `portName` with `init` that gave `result` and filled *Arg3 = `stage`
// (osPort or the refused field, linqor32.h) and *Arg4 = `err` (errno).
QString PortOpenFailureText(const QString &portName, const QString &init, int32_t result, int32_t stage, int32_t err);

// "the adapter was disconnected" naming the port.
QString PortDisconnectedText(const QString &portName);

// The device behind the port the line was last opened on (every link followed) is remembered, and
// counts as gone once its node has disappeared: the kernel removes the node of an unplugged adapter
// and of a pseudo-terminal whose other end closed. Asking costs no driver call.
void NotePortOpened(const QString &portName);
bool OpenedPortVanished();

// True when the connection's port went away (TCommClass::PortGone).
bool LinePortGone();

// The message for a broken connection: PortDisconnectedText for the connection's port when the port
// went away, else the language text `fallback`.
QString ConnectionBrokenText(uint16_t fallback);

// The text that names the ports present in a "device missing" message; empty (no list) until the
// program or korvul-read installs the port list at start (app/Wiring.cpp, read/ReadRun.cpp).
std::function<QString()> &PresentPortsProvider();

} // namespace korvul
