// Why a port cannot be used, as the user reads it: korvul-read (exit code 3) and the main window name
// the device and the cause for a missing port, a port another process holds, another program's lock
// file and line settings the port refuses; an adapter that goes away mid-session says so.
#include "e2e/MainWindowDevsimFixture.h"
#include "e2e/ReadoutDevsimFixture.h"

#include "base/Settings.h"
#include "linedriver/PortLock.h"
#include "read/ReadOptions.h"

#include <QFileInfo>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace korvul;
using namespace std::chrono_literals;

namespace {

class PortCauseTool : public readouttest::ReadoutDevsim {
protected:
    readouttest::TToolRun Tool(const QStringList &args, const QProcessEnvironment &extra = {}) {
        SaveSettingsTo(home.iniPath(), Settings());
        QFile ini(home.iniPath());
        EXPECT_TRUE(ini.open(QIODevice::Append));
        ini.write("[LANGUAGE]\r\nLANGUAGE=EN\r\n");
        ini.close();
        return readouttest::RunReadTool(home.path(), args, extra);
    }
    void SetUp() override {
        ReadoutDevsim::SetUp();
        if (IsSkipped()) return;
        if (!QFile::exists(korvultest::BinDir() + "/korvul-read")) GTEST_SKIP() << "korvul-read is not built";
        ASSERT_TRUE(locks.isValid());
    }
    QString Device() const { return QFileInfo(Link()).canonicalFilePath(); }
    QTemporaryDir locks;
};

TEST_F(PortCauseTool, AMissingPortNamesThePathAndAsksForTheAdapter) {
    const readouttest::TToolRun r = Tool({"common", "--port", files.path() + "/ttyUSB9"});
    EXPECT_EQ(r.exitCode, kExitPort);
    EXPECT_TRUE(r.err.contains("cannot open port " + files.path() + "/ttyUSB9")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("there is no such device. Is the adapter plugged in?")) << r.err.toStdString();
}

TEST_F(PortCauseTool, AHeldPortNamesTheDeviceAndTheProcessHoldingIt) {
    StartDevsim({"--type", "2461"});
    const int holder = ::open(Link().toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);  // this test process plays the other program
    const readouttest::TToolRun r = Tool({"common"});
    ::close(holder);
    EXPECT_EQ(r.exitCode, kExitPort);
    EXPECT_TRUE(r.err.contains("COM1 (" + Device() + ") is in use by another program")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("(process %1)").arg(getpid()))) << r.err.toStdString();
}

TEST_F(PortCauseTool, AnotherProgramsLockFileIsRespected) {
    StartDevsim({"--type", "2461"});
    QFile lock(locks.path() + "/" + QString::fromStdString(linqor::LockFileName(Device().toStdString())));
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    lock.write(QByteArray::number(getpid()).rightJustified(10, ' ') + "\n");
    lock.close();
    QProcessEnvironment env;
    env.insert("KORVUL_LOCK_DIR", locks.path());
    const readouttest::TToolRun r = Tool({"common"}, env);
    EXPECT_EQ(r.exitCode, kExitPort);
    EXPECT_TRUE(r.err.contains(QStringLiteral("(process %1)").arg(getpid()))) << r.err.toStdString();
    EXPECT_TRUE(lock.exists()) << "another program's lock stays";
}

TEST_F(PortCauseTool, ARefusedInitIsASettingsErrorNamingItsField) {
    StartDevsim({"--type", "2461"});
    Settings().INIT = "4800,N,9,1,BIN,IGP0,T0700";
    const readouttest::TToolRun r = Tool({"common"});
    EXPECT_EQ(r.exitCode, kExitPort);
    EXPECT_TRUE(r.err.contains("line settings are wrong, not the port")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("field 3 of INIT (data bits) \"9\"")) << r.err.toStdString();
    EXPECT_FALSE(r.err.contains("cannot open port")) << r.err.toStdString();
}

class PortCauseWindow : public korvultest::MainWindowDevsim {};

TEST_F(PortCauseWindow, TheWindowNamesTheDeviceAndTheCause) {
    Settings().COM = 7;  // COM7 is /dev/ttyS6 unless linked: point it at nothing
    QDir().mkpath(home.korvulDir() + "/ports");
    ASSERT_TRUE(QFile::link(home.path() + "/ttyUSB5", home.korvulDir() + "/ports/COM7"));
    Action("acConnect")->trigger();
    EXPECT_FALSE(comm->Connected());
    ASSERT_EQ(messages.size(), 1) << Messages();
    EXPECT_TRUE(messages[0].contains("COM7 (" + home.path() + "/ttyUSB5)")) << Messages();
    EXPECT_TRUE(messages[0].contains("Adapter eingesteckt?")) << Messages();  // the window's language is DE

    messages.clear();
    StartDevice("2461");
    Settings().COM = 1;
    Settings().INIT = "12345,N,8,1";
    Action("acConnect")->trigger();
    EXPECT_FALSE(comm->Connected());
    ASSERT_EQ(messages.size(), 1) << Messages();
    EXPECT_TRUE(messages[0].contains("Feld 1 von INIT (Geschwindigkeit) \"12345\"")) << Messages();
}

TEST_F(PortCauseWindow, ASimulatorThatGoesAwayMidSessionIsADisconnectedAdapter) {
    Settings().CHECKTIME = 200;
    StartDevice("2461");
    Connect();
    sim.Stop();  // its pseudo-terminal closes, as an unplugged adapter hangs up
    ASSERT_TRUE(korvultest::WaitUntil([&] { return !messages.isEmpty(); }, 20s));
    EXPECT_TRUE(messages[0].contains("Der Adapter wurde getrennt (Schnittstelle COM1")) << Messages();
    EXPECT_FALSE(comm->Connected());
}

} // namespace
