// The main window against devsim through linqor32.so and prqt__32.so: connect, channel tabs, the common
// data display, edit and Set, refused and locked writes, read-only access, a lost connection, message
// 1127 and re-entry during an operation. Message boxes go through the MainMessages hooks.
#include "app/Wiring.h"
#include "base/LangSupp.h"
#include "base/Settings.h"
#include "comm/PortFailure.h"
#include "comm/CommState.h"
#include "comm/DeviceTypes.h"
#include "comm/CommClass.h"
#include "ui/FormMeldung.h"
#include "main/FormMain.h"
#include "ui/MainDialogs.h"
#include "ui/MainMessages.h"
#include "ui/MainState.h"
#include "readout/FormReadArch.h"
#include "readout/ReadoutDialogs.h"
#include "e2e/MainWindowDevsimFixture.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using namespace korvul;
using namespace std::chrono_literals;

namespace {

using korvultest::TypeInto;

// Replaces the text of an edit (or of a combo box's edit) the way an operator does.
void Retype(QLineEdit *edit, const QString &text) {
    edit->setFocus();
    edit->selectAll();
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QCoreApplication::sendEvent(edit, &del);
    TypeInto(edit, text);
}

class MainWindowDevice : public korvultest::MainWindowDevsim {
protected:
    // devsim's saved state: channel item (or, with channel -1, device item) by item code.
    QString DeviceItem(int channel, char code) {
        sim.Stop();
        QFile f(statePath);
        if (!f.open(QIODevice::ReadOnly)) return "<no state file>";
        const QJsonObject root = QJsonDocument::fromJson(f.readAll()).object();
        const QJsonObject items = channel < 0 ? root.value("items").toObject()
                                              : root.value("channels").toArray().at(channel).toObject().value("items").toObject();
        return items.value(QString::number(uint8_t(code))).toString();
    }

    QLineEdit *Edit(const char *name) { return window->findChild<QLineEdit *>(name); }
    QComboBox *Box(const char *name) { return window->findChild<QComboBox *>(name); }
    QLabel *Label(const char *name) { return window->findChild<QLabel *>(name); }
    QTabBar *Tabs() { return window->TabControl1(); }
};

} // namespace

TEST_F(MainWindowDevice, LoggerWithFourChannelsFillsTheWindowAndReadsEachTab) {
    StartDevice("2461");
    Connect();
    ASSERT_EQ(Tabs()->count(), 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(Tabs()->tabText(i), LanguageText(139) + QString::number(i + 1));
    EXPECT_TRUE(Tabs()->isEnabled());
    EXPECT_EQ(Edit("edDevType")->text(), "QT-700/V2");
    EXPECT_EQ(Edit("edSw")->text(), "6.1");
    EXPECT_EQ(Edit("edDevNo")->text(), "4711001");
    EXPECT_EQ(Edit("edSetCounter")->text(), "1234");
    EXPECT_EQ(Label("Label7")->text(), LanguageText(116));
    EXPECT_EQ(window->StatusText(), "");
    EXPECT_FALSE(Edit("edDevNo")->isReadOnly());
    // Connected and writable: the state table's actions.
    for (const char *on : {"acDisconnect", "acReadCommData", "acReadArchivData", "acSetDateAndTime", "acNewZCode",
                           "acConfigDevice", "acInitDevice", "acTestRTC", "acCheckMaxima", "acDeleteMeasurements",
                           "acMemoryDump"})
        EXPECT_TRUE(Action(on)->isEnabled()) << on;
    for (const char *off : {"acConnect", "acReadPdb", "acSetData", "acReject", "acDKMACode"})
        EXPECT_FALSE(Action(off)->isEnabled()) << off;
    EXPECT_EQ(window->CommonData().GetValue("a"), "2461");
    EXPECT_EQ(PollItem, 'z');

    Tabs()->setCurrentIndex(3);  // the fourth channel: quantity code "bb" in kelvin
    EXPECT_EQ(Edit("edDevNo")->text(), "4711004");
    EXPECT_EQ(Label("Label7")->text(), LanguageText(180));
    EXPECT_EQ(Label("Label20")->text(), "°C");
    EXPECT_TRUE(Box("cbCpVal")->isHidden());
    EXPECT_TRUE(Edit("edCPz")->isReadOnly());
    EXPECT_EQ(Tabs()->currentIndex(), 3);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
    Action("acDisconnect")->trigger();
    EXPECT_FALSE(comm->Connected());
    EXPECT_TRUE(Action("acConnect")->isEnabled());
    EXPECT_TRUE(Action("acDKMACode")->isEnabled());
    EXPECT_FALSE(Tabs()->isEnabled());
    EXPECT_EQ(Edit("edDevNo")->text(), "");
}

TEST_F(MainWindowDevice, EditedValuesAreWrittenAndTheWindowRefills) {
    StartDevice("2461", {"--no-value-lock"});
    Connect();
    Retype(Edit("edDevNo"), "12345");
    Retype(Box("cbPeriod")->lineEdit(), "5");
    Retype(Box("cbDayBound")->lineEdit(), "6:30");
    Retype(Box("cbCpVal")->lineEdit(), "10");
    Retype(Edit("edCPz"), "12.5");
    EXPECT_TRUE(Action("acSetData")->isEnabled());
    EXPECT_TRUE(Action("acReject")->isEnabled());
    answerYes = true;  // the code mark after the new device number
    Action("acSetData")->trigger();
    EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
    ASSERT_EQ(questions.size(), 1);
    EXPECT_EQ(questions[0], LanguageText(42013));
    EXPECT_EQ(questionHelp[0], 22215);
    EXPECT_EQ(Edit("edDevNo")->text(), "12345");
    EXPECT_FALSE(Edit("edDevNo")->isModified());
    EXPECT_EQ(Box("cbPeriod")->currentText(), "05");
    EXPECT_EQ(Box("cbDayBound")->currentText(), "06:30");
    EXPECT_FALSE(Action("acSetData")->isEnabled());
    EXPECT_EQ(window->CommonData().GetValue("l"), "000000012345");
    EXPECT_EQ(Settings().CODEMARK, 0);  // set aside for the code mark and put back
    EXPECT_EQ(DeviceItem(0, 'l'), "000000012345");
    EXPECT_EQ(DeviceItem(0, 'p'), "05");
    EXPECT_EQ(DeviceItem(-1, '\\'), "0630");
    EXPECT_EQ(DeviceItem(0, 'n'), "03");
    EXPECT_EQ(DeviceItem(0, 'R'), "00007DFF");
    EXPECT_EQ(DeviceItem(0, 'W'), "20005000");  // 500 per hour at Cp 10
}

TEST_F(MainWindowDevice, RefusedWriteIsReportedAndTheWindowShowsWhatTheDeviceHas) {
    StartDevice("2461", {"--refuse", "m:5"});
    Connect();
    Retype(Edit("edDevNo"), "12345");
    Retype(Edit("edCustNo"), "777");
    Action("acSetData")->trigger();
    EXPECT_TRUE(Said(42006)) << messages.join('|').toStdString();
    EXPECT_EQ(Edit("edDevNo")->text(), "4711001");  // refilled from the record
    EXPECT_EQ(Edit("edCustNo")->text(), "777");     // written before the failure report
    EXPECT_FALSE(Action("acSetData")->isEnabled());
    EXPECT_EQ(questions.size(), 1);                 // the code mark offer: the customer number changed
    EXPECT_EQ(DeviceItem(0, 'h'), "000000000777");
}

TEST_F(MainWindowDevice, LockedValueKeepsTheEdit) {
    StartDevice("2461");
    Connect();
    Retype(Box("cbPeriod")->lineEdit(), "15");
    Action("acSetData")->trigger();
    EXPECT_TRUE(Said(42011)) << messages.join('|').toStdString();
    EXPECT_EQ(Box("cbPeriod")->currentText(), "15");
    EXPECT_EQ(DeviceItem(0, 'p'), "60");
}

TEST_F(MainWindowDevice, InvalidEditIsRefusedBeforeAnythingIsWritten) {
    StartDevice("2461", {"--no-value-lock"});
    Connect();
    Retype(Edit("edCustNo"), "777");
    Retype(Box("cbDayBound")->lineEdit(), "630");
    Action("acSetData")->trigger();
    EXPECT_EQ(messages, QStringList{LanguageText(42009)});
    EXPECT_TRUE(Action("acSetData")->isEnabled());
    EXPECT_EQ(DeviceItem(0, 'h'), "000000001001");
}

TEST_F(MainWindowDevice, WrongAccessCodeGivesAReadOnlyWindow) {
    StartDevice("2461");
    Settings().ACCESSCODE = "87654321";
    Connect();
    EXPECT_EQ(window->StatusText(), LanguageText(190));
    for (const char *name : {"edDevNo", "edCountNo", "edCustNo", "edDevUnit", "edCPz", "edAlarmLimit", "edSetCounter"})
        EXPECT_TRUE(Edit(name)->isReadOnly()) << name;
    for (const char *name : {"cbDayBound", "cbPeriod", "cbCpVal", "cbAlarmCycle"}) EXPECT_FALSE(Box(name)->isEnabled()) << name;
    const QColor grey = Edit("edDevNo")->palette().color(QPalette::Base);
    EXPECT_EQ(grey, Edit("edDevNo")->palette().color(QPalette::Button));
    for (const char *off : {"acSetDateAndTime", "acNewZCode", "acConfigDevice", "acInitDevice", "acTestRTC",
                            "acCheckMaxima", "acDeleteMeasurements", "acMemoryDump"})
        EXPECT_FALSE(Action(off)->isEnabled()) << off;
    EXPECT_TRUE(Action("acDisconnect")->isEnabled());
    EXPECT_TRUE(Action("acReadCommData")->isEnabled());
    EXPECT_TRUE(Action("acReadArchivData")->isEnabled());
}

TEST_F(MainWindowDevice, CorrectorRulesOnAnNx17) {
    StartDevice("9140");
    Connect();
    EXPECT_EQ(Tabs()->count(), 4);
    EXPECT_EQ(Edit("edDevType")->text(), "NX-17");
    EXPECT_TRUE(Action("acReadPdb")->isEnabled());
    EXPECT_FALSE(Box("cbCpVal")->isEnabled());  // Y "00": a plain counter with a fixed Cp
    EXPECT_TRUE(Edit("edCPz")->isReadOnly());
    EXPECT_TRUE(Edit("edSetCounter")->isReadOnly());
    EXPECT_TRUE(Edit("edAlarmLimit")->isHidden());
    Tabs()->setCurrentIndex(1);
    EXPECT_EQ(window->CommonData().GetValue("Y"), "01");
    EXPECT_EQ(Edit("edDevNo")->text(), "4711002");
    EXPECT_EQ(Tabs()->currentIndex(), 1);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
}

TEST_F(MainWindowDevice, KeypadWithoutArchive) {
    StartDevice("8401");
    Connect();
    EXPECT_EQ(Tabs()->count(), 2);
    EXPECT_EQ(Edit("edDevType")->text(), "KP-40/T");
    EXPECT_FALSE(Action("acReadArchivData")->isEnabled());
    EXPECT_FALSE(Action("acReadPdb")->isEnabled());
    EXPECT_TRUE(Action("acSetDateAndTime")->isEnabled());
    EXPECT_FALSE(Action("acTestRTC")->isEnabled());
    EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
}

TEST_F(MainWindowDevice, StoppedDeviceReportsTheLostConnectionAndDisconnects) {
    Settings().CHECKTIME = 200;
    StartDevice("2461");
    Connect();
    // The poll keeps the shown clock and the record's clock in step.
    ASSERT_TRUE(korvultest::WaitUntil([&] { return !comm->PollText.isEmpty(); }, 5s));
    EXPECT_TRUE(korvultest::WaitUntil([&] { return window->CommonData().GetValue("z") == comm->PollText; }, 5s));
    sim.Stop();  // its pseudo-terminal closes, as an unplugged adapter's line does
    ASSERT_TRUE(korvultest::WaitUntil([&] { return messages.contains(PortDisconnectedText("COM1")); }, 20s));
    EXPECT_FALSE(comm->Connected());
    EXPECT_TRUE(Action("acConnect")->isEnabled());
    EXPECT_FALSE(Action("acDisconnect")->isEnabled());
    EXPECT_EQ(Edit("edDevNo")->text(), "");
    EXPECT_EQ(messages.count(PortDisconnectedText("COM1")), 1);
}

TEST_F(MainWindowDevice, DisconnectWithEditsAsksAndNoDiscardsThem) {
    StartDevice("2461");
    Connect();
    Retype(Edit("edCustNo"), "42");
    Action("acDisconnect")->trigger();
    ASSERT_EQ(questions.size(), 1);
    EXPECT_EQ(questions[0], LanguageText(42014));
    EXPECT_EQ(questionHelp[0], 13001);
    EXPECT_FALSE(comm->Connected());
    EXPECT_EQ(DeviceItem(0, 'h'), "000000001001");
    // A new connection shows the device's value.
    StartDevice("2461");
    Connect();
    EXPECT_EQ(Edit("edCustNo")->text(), "1001");
}

struct FailedConnectRow {
    const char *fault;
    const char *argument;
    uint16_t text;
};

class MainWindowFailedConnect : public MainWindowDevice, public ::testing::WithParamInterface<FailedConnectRow> {};

// No answer at all is a broken connection; a refused identification is the device's refusal.
TEST_P(MainWindowFailedConnect, ShowsItsTextAndStaysDisconnected) {
    StartDevice("2461", {GetParam().fault, GetParam().argument});
    Action("acConnect")->trigger();
    EXPECT_EQ(messages, QStringList{LanguageText(GetParam().text)});
    EXPECT_FALSE(comm->Connected());
    EXPECT_TRUE(Action("acConnect")->isEnabled());
    EXPECT_FALSE(Action("acDisconnect")->isEnabled());
    EXPECT_FALSE(OperationActive);
    EXPECT_EQ(window->Meldung(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Rows, MainWindowFailedConnect, ::testing::Values(
    FailedConnectRow{"--late", "100000", 2207}, FailedConnectRow{"--refuse", "a:3", 4194}));

TEST_F(MainWindowDevice, ConnectAndDisconnectDuringAnOperationDoNothing) {
    StartDevice("2461");
    TFormMeldung *during = nullptr;
    bool activeDuring = false;
    QString noticeText, noticeCaption;
    QTimer::singleShot(0, window.get(), [&] {
        TFormMeldung *before = window->Meldung();
        if (before) noticeText = before->Text(), noticeCaption = before->windowTitle();
        Action("acConnect")->trigger();   // F3 while connecting
        Action("acDisconnect")->trigger();
        during = window->Meldung() == before ? before : nullptr;
        activeDuring = OperationActive;
    });
    Connect();
    EXPECT_NE(during, nullptr);
    EXPECT_EQ(noticeText, LanguageText(3010));
    EXPECT_EQ(noticeCaption, "Vendrok");
    EXPECT_TRUE(activeDuring);
    EXPECT_FALSE(OperationActive);
    EXPECT_EQ(window->Meldung(), nullptr);
    EXPECT_EQ(window->CommonData().GetValue("a"), "2461");
}

TEST_F(MainWindowDevice, BrokenDialogIsClosedAndTheConnectionEnded) {
    StartDevice("2461");
    Connect();
    QDialog dialog(window.get());
    dialog.show();
    PostConnectionBroken(&dialog);
    ASSERT_TRUE(korvultest::WaitUntil([&] { return Said(2207); }, 5s));
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_FALSE(comm->Connected());
    EXPECT_TRUE(Action("acConnect")->isEnabled());
}

TEST_F(MainWindowDevice, ConfigureWithoutDialogForTheTypeSaysSo) {
    StartDevice("2531");
    Connect();
    Action("acConfigDevice")->trigger();
    EXPECT_EQ(messages, QStringList{LanguageText(3001)});
    messages.clear();
    int opened = 0;
    MainDialogs().ConfigQT700V2 = [&](QWidget *) { ++opened; };
    DeviceInfo().TypeCode = 24;
    Action("acConfigDevice")->trigger();
    MainDialogs().ConfigQT700V2 = nullptr;
    EXPECT_EQ(opened, 1);
    EXPECT_TRUE(messages.isEmpty());
}

// The archive readout runs between a stopped and a restarted poll and leaves the window connected.
TEST_F(MainWindowDevice, ArchiveReadoutFromTheMainWindow) {
    QTemporaryDir files;
    Settings().TempFilePath = files.path();
    Settings().READOUTMODE = "complete";
    QStringList readoutMessages;
    SetReadoutMessageHook([&](const QString &, const QString &text) { readoutMessages << text; });
    InstallReadoutDialogs();
    StartDevice("2461", {"--archive-size", "1200", "--archive-records", "50"});
    Connect();
    Action("acReadArchivData")->trigger();
    MainDialogs() = TMainDialogs{};
    SetReadoutMessageHook({});
    EXPECT_TRUE(QFile::exists(files.filePath("tempz.999"))) << readoutMessages.join('|').toStdString();
    EXPECT_TRUE(comm->Connected());
    EXPECT_EQ(comm->Options(), 26);
    EXPECT_FALSE(OperationActive);
    EXPECT_EQ(Edit("edDevNo")->text(), "4711001");
    EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
}

// The picture of a connected window, kept as an artefact when KORVUL_ARTIFACT_DIR names a directory.
TEST_F(MainWindowDevice, ConnectedWindowPicture) {
    StartDevice("2461");
    Connect();
    const QImage image = window->grab().toImage();
    EXPECT_FALSE(image.isNull());
    const QString dir = qEnvironmentVariable("KORVUL_ARTIFACT_DIR");
    if (!dir.isEmpty()) {
        EXPECT_TRUE(image.save(dir + "/main-connected.png"));
    }
    // The fourth channel's shorter labels and hidden Cp box leave every field where it was.
    const QRect devNo = Edit("edDevNo")->geometry(), setCounter = Edit("edSetCounter")->geometry();
    Tabs()->setCurrentIndex(3);
    QCoreApplication::processEvents();
    EXPECT_EQ(Label("Label7")->text(), LanguageText(180));
    EXPECT_EQ(Edit("edDevNo")->geometry(), devNo);
    EXPECT_EQ(Edit("edSetCounter")->geometry(), setCounter);
}
