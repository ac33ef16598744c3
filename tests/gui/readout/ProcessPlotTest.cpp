// The process data plot over a day's rows: what it draws stays bounded by its width, it follows the
// rows until zoomed, and a picture that cannot be written is reported, never left half-written.
#include "readout/ProcessPlot.h"
#include "readout/ProcessTableModel.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QChart>
#include <QLineSeries>
#include <QDir>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

using namespace korvul;
using namespace std::chrono_literals;

namespace {

TProcessRow RowAt(int n) {
    TProcessRow row;
    row[0] = QStringLiteral("12:00:00");
    row[1] = QString::number(1000.0 + n * 0.1, 'f', 1);
    row[2] = QString::number(2000.0 + n * 0.1, 'f', 1);
    row[3] = QString::number(1.013 + 0.01 * std::sin(n / 50.0), 'f', 4);
    row[4] = row[6] = QStringLiteral("1.0000");
    row[5] = QString::number(15.0 + (n == 12345 ? 30.0 : 0.0), 'f', 2);   // one spike in the day
    row[7] = QStringLiteral("80000000");
    row[8] = row[9] = QStringLiteral("12.50");
    return row;
}

class ProcessPlotTest : public ::testing::Test {
protected:
    void SetUp() override {
        model.SetTitles({"T", "V", "Vb", "p", "K", "t", "Z", "S"}, {"Time", "V", "Vb", "p", "K", "t", "Z", "S", "Q", "Qb"}, 93);
        plot.SetModel(&model);
        plot.SetTitles({"Pressure", "Temperature", "Volumes", "Flow rates", "K", "Z"}, model.RawTitles());
        plot.resize(900, 400);
        plot.show();
    }
    // Rows every 5 s from midnight, as one burst.
    void AddRows(int count) {
        const QDateTime start(QDate(2026, 12, 8), QTime(0, 0));
        for (int i = 0; i < count; ++i) {
            const int n = model.Size();
            model.Add({start.addSecs(5LL * n), RowAt(n)}, '.');
        }
    }
    bool WaitForLastPoint() {
        const qint64 newest = model.Times().back();
        return korvultest::WaitUntil([&] { return plot.LastPointTime() == newest; }, 10s);
    }
    TProcessTableModel model;
    TProcessPlot plot;
};

TEST_F(ProcessPlotTest, ADaysRowsDrawAsManyPointsAsTheWidthHoldsAndKeepTheSpike) {
    for (int q = 0; q < kPlotQuantities; ++q) plot.SetQuantityShown(TPlotQuantity(q), true);
    AddRows(200);
    ASSERT_TRUE(WaitForLastPoint());
    const int fewRows = plot.PointCount();
    AddRows(17280 - 200);
    ASSERT_TRUE(WaitForLastPoint());
    const int curves = 8, buckets = int(plot.chart()->plotArea().width() / 3);
    EXPECT_LE(plot.PointCount(), curves * 4 * (buckets + 3)) << "after a day";
    EXPECT_GE(fewRows, 200 * curves) << "few rows are drawn as they are";
    bool spike = false;
    for (QAbstractSeries *series : plot.chart()->series())
        if (series->name() == "t")
            for (const QPointF &p : static_cast<QLineSeries *>(series)->points()) spike = spike || p.y() == 45.0;
    EXPECT_TRUE(spike) << "the one temperature spike of the day was reduced away";
    EXPECT_EQ(plot.AxisTitles(), (QStringList{"Pressure [bar]", "Temperature [°C]", "Volumes [m³]", "Flow rates [m³/h]", "K", "Z"}));
    EXPECT_EQ(plot.ShownFrom().toMSecsSinceEpoch(), qint64(model.Times().front()));
    EXPECT_EQ(plot.ShownUntil().toMSecsSinceEpoch(), qint64(model.Times().back()));
}

TEST_F(ProcessPlotTest, ZoomPausesFollowingAndResetFollowsAgain) {
    AddRows(100);
    ASSERT_TRUE(WaitForLastPoint());
    bool toldPaused = false;
    QObject::connect(&plot, &TProcessPlot::FollowingChanged, [&](bool following) { toldPaused = !following; });
    plot.chart()->zoom(2.0);
    EXPECT_FALSE(plot.Following());
    EXPECT_TRUE(toldPaused);
    const QDateTime until = plot.ShownUntil();
    AddRows(20);
    QCoreApplication::processEvents();
    EXPECT_EQ(plot.ShownUntil(), until) << "a new row moved the zoomed plot";
    plot.ResetZoom();
    EXPECT_TRUE(plot.Following());
    EXPECT_EQ(plot.LastPointTime(), qint64(model.Times().back()));
}

TEST_F(ProcessPlotTest, PictureIntoAMissingFolderFailsAndLeavesNoFile) {
    AddRows(10);
    ASSERT_TRUE(WaitForLastPoint());
    QTemporaryDir dir;
    for (const char *name : {"missing/plot.png", "missing/plot.svg"}) EXPECT_FALSE(plot.SavePicture(dir.filePath(name))) << name;
    EXPECT_TRUE(plot.SavePicture(dir.filePath("plot.svg")));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"plot.svg"}) << "no temporary file left behind";
}

} // namespace
