#pragma once
// Program-wide state of the current device connection, and the hooks through which the communication
// layer reaches windows and the modem routines without depending on them. The window layer installs the
// hooks at start-up; every hook may stay empty (then the step is skipped, or fails as documented).
#include <QString>
#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <stdexcept>

namespace korvul {

// Item read by the QT-family poll: 'z' for an end device, 'g' for a CLM-300 module (the main window sets
// it before connecting).
extern uint8_t PollItem;
// The headquarter password began with "1": the module access code may be sent.
extern bool HQFlag;
// The module accepted its access code.
extern bool ModuleAccess;
// Set by Cancel buttons; cleared by ConnectDevice at its start and by the modem routines.
extern bool CancelRequested;
// 0 idle, 1 initialised, 2 dialing, 3 connected (owned by the modem routines).
extern uint8_t ModemState;
// Set while connect, a readout, the RTC test or a dialog-driven operation runs; the entry points of
// further operations return at once while it is set. Code that runs inside another operation saves it,
// sets it and puts the saved value back. Shared by the main window, the module window and the dialogs
// they start.
inline bool OperationActive = false;

// The modem dialogue. Until the modem routines are installed, a connection through the modem fails
// with a clear message (TModemUnavailable) instead of a half-made connection.
struct TModemRoutines {
    std::function<void(const QString &resetCommand, const QString &modeCommand)> Init;  // raises on failure
    std::function<void(const QString &prefix, const QString &number, int dialTimeoutSeconds)> Dial;
    std::function<void()> HangUp;
};
TModemRoutines &ModemRoutines();

class TModemUnavailable : public std::runtime_error {
public:
    TModemUnavailable()
        : std::runtime_error("Connecting through a modem is not available in this program version: "
                             "switch VIAMODEM off to connect directly.") {}
};

// What the communication layer asks of the windows.
struct TCommUiHooks {
    std::function<void(const QString &text)> ShowMessage;        // a plain information box
    std::function<void(const std::exception &e)> ShowException;  // the standard exception display
    std::function<bool()> ModuleWindowOpen;                      // the CLM-300 window exists
    std::function<void(bool busy)> SetBusyCursor;               // hourglass while connecting
    std::function<void(const QString &number)> ShowDialing;       // dialing window with Cancel
    std::function<void()> CloseDialing;
    std::function<std::optional<QString>()> AskPassword;         // 9-character text, or nothing on Cancel
    std::function<void()> RepaintMainWindow;
    std::function<void(int channel)> SelectChannelTab;           // main window's channel tabs
};
TCommUiHooks &CommUiHooks();

// Processes pending events once (the platform's "process messages").
void ProcessMessages();
// Hands an exception to the standard exception display hook (or prints it when none is installed).
void ShowException(const std::exception &e);

} // namespace korvul
