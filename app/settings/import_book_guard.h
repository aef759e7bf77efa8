#pragma once
// ImportBookGuard: an import either completes or leaves the address book as it was.
//
// The address book's importers store record after record and keep what they stored when
// they fail half-way (a customer ID that cannot be drawn, a read error in the middle of the
// file) or are stopped; a later save would then write a half-imported book. An import
// screen therefore takes a guard before the import starts and calls Restore when the
// import failed or the user stopped it.
//
// The guard keeps a compact copy of every row (one block per row, as the book itself
// holds them), so it costs about what the book's rows cost, and nothing for an empty book.
// Restore puts exactly those rows back, in their order, and rebuilds the ID index, all in
// one hold of the book's lock, so no reader ever sees a mix; the book is then saved whole
// (what the import committed to the book's journal is superseded). A book that no row
// changed since the copy (an import that failed before it stored anything, or one that
// replaces the book and builds the new one aside) is left alone, its file untouched.
// Customer IDs drawn by the failed import stay used (the sequence only moves forward).
//
// The copy and the restore each hold the book's lock ("DATABASE_EDIT_MUTEX"); a caller that
// must keep other writers out in between holds that (recursive) lock around the whole run.

#include <cstdint>
#include <vector>

#include "core/foundation/packed_row.h"

class CDatabaseEdit;

namespace settings {

class ImportBookGuard {
public:
    // Copies the rows of `book` as they are now.
    explicit ImportBookGuard(CDatabaseEdit& book);
    ImportBookGuard(const ImportBookGuard&) = delete;
    ImportBookGuard& operator=(const ImportBookGuard&) = delete;

    // Puts the copied rows back. 0, or the book's negative result when the rows could not
    // be put back or saved (the book then holds what the import left).
    int Restore();
    int Rows() const { return static_cast<int>(rows_.size()); }

private:
    CDatabaseEdit& book_;
    std::vector<PackedRow> rows_;
    std::uint64_t changes_ = 0;  // the book's change count when the copy was made
};

}  // namespace settings
