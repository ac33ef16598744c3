// TFormMain: the device actions. Connect, read, set, reject and disconnect; the lost connection and
// message 1127; the device clock from the poll; the actions that open the other subsystems' dialogs.
//
// Failures follow the shared rule (DeviceFailure.h). OperationActive keeps a second operation from
// starting while one runs; the entry points that the operator reaches (buttons, menu, keys, tabs)
// return at once while it is set, the internal steps (ReadCommonData, SetData, DisconnectSequence)
// are called directly by the operations that contain them.
#include "main/FormMain.h"
#include "ui/SettingsUi.h"

#include "base/HelpFile.h"
#include "base/IniFile.h"
#include "base/LangSupp.h"
#include "base/Settings.h"
#include "comm/PortFailure.h"
#include "comm/CommState.h"
#include "comm/Connection.h"
#include "comm/Conversions.h"
#include "comm/DeviceTypes.h"
#include "comm/Items.h"
#include "ui/ModemWindows.h"
#include "comm/CommClass.h"
#include "main/CommonDataWrite.h"
#include "comm/DeviceFailure.h"
#include "ui/FoStatusReg.h"
#include "ui/FormMeldung.h"
#include "ui/MainDialogs.h"
#include "ui/MainMessages.h"
#include "ui/MainState.h"
#include "ui_FormMain.h"

#include <QApplication>
#include <QPointer>
#include <QSignalBlocker>
#include <algorithm>

namespace korvul {

namespace {

// The hourglass for the lifetime of the object.
struct TBusyCursor {
    TBusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TBusyCursor() { QApplication::restoreOverrideCursor(); }
    TBusyCursor(const TBusyCursor &) = delete;
    TBusyCursor &operator=(const TBusyCursor &) = delete;
};

// OperationActive set for the lifetime of the object, the saved value put back afterwards.
struct TOperationScope {
    TOperationScope() : saved(OperationActive) { OperationActive = true; }
    ~TOperationScope() { OperationActive = saved; }
    bool saved;
};

uint16_t CheckTime() { return static_cast<uint16_t>(std::clamp(Settings().CHECKTIME, 0, 65535)); }

// Polling off while the window talks to the device, on again afterwards.
void PollOff() {
    CommObject().SetOptions(24);
    CommObject().Period = 0;
}
void PollOn() {
    CommObject().Period = CheckTime();
    CommObject().SetOptions(26);
}

bool Connected() { return CommObjectExists() && CommObject().Connected(); }

QWidget *ModuleWindow() { return MainDialogs().ModuleWindow ? MainDialogs().ModuleWindow() : nullptr; }

QString ExceptionText(const std::exception &e) { return QString::fromLocal8Bit(e.what()); }

// A device clock text from the poll: 12 digits "yymmddhhnnss".
bool IsClockText(const QString &text) {
    if (text.size() != 12) return false;
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); });
}

} // namespace

void TFormMain::ConnectDeviceActions() {
    connect(ui->acConnect, &QAction::triggered, this, &TFormMain::acConnectExecute);
    connect(ui->acDisconnect, &QAction::triggered, this, &TFormMain::acDisconnectExecute);
    connect(ui->acReadCommData, &QAction::triggered, this, &TFormMain::acReadCommDataExecute);
    connect(ui->acSetData, &QAction::triggered, this, &TFormMain::acSetDataExecute);
    connect(ui->acReject, &QAction::triggered, this, &TFormMain::acRejectExecute);
    connect(ui->acRefreshDevTime, &QAction::triggered, this, &TFormMain::acRefreshDevTimeExecute);
    connect(ui->acConfigDevice, &QAction::triggered, this, &TFormMain::acConfigDeviceExecute);
    connect(ui->acDKMACode, &QAction::triggered, this, &TFormMain::acDKMACodeExecute);
    connect(ui->acReadArchivData, &QAction::triggered, this, &TFormMain::acReadArchivDataExecute);
    connect(ui->acReadPdb, &QAction::triggered, this, &TFormMain::acReadPdbExecute);
    connect(ui->acInitDevice, &QAction::triggered, this, &TFormMain::acInitDeviceExecute);
    connect(ui->acUserSettings, &QAction::triggered, this, &TFormMain::acUserSettingsExecute);
    // Dialogs of the other subsystems that need nothing of the main window around them.
    struct Hooked { QAction *action; std::function<void(QWidget *)> TMainDialogs::*hook; bool device; };
    for (const Hooked &h : {Hooked{ui->acSetDateAndTime, &TMainDialogs::SetDateAndTime, true},
                            Hooked{ui->acNewZCode, &TMainDialogs::NewZCode, true},
                            Hooked{ui->acTestRTC, &TMainDialogs::TestRTC, true},
                            Hooked{ui->acCheckMaxima, &TMainDialogs::CheckMaxima, true},
                            Hooked{ui->acDeleteMeasurements, &TMainDialogs::DeleteMeasurements, true},
                            Hooked{ui->acMemoryDump, &TMainDialogs::MemoryDump, true},
                            Hooked{ui->acIntSettings, &TMainDialogs::IntSettings, false}})
        connect(h.action, &QAction::triggered, this, [this, h] {
            if (h.device && OperationActive) return;
            const auto &hook = MainDialogs().*(h.hook);
            if (hook) RunDialogHook([this, &hook] { hook(this); });
        });
    // The shown clock follows the poll only: refreshing it on every change of an action would put the
    // last poll's (older) clock over the one a read has just shown.
}

void TFormMain::BindCommObject() {
    if (!CommObjectExists()) return;
    QPointer<TFormMain> self(this);
    CommObject().OnConnectionLost = [self](TCommClass *) {
        if (self) self->ConnectionLost();
    };
    // The clock handler is bound while connected (from connect on) and stays bound with the window.
    CommObject().OnPollData = [self](TCommClass *) {
        if (self) self->acRefreshDevTimeExecute();
    };
}

// What the communication layer asks of the windows: messages, the hourglass, the channel tabs.
void TFormMain::InstallCommUiHooks() {
    TCommUiHooks &hooks = CommUiHooks();
    hooks.ShowMessage = [](const QString &text) { ShowMessageText(FormMain(), text); };
    hooks.ShowException = [](const std::exception &e) { ShowMessageText(FormMain(), ExceptionText(e)); };
    hooks.SetBusyCursor = [](bool busy) {
        if (busy) QApplication::setOverrideCursor(Qt::WaitCursor);
        else QApplication::restoreOverrideCursor();
    };
    hooks.RepaintMainWindow = [] {
        if (FormMain()) FormMain()->repaint();
    };
    hooks.SelectChannelTab = [](int channel) {
        if (FormMain()) FormMain()->SelectTabQuietly(channel);
    };
    hooks.ModuleWindowOpen = [] { return ModuleWindow() != nullptr; };
    InstallModemSupport(this);
}

void TFormMain::UnbindCommObject() {
    if (!CommObjectExists()) return;
    CommObject().OnConnectionLost = nullptr;
    CommObject().OnPollData = nullptr;
}

void TFormMain::CreateMeldung() {
    NoticeText = LanguageText(kBusyText);
    NoticeCaption = QString::fromLatin1(TFormMeldung::kCaption);
    meldung_ = std::make_unique<TFormMeldung>(this);
}

// ---- connect ----

void TFormMain::acConnectExecute() {
    if (OperationActive) return;
    OperationActive = true;
    CreateMeldung();
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
    meldung_.reset();
}

void TFormMain::ConnectFailed(const QString &text) {
    if (meldung_) meldung_->hide();
    ShowMessageText(this, text);
    DisconnectSequence();
}

void TFormMain::RunConnect() {
    const TSettings &s = Settings();
    if (s.VIAMODEM && !ModuleWindow()) {
        HQFlag = false;
        ModuleAccess = false;
        if (MainDialogs().TelephoneList) {
            if (!MainDialogs().TelephoneList(this)) return;
            TrySaveSettings(this);   // a failed save is reported; the call goes ahead
        }
    }
    if (!ConnectDevice()) {
        if (CommObject().Connected()) DisconnectSequence();
        return;
    }
    ui->acDKMACode->setEnabled(false);
    meldung_->ShowCentredOn(this);
    QCoreApplication::processEvents();
    TBusyCursor busy;
    if (s.CLM300 && !s.VIAMODEM) return OpenModuleTerminal();
    BindCommObject();
    if (DeviceInfo().IdentText.startsWith(QLatin1String("60"))) return OpenModuleWindow();
    IdentifyDeviceType();
    if (DeviceInfo().ChannelCount > 1) SelectChannel(0);
    ReadCapabilityItems(commonData_);
    if (!CommObject().Connected()) throw TCommClassException(QString::fromLatin1(kErrorText));
    RebuildTabs();
    ApplyConnectedState();
    ShowCommonData();
    CommObject().SetOptions(26);
}

// Without the module windows in this build the connection has nothing to show: it is ended again.
void TFormMain::OpenModuleTerminal() {
    if (!MainDialogs().ModuleTerminal) return DisconnectSequence();
    MainDialogs().ModuleTerminal(this);
    hide();
}

void TFormMain::OpenModuleWindow() {
    PollItem = 'g';
    if (!MainDialogs().OpenModuleWindow) return DisconnectSequence();
    MainDialogs().OpenModuleWindow(this, moduleData_);
    hide();
}

// The loggers that keep the channel in a register switch by command, the others by signing on anew.
void TFormMain::SelectChannel(int channel) { korvul::SelectChannel(static_cast<uint16_t>(channel)); }

void TFormMain::RebuildTabs() {
    const QSignalBlocker block(ui->TabControl1);
    while (ui->TabControl1->count() > 1) ui->TabControl1->removeTab(ui->TabControl1->count() - 1);
    for (int channel = 2; channel <= DeviceInfo().ChannelCount; ++channel)
        ui->TabControl1->addTab(LanguageText(kTabText) + QString::number(channel));
    ui->TabControl1->setEnabled(true);
    ui->TabControl1->setCurrentIndex(0);
    shownTab_ = 0;
}

void TFormMain::ApplyConnectedState() {
    const TDeviceInfo &info = DeviceInfo();
    ui->acReadArchivData->setEnabled(info.HasArchive);
    ui->acReadPdb->setEnabled(info.HasProcessData);
    ui->acConnect->setEnabled(false);
    ui->acDisconnect->setEnabled(true);
    ui->acReadCommData->setEnabled(true);
    ui->btRead->setEnabled(true);
    ui->acSetDateAndTime->setEnabled(info.WriteAccess);
    ui->acNewZCode->setEnabled(info.WriteAccess);
}

// ---- read, set, reject ----

void TFormMain::acReadCommDataExecute() {
    if (OperationActive) return;
    ReadCommonData();
}

void TFormMain::ReadCommonData() {
    TOperationScope operation;
    repaint();
    OfferToSetEdits();
    if (!Connected()) return;  // the Set before the read lost the connection (and said so)
    const bool ownMeldung = !meldung_;
    if (ownMeldung) CreateMeldung();
    meldung_->ShowCentredOn(this);
    QCoreApplication::processEvents();
    {
        TBusyCursor busy;
        commonData_.clear();
        TCommClass &comm = CommObject();
        const uint8_t savedOptions = comm.Options();
        comm.SetOptions(24);
        shownTab_ = ui->TabControl1->currentIndex();
        try {
            if (DeviceInfo().ChannelCount > 1) SelectChannel(shownTab_);
            ReadCapabilityItems(commonData_);
            if (!comm.Connected()) throw TCommClassException(QString::fromLatin1(kErrorText));
            ShowCommonData();
            comm.SetOptions(savedOptions);
        } catch (const std::exception &) {
            meldung_->hide();
            const QString text = ConnectionBrokenText(kConnectionLostText);
            DisconnectSequence();
            ShowMessageText(this, text);
        }
    }
    if (ownMeldung) meldung_.reset();
}

void TFormMain::acSetDataExecute() {
    if (OperationActive) return;
    SetData();
}

void TFormMain::SetData() {
    if (!CommObjectExists()) return;
    TCommClass &comm = CommObject();
    comm.SetOptions(24);
    comm.Period = 0;
    try {
        const uint16_t message = WriteCommonData();
        if (message != 0) ShowMessageText(this, LanguageText(message));
        if (message == 0 || message == kWriteRefused) ShowCommonData();
    } catch (const TCommClassException &e) {
        if (ClassifyDeviceFailure(e) == TDeviceFailure::ConnectionBroken) {
            ShowMessageText(this, ConnectionBrokenText(kConnectionLostText));
            DisconnectSequence();
            return;
        }
        ShowMessageText(this, e.Message());
    } catch (const std::exception &e) {
        ShowMessageText(this, ExceptionText(e));
    }
    PollOn();
}

uint16_t TFormMain::WriteCommonData() {
    const TWritePlan plan = PlanCommonDataWrite(CollectEdits(), derived_, commonData_.GetValue(QStringLiteral("^")));
    if (plan.Error != 0) return plan.Error;
    TCommClass &comm = CommObject();
    comm.Period = 0;
    TWriteSink sink;
    sink.Write = [this](const TItemWrite &w) { return WriteItem(static_cast<uint8_t>(w.Code), w.Key, w.Text, commonData_); };
    sink.RestorePeriod = [&comm] { comm.Period = CheckTime(); };
    const TWriteOutcome outcome = RunCommonDataWrites(plan, DeviceInfo().ValueLock, sink);
    uint16_t message = outcome.Message;
    if (outcome.IdentificationWritten) OfferCodeMark(message);
    return message;
}

// After new identification numbers the archive may get a code mark 00, written with the settings'
// CODEMARK set aside for the moment. A refused code mark counts as a refused write.
void TFormMain::OfferCodeMark(uint16_t &message) {
    if (!AskYesNo(this, LanguageText(kCodeMarkOffer), kHelpCodeMark)) return;
    struct TRestore {
        int saved = Settings().CODEMARK;
        ~TRestore() { Settings().CODEMARK = saved; }
    } restore;
    Settings().CODEMARK = -1;
    if (WriteCodeMark() != 0 && message == 0) message = kWriteRefused;
}

void TFormMain::acRejectExecute() { ShowCommonData(); }

// ---- disconnect, lost connection, message 1127 ----

void TFormMain::acDisconnectExecute() {
    if (OperationActive) return;
    DisconnectSequence();
}

void TFormMain::DisconnectSequence() {
    if (Connected()) OfferToSetEdits();
    if (QWidget *module = ModuleWindow()) {
        // Back to the module: wake it up from the pass-through, then it takes the line again.
        TCommClass &comm = CommObject();
        PollOff();
        for (const QByteArray &bytes : {QByteArray(1, 0x03), QByteArray(5, 0x04), QByteArray(5, 0x02)}) {
            int32_t count = static_cast<int32_t>(bytes.size()), written = 0;
            comm.CallLine(dpWrite, const_cast<char *>(bytes.constData()), &count, &written);
        }
        hide();
        module->move(pos());
        module->show();
        int32_t param = spTimeout, timeout = Settings().CLMTIMEOUT;
        comm.CallLine(dpSetParam, nullptr, &param, &timeout);
        PollOn();
    } else {
        try {
            if (CommObjectExists()) DisconnectDeviceAndModem();
        } catch (const std::exception &e) {
            ShowMessageText(this, ExceptionText(e));
        }
        ui->acDKMACode->setEnabled(true);
    }
    ApplyDisconnectedState();
}

void TFormMain::ConnectionLost() {
    if (ModuleWindow() && MainDialogs().FreeModuleWindow) MainDialogs().FreeModuleWindow();
    if (isHidden()) show();
    raise();
    activateWindow();
    const QString text = ConnectionBrokenText(kConnectionLostText);
    DisconnectSequence();
    ShowMessageText(this, text);
}

void TFormMain::HandleDialogBroken(QWidget *dialog) {
    TBusyCursor busy;
    const QString text = ConnectionBrokenText(kConnectionLostText);
    if (dialog) dialog->close();
    ShowMessageText(this, text);
    DisconnectSequence();
}

// A dialog hook's own failure: a broken connection disconnects; anything else is shown as it stands.
void TFormMain::RunDialogHook(const std::function<void()> &hook) {
    try {
        hook();
    } catch (const TCommClassException &e) {
        if (ClassifyDeviceFailure(e) != TDeviceFailure::ConnectionBroken) return ShowMessageText(this, e.Message());
        ShowMessageText(this, LanguageText(kConnectionLostText));
        DisconnectSequence();
    } catch (const std::exception &e) {
        ShowMessageText(this, ExceptionText(e));
    }
}

// ---- the device clock ----

void TFormMain::acRefreshDevTimeExecute() {
    if (!Connected()) return;
    const QString text = CommObject().PollText;
    if (!IsClockText(text)) return;
    if (isVisible()) {
        ui->edTime->setText(DeviceTimeToText(text.mid(6), 2));
        ui->edDate->setText(DeviceDateToText(text, 2));
        commonData_.SetValue(QStringLiteral("z"), text);
    } else if (MainDialogs().RefreshModuleClock) {
        MainDialogs().RefreshModuleClock(text);
    }
}

// ---- actions that open other subsystems' windows ----

void TFormMain::acConfigDeviceExecute() {
    if (OperationActive) return;
    const int type = DeviceInfo().TypeCode;
    const TMainDialogs &d = MainDialogs();
    const std::function<void(QWidget *)> *hook = nullptr;
    if (type >= 21 && type <= 24) hook = &d.ConfigQT700V2;
    else if (type == 41) hook = &d.ConfigQT700A;
    else if (type == 42) hook = &d.ConfigQT700M;
    else if (type == 95) hook = &d.ConfigNX17S;
    if (!hook) return ShowErrorText(this, LanguageText(kNoConfigDialogText), LanguageText(kConfigCaptionText));
    if (*hook) RunDialogHook([this, hook] { (*hook)(this); });
}

void TFormMain::acDKMACodeExecute() {
    if (!MainDialogs().ChangeModuleAccessCode) return;
    const std::optional<QString> code = MainDialogs().ChangeModuleAccessCode(this);
    if (!code) return;
    Settings().CLM300ACCESSCODE = *code;
    try {
        SaveSettings();
    } catch (const std::exception &e) {
        ShowMessageText(this, ExceptionText(e));
    }
}

void TFormMain::acReadArchivDataExecute() {
    if (OperationActive || !MainDialogs().ReadArchive) return;
    OperationActive = true;
    PollOff();
    RunDialogHook([this] { MainDialogs().ReadArchive(this); });
    repaint();
    if (Connected()) {
        ReadCommonData();
        PollOn();
    }
    OperationActive = false;
}

void TFormMain::acReadPdbExecute() {
    if (OperationActive || !MainDialogs().ReadProcessData) return;
    OperationActive = true;
    try {
        {
            TBusyCursor busy;
            DisconnectDevice();  // the line is free for the process data exchange
        }
        const TProcessDataHeader header{ui->edDevNo->text(), ui->edCountNo->text(), ui->edCustNo->text(),
                                        ui->edSw->text(),    ui->edDevType->text(), ui->edDate->text()};
        MainDialogs().ReadProcessData(this, header);
        repaint();
        CreateMeldung();
        meldung_->ShowCentredOn(this);
        TBusyCursor busy;
        PollOn();
        CommObject().SetConnected(true);
        ReadCommonData();
        if (FoStatusReg() && FoStatusReg()->isVisible()) FoStatusReg()->close();
    } catch (const std::exception &) {
        if (meldung_) meldung_->hide();
        ShowMessageText(this, LanguageText(kConnectionLostText));
        DisconnectSequence();
    }
    meldung_.reset();
    OperationActive = false;
}

void TFormMain::acInitDeviceExecute() {
    if (OperationActive || !MainDialogs().InitDevice) return;
    bool accepted = false;
    RunDialogHook([this, &accepted] { accepted = MainDialogs().InitDevice(this); });
    if (accepted && Connected()) ReadCommonData();
}

void TFormMain::acUserSettingsExecute() {
    if (!MainDialogs().UserSettings) return;
    bool accepted = false;
    RunDialogHook([this, &accepted] { accepted = MainDialogs().UserSettings(this); });
    if (accepted && Connected() && !OperationActive) ReadCommonData();
}

void TFormMain::edCPzExit() {
    if (const uint16_t message = CounterCpExitCheck(ui->edCPz->text())) ShowMessageText(this, LanguageText(message));
}

} // namespace korvul
