#include "comm/Connection.h"

#include "base/Settings.h"
#include "base/Wait.h"
#include "comm/CommState.h"
#include "comm/DeviceTypes.h"
#include "comm/Items.h"
#include "comm/CommClass.h"

#include <algorithm>
#include <cstring>

namespace korvul {

namespace {

// Set by a run that names its port on the command line; never saved.
QString &PortNameOverride() {
    static QString name;
    return name;
}

bool ModuleWindowOpen() { return CommUiHooks().ModuleWindowOpen && CommUiHooks().ModuleWindowOpen(); }

void SetBusyCursor(bool busy) {
    if (CommUiHooks().SetBusyCursor) CommUiHooks().SetBusyCursor(busy);
}

// Modem reset and mode commands from the settings, then dialing with the dialing window shown.
void DialThroughModem(const TSettings &s) {
    const TModemRoutines &modem = ModemRoutines();
    if (!modem.Init || !modem.Dial) throw TModemUnavailable();
    const QString mode = s.RLBMODE ? s.RELIABLE : s.NORMAL;
    modem.Init(QStringLiteral("AT") + s.RESET_STRING, mode.isEmpty() ? QString() : QStringLiteral("AT") + mode);
    const QString number = s.Ph[0];
    if (CommUiHooks().ShowDialing) CommUiHooks().ShowDialing(number);
    ProcessMessages();
    try {
        modem.Dial(s.PREFIX, number, s.DIAL_TIMEOUT);
        SleepMs(2000);
    } catch (...) {
        if (CommUiHooks().CloseDialing) CommUiHooks().CloseDialing();
        throw;
    }
    if (CommUiHooks().CloseDialing) CommUiHooks().CloseDialing();
}

int32_t LineWrite(const char *bytes, int32_t count) {
    int32_t written = 0;
    return CommObject().CallLine(dpWrite, const_cast<char *>(bytes), &count, &written);
}

// Up to three password dialogs; true when the module accepted one.
bool SendHeadquarterPassword() {
    static const char wakeUp[10] = {4, 4, 4, 4, 4, 2, 2, 2, 2, 2};
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (!CommUiHooks().AskPassword) return false;
        const std::optional<QString> password = CommUiHooks().AskPassword();
        if (!password) return false;
        if (CommUiHooks().RepaintMainWindow) CommUiHooks().RepaintMainWindow();
        LineWrite(wakeUp, sizeof wakeUp);
        if (WriteProtectedItem('A', *password) == 0) {
            if (password->startsWith(QLatin1Char('1'))) HQFlag = true;
            return true;
        }
    }
    return false;
}

void PreparePort(const TSettings &s) {
    TCommClass &comm = CommObject();
    comm.SetConnected(false);
    comm.SetPortName(ConnectionPortName());
    comm.SetPortSettings(s.INIT);
    if (s.VIAMODEM) DialThroughModem(s);
}

} // namespace

void SetPortNameForRun(const QString &name) { PortNameOverride() = name; }

QString ConnectionPortName() {
    if (!PortNameOverride().isEmpty()) return PortNameOverride();
    return QStringLiteral("COM%1").arg(Settings().COM);
}

bool ConnectDevice() {
    CancelRequested = false;
    const TSettings &s = Settings();
    TCommClass &comm = CommObject();
    const bool moduleOpen = ModuleWindowOpen();
    if (!moduleOpen) PreparePort(s);
    SetBusyCursor(true);
    ProcessMessages();
    struct CursorBack { ~CursorBack() { SetBusyCursor(false); } } cursorBack;
    comm.Period = 0;
    comm.SetOptions(coPollOff);
    int32_t param = spTimeout, timeout = s.TIMEOUT;
    comm.CallLine(dpSetParam, nullptr, &param, &timeout);
    if (!comm.Connected()) comm.SetConnected(true);
    else LineWrite("\x02", 1);
    if (s.CLM300 && !moduleOpen) {
        if (!s.VIAMODEM) {
            comm.Period = 0;
            comm.SetOptions(16);
            return true;
        }
        if (!SendHeadquarterPassword()) return false;
    } else {
        comm.Period = static_cast<uint16_t>(std::clamp(s.CHECKTIME, 0, 65535));
        comm.SetOptions(coPollOn);
    }
    QString ident;
    ReadItem('a', ident);
    DeviceInfo().IdentText = ident;
    DeviceInfo().WriteAccess = false;
    IdentNumber(ident);  // a non-numeric identification ends the attempt with a plain message
    return true;
}

bool SelectChannelByReconnect(uint16_t channel) {
    TCommClass &comm = CommObject();
    if (!comm.Connected()) return false;
    auto signOffOn = [&comm] {
        int32_t arg3 = 100, arg4 = 0;
        comm.CallProtocol(dpClose, nullptr, &arg3, &arg4);
        SleepMs(2000);
        arg3 = arg4 = 0;
        comm.CallProtocol(dpOpen, nullptr, &arg3, &arg4);
    };
    if (DeviceInfo().TypeCode == 12) {
        signOffOn();
        return false;
    }
    const QChar wanted = QString::number(channel).at(0);
    for (int attempt = 0; attempt < 8; ++attempt) {
        ProcessMessages();
        const QString answer = ReadChannelItem();
        if (answer.size() >= 2 && answer[1] == wanted) {
            if (CommUiHooks().SelectChannelTab) CommUiHooks().SelectChannelTab(channel);
            return true;
        }
        signOffOn();
    }
    return false;
}

bool SelectChannelByCommand(uint16_t channel) {
    TCommClass &comm = CommObject();
    if (!comm.Connected()) return false;
    WriteItemOrRaise(61, "0001");
    WriteItemOrRaise(62, QStringLiteral("%1").arg(channel, 2, 10, QLatin1Char('0')).toLatin1());
    DisconnectDevice();
    comm.SetOptions(coPollOn);
    comm.Period = static_cast<uint16_t>(std::clamp(Settings().CHECKTIME, 0, 65535));
    comm.SetConnected(true);
    WriteItemOrRaise(61, "0001");
    QString value;
    ReadItem(60, value, 2);
    bool ok = false;
    const int active = value.trimmed().toInt(&ok, 10);
    return ok && active == channel;
}

bool SelectChannel(uint16_t channel) {
    const int type = DeviceInfo().TypeCode;
    if (type == 24 || type == 42) return SelectChannelByCommand(channel);
    return SelectChannelByReconnect(channel);
}

void DisconnectDevice() {
    TCommClass &comm = CommObject();
    comm.SetOptions(0);
    comm.SetConnected(false);
}

void DisconnectDeviceAndModem() {
    if (Settings().VIAMODEM && ModemState == 3) {
        DisconnectDevice();
        if (ModemRoutines().HangUp) ModemRoutines().HangUp();
    }
    TCommClass &comm = CommObject();
    comm.SetOptions(coPollOff);
    comm.SetConnected(false);
}

} // namespace korvul
