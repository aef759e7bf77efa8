#pragma once
// The mail search screens. CMailSearchDlg (dialog 195, "メール検索条件") takes one keyword
// and the field to search; "検索" runs the search (mail_search.h) over the open
// environment's mails with the wait cursor and closes with IDOK; an empty keyword is
// refused and the dialog stays. CMailSearchResultDlg (dialog 197, "メール検索結果") then
// lists the hits of that condition dialog; "編集をする" (or a double click) asks the
// mail-list view to open the selected mail for editing (mail_row_notice.h) and brings the
// result list back to the front afterwards.
//
// RunMailSearch is the whole command: the condition dialog and, on IDOK, the result
// dialog, both modal.

#include <QDialog>
#include <QString>

#include <string>
#include <vector>

#include "app/sendrecv/mail_search.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class ReportRowsModel;

class CMailSearchDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kIdd = 195;
    enum : int { kIdcKeyword = 1547, kIdcField = 1548 };

    explicit CMailSearchDlg(QWidget* parent = nullptr);

    // IDOK (1) after a search, IDCANCEL (2) otherwise.
    int DoModal();

    int GetSearchField() const { return field_; }
    const QString& GetKeyword() const { return keyword_; }
    const std::vector<MailSearchHit>& GetHits() const { return hits_; }

    void accept() override;
    void reject() override;

private:
    QComboBox* fieldBox_ = nullptr;
    QLineEdit* keywordEdit_ = nullptr;
    int field_ = kSearchSubject;
    QString keyword_;
    std::vector<MailSearchHit> hits_;
};

class CMailSearchResultDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kIdd = 197;
    enum : int { kIdcList = 1530, kIdcEdit = 1529, kIdcHitCount = 1549, kIdcTarget = 1260, kIdcCondition = 1262 };

    // Reads the condition dialog's field, keyword and hits (copies them).
    CMailSearchResultDlg(const CMailSearchDlg& condition, QWidget* parent = nullptr);

    // IDCANCEL (2) when closed.
    int DoModal();

    QTableView* List() const { return list_; }
    ReportRowsModel* Model() const { return model_; }

    void reject() override;

private:
    void UpdateStatus();
    void EditSelected();

    int field_;
    QString keyword_;
    std::vector<MailSearchHit> hits_;
    QTableView* list_ = nullptr;
    ReportRowsModel* model_ = nullptr;
    QLabel* hitCount_ = nullptr;
    QLabel* target_ = nullptr;
    QLabel* condition_ = nullptr;
    QPushButton* edit_ = nullptr;
};

// The search command of the mail list: condition dialog, then the result dialog.
void RunMailSearch(QWidget* parent);
