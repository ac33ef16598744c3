// The module's maintenance actions against devsim's CLM-300 reached through its modem: each action's
// dialog or question, its write as devsim keeps it, the re-read, the confirmation and refusal texts,
// and the reaction to a line that is gone. The module window is not needed: the actions run on the main
// window with its ModuleData, as the module window runs them.
#include "comm/Items.h"
#include "module/ModuleItems.h"
#include "module/FoAdjustRTC.h"
#include "module/FoChangeCLM300AccessCode.h"
#include "module/FoChangeHQpasswords.h"
#include "module/ModuleActions.h"
#include "module/FoResetUnit.h"
#include "e2e/MainWindowDevsimFixture.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

using namespace korvul;

namespace {

class ModuleActionsDevsim : public korvultest::MainWindowDevsim {
protected:
    void InstallHooks() override {
        MainDialogs().TelephoneList = [](QWidget *) { return true; };
        // The module window's part of the connect: the module items with the access code.
        MainDialogs().OpenModuleWindow = [](QWidget *, TStrList &data) {
            ReadModuleItems(data, QString::fromLatin1(kModuleReadLetters), true);
        };
    }
    void TearDown() override {
        ResetModuleSettings();
        korvultest::MainWindowDevsim::TearDown();
    }
    void ConnectAs(const QString &password, const QStringList &extra = {}) { ConnectModuleByModem(password, extra); }
    TStrList &Data() { return window->ModuleData(); }
    QWidget *Parent() { return window.get(); }
    static QJsonObject Module(const QJsonObject &state, const char *part) { return state.value(part).toObject(); }
    static QString Item(const QJsonObject &state, char letter) {
        return Module(state, "moduleItems").value(QString::number(int(letter))).toString();
    }
    static QString Kept(const QJsonObject &state, const char *key) {
        return Module(state, "moduleState").value(QString::fromLatin1(key)).toString();
    }
};

template <class T> T *Child(QWidget *dialog, const char *name) {
    T *w = dialog->findChild<T *>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

} // namespace

TEST_F(ModuleActionsDevsim, HeadquartersOneResetsClockCountersAndRegisterAsTheModuleKeepsThem) {
    ConnectAs(QStringLiteral("1PASSWORD"));
    ASSERT_TRUE(ModuleAccess) << Messages();
    Data().SetValue(QStringLiteral("g"), QStringLiteral("000101000000"));
    EXPECT_EQ(TakePcTime(Parent(), Data()), TModuleActionEnd::Redisplay);
    const QDateTime module = QDateTime::fromString("20" + Data().GetValue(QStringLiteral("g")), "yyyyMMddHHmmss");
    EXPECT_LT(std::abs(module.secsTo(QDateTime::currentDateTime())), 120) << Data().GetValue("g").toStdString();

    answerYes = false;
    EXPECT_EQ(ResetWorkingHours(Parent(), Data()), TModuleActionEnd::Stay);
    EXPECT_EQ(Data().GetValue(QStringLiteral("f")), QStringLiteral("012345")) << "No writes nothing";
    answerYes = true;
    EXPECT_EQ(ResetWorkingHours(Parent(), Data()), TModuleActionEnd::Redisplay);
    EXPECT_EQ(Data().GetValue(QStringLiteral("f")), QStringLiteral("000000"));
    EXPECT_EQ(ResetStatusRegister(Parent(), Data()), TModuleActionEnd::Redisplay);
    EXPECT_EQ(questions, (QStringList{LanguageText(1698), LanguageText(1698), LanguageText(1697)}));

    korvultest::WhenModal<TFoResetUnit>([](TFoResetUnit *d) {
        EXPECT_EQ(d->Kind(), TResetUnitKind::EventInputs);
        Child<QPushButton>(d, "btReset")->click();
    });
    EXPECT_EQ(ResetEventInputs(Parent(), Data()), TModuleActionEnd::RereadPage);
    korvultest::WhenModal<TFoResetUnit>([](TFoResetUnit *d) {
        EXPECT_EQ(d->Kind(), TResetUnitKind::FaxReceivers);
        Child<QComboBox>(d, "cbFaxReceiverNo")->setCurrentIndex(3);
        Child<QPushButton>(d, "btReset")->click();
    });
    EXPECT_EQ(ResetFaxMessageCounter(Parent(), Data()), TModuleActionEnd::Stay);
    EXPECT_EQ(TestFaxReceiver(Parent(), Data(), 2), TModuleActionEnd::Stay);
    EXPECT_TRUE(Said(4197)) << Messages();

    const QJsonObject state = DeviceState();
    EXPECT_EQ(Item(state, 'f'), QStringLiteral("000000"));
    EXPECT_EQ(Item(state, 'm').mid(3 * 43 + 16, 27), QString(27, QLatin1Char('0'))) << "all inputs reset";
    EXPECT_EQ(Kept(state, "faxMessages"), QStringLiteral("003000000000")) << "receiver 3 only";
    EXPECT_EQ(Kept(state, "faxTests"), QStringLiteral("000001000000"));
}

TEST_F(ModuleActionsDevsim, PasswordAccessCodeAndClockCorrectionDialogsSendTheirRecords) {
    ConnectAs(QStringLiteral("1PASSWORD"));
    ASSERT_TRUE(ModuleAccess) << Messages();
    korvultest::WhenModal<TFoChangeHQpasswords>([](TFoChangeHQpasswords *d) {
        Child<QComboBox>(d, "cbHQNo")->setCurrentIndex(2);
        Child<QLineEdit>(d, "jeNewPsw")->setText(QStringLiteral("abcde"));
        Child<QLineEdit>(d, "jeConfPsw")->setText(QStringLiteral("abcde"));
        Child<QPushButton>(d, "btOk")->click();
    });
    EXPECT_EQ(ChangeHqPasswords(Parent(), Data()), TModuleActionEnd::Stay);
    korvultest::WhenModal<TFoAdjustRTC>([](TFoAdjustRTC *d) {
        Child<QLineEdit>(d, "edTimeCorrection")->setText(QStringLiteral("-5"));
        Child<QPushButton>(d, "btOk")->click();
    });
    EXPECT_EQ(AdjustModuleRtc(Parent(), Data()), TModuleActionEnd::Stay);
    korvultest::WhenModal<TFoChangeCLM300AccessCode>([](TFoChangeCLM300AccessCode *d) {
        Child<QLineEdit>(d, "jeNewAc")->setText(QStringLiteral("ab"));
        Child<QLineEdit>(d, "jeConfirm")->setText(QStringLiteral("ab"));
        Child<QPushButton>(d, "btSend")->click();
    });
    EXPECT_EQ(ChangeModuleAccessCode(Parent(), Data()), TModuleActionEnd::Stay);
    EXPECT_TRUE(Said(4186) && Said(4196) && Said(4193)) << Messages();
    EXPECT_EQ(Settings().CLM300ACCESSCODE, QStringLiteral("ab      "));
    EXPECT_FALSE(OperationActive);

    const QJsonObject state = DeviceState();
    EXPECT_EQ(Kept(state, "hq3"), QStringLiteral("abcde   "));
    EXPECT_EQ(Kept(state, "hq1"), QStringLiteral("PASSWORD"));
    EXPECT_EQ(Kept(state, "rtcCorrection"), QStringLiteral("-000005"));
    EXPECT_EQ(Kept(state, "accessCode"), QStringLiteral("ab      "));
}

TEST_F(ModuleActionsDevsim, CancelledDialogsAndARunningOperationWriteNothing) {
    ConnectAs(QStringLiteral("1PASSWORD"));
    ASSERT_TRUE(ModuleAccess) << Messages();
    korvultest::WhenModal<TFoChangeHQpasswords>([](TFoChangeHQpasswords *d) {
        Child<QLineEdit>(d, "jeNewPsw")->setText(QStringLiteral("x"));
        Child<QPushButton>(d, "btCnacel")->click();
    });
    EXPECT_EQ(ChangeHqPasswords(Parent(), Data()), TModuleActionEnd::Stay);
    EXPECT_FALSE(OperationActive) << "a cancelled dialog must not leave the window blocked";
    OperationActive = true;
    EXPECT_EQ(AdjustModuleRtc(Parent(), Data()), TModuleActionEnd::Stay);  // no dialog comes up
    EXPECT_EQ(TakePcTime(Parent(), Data()), TModuleActionEnd::Stay);
    OperationActive = false;
    EXPECT_TRUE(messages.isEmpty()) << Messages();
    const QJsonObject state = DeviceState();
    EXPECT_EQ(Kept(state, "hq1"), QStringLiteral("PASSWORD"));
    EXPECT_EQ(Kept(state, "rtcCorrection"), QStringLiteral("+000000"));
}

TEST_F(ModuleActionsDevsim, HeadquartersTwoIsReadOnlyAndTheModuleRefusesItsWrites) {
    ConnectAs(QStringLiteral("2PASSWORD"));
    EXPECT_FALSE(HQFlag);
    EXPECT_FALSE(ModuleAccess) << "no module access code is sent after a login as headquarters 2";
    EXPECT_EQ(Data().GetValue(QStringLiteral("a")).left(2), QStringLiteral("60"));
    answerYes = true;
    EXPECT_EQ(ResetStatusRegister(Parent(), Data()), TModuleActionEnd::Stay);
    EXPECT_TRUE(Said(4182)) << Messages();
    EXPECT_TRUE(comm->Connected());
}

TEST_F(ModuleActionsDevsim, RefusedWriteShowsTheActionsTextAndKeepsTheConnection) {
    ConnectAs(QStringLiteral("1PASSWORD"), {"--refuse", "M:9", "--refuse", "R:4"});
    ASSERT_TRUE(ModuleAccess) << Messages();
    korvultest::WhenModal<TFoAdjustRTC>([](TFoAdjustRTC *d) {
        Child<QLineEdit>(d, "edTimeCorrection")->setText(QStringLiteral("30"));
        Child<QPushButton>(d, "btOk")->click();
    });
    EXPECT_EQ(AdjustModuleRtc(Parent(), Data()), TModuleActionEnd::Stay);
    EXPECT_EQ(TestFaxReceiver(Parent(), Data(), 1), TModuleActionEnd::Stay);
    EXPECT_TRUE(Said(4195) && Said(4189)) << Messages();
    EXPECT_FALSE(Said(4196)) << "a refusal is never reported as done";
    EXPECT_FALSE(OperationActive);
    EXPECT_TRUE(comm->Connected());
}

TEST_F(ModuleActionsDevsim, LineGoneEndsTheActionWithDisconnectAndNoRefusalText) {
    ConnectAs(QStringLiteral("1PASSWORD"));
    ASSERT_TRUE(ModuleAccess) << Messages();
    sim.Stop();
    EXPECT_EQ(TestFaxReceiver(Parent(), Data(), 1), TModuleActionEnd::Disconnect);
    EXPECT_FALSE(Said(4189)) << Messages();
}
