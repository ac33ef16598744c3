#pragma once
// TCommClass: the one object through which the program talks to a device. It owns the line driver and
// one protocol driver library, opens and closes the line, signs on to and off from the device, polls it
// periodically and reports a lost connection and new poll answers through events to a hidden object.
//
// Threading and re-entry: every member is called from the user-interface thread only. Driver calls
// block that thread; the only way back into the program during a driver call is the event processing
// that a line-driver abort callback may do. Busy marks a running wrapper call (CallLine/CallProtocol):
//  - a wrapper call that finds Busy set is such a re-entry; waiting for the outer call could never end,
//    so it returns deBusy (-20) at once without calling the driver, as the line driver itself does;
//  - TimerTick skips its turn while Busy is set;
//  - Disconnect gives a running call up to 5000 ms (processing events), then signs off regardless.
// The object's own open, close, connect, disconnect and poll steps call the drivers directly.
#include "comm/Drivers.h"

#include <QEvent>
#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>

namespace korvul {

// Events posted or sent to the hidden message object (the numbers of the window messages they replace).
inline const QEvent::Type WM_COMM_STATUS = QEvent::Type(1124);    // posted; Param = new status
inline const QEvent::Type WM_COMM_LOST = QEvent::Type(1125);      // posted
inline const QEvent::Type WM_COMM_POLLDATA = QEvent::Type(1126);  // sent synchronously

class TCommEvent : public QEvent {
public:
    TCommEvent(QEvent::Type type, int param) : QEvent(type), Param(param) {}
    int Param;
};

// Options bits
enum : uint8_t { coPollTimer = 2, coReportStatus = 4, coCloseLine = 8, coUnloadDrivers = 16 };
// The two settings the windows switch between: the poll stopped while a window talks to the device
// (24), and running again afterwards (26). Both close the line and unload the drivers at the end.
enum : uint8_t { coPollOff = coCloseLine | coUnloadDrivers, coPollOn = coPollOff | coPollTimer };
// State bits
enum : uint8_t { csDriversLoaded = 1, csLineOpen = 2, csConnected = 4 };
// Family numbers
enum : uint8_t { fmOptical = 1, fmXW = 2, fmQT = 4 };

class TCommClass : public QObject {
    Q_OBJECT
public:
    using TCommEventHandler = std::function<void(TCommClass *sender)>;

    // Sets the driver files and Family from the family code; loads nothing (see Create).
    explicit TCommClass(const QString &familyCode, QObject *parent = nullptr);
    // Constructor followed by LoadDrivers; a load failure raises and leaves no object behind.
    static std::unique_ptr<TCommClass> Create(const QString &familyCode);
    // Disconnect if connected, CloseLine if the line is open, UnloadDrivers.
    ~TCommClass() override;

    QString LineDriverFile;
    QString ProtocolDriverFile;
    uint8_t Family = fmOptical;
    uint16_t Period = 0;       // poll period in ms; takes effect when a timer is next started
    bool Busy = false;
    uint8_t LastStatus = 0;
    QString PollText;          // answer of the last QT-family poll
    TCommEventHandler OnConnectionLost, OnStatus, OnPollData;

    QString PortName() const { return portName_; }
    // True once the device of the port the line was opened on has disappeared (an unplugged adapter,
    // a pseudo-terminal whose other end closed; see comm/PortFailure.h); cleared by the next open.
    bool PortGone();
    QString PortSettings() const { return portSettings_; }
    // Raise TCommClassException "ERROR" while connected; close an open line first.
    void SetPortName(const QString &name);
    void SetPortSettings(const QString &settings);

    uint8_t Options() const { return options_; }
    // With bit 2: starts the poll timer when connected, Period is not 0 and none runs; without: stops it.
    void SetOptions(uint8_t options);
    uint8_t State() const { return state_; }
    bool Connected() const { return state_ & csConnected; }
    // true: Connect unless connected; false: Disconnect.
    void SetConnected(bool connected);
    uint16_t TimerId() const { return timer_.isActive() ? 1 : 0; }
    QObject *MsgWindow() const { return msgWindow_.get(); }

    void *LineHandle() const { return lineHandle_; }
    void *ProtocolHandle() const { return protocolHandle_; }
    DriverProcFn LineProc() const { return lineProc_; }
    DriverProcFn ProtocolProc() const { return protocolProc_; }

    // The only way the rest of the program reaches a driver. CallLine opens the line first when needed
    // (which may raise). Both return deBusy on re-entry (see above).
    int32_t CallLine(uint8_t command, void *data, int32_t *arg3, int32_t *arg4);
    int32_t CallProtocol(uint8_t command, void *data, int32_t *arg3, int32_t *arg4);

    void LoadDrivers();
    void UnloadDrivers();
    // Loads the drivers if needed, opens the port and binds the protocol driver to the line driver.
    // Raises "ERROR" on an empty port name or settings or any failed step; the line-open bit stays clear.
    void OpenLine();
    void CloseLine();

    // Sign on (waits 1000 ms before, and 1000 ms more for the QT family), first poll; raises "ERROR".
    void Connect();
    // Stops polling, signs off, and closes or unloads as Options say.
    void Disconnect();
    // One poll of the device: 0 or the protocol driver's result; Status 1/2 from an XW answer, else 0.
    int32_t Poll(uint8_t &status);
    // The poll timer's routine.
    void TimerTick();

private:
    friend class TCommMsgWindow;
    void HandleMessage(QEvent::Type type);
    void RunEvent(const TCommEventHandler &handler);
    void StartTimerIfDue();
    int32_t Wrapped(DriverProcFn proc, uint8_t command, void *data, int32_t *arg3, int32_t *arg4);
    int32_t ProtocolDirect(uint8_t command, void *data, int32_t arg3, int32_t arg4);
    int32_t LineDirect(uint8_t command, void *data, int32_t arg3, int32_t arg4);
    void BindDrivers();
    void PollWakeUp();

    QString portName_, portSettings_;
    uint8_t options_ = 0;
    uint8_t state_ = 0;
    bool portGone_ = false;  // the opened port's device was found gone
    void *lineHandle_ = nullptr;
    void *protocolHandle_ = nullptr;
    DriverProcFn lineProc_ = nullptr;
    DriverProcFn protocolProc_ = nullptr;
    QTimer timer_;
    std::unique_ptr<QObject> msgWindow_;
};

// The program's one communication object, family "QT". CreateCommObject makes it at start-up and tries
// to load the drivers: a missing driver does not stop the program (the next connection attempt reports
// it); the load error text is returned (empty on success). FreeCommObject disconnects, closes the line
// and frees the libraries at exit.
QString CreateCommObject();
void FreeCommObject();
bool CommObjectExists();
// The object; raises std::logic_error before CreateCommObject or after FreeCommObject.
TCommClass &CommObject();
// Tests use their own object as CommObject (nullptr puts the program's own back).
void SetCommObjectForTests(TCommClass *object);

} // namespace korvul
