// The small dialogs of the module's maintenance actions: entry rules, the texts that keep a dialog
// open, and the result records they close with.
#include "gui/MessageCaptureTest.h"

#include "module/FoAdjustRTC.h"
#include "module/FoChangeCLM300AccessCode.h"
#include "module/FoChangeHQpasswords.h"
#include "module/FoResetUnit.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace korvul;

namespace {

class ModuleDialogs : public korvultest::MessageCaptureTest {
protected:
    template <class T> static T *W(QWidget *d, const char *name) {
        T *w = d->findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    static void Enter(QWidget *w) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QCoreApplication::sendEvent(w, &press);
    }
};

TEST_F(ModuleDialogs, AccessCodeConfirmationAndSendFollowTheEntries) {
    TFoChangeCLM300AccessCode d;
    auto *code = W<QLineEdit>(&d, "jeNewAc");
    auto *confirm = W<QLineEdit>(&d, "jeConfirm");
    auto *send = W<QPushButton>(&d, "btSend");
    EXPECT_FALSE(confirm->isEnabled());
    EXPECT_FALSE(W<QLabel>(&d, "Label2")->isEnabled());
    EXPECT_FALSE(send->isEnabled());
    code->setText(QStringLiteral("ab"));
    EXPECT_TRUE(confirm->isEnabled());
    EXPECT_FALSE(send->isEnabled());
    confirm->setText(QStringLiteral("ab"));
    EXPECT_TRUE(send->isEnabled());
    code->clear();
    EXPECT_FALSE(confirm->isEnabled());
    EXPECT_FALSE(send->isEnabled()) << "a filled confirmation alone does not send";
    EXPECT_EQ(code->echoMode(), QLineEdit::Password);
    EXPECT_EQ(code->maxLength(), 8);
}

TEST_F(ModuleDialogs, DifferentEntriesKeepTheDialogOpenAndEqualOnesGiveTheBlankPaddedCode) {
    TFoChangeCLM300AccessCode d;
    d.show();
    W<QLineEdit>(&d, "jeNewAc")->setText(QStringLiteral("ab"));
    W<QLineEdit>(&d, "jeConfirm")->setText(QStringLiteral("ac"));
    Enter(W<QLineEdit>(&d, "jeConfirm"));
    EXPECT_EQ(shown, QStringList{LanguageText(1720)});
    EXPECT_TRUE(d.isVisible());
    EXPECT_TRUE(d.Result().isEmpty());
    W<QLineEdit>(&d, "jeConfirm")->setText(QStringLiteral("ab"));
    Enter(W<QLineEdit>(&d, "jeConfirm"));
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(d.Result(), QStringLiteral("ab      "));
}

TEST_F(ModuleDialogs, EnterInTheFirstFieldMovesToTheConfirmationAndAnEmptyEntryIsNotSent) {
    TFoChangeHQpasswords d;
    d.show();
    d.activateWindow();
    auto *psw = W<QLineEdit>(&d, "jeNewPsw");
    Enter(psw);  // empty: nothing to send, nothing shown
    EXPECT_TRUE(shown.isEmpty());
    EXPECT_TRUE(d.isVisible());
    psw->setText(QStringLiteral("secret12"));
    psw->setFocus();
    Enter(psw);
    EXPECT_TRUE(d.isVisible()) << "Enter moves to the confirmation instead of sending";
    EXPECT_TRUE(shown.isEmpty());
}

TEST_F(ModuleDialogs, HeadquartersRecordIsTheDigitAndThePasswordInNineCharacters) {
    TFoChangeHQpasswords d;
    EXPECT_EQ(W<QComboBox>(&d, "cbHQNo")->currentIndex(), 0);
    W<QComboBox>(&d, "cbHQNo")->setCurrentIndex(2);
    W<QLineEdit>(&d, "jeNewPsw")->setText(QStringLiteral("abcde"));
    W<QLineEdit>(&d, "jeConfPsw")->setText(QStringLiteral("abcde"));
    W<QPushButton>(&d, "btOk")->click();
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(d.Result(), QStringLiteral("3abcde   "));
}

TEST_F(ModuleDialogs, CorrectionValueRulesKeepTheDialogOpenWithTheirText) {
    TFoAdjustRTC d;
    d.show();
    auto *value = W<QLineEdit>(&d, "edTimeCorrection");
    auto *ok = W<QPushButton>(&d, "btOk");
    EXPECT_FALSE(ok->isEnabled());
    EXPECT_EQ(value->maxLength(), 7);
    value->setText(QStringLiteral("1234567"));
    ok->click();
    value->setText(QStringLiteral("3a"));
    ok->click();
    EXPECT_EQ(shown, (QStringList{LanguageText(2021), LanguageText(2022)}));
    EXPECT_TRUE(d.isVisible());
    value->setText(QStringLiteral("30"));
    ok->click();
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(d.Result(), QStringLiteral("+000030"));
}

TEST_F(ModuleDialogs, ResetDialogsOfferAllFirstAndGiveTheChoiceIndex) {
    TFoResetUnit events(TResetUnitKind::EventInputs);
    auto *inputs = W<QComboBox>(&events, "cbInputNo");
    ASSERT_EQ(inputs->count(), 5);
    EXPECT_EQ(inputs->itemText(0), LanguageText(1926));
    EXPECT_EQ(inputs->currentIndex(), 0);
    EXPECT_EQ(events.Result(), QStringLiteral("0"));
    inputs->setCurrentIndex(4);
    EXPECT_EQ(events.Result(), QStringLiteral("4"));

    TFoResetUnit fax(TResetUnitKind::FaxReceivers);
    auto *receivers = W<QComboBox>(&fax, "cbFaxReceiverNo");
    EXPECT_EQ(receivers->itemText(0), LanguageText(1936));
    EXPECT_EQ(receivers->itemText(2), QStringLiteral("2"));
    receivers->setCurrentIndex(2);
    EXPECT_EQ(fax.Result(), QStringLiteral("2"));
}

TEST_F(ModuleDialogs, MainWindowVariantOfTheAccessCodeDialogUsesItsOwnTexts) {
    TFoChangeCLM300AccessCode d;
    d.UseMainWindowTexts();
    EXPECT_EQ(d.windowTitle(), LanguageText(1902));
    EXPECT_EQ(W<QLabel>(&d, "Label1")->text(), LanguageText(1905));
    EXPECT_EQ(W<QPushButton>(&d, "btSend")->text(), LanguageText(1913));
    EXPECT_TRUE(W<QLabel>(&d, "Label2")->isEnabled());
}

} // namespace
