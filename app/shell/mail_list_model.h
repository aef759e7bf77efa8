#pragma once
// MailListModel: the rows of the main window's mail list. A row is a mail ID; the copy of
// the mail's entry of the mail list (a CMailRecord) that the row shows is read through the
// loader the first time the row is needed (shown, sorted by a column other than the ID,
// selected for a command) and kept until the row is refreshed or removed. The texts of
// its cells are made from that copy when a view asks for them. So a list of twenty
// thousand mails shows at once, and reads only the rows that are looked at. A mail the
// loader cannot read shows its ID only and counts for no command.
//
// The model keeps the column table of the current layout (mail or report, see
// mail_list_columns.h) with a sort direction per column, and the sort state that
// outlives layout changes: the column last sorted and its direction.
//
// Sorting is the list's own, not Qt's: a column click sorts once (ascending at the first
// click on a column, then alternating), rows that are added or refreshed afterwards stay
// where they are, and a selection keeps to its mails. Numbers (mail ID, counts, open
// rate) compare as numbers, every other column as its Shift_JIS text (CompareSjisNoCase),
// so dates compare as their "yyyy/mm/dd hh:mm:ss" texts. Equal keys keep their order.
//
// The model knows no store: the controller gives it the IDs and the loader. It never
// touches a widget, so it is tested without a window.

#include <QAbstractTableModel>

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/sendrecv/mail_record_helpers.h"

namespace shell {

class MailListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    struct SortState {
        int column = -1;
        int direction = -1;  // 0 ascending, 1 descending
    };
    // Reads the entry of a mail into `out`: true when it could.
    using Loader = std::function<bool(int mailId, COneMailData& out)>;
    // Reads into `out` at least what column kind `kind` shows of a mail (a sort of rows
    // not yet read needs one field of each, not the whole entry): true when it could.
    using FieldLoader = std::function<bool(int mailId, int kind, COneMailData& out)>;

    explicit MailListModel(QObject* parent = nullptr);
    ~MailListModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The cell text (Shift_JIS) of column kind `kind` for `mail`.
    static std::string CellText(int kind, const COneMailData& mail);

    // ---- Columns and sorting ------------------------------------------------------------
    int Layout() const { return layout_; }
    // The kind and direction of column `column`; -1 outside the table.
    int ColumnKind(int column) const;
    int ColumnDirection(int column) const;
    SortState SavedSort() const { return saved_; }

    // Builds the columns of `layout` (every row is removed; every direction starts at
    // descending) and carries the saved sort state over: between the two layouts the
    // state's column moves to the same kind (状態 and 送信予約日時 change place; メールID
    // and 件名 stay), within one layout it stays; any other column, or none, resets the
    // state to メールID ascending. The saved column takes the saved direction.
    void SetLayout(int layout);
    void SetLoader(Loader loader) { loader_ = std::move(loader); }
    // Empty: a sort reads whole entries.
    void SetFieldLoader(FieldLoader loader) { fieldLoader_ = std::move(loader); }
    // Replaces all rows by the mails `mailIds` and sorts them by the saved state.
    void SetRows(const std::vector<int>& mailIds);
    // A click on column `column`: turns its direction over, sets every other column to
    // descending, sorts and keeps the result as the saved state.
    void SortByColumnClick(int column);

    // ---- Rows ---------------------------------------------------------------------------
    // The row of mail `mailId`, or -1.
    int RowOfMail(int mailId) const;
    // The entry of row `row` (read now when it was not yet), or null when there is no such
    // row or its mail cannot be read.
    const CMailRecord* Record(int row) const;
    int MailIdAt(int row) const;

    // Refreshes the row of `mail` from it; false (nothing changed) when it has none.
    bool RefreshRow(const COneMailData& mail);
    // Refreshes the row of `mail`, or appends one when it has none (whatever the mode).
    void RefreshOrAppendRow(const COneMailData& mail);
    // Removes the rows of these mails (IDs without a row are skipped), in one pass; the
    // number removed.
    int RemoveMails(const std::vector<int>& mailIds);

private:
    struct Row;
    void SortBy(int column);
    void RebuildIndex();

    int layout_ = 0;
    struct Column {
        int kind;
        int direction;
    };
    std::vector<Column> columns_;
    SortState saved_;
    struct Row {
        int mailId = -1;
        mutable std::unique_ptr<CMailRecord> entry;  // null until read
        mutable bool unreadable = false;
    };
    std::vector<Row> rows_;
    Loader loader_;
    FieldLoader fieldLoader_;
    mutable CMailRecord scratch_;
    // The entry of `row`, read now when it was not yet; null when it cannot be read.
    const CMailRecord* Load(const Row& row) const;
    // The order of `rows` sorted by `column` with its direction (stable).
    std::vector<int> SortOrder(const std::vector<Row>& rows, int column) const;
    std::unordered_map<int, int> rowOfMail_;
};

}  // namespace shell
