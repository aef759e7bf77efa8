#pragma once
// PersonalSortArray: the order of the personal-information list. It holds the IDs of the
// live records of the address book (those not marked deleted) and, for a text field, each
// record's text of that field as its sort key; the list's pages are views into it
// (personal_list_model.h), never copies of records.
//
// Sorting follows the field: the customer ID (element 0) as numbers, so 2 comes before 10;
// every other field by its stored text in Shift_JIS character order (sjis_sort_keys.h), so
// "10" comes before "2". Equal keys keep the order they had, so the result never depends
// on the sort algorithm.
//
// A million records fetch and sort in well under a second: the keys live in one buffer and
// the ID field needs none. No widgets and no locks of its own: it is built and sorted on a
// worker and handed to the list whole; the address book is read under the book's lock.

#include <string_view>
#include <vector>

#include "app/addressui/sjis_sort_keys.h"

class CDatabaseEdit;

namespace addressui {

class PersonalSortArray {
public:
    // Empty, with no field (Element() -1).
    PersonalSortArray() = default;

    // The live records of `book` in book order, keyed by `element` (0-55). A bad element
    // gives an empty array with Element() -1.
    static PersonalSortArray Fetch(CDatabaseEdit& book, int element);

    // The field the keys were taken from; -1 when none was fetched.
    int Element() const { return element_; }
    int Size() const { return static_cast<int>(ids_.size()); }
    // The ID of entry `index`; -1 outside the array.
    int IdAt(int index) const;
    const std::vector<int>& Ids() const { return ids_; }

    void Sort(bool ascending);
    // Entry `index` now holds `text` in the field (its record was edited): its key becomes
    // that text; the order is left as it is until the next sort.
    void SetKey(int index, std::string_view text);

private:
    int element_ = -1;
    std::vector<int> ids_;
    SjisSortKeys keys_;  // per entry, for a field other than the ID
};

}  // namespace addressui
