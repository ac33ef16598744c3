// korvul-read batch through N parallel network ports (devsim behind socat, raw TCP), side by side with
// the same devices read one at a time. Prints the devices per hour the batch reached and the ratio of
// its wall time to the sum of the devices' wire times (a device's wire time: its run alone, read once
// per port before the batch). With N ports the ideal ratio is 1/N; the rest is start-up of the runs and
// the share of the machine's two cores.
// --telnet puts ser2net (RFC 2217) in front of each device instead of socat; a gateway's own delay per
// answer (ser2net waits a character time for more bytes before it sends) then shows in the wire time.
// Run: build/bin/batch_bench [--ports N (4)] [--per-port K (2)] [--records R (200)] [--baud B (9600)] [--telnet]
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

struct TConfig {
    int ports = 4, perPort = 2, records = 200, baud = 9600;
    bool telnet = false;
};

int FreePort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
    getsockname(fd, reinterpret_cast<sockaddr *>(&a), &len);
    ::close(fd);
    return ntohs(a.sin_port);
}

bool Listens(int port) {
    QFile f(QStringLiteral("/proc/net/tcp"));
    if (!f.open(QIODevice::ReadOnly)) return false;
    const QByteArray local = "0100007F:" + QByteArray::number(port, 16).toUpper().rightJustified(4, '0');
    for (const QByteArray &line : f.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() > 3 && fields[1] == local && fields[3] == "0A") return true;
    }
    return false;
}

// Polls `done` every 10 ms for at most `ms`.
template <typename F> bool WaitFor(F done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) return false;
        QThread::msleep(10);
    }
    return true;
}

struct TPort {
    std::unique_ptr<QProcess> devsim, socat;
    QString url;
    ~TPort() {
        for (QProcess *p : {socat.get(), devsim.get()})
            if (p && p->state() != QProcess::NotRunning) {
                p->terminate();
                if (!p->waitForFinished(5000)) p->kill();
            }
    }
};

bool StartPort(const QString &bin, const QString &dir, int n, const TConfig &c, TPort &p) {
    const QString link = dir + QStringLiteral("/tty%1").arg(n);
    p.devsim = std::make_unique<QProcess>();
    p.devsim->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.devsim->start(bin + "/devsim", {"--port-link", link, "--baud", QString::number(c.baud), "--archive-records",
                                      QString::number(c.records), "--exit-with-parent"});
    if (!WaitFor([&] { return QFileInfo(link).exists(); }, 10000)) return false;
    const int port = FreePort();
    const QString tty = QFileInfo(link).canonicalFilePath();
    p.socat = std::make_unique<QProcess>();
    if (c.telnet) {
        QFile config(dir + QStringLiteral("/ser2net%1.yaml").arg(n));
        config.open(QIODevice::WriteOnly);
        config.write(QStringLiteral("connection: &d\n  accepter: telnet(rfc2217),tcp,127.0.0.1,%1\n"
                                    "  connector: serialdev,%2,9600n81,local\n").arg(port).arg(tty).toUtf8());
        config.close();
        p.socat->start(QStandardPaths::findExecutable("ser2net"), {"-n", "-d", "-u", "-c", config.fileName(), "-P",
                                                                    dir + QStringLiteral("/ser2net%1.pid").arg(n)});
        p.url = QStringLiteral("rfc2217://127.0.0.1:%1").arg(port);
    } else {
        p.socat->start(QStandardPaths::findExecutable("socat"),
                       {QStringLiteral("TCP-LISTEN:%1,bind=127.0.0.1,reuseaddr,fork").arg(port),
                        QStringLiteral("FILE:%1,raw,echo=0").arg(tty)});
        p.url = QStringLiteral("tcp://127.0.0.1:%1").arg(port);
    }
    return WaitFor([&] { return Listens(port); }, 10000);
}

// Runs korvul-read; the wall time in ms, or -1 when it failed.
qint64 Run(const QString &bin, const QString &config, const QStringList &args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", config);
    env.insert("KORVUL_ACCESS_CODE", "12345678");
    p.setProcessEnvironment(env);
    QElapsedTimer t;
    t.start();
    p.start(bin + "/korvul-read", args);
    if (!p.waitForFinished(3600 * 1000) || p.exitCode() != 0) {
        std::fprintf(stderr, "korvul-read %s failed: %s\n", args.join(' ').toUtf8().constData(),
                     p.readAllStandardError().constData());
        return -1;
    }
    return t.elapsed();
}

TConfig Parse(const QStringList &args) {
    TConfig c;
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == "--telnet") {
            c.telnet = true;
            continue;
        }
        if (i + 1 >= args.size()) break;
        const int v = std::max(1, args[++i].toInt());
        if (args[i - 1] == "--ports") c.ports = v;
        else if (args[i - 1] == "--per-port") c.perPort = v;
        else if (args[i - 1] == "--records") c.records = v;
        else if (args[i - 1] == "--baud") c.baud = v;
    }
    return c;
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const TConfig c = Parse(app.arguments());
    const QString bin = QCoreApplication::applicationDirPath();
    if (QStandardPaths::findExecutable(c.telnet ? "ser2net" : "socat").isEmpty()) {
        std::fprintf(stderr, "batch_bench needs socat, with --telnet ser2net (scripts/setup installs both)\n");
        return 1;
    }
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath("config/korvul"));
    QFile ini(dir.filePath("config/korvul/korvul.ini"));
    ini.open(QIODevice::WriteOnly);
    ini.write("[LANGUAGE]\r\nLANGUAGE=EN\r\n");
    ini.close();
    std::vector<TPort> ports(size_t(c.ports));
    for (int n = 0; n < c.ports; ++n)
        if (!StartPort(bin, dir.path(), n, c, ports[size_t(n)])) {
            std::fprintf(stderr, "port %d did not start\n", n);
            return 1;
        }
    // Wire time: each port's device read alone, one after another.
    qint64 single = 0;
    for (int n = 0; n < c.ports; ++n) {
        const QString out = dir.filePath(QStringLiteral("single%1").arg(n));
        QDir().mkpath(out);
        const qint64 ms = Run(bin, dir.filePath("config"), {"--port", ports[size_t(n)].url, "archive", "--channel", "1", "--dir", out});
        if (ms < 0) return 1;
        single += ms;
    }
    const double wireMs = double(single) / c.ports;  // one device's run alone, mean over the ports
    QFile list(dir.filePath("devices.ini"));
    list.open(QIODevice::WriteOnly);
    for (int k = 0; k < c.perPort; ++k)
        for (int n = 0; n < c.ports; ++n)
            list.write(QStringLiteral("[d%1-%2]\nport = %3\nchannel = 1\n").arg(n).arg(k).arg(ports[size_t(n)].url).toUtf8());
    list.close();
    QDir().mkpath(dir.filePath("batch"));
    const qint64 wall = Run(bin, dir.filePath("config"), {"batch", list.fileName(), "--jobs", QString::number(c.ports),
                                                          "--dir", dir.filePath("batch")});
    if (wall < 0) return 1;
    const int devices = c.ports * c.perPort;
    const double sum = wireMs * devices;
    std::printf("%d devices (%d records, %d baud) through %d %s network ports, %d per port\n", devices, c.records,
                c.baud, c.ports, c.telnet ? "RFC 2217 (ser2net)" : "raw TCP (socat)", c.perPort);
    std::printf("one device alone:            %8.0f ms (mean of %d)\n", wireMs, c.ports);
    std::printf("sum of the devices' runs:    %8.0f ms\n", sum);
    std::printf("batch wall time:             %8lld ms\n", static_cast<long long>(wall));
    std::printf("ratio wall / sum:            %8.3f   (ideal 1/%d = %.3f)\n", wall / sum, c.ports, 1.0 / c.ports);
    std::printf("devices per hour:            %8.0f   (one port alone: %.0f)\n", devices * 3600000.0 / wall, 3600000.0 / wireMs);
    return 0;
}
