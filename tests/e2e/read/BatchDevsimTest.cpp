// korvul-read batch against several devsim devices at once: one on a pseudo-terminal, one behind
// ser2net (RFC 2217) and one behind socat (raw TCP). The files of the batch equal those of single
// runs on the same device state, the run log has one valid JSON object per line, bad entries are
// reported with their line, and a network port that is refused or dropped mid-readout ends only its
// own device.
#include "e2e/ReadoutDevsimFixture.h"

#include "base/Settings.h"
#include "read/ReadOptions.h"
#include "support/NetGateway.h"

#include <QDir>
#include <QJsonParseError>
#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <csignal>

using namespace korvul;
using namespace readouttest;
using korvultest::NetGateway;

namespace {

constexpr double kScale = 0.05;

class BatchDevsim : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char *file : {"linqor32.so", "prqt__32.so", "devsim", "korvulEN.lng", "korvul-read"})
            if (!QFile::exists(korvultest::BinDir() + "/" + file)) GTEST_SKIP() << file << " is not built";
        for (NetGateway::Kind kind : {NetGateway::Kind::Rfc2217, NetGateway::Kind::Raw})
            if (NetGateway::Program(kind).isEmpty())
                GTEST_SKIP() << (kind == NetGateway::Kind::Raw ? "socat" : "ser2net")
                             << " is not installed (scripts/setup installs it)";
        QDir().mkpath(home.korvulDir() + "/ports");
        TSettings s;
        s.READER = "batch";
        s.ACCESSCODE = "12345678";
        SaveSettingsTo(home.iniPath(), s);
        QFile ini(home.iniPath());
        ASSERT_TRUE(ini.open(QIODevice::Append));
        ini.write("[LANGUAGE]\r\nLANGUAGE=EN\r\n");
    }

    QString Link(int n) const { return home.korvulDir() + QStringLiteral("/ports/COM%1").arg(n); }
    QString State(int n) const { return home.path() + QStringLiteral("/state%1.json").arg(n); }
    QString Dir(const QString &name) const {
        const QString d = work.filePath(name);
        QDir().mkpath(d);
        return d;
    }

    // devsim number n (1-based) on COMn with a state file, so that a restart shows the same device.
    void StartSim(int n, const QStringList &extra = {}) {
        ASSERT_TRUE(sims[n - 1].Start(extra + QStringList{"--state", State(n)}, Link(n), kScale)) << "devsim " << n;
    }
    // Saves each device's state, reads it with single runs on its local port into ref/<n>, then starts
    // the devices again on the saved state, so the batch reads the very same devices.
    void ReadReferences(int count) {
        for (int n = 1; n <= count; ++n) {
            sims[n - 1].Stop();
            ASSERT_TRUE(QFile::copy(State(n), State(n) + ".saved"));
            StartSim(n);
            const TToolRun r = Tool({"archive", "--port", QStringLiteral("COM%1").arg(n), "--channel", "all",
                                     "--dir", Dir(QStringLiteral("ref%1").arg(n))});
            ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
            sims[n - 1].Stop();
            QFile::remove(State(n));
            ASSERT_TRUE(QFile::copy(State(n) + ".saved", State(n)));
            StartSim(n);
        }
    }

    TToolRun Tool(const QStringList &args, int deadlineMs = 120000) {
        QProcessEnvironment env;
        env.insert("KORVUL_TIME_SCALE", QString::number(kScale));
        return RunReadTool(home.path(), args, env, deadlineMs);
    }
    // Starts korvul-read batch on `list` in the background, logging to run.jsonl, as a scheduler would.
    void StartBatch(QProcess &batch, const QString &list) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("KORVUL_ACCESS_CODE");
        env.insert("XDG_CONFIG_HOME", home.path());
        env.insert("KORVUL_TIME_SCALE", QString::number(kScale));
        batch.setProcessEnvironment(env);
        batch.start(korvultest::BinDir() + "/korvul-read", {"batch", list, "--log", work.filePath("run.jsonl")});
    }
    // Archive record requests (SOH 'R' 'x' ETX) that passed the gateway so far; socat -x logs every byte.
    static int RecordRequests(const NetGateway &gateway) {
        QFile f(gateway.LogPath());
        return f.open(QIODevice::ReadOnly) ? int(f.readAll().count("01 52 78 03")) : 0;
    }
    QString WriteList(const QString &text) {
        const QString path = work.filePath("devices.ini");
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text.toUtf8());
        return path;
    }

    // Every line of the run log as a JSON object; a line that is no JSON object fails the test.
    QList<QJsonObject> LogLines() const {
        QFile f(work.filePath("run.jsonl"));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        QList<QJsonObject> out;
        for (const QByteArray &line : f.readAll().split('\n')) {
            if (line.isEmpty()) continue;
            QJsonParseError error{};
            const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
            EXPECT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
            EXPECT_TRUE(doc.isObject()) << line.toStdString();
            out << doc.object();
        }
        return out;
    }
    static QJsonObject Entry(const QList<QJsonObject> &log, const QString &device) {
        for (const QJsonObject &o : log)
            if (o["device"].toString() == device) return o;
        ADD_FAILURE() << "no log line for " << device.toStdString();
        return {};
    }

    // A file's bytes without the device clock (z=) and last-access (g=) lines, which move between runs.
    static QByteArray WithoutClock(const QString &path) {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
        QByteArray out;
        for (const QByteArray &line : f.readAll().split('\n'))
            if (!line.startsWith("z=") && !line.startsWith("g=")) out += line + '\n';
        return out;
    }
    static QStringList FilesIn(const QString &dir) {
        QStringList out;
        for (const QString &name : QDir(dir).entryList(QDir::Files | QDir::Hidden, QDir::Name)) out << dir + "/" + name;
        return out;
    }

    korvultest::TempConfigHome home;
    QTemporaryDir work;
    std::array<korvultest::DevsimProcess, 4> sims;
};

const QRegularExpression kIsoTime(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}[+-]\\d\\d:\\d\\d$"));

TEST_F(BatchDevsim, SerialAndNetworkDevicesReadInOneRunEqualSingleRuns) {
    for (int n = 1; n <= 3; ++n) StartSim(n);
    ReadReferences(3);
    NetGateway telnet, raw;
    QString error;
    ASSERT_TRUE(telnet.Start(NetGateway::Kind::Rfc2217, Link(2), error)) << error.toStdString();
    ASSERT_TRUE(raw.Start(NetGateway::Kind::Raw, Link(3), error)) << error.toStdString();
    const int refused = korvultest::FreeTcpPort();
    const QString list = WriteList(QStringLiteral(
        "# nightly list\n"
        "[local]\nport = COM1\nchannel = all\ndir = %1\n"
        "[telnet]\nport = %2\nchannel = all\ndir = %3\n"
        "[raw]\nport = %4\nchannel = all\ndir = %5\nname-template = {device}_{channel}_{date}.txt\n"
        "[broken]\nport = COM1\ncolour = blue\n"
        "[refused]\nport = tcp://127.0.0.1:%6\nchannel = 1\n")
        .arg(Dir("out1"), telnet.Url(), Dir("out2"), raw.Url(), Dir("out3")).arg(refused));
    const TToolRun r = Tool({"batch", list, "--jobs", "4", "--log", work.filePath("run.jsonl")}, 240000);

    EXPECT_EQ(r.exitCode, kExitBatch) << r.out.toStdString() << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("line 17: unknown setting \"colour\"")) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("5 devices: 3 read, 1 failed, 1 skipped")) << r.out.toStdString();
    const QString today = QDate::currentDate().toString("yyyyMMdd");
    for (int n = 1; n <= 3; ++n) {
        // tempz.999 holds channel 1, tempz.996 channel 4: in channel order the names count down.
        QStringList ref = FilesIn(Dir(QStringLiteral("ref%1").arg(n)));
        std::reverse(ref.begin(), ref.end());
        QStringList got = FilesIn(Dir(QStringLiteral("out%1").arg(n)));
        if (n != 3) std::reverse(got.begin(), got.end());
        ASSERT_EQ(got.size(), ref.size()) << "device " << n;
        ASSERT_EQ(ref.size(), 4) << "a file per channel";
        for (qsizetype i = 0; i < ref.size(); ++i) {
            if (n == 3) {
                EXPECT_EQ(QFileInfo(got[i]).fileName(), QStringLiteral("raw_%1_%2.txt").arg(i + 1).arg(today));
            }
            EXPECT_EQ(QFileInfo(got[i]).size(), QFileInfo(ref[i]).size()) << got[i].toStdString();
            EXPECT_EQ(WithoutClock(got[i]), WithoutClock(ref[i])) << got[i].toStdString();
        }
    }

    const QList<QJsonObject> log = LogLines();
    ASSERT_EQ(log.size(), 6) << "five entries and the batch line";
    for (const char *name : {"local", "telnet", "raw"}) {
        const QJsonObject o = Entry(log, QString::fromLatin1(name));
        EXPECT_EQ(o["event"].toString(), "device");
        EXPECT_EQ(o["result"].toInt(-1), 0) << o["message"].toString().toStdString();
        EXPECT_EQ(o["files"].toArray().size(), 4) << name;
        EXPECT_GT(o["records"].toInt(), 0);
        EXPECT_TRUE(kIsoTime.match(o["start"].toString()).hasMatch()) << o["start"].toString().toStdString();
        EXPECT_TRUE(kIsoTime.match(o["end"].toString()).hasMatch());
        EXPECT_LE(o["start"].toString(), o["end"].toString());
    }
    const QJsonObject skipped = Entry(log, "broken");
    EXPECT_EQ(skipped["event"].toString(), "skipped");
    EXPECT_EQ(skipped["line"].toInt(), 15);
    EXPECT_TRUE(skipped["message"].toString().contains("line 17")) << skipped["message"].toString().toStdString();
    const QJsonObject refusedLine = Entry(log, "refused");
    EXPECT_EQ(refusedLine["result"].toInt(), kExitPort);
    EXPECT_TRUE(refusedLine["message"].toString().contains("cannot connect to network port"))
        << refusedLine["message"].toString().toStdString();
    const QJsonObject batch = log.last();
    EXPECT_EQ(batch["event"].toString(), "batch");
    EXPECT_EQ(batch["succeeded"].toInt(), 3);
    EXPECT_EQ(batch["failed"].toInt(), 1);
    EXPECT_EQ(batch["skipped"].toInt(), 1);
    EXPECT_EQ(batch["result"].toInt(), kExitBatch);
}

// The gateway of one device dies while its archive is read; that device ends with its message and
// without a file, the device on the other line is read to the end.
TEST_F(BatchDevsim, GatewayDroppedMidReadoutEndsOnlyItsDevice) {
    StartSim(1);
    StartSim(2, {"--late", "400"});  // 20 ms an answer: the readout lasts long enough to be cut
    NetGateway raw;
    QString error;
    ASSERT_TRUE(raw.Start(NetGateway::Kind::Raw, Link(2), error)) << error.toStdString();
    const QString list = WriteList(QStringLiteral("[steady]\nport = COM1\nchannel = all\ndir = %1\n"
                                                  "[cut]\nport = %2\nchannel = 1\ndir = %3\n")
                                       .arg(Dir("steady"), raw.Url(), Dir("cut")));
    QProcess batch;
    StartBatch(batch, list);
    ASSERT_TRUE(korvultest::WaitUntil([&] { return RecordRequests(raw) >= 3; }, std::chrono::seconds(60)))
        << "the readout through socat did not start";
    raw.Kill();
    ASSERT_TRUE(korvultest::WaitUntil([&] { return batch.state() == QProcess::NotRunning; }, std::chrono::seconds(120)));
    EXPECT_EQ(batch.exitCode(), kExitBatch) << batch.readAllStandardError().toStdString();

    const QList<QJsonObject> log = LogLines();
    const QJsonObject cut = Entry(log, "cut");
    EXPECT_EQ(cut["result"].toInt(), kExitNoAnswer);
    EXPECT_TRUE(cut["message"].toString().contains("the connection was refused or dropped"))
        << cut["message"].toString().toStdString();
    EXPECT_TRUE(cut["files"].toArray().isEmpty());
    EXPECT_TRUE(FilesIn(Dir("cut")).isEmpty()) << "no half-written file";
    const QJsonObject steady = Entry(log, "steady");
    EXPECT_EQ(steady["result"].toInt(-1), 0) << steady["message"].toString().toStdString();
    EXPECT_EQ(FilesIn(Dir("steady")).size(), 4);
}

} // namespace

namespace {

// SIGTERM to the batch stops the device being read (its unfinished channel leaves no file) and starts
// no other; the log still gets a line for every device and the batch ends with 130.
TEST_F(BatchDevsim, StoppedBatchLogsEveryDeviceAndStartsNoMore) {
    StartSim(1, {"--late", "400"});
    NetGateway raw;
    QString error;
    ASSERT_TRUE(raw.Start(NetGateway::Kind::Raw, Link(1), error)) << error.toStdString();
    const QString list = WriteList(QStringLiteral("[first]\nport = %1\nchannel = 1\ndir = %2\n"
                                                  "[second]\nport = %1\nchannel = 1\ndir = %2\n")
                                       .arg(raw.Url(), Dir("out")));
    QProcess batch;
    StartBatch(batch, list);
    ASSERT_TRUE(korvultest::WaitUntil([&] { return RecordRequests(raw) >= 3; }, std::chrono::seconds(60)));
    batch.terminate();
    ASSERT_TRUE(korvultest::WaitUntil([&] { return batch.state() == QProcess::NotRunning; }, std::chrono::seconds(60)));
    EXPECT_EQ(batch.exitCode(), kExitInterrupted);

    const QList<QJsonObject> log = LogLines();
    ASSERT_EQ(log.size(), 3);
    EXPECT_EQ(Entry(log, "first")["result"].toInt(), kExitInterrupted);
    const QJsonObject second = Entry(log, "second");
    EXPECT_EQ(second["result"].toInt(), kExitInterrupted);
    EXPECT_TRUE(second["message"].toString().contains("not read")) << second["message"].toString().toStdString();
    EXPECT_EQ(log.last()["result"].toInt(), kExitInterrupted);
    EXPECT_TRUE(FilesIn(Dir("out")).isEmpty()) << "the unfinished channel leaves no file";
}

} // namespace
