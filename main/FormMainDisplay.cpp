// TFormMain: the common data display (applying a TCommonDataView to the widgets) and the collection of
// the operator's edits for the write-back.
#include "main/FormMain.h"

#include "ui/PlainText.h"
#include "comm/DeviceTypes.h"
#include "main/CommonDataWrite.h"
#include "ui_FormMain.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QLabel>
#include <QSignalBlocker>
#include <QStatusBar>
#include <algorithm>

namespace korvul {

namespace {

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

void SetLabel(QLabel *label, const QString &text) { label->setText(text); }

TEditedField Edited(const QLineEdit *edit) { return TEditedField{edit->text(), edit->isModified()}; }

} // namespace

void TFormMain::SetUpDataFields() {
    statusText_ = new QLabel(ui->stbMain);
    statusText_->setObjectName(QStringLiteral("stbMainText"));
    statusText_->setTextFormat(Qt::PlainText);
    ui->stbMain->addWidget(statusText_, 1);
    // The device keeps 12 digits for the numbers and the unit, 8 for the settable counter.
    for (QLineEdit *edit : {static_cast<QLineEdit *>(ui->edDevNo), static_cast<QLineEdit *>(ui->edCountNo),
                            static_cast<QLineEdit *>(ui->edCustNo), static_cast<QLineEdit *>(ui->edDevUnit)})
        edit->setMaxLength(12);
    ui->edCPz->installEventFilter(this);
    for (QLineEdit *edit : findChildren<QLineEdit *>())
        if (!qobject_cast<QComboBox *>(edit->parentWidget())) FollowReadOnly(edit);
}

QString TFormMain::StatusText() const { return statusText_->text(); }

void TFormMain::SelectTabQuietly(int index) {
    const QSignalBlocker block(ui->TabControl1);
    ui->TabControl1->setCurrentIndex(index);
    shownTab_ = ui->TabControl1->currentIndex();
}

void TFormMain::ShowCommonData() {
    const korvul::TCommonDataView view = korvul::BuildCommonDataView(commonData_, korvul::DeviceInfo());
    derived_ = view.Derived;
    ApplyCommonDataView(view);
}

void TFormMain::ApplyWriteStates(const korvul::TCommonDataView &v) {
    for (QLineEdit *edit : {static_cast<QLineEdit *>(ui->edDevNo), static_cast<QLineEdit *>(ui->edCountNo),
                            static_cast<QLineEdit *>(ui->edCustNo), static_cast<QLineEdit *>(ui->edDevUnit),
                            static_cast<QLineEdit *>(ui->edAlarmLimit)})
        SetEditable(edit, v.Writable);
    for (QComboBox *box : {ui->cbDayBound, ui->cbPeriod, ui->cbAlarmCycle}) SetBoxEnabled(box, v.Writable);
    SetBoxEnabled(ui->cbCpVal, v.CpValEnabled);
    SetEditable(ui->edCPz, v.CPzEditable);
    SetEditable(ui->edSetCounter, v.SetCounterEditable);
    statusText_->setText(v.StatusText);
}

void TFormMain::ApplyVisibility(const korvul::TCommonDataView &v) {
    for (QWidget *w : {static_cast<QWidget *>(ui->Label12), static_cast<QWidget *>(ui->cbCpVal)})
        w->setVisible(v.CpValVisible);
    for (QWidget *w : {static_cast<QWidget *>(ui->edCPz), static_cast<QWidget *>(ui->Label13),
                       static_cast<QWidget *>(ui->Label26)})
        w->setVisible(v.CPzVisible);
    for (QWidget *w : {static_cast<QWidget *>(ui->Label27), static_cast<QWidget *>(ui->Label28),
                       static_cast<QWidget *>(ui->Label29), static_cast<QWidget *>(ui->edAlarmLimit),
                       static_cast<QWidget *>(ui->cbAlarmCycle)})
        w->setVisible(v.AlarmVisible);
}

// The marks go, and with them Set and Reject; what the device allows comes with the display.
void TFormMain::ApplyActions(const korvul::TCommonDataView &v) {
    ui->acSetData->setEnabled(false);
    ui->acReject->setEnabled(false);
    ResetChangeMarks();
    ui->acSetDateAndTime->setEnabled(v.SetDateAndTime);
    ui->acNewZCode->setEnabled(v.NewZCode);
    ui->acConfigDevice->setEnabled(v.ConfigDevice);
    ui->acTestRTC->setEnabled(v.TestRTC);
    ui->acInitDevice->setEnabled(v.InitDevice);
    ui->acCheckMaxima->setEnabled(v.CheckMaxima);
    ui->acDeleteMeasurements->setEnabled(v.DeleteMeasurements);
    ui->acMemoryDump->setEnabled(v.MemoryDump);
}

void TFormMain::ApplyCommonDataView(const korvul::TCommonDataView &v) {
    for (QLineEdit *edit : findChildren<QLineEdit *>())
        if (edit->property("tag").toInt() == 1) edit->clear();
    ApplyWriteStates(v);
    struct Text { QLineEdit *edit; const QString &text; };
    for (const Text &t : {Text{ui->edDevType, v.DevType}, Text{ui->edSw, v.Sw}, Text{ui->edDate, v.Date},
                          Text{ui->edTime, v.Time}, Text{ui->edLstReadName, v.LstReadName},
                          Text{ui->edLstAccDate, v.LstAccDate}, Text{ui->edDevNo, v.DevNo},
                          Text{ui->edCountNo, v.CountNo}, Text{ui->edCustNo, v.CustNo},
                          Text{ui->edDevUnit, v.DevUnit}, Text{ui->edStatReg, v.StatReg},
                          Text{ui->edSetCounter, v.SetCounter}, Text{ui->edTotCounter, v.TotCounter},
                          Text{ui->edSetCountMoBeg, v.SetCountMoBeg}, Text{ui->edCPz, v.CPz},
                          Text{ui->edAlarmLimit, v.AlarmLimit}})
        t.edit->setText(t.text);
    // The hint holds the raw status answer when it cannot be converted.
    ui->edStatReg->setToolTip(
        korvul::PlainToolTip(QString(v.StatRegHint).replace(QStringLiteral("\r\n"), QStringLiteral("\n"))));
    SetBoxText(ui->cbDayBound, v.DayBound);
    SetBoxText(ui->cbPeriod, v.Period);
    SetBoxText(ui->cbCpVal, v.CpVal);
    {
        const QSignalBlocker block(ui->cbAlarmCycle);
        ui->cbAlarmCycle->setCurrentIndex(v.AlarmCycleIndex);
    }
    struct Caption { QLabel *label; const QString &text; };
    for (const Caption &c : {Caption{ui->Label7, v.Label7}, Caption{ui->Label8, v.Label8}, Caption{ui->Label9, v.Label9},
                             Caption{ui->Label13, v.Label13}, Caption{ui->Label20, v.Label20},
                             Caption{ui->Label21, v.Label21}, Caption{ui->Label22, v.Label22},
                             Caption{ui->Label25, v.Label25}, Caption{ui->Label26, v.Label26},
                             Caption{ui->Label27, v.Label27}, Caption{ui->Label28, v.Label28},
                             Caption{ui->Label29, v.Label29}})
        SetLabel(c.label, c.text);
    ApplyVisibility(v);
    ApplyActions(v);
}

korvul::TCommonDataEdits TFormMain::CollectEdits() const {
    korvul::TCommonDataEdits e;
    e.DevNo = Edited(ui->edDevNo);
    e.CountNo = Edited(ui->edCountNo);
    e.CustNo = Edited(ui->edCustNo);
    e.SetCounter = Edited(ui->edSetCounter);
    e.DevUnit = Edited(ui->edDevUnit);
    e.CPz = Edited(ui->edCPz);
    e.AlarmLimit = Edited(ui->edAlarmLimit);
    auto box = [](const QComboBox *b) { return TEditedField{b->currentText(), IsMarkedChanged(b)}; };
    e.DayBound = box(ui->cbDayBound);
    e.Period = box(ui->cbPeriod);
    e.CpVal = box(ui->cbCpVal);
    e.AlarmCycleIndex = ui->cbAlarmCycle->currentIndex();
    e.AlarmCycleChanged = IsMarkedChanged(ui->cbAlarmCycle);
    e.AlarmVisible = !ui->cbAlarmCycle->isHidden();
    return e;
}

// ---- what device windows ask of the main window ----

namespace {

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

int TFormMain::CurrentChannel() const { return std::max(0, ui->TabControl1->currentIndex()); }

QString TFormMain::FieldText(TMainField field) const {
    const QLineEdit *edit = FieldOf(*ui, field);
    return edit ? edit->text() : QString();
}

void TFormMain::SetFieldText(TMainField field, const QString &text) {
    if (QLineEdit *edit = FieldOf(*ui, field)) edit->setText(text);
}

// As the display shows a period: the list entry when there is one, else the text itself.
void TFormMain::ShowPeriod(const QString &period) {
    QComboBox *box = ui->cbPeriod;
    const QSignalBlocker block(box);
    const int item = box->findText(period);
    box->setCurrentIndex(item);
    if (item < 0 && box->isEditable()) box->setEditText(period);
}

void TFormMain::DisableSetData() { ui->acSetData->setEnabled(false); }

} // namespace korvul
