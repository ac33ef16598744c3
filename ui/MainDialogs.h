#pragma once
// What the main window opens but does not own: the dialogs and windows of the other subsystems, and
// message 1127 through which a dialog reports a broken connection.
//
// Each dialog is reached through one named hook. The main window runs its own steps around a hook (the
// poll stop, the re-read afterwards, OperationActive) and calls the hook in the middle; an empty hook
// means the dialog is not part of this build yet, and the action then does nothing.
#include <QEvent>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>

namespace korvul {

class TStrList;

// Message 1127 (user message base + 103): a dialog's device exchange failed with the connection exception
// ("ERROR" or a negative result). The main window closes the dialog, shows text 2207 and disconnects.
inline const QEvent::Type WM_DIALOG_CONNECTION_BROKEN = QEvent::Type(1127);

class TDialogBrokenEvent : public QEvent {
public:
    explicit TDialogBrokenEvent(QWidget *dialog) : QEvent(WM_DIALOG_CONNECTION_BROKEN), Dialog(dialog) {}
    QPointer<QWidget> Dialog;
};

// Posts message 1127 for `dialog` to the main window; nothing when there is no main window.
void PostConnectionBroken(QWidget *dialog);

// The fields the process data window copies from the main window.
struct TProcessDataHeader {
    QString DevNo, CountNo, CustNo, Sw, DevType, Date;
};

struct TMainDialogs {
    // Connect: the telephone list (true: a number was chosen), the module terminal window, the module
    // window of a CLM-300 (it reads the module items into ModuleData and shows itself).
    std::function<bool(QWidget *parent)> TelephoneList;
    std::function<void(QWidget *parent)> ModuleTerminal;
    std::function<void(QWidget *parent, TStrList &moduleData)> OpenModuleWindow;
    // The module window while it exists (nullptr otherwise), and freeing it.
    std::function<QWidget *()> ModuleWindow;
    std::function<void()> FreeModuleWindow;
    // The device clock from the poll ("yymmddhhnnss") while the module window shows instead of the
    // main window: its date and time fields take it.
    std::function<void(const QString &clock)> RefreshModuleClock;

    // Readouts; both run modally while the hook runs.
    std::function<void(QWidget *parent)> ReadArchive;
    std::function<void(QWidget *parent, const TProcessDataHeader &header)> ReadProcessData;

    // Clock and maintenance actions.
    std::function<void(QWidget *parent)> SetDateAndTime, NewZCode, TestRTC, CheckMaxima, DeleteMeasurements,
        MemoryDump;
    std::function<bool(QWidget *parent)> InitDevice;  // true: OK (the main window re-reads)

    // Option dialogs.
    std::function<void(QWidget *parent)> IntSettings;
    std::function<bool(QWidget *parent)> UserSettings;  // true: OK (re-read while connected)
    // The module access code dialog (caption text 1902, Label1 text 1905, Label2 enabled, send button
    // text 1913, centred on the main window): the new code, or nothing on Cancel.
    std::function<std::optional<QString>(QWidget *parent)> ChangeModuleAccessCode;

    // Configuration dialogs by type code: 21-24, 41, 42, 95.
    std::function<void(QWidget *parent)> ConfigQT700V2, ConfigQT700A, ConfigQT700M, ConfigNX17S;
};

// The program's one set of hooks; app/Wiring.cpp fills them in at start-up.
TMainDialogs &MainDialogs();

} // namespace korvul
