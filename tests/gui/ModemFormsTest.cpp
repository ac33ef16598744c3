// The small windows of connecting and reading: cancel question, notice window (dialing, password and
// channel forms further below once they exist).
#include "app/LangSupp.h"
#include "comm/FormMeldung.h"
#include "comm/FrmCancelDlg.h"
#include "support/TestSupport.h"

#include <QApplication>
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
    EXPECT_EQ(WindowCentre(&notice), WindowCentre(&main));
    EXPECT_TRUE(notice.testAttribute(Qt::WA_ShowWithoutActivating));
}
