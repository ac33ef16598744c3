#include "support/NetGateway.h"

#include "support/TestSupport.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace korvultest {

int FreeTcpPort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return 0;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr *>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    ::close(fd);
    return port;
}

bool TcpPortListens(int port) {
    QFile f(QStringLiteral("/proc/net/tcp"));
    if (!f.open(QIODevice::ReadOnly)) return false;
    const QByteArray local = "0100007F:" + QByteArray::number(port, 16).toUpper().rightJustified(4, '0');
    for (const QByteArray &line : f.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() > 3 && fields[1] == local && fields[3] == "0A") return true;  // 0A: LISTEN
    }
    return false;
}

NetGateway::~NetGateway() { Kill(); }

QString NetGateway::Program(Kind kind) {
    return QStandardPaths::findExecutable(kind == Kind::Rfc2217 ? QStringLiteral("ser2net") : QStringLiteral("socat"));
}

bool NetGateway::Start(Kind kind, const QString &device, QString &error, std::chrono::milliseconds deadline) {
    kind_ = kind;
    const QString program = Program(kind);
    if (program.isEmpty()) return error = QStringLiteral("program not installed"), false;
    const QString tty = QFileInfo(device).canonicalFilePath();
    port_ = FreeTcpPort();
    QStringList args;
    if (kind == Kind::Rfc2217) {
        QFile config(dir_.filePath(QStringLiteral("ser2net.yaml")));
        if (!config.open(QIODevice::WriteOnly)) return error = QStringLiteral("cannot write the ser2net config"), false;
        config.write(QStringLiteral("connection: &device\n"
                                    "  accepter: telnet(rfc2217),tcp,127.0.0.1,%1\n"
                                    "  connector: serialdev,%2,9600n81,local\n").arg(port_).arg(tty).toUtf8());
        config.close();
        args = {"-n", "-d", "-u", "-c", config.fileName(), "-P", dir_.filePath(QStringLiteral("ser2net.pid"))};
    } else {
        // One connection, then socat ends: a batch connects once per device. -x logs the bytes in hex.
        args = {"-x", QStringLiteral("TCP-LISTEN:%1,bind=127.0.0.1,reuseaddr").arg(port_),
                QStringLiteral("FILE:%1,raw,echo=0").arg(tty)};
    }
    process_.setStandardOutputFile(LogPath());
    process_.setStandardErrorFile(LogPath());
    process_.start(program, args);
    if (!process_.waitForStarted(int(deadline.count()))) return error = process_.errorString(), false;
    if (WaitUntil([&] { return TcpPortListens(port_) || process_.state() == QProcess::NotRunning; }, deadline) &&
        TcpPortListens(port_))
        return true;
    QFile log(LogPath());
    log.open(QIODevice::ReadOnly);
    error = QStringLiteral("%1 does not listen on port %2: %3").arg(program).arg(port_).arg(QString::fromUtf8(log.readAll()));
    Kill();
    return false;
}

void NetGateway::Kill() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.kill();
    process_.waitForFinished(5000);
}

QString NetGateway::Url() const {
    return QStringLiteral("%1://127.0.0.1:%2").arg(kind_ == Kind::Rfc2217 ? "rfc2217" : "tcp").arg(port_);
}

} // namespace korvultest
