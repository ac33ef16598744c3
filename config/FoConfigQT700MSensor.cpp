// The two sensor adjustment pages of TFoConfigQT700M: pressure on channel 3, temperature on channel 4.
// An adjustment run is three Set steps, one value per click (analog: maximum, lower, higher value;
// binary: maximum, offset, slope), then Calculate. The enabled entry edit is the next step; an edit's
// property "stepMark" is 1 once its value was written in the current run.
#include "app/JEdit.h"
#include "app/LangSupp.h"
#include "app/Settings.h"
#include "app/SettingsUi.h"
#include "comm/Connection.h"
#include "config/FoConfigQT700M.h"
#include "config/QT700MDevice.h"
#include "main/FormMain.h"
#include "main/MainMessages.h"
#include "ui_FoConfigQT700M.h"

#include <QKeyEvent>
#include <QLineEdit>

using namespace korvul;

namespace {

const char *const kStepMark = "stepMark";
constexpr std::array<TSensorValue, 3> kAnalogSteps = {TSensorValue::Maximum, TSensorValue::Lower, TSensorValue::Higher};
constexpr std::array<TSensorValue, 3> kBinarySteps = {TSensorValue::Maximum, TSensorValue::Offset, TSensorValue::Slope};

bool Marked(const QWidget *edit) { return edit->property(kStepMark).toInt() == 1; }
void Mark(QWidget *edit, bool on) { edit->setProperty(kStepMark, on ? 1 : 0); }

void EnableAndEmpty(TJEdit *edit, bool enabled) {
    edit->clear();
    edit->setEnabled(enabled);
}

// A field of the main window's identification panel; empty without a main window.
QString MainField(const char *name) {
    TFormMain *main = FormMain();
    const auto *edit = main ? main->findChild<QLineEdit *>(QLatin1String(name)) : nullptr;
    return edit ? edit->text() : QString();
}

// The characters an entry edit takes: digits, ",", "-", "." and the control keys (Enter, Backspace,
// line feed, and the editing shortcuts); every other character is discarded.
bool AcceptedCharacter(QChar c) {
    return c.isDigit() || c == QLatin1Char(',') || c == QLatin1Char('-') || c == QLatin1Char('.') ||
           c.unicode() < 0x20 || c.unicode() == 0x7F;
}

} // namespace

void TFoConfigQT700M::SetUpSensorPages() {
    sensorPages_[0] = {TSensor::Pressure, 2, ui->TabSheet4, ui->lbDevType3, ui->lbSW3, ui->lbDateTime3,
                       ui->lbMaxValue3, ui->lbOffset3, ui->lbSlope3, ui->rbAValues3, ui->rbBValues3,
                       {ui->jeMaxValueA3, ui->jeLValueA3, ui->jeHValueA3}, {ui->jeMaxValueB3, ui->jeOffset3, ui->jeSlope3},
                       ui->btSet3, ui->btCalculate3};
    sensorPages_[1] = {TSensor::Temperature, 3, ui->TabSheet5, ui->lbDevType4, ui->lbSW4, ui->lbDateTime4,
                       ui->lbMaxValue4, ui->lbOffset4, ui->lbSlope4, ui->rbAValues4, ui->rbBValues4,
                       {ui->jeMaxValueA4, ui->jeLValueA4, ui->jeHValueA4}, {ui->jeMaxValueB4, ui->jeOffset4, ui->jeSlope4},
                       ui->btSet4, ui->btCalculate4};
    for (TSensorPage &page : sensorPages_) {
        for (TJEdit *edit : page.AnalogEdits) edit->installEventFilter(this), Mark(edit, false);
        for (TJEdit *edit : page.BinaryEdits) edit->installEventFilter(this), Mark(edit, false);
        page.Set->setEnabled(false);
        page.Calculate->setEnabled(false);
    }
}

void TFoConfigQT700M::ConnectSensorHandlers(TSensorPage &page) {
    connect(page.Analog, &QRadioButton::clicked, this, &TFoConfigQT700M::rbAValues3Click);
    connect(page.Binary, &QRadioButton::clicked, this, &TFoConfigQT700M::rbAValues3Click);
    connect(page.Set, &QPushButton::clicked, this, &TFoConfigQT700M::btSet3Click);
    connect(page.Calculate, &QPushButton::clicked, this, &TFoConfigQT700M::btCalculate3Click);
    for (TJEdit *edit : page.AnalogEdits) connect(edit, &QLineEdit::textEdited, this, &TFoConfigQT700M::cbCountInp2Change);
    for (TJEdit *edit : page.BinaryEdits) connect(edit, &QLineEdit::textEdited, this, &TFoConfigQT700M::cbCountInp2Change);
}

void TFoConfigQT700M::EnterSensorPage(TSensorPage &page) {
    const bool binary = Settings().SENSORADJUSTMENT.compare(QLatin1String("BINARY"), Qt::CaseInsensitive) == 0;
    (binary ? page.Binary : page.Analog)->setChecked(true);
    ApplyMode(page);
    page.Set->setEnabled(false);
    page.Calculate->setEnabled(false);
    RunAction([&] {
        SelectChannelByCommand(static_cast<uint16_t>(page.Channel));
        page.DevType->setText(MainField("edDevType"));
        page.Sw->setText(MainField("edSw"));
        page.DateTime->setText(MainField("edDate") + QStringLiteral(", ") + MainField("edTime"));
        ShowCurrentValues(page);
    });
}

void TFoConfigQT700M::ShowCurrentValues(TSensorPage &page) {
    WriteAccessCode();
    const std::array<std::pair<TSensorValue, QLabel *>, 3> values = {
        {{TSensorValue::Maximum, page.MaxValue}, {TSensorValue::Offset, page.Offset}, {TSensorValue::Slope, page.Slope}}};
    for (const auto &[role, label] : values)
        label->setText(SensorDisplayText(page.Sensor, role, ReadRegister(SensorRegister(role))));
}

void TFoConfigQT700M::rbAValues3Click() {
    if (TSensorPage *page = SensorPageOf(sender())) ApplyMode(*page);
}

// The chosen mode is kept in SENSORADJUSTMENT; every switch starts a new run with empty edits.
void TFoConfigQT700M::ApplyMode(TSensorPage &page) {
    const bool analog = page.Analog->isChecked();
    Settings().SENSORADJUSTMENT = analog ? QStringLiteral("ANALOG") : QStringLiteral("BINARY");
    TrySaveSettings(this);
    for (int i = 0; i < 3; ++i) {
        EnableAndEmpty(page.AnalogEdits[i], analog && i == 0);
        EnableAndEmpty(page.BinaryEdits[i], !analog && i == 0);
        Mark(page.AnalogEdits[i], false);
        Mark(page.BinaryEdits[i], false);
    }
}

void TFoConfigQT700M::btSet3Click() {
    if (TSensorPage *page = SensorPageOf(sender())) SetStep(*page);
}

void TFoConfigQT700M::SetStep(TSensorPage &page) {
    if (!AskYesNo(this, LanguageText(kSensorQuestion), 0)) return;
    page.Calculate->setEnabled(false);
    page.Set->setEnabled(false);
    const bool analog = page.Analog->isChecked();
    const std::array<TJEdit *, 3> &edits = analog ? page.AnalogEdits : page.BinaryEdits;
    int step = 0;
    while (step < 2 && !edits[step]->isEnabled()) ++step;
    edits[step]->setFocus();
    if (WriteSensorValue(page, step, analog)) {
        Mark(edits[step], true);
        edits[step]->setEnabled(false);
        TJEdit *next = edits[(step + 1) % 3];
        next->setEnabled(true);
        next->setFocus();
    }
    if (step == 2 && Marked(edits[0]) && Marked(edits[1]) && Marked(edits[2])) {
        page.Calculate->setEnabled(true);
        for (TJEdit *edit : edits) Mark(edit, false);
        page.Calculate->setFocus();
    }
}

// Writes the step's value. An entry that is no number or that the device's value text cannot hold is
// refused with a message before anything is sent; the step then stays where it was.
bool TFoConfigQT700M::WriteSensorValue(TSensorPage &page, int step, bool analog) {
    const TSensorValue role = (analog ? kAnalogSteps : kBinarySteps)[step];
    const QString entry = (analog ? page.AnalogEdits : page.BinaryEdits)[step]->text().trimmed();
    const std::optional<float> v = ParseSensorEntry(entry);
    if (!v) {
        ShowMessageText(this, LanguageFormat(kNotANumberText, {entry}));
        return false;
    }
    const TSensorText text = EncodeSensorValue(page.Sensor, role, *v, PressureMaximum());
    if (!text.Ok()) {
        ShowMessageText(this, LanguageFormat(text.Refusal, {entry}));
        return false;
    }
    if (page.Sensor == TSensor::Pressure && role == TSensorValue::Maximum) SetPressureMaximum(*v);
    return RunAction([&] { WriteRegister(SensorRegister(role), text.Text); });
}

void TFoConfigQT700M::btCalculate3Click() {
    if (TSensorPage *page = SensorPageOf(sender())) Calculate(*page);
}

void TFoConfigQT700M::Calculate(TSensorPage &page) {
    page.Calculate->setEnabled(false);
    RunAction([&] {
        WriteRegister(QStringLiteral("3812"), QStringLiteral("01"));
        ShowCurrentValues(page);
    });
    (page.Analog->isChecked() ? page.AnalogEdits[0] : page.BinaryEdits[0])->setFocus();
}

bool TFoConfigQT700M::FilterSensorKey(TSensorPage &page, QObject *edit, QEvent *event) {
    if (event->type() != QEvent::KeyPress || !qobject_cast<TJEdit *>(edit)) return false;
    auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || key->text() == QLatin1String("\r")) {
        cbCountInp2Change();
        page.Set->setFocus();
        return true;
    }
    const QString text = key->text();
    return !text.isEmpty() && !AcceptedCharacter(text[0]);
}
