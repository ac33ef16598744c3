// Connect, poll, timer, events, disconnect, ConnectDevice and channel selection on the fake drivers.
#include "unit/CommFixture.h"
#include "comm/Connection.h"
#include "comm/Items.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

using namespace korvul;
using korvultest::DriverCall;
using namespace std::chrono_literals;

namespace {
const CommFixture::Trace kBind{"line reset", "line open COM1:4800,N,8,1", "proto reset", "proto version", "proto bind"};
const CommFixture::Trace kQtPoll{"line purge 3", "line write 02 02 02", "line purge 3", "proto read z"};
CommFixture::Trace Join(std::initializer_list<CommFixture::Trace> parts) {
    CommFixture::Trace out;
    for (const auto &p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}
} // namespace

TEST_F(CommFixture, ConnectWaitsSignsOnAndPollsTheQtDevice) {
    qputenv("KORVUL_TIME_SCALE", "0.02");
    fakes.items['z'] = "240517101112";
    int pollData = 0, status = 0;
    comm->OnPollData = [&](TCommClass *sender) { EXPECT_EQ(sender, comm.get()); ++pollData; };
    comm->OnStatus = [&](TCommClass *) { ++status; };
    QElapsedTimer clock;
    clock.start();
    comm->SetConnected(true);
    EXPECT_GE(clock.elapsed(), 2000 * 0.02 - 2);  // 1000 ms before sign-on, 1000 ms after (QT)
    EXPECT_EQ(fakes.Trace(), Join({kBind, {"proto open"}, kQtPoll}));
    EXPECT_EQ(fakes.calls[5].data, QByteArray());  // empty zero-terminated text
    EXPECT_FALSE(fakes.calls[5].dataNull);
    EXPECT_EQ(comm->PollText, "240517101112");
    EXPECT_EQ(pollData, 1);  // sent synchronously
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(comm->Connected());
    EXPECT_EQ(comm->TimerId(), 0);  // Options 0: no timer
}

TEST_F(CommFixture, FailedSignOnOrFirstPollRaisesAndLeavesTheLineOpen) {
    fakes.readResults['z'] = -13;
    int pollData = 0;
    comm->OnPollData = [&](TCommClass *) { ++pollData; };
    EXPECT_THROW(comm->SetConnected(true), TCommClassException);
    EXPECT_FALSE(comm->Connected());
    EXPECT_TRUE(comm->State() & csLineOpen);
    EXPECT_EQ(pollData, 1);  // poll data is sent for a failed poll too
    fakes.calls.clear();
    fakes.proto = [](const DriverCall &c, void *, int32_t *, int32_t *) { return c.command == dpOpen ? -13 : 0; };
    EXPECT_THROW(comm->Connect(), TCommClassException);
    EXPECT_EQ(fakes.Trace(), (Trace{"proto open"}));
}

TEST_F(CommFixture, ModemGx500AndModuleConnectionsSkipTheFirstPoll) {
    Settings().VIAMODEM = Settings().GX500 = true;
    comm->SetConnected(true);
    EXPECT_EQ(fakes.Trace().back(), "proto open");
    comm->SetConnected(false);
    Settings().VIAMODEM = false;
    Settings().CLM300 = true;
    fakes.calls.clear();
    comm->SetConnected(true);
    EXPECT_EQ(fakes.Trace(), (Trace{"proto open"}));
}

TEST_F(CommFixture, Gx500PollWakesWithOneByte) {
    ConnectQuietly();
    Settings().VIAMODEM = Settings().GX500 = true;
    uint8_t s = 9;
    EXPECT_EQ(comm->Poll(s), 0);
    EXPECT_EQ(s, 0);
    EXPECT_EQ(fakes.Trace()[1], "line write 02");
}

TEST_F(CommFixture, XwAndOpticalPollsSendTheirRequestTexts) {
    struct Row { const char *family; int32_t result; const char *answer; const char *request; int status; };
    for (const Row &row : {Row{"XW", 0, "x.30y", "L4", 1}, Row{"XW", 0, "3.0", "L4", 2}, Row{"XW", -13, ".30", "L4", 0},
                           Row{"OPT", 0, ".30", "1:170.0(1)", 0}}) {
        MakeComm(row.family);
        comm->OpenLine();
        fakes.calls.clear();
        QByteArray request;
        fakes.proto = [&](const DriverCall &c, void *data, int32_t *, int32_t *) {
            if (c.command != dpRead) return 0;
            request = static_cast<char *>(data);
            EXPECT_EQ(c.arg3, 0);
            EXPECT_EQ(c.arg4, 0);
            std::strcpy(static_cast<char *>(data), row.answer);
            return row.result;
        };
        uint8_t s = 9;
        EXPECT_EQ(comm->Poll(s), row.result);
        EXPECT_EQ(s, row.status) << row.family << " " << row.answer;
        EXPECT_EQ(request, row.request);
        EXPECT_EQ(fakes.Trace("line").size(), 0u);  // no wake-up bytes outside the QT family
    }
}

TEST_F(CommFixture, PollTimerStartsOnlyWhenConnectedWithAPeriod) {
    comm->Period = 0;
    comm->SetOptions(26);
    ConnectQuietly();
    EXPECT_EQ(comm->TimerId(), 0);  // Period 0
    comm->SetConnected(false);
    comm->Period = 50;
    comm->SetOptions(2);
    EXPECT_EQ(comm->TimerId(), 0);  // not connected
    ConnectQuietly();
    EXPECT_EQ(comm->TimerId(), 1);  // started by Connect
    comm->SetOptions(24);
    EXPECT_EQ(comm->TimerId(), 0);
    comm->SetOptions(26);
    EXPECT_EQ(comm->TimerId(), 1);
}

TEST_F(CommFixture, TimerPollsPeriodically) {
    comm->Period = 10;
    comm->SetOptions(2);
    ConnectQuietly();
    int polls = 0;
    comm->OnPollData = [&](TCommClass *) { ++polls; };
    EXPECT_TRUE(korvultest::WaitUntil([&] { return polls >= 3; }, 5s));
}

TEST_F(CommFixture, TimerTickPostsStatusOnlyWhenItChanges) {
    MakeComm("XW");
    fakes.items[0] = "1.30";
    ConnectQuietly();
    std::vector<int> seen;
    comm->OnStatus = [&](TCommClass *c) { seen.push_back(c->LastStatus); };
    comm->SetOptions(4);
    comm->LastStatus = 0;
    comm->TimerTick();                  // 0 -> 1: posted
    comm->TimerTick();                  // unchanged: nothing
    fakes.items[0] = "1.20";
    comm->TimerTick();                  // 1 -> 2: posted
    EXPECT_TRUE(seen.empty());          // posted, not sent
    QCoreApplication::processEvents();
    EXPECT_EQ(seen.size(), 2u);
    EXPECT_EQ(comm->LastStatus, 2);
    comm->SetOptions(0);
    fakes.items[0] = "1.30";
    comm->TimerTick();
    QCoreApplication::processEvents();
    EXPECT_EQ(seen.size(), 2u);         // without option 4 no status events
}

TEST_F(CommFixture, FailedTimerPollReportsTheLostConnectionOnce) {
    comm->Period = 60000;
    comm->SetOptions(26);
    ConnectQuietly();
    fakes.readResults['z'] = -13;
    int lost = 0;
    comm->OnConnectionLost = [&](TCommClass *c) {
        EXPECT_FALSE(c->Connected());
        ++lost;
    };
    comm->TimerTick();
    EXPECT_EQ(comm->TimerId(), 0);
    comm->TimerTick();  // still "connected" until the event is handled; the second report is stale
    EXPECT_EQ(lost, 0);
    EXPECT_TRUE(korvultest::WaitUntil([&] { return lost > 0; }, 2s));
    QCoreApplication::processEvents();
    EXPECT_EQ(lost, 1);
    EXPECT_FALSE(comm->Connected());
    EXPECT_EQ(comm->State(), 0);  // Options 26: closed and unloaded
    const Trace t = fakes.Trace();
    EXPECT_NE(std::find(t.begin(), t.end(), "proto close"), t.end());
}

TEST_F(CommFixture, ExceptionInAnEventGoesToTheExceptionDisplay) {
    QString shown;
    CommUiHooks().ShowException = [&](const std::exception &e) { shown = e.what(); };
    comm->OnPollData = [](TCommClass *) { throw std::runtime_error("bad clock"); };
    ConnectQuietly();
    EXPECT_EQ(shown, "bad clock");
}

TEST_F(CommFixture, DisconnectGivesARunningCallFiveSecondsThenSignsOff) {
    qputenv("KORVUL_TIME_SCALE", "0.02");
    ConnectQuietly();
    comm->Busy = true;  // an outer driver call that never returns in time
    QElapsedTimer clock;
    clock.start();
    comm->SetConnected(false);
    EXPECT_GE(clock.elapsed(), 5000 * 0.02 - 2);
    EXPECT_EQ(fakes.Trace(), (Trace{"proto close"}));
    EXPECT_FALSE(comm->Connected());
    comm->Busy = false;
    // A call that ends while Disconnect waits lets it sign off at once.
    qputenv("KORVUL_TIME_SCALE", "1");
    ConnectQuietly();
    comm->Busy = true;
    QTimer::singleShot(20, [&] { comm->Busy = false; });
    clock.restart();
    comm->SetConnected(false);
    EXPECT_LT(clock.elapsed(), 2500);  // 500 ms of event processing after the sign-off
}

TEST_F(CommFixture, DisconnectClosesAndUnloadsAsTheOptionsSay) {
    struct Row { uint8_t options; Trace trace; uint8_t state; };
    for (const Row &row : {Row{0, {"proto close"}, csDriversLoaded | csLineOpen},
                           Row{8, {"proto close", "proto close", "proto release", "proto stop", "line close", "line stop"}, csDriversLoaded},
                           Row{24, {"proto close", "proto close", "proto release", "proto stop", "line close", "line stop"}, 0}}) {
        ConnectQuietly();
        comm->SetOptions(row.options);
        comm->SetConnected(false);
        EXPECT_EQ(fakes.Trace(), row.trace) << int(row.options);
        EXPECT_EQ(comm->State(), row.state);
    }
}

TEST_F(CommFixture, ConnectDeviceDirectReadsTheIdentification) {
    Settings().COM = 2;
    Settings().INIT = "9600,E,7,1";
    Settings().TIMEOUT = 450;
    Settings().CHECKTIME = 15000;
    MakeComm("QT");
    fakes.items['z'] = "240517101112";
    fakes.items['a'] = "2461";
    std::vector<bool> cursor;
    CommUiHooks().SetBusyCursor = [&](bool b) { cursor.push_back(b); };
    DeviceInfo().WriteAccess = true;
    CancelRequested = true;
    EXPECT_TRUE(ConnectDevice());
    EXPECT_EQ(fakes.Trace(), Join({{"line reset", "line open COM2:9600,E,7,1", "proto reset", "proto version",
                                    "proto bind", "line setparam 1=450", "proto open"}, kQtPoll, {"proto read a"}}));
    EXPECT_EQ(DeviceInfo().IdentText, "2461");
    EXPECT_FALSE(DeviceInfo().WriteAccess);
    EXPECT_FALSE(CancelRequested);
    EXPECT_EQ(comm->Options(), 26);
    EXPECT_EQ(comm->Period, 15000);
    EXPECT_EQ(comm->TimerId(), 1);
    EXPECT_EQ(cursor, (std::vector<bool>{true, false}));
}

TEST_F(CommFixture, ConnectDeviceWithNonNumericIdentificationEndsWithAPlainMessage) {
    fakes.items['z'] = "240517101112";
    fakes.items['a'] = "QT?";
    EXPECT_THROW(ConnectDevice(), TIdentificationError);
    fakes.items['a'] = "";
    EXPECT_THROW(ConnectDevice(), TIdentificationError);
}

TEST_F(CommFixture, ConnectDeviceToALocalModuleSkipsIdentification) {
    Settings().CLM300 = true;
    EXPECT_TRUE(ConnectDevice());
    EXPECT_EQ(fakes.Trace().back(), "proto open");
    EXPECT_EQ(comm->Options(), 16);
    EXPECT_EQ(comm->Period, 0);
}

TEST_F(CommFixture, ConnectDeviceWithTheModuleWindowOpenWakesTheModuleOnly) {
    ConnectQuietly();
    CommUiHooks().ModuleWindowOpen = [] { return true; };
    Settings().CLM300 = true;
    fakes.items['a'] = "2461";
    EXPECT_TRUE(ConnectDevice());
    EXPECT_EQ(fakes.Trace(), (Trace{"line setparam 1=300", "line write 02", "proto read a"}));
}

TEST_F(CommFixture, ModemConnectionNeedsTheModemRoutines) {
    Settings().VIAMODEM = true;
    EXPECT_THROW(ConnectDevice(), TModemUnavailable);
    std::vector<QString> steps;
    Settings().RLBMODE = true;
    Settings().RELIABLE = "&F&K3";
    Settings().Ph[0] = "0815";
    ModemRoutines().Init = [&](const QString &r, const QString &m) { steps.push_back("init " + r + " " + m); };
    ModemRoutines().Dial = [&](const QString &p, const QString &n, int t) {
        steps.push_back(QString("dial %1 %2 %3").arg(p, n).arg(t));
        throw std::runtime_error("busy");
    };
    CommUiHooks().ShowDialing = [&](const QString &n) { steps.push_back("show " + n); };
    CommUiHooks().CloseDialing = [&] { steps.push_back("close"); };
    EXPECT_THROW(ConnectDevice(), std::runtime_error);
    EXPECT_EQ(steps, (std::vector<QString>{"init AT&F AT&F&K3", "show 0815", "dial P 0815 90", "close"}));
}

TEST_F(CommFixture, RemoteModuleGetsTheHeadquarterPassword) {
    Settings().VIAMODEM = Settings().CLM300 = true;
    ModemRoutines().Init = [](const QString &, const QString &) {};
    ModemRoutines().Dial = [](const QString &, const QString &, int) {};
    std::vector<QString> passwords{"2wrong   ", "1secret  "};
    CommUiHooks().AskPassword = [&]() -> std::optional<QString> {
        if (passwords.empty()) return std::nullopt;
        QString p = passwords.front();
        passwords.erase(passwords.begin());
        return p;
    };
    int calls = 0;
    fakes.proto = [&](const DriverCall &c, void *data, int32_t *a3, int32_t *a4) {
        if (c.command == dpWriteOem && ++calls == 1) return 3;  // the first password is refused
        return fakes.DefaultProto(c, data, a3, a4);
    };
    fakes.items['a'] = "6001";
    EXPECT_TRUE(ConnectDevice());
    EXPECT_TRUE(HQFlag);
    const Trace t = fakes.Trace();
    EXPECT_EQ(std::count(t.begin(), t.end(), "line write 04 04 04 04 04 02 02 02 02 02"), 2);
    EXPECT_NE(std::find(t.begin(), t.end(), "proto writeoem A \"1secret  \" n=9"), t.end());
    // Cancelled dialog: the connection attempt reports false.
    HQFlag = false;
    passwords = {};
    EXPECT_FALSE(ConnectDevice());
    EXPECT_FALSE(HQFlag);
}

TEST_F(CommFixture, ChannelByReconnectSignsOffAndOnUntilItemYNamesTheChannel) {
    ConnectQuietly();
    DeviceInfo().TypeCode = 21;
    std::vector<QByteArray> answers{"01xx", "0", "02"};
    fakes.proto = [&](const DriverCall &c, void *data, int32_t *, int32_t *) {
        if (c.command == dpRead) {
            const QByteArray a = answers.front();
            answers.erase(answers.begin());
            if (!a.isEmpty()) std::strcpy(static_cast<char *>(data), a.constData());
        }
        return 0;
    };
    int tab = -1;
    CommUiHooks().SelectChannelTab = [&](int ch) { tab = ch; };
    EXPECT_TRUE(SelectChannelByReconnect(2));
    EXPECT_EQ(fakes.Trace(), (Trace{"proto read Y", "proto close 100", "proto open", "proto read Y", "proto close 100",
                                    "proto open", "proto read Y"}));
    EXPECT_TRUE(fakes.calls[2].dataNull);
    EXPECT_EQ(tab, 2);
}

TEST_F(CommFixture, ChannelByReconnectGivesUpAfterEightTriesAndRaisesOnErrors) {
    ConnectQuietly();
    fakes.items['Y'] = "01";
    EXPECT_FALSE(SelectChannelByReconnect(3));
    const Trace t = fakes.Trace();
    EXPECT_EQ(std::count(t.begin(), t.end(), "proto read Y"), 8);
    fakes.readResults['Y'] = 5;
    try {
        SelectChannelByReconnect(0);
        FAIL();
    } catch (const TCommClassException &e) {
        EXPECT_EQ(e.Message(), "5");
    }
    fakes.calls.clear();
    DeviceInfo().TypeCode = 12;
    EXPECT_FALSE(SelectChannelByReconnect(0));
    EXPECT_EQ(fakes.Trace(), (Trace{"proto close 100", "proto open"}));
    comm->SetConnected(false);
    EXPECT_FALSE(SelectChannelByReconnect(0));
}

TEST_F(CommFixture, ChannelByCommandWritesTheChannelReconnectsAndChecks) {
    Settings().CHECKTIME = 20000;
    ConnectQuietly();
    fakes.items[60] = "03";
    EXPECT_TRUE(SelectChannelByCommand(3));
    EXPECT_EQ(fakes.Trace(), Join({{"proto write 61 \"0001\" n=4", "proto write 62 \"03\" n=2", "proto close", "proto open"},
                                   kQtPoll, {"proto write 61 \"0001\" n=4", "proto read 60 n=2"}}));
    EXPECT_EQ(comm->Options(), 26);
    EXPECT_EQ(comm->Period, 20000);
    EXPECT_FALSE(SelectChannelByCommand(2));
    fakes.items[60] = "x";
    EXPECT_FALSE(SelectChannelByCommand(3));
    fakes.writeResults[62] = 4;
    try {
        SelectChannelByCommand(1);
        FAIL();
    } catch (const TCommClassException &e) {
        EXPECT_EQ(e.Message(), "4");
    }
}

TEST_F(CommFixture, DisconnectDeviceAndModemHangsUpAConnectedModem) {
    int hangUps = 0;
    ModemRoutines().HangUp = [&] { ++hangUps; };
    Settings().VIAMODEM = true;
    ModemState = 3;
    ConnectQuietly();
    DisconnectDeviceAndModem();
    EXPECT_EQ(hangUps, 1);
    EXPECT_EQ(comm->Options(), 24);
    EXPECT_FALSE(comm->Connected());
    ModemState = 1;
    DisconnectDeviceAndModem();
    EXPECT_EQ(hangUps, 1);
}
