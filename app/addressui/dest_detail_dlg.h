#pragma once
// CDestDetailDlg (dialog 146 "宛先詳細"): the recipients of one destination, a stored mail
// (kind 0) or a destination list of the address book (kind 1), 1000 to a page, and the
// refresh that rebuilds them from the current address book.
//
// Opening reads the destination's recipient list on a worker behind the please-wait
// window and checks every listed person against the book (a person missing from it is
// reported, "個人情報ファイルに存在しないIDが含まれています", and the list still shown).
//
// "最新の情報に更新" (always for a list; for a mail unless its status is exactly "W", "B",
// "R" or "A") asks first (a mail whose recipients came from another mail's send history
// asks once more: they cannot be brought back), then re-extracts on a worker
// (dest_reextract.h; a mail keeps to its type: PC HTML mails to PC addresses, mobile HTML
// mails to mobile addresses other than WILLCOM, and drops whom its history excludes).
// Only a successful re-extraction is written; it then fills the first page and reports the
// count. For a mail it then offers to rename its destination (CConditionNameDlg), sets the
// mail's renewal and address-set dates to now, clears its special-destination mark, writes
// the mail list and tells the mail-list view (mail_row_notice.h).
//
// "個人情報の詳細" (or a double click) shows the selected person read-only. The column
// widths are kept on refresh and on closing (recipient_page_list.h).
//
// While a worker runs the dialog is disabled behind the please-wait window and refuses to
// close. ReExtract serves also callers that never show the dialog (the address book's
// in-place refresh): they call it on the GUI thread after SetTypeAndID succeeded.

#include <QDialog>
#include <QString>

#include <string>

#include "app/addressui/dest_reextract.h"
#include "app/addressui/screen_worker.h"

class ExtractListViewer;
class QLabel;
class QPushButton;
class QTableView;

namespace shell {
class CWaitDlg;
}

namespace addressui {

class RecipientPageModel;

class CDestDetailDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kIdd = 146;
    static constexpr int kIdcCount = 1244;
    static constexpr int kIdcTitle = 1258;
    static constexpr int kIdcClose = 1267;
    static constexpr int kIdcList = 1274;
    static constexpr int kIdcRefresh = 1278;
    static constexpr int kIdcPrevPage = 1474;
    static constexpr int kIdcNextPage = 1475;
    static constexpr int kIdcDetail = 1482;
    static constexpr int kPageRows = 1000;

    // `lists` (not owned): the list store of a kind-1 destination; may be null for a mail.
    CDestDetailDlg(int id, int kind, ExtractListViewer* lists, QWidget* parent = nullptr);
    ~CDestDetailDlg() override;

    // IDOK (1) when closed with "閉じる".
    int DoModal();

    // The re-extraction (dest_reextract.h) with the wait cursor when `busyCursor`, over the
    // refresher's result list. True on success.
    bool ReExtract(bool busyCursor, int mailTypeFilter);
    DestinationRefresher& Refresher() { return refresher_; }

    bool IsBusy() const { return worker_.Busy(); }
    int GetRecipientCount() const { return count_; }
    int GetPageStart() const { return start_; }
    RecipientPageModel* Model() const { return model_; }
    QTableView* List() const { return list_; }

    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // What the load worker found, shown on the GUI thread.
    struct Loaded {
        QString text;     // a message to show; empty: none
        QString caption;  // its caption; empty: the program's name
        bool fill = false;
    };
    Loaded Load();
    void LoadDone(const Loaded& loaded);
    void FillPage();
    void MovePage(int rows);
    void UpdateButtons();
    void ShowDetails();
    void Refresh();
    void RefreshDone(bool ok, int filter);
    void MailRefreshed();
    void BeginWait(int what);
    void EndWait();
    void CloseWithOk();
    bool IsMailRefreshable() const;

    int id_;
    int kind_;
    ExtractListViewer* lists_;
    DestinationRefresher refresher_;
    bool bound_ = false;
    bool started_ = false;
    int start_ = 0;
    int end_ = kPageRows - 1;
    int count_ = 0;
    RecipientPageModel* model_ = nullptr;
    QTableView* list_ = nullptr;
    QLabel* countLabel_ = nullptr;
    QLabel* title_ = nullptr;
    QPushButton* refresh_ = nullptr;
    QPushButton* prev_ = nullptr;
    QPushButton* next_ = nullptr;
    QPushButton* detail_ = nullptr;
    shell::CWaitDlg* wait_ = nullptr;
    ScreenWorker worker_;
};

}  // namespace addressui
