#include "app/sendrecv/report_rows_model.h"

ReportRowsModel::ReportRowsModel(QObject* parent) : QAbstractTableModel(parent) {}

void ReportRowsModel::Reset(std::vector<Column> columns, std::vector<int> keys, RowTexts texts) {
    beginResetModel();
    columns_ = std::move(columns);
    keys_ = std::move(keys);
    texts_ = std::move(texts);
    made_.clear();
    endResetModel();
}

void ReportRowsModel::ResetKeys(std::vector<int> keys) {
    beginResetModel();
    keys_ = std::move(keys);
    made_.clear();
    endResetModel();
}

const QStringList& ReportRowsModel::Row(int row) const {
    auto found = made_.find(row);
    if (found != made_.end()) return found->second;
    if (made_.size() >= kCacheRows) made_.clear();
    QStringList texts = texts_ ? texts_(KeyAt(row)) : QStringList();
    return made_.emplace(row, std::move(texts)).first->second;
}

QString ReportRowsModel::Text(int row, int column) const {
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) return QString();
    const QStringList& texts = Row(row);
    return column < texts.size() ? texts[column] : QString();
}

int ReportRowsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(keys_.size());
}

int ReportRowsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant ReportRowsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return QVariant();
    if (role == Qt::DisplayRole) return Text(index.row(), index.column());
    if (role == Qt::TextAlignmentRole) {
        const bool right = columns_[static_cast<std::size_t>(index.column())].alignRight;
        return QVariant::fromValue(Qt::Alignment(right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    }
    return QVariant();
}

QVariant ReportRowsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return QVariant();
    if (role == Qt::DisplayRole) return columns_[static_cast<std::size_t>(section)].title;
    if (role == Qt::TextAlignmentRole) {
        const bool right = columns_[static_cast<std::size_t>(section)].alignRight;
        return QVariant::fromValue(Qt::Alignment(right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    }
    return QVariant();
}
