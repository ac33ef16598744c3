#include "readout/ProcessPlot.h"

#include "readout/ProcessTableModel.h"

#include <QDateTimeAxis>
#include <QLineSeries>
#include <QPainter>
#include <QSaveFile>
#include <QSvgGenerator>
#include <QTimer>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

using namespace korvul;

namespace {

// Colour of a raw column's line; a quantity's axis takes the colour of its first line.
QColor LineColour(int rawColumn) {
    static const QColor colours[kRawColumns] = {Qt::black,         QColor(31, 119, 180), QColor(23, 63, 120),
                                                QColor(214, 39, 40), QColor(140, 86, 75), QColor(255, 127, 14),
                                                QColor(148, 103, 189), Qt::black, QColor(44, 160, 44),
                                                QColor(20, 90, 20)};
    return colours[std::clamp(rawColumn, 0, kRawColumns - 1)];
}

// Decimals of an axis' labels: enough to see the small changes each quantity makes.
const char *LabelFormat(TPlotQuantity quantity) {
    switch (quantity) {
    case kPlotPressure: return "%.3f";
    case kPlotTemperature: return "%.2f";
    case kPlotVolumes: return "%.1f";
    case kPlotFlowRates: return "%.2f";
    default: return "%.4f";
    }
}

constexpr qint64 kMinimumSpanMs = 10 * 1000;   // the first rows of a session are not drawn as one spot
constexpr qint64 kDayMs = 24 * 3600 * 1000;

} // namespace

TProcessPlot::TProcessPlot(QWidget *parent) : QChartView(new QChart, parent) {
    setRenderHint(QPainter::Antialiasing);
    setRubberBand(QChartView::RectangleRubberBand);
    chart()->legend()->setAlignment(Qt::AlignBottom);
    chart()->setMargins(QMargins(4, 4, 4, 4));
    timeAxis_ = new QDateTimeAxis;
    timeAxis_->setFormat(QStringLiteral("HH:mm:ss"));
    chart()->addAxis(timeAxis_, Qt::AlignBottom);
    for (int q = 0; q < kPlotQuantities; ++q) BuildQuantity(TPlotQuantity(q));
    // Axis changes of the plot's own are made under settingRange_; any other is the operator zooming.
    connect(timeAxis_, &QDateTimeAxis::rangeChanged, this, [this] {
        if (!settingRange_) UserChangedRange();
    });
}

TProcessPlot::~TProcessPlot() = default;

void TProcessPlot::BuildQuantity(TPlotQuantity quantity) {
    auto *axis = new QValueAxis;
    const QColor colour = LineColour(PlotUnitColumn(quantity));
    axis->setLabelFormat(QString::fromLatin1(LabelFormat(quantity)));
    axis->setLinePenColor(colour);
    axis->setLabelsColor(colour);
    axis->setTitleBrush(colour);
    axis->setVisible(shown_[size_t(quantity)]);
    chart()->addAxis(axis, quantity % 2 == 0 ? Qt::AlignLeft : Qt::AlignRight);
    axes_[size_t(quantity)] = axis;
    for (int column : PlotColumns(quantity)) {
        auto *series = new QLineSeries;
        QPen pen(LineColour(column));
        pen.setWidthF(1.5);
        if (column == 2 || column == 9) pen.setStyle(Qt::DashLine);   // the corrected one of a pair
        series->setPen(pen);
        chart()->addSeries(series);
        series->attachAxis(timeAxis_);
        series->attachAxis(axis);
        series->setVisible(shown_[size_t(quantity)]);
        series_[size_t(quantity)] << series;
    }
}

void TProcessPlot::SetModel(const TProcessTableModel *model) {
    if (model_) disconnect(model_, nullptr, this, nullptr);
    model_ = model;
    // Rows added in one go (a burst of events) cost one redraw, after them.
    if (model_) connect(model_, &QAbstractItemModel::rowsInserted, this, [this] {
        if (!following_ || refreshPending_) return;
        refreshPending_ = true;
        QTimer::singleShot(0, this, [this] {
            refreshPending_ = false;
            if (following_) Refresh();
        });
    });
    Refresh();
}

void TProcessPlot::SetTitles(const std::array<QString, kPlotQuantities> &axisTitles, const QStringList &rawTitles) {
    axisTitles_ = axisTitles;
    for (int q = 0; q < kPlotQuantities; ++q) {
        const QString unit = model_ ? ProcessDataUnit(model_->TypeCode(), PlotUnitColumn(TPlotQuantity(q))) : QString();
        axes_[size_t(q)]->setTitleText(unit.isEmpty() ? axisTitles[size_t(q)]
                                                      : axisTitles[size_t(q)] + QStringLiteral(" [") + unit + ']');
        const QList<int> columns = PlotColumns(TPlotQuantity(q));
        for (int i = 0; i < columns.size(); ++i) series_[size_t(q)][i]->setName(rawTitles.value(columns[i]));
    }
}

void TProcessPlot::SetQuantityShown(TPlotQuantity quantity, bool shown) {
    shown_[size_t(quantity)] = shown;
    axes_[size_t(quantity)]->setVisible(shown);
    for (QLineSeries *series : series_[size_t(quantity)]) {
        series->setVisible(shown);
        if (!shown) series->clear();
    }
    Refresh();
    // Paused, the other axes keep the operator's zoom; the one just shown fits its curve.
    if (shown && !following_) FitValueAxis(quantity);
}

void TProcessPlot::SetFollowing(bool following) {
    if (following_ == following) return;
    following_ = following;
    emit FollowingChanged(following_);
    if (following_) Refresh();
}

void TProcessPlot::ResetZoom() {
    settingRange_ = true;
    chart()->zoomReset();
    settingRange_ = false;
    following_ = false;   // SetFollowing redraws and tells the window even when nothing else changed
    SetFollowing(true);
}

void TProcessPlot::Refresh() {
    if (!model_ || model_->Size() == 0) return;
    if (!following_) {
        RedrawCurves(double(timeAxis_->min().toMSecsSinceEpoch()), double(timeAxis_->max().toMSecsSinceEpoch()));
        return;
    }
    const double from = model_->Times().front();
    const double to = std::max(model_->Times().back(), from + double(kMinimumSpanMs));
    settingRange_ = true;
    timeAxis_->setFormat(to - from > double(kDayMs) ? QStringLiteral("dd.MM. HH:mm") : QStringLiteral("HH:mm:ss"));
    timeAxis_->setRange(QDateTime::fromMSecsSinceEpoch(qint64(from)), QDateTime::fromMSecsSinceEpoch(qint64(to)));
    RedrawCurves(from, to);
    FitValueAxes();
    settingRange_ = false;
}

void TProcessPlot::RedrawCurves(double from, double to) {
    if (!model_) return;
    for (int q = 0; q < kPlotQuantities; ++q) {
        if (!shown_[size_t(q)]) continue;
        const QList<int> columns = PlotColumns(TPlotQuantity(q));
        for (int i = 0; i < columns.size(); ++i)
            series_[size_t(q)][i]->replace(DecimateMinMax(model_->Times(), model_->Values(columns[i]), from, to, Buckets()));
    }
}

void TProcessPlot::FitValueAxes() {
    for (int q = 0; q < kPlotQuantities; ++q)
        if (shown_[size_t(q)]) FitValueAxis(TPlotQuantity(q));
}

void TProcessPlot::FitValueAxis(TPlotQuantity quantity) {
    double low = INFINITY, high = -INFINITY;
    for (const QLineSeries *series : series_[size_t(quantity)])
        for (const QPointF &p : series->points()) {
            low = std::min(low, p.y());
            high = std::max(high, p.y());
        }
    const auto [from, to] = PaddedRange(low, high);
    QValueAxis *axis = axes_[size_t(quantity)];
    axis->setRange(from, to);
    axis->applyNiceNumbers();   // ticks at round values the eye reads at once
}

// A zoom by the operator pauses following and draws the curves in the new range's detail; deferred,
// because the chart is still in the middle of its own zoom.
void TProcessPlot::UserChangedRange() {
    SetFollowing(false);
    QTimer::singleShot(0, this, [this] {
        if (!following_) Refresh();
    });
}

// A bucket every 3 pixels: up to 4 points each, as fine as the line can show.
int TProcessPlot::Buckets() const { return std::max(16, int(chart()->plotArea().width() / 3)); }

void TProcessPlot::resizeEvent(QResizeEvent *event) {
    QChartView::resizeEvent(event);
    Refresh();
}

bool TProcessPlot::SavePicture(const QString &path) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (path.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive)) {
        QSvgGenerator svg;
        svg.setOutputDevice(&file);
        svg.setSize(size());
        svg.setViewBox(rect());
        svg.setTitle(accessibleName());
        QPainter painter;
        if (!painter.begin(&svg)) return false;
        render(&painter);
        painter.end();
    } else if (!grab().save(&file, "PNG")) {
        return false;
    }
    return file.commit();
}

QStringList TProcessPlot::AxisTitles() const {
    QStringList titles;
    for (int q = 0; q < kPlotQuantities; ++q)
        if (shown_[size_t(q)]) titles << axes_[size_t(q)]->titleText();
    return titles;
}

QDateTime TProcessPlot::ShownFrom() const { return timeAxis_->min(); }
QDateTime TProcessPlot::ShownUntil() const { return timeAxis_->max(); }

int TProcessPlot::PointCount() const {
    int n = 0;
    for (const auto &list : series_)
        for (const QLineSeries *series : list) n += int(series->count());
    return n;
}

qint64 TProcessPlot::LastPointTime() const {
    double last = 0;
    for (const auto &list : series_)
        for (const QLineSeries *series : list)
            if (series->isVisible() && series->count() > 0) last = std::max(last, series->at(series->count() - 1).x());
    return qint64(last);
}
