#pragma once
// What a device window may ask of the main window. The main window implements this interface and
// registers itself while it exists; device windows (configuration, module, readout) never include the
// main window's header and never look into its widgets.
#include <QString>

class QWidget;

namespace korvul {

class TStrList;

// The identification fields of the main window that device windows read or refresh.
enum class TMainField { DeviceNumber, CounterNumber, CustomerNumber, SoftwareVersion, DeviceType, Date, Time };

class IMainWindow {
public:
    virtual ~IMainWindow() = default;

    // The window itself: parent of dialogs, target of moves and of message 1127.
    virtual QWidget *Widget() = 0;

    // The common data record of the current channel, and showing it after a change.
    virtual TStrList &CommonData() = 0;
    virtual void ShowCommonData() = 0;
    // Reads the common data anew as the menu command does (nothing while an operation runs) and shows it.
    virtual void ReReadCommonData() = 0;

    // The channel of the selected tab (0-based, 0 without tabs); selecting a tab without reading.
    virtual int CurrentChannel() const = 0;
    virtual void SelectChannelQuietly(int index) = 0;

    // The text of an identification field, and setting it after the device took a new value.
    virtual QString FieldText(TMainField field) const = 0;
    virtual void SetFieldText(TMainField field, const QString &text) = 0;
    // Shows a storage period as the period box does (the list entry when there is one).
    virtual void ShowPeriod(const QString &period) = 0;
    // After an initialisation the common data must be read again before Set is offered.
    virtual void DisableSetData() = 0;

    // The main window's commands: connect, disconnect (with its closing steps), the disconnect
    // sequence after a device window left the line down, printer setup, archive readout, exit.
    virtual void Connect() = 0;
    virtual void Disconnect() = 0;
    virtual void DisconnectSequence() = 0;
    virtual void PrinterSetup() = 0;
    virtual void ReadArchive() = 0;
    virtual void Exit() = 0;
};

// The main window while it exists; nullptr before it is made and after it is gone.
IMainWindow *MainWindow();
// Called by the main window only: itself on creation, nullptr on destruction.
void RegisterMainWindow(IMainWindow *window);

} // namespace korvul
