// TFoCLM300: the transfers. Page reads on page change, Set with its re-read, Reject, the switch-through
// to an end device, and the closing sequence that hands the line back to the main window.
//
// Failures (TCommClassException: "ERROR" or a status number): OperationActive is cleared, the wait
// window closed and the cursor restored before the reaction runs, so that a Disconnect in the reaction
// takes effect.
//   page read:   status > 0 text 4194, the window stays; otherwise 2207 and Disconnect
//   Set:         status > 0 text 4190, then what was written so far is re-read; otherwise 2207, Set off,
//                Disconnect
//   switch:      status > 0 text 4184, the window stays; status < 0 Disconnect; "ERROR" 2207, Disconnect
// Any other exception text is shown as it stands.
#include "module/FoCLM300.h"

#include "base/HelpFile.h"
#include "base/LangSupp.h"
#include "comm/PortFailure.h"
#include "comm/CommState.h"
#include "ui/FoConnect.h"
#include "ui/FormMeldung.h"
#include "comm/Items.h"
#include "comm/CommClass.h"
#include "ui/DeviceAction.h"
#include "comm/DeviceFailure.h"
#include "ui/MainWindowAccess.h"
#include "ui/MainMessages.h"
#include "ui/MainState.h"
#include "ui_FoCLM300.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QSignalBlocker>

namespace korvul {

namespace {

void PollOff() {
    if (CommObjectExists()) CommObject().SetOptions(24);
}
void PollOn() {
    if (CommObjectExists()) CommObject().SetOptions(26);
}
bool LineConnected() { return CommObjectExists() && CommObject().Connected(); }
bool IsErrorText(const TCommClassException &e) { return e.Message() == QLatin1String(kErrorText); }

} // namespace

// ---- wait window ----

void TFoCLM300::ShowWait(uint16_t text) {
    CloseWait();
    NoticeText = LanguageText(text);
    NoticeCaption = QString::fromLatin1(TFormMeldung::kCaption);
    wait_ = std::make_unique<TFormMeldung>(this);
    wait_->ShowCentredOn(this);
    QCoreApplication::processEvents();
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void TFoCLM300::CloseWait() {
    if (!wait_) return;
    wait_.reset();
    QApplication::restoreOverrideCursor();
}

// ---- page change ----

// Leaving a page: refused while a transfer runs; with unsaved edits the operator decides whether they
// are set first. False when the change was refused or the window is closing.
bool TFoCLM300::LeavePage(QTabWidget *pages, int &shown, int index, bool inputs) {
    if (OperationActive) {
        const QSignalBlocker block(pages);
        pages->setCurrentIndex(shown);
        return false;
    }
    QPointer<TFoCLM300> self(this);
    if (SetEnabled()) {
        if (AskYesNo(this, LanguageText(kSaveChangesText), kHelpSaveChanges)) RunSet();
        else if (inputs) Display();
    }
    if (!self || closing_) return false;
    shown = index;
    return true;
}

void TFoCLM300::PageControl1Change(int index) {
    if (!LeavePage(ui->PageControl1, shownPage1_, index, false)) return;
    if (index == mpInputs) {
        const QSignalBlocker block(ui->pgcInputs);
        ui->pgcInputs->setCurrentIndex(0);
        shownInputs_ = 0;
    }
    ReadPage();
}

void TFoCLM300::PageControl2Change(int index) {
    if (!LeavePage(ui->PageControl2, shownPage2_, index, false)) return;
    ReadPage();
}

void TFoCLM300::pgcInputsChange(int index) { LeavePage(ui->pgcInputs, shownInputs_, index, true); }

void TFoCLM300::ReadPage() {
    ReadItems(PageReadLetters(ui->PageControl1->currentIndex(), ui->PageControl2->currentIndex()));
}

void TFoCLM300::ReadItems(const QString &letters) {
    if (OperationActive || letters.isEmpty()) return;
    OperationActive = true;
    ShowWait(kReadingText);
    QPointer<TFoCLM300> self(this);
    try {
        ReadModuleItems(moduleData_, letters, false);
    } catch (const TCommClassException &e) {
        OperationActive = false;
        if (!self) return;
        CloseWait();
        const TDeviceFailure kind = ClassifyDeviceFailure(e);
        if (kind == TDeviceFailure::Other) return ShowMessageText(this, e.Message());
        ShowMessageText(this, kind == TDeviceFailure::DeviceRefusal ? LanguageText(kReadRefusedText)
                                                                    : ConnectionBrokenText(kConnectionLostText));
        if (self && kind == TDeviceFailure::ConnectionBroken) Disconnect();
        return;
    }
    OperationActive = false;
    if (!self) return;
    CloseWait();
    Display();
}

// ---- Set and Reject ----

void TFoCLM300::btSetClick() { RunSet(); }

void TFoCLM300::btRejectClick() {
    if (!OperationActive) Display();
}

void TFoCLM300::RunSet() {
    if (OperationActive) return;
    OperationActive = true;
    TModuleSetForm form = CollectSetForm();
    if (ui->jeDate->isModified() || ui->jeTime->isModified()) {
        form.Clock = LocalClockRecord(ui->jeDate->text(), ui->jeTime->text());
        if (!form.Clock) {
            OperationActive = false;
            return ShowMessageText(this, LanguageText(kInvalidTimeText));
        }
    }
    ShowWait(kSettingText);
    PollOff();
    QString reread;
    QPointer<TFoCLM300> self(this);
    try {
        WriteRecords(PlanModuleSet(form), reread);
        if (!reread.isEmpty()) ReadModuleItems(moduleData_, reread, false);
    } catch (const TCommClassException &e) {
        if (self) SetFailed(e, reread);
        else OperationActive = false;
        return;
    }
    OperationActive = false;
    if (!self) return;
    Display();
    PollOn();
    CloseWait();
}

// Each record in order; a refusal ends the run (the records after it stay unsent).
void TFoCLM300::WriteRecords(const std::vector<TModuleWrite> &writes, QString &reread) {
    for (const TModuleWrite &w : writes) {
        RaiseOnResult(WriteProtectedItem(static_cast<uint8_t>(w.Letter), w.Record));
        AddToRereadList(reread, w.Letter);
    }
}

void TFoCLM300::SetFailed(const TCommClassException &e, const QString &reread) {
    OperationActive = false;
    CloseWait();
    switch (ClassifyDeviceFailure(e)) {
    case TDeviceFailure::DeviceRefusal:
        PollOn();
        ShowMessageText(this, LanguageText(kRecordRefusedText));
        if (reread.isEmpty()) Display();
        else ReadItems(reread);
        return;
    case TDeviceFailure::ConnectionBroken:
        ShowMessageText(this, ConnectionBrokenText(kConnectionLostText));
        ui->btSet->setEnabled(false);
        Disconnect();
        return;
    case TDeviceFailure::Other:
        PollOn();
        ShowMessageText(this, e.Message());
        return;
    }
}

// ---- connect with an end device ----

void TFoCLM300::btConnectClick() {
    if (OperationActive) return;
    OperationActive = true;
    const QStringList lines = ChannelChoiceLines(moduleData_.GetValue(QStringLiteral("h")), LanguageText(kChannelLineText));
    QString line;
    if (lines.size() == 1) {
        line = lines.first();
    } else if (lines.size() > 1) {
        TFoConnect dialog(this);
        dialog.SetChannels(lines);
        dialog.adjustSize();
        dialog.move(WindowCentre(this) - QPoint(dialog.width() / 2, dialog.height() / 2));
        if (dialog.exec() == QDialog::Accepted) line = dialog.cbChannel()->currentText();
    }
    const int channel = ChannelOfChoiceLine(line);
    if (channel < 0) {
        OperationActive = false;
        return;
    }
    SwitchThrough(channel);
}

void TFoCLM300::ConnectChannel(int channel) {
    if (OperationActive) return;
    OperationActive = true;
    SwitchThrough(channel);
}

// "N" with the channel digit; then the main window takes the line and signs on to the end device.
// Its disconnect brings the module window back.
void TFoCLM300::SwitchThrough(int channel) {
    try {
        RaiseOnResult(WriteProtectedItem('N', QString::number(channel)));
    } catch (const TCommClassException &e) {
        OperationActive = false;
        const TDeviceFailure kind = ClassifyDeviceFailure(e);
        if (kind == TDeviceFailure::DeviceRefusal) return ShowMessageText(this, LanguageText(kSwitchRefusedText));
        if (kind == TDeviceFailure::Other) return ShowMessageText(this, e.Message());
        if (IsErrorText(e)) ShowMessageText(this, ConnectionBrokenText(kConnectionLostText));
        Disconnect();
        return;
    }
    OperationActive = false;
    IMainWindow *main = MainWindow();
    if (!main) return;
    hide();
    main->Widget()->move(pos());
    main->Widget()->show();
    main->Connect();
}

// ---- disconnect and closing ----

void TFoCLM300::btDisconnectClick() { Disconnect(); }

void TFoCLM300::Disconnect() {
    if (OperationActive || closing_) return;
    RunClosingSequence();
}

void TFoCLM300::acExitExecute() {
    if (OperationActive) return;
    Disconnect();
    if (closing_ && MainWindow()) MainWindow()->Exit();
}

void TFoCLM300::closeEvent(QCloseEvent *event) {
    if (closing_) return event->accept();
    if (OperationActive) return event->ignore();  // a transfer is running: the window stays
    RunClosingSequence();
    if (closing_) event->accept();
    else event->ignore();
}

// Unsaved edits are offered for Set; then the window leaves, the main window shows again and ends the
// connection (the module window no longer exists for it, so it really disconnects).
void TFoCLM300::RunClosingSequence() {
    QPointer<TFoCLM300> self(this);
    if (SetEnabled() && LineConnected() && AskYesNo(this, LanguageText(kSaveChangesText), kHelpSaveChanges)) RunSet();
    if (!self || closing_) return;  // a failed Set has closed the window already
    FreeQuietly();
    IMainWindow *main = MainWindow();
    if (!main) return;
    main->Widget()->move(pos());
    main->Widget()->show();
    main->Widget()->repaint();
    main->Disconnect();
}

} // namespace korvul
