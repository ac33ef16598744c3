// The QT-700/V, /V2 and /A configuration dialogs from the main window against devsim: what they read,
// what Set writes into the device (seen in devsim's saved state), refusals, and the question on leaving
// with unsaved changes.
#include "app/Wiring.h"
#include "config/ConfigV2ADialogs.h"
#include "comm/PortFailure.h"
#include "config/FoConfigQT700A.h"
#include "config/FoConfigQT700V2.h"
#include "e2e/MainWindowDevsimFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabBar>

using namespace korvul;

namespace korvultest {
namespace {

constexpr const char *kV2 = "2461", *kV = "2133", *kA = "4110";

class ConfigV2ADevsim : public MainWindowDevsim {
protected:
    void InstallHooks() override { InstallConfigV2ADialogs(); }

    // Starts devsim once to have its state file, puts `config` into item Z and starts it again.
    void StartWithConfig(const QString &ident, const QString &config, const QStringList &extra = {}) {
        StartDevice(ident);
        QJsonObject state = DeviceState();
        QJsonObject items = state.value("items").toObject();
        items.insert(QString::number('Z'), config);
        state.insert("items", items);
        QFile f(statePath);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QJsonDocument(state).toJson());
        f.close();
        StartDevice(ident, extra);
    }
    // Opens the configuration dialog from the main window and runs act in it; returns once it closed.
    template <class T>
    bool Configure(std::function<void(T *)> act) {
        bool ran = false;
        WhenModal<T>([&](T *dialog) {
            ran = true;
            if (!qEnvironmentVariableIsEmpty("KORVUL_SHOT_DIR"))
                dialog->grab().save(qEnvironmentVariable("KORVUL_SHOT_DIR") + "/" + dialog->objectName() + ".png");
            act(dialog);
            if (dialog->isVisible()) dialog->close();
        });
        Action("acConfigDevice")->trigger();
        return ran;
    }
    static QString Item(const QJsonObject &state, char item) {
        return state.value("items").toObject().value(QString::number(item)).toString();
    }
    static QString Register(const QJsonObject &state, const char *address) {
        return state.value("registers").toObject().value(address).toString();
    }
    template <class W>
    static W *Child(QWidget *dialog, const char *name) {
        W *w = dialog->findChild<W *>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    // Chooses an entry of a combo box the way a user does (the activated signal runs the handlers).
    static void Choose(QComboBox *box, int index) {
        box->setCurrentIndex(index);
        emit box->activated(index);
    }
    static void Retype(QLineEdit *edit, const QString &text) {
        edit->setFocus();
        edit->setText(QString());
        edit->setCursorPosition(0);
        TypeInto(edit, text);
    }
};

TEST_F(ConfigV2ADevsim, V2ReadsEditsAndSetWritesStringTimesAndReadoutLimit) {
    StartWithConfig(kV2, QStringLiteral("9000000085C0"));
    Connect();
    ASSERT_TRUE(Configure<TFoConfigQT700V2>([this](TFoConfigQT700V2 *d) {
        // Read: sum channel 1..4, output 1 pulse on OR, output 2 pulse on S2 (which the sum function
        // does not offer: the box falls back to its first entry and says so).
        EXPECT_EQ(Child<QComboBox>(d, "cbDevFunc")->currentIndex(), 0);
        EXPECT_EQ(Child<QComboBox>(d, "cbSumCh")->currentIndex(), 1);
        EXPECT_FALSE(Child<QComboBox>(d, "cbSwitching")->isEnabled());
        EXPECT_EQ(Child<QComboBox>(d, "cbOfCh1")->currentData().toString(), "OR");
        EXPECT_EQ(Child<QComboBox>(d, "cbOfCh2")->currentData().toString(), "P1");
        EXPECT_TRUE(messages.contains("Can not find S2 in cbOfCh2 ComboBox!")) << Messages();
        EXPECT_EQ(Child<QLineEdit>(d, "meHTime")->displayText(), "06:00");
        EXPECT_EQ(Child<QLineEdit>(d, "meNTime")->displayText(), "22:00");
        EXPECT_EQ(Child<QSpinBox>(d, "seReadingNumber")->value(), 1);
        EXPECT_FALSE(Child<QPushButton>(d, "btSet")->isEnabled());
        // Switching by control input on all channels; output 2 as sync pulse on S2; new times and limit.
        Choose(Child<QComboBox>(d, "cbDevFunc"), 1);
        Choose(Child<QComboBox>(d, "cbOut2"), 3);
        QComboBox *channel2 = Child<QComboBox>(d, "cbOfCh2");
        Choose(channel2, channel2->findData("S2"));
        Retype(Child<QLineEdit>(d, "meHTime"), "0715");
        Retype(Child<QLineEdit>(d, "meNTime"), "213");
        Child<QSpinBox>(d, "seReadingNumber")->setValue(200);
        ASSERT_TRUE(Child<QPushButton>(d, "btSet")->isEnabled());
        Child<QPushButton>(d, "btSet")->click();
        EXPECT_FALSE(d->isVisible());
        EXPECT_EQ(d->result(), QDialog::Accepted);
    }));
    EXPECT_TRUE(Said(1112)) << Messages();
    EXPECT_TRUE(questions.isEmpty());
    const QJsonObject state = DeviceState();
    // The device function change rebuilt output 1's channel box: its first entry, P1.
    EXPECT_EQ(Item(state, 'Z'), "40000000D580");
    EXPECT_EQ(Item(state, 'N'), "0715");
    EXPECT_EQ(Item(state, 'P'), "2130");
    EXPECT_EQ(Register(state, "2009"), "C8");
}

// On the QT-700/V output 2 and the readout limit cannot be edited, and changing only a time writes
// neither the string nor the limit (devsim refuses '[' here, so writing it would show 1289).
TEST_F(ConfigV2ADevsim, VChangesOnlyTheTimeWithoutStringOrLimit) {
    StartWithConfig(kV, QStringLiteral("9000000085C0"), {"--refuse", "["});
    Connect();
    ASSERT_TRUE(Configure<TFoConfigQT700V2>([this](TFoConfigQT700V2 *d) {
        EXPECT_EQ(d->windowTitle(), LanguageText(1502));
        EXPECT_FALSE(Child<QComboBox>(d, "cbOut2")->isEnabled());
        EXPECT_FALSE(Child<QComboBox>(d, "cbOfCh2")->isEnabled());
        EXPECT_FALSE(Child<QSpinBox>(d, "seReadingNumber")->isEnabled());
        EXPECT_EQ(Child<QSpinBox>(d, "seReadingNumber")->value(), 255);
        Retype(Child<QLineEdit>(d, "meNTime"), "073");
        EXPECT_EQ(Child<QLineEdit>(d, "meNTime")->displayText(), "07:3_");
        Child<QPushButton>(d, "btSet")->click();
    }));
    EXPECT_TRUE(Said(1112)) << Messages();
    EXPECT_FALSE(Said(1289)) << Messages();
    const QJsonObject state = DeviceState();
    EXPECT_EQ(Item(state, 'P'), "0730");
    EXPECT_EQ(Item(state, 'Z'), "9000000085C0");  // output 2 kept as read, even with S2 not offered
    EXPECT_EQ(Register(state, "2009"), "01");
}

TEST_F(ConfigV2ADevsim, V2RefusedReadShowsItsTextAndTheDefault) {
    StartDevice(kV2, {"--refuse", "Z"});
    Connect();
    ASSERT_TRUE(Configure<TFoConfigQT700V2>([](TFoConfigQT700V2 *d) {
        EXPECT_EQ(Child<QComboBox>(d, "cbDevFunc")->currentIndex(), 0);
        EXPECT_EQ(Child<QComboBox>(d, "cbSumCh")->currentIndex(), 1);
        EXPECT_EQ(Child<QComboBox>(d, "cbOut1")->currentIndex(), 1);
        EXPECT_EQ(Child<QComboBox>(d, "cbOfCh1")->currentData().toString(), "P2");
        EXPECT_FALSE(Child<QComboBox>(d, "cbOfCh2")->isEnabled());
        d->btExitClick();
    }));
    EXPECT_TRUE(Said(2210)) << Messages();
    EXPECT_TRUE(questions.isEmpty()) << "nothing was changed";
    EXPECT_TRUE(comm->Connected());
}

// Without the configuration read, Set would write the shown default over the device's configuration:
// nothing can be edited, Set stays off and, reached anyway, says why and writes nothing.
TEST_F(ConfigV2ADevsim, V2AfterARefusedReadSetLeavesTheDeviceConfigurationAlone) {
    StartWithConfig(kV2, QStringLiteral("9000000085C0"), {"--refuse", "Z"});
    Connect();
    ASSERT_TRUE(Configure<TFoConfigQT700V2>([this](TFoConfigQT700V2 *d) {
        auto *set = Child<QPushButton>(d, "btSet");
        for (const char *name : {"cbDevFunc", "cbSumCh", "cbOut1", "cbOfCh1", "cbOut2", "meHTime", "seReadingNumber"})
            EXPECT_FALSE(Child<QWidget>(d, name)->isEnabled()) << name;
        Choose(Child<QComboBox>(d, "cbOut1"), 0);  // a change handler running all the same
        EXPECT_FALSE(set->isEnabled());
        EXPECT_EQ(set->toolTip(), LanguageText(TFoConfigQT700V2::kNotReadText));
        set->click();
        EXPECT_FALSE(d->btSetClick());
        EXPECT_TRUE(d->isVisible());
        d->btExitClick();
    }));
    EXPECT_TRUE(Said(2210)) << Messages();
    EXPECT_TRUE(Said(TFoConfigQT700V2::kNotReadText)) << Messages();
    EXPECT_FALSE(Said(1112)) << Messages();
    EXPECT_TRUE(questions.isEmpty()) << "nothing to save";
    EXPECT_EQ(Item(DeviceState(), 'Z'), "9000000085C0");
    EXPECT_TRUE(comm->Connected());
}

TEST_F(ConfigV2ADevsim, V2RefusedSetShowsItsTextAndKeepsTheChanges) {
    StartDevice(kV2, {"--refuse", "O"});
    Connect();
    ASSERT_TRUE(Configure<TFoConfigQT700V2>([this](TFoConfigQT700V2 *d) {
        Retype(Child<QLineEdit>(d, "meHTime"), "0500");
        EXPECT_FALSE(d->btSetClick());
        EXPECT_TRUE(d->isVisible());
        EXPECT_TRUE(Child<QPushButton>(d, "btSet")->isEnabled());
        answerYes = false;
        d->btExitClick();
    }));
    EXPECT_TRUE(Said(1289)) << Messages();
    EXPECT_EQ(questions, QStringList{LanguageText(42014)});
    EXPECT_EQ(Item(DeviceState(), 'N'), "0600");
}

// A Set whose line breaks leaves the closing to the main window (2207, disconnect) and offers nothing
// for saving on the way out.
TEST_F(ConfigV2ADevsim, V2SetOnABrokenLineClosesThroughTheMainWindowWithoutQuestion) {
    StartDevice(kV2);
    Connect();
    answerYes = true;
    ASSERT_TRUE(Configure<TFoConfigQT700V2>([this](TFoConfigQT700V2 *d) {
        Retype(Child<QLineEdit>(d, "meHTime"), "0500");
        sim.Stop();
        EXPECT_FALSE(d->btSetClick());
        EXPECT_TRUE(WaitUntil([d] { return !d->isVisible(); }, std::chrono::seconds(20)));
    }));
    // The simulator's pseudo-terminal closed, as an unplugged adapter's line does.
    EXPECT_TRUE(messages.contains(PortDisconnectedText("COM1"))) << Messages();
    EXPECT_FALSE(Said(1289)) << Messages();
    EXPECT_TRUE(questions.isEmpty()) << questions.join('|').toStdString();
    EXPECT_FALSE(comm->Connected());
}

TEST_F(ConfigV2ADevsim, LeavingWithChangesAsksAndYesWrites) {
    StartDevice(kV2);
    Connect();
    answerYes = true;
    ASSERT_TRUE(Configure<TFoConfigQT700V2>([](TFoConfigQT700V2 *d) {
        Choose(Child<QComboBox>(d, "cbDevFunc"), 2);
        d->close();  // the close box leaves like Exit
    }));
    EXPECT_EQ(questions, QStringList{LanguageText(42014)});
    EXPECT_TRUE(Said(1112)) << Messages();
    EXPECT_EQ(Item(DeviceState(), 'Z'), "500000008080");
}

TEST_F(ConfigV2ADevsim, LeavingWithChangesAndNoWritesNothing) {
    StartDevice(kV2);
    Connect();
    ASSERT_TRUE(Configure<TFoConfigQT700V2>([](TFoConfigQT700V2 *d) {
        Child<QSpinBox>(d, "seReadingNumber")->setValue(9);
        d->btExitClick();
    }));
    EXPECT_EQ(questions, QStringList{LanguageText(42014)});
    EXPECT_FALSE(Said(1112));
    EXPECT_EQ(Register(DeviceState(), "2009"), "01");
}

TEST_F(ConfigV2ADevsim, ASetWritesBothStatusChannelsAndMovesToTheNextChannel) {
    StartWithConfig(kA, QStringLiteral("8000000080C0"));
    Connect();
    ASSERT_TRUE(Configure<TFoConfigQT700A>([](TFoConfigQT700A *d) {
        QCheckBox *sum = Child<QCheckBox>(d, "cbSumCh"), *st3 = Child<QCheckBox>(d, "cbStCh3"),
                  *st4 = Child<QCheckBox>(d, "cbStCh4");
        EXPECT_TRUE(sum->isChecked());
        EXPECT_FALSE(st3->isEnabled() || st4->isEnabled());
        sum->click();
        EXPECT_TRUE(st3->isEnabled() && st4->isEnabled());
        st3->click();
        st4->click();
        EXPECT_FALSE(sum->isEnabled());
        Child<QPushButton>(d, "btSet")->click();
        EXPECT_EQ(d->result(), QDialog::Accepted);
    }));
    EXPECT_TRUE(Said(1112)) << Messages();
    EXPECT_EQ(window->TabControl1()->currentIndex(), 1);
    EXPECT_TRUE(comm->Connected());
    EXPECT_EQ(Item(DeviceState(), 'Z'), "0050000080C0");
}

TEST_F(ConfigV2ADevsim, ARefusedReadShowsItsText) {
    StartDevice(kA, {"--refuse", "Z"});
    Connect();
    ASSERT_TRUE(Configure<TFoConfigQT700A>([](TFoConfigQT700A *d) {
        EXPECT_TRUE(d->ConfigText().isEmpty());
        EXPECT_TRUE(Child<QCheckBox>(d, "cbSumCh")->isEnabled());
        d->btExitClick();
    }));
    EXPECT_TRUE(Said(1111)) << Messages();
}

// A refused Set asks 1113 (No/OK); No closes the dialog without saving and without asking 42014.
TEST_F(ConfigV2ADevsim, ARefusedSetAsksAndNoClosesWithoutSaving) {
    StartDevice(kA, {"--refuse", "["});
    Connect();
    ASSERT_TRUE(Configure<TFoConfigQT700A>([](TFoConfigQT700A *d) {
        Child<QCheckBox>(d, "cbStCh3")->click();
        EXPECT_FALSE(d->btSetClick());
        EXPECT_FALSE(d->isVisible());
        EXPECT_EQ(d->result(), QDialog::Rejected);
    }));
    EXPECT_EQ(questions, QStringList{LanguageText(1113)});
    EXPECT_FALSE(Said(1112));
    EXPECT_EQ(Item(DeviceState(), 'Z'), "0000000080C0");
}

} // namespace
} // namespace korvultest
