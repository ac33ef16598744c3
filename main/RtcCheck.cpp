#include "main/RtcCheck.h"

#include "base/LangSupp.h"
#include "base/Settings.h"
#include "base/Wait.h"
#include "comm/PortFailure.h"
#include "comm/CommState.h"
#include "comm/DeviceTypes.h"
#include "comm/Drivers.h"
#include "ui/FormMeldung.h"
#include "comm/Items.h"
#include "comm/CommClass.h"
#include "ui/FoInput.h"
#include "main/ClockActions.h"
#include "comm/DeviceFailure.h"
#include "main/FormMain.h"
#include "ui/MainMessages.h"
#include "ui/MainState.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <memory>

namespace korvul {

namespace {

constexpr uint16_t kTestingText = 1442, kCorrectedText = 1443, kRefusedText = 1444, kPeriodText = 1445;
constexpr uint16_t kCancelledText = 3014, kRefusalText = 2210, kBrokenText = 2207;
constexpr uint8_t kAccessItem = 99, kCorrectionWrite = 'B', kCorrectionRead = 'A';
constexpr int kLineTimeoutMs = 200, kTestRunMs = 5000, kStopWaitMs = 2000, kTimedOut = -13;

bool MicroSeconds() { return DeviceInfo().TypeCode == 94; }
QString Unit() { return MicroSeconds() ? QStringLiteral(" [us]") : QStringLiteral(" [ms]"); }

void SetLineTimeout(int ms) {
    int32_t param = 1, value = ms;
    CommObject().CallLine(dpSetParam, nullptr, &param, &value);
}

void Raise(int32_t result) { throw TCommClassException::Result(result); }

void WriteRaw(const QByteArray &bytes, bool timeOutAccepted = false) {
    int32_t count = static_cast<int32_t>(bytes.size()), written = 0;
    const int32_t r = CommObject().CallLine(dpWrite, const_cast<char *>(bytes.constData()), &count, &written);
    if (r != 0 && !(timeOutAccepted && r == kTimedOut)) Raise(r);
}

void WriteAccessCode() {
    QByteArray code = Settings().ACCESSCODE.toLatin1().left(8);
    code.append(QByteArray(8 - code.size(), '\0'));
    WriteItemOrRaise(kAccessItem, code);
}

// Steps 2 to 6: the device's clock test runs for 5 s.
void StartClockTest() {
    if (!MicroSeconds()) WriteAccessCode();
    SetLineTimeout(kLineTimeoutMs);
    CommObject().SetOptions(coPollOff);
    WriteRaw(QByteArrayLiteral("!}"));
    char byte = 0;
    int32_t wanted = 1, received = 0;
    const int32_t r = CommObject().CallLine(dpRead, &byte, &wanted, &received);
    if (r != 0 && r != kTimedOut) Raise(r);
    const QByteArray answer = received == 1 ? QByteArray(1, byte) : QByteArray();
    if (!answer.contains('}')) throw TCommClassException(QString::fromLatin1(answer));
    WriteRaw(QByteArrayLiteral("00%60\r\n"));
    WaitMs(kTestRunMs);
}

void StopClockTest() {
    WriteRaw(QByteArrayLiteral("0"), true);
    SleepMs(kStopWaitMs);
    WriteRaw(QByteArray(1, '\x02'));
}

// Steps 9 and 10: the text to show afterwards.
QString FinishClockTest(bool accepted, const QString &entered) {
    TStrList scratch;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    std::shared_ptr<void> restore(nullptr, [](void *) { QApplication::restoreOverrideCursor(); });
    StopClockTest();
    const std::optional<int64_t> period = ParseMeasuredPeriod(entered);
    // A text that is no period counts as Cancel: the correction goes to 0 rather than to a guess.
    if (!accepted || !period) {
        WriteItem(kCorrectionWrite, QStringLiteral("\x14"), QStringLiteral("00000000"), scratch);
        return LanguageText(kCancelledText);
    }
    WriteAccessCode();
    const int32_t result = WriteItem(kCorrectionWrite, QStringLiteral("\x14"), RtcCorrectionText(*period), scratch);
    QString readBack;
    ReadItem(kCorrectionRead, readBack);
    if (result > 0) return LanguageText(kRefusedText);
    return LanguageFormat(kCorrectedText, {RtcReadBackValue(readBack)}) + Unit();
}

// The stay-on-top notice goes once the clock test runs: it would cover the period entry.
QString RunSteps(QWidget *mainWindow, std::unique_ptr<TFormMeldung> &notice) {
    StartClockTest();
    notice.reset();
    SetLineTimeout(Settings().TIMEOUT);
    TfoInput input(mainWindow);
    input.setWindowTitle(LanguageText(TfoInput::kRtcCaptionText));
    input.ShowPeriodEntry(true);
    input.SetPrompt(LanguageText(kPeriodText) + Unit());
    input.mePeriod()->setText(QStringLiteral("1000.0000"));
    input.mePeriod()->setFocus();
    const bool accepted = input.exec() == QDialog::Accepted;
    return FinishClockTest(accepted, input.mePeriod()->text());
}

} // namespace

void RunRtcTest(QWidget *mainWindow) {
    if (OperationActive) return;
    OperationActive = true;
    mainWindow->setEnabled(false);
    auto notice = std::make_unique<TFormMeldung>(mainWindow);
    notice->SetText(LanguageText(kTestingText));
    notice->ShowCentredOn(mainWindow);
    QCoreApplication::processEvents();
    QString shown;
    bool broken = false;
    try {
        shown = RunSteps(mainWindow, notice);
    } catch (const TCommClassException &e) {
        broken = ClassifyDeviceFailure(e) != TDeviceFailure::DeviceRefusal;
        shown = broken ? ConnectionBrokenText(kBrokenText) : LanguageText(kRefusalText);
    }
    notice.reset();
    mainWindow->setEnabled(true);
    mainWindow->setFocus();
    if (CommObjectExists()) SetLineTimeout(Settings().TIMEOUT);
    OperationActive = false;
    if (broken) {
        ShowMessageText(mainWindow, shown);
        if (FormMain()) FormMain()->DisconnectSequence();
        return;
    }
    if (CommObject().Connected()) CommObject().SetOptions(coPollOn);
    ShowMessageText(mainWindow, shown);
}

} // namespace korvul
