// The small windows of connecting and reading: cancel question, notice window, dialing window,
// headquarter password, end-device choice, and the hooks that connect them to the modem dialogue.
#include "base/LangSupp.h"
#include "comm/CommState.h"
#include "ui/FoDialing.h"
#include "ui/FoConnect.h"
#include "ui/FormMeldung.h"
#include "ui/FrmCancelDlg.h"
#include "ui/ModemWindows.h"
#include "ui/FoPassword.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

using namespace korvul;
using namespace std::chrono_literals;

namespace {

class ModemForms : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("KORVUL_TIME_SCALE", "0.01");
        ASSERT_TRUE(LoadLanguageModuleFile(korvultest::BinDir() + "/korvulEN.lng"));
    }
    void TearDown() override {
        qunsetenv("KORVUL_TIME_SCALE");
        UnloadLanguageModule();
    }
};

// Presses a button of the active modal dialog once it is up.
void ClickWhenShown(const char *buttonName) {
    QTimer::singleShot(0, [buttonName] {
        QWidget *w = QApplication::activeModalWidget();
        if (!w) return ClickWhenShown(buttonName);
        if (auto *b = w->findChild<QPushButton *>(buttonName)) b->click();
    });
}

} // namespace

TEST_F(ModemForms, CancelQuestionAnswersNoByItselfAfterFifteenSeconds) {
    TFrmCancelDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), LanguageText(229));
    EXPECT_EQ(dlg.Question(), LanguageText(226));
    EXPECT_EQ(dlg.findChild<QPushButton *>("btYes")->text(), LanguageText(227));
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(dlg.exec(), TFrmCancelDlg::kResultNo);
    EXPECT_GE(clock.elapsed(), 15000 * 0.01 - 5);
}

TEST_F(ModemForms, CancelQuestionYesNoAndEscape) {
    ClickWhenShown("btYes");
    EXPECT_TRUE(TFrmCancelDlg::Ask(nullptr, QStringLiteral("Stop?")));
    ClickWhenShown("btNo");
    EXPECT_FALSE(TFrmCancelDlg::Ask(nullptr));
    TFrmCancelDlg dlg;
    dlg.SetQuestion(QStringLiteral("Stop now?"));
    EXPECT_EQ(dlg.Question(), QStringLiteral("Stop now?"));
    QTimer::singleShot(0, [&dlg] {
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(&dlg, &esc);
    });
    EXPECT_EQ(dlg.exec(), TFrmCancelDlg::kResultNo);
}

TEST_F(ModemForms, NoticeShowsTextUnderCaptionSizedToTheTextAndCentredOnThePoint) {
    NoticeText = QStringLiteral("Connecting to the device, please wait a moment ...");
    NoticeCaption = QStringLiteral("Vendrok");
    TFormMeldung notice;
    EXPECT_EQ(notice.windowTitle(), "Vendrok");
    EXPECT_TRUE(notice.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(notice.windowFlags() & Qt::WindowCloseButtonHint);
    notice.SetCentrePoint(QPoint(400, 300));
    notice.show();
    const int textWidth = QFontMetrics(notice.findChild<QLabel *>("lbText")->font()).horizontalAdvance(NoticeText);
    EXPECT_GE(notice.width(), textWidth * 4 / 3);
    EXPECT_LE(notice.width(), textWidth * 4 / 3 + 40);
    EXPECT_NEAR(notice.x() + notice.width() / 2, 400, 1);
    EXPECT_NEAR(notice.y() + notice.height() / 2, 300, 1);
    // Modeless, the 3 s timer only sets the result: the notice stays while the operation runs.
    ASSERT_TRUE(korvultest::WaitUntil([&] { return notice.ResultSet(); }, 5s));
    EXPECT_TRUE(notice.isVisible());
    EXPECT_EQ(notice.result(), QDialog::Accepted);
}

TEST_F(ModemForms, ModalNoticeEndsWithOkAfterThreeSeconds) {
    NoticeText = QStringLiteral("Done");
    TFormMeldung notice;
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(notice.exec(), QDialog::Accepted);
    EXPECT_GE(clock.elapsed(), 3000 * 0.01 - 5);
}

TEST(WindowCentre, IsLeftPlusHalfWidthAndTopPlusHalfHeight) {
    QWidget w;
    w.setGeometry(100, 50, 300, 200);
    w.show();
    const QRect f = w.frameGeometry();
    EXPECT_EQ(WindowCentre(&w), QPoint(f.left() + f.width() / 2, f.top() + f.height() / 2));
}

TEST_F(ModemForms, NoticeShownCentredOnAWindowDoesNotTakeTheFocus) {
    QWidget main;
    main.setGeometry(200, 100, 600, 400);
    main.show();
    NoticeText = QStringLiteral("Reading");
    TFormMeldung notice;
    notice.ShowCentredOn(&main);
    EXPECT_TRUE(notice.isVisible());
    EXPECT_NEAR(WindowCentre(&notice).x(), WindowCentre(&main).x(), 2);
    EXPECT_NEAR(WindowCentre(&notice).y(), WindowCentre(&main).y(), 2);
    EXPECT_TRUE(notice.testAttribute(Qt::WA_ShowWithoutActivating));
}

TEST_F(ModemForms, DialingWindowShowsTheNumberStaysOnTopAndCancelsByButtonOrEscape) {
    for (const bool byEscape : {false, true}) {
        CancelRequested = false;
        TfoDialing window;
        window.SetNumber(QStringLiteral("0815"));
        EXPECT_EQ(window.PanelText(), LanguageText(1002) + "0815");
        EXPECT_EQ(window.windowTitle(), LanguageText(1001));
        EXPECT_TRUE(window.windowFlags() & Qt::WindowStaysOnTopHint);
        window.show();
        EXPECT_FALSE(window.isModal());
        if (byEscape) {
            QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(&window, &esc);
        } else {
            window.findChild<QPushButton *>("Button1")->click();
        }
        EXPECT_TRUE(CancelRequested);
        EXPECT_FALSE(window.isVisible());
    }
    CancelRequested = false;
}

TEST_F(ModemForms, PasswordIsHeadquarterDigitAndTypedTextInNineCharactersStartingAtTheFirstHeadquarter) {
    TFoPassword dlg;
    auto *hq = dlg.findChild<QComboBox *>("cbHeadQuarter");
    auto *password = dlg.findChild<QLineEdit *>("jePassword");
    EXPECT_EQ(dlg.windowTitle(), LanguageText(TFoPassword::kTextBase + 1));
    EXPECT_EQ(password->echoMode(), QLineEdit::Password);
    EXPECT_EQ(hq->count(), 4);
    hq->setCurrentIndex(2);
    dlg.show();
    EXPECT_EQ(hq->currentText(), "1");  // reset each time the dialog is shown
    hq->setCurrentIndex(1);
    password->setText(QStringLiteral("abcdefghijkl"));
    EXPECT_EQ(dlg.PasswordText(), "2abcdefgh");
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(password, &enter);  // Enter in the password sends
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
}

TEST_F(ModemForms, PasswordAskGivesNothingOnCancel) {
    ClickWhenShown("btCancel");
    EXPECT_FALSE(TFoPassword::Ask(nullptr).has_value());
}

TEST_F(ModemForms, ConnectFormReadsTheChannelBeforeTheColon) {
    TFoConnect dlg;
    EXPECT_EQ(dlg.windowTitle(), LanguageText(1801));
    EXPECT_EQ(dlg.SelectedChannel(), -1);
    dlg.SetChannels({"1: Boiler, QT-700/V2, 61", "12: Hall, NX-17, 3"});
    EXPECT_EQ(dlg.SelectedChannel(), 1);
    dlg.cbChannel()->setCurrentIndex(1);
    EXPECT_EQ(dlg.SelectedChannel(), 12);
    ClickWhenShown("btExit");
    EXPECT_EQ(dlg.exec(), QDialog::Rejected);
    ClickWhenShown("btConnect");
    EXPECT_EQ(dlg.exec(), QDialog::Accepted);
}

TEST_F(ModemForms, ModemWindowHooksShowAndCloseTheDialingWindowAndAskThePassword) {
    QWidget owner;
    owner.setGeometry(100, 100, 500, 300);
    owner.show();
    InstallModemSupport(&owner);
    ASSERT_TRUE(CommUiHooks().ShowDialing && CommUiHooks().CloseDialing && CommUiHooks().AskPassword);
    ASSERT_TRUE(ModemRoutines().Init && ModemRoutines().Dial && ModemRoutines().HangUp);
    CommUiHooks().ShowDialing(QStringLiteral("0815"));
    auto windows = QApplication::topLevelWidgets();
    auto it = std::find_if(windows.begin(), windows.end(),
                           [](QWidget *w) { return qobject_cast<TfoDialing *>(w) && w->isVisible(); });
    ASSERT_NE(it, windows.end());
    QPointer<QWidget> dialing = *it;
    // Cancel closes and frees the window; closing it afterwards must not touch it again.
    dialing->findChild<QPushButton *>("Button1")->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(dialing.isNull());
    CommUiHooks().CloseDialing();
    CommUiHooks().ShowDialing(QStringLiteral("1234"));
    CommUiHooks().CloseDialing();
    QTimer::singleShot(0, [] {
        QWidget *w = QApplication::activeModalWidget();
        w->findChild<QLineEdit *>("jePassword")->setText("pw");
        w->findChild<QPushButton *>("btSend")->click();
    });
    EXPECT_EQ(CommUiHooks().AskPassword(), std::optional<QString>("1pw      "));
    CommUiHooks() = TCommUiHooks{};
    ModemRoutines() = TModemRoutines{};
    CancelRequested = false;
}
