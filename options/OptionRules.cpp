#include "options/OptionRules.h"

#include "base/Paths.h"
#include "linedriver/PortNames.h"
#include "base/NetworkPortName.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace korvul {

const QStringList &ReadoutModeKeywords() {
    static const QStringList keywords{"bom", "codemark", "complete", "dump"};
    return keywords;
}

int ReadoutModeIndex(const QString &mode) { return ReadoutModeKeywords().indexOf(mode); }

int CodeMarkMinimum(int modeIndex) { return modeIndex == kModeCodeMark ? 1 : 0; }

int ChannelModeIndex(const QString &channelMode) { return channelMode == QLatin1String("all") ? 1 : 0; }

QString ChannelModeKeyword(int index) { return index == 1 ? QStringLiteral("all") : QStringLiteral("current"); }

bool CreateDirectoryPath(const QString &path) {
    if (path.trimmed().isEmpty()) return false;
    return QDir().mkpath(path) && QFileInfo(path).isDir();
}

QString ListedPortName(const QString &enumerated) {
    return enumerated.startsWith(QLatin1String("COM")) ? enumerated.left(4) : QString();
}

int PortDigit(const QString &portName) {
    return portName.size() >= 4 && portName[3].isDigit() ? portName[3].digitValue() : -1;
}

QString ResolvePortDevice(const QString &name) {
    const QString path = QFile::decodeName(linqor::ResolvePortName(QFile::encodeName(name).toStdString()).c_str());
    if (const QString url = NetworkPortEntry(path); !url.isEmpty()) return url;
    const QFileInfo link(path);
    return link.isSymLink() ? link.symLinkTarget() : path;
}

TPortProbe ProbePortDevice(const QString &device) {
    const QByteArray path = QFile::encodeName(device);
    const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return (errno == EBUSY || errno == EACCES || errno == EWOULDBLOCK) ? TPortProbe::Busy
                                                                                   : TPortProbe::Unusable;
    TPortProbe result = isatty(fd) ? TPortProbe::Free : TPortProbe::Unusable;
    if (result == TPortProbe::Free && ::flock(fd, LOCK_EX | LOCK_NB) != 0)
        result = errno == EWOULDBLOCK ? TPortProbe::Busy : TPortProbe::Unusable;
    ::close(fd);  // also drops the lock
    return result;
}

std::vector<TListedPort> EnumeratePorts(const QStringList &names, const std::function<QString(const QString &)> &resolve,
                                        const std::function<TPortProbe(const QString &)> &probe) {
    QStringList candidates = names;
    if (candidates.isEmpty())
        for (int n = 1; n <= 9; ++n) candidates << QStringLiteral("COM%1").arg(n);
    std::vector<TListedPort> ports;
    for (const QString &enumerated : candidates) {
        const QString name = ListedPortName(enumerated);
        if (name.isEmpty()) continue;
        if (std::any_of(ports.begin(), ports.end(), [&](const TListedPort &p) { return p.Name == name; })) continue;
        const QString device = resolve(name);
        if (IsNetworkPortName(device)) {  // listed unprobed: a probe would connect to the gateway
            ports.push_back({name, device});
            continue;
        }
        if (device.isEmpty() || !QFileInfo::exists(device)) continue;
        if (probe(device) != TPortProbe::Unusable) ports.push_back({name, device});
    }
    return ports;
}

QString PortListText(const TListedPort &port) { return QStringLiteral("%1 (%2)").arg(port.Name, port.Device); }

QString InitSpeed(const QString &init) { return init.section(QLatin1Char(','), 0, 0); }

QString ReplaceInitSpeed(const QString &init, const QString &speed) {
    const int comma = init.indexOf(QLatin1Char(','));
    return comma < 0 ? speed : speed + init.mid(comma);
}

QString SpeedForConnection(bool remote, bool localClm) {
    if (remote) return QStringLiteral("19200");
    return localClm ? QStringLiteral("9600") : QStringLiteral("4800");
}

bool IsPhoneChar(QChar c) {
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char(':') || c == QLatin1Char(',') ||
           c == QLatin1Char('W') || c == QLatin1Char('w');
}

QString FilterPhoneText(const QString &text) {
    QString out;
    for (QChar c : text)
        if (IsPhoneChar(c)) out += c;
    return out;
}

QString PastedPhoneText(const QString &clipboard) { return FilterPhoneText(clipboard.left(kPhonePasteLimit)); }

QString WithoutBlanks(const QString &text) {
    QString out = text;
    out.remove(QLatin1Char(' '));
    return out;
}

void MoveNumberToFront(QString *list, int count, const QString &number) {
    QString carried = number;
    for (int i = 0; i <= count; ++i) {
        const QString old = list[i];
        list[i] = carried;
        if (old == number) break;
        carried = old;
    }
}

} // namespace korvul
