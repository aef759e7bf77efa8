#pragma once
// CDeletedDataDlg (dialog 198, "削除データ一覧"): what was deleted but is still stored -
// personal records, mails, destination lists (deleted_data_list.h) - for the user to
// restore; deleted personal records can also be erased for good, which blanks them
// (address included) so that they are never listed again.
//
// Each kind restores by its own rule, as its store needs:
//  - personal records: restored in memory one by one (the program's save writes the
//    book); the first failure is reported and the rest are not tried, the list is not
//    read again;
//  - mails: a failure is reported and the next mail is still restored; every restored
//    mail's row is handed to the mail-list view (request 2, refresh or append), then the
//    mail list is written, and the list read again;
//  - destination lists: each restore is written at once; the first failing restore or
//    write is reported and ends the command without reading the list again.
// Erasing (personal records only) reports a failing record and goes on. While a restore
// or an erase works, the dialog is disabled under the please-wait window and the
// scheduler is paused.
//
// The list is a model over IDs: a book with a million deleted records lists their IDs,
// and a row's texts are read when it is shown.

#include <QDialog>

#include <memory>
#include <vector>

#include "app/sendrecv/deleted_data_list.h"
#include "core/addressbook/extract_list_viewer.h"

class QComboBox;
class QPushButton;
class QTableView;
class ReportRowsModel;

namespace shell {
class CWaitDlg;
}

class CDeletedDataDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kIdd = 198;
    enum : int { kIdcKind = 1328, kIdcList = 1511, kIdcRestore = 1528, kIdcErase = 1836 };

    explicit CDeletedDataDlg(QWidget* parent = nullptr);
    ~CDeletedDataDlg() override;

    // IDCANCEL (2) when closed.
    int DoModal();

    int Kind() const { return kind_; }
    QTableView* List() const { return list_; }
    ReportRowsModel* Model() const { return model_; }

    void reject() override;

private:
    void LoadList();
    std::vector<int> SelectedIds() const;
    void Restore();
    void Erase();
    void RestorePeople(const std::vector<int>& ids);
    void RestoreMails(const std::vector<int>& ids);
    void RestoreDestinations(const std::vector<int>& ids);
    // The please-wait window of work `kind` (3: erasing), and its end.
    void BeginWork(int kind);
    void EndWork();
    int Ask(const QString& text, const QString& caption);
    void Tell(const QString& text, const QString& caption);

    ExtractListViewer lists_;
    DeletedDataStores stores_;
    int kind_ = kDeletedPeople;
    QComboBox* kindBox_ = nullptr;
    QTableView* list_ = nullptr;
    ReportRowsModel* model_ = nullptr;
    QPushButton* erase_ = nullptr;
    std::unique_ptr<shell::CWaitDlg> wait_;
};
