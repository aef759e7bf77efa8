#pragma once
// CSearchResultDlg (dialog 193 "個人情報検索結果"): the records a search found, one row
// per hit, with the columns of the column layout plus the searched field (shown even when
// its column is switched off), a summary of the search, and the record commands:
//  - 編集 (or a double click): the record editor for exactly one selected row; after OK
//    the row shows the stored record and the changed flag is set;
//  - 削除: asks, then marks the selected records deleted on a worker, from the last
//    selected row to the first; a record that could not be deleted is reported, keeps its
//    row and stays in the hit list; the others leave both. The changed flag is set;
//  - エクスポート: asks whether to write an item-name row (export_choice_hooks.h) and for
//    a file, then writes what the list shows, in its order, on a worker (csv_export.h);
//  - Ctrl+A selects every row.
// The list is a model over the hit IDs with cells made when shown, so "すべて" over a
// million records opens at once; a click on a column header sorts by it.
//
// While a worker runs the dialog is disabled behind the please-wait window and refuses to
// close; its windows keep painting.
//
// The window rectangle is kept in the environment's ini file (section DBSRCHRSLTDLGINFO,
// keys LEFT, TOP, RIGHT, BOTTOM: the dialog's own area in screen coordinates, so it does
// not grow by its frame from one opening to the next). It is applied only when all four
// are non-zero (a negative LEFT or TOP counting as 0) and is pulled onto the screen when
// it lies off every screen or is larger than the screen.

#include <QString>

#include <string>
#include <vector>

#include "app/addressui/column_layout.h"
#include "app/addressui/screen_worker.h"
#include "app/widgets/resizable_dialog.h"
#include "core/addressbook/extract_action.h"

class QLabel;
class QPushButton;
class QTableView;

namespace shell {
class CWaitDlg;
}

namespace addressui {

class SearchResultModel;

class CSearchResultDlg : public shell::CResizableDialog {
    Q_OBJECT
public:
    static constexpr int kIdd = 193;
    static constexpr int kIdcHitCount = 1527;
    static constexpr int kIdcField = 1249;
    static constexpr int kIdcCondition = 1254;
    static constexpr int kIdcList = 1522;
    static constexpr int kIdcEdit = 1520;
    static constexpr int kIdcDelete = 1834;
    static constexpr int kIdcExport = 1874;
    static constexpr int kIdcClose = 2;

    // `hits` (the search's IDs, owned by the caller, which sees deleted IDs leave it) and
    // `condition` (owned by the caller) must outlive the dialog.
    CSearchResultDlg(std::vector<int>* hits, const OneExtractCondition* condition, QWidget* parent = nullptr);
    ~CSearchResultDlg() override;

    // IDCANCEL (2) when closed.
    int DoModal();
    // True when a record was edited or deleted here: the opener reloads its list.
    bool IsChanged() const { return changed_; }
    bool IsBusy() const { return worker_.Busy(); }

    SearchResultModel* Model() const { return model_; }
    QTableView* List() const { return list_; }

    // The summary texts for a search over `condition` ("検索項目 ： ..." and "検索条件 ： ...");
    // `fieldName` is the searched field's name (Shift_JIS), empty when the field is not one
    // the search offers. An unknown flag leaves the condition text empty.
    static QString FieldSummary(const OneExtractCondition& condition, const std::string& fieldName);
    static QString ConditionSummary(const OneExtractCondition& condition, const std::string& fieldName);

    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void UpdateButtons();
    void UpdateSummary();
    void EditRecord();
    void DeleteRecords();
    void Export();
    // Disables the dialog and shows the please-wait window with the lines of `what`
    // (1 delete, 4 export).
    void BeginWait(int what);
    void EndWait();
    void RestoreRect();
    void SaveRect();

    std::vector<int>* hits_;
    const OneExtractCondition* condition_;
    CDBColumnInfo columns_;
    std::string fieldName_;
    bool changed_ = false;
    bool rectRestored_ = false;
    SearchResultModel* model_ = nullptr;
    QTableView* list_ = nullptr;
    QLabel* hitCount_ = nullptr;
    QLabel* field_ = nullptr;
    QLabel* conditionLabel_ = nullptr;
    QPushButton* edit_ = nullptr;
    QPushButton* delete_ = nullptr;
    QPushButton* export_ = nullptr;
    shell::CWaitDlg* wait_ = nullptr;
    ScreenWorker worker_;
};

}  // namespace addressui
