#pragma once
// CAutoRegListDlg (dialog 203, "自動登録メール受信結果"): the registration mails that
// receive runs collected (DB/autoreg.dat), for the user to turn into address-book records
// ("個人情報に登録", or a double click) or to discard ("登録せずに削除", after a question).
// An address the book holds already goes through the same-address dialog (205), which
// can overwrite the stored record - and so restore a deleted one. The list shows the
// address-book list's columns (without the ID column) and keeps their widths.
//
// The dialog closes by itself 30 seconds after it opened (or was refilled) unless the
// user presses "自動で閉じなくする" or acts on a row.
//
// What it guarantees:
//  - A registered record is written to the address book before the registration list
//    loses its row, so a crash never loses a registration: at worst the row comes back
//    and registering it again overwrites the same record.
//  - A registration list that cannot be read whole is shown empty and never written over.
//  - Registering many rows costs one address index over the book, not a search of the
//    whole book per row.
//
// The column set lives in the address-book screens, a folder above this one: the program
// installs it with SetColumnSource; without it a fixed set of the record's fields shows.

#include <QDialog>
#include <QString>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "app/sendrecv/receive_stores.h"
#include "app/sendrecv/send_job.h"
#include "core/foundation/record_table.h"

class QPushButton;
class QTableView;
class QTimer;
class ReportRowsModel;

class CAutoRegListDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kIdd = 203;
    enum : int { kIdcList = 1550, kIdcRegister = 1505, kIdcDiscard = 1508, kIdcKeepOpen = 1498 };
    static constexpr int kAutoCloseMs = 30000;

    // One column of the list: an address-book element, its caption and width in pixels.
    struct Column {
        int element = 0;
        QString caption;
        int width = 0;
    };
    struct ColumnSource {
        // The address-book list's columns, left to right, the ID column first.
        std::function<std::vector<Column>()> load;
        // Keeps the widths (element, pixels) of the columns shown.
        std::function<void(const std::vector<std::pair<int, int>>& widths)> save;
    };
    // Installs the column set (empty members: the fixed set, widths not kept); returns the
    // one it replaces.
    static ColumnSource SetColumnSource(ColumnSource source);

    // Over the program's open environment.
    explicit CAutoRegListDlg(QWidget* parent = nullptr);
    ~CAutoRegListDlg() override;

    // IDCANCEL (2) when closed.
    int DoModal();

    QTableView* List() const { return list_; }
    ReportRowsModel* Model() const { return model_; }
    QTimer* AutoCloseTimer() const { return timer_; }
    bool AutoClose() const { return autoClose_; }
    // The rows of the list as the dialog holds them.
    const BaseRecordStructer& Rows() const { return rows_; }

public slots:
    // Reads the registration list again and refills (the timer starts again when the dialog
    // still closes by itself).
    void Refill();
    // The application asks its windows to close.
    void CloseRequested();
    void reject() override;

private:
    // Reads the registration list; shows the rows held.
    void Load();
    void Show();
    QStringList RowTexts(int row) const;
    void StopAutoClose();
    void Register();
    void Discard();
    // Writes the book, then the list without its removed rows. False after telling.
    bool SaveAfterRegistering();
    int Ask(const QString& text, const QString& caption, unsigned style);

    SendEnvironment env_;
    BaseRecordStructer rows_;
    bool usable_ = false;
    std::vector<Column> columns_;
    bool autoClose_ = true;
    QTableView* list_ = nullptr;
    ReportRowsModel* model_ = nullptr;
    QPushButton* keepOpen_ = nullptr;
    QTimer* timer_ = nullptr;
};
