#pragma once
// CDBListDlg (dialog 141 "個人情報一覧"): the address book of the open environment as a
// list of people, 500 to a page, and the commands that work on it: new, edit, delete,
// search, import, export, column choice, backup, restore and - only when the address book
// of destination lists opened it - a new destination list from the selected people.
//
// The list is a model over the book's order (personal_list_model.h): the dialog keeps the
// sorted IDs of the live records, and a page is a window onto them whose cells are read
// when shown. Fetching and sorting that array is the one long piece of work; it runs on a
// worker behind the please-wait window, at opening, after a click on a column header and
// whenever records were added, deleted, imported or restored. Moving between pages needs
// no worker.
//
// Sorting: the sort field, its direction and the column it shows in are kept process-wide
// (SortState), so the next opening sorts as this one ended; the main window resets them
// when it is made (ResetSortState). A click on a header sorts by its field, ascending when
// the field changed and the other way round when it is the same column. The ID column
// sorts as numbers, every other column by its text in Shift_JIS character order. Whenever
// the array is fetched again it is sorted again, so the order and the header's marker
// always agree (a delete or a changing search never leaves the rows in stored order under a
// marker that claims otherwise).
//
// Keys: Enter goes to the page typed in the page box when that box has the focus, edits
// the selected record when the list has it, and does nothing otherwise: the dialog never
// closes on Enter. Delete deletes the selected records when the list has the focus and is
// swallowed everywhere else. Escape and the close box ask first (the do-not-show-again
// confirmation "DBCLOSE"); the close button closes at once. Closing keeps the column
// widths and the window rectangle (section DBDLGINFO of the environment's ini file).
//
// Changes are made in memory; the program's address-book save writes them when the list
// has closed. Commands that change or export the book refuse to start while a send or
// receive run is under way. While a worker runs the dialog is disabled and refuses to
// close; its window keeps painting.
//
// The backup and restore buttons are hidden and disabled, as the dialog has always had
// them; Backup() and Restore() are its commands all the same.

#include <QString>

#include <array>
#include <string>

#include "app/addressui/column_layout.h"
#include "app/addressui/screen_worker.h"
#include "app/widgets/resizable_dialog.h"

class ExtractListViewer;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableView;

namespace shell {
class CWaitDlg;
}

namespace addressui {

class PersonalListModel;
class PersonalSortArray;

// The list's sort state, one for all list dialogs of the process.
struct PersonalListSortState {
    int requestedField = 0;  // the address-book element the list is sorted by
    int sortColumn = 0;      // the column showing it; -1 when it is not shown
    bool ascending = true;
    bool resort = true;      // the next load sorts the array
};

class CDBListDlg : public shell::CResizableDialog {
    Q_OBJECT
public:
    static constexpr int kIdd = 141;
    enum : int {
        kIdcNew = 1252,
        kIdcEdit = 32777,
        kIdcDelete = 32782,
        kIdcSearch = 32779,
        kIdcImport = 1567,
        kIdcExport = 32778,
        kIdcColumns = 32801,
        kIdcPrevPage = 1464,
        kIdcNextPage = 1466,
        kIdcPageNumber = 1266,
        kIdcGoToPage = 1460,
        kIdcShortcut = 1816,
        kIdcIdLabel = 1763,
        kIdcClose = 1489,
        kIdcBackup = 1635,
        kIdcRestore = 1636,
        kIdcNewDestination = 1899,
        kIdcList = 1239,
        kIdcCount = 1243,
        kIdcPage = 1259,
        kIdcEnterNote = 1764,
    };
    // Kinds of the please-wait window's lines.
    enum WaitKind : int {
        kWaitKeep = 0,
        kWaitLoad = 1,
        kWaitSave = 2,
        kWaitReadCsv = 3,
        kWaitWriteCsv = 4,
        kWaitRestore = 5,
    };

    // `lists` (not owned): the address book's destination-list store, or null when the
    // main window or the setup wizard opens the list; `created` (may be null) is set to 1
    // when a destination list was made.
    CDBListDlg(ExtractListViewer* lists, int* created, QWidget* parent = nullptr);
    ~CDBListDlg() override;

    // Opened by the setup wizard: set before DoModal.
    void SetWizardMode(bool on) { wizardMode_ = on; }
    bool IsWizardMode() const { return wizardMode_; }

    // Runs the dialog; IDOK (1) when it closed.
    int DoModal();

    static PersonalListSortState& SortState();
    // The first values: field 0 (the ID), column 0, ascending, re-sort on.
    static void ResetSortState();
    // The three lines of the please-wait window for `kind`; empty lines for kWaitKeep.
    static std::array<QString, 3> WaitLines(int kind);

    // The commands (the buttons, the context menu and the keys call them).
    void NewRecord();
    void EditRecord();
    void DeleteRecords();
    void Search();
    void Import();
    void Export();
    void ChooseColumns();
    void PreviousPage();
    void NextPage();
    void GoToPage();
    void SortByColumn(int column);
    void Backup();
    void Restore();
    void NewDestinationList();
    // The close button: keeps the column widths and closes with IDOK.
    void CloseWithOk();

    // True once a record was added, edited, deleted, imported or restored here.
    bool IsChanged() const { return changed_; }
    // True while a worker (load, export, backup, restore) runs.
    bool IsBusy() const { return worker_.Busy(); }
    PersonalListModel* Model() const { return model_; }
    QTableView* List() const { return list_; }
    // The context menu as a right click on a row shows it now (its actions are named by
    // their command numbers).
    QMenu* ContextMenu();

    // Enter never closes the dialog.
    void accept() override {}
    // Escape and the close box: asks, then closes as the close button does.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildColumns();
    void StoreWidths();
    // Starts the load worker: fetches the array again when the requested field is not the
    // one loaded, sorts it when asked (always after a fetch), then shows the page.
    void StartLoad();
    void LoadDone(PersonalSortArray array);
    // The page, the header's marker and the controls after a load.
    void FillPage();
    // Reloads from the first page sorted by ID ascending (after an import or a restore).
    void ReloadFromStart();
    void UpdateButtons();
    void UpdateControls();
    void BeginWait(int kind);
    void EndWait();
    void ShowGuidance();
    bool RefuseWhileRunning(const char* text, const char* caption);

    ExtractListViewer* lists_;
    int* created_;
    bool wizardMode_ = false;
    bool guidancePending_ = false;
    bool changed_ = false;
    bool started_ = false;
    bool rectRestored_ = false;
    bool reloadPending_ = false;
    int loadedField_ = -1;  // the field of the array the list holds; -1: fetch again
    CDBColumnInfo columns_;
    PersonalListModel* model_ = nullptr;
    QTableView* list_ = nullptr;
    QLabel* count_ = nullptr;
    QLabel* page_ = nullptr;
    QLineEdit* pageNumber_ = nullptr;
    QPushButton* edit_ = nullptr;
    QPushButton* delete_ = nullptr;
    QPushButton* prev_ = nullptr;
    QPushButton* next_ = nullptr;
    QMenu* menu_ = nullptr;
    shell::CWaitDlg* wait_ = nullptr;
    ScreenWorker worker_;
};

}  // namespace addressui
