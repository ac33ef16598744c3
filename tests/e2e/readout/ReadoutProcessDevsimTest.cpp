// The process data window against devsim: rows every period for both request kinds, Ok/Er, the copy
// text, answers with a bad checksum, and the question after a failed exchange.
#include "e2e/ReadoutDevsimFixture.h"

#include "base/Wait.h"
#include "readout/FormProcessData.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTableWidget>
#include "ui/FoStatusReg.h"

using namespace korvul;
using namespace readouttest;

namespace {

class ReadoutProcessDevsim : public ReadoutDevsim {
protected:
    // Starts devsim, connects as the main window does, then frees the line for the raw exchange.
    void Open(const QStringList &args) {
        sim.Start(args, Link(), kScale);
        ASSERT_TRUE(sim.Running());
        Connect();
        ASSERT_TRUE(DeviceInfo().HasProcessData);
        DisconnectDevice();
    }
    // Shows the window; script runs every 5 ms with it while it is open.
    int Run(const std::function<void(TFormProcessData *)> &script) {
        QTimer operatorTimer;
        QObject::connect(&operatorTimer, &QTimer::timeout, [&] {
            if (auto *question = qobject_cast<TFrmCancelDlg *>(QApplication::activeModalWidget())) {
                questionText = question->findChild<QLabel *>("lbQuestion")->text();
                if (cancelAnswer) question->findChild<QPushButton *>(cancelAnswer == 6 ? "btYes" : "btNo")->click();
                return;
            }
            if (auto *w = qobject_cast<TFormProcessData *>(QApplication::activeModalWidget())) script(w);
        });
        operatorTimer.start(5);
        return ShowProcessData(nullptr, TProcessDataHeader{"4711", "815", "1001", "1.0", "NX", "17.05.24"});
    }
    QString questionText;
};

struct TTypeCase {
    const char *ident;
    int period;   // seconds the window opens with (PDBPERIOD 5)
};
void PrintTo(const TTypeCase &c, std::ostream *os) { *os << c.ident; }
class ReadoutProcessType : public ReadoutProcessDevsim, public ::testing::WithParamInterface<TTypeCase> {};

TEST_P(ReadoutProcessType, AddsARowEveryPeriodShowsOkAndCopiesAllRows) {
    Settings().PDBPERIOD = 5;
    Open({"--type", GetParam().ident});
    std::vector<qint64> rowTimes;
    QElapsedTimer clock;
    clock.start();
    QString copied;
    int period = 0, rowsAtCopy = 0;
    const int result = Run([&](TFormProcessData *w) {
        period = w->Period();
        if (w->RowCount() > int(rowTimes.size())) rowTimes.push_back(clock.elapsed());
        if (w->RowCount() >= 3 && copied.isEmpty()) {
            rowsAtCopy = w->RowCount();
            w->findChild<QPushButton *>("Button4")->click();
            copied = QGuiApplication::clipboard()->text();
            w->findChild<QPushButton *>("Button6")->click();
        }
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(period, GetParam().period);
    ASSERT_GE(rowTimes.size(), 3u);
    const qint64 periodMs = ScaledMs(GetParam().period * 1000);
    for (size_t i = 1; i < rowTimes.size(); ++i)
        EXPECT_GE(rowTimes[i] - rowTimes[i - 1], periodMs * 8 / 10) << "row " << i;
    const QStringList lines = copied.split("\r\n");
    ASSERT_EQ(lines.size(), rowsAtCopy + 2) << copied.toStdString();   // titles, every row, the empty rest
    EXPECT_TRUE(lines[0].startsWith(LanguageText(320) + "\t"));
    EXPECT_EQ(lines[1].count('\t'), kRawColumns);
    EXPECT_EQ(Settings().PDBPERIOD, GetParam().period);
}

INSTANTIATE_TEST_SUITE_P(Requests, ReadoutProcessType, ::testing::Values(
    TTypeCase{"9301", 5},     // P67 with its byte sum
    TTypeCase{"9140", 10},    // P56, type 91 keeps at least 10 s
    TTypeCase{"9130", 10}),   // P55: type 91 below version 40
    [](const auto &info) { return std::string("Type") + info.param.ident; });

TEST_F(ReadoutProcessDevsim, RowsShowTheValuesAndOkForTheRunningStatus) {
    Settings().PDBPERIOD = 5;
    Open({"--type", "9301"});
    TProcessRow row;
    QString okCell;
    Run([&](TFormProcessData *w) {
        if (w->RowCount() < 1) return;
        row = w->RawRow(0);
        okCell = w->ShownCell(0, kStatusColumn);
        w->findChild<QPushButton *>("Button6")->click();
    });
    EXPECT_EQ(row[7], "80000000");
    EXPECT_EQ(okCell, "Ok");
    EXPECT_EQ(row[0].size(), 8);
    EXPECT_EQ(row[5], "15.00");   // 288.15 K less 273.15
}

TEST_F(ReadoutProcessDevsim, AnyStatusBitShowsEr) {
    Settings().PDBPERIOD = 5;
    Open({"--type", "9301", "--process-status", "00000010"});
    QString cell;
    Run([&](TFormProcessData *w) {
        if (w->RowCount() < 1) return;
        cell = w->ShownCell(0, kStatusColumn);
        w->findChild<QPushButton *>("Button6")->click();
    });
    EXPECT_EQ(cell, "Er");
}

TEST_F(ReadoutProcessDevsim, BadChecksumAddsNoRowAndKeepsRunning) {
    Settings().PDBPERIOD = 5;
    Open({"--type", "9301", "--bad-checksum"});
    QElapsedTimer clock;
    clock.start();
    int rows = -1;
    bool running = false;
    Run([&](TFormProcessData *w) {
        if (clock.elapsed() < ScaledMs(5000) * 3) return;
        rows = w->RowCount();
        running = w->Running();
        w->findChild<QPushButton *>("Button6")->click();
    });
    EXPECT_EQ(rows, 0);
    EXPECT_TRUE(running);
    EXPECT_TRUE(questionText.isEmpty());
}

TEST_F(ReadoutProcessDevsim, FailedExchangeAsksAndYesEndsTheWindow) {
    Settings().PDBPERIOD = 5;
    Open({"--type", "9301"});
    cancelAnswer = 6;
    bool stopped = false;
    const int result = Run([&](TFormProcessData *w) {
        if (w->RowCount() >= 1 && !stopped) {
            stopped = true;
            sim.Stop();
        }
    });
    EXPECT_EQ(result, TFormProcessData::kResultEnd);
    EXPECT_EQ(questionText, LanguageText(250));
}

// No to the question after a failed exchange goes on reading: the timer runs again.
TEST_F(ReadoutProcessDevsim, FailedExchangeAnsweredNoRestartsTheTimer) {
    Settings().PDBPERIOD = 5;
    Open({"--type", "9301"});
    cancelAnswer = 7;
    bool stopped = false, resumed = false;
    const int result = Run([&](TFormProcessData *w) {
        if (!stopped && w->RowCount() >= 1) {
            stopped = true;
            sim.Stop();
            return;
        }
        if (stopped && !questionText.isEmpty() && w->Running()) {
            resumed = true;
            w->findChild<QPushButton *>("Button6")->click();
        }
    });
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(resumed);
    EXPECT_EQ(questionText, LanguageText(250));
}

// The copy text ends every cell with the PDBSEPARATORCHARACTER setting's character.
TEST_F(ReadoutProcessDevsim, CopyUsesTheSeparatorCharacterOfTheSettings) {
    Settings().PDBPERIOD = 5;
    Settings().PDBSEPARATORCHARACTER = ';';
    Open({"--type", "9301"});
    QString copied;
    Run([&](TFormProcessData *w) {
        if (w->RowCount() < 1) return;
        w->findChild<QPushButton *>("Button4")->click();
        copied = QGuiApplication::clipboard()->text();
        w->findChild<QPushButton *>("Button6")->click();
    });
    const QStringList lines = copied.split("\r\n");
    ASSERT_GE(lines.size(), 3) << copied.toStdString();
    EXPECT_EQ(lines[1].count(';'), kRawColumns);
    EXPECT_TRUE(lines[1].endsWith(';'));
    EXPECT_FALSE(copied.contains('\t'));
}

TEST_F(ReadoutProcessDevsim, ButtonsStopTheTimerSwitchTheViewShowTheStatusAndHoldThePeriod) {
    Settings().PDBPERIOD = 5;
    Open({"--type", "9301"});
    bool stoppedByButton = true, flowView = false, statusShown = false;
    QString flowRateCell, stopCaption;
    int periodAfterEnter = 0, intervalAfterEnter = 0;
    Run([&](TFormProcessData *w) {
        if (w->RowCount() < 1) return;
        auto *button1 = w->findChild<QPushButton *>("Button1");
        button1->click();
        stoppedByButton = !w->Running();
        stopCaption = button1->text();
        w->findChild<QPushButton *>("Button2")->click();
        flowView = w->ColumnOrder() == "08934567";
        w->findChild<QPushButton *>("Button3")->click();
        statusShown = FoStatusReg() && FoStatusReg()->isVisible() && !FoStatusReg()->Memo()->toPlainText().isEmpty();
        auto *period = w->findChild<QSpinBox *>("sePeriod");
        period->setValue(120);
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(period, &enter);
        periodAfterEnter = w->Period();
        intervalAfterEnter = w->TimerInterval();
        w->findChild<QPushButton *>("Button6")->click();
    });
    EXPECT_TRUE(stoppedByButton);
    EXPECT_EQ(stopCaption, LanguageText(312));
    EXPECT_TRUE(flowView);
    EXPECT_TRUE(statusShown);
    EXPECT_EQ(periodAfterEnter, 99);
    EXPECT_EQ(intervalAfterEnter, ScaledMs(99000));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, LanguageText(340) + "\r\n" + LanguageFormat(341, {5, 99}) + "\r\n" + LanguageText(342));
    EXPECT_EQ(Settings().PDBPERIOD, 99);
    if (FoStatusReg()) FoStatusReg()->close();
}

// Every caption, label, button and column title of both windows comes from the language modules.
TEST(ReadoutWindows, NoTextPlaceholderLeftInEitherLanguage) {
    for (const char *code : {"DE", "EN"}) {
        const QString module = korvultest::BinDir() + "/korvul" + code + ".lng";
        if (!QFile::exists(module)) GTEST_SKIP() << "language modules are not built";
        ASSERT_TRUE(LoadLanguageModuleFile(module));
        TFormProcessData data;
        TReadArchHost host;
        TFormReadArch arch(nullptr, host);
        for (QWidget *w : {static_cast<QWidget *>(&data), static_cast<QWidget *>(&arch)}) {
            QStringList texts{w->windowTitle()};
            for (auto *b : w->findChildren<QAbstractButton *>()) texts << b->text();
            for (auto *l : w->findChildren<QLabel *>()) texts << l->text();
            for (auto *t : w->findChildren<QTableWidget *>())
                for (int c = 0; c < t->columnCount(); ++c) texts << t->horizontalHeaderItem(c)->text();
            for (auto *t : w->findChildren<QTableView *>())
                for (int c = 0; t->model() && c < t->model()->columnCount(); ++c)
                    texts << t->model()->headerData(c, Qt::Horizontal).toString();
            for (const QString &text : texts)
                EXPECT_FALSE(QRegularExpression("^str[0-9]+$").match(text).hasMatch()) << code << " " << text.toStdString();
        }
    }
}

} // namespace
