// The process data plot and the files of a session against devsim: the chosen quantities with their
// units, the plot following new rows, paused and reset; the CSV file as other programs read it and
// the plot as PNG and SVG. With KORVUL_SCREENSHOT_DIR set (under a real X server, e.g. xvfb-run), the
// last test writes the documentation's pictures of the window into that folder.
#include "e2e/ReadoutDevsimFixture.h"

#include "readout/FormProcessData.h"
#include "readout/ProcessCsv.h"
#include "readout/ProcessPlot.h"
#include "readout/ProcessTableModel.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QImage>
#include <QStandardPaths>
#include <QSvgRenderer>

using namespace korvul;
using namespace readouttest;

namespace {

class ReadoutProcessPlot : public ReadoutDevsim {
protected:
    void SetUp() override {
        ReadoutDevsim::SetUp();
        if (IsSkipped()) return;
        Settings().PDBPERIOD = 5;
    }
    void Open(const char *ident) {
        ASSERT_TRUE(sim.Start({"--type", ident}, Link(), kScale));
        Connect();
        ASSERT_TRUE(DeviceInfo().HasProcessData);
        DisconnectDevice();
    }
    // Shows the window; script runs every 5 ms while it is the modal window, until it returns true or
    // 60 s have passed (then the window is closed through its Exit button and the test fails).
    void Run(const std::function<bool(TFormProcessData *)> &script,
             const TProcessDataHeader &header = {"4711", "815", "1001", "1.0", "NX", "17.05.24"}) {
        QTimer operatorTimer;
        QElapsedTimer clock;
        clock.start();
        bool done = false;
        QObject::connect(&operatorTimer, &QTimer::timeout, [&] {
            auto *w = qobject_cast<TFormProcessData *>(QApplication::activeModalWidget());
            if (!w) return;
            done = done || script(w);
            if (done || clock.hasExpired(60000)) w->findChild<QPushButton *>("Button6")->click();
        });
        operatorTimer.start(5);
        ShowProcessData(nullptr, header);
        EXPECT_TRUE(done) << "the script did not end within 60 s";
    }
    static qint64 NewestRow(TFormProcessData *w) {
        return w->Model().Sample(w->RowCount() - 1).Received.toMSecsSinceEpoch();
    }
};

class ReadoutProcessPlotType : public ReadoutProcessPlot, public ::testing::WithParamInterface<const char *> {};

TEST_P(ReadoutProcessPlotType, ShowsTheChosenQuantitiesWithUnitsAndFollowsNewRowsUntilPaused) {
    Open(GetParam());
    int step = 0, rowsAt = 0;
    qint64 pausedAt = 0;
    QStringList firstTitles, withVolumes;
    QString pauseText;
    bool followedNewRow = false, stayedPaused = false, followsAfterReset = false, zoomPaused = false;
    Run([&](TFormProcessData *w) {
        TProcessPlot *plot = w->Plot();
        if (step == 0 && w->RowCount() >= 2) {
            firstTitles = plot->AxisTitles();
            w->findChild<QCheckBox *>("cbVolumes")->click();
            withVolumes = plot->AxisTitles();
            rowsAt = w->RowCount();
            step = 1;
        } else if (step == 1 && w->RowCount() > rowsAt && plot->LastPointTime() == NewestRow(w)) {
            followedNewRow = plot->ShownUntil().toMSecsSinceEpoch() >= NewestRow(w);
            w->findChild<QPushButton *>("btPause")->click();
            pauseText = w->findChild<QPushButton *>("btPause")->text();
            pausedAt = plot->LastPointTime();
            rowsAt = w->RowCount();
            step = 2;
        } else if (step == 2 && w->RowCount() > rowsAt) {
            stayedPaused = plot->LastPointTime() == pausedAt && !plot->Following();
            w->findChild<QPushButton *>("btResetZoom")->click();
            followsAfterReset = plot->Following() && plot->LastPointTime() == NewestRow(w);
            plot->chart()->zoom(2.0);   // as a drag of a rectangle does
            zoomPaused = !plot->Following() && w->findChild<QPushButton *>("btPause")->text() == LanguageText(3204);
            return true;
        }
        return false;
    });
    EXPECT_EQ(firstTitles, (QStringList{LanguageText(323) + " [bar]", LanguageText(325) + " [°C]"}));
    EXPECT_EQ(withVolumes, (QStringList{LanguageText(323) + " [bar]", LanguageText(325) + " [°C]", LanguageText(3201) + " [m³]"}));
    EXPECT_TRUE(followedNewRow);
    EXPECT_EQ(pauseText, LanguageText(3204));
    EXPECT_TRUE(stayedPaused) << "a row arrived while paused and moved the plot";
    EXPECT_TRUE(followsAfterReset);
    EXPECT_TRUE(zoomPaused) << "zooming in did not pause following";
}

INSTANTIATE_TEST_SUITE_P(Correctors, ReadoutProcessPlotType, ::testing::Values("9301", "9140"));

// Checks the CSV file with python3's csv module, as a spreadsheet or pandas would read it: one header
// with the units, the same number of fields in every row, ISO time stamps, numbers with a dot.
const char *kPythonCheck = R"(
import csv, sys, datetime
rows = list(csv.reader(open(sys.argv[1], encoding="utf-8", newline="")))
head, body = rows[0], rows[1:]
assert head[4].endswith(" [bar]") and head[6].endswith(" [\u00b0C]"), head
assert len(body) == int(sys.argv[2]), len(body)
for r in body:
    assert len(r) == len(head), r
    assert datetime.datetime.fromisoformat(r[0]).tzinfo is not None, r[0]
    for c in (2, 3, 4, 5, 6, 7, 8, 9):
        float(r[c])
)";

TEST_F(ReadoutProcessPlot, SavesTheSessionAsCsvAndThePlotAsPngAndSvg) {
    Open("9301");
    const QString csv = files.filePath("session.csv"), png = files.filePath("plot.png"), svg = files.filePath("plot.svg");
    bool saved = false, refused = true;
    int rows = 0;
    QSize plotSize;
    Run([&](TFormProcessData *w) {
        if (w->RowCount() < 3) return false;
        rows = w->RowCount();
        saved = w->SaveCsv(csv) && w->SavePlot(png) && w->SavePlot(svg);
        refused = w->SaveCsv(files.filePath("missing/session.csv"));
        plotSize = w->Plot()->size();
        return true;
    });
    ASSERT_TRUE(saved);
    EXPECT_FALSE(refused);
    ASSERT_FALSE(messages.empty());
    EXPECT_TRUE(messages.back().text.contains("missing")) << messages.back().text.toStdString();
    QFile file(csv);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), rows + 1);
    EXPECT_EQ(lines[0] + '\n', ProcessCsvHeader(93));
    const QImage image(png);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), plotSize);
    EXPECT_TRUE(QSvgRenderer(svg).isValid());
    const QString python = QStandardPaths::findExecutable("python3");
    if (python.isEmpty()) GTEST_SKIP() << "python3 is not installed";
    QProcess check;
    check.start(python, {"-c", kPythonCheck, csv, QString::number(rows)});
    ASSERT_TRUE(check.waitForFinished(30000));
    EXPECT_EQ(check.exitCode(), 0) << check.readAllStandardError().toStdString();
}

// Pictures for the documentation: the window after some rows with pressure, temperature and flow
// rates on the plot, in both languages and for both request kinds; beside each, the session as CSV and
// the plot as SVG and PNG.
TEST_F(ReadoutProcessPlot, ScreenshotsOfTheWindowForTheDocumentation) {
    const QString dir = qEnvironmentVariable("KORVUL_SCREENSHOT_DIR");
    if (dir.isEmpty()) GTEST_SKIP() << "KORVUL_SCREENSHOT_DIR is not set";
    const struct {
        const char *language, *ident, *name, *type;
    } shots[] = {{"DE", "9301", "process-data-de", "NX-18"}, {"EN", "9301", "process-data-en", "NX-18"},
                 {"DE", "9140", "process-data-nx17-de", "NX-17"}, {"EN", "9140", "process-data-nx17-en", "NX-17"}};
    for (const auto &shot : shots) {
        ASSERT_TRUE(LoadLanguageModuleFile(korvultest::BinDir() + "/korvul" + shot.language + ".lng"));
        Open(shot.ident);
        Run([&](TFormProcessData *w) {
            w->resize(1180, 760);
            w->findChild<QCheckBox *>("cbFlowRates")->setChecked(true);
            if (w->RowCount() < 30) return false;
            // The window's own files beside the pictures, for a look with other programs.
            const QString base = dir + "/" + shot.name;
            return w->grab().save(base + ".png") && w->SaveCsv(base + ".csv") && w->SavePlot(base + "-plot.svg") &&
                   w->SavePlot(base + "-plot.png");
        }, {"60421", "7301", "10020", "4.01", shot.type, QDate::currentDate().toString("dd.MM.yy")});
        sim.Stop();
    }
}

} // namespace
