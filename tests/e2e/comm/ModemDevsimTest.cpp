// The modem dialogue against devsim's Hayes modem through linqor32.so: connecting and reading a device
// through the modem, the dial results BUSY, NO CARRIER and silence, Cancel while dialling, and the
// hang-up that leaves the modem ready for the next call.
#include "base/Settings.h"
#include "comm/CommState.h"
#include "comm/Connection.h"
#include "comm/DeviceTypes.h"
#include "comm/Items.h"
#include "ui/FoDialing.h"
#include "comm/Modem.h"
#include "ui/ModemWindows.h"
#include "comm/CommClass.h"
#include "support/DevsimProcess.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <gtest/gtest.h>

using namespace korvul;
using namespace std::chrono_literals;

namespace {

class ModemDevsim : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char *file : {"linqor32.so", "prqt__32.so", "devsim"})
            if (!QFile::exists(korvultest::BinDir() + "/" + file)) GTEST_SKIP() << file << " is not built";
        qputenv("KORVUL_TIME_SCALE", "0.05");
        Settings() = TSettings{};
        Settings().VIAMODEM = true;
        Settings().Ph[0] = "0815";
        Settings().DIAL_TIMEOUT = 10;
        Settings().ACCESSCODE = "12345678";
        DeviceInfo() = TDeviceInfo{};
        CommUiHooks() = TCommUiHooks{};
        ModemRoutines() = TModemRoutines{};
        CancelRequested = false;
        ModemState = 0;
        PollItem = 'z';
        InstallModemRoutines();
        comm = std::make_unique<TCommClass>("QT");
        SetCommObjectForTests(comm.get());
    }
    void TearDown() override {
        if (comm && comm->Connected()) DisconnectDeviceAndModem();
        sim.Stop();  // first: signing off from a modem in command mode would wait for every retry
        SetCommObjectForTests(nullptr);
        comm.reset();
        ModemRoutines() = TModemRoutines{};
        CommUiHooks() = TCommUiHooks{};
        ModemState = 0;
        CancelRequested = false;
        qunsetenv("KORVUL_TIME_SCALE");
    }
    void StartModem(const QString &answer) {
        QDir().mkpath(home.korvulDir() + "/ports");
        ASSERT_TRUE(sim.Start({"--type", "2461", "--modem", "--modem-answer", answer},
                              home.korvulDir() + "/ports/COM1", 0.05));
    }
    // The language text number of the modem error ConnectDevice raises (0: none).
    int ConnectError() {
        try {
            ConnectDevice();
        } catch (const TModemError &e) {
            return e.TextNumber;
        }
        return 0;
    }

    korvultest::TempConfigHome home;
    korvultest::DevsimProcess sim;
    std::unique_ptr<TCommClass> comm;
};

} // namespace

TEST_F(ModemDevsim, ConnectsThroughTheModemReadsTheDeviceAndHangsUp) {
    StartModem("connect");
    std::vector<QString> windows;
    CommUiHooks().ShowDialing = [&](const QString &n) { windows.push_back("show " + n); };
    CommUiHooks().CloseDialing = [&] { windows.push_back("close"); };
    ASSERT_TRUE(ConnectDevice());
    EXPECT_EQ(ModemState, 3);
    EXPECT_EQ(windows, (std::vector<QString>{"show 0815", "close"}));
    EXPECT_EQ(DeviceInfo().IdentText, "2461");
    IdentifyDeviceType();
    EXPECT_EQ(DeviceInfo().TypeName, "QT-700/V2");
    TStrList common;
    ReadCapabilityItems(common);
    EXPECT_FALSE(common.GetValue("b").isEmpty());
    DisconnectDeviceAndModem();
    EXPECT_EQ(ModemState, 0);
    EXPECT_FALSE(comm->Connected());
    // The sign-off after the hang-up reached the modem in command mode; the next call still connects.
    ASSERT_TRUE(ConnectDevice());
    EXPECT_EQ(ModemState, 3);
    EXPECT_EQ(DeviceInfo().IdentText, "2461");
}

struct DialResultRow {
    const char *answer;
    const char *resetString;
    int dialTimeout;
    int text;
};
class ModemDevsimResult : public ModemDevsim, public ::testing::WithParamInterface<DialResultRow> {};

TEST_P(ModemDevsimResult, DialFailureRaisesItsTextAndLeavesTheModemUsable) {
    StartModem(GetParam().answer);
    Settings().RESET_STRING = GetParam().resetString;
    Settings().DIAL_TIMEOUT = GetParam().dialTimeout;
    EXPECT_EQ(ConnectError(), GetParam().text);
    EXPECT_FALSE(comm->Connected());
    // The modem still answers commands after the failed call.
    EXPECT_NO_THROW(ModemInit("AT", ""));
    EXPECT_EQ(ModemState, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ModemDevsimResult,
    ::testing::Values(DialResultRow{"busy", "&F", 10, 2208}, DialResultRow{"nocarrier", "&F", 10, 2205},
                      // Echo off: nothing at all arrives within the dial time.
                      DialResultRow{"none", "&FE0", 1, 2204},
                      // Echo on: the echo arrives, then no result within the dial time.
                      DialResultRow{"none", "&F", 1, 2206}),
    [](const auto &info) {
        return std::string(info.param.answer) + (QByteArray(info.param.resetString).contains("E0") ? "NoEcho" : "");
    });

TEST_F(ModemDevsim, CancelWhileDiallingHangsUpRaises2209AndClearsTheRequest) {
    StartModem("none");
    Settings().DIAL_TIMEOUT = 60;
    CommUiHooks().ShowDialing = [](const QString &) {
        QTimer::singleShot(300, [] { CancelRequested = true; });  // the dialing window's Cancel
    };
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(ConnectError(), 2209);
    EXPECT_LT(clock.elapsed(), 10000);
    EXPECT_FALSE(CancelRequested);
    EXPECT_EQ(ModemState, 0);
    EXPECT_NO_THROW(ModemInit("AT", ""));
}

TEST_F(ModemDevsim, HangUpWhileConnectedEscapesAfterTheGuardTimeAndTheModemTakesCommandsAgain) {
    StartModem("connect");
    ASSERT_TRUE(ConnectDevice());
    DisconnectDevice();  // signed off, line still open
    QElapsedTimer clock;
    clock.start();
    ModemHangUp();
    EXPECT_EQ(ModemState, 0);
    EXPECT_LT(clock.elapsed(), 2500);  // the modem answered OK to "+++": no waiting out the 2.5 s
    EXPECT_NO_THROW(ModemInit("AT", ""));
}

TEST_F(ModemDevsim, CancelButtonOfTheDialingWindowEndsTheCall) {
    StartModem("none");
    Settings().DIAL_TIMEOUT = 60;
    InstallModemSupport(nullptr);
    auto dialingWindow = [] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (qobject_cast<TfoDialing *>(w) && w->isVisible()) return w;
        return static_cast<QWidget *>(nullptr);
    };
    bool shown = false;
    std::function<void()> pressCancel = [&] {
        if (QWidget *w = dialingWindow()) {
            shown = true;
            w->findChild<QPushButton *>("Button1")->click();
        } else {
            QTimer::singleShot(20, pressCancel);
        }
    };
    QTimer::singleShot(200, pressCancel);
    EXPECT_EQ(ConnectError(), 2209);
    EXPECT_TRUE(shown);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(dialingWindow(), nullptr);
    EXPECT_FALSE(CancelRequested);
}
