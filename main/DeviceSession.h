#pragma once
// The main window's device actions without the window: connect, read, Set (with the code mark offer),
// reject, disconnect (also handing the line back to the module window), the lost connection and a
// dialog's broken connection (message 1127), the device clock from the poll, and the actions that run
// the dialogs of the other subsystems. The window shows what the session asks for through
// IDeviceSessionView and opens the dialogs for it.
//
// Failures follow the shared rule (comm/DeviceFailure.h): a broken connection shows text 2207 (or what
// the port failure says) and ends in the disconnected state; a device's refusal and other failures
// show their text. OperationActive keeps a second operation from starting while one runs: the entry
// points the operator reaches return at once while it is set; the inner steps (ReadCommonData,
// SetData, DisconnectSequence) run inside the operations that contain them.
#include "comm/StrList.h"
#include "main/CommonDataView.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

namespace korvul {

struct TCommonDataEdits;

// The dialogs a session runs through its view. Each may be missing from a build (HasDialog false).
enum class TSessionDialog {
    TelephoneList,    // the number to dial; OK also saves the settings (a failed save is reported)
    ModuleTerminal,   // the module terminal window of a directly connected CLM-300
    ModuleWindow,     // the module window of a CLM-300 (reads the module items and shows itself)
    ReadArchive,
    ReadProcessData,  // takes the identification shown in the window
    InitDevice,       // true: OK
    UserSettings,     // true: OK
    ConfigQT700V2, ConfigQT700A, ConfigQT700M, ConfigNX17S,
};

class IDeviceSessionView {
public:
    virtual ~IDeviceSessionView() = default;

    virtual void ShowMessage(const QString &text) = 0;
    virtual void ShowError(const QString &text, const QString &caption) = 0;
    // Yes/No with a Help button for helpTopic; true for Yes.
    virtual bool AskYesNo(const QString &text, int helpTopic) = 0;
    virtual void SetBusyCursor(bool busy) = 0;

    // The busy notice (text 3010) during connect and read. Show and Hide act only on an existing one;
    // Create replaces one that exists.
    virtual bool HasBusyNotice() const = 0;
    virtual void CreateBusyNotice() = 0;
    virtual void ShowBusyNotice() = 0;
    virtual void HideBusyNotice() = 0;
    virtual void FreeBusyNotice() = 0;

    // The common data fields: a display, the operator's edits, edits not yet set (Set enabled) and
    // dropping them (Set and Reject off), the device clock (date and time texts).
    virtual void ShowCommonData(const TCommonDataView &view) = 0;
    virtual TCommonDataEdits CollectEdits() const = 0;
    virtual bool HasUnsetEdits() const = 0;
    virtual void DropUnsetEdits() = 0;
    virtual void ShowClock(const QString &date, const QString &time) = 0;

    virtual void ApplyConnectedState(const TDeviceInfo &info) = 0;
    virtual void ApplyDisconnectedState() = 0;
    virtual void EnableModuleAccessCode(bool enabled) = 0;
    // One tab per channel, the first selected and shown.
    virtual void RebuildChannelTabs(int channelCount) = 0;
    // The selected channel tab becomes the channel shown; its index (0-based).
    virtual int AdoptSelectedChannel() = 0;

    virtual void Repaint() = 0;
    virtual bool WindowVisible() const = 0;
    virtual void HideWindow() = 0;
    // Shown when hidden, raised and activated.
    virtual void BringWindowToFront() = 0;

    virtual bool HasDialog(TSessionDialog dialog) const = 0;
    // Runs the dialog modally; false when it was cancelled or is missing.
    virtual bool RunDialog(TSessionDialog dialog) = 0;
    virtual bool ModuleWindowOpen() const = 0;
    virtual void FreeModuleWindow() = 0;
    // The main window hides and the module window shows in its place.
    virtual void ShowModuleWindowInstead() = 0;
    virtual void RefreshModuleClock(const QString &clock) = 0;
    // The module access code dialog: the new code, or nothing on Cancel.
    virtual std::optional<QString> AskModuleAccessCode() = 0;
    virtual void CloseStatusRegWindow() = 0;
};

class TDeviceSession {
public:
    static constexpr uint16_t kBusyText = 3010;
    static constexpr uint16_t kConnectionLostText = 2207;
    static constexpr uint16_t kConnectRefusedText = 4194;
    static constexpr uint16_t kNoConfigDialogText = 3001;
    static constexpr uint16_t kConfigCaptionText = 52;
    static constexpr uint16_t kSaveChangesText = 42014;

    explicit TDeviceSession(IDeviceSessionView &view) : view_(view) {}
    TDeviceSession(const TDeviceSession &) = delete;
    TDeviceSession &operator=(const TDeviceSession &) = delete;

    TStrList &CommonData() { return commonData_; }
    // Values derived by the last display (unit, offset, factor, Cp).
    const TDisplayValues &DisplayValues() const { return derived_; }

    // CommObject's lost connection and poll data come to this session (while CommObject exists).
    void BindCommObject();
    void UnbindCommObject();

    // The operator's actions; each returns at once while OperationActive is set, unless noted.
    void Connect();
    void Disconnect();
    void ReadCommonDataAction();
    void SetDataAction();
    // Reject: the display from CommonData again (also while an operation runs).
    void Reject() { ShowCommonData(); }
    void ConfigureDevice();
    void ReadArchive();
    void ReadProcessData();
    void InitDevice();
    // These two run also while an operation runs (the settings re-read only when none does).
    void ChangeModuleAccessCode();
    void UserSettings();
    // A dialog hook of another subsystem; a device dialog does not start while an operation runs.
    void RunHookedDialog(bool deviceDialog, const std::function<void()> &dialog);

    // The display from CommonData and DeviceInfo.
    void ShowCommonData();
    // With unsaved edits asks text 42014 and runs Set on Yes; No drops the edits.
    void OfferToSetEdits();
    // Reads the common data of the selected channel and shows it; a failure disconnects (text 2207).
    void ReadCommonData();
    // Set: writes the edits, shows the write-back's result text, refills the window, polls again.
    void SetData();
    // The write-back itself: 0 or the number of the text describing the first problem.
    uint16_t WriteCommonData();
    // Ends the connection (or hands the line back to the module window); the disconnected state.
    void DisconnectSequence();
    void ConnectionLost();
    // Message 1127: closeDialog closes the dialog whose exchange failed; then text 2207, disconnect.
    void DialogBroken(const std::function<void()> &closeDialog);
    // The device clock from the poll ("yymmddhhnnss") into the window, or the module window's.
    void RefreshDeviceClock();

private:
    void RunConnect();
    void ConnectFailed(const QString &text);
    void OpenModuleDialog(TSessionDialog dialog);
    void ReadSelectedChannel();
    void ReadProcessDataSteps();
    void HandBackToModule();
    void OfferCodeMark(uint16_t &message);
    void RunDialogGuarded(const std::function<void()> &dialog);

    IDeviceSessionView &view_;
    TStrList commonData_;
    TDisplayValues derived_;
};

} // namespace korvul
