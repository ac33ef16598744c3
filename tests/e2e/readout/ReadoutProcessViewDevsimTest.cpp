// The process data table against devsim as the operator reads it: titles with their units and never
// cut off, numbers right-aligned, the flow-rate view over every row, and the status register window
// in front of the process data window.
#include "e2e/ReadoutDevsimFixture.h"

#include "ui/FoStatusReg.h"
#include "readout/FormProcessData.h"

#include <QElapsedTimer>
#include <QHeaderView>
#include <QKeyEvent>
#include <QStyle>
#include <QTableView>
#include <QWindow>

using namespace korvul;
using namespace readouttest;

namespace {

class ReadoutProcessView : public ReadoutDevsim {
protected:
    void SetUp() override {
        ReadoutDevsim::SetUp();
        if (IsSkipped()) return;
        Settings().PDBPERIOD = 5;
    }
    void TearDown() override {
        DestroyStatusRegWindow();
        ReadoutDevsim::TearDown();
    }
    void Open(const char *ident) {
        ASSERT_TRUE(sim.Start({"--type", ident}, Link(), kScale));
        Connect();
        ASSERT_TRUE(DeviceInfo().HasProcessData);
        DisconnectDevice();
    }
    // Shows the window; script runs every 5 ms while it is the modal window, until it returns true or
    // 30 s have passed (then the window is closed through its Exit button).
    void Run(const std::function<bool(TFormProcessData *)> &script) {
        QTimer operatorTimer;
        QElapsedTimer clock;
        clock.start();
        QObject::connect(&operatorTimer, &QTimer::timeout, [&] {
            auto *w = qobject_cast<TFormProcessData *>(QApplication::activeModalWidget());
            if (w && (script(w) || clock.hasExpired(30000))) w->findChild<QPushButton *>("Button6")->click();
        });
        operatorTimer.start(5);
        ShowProcessData(nullptr, TProcessDataHeader{"4711", "815", "1001", "1.0", "NX", "17.05.24"});
    }
    static QTableView *Table(TFormProcessData *w) { return w->findChild<QTableView *>("StringGrid1"); }
    static int Alignment(TFormProcessData *w, int row, int column) {
        return Table(w)->model()->index(row, column).data(Qt::TextAlignmentRole).toInt();
    }
};

class ReadoutProcessViewLanguage : public ReadoutProcessView, public ::testing::WithParamInterface<const char *> {};

// Each title and every value fits its column, and the header is tall enough for title and unit.
TEST_P(ReadoutProcessViewLanguage, TitlesCarryTheirUnitsFitTheirColumnsAndNumbersStandRight) {
    const QString module = korvultest::BinDir() + "/korvul" + GetParam() + ".lng";
    ASSERT_TRUE(LoadLanguageModuleFile(module));
    Open("9301");
    QStringList titles, clipped;
    QList<int> numberAlignment, textAlignment;
    Run([&](TFormProcessData *w) {
        if (w->RowCount() < 2) return false;
        QHeaderView *header = Table(w)->horizontalHeader();
        const QFontMetrics fm(header->font());
        for (int c = 0; c < kShownColumns; ++c) {
            const QString title = w->ShownTitle(c);
            titles << title;
            const QStringList lines = title.split('\n');
            // What the style needs for the title (text, margins) and the table for the values.
            int needed = header->sectionSizeHint(c);
            const int margin = 2 * Table(w)->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, Table(w)) + 1;
            for (int r = 0; r < w->RowCount(); ++r)
                needed = std::max(needed, QFontMetrics(Table(w)->font()).horizontalAdvance(w->ShownCell(r, c)) + margin);
            for (const QString &line : lines)
                if (std::max(needed, fm.horizontalAdvance(line)) > header->sectionSize(c)) clipped << line;
            if (header->height() < int(lines.size()) * fm.height()) clipped << title;
        }
        for (int c : {1, 2, 3, 4, 5, 6}) numberAlignment << Alignment(w, 1, c);
        for (int c : {0, kStatusColumn}) textAlignment << Alignment(w, 1, c);
        return true;
    });
    ASSERT_EQ(titles.size(), kShownColumns);
    EXPECT_TRUE(clipped.isEmpty()) << clipped.join(" | ").toStdString();
    const char16_t *units[kShownColumns] = {u"", u"m³", u"m³", u"bar", u"", u"°C", u"", u""};
    for (int c = 0; c < kShownColumns; ++c)
        EXPECT_EQ(titles[c], TitleWithUnit(LanguageText(350 + c), QString::fromUtf16(units[c]))) << c;
    EXPECT_EQ(titles[1], LanguageText(351) + "\n[m³]");
    for (int a : numberAlignment) EXPECT_EQ(a & Qt::AlignHorizontal_Mask, int(Qt::AlignRight));
    for (int a : textAlignment) EXPECT_NE(a & Qt::AlignHorizontal_Mask, int(Qt::AlignRight));
}

INSTANTIATE_TEST_SUITE_P(Languages, ReadoutProcessViewLanguage, ::testing::Values("DE", "EN"));

// The flow-rate view shows flow rates in every row, also in the rows read before the switch, and the
// switch back shows the volumes again under the volume titles.
TEST_F(ReadoutProcessView, FlowRateViewShowsFlowRatesInEveryRowAndSwitchesBack) {
    Open("9301");
    int step = 0, rowsAtSwitch = 0;
    QStringList flowTitles, counterTitles, mismatches;
    auto check = [&](TFormProcessData *w, int shown, int raw, const char *view) {
        for (int r = 0; r < w->RowCount(); ++r)
            if (w->ShownCell(r, shown) != w->RawRow(r)[size_t(raw)] ||
                Alignment(w, r, shown) != int(Qt::AlignRight | Qt::AlignVCenter))
                mismatches << QStringLiteral("%1 row %2 column %3").arg(view).arg(r).arg(shown);
    };
    Run([&](TFormProcessData *w) {
        auto *view = w->findChild<QPushButton *>("Button2");
        if (step == 0 && w->RowCount() >= 2) {
            rowsAtSwitch = w->RowCount();
            view->click();
            step = 1;
        } else if (step == 1 && w->RowCount() > rowsAtSwitch) {   // one row read in the flow-rate view
            check(w, 1, 8, "flow");
            check(w, 2, 9, "flow");
            flowTitles = QStringList{w->ShownTitle(1), w->ShownTitle(2)};
            view->click();
            check(w, 1, 1, "counter");
            check(w, 2, 2, "counter");
            counterTitles = QStringList{w->ShownTitle(1), w->ShownTitle(2)};
            return true;
        }
        return false;
    });
    EXPECT_TRUE(mismatches.isEmpty()) << mismatches.join(", ").toStdString();
    EXPECT_EQ(flowTitles, (QStringList{LanguageText(328) + "\n[m³/h]", LanguageText(329) + "\n[m³/h]"}));
    EXPECT_EQ(counterTitles, (QStringList{LanguageText(351) + "\n[m³]", LanguageText(352) + "\n[m³]"}));
}

// "Display status register" brings the status window in front of the modal process data window, where
// the keyboard reaches it; it leaves with the process data window and is not lost with it.
TEST_F(ReadoutProcessView, StatusRegisterComesToTheFrontOverTheDialogAndTakesTheKeyboard) {
    Open("9301");
    CreateStatusRegWindow();
    bool asked = false, inFront = false, overDialog = false, closedByEscape = false;
    QElapsedTimer sinceAsked;
    Run([&](TFormProcessData *w) {
        if (w->RowCount() < 1) return false;
        TFoStatusReg *status = FoStatusReg();
        if (!asked) {
            asked = true;
            w->findChild<QPushButton *>("Button3")->click();
            sinceAsked.start();
            return false;
        }
        if (!inFront) {
            inFront = status->isVisible() && QApplication::activeWindow() == status;
            overDialog = status->windowHandle() && status->windowHandle()->transientParent() == w->windowHandle();
            return !inFront && sinceAsked.hasExpired(5000);
        }
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(QApplication::focusWidget(), &escape);
        closedByEscape = !status->isVisible();
        return true;
    });
    EXPECT_TRUE(inFront) << "the status window did not become the active window";
    EXPECT_TRUE(overDialog);
    EXPECT_TRUE(closedByEscape);
    ASSERT_NE(FoStatusReg(), nullptr) << "the status window went down with the process data window";
    EXPECT_EQ(FoStatusReg()->parentWidget(), nullptr);
    EXPECT_FALSE(FoStatusReg()->isVisible());
}

} // namespace
