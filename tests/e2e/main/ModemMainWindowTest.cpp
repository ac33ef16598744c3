// A remote connection by hand, through the main window: the serial settings switched to a modem, the
// telephone dialog, the dialing window, the connection through devsim's modem with the common data
// shown, and the disconnect with hang-up; the BUSY and Cancel paths end disconnected with their text.
#include "e2e/MainWindowDevsimFixture.h"

#include "app/Wiring.h"
#include "options/FoSettingsComm.h"
#include "options/FoTelephone.h"
#include "comm/DeviceTypes.h"
#include "ui/FoDialing.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

using namespace korvul;

namespace {

// Runs `step` on the first visible top-level window of type T once it is up (checked every 20 ms for
// at most 10 s, so a window that never comes shows as a failed expectation, not a hung test).
template <class T> void WhenShown(std::function<void(T *)> step, int triesLeft = 500) {
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *t = qobject_cast<T *>(w); t && t->isVisible()) return step(t);
    if (triesLeft > 0) QTimer::singleShot(20, [step, triesLeft] { WhenShown<T>(step, triesLeft - 1); });
}

class ModemMainWindow : public korvultest::MainWindowDevsim {
protected:
    // What the program's start does: the option dialogs behind the actions.
    void InstallHooks() override { InstallProgramDialogs(); }
    void SetUp() override {
        MainWindowDevsim::SetUp();
        ModemState = 0;
        CancelRequested = false;
        Settings().DIAL_TIMEOUT = 20;
    }
    void TearDown() override {
        MainWindowDevsim::TearDown();
        ModemState = 0;
    }
    void StartModem(const QString &answer) { StartDevice("2461", {"--modem", "--modem-answer", answer}); }
    // Serial interface settings: remote, OK.
    void SwitchToModem() {
        WhenShown<TFoSettingsComm>([](TFoSettingsComm *d) {
            d->findChild<QRadioButton *>("rbRemote")->click();
            d->findChild<QPushButton *>("Button1")->click();
        });
        Action("acIntSettings")->trigger();
        ASSERT_TRUE(Settings().VIAMODEM);
    }
    // Connect: the telephone dialog gets `number` and Dial; `duringDial` runs on the dialing window.
    void ConnectByPhone(const QString &number, std::function<void(TfoDialing *)> duringDial) {
        WhenShown<TFoTelephone>([number](TFoTelephone *d) {
            QLineEdit *edit = d->findChild<QComboBox *>("ComboBox1")->lineEdit();
            edit->clear();
            for (QChar c : number) {
                QKeyEvent key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
                QApplication::sendEvent(edit, &key);
            }
            QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QApplication::sendEvent(edit, &enter);
        });
        WhenShown<TfoDialing>(duringDial);
        Action("acConnect")->trigger();
    }
};

} // namespace

TEST_F(ModemMainWindow, RemoteConnectionShowsTheCommonDataAndDisconnectHangsUp) {
    StartModem("connect");
    SwitchToModem();
    QString dialing;
    ConnectByPhone("0815", [&](TfoDialing *d) { dialing = d->PanelText(); });
    ASSERT_TRUE(comm->Connected()) << messages.join('|').toStdString();
    EXPECT_EQ(dialing, LanguageText(1002) + "0815");
    EXPECT_EQ(ModemState, 3);
    EXPECT_EQ(Settings().Ph[0], "0815");
    EXPECT_EQ(window->findChild<QLineEdit *>("edDevType")->text(), DeviceInfo().TypeName);
    EXPECT_EQ(DeviceInfo().TypeName, "QT-700/V2");
    Action("acDisconnect")->trigger();
    EXPECT_FALSE(comm->Connected());
    EXPECT_EQ(ModemState, 0);
    EXPECT_TRUE(Action("acConnect")->isEnabled());
    EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
}

TEST_F(ModemMainWindow, BusyNumberIsReportedAndLeavesTheWindowDisconnected) {
    StartModem("busy");
    SwitchToModem();
    Settings().DIAL_TIMEOUT = 90;
    QElapsedTimer clock;
    clock.start();
    ConnectByPhone("0815", [](TfoDialing *) {});
    // The sign-off after the failed call waits the normal line time-out, not the dial time, per retry.
    EXPECT_LT(clock.elapsed(), 30000);
    EXPECT_FALSE(comm->Connected());
    EXPECT_TRUE(messages.contains(LanguageText(2208))) << messages.join('|').toStdString();
    EXPECT_TRUE(Action("acConnect")->isEnabled());
}

TEST_F(ModemMainWindow, CancelInTheDialingWindowIsReportedAndLeavesTheWindowDisconnected) {
    StartModem("none");
    SwitchToModem();
    ConnectByPhone("0815", [](TfoDialing *d) { d->findChild<QPushButton *>("Button1")->click(); });
    EXPECT_FALSE(comm->Connected());
    EXPECT_TRUE(messages.contains(LanguageText(2209))) << messages.join('|').toStdString();
    EXPECT_FALSE(CancelRequested);
    EXPECT_EQ(ModemState, 0);
}
