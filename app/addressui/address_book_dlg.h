#pragma once
// CAddressBookDlg (dialog 125 "アドレス帳"): the destination lists of the open environment
// (ExtractListViewer), with the commands that make, edit, delete and inspect them, set one
// honorific on several, open the personal-information list, and - when a mail asks for its
// destination (mode 1) - hand one list to that mail.
//
// The dialog owns its list store, loaded when it is made (a list file that does not read
// is said when the dialog shows, and the store then refuses to write over it). After every
// change the store's file is written and the rows are shown afresh; a write that fails is
// told ("アドレス帳の保存に失敗しました"), so a change is never lost without a word. The
// count "宛先数：" is the number of lists shown. Column widths are kept in section
// ADDRESSLISTINFO of the environment's ini file when the dialog is closed (not when it ends
// by handing a list to a mail).
//
// Handing a list to a mail ("メールの宛先に設定", or a double click in mode 1) asks first
// (twice when the mail's destination came from another mail's send history and cannot be
// brought back), then makes sure the list is not older than the address book:
//  - the address book's unsaved changes are written first (the program's save), so that
//    the file's time covers every change made in memory, the personal-information list
//    opened from here included. A list stamped at or after that time is handed over as it
//    is - unless the book held unsaved changes: the file's time counts whole seconds, so
//    then every list counts as older;
//  - an older list is rebuilt from its conditions (asked first unless system option 13 is
//    "Y"): for a stored mail by the destination-refresh dialog, for a mail being composed
//    in place on a worker behind the please-wait window. The rebuilt list's last update is
//    the moment its re-extraction started reading the book.
// A refresh that fails writes nothing and hands nothing over: the dialog stays open after
// the failure was told. The chosen list (GetResult) is filled before the checks, as the
// composing dialog expects.
//
// While the personal-information list is open the send/receive scheduler is paused, and
// the list is refused while a send or receive run is under way.

#include <QDialog>
#include <QString>

#include <memory>
#include <optional>
#include <string>

#include "app/addressui/screen_worker.h"
#include "core/addressbook/extract_list_viewer.h"

class QLabel;
class QMenu;
class QPushButton;
class QTableView;

namespace shell {
class CWaitDlg;
}

namespace addressui {

class AddressBookModel;
class DestinationRefresher;

// True when a list whose last update is `listLastUpdate` is older than an address book
// written at `bookTime`: both "YYYY/MM/DD hh:mm:ss", compared byte by byte; equal times
// count as up to date.
bool ListOlderThanBook(const std::string& listLastUpdate, const std::string& bookTime);

class CAddressBookDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kIdd = 125;
    enum : int {
        kIdcList = 1000,
        kIdcNew = 1012,
        kIdcEdit = 1017,
        kIdcDelete = 1023,
        kIdcDetail = 1087,
        kIdcHonorific = 1088,
        kIdcPersonalList = 1461,
        kIdcSetDestination = 1337,
        kIdcCount = 1246,
        kIdcClose = 2,
    };
    enum Mode : int { kModeBrowse = 0, kModeForMail = 1 };
    // Target mails besides a stored mail's ID.
    enum : int { kNewMail = -1, kDuplicateMail = -2 };

    // The chosen list, valid when the dialog ended with IDOK.
    struct Result {
        int id = -1;
        std::string name;       // Shift_JIS
        std::string honorific;  // Shift_JIS
    };

    // `mode` kModeBrowse or kModeForMail; `targetMail` the stored mail to set the
    // destination of, kNewMail for a mail being composed, kDuplicateMail for a copy being
    // made (browsing passes kDuplicateMail too).
    CAddressBookDlg(QWidget* parent, int mode, int targetMail);
    ~CAddressBookDlg() override;

    // Opened by the setup wizard: set before DoModal.
    void SetWizardMode(bool on) { wizardMode_ = on; }
    bool IsWizardMode() const { return wizardMode_; }

    // IDOK (1) when a list was chosen for the mail, IDCANCEL (2) when closed.
    int DoModal();
    const Result& GetResult() const { return result_; }

    // The commands (the buttons, the context menu and double clicks call them).
    void NewList();
    void EditList();
    void DeleteLists();
    void ShowDetails();
    void AddHonorific();
    void OpenPersonalList();
    void SetAsMailDestination();

    ExtractListViewer& Lists() { return lists_; }
    AddressBookModel* Model() const { return model_; }
    QTableView* List() const { return list_; }
    bool IsBusy() const { return worker_.Busy(); }
    // The context menu as a right click on a row shows it now (actions named by their
    // command numbers).
    QMenu* ContextMenu();

    void accept() override {}
    // Close or Cancel: keeps the column widths and closes with IDCANCEL.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Reload();
    void UpdateButtons();
    void ShowEntries();
    void SaveWidths();
    // The one selected entry, after telling the user when several are selected
    // (`manyText`, `manyCaption`); null when none or several.
    const ExtractViewData* OneSelected(const char* manyText, const char* manyCaption);
    // Whether list `id` is older than the address book, after writing the book's unsaved
    // changes; empty when the book file's time cannot be read (told).
    std::optional<bool> IsListOlder(int id);
    void RefreshInPlace(int id);
    void Finish();

    int mode_;
    int targetMail_;
    bool wizardMode_ = false;
    bool guidanceShown_ = false;  // the first show's messages
    QString loadError_;           // why the list file did not read; empty when it did
    ExtractListViewer lists_;
    Result result_;
    AddressBookModel* model_ = nullptr;
    QTableView* list_ = nullptr;
    QLabel* count_ = nullptr;
    QPushButton* edit_ = nullptr;
    QPushButton* delete_ = nullptr;
    QPushButton* detail_ = nullptr;
    QPushButton* honorific_ = nullptr;
    QPushButton* setDestination_ = nullptr;
    QMenu* menu_ = nullptr;
    shell::CWaitDlg* wait_ = nullptr;
    std::unique_ptr<DestinationRefresher> refresher_;
    ScreenWorker worker_;
};

}  // namespace addressui
