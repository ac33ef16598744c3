// Device initialisation and maxima check from the main window against devsim: what reaches the device
// per channel, refusals and a lost line, and the device clock moved to the next check and back.
#include "app/Wiring.h"
#include "comm/Conversions.h"
#include "comm/PortFailure.h"
#include "comm/Items.h"
#include "config/FoCheckMaxima.h"
#include "config/FoInitDevice.h"
#include "config/InitMaxima.h"
#include "e2e/MainWindowDevsimFixture.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <cmath>

using namespace korvul;
using korvultest::WhenModal;

namespace {

// Item codes as devsim's state file keys them.
const QString kSerial = "108", kCounter = "106", kCustomer = "104", kPeriod = "112";

class DeviceSetupDevsim : public korvultest::MainWindowDevsim {
protected:
    void InstallHooks() override { InstallDeviceSetupDialogs(); }
    void TearDown() override {
        ResetLocaleFormats();
        MainWindowDevsim::TearDown();
    }

    static QLineEdit *Field(QWidget *d, const char *name) { return d->findChild<QLineEdit *>(name); }
    static void Click(QWidget *d, const char *name) { d->findChild<QPushButton *>(name)->click(); }

    // Runs the initialisation with these entries (nullptr keeps a field's default).
    void Initialise(const char *serial, const char *counter, const char *customer, const char *period) {
        WhenModal<TFoInitDevice>([=, this](TFoInitDevice *d) {
            const char *values[] = {serial, counter, customer, period};
            const char *names[] = {"jeSerNumber", "jeCntNumber", "jeCustNumber", "jePeriod"};
            for (int i = 0; i < 4; ++i)
                if (values[i]) Field(d, names[i])->setText(values[i]);
            Click(d, "btSet");
            if (d->isVisible()) {
                setStillEnabled = d->findChild<QPushButton *>("btSet")->isEnabled();
                Click(d, "btCancel");
            }
        });
        Action("acInitDevice")->trigger();
    }
    QJsonObject Channel(const QJsonObject &state, int c) {
        return state.value("channels").toArray().at(c).toObject().value("items").toObject();
    }
    // The device clock minus the PC's clock in seconds, from devsim's state.
    static double ClockOffset(const QJsonObject &state) { return state.value("clockOffset").toDouble(); }
    // The next check the dialog shows, as a local date-time.
    static QDateTime ShownNext(QWidget *d) {
        const auto t = LocaleDateTime(Field(d, "jeNxtDate")->text(), Field(d, "jeNxtTime")->text());
        return t ? QDateTime(t->date(), t->time(), Qt::LocalTime) : QDateTime();
    }
    void WriteDayBoundary(const char *hhmm) {
        WriteItemOrRaise('c', AccessCodeBytes(Settings().ACCESSCODE));
        WriteItemOrRaise(']', hhmm);
        Action("acReadCommData")->trigger();
        ASSERT_EQ(window->CommonData().GetValue("\\"), hhmm);
    }

    bool setStillEnabled = true;
};

TEST_F(DeviceSetupDevsim, OneChannelDeviceGetsOnePassWithTheSerialNumberUnchangedAndThePcClock) {
    StartDevice("410");
    Connect();
    WriteItemOrRaise('c', AccessCodeBytes(Settings().ACCESSCODE));
    WriteItemOrRaise('{', "300101120000");  // far from the PC's time, so the run's clock write shows
    Initialise("4711", nullptr, "99", "15");
    EXPECT_EQ(messages, QStringList{LanguageText(TFoInitDevice::kDoneText)});
    EXPECT_TRUE(comm->Connected());
    const QJsonObject state = DeviceState();
    const QJsonObject ch = Channel(state, 0);
    EXPECT_EQ(ch.value(kSerial).toString(), "000000004711");
    EXPECT_EQ(ch.value(kCounter).toString(), "000000000002");  // the default "2"
    EXPECT_EQ(ch.value(kCustomer).toString(), "000000000099");
    EXPECT_EQ(ch.value(kPeriod).toString(), "15");
    EXPECT_LE(std::abs(ClockOffset(state)), 3.0);
}

TEST_F(DeviceSetupDevsim, FourChannelDeviceGetsOnePassPerChannelWithTheChannelInTheEighthCharacter) {
    StartDevice("2131");
    Connect();
    Initialise("12345678901", "815", "1", "05");
    EXPECT_EQ(messages, QStringList{LanguageText(TFoInitDevice::kDoneText)});
    const QJsonObject state = DeviceState();
    for (int c = 0; c < 4; ++c) {
        const QJsonObject ch = Channel(state, c);
        EXPECT_EQ(ch.value(kSerial).toString(), "0123456" + QString::number(c + 1) + "8901") << c;
        EXPECT_EQ(ch.value(kCounter).toString(), "000000000815") << c;
        EXPECT_EQ(ch.value(kPeriod).toString(), "05") << c;
    }
}

TEST_F(DeviceSetupDevsim, RefusedPeriodStopsTheRunBeforeTheClockAndLeavesLaterChannelsUntouched) {
    StartDevice("2461");  // the value lock refuses the measuring period
    Connect();
    WriteItemOrRaise('c', AccessCodeBytes(Settings().ACCESSCODE));
    WriteItemOrRaise('{', "300101120000");
    Initialise("4711", nullptr, nullptr, nullptr);
    EXPECT_EQ(messages, QStringList{LanguageText(TFoInitDevice::kRefusedText)});
    EXPECT_FALSE(setStillEnabled);
    EXPECT_TRUE(comm->Connected());
    EXPECT_FALSE(Action("acSetData")->isEnabled());
    // the main window shows what the run wrote before the refusal (no re-read after it)
    EXPECT_EQ(window->findChild<QLineEdit *>("edDevNo")->text(), QString("000000014711"));
    EXPECT_EQ(window->findChild<QLineEdit *>("edCountNo")->text(), QString("000000000002"));
    const QJsonObject state = DeviceState();
    EXPECT_EQ(Channel(state, 0).value(kSerial).toString(), "000000014711");  // written before the refusal
    EXPECT_EQ(Channel(state, 1).value(kSerial).toString(), "000004711002");  // devsim's own number
    EXPECT_GT(ClockOffset(state), 86400.0);  // the clock write was never reached
}

TEST_F(DeviceSetupDevsim, LineLostDuringTheRunClosesTheDialogAndDisconnects) {
    StartDevice("410");
    Connect();
    WhenModal<TFoInitDevice>([this](TFoInitDevice *d) {
        sim.Stop();
        Field(d, "jeSerNumber")->setText("1");
        Click(d, "btSet");
    });
    Action("acInitDevice")->trigger();
    // The simulator's pseudo-terminal closed, as an unplugged adapter's line does.
    EXPECT_TRUE(korvultest::WaitUntil([this] { return messages.contains(PortDisconnectedText("COM1")); },
                                      std::chrono::seconds(20))) << Messages();
    EXPECT_FALSE(Said(TFoInitDevice::kRefusedText));
    EXPECT_FALSE(comm->Connected());
    EXPECT_TRUE(Action("acConnect")->isEnabled());
}

TEST_F(DeviceSetupDevsim, SetNextMovesTheDeviceClockToFiveSecondsBeforeTheBoundaryAndExitAsks) {
    StartDevice("410");  // day boundary 0600
    Connect();
    QDateTime expected, shownAfter;
    bool flag = false;
    WhenModal<TFoCheckMaxima>([&](TFoCheckMaxima *d) {
        expected = ShownNext(d);
        EXPECT_TRUE(questions.isEmpty());
        Click(d, "btSetNext");
        flag = d->NextCheckSet();
        shownAfter = ShownNext(d);
        EXPECT_TRUE(Field(d, "jeCrntTime")->text().startsWith("05:59:5")) << Field(d, "jeCrntTime")->text().toStdString();
        EXPECT_FALSE(comm->Connected());  // the device passes its boundary on its own
        Click(d, "btEsc");
    });
    Action("acCheckMaxima")->trigger();
    ASSERT_TRUE(expected.isValid());
    EXPECT_EQ(expected.time(), QTime(5, 59, 55));
    EXPECT_TRUE(flag);
    EXPECT_EQ(shownAfter, expected.addDays(1));
    EXPECT_EQ(questions, QStringList{LanguageText(TFoCheckMaxima::kExitQuestion)});
    EXPECT_TRUE(messages.isEmpty()) << Messages();
    EXPECT_TRUE(Action("acConnect")->isEnabled());  // the window shows the connection set-next ended
    const double deviceMinusNext = double(QDateTime::currentDateTime().secsTo(expected)) - ClockOffset(DeviceState());
    EXPECT_LE(std::abs(deviceMinusNext), 3.0);
}

TEST_F(DeviceSetupDevsim, SetCurrentAfterSetNextPutsThePcTimeBackAndKeepsTheConnectionPolling) {
    StartDevice("2461");  // four channels, selected by command
    Connect();
    WhenModal<TFoCheckMaxima>([&](TFoCheckMaxima *d) {
        Click(d, "btSetNext");
        Click(d, "btSetCrnt");
    });
    Action("acCheckMaxima")->trigger();
    EXPECT_TRUE(messages.isEmpty()) << Messages();
    EXPECT_TRUE(questions.isEmpty());
    EXPECT_TRUE(comm->Connected());
    EXPECT_EQ(comm->Options(), 26);
    EXPECT_LE(std::abs(ClockOffset(DeviceState())), 3.0);
}

TEST_F(DeviceSetupDevsim, ExitAnsweredYesPutsThePcTimeBackAndExitWithoutSetNextAsksNothing) {
    StartDevice("410");
    Connect();
    QStringList texts;
    WhenModal<TFoCheckMaxima>([&](TFoCheckMaxima *d) {
        texts << d->windowTitle();
        for (QWidget *w : d->findChildren<QWidget *>())
            if (w->property("tag").toInt() > 0) texts << w->property("text").toString();
        Click(d, "btEsc");
    });
    Action("acCheckMaxima")->trigger();
    EXPECT_TRUE(questions.isEmpty());
    EXPECT_EQ(texts.size(), 9);
    for (const QString &t : texts) EXPECT_FALSE(t.startsWith("str") || t.startsWith('$')) << t.toStdString();
    answerYes = true;
    WhenModal<TFoCheckMaxima>([&](TFoCheckMaxima *d) {
        Click(d, "btSetNext");
        Click(d, "btEsc");
    });
    Action("acCheckMaxima")->trigger();
    EXPECT_EQ(questions.size(), 1);
    EXPECT_TRUE(comm->Connected());
    EXPECT_LE(std::abs(ClockOffset(DeviceState())), 3.0);
}

TEST_F(DeviceSetupDevsim, MidnightBoundaryChecksTodayFirstAndTheFollowingDayAfterSetNext) {
    StartDevice("410");
    Connect();
    WriteDayBoundary("0000");
    QDateTime first, second;
    WhenModal<TFoCheckMaxima>([&](TFoCheckMaxima *d) {
        first = ShownNext(d);
        Click(d, "btSetNext");
        second = ShownNext(d);
        Click(d, "btEsc");
    });
    Action("acCheckMaxima")->trigger();
    EXPECT_EQ(first, QDateTime(QDate::currentDate(), QTime(23, 59, 55)));
    EXPECT_EQ(second, first.addDays(1));
}

TEST_F(DeviceSetupDevsim, RefusedClockShowsTheDialogsTextAndKeepsTheConnectionPolling) {
    StartDevice("410", {"--refuse", "{:5"});
    Connect();
    bool flag = true;
    WhenModal<TFoCheckMaxima>([&](TFoCheckMaxima *d) {
        Click(d, "btSetNext");
        flag = d->NextCheckSet();
        Click(d, "btEsc");
    });
    Action("acCheckMaxima")->trigger();
    EXPECT_EQ(messages, QStringList{LanguageText(TFoCheckMaxima::kSetRefused)});
    EXPECT_FALSE(flag);
    EXPECT_TRUE(questions.isEmpty());
    EXPECT_TRUE(comm->Connected());
    EXPECT_EQ(comm->Options(), 26);
}

} // namespace
