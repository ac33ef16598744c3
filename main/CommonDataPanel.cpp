#include "main/CommonDataPanel.h"

#include "comm/DeviceTypes.h"
#include "main/CommonDataWrite.h"
#include "ui/PlainText.h"
#include "ui_FormMain.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMainWindow>
#include <QSignalBlocker>
#include <QStatusBar>

namespace korvul {

namespace {

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

// Settable fields are white (window colour of an edit) when writable, else grey (button face).
void Colour(QWidget *w, bool white) {
    QPalette palette = w->palette();
    const QPalette standard = QApplication::palette(w);
    palette.setColor(QPalette::Base, white ? standard.color(QPalette::Base) : standard.color(QPalette::Button));
    w->setPalette(palette);
}

// Tab stops only at fields that take input; a read-only field is still reached by a click, to copy
// its text.
void FollowReadOnly(QLineEdit *edit) { edit->setFocusPolicy(edit->isReadOnly() ? Qt::ClickFocus : Qt::StrongFocus); }

void SetEditable(QLineEdit *edit, bool editable) {
    edit->setReadOnly(!editable);
    FollowReadOnly(edit);
    Colour(edit, editable);
}

void SetBoxEnabled(QComboBox *box, bool enabled) {
    box->setEnabled(enabled);
    Colour(box, enabled);
}

// Puts a text into a combo box without counting as an edit: the matching item, or the plain text.
void SetBoxText(QComboBox *box, const QString &text) {
    const QSignalBlocker block(box);
    const int item = box->findText(text);
    box->setCurrentIndex(item);
    if (item < 0 && box->isEditable()) box->setEditText(text);
}

TEditedField Edited(const QLineEdit *edit) { return TEditedField{edit->text(), edit->isModified()}; }

QLineEdit *FieldOf(Ui::TFormMain &ui, TMainField field) {
    switch (field) {
    case TMainField::DeviceNumber: return ui.edDevNo;
    case TMainField::CounterNumber: return ui.edCountNo;
    case TMainField::CustomerNumber: return ui.edCustNo;
    case TMainField::SoftwareVersion: return ui.edSw;
    case TMainField::DeviceType: return ui.edDevType;
    case TMainField::Date: return ui.edDate;
    case TMainField::Time: return ui.edTime;
    }
    return nullptr;
}

} // namespace

TCommonDataPanel::TCommonDataPanel(QMainWindow &window, Ui::TFormMain &ui, TWidgetList widgets)
    : window_(window), ui_(ui), widgets_(std::move(widgets)) {}

// The widgets of one kind, in the window's order.
template <class T> QList<T *> TCommonDataPanel::Widgets() const {
    QList<T *> result;
    for (QWidget *w : widgets_())
        if (T *t = qobject_cast<T *>(w)) result << t;
    return result;
}

void TCommonDataPanel::SetUp() {
    FillValueCombos();
    ConnectChangeMarks();
    statusText_ = new QLabel(ui_.stbMain);
    statusText_->setObjectName(QStringLiteral("stbMainText"));
    statusText_->setTextFormat(Qt::PlainText);
    ui_.stbMain->addWidget(statusText_, 1);
    // A long status text is cut rather than widening the window.
    statusText_->setSizePolicy(QSizePolicy::Ignored, statusText_->sizePolicy().verticalPolicy());
    // The device keeps 12 digits for the numbers and the unit, 8 for the settable counter.
    for (QLineEdit *edit : {static_cast<QLineEdit *>(ui_.edDevNo), static_cast<QLineEdit *>(ui_.edCountNo),
                            static_cast<QLineEdit *>(ui_.edCustNo), static_cast<QLineEdit *>(ui_.edDevUnit)})
        edit->setMaxLength(12);
    ui_.edCPz->installEventFilter(&window_);
    for (QLineEdit *edit : Widgets<QLineEdit>())
        if (!qobject_cast<QComboBox *>(edit->parentWidget())) FollowReadOnly(edit);
}

void TCommonDataPanel::FillValueCombos() {
    ui_.cbDayBound->addItems(DayBoundaryItems());
    ui_.cbPeriod->addItems(PeriodItems());
    ui_.cbCpVal->addItems(CpValueItems());
}

// Only the operator's edits count: text the program puts into a field marks nothing.
void TCommonDataPanel::ConnectChangeMarks() {
    for (QLineEdit *edit : {static_cast<QLineEdit *>(ui_.edDevNo), static_cast<QLineEdit *>(ui_.edCountNo),
                            static_cast<QLineEdit *>(ui_.edCustNo), static_cast<QLineEdit *>(ui_.edDevUnit),
                            static_cast<QLineEdit *>(ui_.edSetCounter), static_cast<QLineEdit *>(ui_.edCPz),
                            static_cast<QLineEdit *>(ui_.edAlarmLimit)})
        QObject::connect(edit, &QLineEdit::textEdited, &window_, [this, edit] { MarkCompAsChanged(edit); });
    for (QComboBox *box : {ui_.cbDayBound, ui_.cbPeriod, ui_.cbCpVal, ui_.cbAlarmCycle}) {
        QObject::connect(box, &QComboBox::activated, &window_, [this, box] { MarkCompAsChanged(box); });
        if (box->lineEdit())
            QObject::connect(box->lineEdit(), &QLineEdit::textEdited, &window_,
                             [this, box] { MarkCompAsChanged(box); });
    }
}

void TCommonDataPanel::ClearDataFields() {
    for (QLineEdit *edit : Widgets<QLineEdit>()) edit->setText(QString());
    for (QComboBox *box : Widgets<QComboBox>()) {
        box->setCurrentIndex(-1);
        box->clearEditText();
    }
    for (QCheckBox *check : Widgets<QCheckBox>()) check->setChecked(false);
    DropUnsetEdits();
    ResetChangeMarks();
}

void TCommonDataPanel::ApplyDisconnectedState() {
    statusText_->clear();
    ui_.edStatReg->setToolTip(QString());
    ui_.TabControl1->setEnabled(false);
    ui_.acConnect->setEnabled(true);
    for (QAction *action : {ui_.acDisconnect, ui_.acReadArchivData, ui_.acSetDateAndTime, ui_.acReadPdb,
                            ui_.acReadCommData, ui_.acNewZCode, ui_.acConfigDevice, ui_.acInitDevice,
                            ui_.acTestRTC, ui_.acCheckMaxima, ui_.acDeleteMeasurements, ui_.acMemoryDump})
        action->setEnabled(false);
    ClearDataFields();
}

void TCommonDataPanel::ApplyConnectedState(const TDeviceInfo &info) {
    ui_.acReadArchivData->setEnabled(info.HasArchive);
    ui_.acReadPdb->setEnabled(info.HasProcessData);
    ui_.acConnect->setEnabled(false);
    ui_.acDisconnect->setEnabled(true);
    ui_.acReadCommData->setEnabled(true);
    ui_.btRead->setEnabled(true);
    ui_.acSetDateAndTime->setEnabled(info.WriteAccess);
    ui_.acNewZCode->setEnabled(info.WriteAccess);
}

void TCommonDataPanel::MarkCompAsChanged(QObject *sender) {
    for (QComboBox *box : {ui_.cbDayBound, ui_.cbPeriod, ui_.cbCpVal, ui_.cbAlarmCycle})
        if (sender == box) box->setProperty("changed", true);
    ui_.acSetData->setEnabled(true);
    ui_.acReject->setEnabled(true);
}

bool TCommonDataPanel::IsMarkedChanged(const QObject *comboBox) { return comboBox->property("changed").toBool(); }

void TCommonDataPanel::ResetChangeMarks() {
    for (QComboBox *box : {ui_.cbDayBound, ui_.cbPeriod, ui_.cbCpVal, ui_.cbAlarmCycle})
        box->setProperty("changed", false);
}

bool TCommonDataPanel::HasUnsetEdits() const { return ui_.acSetData->isEnabled(); }

void TCommonDataPanel::DropUnsetEdits() {
    ui_.acSetData->setEnabled(false);
    ui_.acReject->setEnabled(false);
}

void TCommonDataPanel::ApplyWriteStates(const TCommonDataView &v) {
    for (QLineEdit *edit : {static_cast<QLineEdit *>(ui_.edDevNo), static_cast<QLineEdit *>(ui_.edCountNo),
                            static_cast<QLineEdit *>(ui_.edCustNo), static_cast<QLineEdit *>(ui_.edDevUnit),
                            static_cast<QLineEdit *>(ui_.edAlarmLimit)})
        SetEditable(edit, v.Writable);
    for (QComboBox *box : {ui_.cbDayBound, ui_.cbPeriod, ui_.cbAlarmCycle}) SetBoxEnabled(box, v.Writable);
    SetBoxEnabled(ui_.cbCpVal, v.CpValEnabled);
    SetEditable(ui_.edCPz, v.CPzEditable);
    SetEditable(ui_.edSetCounter, v.SetCounterEditable);
    statusText_->setText(v.StatusText);
}

void TCommonDataPanel::ApplyVisibility(const TCommonDataView &v) {
    for (QWidget *w : {static_cast<QWidget *>(ui_.Label12), static_cast<QWidget *>(ui_.cbCpVal)})
        w->setVisible(v.CpValVisible);
    for (QWidget *w : {static_cast<QWidget *>(ui_.edCPz), static_cast<QWidget *>(ui_.Label13),
                       static_cast<QWidget *>(ui_.Label26)})
        w->setVisible(v.CPzVisible);
    for (QWidget *w : {static_cast<QWidget *>(ui_.Label27), static_cast<QWidget *>(ui_.Label28),
                       static_cast<QWidget *>(ui_.Label29), static_cast<QWidget *>(ui_.edAlarmLimit),
                       static_cast<QWidget *>(ui_.cbAlarmCycle)})
        w->setVisible(v.AlarmVisible);
}

// The marks go, and with them Set and Reject; what the device allows comes with the display.
void TCommonDataPanel::ApplyActions(const TCommonDataView &v) {
    DropUnsetEdits();
    ResetChangeMarks();
    ui_.acSetDateAndTime->setEnabled(v.SetDateAndTime);
    ui_.acNewZCode->setEnabled(v.NewZCode);
    ui_.acConfigDevice->setEnabled(v.ConfigDevice);
    ui_.acTestRTC->setEnabled(v.TestRTC);
    ui_.acInitDevice->setEnabled(v.InitDevice);
    ui_.acCheckMaxima->setEnabled(v.CheckMaxima);
    ui_.acDeleteMeasurements->setEnabled(v.DeleteMeasurements);
    ui_.acMemoryDump->setEnabled(v.MemoryDump);
}

void TCommonDataPanel::ApplyTexts(const TCommonDataView &v) {
    struct Text { QLineEdit *edit; const QString &text; };
    for (const Text &t : {Text{ui_.edDevType, v.DevType}, Text{ui_.edSw, v.Sw}, Text{ui_.edDate, v.Date},
                          Text{ui_.edTime, v.Time}, Text{ui_.edLstReadName, v.LstReadName},
                          Text{ui_.edLstAccDate, v.LstAccDate}, Text{ui_.edDevNo, v.DevNo},
                          Text{ui_.edCountNo, v.CountNo}, Text{ui_.edCustNo, v.CustNo},
                          Text{ui_.edDevUnit, v.DevUnit}, Text{ui_.edStatReg, v.StatReg},
                          Text{ui_.edSetCounter, v.SetCounter}, Text{ui_.edTotCounter, v.TotCounter},
                          Text{ui_.edSetCountMoBeg, v.SetCountMoBeg}, Text{ui_.edCPz, v.CPz},
                          Text{ui_.edAlarmLimit, v.AlarmLimit}})
        t.edit->setText(t.text);
    // The hint holds the raw status answer when it cannot be converted.
    const QString hint = QString(v.StatRegHint).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    ui_.edStatReg->setToolTip(PlainToolTip(hint));
    SetBoxText(ui_.cbDayBound, v.DayBound);
    SetBoxText(ui_.cbPeriod, v.Period);
    SetBoxText(ui_.cbCpVal, v.CpVal);
    const QSignalBlocker block(ui_.cbAlarmCycle);
    ui_.cbAlarmCycle->setCurrentIndex(v.AlarmCycleIndex);
}

void TCommonDataPanel::ApplyCaptions(const TCommonDataView &v) {
    struct Caption { QLabel *label; const QString &text; };
    for (const Caption &c : {Caption{ui_.Label7, v.Label7}, Caption{ui_.Label8, v.Label8},
                             Caption{ui_.Label9, v.Label9}, Caption{ui_.Label13, v.Label13},
                             Caption{ui_.Label20, v.Label20}, Caption{ui_.Label21, v.Label21},
                             Caption{ui_.Label22, v.Label22}, Caption{ui_.Label25, v.Label25},
                             Caption{ui_.Label26, v.Label26}, Caption{ui_.Label27, v.Label27},
                             Caption{ui_.Label28, v.Label28}, Caption{ui_.Label29, v.Label29}})
        c.label->setText(c.text);
}

// The fields of the tab page (tag 1) are emptied first: a field the view leaves out shows nothing.
void TCommonDataPanel::Apply(const TCommonDataView &v) {
    for (QLineEdit *edit : Widgets<QLineEdit>())
        if (edit->property("tag").toInt() == 1) edit->clear();
    ApplyWriteStates(v);
    ApplyTexts(v);
    ApplyCaptions(v);
    ApplyVisibility(v);
    ApplyActions(v);
}

TCommonDataEdits TCommonDataPanel::CollectEdits() const {
    TCommonDataEdits e;
    e.DevNo = Edited(ui_.edDevNo);
    e.CountNo = Edited(ui_.edCountNo);
    e.CustNo = Edited(ui_.edCustNo);
    e.SetCounter = Edited(ui_.edSetCounter);
    e.DevUnit = Edited(ui_.edDevUnit);
    e.CPz = Edited(ui_.edCPz);
    e.AlarmLimit = Edited(ui_.edAlarmLimit);
    auto box = [](const QComboBox *b) { return TEditedField{b->currentText(), IsMarkedChanged(b)}; };
    e.DayBound = box(ui_.cbDayBound);
    e.Period = box(ui_.cbPeriod);
    e.CpVal = box(ui_.cbCpVal);
    e.AlarmCycleIndex = ui_.cbAlarmCycle->currentIndex();
    e.AlarmCycleChanged = IsMarkedChanged(ui_.cbAlarmCycle);
    e.AlarmVisible = !ui_.cbAlarmCycle->isHidden();
    return e;
}

void TCommonDataPanel::ShowClock(const QString &date, const QString &time) {
    ui_.edTime->setText(time);
    ui_.edDate->setText(date);
}

QString TCommonDataPanel::StatusText() const { return statusText_->text(); }

QString TCommonDataPanel::FieldText(TMainField field) const {
    const QLineEdit *edit = FieldOf(ui_, field);
    return edit ? edit->text() : QString();
}

void TCommonDataPanel::SetFieldText(TMainField field, const QString &text) {
    if (QLineEdit *edit = FieldOf(ui_, field)) edit->setText(text);
}

void TCommonDataPanel::ShowPeriod(const QString &period) { SetBoxText(ui_.cbPeriod, period); }

} // namespace korvul
