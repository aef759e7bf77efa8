#pragma once
// SearchResultModel: the rows of the search result list. A row is a customer ID; its cells
// are made from the address book when a view asks for them (search_result_cells.h), so a
// result of a million records shows at once and costs one int per row.
//
// Columns are the list columns of the column layout (column_layout.h); column 0 is always
// the ID. Sorting is by one column: the ID column as numbers, every other column by its
// shown text in Shift_JIS character order; equal keys keep their order, so sorting by a
// second column keeps the first one's order within it. Keys are gathered under one hold
// of the book's lock and sorted as plain bytes. A selection keeps to its records across a
// sort.
//
// The model touches no widget; it is tested without a window.

#include <QAbstractTableModel>

#include <string>
#include <vector>

#include "app/addressui/column_layout.h"

class CDatabaseEdit;

namespace addressui {

class SearchResultModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // `book` (not owned) must outlive the model; null shows the IDs only.
    explicit SearchResultModel(CDatabaseEdit* book, QObject* parent = nullptr);

    void SetColumns(std::vector<ListColumn> columns);
    const std::vector<ListColumn>& Columns() const { return columns_; }
    // Replaces the rows.
    void SetIds(std::vector<int> ids);
    const std::vector<int>& Ids() const { return ids_; }
    int IdAt(int row) const;

    // Redraws the cells of one row (after its record was edited).
    void RefreshRow(int row);
    // Removes the rows `rows` (ascending, no repeats).
    void RemoveRowsAt(const std::vector<int>& rows);

    // The text (Shift_JIS) of cell (row, column).
    std::string CellText(int row, int column) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // Column outside the columns (-1 included): nothing changes.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    // The new order `order` (old row of each new row) applied, persistent indexes moved.
    void ApplyOrder(const std::vector<int>& order);

    CDatabaseEdit* book_;
    std::vector<ListColumn> columns_;
    std::vector<int> ids_;
};

}  // namespace addressui
