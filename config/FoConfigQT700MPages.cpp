// The Inputs, Outputs and Memory size pages of TFoConfigQT700M.
#include "app/LangSupp.h"
#include "app/Settings.h"
#include "comm/CommState.h"
#include "comm/Connection.h"
#include "comm/Tcomm.h"
#include "config/FoConfigQT700M.h"
#include "config/QT700MDevice.h"
#include "main/MainMessages.h"
#include "ui_FoConfigQT700M.h"

#include <QApplication>
#include <algorithm>

using namespace korvul;

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
    comm.SetOptions(24);
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
    comm.SetOptions(26);
}
