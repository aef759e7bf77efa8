#include "app/addressui/address_book_model.h"

#include <utility>

#include "app/ui/sjis_text.h"
#include "core/foundation/date_utils.h"

namespace addressui {

void AddressBookModel::SetEntries(std::vector<ExtractViewData> entries) {
    beginResetModel();
    entries_ = std::move(entries);
    endResetModel();
}

const ExtractViewData* AddressBookModel::EntryAt(int row) const {
    return row >= 0 && row < rowCount() ? &entries_[static_cast<std::size_t>(row)] : nullptr;
}

int AddressBookModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(entries_.size());
}

int AddressBookModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 4; }

QVariant AddressBookModel::data(const QModelIndex& index, int role) const {
    const ExtractViewData* entry = EntryAt(index.row());
    if (entry == nullptr || role != Qt::DisplayRole) return {};
    switch (index.column()) {
    case 0: return QString::number(entry->id);
    case 1: return ui::FromSjis(entry->name);
    case 2: return QString::fromStdString(Convert_COleDateTime2DateData(entry->lastUpdate));
    case 3: return ui::FromSjis(entry->honorific);
    default: return {};
    }
}

QVariant AddressBookModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char* const kCaptions[] = {"宛先ID", "宛先名称", "最終更新日", "敬称"};
    return section >= 0 && section < 4 ? ui::U8(kCaptions[section]) : QVariant();
}

}  // namespace addressui
