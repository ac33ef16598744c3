// The main window's common data display without a device: the record shown, edit marks, Reject, the
// counter Cp check on leaving its field, and the states of one display not leaking into the next.
#include "base/LangSupp.h"
#include "comm/DeviceTypes.h"
#include "main/CommonDataWrite.h"
#include "main/FormMain.h"
#include "ui/MainMessages.h"
#include "ui/MainState.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <gtest/gtest.h>

using namespace korvul;

namespace {

void TypeInto(QWidget *w, const QString &text) {
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(w, &press);
    }
}

class FormMainDisplay : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("KORVUL_TIME_SCALE", "0.05");
        ASSERT_TRUE(LoadLanguageModuleFile(korvultest::BinDir() + "/korvulDE.lng"));
        SetShowMessageHook([this](const QString &text) { messages << text; });
        window = std::make_unique<TFormMain>();
    }
    void TearDown() override {
        window.reset();
        DeviceInfo() = TDeviceInfo{};
        SetShowMessageHook({});
        UnloadLanguageModule();
        qunsetenv("KORVUL_TIME_SCALE");
    }
    // Shows one channel of a QT-700/V2 with the quantity code and unit given.
    void Show(const QString &v, const QString &unit, bool writeAccess = true) {
        DeviceInfo() = TDeviceInfo{};
        DeviceInfo().IdentText = "2461";
        IdentifyDeviceType();
        DeviceInfo().WriteAccess = writeAccess;
        window->CommonData() = TStrList{"a=2461", "z=240517101112", "e=SERVICE", "g=240516090807",
                                        "l=000004711001", "j=000000815001", "h=000000001001", "^=" + unit,
                                        "t=00001234", "s=00098765", "r=0005", "\\=0600", "p=60", "|=00001000",
                                        "n=02", "Y=00", "V=" + v, "R=0003E8FE", "W=20000500"};
        window->TabControl1()->setEnabled(true);  // as after a connect: the fields take input
        window->ShowCommonData();
    }
    QAction *Action(const char *name) { return window->findChild<QAction *>(name); }
    QLineEdit *Edit(const char *name) { return window->findChild<QLineEdit *>(name); }
    QComboBox *Box(const char *name) { return window->findChild<QComboBox *>(name); }
    QLabel *Label(const char *name) { return window->findChild<QLabel *>(name); }

    korvultest::TempConfigHome home;
    std::unique_ptr<TFormMain> window;
    QStringList messages;
};

} // namespace

TEST_F(FormMainDisplay, RecordFillsTheFieldsWithoutMarkingAnyEdit) {
    Show("VX", "m3");
    EXPECT_EQ(Edit("edDevNo")->text(), "4711001");
    EXPECT_EQ(Edit("edDevType")->text(), "QT-700/V2");
    EXPECT_EQ(Box("cbPeriod")->currentText(), "60");
    EXPECT_EQ(Box("cbDayBound")->currentText(), "06:00");
    EXPECT_EQ(Box("cbAlarmCycle")->currentIndex(), 1);
    EXPECT_EQ(Label("Label21")->text(), "m3");
    EXPECT_TRUE(Edit("edStatReg")->toolTip().startsWith(LanguageText(132)));
    EXPECT_FALSE(Action("acSetData")->isEnabled());
    EXPECT_FALSE(Edit("edDevNo")->isModified());
    for (const char *box : {"cbDayBound", "cbPeriod", "cbCpVal", "cbAlarmCycle"})
        EXPECT_FALSE(TFormMain::IsMarkedChanged(Box(box))) << box;
    const TCommonDataEdits edits = window->CollectEdits();
    EXPECT_FALSE(edits.DevNo.Changed || edits.Period.Changed || edits.CpVal.Changed);
    EXPECT_TRUE(edits.AlarmVisible);
}

TEST_F(FormMainDisplay, EditsMarkTheFieldAndRejectShowsTheRecordAgain) {
    Show("VX", "m3");
    Edit("edCustNo")->selectAll();
    TypeInto(Edit("edCustNo"), "99");
    TypeInto(Box("cbPeriod")->lineEdit(), "5");
    EXPECT_TRUE(Action("acSetData")->isEnabled());
    EXPECT_TRUE(Action("acReject")->isEnabled());
    EXPECT_TRUE(TFormMain::IsMarkedChanged(Box("cbPeriod")));
    const TCommonDataEdits edits = window->CollectEdits();
    EXPECT_TRUE(edits.CustNo.Changed);
    EXPECT_EQ(edits.CustNo.Text, "99");
    EXPECT_TRUE(edits.Period.Changed);
    EXPECT_FALSE(edits.DevNo.Changed);
    Action("acReject")->trigger();
    EXPECT_EQ(Edit("edCustNo")->text(), "1001");
    EXPECT_EQ(Box("cbPeriod")->currentText(), "60");
    EXPECT_FALSE(Action("acSetData")->isEnabled());
    EXPECT_FALSE(TFormMain::IsMarkedChanged(Box("cbPeriod")));
}

// A field or label that one quantity code hides or renames must come back with the next one.
TEST_F(FormMainDisplay, OneChannelsLayoutDoesNotLeakIntoTheNext) {
    Show("bb", "K");
    EXPECT_TRUE(Box("cbCpVal")->isHidden());
    EXPECT_TRUE(Edit("edCPz")->isReadOnly());
    EXPECT_EQ(Label("Label7")->text(), LanguageText(180));
    EXPECT_EQ(Label("Label20")->text(), "°C");
    Show("VX", "m3");
    EXPECT_FALSE(Box("cbCpVal")->isHidden());
    EXPECT_FALSE(Edit("edCPz")->isReadOnly());
    EXPECT_EQ(Label("Label7")->text(), LanguageText(116));
    EXPECT_FALSE(Edit("edSetCounter")->isReadOnly());
    Show("", "m3");
    EXPECT_EQ(Label("Label7")->text(), LanguageText(124));
    EXPECT_TRUE(Edit("edAlarmLimit")->isHidden());
    EXPECT_TRUE(Edit("edSetCounter")->isReadOnly());
}

TEST_F(FormMainDisplay, ReadOnlyDeviceGreysTheFieldsAndSaysSo) {
    Show("VX", "m3", false);
    EXPECT_EQ(window->StatusText(), LanguageText(190));
    EXPECT_TRUE(Edit("edDevNo")->isReadOnly());
    EXPECT_FALSE(Box("cbPeriod")->isEnabled());
    EXPECT_EQ(Edit("edDevNo")->palette().color(QPalette::Base), Edit("edDevNo")->palette().color(QPalette::Button));
    Show("VX", "m3", true);
    EXPECT_EQ(window->StatusText(), "");
    EXPECT_NE(Edit("edDevNo")->palette().color(QPalette::Base), Edit("edDevNo")->palette().color(QPalette::Button));
    window->ApplyDisconnectedState();
    EXPECT_EQ(Edit("edDevNo")->text(), "");
    EXPECT_EQ(Edit("edStatReg")->toolTip(), "");
}

TEST_F(FormMainDisplay, LeavingTheCounterCpFieldWithTooLargeAValueWarnsAndKeepsTheText) {
    Show("VX", "m3");
    window->show();
    window->activateWindow();
    Edit("edCPz")->setFocus(Qt::OtherFocusReason);
    Edit("edCPz")->selectAll();
    TypeInto(Edit("edCPz"), "16777216");
    Edit("edCustNo")->setFocus(Qt::TabFocusReason);
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(Edit("edCPz"), &out);
    EXPECT_TRUE(messages.contains(LanguageText(42004)));
    EXPECT_EQ(Edit("edCPz")->text(), "16777216");
    messages.clear();
    QFocusEvent windowChange(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QCoreApplication::sendEvent(Edit("edCPz"), &windowChange);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(FormMainDisplay, TabClickDuringAnOperationGoesBackToTheShownChannel) {
    DeviceInfo().ChannelCount = 4;
    for (int c = 2; c <= 4; ++c) window->TabControl1()->addTab(QString::number(c));
    window->SelectTabQuietly(0);
    korvul::OperationActive = true;
    window->TabControl1()->setCurrentIndex(2);
    korvul::OperationActive = false;
    EXPECT_EQ(window->TabControl1()->currentIndex(), 0);
}
