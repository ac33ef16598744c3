// SIGTERM, SIGINT and SIGHUP end korvul as Exit does. The real program as a process: it ends within a
// deadline with exit code 0 and leaves its settings file whole, also when a second signal comes while
// it closes. The main window connected to devsim (in this process, the signal raised with kill): the
// device is signed off and a modem hung up before the window closes.
#include "e2e/MainWindowDevsimFixture.h"

#include "app/SignalBridge.h"

#include <QDialog>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <csignal>
#include <fstream>
#include <sys/types.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

// The handlers are in place once the process catches SIGTERM (SigCgt of /proc/<pid>/status): a signal
// sent earlier would still kill it the default way.
bool CatchesTerm(qint64 pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("SigCgt:", 0) == 0) return (std::stoull(line.substr(7), nullptr, 16) >> (SIGTERM - 1)) & 1;
    return false;
}

const QByteArray kIni = "[LANGUAGE]\nLANGUAGE=DE\n[COMM]\nCOM=7\n; kept as written\n";

struct SignalRow { int first; int second; const char *name; };
void PrintTo(const SignalRow &r, std::ostream *os) { *os << r.name; }

class KorvulProcessSignal : public ::testing::TestWithParam<SignalRow> {};

} // namespace

TEST_P(KorvulProcessSignal, EndsWithZeroAndLeavesTheSettingsWhole) {
    korvultest::TempConfigHome home;
    home.writeIni(kIni);
    QProcess proc;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("KORVUL_BATCH", "1");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("KORVUL_TIME_SCALE", "0.05");
    proc.setProcessEnvironment(env);
    proc.start(korvultest::BinDir() + "/korvul", {});
    ASSERT_TRUE(proc.waitForStarted(10000));
    ASSERT_TRUE(korvultest::WaitUntil([&] { return CatchesTerm(proc.processId()); }, 20s))
        << proc.readAllStandardError().toStdString();
    ::kill(pid_t(proc.processId()), GetParam().first);
    if (GetParam().second) ::kill(pid_t(proc.processId()), GetParam().second);
    ASSERT_TRUE(proc.waitForFinished(30000)) << "still running after the signal";
    EXPECT_EQ(proc.exitStatus(), QProcess::NormalExit) << proc.readAllStandardError().toStdString();
    EXPECT_EQ(proc.exitCode(), 0);
    QFile ini(home.iniPath());
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_EQ(ini.readAll(), kIni);
    EXPECT_EQ(QDir(home.korvulDir()).entryList(QDir::Files | QDir::Hidden).size(), 1)
        << "a temporary file was left: " << QDir(home.korvulDir()).entryList().join(' ').toStdString();
}

INSTANTIATE_TEST_SUITE_P(Rows, KorvulProcessSignal, ::testing::Values(
    SignalRow{SIGTERM, 0, "SIGTERM"},
    SignalRow{SIGINT, 0, "SIGINT"},
    SignalRow{SIGHUP, 0, "SIGHUP"},
    SignalRow{SIGTERM, SIGTERM, "SIGTERM_twice"},
    SignalRow{SIGTERM, SIGINT, "SIGTERM_then_SIGINT"}));

namespace {

// The main window against devsim started here with --verbose, so that its trace shows what reached the
// device; the signal bridge hands signals to the window as the program's start-up does.
class SignalCloseMainWindow : public korvultest::MainWindowDevsim {
protected:
    void TearDown() override {
        if (devsim.state() != QProcess::NotRunning) {
            devsim.terminate();
            devsim.waitForFinished(10000);
        }
        korvul::CancelRequested = false;
        korvul::ModemState = 0;
        korvul::Settings().VIAMODEM = false;
        MainWindowDevsim::TearDown();
    }
    void StartVerboseDevsim(const QStringList &extra) {
        QDir().mkpath(home.korvulDir() + "/ports");
        const QString link = home.korvulDir() + "/ports/COM1";
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("KORVUL_TIME_SCALE", "0.05");
        devsim.setProcessEnvironment(env);
        devsim.start(korvultest::BinDir() + "/devsim", QStringList{"--type", "2461", "--verbose", "--port-link", link} + extra);
        ASSERT_TRUE(devsim.waitForStarted(10000));
        ASSERT_TRUE(korvultest::WaitUntil([&] { return QFileInfo(link).exists(); }, 10s));
    }
    // The bytes devsim received, in order, as hex pairs separated by blanks (devsim stopped to have all).
    QString Received() {
        devsim.terminate();
        devsim.waitForFinished(10000);
        QString bytes;
        const QStringList lines = QString::fromLatin1(devsim.readAllStandardError()).split('\n');
        for (const QString &line : lines)
            if (line.startsWith("devsim <")) bytes += line.mid(8);
        return bytes + ' ';
    }
    // Delivers `signal` to this process and waits until the window has closed.
    bool SignalAndWaitClosed(int signal) {
        bool closed = false;
        QObject::connect(window.get(), &korvul::TFormMain::Closed, [&closed] { closed = true; });
        ::kill(getpid(), signal);
        return korvultest::WaitUntil([&] { return closed; }, 30s);
    }
    QProcess devsim;
};

const QString kSignOn = " 01 4F 03 4C ";
const QString kSignOff = " 01 42 03 41 ";

} // namespace

TEST_F(SignalCloseMainWindow, SigtermSignsOffAndClosesTheWindow) {
    korvul::TSignalBridge bridge([this](int) { window->CloseOnSignal(); });
    ASSERT_TRUE(bridge.Installed());
    StartVerboseDevsim({});
    Connect();
    ASSERT_TRUE(SignalAndWaitClosed(SIGTERM));
    EXPECT_FALSE(comm->Connected());
    EXPECT_TRUE(questions.isEmpty()) << "nobody answers a question after a signal";
    const QString bytes = Received();
    ASSERT_GE(bytes.lastIndexOf(kSignOn), 0) << bytes.toStdString();
    EXPECT_GT(bytes.lastIndexOf(kSignOff), bytes.lastIndexOf(kSignOn)) << bytes.toStdString();
}

// Edited values: a signal is no Yes to "set the changes?", nobody is asked.
TEST_F(SignalCloseMainWindow, SigintWithEditedValuesClosesWithoutAskingOrWriting) {
    korvul::TSignalBridge bridge([this](int) { window->CloseOnSignal(); });
    StartVerboseDevsim({});
    Connect();
    Action("acSetData")->setEnabled(true);
    answerYes = true;
    ASSERT_TRUE(SignalAndWaitClosed(SIGINT));
    EXPECT_TRUE(questions.isEmpty());
    const QString bytes = Received();
    const int lastSignOn = bytes.lastIndexOf(kSignOn);
    EXPECT_GT(bytes.lastIndexOf(kSignOff), lastSignOn) << bytes.toStdString();
}

TEST_F(SignalCloseMainWindow, SigtermHangsUpTheModem) {
    korvul::TSignalBridge bridge([this](int) { window->CloseOnSignal(); });
    korvul::Settings().VIAMODEM = true;
    korvul::Settings().Ph[0] = QStringLiteral("4711");
    korvul::Settings().DIAL_TIMEOUT = 20;
    StartVerboseDevsim({"--modem"});
    Connect();
    ASSERT_EQ(korvul::ModemState, 3);
    ASSERT_TRUE(SignalAndWaitClosed(SIGTERM));
    EXPECT_EQ(korvul::ModemState, 0);
    const QString bytes = Received();
    const QString hangUp = " 41 54 48 0D ";  // ATH CR
    EXPECT_GT(bytes.lastIndexOf(hangUp), bytes.lastIndexOf(kSignOn)) << bytes.toStdString();
}

// A signal while a modal window waits (the operator's cancel closes it) and a second one while closing.
TEST_F(SignalCloseMainWindow, ModalWindowIsCancelledAndASecondSignalChangesNothing) {
    int received = 0;
    korvul::TSignalBridge bridge([this, &received](int) { ++received; window->CloseOnSignal(); });
    StartVerboseDevsim({});
    Connect();
    bool boxEnded = false;
    QTimer::singleShot(0, [&] {
        QDialog box(window.get());
        box.setModal(true);
        box.open();
        ::kill(getpid(), SIGTERM);
        ::kill(getpid(), SIGHUP);
        QEventLoop loop;
        QObject::connect(&box, &QDialog::finished, &loop, &QEventLoop::quit);
        loop.exec();
        boxEnded = true;
    });
    bool closed = false;
    QObject::connect(window.get(), &korvul::TFormMain::Closed, [&closed] { closed = true; });
    ASSERT_TRUE(korvultest::WaitUntil([&] { return closed; }, 30s));
    EXPECT_TRUE(boxEnded);
    EXPECT_EQ(received, 2);
    EXPECT_FALSE(comm->Connected());
    const QString bytes = Received();
    EXPECT_GT(bytes.lastIndexOf(kSignOff), bytes.lastIndexOf(kSignOn)) << bytes.toStdString();
}
