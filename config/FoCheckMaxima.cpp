#include "config/FoCheckMaxima.h"

#include "base/HelpFile.h"
#include "ui/HelpViewer.h"
#include "base/LangSupp.h"
#include "base/Settings.h"
#include "ui/TranslateForm.h"
#include "base/Wait.h"
#include "comm/Connection.h"
#include "comm/DeviceTypes.h"
#include "comm/Items.h"
#include "comm/CommClass.h"
#include "ui/DeviceAction.h"
#include "config/InitMaxima.h"
#include "ui/MainWindowAccess.h"
#include "ui/MainMessages.h"
#include "ui_FoCheckMaxima.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QTabBar>
#include <algorithm>

namespace korvul {

namespace {

constexpr uint8_t kAccessItem = 'c', kClockWriteItem = '{', kClockItem = 'z';

TStrList &CommonDataOfMain() {
    static TStrList scratch;  // only without a main window (never in the program)
    return MainWindow() ? MainWindow()->CommonData() : scratch;
}

uint16_t CheckTime() { return static_cast<uint16_t>(std::clamp(Settings().CHECKTIME, 0, 65535)); }

// Keeps the dialog from a second click while an action lets events through.
struct TDisabledWhile {
    QWidget *w;
    explicit TDisabledWhile(QWidget *widget) : w(widget) { w->setEnabled(false); }
    ~TDisabledWhile() { w->setEnabled(true); }
};

} // namespace

TFoCheckMaxima::TFoCheckMaxima(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::TFoCheckMaxima>()) {
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    TranslateForm(this, kTextBase);
    connect(ui->btSetNext, &QPushButton::clicked, this, &TFoCheckMaxima::btSetNextClick);
    connect(ui->btSetCrnt, &QPushButton::clicked, this, &TFoCheckMaxima::btSetCrntClick);
    connect(ui->btEsc, &QPushButton::clicked, this, &TFoCheckMaxima::btEscClick);
    connect(ui->btHelp, &QPushButton::clicked, this, [] { ShowHelpTopic(QString::fromLatin1(HelpTopic::CheckMaxima)); });
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    RunDeviceAction(this, kComputeRefused, [this] { ShowNextCheck(); });
}

TFoCheckMaxima::~TFoCheckMaxima() = default;

// Reads the device clock. Without a valid clock or day boundary the next check stays empty and cannot
// be set: the clock is never moved to a time nobody computed.
void TFoCheckMaxima::ShowNextCheck() {
    for (QLineEdit *edit : {ui->jeCrntDate, ui->jeCrntTime, ui->jeNxtDate, ui->jeNxtTime}) edit->clear();
    ui->btSetNext->setEnabled(false);
    QString clock;
    ReadItem(kClockItem, clock);
    const std::optional<QDateTime> now = DateTimeFromClockText(clock);
    if (!now) return;
    ui->jeCrntDate->setText(LocaleDateText(*now));
    ui->jeCrntTime->setText(LocaleTimeText(*now));
    const std::optional<QTime> boundary = DayBoundaryTime(CommonDataOfMain().GetValue(QStringLiteral("\\")));
    if (!boundary) return;
    const QDateTime next = NextCheckDateTime(*now, *boundary, nextCheckSet_);
    ui->jeNxtDate->setText(LocaleDateText(next));
    ui->jeNxtTime->setText(LocaleTimeText(next));
    ui->btSetNext->setEnabled(true);
}

void TFoCheckMaxima::SelectMainChannel() {
    if (DeviceInfo().ChannelCount <= 1) return;
    const int tab = MainWindow() ? MainWindow()->CurrentChannel() : 0;
    const int type = DeviceInfo().TypeCode;
    if (type == 24 || type == 42) SelectChannelByCommand(static_cast<uint16_t>(tab));
    else SelectChannelByReconnect(static_cast<uint16_t>(tab));
}

// Writes the date and time of the next check fields into the device and reconnects with polling.
// From the button it then shows the following check and ends the connection. False when it failed.
bool TFoCheckMaxima::SetNext(bool fromButton) {
    const std::optional<QDateTime> next = LocaleDateTime(ui->jeNxtDate->text(), ui->jeNxtTime->text());
    if (!next) return false;
    TDisabledWhile disabled(this);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool done = RunDeviceAction(this, kSetRefused, [this, &next] {
        TCommClass &comm = CommObject();
        if (!comm.Connected()) {
            comm.Period = CheckTime();
            comm.SetConnected(true);
        }
        leftDisconnected_ = false;
        comm.SetOptions(coPollOff);
        SelectMainChannel();
        RaiseOnResult(WriteItem(kAccessItem, QString(QChar(20)), Settings().ACCESSCODE, CommonDataOfMain()));
        RaiseOnResult(WriteItem(kClockWriteItem, QStringLiteral("z"), ClockTextOf(*next), CommonDataOfMain()));
        DisconnectDevice();
        WaitMs(kReconnectPauseMs);
        comm.SetOptions(coPollOn);
        comm.Period = CheckTime();
        comm.SetConnected(true);
        nextCheckSet_ = true;
    });
    if (!done || !fromButton) return done;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    RunDeviceAction(this, kComputeRefused, [this] {
        ShowNextCheck();
        DisconnectDevice();
        leftDisconnected_ = true;
    });
    return true;
}

void TFoCheckMaxima::btSetNextClick() { SetNext(true); }

// The PC's date and time through set-next, then the access code once more on the main window's channel
// (its result is not looked at). True when the device has the PC's time and the connection is up.
bool TFoCheckMaxima::SetCurrentTime() {
    const QDateTime now = QDateTime::currentDateTime();
    ui->jeNxtDate->setText(LocaleDateText(now));
    ui->jeNxtTime->setText(LocaleTimeText(now));
    if (!SetNext(false)) return false;
    TDisabledWhile disabled(this);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    return RunDeviceAction(this, kSetRefused, [this] {
        SelectMainChannel();
        WriteItem(kAccessItem, QStringLiteral(" "), Settings().ACCESSCODE, CommonDataOfMain());
    });
}

void TFoCheckMaxima::btSetCrntClick() {
    if (SetCurrentTime()) accept();
}

void TFoCheckMaxima::btEscClick() {
    if (nextCheckSet_ && AskYesNo(this, LanguageText(kExitQuestion), 0)) SetCurrentTime();
    reject();
}

// The operator's close box and Esc are the Exit button; a close by the program (the main window after
// a broken connection) is not, and asks nothing.
void TFoCheckMaxima::closeEvent(QCloseEvent *event) {
    if (!event->spontaneous()) return QDialog::closeEvent(event);
    event->ignore();
    btEscClick();
}

void TFoCheckMaxima::keyPressEvent(QKeyEvent *event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) return btEscClick();
    QDialog::keyPressEvent(event);
}

void ShowCheckMaximaDialog(QWidget *parent) {
    bool leftDisconnected = false;
    {
        TFoCheckMaxima dialog(parent);
        dialog.exec();
        leftDisconnected = dialog.LeftDisconnected() && !CommObject().Connected();
    }
    if (leftDisconnected && MainWindow()) return MainWindow()->DisconnectSequence();
    TCommClass &comm = CommObject();
    if (comm.Connected()) {  // a refused clock leaves the poll paused: the main window expects it running
        comm.Period = CheckTime();
        comm.SetOptions(coPollOn);
    }
}

} // namespace korvul
