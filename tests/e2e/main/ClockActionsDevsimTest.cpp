// The main window's clock and maintenance actions against devsim: set date and time, delete
// measurements with and without write access, a new device access code that later connections use, and
// the RTC test with its correction value.
// Modal dialogs are driven from a timer once they are up; message boxes go through the MainMessages hooks.
#include "app/Wiring.h"
#include "base/LangSupp.h"
#include "base/Settings.h"
#include "comm/PortFailure.h"
#include "comm/CommState.h"
#include "comm/Items.h"
#include "comm/CommClass.h"
#include "ui/FoInput.h"
#include "main/ClockDialogs.h"
#include "main/FoNDAC.h"
#include "main/FormMain.h"
#include "main/FormSetTime.h"
#include "ui/MainDialogs.h"
#include "ui/MainMessages.h"
#include "ui/MainState.h"
#include "main/RtcCheck.h"
#include "e2e/MainWindowDevsimFixture.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

using namespace korvul;
using namespace std::chrono_literals;

namespace {

using korvultest::TypeInto;
using korvultest::WhenModal;

class ClockActionsDevice : public korvultest::MainWindowDevsim {
protected:
    void InstallHooks() override { InstallClockDialogs(); }
    QString ArchiveOfChannel(int channel) {
        return DeviceState().value("channels").toArray().at(channel).toObject().value("archive").toString();
    }
};

TEST_F(ClockActionsDevice, SetDateAndTimeMovesTheDeviceClockWithSecondsZero) {
    StartDevice("2461");
    Connect();
    QString shownAtStart;
    WhenModal<TFormSetTime>([&shownAtStart](TFormSetTime *d) {
        shownAtStart = d->findChild<QLineEdit *>("edTime")->text();
        d->findChild<QLineEdit *>("EdDate")->setText(QDate(2030, 1, 2).toString(TFormSetTime::DateFormat()));
        d->findChild<QLineEdit *>("edTime")->setText("03:04");
        d->findChild<QPushButton *>("Button1")->click();
    });
    Action("acSetDateAndTime")->trigger();
    EXPECT_EQ(shownAtStart.size(), 5) << shownAtStart.toStdString();
    ASSERT_TRUE(comm->Connected()) << messages.join('|').toStdString();
    EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
    QString clock;
    ReadItem('z', clock);
    EXPECT_TRUE(clock.startsWith("3001020304")) << clock.toStdString();
    EXPECT_LT(clock.mid(10, 2).toInt(), 5) << "seconds start at 00: " << clock.toStdString();
    EXPECT_EQ(window->CommonData().GetValue("z").left(10), "3001020304");
}

TEST_F(ClockActionsDevice, RefusedClockIsReportedAndTheConnectionIsMadeAgain) {
    StartDevice("2461", {"--refuse", "{:3"});
    Connect();
    WhenModal<TFormSetTime>([](TFormSetTime *d) { d->findChild<QPushButton *>("Button1")->click(); });
    Action("acSetDateAndTime")->trigger();
    EXPECT_EQ(messages, QStringList{LanguageText(850)});
    EXPECT_TRUE(comm->Connected());
    EXPECT_EQ(comm->Options(), 26);
}

TEST_F(ClockActionsDevice, AccessCodeTheDeviceRefusesIsNotStored) {
    StartDevice("2461", {"--refuse", "d:3"});
    Connect();
    WhenModal<TfoNDAC>([](TfoNDAC *d) {
        TypeInto(d->findChild<QLineEdit *>("edAccCode"), "abcdefgh");
        TypeInto(d->findChild<QLineEdit *>("edVerCode"), "abcdefgh");
        d->findChild<QPushButton *>("Button1")->click();
        d->reject();
    });
    Action("acNewZCode")->trigger();
    EXPECT_EQ(messages, QStringList{LanguageText(42006)});
    EXPECT_EQ(Settings().ACCESSCODE, "12345678");
    EXPECT_TRUE(comm->Connected());
    EXPECT_EQ(DeviceState().value("accessCode").toString(), "12345678");
}

TEST_F(ClockActionsDevice, InvalidTimeIsRefusedAndNothingIsWritten) {
    StartDevice("2461");
    Connect();
    WhenModal<TFormSetTime>([](TFormSetTime *d) {
        d->findChild<QLineEdit *>("edTime")->setText("25:61");
        d->findChild<QPushButton *>("Button1")->click();
        d->reject();
    });
    Action("acSetDateAndTime")->trigger();
    EXPECT_TRUE(Said(TFormSetTime::kInvalidText)) << messages.join('|').toStdString();
    EXPECT_TRUE(comm->Connected());
    EXPECT_EQ(DeviceState().value("clockOffset").toDouble(), 0.0);
}

TEST_F(ClockActionsDevice, DeleteMeasurementsWithWriteAccessEmptiesTheArchive) {
    StartDevice("2461", {"--no-value-lock"});
    Connect();
    answerYes = true;
    Action("acDeleteMeasurements")->trigger();
    EXPECT_EQ(questions, QStringList{LanguageText(1446)});
    EXPECT_EQ(messages, QStringList{LanguageText(1447)});
    EXPECT_TRUE(comm->Connected());
    EXPECT_EQ(ArchiveOfChannel(0).left(3), "FF1");
}

TEST_F(ClockActionsDevice, DeleteMeasurementsUnderTheValueLockSaysLockedAndKeepsTheArchive) {
    StartDevice("2461");
    Connect();
    answerYes = true;
    Action("acDeleteMeasurements")->trigger();
    EXPECT_EQ(messages, QStringList{LanguageText(1449)});
    EXPECT_TRUE(comm->Connected());
    EXPECT_NE(ArchiveOfChannel(0).left(3), "FF1");
}

TEST_F(ClockActionsDevice, DeleteMeasurementsAnsweredNoOrWithoutAccessKeepsTheArchive) {
    StartDevice("2461");
    Settings().ACCESSCODE = "87654321";  // wrong: the window is read-only
    Connect();
    answerYes = false;
    DeleteMeasurements(window.get());
    EXPECT_TRUE(messages.isEmpty());
    answerYes = true;
    DeleteMeasurements(window.get());
    EXPECT_EQ(messages, QStringList{LanguageText(1448)});
    EXPECT_TRUE(comm->Connected());
    EXPECT_NE(ArchiveOfChannel(0).left(3), "FF1");
}

TEST_F(ClockActionsDevice, NewAccessCodeIsWrittenStoredAndUsedByTheNextConnection) {
    StartDevice("2461");
    Connect();
    WhenModal<TfoNDAC>([this](TfoNDAC *d) {
        auto *code = d->findChild<QLineEdit *>("edAccCode");
        auto *verify = d->findChild<QLineEdit *>("edVerCode");
        auto *set = d->findChild<QPushButton *>("Button1");
        EXPECT_FALSE(verify->isEnabled());
        EXPECT_FALSE(set->isEnabled());
        TypeInto(code, "abc~defg");  // the tilde is dropped
        EXPECT_EQ(code->text(), "abcdefg");
        TypeInto(verify, "abcdefg");
        set->click();
        EXPECT_TRUE(Said(912));
        TypeInto(code, "h");
        TypeInto(verify, "x");
        set->click();
        EXPECT_TRUE(Said(910));
        verify->backspace();
        TypeInto(verify, "h");
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
        QCoreApplication::sendEvent(verify, &enter);  // Enter in the second field sets
    });
    Action("acNewZCode")->trigger();
    EXPECT_TRUE(Said(921)) << messages.join('|').toStdString();
    EXPECT_EQ(Settings().ACCESSCODE, "abcdefgh");
    ASSERT_TRUE(comm->Connected());

    Action("acDisconnect")->trigger();
    messages.clear();
    Connect();
    EXPECT_TRUE(DeviceInfo().WriteAccess) << messages.join('|').toStdString();
    EXPECT_EQ(DeviceState().value("accessCode").toString(), "abcdefgh");
}

} // namespace

namespace {

QString CorrectionItem(const QJsonObject &state) {
    return state.value("items").toObject().value(QString::number(int('A'))).toString();
}

void PressAtFocus(int key, const QString &text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(QApplication::focusWidget(), &press);
}

// A visible window that stays on top of the others (the wait notice), if any.
QWidget *StayOnTopWindow() {
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible() && (w->windowFlags() & Qt::WindowStaysOnTopHint)) return w;
    return nullptr;
}

// The operator types the period into the entry that has the focus and confirms with Enter; nothing
// covers the entry while it waits.
TEST_F(ClockActionsDevice, RtcTestWritesTheCorrectionOfTheMeasuredPeriodAndShowsItsReadBack) {
    StartDevice("2461");
    Connect();
    QString prompt, title;
    const QWidget *cover = nullptr;
    WhenModal<TfoInput>([&](TfoInput *d) {
        prompt = d->Label1()->text();
        title = d->windowTitle();
        cover = StayOnTopWindow();
        EXPECT_EQ(d->mePeriod()->text(), "1000.0000");
        d->activateWindow();
        if (!korvultest::WaitUntil([d] { return QApplication::focusWidget() == d->mePeriod(); }, 5s)) {
            ADD_FAILURE() << "the period entry never got the focus";
            return d->reject();
        }
        PressAtFocus(Qt::Key_Home);
        for (QChar c : QStringLiteral("10000100")) PressAtFocus(Qt::Key_unknown, QString(c));  // the mask adds the point
        PressAtFocus(Qt::Key_Return, QStringLiteral("\r"));
        if (d->isVisible()) {
            ADD_FAILURE() << "Enter did not confirm " << d->mePeriod()->text().toStdString();
            d->reject();
        }
    });
    Action("acTestRTC")->trigger();
    EXPECT_EQ(cover, nullptr) << "the wait notice stays on top of the period entry";
    EXPECT_EQ(title, LanguageText(TfoInput::kRtcCaptionText));
    EXPECT_EQ(prompt, LanguageText(1445) + " [ms]");
    EXPECT_EQ(messages, QStringList{LanguageFormat(1443, {0.01}) + " [ms]"});
    EXPECT_TRUE(comm->Connected());
    EXPECT_TRUE(window->isEnabled());
    EXPECT_FALSE(OperationActive);
    EXPECT_EQ(comm->Options(), 26);
    EXPECT_EQ(CorrectionItem(DeviceState()), "000186A0");
}

TEST_F(ClockActionsDevice, RtcTestCancelledOnAnNx20SetsTheCorrectionToZeroInMicroseconds) {
    StartDevice("9425");
    Connect();
    QString prompt;
    WhenModal<TfoInput>([&prompt](TfoInput *d) {
        prompt = d->Label1()->text();
        d->reject();
    });
    RunRtcTest(window.get());
    EXPECT_EQ(prompt, LanguageText(1445) + " [us]");
    EXPECT_EQ(messages, QStringList{LanguageText(3014)});
    EXPECT_TRUE(comm->Connected());
    EXPECT_EQ(CorrectionItem(DeviceState()), "00000000");
}

TEST_F(ClockActionsDevice, RtcTestAgainstASilentDeviceReportsTheBrokenConnectionAndDisconnects) {
    StartDevice("2461");
    Connect();
    sim.Stop();
    RunRtcTest(window.get());
    EXPECT_EQ(messages, QStringList{PortDisconnectedText("COM1")});  // its pseudo-terminal closed
    EXPECT_FALSE(comm->Connected());
    EXPECT_TRUE(window->isEnabled());
    EXPECT_FALSE(OperationActive);
}

} // namespace
