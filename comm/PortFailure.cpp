#include "comm/PortFailure.h"

#include "base/LangSupp.h"
#include "comm/Connection.h"
#include "comm/CommClass.h"
#include "linedriver/OpenCause.h"
#include "linedriver/PortNames.h"
#include "linedriver/linqor32.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace korvul {

namespace {

constexpr uint16_t kTextNetConnect = 3170;     // port, reason
constexpr uint16_t kTextNoPermission = 3103;   // port, group, group
constexpr uint16_t kTextInUseBy = 3104;        // port, program, pid
constexpr uint16_t kTextInUse = 3105;          // port
constexpr uint16_t kTextNoDevice = 3106;       // port, ports present
constexpr uint16_t kTextNoPortsPresent = 3107;
constexpr uint16_t kTextNotTerminal = 3108;    // port
constexpr uint16_t kTextNoName = 3109;         // name
constexpr uint16_t kTextOtherCause = 3110;     // port, system text
constexpr uint16_t kTextFieldRefused = 3111;   // port, field number, field name, field text
constexpr uint16_t kTextSettingsRefused = 3112;  // port, INIT, system text
constexpr uint16_t kTextFieldNames = 3113;     // 3113 speed .. 3117 TO time-out
constexpr uint16_t kTextDisconnected = 3118;   // port
constexpr uint16_t kTextOwnerOnly = 3121;      // port, owner

// "COM3 (/dev/ttyUSB0)": the name and the device the driver opened, every link followed.
QString PortWithDevice(const QString &portName, const QString &device) {
    const QFileInfo info(device);
    QString shown = info.canonicalFilePath();  // empty when nothing is there
    if (shown.isEmpty()) shown = info.isSymLink() ? info.symLinkTarget() : device;
    return shown == portName ? portName : QStringLiteral("%1 (%2)").arg(portName, shown);
}

QString SystemText(int err) { return QString::fromLocal8Bit(std::strerror(err)); }

QString PortCauseText(const QString &portName, const linqor::OpenDiagnosis &d) {
    const QString port = PortWithDevice(portName, QFile::decodeName(d.device.c_str()));
    switch (d.cause) {
    case linqor::OpenCause::NoName: return LanguageFormat(kTextNoName, {portName});
    case linqor::OpenCause::NoPermission: {
        const QString group = QString::fromLocal8Bit(d.group.c_str());
        if (!d.groupMayUse) return LanguageFormat(kTextOwnerOnly, {port, QString::fromLocal8Bit(d.owner.c_str())});
        return LanguageFormat(kTextNoPermission, {port, group, group});
    }
    case linqor::OpenCause::InUse:
        if (d.holder.pid == 0) return LanguageFormat(kTextInUse, {port});
        return LanguageFormat(kTextInUseBy, {port, QString::fromLocal8Bit(d.holder.program.c_str()), d.holder.pid});
    case linqor::OpenCause::NoDevice: {
        QString present = PresentPortsProvider()();
        if (present.isEmpty()) present = LanguageText(kTextNoPortsPresent);
        return LanguageFormat(kTextNoDevice, {port, present});
    }
    case linqor::OpenCause::NotTerminal: return LanguageFormat(kTextNotTerminal, {port});
    case linqor::OpenCause::Other: break;
    }
    return LanguageFormat(kTextOtherCause, {port, SystemText(d.err)});
}

// Position (1-based) of the INIT piece a refused field came from: fields 1..4 by position, the
// time-out as its "TO..." piece; 0 when INIT has no such piece.
int InitPosition(const QString &init, int32_t stage) {
    if (stage >= osSpeed && stage <= osStopBits) return stage;
    const QStringList pieces = init.split(QLatin1Char(','));
    for (int i = 4; i < pieces.size(); ++i)
        if (pieces[i].startsWith(QLatin1String("TO"))) return i + 1;
    return 0;
}

} // namespace

std::function<QString()> &PresentPortsProvider() {
    static std::function<QString()> provider = [] { return QString(); };
    return provider;
}

QString PortOpenFailureText(const QString &portName, const QString &init, int32_t result, int32_t stage, int32_t err) {
    const std::string device = linqor::ResolvePortName(QFile::encodeName(portName).toStdString());
    const QString port = PortWithDevice(portName, QFile::decodeName(device.c_str()));
    if (result == deNetConnection) return LanguageFormat(kTextNetConnect, {portName, SystemText(err)});
    if (result == deOpenFailed || stage == osPort)
        return PortCauseText(portName, linqor::DiagnoseOpenFailure(device, err));
    if (stage >= osSpeed && stage <= osTimeout) {
        const int position = InitPosition(init, stage);
        return LanguageFormat(kTextFieldRefused, {port, position, LanguageText(uint16_t(kTextFieldNames + stage - 1)),
                                                  init.split(QLatin1Char(',')).value(position - 1)});
    }
    return LanguageFormat(kTextSettingsRefused, {port, init, SystemText(err != 0 ? err : result)});
}

// The port by its name only: its link may already be gone with the device.
QString PortDisconnectedText(const QString &portName) { return LanguageFormat(kTextDisconnected, {portName}); }

namespace {
std::string &OpenedDevice() {
    static std::string device;
    return device;
}
} // namespace

void NotePortOpened(const QString &portName) {
    const std::string path = linqor::ResolvePortName(QFile::encodeName(portName).toStdString());
    // Only a device that is there now can go away (a stand-in driver opens nothing).
    const bool present = !path.empty() && !linqor::HasScheme(path) && ::access(path.c_str(), F_OK) == 0;
    OpenedDevice() = present ? linqor::CanonicalPath(path) : std::string();
}

// The node of a hung-up pseudo-terminal or an unplugged adapter disappears with it.
bool OpenedPortVanished() {
    const std::string &device = OpenedDevice();
    return !device.empty() && ::access(device.c_str(), F_OK) != 0 && errno == ENOENT;
}

bool LinePortGone() { return CommObjectExists() && CommObject().PortGone(); }

QString ConnectionBrokenText(uint16_t fallback) {
    return LinePortGone() ? PortDisconnectedText(ConnectionPortName()) : LanguageText(fallback);
}

} // namespace korvul
