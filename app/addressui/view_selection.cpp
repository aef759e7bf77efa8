#include "app/addressui/view_selection.h"

#include <QAbstractItemView>
#include <QItemSelectionModel>

#include <algorithm>

namespace addressui {

std::vector<int> SelectedRows(const QAbstractItemView* view) {
    std::vector<int> rows;
    if (view == nullptr || view->selectionModel() == nullptr) return rows;
    const QItemSelection selection = view->selectionModel()->selection();
    for (const QItemSelectionRange& range : selection)
        for (int r = range.top(); r <= range.bottom(); ++r) rows.push_back(r);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

}  // namespace addressui
