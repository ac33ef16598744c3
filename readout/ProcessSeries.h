#pragma once
// The process data as plotted curves: which raw columns a quantity draws, the numbers of the cells, and
// the points a curve keeps for a given width. A day at 5 s holds about 17,000 rows; the plot draws at
// most two points per bucket (the smallest and the largest value), so its cost follows the plot's
// width, not the session's length, and no spike is lost between two drawn points.
#include <QList>
#include <QPointF>
#include <QString>
#include <vector>

namespace korvul {

// What the operator can put on the plot; each gets an axis of its own with its unit.
enum TPlotQuantity { kPlotPressure, kPlotTemperature, kPlotVolumes, kPlotFlowRates, kPlotFactor, kPlotZ, kPlotQuantities };

// Raw columns drawn for a quantity (volumes: volume and corrected volume; flow rates: both rates).
QList<int> PlotColumns(TPlotQuantity quantity);
// The raw column whose unit labels the quantity's axis.
int PlotUnitColumn(TPlotQuantity quantity);

// The number in a cell written with decimalSeparator (a dot is read as well: some answers carry the
// device's own text); NaN for an empty cell or anything else that is not a number.
double ProcessNumber(const QString &cell, QChar decimalSeparator);

// The points of the curve y(x) that lie in [from, to] (x ascending, in any unit), reduced to at most
// the first and the last point of each of `buckets` equal slices plus its smallest and largest value,
// in x order. The nearest point on either side of the range is kept, so the line runs to the edges.
// NaN values are left out. All points in range when they are few enough; nothing for buckets < 1.
QList<QPointF> DecimateMinMax(const std::vector<double> &x, const std::vector<double> &y, double from, double to,
                              int buckets);

// An axis range that shows [low, high] with a margin of 5 % on each side; a flat curve gets a range of
// 1 % of its value (at least 0.001) each side, so its line stays in the middle. {0, 1} when low or high
// is not finite.
std::pair<double, double> PaddedRange(double low, double high);

} // namespace korvul
