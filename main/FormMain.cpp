#include "main/FormMain.h"

#include "base/HelpFile.h"
#include "base/LangSupp.h"
#include "base/Settings.h"
#include "comm/CommClass.h"
#include "comm/CommState.h"
#include "main/CommonDataPanel.h"
#include "main/CommonDataWrite.h"
#include "main/SessionDialogs.h"
#include "ui/FoAbout.h"
#include "ui/FoStatusReg.h"
#include "ui/FormMeldung.h"
#include "ui/FrmCancelDlg.h"
#include "ui/HelpInit.h"
#include "ui/HelpViewer.h"
#include "ui/MainDialogs.h"
#include "ui/MainMessages.h"
#include "ui/MainState.h"
#include "ui/ModemWindows.h"
#include "ui/TranslateForm.h"
#include "ui/WindowPrint.h"
#include "ui_FormMain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QFocusEvent>
#include <QGridLayout>
#include <QMenuBar>
#include <QPageSetupDialog>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>

namespace korvul {

namespace {

QPointer<TFormMain> mainWindow;

// Room the window manager's frame and title bar take around the window (before the window is shown
// its frame is unknown).
const QSize kFrameRoom(8, 40);

QWidget *ModuleWindow() { return SessionModuleWindow(); }

void OverrideCursor(bool busy) {
    if (busy) QApplication::setOverrideCursor(Qt::WaitCursor);
    else QApplication::restoreOverrideCursor();
}

QString ExceptionText(const std::exception &e) { return QString::fromLocal8Bit(e.what()); }

} // namespace

TFormMain::TFormMain(QWidget *parent)
    : QMainWindow(parent), ui(std::make_unique<Ui::TFormMain>()),
      session_(std::make_unique<TDeviceSession>(static_cast<IDeviceSessionView &>(*this))) {
    ui->setupUi(this);
    panel_ = std::make_unique<TCommonDataPanel>(*this, *ui,
                                                [this] { return findChildren<QWidget *>(); });
    TranslateForm(this, kTextBase);
    SetUpFirstTab();
    LoadSettings();
    InitHelpFile();
    panel_->SetUp();
    BindButtons();
    ConnectActions();
    ConnectDeviceActions();
    RefreshButtonHints();
    ClearDataFields();
    PollItem = 'z';
    OperationActive = false;
    SetUpWindowFrame();
    if (!mainWindow) {
        mainWindow = this;
        RegisterMainWindow(this);
        InstallCommUiHooks();
    }
    session_->BindCommObject();
}

TFormMain::~TFormMain() {
    if (MainWindow() == this) RegisterMainWindow(nullptr);
    session_->UnbindCommObject();
}

QTabBar *TFormMain::TabControl1() const { return ui->TabControl1; }

void TFormMain::SetUpFirstTab() {
    ui->TabControl1->addTab(LanguageText(kTabText) + QLatin1Char('1'));
    // The data fields sit on the tab control's page: they are usable exactly when the tab control is.
    ui->TabControl1->installEventFilter(this);
    ui->pnlTabPage->setEnabled(ui->TabControl1->isEnabled());
}

// The window opens at the size its content asks for, centred, and never larger than the screen; it
// has no maximise button, as its fields do not grow. It can be made smaller down to what its menu and status bar need: the content then scrolls (a 1280x800
// screen at scale factor 2 offers 640x400), and Tab scrolls the field it reaches into view. Hidden
// fields keep their room so that the page does not jump when the display hides the fields a device
// does not have.
void TFormMain::SetUpWindowFrame() {
    for (QWidget *w : ui->pnlTabPage->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        QSizePolicy policy = w->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        w->setSizePolicy(policy);
    }
    KeepColumnWidths();
    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("scbMain"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(takeCentralWidget());
    setCentralWidget(scroll);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    resize(NaturalSize());
    if (const QScreen *scr = screen()) move(scr->availableGeometry().center() - rect().center());
}

// The columns keep the width of their widest resource text, so that shorter labels of a quantity code
// do not make the fields jump sideways.
void TFormMain::KeepColumnWidths() {
    QGridLayout *grid = ui->layPage;
    for (int i = 0; i < grid->count(); ++i) {
        int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
        grid->getItemPosition(i, &row, &column, &rowSpan, &columnSpan);
        const int width = grid->itemAt(i)->sizeHint().width();
        if (columnSpan == 1 && width > grid->columnMinimumWidth(column)) grid->setColumnMinimumWidth(column, width);
    }
}

// Everything shown without scrolling (content, menu and status bar), within the screen's free area.
QSize TFormMain::NaturalSize() const {
    const auto *scroll = static_cast<QScrollArea *>(centralWidget());
    const QSize content = scroll->widget()->sizeHint();
    const int bars = menuBar()->sizeHint().height() + statusBar()->sizeHint().height();
    QSize size(std::max(content.width(), menuBar()->sizeHint().width()), content.height() + bars);
    if (const QScreen *scr = screen()) size = size.boundedTo(scr->availableGeometry().size() - kFrameRoom);
    return size;
}

// The button follows its action's enabled state and runs the action when clicked.
void TFormMain::BindButton(QPushButton *button, QAction *action) {
    button->setEnabled(action->isEnabled());
    connect(action, &QAction::changed, button, [button, action] { button->setEnabled(action->isEnabled()); });
    connect(button, &QPushButton::clicked, action, &QAction::trigger);
    button->installEventFilter(this);
}

void TFormMain::BindButtons() {
    BindButton(ui->btConnect, ui->acConnect);
    BindButton(ui->btDisconnect, ui->acDisconnect);
    BindButton(ui->btReadArchive, ui->acReadArchivData);
    BindButton(ui->btReadPDB, ui->acReadPdb);
    BindButton(ui->btRead, ui->acReadCommData);
    BindButton(ui->btSet, ui->acSetData);
    BindButton(ui->btReject, ui->acReject);
    BindButton(ui->btConfigure, ui->acConfigDevice);
    BindButton(ui->btInit, ui->acInitDevice);
    // Reading is possible only once connected, although the action itself starts enabled.
    ui->btRead->setEnabled(false);
    // Some air around the captions of the toolbar buttons.
    for (QPushButton *button : ui->pnlToolbar->findChildren<QPushButton *>())
        button->setMinimumWidth(button->sizeHint().width() + 8);
}

void TFormMain::ConnectActions() {
    // Added to the window as well, so that their shortcuts work without going through the menu bar.
    for (QAction *action : findChildren<QAction *>(Qt::FindDirectChildrenOnly))
        if (action->objectName().startsWith(QLatin1String("ac"))) addAction(action);
    connect(ui->acAbout, &QAction::triggered, this, &TFormMain::acAboutExecute);
    connect(ui->acExit, &QAction::triggered, this, &TFormMain::acExitExecute);
    connect(ui->acPrint, &QAction::triggered, this, &TFormMain::acPrintExecute);
    connect(ui->acPrinterSetup, &QAction::triggered, this, &TFormMain::acPrinterSetupExecute);
    connect(ui->miContents, &QAction::triggered, this, &TFormMain::miContentsClick);
    connect(ui->miSearch, &QAction::triggered, this, &TFormMain::miSearchClick);
    connect(ui->miInfo, &QAction::triggered, ui->acAbout, &QAction::trigger);
    connect(ui->TabControl1, &QTabBar::currentChanged, this, &TFormMain::TabControl1Change);
}

void TFormMain::RefreshButtonHints() {
    for (QPushButton *button : findChildren<QPushButton *>()) {
        const int tag = button->property("tag").toInt();
        button->setToolTip(LanguageText(TextNumber(kHintBase, tag)));
    }
}

void TFormMain::acAboutExecute() { TfoAbout::ShowModal(this); }

void TFormMain::acExitExecute() {
    OfferToSetEdits();
    if (CommObjectExists() && CommObject().Connected()) DisconnectSequence();
    if (QWidget *module = ModuleWindow()) module->close();
    exiting_ = true;
    close();
}

void TFormMain::CloseOnSignal() {
    if (signalClose_) return;
    CancelRequested = true;  // the dialling window's Cancel: a call being set up stops
    signalClose_ = new QTimer(this);
    signalClose_->setInterval(20);
    connect(signalClose_, &QTimer::timeout, this, &TFormMain::StepSignalClose);
    signalClose_->start();
}

// One step of a signal's close, every 20 ms until the window is gone: the window on top gets the
// operator's cancel, and while a device action still runs that is all. The timer goes on during Exit, so
// that a message the sign-off shows does not wait for a click either.
void TFormMain::StepSignalClose() {
    if (QWidget *modal = QApplication::activeModalWidget()) {
        if (auto *question = qobject_cast<TFrmCancelDlg *>(modal)) question->done(TFrmCancelDlg::kResultYes);
        else if (auto *dialog = qobject_cast<QDialog *>(modal)) dialog->reject();
        else modal->close();
        return;
    }
    if (OperationActive || signalExitStarted_) return;
    signalExitStarted_ = true;
    panel_->DropUnsetEdits();
    acExitExecute();
}

void TFormMain::acPrintExecute() {
    QPrinter &printer = CurrentPrinter();
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted) return;
    if (!PrintWidgetImage(this, printer))
        ShowMessageText(this, LanguageText(kPrintFailedText));
}

void TFormMain::acPrinterSetupExecute() {
    QPageSetupDialog dialog(&CurrentPrinter(), this);
    dialog.exec();
}

void TFormMain::miContentsClick() { ShowHelpTopic(QString::fromLatin1(HelpTopic::Contents)); }

void TFormMain::miSearchClick() { Help().ShowIndex(); }

// A tab clicked while an operation runs goes back to the channel shown: no read can start then.
void TFormMain::TabControl1Change(int /*index*/) {
    if (OperationActive) {
        SelectTabQuietly(shownTab_);
        return;
    }
    ui->acReadCommData->trigger();
}

bool TFormMain::event(QEvent *event) {
    if (event->type() == WM_DIALOG_CONNECTION_BROKEN) {
        QWidget *dialog = static_cast<TDialogBrokenEvent *>(event)->Dialog.data();
        session_->DialogBroken([dialog] {
            if (dialog) dialog->close();
        });
        return true;
    }
    if (event->type() == QEvent::WindowActivate && !activatedOnce_) {
        activatedOnce_ = true;
        QTimer::singleShot(0, this, &TFormMain::ShowStartAbout);
    }
    return QMainWindow::event(event);
}

bool TFormMain::eventFilter(QObject *watched, QEvent *event) {
    // Leaving the field for another control of this window; a window or popup change is no exit.
    if (watched == ui->edCPz && event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) edCPzExit();
    }
    if (watched == ui->TabControl1 && event->type() == QEvent::EnabledChange)
        ui->pnlTabPage->setEnabled(ui->TabControl1->isEnabled());
    if ((event->type() == QEvent::ToolTip || event->type() == QEvent::StatusTip) &&
        qobject_cast<QPushButton *>(watched))
        RefreshButtonHints();
    return QMainWindow::eventFilter(watched, event);
}

// Exit has asked its question already; a close from the window frame asks here. While a module window
// exists the close is refused and the connection handed back to it instead.
void TFormMain::closeEvent(QCloseEvent *event) {
    if (!exiting_) OfferToSetEdits();
    const bool leaving = exiting_;
    exiting_ = false;
    if (!leaving && ModuleWindow()) {
        event->ignore();
        DisconnectSequence();
        return;
    }
    event->accept();
    emit Closed();
}

void TFormMain::showEvent(QShowEvent *event) {
    session_->BindCommObject();
    if (QWidget *module = ModuleWindow()) move(module->pos());
    QMainWindow::showEvent(event);
}

// After the pending events (the window's first paint), the About box without OK for about a second.
void TFormMain::ShowStartAbout() {
    QCoreApplication::processEvents();
    TfoAbout::ShowFor(this, kStartAboutMs);
}

// ---- device actions (TDeviceSession) ----

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
    ConnectHookedDialogs();
    // The shown clock follows the poll only: refreshing it on every change of an action would put the
    // last poll's (older) clock over the one a read has just shown.
}

// Dialogs of the other subsystems that need nothing of the main window around them.
void TFormMain::ConnectHookedDialogs() {
    struct Hooked { QAction *action; std::function<void(QWidget *)> TMainDialogs::*hook; bool device; };
    for (const Hooked &h : {Hooked{ui->acSetDateAndTime, &TMainDialogs::SetDateAndTime, true},
                            Hooked{ui->acNewZCode, &TMainDialogs::NewZCode, true},
                            Hooked{ui->acTestRTC, &TMainDialogs::TestRTC, true},
                            Hooked{ui->acCheckMaxima, &TMainDialogs::CheckMaxima, true},
                            Hooked{ui->acDeleteMeasurements, &TMainDialogs::DeleteMeasurements, true},
                            Hooked{ui->acMemoryDump, &TMainDialogs::MemoryDump, true},
                            Hooked{ui->acIntSettings, &TMainDialogs::IntSettings, false}})
        connect(h.action, &QAction::triggered, this, [this, h] {
            const auto &hook = MainDialogs().*(h.hook);
            if (hook) session_->RunHookedDialog(h.device, [this, &hook] { hook(this); });
        });
}

// What the communication layer asks of the windows: messages, the hourglass, the channel tabs.
void TFormMain::InstallCommUiHooks() {
    TCommUiHooks &hooks = CommUiHooks();
    hooks.ShowMessage = [](const QString &text) { ShowMessageText(FormMain(), text); };
    hooks.ShowException = [](const std::exception &e) { ShowMessageText(FormMain(), ExceptionText(e)); };
    hooks.SetBusyCursor = OverrideCursor;
    hooks.RepaintMainWindow = [] {
        if (FormMain()) FormMain()->repaint();
    };
    hooks.SelectChannelTab = [](int channel) {
        if (FormMain()) FormMain()->SelectTabQuietly(channel);
    };
    hooks.ModuleWindowOpen = [] { return ModuleWindow() != nullptr; };
    InstallModemSupport(this);
}

void TFormMain::edCPzExit() {
    if (const uint16_t message = CounterCpExitCheck(ui->edCPz->text())) ShowMessageText(this, LanguageText(message));
}

int TFormMain::CurrentChannel() const { return std::max(0, ui->TabControl1->currentIndex()); }
void TFormMain::DisableSetData() { ui->acSetData->setEnabled(false); }

void TFormMain::SelectTabQuietly(int index) {
    const QSignalBlocker block(ui->TabControl1);
    ui->TabControl1->setCurrentIndex(index);
    shownTab_ = ui->TabControl1->currentIndex();
}

// ---- what the device session asks of the window ----

void TFormMain::SetBusyCursor(bool busy) { OverrideCursor(busy); }

void TFormMain::CreateBusyNotice() {
    NoticeText = LanguageText(kBusyText);
    NoticeCaption = QString::fromLatin1(TFormMeldung::kCaption);
    meldung_ = std::make_unique<TFormMeldung>(this);
}

void TFormMain::ShowBusyNotice() {
    if (meldung_) meldung_->ShowCentredOn(this);
}
void TFormMain::HideBusyNotice() {
    if (meldung_) meldung_->hide();
}
void TFormMain::FreeBusyNotice() { meldung_.reset(); }
void TFormMain::EnableModuleAccessCode(bool enabled) { ui->acDKMACode->setEnabled(enabled); }

void TFormMain::RebuildChannelTabs(int channelCount) {
    const QSignalBlocker block(ui->TabControl1);
    while (ui->TabControl1->count() > 1) ui->TabControl1->removeTab(ui->TabControl1->count() - 1);
    for (int channel = 2; channel <= channelCount; ++channel)
        ui->TabControl1->addTab(LanguageText(kTabText) + QString::number(channel));
    ui->TabControl1->setEnabled(true);
    ui->TabControl1->setCurrentIndex(0);
    shownTab_ = 0;
}

int TFormMain::AdoptSelectedChannel() {
    shownTab_ = ui->TabControl1->currentIndex();
    return shownTab_;
}

void TFormMain::BringWindowToFront() {
    if (isHidden()) show();
    raise();
    activateWindow();
}

bool TFormMain::RunDialog(TSessionDialog dialog) {
    const TProcessDataHeader header{ui->edDevNo->text(), ui->edCountNo->text(), ui->edCustNo->text(),
                                    ui->edSw->text(),    ui->edDevType->text(), ui->edDate->text()};
    return RunSessionDialog(dialog, this, moduleData_, header);
}

bool TFormMain::ModuleWindowOpen() const { return ModuleWindow() != nullptr; }

void TFormMain::ShowModuleWindowInstead() {
    QWidget *module = ModuleWindow();
    hide();
    if (!module) return;
    module->move(pos());
    module->show();
}

void TFormMain::CloseStatusRegWindow() {
    if (FoStatusReg() && FoStatusReg()->isVisible()) FoStatusReg()->close();
}

TFormMain *FormMain() { return mainWindow.data(); }

int RunMainWindow() {
    auto *window = new TFormMain();
    CreateStatusRegWindow();
    QObject::connect(window, &TFormMain::Closed, qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
    window->show();
    const int rc = QApplication::exec();
    DestroyStatusRegWindow();
    delete window;
    return rc;
}

} // namespace korvul
