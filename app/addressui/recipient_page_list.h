#pragma once
// One page of recipients, as the extraction's result page and the destination details
// show it: up to 1000 rows of a result list, each the person's ID, mail address, family
// name, given name and company. The rows are the address book's data read for the page
// (ExtractResultDetail::GetIDPlusDBDataFromDBFile); the model only holds and shows them.
//
// The columns' widths are kept in the environment's ini file, section COLUMNWIDTH, under
// the column table's keys of the same fields ("0", "1", "2", "3", "6"); a stored width of
// 1 to 1000 counts, anything else (0, a negative number, a missing key) gives the column's
// default (75, 130, 60, 60, 160).

#include <QAbstractTableModel>

#include <vector>

#include "core/addressbook/extract_result_detail.h"

class QTableView;
class QWidget;

namespace addressui {

class RecipientPageModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kColumns = 5;
    static constexpr int kPageRows = 1000;

    explicit RecipientPageModel(QObject* parent = nullptr);

    void SetRows(std::vector<ERDetailPlusDB> rows);
    void Clear() { SetRows({}); }
    const std::vector<ERDetailPlusDB>& Rows() const { return rows_; }
    // The person's ID of row `row`, or -1.
    int IdAt(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    std::vector<ERDetailPlusDB> rows_;
};

// Makes `view` a full-row, one-row-at-a-time list over `model` with the stored widths.
void SetUpRecipientList(QTableView* view, RecipientPageModel* model);
// Writes the view's current column widths to the ini file (nothing without an environment).
void SaveRecipientColumnWidths(const QTableView* view);
// Rows `start` to `end` of `result` read from the address book into `model`, the view not
// repainting in between.
void ShowRecipientPage(ExtractResultDetail& result, int start, int end, QTableView* view,
                       RecipientPageModel* model);
// The selected row's person in the read-only personal-information sheet (nothing without
// a selection).
void ShowSelectedRecipientDetails(QWidget* owner, const QTableView* view, const RecipientPageModel* model);

}  // namespace addressui
