#include "config/FoConfigQT700M.h"

#include "base/LangSupp.h"
#include "base/Settings.h"
#include "comm/CommClass.h"
#include "comm/CommState.h"
#include "comm/Connection.h"
#include "comm/DeviceFailure.h"
#include "config/FrPrintSheet.h"
#include "config/QT700MDevice.h"
#include "ui/DeviceAction.h"
#include "ui/JEdit.h"
#include "ui/MainMessages.h"
#include "ui/MainWindowAccess.h"
#include "ui/SettingsUi.h"
#include "ui/TranslateForm.h"
#include "ui_FoConfigQT700M.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTabBar>
#include <algorithm>

namespace korvul {

TFoConfigQT700M::TFoConfigQT700M(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::TFoConfigQT700M>()) {
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    SetUpPrintPage();
    TranslateForm(this, kTextBase);
    SetUpSensorPages();
    FillBoxes();
    for (int n = 1; n <= 8; ++n) ui->PageControl1->findChild<QLabel *>(QStringLiteral("lbPnt%1").arg(n))->setVisible(false);
    // A share's row has no label of its own (the marker arrow, the channel digit): a screen reader says
    // its column and channel instead, "Memory share 3".
    for (int n = 0; n < kMemoryChannels; ++n)
        ShareEdit(n)->setAccessibleName(ui->lbHdShare->text() + u' ' + QString::number(n + 1));
    ui->Label37->setText(LanguageFormat(kTotalText, {0}));
    ui->Label38->setText(LanguageFormat(kBalanceText, {0, 0.0, 0.0}));
    ConnectHandlers();
    ui->PageControl1->setCurrentIndex(pgInputs);
    PageControl1Change(pgInputs);
    if (!broken_) printSheet_->ReadPrintFactor();
}

TFoConfigQT700M::~TFoConfigQT700M() = default;

int TFoConfigQT700M::CurrentPage() const { return ui->PageControl1->currentIndex(); }

bool TFoConfigQT700M::Visited(int page) const {
    QWidget *w = ui->PageControl1->widget(page);
    return w && w->property("visited").toInt() == 1;
}

void TFoConfigQT700M::ConnectHandlers() {
    // The tab widget reports a change after it happened; the page left is still known here, so its
    // unsaved changes are offered before the new page reads the device.
    connect(ui->PageControl1, &QTabWidget::currentChanged, this, [this](int page) {
        PageControl1Changing();
        PageControl1Change(page);
    });
    for (QComboBox *box : {ui->cbCountInp1, ui->cbCompInp1, ui->cbCountInp2, ui->cbCompInp2, ui->cbOfCh1, ui->cbOfCh2})
        connect(box, &QComboBox::activated, this, &TFoConfigQT700M::cbCountInp2Change);
    connect(ui->cbOut1, &QComboBox::activated, this, &TFoConfigQT700M::cbOut1Change);
    connect(ui->cbOut2, &QComboBox::activated, this, &TFoConfigQT700M::cbOut1Change);
    for (int n = 0; n < kMemoryChannels; ++n)
        connect(ShareEdit(n), &QSpinBox::valueChanged, this, &TFoConfigQT700M::cbCountInp2Change);
    connect(ui->btInputsSet, &QPushButton::clicked, this, &TFoConfigQT700M::btInputsSetClick);
    connect(ui->btOutputsSet, &QPushButton::clicked, this, &TFoConfigQT700M::SetConfString);
    connect(ui->btMemorySet, &QPushButton::clicked, this, &TFoConfigQT700M::btMemorySetClick);
    connect(ui->btSameSize, &QPushButton::clicked, this, &TFoConfigQT700M::btSameSizeClick);
    connect(ui->btExit, &QPushButton::clicked, this, &TFoConfigQT700M::btExitClick);
    for (TSensorPage &page : sensorPages_) ConnectSensorHandlers(page);
}

void TFoConfigQT700M::FillBoxes() {
    for (QComboBox *box : {ui->cbCountInp1, ui->cbCompInp1, ui->cbCountInp2, ui->cbCompInp2}) {
        box->clear();
        for (int i = 0; i <= 4; ++i) box->addItem(LanguageText(TextNumber(kInputText, i)));
        box->setCurrentIndex(0);
    }
    for (QComboBox *box : {ui->cbOut1, ui->cbOut2}) {
        box->clear();
        for (int i = 0; i <= 2; ++i) box->addItem(LanguageText(TextNumber(kOutputFunctionText, i)));
    }
    ui->btInputsSet->setEnabled(false);
    ui->btOutputsSet->setEnabled(false);
    ui->btMemorySet->setEnabled(false);
}

// The print page takes the other pages' values as they are shown when Print is clicked.
void TFoConfigQT700M::SetUpPrintPage() {
    printSheet_ = new TFrPrintSheet(ui->TabSheet6);
    ui->TabSheet6->layout()->addWidget(printSheet_);
    printSheet_->SetValuesSource([this] {
        TDataSheetValues v;
        v.SoftwareVersion = MainSoftwareVersion();
        v.TotalMemory = total_;
        for (int n = 0; n < kMemoryChannels; ++n)
            v.Channels[n] = {MemoryLabel(1, n)->text(), MemoryLabel(2, n)->text(), MemoryLabel(3, n)->text(),
                             ShareEdit(n)->value()};
        const TSensorPage &p = sensorPages_[0], &t = sensorPages_[1];
        v.PressureMax = p.MaxValue->text(), v.PressureOffset = p.Offset->text(), v.PressureSlope = p.Slope->text();
        v.TemperatureMax = t.MaxValue->text(), v.TemperatureOffset = t.Offset->text(), v.TemperatureSlope = t.Slope->text();
        v.CountInput = {ui->cbCountInp1->currentText(), ui->cbCountInp2->currentText()};
        v.CompInput = {ui->cbCompInp1->currentText(), ui->cbCompInp2->currentText()};
        for (int i = 0; i < ui->PageControl1->count(); ++i) v.Pages.append({ui->PageControl1->tabText(i), Visited(i)});
        return v;
    });
}

// Every device action of the dialog: the failure rule with text 1289; a broken connection stops all
// further device traffic of the dialog, so one failure gives the main window one message 1127.
bool TFoConfigQT700M::RunAction(const std::function<void()> &action) {
    if (broken_) return false;
    return RunDeviceAction(this, kRefusedText, [&] {
        try {
            action();
        } catch (const TCommClassException &e) {
            if (ClassifyDeviceFailure(e) == TDeviceFailure::ConnectionBroken) broken_ = true;
            throw;
        }
    });
}

void TFoConfigQT700M::PageControl1Change(int page) {
    currentPage_ = page;
    if (QWidget *w = ui->PageControl1->widget(page)) w->setProperty("visited", 1);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    switch (page) {
    case pgInputs: ReadInputsPage(); break;
    case pgOutputs: ReadOutputsPage(); break;
    case pgMemory: ReadMemoryPage(); break;
    case pgPressure: EnterSensorPage(sensorPages_[0]); break;
    case pgTemperature: EnterSensorPage(sensorPages_[1]); break;
    default: break;
    }
    while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
}

void TFoConfigQT700M::PageControl1Changing() {
    if (broken_) return;
    const std::array<QPushButton *, 3> setButtons = {ui->btInputsSet, ui->btOutputsSet, ui->btMemorySet};
    if (currentPage_ < pgInputs || currentPage_ > pgMemory) return;
    QPushButton *set = setButtons[currentPage_];
    if (!set->isEnabled()) return;
    if (!AskYesNo(this, LanguageText(kUnsavedText), 0)) return set->setEnabled(false);
    if (currentPage_ == pgInputs) btInputsSetClick();
    else if (currentPage_ == pgOutputs) SetConfString();
    else btMemorySetClick();
}

void TFoConfigQT700M::cbCountInp2Change() {
    switch (CurrentPage()) {
    case pgInputs: ui->btInputsSet->setEnabled(true); break;
    case pgOutputs: ui->btOutputsSet->setEnabled(true); break;
    case pgMemory:
        ui->btMemorySet->setEnabled(true);
        ShowBalance();
        break;
    case pgPressure: sensorPages_[0].Set->setEnabled(true); break;
    case pgTemperature: sensorPages_[1].Set->setEnabled(true); break;
    default: break;
    }
}

void TFoConfigQT700M::btExitClick() {
    PageControl1Changing();
    currentPage_ = -1;  // the question is not asked again when the dialog closes
    accept();
}

void TFoConfigQT700M::reject() {
    PageControl1Changing();
    currentPage_ = -1;
    QDialog::reject();
}

TFoConfigQT700M::TSensorPage *TFoConfigQT700M::SensorPageOf(QObject *sender) {
    for (TSensorPage &page : sensorPages_)
        if (sender && (sender == page.Page || page.Page->isAncestorOf(qobject_cast<QWidget *>(sender)))) return &page;
    return nullptr;
}

bool TFoConfigQT700M::eventFilter(QObject *watched, QEvent *event) {
    if (TSensorPage *page = SensorPageOf(watched))
        if (FilterSensorKey(*page, watched, event)) return true;
    return QDialog::eventFilter(watched, event);
}

// ---- the Inputs, Outputs and Memory size pages ----

namespace {

constexpr int kLabelTextMax = 21;  // device number and period labels show at most this much

struct TCursor {
    TCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TCursor() { QApplication::restoreOverrideCursor(); }
};

} // namespace

QSpinBox *TFoConfigQT700M::ShareEdit(int index) const {
    return ui->PageControl1->findChild<QSpinBox *>(QStringLiteral("seMSize%1").arg(index + 1));
}

// Column 1 channel number, 2 device number, 3 period of the row of channel index.
QLabel *TFoConfigQT700M::MemoryLabel(int column, int index) const {
    return ui->PageControl1->findChild<QLabel *>(QStringLiteral("Label3%1%2").arg(column).arg(index + 1));
}

int TFoConfigQT700M::ShareTotal() const {
    int sum = 0;
    for (int n = 0; n < kMemoryChannels; ++n) sum += ShareEdit(n)->value();
    return sum;
}

// ---- Inputs ----

void TFoConfigQT700M::ReadInputsPage() {
    const std::array<std::array<QComboBox *, 2>, 2> boxes = {{{ui->cbCountInp1, ui->cbCompInp1},
                                                              {ui->cbCountInp2, ui->cbCompInp2}}};
    RunAction([&] {
        for (int channel = 0; channel < 2; ++channel) {
            SelectChannelByCommand(static_cast<uint16_t>(channel));
            inputConfig_[channel] = ReadRegister(QStringLiteral("3001"));
            const TInputAssignment inputs = ParseInputConfig(inputConfig_[channel]);
            boxes[channel][0]->setCurrentIndex(inputs.Count);
            boxes[channel][1]->setCurrentIndex(inputs.Compare);
        }
    });
    ui->btInputsSet->setEnabled(false);
}

TInputAssignment TFoConfigQT700M::BoxInputs(int channel) const {
    if (channel == 0) return {ui->cbCountInp1->currentIndex(), ui->cbCompInp1->currentIndex()};
    return {ui->cbCountInp2->currentIndex(), ui->cbCompInp2->currentIndex()};
}

void TFoConfigQT700M::btInputsSetClick() {
    const TInputAssignment channel1 = BoxInputs(0), channel2 = BoxInputs(1);
    const QChar twice = DuplicateInput(channel1, channel2);
    if (!twice.isNull()) {
        ShowMessageText(this, LanguageFormat(kDuplicateInputText, {QString(twice)}));
        ui->btInputsSet->setEnabled(false);
        return;
    }
    TCursor cursor;
    RunAction([&] {
        WriteInputs(0, channel1);
        WriteInputs(1, channel2);
    });
    ui->btInputsSet->setEnabled(false);
}

// Only a configuration that differs from the one read is written (with the access code first).
void TFoConfigQT700M::WriteInputs(int channel, const TInputAssignment &inputs) {
    const QString text = BuildInputConfig(inputs);
    if (text == inputConfig_[channel].left(text.size())) return;
    SelectChannelByCommand(static_cast<uint16_t>(channel));
    WriteAccessCode();
    WriteRegister(QStringLiteral("3001"), text);
    inputConfig_[channel] = text;
}

// ---- Outputs ----

void TFoConfigQT700M::ReadOutputsPage() {
    RunAction([this] {
        outputConfig_ = NormalizeOutputString(ReadItemText('Z', kOutputStringLength));
        const std::array<TOutputChoice, 2> outputs = ParseOutputString(outputConfig_);
        const std::array<QComboBox *, 2> functions = {ui->cbOut1, ui->cbOut2}, channels = {ui->cbOfCh1, ui->cbOfCh2};
        for (int i = 0; i < 2; ++i) {
            functions[i]->setCurrentIndex(outputs[i].Function);
            OutputChange(i);
            channels[i]->setCurrentIndex(outputs[i].Channel);
        }
    });
    ui->btOutputsSet->setEnabled(false);
}

void TFoConfigQT700M::cbOut1Change() { OutputChange(sender() == ui->cbOut2 ? 1 : 0); }

// The channel box of the output gets the entries of its function, the first one selected.
void TFoConfigQT700M::OutputChange(int output) {
    QComboBox *function = output == 0 ? ui->cbOut1 : ui->cbOut2;
    QComboBox *channel = output == 0 ? ui->cbOfCh1 : ui->cbOfCh2;
    const int f = std::max(0, function->currentIndex());
    channel->clear();
    for (int n = 1; n <= std::min(8, OutputChannelCount(f)); ++n) channel->addItem(QString::number(n));
    if (f == 0) channel->addItem(LanguageText(kAllChannelsText));
    if (f == 2) channel->addItem(LanguageText(kHourlyPulseText));
    channel->setCurrentIndex(0);
    ui->btOutputsSet->setEnabled(true);
}

std::array<TOutputChoice, 2> TFoConfigQT700M::BoxOutputs() const {
    return {TOutputChoice{ui->cbOut1->currentIndex(), ui->cbOfCh1->currentIndex()},
            TOutputChoice{ui->cbOut2->currentIndex(), ui->cbOfCh2->currentIndex()}};
}

void TFoConfigQT700M::SetConfString() {
    TCursor cursor;
    RunAction([this] {
        const QString text = BuildOutputString(outputConfig_, BoxOutputs());
        WriteAccessCode();
        WriteItemText('[', text);
        outputConfig_ = text;
        SelectChannelByCommand(1);
        SelectChannelByCommand(0);
    });
    ui->btOutputsSet->setEnabled(false);
}

// ---- Memory size ----

void TFoConfigQT700M::ReadMemoryPage() {
    RunAction([this] {
        total_ = ReadHexRegister(QStringLiteral("0400"));
        ui->Label37->setText(LanguageFormat(kTotalText, {total_ / 10}));
        for (int n = 0; n < kMemoryChannels; ++n) ReadMemoryRow(n);
    });
}

void TFoConfigQT700M::ReadMemoryRow(int index) {
    QLabel *marker = ui->PageControl1->findChild<QLabel *>(QStringLiteral("lbPnt%1").arg(index + 1));
    struct THide {
        QLabel *label;
        ~THide() { label->setVisible(false); }
    } hide{marker};
    marker->setVisible(true);
    // Paint the marker; the operator's input waits until the page is read.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    SelectChannelByCommand(static_cast<uint16_t>(index));
    MemoryLabel(2, index)->setText(ReadItemText('l', kLabelTextMax));
    MemoryLabel(3, index)->setText(ReadItemText('p', kLabelTextMax));
    ShareEdit(index)->setValue(ReadHexRegister(QStringLiteral("1401")));
    ui->btMemorySet->setEnabled(false);
}

void TFoConfigQT700M::ShowBalance() {
    const int sum = ShareTotal();
    ui->Label38->setText(LanguageFormat(kBalanceText, {total_ / 10, sum / 10.0, (total_ - sum) / 10.0}));
}

void TFoConfigQT700M::btSameSizeClick() {
    const TShares shares = SameSizeShares(total_);
    for (int n = 0; n < kMemoryChannels; ++n) ShareEdit(n)->setValue(shares[n]);
}

void TFoConfigQT700M::btMemorySetClick() {
    const int sum = ShareTotal();
    if (sum != total_) {
        ShowMessageText(this, LanguageFormat(kUnbalancedText, {sum / 10.0, (total_ - sum) / 10.0}));
        return;
    }
    if (!AskYesNo(this, LanguageText(kPartitionQuestion), 0)) return;
    TCursor cursor;
    WritePartition();
}

// The partition is written without polling in between; polling resumes however the writes end.
void TFoConfigQT700M::WritePartition() {
    TCommClass &comm = CommObject();
    comm.SetOptions(coPollOff);
    comm.Period = 0;
    RunAction([this] {
        for (int n = 0; n < kMemoryChannels; ++n) {
            WriteAccessCode();
            WriteRegister(QStringLiteral("2810"), PartitionText(n, ShareEdit(n)->value()));
        }
        WriteRegister(QStringLiteral("2810"), QLatin1String(kPartitionEnd));
        ui->btMemorySet->setEnabled(false);
    });
    comm.Period = static_cast<uint16_t>(std::clamp(Settings().CHECKTIME, 0, 65535));
    comm.SetOptions(coPollOn);
}

// ---- the sensor adjustment pages ----
// The two sensor adjustment pages of TFoConfigQT700M: pressure on channel 3, temperature on channel 4.
// An adjustment run is three Set steps, one value per click (analog: maximum, lower, higher value;
// binary: maximum, offset, slope), then Calculate. The enabled entry edit is the next step; an edit's
// property "stepMark" is 1 once its value was written in the current run.

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
QString MainField(TMainField field) {
    const IMainWindow *main = MainWindow();
    return main ? main->FieldText(field) : QString();
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
        page.DevType->setText(MainField(TMainField::DeviceType));
        page.Sw->setText(MainField(TMainField::SoftwareVersion));
        page.DateTime->setText(MainField(TMainField::Date) + QStringLiteral(", ") + MainField(TMainField::Time));
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

} // namespace korvul
