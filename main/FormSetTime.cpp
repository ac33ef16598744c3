#include "main/FormSetTime.h"

#include "ui/HelpViewer.h"
#include "base/LangSupp.h"
#include "base/Settings.h"
#include "ui/TranslateForm.h"
#include "comm/CommState.h"
#include "comm/Connection.h"
#include "comm/Drivers.h"
#include "comm/Items.h"
#include "comm/CommClass.h"
#include "main/ClockActions.h"
#include "main/FormMain.h"
#include "ui/MainMessages.h"
#include "ui_FormSetTime.h"

#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>
#include <algorithm>

namespace korvul {

TFormSetTime::TFormSetTime(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::TFormSetTime>()) {
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    TranslateForm(this, kTextBase);
    QString mask = DateFormat();
    mask.replace(QRegularExpression(QStringLiteral("[dMy]")), QStringLiteral("9"));
    ui->EdDate->setInputMask(mask + QStringLiteral(";_"));
    ui->edTime->setInputMask(QStringLiteral("90:00;_"));
    connect(ui->Button4, &QPushButton::clicked, this, &TFormSetTime::Button4Click);
    connect(ui->Button1, &QPushButton::clicked, this, &TFormSetTime::Button1Click);
    connect(ui->Button3, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->Button2, &QPushButton::clicked, this, [] { ShowHelpTopic(QStringLiteral("ChangeDateAndTime")); });
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    QString clock;
    ReadItem('z', clock);  // raises with the driver's result
    const QDate date(2000 + clock.mid(0, 2).toInt(), clock.mid(2, 2).toInt(), clock.mid(4, 2).toInt());
    ui->EdDate->setText(date.toString(DateFormat()));
    ui->edTime->setText(clock.mid(6, 2) + QLatin1Char(':') + clock.mid(8, 2));
}

TFormSetTime::~TFormSetTime() = default;

QString TFormSetTime::DateFormat() { return TwoDigitDateFormat(QLocale().dateFormat(QLocale::ShortFormat)); }

void TFormSetTime::Button4Click() {
    const QDateTime now = QDateTime::currentDateTime();
    ui->EdDate->setText(now.date().toString(DateFormat()));
    ui->edTime->setText(now.time().toString(QStringLiteral("HH:mm")));
}

void TFormSetTime::Button1Click() {
    const QDate date = ParseTwoDigitDate(ui->EdDate->text(), DateFormat());
    const std::optional<QString> clock = DeviceClockText(date, ui->edTime->text());
    if (!clock) return ShowMessageText(this, LanguageText(kInvalidText));
    TStrList scratch;
    TStrList &commonData = FormMain() ? FormMain()->CommonData() : scratch;
    if (WriteItem('{', QStringLiteral("z"), *clock, commonData) > 0) ShowMessageText(this, LanguageText(kRefusedText));
    // A new clock restarts the device's periods: the connection is made again and the data re-read.
    TCommClass &comm = CommObject();
    DisconnectDevice();
    comm.Period = static_cast<uint16_t>(std::clamp(Settings().CHECKTIME, 0, 65535));
    comm.SetOptions(coPollOn);
    comm.SetConnected(true);
    if (FormMain() && comm.Connected()) FormMain()->ReadCommonData();
    accept();
}

void ShowSetTimeDialog(QWidget *parent) {
    TCommClass &comm = CommObject();
    comm.SetOptions(coPollOff);  // no poll of the clock while the dialog reads and writes it
    bool accepted = false;
    try {
        TFormSetTime dialog(parent);
        accepted = dialog.exec() == QDialog::Accepted;
    } catch (...) {
        if (comm.Connected()) comm.SetOptions(coPollOn);
        throw;
    }
    if (!accepted && comm.Connected()) comm.SetOptions(coPollOn);
}

} // namespace korvul
