#include "app/sendrecv/report_view.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTableView>

#include <algorithm>

#include "app/ui/control_ids.h"

QTableView* MakeReportView(QWidget* parent, int id, bool multiSelect) {
    auto* view = ui::SetControlId(new QTableView(parent), id);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(multiSelect ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSortingEnabled(false);
    view->setShowGrid(false);
    view->setWordWrap(false);
    view->setTextElideMode(Qt::ElideRight);
    view->verticalHeader()->hide();
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    view->horizontalHeader()->setHighlightSections(false);
    view->horizontalHeader()->setStretchLastSection(false);
    view->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return view;
}

std::vector<int> SelectedRows(const QTableView* view) {
    std::vector<int> rows;
    if (view->selectionModel() == nullptr) return rows;
    for (const QModelIndex& index : view->selectionModel()->selectedRows()) rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void ApplyColumnWidths(QTableView* view, const std::vector<int>& widths) {
    for (std::size_t c = 0; c < widths.size(); ++c) view->setColumnWidth(static_cast<int>(c), widths[c]);
}

std::vector<int> ColumnWidths(const QTableView* view) {
    std::vector<int> widths;
    const int n = view->model() != nullptr ? view->model()->columnCount() : 0;
    for (int c = 0; c < n; ++c) widths.push_back(view->columnWidth(c));
    return widths;
}
