// The QT-700/M configuration dialog from the main window against devsim: every page reads the device,
// takes an edit, and its Set leaves the new values in devsim's saved state; leaving a changed page asks;
// refused entries and refusals of the device are reported and write nothing.
#include "app/Wiring.h"
#include "ui/JEdit.h"
#include "base/Settings.h"
#include "comm/PortFailure.h"
#include "config/ConfigMDialog.h"
#include "config/FoConfigQT700M.h"
#include "e2e/MainWindowDevsimFixture.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>

using namespace korvul;
using namespace korvultest;

namespace {

class ConfigQT700MDevsim : public MainWindowDevsim {
protected:
    void InstallHooks() override { InstallConfigMDialog(); }

    // Connects to a QT-700/M, opens the dialog, runs act in it and closes it with btExit.
    void RunDialog(const std::function<void(TFoConfigQT700M *)> &act, const QStringList &extra = {}) {
        StartDevice(QStringLiteral("4210"), extra);
        Connect();
        bool ran = false;
        WhenModal<TFoConfigQT700M>([&](TFoConfigQT700M *d) {
            act(d);
            ran = true;
            d->btExitClick();
        });
        Action("acConfigDevice")->trigger();
        ASSERT_TRUE(ran) << Messages();
    }
    template <class T>
    static T *W(TFoConfigQT700M *d, const QString &name) {
        T *w = d->findChild<T *>(name);
        EXPECT_NE(w, nullptr) << name.toStdString();
        return w;
    }
    static void Choose(TFoConfigQT700M *d, const QString &box, int index) {
        QComboBox *b = W<QComboBox>(d, box);
        b->setCurrentIndex(index);
        emit b->activated(index);
    }
    // With KORVUL_SHOT_DIR set, the dialog as the operator sees it goes there as a PNG.
    static void Shot(TFoConfigQT700M *d, const char *name) {
        const QString dir = qEnvironmentVariable("KORVUL_SHOT_DIR");
        if (!dir.isEmpty()) d->grab().save(dir + "/" + name + ".png");
    }
    static void ShowPage(TFoConfigQT700M *d, int page) { W<QTabWidget>(d, QStringLiteral("PageControl1"))->setCurrentIndex(page); }
    // One Set step of a sensor page: the entry typed key by key, then Set.
    static void Step(TFoConfigQT700M *d, const QString &edit, const QString &text, const QString &set) {
        TypeInto(W<TJEdit>(d, edit), text);
        W<QPushButton>(d, set)->click();
    }
    QJsonObject Channel(const QJsonObject &state, int c, const char *part) {
        return state["channels"].toArray()[c].toObject()[QLatin1String(part)].toObject();
    }
    QString Register(const QJsonObject &state, int c, const char *reg) { return Channel(state, c, "registers")[QLatin1String(reg)].toString(); }
};

TEST_F(ConfigQT700MDevsim, InputsPageReadsBothChannelsAndWritesTheChangedConfiguration) {
    answerYes = true;
    RunDialog([&](TFoConfigQT700M *d) {
        EXPECT_TRUE(d->Visited(TFoConfigQT700M::pgInputs));
        EXPECT_EQ(W<QComboBox>(d, "cbCountInp1")->currentIndex(), 1);
        EXPECT_EQ(W<QComboBox>(d, "cbCountInp2")->currentIndex(), 1) << "devsim starts with input 1 on both";
        EXPECT_FALSE(W<QPushButton>(d, "btInputsSet")->isEnabled());
        Choose(d, "cbCountInp1", 3);
        Choose(d, "cbCompInp1", 1);
        Choose(d, "cbCountInp2", 2);
        Shot(d, "qt700m-inputs");
        EXPECT_TRUE(W<QPushButton>(d, "btInputsSet")->isEnabled());
        W<QPushButton>(d, "btInputsSet")->click();
        EXPECT_FALSE(W<QPushButton>(d, "btInputsSet")->isEnabled());
    });
    EXPECT_TRUE(messages.isEmpty()) << Messages();
    const QJsonObject state = DeviceState();
    EXPECT_EQ(Register(state, 0, "3001"), "000000410042");
    EXPECT_EQ(Register(state, 1, "3001"), "000000004100");
}

TEST_F(ConfigQT700MDevsim, InputUsedTwiceIsRefusedWithItsDigitAndNothingIsWritten) {
    RunDialog([&](TFoConfigQT700M *d) {
        Choose(d, "cbCountInp1", 2);
        Choose(d, "cbCompInp2", 2);
        W<QPushButton>(d, "btInputsSet")->click();
        EXPECT_FALSE(W<QPushButton>(d, "btInputsSet")->isEnabled());
    });
    EXPECT_TRUE(messages.contains(LanguageFormat(TFoConfigQT700M::kDuplicateInputText, {QStringLiteral("2")}))) << Messages();
    EXPECT_EQ(Register(DeviceState(), 0, "3001"), "000000000041");
}

TEST_F(ConfigQT700MDevsim, OutputsPageShowsTheExtraEntryAndWritesTheNewPair) {
    RunDialog([&](TFoConfigQT700M *d) {
        ShowPage(d, TFoConfigQT700M::pgOutputs);
        EXPECT_EQ(W<QComboBox>(d, "cbOut1")->currentIndex(), 0);
        EXPECT_EQ(W<QComboBox>(d, "cbOfCh1")->currentIndex(), 8) << "C0: the extra entry of function 0";
        EXPECT_EQ(W<QComboBox>(d, "cbOfCh2")->currentIndex(), 0);
        EXPECT_FALSE(W<QPushButton>(d, "btOutputsSet")->isEnabled());
        Choose(d, "cbOut1", 2);
        EXPECT_EQ(W<QComboBox>(d, "cbOfCh1")->count(), 9);
        Choose(d, "cbOfCh1", 7);
        Shot(d, "qt700m-outputs");
        W<QPushButton>(d, "btOutputsSet")->click();
    });
    EXPECT_TRUE(messages.isEmpty()) << Messages();
    EXPECT_EQ(DeviceState()["items"].toObject()["90"].toString(), "0000000080D7");
}

TEST_F(ConfigQT700MDevsim, RefusedOutputWriteShowsTheRefusalTextAndKeepsTheDialog) {
    RunDialog(
        [&](TFoConfigQT700M *d) {
            ShowPage(d, TFoConfigQT700M::pgOutputs);
            Choose(d, "cbOut2", 1);
            W<QPushButton>(d, "btOutputsSet")->click();
            EXPECT_TRUE(d->isVisible());
            EXPECT_FALSE(d->ConnectionBroken());
        },
        {"--refuse", "[:5"});
    EXPECT_TRUE(Said(TFoConfigQT700M::kRefusedText)) << Messages();
    EXPECT_TRUE(comm->Connected());
}

TEST_F(ConfigQT700MDevsim, MemoryPageReadsEveryChannelAndSetRepartitionsTheDevice) {
    answerYes = true;
    int total = 0;
    RunDialog([&](TFoConfigQT700M *d) {
        ShowPage(d, TFoConfigQT700M::pgMemory);
        EXPECT_EQ(W<QLabel>(d, "Label321")->text(), "000004711001");
        EXPECT_EQ(W<QLabel>(d, "Label338")->text(), "60");
        for (int n = 1; n <= 8; ++n) total += W<QSpinBox>(d, QStringLiteral("seMSize%1").arg(n))->value();
        EXPECT_FALSE(W<QLabel>(d, "lbPnt8")->isVisible());
        EXPECT_FALSE(W<QPushButton>(d, "btMemorySet")->isEnabled());
        W<QSpinBox>(d, "seMSize1")->setValue(0);
        W<QPushButton>(d, "btSameSize")->click();
        for (int n = 1; n <= 8; ++n)
            EXPECT_EQ(W<QSpinBox>(d, QStringLiteral("seMSize%1").arg(n))->value(), SameSizeShares(total)[n - 1]);
        W<QSpinBox>(d, "seMSize3")->setValue(SameSizeShares(total)[2] - 10);
        W<QSpinBox>(d, "seMSize4")->setValue(SameSizeShares(total)[3] + 10);
        Shot(d, "qt700m-memory");
        EXPECT_TRUE(W<QPushButton>(d, "btMemorySet")->isEnabled());
        W<QPushButton>(d, "btMemorySet")->click();
        EXPECT_FALSE(W<QPushButton>(d, "btMemorySet")->isEnabled());
        ShowPage(d, TFoConfigQT700M::pgPrint);
        Shot(d, "qt700m-print");
    });
    EXPECT_TRUE(messages.isEmpty()) << Messages();
    EXPECT_TRUE(questions.contains(LanguageText(TFoConfigQT700M::kPartitionQuestion)));
    const QJsonObject state = DeviceState();
    TShares shares = SameSizeShares(total);
    shares[2] -= 10;
    shares[3] += 10;
    for (int c = 0; c < 8; ++c)
        EXPECT_EQ(Register(state, c, "1401").toInt(nullptr, 16), shares[c]) << "channel " << c + 1;
    EXPECT_EQ(state["registers"].toObject()["2810"].toString(), "FFFFFF");
    EXPECT_TRUE(comm->TimerId() != 0) << "polling resumes after the partition";
}

TEST_F(ConfigQT700MDevsim, UnbalancedPartitionIsRefusedBeforeAnyQuestionOrWrite) {
    answerYes = true;
    int sum = 0;
    RunDialog([&](TFoConfigQT700M *d) {
        ShowPage(d, TFoConfigQT700M::pgMemory);
        QSpinBox *first = W<QSpinBox>(d, "seMSize1");
        first->setValue(first->value() - 1);
        for (int n = 1; n <= 8; ++n) sum += W<QSpinBox>(d, QStringLiteral("seMSize%1").arg(n))->value();
        W<QPushButton>(d, "btMemorySet")->click();
        EXPECT_TRUE(W<QPushButton>(d, "btMemorySet")->isEnabled());
        W<QPushButton>(d, "btMemorySet")->setEnabled(false);  // closing asks nothing more
    });
    EXPECT_EQ(messages.value(0), LanguageFormat(TFoConfigQT700M::kUnbalancedText, {sum / 10.0, 1 / 10.0}));
    EXPECT_TRUE(questions.isEmpty());
    EXPECT_EQ(DeviceState()["registers"].toObject()["2810"].toString(), "00") << "nothing written";
}

TEST_F(ConfigQT700MDevsim, LeavingAChangedPageAsksAndYesSetsWhileNoDropsTheChanges) {
    RunDialog([&](TFoConfigQT700M *d) {
        Choose(d, "cbCountInp1", 4);
        answerYes = false;
        ShowPage(d, TFoConfigQT700M::pgOutputs);
        EXPECT_EQ(questions.size(), 1);
        ShowPage(d, TFoConfigQT700M::pgInputs);
        EXPECT_EQ(questions.size(), 1) << "an unchanged page asks nothing";
        Choose(d, "cbCountInp2", 2);
        Choose(d, "cbCompInp2", 3);
        answerYes = true;
        ShowPage(d, TFoConfigQT700M::pgMemory);
        EXPECT_EQ(questions.size(), 2);
    });
    EXPECT_EQ(questions.value(0), LanguageText(TFoConfigQT700M::kUnsavedText));
    const QJsonObject state = DeviceState();
    EXPECT_EQ(Register(state, 0, "3001"), "000000000041") << "No dropped the change of input 4";
    EXPECT_EQ(Register(state, 1, "3001"), "000000424100") << "Yes set counter input 2 and compare input 3";
}

TEST_F(ConfigQT700MDevsim, PressureAnalogRunWritesThreeValuesThenCalculateDerivesOffsetAndSlope) {
    answerYes = true;
    Settings().SENSORADJUSTMENT = QStringLiteral("ANALOG");
    RunDialog([&](TFoConfigQT700M *d) {
        ShowPage(d, TFoConfigQT700M::pgPressure);
        EXPECT_EQ(W<QLabel>(d, "lbMaxValue3")->text(), " 10");
        EXPECT_EQ(W<QLabel>(d, "lbDevType3")->text(), window->findChild<QLineEdit *>("edDevType")->text());
        EXPECT_TRUE(W<QRadioButton>(d, "rbAValues3")->isChecked());
        EXPECT_FALSE(W<TJEdit>(d, "jeLValueA3")->isEnabled());
        TypeInto(W<TJEdit>(d, "jeMaxValueA3"), "1x0");
        EXPECT_EQ(W<TJEdit>(d, "jeMaxValueA3")->text(), "10") << "a letter does not appear";
        W<QPushButton>(d, "btSet3")->click();
        EXPECT_TRUE(W<TJEdit>(d, "jeLValueA3")->isEnabled());
        EXPECT_FALSE(W<TJEdit>(d, "jeMaxValueA3")->isEnabled());
        Step(d, "jeLValueA3", "1", "btSet3");
        EXPECT_FALSE(W<QPushButton>(d, "btCalculate3")->isEnabled());
        Step(d, "jeHValueA3", "5", "btSet3");
        ASSERT_TRUE(W<QPushButton>(d, "btCalculate3")->isEnabled());
        W<QPushButton>(d, "btCalculate3")->click();
        EXPECT_EQ(W<QLabel>(d, "lbSlope3")->text(), "0.4");
        EXPECT_EQ(W<QLabel>(d, "lbOffset3")->text(), "  1");
        Shot(d, "qt700m-pressure");
    });
    EXPECT_TRUE(messages.isEmpty()) << Messages();
    const QJsonObject state = DeviceState();
    EXPECT_EQ(Register(state, 2, "3010"), "2710FD");
    EXPECT_EQ(Register(state, 2, "3810"), "03E8FD") << "the lower value follows the factor of the 10 bar maximum";
    EXPECT_EQ(Register(state, 2, "3811"), "1388FD");
    EXPECT_EQ(Register(state, 2, "3012"), "17D78400F7");
}

TEST_F(ConfigQT700MDevsim, PressureMaximumOutsideTheRangesIsRefusedAndCancelWritesNothing) {
    RunDialog([&](TFoConfigQT700M *d) {
        ShowPage(d, TFoConfigQT700M::pgPressure);
        TypeInto(W<TJEdit>(d, "jeMaxValueA3"), "200\r");
        EXPECT_TRUE(W<QPushButton>(d, "btSet3")->isEnabled()) << "Enter enables Set";
        W<QPushButton>(d, "btSet3")->click();  // the question is answered No
        EXPECT_TRUE(W<QPushButton>(d, "btSet3")->isEnabled()) << "Cancel leaves the buttons";
        answerYes = true;
        W<QPushButton>(d, "btSet3")->click();
        EXPECT_TRUE(W<TJEdit>(d, "jeMaxValueA3")->isEnabled()) << "the step stays";
        EXPECT_FALSE(W<TJEdit>(d, "jeLValueA3")->isEnabled());
    });
    EXPECT_TRUE(messages.contains(LanguageFormat(kMaximumOutOfRangeText, {QStringLiteral("200")}))) << Messages();
    EXPECT_EQ(Register(DeviceState(), 2, "3010"), "2710FD");
}

TEST_F(ConfigQT700MDevsim, TemperatureBinaryRunWritesMaximumOffsetAndSlopeAndKeepsTheMode) {
    answerYes = true;
    Settings().SENSORADJUSTMENT = QStringLiteral("BINARY");
    RunDialog([&](TFoConfigQT700M *d) {
        ShowPage(d, TFoConfigQT700M::pgTemperature);
        EXPECT_TRUE(W<QRadioButton>(d, "rbBValues4")->isChecked());
        EXPECT_EQ(W<QLabel>(d, "lbMaxValue4")->text(), " 60") << "0D04FF: 333.2 K";
        Step(d, "jeMaxValueB4", "60", "btSet4");
        Step(d, "jeOffset4", "1,5", "btSet4");
        Step(d, "jeSlope4", "2", "btSet4");
        Shot(d, "qt700m-temperature");
        EXPECT_TRUE(W<QPushButton>(d, "btCalculate4")->isEnabled());
        W<QRadioButton>(d, "rbAValues4")->click();
        EXPECT_TRUE(W<TJEdit>(d, "jeMaxValueA4")->isEnabled());
        EXPECT_FALSE(W<TJEdit>(d, "jeMaxValueB4")->isEnabled());
    });
    EXPECT_TRUE(messages.isEmpty()) << Messages();
    EXPECT_EQ(Settings().SENSORADJUSTMENT, "ANALOG");
    const QJsonObject state = DeviceState();
    EXPECT_EQ(Register(state, 3, "3010"), "0D04FF");
    EXPECT_EQ(Register(state, 3, "3011"), "000FFF");
    EXPECT_EQ(Register(state, 3, "3012"), "00000014FF");
    EXPECT_EQ(Register(state, 2, "3010"), "2710FD") << "the pressure channel is untouched";
}

} // namespace

namespace {

TEST_F(ConfigQT700MDevsim, LostDeviceClosesTheDialogWithOneMessageAndDisconnects) {
    answerYes = true;
    RunDialog([&](TFoConfigQT700M *d) {
        Choose(d, "cbCountInp1", 2);
        sim.Stop();
        W<QPushButton>(d, "btInputsSet")->click();
        EXPECT_TRUE(d->ConnectionBroken());
        ShowPage(d, TFoConfigQT700M::pgMemory);  // no further device traffic, no further message
    });
    ASSERT_TRUE(WaitUntil([&] { return !comm->Connected(); }, std::chrono::seconds(10)));
    EXPECT_EQ(messages.count(PortDisconnectedText("COM1")), 1) << Messages();  // its pseudo-terminal closed
    EXPECT_FALSE(Said(TFoConfigQT700M::kRefusedText));
}

} // namespace
