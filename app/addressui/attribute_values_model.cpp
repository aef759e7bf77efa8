#include "app/addressui/attribute_values_model.h"

#include <algorithm>

#include "app/ui/sjis_text.h"

namespace addressui {
namespace {

// Unsigned byte order, which std::string's own comparison gives.
bool Before(const std::string& a, const std::string& b) { return a < b; }

}  // namespace

void AttributeValuesModel::SetValues(std::vector<std::string> values) {
    beginResetModel();
    values.erase(std::remove(values.begin(), values.end(), std::string()), values.end());
    std::sort(values.begin(), values.end(), Before);
    values.erase(std::unique(values.begin(), values.end()), values.end());
    values_ = std::move(values);
    endResetModel();
}

int AttributeValuesModel::RowOf(const std::string& value) const {
    const auto it = std::lower_bound(values_.begin(), values_.end(), value, Before);
    return it != values_.end() && *it == value ? static_cast<int>(it - values_.begin()) : -1;
}

int AttributeValuesModel::AddValue(const std::string& value) {
    const auto it = std::lower_bound(values_.begin(), values_.end(), value, Before);
    const int row = static_cast<int>(it - values_.begin());
    if (it != values_.end() && *it == value) return row;
    beginInsertRows(QModelIndex(), row, row);
    values_.insert(it, value);
    endInsertRows();
    return row;
}

int AttributeValuesModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(values_.size());
}

QVariant AttributeValuesModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(values_.size())) return {};
    if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
    return ui::FromSjis(values_[static_cast<std::size_t>(index.row())]);
}

QModelIndexList AttributeValuesModel::match(const QModelIndex& start, int role, const QVariant& value, int hits,
                                            Qt::MatchFlags flags) const {
    const Qt::MatchFlags exact = Qt::MatchFixedString | Qt::MatchCaseSensitive;
    if ((role == Qt::DisplayRole || role == Qt::EditRole) && hits == 1 && start.row() == 0 &&
        (flags == exact || flags == Qt::MatchFlags(Qt::MatchExactly | Qt::MatchCaseSensitive))) {
        const QString text = value.toString();
        const int row = RowOf(ui::ToSjis(text));
        // The text must also read back as itself (a character Shift_JIS cannot hold turns
        // into a blank on the way and must not find the blank's row).
        if (row >= 0 && data(this->index(row), role).toString() == text) return {this->index(row)};
        return {};
    }
    return QAbstractListModel::match(start, role, value, hits, flags);
}

}  // namespace addressui
