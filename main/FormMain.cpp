#include "main/FormMain.h"

#include "ui/FoAbout.h"
#include "base/HelpFile.h"
#include "ui/HelpInit.h"
#include "ui/HelpViewer.h"
#include "base/LangSupp.h"
#include "base/Settings.h"
#include "ui/TranslateForm.h"
#include "comm/CommState.h"
#include "comm/CommClass.h"
#include "ui/FoStatusReg.h"
#include "ui/FormMeldung.h"
#include "ui/FrmCancelDlg.h"
#include "ui/MainDialogs.h"
#include "ui/MainMessages.h"
#include "ui/MainState.h"
#include "ui/WindowPrint.h"
#include "ui_FormMain.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDialog>
#include <QFocusEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLocale>
#include <QPageSetupDialog>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>

namespace korvul {

namespace {

QPointer<TFormMain> mainWindow;

// Room the window manager's frame and title bar take around the window (before the window is shown
// its frame is unknown).
const QSize kFrameRoom(8, 40);

// Editable value lists: day boundaries at full hours, usual measuring periods in minutes and the Cp
// values the devices know, written with the locale's decimal separator.
QStringList DayBoundaryItems() {
    QStringList items;
    for (int hour = 0; hour < 24; ++hour) items << QStringLiteral("%1:00").arg(hour, 2, 10, QLatin1Char('0'));
    return items;
}

QStringList PeriodItems() {
    return {QStringLiteral("1"), QStringLiteral("5"), QStringLiteral("10"), QStringLiteral("15"),
            QStringLiteral("30"), QStringLiteral("60")};
}

QStringList CpValueItems() {
    const QLocale locale = QLocale::system();
    QStringList items;
    for (double cp : {0.01, 0.1, 1.0, 10.0, 100.0}) items << locale.toString(cp, 'g', 15);
    return items;
}

} // namespace

TFormMain::TFormMain(QWidget *parent) : QMainWindow(parent), ui(std::make_unique<Ui::TFormMain>()) {
    ui->setupUi(this);
    korvul::TranslateForm(this, kTextBase);
    SetUpFirstTab();
    korvul::LoadSettings();
    korvul::InitHelpFile();
    FillValueCombos();
    BindButtons();
    ConnectActions();
    ConnectChangeMarks();
    SetUpDataFields();
    ConnectDeviceActions();
    RefreshButtonHints();
    ClearDataFields();
    korvul::PollItem = 'z';
    korvul::OperationActive = false;
    SetUpWindowFrame();
    if (!mainWindow) {
        mainWindow = this;
        RegisterMainWindow(this);
        InstallCommUiHooks();
    }
    BindCommObject();
}

TFormMain::~TFormMain() {
    if (MainWindow() == this) RegisterMainWindow(nullptr);
    UnbindCommObject();
}

QTabBar *TFormMain::TabControl1() const { return ui->TabControl1; }

void TFormMain::SetUpFirstTab() {
    ui->TabControl1->addTab(korvul::LanguageText(kTabText) + QLatin1Char('1'));
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
    // A long status text is cut rather than widening the window.
    statusText_->setSizePolicy(QSizePolicy::Ignored, statusText_->sizePolicy().verticalPolicy());
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
void TFormMain::FillValueCombos() {
    ui->cbDayBound->addItems(DayBoundaryItems());
    ui->cbPeriod->addItems(PeriodItems());
    ui->cbCpVal->addItems(CpValueItems());
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

// Only the operator's edits count: text the program puts into a field marks nothing.
void TFormMain::ConnectChangeMarks() {
    for (QLineEdit *edit : {static_cast<QLineEdit *>(ui->edDevNo), static_cast<QLineEdit *>(ui->edCountNo),
                            static_cast<QLineEdit *>(ui->edCustNo), static_cast<QLineEdit *>(ui->edDevUnit),
                            static_cast<QLineEdit *>(ui->edSetCounter), static_cast<QLineEdit *>(ui->edCPz),
                            static_cast<QLineEdit *>(ui->edAlarmLimit)})
        connect(edit, &QLineEdit::textEdited, this, [this, edit] { MarkCompAsChanged(edit); });
    for (QComboBox *box : {ui->cbDayBound, ui->cbPeriod, ui->cbCpVal, ui->cbAlarmCycle}) {
        connect(box, &QComboBox::activated, this, [this, box] { MarkCompAsChanged(box); });
        if (box->lineEdit())
            connect(box->lineEdit(), &QLineEdit::textEdited, this, [this, box] { MarkCompAsChanged(box); });
    }
}

void TFormMain::ClearDataFields() {
    for (QLineEdit *edit : findChildren<QLineEdit *>()) edit->setText(QString());
    for (QComboBox *box : findChildren<QComboBox *>()) {
        box->setCurrentIndex(-1);
        box->clearEditText();
    }
    for (QCheckBox *check : findChildren<QCheckBox *>()) check->setChecked(false);
    ui->acSetData->setEnabled(false);
    ui->acReject->setEnabled(false);
    ResetChangeMarks();
}

// Also forgets what the last display left: the status text and the status register hint.
void TFormMain::ApplyDisconnectedState() {
    statusText_->clear();
    ui->edStatReg->setToolTip(QString());
    ui->TabControl1->setEnabled(false);
    ui->acConnect->setEnabled(true);
    for (QAction *action : {ui->acDisconnect, ui->acReadArchivData, ui->acSetDateAndTime, ui->acReadPdb,
                            ui->acReadCommData, ui->acNewZCode, ui->acConfigDevice, ui->acInitDevice,
                            ui->acTestRTC, ui->acCheckMaxima, ui->acDeleteMeasurements, ui->acMemoryDump})
        action->setEnabled(false);
    ClearDataFields();
}

void TFormMain::MarkCompAsChanged(QObject *sender) {
    for (QComboBox *box : {ui->cbDayBound, ui->cbPeriod, ui->cbCpVal, ui->cbAlarmCycle})
        if (sender == box) box->setProperty("changed", true);
    ui->acSetData->setEnabled(true);
    ui->acReject->setEnabled(true);
}

bool TFormMain::IsMarkedChanged(const QObject *comboBox) { return comboBox->property("changed").toBool(); }

void TFormMain::ResetChangeMarks() {
    for (QComboBox *box : {ui->cbDayBound, ui->cbPeriod, ui->cbCpVal, ui->cbAlarmCycle})
        box->setProperty("changed", false);
}

void TFormMain::RefreshButtonHints() {
    for (QPushButton *button : findChildren<QPushButton *>()) {
        const int tag = button->property("tag").toInt();
        button->setToolTip(korvul::LanguageText(korvul::TextNumber(kHintBase, tag)));
    }
}

void TFormMain::OfferToSetEdits() {
    if (!ui->acSetData->isEnabled()) return;
    if (korvul::AskYesNo(this, korvul::LanguageText(kSaveChangesText), korvul::kHelpSaveChanges)) {
        SetData();
        return;
    }
    ui->acSetData->setEnabled(false);
    ui->acReject->setEnabled(false);
}

void TFormMain::acAboutExecute() { TfoAbout::ShowModal(this); }

void TFormMain::acExitExecute() {
    OfferToSetEdits();
    if (korvul::CommObjectExists() && korvul::CommObject().Connected()) DisconnectSequence();
    if (korvul::MainDialogs().ModuleWindow && korvul::MainDialogs().ModuleWindow())
        korvul::MainDialogs().ModuleWindow()->close();
    exiting_ = true;
    close();
}

void TFormMain::CloseOnSignal() {
    if (signalClose_) return;
    korvul::CancelRequested = true;  // the dialling window's Cancel: a call being set up stops
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
    if (korvul::OperationActive || signalExitStarted_) return;
    signalExitStarted_ = true;
    ui->acSetData->setEnabled(false);
    ui->acReject->setEnabled(false);
    acExitExecute();
}

void TFormMain::acPrintExecute() {
    QPrinter &printer = korvul::CurrentPrinter();
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted) return;
    if (!korvul::PrintWidgetImage(this, printer))
        korvul::ShowMessageText(this, korvul::LanguageText(kPrintFailedText));
}

void TFormMain::acPrinterSetupExecute() {
    QPageSetupDialog dialog(&korvul::CurrentPrinter(), this);
    dialog.exec();
}

void TFormMain::miContentsClick() { korvul::ShowHelpTopic(QString::fromLatin1(korvul::HelpTopic::Contents)); }

void TFormMain::miSearchClick() { korvul::Help().ShowIndex(); }

// A tab clicked while an operation runs goes back to the channel shown: no read can start then.
void TFormMain::TabControl1Change(int /*index*/) {
    if (korvul::OperationActive) {
        SelectTabQuietly(shownTab_);
        return;
    }
    ui->acReadCommData->trigger();
}

bool TFormMain::event(QEvent *event) {
    if (event->type() == korvul::WM_DIALOG_CONNECTION_BROKEN) {
        HandleDialogBroken(static_cast<korvul::TDialogBrokenEvent *>(event)->Dialog.data());
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
    if (!leaving && korvul::MainDialogs().ModuleWindow && korvul::MainDialogs().ModuleWindow()) {
        event->ignore();
        DisconnectSequence();
        return;
    }
    event->accept();
    emit Closed();
}

void TFormMain::showEvent(QShowEvent *event) {
    BindCommObject();
    if (korvul::MainDialogs().ModuleWindow)
        if (QWidget *module = korvul::MainDialogs().ModuleWindow()) move(module->pos());
    QMainWindow::showEvent(event);
}

// After the pending events (the window's first paint), the About box without OK for about a second.
void TFormMain::ShowStartAbout() {
    QCoreApplication::processEvents();
    TfoAbout::ShowFor(this, kStartAboutMs);
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
