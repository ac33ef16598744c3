#include "main/DeviceSession.h"

#include "base/HelpFile.h"
#include "base/LangSupp.h"
#include "base/Settings.h"
#include "comm/CommClass.h"
#include "comm/CommState.h"
#include "comm/Connection.h"
#include "comm/Conversions.h"
#include "comm/DeviceFailure.h"
#include "comm/DeviceTypes.h"
#include "comm/Items.h"
#include "comm/PortFailure.h"
#include "main/CommonDataWrite.h"

#include <QByteArray>
#include <algorithm>

namespace korvul {

namespace {

// The hourglass for the lifetime of the object.
class TBusyCursor {
public:
    explicit TBusyCursor(IDeviceSessionView &view) : view_(view) { view_.SetBusyCursor(true); }
    ~TBusyCursor() { view_.SetBusyCursor(false); }
    TBusyCursor(const TBusyCursor &) = delete;
    TBusyCursor &operator=(const TBusyCursor &) = delete;

private:
    IDeviceSessionView &view_;
};

// OperationActive set for the lifetime of the object, the saved value put back afterwards.
struct TOperationScope {
    TOperationScope() : saved(OperationActive) { OperationActive = true; }
    ~TOperationScope() { OperationActive = saved; }
    TOperationScope(const TOperationScope &) = delete;
    TOperationScope &operator=(const TOperationScope &) = delete;
    bool saved;
};

// The poll period of the settings, in milliseconds.
uint16_t CheckTime() { return static_cast<uint16_t>(std::clamp(Settings().CHECKTIME, 0, 65535)); }

// Polling off while the window talks to the device, on again afterwards.
void PollOff() {
    CommObject().SetOptions(coPollOff);
    CommObject().Period = 0;
}
void PollOn() {
    CommObject().Period = CheckTime();
    CommObject().SetOptions(coPollOn);
}

bool Connected() { return CommObjectExists() && CommObject().Connected(); }

QString ExceptionText(const std::exception &e) { return QString::fromLocal8Bit(e.what()); }

// A device clock text from the poll: 12 digits "yymmddhhnnss".
bool IsClockText(const QString &text) {
    if (text.size() != 12) return false;
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); });
}

void RaiseIfDisconnected(const TCommClass &comm) {
    if (!comm.Connected()) throw TCommClassException(QString::fromLatin1(kErrorText));
}

} // namespace

void TDeviceSession::BindCommObject() {
    if (!CommObjectExists()) return;
    CommObject().OnConnectionLost = [this](TCommClass *) { ConnectionLost(); };
    // Bound from connect on and kept while the session lives: the shown clock follows the poll only.
    CommObject().OnPollData = [this](TCommClass *) { RefreshDeviceClock(); };
}

void TDeviceSession::UnbindCommObject() {
    if (!CommObjectExists()) return;
    CommObject().OnConnectionLost = nullptr;
    CommObject().OnPollData = nullptr;
}

void TDeviceSession::ShowCommonData() {
    const TCommonDataView view = BuildCommonDataView(commonData_, DeviceInfo());
    derived_ = view.Derived;
    view_.ShowCommonData(view);
}

void TDeviceSession::OfferToSetEdits() {
    if (!view_.HasUnsetEdits()) return;
    if (view_.AskYesNo(LanguageText(kSaveChangesText), kHelpSaveChanges)) return SetData();
    view_.DropUnsetEdits();
}

// ---- connect ----

void TDeviceSession::Connect() {
    if (OperationActive) return;
    OperationActive = true;
    view_.CreateBusyNotice();
    PollItem = 'z';
    commonData_.clear();
    try {
        RunConnect();
    } catch (const TPortOpenFailure &e) {
        ConnectFailed(e.Detail());  // names the device, the cause and the fix
    } catch (const TCommClassException &e) {
        const TDeviceFailure kind = ClassifyDeviceFailure(e);
        ConnectFailed(kind == TDeviceFailure::ConnectionBroken ? ConnectionBrokenText(kConnectionLostText)
                      : kind == TDeviceFailure::DeviceRefusal  ? LanguageText(kConnectRefusedText)
                                                               : e.Message());
    } catch (const std::exception &e) {
        ConnectFailed(ExceptionText(e));
    }
    OperationActive = false;
    view_.FreeBusyNotice();
}

void TDeviceSession::ConnectFailed(const QString &text) {
    view_.HideBusyNotice();
    view_.ShowMessage(text);
    DisconnectSequence();
}

// A CLM-300 goes to its module terminal (direct line) or its module window (identification "60...").
void TDeviceSession::RunConnect() {
    const TSettings &s = Settings();
    if (s.VIAMODEM && !view_.ModuleWindowOpen()) {
        HQFlag = false;
        ModuleAccess = false;
        if (view_.HasDialog(TSessionDialog::TelephoneList) && !view_.RunDialog(TSessionDialog::TelephoneList)) return;
    }
    if (!ConnectDevice()) {
        if (CommObject().Connected()) DisconnectSequence();
        return;
    }
    view_.EnableModuleAccessCode(false);
    view_.ShowBusyNotice();
    ProcessMessages();
    TBusyCursor busy(view_);
    if (s.CLM300 && !s.VIAMODEM) return OpenModuleDialog(TSessionDialog::ModuleTerminal);
    BindCommObject();
    if (DeviceInfo().IdentText.startsWith(QLatin1String("60"))) return OpenModuleDialog(TSessionDialog::ModuleWindow);
    IdentifyDeviceType();
    if (DeviceInfo().ChannelCount > 1) SelectChannel(0);
    ReadCapabilityItems(commonData_);
    RaiseIfDisconnected(CommObject());
    view_.RebuildChannelTabs(DeviceInfo().ChannelCount);
    view_.ApplyConnectedState(DeviceInfo());
    ShowCommonData();
    CommObject().SetOptions(coPollOn);
}

// Without the module windows in the build the connection has nothing to show: it is ended again.
void TDeviceSession::OpenModuleDialog(TSessionDialog dialog) {
    if (dialog == TSessionDialog::ModuleWindow) PollItem = 'g';
    if (!view_.HasDialog(dialog)) return DisconnectSequence();
    view_.RunDialog(dialog);
    view_.HideWindow();
}

// ---- read, set ----

void TDeviceSession::ReadCommonDataAction() {
    if (OperationActive) return;
    ReadCommonData();
}

void TDeviceSession::ReadCommonData() {
    TOperationScope operation;
    view_.Repaint();
    OfferToSetEdits();
    if (!Connected()) return;  // the Set before the read lost the connection (and said so)
    const bool ownNotice = !view_.HasBusyNotice();
    if (ownNotice) view_.CreateBusyNotice();
    view_.ShowBusyNotice();
    ProcessMessages();
    ReadSelectedChannel();
    if (ownNotice) view_.FreeBusyNotice();
}

void TDeviceSession::ReadSelectedChannel() {
    TBusyCursor busy(view_);
    commonData_.clear();
    TCommClass &comm = CommObject();
    const uint8_t savedOptions = comm.Options();
    comm.SetOptions(coPollOff);
    const int channel = view_.AdoptSelectedChannel();
    try {
        if (DeviceInfo().ChannelCount > 1) SelectChannel(static_cast<uint16_t>(channel));
        ReadCapabilityItems(commonData_);
        RaiseIfDisconnected(comm);
        ShowCommonData();
        comm.SetOptions(savedOptions);
    } catch (const std::exception &) {
        view_.HideBusyNotice();
        const QString text = ConnectionBrokenText(kConnectionLostText);
        DisconnectSequence();
        view_.ShowMessage(text);
    }
}

void TDeviceSession::SetDataAction() {
    if (OperationActive) return;
    SetData();
}

// A refused write re-displays what the device kept; other problems leave the edits for correction.
void TDeviceSession::SetData() {
    if (!CommObjectExists()) return;
    TCommClass &comm = CommObject();
    comm.SetOptions(coPollOff);
    comm.Period = 0;
    try {
        const uint16_t message = WriteCommonData();
        if (message != 0) view_.ShowMessage(LanguageText(message));
        if (message == 0 || message == kWriteRefused) ShowCommonData();
    } catch (const TCommClassException &e) {
        if (ClassifyDeviceFailure(e) == TDeviceFailure::ConnectionBroken) {
            view_.ShowMessage(ConnectionBrokenText(kConnectionLostText));
            return DisconnectSequence();
        }
        view_.ShowMessage(e.Message());
    } catch (const std::exception &e) {
        view_.ShowMessage(ExceptionText(e));
    }
    PollOn();
}

uint16_t TDeviceSession::WriteCommonData() {
    const TWritePlan plan =
        PlanCommonDataWrite(view_.CollectEdits(), derived_, commonData_.GetValue(QStringLiteral("^")));
    if (plan.Error != 0) return plan.Error;
    TCommClass &comm = CommObject();
    comm.Period = 0;
    TWriteSink sink;
    sink.Write = [this](const TItemWrite &w) {
        return WriteItem(static_cast<uint8_t>(w.Code), w.Key, w.Text, commonData_);
    };
    sink.RestorePeriod = [&comm] { comm.Period = CheckTime(); };
    const TWriteOutcome outcome = RunCommonDataWrites(plan, DeviceInfo().ValueLock, sink);
    uint16_t message = outcome.Message;
    if (outcome.IdentificationWritten) OfferCodeMark(message);
    return message;
}

// After new identification numbers the archive may get a code mark 00, written with the settings'
// CODEMARK set aside for the moment. A refused code mark counts as a refused write.
void TDeviceSession::OfferCodeMark(uint16_t &message) {
    if (!view_.AskYesNo(LanguageText(kCodeMarkOffer), kHelpCodeMark)) return;
    struct TRestore {
        int saved = Settings().CODEMARK;
        ~TRestore() { Settings().CODEMARK = saved; }
    } restore;
    Settings().CODEMARK = -1;
    if (WriteCodeMark() != 0 && message == 0) message = kWriteRefused;
}

// ---- disconnect, lost connection, message 1127 ----

void TDeviceSession::Disconnect() {
    if (OperationActive) return;
    DisconnectSequence();
}

void TDeviceSession::DisconnectSequence() {
    if (Connected()) OfferToSetEdits();
    if (view_.ModuleWindowOpen()) {
        HandBackToModule();
    } else {
        try {
            if (CommObjectExists()) DisconnectDeviceAndModem();
        } catch (const std::exception &e) {
            view_.ShowMessage(ExceptionText(e));
        }
        view_.EnableModuleAccessCode(true);
    }
    view_.ApplyDisconnectedState();
}

// Back to the module: wake it up from the pass-through (ETX, 5 x EOT, 5 x STX), then it takes the line
// again with its own time-out.
void TDeviceSession::HandBackToModule() {
    TCommClass &comm = CommObject();
    PollOff();
    for (const QByteArray &bytes : {QByteArray(1, 0x03), QByteArray(5, 0x04), QByteArray(5, 0x02)}) {
        int32_t count = static_cast<int32_t>(bytes.size()), written = 0;
        comm.CallLine(dpWrite, const_cast<char *>(bytes.constData()), &count, &written);
    }
    view_.ShowModuleWindowInstead();
    int32_t param = spTimeout, timeout = Settings().CLMTIMEOUT;
    comm.CallLine(dpSetParam, nullptr, &param, &timeout);
    PollOn();
}

void TDeviceSession::ConnectionLost() {
    if (view_.ModuleWindowOpen()) view_.FreeModuleWindow();
    view_.BringWindowToFront();
    const QString text = ConnectionBrokenText(kConnectionLostText);
    DisconnectSequence();
    view_.ShowMessage(text);
}

void TDeviceSession::DialogBroken(const std::function<void()> &closeDialog) {
    TBusyCursor busy(view_);
    const QString text = ConnectionBrokenText(kConnectionLostText);
    closeDialog();
    view_.ShowMessage(text);
    DisconnectSequence();
}

// A dialog's own failure: a broken connection disconnects; anything else is shown as it stands.
void TDeviceSession::RunDialogGuarded(const std::function<void()> &dialog) {
    try {
        dialog();
    } catch (const TCommClassException &e) {
        if (ClassifyDeviceFailure(e) != TDeviceFailure::ConnectionBroken) return view_.ShowMessage(e.Message());
        view_.ShowMessage(LanguageText(kConnectionLostText));
        DisconnectSequence();
    } catch (const std::exception &e) {
        view_.ShowMessage(ExceptionText(e));
    }
}

void TDeviceSession::RunHookedDialog(bool deviceDialog, const std::function<void()> &dialog) {
    if (deviceDialog && OperationActive) return;
    RunDialogGuarded(dialog);
}

// ---- the device clock ----

void TDeviceSession::RefreshDeviceClock() {
    if (!Connected()) return;
    const QString text = CommObject().PollText;
    if (!IsClockText(text)) return;
    if (view_.WindowVisible()) {
        view_.ShowClock(DeviceDateToText(text, 2), DeviceTimeToText(text.mid(6), 2));
        commonData_.SetValue(QStringLiteral("z"), text);
    } else {
        view_.RefreshModuleClock(text);
    }
}

// ---- actions that open other subsystems' dialogs ----

// The configuration dialog by type code: 21-24, 41, 42, 95; other devices have none.
void TDeviceSession::ConfigureDevice() {
    if (OperationActive) return;
    const int type = DeviceInfo().TypeCode;
    std::optional<TSessionDialog> dialog;
    if (type >= 21 && type <= 24) dialog = TSessionDialog::ConfigQT700V2;
    else if (type == 41) dialog = TSessionDialog::ConfigQT700A;
    else if (type == 42) dialog = TSessionDialog::ConfigQT700M;
    else if (type == 95) dialog = TSessionDialog::ConfigNX17S;
    if (!dialog) return view_.ShowError(LanguageText(kNoConfigDialogText), LanguageText(kConfigCaptionText));
    if (view_.HasDialog(*dialog)) RunDialogGuarded([this, dialog] { view_.RunDialog(*dialog); });
}

void TDeviceSession::ChangeModuleAccessCode() {
    const std::optional<QString> code = view_.AskModuleAccessCode();
    if (!code) return;
    Settings().CLM300ACCESSCODE = *code;
    try {
        SaveSettings();
    } catch (const std::exception &e) {
        view_.ShowMessage(ExceptionText(e));
    }
}

void TDeviceSession::ReadArchive() {
    if (OperationActive || !view_.HasDialog(TSessionDialog::ReadArchive)) return;
    OperationActive = true;
    PollOff();
    RunDialogGuarded([this] { view_.RunDialog(TSessionDialog::ReadArchive); });
    view_.Repaint();
    if (Connected()) {
        ReadCommonData();
        PollOn();
    }
    OperationActive = false;
}

// The process data exchange needs the line without the device session: signed off before, on again
// afterwards. Any failure on the way counts as the lost connection.
void TDeviceSession::ReadProcessData() {
    if (OperationActive || !view_.HasDialog(TSessionDialog::ReadProcessData)) return;
    OperationActive = true;
    try {
        ReadProcessDataSteps();
    } catch (const std::exception &) {
        view_.HideBusyNotice();
        view_.ShowMessage(LanguageText(kConnectionLostText));
        DisconnectSequence();
    }
    view_.FreeBusyNotice();
    OperationActive = false;
}

void TDeviceSession::ReadProcessDataSteps() {
    {
        TBusyCursor busy(view_);
        DisconnectDevice();
    }
    view_.RunDialog(TSessionDialog::ReadProcessData);
    view_.Repaint();
    view_.CreateBusyNotice();
    view_.ShowBusyNotice();
    TBusyCursor busy(view_);
    PollOn();
    CommObject().SetConnected(true);
    ReadCommonData();
    view_.CloseStatusRegWindow();
}

void TDeviceSession::InitDevice() {
    if (OperationActive || !view_.HasDialog(TSessionDialog::InitDevice)) return;
    bool accepted = false;
    RunDialogGuarded([this, &accepted] { accepted = view_.RunDialog(TSessionDialog::InitDevice); });
    if (accepted && Connected()) ReadCommonData();
}

void TDeviceSession::UserSettings() {
    if (!view_.HasDialog(TSessionDialog::UserSettings)) return;
    bool accepted = false;
    RunDialogGuarded([this, &accepted] { accepted = view_.RunDialog(TSessionDialog::UserSettings); });
    if (accepted && Connected() && !OperationActive) ReadCommonData();
}

} // namespace korvul
