// The module window without a device: what the display shows from ModuleData, the enabling with and
// without module access, the change marks, and the key and clipboard rules of its fields.
// With KORVUL_GRAB_DIR set, every page is also saved there as a PNG for a look at the layout.
#include "ui/JEdit.h"
#include "base/LangSupp.h"
#include "comm/CommState.h"
#include "comm/Conversions.h"
#include "comm/StrList.h"
#include "ui/MainMessages.h"
#include "ui/MainState.h"
#include "module/FoCLM300.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QKeyEvent>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <gtest/gtest.h>
#include <memory>

using namespace korvul;

namespace {

QString Pad(const QString &s, int n) { return PadField(s, n); }

// Module items as a module reports them: channel 2 holds a QT-700/V2 6.1, channel 4 a type with
// version 0.0; receivers 1 and 3 have designations; input 1 calls receiver 3 first.
TStrList SampleModuleData() {
    QString h, j, m, n, o;
    for (int r = 1; r <= 4; ++r) {
        const QString code = r == 2 ? "24" : r == 4 ? "91" : "00";
        const QString version = r == 2 ? "61" : "00";
        h += " " + Pad("Channel " + QString::number(r), 30) + code + version + "11D09600O713";
        j += " " + Pad("HQ " + QString::number(r), 30) + Pad(r == 1 ? "030,123" : "", 25);
        m += "high  low  high 261207090559261207100000042";
        n += QStringLiteral("1low  undefhigh break") + (r == 1 ? "31" : "00") + Pad("Input " + QString::number(r), 30);
        o += (r == 1 ? "1" : "0") + Pad(r == 1 ? "0301111" : "", 20) + Pad(r == 1 || r == 3 ? "Office " + QString::number(r) : "", 30);
    }
    TStrList data;
    for (const auto &[key, value] :
         std::initializer_list<std::pair<const char *, QString>>{{"a", "6012"}, {"b", "0060CLM-300 "}, {"c", "000000300001"},
                                                                 {"d", "Station one"}, {"e", "3"}, {"f", "012345"},
                                                                 {"g", "261207090559"}, {"h", h}, {"i", "09600E81" "3533" "02" "2" "0600070012001300" "T"},
                                                                 {"j", j}, {"l", "0100"}, {"m", m}, {"n", n}, {"o", o}})
        data.SetValue(QString::fromLatin1(key), value);
    return data;
}

void Key(QWidget *w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString &text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QCoreApplication::sendEvent(w, &press);
}
void Type(QWidget *w, const QString &text) {
    for (QChar c : text) Key(w, Qt::Key_unknown, Qt::NoModifier, QString(c));
}

class FoCLM300Window : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(LoadLanguageModuleFile(korvultest::BinDir() + "/korvulDE.lng"));
        SetLocaleFormats({QStringLiteral("dd.mm.yyyy"), QStringLiteral("hh:mm:ss"), u','});
        SetShowMessageHook([this](const QString &t) { messages << t; });
        SetAskYesNoHook([](const QString &, int) { return false; });
        data = SampleModuleData();
    }
    void TearDown() override {
        window.reset();
        ModuleAccess = false;
        ResetLocaleFormats();
        SetShowMessageHook({});
        SetAskYesNoHook({});
        UnloadLanguageModule();
    }
    void Open(bool access) {
        ModuleAccess = access;
        window = std::make_unique<TFoCLM300>(data);
        window->show();
    }
    template <class T = TJEdit> T *W(const char *name) {
        T *w = window->findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    void Choose(const char *box, int index) {
        W<QComboBox>(box)->setCurrentIndex(index);
        emit W<QComboBox>(box)->activated(index);
    }
    bool SetOn() { return W<QPushButton>("btSet")->isEnabled(); }

    TStrList data;
    std::unique_ptr<TFoCLM300> window;
    QStringList messages;
};

} // namespace

TEST_F(FoCLM300Window, DisplayFillsHeaderAndPagesFromTheModuleItems) {
    Open(true);
    EXPECT_EQ(W<QLineEdit>("edDevType")->text(), QStringLiteral("CLM-300 "));
    EXPECT_EQ(W<QLineEdit>("edDate")->text(), QStringLiteral("07.12.2026"));
    EXPECT_EQ(W("jeTime")->text(), QStringLiteral("09:05:59"));
    EXPECT_EQ(W("jeSR")->toolTip(), LanguageText(1663));
    EXPECT_EQ(W<QLineEdit>("jeDevType2")->text(), QStringLiteral("QT-700/V2"));
    EXPECT_EQ(W<QLineEdit>("jeSW2")->text(), QStringLiteral("6.1"));
    EXPECT_EQ(W<QComboBox>("cbParity1")->currentIndex(), 2);   // "O"
    EXPECT_EQ(W<QComboBox>("cbProtocol1")->currentIndex(), 0); // "D"
    EXPECT_EQ(W("jeCAW1end")->text(), QStringLiteral("07:00"));
    EXPECT_EQ(W<QComboBox>("cbDialMth")->currentIndex(), 0);
    EXPECT_EQ(W("jeFrstDT1")->text(), QStringLiteral("07.12.2026  09:05:59"));
    EXPECT_EQ(W("jeEvntCntr4")->text(), QStringLiteral("042"));
    EXPECT_EQ(W("jeCrntState1")->text(), LanguageText(4179));
    EXPECT_EQ(W("jeCrntState2")->text(), LanguageText(4180));
    EXPECT_EQ(W("jeHQPhone1")->text(), QStringLiteral("030,123"));
    EXPECT_EQ(window->findChild<QAction *>("miChannel2")->text(), QStringLiteral("Kanal 2: QT-700/V2"));
}

TEST_F(FoCLM300Window, ReceiverListsHoldNoneAndTheDesignatedReceiversOnly) {
    Open(true);
    QComboBox *first = W<QComboBox>("cbFaxRecF1");
    ASSERT_EQ(first->count(), 3);
    EXPECT_EQ(first->itemText(0), LanguageText(4178));
    EXPECT_EQ(first->itemText(2), QStringLiteral("Office 3"));
    EXPECT_EQ(first->currentIndex(), 2);  // receiver digit 3 is the third entry
    EXPECT_EQ(W<QComboBox>("cbFaxRecS1")->currentIndex(), 1);
    EXPECT_EQ(W<QComboBox>("cbFaxRecF2")->currentIndex(), 0);
}

TEST_F(FoCLM300Window, OnlyChannelsWithAVersionCanBeSwitchedTo) {
    Open(false);
    for (int r = 1; r <= 4; ++r) {
        const bool expected = r == 2;
        EXPECT_EQ(window->findChild<QPushButton *>("btConnect" + QString::number(r))->isEnabled(), expected) << r;
        EXPECT_EQ(window->findChild<QAction *>("miChannel" + QString::number(r))->isEnabled(), expected) << r;
    }
}

TEST_F(FoCLM300Window, WithoutModuleAccessNothingCanBeEditedOrMarked) {
    Open(false);
    for (const char *name : {"jeDevName", "jeHQ1", "jeCAW1Begin"}) EXPECT_FALSE(W(name)->isEnabled()) << name;
    EXPECT_FALSE(W<QComboBox>("cbBaudrate1")->isEnabled());
    EXPECT_FALSE(W<QPushButton>("btConnect")->isEnabled());
    EXPECT_FALSE(window->findChild<QAction *>("acPCTime")->isEnabled());
    EXPECT_TRUE(W<QPushButton>("btDisconnect")->isEnabled());
    EXPECT_TRUE(W<QPushButton>("btHelp")->isEnabled());
    EXPECT_TRUE(window->findChild<QAction *>("acExit")->isEnabled());
    emit W("jeDevName")->textEdited(QStringLiteral("x"));
    W<QSpinBox>("speAtmptNo")->setValue(7);
    EXPECT_FALSE(SetOn());
}

TEST_F(FoCLM300Window, EditsMarkTheirControlAndRejectRestoresTheReadValues) {
    Open(true);
    EXPECT_FALSE(SetOn());
    W<QSpinBox>("speAtmptNo")->setValue(7);  // the attempts per fax receiver alone enable Set
    EXPECT_TRUE(SetOn());
    EXPECT_TRUE(TFoCLM300::IsMarked(W<QSpinBox>("speAtmptNo")));
    Type(W("jeHQ2"), QStringLiteral("x"));
    EXPECT_TRUE(W("jeHQ2")->isModified());
    W<QPushButton>("btReject")->click();
    EXPECT_FALSE(SetOn());
    EXPECT_EQ(W<QSpinBox>("speAtmptNo")->value(), 3);
    EXPECT_EQ(W("jeHQ2")->text(), QStringLiteral("HQ 2"));
    EXPECT_FALSE(TFoCLM300::IsMarked(W<QSpinBox>("speAtmptNo")));
}

TEST_F(FoCLM300Window, FaxServiceSwitchesItsReceiverRow) {
    Open(true);
    EXPECT_TRUE(W("jeFaxNo1")->isEnabled());
    EXPECT_FALSE(W("jeFaxNo2")->isEnabled());
    EXPECT_FALSE(W<QPushButton>("btTest2")->isEnabled());
    Choose("cbService2", 1);
    EXPECT_TRUE(W("jeFaxNo2")->isEnabled());
    EXPECT_TRUE(W("jeDesignation2")->isEnabled());
    EXPECT_TRUE(W<QPushButton>("btTest2")->isEnabled());
    EXPECT_TRUE(SetOn());
    Choose("cbService1", 0);
    EXPECT_FALSE(W("jeFaxNo1")->isEnabled());
}

TEST_F(FoCLM300Window, PhoneFieldsTakeDialCharactersAndPasteTheUsableOnes) {
    Open(true);
    TJEdit *phone = W("jeHQPhone2");
    Type(phone, QStringLiteral("12a+.W,:x"));
    EXPECT_EQ(phone->text(), QStringLiteral("12.W,:"));
    EXPECT_TRUE(SetOn());
    Key(phone, Qt::Key_Backspace);
    EXPECT_EQ(phone->text(), QStringLiteral("12.W,"));
    QApplication::clipboard()->setText(QStringLiteral("(030) 45.6-w"));
    phone->setSelection(0, 2);
    Key(phone, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(phone->text(), QStringLiteral("030456w.W,"));
    phone->deselect();
    Key(phone, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("030456w.W,"));
    phone->setSelection(0, 3);
    Key(phone, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("030"));
    // Output states take no keys at all.
    TJEdit *state = W("jeCrntState1");
    Type(state, QStringLiteral("1"));
    Key(state, Qt::Key_Backspace);
    EXPECT_EQ(state->text(), LanguageText(4179));
}

TEST_F(FoCLM300Window, ClockFromThePollLeavesTheOperatorsDateEntryAlone) {
    Open(true);
    window->RefreshClock(QStringLiteral("261208101112"));
    EXPECT_EQ(W<QLineEdit>("edTime")->text(), QStringLiteral("10:11:12"));
    EXPECT_EQ(W("jeDate")->text(), QStringLiteral("08.12.2026"));
    W("jeDate")->selectAll();
    Type(W("jeDate"), QStringLiteral("01.01.2027"));
    window->RefreshClock(QStringLiteral("261208101213"));
    EXPECT_EQ(W<QLineEdit>("edTime")->text(), QStringLiteral("10:12:13"));
    EXPECT_EQ(W("jeDate")->text(), QStringLiteral("01.01.2027"));
    EXPECT_TRUE(W("jeDate")->isModified());
}

TEST_F(FoCLM300Window, PagesStayWhileATransferRuns) {
    Open(true);
    OperationActive = true;
    W<QTabWidget>("PageControl1")->setCurrentIndex(5);
    W<QTabWidget>("pgcInputs")->setCurrentIndex(2);
    OperationActive = false;
    EXPECT_EQ(W<QTabWidget>("PageControl1")->currentIndex(), 0);
    EXPECT_EQ(W<QTabWidget>("pgcInputs")->currentIndex(), 0);
}

// No on the question discards the edits of an input page; Yes would have set them.
TEST_F(FoCLM300Window, NoOnTheQuestionDiscardsTheEditsOfAnInputPage) {
    Open(true);
    Type(W("jeMsg1"), QStringLiteral("!"));
    W<QTabWidget>("pgcInputs")->setCurrentIndex(1);
    EXPECT_FALSE(SetOn());
    EXPECT_EQ(W("jeMsg1")->text(), QStringLiteral("Input 1"));
}

TEST_F(FoCLM300Window, PagesCanBeSavedAsPictures) {
    const QByteArray dir = qgetenv("KORVUL_GRAB_DIR");
    if (dir.isEmpty()) GTEST_SKIP() << "KORVUL_GRAB_DIR not set";
    Open(true);
    window->resize(900, 520);
    auto *pages = W<QTabWidget>("PageControl1");
    for (int p = 0; p < pages->count(); ++p) {
        const QSignalBlocker block(pages);  // no device: no page read
        pages->setCurrentIndex(p);
        QCoreApplication::processEvents();
        EXPECT_TRUE(window->grab().save(QDir(QString::fromLocal8Bit(dir)).filePath(QStringLiteral("clm300-page%1.png").arg(p))));
    }
}
