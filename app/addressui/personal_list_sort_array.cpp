#include "app/addressui/personal_list_sort_array.h"

#include <algorithm>
#include <functional>

#include "core/addressbook/database_edit.h"

namespace addressui {

PersonalSortArray PersonalSortArray::Fetch(CDatabaseEdit& book, int element) {
    PersonalSortArray array;
    if (element < 0 || element >= kCustomerElementCount) return array;
    array.element_ = element;
    if (element == kElemCustomerID) {
        book.GetDBIDWithoutDelete(array.ids_);
        return array;
    }
    std::vector<t_SORT_ITEM> items;
    if (book.GetDBID2Item(element, items) < 0) return PersonalSortArray();
    std::size_t bytes = 0;
    for (const t_SORT_ITEM& item : items) bytes += item.item.size() + 2;
    array.ids_.reserve(items.size());
    array.keys_.Reserve(items.size(), bytes);
    for (const t_SORT_ITEM& item : items) {
        array.ids_.push_back(item.customerID);
        array.keys_.Append(item.item);
    }
    return array;
}

int PersonalSortArray::IdAt(int index) const {
    return index >= 0 && index < Size() ? ids_[static_cast<std::size_t>(index)] : -1;
}

void PersonalSortArray::Sort(bool ascending) {
    if (element_ == kElemCustomerID) {
        // IDs are unique: no tie to keep in order.
        if (ascending) std::sort(ids_.begin(), ids_.end());
        else std::sort(ids_.begin(), ids_.end(), std::greater<int>());
        return;
    }
    if (element_ < 0) return;
    const std::vector<int> order = keys_.Order(!ascending);
    std::vector<int> ids(order.size());
    for (std::size_t i = 0; i < order.size(); ++i) ids[i] = ids_[static_cast<std::size_t>(order[i])];
    ids_.swap(ids);
    keys_.Permute(order);
}

void PersonalSortArray::SetKey(int index, std::string_view text) {
    if (element_ <= kElemCustomerID || index < 0 || index >= Size()) return;
    keys_.Set(static_cast<std::size_t>(index), text);
}

}  // namespace addressui
