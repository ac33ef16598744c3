#pragma once
// TProcessPlot: the process data window's live plot. It draws the quantities the operator picked
// (TPlotQuantity) from the rows of a TProcessTableModel over the reception time, each quantity on an
// axis of its own titled with its unit and drawn in the colour of its lines.
//
// Following (the default) the time axis spans the whole session (at least 10 s) and the curves
// take in every new row. Paused, the plot stays as it is while rows go on into the table. Dragging a rectangle zooms in and pauses following; a right click zooms out; ResetZoom shows the
// whole session again and follows. The curves are reduced to at most a few points per three pixels
// (DecimateMinMax), so a redraw costs the same after 20,000 rows as after 200. The plot has no timer
// of its own: it redraws when a row arrives or the operator acts.
#include "readout/ProcessSeries.h"

#include <QChartView>
#include <QDateTime>
#include <array>

class QDateTimeAxis;
class QLineSeries;
class QValueAxis;

namespace korvul {
class TProcessTableModel;
}

class TProcessPlot : public QChartView {
    Q_OBJECT
public:
    explicit TProcessPlot(QWidget *parent = nullptr);
    ~TProcessPlot() override;

    // The rows to draw; the plot redraws on each row the model adds. The model outlives the plot.
    void SetModel(const korvul::TProcessTableModel *model);
    // Titles of the axes (without units) and of the quantities' lines (the raw titles 320-329).
    void SetTitles(const std::array<QString, korvul::kPlotQuantities> &axisTitles, const QStringList &rawTitles);
    void SetQuantityShown(korvul::TPlotQuantity quantity, bool shown);
    bool QuantityShown(korvul::TPlotQuantity quantity) const { return shown_[size_t(quantity)]; }

    void SetFollowing(bool following);
    bool Following() const { return following_; }
    // The whole session, following new rows again.
    void ResetZoom();
    // Redraws the curves for the time range shown (the whole session while following).
    void Refresh();
    // Writes the plot as it is shown: SVG for a path ending in ".svg", PNG otherwise. The file appears
    // complete or not at all. False when it could not be written.
    bool SavePicture(const QString &path);

    // What the plot shows: titles of the visible value axes, the time axis' range, points drawn.
    QStringList AxisTitles() const;
    QDateTime ShownFrom() const;
    QDateTime ShownUntil() const;
    int PointCount() const;
    // Time of the newest point drawn (ms since the epoch); 0 when nothing is drawn.
    qint64 LastPointTime() const;

signals:
    void FollowingChanged(bool following);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void BuildQuantity(korvul::TPlotQuantity quantity);
    void RedrawCurves(double from, double to);
    void FitValueAxes();
    void FitValueAxis(korvul::TPlotQuantity quantity);
    void UserChangedRange();
    int Buckets() const;

    const korvul::TProcessTableModel *model_ = nullptr;
    QDateTimeAxis *timeAxis_ = nullptr;
    std::array<QValueAxis *, korvul::kPlotQuantities> axes_{};
    std::array<QList<QLineSeries *>, korvul::kPlotQuantities> series_;
    std::array<QString, korvul::kPlotQuantities> axisTitles_;
    std::array<bool, korvul::kPlotQuantities> shown_{true, true, false, false, false, false};
    bool following_ = true;
    bool settingRange_ = false;
    bool refreshPending_ = false;
};
