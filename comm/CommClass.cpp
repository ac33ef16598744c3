#include "comm/CommClass.h"

#include "base/Settings.h"
#include "base/Wait.h"
#include "comm/PortFailure.h"
#include "comm/CommState.h"
#include "comm/Oem.h"

#include <algorithm>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <chrono>
#include <cstring>
#include <thread>

namespace korvul {

// The hidden object that receives the connection events and hands them to its TCommClass.
class TCommMsgWindow : public QObject {
public:
    explicit TCommMsgWindow(TCommClass *owner) : owner_(owner) { setObjectName(QStringLiteral("MsgWindow")); }
    bool event(QEvent *e) override {
        if (e->type() == WM_COMM_STATUS || e->type() == WM_COMM_LOST || e->type() == WM_COMM_POLLDATA) {
            owner_->HandleMessage(e->type());
            return true;
        }
        return QObject::event(e);
    }
private:
    TCommClass *owner_;
};

namespace {

[[noreturn]] void RaiseError() { throw TCommClassException(QString::fromLatin1(kErrorText)); }

// Busy is held for exactly one driver call, also when the caller's stack unwinds.
struct BusyScope {
    explicit BusyScope(bool &flag) : flag_(flag) { flag_ = true; }
    ~BusyScope() { flag_ = false; }
    bool &flag_;
};

} // namespace

TCommClass::TCommClass(const QString &familyCode, QObject *parent)
    : QObject(parent), msgWindow_(std::make_unique<TCommMsgWindow>(this)) {
    const TDriverFamily family = DriverFamily(familyCode);
    LineDriverFile = QStringLiteral("linqor32.dll");
    ProtocolDriverFile = family.ProtocolDriverFile;
    Family = family.Family;
    connect(&timer_, &QTimer::timeout, this, &TCommClass::TimerTick);
}

std::unique_ptr<TCommClass> TCommClass::Create(const QString &familyCode) {
    auto object = std::make_unique<TCommClass>(familyCode);
    object->LoadDrivers();
    return object;
}

TCommClass::~TCommClass() {
    try {
        if (Connected()) Disconnect();
        if (state_ & csLineOpen) CloseLine();
    } catch (const std::exception &e) {
        ShowException(e);
    }
    UnloadDrivers();
}

void TCommClass::SetPortName(const QString &name) {
    if (Connected()) RaiseError();
    if (state_ & csLineOpen) CloseLine();
    portName_ = name;
}

void TCommClass::SetPortSettings(const QString &settings) {
    if (Connected()) RaiseError();
    if (state_ & csLineOpen) CloseLine();
    portSettings_ = settings;
}

void TCommClass::SetOptions(uint8_t options) {
    if (options & coPollTimer) StartTimerIfDue();
    else timer_.stop();
    options_ = options;
}

void TCommClass::StartTimerIfDue() {
    if (Connected() && Period != 0 && !timer_.isActive()) timer_.start(Period);
}

void TCommClass::SetConnected(bool connected) {
    if (!connected) Disconnect();
    else if (!Connected()) Connect();
}

int32_t TCommClass::Wrapped(DriverProcFn proc, uint8_t command, void *data, int32_t *arg3, int32_t *arg4) {
    if (Busy) return deBusy;  // re-entry from event processing inside a running driver call
    if (!proc) return deNotOpen;
    BusyScope busy(Busy);
    return proc(command, data, arg3, arg4);
}

int32_t TCommClass::CallLine(uint8_t command, void *data, int32_t *arg3, int32_t *arg4) {
    if (!(state_ & csLineOpen) && !Busy) OpenLine();
    return Wrapped(lineProc_, command, data, arg3, arg4);
}

int32_t TCommClass::CallProtocol(uint8_t command, void *data, int32_t *arg3, int32_t *arg4) {
    return Wrapped(protocolProc_, command, data, arg3, arg4);
}

int32_t TCommClass::LineDirect(uint8_t command, void *data, int32_t arg3, int32_t arg4) {
    if (!lineProc_) return deNotOpen;
    return lineProc_(command, data, &arg3, &arg4);
}

int32_t TCommClass::ProtocolDirect(uint8_t command, void *data, int32_t arg3, int32_t arg4) {
    if (!protocolProc_) return deNotOpen;
    return protocolProc_(command, data, &arg3, &arg4);
}

void TCommClass::LoadDrivers() {
    if (!lineHandle_) lineProc_ = LoadDriver(LineDriverFile, lineHandle_);
    if (!protocolHandle_) protocolProc_ = LoadDriver(ProtocolDriverFile, protocolHandle_);
    state_ |= csDriversLoaded;
}

void TCommClass::UnloadDrivers() {
    timer_.stop();
    FreeDriver(protocolHandle_);
    FreeDriver(lineHandle_);
    protocolHandle_ = lineHandle_ = nullptr;
    protocolProc_ = lineProc_ = nullptr;
    // Without its libraries no line can be open and no device connected.
    state_ &= static_cast<uint8_t>(~(csDriversLoaded | csLineOpen | csConnected));
}

void TCommClass::OpenLine() {
    if (portName_.isEmpty() || portSettings_.isEmpty()) RaiseError();
    if (!(state_ & csDriversLoaded)) LoadDrivers();
    int32_t r = LineDirect(dpReset, nullptr, 0, 0);
    if (r != 0) RaiseError();
    char text[256] = {};
    const QByteArray open = (portName_ + QLatin1Char(':') + portSettings_).toUtf8();
    std::memcpy(text, open.constData(), std::min<size_t>(open.size(), sizeof text - 1));
    portGone_ = false;
    int32_t stage = 0, err = 0;  // where and why an open failed (linqor32.h)
    r = lineProc_(dpOpen, text, &stage, &err);
    if (r != 0)
        throw TPortOpenFailure(PortOpenFailureText(portName_, portSettings_, r, stage, err), r != deOpenFailed && stage != osPort);
    NotePortOpened(portName_);
    BindDrivers();
    state_ |= csLineOpen;
}

// Protocol reset, version and bind, each only after the previous one succeeded.
void TCommClass::BindDrivers() {
    int32_t r = ProtocolDirect(dpReset, nullptr, 0, 0);
    if (r == 0) r = ProtocolDirect(dpVersion, nullptr, 0, 0);
    if (r == 0) r = ProtocolDirect(dpBind, reinterpret_cast<void *>(lineProc_), 0, 0);
    if (r != 0) RaiseError();
}

bool TCommClass::PortGone() {
    if (!portGone_) portGone_ = OpenedPortVanished();
    return portGone_;
}

void TCommClass::CloseLine() {
    if (protocolProc_) {
        ProtocolDirect(dpClose, nullptr, 0, 0);
        ProtocolDirect(dpRelease, nullptr, 0, 0);
        ProtocolDirect(dpStop, nullptr, 0, 0);
    }
    if (lineProc_) {
        LineDirect(dpClose, nullptr, 0, 0);
        LineDirect(dpStop, nullptr, 0, 0);
    }
    state_ &= static_cast<uint8_t>(~csLineOpen);
}

void TCommClass::Connect() {
    if (!(state_ & csLineOpen)) OpenLine();
    SleepMs(1000);
    char text[256] = {};
    int32_t r = ProtocolDirect(dpOpen, text, 0, 0);
    if (Family == fmQT) SleepMs(1000);
    const TSettings &s = Settings();
    if (r == 0 && !(s.VIAMODEM && s.GX500)) {
        if (!s.CLM300) r = Poll(LastStatus);
        if (r == 0 && OnStatus) OnStatus(this);
    }
    if (r != 0) RaiseError();
    state_ |= csConnected;
    if (options_ & coPollTimer) StartTimerIfDue();
}

void TCommClass::Disconnect() {
    timer_.stop();
    if (protocolProc_) {
        // A running call can only be an outer frame of this thread; give it up to 5000 ms anyway.
        QDeadlineTimer deadline(ScaledMs(5000));
        while (Busy && !deadline.hasExpired()) {
            ProcessMessages();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        ProtocolDirect(dpClose, nullptr, 0, 0);
    }
    state_ &= static_cast<uint8_t>(~csConnected);
    if (protocolProc_) WaitMs(500);
    if (options_ & (coCloseLine | coUnloadDrivers)) CloseLine();
    if (options_ & coUnloadDrivers) UnloadDrivers();
}

// Purge, wake-up bytes (one STX for a GX500 modem, else three), purge.
void TCommClass::PollWakeUp() {
    int32_t both = 3, none = 0, count = 0;
    CallLine(dpPurge, nullptr, &both, &none);
    const TSettings &s = Settings();
    char wake[3] = {0x02, 0x02, 0x02};
    count = (s.VIAMODEM && s.GX500) ? 1 : 3;
    int32_t written = 0;
    CallLine(dpWrite, wake, &count, &written);
    both = 3;
    none = 0;
    CallLine(dpPurge, nullptr, &both, &none);
}

int32_t TCommClass::Poll(uint8_t &status) {
    status = 0;
    char buffer[256] = {};
    const int32_t length = 0;
    int32_t item = 0;
    if (Family == fmOptical) std::strcpy(buffer, "1:170.0(1)");
    else if (Family == fmXW) std::strcpy(buffer, "L4");
    else if (Family == fmQT) {
        // The answer is the 12-character device clock; its length goes to the driver as unknown (0),
        // because a driver that honours a smaller expected length would cut the clock short.
        PollWakeUp();
        item = PollItem;
    }
    const int32_t r = ProtocolDirect(dpRead, buffer, length, item);
    buffer[sizeof buffer - 1] = 0;
    if (r == 0 && Family == fmXW) status = std::strstr(buffer, ".30") ? 1 : 2;
    if (Family == fmQT) {
        PollText = FromDeviceText(QByteArray(buffer));
        TCommEvent event(WM_COMM_POLLDATA, 0);
        QCoreApplication::sendEvent(msgWindow_.get(), &event);
    }
    return r;
}

void TCommClass::TimerTick() {
    if (Busy || !Connected()) return;  // a running call keeps the line; this turn is skipped
    uint8_t s = 0;
    int32_t r;
    try {
        r = Poll(s);
    } catch (const std::exception &) {
        r = deNotOpen;  // the line could not be reached at all
    }
    if (r == 0 && (options_ & coReportStatus) && (LastStatus == 0 || LastStatus != s)) {
        LastStatus = s;
        QCoreApplication::postEvent(msgWindow_.get(), new TCommEvent(WM_COMM_STATUS, LastStatus));
    }
    if (r != 0) {
        timer_.stop();  // one lost report per connection; the handler disconnects
        QCoreApplication::postEvent(msgWindow_.get(), new TCommEvent(WM_COMM_LOST, 0));
    }
}

void TCommClass::RunEvent(const TCommEventHandler &handler) {
    if (!handler) return;
    try {
        handler(this);
    } catch (const std::exception &e) {
        ShowException(e);
    } catch (...) {
        ShowException(std::runtime_error("unknown exception in a connection event"));
    }
}

void TCommClass::HandleMessage(QEvent::Type type) {
    if (type == WM_COMM_STATUS) return RunEvent(OnStatus);
    if (type == WM_COMM_POLLDATA) return RunEvent(OnPollData);
    if (!Connected()) return;  // a lost report that arrives after a disconnect is stale
    try {
        Disconnect();
    } catch (const std::exception &e) {
        ShowException(e);
    }
    RunEvent(OnConnectionLost);
}

// --- the program's one object ---

namespace {
std::unique_ptr<TCommClass> &ProgramObject() {
    static std::unique_ptr<TCommClass> object;
    return object;
}
TCommClass *g_testObject = nullptr;
} // namespace

QString CreateCommObject() {
    ProgramObject() = std::make_unique<TCommClass>(QStringLiteral("QT"));
    try {
        ProgramObject()->LoadDrivers();
    } catch (const TCommClassException &e) {
        return e.Message();
    }
    return QString();
}

void FreeCommObject() { ProgramObject().reset(); }

bool CommObjectExists() { return g_testObject || ProgramObject(); }

TCommClass &CommObject() {
    if (g_testObject) return *g_testObject;
    if (!ProgramObject()) throw std::logic_error("CommObject used before CreateCommObject or after FreeCommObject");
    return *ProgramObject();
}

void SetCommObjectForTests(TCommClass *object) { g_testObject = object; }

} // namespace korvul
