#include "readout/ProcessSeries.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace korvul {

QList<int> PlotColumns(TPlotQuantity quantity) {
    switch (quantity) {
    case kPlotPressure: return {3};
    case kPlotTemperature: return {5};
    case kPlotVolumes: return {1, 2};
    case kPlotFlowRates: return {8, 9};
    case kPlotFactor: return {4};
    case kPlotZ: return {6};
    case kPlotQuantities: break;
    }
    return {};
}

int PlotUnitColumn(TPlotQuantity quantity) {
    const QList<int> columns = PlotColumns(quantity);
    return columns.isEmpty() ? -1 : columns.first();
}

double ProcessNumber(const QString &cell, QChar decimalSeparator) {
    QString text = cell.trimmed();
    if (decimalSeparator != QLatin1Char('.')) text.replace(decimalSeparator, QLatin1Char('.'));
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok && std::isfinite(value) ? value : std::numeric_limits<double>::quiet_NaN();
}

namespace {

// Adds the first, smallest, largest and last point of y[begin, end) in x order.
void AddBucket(const std::vector<double> &x, const std::vector<double> &y, size_t begin, size_t end, QList<QPointF> &out) {
    size_t first = end, last = end, low = end, high = end;
    for (size_t i = begin; i < end; ++i) {
        if (std::isnan(y[i])) continue;
        if (first == end) first = i;
        last = i;
        if (low == end || y[i] < y[low]) low = i;
        if (high == end || y[i] > y[high]) high = i;
    }
    if (first == end) return;
    size_t picks[4] = {first, low, high, last};
    std::sort(std::begin(picks), std::end(picks));
    for (size_t k = 0; k < 4; ++k)
        if (k == 0 || picks[k] != picks[k - 1]) out << QPointF(x[picks[k]], y[picks[k]]);
}

} // namespace

QList<QPointF> DecimateMinMax(const std::vector<double> &x, const std::vector<double> &y, double from, double to,
                              int buckets) {
    QList<QPointF> out;
    const size_t n = std::min(x.size(), y.size());
    if (buckets < 1 || n == 0 || !(to >= from)) return out;
    const auto xEnd = x.begin() + std::ptrdiff_t(n);
    size_t begin = size_t(std::lower_bound(x.begin(), xEnd, from) - x.begin());
    size_t end = size_t(std::upper_bound(x.begin(), xEnd, to) - x.begin());
    if (begin > 0) --begin;   // the neighbours outside the range
    if (end < n) ++end;
    if (end - begin <= size_t(buckets) * 4) {
        for (size_t i = begin; i < end; ++i)
            if (!std::isnan(y[i])) out << QPointF(x[i], y[i]);
        return out;
    }
    const double width = (to - from) / buckets;
    size_t start = begin;
    while (start < end) {
        // A bucket ends at the first point beyond its slice; the outside neighbours make slices of their own.
        const double sliceEnd = x[start] < from ? from : from + (std::floor((x[start] - from) / width) + 1) * width;
        size_t stop = start + 1;
        while (stop < end && x[stop] < sliceEnd) ++stop;
        AddBucket(x, y, start, stop, out);
        start = stop;
    }
    return out;
}

std::pair<double, double> PaddedRange(double low, double high) {
    if (!std::isfinite(low) || !std::isfinite(high)) return {0.0, 1.0};
    if (low > high) std::swap(low, high);
    if (high - low < 1e-12) {
        const double margin = std::max(0.001, std::abs(low) * 0.01);
        return {low - margin, high + margin};
    }
    const double margin = (high - low) * 0.05;
    return {low - margin, high + margin};
}

} // namespace korvul
