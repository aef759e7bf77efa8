#pragma once
// AddressBookRows: reads the address book for the content checks, which look at a few
// elements of every recipient of a mail (a million of them is normal use).
//
// It holds the address book's own lock (CDatabaseEdit::kMutexName) for its whole life, so
// one pass sees one state of the book and the book's own calls inside it only re-enter a
// lock this thread holds. Keep it for one pass only, and never across a message box.
//
// Customer IDs are turned into rows through a direct table built from the book's IDs when
// the book's IDs are dense enough (IDs come from a sequence, so they are); otherwise, and
// for IDs outside that table, through the book's own index. Either way an ID gives the
// row the book's index gives (the last row of a repeated ID).

#include <mutex>
#include <string>
#include <vector>

#include "core/addressbook/database_edit.h"
#include "platform/named_mutex.h"

namespace compose {

class AddressBookRows {
public:
    // `lookups`: about how many IDs the pass will turn into rows; the direct table is made
    // only when it pays for itself.
    AddressBookRows(CDatabaseEdit& book, std::size_t lookups);
    AddressBookRows(const AddressBookRows&) = delete;
    AddressBookRows& operator=(const AddressBookRows&) = delete;

    CDatabaseEdit& Book() { return book_; }
    // The row of customer `id`, or -1 when the book has no such customer.
    int RowOf(int id) const {
        if (id >= 0 && static_cast<std::size_t>(id) < direct_.size()) return direct_[static_cast<std::size_t>(id)];
        if (useDirect_ && (id >= 0 || !negativeIds_)) return -1;
        return book_.DBID2RowNumber(id);
    }
    // Element `element` of row `row` into `out` (reusing its buffer).
    void Element(int row, int element, std::string& out) const { book_.GetAtElement(row, element, out); }

private:
    platform::NamedMutex mutex_{CDatabaseEdit::kMutexName};
    std::unique_lock<platform::NamedMutex> lock_;
    CDatabaseEdit& book_;
    std::vector<int> direct_;  // row by ID, -1 for none
    bool useDirect_ = false;
    bool negativeIds_ = false;
};

}  // namespace compose
