#include "app/addressui/search_result_model.h"

#include <algorithm>
#include <mutex>
#include <utility>

#include "app/addressui/search_result_cells.h"
#include "app/addressui/sjis_sort_keys.h"
#include "app/ui/sjis_text.h"
#include "core/addressbook/database_edit.h"
#include "platform/named_mutex.h"

namespace addressui {

SearchResultModel::SearchResultModel(CDatabaseEdit* book, QObject* parent) : QAbstractTableModel(parent), book_(book) {}

void SearchResultModel::SetColumns(std::vector<ListColumn> columns) {
    beginResetModel();
    columns_ = std::move(columns);
    endResetModel();
}

void SearchResultModel::SetIds(std::vector<int> ids) {
    beginResetModel();
    ids_ = std::move(ids);
    endResetModel();
}

int SearchResultModel::IdAt(int row) const {
    return row >= 0 && row < static_cast<int>(ids_.size()) ? ids_[static_cast<std::size_t>(row)] : -1;
}

void SearchResultModel::RefreshRow(int row) {
    if (row < 0 || row >= rowCount() || columns_.empty()) return;
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void SearchResultModel::RemoveRowsAt(const std::vector<int>& rows) {
    if (rows.empty()) return;
    // Runs of adjacent rows, removed from the last so the earlier rows keep their numbers.
    std::vector<std::pair<int, int>> runs;
    for (const int r : rows) {
        if (!runs.empty() && runs.back().second + 1 == r) runs.back().second = r;
        else runs.emplace_back(r, r);
    }
    constexpr std::size_t kMaxRunsRemovedOneByOne = 64;
    if (runs.size() <= kMaxRunsRemovedOneByOne) {
        for (auto it = runs.rbegin(); it != runs.rend(); ++it) {
            beginRemoveRows(QModelIndex(), it->first, it->second);
            ids_.erase(ids_.begin() + it->first, ids_.begin() + it->second + 1);
            endRemoveRows();
        }
        return;
    }
    // Scattered rows: one pass over the list and one reset, not one shift per row.
    beginResetModel();
    std::vector<char> gone(ids_.size(), 0);
    for (const int r : rows) gone[static_cast<std::size_t>(r)] = 1;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < ids_.size(); ++i)
        if (!gone[i]) ids_[kept++] = ids_[i];
    ids_.resize(kept);
    endResetModel();
}

std::string SearchResultModel::CellText(int row, int column) const {
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) return {};
    const int id = ids_[static_cast<std::size_t>(row)];
    const int element = columns_[static_cast<std::size_t>(column)].element;
    if (element == 0 || book_ == nullptr) return element == 0 ? std::to_string(id) : std::string();
    std::string text;
    ResultCellTextOf(*book_, id, element, text);
    return text;
}

int SearchResultModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(ids_.size());
}

int SearchResultModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant SearchResultModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole) return {};
    return ui::FromSjis(CellText(index.row(), index.column()));
}

QVariant SearchResultModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
    if (role == Qt::DisplayRole) return ui::FromSjis(columns_[static_cast<std::size_t>(section)].caption);
    return {};
}

void SearchResultModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= columnCount()) return;
    const bool descending = order == Qt::DescendingOrder;
    const int element = columns_[static_cast<std::size_t>(column)].element;
    const std::size_t n = ids_.size();
    std::vector<int> newOrder(n);
    if (element == 0 || book_ == nullptr) {
        std::vector<std::pair<int, int>> keys(n);  // (id, old row)
        for (std::size_t i = 0; i < n; ++i) keys[i] = {ids_[i], static_cast<int>(i)};
        std::sort(keys.begin(), keys.end(), [descending](const auto& a, const auto& b) {
            if (a.first != b.first) return descending ? a.first > b.first : a.first < b.first;
            return a.second < b.second;
        });
        for (std::size_t i = 0; i < n; ++i) newOrder[i] = keys[i].second;
    } else {
        // The records are read in ID order, not in the list's: after a sort by another
        // column the list's order is random to the book, and reading a million rows at
        // random costs several times reading them in the order they are stored (new records
        // take rising IDs, so ID order is nearly the stored order).
        std::vector<std::pair<int, int>> byId(n);  // (id, list row)
        for (std::size_t i = 0; i < n; ++i) byId[i] = {ids_[i], static_cast<int>(i)};
        if (!std::is_sorted(byId.begin(), byId.end())) std::sort(byId.begin(), byId.end());
        SjisSortKeys keys(n);
        keys.Reserve(n, n * 24);
        {
            platform::NamedMutex bookMutex(CDatabaseEdit::kMutexName);
            std::lock_guard<platform::NamedMutex> lock(bookMutex);
            std::string cell, scratch;
            for (const auto& [id, listRow] : byId) {
                const int row = book_->DBID2RowNumber(id);
                if (row >= 0) ResultCellText(*book_, row, element, cell, scratch);
                else cell.clear();
                keys.Set(static_cast<std::size_t>(listRow), cell);
            }
        }
        newOrder = keys.Order(descending);
    }
    ApplyOrder(newOrder);
}

void SearchResultModel::ApplyOrder(const std::vector<int>& order) {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> ids(order.size());
    std::vector<int> newRowOf(order.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        ids[i] = ids_[static_cast<std::size_t>(order[i])];
        newRowOf[static_cast<std::size_t>(order[i])] = static_cast<int>(i);
    }
    ids_.swap(ids);
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& old : from)
        to.append(index(newRowOf[static_cast<std::size_t>(old.row())], old.column()));
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

}  // namespace addressui
