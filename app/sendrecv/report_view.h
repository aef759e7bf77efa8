#pragma once
// The report-style list of the mail dialogs: a QTableView that selects whole rows, edits
// nothing, has rows of one height (so a list of a million rows lays out without measuring
// any) and no row header, named by its control number.

#include <vector>

class QTableView;
class QWidget;

// A report view named as control `id`; `multiSelect`: extended selection, else one row.
QTableView* MakeReportView(QWidget* parent, int id, bool multiSelect);
// The selected rows, top to bottom.
std::vector<int> SelectedRows(const QTableView* view);
// Column widths, in pixels.
void ApplyColumnWidths(QTableView* view, const std::vector<int>& widths);
std::vector<int> ColumnWidths(const QTableView* view);
