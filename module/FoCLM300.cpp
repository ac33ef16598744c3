// TFoCLM300: creation, the wiring of its controls and actions to its panel and session, the key and
// clipboard rules of its fields, what the session asks of the window, printing, and the hooks through
// which the main window opens, finds and frees it.
#include "module/FoCLM300.h"

#include "ui/FoAbout.h"
#include "base/HelpFile.h"
#include "ui/HelpViewer.h"
#include "ui/JEdit.h"
#include "base/LangSupp.h"
#include "ui/TranslateForm.h"
#include "ui/FoConnect.h"
#include "ui/FormMeldung.h"
#include "comm/CommState.h"
#include "comm/Items.h"
#include "ui/MainWindowAccess.h"
#include "ui/MainDialogs.h"
#include "ui/MainMessages.h"
#include "ui/MainState.h"
#include "ui/WindowPrint.h"
#include "module/ModuleActions.h"
#include "ui_FoCLM300.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QShortcut>
#include <QSignalBlocker>

namespace korvul {

namespace {

QPointer<TFoCLM300> gModuleWindow;

constexpr uint16_t kPrintFailedText = 174;  // the main window's text for a printer that cannot be used

// Stems of the fields that come four times (unit digit 1..4 appended).
const char *const kUnitEdits[] = {"jeIntName", "jeHQ", "jeHQPhone", "jeMsg", "jeFaxNo", "jeDesignation"};
const char *const kUnitChoices[] = {"cbBaudrate", "cbParity", "cbDatabits", "cbStopBits", "cbProtocol",
                                    "cbFaxRecF",  "cbFaxRecS", "cbLow",     "cbUndef",    "cbHigh",
                                    "cbBreak"};

// Headings of the unit grids (devices, serial interfaces, headquarters, events, fax receivers, outputs).
// Each is the buddy of its column's unit-1 field; the fields of all four units are named after it.
const char *const kUnitColumnHeadings[] = {
    "lbIntName",  "lbDevTypeCol", "lbSWCol",   "lbConfSwitch", "lbCTS",         "lbBaudrate", "lbParity",
    "lbDatabits", "lbStopBits",   "lbTimeout", "lbProtocol",   "lbHQ",          "lbHQPhone",  "lbCrntLvl",
    "lbBLvl",     "lbALvl",       "lbFrstDT",  "lbLstDT",      "lbEvntCntr",    "lbService",  "lbFaxNo",
    "lbDesignation", "lbCrntState", "lbSwitch"};

} // namespace

TFoCLM300::TFoCLM300(TStrList &moduleData, QWidget *parent)
    : QMainWindow(parent), ui(std::make_unique<Ui::TFoCLM300>()), moduleData_(moduleData) {
    ui->setupUi(this);
    panel_ = std::make_unique<TModuleFormPanel>(*ui, *this, moduleData_);
    session_ = std::make_unique<TModuleSession>(static_cast<TModuleView &>(*this), moduleData_, OperationActive);
    ui->PageControl1->setCurrentIndex(0);
    ui->PageControl2->setCurrentIndex(0);
    ui->pgcInputs->setCurrentIndex(0);
    // Translated before the first display: translating a list box refills it and would drop the
    // selection the display made.
    TranslateForm(this, kTextBase);
    NameUnitFields();
    ui->btSet->setProperty("helpContext", kHelpSetReject);
    ui->btReject->setProperty("helpContext", kHelpSetReject);
    ui->btConnect->setProperty("helpContext", kHelpConnectEndDevice);
    ui->btDisconnect->setProperty("helpContext", kHelpDisconnectModule);
    ConnectSignals();
    InstallKeyRules();
    Display();
}

TFoCLM300::~TFoCLM300() = default;

bool TFoCLM300::SetEnabled() const { return panel_->SetEnabled(); }

void TFoCLM300::Display() { panel_->Display(); }

void TFoCLM300::RefreshClock(const QString &clock) { panel_->RefreshClock(clock); }

// A heading labels only the unit-1 field; every field of the grid gets the translated heading and its
// unit number as accessible name, so a screen reader tells "Baud rate 3" from "Baud rate 4".
void TFoCLM300::NameUnitFields() {
    for (const char *name : kUnitColumnHeadings) {
        const auto *heading = findChild<QLabel *>(QString::fromLatin1(name));
        if (!heading || !heading->buddy()) continue;
        const QString stem = heading->buddy()->objectName().chopped(1);
        for (int r = 1; r <= kModuleUnits; ++r)
            if (auto *field = findChild<QWidget *>(stem + QString::number(r)))
                field->setAccessibleName(UnitFieldName(heading->text(), r));
    }
}

void TFoCLM300::ConnectSignals() {
    connect(ui->PageControl1, &QTabWidget::currentChanged, this, &TFoCLM300::PageControl1Change);
    connect(ui->PageControl2, &QTabWidget::currentChanged, this, &TFoCLM300::PageControl2Change);
    connect(ui->pgcInputs, &QTabWidget::currentChanged, this, &TFoCLM300::pgcInputsChange);
    connect(ui->btSet, &QPushButton::clicked, this, &TFoCLM300::btSetClick);
    connect(ui->btReject, &QPushButton::clicked, this, &TFoCLM300::btRejectClick);
    connect(ui->btConnect, &QPushButton::clicked, this, &TFoCLM300::btConnectClick);
    connect(ui->btDisconnect, &QPushButton::clicked, this, &TFoCLM300::btDisconnectClick);
    for (int r = 1; r <= kModuleUnits; ++r) {
        connect(Field<QPushButton>("btConnect", r), &QPushButton::clicked, this, [this, r] { ConnectChannel(r); });
        connect(Field<QAction>("miChannel", r), &QAction::triggered, this, [this, r] { ConnectChannel(r); });
    }
    ConnectMarking();
    ConnectActions();
}

// Every editable field of the module data marks itself when the operator changes it.
void TFoCLM300::ConnectMarking() {
    auto markEdit = [this](TJEdit *edit) {
        connect(edit, &QLineEdit::textEdited, this, [this, edit] { panel_->MarkChanged(edit); });
    };
    auto markChoice = [this](QComboBox *box) {
        connect(box, &QComboBox::activated, this, [this, box] { panel_->MarkChanged(box); });
    };
    for (TJEdit *edit : {ui->jeDevName, ui->jeDevNo, ui->jeDate, ui->jeTime, ui->jeCAW1Begin, ui->jeCAW1end,
                         ui->jeCAW2begin, ui->jeCAW2end})
        markEdit(edit);
    for (QComboBox *box : {ui->cbCSIBaudrate, ui->cbCSIParity, ui->cbCSIDataBits, ui->cbCSIStopBits, ui->cbDialMth})
        markChoice(box);
    for (QSpinBox *spin : {ui->spe2CharTo, ui->speRespTo, ui->speCDTo, ui->speAtmptNo, ui->speRingsNo, ui->spe2CallTo})
        connect(spin, &QSpinBox::valueChanged, this, [this, spin] { panel_->MarkChanged(spin); });
    for (TJEdit *edit : {ui->jeCAW1Begin, ui->jeCAW1end, ui->jeCAW2begin, ui->jeCAW2end}) edit->installEventFilter(this);
    for (int r = 1; r <= kModuleUnits; ++r) {
        for (const char *stem : kUnitEdits) markEdit(Field<TJEdit>(stem, r));
        for (const char *stem : kUnitChoices) markChoice(Field<QComboBox>(stem, r));
        QSpinBox *timeout = Field<QSpinBox>("speTimeout", r);
        connect(timeout, &QSpinBox::valueChanged, this, [this, timeout] { panel_->MarkChanged(timeout); });
        QComboBox *levels = Field<QComboBox>("cbLvlNo", r);
        connect(levels, &QComboBox::activated, this, [this, r] { panel_->LevelsChanged(r); });
        QComboBox *service = Field<QComboBox>("cbService", r);
        connect(service, &QComboBox::activated, this, [this, r] { panel_->ServiceChanged(r); });
        QCheckBox *toggle = Field<QCheckBox>("chbSwitch", r);
        connect(toggle, &QCheckBox::clicked, this, [this, toggle] { panel_->MarkChanged(toggle); });
    }
}

void TFoCLM300::ConnectActions() {
    connect(ui->acConnect, &QAction::triggered, this, &TFoCLM300::btConnectClick);
    connect(ui->acDisconnect, &QAction::triggered, this, &TFoCLM300::btDisconnectClick);
    connect(ui->acExit, &QAction::triggered, this, &TFoCLM300::acExitExecute);
    connect(ui->acPrint, &QAction::triggered, this, &TFoCLM300::Print);
    connect(ui->acPrinterSetup, &QAction::triggered, this, [] {
        if (MainWindow()) MainWindow()->PrinterSetup();
    });
    connect(ui->acAbout, &QAction::triggered, this, [this] { TfoAbout::ShowModal(this); });
    connect(ui->acHelpContents, &QAction::triggered, this, [] { ShowHelpTopic(QString::fromLatin1(HelpTopic::Contents)); });
    connect(ui->acHelpSearch, &QAction::triggered, this, [] { Help().ShowIndex(); });
    for (QPushButton *help : findChildren<QPushButton *>())
        if (help->objectName().startsWith(QLatin1String("btHelp")))
            connect(help, &QPushButton::clicked, this, [] { ShowHelpContext(kHelpSetReject); });

    using Action = TModuleActionEnd (*)(QWidget *, TStrList &);
    auto hook = [this](auto *sender, auto signal, Action action) {
        connect(sender, signal, this, [this, action] { RunModuleAction([this, action] { return action(this, moduleData_); }); });
    };
    hook(ui->btPCTime, &QPushButton::clicked, &TakePcTime);
    hook(ui->acPCTime, &QAction::triggered, &TakePcTime);
    hook(ui->btResetSR, &QPushButton::clicked, &ResetStatusRegister);
    hook(ui->btResetOHC, &QPushButton::clicked, &ResetWorkingHours);
    hook(ui->btChngHQPassw, &QPushButton::clicked, &ChangeHqPasswords);
    hook(ui->acChangeHQPasswords, &QAction::triggered, &ChangeHqPasswords);
    hook(ui->btResetInpEvnt, &QPushButton::clicked, &ResetEventInputs);
    hook(ui->btResetFaxMsgCntr, &QPushButton::clicked, &ResetFaxMessageCounter);
    hook(ui->acChangeAccessCode, &QAction::triggered, &ChangeModuleAccessCode);
    hook(ui->acAdjustRTC, &QAction::triggered, &AdjustModuleRtc);
    hook(ui->acChangeQTAccessCode, &QAction::triggered, &ChangeQtAccessCode);
    for (int r = 1; r <= kModuleUnits; ++r)
        connect(Field<QPushButton>("btTest", r), &QPushButton::clicked, this,
                [this, r] { RunModuleAction([this, r] { return TestFaxReceiver(this, moduleData_, r); }); });
}

// What the window does after a maintenance action, as the action tells it.
void TFoCLM300::RunModuleAction(const std::function<TModuleActionEnd()> &action) {
    QPointer<TFoCLM300> self(this);
    const TModuleActionEnd end = action();
    if (!self) return;
    switch (end) {
    case TModuleActionEnd::Stay: break;
    case TModuleActionEnd::Redisplay: Display(); break;
    case TModuleActionEnd::RereadPage: ReadPage(); break;
    case TModuleActionEnd::Disconnect: session_->Close(); break;
    }
}

// F3 and F4 reach the window before any control; they act only while their button is enabled.
void TFoCLM300::InstallKeyRules() {
    auto *f3 = new QShortcut(QKeySequence(Qt::Key_F3), this);
    connect(f3, &QShortcut::activated, this, [this] {
        if (ui->btConnect->isEnabled()) btConnectClick();
    });
    auto *f4 = new QShortcut(QKeySequence(Qt::Key_F4), this);
    connect(f4, &QShortcut::activated, this, [this] {
        if (ui->btDisconnect->isEnabled()) btDisconnectClick();
    });
    for (int r = 1; r <= kModuleUnits; ++r) {
        for (const char *stem : {"jeHQPhone", "jeFaxNo", "jeCrntState"}) {
            TJEdit *edit = Field<TJEdit>(stem, r);
            edit->installEventFilter(this);
            // The key rules are the only way in: no context menu paste, no dropped text.
            edit->setContextMenuPolicy(Qt::NoContextMenu);
            edit->setAcceptDrops(false);
        }
    }
}

bool TFoCLM300::eventFilter(QObject *watched, QEvent *event) {
    auto *edit = qobject_cast<TJEdit *>(watched);
    if (!edit) return QMainWindow::eventFilter(watched, event);
    const QString name = edit->objectName();
    if (event->type() == QEvent::FocusOut && name.startsWith(QLatin1String("jeCAW"))) {
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) panel_->CallWindowLeft(edit);
        return false;
    }
    if (event->type() != QEvent::KeyPress) return false;
    if (name.startsWith(QLatin1String("jeCrntState"))) return true;  // output states take no keys
    if (name.startsWith(QLatin1String("jeHQPhone")) || name.startsWith(QLatin1String("jeFaxNo")))
        return PhoneFieldKey(edit, static_cast<QKeyEvent *>(event));
    return false;
}

// Telephone and fax numbers: digits, ":", ".", ",", "W", "w"; Backspace, Enter and the arrow keys as
// usual; Ctrl+C copies the selection (or everything), Ctrl+V pastes the clipboard's usable characters.
// True: the key is consumed here.
bool TFoCLM300::PhoneFieldKey(TJEdit *field, QKeyEvent *key) {
    if (key->matches(QKeySequence::Copy)) {
        QApplication::clipboard()->setText(field->hasSelectedText() ? field->selectedText() : field->text());
        return true;
    }
    if (key->matches(QKeySequence::Paste)) {
        const QString text = FilterPhonePaste(QApplication::clipboard()->text());
        if (!text.isEmpty() && !field->isReadOnly()) {
            field->insert(text);  // replaces the selection, else inserts at the caret
            field->setModified(true);
            panel_->MarkChanged(field);
        }
        return true;
    }
    switch (key->key()) {
    case Qt::Key_Backspace: case Qt::Key_Return: case Qt::Key_Enter: case Qt::Key_Left: case Qt::Key_Right:
    case Qt::Key_Up: case Qt::Key_Down: case Qt::Key_Tab: case Qt::Key_Backtab:
        return false;
    default: break;
    }
    const QString text = key->text();
    if (text.isEmpty() || (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) return true;
    return !std::all_of(text.begin(), text.end(), IsPhoneKeyChar);
}

void TFoCLM300::Print() {
    QPrinter &printer = CurrentPrinter();
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted) return;
    if (!PrintWidgetImage(this, printer)) ShowMessageText(this, LanguageText(kPrintFailedText));
}

void TFoCLM300::showEvent(QShowEvent *event) {
    PollItem = 'g';  // the poll reads the module clock while the module window shows
    QMainWindow::showEvent(event);
}

// ---- page changes ----

// Leaving a page that the session refuses puts the shown page back. False when the change was refused
// or the window is closing.
bool TFoCLM300::LeavePage(QTabWidget *pages, int &shown, int index, bool inputs) {
    const TPageLeave leave = session_->LeavePage(inputs);
    if (leave == TPageLeave::Refused) {
        const QSignalBlocker block(pages);
        pages->setCurrentIndex(shown);
        return false;
    }
    if (leave == TPageLeave::Closed) return false;  // the window may be gone: nothing of it is touched
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

void TFoCLM300::ReadPage() { session_->ReadPage(ui->PageControl1->currentIndex(), ui->PageControl2->currentIndex()); }

// ---- buttons and actions of the transfers ----

void TFoCLM300::btSetClick() { session_->Set(); }
void TFoCLM300::btRejectClick() { session_->Reject(); }
void TFoCLM300::btConnectClick() { session_->ConnectEndDevice(); }
void TFoCLM300::ConnectChannel(int channel) { session_->ConnectChannel(channel); }
void TFoCLM300::btDisconnectClick() { session_->Close(); }

void TFoCLM300::acExitExecute() {
    if (OperationActive) return;  // a transfer runs: neither the window nor the program ends
    if (session_->Close() && MainWindow()) MainWindow()->Exit();
}

// A transfer that runs keeps the window; otherwise the closing sequence decides.
void TFoCLM300::closeEvent(QCloseEvent *event) {
    if (session_->Close()) event->accept();
    else event->ignore();
}

// ---- what the session asks of the window ----

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

void TFoCLM300::ShowMessage(const QString &text) { ShowMessageText(this, text); }

bool TFoCLM300::AskYesNo(const QString &question, int helpContext) {
    return korvul::AskYesNo(this, question, helpContext);
}

void TFoCLM300::DisableSet() { panel_->DisableSet(); }

TModuleSetForm TFoCLM300::CollectSetForm() const { return panel_->CollectSetForm(); }

std::optional<TModuleClockEntry> TFoCLM300::EditedClock() const { return panel_->EditedClock(); }

QString TFoCLM300::ChooseChannelLine(const QStringList &lines) {
    TFoConnect dialog(this);
    dialog.SetChannels(lines);
    dialog.adjustSize();
    dialog.move(WindowCentre(this) - QPoint(dialog.width() / 2, dialog.height() / 2));
    return dialog.exec() == QDialog::Accepted ? dialog.cbChannel()->currentText() : QString();
}

// The main window takes the line and signs on to the end device; its disconnect brings this window back.
void TFoCLM300::HandOverToEndDevice() {
    IMainWindow *main = MainWindow();
    if (!main) return;
    hide();
    main->Widget()->move(pos());
    main->Widget()->show();
    main->Connect();
}

// The window leaves the hooks, then the main window shows again and ends the connection (the module
// window no longer exists for it, so it really disconnects).
void TFoCLM300::Leave() {
    FreeQuietly();
    IMainWindow *main = MainWindow();
    if (!main) return;
    main->Widget()->move(pos());
    main->Widget()->show();
    main->Widget()->repaint();
    main->Disconnect();
}

// ---- the hooks of the main window ----

TFoCLM300 *ModuleWindowInstance() { return gModuleWindow.data(); }

// Reads every module item (with the module access code) first: a failure reaches the main window's
// Connect, which reports it and disconnects; no window is made then.
void OpenModuleWindow(QWidget *parent, TStrList &moduleData) {
    ReadModuleItems(moduleData, QString::fromLatin1(kModuleReadLetters), true);
    auto *window = new TFoCLM300(moduleData, parent);
    gModuleWindow = window;
    if (parent) window->move(parent->pos());
    window->show();
}

QWidget *ModuleWindowWidget() { return gModuleWindow.data(); }

void FreeModuleWindow() {
    if (gModuleWindow) gModuleWindow->FreeQuietly();
}

void RefreshModuleClock(const QString &clock) {
    if (gModuleWindow) gModuleWindow->RefreshClock(clock);
}

// The window leaves the hooks at once, so that the main window's disconnect that follows no longer
// sees it; the object itself goes when control is back in the event loop.
void TFoCLM300::FreeQuietly() {
    session_->MarkClosed();
    if (gModuleWindow == this) gModuleWindow = nullptr;
    emit Closing();
    CloseWait();
    hide();
    deleteLater();
}

} // namespace korvul
