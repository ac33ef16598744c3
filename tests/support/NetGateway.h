#pragma once
// A network serial gateway in front of a pseudo-terminal for a test: ser2net as an RFC 2217 server or
// socat passing raw bytes, on a free TCP port of 127.0.0.1. Start waits (with a deadline) until the
// port listens; Kill drops every connection at once (SIGKILL), as a gateway losing power would.
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <chrono>

namespace korvultest {

class NetGateway {
public:
    enum class Kind { Rfc2217, Raw };
    NetGateway() = default;
    ~NetGateway();
    NetGateway(const NetGateway &) = delete;
    NetGateway &operator=(const NetGateway &) = delete;

    // The program the kind needs (ser2net, socat), or "" when it is not installed.
    static QString Program(Kind kind);

    // Serves `device` (a terminal path or a link to one). False (with `error`) when the program is
    // missing, fails or does not listen before the deadline.
    bool Start(Kind kind, const QString &device, QString &error,
               std::chrono::milliseconds deadline = std::chrono::milliseconds(10000));
    void Kill();
    QString Url() const;
    int Port() const { return port_; }
    QString LogPath() const { return dir_.filePath(QStringLiteral("gateway.log")); }

private:
    Kind kind_ = Kind::Raw;
    int port_ = 0;
    QTemporaryDir dir_;
    QProcess process_;
};

// A TCP port of 127.0.0.1 that nothing listens on right now.
int FreeTcpPort();
// Whether something listens on the TCP port of 127.0.0.1 (from /proc/net/tcp, without connecting).
bool TcpPortListens(int port);

} // namespace korvultest
