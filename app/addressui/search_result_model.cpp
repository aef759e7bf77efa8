#include "app/addressui/search_result_model.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <utility>

#include "app/addressui/search_result_cells.h"
#include "app/ui/sjis_text.h"
#include "core/addressbook/database_edit.h"
#include "platform/named_mutex.h"

namespace addressui {
namespace {

// A sort key: its first eight bytes as a big-endian number (zero-padded: keys hold no
// zero byte, so a shorter key still sorts first), the rest in the shared buffer.
struct TextKey {
    std::uint64_t prefix;
    std::uint32_t offset;
    std::uint32_t length;
    int row;
};

std::uint64_t Prefix(const char* bytes, std::size_t length) {
    std::uint64_t p = 0;
    for (std::size_t i = 0; i < 8; ++i)
        p = (p << 8) | (i < length ? static_cast<unsigned char>(bytes[i]) : 0u);
    return p;
}

// <0, 0, >0 as the keys' bytes compare (shorter first on a common start).
int CompareKeys(const TextKey& a, const TextKey& b, const std::string& buffer) {
    if (a.prefix != b.prefix) return a.prefix < b.prefix ? -1 : 1;
    if (a.length <= 8 || b.length <= 8) return a.length == b.length ? 0 : (a.length < b.length ? -1 : 1);
    const std::size_t n = std::min(a.length, b.length) - 8;
    const int c = std::memcmp(buffer.data() + a.offset + 8, buffer.data() + b.offset + 8, n);
    if (c != 0) return c;
    return a.length == b.length ? 0 : (a.length < b.length ? -1 : 1);
}

}  // namespace

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
        std::string buffer;
        buffer.reserve(n * 24);
        std::vector<TextKey> keys(n);
        {
            platform::NamedMutex bookMutex(CDatabaseEdit::kMutexName);
            std::lock_guard<platform::NamedMutex> lock(bookMutex);
            std::string cell, scratch;
            for (std::size_t i = 0; i < n; ++i) {
                const int row = book_->DBID2RowNumber(ids_[i]);
                if (row >= 0) ResultCellText(*book_, row, element, cell, scratch);
                else cell.clear();
                const std::size_t offset = buffer.size();
                AppendSjisSortKey(cell, buffer);
                keys[i] = {0, static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(buffer.size() - offset),
                           static_cast<int>(i)};
            }
        }
        for (TextKey& k : keys) k.prefix = Prefix(buffer.data() + k.offset, k.length);
        std::sort(keys.begin(), keys.end(), [&buffer, descending](const TextKey& a, const TextKey& b) {
            const int c = CompareKeys(a, b, buffer);
            if (c != 0) return descending ? c > 0 : c < 0;
            return a.row < b.row;
        });
        for (std::size_t i = 0; i < n; ++i) newOrder[i] = keys[i].row;
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
