#pragma once
// PersonalListModel: the rows of the personal-information list. The list shows one page of
// the sort array (personal_list_sort_array.h) at a time, 500 entries: entries First() to
// First() + 499, cut at the array's end. A row is the entry's customer ID; its cells are
// read from the address book when a view asks for them, so neither a page nor the array
// ever copies a record, and moving to another page is only a new window onto the array.
//
// Cells follow the list's rule (PersonalListCellText): the stored text of the field, with
// a birth date that carries its time shown as the date alone, and the entry and renewal
// dates cut to "YYYY/MM/DD hh:mm:ss".
//
// The page arithmetic the list's commands use stands below as free functions, so it is
// checked without a window. The model touches no widget.

#include <QAbstractTableModel>

#include <string>
#include <vector>

#include "app/addressui/column_layout.h"
#include "app/addressui/personal_list_sort_array.h"

class CDatabaseEdit;

namespace addressui {

inline constexpr int kPersonalPageSize = 500;

// The first entry of the page before the one starting at `first`: 500 back, at least 0.
int PreviousPageFirst(int first);
// The first entry of the next page; `first` itself when the next page would start at or
// after the end of the `entries` entries.
int NextPageFirst(int first, int entries);
// The first entry of page `page` (1-based; 0 counts as 1); past the end, the start of the
// last page (0 when there are no entries).
int GoToPageFirst(int page, int entries);
// The page number (1-based) of the page starting at `first`, and the number of pages:
// the pages the entries fill, at least the current page's number.
int PageNumber(int first);
int PageCount(int first, int entries);

// The cell of `element` for customer `id` as the list shows it (Shift_JIS); the ID itself
// for element 0; empty when the book does not hold the ID.
std::string PersonalListCellText(CDatabaseEdit& book, int id, int element);

class PersonalListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // `book` (not owned) must outlive the model; null shows the IDs only.
    explicit PersonalListModel(CDatabaseEdit* book, QObject* parent = nullptr);

    void SetColumns(std::vector<ListColumn> columns);
    const std::vector<ListColumn>& Columns() const { return columns_; }
    // The column that shows `element`; -1 when none does.
    int ColumnOf(int element) const;

    // Puts in a (sorted) array; the page stays where it starts.
    void SetSortArray(PersonalSortArray array);
    // Takes the array out, for a worker to refetch or sort it; the list shows no rows until
    // one is set again.
    PersonalSortArray TakeSortArray();
    const PersonalSortArray& SortArray() const { return array_; }
    int EntryCount() const { return array_.Size(); }

    // The page: entries First() .. First() + 499.
    int First() const { return first_; }
    int Last() const { return first_ + kPersonalPageSize - 1; }
    void SetFirst(int first);
    // The sort-array index of row `row` of the page, and its customer ID (-1 outside).
    int EntryOf(int row) const { return first_ + row; }
    int IdAt(int row) const;

    // Redraws row `row` after its record was edited, and takes the record's new text of the
    // sort field as its key.
    void RecordEdited(int row);

    std::string CellText(int row, int column) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    CDatabaseEdit* book_;
    std::vector<ListColumn> columns_;
    PersonalSortArray array_;
    int first_ = 0;
};

}  // namespace addressui
