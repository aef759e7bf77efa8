#include "app/compose/mail_size_measure_book.h"

#include <algorithm>

namespace compose {

AddressBookRows::AddressBookRows(CDatabaseEdit& book, std::size_t lookups) : lock_(mutex_), book_(book) {
    const int rows = book_.GetLineNumber();
    // Building the table costs a pass over the book's IDs; a few look-ups go to the index.
    if (rows <= 0 || lookups < static_cast<std::size_t>(rows) / 16 + 64) return;
    std::vector<int> ids;
    book_.GetDBIDALL(ids);
    int maxId = -1;
    for (const int id : ids) {
        if (id < 0) negativeIds_ = true;
        maxId = std::max(maxId, id);
    }
    // Sparse IDs would make a table mostly empty: the index serves them better.
    if (maxId < 0 || static_cast<std::size_t>(maxId) > 8 * ids.size() + 4096) return;
    direct_.assign(static_cast<std::size_t>(maxId) + 1, -1);
    for (std::size_t row = 0; row < ids.size(); ++row)
        if (ids[row] >= 0) direct_[static_cast<std::size_t>(ids[row])] = static_cast<int>(row);
    useDirect_ = true;
}

void AddressBookRows::RowsOf(const std::vector<int>& ids, std::vector<int>& rows) const {
    rows.resize(ids.size());
    for (std::size_t i = 0; i < ids.size(); ++i) rows[i] = RowOf(ids[i]);
}

}  // namespace compose
