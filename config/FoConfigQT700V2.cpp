#include "config/FoConfigQT700V2.h"

#include "ui/HelpViewer.h"
#include "base/LangSupp.h"
#include "base/Settings.h"
#include "ui/TranslateForm.h"
#include "comm/Connection.h"
#include "comm/DeviceTypes.h"
#include "comm/Items.h"
#include "config/ConfigV2ADialogs.h"
#include "ui/DeviceAction.h"
#include "config/QT700V2Config.h"
#include "comm/DeviceFailure.h"
#include "ui/MainMessages.h"
#include "ui_FoConfigQT700V2.h"

#include <QApplication>
#include <QSignalBlocker>
#include <stdexcept>

namespace korvul {

namespace {
constexpr uint8_t kConfigRead = 'Z', kConfigWrite = '[';
constexpr uint8_t kHTimeRead = 'N', kHTimeWrite = 'O', kNTimeRead = 'P', kNTimeWrite = 'Q';
constexpr uint8_t kRegisterValue = '<', kRegisterAddress = '=', kRegisterWrite = '>', kAccessCode = 'c';
constexpr int kV2TypeCode = 24;
constexpr int kVReadingNumberShown = 255;
const QString kReadingNumberRegister = QStringLiteral("2009");

void FillFromTexts(QComboBox *box, uint16_t first, uint16_t last) {
    for (uint16_t n = first; n <= last; ++n) box->addItem(LanguageText(n));
    box->setCurrentIndex(-1);  // no selection until the configuration string is parsed
}
} // namespace

QString &TFoConfigQT700V2::DeviceCopy() {
    static QString copy;
    return copy;
}

QString &TFoConfigQT700V2::EditCopy() {
    static QString copy;
    return copy;
}

TFoConfigQT700V2::TFoConfigQT700V2(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::TFoConfigQT700V2>()) {
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    TranslateForm(this, kTextBase);
    isV2_ = DeviceInfo().TypeCode == kV2TypeCode;
    FillCombos();
    EditCopy() = QString::fromLatin1(kDefaultV2Config);

    connect(ui->cbDevFunc, &QComboBox::activated, this, [this] { cbDevFuncChange(); });
    connect(ui->cbOut1, &QComboBox::activated, this, [this] { cbOut1Change(1); });
    connect(ui->cbOut2, &QComboBox::activated, this, [this] { cbOut1Change(2); });
    for (QComboBox *box : {ui->cbSumCh, ui->cbSwitching, ui->cbOfCh1, ui->cbOfCh2})
        connect(box, &QComboBox::activated, this, &TFoConfigQT700V2::SetEnabled);
    for (QLineEdit *edit : {ui->meHTime, ui->meNTime})
        connect(edit, &QLineEdit::textEdited, this, &TFoConfigQT700V2::SetEnabled);
    connect(ui->seReadingNumber, &QSpinBox::valueChanged, this, [this] {
        readingNumberModified_ = true;
        SetEnabled();
    });
    connect(ui->btSet, &QPushButton::clicked, this, [this] { btSetClick(); });
    connect(ui->btExit, &QPushButton::clicked, this, &TFoConfigQT700V2::btExitClick);
    connect(ui->btHelp, &QPushButton::clicked, this, [] { ShowHelpTopic(QStringLiteral("ConfigQT700V2")); });

    ReadDevice();
    ParseEditCopy();
    ApplyTypeLimits();
    ui->btSet->setEnabled(false);
    if (!configRead_) LockWithoutConfig();
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

TFoConfigQT700V2::~TFoConfigQT700V2() = default;

void TFoConfigQT700V2::FillCombos() {
    FillFromTexts(ui->cbDevFunc, 1521, 1524);
    FillFromTexts(ui->cbSumCh, 1525, 1526);
    FillFromTexts(ui->cbSwitching, 1527, 1528);
    FillFromTexts(ui->cbOut1, 1529, 1532);
    FillFromTexts(ui->cbOut2, 1529, 1532);
}

// The device exchange runs under the shared failure rule; a broken connection is remembered so that
// closing the dialog (the main window does that) offers nothing for saving.
bool TFoConfigQT700V2::RunAction(uint16_t refusedText, const std::function<void()> &action) {
    return RunDeviceAction(this, refusedText, [this, &action] {
        try {
            action();
        } catch (const TCommClassException &e) {
            if (ClassifyDeviceFailure(e) == TDeviceFailure::ConnectionBroken) {
                connectionBroken_ = true;
                ui->btSet->setEnabled(false);
            }
            throw;
        }
    });
}

void TFoConfigQT700V2::ReadDevice() {
    try {
        RunAction(kReadRefusedText, [this] {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            QString text;
            ReadItem(kConfigRead, text);
            DeviceCopy() = EditCopy() = CompleteV2Config(text);
            configRead_ = true;
            ReadItem(kNTimeRead, text);
            ui->meNTime->setText(SwitchTimeForEdit(text));
            ReadItem(kHTimeRead, text);
            ui->meHTime->setText(SwitchTimeForEdit(text));
            if (!isV2_) return;
            WriteConfigItem(kRegisterAddress, kReadingNumberRegister);
            ReadItem(kRegisterValue, text);
            const QSignalBlocker block(ui->seReadingNumber);
            ui->seReadingNumber->setValue(ParseReadingNumber(text));
            readingNumberModified_ = false;
        });
    } catch (const std::invalid_argument &e) {
        // The register's answer is no number: a fault of this program's reading, not of the device.
        ShowMessageText(this, QString::fromStdString(e.what()));
    }
}

void TFoConfigQT700V2::ParseEditCopy() {
    const TV2Config parsed = ParseV2Config(EditCopy());
    ui->cbDevFunc->setCurrentIndex(parsed.device.function);
    if (parsed.device.subChoice)
        (parsed.device.function == kDevFuncSum ? ui->cbSumCh : ui->cbSwitching)->setCurrentIndex(*parsed.device.subChoice);
    cbDevFuncChange();
    const std::pair<int, const TV2Output *> outputs[] = {{1, &parsed.output1}, {2, &parsed.output2}};
    for (const auto &[output, pair] : outputs) {
        if (pair->function) OutBox(output)->setCurrentIndex(*pair->function);
        cbOut1Change(output);
        if (!pair->channel.isEmpty()) SelectOutputChannel(output, pair->channel);
    }
}

void TFoConfigQT700V2::SelectOutputChannel(int output, const QString &code) {
    QComboBox *box = ChannelBox(output);
    int index = box->findData(code);
    if (index < 0) {
        ShowMessageText(this, QStringLiteral("Can not find ") + code + QStringLiteral(" in ") + box->objectName() +
                                  QStringLiteral(" ComboBox!"));
        index = box->count() > 0 ? 0 : -1;
    }
    box->setCurrentIndex(index);
}

void TFoConfigQT700V2::cbDevFuncChange() {
    SetEnabled();
    const int function = ui->cbDevFunc->currentIndex();
    ui->cbSumCh->setEnabled(function == kDevFuncSum);
    ui->cbSwitching->setEnabled(function == kDevFuncSwitchInput || function == kDevFuncSwitchTimes);
    for (QComboBox *box : {ui->cbSumCh, ui->cbSwitching})
        if (box->currentIndex() < 0) box->setCurrentIndex(0);
    cbOut1Change(1);
    if (isV2_) cbOut1Change(2);
}

// Rebuilds the output's channel box from the codes its output function offers; every entry carries its
// channel code as item data, and the box is searched by that code, never by its text.
void TFoConfigQT700V2::cbOut1Change(int output) {
    SetEnabled();
    QComboBox *box = ChannelBox(output);
    const int function = OutBox(output)->currentIndex();
    box->setEnabled(function != kOutOff);
    box->clear();
    for (const QString &code : OfferedChannels(function, ui->cbDevFunc->currentIndex(), ui->cbSumCh->currentIndex()))
        box->addItem(LanguageText(TextNumber(kChannelText, ChannelCodeIndex(code))), code);
    box->setCurrentIndex(box->count() > 0 ? 0 : -1);
}

// Set is offered only over a configuration read from this device: writing the shown default instead
// would replace the device's configuration with a guess.
void TFoConfigQT700V2::SetEnabled() { ui->btSet->setEnabled(configRead_); }

// Without a configuration read nothing is edited or set; Set's hint says why and what to do.
void TFoConfigQT700V2::LockWithoutConfig() {
    for (QWidget *field : std::initializer_list<QWidget *>{ui->cbDevFunc, ui->cbSumCh, ui->cbSwitching, ui->cbOut1,
                                                          ui->cbOut2, ui->cbOfCh1, ui->cbOfCh2, ui->meHTime,
                                                          ui->meNTime, ui->seReadingNumber})
        field->setEnabled(false);
    ui->btSet->setToolTip(LanguageText(kNotReadText));
}

// The QT-700/V has one output and no readout limit: both are shown but cannot be edited.
void TFoConfigQT700V2::ApplyTypeLimits() {
    if (isV2_) return;
    setWindowTitle(LanguageText(kVCaptionText));
    ui->cbOut2->setEnabled(false);
    ui->cbOfCh2->setEnabled(false);
    const QSignalBlocker block(ui->seReadingNumber);
    ui->seReadingNumber->setValue(kVReadingNumberShown);
    ui->seReadingNumber->setEnabled(false);
}

QComboBox *TFoConfigQT700V2::OutBox(int output) const { return output == 1 ? ui->cbOut1 : ui->cbOut2; }
QComboBox *TFoConfigQT700V2::ChannelBox(int output) const { return output == 1 ? ui->cbOfCh1 : ui->cbOfCh2; }

QString TFoConfigQT700V2::RebuiltEditCopy() const {
    TV2Choice choice;
    choice.deviceFunction = ui->cbDevFunc->currentIndex();
    const QComboBox *sub = choice.deviceFunction == kDevFuncSum ? ui->cbSumCh : ui->cbSwitching;
    choice.subChoice = std::max(sub->currentIndex(), 0);
    for (int output : {1, 2}) {
        TV2Choice::Output &o = output == 1 ? choice.output1 : choice.output2;
        const QComboBox *box = ChannelBox(output);
        o.function = OutBox(output)->currentIndex();
        o.channelIndex = box->isEnabled() && box->currentIndex() >= 0 ? ChannelCodeIndex(box->currentData().toString()) : -1;
        o.rebuild = output == 1 || isV2_;  // output 2 of a QT-700/V is kept as read
    }
    return RebuildV2Config(EditCopy(), choice);
}

void TFoConfigQT700V2::WriteDevice() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    EditCopy() = RebuiltEditCopy();
    WriteConfigItem(kAccessCode, Settings().ACCESSCODE);
    if (EditCopy() != DeviceCopy()) {
        WriteConfigItem(kConfigWrite, EditCopy());
        DeviceCopy() = EditCopy();
    }
    WriteSwitchTimes();
    WriteReadingNumber();
    // Choosing another channel and the first again makes the device take over the new configuration.
    if (isV2_) {
        SelectChannelByCommand(1);
        SelectChannelByCommand(0);
    } else {
        SelectChannelByReconnect(1);
        SelectChannelByReconnect(0);
    }
}

void TFoConfigQT700V2::WriteSwitchTimes() {
    for (const auto &[edit, item] : {std::pair{ui->meHTime, kHTimeWrite}, std::pair{ui->meNTime, kNTimeWrite}}) {
        if (!edit->isModified()) continue;
        WriteConfigItem(item, SwitchTimeForDevice(edit->displayText()));
        edit->setModified(false);
    }
}

void TFoConfigQT700V2::WriteReadingNumber() {
    if (!isV2_ || !readingNumberModified_) return;
    WriteConfigItem(kRegisterAddress, kReadingNumberRegister);
    WriteConfigItem(kRegisterWrite, ReadingNumberText(ui->seReadingNumber->value()));
    readingNumberModified_ = false;
}

bool TFoConfigQT700V2::btSetClick() {
    if (!configRead_) {
        ShowMessageText(this, LanguageText(kNotReadText));
        return false;
    }
    if (!RunAction(kSetRefusedText, [this] { WriteDevice(); })) return false;
    ui->btSet->setEnabled(false);
    ShowMessageText(this, LanguageText(kWrittenText));
    done(QDialog::Accepted);
    return true;
}

void TFoConfigQT700V2::btExitClick() { done(QDialog::Accepted); }

// Every way out (Exit, the close box, Escape) offers unsaved changes for saving first.
void TFoConfigQT700V2::done(int result) {
    OfferSaveBeforeLeaving(this, ui->btSet, connectionBroken_, leaving_, kSaveQuestionText, kSaveQuestionHelp,
                           [this] { btSetClick(); });
    QDialog::done(result);
}

void ShowConfigQT700V2(QWidget *parent) {
    TFoConfigQT700V2 dialog(parent);
    dialog.exec();
}

} // namespace korvul
