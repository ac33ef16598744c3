#pragma once
// TFormMain: the program's main window (text base 100). Toolbar buttons, identification panel, the tab
// control TabControl1 (one tab per device channel) above the common data fields, status bar stbMain,
// menus Program/Settings/Action/Help and the action list.
//
// Properties of the components:
//  - "tag" (int) is the text number relative to the base; TranslateForm applies it at creation. The
//    data edit fields of the tab page carry tag 1: edits have no caption, so it only marks them as the
//    group of common data fields that the display clears at once.
//  - "changed" (bool) is the edit mark of the combo boxes cbDayBound, cbPeriod, cbCpVal and
//    cbAlarmCycle; an edit field's mark is its QLineEdit modified flag.
//  - Button hints are texts 500 + the button's tag. They are set at creation and set again whenever a
//    tooltip is about to show for one of the window's push buttons (the hint change of the application).
//
// The window coordinates: the device actions run in its TDeviceSession (main/DeviceSession.h), which
// owns CommonData and reaches the window through IDeviceSessionView; the common data fields are driven
// by its TCommonDataPanel (main/CommonDataPanel.h). The window owns the module's ModuleData for its
// whole life.
#include "comm/StrList.h"
#include "main/CommonDataView.h"
#include "main/CommonDataWrite.h"
#include "main/CommonDataPanel.h"
#include "main/DeviceSession.h"
#include "main/SessionDialogs.h"
#include "ui/MainMessages.h"
#include "ui/MainWindowAccess.h"

#include <QMainWindow>
#include <cstdint>
#include <memory>

namespace Ui {
class TFormMain;
}
class QAction;
class QPushButton;
class QTabBar;
class QTimer;

namespace korvul {

class TFormMeldung;

class TFormMain : public QMainWindow, public IMainWindow, private IDeviceSessionView {
    Q_OBJECT
public:
    static constexpr uint16_t kTextBase = 100;
    static constexpr uint16_t kTabText = 139;        // a tab reads this text and its channel number
    static constexpr uint16_t kHintBase = 500;
    static constexpr uint16_t kSaveChangesText = TDeviceSession::kSaveChangesText;
    static constexpr uint16_t kPrintFailedText = 174;
    static constexpr int kStartAboutMs = 1000;      // About box shown at the first activation
    static constexpr uint16_t kBusyText = TDeviceSession::kBusyText;  // message window during connect and read

    explicit TFormMain(QWidget *parent = nullptr);
    ~TFormMain() override;

    QTabBar *TabControl1() const;

    // Empties every edit field (text and modified flag), every combo box (no selection, empty text)
    // and every check box of the window; there is nothing left to set or reject afterwards.
    void ClearDataFields() { panel_->ClearDataFields(); }
    // The window after a disconnect: tab control off, only the disconnected state's actions on, every
    // data field cleared. acDKMACode is left as it is.
    void ApplyDisconnectedState() override { panel_->ApplyDisconnectedState(); }

    // An operator's edit of a common data field or combo box: marks the sending combo box (one of the
    // four above; other senders mark nothing) and enables Set and Reject.
    void MarkCompAsChanged(QObject *sender) { panel_->MarkCompAsChanged(sender); }
    static bool IsMarkedChanged(const QObject *comboBox) { return TCommonDataPanel::IsMarkedChanged(comboBox); }
    void ResetChangeMarks() { panel_->ResetChangeMarks(); }

    void RefreshButtonHints();
    // With unsaved edits (Set enabled) asks text 42014 and runs Set on Yes; No discards the edits
    // (Set and Reject off), so the question is not asked twice for the same edits.
    void OfferToSetEdits() { session_->OfferToSetEdits(); }

    TStrList &CommonData() override { return session_->CommonData(); }
    TStrList &ModuleData() { return moduleData_; }
    // Values derived by the last display (unit, offset, factor, Cp).
    const TDisplayValues &DisplayValues() const { return session_->DisplayValues(); }
    // The "Reject" display: fills the window from CommonData and DeviceInfo.
    void ShowCommonData() override { session_->ShowCommonData(); }
    // The window's edited fields and their edit marks, for the write-back.
    TCommonDataEdits CollectEdits() const override { return panel_->CollectEdits(); }
    // Reads the common data of the selected channel and shows it; a failure disconnects (text 2207).
    // Runs inside other operations too: it saves OperationActive and puts it back.
    void ReadCommonData() { session_->ReadCommonData(); }
    // Set: writes the edited values and refills the window; shows the write-back's result text.
    void SetData() { session_->SetData(); }
    // The write-back itself: 0 or the number of the text describing the first problem.
    uint16_t WriteCommonData() { return session_->WriteCommonData(); }
    // The disconnect sequence: ends the connection (or hands back to the module window) and puts the
    // window into the disconnected state.
    void DisconnectSequence() override { session_->DisconnectSequence(); }
    // The handler of CommObject's OnConnectionLost.
    void ConnectionLost() { session_->ConnectionLost(); }
    // Selects a channel tab without reading (the channel selection of the communication layer).
    void SelectTabQuietly(int index);
    QString StatusText() const { return panel_->StatusText(); }

    // What device windows ask of the main window (IMainWindow).
    QWidget *Widget() override { return this; }
    void ReReadCommonData() override { acReadCommDataExecute(); }
    int CurrentChannel() const override;
    void SelectChannelQuietly(int index) override { SelectTabQuietly(index); }
    QString FieldText(TMainField field) const override { return panel_->FieldText(field); }
    void SetFieldText(TMainField field, const QString &text) override { panel_->SetFieldText(field, text); }
    void ShowPeriod(const QString &period) override { panel_->ShowPeriod(period); }
    void DisableSetData() override;
    void Connect() override { acConnectExecute(); }
    void Disconnect() override { acDisconnectExecute(); }
    void PrinterSetup() override { acPrinterSetupExecute(); }
    void ReadArchive() override { acReadArchivDataExecute(); }
    void Exit() override { acExitExecute(); }
    // The message window while an operation shows it, else nullptr.
    TFormMeldung *Meldung() const { return meldung_.get(); }

signals:
    // The window has accepted a close (or Exit ran): the program ends.
    void Closed();

public slots:
    void acAboutExecute();
    void acExitExecute();
    void acPrintExecute();
    void acPrinterSetupExecute();
    void miContentsClick();
    void miSearchClick();
    void TabControl1Change(int index);

    // Device actions (TDeviceSession). Those that start an operation return at once while
    // OperationActive is set.
    void acConnectExecute() { session_->Connect(); }
    void acDisconnectExecute() { session_->Disconnect(); }
    void acReadCommDataExecute() { session_->ReadCommonDataAction(); }
    void acSetDataExecute() { session_->SetDataAction(); }
    void acRejectExecute() { session_->Reject(); }
    void acRefreshDevTimeExecute() { session_->RefreshDeviceClock(); }
    void acConfigDeviceExecute() { session_->ConfigureDevice(); }
    void acDKMACodeExecute() { session_->ChangeModuleAccessCode(); }
    void acReadArchivDataExecute() { session_->ReadArchive(); }
    void acReadPdbExecute() { session_->ReadProcessData(); }
    void acInitDeviceExecute() { session_->InitDevice(); }
    void acUserSettingsExecute() { session_->UserSettings(); }
    // A termination signal (SIGTERM, SIGINT, SIGHUP): the program ends as through Exit, with nobody at
    // the screen. A running device action is cancelled as the operator would (Escape on the window on
    // top, Yes to the cancel question); once it has ended, Exit runs without asking to set the
    // edited values (they are not sent to the device). Asking again while closing does nothing more.
    void CloseOnSignal();
    // On leaving edCPz: a value above 16777215 shows text 42004; the text stays.
    void edCPzExit();

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void SetUpFirstTab();
    void SetUpWindowFrame();
    void KeepColumnWidths();
    QSize NaturalSize() const;
    void BindButton(QPushButton *button, QAction *action);
    void BindButtons();
    void ConnectActions();
    void ConnectDeviceActions();
    void ConnectHookedDialogs();
    void InstallCommUiHooks();
    void ShowStartAbout();
    void StepSignalClose();

    // IDeviceSessionView
    void ShowMessage(const QString &text) override { ShowMessageText(this, text); }
    void ShowError(const QString &text, const QString &caption) override { ShowErrorText(this, text, caption); }
    bool AskYesNo(const QString &text, int helpTopic) override { return korvul::AskYesNo(this, text, helpTopic); }
    void SetBusyCursor(bool busy) override;
    bool HasBusyNotice() const override { return meldung_ != nullptr; }
    void CreateBusyNotice() override;
    void ShowBusyNotice() override;
    void HideBusyNotice() override;
    void FreeBusyNotice() override;
    void ShowCommonData(const TCommonDataView &view) override { panel_->Apply(view); }
    bool HasUnsetEdits() const override { return panel_->HasUnsetEdits(); }
    void DropUnsetEdits() override { panel_->DropUnsetEdits(); }
    void ShowClock(const QString &date, const QString &time) override { panel_->ShowClock(date, time); }
    void ApplyConnectedState(const TDeviceInfo &info) override { panel_->ApplyConnectedState(info); }
    void EnableModuleAccessCode(bool enabled) override;
    void RebuildChannelTabs(int channelCount) override;
    int AdoptSelectedChannel() override;
    void Repaint() override { repaint(); }
    bool WindowVisible() const override { return isVisible(); }
    void HideWindow() override { hide(); }
    void BringWindowToFront() override;
    bool HasDialog(TSessionDialog dialog) const override { return HasSessionDialog(dialog); }
    bool RunDialog(TSessionDialog dialog) override;
    bool ModuleWindowOpen() const override;
    void FreeModuleWindow() override { FreeSessionModuleWindow(); }
    void ShowModuleWindowInstead() override;
    void RefreshModuleClock(const QString &clock) override { RefreshSessionModuleClock(clock); }
    std::optional<QString> AskModuleAccessCode() override { return AskSessionModuleAccessCode(this); }
    void CloseStatusRegWindow() override;

    std::unique_ptr<Ui::TFormMain> ui;
    std::unique_ptr<TCommonDataPanel> panel_;
    std::unique_ptr<TDeviceSession> session_;
    std::unique_ptr<TFormMeldung> meldung_;
    TStrList moduleData_;
    int shownTab_ = 0;              // the channel whose data the window shows
    bool activatedOnce_ = false;
    bool exiting_ = false;
    QTimer *signalClose_ = nullptr;  // runs StepSignalClose while a signal's close is under way
    bool signalExitStarted_ = false;
};

// The program's main window while it exists, else nullptr.
TFormMain *FormMain();

// Creates the main window and the hidden status register window, shows the main window and runs the
// event loop until the main window closes; frees both windows and returns the loop's exit code.
// Needs the language module loaded and a QApplication.
int RunMainWindow();

} // namespace korvul
