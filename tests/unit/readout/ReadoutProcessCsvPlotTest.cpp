// Process data kept for a long session: the CSV layout shared by the window and korvul-read, the
// numbers of the cells, the reduction of a curve to what its width can show, and the table model's
// rows under a changed column order.
#include "readout/ProcessCsv.h"
#include "readout/ProcessSeries.h"
#include "readout/ProcessTableModel.h"

#include <QTemporaryDir>
#include <QTimeZone>
#include <cmath>
#include <gtest/gtest.h>

using namespace korvul;

namespace {

const QStringList kRawTitles{"Time", "Volume", "Corrected volume", "Pressure", "Correction factor", "Temperature",
                             "Compressibility", "Status", "Flow rate", "Corrected flow rate"};

TProcessRow Row(const QStringList &cells) {
    TProcessRow row;
    for (int c = 0; c < kRawColumns; ++c) row[size_t(c)] = cells.value(c);
    return row;
}

TEST(ProcessCsv, TitlesCarryTheUnitsOfTheDeviceTypeInBrackets) {
    const QStringList titles = ProcessCsvTitles(kRawTitles, "Time stamp", "Status register", 93);
    EXPECT_EQ(titles, (QStringList{"Time stamp", "Time", "Volume [m³]", "Corrected volume [m³]", "Pressure [bar]",
                                   "Correction factor", "Temperature [°C]", "Compressibility", "Flow rate [m³/h]",
                                   "Corrected flow rate [m³/h]", "Status", "Status register"}));
    EXPECT_EQ(titles.size(), kCsvColumns);
    EXPECT_EQ(ProcessCsvTitles(kRawTitles, "T", "R", 0).at(kCsvPressure), "Pressure") << "no process data, no unit";
}

struct TCsvCase {
    const char *name;
    QStringList raw;
    QChar separator;
    QStringList expected;   // cells from kCsvDeviceTime on
};

// Rows as both answer layouts leave them: locale decimals and padding of P67, the device's own text of
// type 91, a type without flow rates, a faulty status and a control character from a garbled answer.
const TCsvCase kCsvCases[] = {
    {"p67 comma decimals padded", {"12:00:05", " 123456,0", "234567,0", "1,013", "0,9980", " 15,00", "1,0150", "80000000", "12,50", "15,00"}, ',',
     {"12:00:05", "123456.0", "234567.0", "1.013", "0.9980", "15.00", "1.0150", "12.50", "15.00", "Ok", "0x80000000"}},
    {"type 91 dots under a comma locale", {"12:34:56", "12345.6", "23456.7", "0.9987", "0.998", "15.20", "1.013", "00000000", "1.25", "2.50"}, ',',
     {"12:34:56", "12345.6", "23456.7", "0.9987", "0.998", "15.20", "1.013", "1.25", "2.50", "Ok", "0x00000000"}},
    {"no flow rates", {"08:00:00", "1.0", "2.0", "3.000", "1.0000", "4.00", "1.0000", "0000000F", "", ""}, '.',
     {"08:00:00", "1.0", "2.0", "3.000", "1.0000", "4.00", "1.0000", "", "", "Er", "0x0000000F"}},
    {"control character", {"08:00\x1b[2J", "1.0", "2.0", "3.0", "1.0", "4.0", "1.0", "8000\x07", "1", "2"}, '.',
     {"08:00\\x1B[2J", "1.0", "2.0", "3.0", "1.0", "4.0", "1.0", "1", "2", "Er", "8000\\x07"}},
};

TEST(ProcessCsv, CellsHaveDotDecimalsNoPaddingAndTheStatusTwice) {
    const QDateTime received(QDate(2026, 12, 8), QTime(17, 35, 12), QTimeZone(3600));
    for (const TCsvCase &c : kCsvCases) {
        const QStringList cells = ProcessCsvCells({received, Row(c.raw)}, c.separator);
        ASSERT_EQ(cells.size(), kCsvColumns) << c.name;
        EXPECT_EQ(cells[kCsvStamp], "2026-12-08T17:35:12+01:00") << c.name;
        EXPECT_EQ(cells.mid(kCsvDeviceTime), c.expected) << c.name;
        EXPECT_FALSE(ProcessCsvLine(cells).chopped(1).contains('\n')) << c.name << ": one line per row";
    }
}

TEST(ProcessCsv, StampKeepsDateAndOffsetInEveryTimeSpec) {
    const QDateTime utc(QDate(2026, 1, 2), QTime(3, 4, 5), Qt::UTC);
    EXPECT_EQ(ProcessCsvStamp(utc), "2026-01-02T03:04:05Z");
    const QDateTime local = QDateTime::currentDateTime();
    EXPECT_EQ(QDateTime::fromString(ProcessCsvStamp(local), Qt::ISODate).toSecsSinceEpoch(), local.toSecsSinceEpoch());
    EXPECT_TRUE(ProcessCsvStamp(QDateTime()).isEmpty());
}

TEST(ProcessCsv, LineQuotesOnlyWhatCsvNeeds) {
    EXPECT_EQ(ProcessCsvLine({"a", "1.5", ""}), "a,1.5,\n");
    EXPECT_EQ(ProcessCsvLine({"Druck [bar]", "x,y", "say \"hi\"", " pad"}), "Druck [bar],\"x,y\",\"say \"\"hi\"\"\",\" pad\"\n");
}

TEST(ProcessCsv, SavedFileIsUtf8WithoutMarkAndHasAHeaderAndOneLinePerSample) {
    QTemporaryDir dir;
    const QString path = dir.filePath("p.csv");
    std::vector<TProcessSample> samples(3, {QDateTime::currentDateTime(), Row(kCsvCases[0].raw)});
    ASSERT_TRUE(SaveProcessCsv(path, samples, 93, ','));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_FALSE(bytes.startsWith("\xEF\xBB\xBF"));
    EXPECT_EQ(bytes.count('\n'), 4);
    EXPECT_FALSE(SaveProcessCsv(dir.filePath("missing/p.csv"), samples, 93, ','));
}

TEST(ProcessSeries, NumbersInEitherDecimalAndNothingElse) {
    EXPECT_DOUBLE_EQ(ProcessNumber(" 12,5", ','), 12.5);
    EXPECT_DOUBLE_EQ(ProcessNumber("12.5", ','), 12.5);
    EXPECT_DOUBLE_EQ(ProcessNumber("-3.25", '.'), -3.25);
    for (const char *bad : {"", "  ", "Ok", "1.2.3", "inf", "nan"}) EXPECT_TRUE(std::isnan(ProcessNumber(bad, '.'))) << bad;
}

// A ramp of n points with one spike; x in seconds.
struct TCurve {
    std::vector<double> x, y;
};
TCurve Ramp(int n, int spikeAt, double spike) {
    TCurve c;
    for (int i = 0; i < n; ++i) {
        c.x.push_back(i * 5.0);
        c.y.push_back(i == spikeAt ? spike : std::sin(i / 100.0));
    }
    return c;
}

TEST(ProcessSeries, DecimationIsBoundedByTheBucketsAndKeepsEverySpike) {
    struct TCase {
        int n, buckets, spikeAt;
        double spike;
    } cases[] = {{20000, 400, 12345, 50.0}, {20000, 400, 12346, -50.0}, {17280, 16, 1, 9.0}, {5000, 1000, 4999, 7.0}};
    for (const TCase &c : cases) {
        const TCurve curve = Ramp(c.n, c.spikeAt, c.spike);
        const QList<QPointF> points = DecimateMinMax(curve.x, curve.y, 0.0, curve.x.back(), c.buckets);
        EXPECT_LE(points.size(), 4 * (c.buckets + 3)) << c.n << "/" << c.buckets;
        EXPECT_TRUE(std::any_of(points.begin(), points.end(), [&](const QPointF &p) {
            return p.x() == c.spikeAt * 5.0 && p.y() == c.spike;
        })) << "spike at " << c.spikeAt << " lost";
        EXPECT_TRUE(std::is_sorted(points.begin(), points.end(), [](auto &a, auto &b) { return a.x() < b.x(); }));
        EXPECT_EQ(points.front().x(), 0.0);
        EXPECT_EQ(points.back().x(), curve.x.back());
    }
}

TEST(ProcessSeries, FewPointsStayAllAndTheRangeKeepsItsNeighbours) {
    const TCurve curve = Ramp(100, -1, 0);
    EXPECT_EQ(DecimateMinMax(curve.x, curve.y, 0, 495, 400).size(), 100);
    // 100 s to 200 s: points 20..40 and one neighbour either side.
    const QList<QPointF> zoomed = DecimateMinMax(curve.x, curve.y, 100, 200, 400);
    ASSERT_EQ(zoomed.size(), 23);
    EXPECT_EQ(zoomed.front().x(), 95.0);
    EXPECT_EQ(zoomed.back().x(), 205.0);
    EXPECT_TRUE(DecimateMinMax(curve.x, curve.y, 0, 495, 0).isEmpty());
    EXPECT_TRUE(DecimateMinMax({}, {}, 0, 1, 10).isEmpty());
    const std::vector<double> gaps{NAN, 1.0, NAN};
    EXPECT_EQ(DecimateMinMax({0, 1, 2}, gaps, 0, 2, 10), (QList<QPointF>{QPointF(1, 1)})) << "a cell without number";
}

TEST(ProcessSeries, AxisRangeHasAMarginAndAFlatCurveStaysInTheMiddle) {
    const auto [low, high] = PaddedRange(10.0, 20.0);
    EXPECT_DOUBLE_EQ(low, 9.5);
    EXPECT_DOUBLE_EQ(high, 20.5);
    const auto [flatLow, flatHigh] = PaddedRange(1.013, 1.013);
    EXPECT_LT(flatLow, 1.013);
    EXPECT_GT(flatHigh, 1.013);
    EXPECT_DOUBLE_EQ(flatHigh - 1.013, 1.013 - flatLow);
    EXPECT_EQ(PaddedRange(INFINITY, -INFINITY), (std::pair<double, double>{0.0, 1.0})) << "no points";
}

TEST(ProcessTableModel, ColumnOrderChangesEveryRowAndTheTitlesAtOnce) {
    TProcessTableModel model;
    const QStringList shown{"Time", "Vm", "Vb", "p", "K", "T", "Z", "St"};
    model.SetTitles(shown, kRawTitles, 93);
    for (int i = 0; i < 3; ++i) model.Add({QDateTime::currentDateTime(), Row(kCsvCases[0].raw)}, ',');
    QList<std::pair<int, int>> changed;   // first and last row of each change
    QObject::connect(&model, &QAbstractItemModel::dataChanged,
                     [&](const QModelIndex &from, const QModelIndex &to) { changed << std::pair{from.row(), to.row()}; });
    model.SetColumnOrder(QString::fromLatin1(kFlowRateOrder));
    EXPECT_EQ(changed, (QList<std::pair<int, int>>{{0, 2}}));
    for (int r = 0; r < 3; ++r) EXPECT_EQ(model.index(r, 1).data().toString(), "12,50");
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), "Flow rate\n[m³/h]");
    EXPECT_EQ(model.index(0, kStatusColumn).data().toString(), "Ok");
    EXPECT_EQ(model.index(0, 1).data(Qt::TextAlignmentRole).toInt() & Qt::AlignHorizontal_Mask, int(Qt::AlignRight));
    EXPECT_EQ(model.index(0, 0).data(Qt::TextAlignmentRole).toInt() & Qt::AlignHorizontal_Mask, int(Qt::AlignLeft));
    EXPECT_DOUBLE_EQ(model.Values(3)[0], 1.013) << "the plot's numbers whatever the table shows";
    EXPECT_TRUE(std::isnan(model.Values(7)[0]));
}

} // namespace
