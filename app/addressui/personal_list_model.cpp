#include "app/addressui/personal_list_model.h"

#include <algorithm>
#include <utility>

#include "app/addressui/csv_export.h"
#include "app/ui/sjis_text.h"
#include "core/addressbook/database_edit.h"
#include "core/foundation/validation.h"

namespace addressui {
namespace {

// "YYYY/MM/DD hh:mm:ss"
constexpr std::size_t kDateTimeBytes = 19;

}  // namespace

int PreviousPageFirst(int first) { return std::max(first - kPersonalPageSize, 0); }

int NextPageFirst(int first, int entries) {
    const int next = first + kPersonalPageSize;
    return next < entries ? next : first;
}

int GoToPageFirst(int page, int entries) {
    const long long first = (static_cast<long long>(std::max(page, 1)) - 1) * kPersonalPageSize;
    if (first < entries) return static_cast<int>(first);
    return entries > 0 ? (entries - 1) / kPersonalPageSize * kPersonalPageSize : 0;
}

int PageNumber(int first) { return std::max(first, 0) / kPersonalPageSize + 1; }

int PageCount(int first, int entries) {
    const int pages = (std::max(entries, 0) + kPersonalPageSize - 1) / kPersonalPageSize;
    return std::max(pages, PageNumber(first));
}

std::string PersonalListCellText(CDatabaseEdit& book, int id, int element) {
    if (element == kElemCustomerID) return std::to_string(id);
    std::string text;
    if (book.GetCustomerDataPinPoint(id, element, text) != 0) return {};
    if (element == kElemBirthday) {
        // A stored date with its time shows the date alone.
        if (CheckDateTypeData(text, 4) != 0) {
            const std::size_t blank = text.find(' ');
            if (blank != std::string::npos) text.resize(blank);
        }
    } else if (element == kElemEntryDate || element == kElemRenewalDate) {
        if (text.size() > kDateTimeBytes) text = CutAtCharacter(text, kDateTimeBytes);
    }
    return text;
}

PersonalListModel::PersonalListModel(CDatabaseEdit* book, QObject* parent) : QAbstractTableModel(parent), book_(book) {}

void PersonalListModel::SetColumns(std::vector<ListColumn> columns) {
    beginResetModel();
    columns_ = std::move(columns);
    endResetModel();
}

int PersonalListModel::ColumnOf(int element) const {
    for (std::size_t c = 0; c < columns_.size(); ++c)
        if (columns_[c].element == element) return static_cast<int>(c);
    return -1;
}

void PersonalListModel::SetSortArray(PersonalSortArray array) {
    beginResetModel();
    array_ = std::move(array);
    endResetModel();
}

PersonalSortArray PersonalListModel::TakeSortArray() {
    beginResetModel();
    PersonalSortArray taken = std::move(array_);
    array_ = PersonalSortArray();
    endResetModel();
    return taken;
}

void PersonalListModel::SetFirst(int first) {
    beginResetModel();
    first_ = std::max(first, 0);
    endResetModel();
}

int PersonalListModel::IdAt(int row) const {
    if (row < 0 || row >= rowCount()) return -1;
    return array_.IdAt(EntryOf(row));
}

void PersonalListModel::RecordEdited(int row) {
    if (row < 0 || row >= rowCount()) return;
    const int element = array_.Element();
    if (book_ != nullptr && element > kElemCustomerID) {
        std::string text;
        book_->GetCustomerDataPinPoint(IdAt(row), element, text);
        array_.SetKey(EntryOf(row), text);
    }
    if (!columns_.empty()) emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

std::string PersonalListModel::CellText(int row, int column) const {
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) return {};
    const int id = IdAt(row);
    const int element = columns_[static_cast<std::size_t>(column)].element;
    if (book_ == nullptr) return element == kElemCustomerID ? std::to_string(id) : std::string();
    return PersonalListCellText(*book_, id, element);
}

int PersonalListModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    const int end = std::min(Last(), array_.Size() - 1);
    return std::max(end - first_ + 1, 0);
}

int PersonalListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant PersonalListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole) return {};
    return ui::FromSjis(CellText(index.row(), index.column()));
}

QVariant PersonalListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount() || role != Qt::DisplayRole) return {};
    return ui::FromSjis(columns_[static_cast<std::size_t>(section)].caption);
}

}  // namespace addressui
