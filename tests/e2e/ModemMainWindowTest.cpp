// A remote connection by hand, through the main window: the serial settings switched to a modem, the
// telephone dialog, the dialing window, the connection through devsim's modem with the common data
// shown, and the disconnect with hang-up; the BUSY and Cancel paths end disconnected with their text.
#include "app/LangSupp.h"
#include "app/Settings.h"
#include "app/SettingsComm.h"
#include "app/Telephone.h"
#include "comm/CommState.h"
#include "comm/DeviceTypes.h"
#include "comm/Dialing.h"
#include "comm/Tcomm.h"
#include "main/FormMain.h"
#include "main/MainDialogs.h"
#include "main/MainMessages.h"
#include "main/MainState.h"
#include "support/DevsimProcess.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

using namespace korvul;

namespace {

// Runs `step` on the first visible top-level window of type T once it is up (checked every 20 ms for
// at most 10 s, so a window that never comes shows as a failed expectation, not a hung test).
template <class T> void WhenShown(std::function<void(T *)> step, int triesLeft = 500) {
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *t = qobject_cast<T *>(w); t && t->isVisible()) return step(t);
    if (triesLeft > 0) QTimer::singleShot(20, [step, triesLeft] { WhenShown<T>(step, triesLeft - 1); });
}

class ModemMainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char *file : {"linqor32.so", "prqt__32.so", "devsim", "korvulEN.lng"})
            if (!QFile::exists(korvultest::BinDir() + "/" + file)) GTEST_SKIP() << file << " is not built";
        qputenv("KORVUL_TIME_SCALE", "0.05");
        ASSERT_TRUE(LoadLanguageModuleFile(korvultest::BinDir() + "/korvulEN.lng"));
        SetShowMessageHook([this](const QString &text) { messages << text; });
        SetAskYesNoHook([](const QString &, int) { return false; });
        DeviceInfo() = TDeviceInfo{};
        ModemState = 0;
        CancelRequested = false;
        comm = std::make_unique<TCommClass>("QT");
        SetCommObjectForTests(comm.get());
        InstallProgramDialogs();  // what the program's start does: the option dialogs behind the actions
        window = std::make_unique<TFormMain>();
        Settings() = TSettings{};
        Settings().COM = 1;
        Settings().ACCESSCODE = "12345678";
        Settings().DIAL_TIMEOUT = 20;
        window->show();
    }
    void TearDown() override {
        window.reset();
        MainDialogs() = TMainDialogs{};
        sim.Stop();
        SetCommObjectForTests(nullptr);
        comm.reset();
        OperationActive = false;
        ModemState = 0;
        SetShowMessageHook({});
        SetAskYesNoHook({});
        UnloadLanguageModule();
        qunsetenv("KORVUL_TIME_SCALE");
    }
    void StartModem(const QString &answer) {
        QDir().mkpath(home.korvulDir() + "/ports");
        ASSERT_TRUE(sim.Start({"--type", "2461", "--modem", "--modem-answer", answer},
                              home.korvulDir() + "/ports/COM1", 0.05));
    }
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
    QAction *Action(const char *name) { return window->findChild<QAction *>(name); }

    korvultest::TempConfigHome home;
    korvultest::DevsimProcess sim;
    std::unique_ptr<TCommClass> comm;
    std::unique_ptr<TFormMain> window;
    QStringList messages;
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
