#include "comm/Modem.h"

#include "base/LangSupp.h"
#include "base/Settings.h"
#include "base/Wait.h"
#include "comm/CommState.h"
#include "comm/CommClass.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <thread>

namespace korvul {

namespace {

constexpr uint16_t kTextNoOk = 2202;
constexpr uint16_t kTextNoNumber = 2203;
constexpr uint16_t kTextNoAnswer = 2204;
constexpr uint16_t kTextNoConnect = 2205;
constexpr uint16_t kTextReadError = 2206;
constexpr uint16_t kTextBusy = 2208;
constexpr uint16_t kTextCancelled = 2209;

constexpr int kCommandAnswerMs = 3000;   // per line while waiting for OK
constexpr int kSettleMs = 500;           // after a command or the dial command
constexpr int kGuardBeforeEscapeMs = 1500;
constexpr int kEscapeAnswerMs = 2500;    // the whole wait for OK after "+++"
constexpr int kEscapeLineMs = 1500;
constexpr int kMaxLine = 254;

[[noreturn]] void Raise(uint16_t text) { throw TModemError(text, LanguageText(text)); }
[[noreturn]] void RaiseWithCode(uint16_t text, int32_t code) {
    throw TModemError(text, LanguageFormat(text, {code}));
}

int32_t SetParam(int32_t parameter, int32_t value, void *data = nullptr) {
    return CommObject().CallLine(dpSetParam, data, &parameter, &value);
}

void InstallAbortCheck() { SetParam(spAbortCheck, 0, reinterpret_cast<void *>(&ModemAbortCheck)); }
void RemoveAbortCheck() { SetParam(spAbortCheck, 0, nullptr); }

void Send(const QByteArray &bytes) {
    int32_t count = static_cast<int32_t>(bytes.size()), written = 0;
    CommObject().CallLine(dpWrite, const_cast<char *>(bytes.constData()), &count, &written);
}

void Purge() {
    int32_t flags = 3, unused = 0;
    CommObject().CallLine(dpPurge, nullptr, &flags, &unused);
}

int32_t InQueue() {
    int32_t a3 = 0, a4 = 0;
    return CommObject().CallLine(dpInQueue, nullptr, &a3, &a4);
}

// The modem reads set the line's receive time-out up to the whole dial time. Whatever way a modem
// routine ends, the line gets the normal time-out (TIMEOUT) back: otherwise the sign-off after a
// failed call would wait the dial time for every retry, minutes with the default of 90 s.
struct TRestoreLineTimeout {
    TRestoreLineTimeout() = default;
    TRestoreLineTimeout(const TRestoreLineTimeout &) = delete;
    TRestoreLineTimeout &operator=(const TRestoreLineTimeout &) = delete;
    ~TRestoreLineTimeout() {
        try {
            SetParam(spTimeout, Settings().TIMEOUT);
        } catch (...) {  // the line could not be opened: there is nothing to restore
        }
    }
};

// One short step of an event-processing wait; never a busy spin.
void WaitStep() {
    if (!QCoreApplication::instance()) return std::this_thread::sleep_for(std::chrono::milliseconds(10));
    QEventLoop loop;
    QTimer::singleShot(10, &loop, &QEventLoop::quit);
    loop.exec();
}

// Reads lines until one starts with "OK"; the echo and other lines in between are skipped.
void AwaitOk() {
    for (;;) {
        QString line;
        const int32_t r = ModemReadLine(line, kCommandAnswerMs);
        if (r != 0) RaiseWithCode(kTextNoOk, r);
        if (line.left(2).compare(QLatin1String("OK"), Qt::CaseInsensitive) == 0) return;
    }
}

void SendCommand(const QString &command) {
    Send(command.toLatin1() + '\r');
    AwaitOk();
}

[[noreturn]] void CancelDial() {
    ModemHangUp();
    CancelRequested = false;
    Raise(kTextCancelled);
}

// Waits for the first answer byte; false when the dial time passed without one.
bool AwaitAnswer(int dialTimeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < dialTimeoutMs) {
        if (InQueue() != 0) return true;
        ProcessMessages();
        if (CancelRequested) CancelDial();
        WaitStep();
    }
    return InQueue() != 0;
}

// A dial result line; Cancel and read errors end the call (the modem may still be dialling).
QString ReadDialLine(int timeoutMs) {
    QString line;
    const int32_t r = ModemReadLine(line, timeoutMs);
    if (CancelRequested) CancelDial();
    if (r != 0) {
        ModemHangUp();
        RaiseWithCode(kTextReadError, r);
    }
    return line;
}

} // namespace

extern "C" int32_t ModemAbortCheck(void) {
    ProcessMessages();
    return CancelRequested ? 1 : 0;
}

int32_t ModemReadLine(QString &line, int timeoutMs) {
    InstallAbortCheck();
    SetParam(spTimeout, timeoutMs);
    QByteArray kept;
    while (kept.size() < kMaxLine) {
        ProcessMessages();
        char byte = 0;
        int32_t wanted = 1, received = 0;
        const int32_t r = CommObject().CallLine(dpRead, &byte, &wanted, &received);
        if (r != 0) return r;
        if (received != 1) return deTimeout;
        const auto b = static_cast<uint8_t>(byte);
        if (b == '\r' && !kept.isEmpty()) break;
        if (b >= 32) kept += byte;
    }
    line = QString::fromLatin1(kept);
    return 0;
}

void ModemInit(const QString &resetCommand, const QString &modeCommand) {
    TRestoreLineTimeout restore;
    InstallAbortCheck();
    if (!resetCommand.isEmpty()) SendCommand(resetCommand);
    WaitMs(kSettleMs);
    Purge();
    if (!modeCommand.isEmpty()) SendCommand(modeCommand);
    ModemState = 1;
}

void ModemDial(const QString &prefix, const QString &number, int dialTimeoutSeconds) {
    // "ATD" without a number takes the modem off-hook without calling anyone.
    if (number.trimmed().isEmpty()) Raise(kTextNoNumber);
    TRestoreLineTimeout restore;
    Purge();
    ModemState = 2;
    Send(QStringLiteral("ATD%1%2\r\n").arg(prefix, number).toLatin1());
    WaitMs(kSettleMs);
    const int dialTimeoutMs = qMax(0, dialTimeoutSeconds) * 1000;
    if (!AwaitAnswer(dialTimeoutMs)) {
        ModemHangUp();
        Raise(kTextNoAnswer);
    }
    QString line = ReadDialLine(kCommandAnswerMs);
    if (line.contains(QLatin1String("ATD"))) line = ReadDialLine(dialTimeoutMs);
    if (line.left(7).toUpper() != QLatin1String("CONNECT")) {
        Raise(line.left(4).toUpper() == QLatin1String("BUSY") ? kTextBusy : kTextNoConnect);
    }
    ModemState = 3;
    RemoveAbortCheck();
}

void ModemHangUp() {
    if (ModemState == 2) {
        Send("ATH\r");
    } else if (ModemState == 3) {
        TRestoreLineTimeout restore;
        WaitMs(kGuardBeforeEscapeMs);
        Send("+++");
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < kEscapeAnswerMs) {
            QString line;
            const int32_t r = ModemReadLine(line, kEscapeLineMs);
            if (r == 0 && (line == QLatin1String("OK") || line == QLatin1String("0"))) break;
            if (r != 0 && r != deTimeout) break;  // aborted or a dead line: no answer will come
        }
        Send("ATH\r");
    } else {
        return;
    }
    ModemState = 0;
}

QString HeadquarterPassword(const QString &headQuarter, const QString &typed) {
    return (headQuarter.left(1) + typed).leftJustified(9, QLatin1Char(' '), true);
}

void InstallModemRoutines() {
    TModemRoutines &routines = ModemRoutines();
    routines.Init = ModemInit;
    routines.Dial = ModemDial;
    routines.HangUp = ModemHangUp;
}

} // namespace korvul
