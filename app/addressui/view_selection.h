#pragma once
// The selected rows of a list or table view as row numbers, read from the selection's
// ranges: a selection of a million rows (Ctrl+A) costs one range, not a million indexes.

#include <vector>

class QAbstractItemView;

namespace addressui {

// The rows with at least one selected cell, ascending, each once.
std::vector<int> SelectedRows(const QAbstractItemView* view);

}  // namespace addressui
