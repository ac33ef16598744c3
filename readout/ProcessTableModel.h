#pragma once
// TProcessTableModel: every answer of a process data session and the table the window shows of it.
// Rows are kept once, as raw rows with their reception time and their numbers (for the plot); the
// shown cells are made when the view asks for them, so a day's session (about 17,000 rows) costs
// what its texts cost and a new row costs the same however many came before.
//
// Columns follow a column order (kCounterOrder or kFlowRateOrder): switching it changes every row's
// cells and the titles at once, so no row stands under a title that no longer fits it. Titles carry
// the unit of the device type on a second line; numbers stand right-aligned, the status reads Ok/Er.
#include "readout/ProcessData.h"

#include <QAbstractTableModel>
#include <vector>

namespace korvul {

class TProcessTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TProcessTableModel(QObject *parent = nullptr);

    // The shown table's own titles (8, texts 350-357), the raw titles (10, texts 320-329) for the flow
    // rates, and the device type whose units the titles carry.
    void SetTitles(const QStringList &shownTitles, const QStringList &rawTitles, int typeCode);
    void SetColumnOrder(const QString &columnOrder);
    QString ColumnOrder() const { return columnOrder_; }
    // Appends a sample whose numbers are written with decimalSeparator.
    void Add(const TProcessSample &sample, QChar decimalSeparator);

    int Size() const { return int(samples_.size()); }
    const TProcessSample &Sample(int row) const { return samples_[size_t(row)]; }
    const std::vector<TProcessSample> &Samples() const { return samples_; }
    QStringList RawTitles() const { return rawTitles_; }
    QString ShownTitle(int column) const;
    // Reception times in ms since the epoch, and the numbers of a raw column (NaN where none).
    const std::vector<double> &Times() const { return times_; }
    const std::vector<double> &Values(int rawColumn) const { return values_[size_t(rawColumn)]; }
    int TypeCode() const { return typeCode_; }
    QChar DecimalSeparator() const { return separator_; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    std::vector<TProcessSample> samples_;
    std::vector<double> times_;
    std::array<std::vector<double>, kRawColumns> values_;
    QStringList shownTitles_, rawTitles_;
    QString columnOrder_ = QString::fromLatin1(kCounterOrder);
    QChar separator_ = QLatin1Char('.');
    int typeCode_ = 0;
};

} // namespace korvul
