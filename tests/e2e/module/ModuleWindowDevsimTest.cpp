// The module window against devsim's CLM-300: opened by the main window's Connect (through the modem
// with the headquarters login; other headquarters than 1 read only), page reads, edits written with Set in
// their records, the call acceptance check, and the switch-through to an end device and back.
#include "app/Wiring.h"
#include "ui/FoConnect.h"
#include "comm/CommClass.h"
#include "module/FoCLM300.h"
#include "e2e/MainWindowDevsimFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QJsonObject>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>

#include "ui/JEdit.h"

#include <algorithm>
#include <vector>

using namespace korvul;
using korvultest::TypeInto;

namespace {

class ModuleWindowDevsim : public korvultest::MainWindowDevsim {
protected:
    void InstallHooks() override {
        InstallModuleWindow();
        MainDialogs().TelephoneList = [](QWidget *) { return true; };
    }
    void TearDown() override {
        ResetModuleSettings();
        korvultest::MainWindowDevsim::TearDown();
    }
    // Through devsim's modem with an end device on the module's channel.
    void ConnectRemote(const QString &password, const QStringList &extra = {}) {
        ConnectModuleByModem(password, QStringList{"--end-device", "2461"} + extra);
        ASSERT_NE(Module(), nullptr) << Messages();
    }
    TFoCLM300 *Module() { return ModuleWindowInstance(); }
    template <class T = TJEdit> T *W(const QString &name) {
        T *w = Module()->findChild<T *>(name);
        EXPECT_NE(w, nullptr) << name.toStdString();
        return w;
    }
    void Choose(const QString &box, int index) {
        W<QComboBox>(box)->setCurrentIndex(index);
        emit W<QComboBox>(box)->activated(index);
    }
    // An item of devsim's saved module state (keyed by the item code in decimal).
    QString ModuleItem(const QJsonObject &state, const char *letter) {
        return state.value("moduleItems").toObject().value(QString::number(int(letter[0]))).toString();
    }
    TStrList &ModuleData() { return window->ModuleData(); }
};

} // namespace

TEST_F(ModuleWindowDevsim, HeadquartersOneGetsAnEditableWindowInsteadOfTheMainWindow) {
    ASSERT_NO_FATAL_FAILURE(ConnectRemote(QStringLiteral("1PASSWORD")));
    EXPECT_TRUE(ModuleAccess);
    EXPECT_TRUE(Module()->isVisible());
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(PollItem, 'g');
    EXPECT_EQ(W<QLineEdit>("edDevType")->text(), QStringLiteral("CLM-300 "));
    EXPECT_EQ(W("jeDevName")->text().trimmed(), QStringLiteral("Station one"));
    EXPECT_TRUE(W("jeDevName")->isEnabled());
    EXPECT_FALSE(W<QPushButton>("btSet")->isEnabled());
    EXPECT_TRUE(W<QPushButton>("btConnect1")->isEnabled());   // the end device on channel 1
    EXPECT_FALSE(W<QPushButton>("btConnect2")->isEnabled());  // version 0.0: nothing there
}

TEST_F(ModuleWindowDevsim, OtherHeadquartersGetAReadOnlyWindow) {
    ASSERT_NO_FATAL_FAILURE(ConnectRemote(QStringLiteral("2PASSWORD")));
    EXPECT_FALSE(ModuleAccess);
    EXPECT_FALSE(W("jeDevName")->isEnabled());
    EXPECT_FALSE(W<QPushButton>("btPCTime")->isEnabled());
    EXPECT_TRUE(W<QPushButton>("btDisconnect")->isEnabled());
    // Typing marks nothing without module access.
    emit W("jeHQ1")->textEdited(QStringLiteral("x"));
    EXPECT_FALSE(W<QPushButton>("btSet")->isEnabled());
}

// Reading needs no module access: headquarters 2 reads every page.
TEST_F(ModuleWindowDevsim, EveryPageReadsItsItemsWhenEntered) {
    ASSERT_NO_FATAL_FAILURE(ConnectRemote(QStringLiteral("2PASSWORD")));
    auto *pages = W<QTabWidget>("PageControl1");
    struct Row { int page; const char *field; const char *text; };
    for (const Row &r : {Row{3, "jeHQ2", "Headquarters 2"}, Row{4, "jeEvntCntr1", "001"}, Row{5, "jeMsg3", "Input 3"},
                         Row{6, "jeDesignation4", "Receiver 4"}, Row{7, "jeCrntState1", "Aus"},
                         Row{1, "jeIntName1", "Channel 1"}, Row{0, "jeDevNo", "000000300001"}}) {
        ModuleData().clear();  // only a read can bring the page's text back
        pages->setCurrentIndex(r.page);
        EXPECT_EQ(W(QString::fromLatin1(r.field))->text(), QString::fromLatin1(r.text)) << "page " << r.page << " " << Messages();
    }
    ModuleData().clear();
    pages->setCurrentIndex(2);
    EXPECT_EQ(W<QComboBox>("cbBaudrate1")->currentText(), QStringLiteral("9600"));
    W<QTabWidget>("PageControl2")->setCurrentIndex(1);
    EXPECT_EQ(W("jeCAW1end")->text(), QStringLiteral("23:59"));
    EXPECT_TRUE(messages.isEmpty()) << Messages();
}

TEST_F(ModuleWindowDevsim, SetWritesTheMarkedRecordsAndShowsWhatTheModuleHolds) {
    ASSERT_NO_FATAL_FAILURE(ConnectRemote(QStringLiteral("1PASSWORD")));
    W("jeHQ2")->selectAll();
    TypeInto(W("jeHQ2"), QStringLiteral("Depot"));
    TypeInto(W("jeHQPhone2"), QStringLiteral("+030-12W"));  // "+" and "-" are refused by the field
    W<QCheckBox>("chbSwitch3")->click();
    W<QSpinBox>("speAtmptNo")->setValue(5);
    W("jeMsg1")->selectAll();
    TypeInto(W("jeMsg1"), QStringLiteral("Door open"));
    Choose(QStringLiteral("cbService2"), 1);
    EXPECT_TRUE(W("jeFaxNo2")->isEnabled());
    TypeInto(W("jeFaxNo2"), QStringLiteral("0815"));
    ASSERT_TRUE(W<QPushButton>("btSet")->isEnabled());
    W<QPushButton>("btSet")->click();
    EXPECT_TRUE(messages.isEmpty()) << Messages();
    EXPECT_FALSE(W<QPushButton>("btSet")->isEnabled());
    EXPECT_EQ(W("jeHQ2")->text(), QStringLiteral("Depot"));
    EXPECT_EQ(W("jeCrntState3")->text(), QStringLiteral("Ein"));
    EXPECT_FALSE(OperationActive);

    const QJsonObject state = DeviceState();
    const QString j = ModuleItem(state, "j");
    EXPECT_EQ(j.mid(56 + 1, 30), PadField(QStringLiteral("Depot"), 30));
    EXPECT_EQ(j.mid(56 + 31, 25), PadField(QStringLiteral("03012W"), 25));
    EXPECT_EQ(ModuleItem(state, "l"), QStringLiteral("0010"));
    EXPECT_EQ(ModuleItem(state, "i").mid(11, 1), QStringLiteral("5"));
    EXPECT_EQ(ModuleItem(state, "n").mid(23, 30), PadField(QStringLiteral("Door open"), 30));
    EXPECT_EQ(ModuleItem(state, "o").mid(51, 5), QStringLiteral("10815"));
}

// Every value a spin box offers fits its record field: Set writes it as shown and the window shows it
// again after the re-read. The table holds the field of every spin box of the window.
TEST_F(ModuleWindowDevsim, EverySpinBoxMaximumIsWrittenAndShownAsSet) {
    ASSERT_NO_FATAL_FAILURE(ConnectRemote(QStringLiteral("1PASSWORD")));
    struct Row { const char *spin; const char *item; int offset; int width; };  // offset 0-based in the item
    const std::vector<Row> rows = {
        {"speTimeout1", "h", 46, 1}, {"speTimeout2", "h", 47 + 46, 1}, {"speTimeout3", "h", 94 + 46, 1},
        {"speTimeout4", "h", 141 + 46, 1}, {"spe2CharTo", "i", 8, 1}, {"speRespTo", "i", 9, 1},
        {"speCDTo", "i", 10, 1}, {"speAtmptNo", "i", 11, 1}, {"spe2CallTo", "i", 12, 2}, {"speRingsNo", "i", 14, 1}};
    for (const QSpinBox *spin : Module()->findChildren<QSpinBox *>()) {
        const bool listed = std::any_of(rows.begin(), rows.end(), [spin](const Row &r) { return spin->objectName() == r.spin; });
        EXPECT_TRUE(listed) << spin->objectName().toStdString() << " has no record field in the table";
    }
    for (const Row &r : rows) {
        auto *spin = W<QSpinBox>(QString::fromLatin1(r.spin));
        spin->setValue(spin->minimum());  // a change even where the module holds the maximum already
        spin->setValue(spin->maximum());
    }
    ASSERT_TRUE(W<QPushButton>("btSet")->isEnabled());
    W<QPushButton>("btSet")->click();
    EXPECT_TRUE(messages.isEmpty()) << Messages();
    const QJsonObject state = DeviceState();
    for (const Row &r : rows) {
        const auto *spin = W<QSpinBox>(QString::fromLatin1(r.spin));
        const QString offered = QString::number(spin->maximum()).rightJustified(r.width, QLatin1Char('0'));
        EXPECT_EQ(ModuleItem(state, r.item).mid(r.offset, r.width), offered) << r.spin;
        EXPECT_EQ(spin->value(), spin->maximum()) << r.spin << " after the re-read";
    }
}

// A refused record stops Set: what was written before it is re-read and shown, nothing after it is sent.
TEST_F(ModuleWindowDevsim, ARefusedRecordEndsSetAndTheWrittenRecordsAreReRead) {
    ASSERT_NO_FATAL_FAILURE(ConnectRemote(QStringLiteral("1PASSWORD"), {"--refuse", "J"}));
    W<QCheckBox>("chbSwitch1")->click();  // "O" for unit 1 goes first
    TypeInto(W("jeHQ1"), QStringLiteral("X"));  // "J" for unit 1 is refused
    W("jeDevName")->selectAll();
    TypeInto(W("jeDevName"), QStringLiteral("Never sent"));  // "D" would come later
    W<QPushButton>("btSet")->click();
    EXPECT_TRUE(Said(TFoCLM300::kRecordRefusedText)) << Messages();
    EXPECT_EQ(W("jeCrntState1")->text(), LanguageText(TFoCLM300::kOutputOnText));
    EXPECT_EQ(W("jeHQ1")->text(), QStringLiteral("Headquarters 1"));
    EXPECT_FALSE(W<QPushButton>("btSet")->isEnabled());
    EXPECT_FALSE(OperationActive);
    EXPECT_NE(Module(), nullptr);
    const QJsonObject state = DeviceState();
    EXPECT_EQ(ModuleItem(state, "l"), QStringLiteral("1000"));
    EXPECT_EQ(ModuleItem(state, "d").trimmed(), QStringLiteral("Station one"));
}

// The connect reads item l once; the outputs page reads it again and the module refuses that read.
TEST_F(ModuleWindowDevsim, ARefusedPageReadIsReportedAndTheWindowStaysConnected) {
    ASSERT_NO_FATAL_FAILURE(ConnectRemote(QStringLiteral("1PASSWORD"), {"--refuse", "l:5@2"}));
    W<QTabWidget>("PageControl1")->setCurrentIndex(mpOutputs);
    EXPECT_EQ(messages, QStringList{LanguageText(TFoCLM300::kReadRefusedText)});
    EXPECT_NE(Module(), nullptr);
    EXPECT_TRUE(comm->Connected());
    EXPECT_FALSE(OperationActive);
    ModuleData().clear();
    W<QTabWidget>("PageControl1")->setCurrentIndex(mpHeadquarters);  // the next page reads as before
    EXPECT_EQ(W("jeHQ1")->text(), QStringLiteral("Headquarters 1")) << Messages();
}

TEST_F(ModuleWindowDevsim, UnsavedEditsAreOfferedBeforeThePageChanges) {
    ASSERT_NO_FATAL_FAILURE(ConnectRemote(QStringLiteral("1PASSWORD")));
    W("jeDevName")->selectAll();
    TypeInto(W("jeDevName"), QStringLiteral("Station two"));
    answerYes = true;
    W<QTabWidget>("PageControl1")->setCurrentIndex(3);
    EXPECT_EQ(questions, QStringList{LanguageText(TFoCLM300::kSaveChangesText)});
    EXPECT_EQ(W<QLineEdit>("edDevName")->text().trimmed(), QStringLiteral("Station two"));
    EXPECT_EQ(ModuleItem(DeviceState(), "d"), PadField(QStringLiteral("Station two"), 30));
}

TEST_F(ModuleWindowDevsim, TwoLevelsTurnUndefAndBreakIntoLowAndHigh) {
    ASSERT_NO_FATAL_FAILURE(ConnectRemote(QStringLiteral("1PASSWORD")));
    EXPECT_EQ(W<QComboBox>("cbUndef1")->currentText(), QStringLiteral("undef"));
    Choose(QStringLiteral("cbLvlNo1"), 0);
    EXPECT_EQ(W<QComboBox>("cbUndef1")->currentText(), QStringLiteral("low"));
    EXPECT_EQ(W<QComboBox>("cbBreak1")->currentText(), QStringLiteral("high"));
    W<QPushButton>("btSet")->click();
    EXPECT_EQ(ModuleItem(DeviceState(), "n").left(21), QStringLiteral("1low  low  high high "));
}

TEST_F(ModuleWindowDevsim, AnInvalidCallAcceptanceTimeRevertsTheWindow) {
    ASSERT_NO_FATAL_FAILURE(ConnectRemote(QStringLiteral("1PASSWORD")));
    W<QTabWidget>("PageControl1")->setCurrentIndex(2);
    W<QTabWidget>("PageControl2")->setCurrentIndex(1);
    TFoCLM300 *module = Module();
    module->activateWindow();
    W("jeCAW1Begin")->setFocus();
    W("jeCAW1Begin")->selectAll();
    TypeInto(W("jeCAW1Begin"), QStringLiteral("24:00"));
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(W("jeCAW1Begin"), &out);
    EXPECT_TRUE(Said(TFoCLM300::kInvalidTimeText)) << Messages();
    EXPECT_EQ(W("jeCAW1Begin")->text(), QStringLiteral("00:00"));
    EXPECT_FALSE(W<QPushButton>("btSet")->isEnabled());
}

TEST_F(ModuleWindowDevsim, SwitchThroughShowsTheEndDeviceAndItsDisconnectReturnsToTheModule) {
    ASSERT_NO_FATAL_FAILURE(ConnectRemote(QStringLiteral("1PASSWORD")));
    W<QPushButton>("btConnect1")->click();
    ASSERT_TRUE(window->isVisible()) << Messages();
    EXPECT_FALSE(Module()->isVisible());
    EXPECT_EQ(DeviceInfo().TypeCode, 24);
    EXPECT_FALSE(window->CommonData().isEmpty());
    EXPECT_EQ(PollItem, 'z');

    Action("acDisconnect")->trigger();
    ASSERT_NE(Module(), nullptr);
    EXPECT_TRUE(Module()->isVisible());
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(PollItem, 'g');
    ModuleData().clear();
    W<QTabWidget>("PageControl1")->setCurrentIndex(3);  // the module answers again
    EXPECT_EQ(W("jeHQ1")->text(), QStringLiteral("Headquarters 1")) << Messages();

    W<QPushButton>("btDisconnect")->click();
    EXPECT_EQ(Module(), nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(comm->Connected());
    EXPECT_TRUE(messages.isEmpty()) << Messages();
}

TEST_F(ModuleWindowDevsim, TheGeneralConnectTakesTheOnlyEndDeviceWithoutAsking) {
    ASSERT_NO_FATAL_FAILURE(ConnectRemote(QStringLiteral("1PASSWORD")));
    ASSERT_TRUE(W<QPushButton>("btConnect")->isEnabled());
    W<QPushButton>("btConnect")->click();
    EXPECT_TRUE(window->isVisible()) << Messages();
    EXPECT_EQ(DeviceInfo().TypeCode, 24);
}

TEST_F(ModuleWindowDevsim, SeveralEndDevicesAreChosenInTheChannelDialog) {
    ASSERT_NO_FATAL_FAILURE(ConnectRemote(QStringLiteral("1PASSWORD"), {"--channel-device", "3:9125"}));
    QStringList offered;
    korvultest::WhenModal<TFoConnect>([&offered](TFoConnect *d) {
        for (int i = 0; i < d->cbChannel()->count(); ++i) offered << d->cbChannel()->itemText(i);
        d->cbChannel()->setCurrentIndex(1);
        d->accept();
    });
    W<QPushButton>("btConnect")->click();
    ASSERT_EQ(offered.size(), 2) << offered.join('|').toStdString();
    EXPECT_TRUE(offered[0].startsWith(QStringLiteral("1: Channel 1, QT-700/V2, 6.1"))) << offered[0].toStdString();
    EXPECT_TRUE(offered[1].startsWith(QStringLiteral("3: "))) << offered[1].toStdString();
    EXPECT_TRUE(window->isVisible()) << Messages();
    EXPECT_EQ(DeviceInfo().TypeCode, 91);
}

// A refused switch-through keeps the module window and its connection.
TEST_F(ModuleWindowDevsim, RefusedSwitchThroughKeepsTheModuleWindow) {
    ASSERT_NO_FATAL_FAILURE(ConnectRemote(QStringLiteral("1PASSWORD"), {"--refuse", "N"}));
    W<QPushButton>("btConnect1")->click();
    EXPECT_TRUE(Said(TFoCLM300::kSwitchRefusedText)) << Messages();
    ASSERT_NE(Module(), nullptr);
    EXPECT_TRUE(Module()->isVisible());
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(comm->Connected());
    EXPECT_FALSE(OperationActive);
}
