#pragma once
// CImportConfSheet: the CSV import wizard. It reads a delimited text file of any layout
// into the open environment's address book, always adding to the stored records (the
// duplicate-address policy is option 109):
//   1 (dialog 187) the file;
//   2 (dialog 184) how lines split: separators comma / tab / semicolon / space, the quote
//     character, and a preview of the first 100 lines;
//   3 (dialog 185) which file column goes into which of the 36 address-book items, by
//     hand or from a saved mapping-rule file;
//   4 (dialog 186) a preview of the first 100 lines as the address book will hold them,
//     and saving the assignment as a rule file; Finish starts the import.
//
// Every page checks the file again when it shows (and page 1 when it is left), so the
// import never starts on a file that went away or changed into something unusable; the
// check also refuses files that are not Shift_JIS text (ImportFileScan). The file is read
// once per file state and split setting, on a worker, whatever its size.
//
// The assignment survives going back only once page 4 has been shown; choosing another
// file or changing the split clears it.
//
// The run: after the user confirmed, the import runs on a worker while the please-wait
// window counts the records (every 200 ms) and offers to stop. A run that fails or is
// stopped leaves the address book exactly as it was. Rejected lines are listed (the first
// 10, each with its line number and why) with an offer to save them all to a file, byte for
// byte as the import file holds them (its code, byte-order mark and line ends), to be
// mended and imported again. After a successful run the address book is saved (the
// address-book save dialog).
//
// DoModal: 1 the import completed, -1 it failed or was stopped, 2 cancelled before the
// run. The caller reloads its list on 1 and -1.
//
// What it refuses: closing or cancelling while the import runs; Finish on an unusable file.

#include <QWizard>
#include <QWizardPage>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "app/addressui/screen_worker.h"
#include "app/settings/import_wizard_mapping.h"
#include "app/settings/import_wizard_run.h"
#include "app/settings/import_wizard_scan.h"
#include "core/addressbook/import_progress.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QTimer;

namespace settings {

class CImportConfSheet;
class ImportWaitDlg;

// Page 1: the file.
class CImportConfPage00 : public QWizardPage {
    Q_OBJECT
public:
    static constexpr int kIdd = 187;
    static constexpr int kIdcPath = 1003;
    static constexpr int kIdcBrowse = 1491;

    explicit CImportConfPage00(CImportConfSheet* sheet);
    // The file's path (file-system bytes), as taken from the edit when the page was left
    // with Next or chosen with Browse.
    const std::string& Path() const { return path_; }
    bool validatePage() override;
    void OnBrowse();

private:
    CImportConfSheet* sheet_;
    QLineEdit* edit_ = nullptr;
    std::string path_;
};

// Page 2: the split.
class CImportConfPage01 : public QWizardPage {
    Q_OBJECT
public:
    static constexpr int kIdd = 184;
    static constexpr int kIdcComma = 1007;
    static constexpr int kIdcTab = 1009;
    static constexpr int kIdcSemicolon = 1011;
    static constexpr int kIdcSpace = 1013;
    static constexpr int kIdcQuote = 1016;
    static constexpr int kIdcPreview = 1493;

    explicit CImportConfPage01(CImportConfSheet* sheet);
    // The checked separators in the order "," "\t" ";" " ", and the quote byte (0: none).
    const std::string& Separators() const { return separators_; }
    char Quote() const { return quote_; }
    void OnSetActive();
    bool isComplete() const override { return usable_; }

private:
    void ReadControls();
    void OnOptionChanged();
    void SetUsable(bool usable);

    CImportConfSheet* sheet_;
    QCheckBox* boxes_[4] = {};
    QComboBox* quoteCombo_ = nullptr;
    QTableWidget* preview_ = nullptr;
    std::string separators_ = ",";
    char quote_ = '"';
    bool usable_ = false;
};

// Page 3: the assignment.
class CImportConfPage02 : public QWizardPage {
    Q_OBJECT
public:
    static constexpr int kIdd = 185;
    static constexpr int kIdcTargets = 1492;
    static constexpr int kIdcPool = 1019;
    static constexpr int kIdcAssign = 1494;
    static constexpr int kIdcUnassign = 1490;
    static constexpr int kIdcLoadRule = 1888;

    explicit CImportConfPage02(CImportConfSheet* sheet);
    void OnSetActive();
    bool isComplete() const override { return usable_; }
    // The buttons and double-clicks of the page.
    void OnAssign();
    void OnUnassign();
    void OnLoadRule();
    // Shows the sheet's mapping in both lists.
    void RefreshLists();

private:
    void SetUsable(bool usable);
    void OnPoolDoubleClicked();
    void OnTargetDoubleClicked();

    CImportConfSheet* sheet_;
    QTableWidget* targets_ = nullptr;
    QTableWidget* pool_ = nullptr;
    QPushButton* assign_ = nullptr;
    QPushButton* unassign_ = nullptr;
    QPushButton* loadRule_ = nullptr;
    bool usable_ = false;
    std::string rulePath_;
};

// Page 4: the confirmation.
class CImportConfPage03 : public QWizardPage {
    Q_OBJECT
public:
    static constexpr int kIdd = 186;
    static constexpr int kIdcPreview = 1531;
    static constexpr int kIdcSaveRule = 1887;

    explicit CImportConfPage03(CImportConfSheet* sheet);
    void OnSetActive();
    bool isComplete() const override { return usable_; }
    void OnSaveRule();

private:
    void SetUsable(bool usable);
    void BuildColumns();

    CImportConfSheet* sheet_;
    QTableWidget* preview_ = nullptr;
    QPushButton* saveRule_ = nullptr;
    bool usable_ = false;
    bool rebuildColumns_ = true;
    std::string rulePath_;
};

class CImportConfSheet : public QWizard {
    Q_OBJECT
public:
    static constexpr int kTimerMs = 200;
    // Rejected lines shown in the message (the saved log has them all).
    static constexpr int kShownRejected = 10;

    explicit CImportConfSheet(QWidget* parent = nullptr);
    ~CImportConfSheet() override;

    int DoModal();

    CImportConfPage00* Page00() const { return page00_; }
    CImportConfPage01* Page01() const { return page01_; }
    CImportConfPage02* Page02() const { return page02_; }
    CImportConfPage03* Page03() const { return page03_; }

    // The file check of the pages: the scan of the current file and split (read on a
    // worker when the file or the split changed), after telling the user when the file is
    // unusable. Null only when no scan could be made.
    std::shared_ptr<const ImportScan> CheckFile();
    // Tells the user why the split of `scan` gives no columns; true when it does give them.
    bool CheckSplit(const ImportScan& scan);

    // The state the pages share.
    ImportMapping& Mapping() { return mapping_; }
    std::vector<std::string>& Labels() { return labels_; }
    const std::vector<std::string>& TargetNames() const { return targetNames_; }
    void RefreshTargetNames();
    bool MappingValid() const { return mappingValid_; }
    void SetMappingValid(bool valid) { mappingValid_ = valid; }
    bool RebuildLists() const { return rebuildLists_; }
    void SetRebuildLists(bool rebuild) { rebuildLists_ = rebuild; }

    bool IsRunning() const { return running_; }
    // The run's state, for tests and the progress window.
    const ImportProgress& Progress() const { return progress_; }

    // Finish: asks, then starts the import. Cancel: asks, then ends with 2.
    void accept() override;
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void OnPageChanged(int id);
    void StartRun();
    void OnTick();
    void OnStopRequested();
    void OnRunDone(ImportRunOutcome outcome);
    // The rejected-lines message and the error-log save loop.
    void OfferErrorLog(const ImportRunOutcome& outcome);

    CImportConfPage00* page00_ = nullptr;
    CImportConfPage01* page01_ = nullptr;
    CImportConfPage02* page02_ = nullptr;
    CImportConfPage03* page03_ = nullptr;

    ImportScanCache scans_;
    ImportMapping mapping_;
    std::vector<std::string> labels_;
    std::vector<std::string> targetNames_;
    bool mappingValid_ = false;
    bool rebuildLists_ = true;

    bool running_ = false;
    ImportProgress progress_;
    std::atomic<bool> stop_{false};
    QTimer* timer_ = nullptr;
    ImportWaitDlg* wait_ = nullptr;
    addressui::ScreenWorker worker_;
};

}  // namespace settings
