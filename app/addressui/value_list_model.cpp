#include "app/addressui/value_list_model.h"

#include <iterator>
#include <utility>

#include "app/ui/sjis_text.h"

namespace addressui {

void ValueListModel::SetValues(std::vector<std::string> values) {
    beginResetModel();
    values_ = std::move(values);
    endResetModel();
}

std::vector<std::string> ValueListModel::TakeRows(const std::vector<int>& rows) {
    std::vector<std::string> taken;
    if (rows.empty()) return taken;
    taken.reserve(rows.size());
    beginResetModel();
    std::vector<char> gone(values_.size(), 0);
    for (const int r : rows) {
        if (r < 0 || r >= static_cast<int>(values_.size())) continue;
        gone[static_cast<std::size_t>(r)] = 1;
    }
    std::size_t kept = 0;
    for (std::size_t i = 0; i < values_.size(); ++i) {
        if (gone[i]) {
            taken.push_back(std::move(values_[i]));
        } else {
            if (kept != i) values_[kept] = std::move(values_[i]);
            ++kept;
        }
    }
    values_.resize(kept);
    endResetModel();
    return taken;
}

std::vector<std::string> ValueListModel::TakeAll() {
    beginResetModel();
    std::vector<std::string> taken;
    taken.swap(values_);
    endResetModel();
    return taken;
}

void ValueListModel::Append(std::vector<std::string> values) {
    if (values.empty()) return;
    const int first = static_cast<int>(values_.size());
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(values.size()) - 1);
    values_.insert(values_.end(), std::make_move_iterator(values.begin()), std::make_move_iterator(values.end()));
    endInsertRows();
}

int ValueListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(values_.size());
}

QVariant ValueListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(values_.size())) return {};
    if (role != Qt::DisplayRole) return {};
    return ui::FromSjis(values_[static_cast<std::size_t>(index.row())]);
}

}  // namespace addressui
