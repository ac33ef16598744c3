#include "readout/ProcessTableModel.h"

#include "readout/ProcessSeries.h"

#include <limits>

namespace korvul {

TProcessTableModel::TProcessTableModel(QObject *parent) : QAbstractTableModel(parent) {}

void TProcessTableModel::SetTitles(const QStringList &shownTitles, const QStringList &rawTitles, int typeCode) {
    shownTitles_ = shownTitles;
    rawTitles_ = rawTitles;
    typeCode_ = typeCode;
    emit headerDataChanged(Qt::Horizontal, 0, kShownColumns - 1);
}

void TProcessTableModel::SetColumnOrder(const QString &columnOrder) {
    columnOrder_ = columnOrder;
    emit headerDataChanged(Qt::Horizontal, 0, kShownColumns - 1);
    if (!samples_.empty()) emit dataChanged(index(0, 0), index(Size() - 1, kShownColumns - 1));
}

void TProcessTableModel::Add(const TProcessSample &sample, QChar decimalSeparator) {
    separator_ = decimalSeparator;
    beginInsertRows({}, Size(), Size());
    samples_.push_back(sample);
    times_.push_back(double(sample.Received.toMSecsSinceEpoch()));
    for (int c = 0; c < kRawColumns; ++c)
        values_[size_t(c)].push_back(IsProcessNumberColumn(c) ? ProcessNumber(sample.Row[size_t(c)], decimalSeparator)
                                                              : std::numeric_limits<double>::quiet_NaN());
    endInsertRows();
}

QString TProcessTableModel::ShownTitle(int column) const {
    if (column < 0 || column >= kShownColumns || column >= columnOrder_.size()) return QString();
    const int raw = columnOrder_[column].digitValue();
    const QString title = raw == column ? shownTitles_.value(column) : rawTitles_.value(raw);
    return TitleWithUnit(title, ProcessDataUnit(typeCode_, raw));
}

int TProcessTableModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : Size(); }

int TProcessTableModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : kShownColumns; }

QVariant TProcessTableModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= Size() || index.column() >= kShownColumns) return {};
    if (role == Qt::TextAlignmentRole) {
        const bool number = IsProcessNumberColumn(columnOrder_.at(index.column()).digitValue());
        return int((number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    }
    if (role != Qt::DisplayRole) return {};
    const TProcessRow &raw = samples_[size_t(index.row())].Row;
    if (index.column() == kStatusColumn) return StatusCheck(raw[kStatusColumn]);
    const int c = columnOrder_.at(index.column()).digitValue();
    return c >= 0 && c < kRawColumns ? raw[size_t(c)] : QString();
}

QVariant TProcessTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return QAbstractTableModel::headerData(section, orientation, role);
    if (orientation == Qt::Vertical) return section + 1;
    return ShownTitle(section);
}

} // namespace korvul
