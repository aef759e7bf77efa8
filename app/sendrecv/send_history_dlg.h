#pragma once
// CSendHistoryDlg (dialog 155, "送信履歴"): the send history of one mail, one row per
// recipient with the person's address-book data, the send state, the resends, the open
// notice and the last change, shown a page of 1000 rows at a time. From here the user
// exports the whole history (CSV or text), looks at one person's record read-only, and
// lets every recipient whose send failed be mailed again ("エラーになったアドレスを送付可に
// 戻す").
//
// Work that grows with the history runs on a worker while the dialog is disabled and the
// please-wait window stands over it: reading the history file when the dialog opens, the
// export, the bulk change (which also keeps the scheduler from starting a run while it
// changes the address book). The GUI thread only shows the result; a page is copied out
// of memory when it is shown (SendHistory, send_history.h), and its texts are made then,
// so a page change needs no worker and the columns keep the widths the user gave them.
//
// Opening: a history that is damaged, empty, or cannot be read is reported and the dialog
// closes (an unreadable history is never shown as an empty one, which would read as "sent
// to nobody"); a mail never sent gets "このメールには送信履歴がありません..." and an empty
// list whose export stays disabled.
//
// Two screens of higher folders are reached through hooks the program installs: the
// read-only personal record (without a hook "個人情報の詳細" does nothing) and the
// question whether an export starts with the column titles (without a hook it does).
//
// Column widths come from the environment ini (COLUMNWIDTH keys 0, 1, 2, 3, 6 shared with
// the address-book list; HISTORYLISTINFO STATEW, RETRYNUM, OPENFLAG, LASTUPDATE) and
// are written back by "閉じる".

#include <QDialog>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "app/sendrecv/send_history.h"
#include "core/mailstore/one_mail_data.h"

class QLabel;
class QPushButton;
class QTableView;
class ReportRowsModel;

namespace shell {
class CWaitDlg;
class ScopedSchedulerPause;
}  // namespace shell

class CSendHistoryDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kIdd = 155;
    enum : int {
        kIdcList = 1341,
        kIdcMailId = 1349,
        kIdcTitle = 1352,
        kIdcCount = 1245,
        kIdcClose = 1346,
        kIdcPrevious = 1485,
        kIdcNext = 1484,
        kIdcDetail = 1486,
        kIdcResetErrors = 1836,
        kIdcExport = 1873,
    };

    // Opens the read-only record of `customerId` with `caption`, modally.
    using RecordViewerHook = std::function<void(QWidget* parent, int customerId, const QString& caption)>;
    // Asks whether the export starts with the column titles: nothing when cancelled, else
    // true for the title row.
    using ExportHeaderHook = std::function<std::optional<bool>(QWidget* parent)>;
    // Install the hooks (empty: none); each returns the one it replaces.
    static RecordViewerHook SetRecordViewerHook(RecordViewerHook hook);
    static ExportHeaderHook SetExportHeaderHook(ExportHeaderHook hook);

    // The history of `mail`, bound to the open environment's managers.
    explicit CSendHistoryDlg(const COneMailData& mail, QWidget* parent = nullptr);
    ~CSendHistoryDlg() override;

    // IDCANCEL (2) when closed.
    int DoModal();

    // The current page's first and last row index and the history's size.
    int FirstRow() const { return first_; }
    int LastRow() const { return last_; }
    int Total() const { return total_; }
    // True while a worker runs; HasRead once the history was read (or found missing).
    bool IsBusy() const { return worker_.joinable(); }
    bool HasRead() const { return hasRead_; }
    QTableView* List() const { return list_; }
    ReportRowsModel* Model() const { return model_; }

    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Runs `work` on a worker behind the please-wait window with `lines`; `done` runs on
    // the GUI thread afterwards.
    void RunWorker(const QStringList& lines, std::function<void()> work, std::function<void()> done);
    void FinishWorker();
    void StartRead();
    void ReadDone(int result);
    void SetUpPage();
    void UpdateButtons();
    void ShowPage(int first);
    void ShowDetail();
    void ResetErrors();
    void Export();
    void Close();
    std::vector<int> LoadWidths() const;

    COneMailData mail_;
    SendHistory history_;
    int first_ = 0;
    int last_ = SendHistory::kPageRows - 1;
    int total_ = 0;
    std::vector<HistorySet> page_;
    std::vector<QStringList> pageTexts_;
    bool pageHasError_ = false;

    QTableView* list_ = nullptr;
    ReportRowsModel* model_ = nullptr;
    QLabel* count_ = nullptr;
    QPushButton* previous_ = nullptr;
    QPushButton* next_ = nullptr;
    QPushButton* detail_ = nullptr;
    QPushButton* resetErrors_ = nullptr;
    QPushButton* export_ = nullptr;

    std::unique_ptr<shell::CWaitDlg> wait_;
    std::unique_ptr<shell::ScopedSchedulerPause> pause_;
    std::thread worker_;
    std::function<void()> workerDone_;
    int readResult_ = 0;
    bool hasRead_ = false;
    bool exportWritten_ = false;
    SendHistory::BulkResult bulk_;
};
